// Videos: where the camera and the date come from and in which order, the layouts of the
// boxes (the movie before or after gigabytes of media data), damaged files, the Sony XML
// file beside a clip, the movie header's time under two time zones.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "ConstructeurEXIF.h"
#include "ConstructeurFilm.h"
#include "Octets.h"
#include "metadata/BoitesFilm.h"
#include "metadata/FluxOctets.h"
#include "metadata/LireEXIF.h"
#include "commun/NomsFichiers.h"
#include "metadata/XMLSony.h"

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TOptionsFilm)

namespace {

// Valid, camera, date; and the four other texts when they are not all empty.
QString Resume(const TEnrEXIF &e)
{
    QString r = (e.Valide ? u"1|"_s : u"0|"_s) + e.Appareil + u'|' + e.DatePDV;
    if (!(e.Focale + e.Vitesse + e.Diaphragme + e.ISO).isEmpty())
        r += u'|' + QStringList{e.Focale, e.Vitesse, e.Diaphragme, e.ISO}.join(u'|');
    return r;
}

// A video read as the scan reads it, through 4 KB blocks as a file is: its summary, and
// the blocks it took.
QString Lire(const QByteArray &octets, int *lectures = nullptr)
{
    TFluxMemoire flux(octets, TFluxFichier::kTailleBloc);
    TEnrEXIF e;
    e.Valide = LireEXIF(flux, PositionSelonContenu(flux, kPositionFilm), e)
        && !(e.Appareil.isEmpty() && e.DatePDV.isEmpty() && e.Focale.isEmpty() && e.ISO.isEmpty());
    if (lectures)
        *lectures = flux.Chargements();
    return Resume(e);
}

TValeursEXIF Canon()
{
    TValeursEXIF v;
    v.modele = "Canon EOS R5";
    v.date = "2024:08:02 09:15:00";
    v.focaleNum = 24;
    v.iso = 800;
    return v;
}
const QString kCanon = u"1|Canon EOS R5|02/08/2024|24|1/125°|5,6|800"_s;

// Keys as an iPhone and an Android phone write them.
const QPair<QByteArray, QByteArray> kModeleApple{"com.apple.quicktime.model", "iPhone 15 Pro"};
const QPair<QByteArray, QByteArray> kDateApple{"com.apple.quicktime.creationdate", "2023-05-21T23:40:12+0200"};
const QPair<QByteArray, QByteArray> kModeleAndroid{"com.android.model", "Pixel 8"};

// 2022-12-31 12:00 UTC: the same day from UTC-11 to UTC+11.
const quint64 kMidi = Secondes1904(2022, 12, 31, 12, 0, 0);

// A byte source of several gigabytes holding only a few runs of bytes (zeros elsewhere),
// loaded in 4 KB blocks as a file is, counting the blocks.
class TFluxClairseme final : public IFluxOctets {
public:
    explicit TFluxClairseme(qint64 taille) : m_taille(taille) {}
    void Placer(qint64 position, const QByteArray &octets) { m_morceaux.append({position, octets}); }
    qint64 Taille() const override { return m_taille; }
    int Chargements() const { return m_chargements; }

protected:
    bool Charger(qint64 position, const char *&donnees, qint64 &debut, qint64 &fin) override
    {
        if (position < 0 || position >= m_taille)
            return false;
        ++m_chargements;
        debut = position - position % TFluxFichier::kTailleBloc;
        fin = qMin(debut + TFluxFichier::kTailleBloc, m_taille);
        m_bloc.fill('\0', fin - debut);
        for (const auto &[p, o] : m_morceaux) {
            const qint64 de = qMax(p, debut), a = qMin(p + o.size(), fin);
            if (de < a)
                std::memcpy(m_bloc.data() + (de - debut), o.constData() + (de - p), size_t(a - de));
        }
        donnees = m_bloc.constData();
        return true;
    }

private:
    qint64 m_taille;
    QList<QPair<qint64, QByteArray>> m_morceaux;
    QByteArray m_bloc;
    int m_chargements = 0;
};

} // namespace

class TestFilms : public QObject {
    Q_OBJECT

    QTemporaryDir m_dossier;

