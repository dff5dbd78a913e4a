// A whole card through the engine, where its features meet: the undo of runs whose images
// have companions (counted as images, taken back with them), and companions against the
// verification, the free-space question, an interruption, a numbered shot, a taken name,
// names that are not UTF-8 and paths past PATH_MAX.
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QStorageInfo>
#include <QTest>

#include "BancTraitement.h"
#include "ConstructeurFilm.h"
#include "Fichiers.h"
#include "OperationsPiegees.h"
#include "PetitDisque.h"
#include "commun/Chemins.h"
#include "engine/Annulation.h"
#include "engine/JournalTraitement.h"
#include "metadata/ChercherImages.h"
#include "metadata/LireEXIF.h"
#include "metadata/Nombres.h"

using namespace Qt::StringLiterals;

namespace {

const QString kCanon = u"Canon EOS 300D"_s;

// Every file below the folder (ending with "/"), by its path relative to it, with its bytes.
QMap<QByteArray, QByteArray> Contenus(const QByteArray &dossier)
{
    QMap<QByteArray, QByteArray> contenus;
    for (const QByteArray &f : FichiersOctets(dossier))
        contenus.insert(f, LireOctets(dossier + f));
    return contenus;
}

// The card and the destination as they stand: every file with its bytes, the program's
// own (log, journal) left out.
QMap<QByteArray, QByteArray> Etat(const TBanc &b)
{
    QMap<QByteArray, QByteArray> etat;
    for (const QByteArray &racine : {b.Src(), b.Dst()}) {
        const QMap<QByteArray, QByteArray> contenus = Contenus(racine);
        for (auto it = contenus.cbegin(); it != contenus.cend(); ++it)
            etat.insert(racine + it.key(), it.value());
    }
    return etat;
}

QStringList Lignes(const TBanc &b)
{
    const QString texte = QString::fromUtf8(LireFichier(b.Journal()));
    return texte.isEmpty() ? QStringList() : texte.chopped(2).split(u"\r\n"_s);
}

QString CheminJournal(const TBanc &b)
{
    return b.prog + QString::fromLatin1(kNomJournalAnnulation);
}

// A Sony clip: its camera and date in the XML file beside it.
QByteArray ClipSony(int octets = 256)
{
    TOptionsFilm sony;
    sony.marque = "XAVC";
    sony.creation = Secondes1904(2024, 8, 2, 12, 0, 0);
    sony.octetsMdat = octets;
    return FilmAvecValeurs(sony);
}

// One file of a card given as "name" or "name=camera": an image (by its extension) of that
// camera (Canon EOS 300D without one; "-" for none) padded to `taille`, a clip, or a
// companion whose bytes name it.
bool FichierDeCarte(const QByteArray &dossier, const QString &description, qsizetype taille = 1000)
{
    const QString nom = description.section(u'=', 0, 0);
    const QByteArray octets = dossier + NomEnOctets(nom);
    if (!CreerDossiers(DossierParent(octets)))
        return false;
    if (nom.endsWith(u".MP4"_s))
        return EcrireOctets(octets, ClipSony(int(taille)));
    if (nom.endsWith(u"M01.XML"_s))
        return EcrireOctets(octets, XMLSony("ILCE-7M4", "2024-08-03T08:00:00+02:00"));
    if (!EstImage(nom))
        return EcrireOctets(octets, taille > 1000 ? QByteArray(taille, 'c') : "compagnon " + octets);
    TValeursEXIF v;
    const QString appareil = description.section(u'=', 1);
    if (appareil == u"-"_s)
        v.modele = QByteArray();
    else if (!appareil.isEmpty())
        v.modele = appareil.toUtf8();
    return EcrireOctets(octets, OctetsPhoto(taille, v));
}

} // namespace

class TestCarteEntiere : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void annulation_data();
    void annulation();
    void compagnonPrisNumerote_data();
    void compagnonPrisNumerote();
    void placeDemandee_data();
    void placeDemandee();
};

