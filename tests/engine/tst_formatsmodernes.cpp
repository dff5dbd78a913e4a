// A whole copy run over a card of today's cameras: CR3, HEIC, HIF, ARW, DNG and JPEG files
// side by side are all read, sorted into the hierarchy of their values and copied whole;
// the videos of the same days go into those days' folders.
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include "BancTraitement.h"
#include "ConstructeurEXIF.h"
#include "ConstructeurFilm.h"
#include "Corpus.h"
#include "Fichiers.h"
#include "metadata/Nombres.h"

using namespace Qt::StringLiterals;

namespace {

TValeursEXIF Valeurs(const QByteArray &modele, quint32 focale, quint16 iso)
{
    TValeursEXIF v;
    v.modele = modele;
    v.focaleNum = focale;
    v.iso = iso;
    return v;
}

// A card's folder DCIM/, read recursively, sorted by camera, focal length and ISO.
void Preparer(TBanc &b)
{
    b.src = b.tmp.path() + u"/DCIM/"_s;
    QDir().mkpath(b.src);
    b.options.options.cDossSrc = b.src;
    b.options.options.lLectRecurs = true;
    b.options.options.cOrdreDonEXIF = u"AFvdpI"_s; // camera, focal length, ISO
    b.retour.reponses = {true};
}

} // namespace

