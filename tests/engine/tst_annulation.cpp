// The undo journal and the undo of a processing run: what the journal holds, what the
// undo puts back and what it refuses to touch, across processes and killed runs.
#include <functional>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QLocale>
#include <QTest>

#include "BancTraitement.h"
#include "Fichiers.h"
#include "Fils.h"
#include "commun/NomsFichiers.h"
#include "engine/Annulation.h"
#include "engine/JournalTraitement.h"
#include "metadata/Nombres.h"

using namespace Qt::StringLiterals;

namespace {

// Moves the file's modification time by `secondes`, its content unchanged.
bool Retoucher(const QString &chemin, int secondes)
{
    struct stat st {};
    const QByteArray octets = NomEnOctets(chemin);
    if (::stat(octets.constData(), &st) != 0)
        return false;
    struct timespec temps[2] = {st.st_atim, st.st_mtim};
    temps[1].tv_sec += secondes;
    return ::utimensat(AT_FDCWD, octets.constData(), temps, 0) == 0;
}

// The undo's summary: copies removed, or images given back their names.
QString Resume(int nombre, const TBanc &b, bool erreurs, bool copies = true)
{
    QString texte = copies ? u"Information: %1 copies retirées."_s.arg(nombre)
                           : u"Information: %1 images restaurées."_s.arg(nombre);
    if (erreurs)
        texte += u"\r\n\r\nDes erreurs ont été rencontrées :\r\nchargement de \"%1\"."_s.arg(b.Journal());
    return texte;
}

QString CheminJournal(const TBanc &b)
{
    return b.prog + QString::fromLatin1(kNomJournalAnnulation);
}

// A copy run of three images (two of one name, from two sub-folders) into
// camera / year / month folders, below a camera folder that the user had made already.
void PreparerCopie(TBanc &b)
{
    b.options.options.lLectRecurs = true;
    b.options.options.cOrdreDonEXIF = u"AfvdPi"_s;
    b.options.options.nCFDatePDVC = 6;   // year and month
    b.options.options.nCFDatePDVF = 120; // yyyy, mm
    b.options.options.lDatePDVHierCompoSiCopie = true;
    QVERIFY(Photo(b.src + u"jour1/IMG_0001.JPG"_s, 1000));
    QVERIFY(Photo(b.src + u"jour2/IMG_0001.JPG"_s, 2000));
    QVERIFY(Photo(b.src + u"jour2/DSC_0003.JPG"_s, 3000, Appareil("NIKON D70")));
    QVERIFY(EcrireFichier(b.dst + u"Canon EOS 300D/notes.txt"_s, "à moi"));
}

} // namespace

class TestAnnulation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void annulerUneCopie();
    void annulerUnRenommage();
    void refus_data();
    void refus();
    void dossierCreeNonVide();
    void journalOctetsExacts();
    void entreeDechireeIgnoree();
    void survitAuRedemarrage();
    void traitementSansChangementGardeLeJournal();
    void traitementTueAMiChemin();
    void annulationTueeReprise();
    void annulerUnTraitementInterrompu();
    void journalImpossibleAEcrire();
    void rienAAnnuler();
};

void TestAnnulation::annulerUneCopie()
{
    TBanc b;
    PreparerCopie(b);
    const QStringList sources = Fichiers(b.src);
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(Fichiers(b.dst), (QStringList{u"Canon EOS 300D/2006/05/IMG_0001(2).JPG"_s,
                                           u"Canon EOS 300D/2006/05/IMG_0001.JPG"_s,
                                           u"Canon EOS 300D/notes.txt"_s, u"NIKON D70/2006/05/DSC_0003.JPG"_s}));
    QCOMPARE(Annulable(b.prog).Images, 3);

    b.retour.appels.clear();
    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels, (QStringList{u"Curseur: occupé"_s, u"Ouvrir: Annulation en cours 0 2 0"_s,
                                           u"Fermer"_s, u"Curseur: normal"_s, Resume(3, b, false)}));
    QCOMPARE(b.retour.valeur, 3);
    // Only what the run made is gone: the user's folder and file stay.
    QCOMPARE(Fichiers(b.dst), QStringList{u"Canon EOS 300D/notes.txt"_s});
    QCOMPARE(SousDossiers(b.dst), QStringList{u"Canon EOS 300D/"_s});
    QCOMPARE(Fichiers(b.src), sources);
    QCOMPARE(LireFichier(b.Journal()), QByteArray()); // the log replaced, and empty
    QVERIFY(!QFile::exists(CheminJournal(b)));
    QCOMPARE(Annulable(b.prog).Images, 0);
}

