// Safe copy and rename: content, permission bits and times kept, nothing ever replaced,
// nothing left behind by a failure.
#include <cerrno>
#include <functional>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "Fichiers.h"
#include "LectureSeule.h"
#include "Octets.h"
#include "OperationsPiegees.h"
#include "commun/Chemins.h"
#include "commun/NomsFichiers.h"
#include "engine/OperationsFichiers.h"

using namespace Qt::StringLiterals;

namespace {
QByteArray Motif(qsizetype taille)
{
    QByteArray octets(taille, Qt::Uninitialized);
    for (qsizetype i = 0; i < taille; ++i)
        octets[i] = char((i * 131 + i / 7) & 0xFF);
    return octets;
}

// Every entry of the folder, hidden ones included (a forgotten temporary file is hidden).
QStringList Contenu(const QString &dossier)
{
    QStringList noms = QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                               | QDir::NoDotAndDotDot);
    noms.sort();
    return noms;
}

struct stat Etat(const QString &chemin)
{
    struct stat etat {};
    ::stat(QFile::encodeName(chemin).constData(), &etat);
    return etat;
}

// A small tmpfs of `octets` bytes mounted on `dossier` (root only).
class TMontageTmpfs {
public:
    TMontageTmpfs(const QString &dossier, int koctets) : m_dossier(QFile::encodeName(dossier))
    {
        const QByteArray options = "size=" + QByteArray::number(koctets) + "k";
        m_monte = geteuid() == 0
                  && ::mount("tmpfs", m_dossier.constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~TMontageTmpfs()
    {
        if (m_monte)
            ::umount2(m_dossier.constData(), MNT_DETACH);
    }
    bool Monte() const { return m_monte; }

private:
    QByteArray m_dossier;
    bool m_monte = false;
};

} // namespace


class TestOperationsFichiers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void copieGardeContenuDroitsEtDate_data();
    void copieGardeContenuDroitsEtDate();
    void copieNeRemplaceJamais();
    void cibleApparueEnCoursDeCopie();
    void echecAMiCheminNeLaisseRien();
    void echecAChaqueEtape_data();
    void echecAChaqueEtape();
    void sourceIllisibleNeCreeRien();
    void dossierLectureSeule();
    void dossierPlein();
    void copieSansTailleConnue();
    void renommage();
    void renommageVersNomPris_data();
    void renommageVersNomPris();
    void creationDeDossiers();
    void octetsEtCheminsLongs();
    void fichierOrdinaireSeulement_data();
    void fichierOrdinaireSeulement();
};

void TestOperationsFichiers::copieGardeContenuDroitsEtDate_data()
{
    QTest::addColumn<qsizetype>("taille");
    QTest::addColumn<int>("droits");
    QTest::newRow("vide") << qsizetype(0) << 0644;
    QTest::newRow("jpeg ordinaire") << qsizetype(70000) << 0640;
    QTest::newRow("lecture seule") << qsizetype(5000) << 0444;
    QTest::newRow("plusieurs morceaux") << qsizetype(20 << 20) << 0755;
}

