// CR3 and HEIF files: the layouts cameras and phones write and the ones they may, damaged
// and forged files, and how few bytes the reading takes.
#include <QLocale>
#include <QTest>

#include "ConstructeurEXIF.h"
#include "metadata/BoitesISO.h"
#include "metadata/FluxOctets.h"
#include "metadata/LireEXIF.h"

using namespace Qt::StringLiterals;

namespace {

QStringList Textes(const TEnrEXIF &e)
{
    return {e.Appareil, e.Focale, e.Vitesse, e.Diaphragme, e.DatePDV, e.ISO};
}

const QStringList kAttendus = {u"Canon EOS 300D"_s, u"50"_s, u"1/125°"_s, u"5,6"_s, u"21/05/2006"_s, u"100"_s};
const QStringList kRien = {{}, {}, {}, {}, {}, {}};

// Reads the bytes as an ISO base media file: success flag and texts.
QStringList Lire(const QByteArray &octets, bool *succes = nullptr, int *chargements = nullptr)
{
    TFluxMemoire flux(octets, TFluxFichier::kTailleBloc); // read as a file is
    TEnrEXIF e;
    const bool s = LireEXIF(flux, kPositionISO, e);
    if (succes)
        *succes = s;
    if (chargements)
        *chargements = flux.Chargements();
    return Textes(e);
}

TValeursEXIF Autres()
{
    TValeursEXIF v;
    v.modele = "Autre";
    v.focaleNum = 35;
    v.iso = 3200;
    return v;
}

} // namespace

