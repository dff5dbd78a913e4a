// The drop-down items of the naming options, in the French locale.
#include <QLocale>
#include <QTest>

#include "engine/OptionsNommage.h"
#include "ui/LibellesOptions.h"

using namespace Qt::StringLiterals;

class TestLibellesOptions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void separateurs()
    {
        QCOMPARE(ElementsSeparateurs(),
                 (QStringList{u"<Aucun>"_s, u"<Espace>"_s, u"- (tiret)"_s, u"_ (underscore)"_s,
                              u", (virgule)"_s}));
        QCOMPARE(ElementsSeparateurs().size(), kNbSeparateurs);
    }

    void elementsFormatsDate()
    {
        const QDate date(2026, 12, 7); // a Monday
        const QStringList e = ElementsFormatsDate(date);
        QCOMPARE(e.size(), 8);
        QCOMPARE(e[0], u"Année (26)"_s);
        QCOMPARE(e[1], u"Année (2026)"_s);
        QCOMPARE(e[2], u"Mois (12)"_s);
        QCOMPARE(e[5], u"Jour (07)"_s);
        const QLocale fr;
        QCOMPARE(e[3], u"Mois ("_s + fr.monthName(12, QLocale::ShortFormat) + u')');
        QCOMPARE(e[4], u"Mois (décembre)"_s);
        QCOMPARE(e[6], u"Jour ("_s + fr.dayName(1, QLocale::ShortFormat) + u')');
        QCOMPARE(e[7], u"Jour (lundi)"_s);
    }
};

QTEST_GUILESS_MAIN(TestLibellesOptions)
#include "tst_libellesoptions.moc"
