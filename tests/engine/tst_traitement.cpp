// Whole runs on temporary trees: messages and their order, the files copied or renamed,
// the preview entries, the error log's bytes, and what stays untouched.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLocale>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include "BancTraitement.h"
#include "Fichiers.h"
#include "LectureSeule.h"
#include "Octets.h"
#include "PetitDisque.h"
#include "commun/EErreur.h"
#include "commun/NomsFichiers.h"
#include "engine/JournalTraitement.h"
#include "engine/Traitement.h"
#include "metadata/Nombres.h"

using namespace Qt::StringLiterals;

namespace {

const QString kAucune = u"Erreur: Aucune image à traiter."_s;

// The data rows of a test made in both modes: column "copie", true then false.
void LignesCopieRenommage()
{
    QTest::addColumn<bool>("copie");
    QTest::newRow("copy") << true;
    QTest::newRow("rename") << false;
}

} // namespace

class TestTraitement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void aucuneImage_data();
    void aucuneImage();
    void imagesSansEXIF();
    void reponseNon();
    void copieSansErreur();
    void tailleDeLaQuestion_data();
    void tailleDeLaQuestion();
    void cibleDejaPrise_data();
    void cibleDejaPrise();
    void memeNomDeDeuxSousDossiers_data();
    void memeNomDeDeuxSousDossiers();
    void renommage();
    void renommageNomPris();
    void apercuDeCopie();
    void apercuSansValeurs();
    void echecAvecCause_data();
    void echecAvecCause();
    void placeInsuffisante_data();
    void placeInsuffisante();
    void pleineAuDossier_data();
    void pleineAuDossier();
    void renommerDeuxFois_data();
    void renommerDeuxFois();
    void journalImpossible_data();
    void journalImpossible();
    void optionsLuesEnCoursDeRoute();
    void nomsNonUTF8_data();
    void nomsNonUTF8();
    void sansValeursNommes();
    void illisiblesNommes();
    void disparusEntreLesPassages();
    void arbreProfondPeuDeDescripteurs();
    void cheminPlusLongQuePathMax_data();
    void cheminPlusLongQuePathMax();
    void interruption_data();
    void interruption();
    void interruptionPendantLeComptage_data();
    void interruptionPendantLeComptage();
};

void TestTraitement::aucuneImage_data()
{
    QTest::addColumn<bool>("traiter");
    QTest::addColumn<QString>("cas");
    for (const bool traiter : {true, false})
        for (const auto &cas : {u"vide"_s, u"sans image"_s, u"pas de source"_s, u"pas de destination"_s})
            QTest::addRow("%s, %s", traiter ? "traitement" : "aperçu", qPrintable(cas)) << traiter << cas;
}

void TestTraitement::aucuneImage()
{
    QFETCH(bool, traiter);
    QFETCH(QString, cas);
    TBanc b;
    if (cas != u"vide"_s) {
        QVERIFY(EcrireFichier(b.src + u"notes.txt"_s, "x"));
        QVERIFY(EcrireFichier(b.src + u"photo.png"_s, "x"));
    }
    if (cas == u"pas de source"_s || cas == u"pas de destination"_s)
        QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    if (cas == u"pas de source"_s)
        b.options.options.cDossSrc.clear();
    if (cas == u"pas de destination"_s)
        b.options.options.cDossDst.clear();
    b.liste.append(TEnrFichier{u"/avant/"_s, u"a.jpg"_s, 1, TEnrEXIF{}});

    b.Lancer(traiter);
    QCOMPARE(b.retour.appels, (QStringList{u"Curseur: occupé"_s, u"Curseur: normal"_s, kAucune}));
    QCOMPARE(b.liste.size(), 1); // the previous images are still there
    QVERIFY(!QFile::exists(b.Journal()));
    QCOMPARE(Fichiers(b.dst), QStringList());
}

void TestTraitement::imagesSansEXIF()
{
    TBanc b;
    QVERIFY(EcrireFichier(b.src + u"a.jpg"_s, JPEGSansEXIF()));
    QVERIFY(EcrireFichier(b.src + u"b.JPG"_s, JPEGSansEXIF()));
    const qint64 total = QFileInfo(b.src + u"a.jpg"_s).size() + QFileInfo(b.src + u"b.JPG"_s).size();
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(b.retour.appels.mid(2), (QStringList{
        u"Confirmer: Traiter les 2 Images (%1) ?"_s.arg(TailleEnTexte(total)),
        u"Curseur: occupé"_s, u"Ouvrir: Phase 1/2 - Lecture des données EXIF 0 1 0"_s, u"Fermer"_s,
        u"Curseur: normal"_s, kAucune}));
    QCOMPARE(b.retour.avancees, 2);
    QVERIFY(!QFile::exists(b.Journal())); // the run ended before the log
    QCOMPARE(Fichiers(b.dst), QStringList());
}

void TestTraitement::reponseNon()
{
    TBanc b;
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    QVERIFY(EcrireFichier(b.Journal(), "ancien\r\n"));
    b.liste.append(TEnrFichier{u"/avant/"_s, u"a.jpg"_s, 1, TEnrEXIF{}});
    b.retour.reponses = {false};
    b.Lancer(true);
    QCOMPARE(b.retour.appels, (QStringList{u"Curseur: occupé"_s, u"Curseur: normal"_s,
                                           u"Confirmer: Traiter les 1 Images (1000 Oct) ?"_s}));
    QCOMPARE(b.liste.size(), 1);
    QCOMPARE(b.liste.first().Nom, u"a.jpg"_s);
    QCOMPARE(Fichiers(b.dst), QStringList());
    QCOMPARE(Fichiers(b.src), QStringList{u"IMG_0001.JPG"_s});
    QCOMPARE(LireFichier(b.Journal()), QByteArray("ancien\r\n"));
}

void TestTraitement::copieSansErreur()
{
    TBanc b;
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    QVERIFY(Photo(b.src + u"IMG_0002.JPG"_s, 1000, Appareil("NIKON D70")));
    QVERIFY(Photo(b.src + u"IMG_0003.JPG"_s));
    QVERIFY(EcrireFichier(b.Journal(), "ligne d'un autre jour\r\n"));
    b.retour.reponses = {true};
    b.Lancer(true);

    QCOMPARE(b.retour.appels, (QStringList{
        u"Curseur: occupé"_s, u"Curseur: normal"_s, u"Confirmer: Traiter les 3 Images (2,93 Ko) ?"_s,
        u"Curseur: occupé"_s, u"Ouvrir: Phase 1/2 - Lecture des données EXIF 0 2 0"_s, u"Fermer"_s,
        u"Ouvrir: Phase 2/2 - Traitement en cours 0 2 0"_s, u"Fermer"_s,
        u"Curseur: normal"_s, u"Information: 3 images traitées (2,93 Ko)."_s}));
    QCOMPARE(b.retour.avancees, 6);
    QVERIFY(!b.retour.boiteSousCurseurOccupe);
    QCOMPARE(Fichiers(b.dst), (QStringList{u"Canon EOS 300D/IMG_0001.JPG"_s,
                                           u"Canon EOS 300D/IMG_0003.JPG"_s, u"NIKON D70/IMG_0002.JPG"_s}));
    QCOMPARE(LireFichier(b.dst + u"NIKON D70/IMG_0002.JPG"_s), LireFichier(b.src + u"IMG_0002.JPG"_s));
    QVERIFY(QFile::exists(b.Journal()));
    QCOMPARE(LireFichier(b.Journal()), QByteArray()); // replaced, and empty
    QCOMPARE(b.liste.size(), 3); // kept after a processing run
    QCOMPARE(Fichiers(b.src).size(), 3);
}

