// The value texts: rationals, camera, date, ISO, and how EXIF bytes become text.
#include <optional>
#include <random>

#include <QLocale>
#include <QTest>

#include "metadata/FormatEXIF.h"
#include "metadata/Nombres.h"

using namespace Qt::StringLiterals;

namespace {
// "<none>" stands for "no text".
QString OuVide(const std::optional<QString> &t) { return t ? *t : u"<none>"_s; }
constexpr qint32 kGrand = 0x7FFFFFFF;
} // namespace

class TestFormatEXIF : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void rationnels_data()
    {
        QTest::addColumn<char>("valeur"); // F focal length, V exposure time, D aperture
        QTest::addColumn<int>("num");
        QTest::addColumn<int>("den");
        QTest::addColumn<QString>("francais");
        QTest::addColumn<QString>("anglais");
        const QString aucun = u"<none>"_s;
        QTest::newRow("F 50/1 whole") << 'F' << 50 << 1 << u"50"_s << u"50"_s;
        QTest::newRow("F 350/10 whole") << 'F' << 350 << 10 << u"35"_s << u"35"_s;
        QTest::newRow("F 58/10") << 'F' << 58 << 10 << u"5,80"_s << u"5.80"_s;
        QTest::newRow("F 29/4") << 'F' << 29 << 4 << u"7,25"_s << u"7.25"_s;
        QTest::newRow("F 1/8 half up") << 'F' << 1 << 8 << u"0,13"_s << u"0.13"_s;
        QTest::newRow("F 2/3") << 'F' << 2 << 3 << u"0,67"_s << u"0.67"_s;
        QTest::newRow("F 1/1000 to 0,00") << 'F' << 1 << 1000 << u"0,00"_s << u"0.00"_s;
        QTest::newRow("F 0/0") << 'F' << 0 << 0 << aucun << aucun;
        QTest::newRow("F 50/0") << 'F' << 50 << 0 << aucun << aucun;
        QTest::newRow("F 0/1") << 'F' << 0 << 1 << aucun << aucun;
        QTest::newRow("F negative num") << 'F' << -50 << 1 << aucun << aucun;
        QTest::newRow("F 2^31 den") << 'F' << 50 << int(0x80000000u) << aucun << aucun;
        QTest::newRow("F largest") << 'F' << kGrand << 1 << u"2147483647"_s << u"2147483647"_s;
        QTest::newRow("V 1/125") << 'V' << 1 << 125 << u"1/125°"_s << u"1/125°"_s;
        QTest::newRow("V 10/1250") << 'V' << 10 << 1250 << u"1/125°"_s << u"1/125°"_s;
        QTest::newRow("V 1/4000") << 'V' << 1 << 4000 << u"1/4000°"_s << u"1/4000°"_s;
        QTest::newRow("V 1/3") << 'V' << 1 << 3 << u"1/3°"_s << u"1/3°"_s;
        QTest::newRow("V 2/3 1.5 up") << 'V' << 2 << 3 << u"1/2°"_s << u"1/2°"_s;
        QTest::newRow("V 3/4") << 'V' << 3 << 4 << u"1/1°"_s << u"1/1°"_s;
        QTest::newRow("V 4/10 2.5 up") << 'V' << 4 << 10 << u"1/3°"_s << u"1/3°"_s;
        QTest::newRow("V 1/1") << 'V' << 1 << 1 << u"1"_s << u"1"_s;
        QTest::newRow("V 30/1") << 'V' << 30 << 1 << u"30"_s << u"30"_s;
        QTest::newRow("V 5/2 up") << 'V' << 5 << 2 << u"3"_s << u"3"_s;
        QTest::newRow("V 3/2 up") << 'V' << 3 << 2 << u"2"_s << u"2"_s;
        QTest::newRow("V 15/10") << 'V' << 15 << 10 << u"2"_s << u"2"_s;
        QTest::newRow("V 13/10") << 'V' << 13 << 10 << u"1"_s << u"1"_s;
        QTest::newRow("V 1/0") << 'V' << 1 << 0 << aucun << aucun;
        QTest::newRow("V -1/125") << 'V' << -1 << 125 << aucun << aucun;
        QTest::newRow("V 1/largest") << 'V' << 1 << kGrand << u"1/2147483647°"_s << u"1/2147483647°"_s;
        QTest::newRow("D 8/1") << 'D' << 8 << 1 << u"8"_s << u"8"_s;
        QTest::newRow("D 110/10") << 'D' << 110 << 10 << u"11"_s << u"11"_s;
        QTest::newRow("D 40/10 whole") << 'D' << 40 << 10 << u"4"_s << u"4"_s;
        QTest::newRow("D 45/10") << 'D' << 45 << 10 << u"4,5"_s << u"4.5"_s;
        QTest::newRow("D 56/10") << 'D' << 56 << 10 << u"5,6"_s << u"5.6"_s;
        QTest::newRow("D 28/10") << 'D' << 28 << 10 << u"2,8"_s << u"2.8"_s;
        QTest::newRow("D 125/100 carries") << 'D' << 125 << 100 << u"1,3"_s << u"1.3"_s;
        QTest::newRow("D 995/100 carries to 10,0") << 'D' << 995 << 100 << u"10,0"_s << u"10.0"_s;
        QTest::newRow("D 0/10") << 'D' << 0 << 10 << aucun << aucun;
    }
    void rationnels()
    {
        QFETCH(char, valeur);
        QFETCH(int, num);
        QFETCH(int, den);
        QFETCH(QString, francais);
        QFETCH(QString, anglais);
        const auto texte = [&] {
            return OuVide(valeur == 'F' ? TexteFocale(num, den)
                          : valeur == 'V' ? TexteVitesse(num, den)
                                          : TexteDiaphragme(num, den));
        };
        QCOMPARE(texte(), francais);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(texte(), anglais);
    }

    // The texts are rounded in integer arithmetic; they must be what the general rule
    // (18 significant digits of the quotient, halves away from zero) gives.
    void arrondiCommeRegleGenerale()
    {
        std::mt19937 hasard(20240607);
        std::uniform_int_distribution<qint32> petit(1, 2000), grand(1, kGrand);
        for (int i = 0; i < 20000; ++i) {
            const bool petits = i % 2 == 0;
            const qint32 num = petits ? petit(hasard) : grand(hasard);
            const qint32 den = petits ? petit(hasard) : grand(hasard) % 100000 + 1;
            const long double q = (long double)num / den;
            if (num % den != 0) {
                QCOMPARE(*TexteFocale(num, den), FormaterFixe(q, 2));
                QCOMPARE(*TexteDiaphragme(num, den), FormaterFixe(q, 1));
            }
            if (num >= den)
                QCOMPARE(*TexteVitesse(num, den), FormaterFixe(q, 0));
            else
                QCOMPARE(*TexteVitesse(num, den), u"1/"_s + FormaterFixe((long double)den / num, 0) + u'°');
        }
        // Exact halves at the last digit kept.
        QCOMPARE(*TexteFocale(201, 200), u"1,01"_s); // 1.005
        QCOMPARE(*TexteFocale(1001, 8), u"125,13"_s); // 125.125
        QCOMPARE(*TexteDiaphragme(21, 20), u"1,1"_s); // 1.05
    }

    void appareil_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("plain") << QByteArray("NIKON D70") << u"NIKON D70"_s;
        QTest::newRow("trailing blanks") << QByteArray("Canon EOS 40D   ") << u"Canon EOS 40D"_s;
        QTest::newRow("leading tab, cr") << QByteArray("\t E-M5\r\n") << u"E-M5"_s;
        QTest::newRow("spaces only") << QByteArray("      ") << QString();
        QTest::newRow("inner spaces kept") << QByteArray(" A  B ") << u"A  B"_s;
        QTest::newRow("cut at zero") << QByteArray("D70\0junk", 8) << u"D70"_s;
        QTest::newRow("control bytes trimmed") << QByteArray("\x01\x1F" "X100\x7F", 7) << u"X100\x7F"_s;
        QTest::newRow("case kept") << QByteArray("iPhone") << u"iPhone"_s;
    }
    void appareil()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QString, attendu);
        const QString texte = TexteAppareil(octets);
        QCOMPARE(texte, attendu);
        QVERIFY(!texte.isNull() || attendu.isEmpty());
    }

    void decodage_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("ascii") << QByteArray("Model 1") << u"Model 1"_s;
        QTest::newRow("utf-8") << QByteArray("Cr\xC3\xA9mieux") << u"Crémieux"_s;
        QTest::newRow("utf-8 euro") << QByteArray("\xE2\x82\xAC") << u"€"_s;
        QTest::newRow("latin byte") << QByteArray("Cr\xE9mieux") << u"Crémieux"_s;
        QTest::newRow("1252 euro") << QByteArray("\x80 5") << u"€ 5"_s;
        QTest::newRow("1252 quotes") << QByteArray("\x93x\x94") << u"“x”"_s;
        QTest::newRow("1252 oe, S caron") << QByteArray("\x9C\x8A") << u"œŠ"_s;
        QTest::newRow("1252 unassigned") << QByteArray("\x81") << QString(QChar(0x81));
        QTest::newRow("degree") << QByteArray("\xB0") << u"°"_s;
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << u"À¯"_s;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << u"í\u00A0€"_s;
        QTest::newRow("truncated sequence") << QByteArray("a\xC3") << u"aÃ"_s;
        QTest::newRow("zero ends") << QByteArray("ab\0\xC3", 4) << u"ab"_s;
        QTest::newRow("4-byte utf-8") << QByteArray("\xF0\x9F\x93\xB7") << u"📷"_s;
        QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << u"ô\u0090€€"_s;
    }
    void decodage()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QString, attendu);
        QCOMPARE(DecoderTexte(octets), attendu);
    }

    void date_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("exif form") << QByteArray("2004:07:15 10:20:30") << u"15/07/2004"_s;
        QTest::newRow("zero after 19") << QByteArray("2004:07:15 10:20:30\0xx", 22) << u"15/07/2004"_s;
        QTest::newRow("blanks") << QByteArray("    :  :     :  :  ") << u"  /  /    "_s;
        QTest::newRow("any 19 characters") << QByteArray("abcdefghijklmnopqrs") << u"ij/fg/abcd"_s;
        QTest::newRow("18 characters") << QByteArray("2004:07:15 10:20:3") << u"<none>"_s;
        QTest::newRow("20 characters") << QByteArray("2004:07:15 10:20:301") << u"<none>"_s;
        QTest::newRow("date only") << QByteArray("2004:07:15") << u"<none>"_s;
        QTest::newRow("empty") << QByteArray() << u"<none>"_s;
        QTest::newRow("zero inside") << QByteArray("2004:07:15\0 10:20:30", 20) << u"<none>"_s;
    }
    void date()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QString, attendu);
        QCOMPARE(OuVide(TexteDate(octets)), attendu);
    }

    // Videos' ISO 8601 dates: the day written before the time and its offset.
    void dateISO8601_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("offset +hhmm") << QByteArray("2023-05-21T23:40:12+0200") << u"21/05/2023"_s;
        QTest::newRow("offset -hh:mm, late") << QByteArray("2023-05-21T23:40:12-05:00") << u"21/05/2023"_s;
        QTest::newRow("Z") << QByteArray("2023-05-21T00:10:00Z") << u"21/05/2023"_s;
        QTest::newRow("space, fraction") << QByteArray("2023-05-21 00:10:00.250") << u"21/05/2023"_s;
        QTest::newRow("day alone") << QByteArray("2023-05-21") << u"21/05/2023"_s;
        QTest::newRow("colons") << QByteArray("2023:05:21 10:20:30") << u"21/05/2023"_s;
        QTest::newRow("29 February of a leap year") << QByteArray("2024-02-29T12:00:00+0100") << u"29/02/2024"_s;
        QTest::newRow("zero after it") << QByteArray("2023-05-21T10:00:00\0junk", 24) << u"21/05/2023"_s;
        QTest::newRow("29 February otherwise") << QByteArray("2023-02-29T12:00:00") << u"<none>"_s;
        QTest::newRow("month 13") << QByteArray("2023-13-01") << u"<none>"_s;
        QTest::newRow("day 0") << QByteArray("2023-05-00") << u"<none>"_s;
        QTest::newRow("year 0") << QByteArray("0000-01-01") << u"<none>"_s;
        QTest::newRow("mixed separators") << QByteArray("2023-05:21") << u"<none>"_s;
        QTest::newRow("year alone") << QByteArray("2023") << u"<none>"_s;
        QTest::newRow("no separator") << QByteArray("20230521T100000") << u"<none>"_s;
        QTest::newRow("letters after the day") << QByteArray("2023-05-21x") << u"<none>"_s;
        QTest::newRow("sign before the year") << QByteArray("+2023-05-21") << u"<none>"_s;
        QTest::newRow("digits not ASCII") << QByteArray("２０２３-05-21") << u"<none>"_s;
        QTest::newRow("empty") << QByteArray() << u"<none>"_s;
    }
    void dateISO8601()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QString, attendu);
        QCOMPARE(OuVide(TexteDateISO8601(octets)), attendu);
    }

    // A movie header's time (seconds since 1904 UTC), at noon UTC so that the local day
    // is the same in every time zone of the machine running the test (tst_films tests
    // two zones).
    void dateSecondes1904_data()
    {
        QTest::addColumn<quint64>("secondes");
        QTest::addColumn<QString>("attendu");
        constexpr quint64 kJour = 86400, kMidi = 43200;
        QTest::newRow("1904-01-01 noon") << kMidi << u"01/01/1904"_s;
        QTest::newRow("1970-01-01 noon") << 2082844800 + kMidi << u"01/01/1970"_s;
        QTest::newRow("2024-02-29 noon") << 2082844800 + 19782 * kJour + kMidi << u"29/02/2024"_s;
        // The last 32-bit time is 2040-02-06 06:28:15 UTC.
        QTest::newRow("2040-02-05 noon, near 32 bits' end") << quint64(0xFFFFFFFF) - (18 * 3600 + 28 * 60 + 15) << u"05/02/2040"_s;
        QTest::newRow("9999-12-31 noon") << 2082844800 + 2932896 * kJour + kMidi << u"31/12/9999"_s;
        QTest::newRow("0: no time written") << quint64(0) << u"<none>"_s;
        QTest::newRow("past 9999") << 2082844800 + 2932897 * kJour + kMidi << u"<none>"_s;
        QTest::newRow("largest") << ~quint64(0) << u"<none>"_s;
    }
    void dateSecondes1904()
    {
        QFETCH(quint64, secondes);
        QFETCH(QString, attendu);
        QCOMPARE(OuVide(TexteDateSecondes1904(secondes)), attendu);
    }

    void iso()
    {
        QCOMPARE(TexteISO(0), u"0"_s);
        QCOMPARE(TexteISO(100), u"100"_s);
        QCOMPARE(TexteISO(1600), u"1600"_s);
        QCOMPARE(TexteISO(65535), u"65535"_s);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(TexteISO(12800), u"12800"_s); // no group separator
    }
};

QTEST_GUILESS_MAIN(TestFormatEXIF)
#include "tst_formatexif.moc"
