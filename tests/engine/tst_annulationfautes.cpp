// The undo against what can go wrong around it: a journal damaged, unreadable, put in a
// link's or a fifo's place, or edited by hand; runs and undos killed at their worst
// moment; results edited behind the program's back; paths past PATH_MAX.
#include <csignal>
#include <functional>

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
#include "LectureSeule.h"
#include "OperationsPiegees.h"
#include "commun/Chemins.h"
#include "commun/NomsFichiers.h"
#include "engine/Annulation.h"
#include "engine/JournalTraitement.h"

using namespace Qt::StringLiterals;

namespace {

QString CheminJournal(const TBanc &b)
{
    return b.prog + QString::fromLatin1(kNomJournalAnnulation);
}

// Photos IMG_0001.JPG... of `taille` bytes, each of its own camera (so each copy gets a
// folder of its own).
void Photos(TBanc &b, int nombre, qsizetype taille = 1000)
{
    for (int i = 1; i <= nombre; ++i)
        QVERIFY(Photo(b.src + u"IMG_000%1.JPG"_s.arg(i), taille, Appareil("Modèle " + QByteArray::number(i))));
}

// Changes one byte of the file, its size and modification time kept as they were.
bool RetoucherEnGardantTailleEtDate(const QString &chemin)
{
    const QByteArray octets = NomEnOctets(chemin);
    struct stat avant {};
    if (::stat(octets.constData(), &avant) != 0)
        return false;
    QByteArray contenu = LireFichier(chemin);
    contenu[contenu.size() / 2] = char(contenu[contenu.size() / 2] ^ 0x55);
    const struct timespec temps[2] = {avant.st_atim, avant.st_mtim};
    return EcrireFichier(chemin, contenu) && ::utimensat(AT_FDCWD, octets.constData(), temps, 0) == 0;
}

QString Ligne(const QString &chemin, const QString &raison)
{
    return u"Impossible d'annuler pour %1 : %2\r\n"_s.arg(chemin, raison);
}

} // namespace

class TestAnnulationFautes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void journalInutilisable_data();
    void journalInutilisable();
    void retoucheeTailleEtDateGardees_data();
    void retoucheeTailleEtDateGardees();
    void cheminsPlusLongsQuePathMax_data();
    void cheminsPlusLongsQuePathMax();
    void copieTueeAMiChemin();
    void destinationEnLectureSeule();
    void destinationDeplacee();
    void tueEntreChangementEtConfirmation_data();
    void tueEntreChangementEtConfirmation();
    void traitementQuiNaFaitQueDesDossiers();
    void annulationReprise_data();
    void annulationReprise();
    void entreesHorsDuTraitement();
    void journalPremiereVersion();
};

// A journal that cannot be read whole, or not as a journal at all: Ctrl+Z says so in an
// "Erreur" box, touches nothing and keeps the journal; nothing waits or fills the memory.
void TestAnnulationFautes::journalInutilisable_data()
{
    QTest::addColumn<QString>("cas");
    QTest::addColumn<QString>("message"); // after the journal's path
    QTest::newRow("endommagé au milieu") << u"milieu"_s << u" est endommagé : rien n'a été annulé."_s;
    QTest::newRow("autre chose qu'un journal") << u"entête"_s << u" est endommagé : rien n'a été annulé."_s;
    QTest::newRow("un dossier") << u"dossier"_s << u" : "_s + MessageSysteme(EISDIR);
    QTest::newRow("un lien vers le journal") << u"lien"_s << u" : "_s + MessageSysteme(ELOOP);
    QTest::newRow("un lien vers /dev/zero") << u"zéro"_s << u" : "_s + MessageSysteme(ELOOP);
    QTest::newRow("une fifo") << u"fifo"_s << u" : "_s + MessageSysteme(EINVAL);
}