void TestTraitement::tailleDeLaQuestion_data()
{
    QTest::addColumn<qsizetype>("taille");
    QTest::addColumn<QString>("texte");
    QTest::newRow("1024") << qsizetype(1024) << u"1024 Oct"_s;
    QTest::newRow("1025") << qsizetype(1025) << u"1,00 Ko"_s;
    QTest::newRow("1152") << qsizetype(1152) << u"1,13 Ko"_s;
}

void TestTraitement::tailleDeLaQuestion()
{
    QFETCH(qsizetype, taille);
    QFETCH(QString, texte);
    TBanc b;
    QVERIFY(Photo(b.src + u"a.jpg"_s, taille));
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(b.retour.Appels(u"Confirmer"_s), QStringList{u"Confirmer: Traiter les 1 Images (%1) ?"_s.arg(texte)});
    QCOMPARE(b.retour.Appels(u"Information"_s),
             QStringList{u"Information: 1 images traitées (%1)."_s.arg(texte)});
}

void TestTraitement::cibleDejaPrise_data()
{
    QTest::addColumn<bool>("traiter");
    QTest::newRow("traitement") << true;
    QTest::newRow("aperçu") << false;
}

void TestTraitement::cibleDejaPrise()
{
    QFETCH(bool, traiter);
    TBanc b;
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    const QString dossier = b.dst + u"Canon EOS 300D/"_s;
    QVERIFY(EcrireFichier(dossier + u"IMG_0001.JPG"_s, "déjà là"));
    b.retour.reponses = {true};
    b.Lancer(traiter);

    const QString notice = u"%1IMG_0001.JPG (existant) %2 copié en %1IMG_0001(2).JPG"_s
                               .arg(dossier, traiter ? u"a été"_s : u"sera"_s);
    QCOMPARE(LireFichier(dossier + u"IMG_0001.JPG"_s), QByteArray("déjà là"));
    if (traiter) {
        QCOMPARE(LireFichier(dossier + u"IMG_0001(2).JPG"_s), LireFichier(b.src + u"IMG_0001.JPG"_s));
        QCOMPARE(LireFichier(b.Journal()), notice.toUtf8() + "\r\n");
        // The summary on four lines, then the log handed to the viewer.
        QCOMPARE(b.retour.appels.mid(b.retour.appels.size() - 2), (QStringList{
            u"Information: 1 images traitées (1000 Oct).\r\n\r\nDes erreurs ont été rencontrées :\r\n"
            "chargement de \"%1\"."_s.arg(b.Journal()),
            u"Journal: "_s + b.Journal()}));
    } else {
        QCOMPARE(Fichiers(b.dst), QStringList{u"Canon EOS 300D/IMG_0001.JPG"_s});
        QCOMPARE(b.retour.apercuErreurs, QStringList{notice});
        QCOMPARE(b.retour.apercu.size(), 1);
        QCOMPARE(b.retour.apercu.first().Nom, u"IMG_0001.JPG"_s); // its own name in the tree
        QVERIFY(!QFile::exists(b.Journal()));
    }
}

void TestTraitement::memeNomDeDeuxSousDossiers_data()
{
    cibleDejaPrise_data();
}

void TestTraitement::memeNomDeDeuxSousDossiers()
{
    QFETCH(bool, traiter);
    TBanc b;
    b.options.options.lLectRecurs = true;
    QVERIFY(Photo(b.src + u"jour1/IMG_0001.JPG"_s, 1000));
    QVERIFY(Photo(b.src + u"jour2/IMG_0001.JPG"_s, 2000));
    b.retour.reponses = {true};
    b.Lancer(traiter);
    if (traiter) {
        QCOMPARE(Fichiers(b.dst), (QStringList{u"Canon EOS 300D/IMG_0001(2).JPG"_s,
                                               u"Canon EOS 300D/IMG_0001.JPG"_s}));
        QCOMPARE(QFileInfo(b.dst + u"Canon EOS 300D/IMG_0001(2).JPG"_s).size(), 2000);
        QCOMPARE(LireFichier(b.Journal()),
                 u"%1IMG_0001.JPG (existant) a été copié en %1IMG_0001(2).JPG\r\n"_s
                     .arg(b.dst + u"Canon EOS 300D/"_s).toUtf8());
        QCOMPARE(b.retour.Appels(u"Information"_s).value(0).section(u'\r', 0, 0),
                 u"Information: 2 images traitées (2,93 Ko)."_s);
    } else {
        // The preview says what the run will do: the second one is numbered.
        QCOMPARE(b.retour.apercuErreurs,
                 QStringList{u"%1IMG_0001.JPG (existant) sera copié en %1IMG_0001(2).JPG"_s
                                 .arg(b.dst + u"Canon EOS 300D/"_s)});
        QCOMPARE(b.retour.apercu.size(), 2);
        for (const TEnrFichier &e : std::as_const(b.retour.apercu))
            QCOMPARE(e.Dossier + e.Nom, u"/Canon EOS 300D/IMG_0001.JPG"_s);
    }
}

void TestTraitement::renommage()
{
    TBanc b;
    b.options.options.lCopier = false;
    b.options.options.lLectRecurs = true;
    b.options.options.cOrdreDonEXIF = u"AfvdpI"_s;
    b.options.options.nSep = 2; // "-"
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    QVERIFY(Photo(b.src + u"2004/DSC_0002.JPG"_s, 1000, Appareil("NIKON D70")));

    // The preview first: entries relative to the source folder, nothing renamed.
    b.Lancer(false);
    QCOMPARE(b.retour.nbApercus, 1);
    QVERIFY(!b.retour.apercuCopie);
    QCOMPARE(b.retour.apercuBase, b.src);
    QCOMPARE(b.retour.apercu.size(), 2);
    QCOMPARE(b.retour.apercu[0].Dossier + b.retour.apercu[0].Nom, u"/Canon EOS 300D-100 iso-IMG_0001.JPG"_s);
    QCOMPARE(b.retour.apercu[1].Dossier + b.retour.apercu[1].Nom, u"/2004/NIKON D70-100 iso-DSC_0002.JPG"_s);
    QCOMPARE(Fichiers(b.src), (QStringList{u"2004/DSC_0002.JPG"_s, u"IMG_0001.JPG"_s}));
    QVERIFY(b.liste.isEmpty()); // a preview leaves the list empty

    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(Fichiers(b.src), (QStringList{u"2004/NIKON D70-100 iso-DSC_0002.JPG"_s,
                                           u"Canon EOS 300D-100 iso-IMG_0001.JPG"_s}));
    QCOMPARE(Fichiers(b.dst), QStringList());
    QCOMPARE(b.retour.Appels(u"Information"_s), QStringList{u"Information: 2 images traitées (1,95 Ko)."_s});
}

