// The reader on real camera files: expected texts of each sample, and no fault on any file.
#include <QDirIterator>
#include <QFile>
#include <QLocale>
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
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void cameras_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QStringList>("attendu");
        QFile donnees(DossierDonneesTests() + u"cameras.tsv"_s);
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
        QVERIFY(lignes >= 20);
    }
    void cameras()
    {
        EXIGER_CORPUS();
        QFETCH(QString, nom);
        QFETCH(QStringList, attendu);
        const QString chemin = DossierCorpus() + u"cameras/"_s + nom;
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
            for (qint64 position : {kPositionJPEG, qint64(0), kPositionRAF, qint64(48)}) {
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

    // Four-letter .tiff is not an accepted kind: not read, even though it is TIFF.
    void extensionTiff()
    {
        EXIGER_CORPUS();
        const QStringList noms = QDir(DossierCorpus() + u"tiff-extension/"_s).entryList(QDir::Files);
        QVERIFY(!noms.isEmpty());
        for (const QString &nom : noms) {
            TEnrEXIF e;
            e.Appareil = u"stale"_s;
            QVERIFY(!LireEXIFFichier(DossierCorpus() + u"tiff-extension/"_s + nom, e));
            QVERIFY(e.Appareil.isEmpty());
        }
    }

    // A camera JPEG renamed with a raw extension is read from byte 0, where no TIFF is.
    void extensionTrompeuse()
    {
        EXIGER_CORPUS();
        QTemporaryDir dossier;
        const QString copie = dossier.filePath(u"Nikon_D70.NEF"_s);
        QVERIFY(QFile::copy(DossierCorpus() + u"cameras/Nikon_D70.jpg"_s, copie));
        TEnrEXIF e;
        QVERIFY(!LireEXIFFichier(copie, e));
    }
};

QTEST_GUILESS_MAIN(TestCorpus)
#include "tst_corpus.moc"
