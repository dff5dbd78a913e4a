// The program's folders: the trailing "/" every folder path carries, and where the
// program's own files go (beside itself only when it is not installed).
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "commun/Dossiers.h"

using namespace Qt::StringLiterals;

class TestDossiers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // The configuration folder goes to ~/.qttest, never to the user's own.
        QStandardPaths::setTestModeEnabled(true);
    }

    void barreFinale_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("added") << u"/home/anne/Photos"_s << u"/home/anne/Photos/"_s;
        QTest::newRow("kept") << u"/home/anne/Photos/"_s << u"/home/anne/Photos/"_s;
        QTest::newRow("root") << u"/"_s << u"/"_s;
        QTest::newRow("relative") << u"Photos"_s << u"Photos/"_s;
        QTest::newRow("empty stays empty") << QString() << QString();
        QTest::newRow("trailing space kept") << u"/m/a "_s << u"/m/a /"_s;
    }
    void barreFinale()
    {
        QFETCH(QString, chemin);
        QFETCH(QString, attendu);
        QCOMPARE(AvecBarreFinale(chemin), attendu);
    }

    void dossiersDuProgramme()
    {
        QVERIFY(DossierProgramme().endsWith(u'/'));
        QVERIFY(DossierFichiersProgramme().endsWith(u'/'));
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
        QVERIFY(DossierInscriptible(dossier.path())); // no trailing "/" needed
        QVERIFY(!DossierInscriptible(dossier.filePath(u"absent"_s)));
    }

    void installe_data()
    {
        QTest::addColumn<QString>("dossier");
        QTest::addColumn<bool>("installe");
        QTest::newRow("paquet") << u"/usr/bin/"_s << true;
        QTest::newRow("sans separateur final") << u"/usr/bin"_s << true;
        QTest::newRow("make install") << u"/usr/local/bin/"_s << true;
        QTest::newRow("bin") << u"/bin/"_s << true;
        QTest::newRow("sbin") << u"/sbin/"_s << true;
        QTest::newRow("opt") << u"/opt/clarvane/"_s << true;
        QTest::newRow("compilation") << u"/home/marie/clarvane/build/bin/"_s << false;
        QTest::newRow("copie portable") << u"/media/marie/CLE/Clarvane/"_s << false;
        QTest::newRow("usr dans le nom") << u"/usrdata/bin/"_s << false;
        QTest::newRow("usr plus bas") << u"/home/marie/usr/bin/"_s << false;
        QTest::newRow("optique") << u"/optique/"_s << false;
    }
    void installe()
    {
        QFETCH(QString, dossier);
        QFETCH(bool, installe);
        QCOMPARE(ProgrammeInstalle(dossier), installe);
    }

    // A prefix laid out by `cmake --install` in a user's folder: the menu entry beside bin/
    // tells an installed copy from a build folder.
    void prefixeUtilisateur()
    {
        QTemporaryDir prefixe;
        QVERIFY(prefixe.isValid());
        const QString bin = prefixe.path() + u"/bin/"_s;
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QDir().mkpath(prefixe.path() + u"/share/applications"_s));
        QVERIFY(!ProgrammeInstalle(bin));
        QCOMPARE(DossierFichiersPour(bin), bin);

        QFile entree(prefixe.path() + u"/share/applications/io.github.clarvane.Clarvane.desktop"_s);
        QVERIFY(entree.open(QIODevice::WriteOnly));
        entree.close();
        QVERIFY(ProgrammeInstalle(bin));
        const QString config = ConfigAttendue();
        QCOMPARE(DossierFichiersPour(bin), config);
        QVERIFY(QFileInfo(config).isDir());
        // Another program's entry says nothing about this one.
        QVERIFY(entree.rename(prefixe.path() + u"/share/applications/autre.desktop"_s));
        QVERIFY(!ProgrammeInstalle(bin));
    }

    // /usr/bin is writable for root, as in CI: an installed program still keeps its files
    // in the configuration folder, never among the system's programs.
    void systemeMemeInscriptible()
    {
        QCOMPARE(DossierFichiersPour(u"/usr/bin/"_s), ConfigAttendue());
        QVERIFY(QDir(u"/usr/bin"_s).entryList({u".clarvane-essai-*"_s}, QDir::Hidden | QDir::Files).isEmpty());
    }

    // A folder of its own that is writable (the build's bin/ included) keeps the files
    // beside the program, as before; one that is not falls back to the configuration.
    void copieNonInstallee()
    {
        QCOMPARE(DossierFichiersProgramme(), DossierProgramme());
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
        QCOMPARE(DossierFichiersPour(dossier.path()), dossier.path() + u'/');
        QCOMPARE(DossierFichiersPour(dossier.path() + u"/absent/"_s), ConfigAttendue());
    }

    void cleanupTestCase()
    {
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).removeRecursively();
    }

private:
    static QString ConfigAttendue()
    {
        return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + u'/';
    }
};

QTEST_GUILESS_MAIN(TestDossiers)
#include "tst_dossiers.moc"