void TestTraitement::renommageNomPris()
{
    TBanc b;
    b.options.options.lCopier = false;
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    QVERIFY(Photo(b.src + u"IMG_0002.JPG"_s));
    QVERIFY(EcrireFichier(b.src + u"Canon EOS 300D-IMG_0001.JPG"_s, "un autre")); // no EXIF: not kept
    b.retour.reponses = {true};
    b.Lancer(true);

    // The file without values is named first (phase 1), then the refused rename (phase 2).
    const QString lignes = u"Aucune donnée EXIF lisible pour %1Canon EOS 300D-IMG_0001.JPG\r\n"
                           "Impossible de renommer %1IMG_0001.JPG en %1Canon EOS 300D-IMG_0001.JPG : %2\r\n"_s
                               .arg(b.src, MessageSysteme(EEXIST));
    QCOMPARE(LireFichier(b.Journal()), lignes.toUtf8());
    QCOMPARE(Fichiers(b.src), (QStringList{u"Canon EOS 300D-IMG_0001.JPG"_s, u"Canon EOS 300D-IMG_0002.JPG"_s,
                                           u"IMG_0001.JPG"_s}));
    QCOMPARE(LireFichier(b.src + u"Canon EOS 300D-IMG_0001.JPG"_s), QByteArray("un autre"));
    QCOMPARE(b.retour.Appels(u"Information"_s).value(0).section(u'\r', 0, 0),
             u"Information: 1 images traitées (1000 Oct)."_s);
}

void TestTraitement::apercuDeCopie()
{
    TBanc b;
    b.options.options.cOrdreDonEXIF = u"AfvdPi"_s;
    b.options.options.nCFDatePDVC = 6;   // year and month
    b.options.options.nCFDatePDVF = 120; // yyyy, mm
    b.options.options.lDatePDVHierCompoSiCopie = true;
    const QString dst = b.dst + u"pas encore/"_s; // a preview creates no folder
    b.options.options.cDossDst = dst;
    QVERIFY(Photo(b.src + u"IMG_0002.JPG"_s));
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s, 1500));
    TValeursEXIF juin;
    juin.date = "2006:06:02 08:00:00";
    QVERIFY(Photo(b.src + u"IMG_0003.JPG"_s, 1000, juin));
    b.Lancer(false);

    QCOMPARE(b.retour.Appels(u"Confirmer"_s), QStringList());
    QCOMPARE(b.retour.nbApercus, 1);
    QVERIFY(b.retour.apercuCopie);
    QCOMPARE(b.retour.apercuBase, dst);
    QStringList entrees;
    for (const TEnrFichier &e : std::as_const(b.retour.apercu))
        entrees.append(u"%1%2 %3"_s.arg(e.Dossier, e.Nom).arg(e.Taille));
    QCOMPARE(entrees, (QStringList{u"/Canon EOS 300D/2006/05/IMG_0001.JPG 1500"_s,
                                   u"/Canon EOS 300D/2006/05/IMG_0002.JPG 1000"_s,
                                   u"/Canon EOS 300D/2006/06/IMG_0003.JPG 1000"_s}));
    QVERIFY(!QFileInfo::exists(dst));
    QVERIFY(!QFile::exists(b.Journal()));
    QVERIFY(b.liste.isEmpty());
    QVERIFY(!b.retour.curseurOccupe);
}

void TestTraitement::apercuSansValeurs()
{
    TBanc b;
    b.options.options.cOrdreDonEXIF = u"afvdpI"_s; // ISO only, which the images lack
    TValeursEXIF sansIso;
    sansIso.iso.reset();
    QVERIFY(Photo(b.src + u"a.jpg"_s, 1000, sansIso));
    QVERIFY(Photo(b.src + u"b.jpg"_s, 1000, sansIso));
    b.Lancer(false);
    QCOMPARE(b.retour.nbApercus, 0);
    QCOMPARE(b.retour.appels.last(), kAucune);
    QCOMPARE(b.retour.avancees, 4);
}

// A copy to a read-only place, a rename in one, a copy whose folder's name is held by a
// fifo: the line says why, with the system's message (root: a read-only mount; another
// user: a folder without write permission).
void TestTraitement::echecAvecCause_data()
{
    QTest::addColumn<bool>("copie");
    QTest::addColumn<bool>("fifo");
    QTest::newRow("copy, read-only") << true << false;
    QTest::newRow("rename, read-only") << false << false;
    QTest::newRow("copy, a fifo for the folder") << true << true;
}

void TestTraitement::echecAvecCause()
{
    QFETCH(bool, copie);
    QFETCH(bool, fifo);
    TDossierLectureSeule ro({{u"IMG_0001.JPG"_s, OctetsPhoto()}});
    if (!fifo && !ro.Valide())
        QSKIP(qPrintable(ro.Pourquoi()));
    TBanc b;
    b.options.options.lCopier = copie;
    QString lieu = ro.Chemin();
    int erreur = geteuid() == 0 ? EROFS : EACCES;
    if (fifo) {
        lieu = b.dst;
        erreur = ENOTDIR;
        QVERIFY(::mkfifo(NomEnOctets(b.dst + u"Canon EOS 300D"_s).constData(), 0644) == 0);
    }
    if (copie) {
        QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
        b.options.options.cDossDst = lieu;
    } else {
        b.options.options.cDossSrc = lieu;
    }
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(LireFichier(b.Journal()),
             (copie ? u"Impossible de copier %1IMG_0001.JPG vers %2Canon EOS 300D/IMG_0001.JPG : %3\r\n"_s
                          .arg(b.src, lieu, MessageSysteme(erreur))
                    : u"Impossible de renommer %1IMG_0001.JPG en %1Canon EOS 300D-IMG_0001.JPG : %2\r\n"_s
                          .arg(lieu, MessageSysteme(erreur))).toUtf8());
    QCOMPARE(b.retour.Appels(u"Information"_s).value(0).section(u'\r', 0, 0),
             u"Information: 0 images traitées (0 Oct)."_s);
    // Nothing made or renamed: the fifo is still there, and still a fifo.
    QCOMPARE(Fichiers(lieu), QStringList{fifo ? u"Canon EOS 300D"_s : u"IMG_0001.JPG"_s});
    struct stat st;
    QVERIFY(!fifo || (::lstat(NomEnOctets(lieu + u"Canon EOS 300D"_s).constData(), &st) == 0 && S_ISFIFO(st.st_mode)));
}