void TestAnnulationFautes::journalInutilisable()
{
    QFETCH(QString, cas);
    QFETCH(QString, message);
    TBanc b;
    b.options.options.lCopier = false;
    for (const QString &nom : {u"IMG_0001.JPG"_s, u"IMG_0002.JPG"_s, u"IMG_0003.JPG"_s})
        QVERIFY(Photo(b.src + nom));
    b.retour.reponses = {true};
    b.Lancer(true);
    const QStringList renommees = Fichiers(b.src);
    const QString journal = CheminJournal(b);
    const QByteArray octets = NomEnOctets(journal);
    QByteArray contenu = LireFichier(journal);
    const QString ailleurs = b.prog + u"ailleurs.journal"_s;
    if (cas == u"milieu"_s) {
        // The second renaming's line loses a field: the lines after it are whole.
        const qsizetype r = contenu.indexOf("\nr ", contenu.indexOf("\nr ") + 1) + 1;
        contenu.insert(contenu.indexOf(' ', r + 2), " x");
        QVERIFY(EcrireFichier(journal, contenu));
    } else if (cas == u"entête"_s) {
        QVERIFY(EcrireFichier(journal, "Clarvane journal 9\n" + contenu.mid(contenu.indexOf('\n') + 1)));
    } else if (cas == u"dossier"_s) {
        QVERIFY(QFile::remove(journal) && QDir().mkdir(journal));
    } else if (cas == u"lien"_s) {
        QVERIFY(QFile::rename(journal, ailleurs) && ::symlink("ailleurs.journal", octets.constData()) == 0);
    } else if (cas == u"zéro"_s) {
        QVERIFY(QFile::remove(journal) && ::symlink("/dev/zero", octets.constData()) == 0);
    } else if (cas == u"fifo"_s) {
        QVERIFY(QFile::remove(journal) && ::mkfifo(octets.constData(), 0644) == 0);
    }
    const QByteArray avant = cas == u"milieu"_s || cas == u"entête"_s ? LireFichier(journal) : LireFichier(ailleurs);

    // In a child: a fifo or a device must neither hang the undo nor fill the memory.
    int tube[2];
    QVERIFY(::pipe(tube) == 0);
    const int etat = DansUnFils([&] {
        const TAnnulable a = Annulable(b.prog);
        b.retour.appels.clear();
        LancerAnnulation(b.retour);
        const QByteArray sortie = (a.Erreur + u'\n' + b.retour.appels.join(u'\n')).toUtf8();
        static_cast<void>(::write(tube[1], sortie.constData(), size_t(sortie.size())));
    }, true);
    ::close(tube[1]);
    QByteArray sortie;
    char tampon[4096];
    for (ssize_t n; (n = ::read(tube[0], tampon, sizeof tampon)) > 0;)
        sortie.append(tampon, n);
    ::close(tube[0]);
    QVERIFY2(FiniNormalement(etat), "the undo hung, ran out of memory or crashed");
    const QString attendu = (cas == u"milieu"_s || cas == u"entête"_s
                                 ? u"Le journal d'annulation %1"_s
                                 : u"Impossible de lire le journal d'annulation %1"_s).arg(journal) + message;
    QCOMPARE(QString::fromUtf8(sortie), attendu + u"\nErreur: "_s + attendu);
    // Nothing put back, the journal kept as it was, nothing written through the link.
    QCOMPARE(Fichiers(b.src), renommees);
    QVERIFY(!QFile::exists(b.Journal()) || LireFichier(b.Journal()).isEmpty());
    if (cas == u"milieu"_s || cas == u"entête"_s)
        QCOMPARE(LireFichier(journal), avant);
    else if (cas == u"lien"_s)
        QCOMPARE(LireFichier(ailleurs), avant);
    struct stat st {};
    QVERIFY(::lstat(octets.constData(), &st) == 0);
}

// A result whose content was changed by a program that keeps its size and modification
// time (a tag editor) is no longer the run's: it stays, with a line. A verified copy is
// compared by its content too: a journal whose fingerprint differs refuses it alone.
void TestAnnulationFautes::retoucheeTailleEtDateGardees_data()
{
    QTest::addColumn<bool>("copie");
    QTest::addColumn<bool>("verifier");
    QTest::addColumn<bool>("empreinte"); // only the fingerprint noted in the journal differs
    QTest::newRow("copie vérifiée") << true << true << false;
    QTest::newRow("copie non vérifiée") << true << false << false;
    QTest::newRow("image renommée") << false << false << false;
    QTest::newRow("copie vérifiée, autre empreinte notée") << true << true << true;
}