// The undo of a run with companions asks for and counts its images: a companion goes back
// with its image, and stays beside one that stays; one that cannot go back gets its line.
// The card and the destination end as they were, byte for byte and name for name, but for
// what was refused.
void TestCarteEntiere::annulation_data()
{
    QTest::addColumn<bool>("copie");
    QTest::addColumn<QStringList>("carte");
    QTest::addColumn<QString>("geste"); // what happens around the run and its undo
    QTest::addColumn<int>("images");     // asked, then put back
    QTest::addColumn<int>("compagnons"); // noted as such in the journal
    const QStringList chacun{u"IMG_0001.JPG"_s, u"IMG_0001.xmp"_s, u"IMG_0002.CR3"_s,  u"IMG_0002.CR3.xmp"_s,
                             u"IMG_0002.WAV"_s, u"IMG_0003.HEIC"_s, u"IMG_0003.AAE"_s};
    const QStringList prise{u"IMG_0005.NEF"_s, u"IMG_0005.JPG"_s, u"IMG_0005.xmp"_s, u"IMG_0005.WAV"_s};
    for (const bool copie : {true, false}) {
        const char *mode = copie ? "copy" : "rename";
        QTest::addRow("%s, companions of each", mode) << copie << chacun << QString() << 3 << 4;
        QTest::addRow("%s, a shot sharing its companions", mode) << copie << prise << QString() << 2 << 2;
        QTest::addRow("%s, a companion refused", mode) << copie << chacun << u"refuser"_s << 3 << 4;
        QTest::addRow("%s, an image refused", mode) << copie << chacun << u"refuser l'image"_s << 3 << 4;
        QTest::addRow("%s, an undo resumed", mode) << copie << chacun << u"reprendre"_s << 3 << 4;
        QTest::addRow("%s, names not UTF-8 past PATH_MAX", mode) << copie << chacun << u"profond"_s << 3 << 4;
        QTest::addRow("%s, interrupted", mode) << copie << chacun << u"interrompre"_s << 1 << 1;
    }
    QTest::newRow("copy, a shot in two folders")
        << true << QStringList{u"IMG_0005.NEF=NIKON D70"_s, u"IMG_0005.JPG"_s, u"IMG_0005.xmp"_s, u"IMG_0005.WAV"_s}
        << QString() << 2 << 4;
    QTest::newRow("copy, a shot numbered") << true << prise << u"numéroter"_s << 2 << 2;
    QTest::newRow("copy, a companion's copy refused by the verification")
        << true << chacun << u"vérifier"_s << 3 << 3;
    QTest::newRow("copy, a clip and its XML") << true << QStringList{u"C0001.MP4"_s, u"C0001M01.XML"_s}
                                              << QString() << 1 << 1;
    QTest::newRow("rename, a second run finds all renamed") << false << chacun << u"déjà renommé"_s << 3 << 4;
    // A journal of this version written before companions were marked counts every entry.
    QTest::newRow("copy, a journal without marks") << true << chacun << u"sans marque"_s << 3 << 4;
}

