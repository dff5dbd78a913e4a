// The program's folders: the trailing "/" every folder path carries, and where the
// program's own files go (beside itself only when it is not installed).
#include <cstdio>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "Fils.h"
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

    // The user's folders as user-dirs.dirs names them, read without Qt: "$HOME" replaced,
    // quotes taken off, the last line of a key holding, the defaults for a key not named.
    // Anything but a regular file in its place (a fifo, a link to /dev/zero, a folder) is
    // neither waited on nor read: the defaults, at once (in a child under a time and a
    // memory limit, so that a hang or an endless read fails the test).
    void dossiersUtilisateur_data()
    {
        QTest::addColumn<QByteArray>("contenu"); // "<tube>", "<zéro>", "<dossier>": no file but that
        QTest::addColumn<QString>("config");     // XDG_CONFIG_HOME, "<maison>/" for a folder of HOME
        QTest::addColumn<QString>("bureau");     // "<maison>/" standing for HOME's path
        QTest::addColumn<QString>("documents");
        QTest::addColumn<QString>("images");
        const QString b = u"<maison>/Desktop"_s, d = u"<maison>/Documents"_s, i = u"<maison>/Pictures"_s;
        QTest::newRow("absent") << QByteArray() << QString() << b << d << i;
        QTest::newRow("noms du bureau")
            << QByteArray("# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"
                          "XDG_DOCUMENTS_DIR=\"$HOME/Documents/\"\r\nXDG_PICTURES_DIR=\"/srv/Photos\"\n")
            << QString() << u"<maison>/Bureau"_s << d << u"/srv/Photos"_s;
        QTest::newRow("la dernière ligne") << QByteArray("XDG_DESKTOP_DIR=\"$HOME/a\"\nXDG_DESKTOP_DIR=$HOME/b\n")
                                           << QString() << u"<maison>/b"_s << d << i;
        QTest::newRow("octets bruts") << QByteArray("XDG_PICTURES_DIR=\"$HOME/Photos \xE9t\xE9\"\n")
                                      << QString() << b << d << u"<maison>/Photos \xDCE9t\xDCE9"_s;
        QTest::newRow("XDG_CONFIG_HOME") << QByteArray("XDG_DESKTOP_DIR=\"$HOME/Ailleurs\"\n")
                                         << u"<maison>/autre"_s << u"<maison>/Ailleurs"_s << d << i;
        QTest::newRow("XDG_CONFIG_HOME relatif") << QByteArray("XDG_DESKTOP_DIR=\"$HOME/Ailleurs\"\n")
                                                 << u"relatif"_s << u"<maison>/Ailleurs"_s << d << i;
        QTest::newRow("tube") << QByteArray("<tube>") << QString() << b << d << i;
        QTest::newRow("lien vers /dev/zero") << QByteArray("<zéro>") << QString() << b << d << i;
        QTest::newRow("dossier") << QByteArray("<dossier>") << QString() << b << d << i;
    }
    void dossiersUtilisateur()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, config);
        QFETCH(QString, bureau);
        QFETCH(QString, documents);
        QFETCH(QString, images);
        QTemporaryDir maison;
        QVERIFY(maison.isValid());
        const auto dans = [&](QString t) { return t.replace(u"<maison>"_s, maison.path()); };
        // The file goes where the program looks: XDG_CONFIG_HOME when absolute, else ~/.config.
        const QString dossierConfig = config.startsWith(u'<') ? dans(config) : maison.path() + u"/.config"_s;
        QVERIFY(QDir().mkpath(dossierConfig));
        const QByteArray fichier = QFile::encodeName(dossierConfig + u"/user-dirs.dirs"_s);
        if (contenu == "<tube>")
            QVERIFY(::mkfifo(fichier.constData(), 0644) == 0);
        else if (contenu == "<zéro>")
            QVERIFY(::symlink("/dev/zero", fichier.constData()) == 0);
        else if (contenu == "<dossier>")
            QVERIFY(::mkdir(fichier.constData(), 0755) == 0);
        else if (!contenu.isEmpty())
            QVERIFY(EcrireTout(QFile::decodeName(fichier), contenu));

        const int etat = DansUnFils([&] {
            QStandardPaths::setTestModeEnabled(false);
            qputenv("HOME", QFile::encodeName(maison.path()));
            if (config.isEmpty())
                qunsetenv("XDG_CONFIG_HOME");
            else
                qputenv("XDG_CONFIG_HOME", QFile::encodeName(dans(config)));
            const QStringList lus{DossierUtilisateur(TDossierUtilisateur::Bureau),
                                  DossierUtilisateur(TDossierUtilisateur::Documents),
                                  DossierUtilisateur(TDossierUtilisateur::Images)};
            const QStringList attendus{dans(bureau), dans(documents), dans(images)};
            if (lus != attendus)
                std::fprintf(stderr, "read: %s\n", qPrintable(lus.join(u" | "_s)));
            ::_exit(lus == attendus ? 0 : 1);
        }, true);
        QVERIFY2(WIFEXITED(etat), "reading user-dirs.dirs hung or ran out of memory");
        QCOMPARE(WEXITSTATUS(etat), 0);
        // Under Qt's test mode, the user's own file is never read.
        QCOMPARE(DossierUtilisateur(TDossierUtilisateur::Bureau), DossierMaison() + u"/Desktop"_s);
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