void TestAnnulationFautes::retoucheeTailleEtDateGardees()
{
    QFETCH(bool, copie);
    QFETCH(bool, verifier);
    QFETCH(bool, empreinte);
    TBanc b;
    b.options.options.lCopier = copie;
    b.options.options.lVerifierCopies = verifier;
    Photos(b, 2);
    b.retour.reponses = {true};
    b.Lancer(true);
    const QString resultat = copie ? b.dst + u"Modèle 1/IMG_0001.JPG"_s : b.src + u"Modèle 1-IMG_0001.JPG"_s;
    if (empreinte) {
        QByteArray journal = LireFichier(CheminJournal(b));
        const TJournalLu lu = LireJournal(b.prog);
        const QByteArray hex = lu.Operations.value(1).Empreinte.value_or(TEmpreinte{}).Hex();
        QVERIFY(lu.Operations.size() == 4 && journal.count(hex) == 1);
        journal.replace(hex, EmpreinteDe("autre chose").Hex());
        QVERIFY(EcrireFichier(CheminJournal(b), journal));
    } else {
        QVERIFY(RetoucherEnGardantTailleEtDate(resultat));
    }
    const QByteArray contenu = LireFichier(resultat);
    b.retour.appels.clear();
    LancerAnnulation(b.retour);
    QCOMPARE(LireFichier(b.Journal()), Ligne(resultat, u"fichier modifié"_s).toUtf8());
    QCOMPARE(LireFichier(resultat), contenu);
    QCOMPARE(b.retour.Appels(u"Information"_s).value(0).section(u'\r', 0, 0),
             copie ? u"Information: 1 copies retirées."_s : u"Information: 1 images restaurées."_s);
}

// A run and its undo on paths longer than PATH_MAX, in both modes.
void TestAnnulationFautes::cheminsPlusLongsQuePathMax_data()
{
    QTest::addColumn<bool>("copie");
    QTest::newRow("copie") << true;
    QTest::newRow("renommage") << false;
}

void TestAnnulationFautes::cheminsPlusLongsQuePathMax()
{
    QFETCH(bool, copie);
    TBanc b;
    QByteArray profond = b.Src();
    for (int niveau = 0; niveau < 18; ++niveau)
        profond += QByteArray(240, char('a' + niveau)) + '/';
    QVERIFY(profond.size() > 4096 && CreerDossiers(profond));
    QVERIFY(EcrireOctets(profond + "IMG_0001.JPG", OctetsPhoto()));
    QVERIFY(EcrireOctets(profond + "IMG_0002.JPG", OctetsPhoto()));
    b.options.options.lLectRecurs = true;
    b.options.options.lCopier = copie;
    if (copie) // the destination deep down too
        b.options.options.cDossDst = NomDepuisOctets(profond + "Tri/");
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(b.retour.Appels(u"Information"_s), QStringList{u"Information: 2 images traitées (1,95 Ko)."_s});
    QCOMPARE(Annulable(b.prog).Images, 2);

    b.retour.appels.clear();
    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels.last(), copie ? u"Information: 2 copies retirées."_s : u"Information: 2 images restaurées."_s);
    QCOMPARE(LireFichier(b.Journal()), QByteArray());
    QCOMPARE(FichiersOctets(profond), (QByteArrayList{"IMG_0001.JPG", "IMG_0002.JPG"}));
    QVERIFY(!ExisteOctets(CheminJournal(b).toUtf8()));
}

// A copy killed half-way through its data leaves its hidden temporary file; the undo
// knows it from the journal and removes it with the run's folders.
void TestAnnulationFautes::copieTueeAMiChemin()
{
    TBanc b;
    Photos(b, 2, 3 << 20);
    const int etat = DansUnFils([&] {
        TOperationsPiegees operations;
        operations.ApresMorceau = [&] {
            if (operations.Copies == 2 && operations.Ecrits >= (1 << 20))
                ::kill(::getpid(), SIGKILL);
        };
        b.retour.operations = &operations;
        b.retour.reponses = {true};
        b.Lancer(true);
    });
    QVERIFY(WIFSIGNALED(etat) && WTERMSIG(etat) == SIGKILL);
    const QStringList laisses = Fichiers(b.dst);
    QCOMPARE(laisses.size(), 2);
    QCOMPARE(laisses[0], u"Modèle 1/IMG_0001.JPG"_s);
    QVERIFY(laisses[1].startsWith(u"Modèle 2/.clarvane-"_s));
    QCOMPARE(Annulable(b.prog).Images, 1);

    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels.last(), u"Information: 1 copies retirées."_s);
    QCOMPARE(LireFichier(b.Journal()), QByteArray());
    QCOMPARE(Fichiers(b.dst), QStringList());
    QCOMPARE(SousDossiers(b.dst), QStringList());
}