void TestOperationsFichiers::copieGardeContenuDroitsEtDate()
{
    QFETCH(qsizetype, taille);
    QFETCH(int, droits);
    QTemporaryDir tmp;
    const QString source = tmp.filePath(u"IMG_0001.JPG"_s);
    const QByteArray contenu = Motif(taille);
    QVERIFY(EcrireFichier(source, contenu));
    QVERIFY(::chmod(QFile::encodeName(source).constData(), mode_t(droits)) == 0);
    // 21 May 2006 10:20:30.5, with a fraction of a second that must survive too.
    const struct timespec temps[2] = {{1148206830, 0}, {1148206830, 500000000}};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(source).constData(), temps, 0) == 0);

    QVERIFY(QDir().mkpath(tmp.filePath(u"Tri"_s)));
    const QString cible = tmp.filePath(u"Tri/IMG_0001.JPG"_s);
    const TResultatCopie r = CopierFichier(source, cible);
    QVERIFY2(r.Reussi, qPrintable(QString::number(r.Erreur)));
    QCOMPARE(r.Cible, cible);
    QCOMPARE(r.Erreur, 0);
    QCOMPARE(LireFichier(cible), contenu);
    const struct stat etat = Etat(cible);
    QCOMPARE(int(etat.st_mode & 07777), droits);
    QCOMPARE(qint64(etat.st_mtim.tv_sec), qint64(1148206830));
    QCOMPARE(qint64(etat.st_mtim.tv_nsec), qint64(500000000));
    QCOMPARE(Contenu(tmp.filePath(u"Tri"_s)), QStringList{u"IMG_0001.JPG"_s});
    // What the copy reports of itself and of its source is what the disk holds.
    QCOMPARE(r.Etat, EtatDepuisStat(etat));
    QCOMPARE(r.EtatSource, EtatDepuisStat(Etat(source)));
    QCOMPARE(r.Etat.Taille, taille);
}

void TestOperationsFichiers::copieNeRemplaceJamais()
{
    QTemporaryDir tmp;
    const QString source = tmp.filePath(u"a.jpg"_s), cible = tmp.filePath(u"dst/a.jpg"_s);
    QVERIFY(QDir().mkpath(tmp.filePath(u"dst"_s)));
    QVERIFY(EcrireFichier(source, "nouveau"));
    QVERIFY(EcrireFichier(cible, "ancien"));

    // Without another name to go to, a taken target is a failure and stays as it was.
    TResultatCopie r = CopierFichier(source, cible);
    QVERIFY(!r.Reussi);
    QCOMPARE(r.Erreur, EEXIST);
    QCOMPARE(LireFichier(cible), QByteArray("ancien"));
    QCOMPARE(Contenu(tmp.filePath(u"dst"_s)), QStringList{u"a.jpg"_s});

    // With one, the copy goes there.
    const QString autre = tmp.filePath(u"dst/a(2).jpg"_s);
    r = CopierFichier(source, cible, {.nomLibre = [&] { return autre; }});
    QVERIFY(r.Reussi);
    QCOMPARE(r.Cible, autre);
    QCOMPARE(LireFichier(cible), QByteArray("ancien"));
    QCOMPARE(LireFichier(autre), QByteArray("nouveau"));
    QCOMPARE(Contenu(tmp.filePath(u"dst"_s)), (QStringList{u"a(2).jpg"_s, u"a.jpg"_s}));

    // Nor is a folder of the target's name replaced or entered.
    QVERIFY(QDir().mkpath(tmp.filePath(u"dst/b.jpg"_s)));
    r = CopierFichier(source, tmp.filePath(u"dst/b.jpg"_s));
    QVERIFY(!r.Reussi);
    QVERIFY(QFileInfo(tmp.filePath(u"dst/b.jpg"_s)).isDir());
    QCOMPARE(Contenu(tmp.filePath(u"dst/b.jpg"_s)), QStringList());
}

void TestOperationsFichiers::cibleApparueEnCoursDeCopie()
{
    QTemporaryDir tmp;
    const QString source = tmp.filePath(u"a.jpg"_s), cible = tmp.filePath(u"a.jpg.copie"_s);
    QVERIFY(EcrireFichier(source, Motif(100000)));
    // Someone else creates the target while the data are being written.
    TOperationsPiegees operations;
    operations.ApresMorceau = [&] {
        if (!QFile::exists(cible))
            EcrireFichier(cible, "arrivé entre-temps");
    };
    int demandes = 0;
    const TResultatCopie r = CopierFichier(source, cible, {.nomLibre = [&] {
                                                               ++demandes;
                                                               return tmp.filePath(u"a(2).jpg.copie"_s);
                                                           },
                                                           .operations = &operations});
    QVERIFY(r.Reussi);
    QCOMPARE(demandes, 1);
    QCOMPARE(r.Cible, tmp.filePath(u"a(2).jpg.copie"_s));
    QCOMPARE(LireFichier(cible), QByteArray("arrivé entre-temps"));
    QCOMPARE(LireFichier(r.Cible), Motif(100000));
}

