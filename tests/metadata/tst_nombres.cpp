// Fixed decimals and size texts: the rounding rule and the locale's separator.
#include <QLocale>
#include <QTest>

#include "metadata/Nombres.h"

using namespace Qt::StringLiterals;

class TestNombres : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void fixe_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("decimales");
        QTest::addColumn<QString>("francais");
        QTest::addColumn<QString>("anglais");
        QTest::newRow("2.5 up") << 2.5 << 0 << u"3"_s << u"3"_s;
        QTest::newRow("1.5 up") << 1.5 << 0 << u"2"_s << u"2"_s;
        QTest::newRow("1.3 down") << 1.3 << 0 << u"1"_s << u"1"_s;
        QTest::newRow("0.4 down to 0") << 0.4 << 0 << u"0"_s << u"0"_s;
        QTest::newRow("1.125 hundredths") << 1.125 << 2 << u"1,13"_s << u"1.13"_s;
        QTest::newRow("1.25 tenths") << 1.25 << 1 << u"1,3"_s << u"1.3"_s;
        QTest::newRow("5.6 tenths") << 5.6 << 1 << u"5,6"_s << u"5.6"_s;
        QTest::newRow("9.9951 carries") << 9.9951 << 2 << u"10,00"_s << u"10.00"_s;
        QTest::newRow("99.96 carries") << 99.96 << 1 << u"100,0"_s << u"100.0"_s;
        // 9.995 is 9.99499999999999921... as a double: its 18 digits round down.
        QTest::newRow("9.995 binary") << 9.995 << 2 << u"9,99"_s << u"9.99"_s;
        QTest::newRow("small") << 0.004 << 2 << u"0,00"_s << u"0.00"_s;
        QTest::newRow("0.005 up") << 0.005 << 2 << u"0,01"_s << u"0.01"_s;
        QTest::newRow("4000 whole") << 4000.0 << 0 << u"4000"_s << u"4000"_s;
        QTest::newRow("2.93 Ko") << 3000.0 / 1024 << 2 << u"2,93"_s << u"2.93"_s;
        QTest::newRow("negative half") << -2.5 << 0 << u"-3"_s << u"-3"_s;
    }
    void fixe()
    {
        QFETCH(double, x);
        QFETCH(int, decimales);
        QFETCH(QString, francais);
        QFETCH(QString, anglais);
        QCOMPARE(FormaterFixe(x, decimales), francais);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(FormaterFixe(x, decimales), anglais);
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    }

    void taille_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("texte");
        QTest::newRow("0") << qint64(0) << u"0 Oct"_s;
        QTest::newRow("1024") << qint64(1024) << u"1024 Oct"_s;
        QTest::newRow("1025") << qint64(1025) << u"1,00 Ko"_s;
        QTest::newRow("1152") << qint64(1152) << u"1,13 Ko"_s;
        QTest::newRow("1536") << qint64(1536) << u"1,50 Ko"_s;
        QTest::newRow("3000") << qint64(3000) << u"2,93 Ko"_s;
        QTest::newRow("1048576") << qint64(1048576) << u"1024,00 Ko"_s;
        QTest::newRow("1048577") << qint64(1048577) << u"1,00 Mo"_s;
        QTest::newRow("4.2 Mo") << qint64(4404019) << u"4,20 Mo"_s;
        QTest::newRow("1073741824") << qint64(1073741824) << u"1024,00 Mo"_s;
        QTest::newRow("1073741825") << qint64(1073741825) << u"1,00 Go"_s;
        QTest::newRow("3 GiB, past 32 bits") << qint64(3) * 1073741824 << u"3,00 Go"_s;
        QTest::newRow("5 TiB") << qint64(5) * 1024 * 1073741824 << u"5120,00 Go"_s;
    }
    void taille()
    {
        QFETCH(qint64, n);
        QFETCH(QString, texte);
        QCOMPARE(TailleEnTexte(n), texte);
    }
};

QTEST_GUILESS_MAIN(TestNombres)
#include "tst_nombres.moc"
