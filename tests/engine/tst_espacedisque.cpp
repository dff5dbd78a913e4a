// The free space of a destination: a small file system of known size, folders still to
// make, paths past PATH_MAX, and places that say nothing of their room.
#include <QDir>
#include <QFile>
#include <QTest>

#include "Fichiers.h"
#include "PetitDisque.h"
#include "commun/NomsFichiers.h"
#include "engine/EspaceDisque.h"

using namespace Qt::StringLiterals;

class TestEspaceDisque : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A tmpfs of 300 KB holding 100,000 bytes and a file of one: the room left, asked of
    // `chemin` below it; `connu` false when no figure is expected.
    void espaceLibre_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<bool>("connu");
        QTest::newRow("the disk") << QString() << true;
        QTest::newRow("a folder of it, no final slash") << u"plein"_s << true;
        QTest::newRow("folders still to make") << u"pas/encore/là/"_s << true;
        QTest::newRow("past PATH_MAX, partly made") << QString() << true; // built below
        QTest::newRow("a file in the way") << u"fichier/dessous/"_s << false;
    }
    void espaceLibre()
    {
        QFETCH(QString, chemin);
        QFETCH(bool, connu);
        TPetitDisque disque;
        if (!disque.Valide())
            QSKIP(qPrintable(disque.Pourquoi()));
        QVERIFY(EcrireFichier(disque.Chemin() + u"plein/donnees"_s, QByteArray(100000, 'x')));
        QVERIFY(EcrireFichier(disque.Chemin() + u"fichier"_s, "x"));
        if (QByteArray(QTest::currentDataTag()).startsWith("past")) {
            // 20 levels of 240 bytes, the first 12 made: more than PATH_MAX either way.
            for (int niveau = 0; niveau < 20; ++niveau) {
                chemin += QString(240, QChar(u'a' + niveau)) + u'/';
                if (niveau < 12)
                    QVERIFY(QDir().mkdir(disque.Chemin() + chemin));
            }
            QVERIFY(NomEnOctets(disque.Chemin() + chemin).size() > 4096);
        }
        // Whole pages: what the data take, rounded up, is no longer free.
        const qint64 attendu = 300 * 1024 - 25 * 4096 - 4096;
        const std::optional<qint64> libre = EspaceLibre(disque.Chemin() + chemin);
        QCOMPARE(libre.has_value(), connu);
        if (connu)
            QVERIFY2(*libre >= attendu && *libre <= attendu + 4096, qPrintable(QString::number(*libre)));
    }

    void sansTaille_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::newRow("proc") << u"/proc/self/"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("relative") << u"nulle/part"_s;
    }
    // A file system without a size, and paths that name no folder: nothing is said.
    void sansTaille()
    {
        QFETCH(QString, chemin);
        QCOMPARE(EspaceLibre(chemin), std::optional<qint64>());
    }
};

QTEST_GUILESS_MAIN(TestEspaceDisque)
#include "tst_espacedisque.moc"
