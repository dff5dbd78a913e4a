// Tests that need a process of their own: another scale factor or screen (the platform is
// chosen when the program starts), or a real X display with a window manager
// (TBureauVirtuel), where keys and focus behave as a user sees them.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QStringList>

// The test program's main: in a child started by ExecuterEnfant (CLARVANE_ENFANT set) the
// tests of `Enfant` run, otherwise those of `Parent`.
#define QTEST_MAIN_AVEC_ENFANT(Parent, Enfant)                                                   \
    int main(int argc, char *argv[])                                                             \
    {                                                                                            \
        QApplication app(argc, argv);                                                            \
        if (qEnvironmentVariableIsSet("CLARVANE_ENFANT")) {                                      \
            Enfant enfant;                                                                       \
            return QTest::qExec(&enfant, argc, argv);                                            \
        }                                                                                        \
        Parent parent;                                                                           \
        return QTest::qExec(&parent, argc, argv);                                                \
    }

struct TResultatEnfant {
    int code = -1;       // the child's exit code; -1 when it did not end by itself
    QByteArray sortie;   // its standard output and error
};

// Runs this test program again with `arguments` (test function names, options) and the
// environment `ajouts` on top of this one's, waiting at most `delaiMs`.
TResultatEnfant ExecuterEnfant(const QStringList &arguments, const QProcessEnvironment &ajouts,
                               int delaiMs = 120000);

// Runs this test program again with `arguments` on a desktop of its own (TBureauVirtuel)
// of `ecran` device pixels, at the scale `echelle`, with `ajouts` in its environment.
// False, saying why in `pourquoi`, where no such desktop could be made ready.
bool ExecuterEnfantSurUnBureau(const QStringList &arguments, QSize ecran, double echelle,
                               const QProcessEnvironment &ajouts, TResultatEnfant &resultat, QString &pourquoi);

// A screen for offscreen children: QT_QPA_PLATFORM set to the offscreen platform with one
// screen of `largeur` x `hauteur` device pixels (a JSON file in `dossier`).
QString PlateformeHorsEcran(const QString &dossier, int largeur, int hauteur);
