// The EXIF reader on files built here: containers, byte orders, IFD walks, faults.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "ConstructeurEXIF.h"
#include "metadata/FluxOctets.h"
#include "metadata/LireEXIF.h"

using namespace Qt::StringLiterals;

namespace {

// The six texts and Valide on one line, for readable comparisons.
QString Resume(const TEnrEXIF &e)
{
    return QStringList{e.Valide ? u"1"_s : u"0"_s, e.Appareil, e.Focale, e.Vitesse, e.Diaphragme,
                       e.DatePDV, e.ISO}
        .join(u'|');
}

const QString kValeursType = u"1|Canon EOS 300D|50|1/125°|5,6|21/05/2006|100"_s;

} // namespace

class TestLireEXIF : public QObject {
    Q_OBJECT

    QTemporaryDir m_dossier;

    // Writes the bytes under `nom` in this test's folder and reads them as a file.
    TEnrEXIF Lire(const QString &nom, const QByteArray &octets)
    {
        const QString chemin = m_dossier.filePath(nom);
        QFile::remove(chemin);
        if (!EcrireFichier(chemin, octets))
            qFatal("cannot write %s", qPrintable(chemin));
        TEnrEXIF enr;
        enr.Appareil = u"stale"_s; // must be emptied
        enr.ISO = u"stale"_s;
        enr.Valide = true;
        LireEXIFFichier(chemin, enr);
        return enr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        QVERIFY(m_dossier.isValid());
    }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void genres_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<bool>("grosBoutiste");
        for (bool mm : {false, true}) {
            const char *ordre = mm ? "MM" : "II";
            QTest::addRow("%s jpeg", ordre) << u"a.jpg"_s << mm;
            QTest::addRow("%s JPEG", ordre) << u"b.JPEG"_s << mm;
            QTest::addRow("%s jpeg without APP0", ordre) << u"c.jpg"_s << mm;
            for (const char *ext : {"tif", "CR2", "nef", "ORF", "pef"})
                QTest::addRow("%s %s", ordre, ext) << u"d."_s + QLatin1StringView(ext) << mm;
            QTest::addRow("%s raf at 120", ordre) << u"e.raf"_s << mm;
            QTest::addRow("%s raf through JPEG at 148", ordre) << u"f.RAF"_s << mm;
            QTest::addRow("%s raf through JPEG at 108", ordre) << u"g.RAF"_s << mm;
            QTest::addRow("%s mrw at 48", ordre) << u"h.MRW"_s << mm;
        }
    }
    // Each container, in either byte order, gives the same texts.
    void genres()
    {
        QFETCH(QString, nom);
        QFETCH(bool, grosBoutiste);
        const QByteArray tiff = TIFFAvecValeurs(TValeursEXIF(), grosBoutiste);
        QByteArray octets;
        if (nom.startsWith(u'a') || nom.startsWith(u'b'))
            octets = JPEGAvecTIFF(tiff, true);
        else if (nom.startsWith(u'c'))
            octets = JPEGAvecTIFF(tiff, false);
        else if (nom.startsWith(u'd'))
            octets = tiff;
        else if (nom.startsWith(u'e'))
            octets = RAFAvecTIFF(tiff, 0);
        else if (nom.startsWith(u'f'))
            octets = RAFAvecTIFF(tiff, 148);
        else if (nom.startsWith(u'g'))
            octets = RAFAvecTIFF(tiff, 108);
        else
            octets = TIFFALaPosition(tiff, 48);
        QCOMPARE(Resume(Lire(nom, octets)), kValeursType);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        QCOMPARE(Resume(Lire(nom, octets)), u"1|Canon EOS 300D|50|1/125°|5.6|21/05/2006|100"_s);
    }

    void rafPositions()
    {
        const QByteArray tiff = TIFFAvecValeurs(TValeursEXIF());
        // The header at 120 only when the embedded JPEG holds no Exif TIFF header.
        QByteArray raf = RAFAvecTIFF(tiff, 0);
        raf.replace(84, 4, QByteArray("\0\0\0\x78", 4)); // "JPEG" at 120: the TIFF itself
        QCOMPARE(Resume(Lire(u"a.raf"_s, raf)), kValeursType);
        raf.replace(84, 4, QByteArray("\x7F\xFF\xFF\xFF", 4)); // beyond the file
        QCOMPARE(Resume(Lire(u"b.raf"_s, raf)), kValeursType);
        // A JPEG whose APP1 is not Exif: back to 120, where nothing is.
        QByteArray sansExif = RAFAvecTIFF(tiff, 148);
        sansExif.replace(148 + 6, 4, "Exiv");
        QCOMPARE(Resume(Lire(u"c.raf"_s, sansExif)).left(1), u"0"_s);
        // A RAF too short to hold the offset.
        QCOMPARE(Resume(Lire(u"d.raf"_s, raf.left(60))).left(1), u"0"_s);
        // The TIFF base is the embedded header's: its offsets do not count from 120.
        QByteArray decale = RAFAvecTIFF(tiff, 148);
        QCOMPARE(Resume(Lire(u"e.raf"_s, decale)), kValeursType);
    }

    void extensions_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<bool>("jpeg");
        QTest::addColumn<qint64>("position");
        QTest::newRow("jpg") << u"a.jpg"_s << true << kPositionJPEG;
        QTest::newRow("JpEg") << u"a.JpEg"_s << true << kPositionJPEG;
        QTest::newRow("path") << u"/x/y.z/IMG_1.JPG"_s << true << kPositionJPEG;
        QTest::newRow("folder with dot") << u"/x/y.jpg/IMG"_s << false << kPositionAucune;
        QTest::newRow("no dot") << u"JPG"_s << false << kPositionAucune;
        QTest::newRow("ends with dot") << u"a."_s << false << kPositionAucune;
        QTest::newRow("jpe") << u"a.jpe"_s << false << kPositionAucune;
        QTest::newRow("jpg.bak") << u"a.jpg.bak"_s << false << kPositionAucune;
        QTest::newRow("tif") << u"a.tif"_s << false << qint64(0);
        QTest::newRow("tiff") << u"a.tiff"_s << false << qint64(0);
        QTest::newRow("cr3") << u"a.cr3"_s << false << kPositionISO;
        QTest::newRow("heic") << u"a.Heic"_s << false << kPositionISO;
        QTest::newRow("dotless i") << u"a.t\u0131f"_s << false << qint64(0); // upper-cases to TIF
        QTest::newRow("nef") << u"a.nef"_s << false << qint64(0);
        QTest::newRow("raf") << u"a.Raf"_s << false << kPositionRAF;
        QTest::newRow("mrw") << u"a.mrw"_s << false << qint64(48);
        QTest::newRow("bmp") << u"a.bmp"_s << false << kPositionAucune;
    }
    void extensions()
    {
        QFETCH(QString, nom);
        QFETCH(bool, jpeg);
        QFETCH(qint64, position);
        QCOMPARE(EstJPEG(nom), jpeg);
        QCOMPARE(PositionEXIF(nom), position);
        // The historical reading knows neither .tiff nor today's formats.
        const bool nouveau = position == kPositionISO || nom.endsWith(u"tiff"_s);
        QCOMPARE(PositionEXIF(nom, false), nouveau ? kPositionAucune : position);
    }

    void autresExtensionsNonLues()
    {
        const QByteArray jpeg = JPEGAvecTIFF(TIFFAvecValeurs(TValeursEXIF()));
        for (const QString &nom : {u"a.bmp"_s, u"a.png"_s, u"a.gif"_s, u"sans_extension"_s}) {
            const TEnrEXIF e = Lire(nom, jpeg);
            QCOMPARE(Resume(e), u"0||||||"_s);
        }
    }

    void segmentsJPEG()
    {
        const QByteArray tiff = TIFFAvecValeurs(TValeursEXIF());
        const QByteArray app1 = JPEGAvecTIFF(tiff, false).mid(2);
        const QByteArray soi("\xFF\xD8", 2);
        const QByteArray app1Xmp = QByteArray("\xFF\xE1\x00\x1F", 4) + QByteArray("http://ns.adobe.com/xap/1.0/\0", 29);
        const QByteArray com = QByteArray("\xFF\xFE\x00\x06" "abcd", 8);

        QCOMPARE(Resume(Lire(u"a.jpg"_s, soi + com + app1)), kValeursType);
        // Only the first APP1 is looked at.
        QCOMPARE(Resume(Lire(u"b.jpg"_s, soi + app1Xmp + app1)).left(1), u"0"_s);
        // A byte other than 0xFF where a marker should stand.
        QCOMPARE(Resume(Lire(u"c.jpg"_s, soi + QByteArray("\x00\xFF", 2) + app1)).left(1), u"0"_s);
        // The first two bytes are not examined.
        QCOMPARE(Resume(Lire(u"d.jpg"_s, QByteArray("XY") + app1)), kValeursType);
        // A segment length of 0 makes the walk read its own length field: not a marker.
        QCOMPARE(Resume(Lire(u"e.jpg"_s, soi + QByteArray("\xFF\xE0\x00\x00", 4) + app1)).left(1), u"0"_s);
        // Not Exif, and a file ending inside the walk.
        QByteArray pasExif = soi + app1;
        pasExif.replace(6, 4, "exif");
        QCOMPARE(Resume(Lire(u"f.jpg"_s, pasExif)).left(1), u"0"_s);
        QCOMPARE(Resume(Lire(u"g.jpg"_s, soi + com.left(6))).left(1), u"0"_s);
        QCOMPARE(Resume(Lire(u"h.jpg"_s, JPEGSansEXIF())).left(1), u"0"_s);
        QCOMPARE(Resume(Lire(u"i.jpg"_s, QByteArray())).left(1), u"0"_s);
    }

    void chercherAPP1()
    {
        const QByteArray octets = QByteArray("\xFF\xD8\xFF\xE0\x00\x04zz\xFF\xE1", 10);
        TFluxMemoire flux(octets);
        qint64 position = -1;
        QVERIFY(ChercherAPP1(flux, 0, position));
        QCOMPARE(position, 10);
        QVERIFY(!ChercherAPP1(flux, 2, position)); // starts on "\xE0\x00": not a marker
    }

    void enteteTIFF()
    {
        TValeursEXIF v;
        TConstructeurTIFF c(false);
        QByteArray tiff = TIFFAvecValeurs(v);
        tiff.replace(2, 2, QByteArray("\x2B\x00", 2)); // 43, as ORF files have "RO"
        QCOMPARE(Resume(Lire(u"a.orf"_s, tiff)), kValeursType);
        tiff.replace(2, 2, "RS");
        QCOMPARE(Resume(Lire(u"b.orf"_s, tiff)), kValeursType);
        tiff.replace(0, 2, "IM");
        QCOMPARE(Resume(Lire(u"c.orf"_s, tiff)), u"0||||||"_s);
        tiff.replace(0, 2, "mm");
        QCOMPARE(Resume(Lire(u"d.orf"_s, JPEGAvecTIFF(tiff))), u"0||||||"_s);
        // IFD0 beyond the end of the file; a negative offset.
        QByteArray loin = TIFFAvecValeurs(v);
        loin.replace(4, 4, QByteArray("\x00\x00\x01\x00", 4));
        QCOMPARE(Resume(Lire(u"e.tif"_s, loin)), u"0||||||"_s);
        loin.replace(4, 4, QByteArray("\xF8\xFF\xFF\xFF", 4));
        QCOMPARE(Resume(Lire(u"f.tif"_s, loin)), u"0||||||"_s);
    }

    // A file cut anywhere inside the Exif IFD keeps the values of the entries before the cut.
    void fichierCoupe_data()
    {
        QTest::addColumn<int>("entreesEntieres");
        QTest::addColumn<int>("octetsEnPlus");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("before the count") << 0 << -1 << u"1|D70|||||"_s;
        QTest::newRow("no entry") << 0 << 0 << u"1|D70|||||"_s;
        QTest::newRow("in the 1st entry") << 0 << 7 << u"1|D70|||||"_s;
        QTest::newRow("after the 1st") << 1 << 0 << u"1|D70||1/125°|||"_s;
        QTest::newRow("in the 3rd") << 2 << 11 << u"1|D70||1/125°|5,6||"_s;
        QTest::newRow("after the 4th") << 4 << 0 << u"1|D70||1/125°|5,6|21/05/2006|100"_s;
    }
    void fichierCoupe()
    {
        QFETCH(int, entreesEntieres);
        QFETCH(int, octetsEnPlus);
        QFETCH(QString, attendu);
        for (bool mm : {false, true}) {
            TConstructeurTIFF c(mm);
            c.AjouterIFD0(c.Texte(kTagModel, "D70"));
            c.AjouterExif(c.Rationnel(kTagExposureTime, 1, 125));
            c.AjouterExif(c.Rationnel(kTagFNumber, 56, 10));
            c.AjouterExif(c.Texte(kTagDateTimeOriginal, "2006:05:21 10:20:30"));
            c.AjouterExif(c.Short(kTagISOSpeedRatings, 100));
            c.AjouterExif(c.Rationnel(kTagFocalLength, 50, 1));
            const QByteArray tiff = c.ConstruireIFDEnFin();
            const int debutExif = int(tiff.size()) - (2 + 12 * 5 + 4);
            const QByteArray coupe = tiff.left(debutExif + 2 + 12 * entreesEntieres + octetsEnPlus);
            QCOMPARE(Resume(Lire(u"a.nef"_s, coupe)), attendu);
            QCOMPARE(Resume(Lire(u"b.nef"_s, tiff)), u"1|D70|50|1/125°|5,6|21/05/2006|100"_s);
        }
    }

    void memeTagDeuxFois()
    {
        for (bool mm : {false, true}) {
            TConstructeurTIFF c(mm);
            c.AjouterIFD0(c.Rationnel(kTagFNumber, 28, 10));
            c.AjouterIFD0(c.Rationnel(kTagFocalLength, 35, 1));
            c.AjouterIFD0(c.Texte(kTagModel, "First"));
            c.AjouterExif(c.Rationnel(kTagFNumber, 8, 1));  // usable: wins
            c.AjouterExif(c.Rationnel(kTagFocalLength, 0, 0)); // unusable: keeps 35
            c.AjouterExif(c.Texte(kTagModel, "   "));          // a camera text always replaces
            c.AjouterExif(c.Texte(kTagDateTimeOriginal, "2006:05:21 10:20:30"));
            c.AjouterExif(c.Texte(kTagDateTimeOriginal, "2006:05:21"));
            QCOMPARE(Resume(Lire(u"a.tif"_s, c.Construire())), u"1||35||8|21/05/2006|"_s);
        }
    }

    void noteNikon_data()
    {
        QTest::addColumn<bool>("grosBoutiste");
        QTest::addColumn<bool>("noteGrosBoutiste");
        QTest::newRow("II, note II") << false << false;
        QTest::newRow("II, note MM") << false << true;
        QTest::newRow("MM, note II") << true << false;
        QTest::newRow("MM, note MM") << true << true;
    }
    void noteNikon()
    {
        QFETCH(bool, grosBoutiste);
        QFETCH(bool, noteGrosBoutiste);
        TConstructeurTIFF c(grosBoutiste);
        c.AjouterIFD0(c.Texte(kTagModel, "NIKON D70"));
        c.AjouterNoteNikon(400, noteGrosBoutiste);
        QCOMPARE(Resume(Lire(u"a.nef"_s, c.Construire())), u"1|NIKON D70|||||400"_s);
        QCOMPARE(Resume(Lire(u"a.jpg"_s, JPEGAvecTIFF(c.Construire()))), u"1|NIKON D70|||||400"_s);
        // With ISOSpeedRatings, the maker note is not read, wherever the tag stands.
        TConstructeurTIFF avecISO = c;
        avecISO.AjouterExif(c.Short(kTagISOSpeedRatings, 200));
        QCOMPARE(Resume(Lire(u"b.nef"_s, avecISO.Construire())), u"1|NIKON D70|||||200"_s);
        TConstructeurTIFF isoAvant(grosBoutiste);
        isoAvant.AjouterIFD0(c.Short(kTagISOSpeedRatings, 0));
        isoAvant.AjouterNoteNikon(400, noteGrosBoutiste);
        QCOMPARE(Resume(Lire(u"c.nef"_s, isoAvant.Construire())), u"1||||||0"_s);
    }

    void notesAutres()
    {
        TConstructeurTIFF c(false);
        c.AjouterIFD0(c.Texte(kTagModel, "X"));
        c.AjouterExif(c.Indefini(kTagMakerNote, QByteArray("Nikon\0\x02\x10\0\0II*\0\x08\0\0\0\x01\0\x02\0\x03\0\x02\0\0\0\0\0\x90\x01", 32)));
        QCOMPARE(Resume(Lire(u"a.nef"_s, c.Construire())), u"1|X|||||400"_s);

        TConstructeurTIFF canon(false);
        canon.AjouterIFD0(c.Texte(kTagModel, "X"));
        canon.AjouterExif(c.Indefini(kTagMakerNote, QByteArray("\x01\0\x02\0\x03\0\x02\0\0\0\0\0\x90\x01\0\0", 16)));
        QCOMPARE(Resume(Lire(u"b.cr2"_s, canon.Construire())), u"1|X|||||"_s);

        // A Nikon note without tag 2, and one cut before its entries: no ISO, texts kept.
        TConstructeurTIFF sans(true);
        sans.AjouterIFD0(sans.Texte(kTagModel, "X"));
        sans.AjouterExif(sans.Indefini(kTagMakerNote, QByteArray("Nikon\0\x02\x10\0\0MM\0*\0\0\0\x08\0\x01\0\x01\0\x07\0\0\0\x04" "0210", 32)));
        QCOMPARE(Resume(Lire(u"c.nef"_s, sans.Construire())), u"1|X|||||"_s);
        TConstructeurTIFF coupee(false);
        coupee.AjouterIFD0(coupee.Texte(kTagModel, "X"));
        coupee.AjouterExif(coupee.Brute(kTagMakerNote, 7, 40, 0x7FFFFFF0));
        QCOMPARE(Resume(Lire(u"d.nef"_s, coupee.Construire())), u"1|X|||||"_s);
    }

    void typesEtTailles()
    {
        for (bool mm : {false, true}) {
            TConstructeurTIFF c(mm);
            TEntreeTIFF modele = c.Texte(kTagModel, "Hidden");
            modele.type = 13; // outside 1..12: passed over
            c.AjouterIFD0(modele);
            TEntreeTIFF zero = c.Rationnel(kTagFocalLength, 50, 1);
            zero.type = 0;
            c.AjouterIFD0(zero);
            c.AjouterExif(c.Brute(kTagFNumber, 5, 0, 0));          // no data: passed over
            c.AjouterExif(c.Brute(kTagExposureTime, 3, 2, 0x00010002)); // 4 bytes: passed over
            TEntreeTIFF longs = c.Rationnel(kTagFocalLength, 24, 1);
            longs.type = 4; // two LONGs are 8 bytes: read as a rational
            longs.nombre = 2;
            c.AjouterExif(longs);
            c.AjouterExif(c.Rationnel(kTagDateTimeOriginal, 1, 2)); // 8 bytes, not 19
            // ISO given as a LONG: the first two bytes of the value field
            c.AjouterExif({kTagISOSpeedRatings, 4, 1, c.Long(mm ? 0x00C80000 : 0x000000C8), {}});
            QCOMPARE(Resume(Lire(u"a.tif"_s, c.Construire())), u"1||24||||200"_s);
        }
    }

    void rationnelsRejetes()
    {
        for (bool mm : {false, true}) {
            TConstructeurTIFF c(mm);
            c.AjouterIFD0(c.Rationnel(kTagFocalLength, 0, 1));
            c.AjouterIFD0(c.Rationnel(kTagExposureTime, 0xFFFFFFFF, 125)); // -1
            c.AjouterIFD0(c.Rationnel(kTagFNumber, 56, 0x80000000));       // -2^31
            QCOMPARE(Resume(Lire(u"a.tif"_s, c.Construire())), u"0||||||"_s);
        }
    }

    void textesCourtsDansLeChamp()
    {
        for (bool mm : {false, true}) {
            TConstructeurTIFF c(mm);
            c.AjouterIFD0(c.Texte(kTagModel, "D70")); // 4 bytes with its zero
            QCOMPARE(Resume(Lire(u"a.tif"_s, c.Construire())), u"1|D70|||||"_s);
            TConstructeurTIFF d(mm);
            d.AjouterIFD0(d.Texte(kTagModel, "E-M1", false)); // 4 bytes, no zero
            QCOMPARE(Resume(Lire(u"b.tif"_s, d.Construire())), u"1|E-M1|||||"_s);
            TConstructeurTIFF e(mm);
            e.AjouterIFD0(e.Brute(kTagModel, 2, 2, mm ? 0x41424344 : 0x44434241)); // "AB" of "ABCD"
            QCOMPARE(Resume(Lire(u"c.tif"_s, e.Construire())), u"1|AB|||||"_s);
        }
    }

    void textes()
    {
        TConstructeurTIFF c(false);
        c.AjouterIFD0(c.Texte(kTagModel, "      "));
        QCOMPARE(Resume(Lire(u"a.tif"_s, c.Construire())), u"0||||||"_s);
        TConstructeurTIFF d(false);
        d.AjouterIFD0(d.Texte(kTagModel, "Appareil \xE9t\xE9 \x80", false));
        d.AjouterExif(d.Texte(kTagDateTimeOriginal, "2006:05:21 10:20:30\0tail"));
        QCOMPARE(Resume(Lire(u"b.tif"_s, d.Construire())), u"1|Appareil été €||||21/05/2006|"_s);
        TConstructeurTIFF u(true);
        u.AjouterIFD0(u.Texte(kTagModel, "Cr\xC3\xA9mieux \xE2\x80\x93 1"));
        u.AjouterExif(u.Texte(kTagDateTimeOriginal, "2006:05:21 10:20"));
        QCOMPARE(Resume(Lire(u"c.tif"_s, u.Construire())), u"1|Crémieux – 1|||||"_s);
    }

    void isoLong()
    {
        for (bool mm : {false, true}) {
            TConstructeurTIFF c(mm);
            // Three SHORTs: the first, at the data's offset.
            c.AjouterExif({kTagISOSpeedRatings, 3, 3, c.Court(800) + c.Court(1600) + c.Court(3200), {}});
            QCOMPARE(Resume(Lire(u"a.tif"_s, c.Construire())), u"1||||||800"_s);
        }
    }

    // Counts and offsets that point outside the file end the reading, without reading or
    // allocating what is not there; the texts read before stay.
    void donneesHorsDuFichier()
    {
        for (bool mm : {false, true}) {
            TConstructeurTIFF c(mm);
            c.AjouterIFD0(c.Texte(kTagModel, "Before"));
            c.AjouterIFD0(c.Brute(kTagModel, 2, 0xFFFFFFFF, 8));        // 4 GB of text
            c.AjouterIFD0(c.Rationnel(kTagFocalLength, 50, 1));          // not reached
            QCOMPARE(Resume(Lire(u"a.tif"_s, c.Construire())), u"1|Before|||||"_s);

            TConstructeurTIFF r(mm);
            r.AjouterIFD0(r.Texte(kTagModel, "Before"));
            r.AjouterIFD0(r.Brute(kTagFNumber, 12, 0x20000000, 8)); // 4 GB of doubles
            r.AjouterIFD0(r.Short(kTagISOSpeedRatings, 100));
            QCOMPARE(Resume(Lire(u"b.tif"_s, r.Construire())), u"1|Before|||||"_s);

            TConstructeurTIFF n(mm);
            n.AjouterIFD0(n.Short(kTagISOSpeedRatings, 100));
            n.AjouterIFD0(n.Brute(kTagExposureTime, 5, 1, 0xFFFFFFF0)); // offset -16
            n.AjouterIFD0(n.Texte(kTagModel, "After"));
            QCOMPARE(Resume(Lire(u"c.tif"_s, n.Construire())), u"1||||||100"_s);

            TConstructeurTIFF x(mm);
            x.AjouterIFD0(x.Texte(kTagModel, "Only"));
            x.AjouterIFD0(x.Brute(kTagExifIFD, 4, 1, 0x00100000));
            QCOMPARE(Resume(Lire(u"d.tif"_s, x.Construire())), u"1|Only|||||"_s);

            // 65535 entries announced, a few present.
            QByteArray tiff = TIFFAvecValeurs(TValeursEXIF(), mm);
            tiff.replace(8, 2, QByteArray("\xFF\xFF", 2));
            const TEnrEXIF e = Lire(u"e.tif"_s, tiff);
            QVERIFY(e.Valide);
            QCOMPARE(e.Appareil, u"Canon EOS 300D"_s);
        }
    }

    // 65535 entries that all point at the same megabyte of text without a zero byte: the
    // reading stops after a few of them instead of examining 64 GB.
    void textesRepetes()
    {
        TConstructeurTIFF c(false);
        QByteArray tiff = QByteArray("II*\0", 4) + c.Long(8);
        tiff += c.Court(0xFFFF);
        const quint32 debutTexte = 8 + 2 + 12 * 0xFFFF + 4;
        for (int i = 0; i < 0xFFFF - 1; ++i)
            tiff += c.Court(kTagModel) + c.Court(2) + c.Long(1 << 20) + c.Long(debutTexte);
        tiff += c.Court(kTagISOSpeedRatings) + c.Court(3) + c.Long(1) + c.Court(100) + QByteArray(2, '\0');
        tiff += c.Long(0) + QByteArray(1 << 20, 'M');
        const TEnrEXIF e = Lire(u"a.tif"_s, tiff);
        QVERIFY(e.Valide);
        QCOMPARE(e.Appareil.size(), 1 << 20);
        QCOMPARE(e.ISO, QString()); // the last entry is not reached
        // The same IFD with its texts cut short to 5 bytes is read to the end.
        for (int i = 0; i < 0xFFFF - 1; ++i)
            tiff[10 + 12 * i + 4] = 5, tiff[10 + 12 * i + 5] = 0, tiff[10 + 12 * i + 6] = 0;
        QCOMPARE(Resume(Lire(u"b.tif"_s, tiff)), u"1|MMMMM|||||100"_s);
    }

    // The Exif IFD pointer leading back to IFD0 reads it twice, and no more.
    void exifVersIFD0()
    {
        TConstructeurTIFF c(false);
        c.AjouterIFD0(c.Texte(kTagModel, "Loop"));
        c.AjouterIFD0(c.Brute(kTagExifIFD, 4, 1, 8));
        QCOMPARE(Resume(Lire(u"a.tif"_s, c.Construire())), u"1|Loop|||||"_s);
    }

    void fichiersIllisibles()
    {
        const QString dossier = m_dossier.filePath(u"dossier.jpg"_s);
        QVERIFY(QDir().mkpath(dossier));
        TEnrEXIF e;
        e.Appareil = u"stale"_s;
        QVERIFY(!LireEXIFFichier(dossier, e));
        QCOMPARE(Resume(e), u"0||||||"_s);

        // A fifo without a writer: opening must neither wait nor read.
        const QString fifo = m_dossier.filePath(u"tube.jpg"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!LireEXIFFichier(fifo, e));

        QVERIFY(!LireEXIFFichier(m_dossier.filePath(u"absent.jpg"_s), e));
        QVERIFY(!LireEXIF(m_dossier.filePath(u"absent.jpg"_s), 0, e));
    }

    void fichierSansPermission()
    {
        TEnrEXIF e;
        const QString ferme = m_dossier.filePath(u"ferme.jpg"_s);
        QVERIFY(EcrireFichier(ferme, JPEGAvecTIFF(TIFFAvecValeurs(TValeursEXIF()))));
        QVERIFY(QFile::setPermissions(ferme, QFileDevice::Permissions()));
        if (::geteuid() == 0)
            QSKIP("running as root: permission bits do not stop reading");
        QVERIFY(!LireEXIFFichier(ferme, e));
    }

    // The file, read through its 4 KB blocks, gives what the same bytes give in memory,
    // however they are damaged: values straddling blocks, beyond the first block, cut.
    void fichierCommeMemoire()
    {
        TConstructeurTIFF c(false);
        c.AjouterIFD0(c.Indefini(0x02BC, QByteArray(4000, 'x'))); // pushes the data past 4 KB
        c.AjouterIFD0(c.Texte(kTagModel, QByteArray(3000, 'M') + "odel"));
        c.AjouterExif(c.Rationnel(kTagExposureTime, 1, 250));
        c.AjouterExif(c.Rationnel(kTagFNumber, 71, 10));
        c.AjouterExif(c.Texte(kTagDateTimeOriginal, "2012:12:24 23:59:59"));
        c.AjouterNoteNikon(640, true);
        const QByteArray origine = JPEGAvecTIFF(c.Construire(), true, 9000);
        QVERIFY(origine.size() > 3 * TFluxFichier::kTailleBloc);

        QRandomGenerator hasard(42);
        const QString chemin = m_dossier.filePath(u"abime.jpg"_s);
        int valides = 0;
        for (int essai = 0; essai < 400; ++essai) {
            QByteArray octets = origine;
            if (essai > 0) {
                const int changements = 1 + int(hasard.bounded(4));
                for (int k = 0; k < changements; ++k)
                    octets[int(hasard.bounded(12000))] = char(hasard.bounded(256));
                if (essai % 5 == 0)
                    octets.truncate(int(hasard.bounded(qint64(octets.size()))));
            }
            QVERIFY(EcrireFichier(chemin, octets));
            TEnrEXIF parFichier, enMemoire;
            const bool a = LireEXIF(chemin, kPositionJPEG, parFichier);
            TFluxMemoire flux(octets);
            const bool b = LireEXIF(flux, kPositionJPEG, enMemoire);
            QCOMPARE(a, b);
            QCOMPARE(Resume(parFichier), Resume(enMemoire));
            if (essai == 0)
                QCOMPARE(Resume(parFichier),
                         u"0|"_s + QString(3000, u'M') + u"odel||1/250°|7,1|24/12/2012|640"_s);
            valides += a ? 1 : 0;
        }
        QVERIFY(valides > 100); // the damage did not simply stop every reading
    }

    void fluxFichier()
    {
        QByteArray octets(10000, '\0');
        for (int i = 0; i < octets.size(); ++i)
            octets[i] = char(i % 251 + 1);
        octets[9000] = '\0';
        const QString chemin = m_dossier.filePath(u"flux.bin"_s);
        QVERIFY(EcrireFichier(chemin, octets));
        TFluxFichier flux(chemin);
        QVERIFY(flux.Ouvert());
        QCOMPARE(flux.Taille(), 10000);
        char tampon[16];
        QVERIFY(flux.Lire(4090, 12, tampon)); // across the first block boundary
        QCOMPARE(QByteArray(tampon, 12), octets.mid(4090, 12));
        QVERIFY(flux.Lire(0, 4, tampon));
        QCOMPARE(QByteArray(tampon, 4), octets.left(4));
        std::memset(tampon, 'z', sizeof tampon);
        QVERIFY(!flux.Lire(9995, 6, tampon)); // one byte past the end
        QVERIFY(!flux.Lire(-1, 2, tampon));
        QVERIFY(!flux.Lire(10000, 1, tampon));
        QCOMPARE(tampon[0], 'z'); // untouched on failure
        QVERIFY(flux.Lire(9994, 6, tampon));
        QCOMPARE(QByteArray(tampon, 6), octets.right(6));
        QByteArray texte;
        QVERIFY(flux.LireTexte(100, 9900, texte)); // up to the zero at 9000, over three blocks
        QCOMPARE(texte, octets.mid(100, 8900));
        QVERIFY(!flux.LireTexte(100, 9901, texte));
        QCOMPARE(texte, octets.mid(100, 8900));

        TFluxMemoire memoire(octets);
        QVERIFY(memoire.Lire(4090, 12, tampon));
        QCOMPARE(QByteArray(tampon, 12), octets.mid(4090, 12));
        QVERIFY(!memoire.Lire(1, std::numeric_limits<qint64>::max(), tampon));
        QVERIFY(!memoire.LireTexte(0, -1, texte));
    }
};

QTEST_GUILESS_MAIN(TestLireEXIF)
#include "tst_lireexif.moc"
