// Tests of TGauge: the setter rules, the range errors, Percent, repainting, and the
// pixels that each kind paints.
#include <climits>

#include <QFile>
#include <QLocale>
#include <QMetaProperty>
#include <QTest>

#include "Palettes.h"
#include "commun/EErreur.h"
#include "controls/Gauges.h"
#include "controls/Lisibilite.h"

using namespace Qt::StringLiterals;

namespace {

// A gauge that counts its paint events.
class TGaugeCompte : public TGauge {
public:
    int peintures = 0;

protected:
    void paintEvent(QPaintEvent *e) override
    {
        ++peintures;
        TGauge::paintEvent(e);
    }
};

const QRgb kNoir = qRgb(0, 0, 0);
const QRgb kBlanc = qRgb(255, 255, 255);

// The gauge as it paints itself; also saved as a PNG into $CLARVANE_CAPTURES when set,
// to be looked at.
QImage Capture(TGauge &jauge)
{
    const QImage image = jauge.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString dossier = qEnvironmentVariable("CLARVANE_CAPTURES");
    if (!dossier.isEmpty()) {
        QString nom = QString::fromLatin1(QTest::currentTestFunction());
        if (QTest::currentDataTag())
            nom += u'-' + QString::fromUtf8(QTest::currentDataTag());
        nom.replace(u' ', u'_').remove(u'%');
        for (int n = 0;; ++n) {
            const QString chemin = u"%1/%2-%3.png"_s.arg(dossier, nom).arg(n);
            if (!QFile::exists(chemin)) {
                image.scaled(image.size() * 3).save(chemin);
                break;
            }
        }
    }
    return image;
}

// The pixels that differ from the picture the bar alone would give: the text.
struct TDiff {
    QRect boite;  // bounding box of the differing pixels
    int gauche = 0;  // differing pixels left of the column limite
    int droite = 0;  // and from it on
};

// attendu(x, y) is the colour of the bar alone at (x, y).
template <typename F>
TDiff Differences(const QImage &image, int limite, F attendu)
{
    TDiff d;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != attendu(x, y)) {
                d.boite |= QRect(x, y, 1, 1);
                (x < limite ? d.gauche : d.droite)++;
            }
    return d;
}

bool NoirEtBlancSeulement(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != kNoir && image.pixel(x, y) != kBlanc)
                return false;
    return true;
}

bool CadreNoir(const QImage &image)
{
    const int w = image.width();
    const int h = image.height();
    for (int x = 0; x < w; ++x)
        if (image.pixel(x, 0) != kNoir || image.pixel(x, h - 1) != kNoir)
            return false;
    for (int y = 0; y < h; ++y)
        if (image.pixel(0, y) != kNoir || image.pixel(w - 1, y) != kNoir)
            return false;
    return true;
}

}  // namespace