// A destination that turns read-only while a copy is being written: the copy fails, its
// temporary file cannot be removed and the log says so; once the folder is writable
// again, the undo removes it.
void TestAnnulationFautes::destinationEnLectureSeule()
{
    TBanc b;
    Photos(b, 1, 3 << 20);
    const QString dossier = b.dst + u"Modèle 1"_s;
    QVERIFY(QDir().mkpath(dossier));
    if (!RendreImmuable(dossier))
        QSKIP("chattr +i is needed on a folder (root, and a file system that has it)");
    QVERIFY(RendreImmuable(dossier, false));
    TOperationsPiegees operations;
    bool fait = false;
    operations.ApresMorceau = [&] {
        if (!fait)
            fait = RendreImmuable(dossier);
    };
    b.retour.operations = &operations;
    b.retour.reponses = {true};
    b.Lancer(true);
    QVERIFY(fait);
    const QStringList laisses = Fichiers(b.dst);
    RendreImmuable(dossier, false);
    QCOMPARE(laisses.size(), 1);
    QVERIFY(laisses[0].startsWith(u"Modèle 1/.clarvane-"_s));
    const QString temporaire = b.dst + laisses[0];
    const QString source = b.src + u"IMG_0001.JPG"_s;
    QCOMPARE(LireFichier(b.Journal()),
             (u"Impossible de copier %1 vers %2/IMG_0001.JPG : %3\r\n"_s.arg(source, dossier, MessageSysteme(EPERM))
              + u"Fichier temporaire %1 laissé : %2\r\n"_s.arg(temporaire, MessageSysteme(EPERM)))
                 .toUtf8());
    QCOMPARE(b.retour.Appels(u"Information"_s).value(0).section(u'\r', 0, 0),
             u"Information: 0 images traitées (0 Oct)."_s);

    b.retour.appels.clear();
    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels.last(), u"Information: 0 copies retirées."_s);
    QCOMPARE(Fichiers(b.dst), QStringList());
    QCOMPARE(SousDossiers(b.dst), QStringList{u"Modèle 1/"_s}); // made before the run
}

// A destination folder moved away while a copy is being written: the copy lands nowhere,
// neither under the old path nor in the folder where it went.
void TestAnnulationFautes::destinationDeplacee()
{
    TBanc b;
    Photos(b, 1, 3 << 20);
    TOperationsPiegees operations;
    bool fait = false;
    operations.ApresMorceau = [&] {
        if (!fait)
            fait = QDir().rename(b.dst + u"Modèle 1"_s, b.dst + u"Ailleurs"_s);
    };
    b.retour.operations = &operations;
    b.retour.reponses = {true};
    b.Lancer(true);
    QVERIFY(fait);
    QCOMPARE(Fichiers(b.dst), QStringList());
    QCOMPARE(LireFichier(b.Journal()), u"Impossible de copier %1IMG_0001.JPG vers %2Modèle 1/IMG_0001.JPG : %3\r\n"_s
                                           .arg(b.src, b.dst, MessageSysteme(ENOENT)).toUtf8());
}

// Killed after a copy or a renaming was made and before the journal confirmed it: the
// undo looks at the disk and takes it back all the same, and no more.
void TestAnnulationFautes::tueEntreChangementEtConfirmation_data()
{
    QTest::addColumn<bool>("copie");
    QTest::addColumn<bool>("verifier");
    QTest::newRow("copie vérifiée") << true << true;
    QTest::newRow("copie non vérifiée") << true << false;
    QTest::newRow("renommage") << false << false;
}

void TestAnnulationFautes::tueEntreChangementEtConfirmation()
{
    QFETCH(bool, copie);
    QFETCH(bool, verifier);
    TBanc b;
    b.options.options.lCopier = copie;
    b.options.options.lVerifierCopies = verifier;
    Photos(b, 3);
    const int etat = DansUnFils([&] {
        int confirmations = 0;
        detail::g_avantConfirmation = [&] {
            if (++confirmations == 2)
                ::kill(::getpid(), SIGKILL);
        };
        b.retour.reponses = {true};
        b.Lancer(true);
    });
    QVERIFY(WIFSIGNALED(etat) && WTERMSIG(etat) == SIGKILL);
    const TJournalLu lu = LireJournal(b.prog);
    QVERIFY(!lu.Operations.isEmpty() && !lu.Operations.last().Confirmee);
    if (copie)
        QCOMPARE(Fichiers(b.dst), (QStringList{u"Modèle 1/IMG_0001.JPG"_s, u"Modèle 2/IMG_0002.JPG"_s}));
    else
        QCOMPARE(Fichiers(b.src), (QStringList{u"IMG_0003.JPG"_s, u"Modèle 1-IMG_0001.JPG"_s,
                                               u"Modèle 2-IMG_0002.JPG"_s}));
    QCOMPARE(Annulable(b.prog).Images, 2);

    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels.last(), copie ? u"Information: 2 copies retirées."_s : u"Information: 2 images restaurées."_s);
    QCOMPARE(LireFichier(b.Journal()), QByteArray());
    QCOMPARE(Fichiers(b.dst), QStringList());
    QCOMPARE(SousDossiers(b.dst), QStringList());
    QCOMPARE(Fichiers(b.src), (QStringList{u"IMG_0001.JPG"_s, u"IMG_0002.JPG"_s, u"IMG_0003.JPG"_s}));
}