// Five images of 120,000 bytes towards a file system of 300 KB: the question before
// phase 2; "Non" ends the run with nothing copied and no log; "Oui" copies what fits,
// names the image that did not fit with its cause, and stops there. A preview asks nothing.
void TestTraitement::placeInsuffisante_data()
{
    QTest::addColumn<bool>("traiter");
    QTest::addColumn<bool>("reponse");
    QTest::addColumn<QString>("sousDossier"); // of the disk, as the destination
    QTest::newRow("Non") << true << false << QString();
    QTest::newRow("Oui, destination still to make") << true << true << u"Tri/"_s;
    QTest::newRow("preview") << false << false << QString();
}

void TestTraitement::placeInsuffisante()
{
    QFETCH(bool, traiter);
    QFETCH(bool, reponse);
    QFETCH(QString, sousDossier);
    TPetitDisque disque;
    if (!disque.Valide())
        QSKIP(qPrintable(disque.Pourquoi()));
    TBanc b;
    const QString dst = disque.Chemin() + sousDossier;
    b.options.options.cDossDst = dst;
    constexpr int kTaille = 120000;
    for (int i = 1; i <= 5; ++i)
        QVERIFY(Photo(b.src + u"IMG_000%1.JPG"_s.arg(i), kTaille));
    QVERIFY(EcrireFichier(b.Journal(), "ancien\r\n"));
    const qint64 libre = QStorageInfo(disque.Chemin()).bytesAvailable();
    QVERIFY(libre > 2 * kTaille && libre < 3 * kTaille);
    b.retour.reponses = {true};
    b.retour.reponsesPrudentes = {reponse};
    b.Lancer(traiter);

    const QString question = u"Prudente: La destination n'a que %1 de libre pour %2 à copier. Continuer ?"_s
                                 .arg(TailleEnTexte(libre), TailleEnTexte(5 * kTaille));
    QVERIFY(!b.retour.boiteSousCurseurOccupe);
    QVERIFY(!b.retour.curseurOccupe);
    if (!traiter) {
        QCOMPARE(b.retour.Appels(u"Prudente"_s), QStringList());
        QCOMPARE(b.retour.apercu.size(), 5);
        return;
    }
    QCOMPARE(b.retour.Appels(u"Prudente"_s), QStringList{question});
    if (!reponse) {
        // Asked once phase 1 is over, and nothing after it.
        QCOMPARE(b.retour.appels.mid(b.retour.appels.size() - 3),
                 (QStringList{u"Fermer"_s, u"Curseur: normal"_s, question}));
        QCOMPARE(Fichiers(disque.Chemin()), QStringList());
        QCOMPARE(LireFichier(b.Journal()), QByteArray("ancien\r\n"));
        QVERIFY(b.liste.isEmpty());
        return;
    }
    // Two fit; the third fails for lack of room and ends phase 2; no partial file is left.
    const QString dossier = dst + u"Canon EOS 300D/"_s;
    QCOMPARE(Fichiers(disque.Chemin()), (QStringList{sousDossier + u"Canon EOS 300D/IMG_0001.JPG"_s,
                                                     sousDossier + u"Canon EOS 300D/IMG_0002.JPG"_s}));
    QCOMPARE(LireFichier(b.Journal()),
             u"Impossible de copier %1IMG_0003.JPG vers %2IMG_0003.JPG : %3\r\n"
             "Traitement interrompu : destination pleine, 2 images non traitées.\r\n"_s
                 .arg(b.src, dossier, MessageSysteme(ENOSPC)).toUtf8());
    QCOMPARE(b.retour.avancees, 5 + 3);
    QCOMPARE(b.retour.appels.mid(b.retour.appels.size() - 2), (QStringList{
        u"Information: 2 images traitées (%1).\r\n\r\nDes erreurs ont été rencontrées :\r\n"
        "chargement de \"%2\"."_s.arg(TailleEnTexte(2 * kTaille), b.Journal()),
        u"Journal: "_s + b.Journal()}));
}

// The disk has room for data but not for one more folder (a tmpfs of three inodes): the
// image whose folder cannot be made gets the folder's cause, and phase 2 ends there,
// also when it is the last image.
void TestTraitement::pleineAuDossier_data()
{
    QTest::addColumn<int>("appareils");
    QTest::newRow("second of three") << 3;
    QTest::newRow("last") << 2;
}

void TestTraitement::pleineAuDossier()
{
    QFETCH(int, appareils);
    TPetitDisque disque("size=300k,nr_inodes=3"); // the root, one folder, one file
    if (!disque.Valide())
        QSKIP(qPrintable(disque.Pourquoi()));
    TBanc b;
    b.options.options.cDossDst = disque.Chemin();
    for (int i = 0; i < appareils; ++i)
        QVERIFY(Photo(b.src + QChar(u'a' + i) + u".jpg"_s, 1000, Appareil(QByteArray(1, char('A' + i)))));
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(b.retour.Appels(u"Prudente"_s), QStringList());
    QCOMPARE(Fichiers(disque.Chemin()), QStringList{u"A/a.jpg"_s});
    QCOMPARE(LireFichier(b.Journal()),
             u"Impossible de copier %1b.jpg vers %2B/b.jpg : %3\r\n"
             "Traitement interrompu : destination pleine, %4 images non traitées.\r\n"_s
                 .arg(b.src, disque.Chemin(), MessageSysteme(ENOSPC)).arg(appareils - 2).toUtf8());
    QCOMPARE(b.retour.Appels(u"Information"_s).value(0).section(u'\r', 0, 0),
             u"Information: 1 images traitées (1000 Oct)."_s);
}

// A second rename run over the same folder leaves the images renamed by the first as
// they are, in the preview too, when the prefix the run would give now is the one they
// begin with; with other values they get the new prefix.
void TestTraitement::renommerDeuxFois_data()
{
    QTest::addColumn<int>("nSep");
    QTest::addColumn<QString>("ordre"); // of the second run
    QTest::addColumn<QString>("prefixe"); // of the first
    QTest::addColumn<QString>("nouveau"); // of the second, when it renames again
    QTest::newRow("dash") << 2 << u"Afvdpi"_s << u"Canon EOS 300D-"_s << QString();
    QTest::newRow("no separator") << 0 << u"Afvdpi"_s << u"Canon EOS 300D"_s << QString();
    QTest::newRow("other values") << 2 << u"AfvdpI"_s << u"Canon EOS 300D-"_s
                                  << u"Canon EOS 300D-100 iso-"_s;
}

