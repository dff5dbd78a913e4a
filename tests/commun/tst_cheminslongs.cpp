// Paths longer than PATH_MAX, reached in steps through their folders' descriptors.
#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QTest>

#include "Octets.h"
#include "commun/CheminsLongs.h"
#include "commun/NomsFichiers.h"

using namespace Qt::StringLiterals;

class TestCheminsLongs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void courtTelQuel()
    {
        const TCheminLong c("/tmp/x/y.jpg");
        QCOMPARE(c.Erreur(), 0);
        QCOMPARE(c.Fd(), AT_FDCWD);
        QCOMPARE(QByteArray(c.Relatif()), QByteArray("/tmp/x/y.jpg"));
    }

    // Three steps and more (over 2 * PATH_MAX), with doubled slashes on the way.
    void tresLong()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QByteArray base = NomEnOctets(tmp.path());
        QByteArray dossier = base + '/';
        for (int niveau = 0; niveau < 40; ++niveau) {
            dossier += QByteArray(250, char('a' + niveau % 26)) + (niveau == 20 ? "//" : "/");
            QVERIFY(CreerDossierOctets(dossier));
        }
        QVERIFY(dossier.size() > 2 * PATH_MAX);
        const QByteArray fichier = dossier + "caf\xE9.jpg";
        QVERIFY(EcrireOctets(fichier, "contenu"));
        QCOMPARE(LireOctets(fichier), QByteArray("contenu"));

        const int fd = OuvrirChemin(fichier, O_RDONLY | O_CLOEXEC);
        QVERIFY(fd >= 0);
        char octets[8] = {};
        QCOMPARE(::read(fd, octets, sizeof octets), ssize_t(7));
        ::close(fd);
        // The folder itself, named with its final "/".
        const int fdDossier = OuvrirChemin(dossier, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QVERIFY(fdDossier >= 0);
        ::close(fdDossier);

        // A missing folder on the way: its errno, and nothing opened.
        QByteArray absent = dossier;
        absent.insert(base.size() + 1 + 251 * 3, "manque/");
        errno = 0;
        QCOMPARE(OuvrirChemin(absent + "caf\xE9.jpg", O_RDONLY | O_CLOEXEC), -1);
        QCOMPARE(errno, ENOENT);
        const TCheminLong c(absent + "x");
        QCOMPARE(c.Erreur(), ENOENT);

        SupprimerArbre(base);
        QVERIFY(!ExisteOctets(base));
    }
};

QTEST_GUILESS_MAIN(TestCheminsLongs)
#include "tst_cheminslongs.moc"