void TestOperationsFichiers::echecAMiCheminNeLaisseRien()
{
    QTemporaryDir tmp;
    const QString source = tmp.filePath(u"gros.nef"_s);
    QVERIFY(EcrireFichier(source, Motif(12 << 20)));
    QVERIFY(QDir().mkpath(tmp.filePath(u"dst"_s)));
    TOperationsPiegees operations;
    operations.Etape = TEtape::Plage;
    operations.Erreur = EIO;
    operations.Apres = 4 << 20;
    const TResultatCopie r = CopierFichier(source, tmp.filePath(u"dst/gros.nef"_s), {.operations = &operations});
    const qint64 ecritsAvantEchec = operations.Ecrits;
    QVERIFY(!r.Reussi);
    QCOMPARE(r.Erreur, EIO);
    QVERIFY(ecritsAvantEchec > 0 && ecritsAvantEchec < (12 << 20)); // really half-way
    QCOMPARE(Contenu(tmp.filePath(u"dst"_s)), QStringList());
}

// Every way the data can go (reflink, kernel copy, read and write), each failing at each
// of its steps: a failure leaves neither the copy nor its temporary file, and says why.
void TestOperationsFichiers::echecAChaqueEtape_data()
{
    QTest::addColumn<TClone>("clone");
    QTest::addColumn<bool>("plageRefusee");
    QTest::addColumn<TEtape>("etape");
    QTest::addColumn<qint64>("apres");
    QTest::addColumn<int>("erreur");
    QTest::addColumn<int>("appelsPlage"); // -1: any number
    const qint64 miChemin = 4 << 20;
    QTest::newRow("reflink") << TClone::Reussi << false << TEtape::Aucune << 0LL << 0 << 0;
    QTest::newRow("reflink, fsync fails")
        << TClone::Reussi << false << TEtape::Synchro << 0LL << EIO << 0;
    QTest::newRow("reflink fails half-way, kernel copy takes over")
        << TClone::EchoueAMiChemin << false << TEtape::Aucune << 0LL << 0 << -1;
    QTest::newRow("reflink fails half-way, kernel copy fails half-way")
        << TClone::EchoueAMiChemin << false << TEtape::Plage << miChemin << EIO << -1;
    QTest::newRow("kernel copy") << TClone::Refuse << false << TEtape::Aucune << 0LL << 0 << -1;
    QTest::newRow("kernel copy fails at once")
        << TClone::Refuse << false << TEtape::Plage << 0LL << EIO << 1;
    QTest::newRow("kernel copy, disk full half-way")
        << TClone::Refuse << false << TEtape::Plage << miChemin << ENOSPC << -1;
    QTest::newRow("kernel copy, fsync fails")
        << TClone::Refuse << false << TEtape::Synchro << 0LL << EIO << -1;
    QTest::newRow("read and write") << TClone::Refuse << true << TEtape::Aucune << 0LL << 0 << 1;
    QTest::newRow("read fails at once")
        << TClone::Refuse << true << TEtape::Lecture << 0LL << EIO << 1;
    QTest::newRow("read fails half-way")
        << TClone::Refuse << true << TEtape::Lecture << miChemin << EIO << 1;
    QTest::newRow("write, disk full half-way")
        << TClone::Refuse << true << TEtape::Ecriture << miChemin << ENOSPC << 1;
    QTest::newRow("read and write, fsync fails")
        << TClone::Refuse << true << TEtape::Synchro << 0LL << EDQUOT << 1;
}

