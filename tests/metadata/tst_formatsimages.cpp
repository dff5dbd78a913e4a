// The table of image kinds: the scan, the reader's positions, the reader itself and
// clarvane-exif agree on it; every TIFF-based raw in both byte orders; the content that
// decides over a misleading extension; and the historical reading with the newer
// formats turned off.
#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "ConstructeurEXIF.h"
#include "ConstructeurFilm.h"
#include "metadata/ChercherImages.h"
#include "metadata/FluxOctets.h"
#include "metadata/FormatsImages.h"
#include "metadata/LireEXIF.h"

using namespace Qt::StringLiterals;

namespace {

QStringList Textes(const TEnrEXIF &e)
{
    return {e.Valide ? u"1"_s : u"0"_s, e.Appareil, e.Focale, e.Vitesse, e.Diaphragme, e.DatePDV, e.ISO};
}

const QStringList kAttendus = {u"1"_s, u"Canon EOS 300D"_s, u"50"_s, u"1/125°"_s, u"5,6"_s, u"21/05/2006"_s, u"100"_s};
const QStringList kRien = {u"0"_s, {}, {}, {}, {}, {}, {}};

// A file of the kind's layout holding the usual values.
QByteArray FichierDeDisposition(TDisposition d, const QByteArray &extension, bool grosBoutiste)
{
    const QByteArray tiff = TIFFAvecValeurs({}, grosBoutiste);
    switch (d) {
    case TDisposition::JPEG:
        return JPEGAvecTIFF(tiff);
    case TDisposition::TIFF:
        return tiff;
    case TDisposition::RAF:
        return RAFAvecTIFF(tiff, 148);
    case TDisposition::MRW:
        return TIFFALaPosition(tiff, 48);
    case TDisposition::MediaISO: {
        if (extension == ".CR3")
            return CR3AvecValeurs({}, grosBoutiste);
        TOptionsHEIF o;
        o.marque = extension == ".AVIF" ? "avif" : "heic";
        return HEIFAvecTIFF(tiff, o);
    }
    case TDisposition::Film: { // a Canon video: the same boxes as a CR3
        TOptionsFilm f;
        f.marque = extension == ".MOV" ? "qt  " : extension == ".3GP" ? "3gp4" : "mp42";
        f.cmt1 = TIFFModele({}, grosBoutiste);
        f.cmt2 = TIFFExifSeul({}, grosBoutiste);
        f.moovApresMdat = true;
        return FilmAvecValeurs(f);
    }
    }
    return {};
}

// What each accepted extension must give, written out here apart from the table.
struct TAttendu {
    const char *extension;
    qint64 position;
    bool historique;
};
constexpr TAttendu kAttendusParExtension[] = {
    {".JPG", kPositionJPEG, true}, {".JPEG", kPositionJPEG, true}, {".CR2", 0, true}, {".NEF", 0, true},
    {".ORF", 0, true},  {".PEF", 0, true},  {".TIF", 0, true},  {".RAF", kPositionRAF, true},
    {".MRW", 48, true}, {".TIFF", 0, false}, {".ARW", 0, false}, {".SR2", 0, false},
    {".SRF", 0, false}, {".NRW", 0, false}, {".DNG", 0, false}, {".RW2", 0, false},
    {".RWL", 0, false}, {".SRW", 0, false}, {".ERF", 0, false}, {".3FR", 0, false},
    {".FFF", 0, false}, {".DCR", 0, false}, {".KDC", 0, false}, {".MEF", 0, false},
    {".MOS", 0, false}, {".IIQ", 0, false}, {".CR3", kPositionISO, false}, {".HEIC", kPositionISO, false},
    {".HEIF", kPositionISO, false}, {".HIF", kPositionISO, false}, {".AVIF", kPositionISO, false},
    {".MP4", kPositionFilm, false}, {".MOV", kPositionFilm, false}, {".M4V", kPositionFilm, false},
    {".3GP", kPositionFilm, false},
};

} // namespace