    QString Ecrire(const QString &nom, const QByteArray &octets)
    {
        const QString chemin = m_dossier.filePath(nom);
        QFile::remove(chemin);
        return EcrireFichier(chemin, octets) ? chemin : QString();
    }
    static QString LireFichierFilm(const QString &chemin)
    {
        TEnrEXIF e;
        e.Appareil = u"stale"_s;
        LireEXIFFichier(chemin, e);
        return Resume(e);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        QVERIFY(m_dossier.isValid());
    }

    // Each source of each value, and which one wins.
    void sources_data()
    {
        QTest::addColumn<TOptionsFilm>("o");
        QTest::addColumn<QString>("attendu");
        const TValeursEXIF c = Canon();
        TOptionsFilm o;
        o.cmt1 = TIFFModele(c);
        o.cmt2 = TIFFExifSeul(c);
        QTest::newRow("Canon box") << o << kCanon;
        o.cles = {kModeleApple, kDateApple};
        o.modele = "udta";
        o.date = "2001-01-01";
        o.creation = kMidi;
        QTest::newRow("Canon box before everything") << o << kCanon;
        o.canonApres = true;
        QTest::newRow("Canon box last in moov") << o << kCanon;
        TValeursEXIF sansDate = c;
        sansDate.date = QByteArray();
        o.cmt2 = TIFFExifSeul(sansDate);
        QTest::newRow("Canon box without date: keys' date") << o << u"1|Canon EOS R5|21/05/2023|24|1/125°|5,6|800"_s;
        TValeursEXIF sansModele = c;
        sansModele.modele = "   ";
        o.cmt1 = TIFFModele(sansModele);
        o.cmt2 = TIFFExifSeul(c);
        QTest::newRow("Canon model of blanks: keys' model") << o << u"1|iPhone 15 Pro|02/08/2024|24|1/125°|5,6|800"_s;

        o = {};
        o.cles = {kModeleApple, kDateApple};
        QTest::newRow("Apple keys") << o << u"1|iPhone 15 Pro|21/05/2023"_s;
        o.modele = "udta";
        o.date = "2001-01-01";
        o.creation = kMidi;
        QTest::newRow("Apple keys before user data and mvhd") << o << u"1|iPhone 15 Pro|21/05/2023"_s;
        o.cles = {{"com.apple.quicktime.make", "Apple"}, {"com.apple.quicktime.software", "17.1"}, kDateApple, kModeleApple};
        QTest::newRow("keys among others, in another order") << o << u"1|iPhone 15 Pro|21/05/2023"_s;
        o.cles = {kModeleAndroid, {"com.android.version", "14"}};
        QTest::newRow("Android model, ©day") << o << u"1|Pixel 8|01/01/2001"_s;
        o.cles = {kModeleAndroid, kModeleApple};
        QTest::newRow("Apple model before Android's") << o << u"1|iPhone 15 Pro|01/01/2001"_s;
        o.cles = {{"com.apple.quicktime.model", " \t"}, kModeleAndroid};
        QTest::newRow("Apple model of blanks: Android's") << o << u"1|Pixel 8|01/01/2001"_s;
        o.cles = {kModeleApple, {"com.apple.quicktime.creationdate", "2023"}};
        QTest::newRow("creation date without a day: ©day") << o << u"1|iPhone 15 Pro|01/01/2001"_s;
        o.cles = {kModeleApple, kDateApple};
        o.typeDonnees = 2; // UTF-16: not read
        QTest::newRow("keys' values not UTF-8") << o << u"1|udta|01/01/2001"_s;

        o = {};
        o.modele = "DMC-GH4";
        o.date = "2019-07-14T08:00:00-0800";
        o.creation = kMidi;
        QTest::newRow("©mod, ©day text atoms") << o << u"1|DMC-GH4|14/07/2019"_s;
        o.listeUtilisateur = true;
        QTest::newRow("©mod, ©day in the user data's item list") << o << u"1|DMC-GH4|14/07/2019"_s;
        o.listeUtilisateur = false;
        o.date = "2019:07:14 23:59:59";
        QTest::newRow("©day with colons") << o << u"1|DMC-GH4|14/07/2019"_s;
        o.date = "2019-02-30T10:00:00Z";
        QTest::newRow("©day of no calendar day: mvhd") << o << u"1|DMC-GH4|31/12/2022"_s;
        o.date = QByteArray();
        QTest::newRow("©mod, mvhd") << o << u"1|DMC-GH4|31/12/2022"_s;

        o = {};
        o.creation = kMidi;
        QTest::newRow("mvhd alone") << o << u"1||31/12/2022"_s;
        o.mvhdVersion1 = true;
        QTest::newRow("mvhd version 1") << o << u"1||31/12/2022"_s;
        o.creation = Secondes1904(2150, 6, 1, 12, 0, 0);
        QTest::newRow("mvhd version 1 past 2040") << o << u"1||01/06/2150"_s;
        o.creation = ~quint64(0);
        QTest::newRow("mvhd past the year 9999") << o << u"0||"_s;
        o.creation = 0;
        o.mvhdVersion1 = false;
        QTest::newRow("mvhd of 0") << o << u"0||"_s;
        o.creation.reset();
        QTest::newRow("no value at all") << o << u"0||"_s;
    }
    void sources()
    {
        QFETCH(TOptionsFilm, o);
        QFETCH(QString, attendu);
        QCOMPARE(Lire(FilmAvecValeurs(o)), attendu);
        // The same through a file, named as each kind of video.
        for (const QString &nom : {u"clip.MP4"_s, u"clip.mov"_s, u"clip.m4v"_s, u"clip.3gp"_s})
            QCOMPARE(LireFichierFilm(Ecrire(nom, FilmAvecValeurs(o))), attendu);
    }