// A run that made folders and copied nothing (a full destination) is the last run: its
// undo removes its folders, and the run before it stays as it is.
void TestAnnulationFautes::traitementQuiNaFaitQueDesDossiers()
{
    TBanc b;
    Photos(b, 2);
    b.retour.reponses = {true, true};
    b.Lancer(true);
    const QStringList premier = Fichiers(b.dst);
    QCOMPARE(premier.size(), 2);

    const QString autre = b.tmp.path() + u"/Plein/"_s;
    QVERIFY(QDir().mkpath(autre));
    b.options.options.cDossDst = autre;
    TOperationsPiegees operations;
    operations.Etape = TEtape::Ecriture;
    operations.Erreur = ENOSPC;
    b.retour.operations = &operations;
    b.Lancer(true);
    QCOMPARE(SousDossiers(autre), QStringList{u"Modèle 1/"_s}); // a full disk ends the run
    QCOMPARE(Fichiers(autre), QStringList());
    const TAnnulable a = Annulable(b.prog);
    QVERIFY(a.Present && a.Erreur.isEmpty());
    QCOMPARE(a.Images, 0);

    b.retour.appels.clear();
    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels.last(), u"Information: 0 copies retirées."_s);
    QCOMPARE(SousDossiers(autre), QStringList());
    QCOMPARE(Fichiers(b.dst), premier);
}

// An undo killed after it put an image back and before it noted so: taken up again, that
// image counts as put back, without a line.
void TestAnnulationFautes::annulationReprise_data()
{
    QTest::addColumn<bool>("copie");
    QTest::newRow("renommage") << false;
    QTest::newRow("copie") << true;
}

void TestAnnulationFautes::annulationReprise()
{
    QFETCH(bool, copie);
    TBanc b;
    b.options.options.lCopier = copie;
    Photos(b, 3);
    b.retour.reponses = {true};
    b.Lancer(true);
    // What the stopped undo did to the last image: its mark "being put back", then the change.
    QFile journal(CheminJournal(b));
    QVERIFY(journal.open(QIODevice::Append) && journal.write(copie ? "a 5\n" : "a 2\n") == 4);
    journal.close();
    if (copie)
        QVERIFY(QFile::remove(b.dst + u"Modèle 3/IMG_0003.JPG"_s));
    else
        QVERIFY(QFile::rename(b.src + u"Modèle 3-IMG_0003.JPG"_s, b.src + u"IMG_0003.JPG"_s));

    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels.last(), copie ? u"Information: 3 copies retirées."_s : u"Information: 3 images restaurées."_s);
    QCOMPARE(LireFichier(b.Journal()), QByteArray());
    QCOMPARE(Fichiers(b.src), (QStringList{u"IMG_0001.JPG"_s, u"IMG_0002.JPG"_s, u"IMG_0003.JPG"_s}));
    QCOMPARE(Fichiers(b.dst), QStringList());
}