class TestFormatsImages : public QObject {
    Q_OBJECT

    QTemporaryDir m_dossier;

    QString Ecrire(const QString &nom, const QByteArray &octets)
    {
        const QString chemin = m_dossier.filePath(nom);
        return EcrireFichier(chemin, octets) ? chemin : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        QVERIFY(m_dossier.isValid());
    }

    // Every extension of the table, in three cases, through each decision point: the
    // scan's test on a QString and on bytes, the reader's position, and the reading.
    void table_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<qint64>("position");
        QTest::addColumn<bool>("historique");
        for (const TAttendu &a : kAttendusParExtension)
            QTest::newRow(a.extension) << QString::fromLatin1(a.extension) << a.position << a.historique;
        // The table holds these and nothing else.
        QCOMPARE(FormatsImages().size(), std::size(kAttendusParExtension));
    }
    void table()
    {
        QFETCH(QString, extension);
        QFETCH(qint64, position);
        QFETCH(bool, historique);
        const TFormatImage *format = FormatImage(extension);
        QVERIFY(format);
        QCOMPARE(format->historique, historique);
        const QString minuscule = extension.toLower();
        const QString melange = extension.left(2) + extension.mid(2).toLower();
        for (const QString &ext : {extension, minuscule, melange}) {
            const QString nom = u"IMG_0001"_s + ext;
            for (const bool etendus : {true, false}) {
                const bool accepte = etendus || historique;
                QCOMPARE(EstImage(nom, etendus), accepte);
                QCOMPARE(FormatImageOctets(nom.toUtf8().constData(), etendus) == format, accepte);
                QCOMPARE(PositionEXIF(nom, etendus), accepte ? position : kPositionAucune);
            }
            // The reader reads a file of the kind's layout, in both byte orders.
            for (const bool mm : {false, true}) {
                const QString chemin = Ecrire(nom, FichierDeDisposition(format->disposition, extension.toLatin1(), mm));
                TEnrEXIF e;
                LireEXIFFichier(chemin, e);
                QCOMPARE(Textes(e), kAttendus);
                LireEXIFFichier(chemin, e, false);
                QCOMPARE(Textes(e), historique ? kAttendus : kRien);
            }
        }
    }

    void pasDesImages_data()
    {
        QTest::addColumn<QString>("nom");
        for (const char *n : {"photo", "photo.", "a.png", "a.jpgx", "a.jp", "a.tif ", "a. tif", "a.heics",
                              "a.cr", "a.tiff.bak", "jpg", "a.jpg/", "dossier.jpg/b"})
            QTest::newRow(n) << QString::fromUtf8(n);
    }
    void pasDesImages()
    {
        QFETCH(QString, nom);
        for (const bool etendus : {true, false}) {
            QVERIFY(!EstImage(nom, etendus));
            QVERIFY(!FormatImageOctets(nom.toUtf8().constData(), etendus));
            QCOMPARE(PositionEXIF(nom, etendus), kPositionAucune);
        }
    }

    // Upper-casing by Unicode rules: a dotless i and the long s give ASCII capitals.
    void extensionsNonASCII()
    {
        QCOMPARE(PositionEXIF(u"a.tıf"_s), 0);
        QCOMPARE(PositionEXIF(u"a.ſrw"_s), 0);
        QCOMPARE(PositionEXIF(u"a.ſrw"_s, false), kPositionAucune);
        QVERIFY(FormatImageOctets("caf\xC3\xA9.jpg"));
        QVERIFY(FormatImageOctets("a.t\xC4\xB1" "f"));
        QVERIFY(!FormatImageOctets("a.\xE9jpg"));
        QVERIFY(!EstImage(u"a.jpé"_s));
    }

    // A file of every kind is read by clarvane-exif and kept by the scan's reading pass;
    // a .png holding a JPEG is neither.
    void commandeEtScan()
    {
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
        QStringList chemins;
        for (const TFormatImage &f : FormatsImages()) {
            const QString chemin = dossier.filePath(u"photo"_s + QString::fromLatin1(f.extension).toLower());
            QVERIFY(EcrireFichier(chemin, FichierDeDisposition(f.disposition, f.extension, false)));
            chemins.append(chemin);
        }
        QVERIFY(EcrireFichier(dossier.filePath(u"photo.png"_s), JPEGAvecTIFF(TIFFAvecValeurs({}))));

        int nombre = 0;
        qint64 taille = 0;
        TListeImages liste;
        ChercherImages(dossier.path(), nombre, taille, true, false, liste);
        QCOMPARE(nombre, FormatsImages().size());
        ChercherImages(dossier.path(), nombre, taille, false, false, liste);
        QCOMPARE(liste.size(), FormatsImages().size());
        for (const TEnrFichier &f : liste)
            QCOMPARE(f.EXIF->Appareil, u"Canon EOS 300D"_s);

        const QString commande = QCoreApplication::applicationDirPath() + u"/clarvane-exif"_s;
        if (!QFileInfo(commande).isExecutable())
            QSKIP("clarvane-exif is not built beside the tests");
        QProcess p;
        p.start(commande, QStringList(chemins) << dossier.filePath(u"photo.png"_s));
        QVERIFY(p.waitForFinished(60000));
        const QList<QByteArray> lignes = p.readAllStandardOutput().split('\n');
        QCOMPARE(lignes.size(), chemins.size() + 2);
        for (int i = 0; i < chemins.size(); ++i)
            QVERIFY2(lignes[i].startsWith(chemins[i].toUtf8() + "\t1\tCanon EOS 300D\t"), lignes[i].constData());
        QVERIFY(lignes[chemins.size()].endsWith("photo.png\t0\t\t\t\t\t\t"));
    }

    // The first bytes decide when they are a known signature; else the extension does.
    void contenuDecide_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<bool>("luEtendu");     // read with the newer formats
        QTest::addColumn<bool>("luHistorique"); // read with the historical reading
        const QByteArray tiff = TIFFAvecValeurs({});
        const QByteArray jpeg = JPEGAvecTIFF(tiff);
        QTest::newRow("JPEG named .NEF") << u"a.NEF"_s << jpeg << true << false;
        QTest::newRow("JPEG named .raf") << u"a.raf"_s << jpeg << true << false;
        QTest::newRow("JPEG named .MRW") << u"a.MRW"_s << jpeg << true << false;
        QTest::newRow("JPEG named .CR3") << u"a.CR3"_s << jpeg << true << false;
        QTest::newRow("TIFF named .JPG") << u"a.JPG"_s << tiff << true << false;
        QTest::newRow("TIFF named .heic") << u"a.heic"_s << tiff << true << false;
        QTest::newRow("HEIC named .JPG") << u"a.JPG"_s << HEIFAvecTIFF(tiff) << true << false;
        QTest::newRow("CR3 named .HEIF") << u"a.HEIF"_s << CR3AvecValeurs({}) << true << false;
        QTest::newRow("CR3 named .cr2") << u"a.cr2"_s << CR3AvecValeurs({}) << true << false;
        QTest::newRow("RAF named .NEF") << u"a.NEF"_s << RAFAvecTIFF(tiff, 0) << true << false;
        QTest::newRow("MRW named .tif") << u"a.tif"_s << TIFFALaPosition(tiff, 48) << true << false;
        QTest::newRow("RAF named .RAF") << u"a.RAF"_s << RAFAvecTIFF(tiff, 0) << true << true;
        // First bytes that match nothing: the extension decides, as it always did.
        QByteArray sansSOI = jpeg;
        sansSOI[0] = sansSOI[1] = '\0';
        QTest::newRow("JPEG without SOI named .JPG") << u"a.JPG"_s << sansSOI << true << true;
        QTest::newRow("JPEG without SOI named .NEF") << u"a.NEF"_s << sansSOI << false << false;
        QByteArray autreMagique = tiff;
        autreMagique[2] = 'Q';
        QTest::newRow("TIFF of another magic named .ORF") << u"a.ORF"_s << autreMagique << true << true;
        QTest::newRow("TIFF of another magic named .JPG") << u"a.JPG"_s << autreMagique << false << false;
        QByteArray mrwSansMarque = TIFFALaPosition(tiff, 48);
        mrwSansMarque[1] = 'X';
        QTest::newRow("MRW without its mark named .MRW") << u"a.MRW"_s << mrwSansMarque << true << true;
        // Videos: read only when their first bytes are the boxes of one.
        TOptionsFilm film;
        film.cmt1 = TIFFModele({});
        film.cmt2 = TIFFExifSeul({});
        QTest::newRow("MP4 named .JPG") << u"a.JPG"_s << FilmAvecValeurs(film) << true << false;
        QTest::newRow("JPEG named .mov") << u"a.mov"_s << jpeg << true << false;
        QTest::newRow("CR3 named .MP4") << u"a.MP4"_s << CR3AvecValeurs({}) << true << false;
        film.marque = {};
        film.premiere = "mdat";
        QTest::newRow("QuickTime beginning with mdat named .3gp") << u"a.3gp"_s << FilmAvecValeurs(film) << true << false;
        QTest::newRow("MP4 behind a byte named .MP4") << u"a.MP4"_s << QByteArray(1, '\0') + FilmAvecValeurs(film) << false << false;
        QTest::newRow("empty .m4v") << u"a.m4v"_s << QByteArray() << false << false;
        QTest::newRow("empty .JPG") << u"a.JPG"_s << QByteArray() << false << false;
        QTest::newRow("one byte .heic") << u"a.heic"_s << QByteArray("\xFF") << false << false;
    }
    void contenuDecide()
    {
        QFETCH(QString, nom);
        QFETCH(QByteArray, octets);
        QFETCH(bool, luEtendu);
        QFETCH(bool, luHistorique);
        const QString chemin = Ecrire(nom, octets);
        TEnrEXIF e;
        LireEXIFFichier(chemin, e);
        QCOMPARE(Textes(e), luEtendu ? kAttendus : kRien);
        LireEXIFFichier(chemin, e, false);
        QCOMPARE(Textes(e), luHistorique ? kAttendus : kRien);
    }

    // Panasonic and Leica raws: magic number 0x55; their own ISO tag 0x0017 in IFD0 gives
    // the ISO when the Exif IFD has none.
    void panasonic_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<quint16>("magique");
        QTest::addColumn<bool>("isoExif");
        QTest::addColumn<quint16>("typeTag");
        QTest::addColumn<QString>("iso");
        QTest::addColumn<QString>("isoHistorique");
        QTest::newRow("RW2, tag alone") << u"P1.RW2"_s << quint16(0x55) << false << quint16(3) << u"800"_s << u""_s;
        QTest::newRow("RWL, tag as LONG") << u"L1.rwl"_s << quint16(0x55) << false << quint16(4) << u"800"_s << u""_s;
        QTest::newRow("RW2, Exif ISO wins") << u"P1.RW2"_s << quint16(0x55) << true << quint16(3) << u"100"_s << u""_s;
        QTest::newRow("named .TIF") << u"P1.TIF"_s << quint16(0x55) << false << quint16(3) << u"800"_s << u""_s;
        QTest::newRow("magic 42: not Panasonic") << u"P1.RW2"_s << quint16(42) << false << quint16(3) << u""_s << u""_s;
        QTest::newRow("tag of type ASCII") << u"P1.RW2"_s << quint16(0x55) << false << quint16(2) << u""_s << u""_s;
    }
    void panasonic()
    {
        QFETCH(QString, nom);
        QFETCH(quint16, magique);
        QFETCH(bool, isoExif);
        QFETCH(quint16, typeTag);
        QFETCH(QString, iso);
        QFETCH(QString, isoHistorique);
        for (const bool mm : {false, true}) {
            TConstructeurTIFF c(mm);
            c.DefinirMagique(magique);
            c.AjouterIFD0(c.Texte(kTagModel, "DC-S5"));
            c.AjouterIFD0(typeTag == 4 ? c.Brute(0x0017, 4, 1, 800) : c.Brute(0x0017, typeTag, 1, mm ? 800u << 16 : 800u));
            c.AjouterExif(c.Rationnel(kTagFNumber, 4, 1));
            if (isoExif)
                c.AjouterExif(c.Short(kTagISOSpeedRatings, 100));
            const QString chemin = Ecrire(nom, c.Construire());
            TEnrEXIF e;
            QVERIFY(LireEXIFFichier(chemin, e));
            QCOMPARE(e.Appareil, u"DC-S5"_s);
            QCOMPARE(e.ISO, iso);
            if (EstImage(nom, false)) {
                QVERIFY(LireEXIFFichier(chemin, e, false));
                QCOMPARE(e.ISO, isoExif ? u"100"_s : isoHistorique);
            }
        }
    }

    // An Exif IFD that cannot be read gives no ISO either: the Panasonic tag gives it.
    void panasonicExifIllisible()
    {
        TConstructeurTIFF c(false);
        c.DefinirMagique(0x55);
        c.AjouterIFD0(c.Texte(kTagModel, "DC-GH6"));
        c.AjouterIFD0(c.Brute(0x0017, 3, 1, 1600));
        c.AjouterIFD0(c.Brute(kTagExifIFD, 4, 1, 0x00FFFFF0));
        TEnrEXIF e;
        QVERIFY(LireEXIFFichier(Ecrire(u"P2.RW2"_s, c.Construire()), e));
        QCOMPARE(e.Appareil, u"DC-GH6"_s);
        QCOMPARE(e.ISO, u"1600"_s);
    }

    // The position that the content gives, over memory.
    void positionSelonContenu()
    {
        const auto position = [](const QByteArray &octets, qint64 extension) {
            TFluxMemoire flux(octets);
            return PositionSelonContenu(flux, extension);
        };
        QCOMPARE(position("\xFF\xD8\xFF\xE1", 0), kPositionJPEG);
        QCOMPARE(position("\xFF\xD8", 0), 0); // too short to be decisive
        QCOMPARE(position(QByteArray("II*\0", 4), kPositionJPEG), 0);
        QCOMPARE(position(QByteArray("MM\0*", 4), kPositionJPEG), 0);
        QCOMPARE(position(QByteArray("IIU\0", 4), kPositionJPEG), 0);
        QCOMPARE(position(QByteArray("IIRO", 4), kPositionJPEG), 0);
        QCOMPARE(position(QByteArray("MMOR", 4), kPositionJPEG), 0);
        QCOMPARE(position(QByteArray("II+\0", 4), kPositionJPEG), kPositionJPEG); // BigTIFF: not read
        QCOMPARE(position(QByteArray("\0\0\0\x18" "ftypcrx ", 12), 0), kPositionISO);
        for (const char *type : {"moov", "mdat", "free", "skip", "wide"})
            QCOMPARE(position(QByteArray("\0\0\0\x08", 4) + type, kPositionJPEG), kPositionISO);
        QCOMPARE(position(QByteArray("\0\0\0\x08" "ftyp", 8), kPositionFilm), kPositionISO);
        QCOMPARE(position(QByteArray("\0\0\0\x08" "junk", 8), kPositionFilm), kPositionAucune);
        QCOMPARE(position(QByteArray(), kPositionFilm), kPositionAucune);
        QCOMPARE(position(QByteArray("FUJIFILMCCD-RAW ", 16), 0), kPositionRAF);
        QCOMPARE(position(QByteArray("\0MRM\0\0", 6), kPositionJPEG), 48);
        QCOMPARE(position(QByteArray(), kPositionISO), kPositionISO);
        QCOMPARE(position("GIF89a", 0), 0);
    }
};

QTEST_GUILESS_MAIN(TestFormatsImages)
#include "tst_formatsimages.moc"
