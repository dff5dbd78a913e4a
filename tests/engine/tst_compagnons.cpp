// Companions (sidecars, memos, thumbnails, edits) travelling with their image through whole
// runs on temporary trees, the shots numbered together, the files a copy run leaves named
// in the log, and the preview announcing what the run will do.
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QLocale>
#include <QTest>

#include "BancTraitement.h"
#include "Fichiers.h"
#include "OperationsPiegees.h"
#include "PetitDisque.h"
#include "engine/Annulation.h"
#include "engine/Compagnons.h"
#include "engine/JournalTraitement.h"
#include "metadata/Nombres.h"

using namespace Qt::StringLiterals;

namespace {

const QString kCanon = u"Canon EOS 300D"_s;

// The log's lines.
QStringList Lignes(const TBanc &b)
{
    const QString texte = QString::fromUtf8(LireFichier(b.Journal()));
    return texte.isEmpty() ? QStringList() : texte.chopped(2).split(u"\r\n"_s);
}

QString NonCopie(const QString &chemin)
{
    return u"Non copié (ni image ni fichier associé) : "_s + chemin;
}

QString Laisse(const QString &chemin)
{
    return u"Non copié (fichier associé à une image non copiée) : "_s + chemin;
}

// The preview's entries as text: "folder/name size", each companion after its image as
// "  + name size".
QStringList Entrees(const TListeImages &apercu)
{
    QStringList lignes;
    for (const TEnrFichier &e : apercu) {
        lignes.append(u"%1%2 %3"_s.arg(e.Dossier, e.Nom).arg(e.Taille));
        for (const TEnrCompagnon &c : e.Compagnons)
            lignes.append(u"  + %1 %2"_s.arg(c.Nom).arg(c.Taille));
    }
    return lignes;
}

// Every file a preview of a copy says the destination will hold, relative to it: each
// entry's companions, and the entries under their own names but for those that a notice
// announces under a number (entries of one name cannot be told apart in the tree).
QStringList CiblesAnnoncees(const TBanc &b)
{
    QHash<QString, QStringList> numerotes;
    for (const QString &ligne : b.retour.apercuErreurs)
        if (const qsizetype p = ligne.indexOf(u" (existant) sera copié en "_s); p > 0)
            numerotes[ligne.left(p)].append(ligne.mid(p + 26).mid(b.dst.size()));
    QStringList cibles;
    for (const TEnrFichier &e : b.retour.apercu) {
        QStringList &numeros = numerotes[b.dst + e.Dossier.mid(1) + e.Nom];
        cibles.append(numeros.isEmpty() ? e.Dossier.mid(1) + e.Nom : numeros.takeFirst());
        for (const TEnrCompagnon &c : e.Compagnons)
            cibles.append(e.Dossier.mid(1) + c.Nom);
    }
    cibles.sort();
    return cibles;
}

} // namespace

class TestCompagnons : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void noms_data();
    void noms();
    void formes_data();
    void formes();
    void numerote_data();
    void numerote();
    void nomDuCompagnonPris_data();
    void nomDuCompagnonPris();
    void partage_data();
    void partage();
    void paire_data();
    void paire();
    void annulation_data();
    void annulation();
    void nonCopies_data();
    void nonCopies();
    void laissesAvecLeurImage();
    void apercuCommeLeTraitement_data();
    void apercuCommeLeTraitement();
    void cheminsHostiles_data();
    void cheminsHostiles();
    void compagnonSurDisquePlein();
};

void TestCompagnons::noms_data()
{
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("compagnon");
    QTest::addColumn<bool>("nomEntier");
    QTest::addColumn<QString>("cible");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("stem") << u"IMG_0001.CR3"_s << u"IMG_0001.xmp"_s << false << u"IMG_0001(2).CR3"_s
                          << u"IMG_0001(2).xmp"_s;
    QTest::newRow("whole name") << u"IMG_0001.CR3"_s << u"IMG_0001.CR3.XMP"_s << true
                                << u"IMG_0001(2).CR3"_s << u"IMG_0001(2).CR3.XMP"_s;
    QTest::newRow("prefix") << u"a.b.JPG"_s << u"a.b.Wav"_s << false << u"Canon-a.b.JPG"_s
                            << u"Canon-a.b.Wav"_s;
    QTest::newRow("suffix after the stem") << u"C0001.MP4"_s << u"C0001M01.XML"_s << false
                                           << u"C0001(3).MP4"_s << u"C0001(3)M01.XML"_s;
}

void TestCompagnons::noms()
{
    QFETCH(QString, image);
    QFETCH(QString, compagnon);
    QFETCH(bool, nomEntier);
    QFETCH(QString, cible);
    QFETCH(QString, attendu);
    QCOMPARE(NomCompagnon(image, TEnrCompagnon{compagnon, 1, nomEntier}, cible), attendu);
}