void TestOperationsFichiers::echecAChaqueEtape()
{
    QFETCH(TClone, clone);
    QFETCH(bool, plageRefusee);
    QFETCH(TEtape, etape);
    QFETCH(qint64, apres);
    QFETCH(int, erreur);
    QFETCH(int, appelsPlage);
    QTemporaryDir tmp;
    const QString source = tmp.filePath(u"gros.nef"_s);
    const QByteArray contenu = Motif(12 << 20);
    QVERIFY(EcrireFichier(source, contenu));
    QVERIFY(QDir().mkpath(tmp.filePath(u"dst"_s)));
    TOperationsPiegees operations;
    operations.Clone = clone;
    operations.PlageRefusee = plageRefusee;
    operations.Etape = etape;
    operations.Apres = apres;
    operations.Erreur = erreur;
    const QString cible = tmp.filePath(u"dst/gros.nef"_s);
    const TResultatCopie r = CopierFichier(source, cible, {.synchroniser = true, .operations = &operations});
    QCOMPARE(r.Reussi, erreur == 0);
    QCOMPARE(r.Erreur, erreur);
    if (appelsPlage >= 0)
        QCOMPARE(operations.AppelsPlage, appelsPlage); // the path meant was the one taken
    if (apres > 0)
        QVERIFY(operations.Ecrits >= apres && operations.Ecrits < contenu.size()); // half-way
    if (erreur == 0) {
        QCOMPARE(LireFichier(cible), contenu);
        QCOMPARE(Contenu(tmp.filePath(u"dst"_s)), QStringList{u"gros.nef"_s});
    } else {
        QCOMPARE(Contenu(tmp.filePath(u"dst"_s)), QStringList());
    }
}

void TestOperationsFichiers::sourceIllisibleNeCreeRien()
{
    QTemporaryDir tmp;
    QVERIFY(QDir().mkpath(tmp.filePath(u"dst"_s)));
    TResultatCopie r = CopierFichier(tmp.filePath(u"absent.jpg"_s), tmp.filePath(u"dst/absent.jpg"_s));
    QVERIFY(!r.Reussi);
    QCOMPARE(r.Erreur, ENOENT);
    // A target folder that is missing is a failure too, not a file created elsewhere.
    QVERIFY(EcrireFichier(tmp.filePath(u"a.jpg"_s), "x"));
    r = CopierFichier(tmp.filePath(u"a.jpg"_s), tmp.filePath(u"manque/a.jpg"_s));
    QVERIFY(!r.Reussi);
    QCOMPARE(Contenu(tmp.filePath(u"dst"_s)), QStringList());
    QCOMPARE(Contenu(tmp.path()), (QStringList{u"a.jpg"_s, u"dst"_s}));
}

void TestOperationsFichiers::dossierLectureSeule()
{
    TDossierLectureSeule ro;
    if (!ro.Valide())
        QSKIP(qPrintable(ro.Pourquoi()));
    QTemporaryDir tmp;
    QVERIFY(EcrireFichier(tmp.filePath(u"a.jpg"_s), "image"));
    const TResultatCopie r = CopierFichier(tmp.filePath(u"a.jpg"_s), ro.Chemin() + u"a.jpg"_s);
    QVERIFY(!r.Reussi);
    QVERIFY(r.Erreur == EROFS || r.Erreur == EACCES);
    QCOMPARE(Contenu(ro.Chemin()), QStringList());
    QVERIFY(!CreerDossiers(NomEnOctets(ro.Chemin() + u"sous/dossier/"_s)));
}

void TestOperationsFichiers::dossierPlein()
{
    QTemporaryDir tmp;
    const QString petit = tmp.filePath(u"petit"_s);
    QVERIFY(QDir().mkpath(petit));
    TMontageTmpfs montage(petit, 256);
    if (!montage.Monte())
        QSKIP("a small tmpfs is needed, and only root may mount one");
    QVERIFY(EcrireFichier(tmp.filePath(u"gros.cr2"_s), Motif(2 << 20)));
    const TResultatCopie r = CopierFichier(tmp.filePath(u"gros.cr2"_s), petit + u"/gros.cr2"_s);
    QVERIFY(!r.Reussi);
    QCOMPARE(r.Erreur, ENOSPC);
    QCOMPARE(Contenu(petit), QStringList());
}