    // Where the movie lies and how the boxes are sized; how many blocks of 4 KB it takes.
    void dispositions_data()
    {
        QTest::addColumn<TOptionsFilm>("o");
        QTest::addColumn<int>("lecturesMax");
        TOptionsFilm o;
        o.cles = {kModeleApple, kDateApple};
        o.pistes = 3;
        QTest::newRow("moov first") << o << 1;
        o.moovApresMdat = true;
        o.octetsMdat = 3 << 20;
        QTest::newRow("moov after 3 MB of media") << o << 2;
        o.mdat64 = true;
        QTest::newRow("moov after a 64-bit mdat") << o << 2;
        o.moov64 = true;
        QTest::newRow("64-bit moov after a 64-bit mdat") << o << 2;
        o.octetsPiste = 20000; // sample tables of a long clip: a header read for each
        QTest::newRow("large tracks before the keys") << o << 5;
        o = {};
        o.cles = {kModeleApple, kDateApple};
        o.marque = {};
        for (const char *premiere : {"wide", "free", "skip", "moov", "mdat"}) {
            o.premiere = premiere;
            QTest::addRow("QuickTime beginning with %s", premiere) << o << 1;
        }
    }
    void dispositions()
    {
        QFETCH(TOptionsFilm, o);
        QFETCH(int, lecturesMax);
        int lectures = 0;
        QCOMPARE(Lire(FilmAvecValeurs(o), &lectures), u"1|iPhone 15 Pro|21/05/2023"_s);
        QVERIFY2(lectures <= lecturesMax, qPrintable(QString::number(lectures)));
    }

    // Canon's box gives both camera and date: the rest of moov (long sample tables, the
    // keys) is not walked.
    void canonSuffit()
    {
        TOptionsFilm o;
        o.cmt1 = TIFFModele(Canon());
        o.cmt2 = TIFFExifSeul(Canon());
        o.cles = {kModeleApple, kDateApple};
        o.pistes = 3;
        o.octetsPiste = 20000;
        int lectures = 0;
        QCOMPARE(Lire(FilmAvecValeurs(o), &lectures), kCanon);
        QCOMPARE(lectures, 1);
    }

    // The movie after 6 GB of media data, in memory: the media data is never read.
    void apresGrandMdat()
    {
        const qint64 media = 6LL << 30;
        TOptionsFilm o;
        o.cles = {kModeleApple, kDateApple};
        o.creation = kMidi;
        const QByteArray debut = DebutFilm(o) + EnteteMdat(quint64(media), false);
        const QByteArray moov = MoovFilm(o);
        TFluxClairseme flux(debut.size() + media + moov.size());
        flux.Placer(0, debut);
        flux.Placer(debut.size() + media, moov);
        TEnrEXIF e;
        QVERIFY(LireEXIF(flux, PositionSelonContenu(flux, kPositionFilm), e));
        QCOMPARE(Resume(e), u"0|iPhone 15 Pro|21/05/2023"_s);
        QVERIFY2(flux.Chargements() <= 3, qPrintable(QString::number(flux.Chargements())));
    }