void TestTraitement::renommerDeuxFois()
{
    QFETCH(int, nSep);
    QFETCH(QString, ordre);
    QFETCH(QString, prefixe);
    QFETCH(QString, nouveau);
    TBanc b;
    b.options.options.lCopier = false;
    b.options.options.nSep = nSep;
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    QVERIFY(Photo(b.src + u"IMG_0002.JPG"_s));
    b.retour.reponses = {true};
    b.Lancer(true);
    const QStringList premiers{prefixe + u"IMG_0001.JPG"_s, prefixe + u"IMG_0002.JPG"_s};
    QCOMPARE(Fichiers(b.src), premiers);

    // A new image beside them, and the options of the second run.
    QVERIFY(Photo(b.src + u"IMG_0003.JPG"_s));
    b.options.options.cOrdreDonEXIF = ordre;
    QStringList deja, renommes;
    for (const QString &nom : premiers) {
        if (nouveau.isEmpty())
            deja.append(u"Déjà renommé : "_s + b.src + nom);
        else
            renommes.append(nouveau + nom);
    }
    renommes.append((nouveau.isEmpty() ? prefixe : nouveau) + u"IMG_0003.JPG"_s);

    b.Lancer(false);
    QStringList entrees;
    for (const TEnrFichier &e : std::as_const(b.retour.apercu))
        entrees.append(e.Dossier.mid(1) + e.Nom);
    QCOMPARE(entrees, renommes);
    QCOMPARE(b.retour.apercuErreurs, deja);

    b.retour.appels.clear();
    b.retour.reponses = {true};
    b.Lancer(true);
    QStringList surDisque = renommes + (nouveau.isEmpty() ? premiers : QStringList());
    surDisque.sort();
    QCOMPARE(Fichiers(b.src), surDisque);
    QCOMPARE(LireFichier(b.Journal()), deja.isEmpty() ? QByteArray() : (deja.join(u"\r\n"_s) + u"\r\n"_s).toUtf8());
    QCOMPARE(b.retour.Appels(u"Information"_s).value(0).section(u'\r', 0, 0),
             u"Information: %1 images traitées (%2)."_s.arg(renommes.size())
                 .arg(TailleEnTexte(1000 * renommes.size())));
}

// The log cannot be written: a read-only folder, or a fifo of its name (refused at once
// instead of waiting for a reader).
void TestTraitement::journalImpossible_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::newRow("read-only folder") << false;
    QTest::newRow("fifo") << true;
}