void TestOperationsFichiers::copieSansTailleConnue()
{
    // Files of /proc announce a size of 0 and refuse the kernel copy: the read and write
    // path must take over and copy them whole all the same.
    QTemporaryDir tmp;
    const TResultatCopie r = CopierFichier(u"/proc/self/status"_s, tmp.filePath(u"status"_s));
    QVERIFY(r.Reussi);
    QVERIFY(LireFichier(r.Cible).startsWith("Name:"));
}

void TestOperationsFichiers::renommage()
{
    QTemporaryDir tmp;
    const QString ancien = tmp.filePath(u"IMG_0001.JPG"_s);
    const QString nouveau = tmp.filePath(u"Canon EOS 300D-IMG_0001.JPG"_s);
    QVERIFY(EcrireFichier(ancien, "image"));
    int erreur = -1;
    QVERIFY(RenommerFichier(ancien, nouveau, &erreur));
    QCOMPARE(erreur, 0);
    QVERIFY(!QFile::exists(ancien));
    QCOMPARE(LireFichier(nouveau), QByteArray("image"));

    QVERIFY(!RenommerFichier(ancien, tmp.filePath(u"autre.jpg"_s), &erreur));
    QCOMPARE(erreur, ENOENT);
}

void TestOperationsFichiers::renommageVersNomPris_data()
{
    QTest::addColumn<bool>("dossier");
    QTest::newRow("fichier") << false;
    QTest::newRow("dossier") << true;
}

void TestOperationsFichiers::renommageVersNomPris()
{
    QFETCH(bool, dossier);
    QTemporaryDir tmp;
    const QString ancien = tmp.filePath(u"a.jpg"_s), nouveau = tmp.filePath(u"x-a.jpg"_s);
    QVERIFY(EcrireFichier(ancien, "premier"));
    if (dossier)
        QVERIFY(QDir().mkpath(nouveau));
    else
        QVERIFY(EcrireFichier(nouveau, "second"));
    int erreur = 0;
    QVERIFY(!RenommerFichier(ancien, nouveau, &erreur));
    QCOMPARE(erreur, EEXIST);
    QCOMPARE(LireFichier(ancien), QByteArray("premier"));
    if (dossier)
        QVERIFY(QFileInfo(nouveau).isDir());
    else
        QCOMPARE(LireFichier(nouveau), QByteArray("second"));
}

void TestOperationsFichiers::creationDeDossiers()
{
    QTemporaryDir tmp;
    const QByteArray base = NomEnOctets(tmp.path());
    const QByteArray profond = base + "/Canon EOS 300D/2006/05/";
    QVERIFY(CreerDossiers(profond));
    QVERIFY(CreerDossiers(profond)); // already there: fine
    QVERIFY(QFileInfo(NomDepuisOctets(profond)).isDir());
    QVERIFY(EcrireFichier(tmp.filePath(u"f"_s), ""));
    QVERIFY(!CreerDossiers(base + "/f/sous")); // a file stands in the way

    // Each folder made is told, the highest first, before and after it is made; those
    // already there are not.
    QByteArrayList avant, crees;
    const auto noterAvant = [&](const QByteArray &d) {
        avant.append(d.mid(base.size()));
        QVERIFY(!ExisteOctets(d));
    };
    const auto noter = [&](const QByteArray &d) {
        crees.append(d.mid(base.size()));
        QVERIFY(ExisteOctets(d));
    };
    QVERIFY(CreerDossiers(base + "/Canon EOS 300D/2007/01/", noterAvant, noter));
    QCOMPARE(crees, (QByteArrayList{"/Canon EOS 300D/2007/", "/Canon EOS 300D/2007/01/"}));
    QCOMPARE(avant, crees);
    crees.clear();
    avant.clear();
    QVERIFY(CreerDossiers(base + "/Canon EOS 300D/2007/01", noterAvant, noter));
    QVERIFY(CreerDossiers(base + "/Nikon//D70/", noterAvant, noter)); // a doubled "/" is one
    QCOMPARE(crees, (QByteArrayList{"/Nikon/", "/Nikon//D70/"}));
    crees.clear();
    avant.clear();
    QVERIFY(!CreerDossiers(base + "/f/sous/plus bas/", noterAvant, noter));
    QCOMPARE(crees, QByteArrayList());
    QCOMPARE(avant, QByteArrayList());
}