void TestAnnulation::annulerUnRenommage()
{
    TBanc b;
    b.options.options.lCopier = false;
    b.options.options.lLectRecurs = true;
    b.options.options.nSep = 2; // "-"
    // Names with a newline, a tab, a colon and spaces are names like any other.
    const QStringList avant{u"2004/DSC_0002.JPG"_s, u"IMG 1:\n\tdeux.JPG"_s, u"IMG_0001.JPG"_s};
    for (const QString &nom : avant)
        QVERIFY(Photo(b.src + nom));
    b.retour.reponses = {true, true};
    b.Lancer(true);
    const QStringList premier{u"2004/Canon EOS 300D-DSC_0002.JPG"_s, u"Canon EOS 300D-IMG 1:\n\tdeux.JPG"_s,
                              u"Canon EOS 300D-IMG_0001.JPG"_s};
    QCOMPARE(Fichiers(b.src), premier);
    // A second run with other values renames them again; the undo takes back that one only.
    b.options.options.cOrdreDonEXIF = u"AfvdpI"_s;
    b.Lancer(true);
    QCOMPARE(Fichiers(b.src).first(), u"2004/Canon EOS 300D-100 iso-Canon EOS 300D-DSC_0002.JPG"_s);
    QCOMPARE(Annulable(b.prog).Images, 3);

    b.retour.appels.clear();
    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels.last(), Resume(3, b, false, false));
    QCOMPARE(Fichiers(b.src), premier);
    QCOMPARE(Annulable(b.prog).Images, 0); // the first run's journal was replaced
    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels.last(), u"Information: Aucun traitement à annuler."_s);
    QCOMPARE(Fichiers(b.src), premier);
}

void TestAnnulation::refus_data()
{
    QTest::addColumn<bool>("copie");
    QTest::addColumn<QString>("geste");
    QTest::addColumn<QString>("raison");
    QTest::newRow("copie modifiée") << true << u"modifier"_s << u"fichier modifié"_s;
    QTest::newRow("copie retouchée, même taille") << true << u"retoucher"_s << u"fichier modifié"_s;
    QTest::newRow("copie remplacée par un lien") << true << u"lien"_s << u"fichier modifié"_s;
    QTest::newRow("copie déjà supprimée") << true << u"supprimer"_s << MessageSysteme(ENOENT);
    QTest::newRow("source absente") << true << u"supprimer source"_s << u"source absente"_s;
    QTest::newRow("source modifiée") << true << u"modifier source"_s << u"source modifiée"_s;
    QTest::newRow("source devenue un lien vers la copie") << true << u"source vers copie"_s
                                                          << u"source absente"_s;
    QTest::newRow("renommée modifiée") << false << u"modifier"_s << u"fichier modifié"_s;
    QTest::newRow("renommée retouchée") << false << u"retoucher"_s << u"fichier modifié"_s;
    QTest::newRow("nom d'origine déjà pris") << false << u"reprendre le nom"_s << u"nom d'origine déjà pris"_s;
    QTest::newRow("nom d'origine pris par un dossier") << false << u"dossier au nom"_s
                                                       << u"nom d'origine déjà pris"_s;
}