void TestTraitement::journalImpossible()
{
    QFETCH(bool, fifo);
    TDossierLectureSeule ro;
    TBanc b;
    if (fifo) {
        QVERIFY(::mkfifo(NomEnOctets(b.Journal()).constData(), 0644) == 0);
    } else {
        if (!ro.Valide())
            QSKIP(qPrintable(ro.Pourquoi()));
        b.retour.dossierJournal = ro.Chemin();
    }
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    b.retour.reponses = {true};
    QString message;
    try {
        b.Lancer(true);
    } catch (const EErreur &e) {
        message = e.Message();
    }
    QCOMPARE(message, u"Ne peut créer le fichier %1Clarvane.erreurs.txt"_s.arg(b.retour.dossierJournal));
    // The copy made stays made; no summary, no log opened; cursor and pop-up put back.
    QCOMPARE(Fichiers(b.dst), QStringList{u"Canon EOS 300D/IMG_0001.JPG"_s});
    QCOMPARE(b.retour.Appels(u"Information"_s), QStringList());
    QCOMPARE(b.retour.Appels(u"Journal"_s), QStringList());
    QVERIFY(!b.retour.curseurOccupe);
    QVERIFY(!b.retour.progressionOuverte);
    struct stat st;
    if (fifo)
        QVERIFY(::lstat(NomEnOctets(b.Journal()).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
}

void TestTraitement::optionsLuesEnCoursDeRoute()
{
    // The destination changed in the window while phase 2 runs applies from the next image.
    TBanc b;
    QVERIFY(Photo(b.src + u"a.jpg"_s));
    QVERIFY(Photo(b.src + u"b.jpg"_s));
    const QString autre = b.tmp.path() + u"/Autre/"_s;
    b.retour.surAvancer = [&](int pas) {
        if (pas == 4) // phase 1 took 2 steps; this is the second image of phase 2
            b.options.options.cDossDst = autre;
    };
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(Fichiers(b.dst), QStringList{u"Canon EOS 300D/a.jpg"_s});
    QCOMPARE(Fichiers(autre), QStringList{u"Canon EOS 300D/b.jpg"_s});
}

// Copy and rename of names that are not UTF-8 (Latin-1, from older systems): the targets
// carry the very bytes; the preview, the log and the summary write them as \xHH.
void TestTraitement::nomsNonUTF8_data()
{
    LignesCopieRenommage();
}

void TestTraitement::nomsNonUTF8()
{
    QFETCH(bool, copie);
    TBanc b;
    b.options.options.lCopier = copie;
    b.options.options.lLectRecurs = true;
    const QByteArray journal = NomEnOctets(b.tmp.path()) + "/journal\xE9/";
    QVERIFY(CreerDossierOctets(journal));
    b.retour.dossierJournal = NomDepuisOctets(journal);
    const QByteArray photo = OctetsPhoto();
    const QByteArray photoNikon = OctetsPhoto(1000, Appareil("NIKON D70"));
    QVERIFY(EcrireOctets(b.Src() + "caf\xE9.jpg", photo));
    QVERIFY(CreerDossierOctets(b.Src() + "\xC9t\xE9"));
    QVERIFY(EcrireOctets(b.Src() + "\xC9t\xE9/\xE0 la plage.JPG", photoNikon));
    // Copy mode: a target already there, for a notice naming both paths.
    QVERIFY(CreerDossierOctets(b.Dst() + "Canon EOS 300D"));
    QVERIFY(EcrireOctets(b.Dst() + "Canon EOS 300D/caf\xE9.jpg", "d'avant"));
    const QString dst = NomLisible(b.dst); // plain UTF-8: unchanged
    const QString notice = u"%1Canon EOS 300D/caf\\xE9.jpg (existant) %2 copié en "
                           "%1Canon EOS 300D/caf\\xE9(2).jpg"_s.arg(dst);

    b.Lancer(false);
    QCOMPARE(b.retour.nbApercus, 1);
    QStringList entrees;
    for (const TEnrFichier &e : std::as_const(b.retour.apercu))
        entrees.append(e.Dossier + e.Nom);
    if (copie) {
        QCOMPARE(entrees, (QStringList{u"/Canon EOS 300D/caf\\xE9.jpg"_s,
                                       u"/NIKON D70/\\xE0 la plage.JPG"_s}));
        QCOMPARE(b.retour.apercuErreurs, QStringList{notice.arg(u"sera"_s)});
    } else {
        QCOMPARE(entrees, (QStringList{u"/Canon EOS 300D-caf\\xE9.jpg"_s,
                                       u"/\\xC9t\\xE9/NIKON D70-\\xE0 la plage.JPG"_s}));
        QCOMPARE(b.retour.apercuErreurs, QStringList());
    }

    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(b.retour.Appels(u"Confirmer"_s).value(0), u"Confirmer: Traiter les 2 Images (1,95 Ko) ?"_s);
    if (copie) {
        QCOMPARE(FichiersOctets(b.Dst()), (QByteArrayList{"Canon EOS 300D/caf\xE9(2).jpg",
                                                          "Canon EOS 300D/caf\xE9.jpg",
                                                          "NIKON D70/\xE0 la plage.JPG"}));
        QCOMPARE(LireOctets(b.Dst() + "Canon EOS 300D/caf\xE9(2).jpg"), photo);
        QCOMPARE(LireOctets(b.Dst() + "NIKON D70/\xE0 la plage.JPG"), photoNikon);
        QCOMPARE(FichiersOctets(b.Src()).size(), 2);
        QCOMPARE(LireOctets(journal + "Clarvane.erreurs.txt"),
                 (notice.arg(u"a été"_s) + u"\r\n"_s).toUtf8());
        const QString lisible = u"%1/journal\\xE9/Clarvane.erreurs.txt"_s.arg(b.tmp.path());
        QCOMPARE(b.retour.Appels(u"Information"_s),
                 QStringList{u"Information: 2 images traitées (1,95 Ko).\r\n\r\nDes erreurs ont été "
                             "rencontrées :\r\nchargement de \"%1\"."_s.arg(lisible)});
        // The viewer is handed the real path.
        QCOMPARE(b.retour.Appels(u"Journal"_s),
                 QStringList{u"Journal: "_s + NomDepuisOctets(journal + "Clarvane.erreurs.txt")});
    } else {
        QCOMPARE(FichiersOctets(b.Src()), (QByteArrayList{"Canon EOS 300D-caf\xE9.jpg",
                                                          "\xC9t\xE9/NIKON D70-\xE0 la plage.JPG"}));
        QCOMPARE(LireOctets(b.Src() + "Canon EOS 300D-caf\xE9.jpg"), photo);
        QCOMPARE(LireOctets(journal + "Clarvane.erreurs.txt"), QByteArray());
        QCOMPARE(b.retour.Appels(u"Information"_s),
                 QStringList{u"Information: 2 images traitées (1,95 Ko)."_s});
    }
}

// Files read without any value: each named in the log, in the sort order, before the
// lines of phase 2; the count of the question is the summary's plus those lines.
void TestTraitement::sansValeursNommes()
{
    TBanc b;
    TValeursEXIF sansAppareil;
    sansAppareil.modele.clear();
    QVERIFY(Photo(b.src + u"avant.jpg"_s, 1000, sansAppareil)); // values, but not the camera
    QVERIFY(Photo(b.src + u"a.jpg"_s));
    QVERIFY(EcrireFichier(b.src + u"sous/x.jpg"_s, JPEGSansEXIF()));
    QVERIFY(EcrireFichier(b.src + u"y.TIF"_s, "pas un TIFF"));
    QVERIFY(EcrireFichier(b.src + u"z.jpg"_s, QByteArray()));
    b.options.options.lLectRecurs = true;

    const QString lignes = u"Aucune donnée EXIF lisible pour %1y.TIF\r\n"
                           "Aucune donnée EXIF lisible pour %1z.jpg\r\n"
                           "Aucune donnée EXIF lisible pour %1sous/x.jpg\r\n"
                           "Absence d'une donnée EXIF attendue pour %1avant.jpg\r\n"_s.arg(b.src);
    b.Lancer(false);
    QCOMPARE(b.retour.apercuErreurs, lignes.split(u"\r\n"_s).mid(0, 4));

    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(LireFichier(b.Journal()), lignes.toUtf8());
    QCOMPARE(b.retour.Appels(u"Confirmer"_s).value(0).section(u' ', 3, 3), u"5"_s);
    QCOMPARE(b.retour.Appels(u"Information"_s).value(0).section(u'\r', 0, 0),
             u"Information: 1 images traitées (1000 Oct)."_s);
    QCOMPARE(b.retour.Appels(u"Journal"_s), QStringList{u"Journal: "_s + b.Journal()});
}

// A folder that cannot be listed, a file that cannot be read, a folder listed by the
// counting pass and not by the reading pass: all named, for root too (the run is made in
// a child process that gives up root).
void TestTraitement::illisiblesNommes()
{
    TBanc b;
    b.options.options.lLectRecurs = true;
    QVERIFY(Photo(b.src + u"a.jpg"_s));
    QVERIFY(Photo(b.src + u"b.jpg"_s));
    QVERIFY(EcrireFichier(b.src + u"c.jpg"_s, JPEGSansEXIF()));
    QVERIFY(Photo(b.src + u"ferme/d.jpg"_s));
    QVERIFY(Photo(b.src + u"plus tard/e.jpg"_s));
    const auto modeChemin = [](const QString &chemin, mode_t mode) {
        return ::chmod(NomEnOctets(chemin).constData(), mode) == 0;
    };
    QVERIFY(modeChemin(b.tmp.path(), 0755));
    QVERIFY(modeChemin(b.dst, 0777));
    QVERIFY(modeChemin(b.prog, 0777));
    QVERIFY(modeChemin(b.src + u"b.jpg"_s, 0));
    QVERIFY(modeChemin(b.src + u"ferme"_s, 0));
    // The unprivileged user owns this one, so as to close it between the two passes.
    QVERIFY(::chown(NomEnOctets(b.src + u"plus tard"_s).constData(), 65534, 65534) == 0);

    const TEnfant enfant = DansEnfant([&] {
        b.Lancer(false);
        QStringList sortie = b.retour.apercuErreurs;
        sortie.append(u"--"_s);
        b.retour.appels.clear();
        b.retour.reponses = {true};
        b.retour.surConfirmer = [&] { modeChemin(b.src + u"plus tard"_s, 0); };
        try {
            b.Lancer(true);
        } catch (const EErreur &e) {
            sortie.append(e.Message());
        }
        sortie += b.retour.appels;
        return sortie.join(u'\n').toUtf8();
    }, true);
    if (!enfant.lance)
        QSKIP(qPrintable(enfant.pourquoi));
    const QStringList sortie = QString::fromUtf8(enfant.sortie).split(u'\n');
    const qsizetype separation = sortie.indexOf(u"--"_s);

    QCOMPARE(sortie.mid(0, separation), (QStringList{
        u"Impossible de lire le dossier %1ferme/"_s.arg(b.src),
        u"Impossible de lire %1b.jpg"_s.arg(b.src),
        u"Aucune donnée EXIF lisible pour %1c.jpg"_s.arg(b.src)}));
    const QStringList appels = sortie.mid(separation + 1);
    const qint64 total = 3000 + QFileInfo(b.src + u"c.jpg"_s).size();
    QCOMPARE(appels.filter(u"Confirmer"_s),
             QStringList{u"Confirmer: Traiter les 4 Images (%1) ?"_s.arg(TailleEnTexte(total))});
    QCOMPARE(appels.filter(u"Information"_s).value(0).section(u'\r', 0, 0),
             u"Information: 1 images traitées (1000 Oct)."_s);
    // 4 counted: 1 copied, 3 named (the folder closed at counting was not counted).
    QCOMPARE(LireFichier(b.Journal()), u"Impossible de lire le dossier %1ferme/\r\n"
                                        "Impossible de lire le dossier %1plus tard/\r\n"
                                        "Impossible de lire %1b.jpg\r\n"
                                        "Aucune donnée EXIF lisible pour %1c.jpg\r\n"
                                        "Impossible de lire %1plus tard/e.jpg\r\n"_s.arg(b.src).toUtf8());
    QCOMPARE(Fichiers(b.dst), QStringList{u"Canon EOS 300D/a.jpg"_s});
}

// Files and a folder gone between the question and the reading pass: named all the same.
void TestTraitement::disparusEntreLesPassages()
{
    TBanc b;
    b.options.options.lLectRecurs = true;
    QVERIFY(Photo(b.src + u"a.jpg"_s));
    QVERIFY(Photo(b.src + u"b.jpg"_s));
    QVERIFY(Photo(b.src + u"parti/c.jpg"_s));
    QVERIFY(Photo(b.src + u"parti/d.jpg"_s));
    b.retour.reponses = {true};
    b.retour.surConfirmer = [&] {
        QFile::remove(b.src + u"b.jpg"_s);
        QDir(b.src + u"parti"_s).removeRecursively();
    };
    b.Lancer(true);
    QCOMPARE(b.retour.Appels(u"Confirmer"_s).value(0).section(u' ', 3, 3), u"4"_s);
    QCOMPARE(LireFichier(b.Journal()), u"Impossible de lire %1b.jpg\r\n"
                                        "Impossible de lire %1parti/c.jpg\r\n"
                                        "Impossible de lire %1parti/d.jpg\r\n"_s.arg(b.src).toUtf8());
}

// 300 levels under a limit of 96 open files (set in a child process), with a link back
// to the source at the bottom: every image found once, and the walk ends.
void TestTraitement::arbreProfondPeuDeDescripteurs()
{
    TBanc b;
    b.options.options.lLectRecurs = true;
    QString dossier = b.src;
    for (int niveau = 1; niveau <= 300; ++niveau) {
        dossier += u"n/"_s;
        if (niveau % 100 == 0)
            QVERIFY(Photo(dossier + u"p%1.jpg"_s.arg(niveau)));
    }
    QVERIFY(::symlink(NomEnOctets(b.src).constData(), NomEnOctets(dossier + u"boucle"_s).constData()) == 0);

    const TEnfant enfant = DansEnfant([&] {
        b.retour.reponses = {true};
        b.Lancer(true);
        return b.retour.appels.join(u'\n').toUtf8();
    }, false, 96);
    if (!enfant.lance)
        QSKIP(qPrintable(enfant.pourquoi));
    const QStringList appels = QString::fromUtf8(enfant.sortie).split(u'\n');
    QCOMPARE(appels.filter(u"Confirmer"_s), QStringList{u"Confirmer: Traiter les 3 Images (2,93 Ko) ?"_s});
    QCOMPARE(appels.filter(u"Information"_s), QStringList{u"Information: 3 images traitées (2,93 Ko)."_s});
    QCOMPARE(Fichiers(b.dst), (QStringList{u"Canon EOS 300D/p100.jpg"_s, u"Canon EOS 300D/p200.jpg"_s,
                                           u"Canon EOS 300D/p300.jpg"_s}));
    QCOMPARE(LireFichier(b.Journal()), QByteArray());
}

// A photo whose path is longer than PATH_MAX (4096): counted, read, copied or renamed.
void TestTraitement::cheminPlusLongQuePathMax_data()
{
    LignesCopieRenommage();
}

void TestTraitement::cheminPlusLongQuePathMax()
{
    QFETCH(bool, copie);
    TBanc b;
    b.options.options.lLectRecurs = true;
    b.options.options.lCopier = copie;
    QByteArray dossier = b.Src();
    for (int niveau = 0; niveau < 20; ++niveau) {
        dossier += QByteArray(240, char('a' + niveau)) + '/';
        QVERIFY(CreerDossierOctets(dossier));
    }
    QVERIFY(dossier.size() > 4096);
    const QByteArray photo = OctetsPhoto();
    QVERIFY(EcrireOctets(dossier + "profonde.jpg", photo));

    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(b.retour.Appels(u"Confirmer"_s), QStringList{u"Confirmer: Traiter les 1 Images (1000 Oct) ?"_s});
    QCOMPARE(b.retour.Appels(u"Information"_s), QStringList{u"Information: 1 images traitées (1000 Oct)."_s});
    QCOMPARE(LireFichier(b.Journal()), QByteArray());
    if (copie) {
        QCOMPARE(LireFichier(b.dst + u"Canon EOS 300D/profonde.jpg"_s), photo);
    } else {
        QVERIFY(ExisteOctets(dossier + "Canon EOS 300D-profonde.jpg"));
        QVERIFY(!ExisteOctets(dossier + "profonde.jpg"));
    }
}

void TestTraitement::interruption_data()
{
    QTest::addColumn<bool>("traiter");
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("pas");     // the step of the pop-up at which the user answers
    QTest::addColumn<bool>("reponse"); // Oui
    QTest::newRow("phase 2, après 3 images") << true << 2 << 4 << true;
    QTest::newRow("phase 2, avant la première") << true << 2 << 1 << true;
    QTest::newRow("phase 2, avant la dernière") << true << 2 << 5 << true;
    QTest::newRow("phase 2, Non") << true << 2 << 3 << false;
    QTest::newRow("phase 1") << true << 1 << 2 << true;
    QTest::newRow("phase 1, Non") << true << 1 << 2 << false;
    QTest::newRow("aperçu, phase 1") << false << 1 << 3 << true;
    QTest::newRow("aperçu, phase 2") << false << 2 << 5 << true;
    QTest::newRow("aperçu, Non") << false << 2 << 1 << false;
}

void TestTraitement::interruption()
{
    QFETCH(bool, traiter);
    QFETCH(int, phase);
    QFETCH(int, pas);
    QFETCH(bool, reponse);
    TBanc b;
    const QStringList noms{u"IMG_0001.JPG"_s, u"IMG_0002.JPG"_s, u"IMG_0003.JPG"_s, u"IMG_0004.JPG"_s,
                           u"IMG_0005.JPG"_s};
    for (const QString &nom : noms)
        QVERIFY(Photo(b.src + nom));
    QVERIFY(EcrireFichier(b.Journal(), "ancien\r\n"));
    b.liste.append(TEnrFichier{u"/avant/"_s, u"a.jpg"_s, 1, TEnrEXIF{}});
    b.retour.reponses = {true};
    b.retour.interrompreLegende = u"Phase %1/2"_s.arg(phase);
    b.retour.interrompreAuPas = pas;
    b.retour.reponseInterruption = reponse;
    b.Lancer(traiter);

    QCOMPARE(b.retour.Appels(u"Interrompre"_s), QStringList{reponse ? u"Interrompre: Oui"_s : u"Interrompre: Non"_s});
    QVERIFY(!b.retour.curseurOccupe);
    QVERIFY(!b.retour.progressionOuverte);
    QStringList copies;
    for (const QString &nom : noms)
        copies.append(u"Canon EOS 300D/"_s + nom);

    if (!reponse) { // the run goes on as if nothing had been asked
        QCOMPARE(b.retour.avancees, 10);
        if (traiter) {
            QCOMPARE(Fichiers(b.dst), copies);
            QCOMPARE(b.retour.Appels(u"Information"_s), QStringList{u"Information: 5 images traitées (4,88 Ko)."_s});
            QCOMPARE(LireFichier(b.Journal()), QByteArray());
        } else {
            QCOMPARE(b.retour.nbApercus, 1);
            QCOMPARE(b.retour.apercu.size(), 5);
        }
        return;
    }

    if (phase == 1 || !traiter) {
        // Stopped at once: nothing copied, no log, no preview, no box, the list emptied.
        QCOMPARE(b.retour.avancees, phase == 1 ? pas : 5 + pas); // no step after the answer
        QCOMPARE(Fichiers(b.dst), QStringList());
        QCOMPARE(LireFichier(b.Journal()), QByteArray("ancien\r\n"));
        QCOMPARE(b.retour.nbApercus, 0);
        QVERIFY(b.liste.isEmpty());
        QCOMPARE(b.retour.Appels(u"Information"_s), QStringList());
        QCOMPARE(b.retour.Appels(u"Erreur"_s), QStringList());
        QCOMPARE(b.retour.Appels(u"Ouvrir: Phase 2"_s).size(), phase == 1 ? 0 : 1);
        QCOMPARE(b.retour.appels.mid(b.retour.appels.size() - 3),
                 (QStringList{u"Interrompre: Oui"_s, u"Fermer"_s, u"Curseur: normal"_s}));
        return;
    }

    // Phase 2 of a processing run: the images before the answer are done, then the run
    // ends as if the list had ended.
    const int faites = pas - 1;
    QCOMPARE(Fichiers(b.dst), copies.mid(0, faites));
    const QString derniere = u"Traitement interrompu : %1 images non traitées."_s.arg(5 - faites);
    QCOMPARE(LireFichier(b.Journal()), derniere.toUtf8() + "\r\n");
    QCOMPARE(b.retour.appels.mid(b.retour.appels.size() - 5), (QStringList{
        u"Interrompre: Oui"_s, u"Fermer"_s, u"Curseur: normal"_s,
        u"Information: %1 images traitées (%2).\r\n\r\nDes erreurs ont été rencontrées :\r\n"
        "chargement de \"%3\"."_s.arg(faites).arg(TailleEnTexte(1000 * faites), b.Journal()),
        u"Journal: "_s + b.Journal()}));
    QCOMPARE(b.liste.size(), 5); // kept, as after any processing run
    QCOMPARE(Fichiers(b.src), noms);
}

void TestTraitement::interruptionPendantLeComptage_data()
{
    QTest::addColumn<bool>("traiter");
    QTest::addColumn<bool>("reponse"); // Oui
    QTest::newRow("traitement, Oui") << true << true;
    QTest::newRow("traitement, Non") << true << false;
    QTest::newRow("aperçu, Oui") << false << true;
    QTest::newRow("aperçu, Non") << false << false;
}

// Escape while the images are counted: the counting pass processes the window's events
// (at least once per 1,024 entries) and "Oui" ends the run before anything is asked.
void TestTraitement::interruptionPendantLeComptage()
{
    QFETCH(bool, traiter);
    QFETCH(bool, reponse);
    TBanc b;
    constexpr int kImages = 1030; // more entries than the counting pass lists between two calls
    const QByteArray photo = OctetsPhoto();
    for (int i = 0; i < kImages; ++i)
        QVERIFY(EcrireFichier(b.src + u"IMG_%1.JPG"_s.arg(i, 4, 10, QChar(u'0')), photo));
    QVERIFY(EcrireFichier(b.Journal(), "ancien\r\n"));
    b.liste.append(TEnrFichier{u"/avant/"_s, u"a.jpg"_s, 1, TEnrEXIF{}});
    b.retour.reponses = {true};
    b.retour.interrompreALaPatience = 1;
    b.retour.reponseInterruption = reponse;
    b.Lancer(traiter);

    QVERIFY(b.retour.patiences >= 1);
    QVERIFY(!b.retour.curseurOccupe);
    QVERIFY(!b.retour.progressionOuverte);
    if (!reponse) { // the run goes on as if nothing had been asked
        QCOMPARE(b.retour.appels.mid(0, 2), (QStringList{u"Curseur: occupé"_s, u"Interrompre: Non"_s}));
        QCOMPARE(b.retour.avancees, 2 * kImages);
        if (traiter)
            QCOMPARE(Fichiers(b.dst + u"Canon EOS 300D/"_s).size(), kImages);
        else
            QCOMPARE(b.retour.apercu.size(), kImages);
        return;
    }
    // Stopped at once: nothing asked, read, copied or shown, no log, the list emptied.
    QCOMPARE(b.retour.appels, (QStringList{u"Curseur: occupé"_s, u"Interrompre: Oui"_s, u"Curseur: normal"_s}));
    QCOMPARE(b.retour.avancees, 0);
    QCOMPARE(Fichiers(b.dst), QStringList());
    QCOMPARE(LireFichier(b.Journal()), QByteArray("ancien\r\n"));
    QVERIFY(b.liste.isEmpty());
}

QTEST_GUILESS_MAIN(TestTraitement)
#include "tst_traitement.moc"
