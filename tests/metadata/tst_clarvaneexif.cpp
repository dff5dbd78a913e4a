// The clarvane-exif command, run as a user runs it.
#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "ConstructeurEXIF.h"
#include "Octets.h"
#include "commun/CheminsLongs.h"

using namespace Qt::StringLiterals;

class TestClarvaneExif : public QObject {
    Q_OBJECT

    QString m_commande;
    QTemporaryDir m_dossier;

    struct TResultat {
        int statut = -1;
        QByteArray sortie, erreurs;
    };

    static QProcessEnvironment Environnement(const QString &langue)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"LC_ALL"_s);
        env.remove(u"LC_NUMERIC"_s);
        env.insert(u"LANG"_s, langue);
        return env;
    }

    TResultat Lancer(const QStringList &arguments, const QString &langue = u"fr_FR.UTF-8"_s)
    {
        QProcess p;
        p.setProcessEnvironment(Environnement(langue));
        p.start(m_commande, arguments);
        if (!p.waitForFinished(60000))
            return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                p.readAllStandardError()};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        m_commande = QCoreApplication::applicationDirPath() + u"/clarvane-exif"_s;
        if (!QFileInfo(m_commande).isExecutable())
            QSKIP("clarvane-exif is not built beside the tests");
        QVERIFY(m_dossier.isValid());
    }

    void sansArgument()
    {
        const TResultat r = Lancer({});
        QCOMPARE(r.statut, 2);
        QVERIFY(r.sortie.isEmpty());
        QVERIFY(r.erreurs.startsWith("usage: clarvane-exif"));
        QCOMPARE(r.erreurs.count('\n'), 1);
    }

    void lignes()
    {
        const QString photo = m_dossier.filePath(u"Photo été.JPG"_s);
        TValeursEXIF v;
        v.focaleNum = 58;
        v.focaleDen = 10;
        QVERIFY(EcrireFichier(photo, JPEGAvecTIFF(TIFFAvecValeurs(v, true))));
        const QString vide = m_dossier.filePath(u"vide.jpg"_s);
        QVERIFY(EcrireFichier(vide, QByteArray()));
        const QString absent = m_dossier.filePath(u"absent.nef"_s);
        const QString notes = m_dossier.filePath(u"notes.txt"_s);
        QVERIFY(EcrireFichier(notes, "Carte SD du 30 mai"));

        TResultat r = Lancer({photo, vide, absent, notes});
        // The missing file still has its line; its cause goes to standard error.
        QCOMPARE(r.statut, 1);
        QCOMPARE(QString::fromUtf8(r.erreurs),
                 u"clarvane-exif: "_s + absent + u": No such file or directory\n"_s);
        const QList<QByteArray> lignes = r.sortie.split('\n');
        QCOMPARE(lignes.size(), 5);
        QVERIFY(lignes.last().isEmpty());
        QCOMPARE(QString::fromUtf8(lignes[0]),
                 photo + u"\t1\tCanon EOS 300D\t5,80\t1/125°\t5,6\t21/05/2006\t100"_s);
        QCOMPARE(QString::fromUtf8(lignes[1]), vide + u"\t0\t\t\t\t\t\t"_s);
        QCOMPARE(QString::fromUtf8(lignes[2]), absent + u"\t0\t\t\t\t\t\t"_s);
        QCOMPARE(QString::fromUtf8(lignes[3]), notes + u"\t0\t\t\t\t\t\t"_s);

        r = Lancer({photo}, u"en_US.UTF-8"_s);
        QCOMPARE(r.statut, 0);
        QVERIFY(r.erreurs.isEmpty());
        QCOMPARE(QString::fromUtf8(r.sortie),
                 photo + u"\t1\tCanon EOS 300D\t5.80\t1/125°\t5.6\t21/05/2006\t100\n"_s);
    }

    // One file is one line, whatever its name and texts hold: a tab or a line break
    // becomes a space, a byte that is not UTF-8 is written as \xHH.
    void uneLigneParFichier()
    {
        TValeursEXIF v;
        v.modele = "Canon\tEOS\n300D\r";
        const QByteArray dossier = QFile::encodeName(m_dossier.path());
        const QByteArray latin1 = dossier + "/caf\xE9\tnuit\n.jpg";
        const int fd = ::open(latin1.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0);
        const QByteArray jpeg = JPEGAvecTIFF(TIFFAvecValeurs(v));
        QCOMPARE(::write(fd, jpeg.constData(), size_t(jpeg.size())), ssize_t(jpeg.size()));
        ::close(fd);

        // Arguments with any bytes: through the shell's printf, not through QString.
        QProcess sh;
        sh.setProcessEnvironment(Environnement(u"en_US.UTF-8"_s));
        sh.start(u"/bin/sh"_s, {u"-c"_s, u"exec \"$0\" \"$(printf '%s/caf\\351\\tnuit\\n.jpg' \"$1\")\""_s,
                                m_commande, m_dossier.path()});
        QVERIFY(sh.waitForFinished(60000));
        QCOMPARE(sh.exitCode(), 0);
        const QByteArray sortie = sh.readAllStandardOutput();
        ::unlink(latin1.constData()); // a name QTemporaryDir cannot remove
        QCOMPARE(sortie, dossier + "/caf\\xE9 nuit .jpg\t1\tCanon EOS 300D\t50\t1/125\xC2\xB0\t5.6\t21/05/2006\t100\n");
    }

    // A name that leads to no regular file is read as nothing, with a line of 0, its
    // cause on standard error and exit status 1: what it is when it is something else
    // than a file (a FIFO is never opened: it holds no image and could wait forever),
    // the system's message when it leads nowhere, an empty name included.
    void illisibles_data()
    {
        QTest::addColumn<QByteArray>("nom"); // in the test's folder, absolute, or past PATH_MAX
        QTest::addColumn<QByteArray>("cause");
        QTest::addColumn<int>("statut");
        QTest::newRow("FIFO") << QByteArray("tube.jpg") << QByteArray("n'est pas un fichier ordinaire (tube nommé)") << 1;
        QTest::newRow("link to a FIFO") << QByteArray("lien-tube.jpg") << QByteArray("n'est pas un fichier ordinaire (tube nommé)") << 1;
        QTest::newRow("folder") << QByteArray("dossier.jpg") << QByteArray("n'est pas un fichier ordinaire (dossier)") << 1;
        QTest::newRow("device") << QByteArray("/dev/null") << QByteArray("n'est pas un fichier ordinaire (périphérique caractère)") << 1;
        QTest::newRow("empty name") << QByteArray("<vide>") << QByteArray("No such file or directory") << 1;
        QTest::newRow("broken link") << QByteArray("lien-casse.jpg") << QByteArray("No such file or directory") << 1;
        QTest::newRow("missing, not an image") << QByteArray("absent.txt") << QByteArray("No such file or directory") << 1;
        QTest::newRow("through a file") << QByteArray("notes.txt/photo.jpg") << QByteArray("Not a directory") << 1;
        QTest::newRow("text file") << QByteArray("notes.txt") << QByteArray() << 0;
        QTest::newRow("FIFO past PATH_MAX") << QByteArray("<long>tube.jpg") << QByteArray("n'est pas un fichier ordinaire (tube nommé)") << 1;
        QTest::newRow("image past PATH_MAX") << QByteArray("<long>photo.jpg") << QByteArray() << 0;
    }
    void illisibles()
    {
        QFETCH(QByteArray, nom);
        QFETCH(QByteArray, cause);
        QFETCH(int, statut);
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QByteArray dossier = QFile::encodeName(tmp.path()) + '/';
        QVERIFY(::mkfifo((dossier + "tube.jpg").constData(), 0644) == 0);
        QVERIFY(::symlink("tube.jpg", (dossier + "lien-tube.jpg").constData()) == 0);
        QVERIFY(::symlink("parti.jpg", (dossier + "lien-casse.jpg").constData()) == 0);
        QVERIFY(::mkdir((dossier + "dossier.jpg").constData(), 0755) == 0);
        QVERIFY(EcrireOctets(dossier + "notes.txt", "Carte SD du 30 mai"));
        QByteArray long_ = dossier;
        while (long_.size() <= PATH_MAX) {
            long_ += QByteArray(250, 'n') + '/';
            QVERIFY(CreerDossierOctets(long_));
        }
        const auto menage = qScopeGuard([&] { SupprimerArbre(dossier + QByteArray(250, 'n')); });
        QVERIFY(EcrireOctets(long_ + "photo.jpg", JPEGAvecTIFF(TIFFAvecValeurs({}))));
        const TCheminLong tubeLong(long_ + "tube.jpg");
        QVERIFY(tubeLong.Erreur() == 0 && ::mkfifoat(tubeLong.Fd(), tubeLong.Relatif(), 0644) == 0);

        const QByteArray argument = nom == "<vide>"       ? QByteArray()
                                  : nom.startsWith('/')      ? nom
                                  : nom.startsWith("<long>") ? long_ + nom.mid(6)
                                                             : dossier + nom;
        const TResultat r = Lancer({QFile::decodeName(argument)}, u"en_US.UTF-8"_s);
        QCOMPARE(r.statut, statut);
        QCOMPARE(r.erreurs, cause.isEmpty() ? QByteArray() : "clarvane-exif: " + argument + ": " + cause + '\n');
        QVERIFY2(r.sortie.startsWith(argument + (statut == 0 && nom.endsWith(".jpg") ? "\t1\t" : "\t0\t\t")),
                 r.sortie.constData());
        QCOMPARE(r.sortie.count('\n'), 1);
    }
};

QTEST_GUILESS_MAIN(TestClarvaneExif)
#include "tst_clarvaneexif.moc"