void TestAnnulation::refus()
{
    QFETCH(bool, copie);
    QFETCH(QString, geste);
    QFETCH(QString, raison);
    TBanc b;
    b.options.options.lCopier = copie;
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    QVERIFY(Photo(b.src + u"IMG_0002.JPG"_s));
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(Annulable(b.prog).Images, 2);

    // The run's result for the first image, and where that image came from.
    const QString source = b.src + u"IMG_0001.JPG"_s;
    const QString resultat = copie ? b.dst + u"Canon EOS 300D/IMG_0001.JPG"_s
                                   : b.src + u"Canon EOS 300D-IMG_0001.JPG"_s;
    if (geste == u"modifier"_s)
        QVERIFY(EcrireFichier(resultat, "retouchée"));
    else if (geste == u"retoucher"_s)
        QVERIFY(Retoucher(resultat, 1));
    else if (geste == u"lien"_s)
        QVERIFY(QFile::remove(resultat) && QFile::link(source, resultat));
    else if (geste == u"supprimer"_s)
        QVERIFY(QFile::remove(resultat));
    else if (geste == u"supprimer source"_s)
        QVERIFY(QFile::remove(source));
    else if (geste == u"modifier source"_s)
        QVERIFY(EcrireFichier(source, "autre chose"));
    else if (geste == u"source vers copie"_s)
        QVERIFY(QFile::rename(source, source + u".bak"_s) && QFile::link(resultat, source));
    else if (geste == u"reprendre le nom"_s)
        QVERIFY(EcrireFichier(source, "un nouveau venu"));
    else if (geste == u"dossier au nom"_s)
        QVERIFY(QDir().mkdir(source));
    const QByteArray contenuResultat = LireFichier(resultat);
    const QByteArray contenuSource = LireFichier(source);

    b.retour.appels.clear();
    LancerAnnulation(b.retour);
    const QString ligne = u"Impossible d'annuler pour %1 : %2"_s.arg(resultat, raison);
    QCOMPARE(LireFichier(b.Journal()), ligne.toUtf8() + "\r\n");
    QCOMPARE(b.retour.appels.mid(b.retour.appels.size() - 2),
             (QStringList{Resume(1, b, true, copie), u"Journal: "_s + b.Journal()}));
    // Neither the refused result nor what stands at its source is touched.
    QCOMPARE(LireFichier(resultat), contenuResultat);
    QCOMPARE(LireFichier(source), contenuSource);
    // The other image is put back, and the journal is gone all the same.
    if (copie)
        QVERIFY(!QFile::exists(b.dst + u"Canon EOS 300D/IMG_0002.JPG"_s));
    else
        QVERIFY(QFile::exists(b.src + u"IMG_0002.JPG"_s));
    QCOMPARE(Annulable(b.prog).Images, 0);
}

void TestAnnulation::dossierCreeNonVide()
{
    TBanc b;
    PreparerCopie(b);
    b.retour.reponses = {true};
    b.Lancer(true);
    QVERIFY(EcrireFichier(b.dst + u"NIKON D70/2006/05/à moi aussi.txt"_s, "x"));
    QVERIFY(EcrireFichier(b.dst + u"Canon EOS 300D/2006/une autre/note.txt"_s, "y"));
    b.retour.appels.clear();
    LancerAnnulation(b.retour);
    // Every copy goes; a folder that holds something of the user's stays, with the
    // folders above it, and the log says so once, where the user's files are.
    QCOMPARE(b.retour.Appels(u"Information"_s).last(), Resume(3, b, true));
    QCOMPARE(LireFichier(b.Journal()),
             u"Dossier %1NIKON D70/2006/05/ conservé : il contient d'autres fichiers\r\n"
             "Dossier %1Canon EOS 300D/2006/ conservé : il contient d'autres fichiers\r\n"_s.arg(b.dst).toUtf8());
    QCOMPARE(Fichiers(b.dst), (QStringList{u"Canon EOS 300D/2006/une autre/note.txt"_s,
                                           u"Canon EOS 300D/notes.txt"_s,
                                           u"NIKON D70/2006/05/à moi aussi.txt"_s}));
    QCOMPARE(SousDossiers(b.dst), (QStringList{u"Canon EOS 300D/"_s, u"Canon EOS 300D/2006/"_s,
                                               u"Canon EOS 300D/2006/une autre/"_s, u"NIKON D70/"_s,
                                               u"NIKON D70/2006/"_s, u"NIKON D70/2006/05/"_s}));
}

