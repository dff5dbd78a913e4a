// The program's folders: the trailing "/" every folder path carries, and where the
// program's own files go (beside itself only when it is not installed).
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QScopeGuard>
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

    // Where the trees start without a stored folder: the program's folder for a copy kept
    // in a folder of its own; for an installed one the user's pictures folder
    // (XDG_PICTURES_DIR of user-dirs.dirs, else Qt's ~/Pictures) when it is a
    // folder, else the home folder, never the system's bin/.
    void dossierParDefaut_data()
    {
        QTest::addColumn<bool>("installe");
        QTest::addColumn<QByteArray>("dossiersUtilisateur"); // user-dirs.dirs, none when empty
        QTest::addColumn<QString>("dossier");                // made in HOME, when not empty
        QTest::addColumn<QString>("fichier");                // a file (or "tube": a FIFO) in HOME
        QTest::addColumn<QString>("attendu");                // in HOME; "<programme>"
        const QByteArray photos = "XDG_PICTURES_DIR=\"$HOME/Mes photos\"\n";
        QTest::newRow("compilation") << false << photos << u"Mes photos"_s << QString() << u"<programme>"_s;
        QTest::newRow("images nommees") << true << photos << u"Mes photos"_s << QString() << u"Mes photos/"_s;
        QTest::newRow("images absentes") << true << photos << QString() << QString() << QString();
        QTest::newRow("images d'office") << true << QByteArray() << u"Pictures"_s << QString() << u"Pictures/"_s;
        QTest::newRow("rien") << true << QByteArray() << QString() << QString() << QString();
        QTest::newRow("images: un fichier") << true << photos << QString() << u"Mes photos"_s << QString();
        QTest::newRow("images: un tube") << true << photos << QString() << u"tube:Mes photos"_s << QString();
        QTest::newRow("images: la maison") << true << QByteArray("XDG_PICTURES_DIR=\"$HOME/\"\n")
                                           << QString() << QString() << QString();
    }
    void dossierParDefaut()
    {
        QFETCH(bool, installe);
        QFETCH(QByteArray, dossiersUtilisateur);
        QFETCH(QString, dossier);
        QFETCH(QString, fichier);
        QFETCH(QString, attendu);
        QTemporaryDir maison, programme;
        QVERIFY(maison.isValid() && programme.isValid());
        const QByteArray ancienneMaison = qgetenv("HOME"), ancienneConfig = qgetenv("XDG_CONFIG_HOME");
        // Test mode hides the user's folders; HOME is the test's own meanwhile.
        QStandardPaths::setTestModeEnabled(false);
        const auto remettre = qScopeGuard([&] {
            QStandardPaths::setTestModeEnabled(true);
            qputenv("HOME", ancienneMaison);
            ancienneConfig.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", ancienneConfig);
        });
        qputenv("HOME", QFile::encodeName(maison.path()));
        qunsetenv("XDG_CONFIG_HOME");
        // Where Qt reads the user's folders from.
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QVERIFY(config.startsWith(maison.path()));
        QVERIFY(QDir().mkpath(config));
        if (!dossiersUtilisateur.isEmpty())
            QVERIFY(EcrireTout(config + u"/user-dirs.dirs"_s, dossiersUtilisateur));
        if (!dossier.isEmpty())
            QVERIFY(QDir().mkpath(maison.filePath(dossier)));
        if (fichier.startsWith(u"tube:"_s))
            QVERIFY(::mkfifo(QFile::encodeName(maison.filePath(fichier.mid(5))).constData(), 0644) == 0);
        else if (!fichier.isEmpty())
            QVERIFY(EcrireTout(maison.filePath(fichier), "pas un dossier"));

        const QString dossierProgramme = installe ? u"/usr/bin/"_s : programme.path() + u'/';
        const QString resultat = DossierParDefautPour(dossierProgramme);
        QCOMPARE(resultat, attendu == u"<programme>"_s ? dossierProgramme : maison.path() + u'/' + attendu);
    }

    void cleanupTestCase()
    {
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).removeRecursively();
    }

private:
    static bool EcrireTout(const QString &chemin, const QByteArray &contenu)
    {
        QFile f(chemin);
        return f.open(QIODevice::WriteOnly) && f.write(contenu) == contenu.size();
    }
    static QString ConfigAttendue()
    {
        return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + u'/';
    }
};

QTEST_GUILESS_MAIN(TestDossiers)
#include "tst_dossiers.moc"
