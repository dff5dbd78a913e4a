// Naming options: order code, tree conversions, date formats and texts, stored values.
#include <QLocale>
#include <QTest>

#include "engine/OptionsNommage.h"

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TComposantsDate)
Q_DECLARE_METATYPE(TFormatsDate)

class TestOptionsNommage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void validerOrdre_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("all present") << u"AFVDPI"_s << u"AFVDPI"_s;
        QTest::newRow("reverse") << u"IPDVFA"_s << u"IPDVFA"_s;
        QTest::newRow("none present") << u"afvdpi"_s << u"afvdPi"_s;
        QTest::newRow("five letters") << u"AFVDP"_s << u"afvdPi"_s;
        QTest::newRow("seven letters") << u"AFVDPIA"_s << u"afvdPi"_s;
        QTest::newRow("foreign letter") << u"AFVDPX"_s << u"afvdPi"_s;
        QTest::newRow("focal only") << u"aFvdpi"_s << u"aFvdpi"_s;
        QTest::newRow("repeated letter") << u"AAAAAA"_s << u"afvdPi"_s;
        QTest::newRow("repeated, mixed case") << u"AafvdP"_s << u"afvdPi"_s;
        QTest::newRow("empty") << QString() << u"afvdPi"_s;
        QTest::newRow("dotless i") << u"AFVDPı"_s << u"afvdPi"_s;
        QTest::newRow("default") << u"afvdPi"_s << u"afvdPi"_s;
    }
    void validerOrdre()
    {
        QFETCH(QString, code);
        QFETCH(QString, attendu);
        QCOMPARE(ValiderOrdre(code), attendu);
    }

    void indexDonnee_data()
    {
        QTest::addColumn<QString>("legende");
        QTest::addColumn<int>("index");
        QTest::newRow("Appareil") << u"Appareil"_s << 0;
        QTest::newRow("Focale") << u"Focale"_s << 1;
        QTest::newRow("Vitesse") << u"Vitesse"_s << 2;
        QTest::newRow("Diaphragme") << u"Diaphragme"_s << 3;
        QTest::newRow("date") << u"Date (prise de vue)"_s << 4;
        QTest::newRow("ISO") << u"ISO"_s << 5;
        QTest::newRow("case matters") << u"iso"_s << -1;
        QTest::newRow("unknown") << u"Objectif"_s << -1;
        QTest::newRow("empty") << QString() << -1;
    }
    void indexDonnee()
    {
        QFETCH(QString, legende);
        QFETCH(int, index);
        QCOMPARE(IndexDonnee(legende), index);
    }

    void elementsDepuisOrdre()
    {
        const QList<TElementOrdre> e = ElementsDepuisOrdre(u"IPDVFA"_s);
        QCOMPARE(e.size(), 6);
        const int attendus[] = {5, 4, 3, 2, 1, 0};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(e[i].Index, attendus[i]);
            QCOMPARE(e[i].Legende, LegendeChamp(attendus[i]));
            QVERIFY(e[i].Present);
        }
        const QList<TElementOrdre> d = ElementsDepuisOrdre(u"aFvdpi"_s);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(d[i].Present, i == 1);
        // An unusable code shows the default tree.
        QCOMPARE(OrdreDepuisElements(ElementsDepuisOrdre(u"AAAAAA"_s)), u"afvdPi"_s);
    }

    void allerRetour_data()
    {
        QTest::addColumn<QString>("code");
        QTest::newRow("default") << u"afvdPi"_s;
        QTest::newRow("reverse") << u"IPDVFA"_s;
        QTest::newRow("mixed") << u"dIaPvF"_s;
    }
    void allerRetour()
    {
        QFETCH(QString, code);
        QCOMPARE(OrdreDepuisElements(ElementsDepuisOrdre(code)), code);
    }

    void echangeEtLegendeInconnue()
    {
        QList<TElementOrdre> e = ElementsDepuisOrdre(u"afvdPi"_s);
        // Swapping two nodes' contents swaps the letters, each keeping its own case.
        std::swap(e[1], e[4]);
        QCOMPARE(OrdreDepuisElements(e), u"aPvdfi"_s);
        // A node whose caption names no field is skipped: five letters, so the default.
        e[2].Legende = u"Objectif"_s;
        QCOMPARE(OrdreDepuisElements(e), u"afvdPi"_s);
        QCOMPARE(OrdreDepuisElements({}), u"afvdPi"_s);
    }

    void reglesDerivees_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("copie");
        QTest::addColumn<int>("composants");
        QTest::addColumn<bool>("hier");
        QTest::addColumn<bool>("datePresente");
        QTest::addColumn<bool>("enVigueur");
        QTest::newRow("default") << u"afvdPi"_s << true << 7 << true << true << true;
        QTest::newRow("rename") << u"afvdPi"_s << false << 7 << true << true << false;
        QTest::newRow("date absent") << u"aFvdpi"_s << true << 7 << true << false << false;
        QTest::newRow("one component") << u"afvdPi"_s << true << 4 << true << true << false;
        QTest::newRow("two components") << u"afvdPi"_s << true << 3 << true << true << true;
        QTest::newRow("not ticked") << u"afvdPi"_s << true << 7 << false << true << false;
        QTest::newRow("unusable code") << u"AAAAAA"_s << true << 7 << true << true << true;
    }
    void reglesDerivees()
    {
        QFETCH(QString, code);
        QFETCH(bool, copie);
        QFETCH(int, composants);
        QFETCH(bool, hier);
        QFETCH(bool, datePresente);
        QFETCH(bool, enVigueur);
        TEnrOptions o;
        o.cOrdreDonEXIF = code;
        o.lCopier = copie;
        o.nCFDatePDVC = composants;
        o.lDatePDVHierCompoSiCopie = hier;
        QCOMPARE(DatePresente(code), datePresente);
        QCOMPARE(HierarchieEnVigueur(o), enVigueur);
    }

    void auMoinsDeux()
    {
        for (int c = 0; c < 8; ++c) {
            const int bits = (c & 1) + ((c >> 1) & 1) + ((c >> 2) & 1);
            QCOMPARE(AuMoinsDeuxComposants(DecoderComposants(c)), bits >= 2);
            QCOMPARE(CoderComposants(DecoderComposants(c)), c);
        }
        QCOMPARE(DecoderComposants(5), (TComposantsDate{true, false, true}));
        QCOMPARE(DecoderComposants(2), (TComposantsDate{false, true, false}));
    }

    void separateurs()
    {
        const QStringList textes{QString(), u" "_s, u"-"_s, u"_"_s, u","_s};
        for (int i = 0; i < kNbSeparateurs; ++i)
            QCOMPARE(TexteSeparateur(i), textes[i]);
        QCOMPARE(TexteSeparateur(-1), QString());
        QCOMPARE(TexteSeparateur(5), QString());
    }

    void decoderFormats_data()
    {
        QTest::addColumn<int>("valeur");
        QTest::addColumn<TFormatsDate>("formats");
        QTest::newRow("125") << 125 << TFormatsDate{1, 2, 5};
        QTest::newRow("7") << 7 << TFormatsDate{0, 0, 7};
        QTest::newRow("0") << 0 << TFormatsDate{0, 0, 0};
        QTest::newRow("default 25") << 25 << TFormatsDate{0, 2, 5};
        QTest::newRow("777") << 777 << TFormatsDate{7, 7, 7};
        // Out of the lists: a drop-down left without selection (-1) is what the next
        // component's share is computed from.
        QTest::newRow("185") << 185 << TFormatsDate{1, -1, -1};
        QTest::newRow("800") << 800 << TFormatsDate{-1, -1, -1};
        QTest::newRow("negative") << -5 << TFormatsDate{0, 0, -1};
    }
    void decoderFormats()
    {
        QFETCH(int, valeur);
        QFETCH(TFormatsDate, formats);
        QCOMPARE(DecoderFormats(valeur), formats);
        if (formats[0] >= 0 && formats[1] >= 0 && formats[2] >= 0)
            QCOMPARE(CoderFormats(formats), valeur);
    }

    void composerDate_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("separateur");
        QTest::addColumn<TComposantsDate>("composants");
        QTest::addColumn<TFormatsDate>("formats");
        QTest::addColumn<QString>("attendu");
        const TComposantsDate tous{true, true, true};
        const TFormatsDate aaMmJj{0, 2, 5};
        QTest::newRow("dash") << u"07/12/2026"_s << u"-"_s << tous << aaMmJj << u"26-12-07"_s;
        QTest::newRow("no year") << u"07/12/2026"_s << u"_"_s
                                 << TComposantsDate{false, true, true} << aaMmJj << u"12_07"_s;
        QTest::newRow("folder separator") << u"07/12/2026"_s << u"/"_s << tous << aaMmJj
                                          << u"26/12/07"_s;
        QTest::newRow("four-digit year") << u"07/12/2026"_s << QString() << tous
                                         << TFormatsDate{1, 2, 5} << u"20261207"_s;
        QTest::newRow("empty text") << QString() << u"-"_s << tous << aaMmJj << QString();
        QTest::newRow("31 February") << u"31/02/2026"_s << u"-"_s << tous << aaMmJj << QString();
        QTest::newRow("blanks") << u"  /  /    "_s << u"-"_s << tous << aaMmJj << QString();
        QTest::newRow("year 0000") << u"01/01/0000"_s << u"-"_s << tous << aaMmJj << QString();
        QTest::newRow("only third") << u"07/12/2026"_s << u"-"_s
                                    << TComposantsDate{false, false, true} << aaMmJj << u"07"_s;
        QTest::newRow("first and third") << u"07/12/2026"_s << u","_s
                                         << TComposantsDate{true, false, true}
                                         << TFormatsDate{1, 2, 5} << u"2026,07"_s;
        QTest::newRow("names") << u"07/12/2026"_s << u" "_s << tous << TFormatsDate{7, 4, 1}
                               << u"lundi décembre 2026"_s;
        QTest::newRow("year 2000 short") << u"29/02/2000"_s << QString() << tous << aaMmJj
                                         << u"000229"_s;
        QTest::newRow("bad format") << u"07/12/2026"_s << u"-"_s << tous
                                    << TFormatsDate{1, -1, 5} << u"2026-07"_s;
    }
    void composerDate()
    {
        QFETCH(QString, date);
        QFETCH(QString, separateur);
        QFETCH(TComposantsDate, composants);
        QFETCH(TFormatsDate, formats);
        QFETCH(QString, attendu);
        QCOMPARE(ComposerDate(date, separateur, composants, formats), attendu);
    }

    void composerDateOptions()
    {
        TEnrOptions o; // default: 7 and 25, year month day in two digits each
        QCOMPARE(ComposerDate(u"07/12/2026"_s, QString(), o), u"261207"_s);
        o.nCFDatePDVC = 5;
        o.nCFDatePDVF = 125;
        QCOMPARE(ComposerDate(u"21/05/2006"_s, u"-"_s, o), u"2006-21"_s);
    }

    void nomsSelonLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("noms"); // short/long month, short/long weekday
        QTest::newRow("C: built-in French")
            << QLocale::c() << QStringList{u"Aoû"_s, u"Août"_s, u"Dim"_s, u"Dimanche"_s};
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates)
                                 << QStringList{u"Aug"_s, u"August"_s, u"Sun"_s, u"Sunday"_s};
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany)
                                << QStringList{u"Aug."_s, u"August"_s, u"So."_s, u"Sonntag"_s};
    }
    void nomsSelonLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, noms);
        QLocale::setDefault(locale);
        const QDate dimanche(2026, 8, 2);
        QCOMPARE(FormaterComposantDate(dimanche, 3), noms[0]);
        QCOMPARE(FormaterComposantDate(dimanche, 4), noms[1]);
        QCOMPARE(FormaterComposantDate(dimanche, 6), noms[2]);
        QCOMPARE(FormaterComposantDate(dimanche, 7), noms[3]);
    }

    void nomsIntegres()
    {
        // Every built-in name under the C locale, in order.
        QLocale::setDefault(QLocale::c());
        const QStringList mois{u"Janvier"_s, u"Février"_s, u"Mars"_s, u"Avril"_s,
                               u"Mai"_s, u"Juin"_s, u"Juillet"_s, u"Août"_s,
                               u"Septembre"_s, u"Octobre"_s, u"Novembre"_s, u"Décembre"_s};
        const QStringList jours{u"Lundi"_s, u"Mardi"_s, u"Mercredi"_s, u"Jeudi"_s,
                                u"Vendredi"_s, u"Samedi"_s, u"Dimanche"_s};
        for (int m = 1; m <= 12; ++m)
            QCOMPARE(FormaterComposantDate(QDate(2026, m, 1), 4), mois[m - 1]);
        for (int j = 0; j < 7; ++j) // 7 December 2026 is a Monday
            QCOMPARE(FormaterComposantDate(QDate(2026, 12, 7 + j), 7), jours[j]);
        QCOMPARE(FormaterComposantDate(QDate(2026, 12, 9), 6), u"Mer"_s);
        QCOMPARE(FormaterComposantDate(QDate(2026, 2, 9), 3), u"Fév"_s);
    }

    void normaliser_data()
    {
        QTest::addColumn<QString>("champ");
        QTest::addColumn<int>("stocke");
        QTest::addColumn<int>("attendu");
        QTest::newRow("nSep 7") << u"nSep"_s << 7 << 2;
        QTest::newRow("nSep -1") << u"nSep"_s << -1 << 2;
        QTest::newRow("nSep 4 kept") << u"nSep"_s << 4 << 4;
        QTest::newRow("nSep 0 kept") << u"nSep"_s << 0 << 0;
        QTest::newRow("date sep 5") << u"nDatePDVSep"_s << 5 << 0;
        QTest::newRow("date sep 3 kept") << u"nDatePDVSep"_s << 3 << 3;
        QTest::newRow("components 8") << u"nCFDatePDVC"_s << 8 << 7;
        QTest::newRow("components -1") << u"nCFDatePDVC"_s << -1 << 7;
        QTest::newRow("components 0: the third stays") << u"nCFDatePDVC"_s << 0 << 1;
        QTest::newRow("components 5 kept") << u"nCFDatePDVC"_s << 5 << 5;
        QTest::newRow("format digit 8") << u"nCFDatePDVF"_s << 185 << 25;
        QTest::newRow("format digit 9") << u"nCFDatePDVF"_s << 129 << 25;
        QTest::newRow("format negative") << u"nCFDatePDVF"_s << -25 << 25;
        QTest::newRow("format 778") << u"nCFDatePDVF"_s << 778 << 25;
        QTest::newRow("format 1000") << u"nCFDatePDVF"_s << 1000 << 25;
        QTest::newRow("format 777 kept") << u"nCFDatePDVF"_s << 777 << 777;
        QTest::newRow("format 0 kept") << u"nCFDatePDVF"_s << 0 << 0;
        QTest::newRow("format 125 kept") << u"nCFDatePDVF"_s << 125 << 125;
    }
    void normaliser()
    {
        QFETCH(QString, champ);
        QFETCH(int, stocke);
        QFETCH(int, attendu);
        TEnrOptions o;
        o.lCopier = false;
        o.lLectRecurs = true;
        o.lDatePDVHierCompoSiCopie = false;
        o.cDossSrc = u"/photos/"_s;
        o.cDossDst = u"/tri/"_s;
        o.cOrdreDonEXIF = u"AAAAAA"_s;
        int *champs[] = {&o.nSep, &o.nDatePDVSep, &o.nCFDatePDVC, &o.nCFDatePDVF};
        const QStringList noms{u"nSep"_s, u"nDatePDVSep"_s, u"nCFDatePDVC"_s, u"nCFDatePDVF"_s};
        *champs[noms.indexOf(champ)] = stocke;
        const TEnrOptions n = NormaliserOptions(o);
        const int resultats[] = {n.nSep, n.nDatePDVSep, n.nCFDatePDVC, n.nCFDatePDVF};
        const TEnrOptions defauts;
        const int attendus[] = {defauts.nSep, defauts.nDatePDVSep, defauts.nCFDatePDVC,
                                defauts.nCFDatePDVF};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(resultats[i], noms[i] == champ ? attendu : attendus[i]);
        QCOMPARE(n.cOrdreDonEXIF, u"afvdPi"_s);
        QCOMPARE(n.lCopier, false);
        QCOMPARE(n.lLectRecurs, true);
        QCOMPARE(n.lDatePDVHierCompoSiCopie, false);
        QCOMPARE(n.cDossSrc, u"/photos/"_s);
        QCOMPARE(n.cDossDst, u"/tri/"_s);
    }
};

QTEST_GUILESS_MAIN(TestOptionsNommage)
#include "tst_optionsnommage.moc"