void TestAnnulation::journalOctetsExacts()
{
    // Any byte but "/" and NUL may be in a name: the journal keeps them as they are.
    QTemporaryDir tmp;
    const QString dossier = tmp.path() + u'/';
    const QByteArray base = NomEnOctets(dossier);
    const QList<QByteArray> noms{QByteArray("caf\xE9\n.jpg"), QByteArray("a b\tc 12:3\r\n.JPG"),
                                 QByteArray("\x01\x7F\xFF%41.jpg"), QByteArray("sans saut")};
    {
        TJournalTraitement journal(dossier);
        journal.Perimetre(dossier);
        journal.DossierCree(base + "d\n1/");
        for (const QByteArray &nom : noms) {
            QVERIFY(EcrireOctets(base + nom, nom));
            journal.AvantRenommage(NomDepuisOctets(base + nom), NomDepuisOctets(base + "X-" + nom));
            QVERIFY(::rename((base + nom).constData(), (base + "X-" + nom).constData()) == 0);
            journal.Renomme(NomDepuisOctets(base + "X-" + nom));
        }
        QVERIFY(journal.Echec().isEmpty());
    }
    const TJournalLu lu = LireJournal(dossier);
    QCOMPARE(lu.Etat, TJournalLu::TEtat::Lisible);
    QCOMPARE(lu.Dossiers, QByteArrayList{base});
    const QList<TOperationJournal> &entrees = lu.Operations;
    QCOMPARE(entrees.size(), noms.size() + 1);
    QCOMPARE(entrees[0].Genre, TOperationJournal::TGenre::Dossier);
    QCOMPARE(entrees[0].Cible, base + "d\n1/");
    for (qsizetype i = 0; i < noms.size(); ++i) {
        const TOperationJournal &e = entrees[i + 1];
        QCOMPARE(e.Genre, TOperationJournal::TGenre::Renommage);
        QVERIFY(e.Confirmee);
        QCOMPARE(e.Source, base + noms[i]);
        QCOMPARE(e.Cible, base + "X-" + noms[i]);
        QCOMPARE(e.Etat.Taille, noms[i].size());
        QVERIFY(e.Etat.Inode != 0 && e.Etat.SecondesChangement > 0);
    }
    TFauxRetour retour;
    retour.dossierJournal = dossier;
    LancerAnnulation(retour);
    QCOMPARE(LireFichier(dossier + u"Clarvane.erreurs.txt"_s), QByteArray());
    QCOMPARE(retour.appels.last(), u"Information: 4 images restaurées."_s);
    for (const QByteArray &nom : noms) {
        QVERIFY(::access((base + nom).constData(), F_OK) == 0);
        ::unlink((base + nom).constData()); // names that QDir cannot remove
    }
}

