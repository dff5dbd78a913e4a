// Whole runs on temporary trees: messages and their order, the files copied or renamed,
// the preview entries, the error log's bytes, and what stays untouched.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include "Fichiers.h"
#include "ConstructeurEXIF.h"
#include "FauxOptions.h"
#include "FauxRetour.h"
#include "LectureSeule.h"
#include "commun/EErreur.h"
#include "engine/Traitement.h"
#include "metadata/Nombres.h"

using namespace Qt::StringLiterals;

namespace {

const QString kAucune = u"Erreur: Aucune image à traiter."_s;

// A JPEG with the values, padded after its end to `taille` bytes.
bool Photo(const QString &chemin, qsizetype taille = 1000, const TValeursEXIF &v = {})
{
    QByteArray octets = JPEGAvecTIFF(TIFFAvecValeurs(v));
    if (octets.size() > taille)
        return false;
    octets.append(QByteArray(taille - octets.size(), '\0'));
    return EcrireFichier(chemin, octets);
}

// Every file below the folder, relative to it, sorted; hidden ones included.
QStringList Fichiers(const QString &dossier)
{
    QStringList noms;
    QDirIterator it(dossier, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        noms.append(it.next().mid(dossier.size()));
    noms.sort();
    return noms;
}

// A source folder, a destination, a program folder for the log, and the fakes.
struct TBanc {
    QTemporaryDir tmp;
    QString src, dst, prog;
    TFauxOptions options;
    TFauxRetour retour;
    TListeImages liste;

    TBanc()
    {
        src = tmp.path() + u"/Photos/"_s;
        dst = tmp.path() + u"/Tri/"_s;
        prog = tmp.path() + u"/programme/"_s;
        QDir().mkpath(src);
        QDir().mkpath(dst);
        QDir().mkpath(prog);
        options.options.cDossSrc = src;
        options.options.cDossDst = dst;
        options.options.cOrdreDonEXIF = u"Afvdpi"_s; // the camera only
        retour.dossierJournal = prog;
    }
    QString Journal() const { return prog + u"Clarvane.erreurs.txt"_s; }
    void Lancer(bool traiter) { LancerTraitement(traiter, options, retour, liste); }
};

TValeursEXIF Appareil(const QByteArray &modele)
{
    TValeursEXIF v;
    v.modele = modele;
    return v;
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
    void copieImpossible();
    void journalImpossible();
    void optionsLuesEnCoursDeRoute();
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
        QCOMPARE(b.retour.apercuErreurs, QStringList());
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
    QVERIFY(EcrireFichier(b.src + u"Canon EOS 300D-IMG_0001.JPG"_s, "un autre")); // no EXIF: not read
    b.retour.reponses = {true};
    b.Lancer(true);

    const QString ligne = u"Impossible de renommer %1IMG_0001.JPG en %1Canon EOS 300D-IMG_0001.JPG"_s.arg(b.src);
    QCOMPARE(LireFichier(b.Journal()), ligne.toUtf8() + "\r\n");
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

void TestTraitement::copieImpossible()
{
    TDossierLectureSeule ro;
    if (!ro.Valide())
        QSKIP(qPrintable(ro.Pourquoi()));
    TBanc b;
    b.options.options.cDossDst = ro.Chemin();
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(LireFichier(b.Journal()), u"Impossible de copier %1IMG_0001.JPG vers %2Canon EOS 300D/IMG_0001.JPG\r\n"_s
                                    .arg(b.src, ro.Chemin()).toUtf8());
    QCOMPARE(b.retour.Appels(u"Information"_s).value(0).section(u'\r', 0, 0),
             u"Information: 0 images traitées (0 Oct)."_s);
    QCOMPARE(Fichiers(ro.Chemin()), QStringList());
}

void TestTraitement::journalImpossible()
{
    TDossierLectureSeule ro;
    if (!ro.Valide())
        QSKIP(qPrintable(ro.Pourquoi()));
    TBanc b;
    b.retour.dossierJournal = ro.Chemin();
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s));
    b.retour.reponses = {true};
    QString message;
    try {
        b.Lancer(true);
    } catch (const EErreur &e) {
        message = e.Message();
    }
    QCOMPARE(message, u"Ne peut créer le fichier %1Clarvane.erreurs.txt"_s.arg(ro.Chemin()));
    // The copy made stays made; no summary, no log opened; cursor and pop-up put back.
    QCOMPARE(Fichiers(b.dst), QStringList{u"Canon EOS 300D/IMG_0001.JPG"_s});
    QCOMPARE(b.retour.Appels(u"Information"_s), QStringList());
    QCOMPARE(b.retour.Appels(u"Journal"_s), QStringList());
    QVERIFY(!b.retour.curseurOccupe);
    QVERIFY(!b.retour.progressionOuverte);
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

QTEST_GUILESS_MAIN(TestTraitement)
#include "tst_traitement.moc"
