// The path module: paths as text (joined, cut, compared with a folder), links followed by
// hand, folder listings, all of any length.
#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QTest>

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