// Each form of companion, and what is not one, in both modes: a companion ends beside its
// image under its target name, with its bytes; anything else stays, named by a copy run.
void TestCompagnons::formes_data()
{
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("autre");
    QTest::addColumn<bool>("compagnon");
    QTest::addColumn<bool>("nomme"); // by a copy run, when it is no companion
    const auto ligne = [](const char *nom, const QString &image, const QString &autre, bool compagnon,
                          bool nomme = true) {
        QTest::newRow(nom) << image << autre << compagnon << nomme;
    };
    ligne("xmp", u"IMG_0001.CR3"_s, u"IMG_0001.xmp"_s, true);
    ligne("XMP", u"IMG_0001.CR3"_s, u"IMG_0001.XMP"_s, true);
    ligne("whole name xmp", u"IMG_0001.CR3"_s, u"IMG_0001.CR3.xmp"_s, true);
    ligne("whole name Xmp", u"IMG_0001.CR3"_s, u"IMG_0001.CR3.Xmp"_s, true);
    ligne("thm", u"MVI_0001.JPG"_s, u"MVI_0001.THM"_s, true);
    ligne("wav", u"IMG_0002.JPG"_s, u"IMG_0002.WAV"_s, true);
    ligne("aae", u"IMG_0004.HEIC"_s, u"IMG_0004.aae"_s, true);
    ligne("Sony clip's XML", u"C0001.MP4"_s, u"C0001M01.XML"_s, true);
    ligne("dots in the stem", u"a.b.JPG"_s, u"a.b.xmp"_s, true);
    ligne("hidden", u"IMG_0001.JPG"_s, u".IMG_0001.xmp"_s, false, false);
    ligne("stem of another case", u"IMG_0001.JPG"_s, u"img_0001.xmp"_s, false);
    ligne("whole name of another case", u"IMG_0001.JPG"_s, u"IMG_0001.jpg.xmp"_s, false);
    ligne("whole name wav", u"IMG_0001.JPG"_s, u"IMG_0001.JPG.wav"_s, false);
    ligne("another suffix", u"IMG_0001.JPG"_s, u"IMG_0001.txt"_s, false);
    ligne("suffix alone", u"IMG_0001.JPG"_s, u"xmp"_s, false);
    ligne("stem of no image", u"IMG_0001.JPG"_s, u"IMG_0002.xmp"_s, false);
    ligne("xmp of the stem only", u"IMG_0001.JPG"_s, u"IMG_0001xmp"_s, false);
}

void TestCompagnons::formes()
{
    QFETCH(QString, image);
    QFETCH(QString, autre);
    QFETCH(bool, compagnon);
    QFETCH(bool, nomme);
    for (const bool copie : {true, false}) {
        TBanc b;
        b.options.options.lCopier = copie;
        b.options.options.nSep = 2; // "-"
        QVERIFY(Photo(b.src + image));
        QVERIFY(EcrireFichier(b.src + autre, "compagnon " + autre.toUtf8()));
        b.retour.reponses = {true};
        b.Lancer(true);
        const QString texte = copie ? u"copy: "_s : u"rename: "_s;
        QCOMPARE(b.retour.Appels(u"Information"_s).value(0).section(u'\r', 0, 0),
                 u"Information: 1 images traitées (1000 Oct)."_s);
        if (copie) {
            QStringList attendus{kCanon + u'/' + image};
            if (compagnon)
                attendus.append(kCanon + u'/' + autre);
            attendus.sort();
            QCOMPARE(Fichiers(b.dst), attendus);
            QCOMPARE(Lignes(b), compagnon || !nomme ? QStringList() : QStringList{NonCopie(b.src + autre)});
            if (compagnon)
                QCOMPARE(LireFichier(b.dst + kCanon + u'/' + autre), "compagnon " + autre.toUtf8());
        } else {
            QStringList attendus{kCanon + u'-' + image, compagnon ? kCanon + u'-' + autre : autre};
            attendus.sort();
            QVERIFY2(Fichiers(b.src) == attendus, qPrintable(texte + Fichiers(b.src).join(u", ")));
            QCOMPARE(Lignes(b), QStringList());
        }
    }
}