// Entries added to the journal by hand, naming files and folders outside the run's
// folders: refused, whatever they match.
void TestAnnulationFautes::entreesHorsDuTraitement()
{
    TBanc b;
    Photos(b, 1);
    b.retour.reponses = {true};
    b.Lancer(true);
    const QString sauvegardes = b.tmp.path() + u"/Sauvegardes/"_s;
    const QString copieUtilisateur = sauvegardes + u"IMG_0001.JPG"_s;
    QVERIFY(EcrireFichier(copieUtilisateur, LireFichier(b.src + u"IMG_0001.JPG"_s)));
    QVERIFY(QDir().mkpath(sauvegardes + u"vide"_s));
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(copieUtilisateur).constData(), &st) == 0);
    const TEtatFichier e = EtatDepuisStat(st);
    QVERIFY(::stat(QFile::encodeName(b.src + u"IMG_0001.JPG"_s).constData(), &st) == 0);
    const TEtatFichier s = EtatDepuisStat(st);
    const QByteArray nombres = QByteArray::number(e.Taille) + ' ' + QByteArray::number(e.Secondes) + ' '
                               + QByteArray::number(e.Nanosecondes);
    const QByteArray forge =
        "t " + NomEnOctets(b.src) + "IMG_0001.JPG " + NomEnOctets(sauvegardes) + ".clarvane-abcdef\n"
        + "m " + NomEnOctets(copieUtilisateur) + ' ' + nombres + ' ' + QByteArray::number(e.Peripherique) + ' '
        + QByteArray::number(e.Inode) + " -\n" + "C " + nombres + ' ' + QByteArray::number(e.SecondesChangement)
        + ' ' + QByteArray::number(e.NanosecondesChangement) + ' ' + QByteArray::number(s.Taille) + ' '
        + QByteArray::number(s.Secondes) + ' ' + QByteArray::number(s.Nanosecondes) + '\n' + "D "
        + NomEnOctets(sauvegardes) + "vide/\n" + "D " + NomEnOctets(b.dst) + "../Sauvegardes/vide/\n";
    QFile journal(CheminJournal(b));
    QVERIFY(journal.open(QIODevice::Append) && journal.write(forge) == forge.size());
    journal.close();
    QCOMPARE(Annulable(b.prog).Images, 2);

    LancerAnnulation(b.retour);
    QCOMPARE(LireFichier(b.Journal()),
             (Ligne(copieUtilisateur, u"hors du traitement"_s)
              + Ligne(b.dst + u"../Sauvegardes/vide/"_s, u"hors du traitement"_s)
              + Ligne(sauvegardes + u"vide/"_s, u"hors du traitement"_s))
                 .toUtf8());
    QVERIFY(QFile::exists(copieUtilisateur));
    QVERIFY(QDir(sauvegardes + u"vide"_s).exists());
    QCOMPARE(Fichiers(b.dst), QStringList()); // the run's own copy went
}

// A journal left by the previous version of the program is still taken back, its sizes
// and times compared as they were; one damaged in its middle is not used.
void TestAnnulationFautes::journalPremiereVersion()
{
    TBanc b;
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    QVERIFY(EcrireFichier(b.dst + u"Canon/IMG_0001.JPG"_s, LireFichier(b.src + u"IMG_0001.JPG"_s)));
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(b.dst + u"Canon/IMG_0001.JPG"_s).constData(), &st) == 0);
    const TEtatFichier c = EtatDepuisStat(st);
    QVERIFY(::stat(QFile::encodeName(b.src + u"IMG_0001.JPG"_s).constData(), &st) == 0);
    const TEtatFichier s = EtatDepuisStat(st);
    const auto chemin = [](const QString &p) {
        const QByteArray o = NomEnOctets(p);
        return ' ' + QByteArray::number(o.size()) + ':' + o;
    };
    const auto etat = [](const TEtatFichier &e) {
        return ' ' + QByteArray::number(e.Taille) + ' ' + QByteArray::number(e.Secondes) + ' '
               + QByteArray::number(e.Nanosecondes);
    };
    const QByteArray entrees = "D" + chemin(b.dst + u"Canon/"_s) + "\nC" + chemin(b.src + u"IMG_0001.JPG"_s)
                               + chemin(b.dst + u"Canon/IMG_0001.JPG"_s) + etat(c) + etat(s) + '\n';
    QVERIFY(EcrireFichier(CheminJournal(b), "Clarvane journal 1\nR 3:abc 3:def 1 2 3\nZ\n" + entrees));
    QCOMPARE(Annulable(b.prog).Erreur,
             u"Le journal d'annulation %1 est endommagé : rien n'a été annulé."_s.arg(CheminJournal(b)));
    QVERIFY(EcrireFichier(CheminJournal(b), "Clarvane journal 1\n" + entrees + "R 40:/tmp/Ph"));
    QCOMPARE(Annulable(b.prog).Images, 1);
    LancerAnnulation(b.retour);
    QCOMPARE(b.retour.appels.last(), u"Information: 1 copies retirées."_s);
    QCOMPARE(Fichiers(b.dst), QStringList());
    QCOMPARE(SousDossiers(b.dst), QStringList());
}

QTEST_GUILESS_MAIN(TestAnnulationFautes)
#include "tst_annulationfautes.moc"
