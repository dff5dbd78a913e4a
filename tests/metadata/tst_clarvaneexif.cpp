// The clarvane-exif command, run as a user runs it.
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "ConstructeurEXIF.h"

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

        TResultat r = Lancer({photo, vide, absent, u"notes.txt"_s});
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
        QCOMPARE(lignes[3], QByteArray("notes.txt\t0\t\t\t\t\t\t"));

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
};

QTEST_GUILESS_MAIN(TestClarvaneExif)
#include "tst_clarvaneexif.moc"