// An image numbered because its name is taken gives its number to its companions, and
// the number is one that leaves them free too.
void TestCompagnons::numerote_data()
{
    QTest::addColumn<bool>("traiter");
    QTest::addColumn<QStringList>("deja"); // in the target folder before the run
    QTest::addColumn<int>("numero");
    for (const bool traiter : {true, false}) {
        const char *quoi = traiter ? "processing" : "preview";
        QTest::addRow("%s, image taken", quoi) << traiter << QStringList{u"IMG_0001.CR3"_s} << 2;
        QTest::addRow("%s, numbered companion taken", quoi)
            << traiter << QStringList{u"IMG_0001.CR3"_s, u"IMG_0001(2).xmp"_s} << 3;
        QTest::addRow("%s, whole name companion taken", quoi)
            << traiter << QStringList{u"IMG_0001.CR3"_s, u"IMG_0001(2).CR3.XMP"_s, u"IMG_0001(3).wav"_s} << 4;
    }
}

void TestCompagnons::numerote()
{
    QFETCH(bool, traiter);
    QFETCH(QStringList, deja);
    QFETCH(int, numero);
    TBanc b;
    const QString dossier = b.dst + kCanon + u'/';
    QVERIFY(Photo(b.src + u"IMG_0001.CR3"_s));
    for (const QString &nom : {u"IMG_0001.xmp"_s, u"IMG_0001.CR3.XMP"_s, u"IMG_0001.wav"_s})
        QVERIFY(EcrireFichier(b.src + nom, nom.toUtf8()));
    for (const QString &nom : deja)
        QVERIFY(EcrireFichier(dossier + nom, "déjà là"));
    b.retour.reponses = {true};
    b.Lancer(traiter);

    const QString n = u"(%1)"_s.arg(numero);
    const QString notice = u"%1IMG_0001.CR3 (existant) %2 copié en %1IMG_0001%3.CR3"_s
                               .arg(dossier, traiter ? u"a été"_s : u"sera"_s, n);
    if (traiter) {
        QCOMPARE(Lignes(b), QStringList{notice});
        for (const QString &nom : {u"IMG_0001.xmp"_s, u"IMG_0001.CR3.XMP"_s, u"IMG_0001.wav"_s}) {
            QString cible = nom;
            cible.insert(8, n);
            QCOMPARE(LireFichier(dossier + cible), nom.toUtf8());
        }
        QCOMPARE(LireFichier(dossier + u"IMG_0001"_s + n + u".CR3"_s), LireFichier(b.src + u"IMG_0001.CR3"_s));
        for (const QString &nom : deja)
            QCOMPARE(LireFichier(dossier + nom), QByteArray("déjà là"));
        QCOMPARE(Fichiers(b.dst).size(), deja.size() + 4);
    } else {
        QCOMPARE(b.retour.apercuErreurs, QStringList{notice});
        // The image under its own name, its companions under their target names.
        QCOMPARE(Entrees(b.retour.apercu), (QStringList{
            u"/Canon EOS 300D/IMG_0001.CR3 1000"_s, u"  + IMG_0001%1.CR3.XMP 16"_s.arg(n),
            u"  + IMG_0001%1.wav 12"_s.arg(n), u"  + IMG_0001%1.xmp 12"_s.arg(n)}));
        QCOMPARE(Fichiers(b.dst).size(), deja.size());
    }
}

// A companion's name that is taken is never replaced. In copy mode, found taken before
// the copy, it numbers its image as the image's own name would: the image never lands
// beside a file that is not its companion, its own left behind. Taken meanwhile, or in
// rename mode, the line names it and its image is handled all the same.
void TestCompagnons::nomDuCompagnonPris_data()
{
    QTest::addColumn<bool>("copie");
    QTest::addColumn<bool>("traiter");
    QTest::addColumn<bool>("pendant"); // taken while its image is copied
    QTest::newRow("copy") << true << true << false;
    QTest::newRow("copy preview") << true << false << false;
    QTest::newRow("copy, taken meanwhile") << true << true << true;
    QTest::newRow("rename") << false << true << false;
}