void TestAnnulation::entreeDechireeIgnoree()
{
    // A journal cut anywhere after its head (a run killed while writing, a disk that lost
    // the end) reads as the entries that are whole before the cut, never as a garbled one.
    TBanc b;
    b.options.options.lCopier = false;
    for (const QString &nom : {u"IMG_0001.JPG"_s, u"IMG_0002.JPG"_s, u"IMG_0003.JPG"_s})
        QVERIFY(Photo(b.src + nom));
    b.retour.reponses = {true};
    b.Lancer(true);
    const QByteArray entier = LireFichier(CheminJournal(b));
    const TJournalLu tout = LireJournal(b.prog);
    QCOMPARE(tout.Operations.size(), 3);
    const qsizetype tete = entier.indexOf("\nr ") + 1; // the head and the run's folders
    for (qsizetype longueur = tete; longueur <= entier.size(); ++longueur) {
        QVERIFY(EcrireFichier(CheminJournal(b), entier.left(longueur)));
        const TJournalLu lu = LireJournal(b.prog);
        QCOMPARE(lu.Etat, TJournalLu::TEtat::Lisible);
        // Two lines per image: noted, then confirmed.
        const qsizetype lignes = entier.left(longueur).count('\n') - entier.left(tete).count('\n');
        QCOMPARE(lu.Operations.size(), (lignes + 1) / 2);
        for (qsizetype i = 0; i < lu.Operations.size(); ++i) {
            QCOMPARE(lu.Operations[i].Cible, tout.Operations[i].Cible);
            QCOMPARE(lu.Operations[i].Confirmee, 2 * (i + 1) <= lignes);
        }
        QCOMPARE(lu.Longueur, entier.left(longueur).lastIndexOf('\n') + 1);
    }
}

void TestAnnulation::survitAuRedemarrage()
{
    // The run in one process, its undo in another: all the undo needs is in the file.
    TBanc b;
    PreparerCopie(b);
    const int etat = DansUnFils([&] {
        b.retour.reponses = {true};
        b.Lancer(true);
    });
    QVERIFY(WIFEXITED(etat) && WEXITSTATUS(etat) == 0);
    QCOMPARE(Fichiers(b.dst).size(), 4);
    QCOMPARE(Annulable(b.prog).Images, 3);
    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels.last(), Resume(3, b, false));
    QCOMPARE(Fichiers(b.dst), QStringList{u"Canon EOS 300D/notes.txt"_s});
}

void TestAnnulation::traitementSansChangementGardeLeJournal()
{
    TBanc b;
    PreparerCopie(b);
    b.retour.reponses = {true, true};
    b.Lancer(true);
    const QByteArray journal = LireFichier(CheminJournal(b));

    // A run whose every image fails (no selected value) changes nothing: the journal of
    // the run before stays, and so does its undo.
    TValeursEXIF sansIso;
    sansIso.iso.reset();
    const QString autre = b.tmp.path() + u"/Autres/"_s;
    QVERIFY(Photo(autre + u"IMG_0009.JPG"_s, 1000, sansIso));
    b.options.options.cDossSrc = autre;
    b.options.options.cOrdreDonEXIF = u"afvdpI"_s;
    b.Lancer(true);
    QVERIFY(LireFichier(b.Journal()).startsWith("Absence d'une donnée EXIF attendue"));
    QCOMPARE(LireFichier(CheminJournal(b)), journal);
    QCOMPARE(Annulable(b.prog).Images, 3);
    // A preview neither.
    b.options.options.cDossSrc = b.src;
    b.Lancer(false);
    QCOMPARE(LireFichier(CheminJournal(b)), journal);
}

void TestAnnulation::traitementTueAMiChemin()
{
    // A run killed after two copies: the journal holds them, and the undo takes them back.
    TBanc b;
    for (int i = 1; i <= 5; ++i)
        QVERIFY(Photo(b.src + u"IMG_000%1.JPG"_s.arg(i), 1000, Appareil("Modèle " + QByteArray::number(i))));
    const int etat = DansUnFils([&] {
        b.retour.reponses = {true};
        b.retour.surAvancer = [](int pas) {
            if (pas == 5 + 3) // phase 2, before the third image
                ::kill(::getpid(), SIGKILL);
        };
        b.Lancer(true);
    });
    QVERIFY(WIFSIGNALED(etat) && WTERMSIG(etat) == SIGKILL);
    QCOMPARE(Fichiers(b.dst), (QStringList{u"Modèle 1/IMG_0001.JPG"_s, u"Modèle 2/IMG_0002.JPG"_s}));
    QCOMPARE(Annulable(b.prog).Images, 2);
    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels.last(), Resume(2, b, false));
    QCOMPARE(Fichiers(b.dst), QStringList());
    QCOMPARE(SousDossiers(b.dst), QStringList());
    QCOMPARE(Fichiers(b.src).size(), 5);
}

