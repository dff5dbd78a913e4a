// A desktop of its own for the tests that drive the real program as a user does: an X
// server on a free display (Xvfb), a window manager (openbox), and the user's hands and
// eyes: keys and clicks through xdotool, windows found by their titles, the text of a
// message box read back through the X selection (xclip).
#pragma once

#include <memory>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// What a command gave.
struct TSortie {
    int statut = -1; // exit status; -1 when it could not start, crashed or timed out
    QByteArray sortie;
    QByteArray erreurs;
};

// A program started for the display never outlives the test, however the test ends.
void LierALaVieDuTest(QProcess &processus);

class TBureauVirtuel {
public:
    TBureauVirtuel();
    // openbox and the X server stopped, and every program started on the display with them.
    ~TBureauVirtuel();
    TBureauVirtuel(const TBureauVirtuel &) = delete;
    TBureauVirtuel &operator=(const TBureauVirtuel &) = delete;

    enum class TEtat {
        Pret,        // the display and its window manager answer
        SansServeur, // no X server can start here: Xvfb missing or refused
        Echec,       // the server started but the desktop could not be made ready
    };
    // Starts Xvfb on a free display (-displayfd) and openbox; `pourquoi` says what failed.
    TEtat Demarrer(QString &pourquoi);

    // The environment of a program on this display: DISPLAY set, no Wayland, the
    // desktop's theme and session left out so that every run looks the same.
    QProcessEnvironment Environnement() const;

    // Runs one command on the display and waits for it (at most `delaiMs`).
    TSortie Executer(const QString &programme, const QStringList &arguments, int delaiMs = 10000,
                     const QByteArray &entree = {}) const;

    // The shown windows whose title matches the regular expression, as xdotool names them.
    QStringList Fenetres(const QString &motif) const;
    QString Titre(const QString &fenetre) const;
    // Gives the window the focus, as a click on its title bar would, and waits for it.
    bool Activer(const QString &fenetre) const;
    // Keys as xdotool names them ("ctrl+z", "alt+t", "Return"), to the focused window.
    bool Touches(const QString &touches) const;
    // The text of a message box: its label selected by a triple click, read back from
    // the X selection. Empty when it could not be read.
    QString TexteBoite(const QString &fenetre) const;

private:
    std::unique_ptr<QProcess> m_serveur;
    std::unique_ptr<QProcess> m_gestionnaire;
    QTemporaryDir m_maison; // the window manager's HOME
    QString m_affichage;    // ":N"
};