void TestCompagnons::nomDuCompagnonPris()
{
    QFETCH(bool, copie);
    QFETCH(bool, traiter);
    QFETCH(bool, pendant);
    TBanc b;
    b.options.options.lCopier = copie;
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    QVERIFY(EcrireFichier(b.src + u"IMG_0001.xmp"_s, "le mien"));
    QVERIFY(EcrireFichier(b.src + u"IMG_0001.WAV"_s, "mémo"));
    const QString dossier = b.dst + kCanon + u'/';
    const QString pris = copie ? dossier + u"IMG_0001.xmp"_s : b.src + kCanon + u"-IMG_0001.xmp"_s;
    TOperationsPiegees operations;
    if (pendant) {
        QVERIFY(QDir().mkpath(dossier));
        operations.ApresMorceau = [&] {
            if (!QFile::exists(pris))
                QVERIFY(EcrireFichier(pris, "un autre"));
        };
        b.retour.operations = &operations;
    } else {
        QVERIFY(EcrireFichier(pris, "un autre"));
    }
    b.retour.reponses = {true};
    b.Lancer(traiter);
    QCOMPARE(LireFichier(pris), QByteArray("un autre"));

    if (copie && !pendant) {
        const QString notice = u"%1IMG_0001.JPG (existant) %2 copié en %1IMG_0001(2).JPG"_s.arg(
            dossier, traiter ? u"a été"_s : u"sera"_s);
        if (!traiter) {
            QCOMPARE(b.retour.apercuErreurs, QStringList{notice});
            QCOMPARE(Entrees(b.retour.apercu), (QStringList{u"/Canon EOS 300D/IMG_0001.JPG 1000"_s,
                                                            u"  + IMG_0001(2).WAV 5"_s, u"  + IMG_0001(2).xmp 7"_s}));
            return;
        }
        QCOMPARE(Lignes(b), QStringList{notice});
        QCOMPARE(Fichiers(b.dst), (QStringList{kCanon + u"/IMG_0001(2).JPG"_s, kCanon + u"/IMG_0001(2).WAV"_s,
                                               kCanon + u"/IMG_0001(2).xmp"_s, kCanon + u"/IMG_0001.xmp"_s}));
        QCOMPARE(LireFichier(dossier + u"IMG_0001(2).xmp"_s), QByteArray("le mien"));
        return;
    }
    // The same line in the preview and in the run, with the system's cause.
    const QString ligne = (copie ? u"Impossible de copier %1IMG_0001.xmp vers %2"_s.arg(b.src, pris)
                                 : u"Impossible de renommer %1IMG_0001.xmp en %2"_s.arg(b.src, pris))
        + u" : "_s + MessageSysteme(EEXIST);
    QCOMPARE(Lignes(b), QStringList{ligne});
    QCOMPARE(b.retour.Appels(u"Information"_s).value(0).section(u'\r', 0, 0),
             u"Information: 1 images traitées (1000 Oct)."_s);
    if (copie) {
        QCOMPARE(Fichiers(b.dst), (QStringList{kCanon + u"/IMG_0001.JPG"_s, kCanon + u"/IMG_0001.WAV"_s,
                                               kCanon + u"/IMG_0001.xmp"_s}));
        QCOMPARE(LireFichier(b.src + u"IMG_0001.xmp"_s), QByteArray("le mien"));
    } else {
        QCOMPARE(Fichiers(b.src), (QStringList{kCanon + u"-IMG_0001.JPG"_s, kCanon + u"-IMG_0001.WAV"_s,
                                               kCanon + u"-IMG_0001.xmp"_s, u"IMG_0001.xmp"_s}));
    }
}

// One companion for several images of one name: in copy mode once into each folder that
// receives one of them; in rename mode it follows the image that is no JPEG or HEIF, else
// the first of them; an image of the shot without values keeps it.
void TestCompagnons::partage_data()
{
    QTest::addColumn<bool>("copie");
    QTest::addColumn<QStringList>("images"); // name=camera, "" for no values
    QTest::addColumn<QStringList>("attendus"); // destination (copy) or source (rename)
    const auto appareils = [](const QStringList &l) { return l; };
    QTest::newRow("copy, one folder")
        << true << appareils({u"IMG_0001.NEF=Canon EOS 300D"_s, u"IMG_0001.JPG=Canon EOS 300D"_s})
        << QStringList{u"Canon EOS 300D/IMG_0001.JPG"_s, u"Canon EOS 300D/IMG_0001.NEF"_s,
                       u"Canon EOS 300D/IMG_0001.NEF.xmp"_s, u"Canon EOS 300D/IMG_0001.xmp"_s};
    QTest::newRow("copy, two folders")
        << true << appareils({u"IMG_0001.NEF=NIKON D70"_s, u"IMG_0001.JPG=Canon EOS 300D"_s})
        << QStringList{u"Canon EOS 300D/IMG_0001.JPG"_s, u"Canon EOS 300D/IMG_0001.xmp"_s,
                       u"NIKON D70/IMG_0001.NEF"_s, u"NIKON D70/IMG_0001.NEF.xmp"_s,
                       u"NIKON D70/IMG_0001.xmp"_s};
    QTest::newRow("rename, the raw")
        << false << appareils({u"IMG_0001.NEF=NIKON D70"_s, u"IMG_0001.JPG=Canon EOS 300D"_s})
        << QStringList{u"Canon EOS 300D-IMG_0001.JPG"_s, u"NIKON D70-IMG_0001.NEF"_s,
                       u"NIKON D70-IMG_0001.NEF.xmp"_s, u"NIKON D70-IMG_0001.xmp"_s};
    QTest::newRow("rename, HEIF and raw")
        << false << appareils({u"IMG_0001.HEIC=Canon EOS 300D"_s, u"IMG_0001.DNG=NIKON D70"_s})
        << QStringList{u"Canon EOS 300D-IMG_0001.HEIC"_s, u"NIKON D70-IMG_0001.DNG"_s,
                       u"NIKON D70-IMG_0001.xmp"_s};
    QTest::newRow("rename, two JPEGs")
        << false << appareils({u"IMG_0001.JPG=NIKON D70"_s, u"IMG_0001.JPEG=Canon EOS 300D"_s})
        << QStringList{u"Canon EOS 300D-IMG_0001.JPEG"_s, u"Canon EOS 300D-IMG_0001.xmp"_s,
                       u"NIKON D70-IMG_0001.JPG"_s};
    QTest::newRow("rename, the raw without values")
        << false << appareils({u"IMG_0001.NEF="_s, u"IMG_0001.JPG=Canon EOS 300D"_s})
        << QStringList{u"Canon EOS 300D-IMG_0001.JPG"_s, u"IMG_0001.NEF"_s, u"IMG_0001.xmp"_s};
}

