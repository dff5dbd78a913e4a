// The captions of the program's windows reach the window system exactly as each window
// sets them: no application name is added to them.
#include <sys/stat.h>
#include <sys/wait.h>

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "Fils.h"
#include "app/BoiteMessage.h"
#include "app/Demarrage.h"
#include "controls/GaugeWindow.h"
#include "ui/Apercu_fm.h"
#include "ui/JournalTexte_fm.h"

using namespace Qt::StringLiterals;

namespace {

// The caption the window system is given for a shown window.
QString TitreSysteme(QWidget *fenetre)
{
    return fenetre->windowHandle() ? fenetre->windowHandle()->title() : u"(no window)"_s;
}

} // namespace

class TestTitres : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        PreparerApplication();
        static QtMessageHandler suivant = nullptr;
        suivant = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &contexte, const QString &texte) {
            if (!texte.startsWith(u"This plugin does not support"_s))
                suivant(type, contexte, texte);
        });
    }

    void aucunNomAjoute()
    {
        // Qt adds the display name to every caption once one is given; without one, the
        // display name is the application's name, whatever that is at the moment.
        QCOMPARE(QApplication::applicationName(), u"clarvane"_s);
        QApplication::setApplicationName(u"nom-provisoire"_s);
        const QString affiche = QApplication::applicationDisplayName();
        QApplication::setApplicationName(u"clarvane"_s);
        QCOMPARE(affiche, u"nom-provisoire"_s);
        // The desktop still knows the program by its entry.
        QCOMPARE(QApplication::desktopFileName(), u"io.github.clarvane.Clarvane"_s);
        QVERIFY(!QApplication::windowIcon().pixmap(32).isNull());
    }

    // The program's icon is its own, compiled in: a fifo among the icon theme's files
    // (~/.icons/hicolor/index.theme) does not keep the program from starting (in a child
    // under a time limit, so that a hang fails the test).
    void iconeSansTheme()
    {
        QTemporaryDir icones;
        QVERIFY(QDir().mkpath(icones.path() + u"/hicolor"_s));
        QVERIFY(::mkfifo(QFile::encodeName(icones.path() + u"/hicolor/index.theme"_s).constData(), 0644) == 0);
        const int etat = DansUnFils([&] {
            QIcon::setThemeSearchPaths({icones.path()});
            QIcon::setThemeName(u"hicolor"_s);
            PreparerApplication();
            ::_exit(QApplication::windowIcon().pixmap(32).isNull() ? 1 : 0);
        }, true);
        QVERIFY2(WIFEXITED(etat), "the program's icon waited on the icon theme");
        QCOMPARE(WEXITSTATUS(etat), 0);
    }

    void boites_data()
    {
        QTest::addColumn<int>("genre");
        QTest::addColumn<QString>("titre");
        QTest::addColumn<int>("icone");
        QTest::newRow("question") << 0 << u"Attention"_s << int(QMessageBox::Question);
        QTest::newRow("erreur") << 1 << u"Erreur"_s << int(QMessageBox::Critical);
        QTest::newRow("information") << 2 << u"Information"_s << int(QMessageBox::Information);
    }
    void boites()
    {
        QFETCH(int, genre);
        QFETCH(QString, titre);
        QFETCH(int, icone);
        BoiteMessage::Reinitialiser();
        QWidget parent;
        parent.show();
        QString vu, vuSysteme, texte;
        int iconeVue = -1;
        QTimer::singleShot(0, this, [&] {
            auto *boite = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!boite)
                return;
            vu = boite->windowTitle();
            vuSysteme = TitreSysteme(boite);
            texte = boite->text();
            iconeVue = boite->icon();
            boite->reject();
        });
        const QString message = u"Traiter les 3 Images (1,20 Mo) ?"_s;
        if (genre == 0)
            BoiteMessage::Question(&parent, message);
        else if (genre == 1)
            BoiteMessage::Erreur(&parent, message);
        else
            BoiteMessage::Information(&parent, message);
        QCOMPARE(vu, titre);
        QCOMPARE(vuSysteme, titre);
        QCOMPARE(texte, message);
        QCOMPARE(iconeVue, icone);
    }

    void fenetres()
    {
        QWidget principale;
        principale.show();
        TGaugeWindow gw(&principale);
        gw.Open(u"Phase 1/2 - Lecture des données EXIF"_s, 0, 9, 0);
        QCOMPARE(TitreSysteme(gw.Window()), u"Phase 1/2 - Lecture des données EXIF"_s);
        gw.Hide();
        gw.Open(u"Phase 2/2 - Traitement en cours"_s, 0, 9, 0);
        QCOMPARE(TitreSysteme(gw.Window()), u"Phase 2/2 - Traitement en cours"_s);
        gw.Hide();

        TfmApercu apercu(&principale);
        apercu.Remplir(false, u"/photos/"_s, {}, {});
        apercu.show();
        QCOMPARE(TitreSysteme(&apercu), u"Aperçu du renommage"_s);

        TfmJournalTexte *journal = OuvrirOuMontrer(u"/nulle/part/Clarvane.erreurs.txt"_s, &principale,
                                                   [](const QUrl &) { return false; });
        QVERIFY(journal);
        QCOMPARE(TitreSysteme(journal), u"Clarvane.erreurs.txt"_s);
        journal->close();
    }
};

QTEST_MAIN(TestTitres)
#include "tst_titres.moc"
