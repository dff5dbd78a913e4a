#include "LectureSeule.h"

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
    if (geteuid() == 0) {
        m_disque = std::make_unique<TPetitDisque>("size=4m");
        if (!m_disque->Valide()) {
            m_pourquoi = m_disque->Pourquoi();
            return;
        }
        m_chemin = m_disque->Chemin();
    } else {
        if (!m_base.isValid()) {
            m_pourquoi = u"no temporary folder"_s;
            return;
        }
        m_chemin = m_base.path() + u"/ro/"_s;
        QDir().mkpath(m_chemin);
    }
    for (const auto &[nom, contenu] : fichiers) {
        QFile f(m_chemin + nom);
        if (f.open(QIODevice::WriteOnly))
            f.write(contenu);
    }
    if (m_disque) {
        if (!m_disque->LectureSeule()) {
            m_pourquoi = m_disque->Pourquoi();
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
    if (!m_disque && !m_chemin.isEmpty())
        QFile::setPermissions(m_chemin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool RendreImmuable(const QString &fichier, bool immuable)
{
    QProcess p;
    p.start(u"chattr"_s, {immuable ? u"+i"_s : u"-i"_s, fichier});
    return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