void TestCompagnons::partage()
{
    QFETCH(bool, copie);
    QFETCH(QStringList, images);
    QFETCH(QStringList, attendus);
    TBanc b;
    b.options.options.lCopier = copie;
    b.options.options.nSep = 2;
    bool whole = false;
    for (const QString &i : images) {
        const QString nom = i.section(u'=', 0, 0), appareil = i.section(u'=', 1);
        QVERIFY(appareil.isEmpty() ? EcrireFichier(b.src + nom, JPEGSansEXIF())
                                   : Photo(b.src + nom, 1000, Appareil(appareil.toUtf8())));
        whole = whole || (nom.endsWith(u".NEF"_s) && !appareil.isEmpty());
    }
    QVERIFY(EcrireFichier(b.src + u"IMG_0001.xmp"_s, "partagé"));
    if (whole)
        QVERIFY(EcrireFichier(b.src + u"IMG_0001.NEF.xmp"_s, "le sien"));
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(Fichiers(copie ? b.dst : b.src), attendus);
    const QStringList lignes = Lignes(b);
    QVERIFY2(lignes.isEmpty() || lignes.first().startsWith(u"Aucune donnée EXIF lisible"_s),
             qPrintable(lignes.join(u'\n')));
    if (copie)
        for (const QString &f : attendus)
            if (f.endsWith(u"IMG_0001.xmp"_s))
                QCOMPARE(LireFichier(b.dst + f), QByteArray("partagé"));
}

// The images of one shot going into one folder take one number when either name is
// taken, each with its notice; the number is free for both and for their companions.
void TestCompagnons::paire_data()
{
    QTest::addColumn<bool>("traiter");
    QTest::addColumn<QStringList>("deja");
    QTest::addColumn<QString>("appareilJPEG");
    QTest::addColumn<QStringList>("attendus"); // the images' names, in the order of the list
    for (const bool traiter : {true, false}) {
        const char *quoi = traiter ? "processing" : "preview";
        QTest::addRow("%s, raw taken", quoi) << traiter << QStringList{u"IMG_0005.NEF"_s} << kCanon
            << QStringList{u"IMG_0005(2).JPG"_s, u"IMG_0005(2).NEF"_s};
        QTest::addRow("%s, JPEG taken", quoi) << traiter << QStringList{u"IMG_0005.JPG"_s} << kCanon
            << QStringList{u"IMG_0005(2).JPG"_s, u"IMG_0005(2).NEF"_s};
        QTest::addRow("%s, first number free for one only", quoi) << traiter
            << QStringList{u"IMG_0005.JPG"_s, u"IMG_0005(2).NEF"_s, u"IMG_0005(3).xmp"_s} << kCanon
            << QStringList{u"IMG_0005(4).JPG"_s, u"IMG_0005(4).NEF"_s};
        QTest::addRow("%s, two folders", quoi) << traiter << QStringList{u"IMG_0005.NEF"_s}
            << u"NIKON D70"_s << QStringList{u"IMG_0005.JPG"_s, u"IMG_0005(2).NEF"_s};
    }
}