class TestBoitesISO : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void cr3_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QStringList>("attendu");
        const TValeursEXIF v;
        QTest::newRow("II") << CR3AvecValeurs(v) << kAttendus;
        QTest::newRow("MM") << CR3AvecValeurs(v, true) << kAttendus;
        TOptionsCR3 o;
        o.cmt2Avant = true;
        QTest::newRow("CMT2 before CMT1") << CR3AvecValeurs(v, false, o) << kAttendus;
        o = {};
        o.moov64 = true;
        QTest::newRow("moov of 64-bit size") << CR3AvecValeurs(v, true, o) << kAttendus;
        o = {};
        o.moovJusquaLaFin = true;
        QTest::newRow("moov of size 0, last") << CR3AvecValeurs(v, false, o) << kAttendus;
        QTest::newRow("CMT1 alone") << CR3AvecTIFF(TIFFModele(v), {})
                                    << QStringList{u"Canon EOS 300D"_s, {}, {}, {}, {}, {}};
        QStringList sansModele = kAttendus;
        sansModele[0].clear();
        QTest::newRow("CMT2 alone") << CR3AvecTIFF({}, TIFFExifSeul(v)) << sansModele;
        // The Exif IFD's values win over IFD0's, as in any file.
        TConstructeurTIFF c(false);
        c.AjouterIFD0(c.Texte(kTagModel, "Canon EOS 300D"));
        c.AjouterIFD0(c.Short(kTagISOSpeedRatings, 6400));
        QTest::newRow("CMT2 wins over CMT1") << CR3AvecTIFF(c.Construire(), TIFFExifSeul(v), {true}) << kAttendus;
        // A CMT box whose offsets point outside it reads nothing of what lies there.
        TConstructeurTIFF hors(false);
        hors.AjouterIFD0(hors.Brute(kTagModel, 2, 40, 4000));
        QTest::newRow("offset outside the box") << CR3AvecTIFF(hors.Construire(), TIFFExifSeul(v), {false, false, false, 8000})
                                                << sansModele;
        QByteArray autreUuid = CR3AvecValeurs(v);
        autreUuid[autreUuid.indexOf("\x85\xC0\xB6\x87")] = '\x86';
        QTest::newRow("another uuid") << autreUuid << kRien;
    }
    void cr3()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QStringList, attendu);
        bool succes = false;
        QCOMPARE(Lire(octets, &succes), attendu);
        QCOMPARE(succes, attendu != kRien);
    }

    void heif_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QStringList>("attendu");
        const QByteArray ii = TIFFAvecValeurs({});
        const QByteArray mm = TIFFAvecValeurs({}, true);
        TOptionsHEIF o;
        QTest::newRow("heic") << HEIFAvecTIFF(ii, o) << kAttendus;
        QTest::newRow("heic MM") << HEIFAvecTIFF(mm, o) << kAttendus;
        o.avantTIFF = QByteArray();
        QTest::newRow("offset 0") << HEIFAvecTIFF(ii, o) << kAttendus;
        o.avantTIFF = QByteArray(37, '\xA5');
        QTest::newRow("offset 37") << HEIFAvecTIFF(mm, o) << kAttendus;
        for (const int morceaux : {2, 3, 7}) {
            o = {};
            o.morceaux = morceaux;
            QTest::addRow("%d extents in reverse order", morceaux) << HEIFAvecTIFF(ii, o) << kAttendus;
        }
        for (const quint8 version : {0, 2}) {
            o = {};
            o.versionIloc = version;
            o.morceaux = 2;
            QTest::addRow("iloc version %d", version) << HEIFAvecTIFF(ii, o) << kAttendus;
        }
        o = {};
        o.dansIdat = true;
        QTest::newRow("in idat") << HEIFAvecTIFF(ii, o) << kAttendus;
        o = {};
        o.meta64 = true;
        QTest::newRow("meta of 64-bit size") << HEIFAvecTIFF(mm, o) << kAttendus;
        o = {};
        o.mdatJusquaLaFin = true;
        QTest::newRow("mdat of size 0") << HEIFAvecTIFF(ii, o) << kAttendus;
        o = {};
        o.mdatAuDela = true;
        QTest::newRow("mdat past the end of the file") << HEIFAvecTIFF(ii, o) << kAttendus;
        o = {};
        o.marque = "avif";
        QTest::newRow("avif") << HEIFAvecTIFF(ii, o) << kAttendus;
        o = {};
        o.itemsEnPlus = 300;
        QTest::newRow("300 tiles before the Exif item") << HEIFAvecTIFF(ii, o) << kAttendus;
        // Two Exif items: the one that describes the primary image is read.
        o = {};
        o.deuxExif = true;
        QTest::newRow("two Exif items") << HEIFAvecTIFF(ii, o) << kAttendus;
        // References that go round in a circle, and one that claims more than it holds.
        o.irefEnPlus = BoiteISO("cdsc", GB16(1) + GB16(1) + GB16(3)) + BoiteISO("cdsc", GB16(3) + GB16(1) + GB16(3))
            + BoiteISO("dimg", GB16(2) + GB16(60000));
        QTest::newRow("a loop of iref") << HEIFAvecTIFF(ii, o) << kAttendus;
        // The item's data runs past the end of the file: what lies before the cut is read.
        QByteArray coupe = HEIFAvecTIFF(TIFFAvecValeurs({}), {});
        coupe.chop(4); // into the focal length's rational, the last of the data
        QStringList avantCoupe = kAttendus;
        avantCoupe[1].clear();
        QTest::newRow("Exif item past the end") << coupe << avantCoupe;
        // Counts beyond what the tables hold: the walk stops at the table's end.
        const QByteArray normal = HEIFAvecTIFF(ii);
        QByteArray items = normal;
        const qsizetype iloc = items.indexOf("iloc");
        items[iloc + 10] = items[iloc + 11] = '\xFF';
        QTest::newRow("iloc claiming 65535 items") << items << kAttendus;
        QByteArray entrees = normal;
        const qsizetype iinf = entrees.indexOf("iinf");
        entrees[iinf + 8] = entrees[iinf + 9] = '\xFF';
        QTest::newRow("iinf claiming 65535 entries") << entrees << kAttendus;
    }
    void heif()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QStringList, attendu);
        QCOMPARE(Lire(octets), attendu);
    }

    // Forged and damaged structures: nothing read, no crash, no endless walk.
    void malformes_data()
    {
        QTest::addColumn<QByteArray>("octets");
        const QByteArray ftyp = BoiteISO("ftyp", "heic\0\0\0\0mif1");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("ftyp alone") << ftyp;
        QTest::newRow("box of size 4") << ftyp + GB32(4) + "meta" + QByteArray(64, '\0');
        QTest::newRow("64-bit size smaller than its header") << ftyp + GB32(1) + "meta" + GB32(0) + GB32(8) + QByteArray(64, '\0');
        QTest::newRow("64-bit size of 2^63") << ftyp + GB32(1) + "meta" + GB32(0x80000000u) + GB32(0) + QByteArray(64, '\0');
        QTest::newRow("uuid cut short") << ftyp + GB32(20) + "uuid" + QByteArray(12, 'u');
        QTest::newRow("meta without iloc") << ftyp + BoitePleine("meta", 0, BoitePleine("iinf", 0, GB16(1) + BoitePleine("infe", 2, GB16(2) + GB16(0) + "Exif")));
        QByteArray zero;
        for (int i = 0; i < 5000; ++i)
            zero += BoiteISO("free", {});
        QTest::newRow("5000 empty boxes") << ftyp + zero + BoitePleine("meta", 0, {});
        QByteArray profond = BoiteISO("free", {});
        for (int i = 0; i < 500; ++i)
            profond = BoiteISO("moov", profond);
        QTest::newRow("500 nested moov") << ftyp + profond;
        // iloc: sizes that are not 0, 4 or 8; an extent far beyond the file.
        TOptionsHEIF o;
        QByteArray faux = HEIFAvecTIFF(TIFFAvecValeurs({}), o);
        const qsizetype iloc = faux.indexOf("iloc");
        QByteArray tailles = faux;
        tailles[iloc + 8] = '\x33';
        QTest::newRow("iloc sizes of 3 bytes") << tailles;
        QByteArray loin = faux;
        const qsizetype exif = loin.lastIndexOf(GB16(2) + GB16(0) + GB16(0) + GB16(1));
        QVERIFY(exif > 0);
        loin.replace(exif + 8, 4, GB32(0xFFFFFFF0u));
        QTest::newRow("extent beyond the file") << loin;
        QByteArray autreFichier = faux;
        autreFichier.replace(exif + 4, 2, GB16(1)); // data_reference_index: another file
        QTest::newRow("item in another file") << autreFichier;
        QByteArray offset = faux;
        const qsizetype debutExif = offset.indexOf(GB32(6) + "Exif");
        offset.replace(debutExif, 4, GB32(0x7FFFFFFF));
        QTest::newRow("Exif offset beyond the item") << offset;
    }
    void malformes()
    {
        QFETCH(QByteArray, octets);
        bool succes = true;
        QCOMPARE(Lire(octets, &succes), kRien);
        QVERIFY(!succes);
    }

    // Every prefix of a file reads without fault, and what it gives is what the whole
    // file gives, or nothing.
    void fichiersCoupes()
    {
        TOptionsHEIF plusieurs;
        plusieurs.morceaux = 3;
        for (const QByteArray &octets : {CR3AvecValeurs(Autres()), CR3AvecValeurs(Autres(), true, {true}),
                                         HEIFAvecTIFF(TIFFAvecValeurs(Autres()), plusieurs)}) {
            const QStringList entier = Lire(octets);
            QVERIFY(entier[0] == u"Autre"_s);
            for (qsizetype n = 0; n < octets.size(); ++n) {
                const QStringList partiel = Lire(octets.left(n));
                for (int i = 0; i < 6; ++i)
                    QVERIFY2(partiel[i].isEmpty() || partiel[i] == entier[i], qPrintable(QString::number(n)));
            }
        }
    }

    // A few blocks per file, never the whole file: a CR3 with 4 MB of image data, a
    // HEIF whose meta box spans several blocks.
    void peuDeLectures()
    {
        int chargements = 0;
        QCOMPARE(Lire(CR3AvecValeurs({}, false, {false, false, false, 4 << 20}), nullptr, &chargements), kAttendus);
        QCOMPARE(chargements, 1);
        // A meta box of several KB (many tiles), then the Exif item.
        TOptionsHEIF o;
        o.itemsEnPlus = 400;
        const QByteArray heif = HEIFAvecTIFF(TIFFAvecValeurs({}), o);
        QVERIFY(heif.size() > 8192);
        QCOMPARE(Lire(heif, nullptr, &chargements), kAttendus);
        // The walk over meta's boxes, then its item tables, then the Exif item.
        QVERIFY2(chargements <= 8, qPrintable(QString::number(chargements)));
    }

    // Runs that repeat the whole file never add up to more bytes than the file holds
    // (a text's count cannot make the reader allocate more).
    void etenduesRepetees()
    {
        TOptionsHEIF o;
        o.morceaux = 3;
        QByteArray heif = HEIFAvecTIFF(TIFFAvecValeurs({}), o);
        const qsizetype exif = heif.lastIndexOf(GB16(2) + GB16(0) + GB16(0) + GB16(3));
        QVERIFY(exif > 0);
        heif.replace(exif + 8, 24, QByteArray(24, '\0')); // three runs: offset 0, length 0 (to the end)
        TFluxMemoire flux(heif);
        TTIFFMediaISO t;
        if (ChercherTIFFMediaISO(flux, t)) {
            qint64 total = 0;
            for (int i = 0; i < t.structures[0].nombreEtendues; ++i)
                total += t.structures[0].etendues[i].taille;
            QVERIFY(total <= heif.size());
        }
        QCOMPARE(Lire(heif), kRien);
    }

    // Runs of bytes read as one source, whether the source loads them whole or block by
    // block: reads across runs, texts across runs, nothing past the last one.
    void fluxEtendues()
    {
        const QByteArray source = "0123456789abcdefghij";
        const TEtendue etendues[] = {{10, 3}, {2, 4}, {18, 2}}; // "abc", "2345", "ij"
        for (const qint64 bloc : {qint64(0), qint64(4), qint64(1)}) {
            TFluxMemoire memoire(source, bloc);
            TFluxEtendues flux(memoire, etendues);
            QCOMPARE(flux.Taille(), 9);
            char octets[9] = {};
            QVERIFY(flux.Lire(0, 9, octets));
            QCOMPARE(QByteArray(octets, 9), "abc2345ij");
            QVERIFY(flux.Lire(2, 3, octets));
            QCOMPARE(QByteArray(octets, 3), "c23");
            QVERIFY(!flux.Lire(7, 3, octets));
            QVERIFY(!flux.Lire(-1, 2, octets));
            QByteArray texte;
            QVERIFY(flux.LireTexte(1, 8, texte));
            QCOMPARE(texte, "bc2345ij");
            QVERIFY(!flux.LireTexte(8, 2, texte));
        }
    }

    // The structures found: CMT1 then CMT2, each one run of bytes.
    void structuresTrouvees()
    {
        const QByteArray cr3 = CR3AvecValeurs({}, false, {true});
        TFluxMemoire flux(cr3);
        TTIFFMediaISO t;
        QVERIFY(ChercherTIFFMediaISO(flux, t));
        QCOMPARE(t.nombre, 2);
        const QByteArray cmt1 = TIFFModele({});
        QCOMPARE(t.structures[0].nombreEtendues, 1);
        QCOMPARE(cr3.mid(t.structures[0].etendues[0].position, t.structures[0].etendues[0].taille), cmt1);
        QCOMPARE(cr3.mid(t.structures[1].etendues[0].position, t.structures[1].etendues[0].taille), TIFFExifSeul({}));

        TOptionsHEIF o;
        o.morceaux = 3;
        o.avantTIFF = "abc";
        const QByteArray heif = HEIFAvecTIFF(TIFFAvecValeurs({}), o);
        TFluxMemoire fluxHeif(heif);
        QVERIFY(ChercherTIFFMediaISO(fluxHeif, t));
        QCOMPARE(t.nombre, 1);
        QCOMPARE(t.structures[0].nombreEtendues, 3);
        QCOMPARE(t.structures[0].debutTIFF, 7);
        QByteArray item;
        for (int i = 0; i < 3; ++i)
            item += heif.mid(t.structures[0].etendues[i].position, t.structures[0].etendues[i].taille);
        QCOMPARE(item, GB32(3) + "abc" + TIFFAvecValeurs({}));
    }
};

QTEST_GUILESS_MAIN(TestBoitesISO)
#include "tst_boitesiso.moc"