void TestCarteEntiere::annulation()
{
    QFETCH(bool, copie);
    QFETCH(QStringList, carte);
    QFETCH(QString, geste);
    QFETCH(int, images);
    QFETCH(int, compagnons);
    TBanc b;
    b.options.options.lCopier = copie;
    b.options.options.nSep = 2; // "-"
    QByteArray dossier = b.Src();
    if (geste == u"profond"_s) {
        dossier += "\xC9t\xE9/";
        for (int niveau = 0; niveau < 18; ++niveau)
            dossier += QByteArray(240, char('a' + niveau)) + '/';
        QVERIFY(dossier.size() > 4096 && CreerDossiers(dossier));
        b.options.options.cDossSrc = NomDepuisOctets(dossier);
        if (copie) // the destination deep down too
            b.options.options.cDossDst = NomDepuisOctets(dossier + "Tri\xE9/");
    }
    for (const QString &fichier : carte)
        QVERIFY(FichierDeCarte(dossier, geste == u"profond"_s ? NomDepuisOctets("caf\xE9 ") + fichier : fichier));
    if (geste == u"numéroter"_s)
        QVERIFY(EcrireFichier(b.dst + kCanon + u"/IMG_0005.NEF"_s, "déjà là"));
    TOperationsPiegees operations;
    if (geste == u"vérifier"_s) { // the second copy, IMG_0001.xmp, reads back changed
        operations.Copie = 2;
        operations.Inverser = 3;
        b.retour.operations = &operations;
    }
    if (geste == u"interrompre"_s) { // Escape while the first image is handled
        b.retour.interrompreLegende = u"Phase 2/2"_s;
        b.retour.interrompreAuPas = 2;
    }
    const QMap<QByteArray, QByteArray> avant = Etat(b);
    b.retour.reponses = {true, true};
    b.Lancer(true);
    QVERIFY2(b.retour.Appels(u"Information"_s).value(0).startsWith(u"Information: %1 images traitées"_s.arg(images)),
             qPrintable(b.retour.Appels(u"Information"_s).join(u'\n')));
    if (geste == u"vérifier"_s)
        QCOMPARE(Lignes(b), QStringList{u"Copie de %1IMG_0001.xmp vers %2%3/IMG_0001.xmp différente de "
                                        "l'original : copie retirée"_s.arg(b.src, b.dst, kCanon)});
    if (geste == u"déjà renommé"_s) { // a second run changes nothing, and keeps the journal
        const QByteArray journal = LireFichier(CheminJournal(b));
        b.Lancer(true);
        QCOMPARE(Lignes(b).size(), images);
        QVERIFY(Lignes(b).first().startsWith(u"Déjà renommé : "_s));
        QCOMPARE(LireFichier(CheminJournal(b)), journal);
    }
    const TJournalLu lu = LireJournal(b.prog);
    QCOMPARE(lu.Etat, TJournalLu::TEtat::Lisible);
    QCOMPARE(std::count_if(lu.Operations.cbegin(), lu.Operations.cend(),
                           [](const TOperationJournal &op) { return op.Compagnon; }),
             compagnons);
    if (geste == u"sans marque"_s) {
        QByteArray journal = LireFichier(CheminJournal(b));
        QCOMPARE(journal.count(" c\n"), compagnons);
        QVERIFY(EcrireFichier(CheminJournal(b), journal.replace(" c\n", "\n")));
        images += compagnons;
    }
    QCOMPARE(Annulable(b.prog).Images, images);

    // What the user does to an image or a companion before the undo, and what the undo says.
    QMap<QByteArray, QByteArray> apres = avant;
    QStringList refus;
    const auto refuser = [&](const TOperationJournal &op) {
        if (copie) { // its copy edited
            QVERIFY(EcrireOctets(op.Cible, "retouché"));
            apres.insert(op.Cible, "retouché");
        } else { // its old name taken
            QVERIFY(EcrireOctets(op.Source, "un nouveau venu"));
            apres.insert(op.Cible, apres.take(op.Source));
            apres.insert(op.Source, "un nouveau venu");
        }
        refus.append(u"Impossible d'annuler pour %1 : %2"_s.arg(
            NomDepuisOctets(op.Cible), copie ? u"fichier modifié"_s : u"nom d'origine déjà pris"_s));
    };
    if (geste == u"refuser"_s)
        refuser(*std::find_if(lu.Operations.cbegin(), lu.Operations.cend(),
                              [](const TOperationJournal &op) { return op.Compagnon; }));
    if (geste == u"refuser l'image"_s) { // the second image: it keeps its companions beside it
        const auto image = std::find_if(lu.Operations.cbegin(), lu.Operations.cend(), [](const TOperationJournal &op) {
            return op.Genre != TOperationJournal::TGenre::Dossier && !op.Compagnon && op.Source.contains("IMG_0002");
        });
        refuser(*image);
        for (auto c = image + 1; c != lu.Operations.cend() && c->Compagnon; ++c) {
            apres.insert(c->Cible, copie ? avant.value(c->Source) : apres.take(c->Source));
            refus.append(u"Impossible d'annuler pour %1 : image non annulée"_s.arg(NomDepuisOctets(c->Cible)));
        }
        QCOMPARE(refus.size(), 3);
        images -= 1;
    }
    if (geste == u"reprendre"_s) { // an undo killed after the last image and its companion
        QVERIFY(AnnulationTuee(b, 3));
        images -= 1;
        QCOMPARE(Annulable(b.prog).Images, images);
    }

    b.retour.appels.clear();
    LancerAnnulation(b.retour);
    QString resume = (copie ? u"Information: %1 copies retirées."_s : u"Information: %1 images restaurées."_s).arg(images);
    if (!refus.isEmpty())
        resume += u"\r\n\r\nDes erreurs ont été rencontrées :\r\nchargement de \"%1\"."_s.arg(b.Journal());
    QCOMPARE(b.retour.Appels(u"Information"_s), QStringList{resume});
    QCOMPARE(Lignes(b), refus);
    QCOMPARE(Etat(b), apres);
    QVERIFY(!QFile::exists(CheminJournal(b)));
}