void TestCompagnons::paire()
{
    QFETCH(bool, traiter);
    QFETCH(QStringList, deja);
    QFETCH(QString, appareilJPEG);
    QFETCH(QStringList, attendus);
    TBanc b;
    QVERIFY(Photo(b.src + u"IMG_0005.NEF"_s, 3000));
    QVERIFY(Photo(b.src + u"IMG_0005.JPG"_s, 1000, Appareil(appareilJPEG.toUtf8())));
    QVERIFY(EcrireFichier(b.src + u"IMG_0005.xmp"_s, "notes"));
    const QString canon = b.dst + kCanon + u'/';
    for (const QString &nom : deja)
        QVERIFY(EcrireFichier(canon + nom, "déjà là"));
    b.retour.reponses = {true};
    b.Lancer(traiter);

    const QString dossierJPEG = b.dst + appareilJPEG + u'/';
    QStringList notices;
    const QStringList propres{u"IMG_0005.JPG"_s, u"IMG_0005.NEF"_s};
    for (int k = 0; k < 2; ++k) {
        const QString dossier = k == 0 ? dossierJPEG : canon;
        if (attendus[k] != propres[k])
            notices.append(u"%1%2 (existant) %3 copié en %1%4"_s
                               .arg(dossier, propres[k], traiter ? u"a été"_s : u"sera"_s, attendus[k]));
    }
    if (!traiter) {
        QCOMPARE(b.retour.apercuErreurs, notices);
        return;
    }
    QCOMPARE(Lignes(b), notices);
    QCOMPARE(QFileInfo(dossierJPEG + attendus[0]).size(), 1000);
    QCOMPARE(QFileInfo(canon + attendus[1]).size(), 3000);
    // The companion beside the first of the shot to reach each folder.
    QCOMPARE(LireFichier(dossierJPEG + attendus[0].section(u'.', 0, 0) + u".xmp"_s), QByteArray("notes"));
    for (const QString &nom : deja)
        QCOMPARE(LireFichier(canon + nom), QByteArray("déjà là"));
}

// Companions are in the journal: the undo takes them back with their image.
void TestCompagnons::annulation_data()
{
    QTest::addColumn<bool>("copie");
    QTest::newRow("copy") << true;
    QTest::newRow("rename") << false;
}

void TestCompagnons::annulation()
{
    QFETCH(bool, copie);
    TBanc b;
    b.options.options.lCopier = copie;
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    QVERIFY(Photo(b.src + u"IMG_0002.CR3"_s));
    for (const QString &nom : {u"IMG_0001.WAV"_s, u"IMG_0002.CR3.xmp"_s, u"IMG_0002.xmp"_s})
        QVERIFY(EcrireFichier(b.src + nom, nom.toUtf8()));
    const QStringList avant = Fichiers(b.src);
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(Fichiers(copie ? b.dst : b.src).size(), 5);
    QVERIFY(Fichiers(copie ? b.dst : b.src).contains(copie ? kCanon + u"/IMG_0002.CR3.xmp"_s
                                                              : kCanon + u"-IMG_0002.CR3.xmp"_s));

    LancerAnnulation(b.retour);
    QCOMPARE(Fichiers(b.src), avant);
    QCOMPARE(Fichiers(b.dst), QStringList());
    QCOMPARE(SousDossiers(b.dst), QStringList());
    for (const QString &nom : avant)
        QCOMPARE(LireFichier(b.src + nom).isEmpty(), false);
    QCOMPARE(LireFichier(b.src + u"IMG_0002.xmp"_s), QByteArray("IMG_0002.xmp"));
}

// What a copy run leaves on the source is named, once, after the lines of the reading and
// before those of phase 2: hidden files and folders left out, links to files named,
// fifos not; rename mode names nothing.
void TestCompagnons::nonCopies_data()
{
    QTest::addColumn<bool>("copie");
    QTest::addColumn<bool>("recursif");
    QTest::newRow("copy, recursive") << true << true;
    QTest::newRow("copy, this folder") << true << false;
    QTest::newRow("rename, recursive") << false << true;
}

