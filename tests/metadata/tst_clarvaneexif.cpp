// The clarvane-exif command, run as a user runs it.
#include <QCoreApplication>
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

    TResultat Lancer(const QStringList &arguments, const QString &langue = u"fr_FR.UTF-8"_s)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"LC_ALL"_s);
        env.remove(u"LC_NUMERIC"_s);
        env.insert(u"LANG"_s, langue);
        p.setProcessEnvironment(env);
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
        QCOMPARE(r.statut, 0);
        const QList<QByteArray> lignes = r.sortie.split('\n');
        QCOMPARE(lignes.size(), 5);
        QVERIFY(lignes.last().isEmpty());
        QCOMPARE(QString::fromUtf8(lignes[0]),
                 photo + u"\t1\tCanon EOS 300D\t5,80\t1/125°\t5,6\t21/05/2006\t100"_s);
        QCOMPARE(QString::fromUtf8(lignes[1]), vide + u"\t0\t\t\t\t\t\t"_s);
        QCOMPARE(QString::fromUtf8(lignes[2]), absent + u"\t0\t\t\t\t\t\t"_s);
        QCOMPARE(lignes[3], QByteArray("notes.txt\t0\t\t\t\t\t\t"));

        r = Lancer({photo}, u"en_US.UTF-8"_s);
        QCOMPARE(QString::fromUtf8(r.sortie),
                 photo + u"\t1\tCanon EOS 300D\t5.80\t1/125°\t5.6\t21/05/2006\t100\n"_s);
    }
};

QTEST_GUILESS_MAIN(TestClarvaneExif)
#include "tst_clarvaneexif.moc"