void TestAnnulation::annulationTueeReprise()
{
    // An undo killed half-way is taken up again where it stopped, without a refusal for
    // what it had already put back, even behind a torn entry.
    TBanc b;
    b.options.options.lCopier = false;
    for (int i = 1; i <= 4; ++i)
        QVERIFY(Photo(b.src + u"IMG_000%1.JPG"_s.arg(i)));
    b.retour.reponses = {true};
    b.Lancer(true);
    // The run itself was killed while writing a fifth entry.
    QFile journal(CheminJournal(b));
    QVERIFY(journal.open(QIODevice::Append) && journal.write("R 40:/tmp/Ph") == 12);
    journal.close();
    QVERIFY(AnnulationTuee(b, 3));
    QCOMPARE(Annulable(b.prog).Images, 2);
    QCOMPARE(Fichiers(b.src), (QStringList{u"Canon EOS 300D-IMG_0001.JPG"_s, u"Canon EOS 300D-IMG_0002.JPG"_s,
                                           u"IMG_0003.JPG"_s, u"IMG_0004.JPG"_s}));
    b.retour.appels.clear();
    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.Appels(u"Ouvrir"_s), QStringList{u"Ouvrir: Annulation en cours 0 1 0"_s});
    QCOMPARE(b.retour.appels.last(), Resume(2, b, false, false));
    QCOMPARE(Fichiers(b.src), (QStringList{u"IMG_0001.JPG"_s, u"IMG_0002.JPG"_s, u"IMG_0003.JPG"_s,
                                           u"IMG_0004.JPG"_s}));
}

void TestAnnulation::annulerUnTraitementInterrompu()
{
    TBanc b;
    PreparerCopie(b);
    b.retour.reponses = {true};
    b.retour.interrompreLegende = u"Phase 2/2"_s;
    b.retour.interrompreAuPas = 3; // two images done
    b.Lancer(true);
    QVERIFY(LireFichier(b.Journal()).endsWith("Traitement interrompu : 1 images non traitées.\r\n"));
    QCOMPARE(Annulable(b.prog).Images, 2);
    b.retour.appels.clear();
    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels.last(), Resume(2, b, false));
    QCOMPARE(Fichiers(b.dst), QStringList{u"Canon EOS 300D/notes.txt"_s});
    QCOMPARE(SousDossiers(b.dst), QStringList{u"Canon EOS 300D/"_s});
}

void TestAnnulation::journalImpossibleAEcrire()
{
    // Where the journal cannot be made the run goes on, says so in its log, and leaves
    // nothing that an undo would take for this run.
    TBanc b;
    QVERIFY(QDir().mkpath(CheminJournal(b)));
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(Fichiers(b.dst), QStringList{u"Canon EOS 300D/IMG_0001.JPG"_s});
    QVERIFY(LireFichier(b.Journal()).startsWith(
        u"Impossible d'écrire le journal d'annulation %1 : "_s.arg(CheminJournal(b)).toUtf8()));
    QCOMPARE(b.retour.Appels(u"Information"_s).value(0).section(u'\r', 0, 0),
             u"Information: 1 images traitées (1000 Oct)."_s);
    QCOMPARE(Annulable(b.prog).Images, 0);
    QCOMPARE(Fichiers(b.prog).filter(u".Clarvane"_s), QStringList()); // no temporary left
}

void TestAnnulation::rienAAnnuler()
{
    TBanc b;
    QCOMPARE(Annulable(b.prog).Images, 0);
    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels, QStringList{u"Information: Aucun traitement à annuler."_s});
    QVERIFY(!QFile::exists(b.Journal())); // the log of the last run stays as it was
}

QTEST_GUILESS_MAIN(TestAnnulation)
#include "tst_annulation.moc"
