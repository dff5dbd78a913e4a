#include <QTest>

#include "commun/NomsFichiers.h"

using namespace Qt::StringLiterals;

class TestNomsFichiers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void allerRetour_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("lisible");
        QTest::newRow("ascii") << QByteArray("IMG_0001.JPG") << u"IMG_0001.JPG"_s;
        QTest::newRow("utf8") << QByteArray("caf\xC3\xA9.jpg") << u"café.jpg"_s;
        QTest::newRow("latin1") << QByteArray("caf\xE9.jpg") << u"caf\\xE9.jpg"_s;
        QTest::newRow("latin1 dossier") << QByteArray("/m/\xC9t\xE9/a.jpg") << u"/m/\\xC9t\\xE9/a.jpg"_s;
        QTest::newRow("sequence coupee") << QByteArray("a\xC3") << u"a\\xC3"_s;
        QTest::newRow("surrogate en utf8") << QByteArray("\xED\xB2\x80") << u"\\xED\\xB2\\x80"_s;
        QTest::newRow("forme longue") << QByteArray("\xC0\xAF") << u"\\xC0\\xAF"_s;
        QTest::newRow("hors unicode") << QByteArray("\xF4\x90\x80\x80") << u"\\xF4\\x90\\x80\\x80"_s;
        QTest::newRow("4 octets") << QByteArray("\xF0\x9F\x93\xB7.jpg") << u"\U0001F4F7.jpg"_s;
        QTest::newRow("melange") << QByteArray("\xE9t\xC3\xA9\xFF") << u"\\xE9t\u00E9\\xFF"_s;
    }
    void allerRetour()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QString, lisible);
        const QString nom = NomDepuisOctets(octets);
        QCOMPARE(NomEnOctets(nom), octets);
        QCOMPARE(NomLisible(nom), lisible);
        QCOMPARE(NomDepuisLisible(lisible), nom);
        QCOMPARE(NomAOctetsBruts(nom), lisible.contains(u"\\x"_s));
    }

    void lisibleLaisseLeResteTelQuel_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::newRow("ascii sous 80") << u"a\\x41b"_s;
        QTest::newRow("coupe en fin") << u"a\\xE"_s;
        QTest::newRow("pas hexa") << u"a\\xG9"_s;
        QTest::newRow("barre seule") << u"C:\\dossier"_s;
    }
    void lisibleLaisseLeResteTelQuel()
    {
        QFETCH(QString, texte);
        QCOMPARE(NomDepuisLisible(texte), texte);
    }

    // Upper-casing keeps the bytes that are not UTF-8: two Latin-1 names stay apart.
    void majuscules_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QByteArray>("attendu");
        QTest::newRow("utf8") << QByteArray("caf\xC3\xA9.jpg") << QByteArray("CAF\xC3\x89.JPG");
        QTest::newRow("latin1 e9") << QByteArray("caf\xE9.jpg") << QByteArray("CAF\xE9.JPG");
        QTest::newRow("latin1 e8") << QByteArray("caf\xE8.jpg") << QByteArray("CAF\xE8.JPG");
        QTest::newRow("melange") << QByteArray("\xE9t\xC3\xA9") << QByteArray("\xE9T\xC3\x89");
        QTest::newRow("4 octets") << QByteArray("\xF0\x9F\x93\xB7" "a") << QByteArray("\xF0\x9F\x93\xB7" "A");
    }
    void majuscules()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QByteArray, attendu);
        QCOMPARE(NomEnOctets(NomEnMajuscules(NomDepuisOctets(octets))), attendu);
    }

    void surrogateIsoleNonGarde()
    {
        const QString nom = QString(QChar(char16_t(0xD800))) + u'a';
        QCOMPARE(NomEnOctets(nom), QByteArray("?a"));
    }
};

QTEST_APPLESS_MAIN(TestNomsFichiers)
#include "tst_nomsfichiers.moc"