// In copy mode a companion's name found taken in the image's folder, on the disk or by a
// file this run sends there first, numbers the image as its own name would: the image
// never stands beside a file that is not its own (another shot's sidecar, another clip's
// XML that would be read as its own), its own left on the card. The preview says the same.
void TestCarteEntiere::compagnonPrisNumerote_data()
{
    QTest::addColumn<QStringList>("carte");
    QTest::addColumn<QStringList>("deja");      // in the destination before the run
    QTest::addColumn<QStringList>("attendus");  // in the destination after it
    QTest::addColumn<QString>("numerote");      // the image that takes a number, in its folder
    QTest::newRow("another clip's XML on the disk")
        << QStringList{u"C0001.MP4"_s, u"C0001M01.XML"_s} << QStringList{u"ILCE-7M4/C0001M01.XML"_s}
        << QStringList{u"ILCE-7M4/C0001(2).MP4"_s, u"ILCE-7M4/C0001(2)M01.XML"_s, u"ILCE-7M4/C0001M01.XML"_s}
        << u"ILCE-7M4/C0001.MP4"_s;
    QTest::newRow("another shot's sidecar sent by this run")
        << QStringList{u"j1/IMG_0001.JPG"_s, u"j1/IMG_0001.xmp"_s, u"j2/IMG_0001.NEF"_s, u"j2/IMG_0001.xmp"_s}
        << QStringList()
        << QStringList{kCanon + u"/IMG_0001(2).NEF"_s, kCanon + u"/IMG_0001(2).xmp"_s, kCanon + u"/IMG_0001.JPG"_s,
                       kCanon + u"/IMG_0001.xmp"_s}
        << kCanon + u"/IMG_0001.NEF"_s;
    QTest::newRow("a whole-name sidecar on the disk")
        << QStringList{u"IMG_0001.NEF"_s, u"IMG_0001.NEF.xmp"_s} << QStringList{kCanon + u"/IMG_0001.NEF.xmp"_s}
        << QStringList{kCanon + u"/IMG_0001(2).NEF"_s, kCanon + u"/IMG_0001(2).NEF.xmp"_s,
                       kCanon + u"/IMG_0001.NEF.xmp"_s}
        << kCanon + u"/IMG_0001.NEF"_s;
}

