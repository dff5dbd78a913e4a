#include "Enfant.h"

#include <memory>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

using namespace Qt::StringLiterals;

TResultatEnfant ExecuterEnfant(const QStringList &arguments, const QProcessEnvironment &ajouts, int delaiMs)
{
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    environnement.insert(ajouts);
    environnement.insert(u"CLARVANE_ENFANT"_s, u"1"_s);
    QProcess enfant;
    enfant.setProcessEnvironment(environnement);
    enfant.setProcessChannelMode(QProcess::MergedChannels);
    enfant.start(QCoreApplication::applicationFilePath(), arguments);
    TResultatEnfant resultat;
    if (!enfant.waitForFinished(delaiMs)) {
        enfant.kill();
        enfant.waitForFinished(5000);
        resultat.sortie = enfant.readAll() + "\n(arrêté après le délai)";
        return resultat;
    }
    resultat.sortie = enfant.readAll();
    resultat.code = enfant.exitStatus() == QProcess::NormalExit ? enfant.exitCode() : -1;
    return resultat;
}

QString PlateformeHorsEcran(const QString &dossier, int largeur, int hauteur)
{
    const QString chemin = dossier + u"/ecran_%1x%2.json"_s.arg(largeur).arg(hauteur);
    QFile fichier(chemin);
    if (fichier.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fichier.write(QStringLiteral(R"({"windowFrameMargins": true, "screens": [{"name": "ecran",
            "x": 0, "y": 0, "width": %1, "height": %2, "logicalDpi": 96, "logicalBaseDpi": 96}]})")
                          .arg(largeur).arg(hauteur).toUtf8());
    return u"offscreen:configfile="_s + chemin;
}

namespace {
bool Reussit(const QString &commande, const QString &affichage)
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(u"DISPLAY"_s, affichage);
    p.setProcessEnvironment(e);
    p.start(u"sh"_s, {u"-c"_s, commande});
    return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void Arreter(std::unique_ptr<QProcess> &processus)
{
    if (!processus)
        return;
    processus->terminate();
    if (!processus->waitForFinished(3000)) {
        processus->kill();
        processus->waitForFinished(3000);
    }
    processus.reset();
}
} // namespace

TEcranX::TEcranX(int largeur, int hauteur)
{
    for (const QString &programme : {u"Xvfb"_s, u"openbox"_s, u"xdotool"_s, u"xprop"_s}) {
        if (QStandardPaths::findExecutable(programme).isEmpty()) {
            m_pourquoi = programme + u" is not installed (scripts/install-deps installs it)"_s;
            return;
        }
    }
    // Xvfb picks a free display and writes its number on its standard output.
    m_xvfb = std::make_unique<QProcess>();
    m_xvfb->setProgram(u"Xvfb"_s);
    m_xvfb->setArguments({u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s,
                          u"%1x%2x24"_s.arg(largeur).arg(hauteur), u"-nolisten"_s, u"tcp"_s});
    m_xvfb->setStandardErrorFile(QProcess::nullDevice());
    m_xvfb->start();
    QByteArray numero;
    const QDeadlineTimer delai(10000);
    while (!numero.contains('\n') && !delai.hasExpired() && m_xvfb->waitForStarted(100)
           && m_xvfb->state() == QProcess::Running) {
        m_xvfb->waitForReadyRead(100);
        numero += m_xvfb->readAllStandardOutput();
    }
    if (!numero.contains('\n')) {
        Arreter(m_xvfb);
        m_pourquoi = u"Xvfb gave no display"_s;
        return;
    }
    const QString affichage = u":"_s + QString::fromLatin1(numero.trimmed());
    m_openbox = std::make_unique<QProcess>();
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(u"DISPLAY"_s, affichage);
    m_openbox->setProcessEnvironment(e);
    m_openbox->setStandardOutputFile(QProcess::nullDevice());
    m_openbox->setStandardErrorFile(QProcess::nullDevice());
    m_openbox->start(u"openbox"_s, {});
    // The window manager is in place once it has named itself on the root window.
    for (int i = 0; i < 100; ++i) {
        if (Reussit(u"xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window"_s, affichage)) {
            m_affichage = affichage;
            return;
        }
        QThread::msleep(50);
    }
    m_pourquoi = u"openbox did not start"_s;
    Arreter(m_openbox);
    Arreter(m_xvfb);
}

TEcranX::~TEcranX()
{
    Arreter(m_openbox);
    Arreter(m_xvfb);
}