// Folders made, a file copied and renamed, with names that are not UTF-8 and below a
// path longer than PATH_MAX: every operation keeps the bytes and reaches the place.
void TestOperationsFichiers::octetsEtCheminsLongs()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QByteArray base = NomEnOctets(tmp.path()) + '/';
    QByteArray dossier = base;
    for (int niveau = 0; niveau < 18; ++niveau)
        dossier += QByteArray(240, char('a' + niveau)) + "\xE9/";
    QVERIFY(dossier.size() > 4096);
    QVERIFY(CreerDossiers(dossier));
    QVERIFY(CreerDossiers(dossier)); // already there: fine
    QVERIFY(EcrireOctets(base + "source \xE9.jpg", "image"));

    const QString cible = NomDepuisOctets(dossier + "caf\xE9.jpg");
    const TResultatCopie r = CopierFichier(NomDepuisOctets(base + "source \xE9.jpg"), cible);
    QVERIFY(r.Reussi);
    QCOMPARE(r.Cible, cible);
    QCOMPARE(LireOctets(dossier + "caf\xE9.jpg"), QByteArray("image"));
    QCOMPARE(FichiersOctets(dossier), QByteArrayList{"caf\xE9.jpg"}); // no temporary left

    QVERIFY(RenommerFichier(cible, NomDepuisOctets(dossier + "Canon-caf\xE9.jpg")));
    QCOMPARE(FichiersOctets(dossier), QByteArrayList{"Canon-caf\xE9.jpg"});
    SupprimerArbre(NomEnOctets(tmp.path()));
}

// The log is written only into a regular file (or a new one): a fifo, a device or a
// folder of its name is refused at once, and left as it is.
void TestOperationsFichiers::fichierOrdinaireSeulement_data()
{
    QTest::addColumn<QString>("genre");
    QTest::addColumn<bool>("ecrit");
    QTest::newRow("absent") << u"absent"_s << true;
    QTest::newRow("longer file") << u"fichier"_s << true;
    QTest::newRow("link to a file") << u"lien"_s << true;
    QTest::newRow("fifo") << u"fifo"_s << false;
    QTest::newRow("device") << u"périphérique"_s << false;
    QTest::newRow("folder") << u"dossier"_s << false;
}

void TestOperationsFichiers::fichierOrdinaireSeulement()
{
    QFETCH(QString, genre);
    QFETCH(bool, ecrit);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QString chemin = tmp.filePath(u"Clarvane.erreurs.txt"_s);
    const QByteArray octets = QFile::encodeName(chemin);
    if (genre == u"fichier"_s) {
        QVERIFY(EcrireFichier(chemin, "une ancienne ligne bien plus longue\r\n"));
    } else if (genre == u"lien"_s) {
        QVERIFY(EcrireFichier(tmp.filePath(u"vrai.txt"_s), "ancien"));
        QVERIFY(::symlink("vrai.txt", octets.constData()) == 0);
    } else if (genre == u"fifo"_s) {
        QVERIFY(::mkfifo(octets.constData(), 0644) == 0);
    } else if (genre == u"périphérique"_s) {
        chemin = u"/dev/null"_s;
    } else if (genre == u"dossier"_s) {
        QVERIFY(QDir().mkdir(chemin));
    }
    QCOMPARE(EcrireFichierOrdinaire(chemin, "ligne\r\n"), ecrit);
    if (ecrit)
        QCOMPARE(LireFichier(chemin), QByteArray("ligne\r\n"));
    if (genre == u"lien"_s)
        QCOMPARE(LireFichier(tmp.filePath(u"vrai.txt"_s)), QByteArray("ligne\r\n"));
}

QTEST_GUILESS_MAIN(TestOperationsFichiers)
#include "tst_operationsfichiers.moc"
