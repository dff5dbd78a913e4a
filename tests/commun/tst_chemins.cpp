// The path module: paths as text (joined, cut, compared with a folder), links followed by
// hand, folder listings, all of any length; files that may be anything read without
// waiting on them and within bounds.
#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QTest>

#include "Fils.h"
#include "Octets.h"
#include "commun/Chemins.h"
#include "commun/NomsFichiers.h"

using namespace Qt::StringLiterals;

class TestChemins : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void texte()
    {
        QCOMPARE(JoindreChemin("/a", "b.jpg"), QByteArray("/a/b.jpg"));
        QCOMPARE(JoindreChemin("/a/", "b.jpg"), QByteArray("/a/b.jpg"));
        QCOMPARE(JoindreChemin("", "b.jpg"), QByteArray("b.jpg"));
        QCOMPARE(DossierParent("/photos/a.jpg"), QByteArray("/photos/"));
        QCOMPARE(DossierParent("/photos/2006/"), QByteArray("/photos/"));
        QCOMPARE(DossierParent("/a"), QByteArray("/"));
        QCOMPARE(DossierParent("a.jpg"), QByteArray("./"));
    }

    // The last name, and a path cleaned by its text alone.
    void nettoye_data()
    {
        QTest::addColumn<QByteArray>("chemin");
        QTest::addColumn<QByteArray>("nettoye");
        QTest::addColumn<QByteArray>("nom");
        QTest::newRow("déjà propre") << QByteArray("/photos/a.jpg") << QByteArray("/photos/a.jpg") << QByteArray("a.jpg");
        QTest::newRow("barre finale") << QByteArray("/photos/2006/") << QByteArray("/photos/2006") << QByteArray("2006");
        QTest::newRow("barres doublées et .") << QByteArray("//photos/./2006//") << QByteArray("/photos/2006") << QByteArray("2006");
        QTest::newRow("..") << QByteArray("/photos/2006/../2007") << QByteArray("/photos/2007") << QByteArray("2007");
        QTest::newRow(".. au-dessus de la racine") << QByteArray("/../a") << QByteArray("/a") << QByteArray("a");
        QTest::newRow("racine") << QByteArray("/") << QByteArray("/") << QByteArray("/");
        QTest::newRow("relatif") << QByteArray("a/../../b") << QByteArray("../b") << QByteArray("b");
        QTest::newRow("vide") << QByteArray("") << QByteArray(".") << QByteArray("");
        QTest::newRow("octets bruts") << QByteArray("/caf\xE9/./x\n") << QByteArray("/caf\xE9/x\n") << QByteArray("x\n");
        QTest::newRow("nom en ..x") << QByteArray("/a/..x/") << QByteArray("/a/..x") << QByteArray("..x");
    }
    void nettoye()
    {
        QFETCH(QByteArray, chemin);
        QFETCH(QByteArray, nettoye);
        QFETCH(QByteArray, nom);
        QCOMPARE(CheminNettoye(chemin), nettoye);
        QCOMPARE(NomFinal(chemin), nom);
    }

    // What lies below a folder, by whole names; no "." or ".." that could lead out.
    void sousDossier_data()
    {
        QTest::addColumn<QByteArray>("chemin");
        QTest::addColumn<QByteArray>("dossier");
        QTest::addColumn<bool>("dessous");
        QTest::newRow("fichier dedans") << QByteArray("/tri/Canon/a.jpg") << QByteArray("/tri/") << true;
        QTest::newRow("dossier sans barre") << QByteArray("/tri/Canon/") << QByteArray("/tri") << true;
        QTest::newRow("le dossier lui-même") << QByteArray("/tri/") << QByteArray("/tri/") << false;
        QTest::newRow("nom qui commence pareil") << QByteArray("/triage/a.jpg") << QByteArray("/tri") << false;
        QTest::newRow("remonte par ..") << QByteArray("/tri/../etc/passwd") << QByteArray("/tri/") << false;
        QTest::newRow("passe par .") << QByteArray("/tri/./a.jpg") << QByteArray("/tri/") << false;
        QTest::newRow("nom en ..x") << QByteArray("/tri/..x/a.jpg") << QByteArray("/tri/") << true;
        QTest::newRow("barre doublée") << QByteArray("/tri//a.jpg") << QByteArray("/tri/") << true;
        QTest::newRow("relatif") << QByteArray("tri/a.jpg") << QByteArray("tri/") << false;
        QTest::newRow("sous la racine") << QByteArray("/a.jpg") << QByteArray("/") << true;
        QTest::newRow("octets bruts") << QByteArray("/caf\xE9/\n.jpg") << QByteArray("/caf\xE9") << true;
    }
    void sousDossier()
    {
        QFETCH(QByteArray, chemin);
        QFETCH(QByteArray, dossier);
        QFETCH(bool, dessous);
        QCOMPARE(EstSousDossier(chemin, dossier), dessous);
    }

    // Links on the last name followed by hand: relative, absolute, in chains, to nothing;
    // a loop ends.
    void cheminReel()
    {
        QTemporaryDir tmp;
        const QByteArray d = NomEnOctets(tmp.path()) + '/';
        QVERIFY(EcrireOctets(d + "vrai.ini", "x"));
        QVERIFY(::symlink("vrai.ini", (d + "un").constData()) == 0);
        QVERIFY(::symlink((d + "un").constData(), (d + "deux").constData()) == 0);
        QVERIFY(::symlink("absent/neuf.ini", (d + "mort").constData()) == 0);
        QVERIFY(::symlink("boucle", (d + "boucle").constData()) == 0);
        QCOMPARE(CheminReel(d + "vrai.ini"), d + "vrai.ini");
        QCOMPARE(CheminReel(d + "deux"), d + "vrai.ini");
        QCOMPARE(CheminReel(d + "mort"), d + "absent/neuf.ini");
        QCOMPARE(CheminReel(d + "rien"), d + "rien");
        QCOMPARE(CheminReel(d + "boucle"), d + "boucle");
    }

    // Every link on the way followed, "." and ".." taken after the links they follow, as
    // realpath does, and paths past PATH_MAX too.
    void cheminCanonique()
    {
        QTemporaryDir tmp;
        const QByteArray d = CheminCanonique(NomEnOctets(tmp.path())) + '/';
        QVERIFY(d.size() > 1);
        QVERIFY(CreerDossiers(d + "vrai/sous"));
        QVERIFY(EcrireOctets(d + "vrai/sous/f", "x"));
        QVERIFY(::symlink("vrai/sous", (d + "lien").constData()) == 0);
        QVERIFY(::symlink((d + "lien").constData(), (d + "chaine").constData()) == 0);
        QVERIFY(::symlink("boucle", (d + "boucle").constData()) == 0);
        QVERIFY(::symlink("absent", (d + "mort").constData()) == 0);
        QCOMPARE(CheminCanonique(d + "vrai/sous/f"), d + "vrai/sous/f");
        QCOMPARE(CheminCanonique(d + "lien/f"), d + "vrai/sous/f");
        QCOMPARE(CheminCanonique(d + "chaine//./f"), d + "vrai/sous/f");
        QCOMPARE(CheminCanonique(d + "lien/.."), d + "vrai"); // the link first, then ".."
        QCOMPARE(CheminCanonique(d + "lien/"), d + "vrai/sous");
        QCOMPARE(CheminCanonique("/"), QByteArray("/"));
        QCOMPARE(CheminCanonique(d + "boucle"), QByteArray());
        QCOMPARE(CheminCanonique(d + "mort"), QByteArray());
        QCOMPARE(CheminCanonique(d + "vrai/sous/f/"), QByteArray()); // a file is no folder
        QCOMPARE(CheminCanonique(d + "vrai/sous/f/.."), QByteArray());
        QCOMPARE(CheminCanonique("vrai/sous"), QByteArray());         // relative
        QByteArray long_ = d;
        for (int niveau = 0; niveau < 18; ++niveau)
            long_ += QByteArray(240, char('a' + niveau)) + '/';
        QVERIFY(CreerDossiers(long_));
        QVERIFY(long_.size() > PATH_MAX);
        const TCheminLong dernier(long_ + "retour"); // a link in the deepest folder
        QCOMPARE(dernier.Erreur(), 0);
        QVERIFY(::symlinkat((d + "vrai").constData(), dernier.Fd(), dernier.Relatif()) == 0);
        QCOMPARE(CheminCanonique(long_ + "retour/sous/f"), d + "vrai/sous/f");
        QCOMPARE(CheminCanonique(long_ + "../" + QByteArray(240, 'r') + "/."), long_.chopped(1));
        SupprimerArbre(d);
    }

    // Kinds of files asked for by path: folders, regular files, programs.
    void genres()
    {
        QTemporaryDir tmp;
        const QByteArray d = NomEnOctets(tmp.path()) + '/';
        QVERIFY(EcrireOctets(d + "programme", "#!/bin/sh\n"));
        QVERIFY(::chmod((d + "programme").constData(), 0755) == 0);
        QVERIFY(EcrireOctets(d + "texte", "x"));
        QVERIFY(::mkfifo((d + "tube").constData(), 0755) == 0);
        QVERIFY(::symlink("programme", (d + "lien").constData()) == 0);
        QVERIFY(::mkdir((d + "dossier").constData(), 0755) == 0);
        QVERIFY(EstExecutable(d + "programme"));
        QVERIFY(EstExecutable(d + "lien"));
        QVERIFY(!EstExecutable(d + "texte")); // no x bit: not even for root
        QVERIFY(!EstExecutable(d + "tube"));
        QVERIFY(!EstExecutable(d + "dossier"));
        QVERIFY(!EstExecutable(d + "absent"));
        QVERIFY(EstFichier(d + "lien") && EstFichier(d + "texte"));
        QVERIFY(!EstFichier(d + "tube") && !EstFichier(d + "dossier") && !EstFichier(d + "absent"));
        QCOMPARE(TexteNonOrdinaire(S_IFREG), QString());
        QCOMPARE(TexteNonOrdinaire(S_IFIFO), u"n'est pas un fichier ordinaire (tube nommé)"_s);
    }

    // A listing says which entries are folders, links to folders included, and opens a
    // sub-folder by its name; a missing folder says why.
    void listeDossier()
    {
        QTemporaryDir tmp;
        const QByteArray d = NomEnOctets(tmp.path()) + '/';
        QVERIFY(CreerDossiers(d + "sous/petit"));
        QVERIFY(EcrireOctets(d + "f.jpg", "x"));
        QVERIFY(::symlink("sous", (d + "lien dossier").constData()) == 0);
        QVERIFY(::symlink("f.jpg", (d + "lien fichier").constData()) == 0);
        QVERIFY(::symlink("absent", (d + "lien mort").constData()) == 0);
        QVERIFY(::mkfifo((d + "tube").constData(), 0644) == 0);
        TListeDossier liste(d);
        QVERIFY(liste.Ouvert());
        QStringList dossiers, autres;
        while (const dirent *e = liste.Suivante()) {
            (liste.EstDossier(*e) ? dossiers : autres) << QString::fromUtf8(e->d_name);
            if (qstrcmp(e->d_name, "lien dossier") == 0) {
                TListeDossier sous(liste, e->d_name);
                const dirent *petit = sous.Suivante();
                QVERIFY(petit && qstrcmp(petit->d_name, "petit") == 0);
                QVERIFY(!sous.Suivante() && sous.Erreur() == 0);
            }
        }
        QCOMPARE(liste.Erreur(), 0);
        dossiers.sort();
        autres.sort();
        QCOMPARE(dossiers, (QStringList{u"lien dossier"_s, u"sous"_s}));
        QCOMPARE(autres, (QStringList{u"f.jpg"_s, u"lien fichier"_s, u"lien mort"_s, u"tube"_s}));
        const TListeDossier absent(d + "absent");
        QVERIFY(!absent.Ouvert());
        QCOMPARE(absent.Erreur(), ENOENT);
        const TListeDossier fichier(d + "f.jpg");
        QCOMPARE(fichier.Erreur(), ENOTDIR);
    }

    // A file that may be anything, read whole: regular files within their size and the
    // bound, /proc's to their end; a fifo is not waited on, a device not read without end
    // (a link to /dev/zero, a copy of its node), a folder not read. In a child process
    // under a time and a memory limit: a hang or an endless read fails the test.
    void lireFichier_data()
    {
        QTest::addColumn<QByteArray>("nom");
        QTest::addColumn<int>("genre");
        QTest::addColumn<qint64>("maximum");
        QTest::addColumn<int>("erreur");
        QTest::addColumn<QByteArray>("lu");
        const int ordinaire = int(TGenreLecture::Ordinaire), systeme = int(TGenreLecture::Systeme),
                  volume = int(TGenreLecture::Volume);
        QTest::newRow("fichier") << QByteArray("texte") << ordinaire << qint64(100) << 0 << QByteArray("0123456789");
        QTest::newRow("fichier coupé") << QByteArray("texte") << ordinaire << qint64(4) << 0 << QByteArray("0123");
        QTest::newRow("lien vers un fichier") << QByteArray("lien") << ordinaire << qint64(100) << 0 << QByteArray("0123456789");
        QTest::newRow("image de volume") << QByteArray("texte") << volume << qint64(3) << 0 << QByteArray("012");
        QTest::newRow("tube") << QByteArray("tube") << ordinaire << qint64(100) << ENODEV << QByteArray();
        QTest::newRow("tube, système") << QByteArray("tube") << systeme << qint64(100) << ENODEV << QByteArray();
        QTest::newRow("tube, volume") << QByteArray("tube") << volume << qint64(100) << ENODEV << QByteArray();
        QTest::newRow("lien vers /dev/zero") << QByteArray("zéro") << ordinaire << (qint64(1) << 30) << ENODEV << QByteArray();
        QTest::newRow("lien vers /dev/zero, système") << QByteArray("zéro") << systeme << (qint64(1) << 30) << ENODEV << QByteArray();
        QTest::newRow("lien vers /dev/zero, volume") << QByteArray("zéro") << volume << (qint64(1) << 30) << ENODEV << QByteArray();
        QTest::newRow("copie du nœud de /dev/zero") << QByteArray("nœud") << volume << (qint64(1) << 30) << ENODEV << QByteArray();
        QTest::newRow("dossier") << QByteArray("dossier") << ordinaire << qint64(100) << EISDIR << QByteArray();
        QTest::newRow("lien mort") << QByteArray("mort") << ordinaire << qint64(100) << ENOENT << QByteArray();
        // /proc gives these files the size 0: read to their end only as system files.
        QTest::newRow("/proc, ordinaire") << QByteArray("/proc/self/mountinfo") << ordinaire << (qint64(1) << 30) << 0 << QByteArray();
        QTest::newRow("/proc, système") << QByteArray("/proc/self/mountinfo") << systeme << (qint64(1) << 30) << 0 << QByteArray("*");
    }
    void lireFichier()
    {
        QFETCH(QByteArray, nom);
        QFETCH(int, genre);
        QFETCH(qint64, maximum);
        QFETCH(int, erreur);
        QFETCH(QByteArray, lu);
        QTemporaryDir tmp;
        const QByteArray d = NomEnOctets(tmp.path()) + '/';
        QVERIFY(EcrireOctets(d + "texte", "0123456789"));
        QVERIFY(::symlink("texte", (d + "lien").constData()) == 0);
        QVERIFY(::mkfifo((d + "tube").constData(), 0644) == 0);
        QVERIFY(::symlink("/dev/zero", (d + "zéro").constData()) == 0);
        QVERIFY(::symlink("absent", (d + "mort").constData()) == 0);
        QVERIFY(::mkdir((d + "dossier").constData(), 0755) == 0);
        if (nom == "nœud" && ::mknod((d + nom).constData(), S_IFCHR | 0644, makedev(1, 5)) != 0)
            QSKIP("cannot make a device node here (not root, or a file system mounted nodev)");
        const QByteArray chemin = nom.startsWith('/') ? nom : d + nom;

        const int etat = DansUnFils([&] {
            QByteArray octets = "avant";
            qint64 taille = -1;
            const int e = LireFichier(chemin, maximum, octets, TGenreLecture(genre), &taille);
            const bool bon = e == erreur
                && (lu == "*" ? octets.contains(" / ") : octets == lu)
                && (e != 0 || genre != int(TGenreLecture::Ordinaire) || nom != "texte" || taille == 10);
            if (!bon)
                std::fprintf(stderr, "errno %d, %lld bytes read: %s\n", e,
                             static_cast<long long>(octets.size()), octets.left(60).constData());
            ::_exit(bon ? 0 : 1);
        }, true);
        QVERIFY2(WIFEXITED(etat), "the reading hung or ran out of memory");
        QCOMPARE(WEXITSTATUS(etat), 0);
    }

    // Below PATH_MAX and past it, with names that are not UTF-8: made, listed, examined,
    // moved without replacing, removed.
    void cheminsLongs()
    {
        QTemporaryDir tmp;
        QByteArray d = NomEnOctets(tmp.path()) + '/';
        for (int niveau = 0; niveau < 18; ++niveau)
            d += QByteArray(240, char('a' + niveau)) + "\xE9/";
        QVERIFY(d.size() > 4096);
        QVERIFY(CreerDossiers(d + "x/y/"));
        QVERIFY(EstDossier(d + "x/y"));
        QVERIFY(EcrireOctets(d + "caf\xE9.jpg", "image"));
        QVERIFY(EcrireOctets(d + "autre.jpg", "autre"));
        QByteArrayList noms;
        QCOMPARE(ListerDossier(d, noms), 0);
        std::sort(noms.begin(), noms.end());
        QCOMPARE(noms, (QByteArrayList{"autre.jpg", "caf\xE9.jpg", "x"}));
        struct stat st {};
        QCOMPARE(EtatChemin(d + "caf\xE9.jpg", st), 0);
        QCOMPARE(qint64(st.st_size), 5);
        QCOMPARE(DeplacerSansRemplacer(d + "caf\xE9.jpg", d + "autre.jpg"), EEXIST);
        QCOMPARE(LireOctets(d + "autre.jpg"), QByteArray("autre"));
        QCOMPARE(DeplacerSansRemplacer(d + "caf\xE9.jpg", d + "x/y/caf\xE9.jpg"), 0);
        QCOMPARE(SupprimerDossier(d + "x/y"), ENOTEMPTY);
        QCOMPARE(SupprimerFichier(d + "x/y/caf\xE9.jpg"), 0);
        QCOMPARE(SupprimerDossier(d + "x/y/"), 0);
        QCOMPARE(SynchroniserDossier(d), 0);
        QCOMPARE(EtatChemin(d + "x/y", st), ENOENT);
        SupprimerArbre(NomEnOctets(tmp.path()));
    }
};

QTEST_GUILESS_MAIN(TestChemins)
#include "tst_chemins.moc"