void TestCompagnons::nonCopies()
{
    QFETCH(bool, copie);
    QFETCH(bool, recursif);
    TBanc b;
    b.options.options.lCopier = copie;
    b.options.options.lLectRecurs = recursif;
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    QVERIFY(Photo(b.src + u"sous/IMG_0002.JPG"_s));
    QVERIFY(EcrireFichier(b.src + u"sans.jpg"_s, JPEGSansEXIF()));
    for (const QString &nom : {u"notes.txt"_s, u"IMG_0001.xmp"_s, u"sans.xmp"_s, u".cache.db"_s,
                               u".miniatures/a.txt"_s, u"sous/CANONMSC.CTG"_s, u"sous/lisez-moi"_s,
                               u"Zz.txt"_s})
        QVERIFY(EcrireFichier(b.src + nom, "x"));
    QVERIFY(::mkfifo(QFile::encodeName(b.src + u"tube"_s).constData(), 0644) == 0);
    QVERIFY(::symlink("notes.txt", QFile::encodeName(b.src + u"lien.txt"_s).constData()) == 0);
    QVERIFY(::symlink("nulle part", QFile::encodeName(b.src + u"brise.txt"_s).constData()) == 0);
    QVERIFY(EcrireFichier(b.dst + kCanon + u"/IMG_0001.JPG"_s, "déjà là"));
    b.retour.reponses = {true};
    b.Lancer(true);

    QStringList attendu{u"Aucune donnée EXIF lisible pour %1sans.jpg"_s.arg(b.src)};
    if (copie) {
        attendu << Laisse(b.src + u"sans.xmp"_s) << NonCopie(b.src + u"lien.txt"_s)
                << NonCopie(b.src + u"notes.txt"_s) << NonCopie(b.src + u"Zz.txt"_s);
        if (recursif)
            attendu << NonCopie(b.src + u"sous/CANONMSC.CTG"_s) << NonCopie(b.src + u"sous/lisez-moi"_s);
        attendu << u"%1IMG_0001.JPG (existant) a été copié en %1IMG_0001(2).JPG"_s.arg(b.dst + kCanon + u'/');
    }
    QCOMPARE(Lignes(b), attendu);
}

// A companion whose image is not copied stays, named right after its image's line; one
// that another image of the shot takes along is not.
void TestCompagnons::laissesAvecLeurImage()
{
    TBanc b;
    b.options.options.cOrdreDonEXIF = u"afvdpI"_s; // ISO only
    TValeursEXIF sansIso;
    sansIso.iso.reset();
    QVERIFY(Photo(b.src + u"A.JPG"_s, 1000, sansIso));
    QVERIFY(Photo(b.src + u"B.JPG"_s, 1000, sansIso));
    QVERIFY(Photo(b.src + u"B.NEF"_s));
    QVERIFY(Photo(b.src + u"C.JPG"_s));
    for (const QString &nom : {u"A.xmp"_s, u"A.JPG.xmp"_s, u"B.xmp"_s, u"C.wav"_s})
        QVERIFY(EcrireFichier(b.src + nom, "x"));
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(Lignes(b), (QStringList{u"Absence d'une donnée EXIF attendue pour %1A.JPG"_s.arg(b.src),
                                     Laisse(b.src + u"A.JPG.xmp"_s), Laisse(b.src + u"A.xmp"_s),
                                     u"Absence d'une donnée EXIF attendue pour %1B.JPG"_s.arg(b.src)}));
    QCOMPARE(Fichiers(b.dst), (QStringList{u"100 iso/B.NEF"_s, u"100 iso/B.xmp"_s, u"100 iso/C.JPG"_s,
                                           u"100 iso/C.wav"_s}));
}

// The preview announces the very names the run gives: images of one name from several
// folders, shots, companions; the files on disk and the targets planned both count.
void TestCompagnons::apercuCommeLeTraitement_data()
{
    QTest::addColumn<QStringList>("source");
    QTest::addColumn<QStringList>("deja");
    QTest::newRow("one name in three folders")
        << QStringList{u"j1/IMG_0001.JPG"_s, u"j1/IMG_0001.xmp"_s, u"j2/IMG_0001.JPG"_s,
                       u"j2/IMG_0001.xmp"_s, u"j3/IMG_0001.JPG"_s}
        << QStringList();
    QTest::newRow("one name in two folders, a number taken")
        << QStringList{u"j1/IMG_0001.JPG"_s, u"j2/IMG_0001.JPG"_s, u"j2/IMG_0001.JPG.xmp"_s}
        << QStringList{u"IMG_0001(2).JPG"_s};
    QTest::newRow("a shot after a single image")
        << QStringList{u"j1/IMG_0005.JPG"_s, u"j2/IMG_0005.JPG"_s, u"j2/IMG_0005.NEF"_s,
                       u"j2/IMG_0005.xmp"_s}
        << QStringList{u"IMG_0005(2).NEF"_s};
    QTest::newRow("a single image after a shot")
        << QStringList{u"j1/IMG_0005.JPG"_s, u"j1/IMG_0005.NEF"_s, u"j2/IMG_0005.NEF"_s,
                       u"j2/IMG_0005.wav"_s}
        << QStringList{u"IMG_0005.JPG"_s};
}

