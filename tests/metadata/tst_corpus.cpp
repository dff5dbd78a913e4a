// The reader on real camera files: expected texts of each sample, and no fault on any file.
#include <ctime>

#include <QDirIterator>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "Corpus.h"
#include "metadata/FluxOctets.h"
#include "metadata/LireEXIF.h"

using namespace Qt::StringLiterals;

class TestCorpus : public QObject {
    Q_OBJECT

    static QStringList Ligne(const QString &nom, const TEnrEXIF &e)
    {
        return {nom, e.Valide ? u"1"_s : u"0"_s, e.Appareil, e.Focale, e.Vitesse, e.Diaphragme, e.DatePDV, e.ISO};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        // The movie headers' times become local dates: the expected ones are UTC's.
        qputenv("TZ", "UTC0");
        tzset();
    }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    // The expected lines of a file of tests/data, one row each.
    static void LignesAttendues(const QString &fichier, int auMoins)
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QStringList>("attendu");
        QFile donnees(DossierDonneesTests() + fichier);
        QVERIFY2(donnees.open(QIODevice::ReadOnly), qPrintable(donnees.fileName()));
        int lignes = 0;
        while (!donnees.atEnd()) {
            const QString ligne = QString::fromUtf8(donnees.readLine()).chopped(1);
            if (ligne.isEmpty() || ligne.startsWith(u'#'))
                continue;
            const QStringList champs = ligne.split(u'\t');
            QCOMPARE(champs.size(), 8);
            QTest::newRow(qPrintable(champs.first())) << champs.first() << champs;
            ++lignes;
        }
        QVERIFY(lignes >= auMoins);
    }
    static void VerifierLigne(const QString &dossier)
    {
        EXIGER_CORPUS();
        QFETCH(QString, nom);
        QFETCH(QStringList, attendu);
        const QString chemin = DossierCorpus() + dossier + nom;
        QVERIFY2(QFile::exists(chemin), qPrintable(chemin));
        TEnrEXIF e;
        LireEXIFFichier(chemin, e);
        QCOMPARE(Ligne(nom, e), attendu);

        // Under an English locale, only the decimal separator of the numbers changes.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        LireEXIFFichier(chemin, e);
        for (int i : {3, 5})
            attendu[i].replace(u',', u'.');
        QCOMPARE(Ligne(nom, e), attendu);
    }

    // A kind added to the historical list: its line, and, with the newer formats turned
    // off, nothing read (its extension is not in that list).
    static void VerifierFormatAjoute(const QString &dossier)
    {
        VerifierLigne(dossier);
        QFETCH(QString, nom);
        TEnrEXIF e;
        QCOMPARE(LireEXIFFichierIssue(DossierCorpus() + dossier + nom, e, nullptr, false),
                 TIssueLecture::SansValeur);
    }

    void cameras_data() { LignesAttendues(u"cameras.tsv"_s, 20); }
    void cameras() { VerifierLigne(u"cameras/"_s); }

    // Today's formats: CR3, HEIC and HIF of several makers, a DNG, and damaged files.
    void modernes_data() { LignesAttendues(u"modern.tsv"_s, 17); }
    void modernes() { VerifierFormatAjoute(u"modern/"_s); }

    // Videos: the real files (their movie headers carry no date) and damaged ones.
    void videos_data() { LignesAttendues(u"videos.tsv"_s, 13); }
    void videos() { VerifierFormatAjoute(u"videos/"_s); }

    // The real videos with values written into copies by exiftool, where cameras and
    // phones write them; the texts expected are what exiftool reads back.
    void videosEcritesParExiftool_data()
    {
        QTest::addColumn<QString>("copie");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("attendu");
        QFile donnees(DossierDonneesTests() + u"videos-exiftool.tsv"_s);
        QVERIFY(donnees.open(QIODevice::ReadOnly));
        while (!donnees.atEnd()) {
            const QString ligne = QString::fromUtf8(donnees.readLine()).chopped(1);
            if (ligne.isEmpty() || ligne.startsWith(u'#'))
                continue;
            const QStringList champs = ligne.split(u'\t');
            QCOMPARE(champs.size(), 10);
            QTest::newRow(qPrintable(champs[0])) << champs[0] << champs[1] << champs[2].split(u" ; "_s)
                                                << QStringList{champs[0]} + champs.mid(3);
        }
    }
    void videosEcritesParExiftool()
    {
        EXIGER_CORPUS();
        const QString exiftool = QStandardPaths::findExecutable(u"exiftool"_s);
        if (exiftool.isEmpty())
            QSKIP("exiftool is not installed (Debian package libimage-exiftool-perl)");
        QFETCH(QString, copie);
        QFETCH(QString, source);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, attendu);
        QTemporaryDir dossier;
        const QString chemin = dossier.filePath(copie);
        QVERIFY(QFile::copy(DossierCorpus() + u"videos/"_s + source, chemin));
        QProcess p;
        p.start(exiftool, QStringList{u"-q"_s, u"-overwrite_original"_s} + arguments + QStringList{chemin});
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 0);
        TEnrEXIF e;
        LireEXIFFichier(chemin, e);
        QCOMPARE(Ligne(copie, e), attendu);
    }

    // A few blocks of 4 KB per file, as the file reader loads them, whatever the size:
    // the movie box of a video lies after its media data, and its tracks may spread over
    // a few blocks.
    void peuDeLectures_data()
    {
        QTest::addColumn<QString>("dossier");
        QTest::addColumn<int>("maximum");
        QTest::newRow("modern") << u"modern/"_s << 3;
        QTest::newRow("videos") << u"videos/"_s << 4;
    }
    void peuDeLectures()
    {
        EXIGER_CORPUS();
        QFETCH(QString, dossier);
        QFETCH(int, maximum);
        const QDir d(DossierCorpus() + dossier);
        for (const QString &nom : d.entryList(QDir::Files)) {
            QFile f(d.filePath(nom));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray octets = f.readAll();
            TFluxMemoire flux(octets, TFluxFichier::kTailleBloc);
            TEnrEXIF e;
            LireEXIF(flux, PositionSelonContenu(flux, PositionEXIF(nom)), e);
            QVERIFY2(flux.Chargements() <= maximum, qPrintable(nom + u": "_s + QString::number(flux.Chargements())));
        }
    }

    // Every sample, whatever it is, read as each kind of file: no crash, no hang, and the
    // same texts through the file and through memory.
    void tousLesFichiers()
    {
        EXIGER_CORPUS();
        int fichiers = 0;
        for (QDirIterator it(DossierCorpus(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QString chemin = it.next();
            QFile f(chemin);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray octets = f.readAll();
            for (qint64 position : {kPositionJPEG, qint64(0), kPositionRAF, qint64(48), kPositionISO, kPositionFilm}) {
                TEnrEXIF parFichier, enMemoire;
                const bool a = LireEXIF(chemin, position, parFichier);
                TFluxMemoire flux(octets);
                const bool b = LireEXIF(flux, position, enMemoire);
                QCOMPARE(a, b);
                QCOMPARE(Ligne(chemin, parFichier), Ligne(chemin, enMemoire));
            }
            ++fichiers;
        }
        QVERIFY(fichiers > 40);
    }

    void sansEXIF()
    {
        EXIGER_CORPUS();
        for (const QString &nom : QDir(DossierCorpus() + u"no-exif/"_s).entryList(QDir::Files)) {
            TEnrEXIF e;
            QVERIFY2(!LireEXIFFichier(DossierCorpus() + u"no-exif/"_s + nom, e), qPrintable(nom));
        }
    }

    // Four-letter .tiff: opened and read as TIFF (these scans hold no EXIF values); with
    // the newer formats off it is not an accepted kind and is not opened.
    void extensionTiff()
    {
        EXIGER_CORPUS();
        const QStringList noms = QDir(DossierCorpus() + u"tiff-extension/"_s).entryList(QDir::Files);
        QVERIFY(!noms.isEmpty());
        for (const QString &nom : noms) {
            const QString chemin = DossierCorpus() + u"tiff-extension/"_s + nom;
            TEnrEXIF e;
            e.Appareil = u"stale"_s;
            QVERIFY(!LireEXIFFichier(chemin, e));
            QVERIFY(e.Appareil.isEmpty());
            QCOMPARE(PositionEXIF(nom), 0);
            QCOMPARE(PositionEXIF(nom, false), kPositionAucune);
            QVERIFY(!LireEXIFFichier(chemin, e, false));
        }
    }

    // A camera JPEG renamed with a raw extension: read as the JPEG it is; the historical
    // reading looks for a TIFF header at byte 0, where none is.
    void extensionTrompeuse()
    {
        EXIGER_CORPUS();
        QTemporaryDir dossier;
        const QString copie = dossier.filePath(u"Nikon_D70.NEF"_s);
        QVERIFY(QFile::copy(DossierCorpus() + u"cameras/Nikon_D70.jpg"_s, copie));
        TEnrEXIF e;
        QVERIFY(LireEXIFFichier(copie, e));
        QCOMPARE(e.Appareil, u"NIKON D70"_s);
        QVERIFY(!LireEXIFFichier(copie, e, false));
        // A HEIC named .JPG, a CR3 named .CR2.
        for (const auto &[source, nom] : {std::pair{u"Stonehenge.heic"_s, u"a.JPG"_s}, {u"Canon-R6-pruned.CR3"_s, u"b.CR2"_s}}) {
            QVERIFY(QFile::copy(DossierCorpus() + u"modern/"_s + source, dossier.filePath(nom)));
            QVERIFY(LireEXIFFichier(dossier.filePath(nom), e));
            QVERIFY(!e.Appareil.isEmpty());
            QVERIFY(!LireEXIFFichier(dossier.filePath(nom), e, false));
        }
    }
};

QTEST_GUILESS_MAIN(TestCorpus)
#include "tst_corpus.moc"