class TestGauges : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void defauts()
    {
        TGauge jauge;
        QCOMPARE(jauge.size(), QSize(100, 100));
        QCOMPARE(jauge.MinValue(), 0);
        QCOMPARE(jauge.MaxValue(), 100);
        QCOMPARE(jauge.Progress(), 0);
        QCOMPARE(jauge.Kind(), TGaugeKind::gkHorizontalBar);
        QVERIFY(jauge.ShowText());
        QCOMPARE(jauge.BorderStyle(), TGaugeBorderStyle::bsSingle);
        QCOMPARE(jauge.ForeColor(), QColor(0, 0, 0));
        QCOMPARE(jauge.BackColor(), QColor(255, 255, 255));
        QCOMPARE(jauge.Percent(), 0);
        // The stored properties are reachable by name, as a window description loads them.
        QVERIFY(jauge.setProperty("Kind", u"gkPie"_s));
        QCOMPARE(jauge.Kind(), TGaugeKind::gkPie);
        QVERIFY(!jauge.setProperty("Percent", 12));
    }

    void pourcentage_data()
    {
        QTest::addColumn<int>("mini");
        QTest::addColumn<int>("maxi");
        QTest::addColumn<int>("valeur");
        QTest::addColumn<int>("pourcent");
        QTest::newRow("moitié") << 0 << 100 << 50 << 50;
        QTest::newRow("plage vide") << 0 << 0 << 0 << 0;
        QTest::newRow("plage vide ailleurs") << 7 << 7 << 7 << 0;
        QTest::newRow("tronqué, pas arrondi") << 0 << 3 << 2 << 66;
        QTest::newRow("un sur mille") << 0 << 1000 << 1 << 0;
        QTest::newRow("dernier de dix") << 0 << 9 << 9 << 100;
        QTest::newRow("avant-dernier de dix") << 0 << 9 << 8 << 88;
        QTest::newRow("négatif") << -200 << -100 << -150 << 50;
        QTest::newRow("plage entière sans débordement") << -2147483647 << 2147483647 << 0 << 50;
        QTest::newRow("au bout de la plage entière") << INT_MIN << INT_MAX << INT_MAX << 100;
        QTest::newRow("au-delà du maximum") << 0 << 10 << 50 << 100;
        QTest::newRow("en deçà du minimum") << 10 << 20 << -5 << 0;
    }
    void pourcentage()
    {
        QFETCH(int, mini);
        QFETCH(int, maxi);
        QFETCH(int, valeur);
        QFETCH(int, pourcent);
        TGauge jauge;
        jauge.SetMinValue(INT_MIN);  // widest range first, so that any order is valid
        jauge.SetMaxValue(maxi);
        jauge.SetMinValue(mini);
        jauge.SetProgress(valeur);
        QCOMPARE(jauge.Percent(), pourcent);
        QVERIFY(jauge.Progress() >= mini && jauge.Progress() <= maxi);
    }

    void bornesDeplacentLaValeur()
    {
        TGauge jauge;
        jauge.SetProgress(500);
        QCOMPARE(jauge.Progress(), 100);
        jauge.SetProgress(-3);
        QCOMPARE(jauge.Progress(), 0);

        jauge.SetProgress(40);
        jauge.SetMinValue(60);
        QCOMPARE(jauge.Progress(), 60);
        jauge.SetMaxValue(60);  // equal ends are allowed
        QCOMPARE(jauge.Progress(), 60);
        QCOMPARE(jauge.Percent(), 0);
        jauge.SetMinValue(0);
        QCOMPARE(jauge.Progress(), 60);  // lowering the minimum leaves the value alone
        jauge.SetMaxValue(30);
        QCOMPARE(jauge.Progress(), 30);
    }

    void erreursDePlage_data()
    {
        QTest::addColumn<bool>("surMinimum");
        QTest::addColumn<int>("valeur");
        QTest::addColumn<QString>("message");
        QTest::newRow("minimum au-dessus du maximum")
            << true << 101 << u"La valeur doit être comprise entre -2147483647 et 99"_s;
        QTest::newRow("maximum sous le minimum")
            << false << 9 << u"La valeur doit être comprise entre 11 et 2147483647"_s;
    }
    void erreursDePlage()
    {
        QFETCH(bool, surMinimum);
        QFETCH(int, valeur);
        QFETCH(QString, message);
        TGaugeCompte jauge;
        jauge.SetMinValue(10);
        jauge.SetProgress(55);
        jauge.show();
        QVERIFY(QTest::qWaitForWindowExposed(&jauge));
        jauge.peintures = 0;
        try {
            surMinimum ? jauge.SetMinValue(valeur) : jauge.SetMaxValue(valeur);
            QFAIL("no error raised");
        } catch (const EErreur &e) {
            QCOMPARE(e.Message(), message);
        }
        QCOMPARE(jauge.MinValue(), 10);
        QCOMPARE(jauge.MaxValue(), 100);
        QCOMPARE(jauge.Progress(), 55);
        QCOMPARE(jauge.peintures, 0);
    }

    void chargementDansLeDesordre()
    {
        TGauge jauge;
        jauge.SetChargement(true);
        // A stored range of 200..300 read minimum first: no error while loading.
        jauge.SetMinValue(200);
        jauge.SetMaxValue(300);
        jauge.SetProgress(250);
        jauge.SetChargement(false);
        QCOMPARE(jauge.MinValue(), 200);
        QCOMPARE(jauge.MaxValue(), 300);
        QCOMPARE(jauge.Percent(), 50);
        QVERIFY_THROWS_EXCEPTION(EErreur, jauge.SetMaxValue(100));

        // A load that stops half-way, inverted: read as empty, painted without fault.
        TGauge inversee;
        inversee.SetChargement(true);
        inversee.SetMaxValue(-10);
        inversee.SetChargement(false);
        QCOMPARE(inversee.MaxValue(), -10);
        QCOMPARE(inversee.Percent(), 0);
        for (auto genre : {TGaugeKind::gkHorizontalBar, TGaugeKind::gkVerticalBar, TGaugeKind::gkPie,
                           TGaugeKind::gkNeedle}) {
            inversee.SetKind(genre);
            QVERIFY(!Capture(inversee).isNull());
        }
    }

    // Each setter repaints on a change and does nothing on the same value.
    void repeintSurChangement_data()
    {
        QTest::addColumn<QByteArray>("propriete");
        QTest::addColumn<QVariant>("nouvelle");
        QTest::addColumn<QVariant>("actuelle");
        QTest::newRow("Kind") << "Kind"_ba << QVariant::fromValue(TGaugeKind::gkPie)
                              << QVariant::fromValue(TGaugeKind::gkHorizontalBar);
        QTest::newRow("ShowText") << "ShowText"_ba << QVariant(false) << QVariant(true);
        QTest::newRow("BorderStyle") << "BorderStyle"_ba << QVariant::fromValue(TGaugeBorderStyle::bsNone)
                                     << QVariant::fromValue(TGaugeBorderStyle::bsSingle);
        QTest::newRow("ForeColor") << "ForeColor"_ba << QVariant(QColor(Qt::red)) << QVariant(QColor(Qt::black));
        QTest::newRow("BackColor") << "BackColor"_ba << QVariant(QColor(Qt::blue)) << QVariant(QColor(Qt::white));
        QTest::newRow("MinValue") << "MinValue"_ba << QVariant(5) << QVariant(0);
        QTest::newRow("MaxValue") << "MaxValue"_ba << QVariant(50) << QVariant(100);
        QTest::newRow("Progress") << "Progress"_ba << QVariant(30) << QVariant(0);
    }
    void repeintSurChangement()
    {
        QFETCH(QByteArray, propriete);
        QFETCH(QVariant, nouvelle);
        QFETCH(QVariant, actuelle);
        TGaugeCompte jauge;
        jauge.show();
        QVERIFY(QTest::qWaitForWindowExposed(&jauge));
        jauge.peintures = 0;
        QVERIFY(jauge.setProperty(propriete.constData(), actuelle));
        QCOMPARE(jauge.peintures, 0);
        QVERIFY(jauge.setProperty(propriete.constData(), nouvelle));
        QCOMPARE(jauge.property(propriete.constData()), nouvelle);
        QCOMPARE(jauge.peintures, 1);  // at once, not at the next turn of the event loop
        QVERIFY(jauge.setProperty(propriete.constData(), nouvelle));
        QCOMPARE(jauge.peintures, 1);
    }

    void progressionRepeintSurPourcentSeulement()
    {
        TGaugeCompte jauge;
        jauge.SetMaxValue(1000);
        jauge.show();
        QVERIFY(QTest::qWaitForWindowExposed(&jauge));
        jauge.peintures = 0;
        jauge.SetProgress(1);  // 0.1 %: still 0
        QCOMPARE(jauge.Progress(), 1);
        QCOMPARE(jauge.peintures, 0);
        jauge.SetProgress(10);
        QCOMPARE(jauge.peintures, 1);
        // A whole run of single steps repaints once per whole percentage.
        for (int i = 11; i <= 1000; ++i)
            jauge.SetProgress(i);
        QCOMPARE(jauge.peintures, 100);
        jauge.SetProgress(5000);  // clamped to the value it has: nothing
        QCOMPARE(jauge.peintures, 100);
    }

    // The defaults at 50 %: black frame, black left part, white right part, and the text
    // inverting both.
    void barreMoitie()
    {
        TGauge jauge;
        jauge.resize(300, 48);
        jauge.SetProgress(50);
        const QImage image = Capture(jauge);
        QVERIFY(CadreNoir(image));
        QVERIFY(NoirEtBlancSeulement(image));
        // The bar ends at column trunc((300 - 1) * 0.5) = 149, that column excluded.
        const int fin = 149;
        const TDiff texte = Differences(image, fin, [&](int x, int y) {
            if (x == 0 || y == 0 || x == 299 || y == 47)
                return kNoir;
            return x < fin ? kNoir : kBlanc;
        });
        // "50%" straddles the end of the bar: white on the black part, black on the white.
        QVERIFY(texte.gauche > 0);
        QVERIFY(texte.droite > 0);
        QVERIFY(QRect(1, 1, 298, 46).contains(texte.boite));
        QVERIFY(qAbs(texte.boite.center().x() - 150) <= 3);
        QVERIFY(qAbs(texte.boite.center().y() - 24) <= 4);
        // Inside the text's box, on the black side, some pixels are white: pure inversion.
        QCOMPARE(image.pixel(5, 24), kNoir);
        QCOMPARE(image.pixel(294, 24), kBlanc);
    }

    void barreSansTexte_data()
    {
        QTest::addColumn<int>("valeur");
        QTest::addColumn<int>("mini");
        QTest::addColumn<int>("maxi");
        QTest::addColumn<int>("fin");  // first column not black, inside the frame
        QTest::newRow("0 %") << 0 << 0 << 100 << 1;
        QTest::newRow("50 %") << 50 << 0 << 100 << 49;
        QTest::newRow("100 %") << 100 << 0 << 100 << 99;
        QTest::newRow("minimum égal au maximum") << 3 << 3 << 3 << 1;
    }
    void barreSansTexte()
    {
        QFETCH(int, valeur);
        QFETCH(int, mini);
        QFETCH(int, maxi);
        QFETCH(int, fin);
        TGauge jauge;
        jauge.resize(100, 20);
        jauge.SetShowText(false);
        jauge.SetMinValue(mini);
        jauge.SetMaxValue(maxi);
        jauge.SetProgress(valeur);
        const QImage image = Capture(jauge);
        QVERIFY(CadreNoir(image));
        for (int y = 1; y < 19; ++y)
            for (int x = 1; x < 99; ++x)
                QCOMPARE(image.pixel(x, y), x < fin ? kNoir : kBlanc);
    }

    // The text alone at both ends: black over the empty bar, white over the full one.
    void barreExtremesAvecTexte_data()
    {
        QTest::addColumn<int>("valeur");
        QTest::addColumn<int>("maxi");
        QTest::addColumn<QRgb>("fond");
        QTest::newRow("0 %") << 0 << 100 << kBlanc;
        QTest::newRow("100 %") << 100 << 100 << kNoir;
        QTest::newRow("plage vide lit 0 %") << 0 << 0 << kBlanc;
    }
    void barreExtremesAvecTexte()
    {
        QFETCH(int, valeur);
        QFETCH(int, maxi);
        QFETCH(QRgb, fond);
        TGauge jauge;
        jauge.resize(200, 30);
        jauge.SetMaxValue(maxi);
        jauge.SetProgress(valeur);
        const QImage image = Capture(jauge);
        QVERIFY(CadreNoir(image));
        QVERIFY(NoirEtBlancSeulement(image));
        const TDiff texte = Differences(image, 200, [&](int x, int y) {
            return x == 0 || y == 0 || x == 199 || y == 29 ? kNoir : fond;
        });
        QVERIFY(texte.gauche > 0);
        QVERIFY(QRect(1, 1, 198, 28).contains(texte.boite));
    }

    // Exclusive-or with other colours: white text over red reads cyan, over blue yellow.
    void texteInverseLesCouleurs()
    {
        TGauge jauge;
        jauge.resize(200, 30);
        jauge.SetForeColor(QColor(255, 0, 0));
        jauge.SetBackColor(QColor(0, 0, 255));
        jauge.SetProgress(50);
        const QImage image = Capture(jauge);
        QSet<QRgb> couleurs;
        for (int y = 1; y < 29; ++y)
            for (int x = 1; x < 199; ++x)
                couleurs.insert(image.pixel(x, y));
        QCOMPARE(couleurs, (QSet<QRgb>{qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 0)}));
    }

    void sansCadre()
    {
        TGauge jauge;
        jauge.resize(100, 20);
        jauge.SetShowText(false);
        jauge.SetBorderStyle(TGaugeBorderStyle::bsNone);
        jauge.SetProgress(50);
        const QImage image = Capture(jauge);
        // Width 100 + 1 at 50 %: the bar covers columns 0 to 49, every row.
        for (int y = 0; y < 20; ++y) {
            QCOMPARE(image.pixel(0, y), kNoir);
            QCOMPARE(image.pixel(49, y), kNoir);
            QCOMPARE(image.pixel(50, y), kBlanc);
            QCOMPARE(image.pixel(99, y), kBlanc);
        }
    }

    void barreVerticale_data()
    {
        QTest::addColumn<int>("valeur");
        QTest::addColumn<int>("debut");  // first black row inside the frame
        QTest::newRow("0 %") << 0 << 99;
        QTest::newRow("25 %") << 25 << 75;
        QTest::newRow("100 %") << 100 << 1;
    }
    void barreVerticale()
    {
        QFETCH(int, valeur);
        QFETCH(int, debut);
        TGauge jauge;
        jauge.SetKind(TGaugeKind::gkVerticalBar);
        jauge.SetShowText(false);
        jauge.SetProgress(valeur);
        const QImage image = Capture(jauge);
        QVERIFY(CadreNoir(image));
        for (int y = 1; y < 99; ++y)
            for (int x = 1; x < 99; ++x)
                QCOMPARE(image.pixel(x, y), y < debut ? kBlanc : kNoir);
    }

    void camembert_data()
    {
        QTest::addColumn<int>("valeur");
        QTest::addColumn<QList<bool>>("quartsPleins");  // upper right, upper left, lower left, lower right
        QTest::newRow("0 %") << 0 << QList<bool>{false, false, false, false};
        QTest::newRow("25 %") << 25 << QList<bool>{true, false, false, false};
        QTest::newRow("75 %") << 75 << QList<bool>{true, false, true, true};
        QTest::newRow("100 %") << 100 << QList<bool>{true, true, true, true};
    }
    void camembert()
    {
        QFETCH(int, valeur);
        QFETCH(QList<bool>, quartsPleins);
        TGauge jauge;
        jauge.SetKind(TGaugeKind::gkPie);
        jauge.SetShowText(false);
        jauge.SetForeColor(QColor(200, 0, 0));
        jauge.SetBackColor(QColor(0, 0, 200));
        jauge.SetProgress(valeur);
        const QImage image = Capture(jauge);
        const QRgb fore = qRgb(200, 0, 0);
        const QRgb back = qRgb(0, 0, 200);
        const QList<QPoint> centres{{68, 32}, {32, 32}, {32, 68}, {68, 68}};
        for (int q = 0; q < 4; ++q)
            QCOMPARE(image.pixel(centres[q]), quartsPleins[q] ? fore : back);
        // Outside the disc: the control's own background; on its rim: the outline.
        QCOMPARE(image.pixel(4, 4), jauge.palette().color(jauge.backgroundRole()).rgb());
        QCOMPARE(image.pixel(1, 50), fore);
        QCOMPARE(image.pixel(0, 0), kNoir);
    }

    void aiguille()
    {
        TGauge jauge;
        jauge.SetKind(TGaugeKind::gkNeedle);
        jauge.SetShowText(false);
        jauge.SetForeColor(QColor(200, 0, 0));
        jauge.SetBackColor(QColor(0, 0, 200));
        const QRgb fore = qRgb(200, 0, 0);
        const QRgb back = qRgb(0, 0, 200);
        QCOMPARE(Capture(jauge).pixel(50, 40), back);  // 0 %: no needle, the dial's face
        jauge.SetProgress(50);
        const QImage moitie = Capture(jauge);
        QCOMPARE(moitie.pixel(50, 40), fore);  // straight up
        QCOMPARE(moitie.pixel(30, 60), back);
        jauge.SetProgress(100);
        const QImage plein = Capture(jauge);
        QCOMPARE(plein.pixel(50, 40), back);
        QCOMPARE(plein.pixel(80, 98), fore);  // lying to the right on the base
        QCOMPARE(plein.pixel(4, 4), jauge.palette().color(jauge.backgroundRole()).rgb());
    }

    void genreTexte()
    {
        TGauge jauge;
        jauge.resize(120, 30);
        jauge.SetKind(TGaugeKind::gkText);
        jauge.SetProgress(80);
        const QImage image = Capture(jauge);
        QVERIFY(CadreNoir(image));
        const TDiff texte = Differences(image, 120, [&](int x, int y) {
            return x == 0 || y == 0 || x == 119 || y == 29 ? kNoir : kBlanc;
        });
        QVERIFY(texte.gauche > 0);  // "80%" in black on the plain field
        QVERIFY(qAbs(texte.boite.center().x() - 60) <= 3);
    }

    void taillesDegenerees()
    {
        TGauge jauge;
        jauge.SetProgress(70);
        for (const QSize taille : {QSize(1, 1), QSize(2, 2), QSize(3, 40), QSize(40, 3)})
            for (auto genre : {TGaugeKind::gkText, TGaugeKind::gkHorizontalBar, TGaugeKind::gkVerticalBar,
                               TGaugeKind::gkPie, TGaugeKind::gkNeedle}) {
                jauge.resize(taille);
                jauge.SetKind(genre);
                QCOMPARE(Capture(jauge).size(), taille);
            }
    }

    // In the palette's colours (a dark desktop): the bar in the selection's colour, the
    // rest in the view's, the percentage readable on both parts.
    void couleursPalette_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("Adwaita sombre") << PaletteAdwaitaSombre();
        QTest::newRow("Breeze sombre") << PaletteBreezeSombre();
    }
    void couleursPalette()
    {
        QFETCH(QPalette, palette);
        TGauge jauge;
        jauge.setPalette(palette);
        jauge.resize(200, 30);
        jauge.SetCouleursPalette(true);
        jauge.SetProgress(50);
        const QImage image = Capture(jauge);
        const QColor fond = palette.color(QPalette::Base);
        const QColor barre = image.pixelColor(3, 3);
        QCOMPARE(image.pixelColor(196, 3), fond);
        QVERIFY(Contraste(barre, fond) >= 1.5);
        QVERIFY(Contraste(image.pixelColor(0, 0), fond) > 1.0); // the frame
        // The text's pixels: those of neither colour, on each side of the bar's end.
        double surBarre = 1, surFond = 1;
        for (int y = 1; y < 29; ++y)
            for (int x = 1; x < 199; ++x) {
                const QColor c = image.pixelColor(x, y);
                if (x < 100 && c != barre)
                    surBarre = std::max(surBarre, Contraste(c, barre));
                if (x >= 100 && c != fond)
                    surFond = std::max(surFond, Contraste(c, fond));
            }
        QVERIFY2(surBarre >= 4.5, qPrintable(QString::number(surBarre)));
        QVERIFY2(surFond >= 4.5, qPrintable(QString::number(surFond)));
        // Off again: black on white, the frame black.
        jauge.SetCouleursPalette(false);
        QVERIFY(NoirEtBlancSeulement(Capture(jauge)));
    }
};

QTEST_MAIN(TestGauges)
#include "tst_gauges.moc"