    // The same in a sparse file of several GB on disk: at most 4 reads.
    void fichierClairseme()
    {
        const qint64 media = 5LL << 30;
        TOptionsFilm o;
        o.cles = {kModeleApple, kDateApple};
        const QByteArray debut = DebutFilm(o) + EnteteMdat(quint64(media), false);
        const QByteArray moov = MoovFilm(o);
        const QString chemin = m_dossier.filePath(u"IMG_0001.MOV"_s);
        const int fd = ::open(QFile::encodeName(chemin).constData(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        const bool ecrit = ::pwrite(fd, debut.constData(), size_t(debut.size()), 0) == debut.size()
            && ::pwrite(fd, moov.constData(), size_t(moov.size()), off_t(debut.size() + media)) == moov.size();
        struct stat etat;
        ::fstat(fd, &etat);
        ::close(fd);
        if (!ecrit || etat.st_blocks * 512 > (64 << 20)) {
            QFile::remove(chemin);
            QSKIP("the temporary folder's file system keeps no sparse file of 5 GB");
        }
        TFluxFichier fichier(chemin);
        QVERIFY(fichier.Ouvert());
        QCOMPARE(fichier.Taille(), debut.size() + media + moov.size());
        TEnrEXIF e;
        QVERIFY(LireEXIF(fichier, PositionSelonContenu(fichier, kPositionFilm), e));
        QCOMPARE(e.Appareil, u"iPhone 15 Pro"_s);
        QVERIFY2(fichier.Lectures() <= 4, qPrintable(QString::number(fichier.Lectures())));
        QCOMPARE(LireFichierFilm(chemin), u"1|iPhone 15 Pro|21/05/2023"_s);
        QFile::remove(chemin);
    }

    // Cut, forged and damaged files: what lies before the fault, or nothing; no fault.
    void malformes_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("attendu");
        TOptionsFilm o;
        o.cles = {kModeleApple, kDateApple};
        o.modele = "DMC-GH4";
        o.creation = kMidi;
        const QByteArray film = FilmAvecValeurs(o);
        const QByteArray ftyp = DebutFilm(o);
        const QByteArray moov = MoovFilm(o);
        const QByteArray mdat = EnteteMdat(256, false) + QByteArray(256, 'm');

        QTest::newRow("mdat past the end, moov unreachable") << ftyp + EnteteMdat(1 << 20, false) + mdat + moov << u"0||"_s;
        QTest::newRow("64-bit mdat of 2^62") << ftyp + GB32(1) + "mdat" + GB32(0x40000000) + GB32(0) + moov << u"0||"_s;
        QTest::newRow("mdat of size 0, to the end") << ftyp + GB32(0) + "mdat" + moov << u"0||"_s;
        QByteArray moovLoin = ftyp + moov + mdat;
        moovLoin.replace(ftyp.size(), 4, GB32(0x7FFFFFF0));
        QTest::newRow("moov past the end: what it holds") << moovLoin << u"1|iPhone 15 Pro|21/05/2023"_s;
        QTest::newRow("moov cut after mvhd") << (ftyp + moov).left(ftyp.size() + 8 + 120) << u"1||31/12/2022"_s;
        QByteArray cles = film;
        const qsizetype k = cles.indexOf("keys");
        cles.replace(k + 8, 4, GB32(0xFFFFFFFF)); // a count of 2^32 - 1
        QTest::newRow("keys claiming 2^32 - 1 entries") << cles << u"1|iPhone 15 Pro|21/05/2023"_s;
        QByteArray cleLongue = film;
        cleLongue.replace(k + 12, 4, GB32(0x7FFFFFFF)); // the first key's size
        QTest::newRow("a key's size past the box") << cleLongue << u"1|DMC-GH4|31/12/2022"_s;
        QByteArray cleCourte = film;
        cleCourte.replace(k + 12, 4, GB32(3));
        QTest::newRow("a key's size below its header") << cleCourte << u"1|DMC-GH4|31/12/2022"_s;
        QByteArray index = film;
        const qsizetype il = index.indexOf("ilst");
        index.replace(il + 8, 4, GB32(7)); // the first item names a key that is not there
        QTest::newRow("an item's index outside the keys") << index << u"1|DMC-GH4|21/05/2023"_s;
        QByteArray texte = film;
        const qsizetype mod = texte.indexOf("\xA9mod");
        texte.replace(mod + 4, 2, GB16(0xFFFF)); // the text's size past the atom
        texte.replace(k + 12, 4, GB32(3));
        QTest::newRow("©mod's size past its atom") << texte << u"1||31/12/2022"_s;
        QByteArray donnees = film;
        const qsizetype d = donnees.indexOf("data");
        donnees.replace(d - 4, 4, GB32(0xFFFFFF00)); // a data atom past its item
        QTest::newRow("data atom past its item") << donnees << u"1|DMC-GH4|21/05/2023"_s;
        QByteArray meta = film;
        meta.replace(meta.indexOf("hdlr") + 12, 4, "mdir");
        QTest::newRow("keys under another handler") << meta << u"1|DMC-GH4|31/12/2022"_s;
        // Canon's box whose offsets point outside its CMT boxes.
        TConstructeurTIFF hors(false);
        hors.AjouterIFD0(hors.Brute(kTagModel, 2, 40, 4000));
        TOptionsFilm canon = o;
        canon.cmt1 = hors.Construire();
        QTest::newRow("Canon offset outside its box") << FilmAvecValeurs(canon) << u"1|iPhone 15 Pro|21/05/2023"_s;
        QByteArray profond = BoiteISO("free", {});
        for (int i = 0; i < 400; ++i)
            profond = BoiteISO("udta", profond);
        QTest::newRow("400 nested udta") << ftyp + BoiteISO("moov", profond) << u"0||"_s;
        QByteArray vides;
        for (int i = 0; i < 3000; ++i)
            vides += BoiteISO("free", {});
        QTest::newRow("3000 empty boxes in moov") << ftyp + BoiteISO("moov", vides + moov.mid(8)) << u"0||"_s;
        QTest::newRow("moov of size 4") << ftyp + GB32(4) + "moov" + moov << u"0||"_s;
        QTest::newRow("ftyp alone") << ftyp << u"0||"_s;
    }
    void malformes()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QString, attendu);
        QCOMPARE(Lire(octets), attendu);
    }

    // Every prefix of a video reads without fault, and gives for each value what one of
    // the file's sources holds, or nothing.
    void fichiersCoupes()
    {
        TOptionsFilm o;
        o.cles = {kModeleAndroid};
        o.modele = "HERO12 Black";
        o.date = "2024-01-02T03:04:05Z";
        o.creation = kMidi;
        o.cmt2 = TIFFExifSeul(Canon());
        o.moovApresMdat = true;
        const QByteArray film = FilmAvecValeurs(o);
        const QString entier = Lire(film);
        QCOMPARE(entier, u"1|Pixel 8|02/08/2024|24|1/125°|5,6|800"_s);
        const QStringList champs = entier.split(u'|');
        const QStringList possibles[] = {{}, {u"Pixel 8"_s, u"HERO12 Black"_s},
                                         {u"02/08/2024"_s, u"02/01/2024"_s, u"31/12/2022"_s}};
        for (qsizetype n = 0; n < film.size(); ++n) {
            const QStringList partiel = Lire(film.left(n)).split(u'|');
            for (int i = 1; i < partiel.size(); ++i)
                QVERIFY2(partiel[i].isEmpty() || partiel[i] == champs[i] || (i <= 2 && possibles[i].contains(partiel[i])),
                         qPrintable(QString::number(n) + u": "_s + partiel.join(u'|')));
        }
    }

    // A video's content must show its boxes: other first bytes are not read; a JPEG
    // named .MP4 is read as the JPEG it is.
    void contenu_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("attendu");
        TOptionsFilm o;
        o.cles = {kModeleApple, kDateApple};
        const QByteArray film = FilmAvecValeurs(o);
        QTest::newRow("video") << film << u"1|iPhone 15 Pro|21/05/2023"_s;
        QTest::newRow("a byte before the boxes") << QByteArray(1, '\0') + film << u"0||"_s;
        QByteArray autre = film;
        autre.replace(4, 4, "junk");
        QTest::newRow("first box of another type") << autre << u"0||"_s;
        QTest::newRow("empty") << QByteArray() << u"0||"_s;
        QTest::newRow("JPEG") << JPEGAvecTIFF(TIFFAvecValeurs(Canon())) << kCanon;
    }
    void contenu()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QString, attendu);
        QCOMPARE(LireFichierFilm(Ecrire(u"V.mp4"_s, octets)), attendu);
    }

    // The movie header's time is UTC: the date is the computer's local day at that
    // instant. 2023-05-21 20:30 UTC is the 22nd in Tokyo and the 21st in Los Angeles;
    // the dates the keys write are the camera's, the same everywhere.
    void fuseauxHoraires_data()
    {
        QTest::addColumn<QString>("tz");
        QTest::addColumn<QString>("mvhd");
        QTest::addColumn<QString>("cles");
        // POSIX forms: no time zone database needed.
        QTest::newRow("UTC+9") << u"JST-9"_s << u"22/05/2023"_s << u"21/05/2023"_s;
        QTest::newRow("UTC-7") << u"PDT7"_s << u"21/05/2023"_s << u"21/05/2023"_s;
        QTest::newRow("UTC") << u"UTC0"_s << u"21/05/2023"_s << u"21/05/2023"_s;
    }
    void fuseauxHoraires()
    {
        QFETCH(QString, tz);
        QFETCH(QString, mvhd);
        QFETCH(QString, cles);
        const QString commande = QCoreApplication::applicationDirPath() + u"/clarvane-exif"_s;
        if (!QFileInfo(commande).isExecutable())
            QSKIP("clarvane-exif is not built beside the tests");
        TOptionsFilm o;
        o.creation = Secondes1904(2023, 5, 21, 20, 30, 0);
        const QString parEntete = Ecrire(u"entete.mp4"_s, FilmAvecValeurs(o));
        o.cles = {kDateApple};
        const QString parCles = Ecrire(u"cles.mp4"_s, FilmAvecValeurs(o));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"TZ"_s, tz);
        p.setProcessEnvironment(env);
        p.start(commande, {parEntete, parCles});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QList<QByteArray> lignes = p.readAllStandardOutput().split('\n');
        QCOMPARE(lignes.size(), 3);
        QCOMPARE(lignes[0], parEntete.toUtf8() + "\t1\t\t\t\t\t" + mvhd.toUtf8() + "\t");
        QCOMPARE(lignes[1], parCles.toUtf8() + "\t1\t\t\t\t\t" + cles.toUtf8() + "\t");
    }

    // A Sony clip holds neither camera nor date in its boxes: its XML file beside it
    // gives them, after the boxes' own values and before the movie header's time.
    void xmlSony_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QByteArray>("contenuXML");
        QTest::addColumn<TOptionsFilm>("o");
        QTest::addColumn<QString>("attendu");
        TOptionsFilm sony;
        sony.marque = "XAVC";
        sony.creation = kMidi;
        const QByteArray xml = XMLSony("ILCE-7M4", "2024-08-02T23:15:00+02:00");
        QTest::newRow("C0001.MP4") << u"C0001.MP4"_s << u"C0001M01.XML"_s << xml << sony << u"1|ILCE-7M4|02/08/2024"_s;
        QTest::newRow("lower case") << u"c0002.mp4"_s << u"c0002m01.xml"_s << xml << sony << u"1|ILCE-7M4|02/08/2024"_s;
        QTest::newRow("no XML: mvhd") << u"C0003.MP4"_s << u"C0004M01.XML"_s << xml << sony << u"1||31/12/2022"_s;
        QTest::newRow("XML of a .MOV: not read") << u"C0005.MOV"_s << u"C0005M01.XML"_s << xml << sony << u"1||31/12/2022"_s;
        QTest::newRow("model alone, mvhd's date") << u"C0006.MP4"_s << u"C0006M01.XML"_s << XMLSony("ILCE-1", {}) << sony
                                                  << u"1|ILCE-1|31/12/2022"_s;
        QTest::newRow("date alone") << u"C0007.MP4"_s << u"C0007M01.XML"_s << XMLSony({}, "2021-03-04T05:06:07Z") << sony
                                    << u"1||04/03/2021"_s;
        QTest::newRow("cut XML: what comes before") << u"C0008.MP4"_s << u"C0008M01.XML"_s
                                                    << xml.left(xml.indexOf("<Device")) + "<Dev" << sony << u"1||02/08/2024"_s;
        QTest::newRow("not XML") << u"C0009.MP4"_s << u"C0009M01.XML"_s << QByteArray(5000, '\xFF') << sony << u"1||31/12/2022"_s;
        QByteArray gros = xml;
        gros.insert(gros.indexOf("<CreationDate"), "<!--" + QByteArray(70000, '-').replace("--", "- ") + "-->\n");
        QTest::newRow("values past 64 KB") << u"C0010.MP4"_s << u"C0010M01.XML"_s << gros << sony << u"1||31/12/2022"_s;
        QByteArray entites = "<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                             "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
                             "<NonRealTimeMeta><Device modelName=\"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"/></NonRealTimeMeta>";
        QTest::newRow("entities that swell") << u"C0011.MP4"_s << u"C0011M01.XML"_s << entites << sony << u"1||31/12/2022"_s;
        TOptionsFilm apple = sony;
        apple.cles = {kModeleApple, kDateApple};
        QTest::newRow("keys before the XML") << u"C0012.MP4"_s << u"C0012M01.XML"_s << xml << apple << u"1|iPhone 15 Pro|21/05/2023"_s;
        apple.cles = {kModeleApple};
        QTest::newRow("keys' model, XML's date") << u"C0013.MP4"_s << u"C0013M01.XML"_s << xml << apple << u"1|iPhone 15 Pro|02/08/2024"_s;
    }
    void xmlSony()
    {
        QFETCH(QString, clip);
        QFETCH(QString, xml);
        QFETCH(QByteArray, contenuXML);
        QFETCH(TOptionsFilm, o);
        QFETCH(QString, attendu);
        QTemporaryDir dossier;
        QVERIFY(EcrireFichier(dossier.filePath(xml), contenuXML));
        QVERIFY(EcrireFichier(dossier.filePath(clip), FilmAvecValeurs(o)));
        QCOMPARE(LireFichierFilm(dossier.filePath(clip)), attendu);
    }

    // What stands in the XML's place may be anything: a fifo (never waited on), a folder,
    // a link to a file (read), a broken link; a clip whose name is not UTF-8, or whose path
    // is longer than PATH_MAX.
    void xmlSonyHostile()
    {
        QTemporaryDir dossier;
        const QByteArray d = QFile::encodeName(dossier.path()) + '/';
        TOptionsFilm o;
        o.creation = kMidi;
        const QByteArray film = FilmAvecValeurs(o);
        QVERIFY(EcrireOctets(d + "C0001.MP4", film));
        QCOMPARE(::mkfifo((d + "C0001M01.XML").constData(), 0600), 0);
        QCOMPARE(LireFichierFilm(dossier.filePath(u"C0001.MP4"_s)), u"1||31/12/2022"_s);
        QVERIFY(EcrireOctets(d + "C0002.MP4", film));
        QVERIFY(CreerDossierOctets(d + "C0002M01.XML"));
        QCOMPARE(LireFichierFilm(dossier.filePath(u"C0002.MP4"_s)), u"1||31/12/2022"_s);
        QVERIFY(EcrireOctets(d + "C0003.MP4", film));
        QVERIFY(EcrireOctets(d + "ailleurs.xml", XMLSony("ILCE-6700", "2024-01-01T00:00:00+01:00")));
        QCOMPARE(::symlink("ailleurs.xml", (d + "C0003M01.XML").constData()), 0);
        QCOMPARE(LireFichierFilm(dossier.filePath(u"C0003.MP4"_s)), u"1|ILCE-6700|01/01/2024"_s);
        QVERIFY(EcrireOctets(d + "C0004.MP4", film));
        QCOMPARE(::symlink("nulle-part.xml", (d + "C0004M01.XML").constData()), 0);
        QCOMPARE(LireFichierFilm(dossier.filePath(u"C0004.MP4"_s)), u"1||31/12/2022"_s);
        QVERIFY(EcrireOctets(d + "caf\xE9.MP4", film));
        QVERIFY(EcrireOctets(d + "caf\xE9M01.XML", XMLSony("ILCE-7C", "2020-10-10T10:10:10+02:00")));
        QCOMPARE(LireFichierFilm(NomDepuisOctets(d + "caf\xE9.MP4")), u"1|ILCE-7C|10/10/2020"_s);
        // A clip and its XML file past PATH_MAX.
        QByteArray profond = d;
        for (int niveau = 0; niveau < 18; ++niveau) {
            profond += QByteArray(240, char('a' + niveau)) + '/';
            QVERIFY(CreerDossierOctets(profond));
        }
        QVERIFY(profond.size() > 4096);
        QVERIFY(EcrireOctets(profond + "C0005.MP4", film));
        QVERIFY(EcrireOctets(profond + "C0005M01.XML", XMLSony("ILCE-9M3", "2025-01-02T03:04:05+09:00")));
        QCOMPARE(LireFichierFilm(NomDepuisOctets(profond + "C0005.MP4")), u"1|ILCE-9M3|02/01/2025"_s);
        SupprimerArbre(QFile::encodeName(dossier.path())); // names QDir cannot remove
    }

    void nomXMLSony()
    {
        QCOMPARE(NomXMLSony(u"C0001.MP4"), u"C0001M01.XML"_s);
        QCOMPARE(NomXMLSony(u"/carte/PRIVATE/M4ROOT/CLIP/C0001.mp4"), u"/carte/PRIVATE/M4ROOT/CLIP/C0001M01.XML"_s);
        for (const char16_t *nom : {u"C0001.MOV", u"C0001.MP4.bak", u"C0001", u"C0001.MP", u"a.mp4x"})
            QVERIFY2(NomXMLSony(nom).isEmpty(), qPrintable(QString::fromUtf16(nom)));
    }

    // The writer is checked against an independent reader: what exiftool reads in the
    // built files is what they were built with.
    void ecrivainSelonExiftool()
    {
        const QString exiftool = QStandardPaths::findExecutable(u"exiftool"_s);
        if (exiftool.isEmpty())
            QSKIP("exiftool is not installed (Debian package libimage-exiftool-perl)");
        TOptionsFilm o;
        o.cles = {kModeleApple, kDateApple, kModeleAndroid};
        o.modele = "DMC-GH4";
        o.date = "2019-07-14T08:00:00-0800";
        o.creation = Secondes1904(2023, 5, 21, 20, 30, 0);
        o.cmt1 = TIFFModele(Canon());
        o.cmt2 = TIFFExifSeul(Canon());
        o.moovApresMdat = true;
        TOptionsFilm donnees = o;
        donnees.mvhdVersion1 = true;
        donnees.mdat64 = true;
        donnees.moov64 = true;
        TOptionsFilm liste = o;
        liste.listeUtilisateur = true;
        liste.marque = {};
        liste.premiere = "wide";
        QStringList chemins;
        for (const TOptionsFilm *f : {&o, &donnees, &liste})
            chemins.append(Ecrire(u"exiftool%1.mov"_s.arg(chemins.size()), FilmAvecValeurs(*f)));
        QProcess p;
        p.start(exiftool, QStringList{u"-j"_s, u"-G1"_s, u"-a"_s, u"-n"_s} + chemins);
        QVERIFY(p.waitForFinished(120000));
        const QJsonArray fichiers = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
        QCOMPARE(fichiers.size(), chemins.size());
        for (const QJsonValue &f : fichiers) {
            const QJsonObject t = f.toObject();
            const auto valeur = [&](const char *nom) { return t.value(QLatin1StringView(nom)).toVariant().toString(); };
            QCOMPARE(valeur("Keys:Model"), u"iPhone 15 Pro"_s);
            QCOMPARE(valeur("Keys:CreationDate"), u"2023:05:21 23:40:12+02:00"_s);
            QCOMPARE(valeur("Keys:AndroidModel"), u"Pixel 8"_s);
            // exiftool names ©mod of an item list by its code.
            const bool dansListe = t.contains(u"ItemList:ContentCreateDate"_s);
            QCOMPARE(valeur(dansListe ? "ItemList:UserData_mod" : "UserData:Model"), u"DMC-GH4"_s);
            QCOMPARE(valeur(dansListe ? "ItemList:ContentCreateDate" : "UserData:ContentCreateDate"),
                     u"2019:07:14 08:00:00-08:00"_s);
            QCOMPARE(valeur("QuickTime:CreateDate"), u"2023:05:21 20:30:00"_s);
            QCOMPARE(valeur("IFD0:Model"), u"Canon EOS R5"_s);
            QCOMPARE(valeur("ExifIFD:DateTimeOriginal"), u"2024:08:02 09:15:00"_s);
            QCOMPARE(valeur("ExifIFD:ISO"), u"800"_s);
        }
    }
};

QTEST_GUILESS_MAIN(TestFilms)
#include "tst_films.moc"