void TestCarteEntiere::compagnonPrisNumerote()
{
    QFETCH(QStringList, carte);
    QFETCH(QStringList, deja);
    QFETCH(QStringList, attendus);
    QFETCH(QString, numerote);
    TBanc b;
    b.options.options.lLectRecurs = true;
    for (const QString &fichier : carte)
        QVERIFY(FichierDeCarte(b.Src(), fichier));
    for (const QString &nom : deja)
        QVERIFY(EcrireFichier(b.dst + nom, "à un autre"));
    const QString source = b.src + carte.last().section(u'/', 0, -2) + (carte.last().contains(u'/') ? u"/"_s : u""_s);
    const QString nom = numerote.section(u'/', -1);
    const QString cible = b.dst + numerote;
    const QString numero = b.dst + numerote.section(u'.', 0, 0) + u"(2)."_s + numerote.section(u'.', 1);

    b.Lancer(false);
    QCOMPARE(b.retour.apercuErreurs, QStringList{u"%1 (existant) sera copié en %2"_s.arg(cible, numero)});
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(Lignes(b), QStringList{u"%1 (existant) a été copié en %2"_s.arg(cible, numero)});
    QCOMPARE(Fichiers(b.dst), attendus);
    QCOMPARE(LireFichier(numero), LireFichier(source + nom));
    for (const QString &f : deja)
        QCOMPARE(LireFichier(b.dst + f), QByteArray("à un autre"));
    // The clip copied reads its own values again, from its own XML beside it.
    if (nom.endsWith(u".MP4"_s)) {
        TEnrEXIF exif;
        QVERIFY(LireEXIFFichier(numero, exif));
        QCOMPARE(exif.Appareil, u"ILCE-7M4"_s);
        QCOMPARE(LireFichier(b.dst + u"ILCE-7M4/C0001(2)M01.XML"_s), LireFichier(b.src + u"C0001M01.XML"_s));
    }
}

// The room asked of the destination is what the run will copy: a shared companion once
// into each folder that receives it, a clip with its XML, an image without the values
// chosen (never copied) not at all.
void TestCarteEntiere::placeDemandee_data()
{
    QTest::addColumn<QStringList>("carte");   // name[=camera]:size
    QTest::addColumn<QStringList>("comptes"); // the files counted, each as many times as it is copied
    const QString nef = u"IMG_0005.NEF:200000"_s, jpeg = u"IMG_0005.JPG:100000"_s, memo = u"IMG_0005.WAV:60000"_s;
    QTest::newRow("a shot sharing a memo, one folder")
        << QStringList{nef, jpeg, memo} << QStringList{u"IMG_0005.NEF"_s, u"IMG_0005.JPG"_s, u"IMG_0005.WAV"_s};
    QTest::newRow("a shot sharing a memo, two folders")
        << QStringList{u"IMG_0005.NEF=NIKON D70:200000"_s, jpeg, memo}
        << QStringList{u"IMG_0005.NEF"_s, u"IMG_0005.JPG"_s, u"IMG_0005.WAV"_s, u"IMG_0005.WAV"_s};
    QTest::newRow("a clip, and an image without the values")
        << QStringList{u"C0001.MP4:330000"_s, u"C0001M01.XML:0"_s, u"IMG_0009.JPG=-:200000"_s, u"IMG_0009.xmp:50000"_s}
        << QStringList{u"C0001.MP4"_s, u"C0001M01.XML"_s};
}

void TestCarteEntiere::placeDemandee()
{
    QFETCH(QStringList, carte);
    QFETCH(QStringList, comptes);
    TPetitDisque disque;
    if (!disque.Valide())
        QSKIP(qPrintable(disque.Pourquoi()));
    TBanc b;
    b.options.options.cDossDst = disque.Chemin();
    for (const QString &f : carte)
        QVERIFY(FichierDeCarte(b.Src(), f.section(u':', 0, 0), f.section(u':', 1).toLongLong()));
    qint64 total = 0;
    for (const QString &f : comptes)
        total += QFileInfo(b.src + f).size();
    b.retour.reponses = {true};
    b.retour.reponsesPrudentes = {false};
    b.Lancer(true);
    const QString question = u"Prudente: La destination n'a que %1 de libre pour %2 à copier. Continuer ?"_s.arg(
        TailleEnTexte(QStorageInfo(disque.Chemin()).bytesAvailable()), TailleEnTexte(total));
    QCOMPARE(b.retour.Appels(u"Prudente"_s), QStringList{question});
    QCOMPARE(Fichiers(disque.Chemin()), QStringList());
}

QTEST_GUILESS_MAIN(TestCarteEntiere)
#include "tst_carteentiere.moc"