void TestCompagnons::apercuCommeLeTraitement()
{
    QFETCH(QStringList, source);
    QFETCH(QStringList, deja);
    TBanc b;
    b.options.options.lLectRecurs = true;
    for (const QString &nom : source)
        QVERIFY(EstImage(nom) ? Photo(b.src + nom) : EcrireFichier(b.src + nom, "x"));
    for (const QString &nom : deja)
        QVERIFY(EcrireFichier(b.dst + kCanon + u'/' + nom, "déjà là"));
    b.Lancer(false);
    QStringList annonce = CiblesAnnoncees(b);
    for (const QString &nom : deja)
        annonce.append(kCanon + u'/' + nom);
    annonce.sort();
    QCOMPARE(annonce.size(), source.size() + deja.size());

    b.retour.reponses = {true};
    b.Lancer(true);
    QVERIFY2(Fichiers(b.dst) == annonce, qPrintable(Fichiers(b.dst).join(u", ") + u"\n"_s + annonce.join(u", ")));
    QCOMPARE(Lignes(b).size(), b.retour.apercuErreurs.size());
}

// Names that are not UTF-8 and folders past PATH_MAX: companions found, copied or
// renamed on their very bytes; what is left named with them as \xHH.
void TestCompagnons::cheminsHostiles_data()
{
    QTest::addColumn<bool>("copie");
    QTest::addColumn<bool>("profond");
    QTest::newRow("copy, Latin-1") << true << false;
    QTest::newRow("rename, Latin-1") << false << false;
    QTest::newRow("copy, past PATH_MAX") << true << true;
    QTest::newRow("rename, past PATH_MAX") << false << true;
}

void TestCompagnons::cheminsHostiles()
{
    QFETCH(bool, copie);
    QFETCH(bool, profond);
    TBanc b;
    b.options.options.lCopier = copie;
    b.options.options.lLectRecurs = true;
    QByteArray dossier = b.Src() + "\xC9t\xE9/";
    QVERIFY(CreerDossierOctets(dossier));
    for (int niveau = 0; profond && niveau < 18; ++niveau) {
        dossier += QByteArray(240, char('a' + niveau)) + '/';
        QVERIFY(CreerDossierOctets(dossier));
    }
    QVERIFY(!profond || dossier.size() > 4096);
    QVERIFY(EcrireOctets(dossier + "caf\xE9.jpg", OctetsPhoto()));
    QVERIFY(EcrireOctets(dossier + "caf\xE9.xmp", "\xE9"));
    QVERIFY(EcrireOctets(dossier + "caf\xE9.jpg.XMP", "xmp"));
    QVERIFY(EcrireOctets(dossier + "caf\xE9.txt", "reste"));
    b.retour.reponses = {true};
    b.Lancer(true);
    const QByteArray prefixe = copie ? b.Dst() + "Canon EOS 300D/" : dossier + "Canon EOS 300D-";
    QCOMPARE(LireOctets(prefixe + "caf\xE9.xmp"), QByteArray("\xE9"));
    QCOMPARE(LireOctets(prefixe + "caf\xE9.jpg.XMP"), QByteArray("xmp"));
    QCOMPARE(ExisteOctets(dossier + "caf\xE9.xmp"), copie);
    QCOMPARE(LireOctets(dossier + "caf\xE9.txt"), QByteArray("reste"));
    QCOMPARE(LireFichier(b.Journal()),
             copie ? (NonCopie(NomLisible(NomDepuisOctets(dossier + "caf\xE9.txt"))) + u"\r\n"_s).toUtf8()
                   : QByteArray());
}

// A companion counts in the room asked of the destination, and one that finds it full
// ends phase 2 as an image would.
void TestCompagnons::compagnonSurDisquePlein()
{
    TPetitDisque disque;
    if (!disque.Valide())
        QSKIP(qPrintable(disque.Pourquoi()));
    TBanc b;
    b.options.options.cDossDst = disque.Chemin();
    for (const QString &nom : {u"A.JPG"_s, u"B.JPG"_s, u"C.JPG"_s})
        QVERIFY(Photo(b.src + nom));
    QVERIFY(EcrireFichier(b.src + u"A.WAV"_s, QByteArray(400000, 'w')));
    b.retour.reponses = {true};
    b.retour.reponsesPrudentes = {true};
    b.Lancer(true);
    const QStringList questions = b.retour.Appels(u"Prudente"_s);
    QCOMPARE(questions.size(), 1);
    QVERIFY2(questions[0].endsWith(u"pour %1 à copier. Continuer ?"_s.arg(TailleEnTexte(403000))),
             qPrintable(questions[0]));
    QCOMPARE(Lignes(b), (QStringList{
        u"Impossible de copier %1A.WAV vers %2Canon EOS 300D/A.WAV : %3"_s
            .arg(b.src, disque.Chemin(), MessageSysteme(ENOSPC)),
        u"Traitement interrompu : destination pleine, 2 images non traitées."_s}));
    QCOMPARE(Fichiers(disque.Chemin()), QStringList{u"Canon EOS 300D/A.JPG"_s});
}

QTEST_GUILESS_MAIN(TestCompagnons)
#include "tst_compagnons.moc"