class TestFormatsModernes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    // Built files of each kind, in two folders of the card; with lFormatsEtendus=0 the
    // historical reading: the nine extensions, each read by its extension alone.
    void carteMelangee_data()
    {
        QTest::addColumn<bool>("etendus");
        QTest::newRow("every kind") << true;
        QTest::newRow("historical list") << false;
    }
    void carteMelangee()
    {
        QFETCH(bool, etendus);
        TBanc b;
        Preparer(b);
        b.options.options.lFormatsEtendus = etendus;
        QVERIFY(EcrireFichier(b.src + u"100CANON/IMG_0001.CR3"_s, CR3AvecValeurs(Valeurs("Canon EOS R6", 50, 100))));
        QVERIFY(EcrireFichier(b.src + u"100CANON/IMG_0002.JPG"_s,
                              JPEGAvecTIFF(TIFFAvecValeurs(Valeurs("Canon EOS R6", 50, 100)))));
        QVERIFY(EcrireFichier(b.src + u"100CANON/IMG_0002.HIF"_s,
                              HEIFAvecTIFF(TIFFAvecValeurs(Valeurs("Canon EOS R6", 85, 400), true))));
        QVERIFY(EcrireFichier(b.src + u"101MSDCF/DSC00001.ARW"_s, TIFFAvecValeurs(Valeurs("ILCE-7M4", 35, 800))));
        TOptionsHEIF morceaux;
        morceaux.morceaux = 3;
        QVERIFY(EcrireFichier(b.src + u"iPhone/IMG_4242.HEIC"_s,
                              HEIFAvecTIFF(TIFFAvecValeurs(Valeurs("iPhone 15", 6, 50), true), morceaux)));
        QVERIFY(EcrireFichier(b.src + u"iPhone/IMG_4243.dng"_s, TIFFAvecValeurs(Valeurs("iPhone 15", 6, 50), true)));
        QVERIFY(EcrireFichier(b.src + u"iPhone/notes.txt"_s, "pas une image"));
        // A JPEG under a raw's name: read as what it is, or (historical) as a TIFF, which
        // it is not.
        QVERIFY(EcrireFichier(b.src + u"100NIKON/DSC_0001.NEF"_s,
                              JPEGAvecTIFF(TIFFAvecValeurs(Valeurs("NIKON D850", 24, 64)))));
        const QStringList sources = Fichiers(b.src);

        b.Lancer(true);
        if (!etendus) {
            QCOMPARE(b.retour.Appels(u"Confirmer"_s),
                     QStringList{u"Confirmer: Traiter les 2 Images (%1) ?"_s.arg(TailleEnTexte(
                         QFileInfo(b.src + u"100CANON/IMG_0002.JPG"_s).size()
                         + QFileInfo(b.src + u"100NIKON/DSC_0001.NEF"_s).size()))});
            QCOMPARE(Fichiers(b.dst), QStringList{u"Canon EOS R6/50 mm/100 iso/IMG_0002.JPG"_s});
            // What the historical reading does not take stays, named.
            QString lignes = u"Aucune donnée EXIF lisible pour "_s + b.src + u"100NIKON/DSC_0001.NEF\r\n"_s;
            for (const QString &nom : {u"100CANON/IMG_0001.CR3"_s, u"100CANON/IMG_0002.HIF"_s,
                                       u"101MSDCF/DSC00001.ARW"_s, u"iPhone/IMG_4242.HEIC"_s,
                                       u"iPhone/IMG_4243.dng"_s, u"iPhone/notes.txt"_s})
                lignes += u"Non copié (ni image ni fichier associé) : "_s + b.src + nom + u"\r\n"_s;
            QCOMPARE(LireFichier(b.Journal()), lignes.toUtf8());
            QCOMPARE(Fichiers(b.src), sources);
            return;
        }
        QCOMPARE(b.retour.Appels(u"Confirmer"_s).size(), 1);
        QVERIFY2(b.retour.Appels(u"Confirmer"_s).first().startsWith(u"Confirmer: Traiter les 7 Images"_s),
                 qPrintable(b.retour.appels.join(u'\n')));
        QVERIFY2(b.retour.Appels(u"Information"_s).value(0).startsWith(u"Information: 7 images traitées"_s),
                 qPrintable(b.retour.appels.join(u'\n')));
        QCOMPARE(Fichiers(b.dst), (QStringList{
            u"Canon EOS R6/50 mm/100 iso/IMG_0001.CR3"_s,
            u"Canon EOS R6/50 mm/100 iso/IMG_0002.JPG"_s,
            u"Canon EOS R6/85 mm/400 iso/IMG_0002.HIF"_s,
            u"ILCE-7M4/35 mm/800 iso/DSC00001.ARW"_s,
            u"NIKON D850/24 mm/64 iso/DSC_0001.NEF"_s,
            u"iPhone 15/6 mm/50 iso/IMG_4242.HEIC"_s,
            u"iPhone 15/6 mm/50 iso/IMG_4243.dng"_s,
        }));
        // Copied whole, sources untouched, no error.
        QCOMPARE(LireFichier(b.dst + u"iPhone 15/6 mm/50 iso/IMG_4242.HEIC"_s),
                 LireFichier(b.src + u"iPhone/IMG_4242.HEIC"_s));
        QCOMPARE(LireFichier(b.dst + u"Canon EOS R6/50 mm/100 iso/IMG_0001.CR3"_s),
                 LireFichier(b.src + u"100CANON/IMG_0001.CR3"_s));
        QCOMPARE(Fichiers(b.src), sources);
        QCOMPARE(LireFichier(b.Journal()),
                 (u"Non copié (ni image ni fichier associé) : "_s + b.src + u"iPhone/notes.txt\r\n"_s).toUtf8());
    }

    // Photographs and videos of two days, sorted by date (year/month/day folders): each
    // video goes into the day its camera's clock showed, whatever the file says it from.
    // With lFormatsEtendus=0 the videos are not images: only the JPEGs are counted.
    void deuxJours_data()
    {
        QTest::addColumn<bool>("etendus");
        QTest::newRow("every kind") << true;
        QTest::newRow("historical list") << false;
    }
    void deuxJours()
    {
        QFETCH(bool, etendus);
        TBanc b;
        Preparer(b);
        b.options.options.lFormatsEtendus = etendus;
        b.options.options.cOrdreDonEXIF = u"afvdPi"_s;
        b.options.options.nCFDatePDVC = 7;   // year, month, day
        b.options.options.nCFDatePDVF = 125; // yyyy, mm, dd
        b.options.options.lDatePDVHierCompoSiCopie = true;
        TValeursEXIF jour1 = Valeurs("Canon EOS R5", 24, 800);
        jour1.date = "2024:08:02 09:15:00";
        TValeursEXIF jour2 = jour1;
        jour2.date = "2024:08:03 16:05:00";
        QVERIFY(EcrireFichier(b.src + u"100CANON/IMG_0001.JPG"_s, JPEGAvecTIFF(TIFFAvecValeurs(jour1))));
        TOptionsFilm canon;
        canon.cmt1 = TIFFModele(jour1);
        canon.cmt2 = TIFFExifSeul(jour1);
        canon.creation = Secondes1904(2024, 8, 3, 7, 0, 0); // the Canon box comes first
        canon.moovApresMdat = true;
        QVERIFY(EcrireFichier(b.src + u"100CANON/MVI_0002.MP4"_s, FilmAvecValeurs(canon)));
        QVERIFY(EcrireFichier(b.src + u"100CANON/IMG_0003.JPG"_s, JPEGAvecTIFF(TIFFAvecValeurs(jour2))));
        // A phone: keys, the day before the offset (22:30 UTC on the 2nd was the 3rd in Paris).
        TOptionsFilm iphone;
        iphone.marque = "qt  ";
        iphone.cles = {{"com.apple.quicktime.model", "iPhone 15 Pro"},
                       {"com.apple.quicktime.creationdate", "2024-08-03T00:30:00+0200"}};
        iphone.creation = Secondes1904(2024, 8, 2, 22, 30, 0);
        QVERIFY(EcrireFichier(b.src + u"iPhone/IMG_4242.MOV"_s, FilmAvecValeurs(iphone)));
        iphone.cles[1].second = "2024-08-02T19:00:00+0200";
        QVERIFY(EcrireFichier(b.src + u"iPhone/IMG_4243.mov"_s, FilmAvecValeurs(iphone)));
        TOptionsFilm ancien;
        ancien.marque = "3gp4";
        ancien.modele = "SGH-E250";
        ancien.date = "2024-08-03T11:11:11+0100";
        QVERIFY(EcrireFichier(b.src + u"Tel/VID_0001.3gp"_s, FilmAvecValeurs(ancien)));
        // A Sony clip: its values in the XML file beside it; another with its header's
        // time alone (noon UTC: the same day in any time zone).
        TOptionsFilm sony;
        sony.marque = "XAVC";
        sony.creation = Secondes1904(2024, 8, 2, 12, 0, 0);
        QVERIFY(EcrireFichier(b.src + u"PRIVATE/M4ROOT/CLIP/C0001.MP4"_s, FilmAvecValeurs(sony)));
        QVERIFY(EcrireFichier(b.src + u"PRIVATE/M4ROOT/CLIP/C0001M01.XML"_s,
                              XMLSony("ILCE-7M4", "2024-08-03T08:00:00+02:00")));
        QVERIFY(EcrireFichier(b.src + u"PRIVATE/M4ROOT/CLIP/C0002.MP4"_s, FilmAvecValeurs(sony)));
        const QStringList sources = Fichiers(b.src);

        b.Lancer(true);
        QCOMPARE(b.retour.Appels(u"Confirmer"_s).size(), 1);
        if (!etendus) {
            QVERIFY(b.retour.Appels(u"Confirmer"_s).first().startsWith(u"Confirmer: Traiter les 2 Images"_s));
            QCOMPARE(Fichiers(b.dst), (QStringList{u"2024/08/02/IMG_0001.JPG"_s, u"2024/08/03/IMG_0003.JPG"_s}));
            QCOMPARE(Fichiers(b.src), sources);
            return;
        }
        QVERIFY2(b.retour.Appels(u"Confirmer"_s).first().startsWith(u"Confirmer: Traiter les 8 Images"_s),
                 qPrintable(b.retour.appels.join(u'\n')));
        QCOMPARE(Fichiers(b.dst), (QStringList{
            u"2024/08/02/C0002.MP4"_s,
            u"2024/08/02/IMG_0001.JPG"_s,
            u"2024/08/02/IMG_4243.mov"_s,
            u"2024/08/02/MVI_0002.MP4"_s,
            u"2024/08/03/C0001.MP4"_s,
            u"2024/08/03/C0001M01.XML"_s, // travels with its clip
            u"2024/08/03/IMG_0003.JPG"_s,
            u"2024/08/03/IMG_4242.MOV"_s,
            u"2024/08/03/VID_0001.3gp"_s,
        }));
        QCOMPARE(LireFichier(b.dst + u"2024/08/03/IMG_4242.MOV"_s), LireFichier(b.src + u"iPhone/IMG_4242.MOV"_s));
        QCOMPARE(Fichiers(b.src), sources);
        QCOMPARE(LireFichier(b.Journal()), QByteArray());
    }

    // The real files of today's cameras that hold values.
    void corpus()
    {
        EXIGER_CORPUS();
        TBanc b;
        Preparer(b);
        const QString modern = DossierCorpus() + u"modern/"_s;
        for (const QString &nom : {u"Canon-R6-pruned.CR3"_s, u"Stonehenge.heic"_s, u"Sony.HIF"_s, u"IMG_1361.dng"_s})
            QVERIFY(QFile::copy(modern + nom, b.src + nom));
        QVERIFY(QFile::copy(DossierCorpus() + u"cameras/Canon_40D.jpg"_s, b.src + u"Canon_40D.jpg"_s));
        b.Lancer(true);
        QCOMPARE(Fichiers(b.dst), (QStringList{
            u"Canon EOS 40D/135 mm/100 iso/Canon_40D.jpg"_s,
            u"Canon EOS R6/200 mm/100 iso/Canon-R6-pruned.CR3"_s,
            u"ILCE-1/35 mm/100 iso/Sony.HIF"_s,
            u"NIKON D5300/44 mm/200 iso/Stonehenge.heic"_s,
            u"iPhone 12 Pro/4,20 mm/32 iso/IMG_1361.dng"_s,
        }));
        QCOMPARE(LireFichier(b.dst + u"ILCE-1/35 mm/100 iso/Sony.HIF"_s), LireFichier(modern + u"Sony.HIF"_s));
    }
};

QTEST_GUILESS_MAIN(TestFormatsModernes)
#include "tst_formatsmodernes.moc"
