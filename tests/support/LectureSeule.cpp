#include "LectureSeule.h"

#include <sys/mount.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace {
bool EcritureRefusee(const QString &dossier)
{
    QFile essai(dossier + u"essai-ecriture"_s);
    if (essai.open(QIODevice::WriteOnly)) {
        essai.close();
        essai.remove();
        return false;
    }
    return true;
}
} // namespace

TDossierLectureSeule::TDossierLectureSeule(const QList<QPair<QString, QByteArray>> &fichiers)
{
    if (!m_base.isValid()) {
        m_pourquoi = u"no temporary folder"_s;
        return;
    }
    m_chemin = m_base.path() + u"/ro/"_s;
    QDir().mkpath(m_chemin);
    const QByteArray cible = QFile::encodeName(m_chemin);
    if (geteuid() == 0) {
        if (::mount("tmpfs", cible.constData(), "tmpfs", 0, "size=4m") != 0) {
            m_pourquoi = u"cannot mount a tmpfs (no CAP_SYS_ADMIN here)"_s;
            return;
        }
        m_monte = true;
    }
    for (const auto &[nom, contenu] : fichiers) {
        QFile f(m_chemin + nom);
        if (f.open(QIODevice::WriteOnly))
            f.write(contenu);
    }
    if (m_monte) {
        if (::mount("tmpfs", cible.constData(), nullptr, MS_REMOUNT | MS_RDONLY, "size=4m") != 0) {
            m_pourquoi = u"cannot remount the tmpfs read-only"_s;
            return;
        }
    } else {
        QFile::setPermissions(m_chemin, QFile::ReadOwner | QFile::ExeOwner);
    }
    m_valide = EcritureRefusee(m_chemin);
    if (!m_valide)
        m_pourquoi = u"the folder still accepts writes"_s;
}

TDossierLectureSeule::~TDossierLectureSeule()
{
    if (m_monte)
        ::umount2(QFile::encodeName(m_chemin).constData(), MNT_DETACH);
    else if (!m_chemin.isEmpty())
        QFile::setPermissions(m_chemin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool RendreImmuable(const QString &fichier, bool immuable)
{
    QProcess p;
    p.start(u"chattr"_s, {immuable ? u"+i"_s : u"-i"_s, fichier});
    return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
