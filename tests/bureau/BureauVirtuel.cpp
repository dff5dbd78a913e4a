#include "BureauVirtuel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPauseMs = 50; // between two looks at the screen

void Arreter(std::unique_ptr<QProcess> &processus)
{
    if (processus && processus->state() != QProcess::NotRunning) {
        processus->kill();
        processus->waitForFinished(5000);
    }
    processus.reset();
}

// Reads the display number Xvfb writes on `fd` once it listens; -1 when it does not
// within `delaiMs` (it stopped, or could not start).
int LireAffichage(int fd, int delaiMs)
{
    QByteArray lu;
    QDeadlineTimer fin(delaiMs);
    while (!lu.contains('\n') && !fin.hasExpired()) {
        pollfd attente{fd, POLLIN, 0};
        if (::poll(&attente, 1, int(std::max<qint64>(1, fin.remainingTime()))) <= 0)
            continue;
        char octets[32];
        const ssize_t n = ::read(fd, octets, sizeof octets);
        if (n <= 0)
            break; // the server is gone
        lu.append(octets, n);
    }
    bool ok = false;
    const int numero = lu.trimmed().toInt(&ok);
    return lu.contains('\n') && ok ? numero : -1;
}

} // namespace

void LierALaVieDuTest(QProcess &processus)
{
    processus.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

TBureauVirtuel::TBureauVirtuel() = default;

TBureauVirtuel::~TBureauVirtuel()
{
    Arreter(m_gestionnaire);
    Arreter(m_serveur);
}

TBureauVirtuel::TEtat TBureauVirtuel::Demarrer(QString &pourquoi)
{
    const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
    if (xvfb.isEmpty()) {
        pourquoi = u"no X server can start: Xvfb is not installed (scripts/install-deps installs it)"_s;
        return TEtat::SansServeur;
    }
    for (const QString &outil : {u"openbox"_s, u"xdotool"_s, u"xprop"_s, u"xclip"_s}) {
        if (QStandardPaths::findExecutable(outil).isEmpty()) {
            pourquoi = outil + u" is not installed (scripts/install-deps installs it)"_s;
            return TEtat::Echec;
        }
    }

    // -displayfd: the server takes a free display and writes its number on the pipe, so
    // that tests run side by side never meet on one display.
    int tube[2];
    if (::pipe2(tube, O_CLOEXEC) != 0) {
        pourquoi = u"pipe: "_s + QString::fromLocal8Bit(std::strerror(errno));
        return TEtat::Echec;
    }
    m_serveur = std::make_unique<QProcess>();
    m_serveur->setProgram(xvfb);
    m_serveur->setArguments({u"-displayfd"_s, QString::number(tube[1]), u"-screen"_s, u"0"_s,
                             u"1280x1024x24"_s, u"-nolisten"_s, u"tcp"_s});
    const int ecriture = tube[1];
    m_serveur->setChildProcessModifier([ecriture] {
        ::fcntl(ecriture, F_SETFD, 0); // kept across exec: the server writes its display there
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    m_serveur->start();
    const bool lance = m_serveur->waitForStarted(10000);
    ::close(tube[1]);
    const int numero = lance ? LireAffichage(tube[0], 20000) : -1;
    ::close(tube[0]);
    if (numero < 0) {
        m_serveur->kill();
        m_serveur->waitForFinished(5000);
        pourquoi = u"no X server can start: Xvfb "_s
            + (lance ? QString::fromLocal8Bit(m_serveur->readAllStandardError()).trimmed()
                     : m_serveur->errorString());
        m_serveur.reset();
        return TEtat::SansServeur;
    }
    m_affichage = u":"_s + QString::number(numero);

    // The window manager, with its own defaults, never the user's configuration.
    m_gestionnaire = std::make_unique<QProcess>();
    QProcessEnvironment env = Environnement();
    env.insert(u"HOME"_s, m_maison.path());
    env.insert(u"XDG_CONFIG_HOME"_s, m_maison.path() + u"/.config"_s);
    m_gestionnaire->setProcessEnvironment(env);
    m_gestionnaire->setProgram(u"openbox"_s);
    m_gestionnaire->setArguments({u"--sm-disable"_s});
    m_gestionnaire->setStandardOutputFile(QProcess::nullDevice());
    LierALaVieDuTest(*m_gestionnaire);
    m_gestionnaire->start();
    if (!m_gestionnaire->waitForStarted(10000)) {
        pourquoi = u"openbox: "_s + m_gestionnaire->errorString();
        return TEtat::Echec;
    }
    // Ready once it has named itself on the root window.
    QDeadlineTimer fin(20000);
    while (!Executer(u"xprop"_s, {u"-root"_s, u"_NET_SUPPORTING_WM_CHECK"_s}).sortie.contains("window id")) {
        if (fin.hasExpired() || m_gestionnaire->state() != QProcess::Running) {
            pourquoi = u"openbox did not take the display: "_s
                + QString::fromLocal8Bit(m_gestionnaire->readAllStandardError()).trimmed();
            return TEtat::Echec;
        }
        QThread::msleep(kPauseMs);
    }
    return TEtat::Pret;
}

QProcessEnvironment TBureauVirtuel::Environnement() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &cle : {u"WAYLAND_DISPLAY"_s, u"XAUTHORITY"_s, u"QT_QPA_PLATFORMTHEME"_s,
                               u"QT_STYLE_OVERRIDE"_s, u"QT_SCALE_FACTOR"_s, u"QT_SCREEN_SCALE_FACTORS"_s,
                               u"QT_FONT_DPI"_s, u"GTK_THEME"_s, u"SESSION_MANAGER"_s,
                               u"DBUS_SESSION_BUS_ADDRESS"_s})
        env.remove(cle);
    env.insert(u"DISPLAY"_s, m_affichage);
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    return env;
}

TSortie TBureauVirtuel::Executer(const QString &programme, const QStringList &arguments, int delaiMs,
                                 const QByteArray &entree) const
{
    QProcess p;
    p.setProcessEnvironment(Environnement());
    LierALaVieDuTest(p);
    p.start(programme, arguments);
    if (!p.waitForStarted(10000))
        return {};
    if (!entree.isEmpty())
        p.write(entree);
    p.closeWriteChannel();
    if (!p.waitForFinished(delaiMs)) {
        p.kill();
        p.waitForFinished(5000);
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QStringList TBureauVirtuel::Fenetres(const QString &motif) const
{
    const TSortie s = Executer(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--name"_s, motif});
    return QString::fromUtf8(s.sortie).split(u'\n', Qt::SkipEmptyParts);
}

QString TBureauVirtuel::Titre(const QString &fenetre) const
{
    return QString::fromUtf8(Executer(u"xdotool"_s, {u"getwindowname"_s, fenetre}).sortie).trimmed();
}

bool TBureauVirtuel::Activer(const QString &fenetre) const
{
    return Executer(u"xdotool"_s, {u"windowactivate"_s, u"--sync"_s, fenetre}).statut == 0;
}

bool TBureauVirtuel::Touches(const QString &touches) const
{
    return Executer(u"xdotool"_s, QStringList{u"key"_s} + touches.split(u' ', Qt::SkipEmptyParts)).statut == 0;
}

QString TBureauVirtuel::TexteBoite(const QString &fenetre) const
{
    // A mark in the selection first, so that an old text is never read as the box's.
    const QByteArray marque = "(rien de choisi)";
    if (Executer(u"xclip"_s, {u"-selection"_s, u"primary"_s, u"-i"_s}, 10000, marque).statut != 0)
        return {};
    // The box's text begins right of its icon, on its first line.
    if (Executer(u"xdotool"_s, {u"mousemove"_s, u"--window"_s, fenetre, u"100"_s, u"21"_s, u"click"_s,
                                u"--repeat"_s, u"3"_s, u"--delay"_s, u"80"_s, u"1"_s})
            .statut != 0)
        return {};
    QDeadlineTimer fin(5000);
    do {
        const TSortie s = Executer(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"primary"_s});
        if (s.statut == 0 && s.sortie != marque && !s.sortie.isEmpty())
            return QString::fromUtf8(s.sortie).trimmed();
        QThread::msleep(kPauseMs);
    } while (!fin.hasExpired());
    return {};
}
