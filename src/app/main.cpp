// Program start: one instance per user; the main window runs until it is closed.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/Demarrage.h"
#include "app/InstanceUnique.h"
#include "app/Main_fm.h"

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // The name chooses the user's configuration folder (~/.config/clarvane) that an
    // installed program keeps its settings and error log in.
    PreparerApplication();

    TInstanceUnique instance;
    if (instance.Demarrer())
        return 0; // the running window was brought to the front

    // Qt's own texts (edit menus, file dialogs) in French as well.
    QTranslator traductionQt;
    if (traductionQt.load(QLocale(QLocale::French), u"qtbase"_s, u"_"_s,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&traductionQt);

    TfmMainClarvane fmMainClarvane;
    QObject::connect(&instance, &TInstanceUnique::Activation, &fmMainClarvane,
                     &TfmMainClarvane::MettreAuPremierPlan);
    fmMainClarvane.show();
    return app.exec();
}
