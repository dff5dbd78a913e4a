// Tests of TGaugeWindow: its published properties, Open/Show/Hide, the unclamped counter,
// the event pumping, the pop-up's window settings and its destruction.
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLocale>
#include <QMetaProperty>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "Polices.h"
#include "Palettes.h"
#include "commun/EErreur.h"
#include "controls/GaugeWindow.h"
#include "controls/Gauges.h"

using namespace Qt::StringLiterals;

namespace {

// Counts the posted events it receives: whether pending events were processed.
class TRecepteur : public QObject {
public:
    static inline const QEvent::Type kType = static_cast<QEvent::Type>(QEvent::registerEventType());
    int recus = 0;

    void Poster() { QCoreApplication::postEvent(this, new QEvent(kType)); }

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == kType) {
            ++recus;
            return true;
        }
        return QObject::event(e);
    }
};

}  // namespace

class TestGaugeWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        // The offscreen platform says at every show that it cannot raise a window.
        static QtMessageHandler suivant = nullptr;
        suivant = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &contexte, const QString &texte) {
            if (!texte.startsWith(u"This plugin does not support"_s))
                suivant(type, contexte, texte);
        });
    }

    void construction()
    {
        QWidget proprietaire;
        TGaugeWindow gw(&proprietaire);
        QVERIFY(gw.Window());
        QVERIFY(!gw.Window()->isVisible());
        QVERIFY(gw.Window()->isWindow());
        QCOMPARE(gw.Gauge()->parentWidget(), gw.Window());

        const Qt::WindowFlags drapeaux = gw.Window()->windowFlags();
        QCOMPARE(drapeaux & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(drapeaux & Qt::WindowStaysOnTopHint);
        QVERIFY(drapeaux & Qt::WindowTitleHint);
        QVERIFY(drapeaux & Qt::CustomizeWindowHint);
        for (auto bouton : {Qt::WindowSystemMenuHint, Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint,
                            Qt::WindowMaximizeButtonHint, Qt::WindowContextHelpButtonHint})
            QVERIFY(!(drapeaux & bouton));

        QCOMPARE(gw.WindowCaption(), QString());
        QCOMPARE(gw.WindowWidth(), 300);
        QCOMPARE(gw.WindowHeight(), 48);
        QCOMPARE(gw.GaugeCurValue(), 0);
        QCOMPARE(gw.GaugeMinValue(), 0);
        QCOMPARE(gw.GaugeMaxValue(), 100);
        // No frame is known before the pop-up is first shown: the outer size is the client size.
        QCOMPARE(gw.Window()->size(), QSize(300, 48));

        const TGauge *jauge = gw.Gauge();
        QCOMPARE(jauge->Kind(), TGaugeKind::gkHorizontalBar);
        QVERIFY(jauge->ShowText());
        QCOMPARE(jauge->BorderStyle(), TGaugeBorderStyle::bsSingle);
        QCOMPARE(jauge->MinValue(), 0);
        QCOMPARE(jauge->MaxValue(), 100);
        QCOMPARE(jauge->Progress(), 0);
    }

    // The published names, in their order, as a window description reads and writes them.
    void proprietesPubliees()
    {
        TGaugeWindow gw(nullptr);
        const QMetaObject *meta = gw.metaObject();
        QStringList noms;
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
            noms << QString::fromLatin1(meta->property(i).name());
        QCOMPARE(noms, (QStringList{u"_WindowCaption"_s, u"_WindowWidth"_s, u"_WindowHeight"_s,
                                    u"_GaugeCurValue"_s, u"_GaugeMinValue"_s, u"_GaugeMaxValue"_s}));
        QVERIFY(gw.setProperty("_WindowCaption", u"Copie"_s));
        QVERIFY(gw.setProperty("_GaugeMaxValue", 10));
        QVERIFY(gw.setProperty("_GaugeCurValue", 5));
        QCOMPARE(gw.Window()->windowTitle(), u"Copie"_s);
        QCOMPARE(gw.Gauge()->Percent(), 50);
        QCOMPARE(gw.property("_GaugeCurValue").toInt(), 5);
    }

    void settersTransmettent()
    {
        TGaugeWindow gw(nullptr);
        gw.SetWindowCaption(u"Phase 2/2 - Traitement en cours"_s);
        QCOMPARE(gw.Window()->windowTitle(), u"Phase 2/2 - Traitement en cours"_s);
        gw.SetWindowWidth(420);
        gw.SetWindowHeight(60);
        QCOMPARE(gw.Window()->size(), QSize(420, 60));
        gw.SetGaugeMinValue(-50);
        gw.SetGaugeMaxValue(50);
        gw.SetGaugeCurValue(25);
        QCOMPARE(gw.Gauge()->MinValue(), -50);
        QCOMPARE(gw.Gauge()->MaxValue(), 50);
        QCOMPARE(gw.Gauge()->Progress(), 25);
        QCOMPARE(gw.Gauge()->Percent(), 75);
        // However low a height is asked for, the percentage text keeps its room.
        gw.SetWindowHeight(2);
        QVERIFY(gw.Window()->height() >= QFontMetrics(gw.Gauge()->font()).height() + 2);
    }

    void compteurNonBorne()
    {
        QWidget proprietaire;
        TGaugeWindow gw(&proprietaire);
        gw.Open(u"Phase 1/2 - Lecture des données EXIF"_s, 0, 9, 0);
        QVERIFY(gw.Window()->isVisible());
        QCOMPARE(gw.Window()->windowTitle(), u"Phase 1/2 - Lecture des données EXIF"_s);
        for (int i = 0; i < 10; ++i)
            gw.SetGaugeCurValue(gw.GaugeCurValue() + 1);
        QCOMPARE(gw.GaugeCurValue(), 10);
        QCOMPARE(gw.Gauge()->Progress(), 9);
        QCOMPARE(gw.Gauge()->Percent(), 100);
        gw.Hide();
        QVERIFY(!gw.Window()->isVisible());
        QCOMPARE(gw.GaugeCurValue(), 10);  // values outlive Hide

        gw.Open(u"Phase 2/2 - Traitement en cours"_s, 0, 4, 0);
        QCOMPARE(gw.GaugeCurValue(), 0);
        QCOMPARE(gw.Gauge()->Progress(), 0);
        QCOMPARE(gw.Gauge()->Percent(), 0);
        QCOMPARE(gw.GaugeMaxValue(), 4);
    }

    void phaseDUneImage()
    {
        TGaugeWindow gw(nullptr);
        gw.Open(u"Phase 1/2 - Lecture des données EXIF"_s, 0, 0, 0);
        QCOMPARE(gw.Gauge()->Percent(), 0);
        gw.SetGaugeCurValue(gw.GaugeCurValue() + 1);
        QCOMPARE(gw.GaugeCurValue(), 1);
        QCOMPARE(gw.Gauge()->Percent(), 0);
    }

    // A new phase starts where it says, even when the counter already holds that value
    // and only the range changed under it.
    void ouvrirRemetLaJaugeAuDepart()
    {
        TGaugeWindow gw(nullptr);
        gw.Open(u"a"_s, 0, 9, 10);
        QCOMPARE(gw.Gauge()->Progress(), 9);
        gw.Open(u"b"_s, 0, 20, 10);
        QCOMPARE(gw.Gauge()->Progress(), 10);
        QCOMPARE(gw.Gauge()->Percent(), 50);
    }

    void ouvrirPlageAuDessus()
    {
        TGaugeWindow gw(nullptr);
        gw.Open(u"x"_s, 200, 300, 250);
        QCOMPARE(gw.Gauge()->MinValue(), 200);
        QCOMPARE(gw.Gauge()->MaxValue(), 300);
        QCOMPARE(gw.Gauge()->Percent(), 50);
        QVERIFY(gw.Window()->isVisible());
        gw.Open(u"y"_s, -10, 10, 0);  // and back below
        QCOMPARE(gw.Gauge()->Percent(), 50);
    }

    void ouvrirPlageInversee_data()
    {
        QTest::addColumn<int>("mini");
        QTest::addColumn<int>("maxi");
        QTest::addColumn<QString>("message");
        QTest::newRow("maximum sous le minimum") << 10 << 5 << u"La valeur doit être comprise entre 11 et 2147483647"_s;
        QTest::newRow("minimum au-dessus de tout") << 500 << 400 << u"La valeur doit être comprise entre -2147483647 et 99"_s;
    }
    void ouvrirPlageInversee()
    {
        QFETCH(int, mini);
        QFETCH(int, maxi);
        QFETCH(QString, message);
        TGaugeWindow gw(nullptr);
        try {
            gw.Open(u"x"_s, mini, maxi, 0);
            QFAIL("no error raised");
        } catch (const EErreur &e) {
            QCOMPARE(e.Message(), message);
        }
        QVERIFY(!gw.Window()->isVisible());
        // The component never claims a range its gauge refused.
        QCOMPARE(gw.GaugeMinValue(), gw.Gauge()->MinValue());
        QCOMPARE(gw.GaugeMaxValue(), gw.Gauge()->MaxValue());
        gw.Open(u"x"_s, 0, 100, 30);  // and it is not stuck
        QCOMPARE(gw.Gauge()->Percent(), 30);
    }

    void pompeSeulementSurChangement()
    {
        TGaugeWindow gw(nullptr);
        TRecepteur recepteur;
        gw.SetGaugeCurValue(3);
        recepteur.Poster();
        gw.SetGaugeCurValue(3);
        QCOMPARE(recepteur.recus, 0);
        gw.SetGaugeCurValue(4);
        QCOMPARE(recepteur.recus, 1);
        // A counter past the end still pumps, although the gauge no longer changes.
        gw.SetGaugeMaxValue(4);
        recepteur.Poster();
        gw.SetGaugeCurValue(5);
        QCOMPARE(recepteur.recus, 2);
        // The other setters do not pump.
        recepteur.Poster();
        gw.SetWindowCaption(u"autre"_s);
        gw.SetGaugeMinValue(1);
        gw.SetGaugeMaxValue(50);
        QCOMPARE(recepteur.recus, 2);
        QCoreApplication::processEvents();
        QCOMPARE(recepteur.recus, 3);
    }

    void masquerRendLaMainAuProprietaire()
    {
        QWidget proprietaire;
        proprietaire.resize(200, 100);
        auto *enfant = new QWidget(&proprietaire);  // the owner need not be the window itself
        TGaugeWindow gw(enfant);
        proprietaire.show();
        QVERIFY(QTest::qWaitForWindowExposed(&proprietaire));
        gw.Open(u"Phase 1/2 - Lecture des données EXIF"_s, 0, 9, 0);
        gw.Window()->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), gw.Window());

        TRecepteur recepteur;
        recepteur.Poster();
        gw.Hide();
        QVERIFY(!gw.Window()->isVisible());
        QCOMPARE(recepteur.recus, 1);
        QTRY_COMPARE(QApplication::activeWindow(), &proprietaire);
    }

    // The close button, the window manager's close key and Escape ask to stop, once each;
    // the pop-up stays up until Hide. Other keys, and Escape held down, ask nothing.
    void fermerOuEchapDemandeLInterruption_data()
    {
        QTest::addColumn<QString>("geste");
        QTest::addColumn<int>("demandes");
        QTest::newRow("bouton de fermeture") << u"fermer"_s << 1;
        QTest::newRow("Échap") << u"echap"_s << 1;
        QTest::newRow("Échap sur la jauge") << u"echap jauge"_s << 1;
        QTest::newRow("Échap répété") << u"echap repete"_s << 0;
        QTest::newRow("Entrée") << u"entree"_s << 0;
    }

    void fermerOuEchapDemandeLInterruption()
    {
        QFETCH(QString, geste);
        QFETCH(int, demandes);
        QWidget proprietaire;
        TGaugeWindow gw(&proprietaire);
        int recues = 0;
        connect(&gw, &TGaugeWindow::InterruptionDemandee, &gw, [&] {
            ++recues;
            QVERIFY(gw.Window()->isVisible()); // asked while the pop-up is still up
        });
        gw.Open(u"Phase 2/2 - Traitement en cours"_s, 0, 9, 3);
        QVERIFY(QTest::qWaitForWindowExposed(gw.Window()));
        if (geste == u"fermer"_s) {
            QVERIFY(!gw.Window()->close());
        } else if (geste == u"echap"_s) {
            QTest::keyClick(gw.Window(), Qt::Key_Escape);
        } else if (geste == u"echap jauge"_s) {
            QTest::keyClick(gw.Gauge(), Qt::Key_Escape); // unhandled there, it reaches the pop-up
        } else if (geste == u"echap repete"_s) {
            QKeyEvent repete(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(gw.Window(), &repete);
        } else {
            QTest::keyClick(gw.Window(), Qt::Key_Return);
        }
        QCOMPARE(recues, demandes);
        QVERIFY(gw.Window()->isVisible());
        QCOMPARE(gw.GaugeCurValue(), 3);
        gw.Hide();
        QVERIFY(!gw.Window()->isVisible());
        QCOMPARE(recues, demandes); // hiding is no request
    }

    void centreSurLEcran()
    {
        TGaugeWindow gw(nullptr);
        gw.Show();
        QVERIFY(QTest::qWaitForWindowExposed(gw.Window()));
        const QRect ecran = QGuiApplication::primaryScreen()->availableGeometry();
        const QPoint ecart = gw.Window()->frameGeometry().center() - ecran.center();
        QVERIFY2(ecart.manhattanLength() <= 2, qPrintable(u"%1, %2"_s.arg(ecart.x()).arg(ecart.y())));
        // Moved away and shown again: centred again.
        gw.Hide();
        gw.Window()->move(ecran.topLeft());
        gw.Show();
        QVERIFY(qAbs(gw.Window()->frameGeometry().center().x() - ecran.center().x()) <= 2);
        gw.Hide();
    }

    // The caption whole in a title bar: wider than asked where the caption needs it (its
    // bold text and room for three title-bar buttons at least), as asked otherwise; the
    // width asked for is kept as it was.
    void legendeEntiere_data()
    {
        QTest::addColumn<QString>("legende");
        QTest::addColumn<int>("points"); // of the application's font; 0: as it is
        QTest::newRow("courte") << u"Abc"_s << 0;
        QTest::newRow("phase 1") << u"Phase 1/2 - Lecture des données EXIF"_s << 0;
        QTest::newRow("phase 2, 16 points") << u"Phase 2/2 - Traitement en cours"_s << 16;
        QTest::newRow("annulation, 12 points") << u"Annulation en cours"_s << 12;
    }
    void legendeEntiere()
    {
        QFETCH(QString, legende);
        QFETCH(int, points);
        const TPoliceApplication police(points);
        {
            TGaugeWindow gw(nullptr);
            gw.Open(legende, 0, 10, 0);
            QVERIFY(QTest::qWaitForWindowExposed(gw.Window()));
            QFont gras = gw.Window()->font();
            gras.setBold(true);
            const QFontMetrics m(gras);
            const int besoin = m.horizontalAdvance(legende) + 3 * m.height();
            QVERIFY2(gw.Window()->width() >= besoin, qPrintable(u"%1 < %2"_s.arg(gw.Window()->width()).arg(besoin)));
            if (besoin + 5 * m.height() < 300)
                QCOMPARE(gw.Window()->frameGeometry().width(), 300);
            QCOMPARE(gw.WindowWidth(), 300);
            gw.Hide();
        }
    }

    // On a dark desktop the bar and its percentage take the palette's colours; on a light
    // one, black on white as ever; and it follows the desktop when it changes.
    void couleursDuBureau()
    {
        const QPalette avant = QApplication::palette();
        QApplication::setPalette(PaletteAdwaitaSombre());
        TGaugeWindow gw(nullptr);
        QVERIFY(gw.Gauge()->CouleursPalette());
        QApplication::setPalette(PaletteClaire());
        QTRY_VERIFY(!gw.Gauge()->CouleursPalette());
        QApplication::setPalette(PaletteBreezeSombre());
        QTRY_VERIFY(gw.Gauge()->CouleursPalette());
        QApplication::setPalette(avant);
    }

    void destruction()
    {
        QWidget proprietaire;
        proprietaire.show();
        QVERIFY(QTest::qWaitForWindowExposed(&proprietaire));
        auto *gw = new TGaugeWindow(&proprietaire);
        QPointer<QWidget> fenetre = gw->Window();
        QPointer<TGauge> jauge = gw->Gauge();
        gw->Open(u"x"_s, 0, 10, 5);
        QVERIFY(fenetre->isVisible());
        delete gw;
        QVERIFY(fenetre.isNull());
        QVERIFY(jauge.isNull());
        QTRY_COMPARE(QApplication::activeWindow(), &proprietaire);

        // Destroyed with its owner, even while shown.
        auto *proprietaire2 = new QWidget;
        auto *gw2 = new TGaugeWindow(proprietaire2);
        QPointer<TGaugeWindow> composant = gw2;
        fenetre = gw2->Window();
        gw2->Open(u"y"_s, 0, 10, 5);
        delete proprietaire2;
        QVERIFY(composant.isNull());
        QVERIFY(fenetre.isNull());
    }

    // The pop-up at 42 %; with CLARVANE_CAPTURES set, the pop-up and the whole screen are
    // saved there as PNG files to be looked at.
    void captureQuaranteDeux()
    {
        QWidget proprietaire;
        proprietaire.setWindowTitle(u"Copie, Renommage selon les données EXIFs"_s);
        proprietaire.resize(640, 480);
        proprietaire.show();
        TGaugeWindow gw(&proprietaire);
        gw.Open(u"Phase 1/2 - Lecture des données EXIF"_s, 0, 100, 42);
        QVERIFY(QTest::qWaitForWindowExposed(gw.Window()));
        QCOMPARE(gw.Gauge()->Percent(), 42);
        QCOMPARE(gw.Gauge()->geometry(), gw.Window()->rect());  // the gauge fills the pop-up
        const QImage image = gw.Window()->grab().toImage();
        QCOMPARE(image.size(), gw.Window()->size() * gw.Window()->devicePixelRatio());
        const QString dossier = qEnvironmentVariable("CLARVANE_CAPTURES");
        if (!dossier.isEmpty()) {
            QTest::qWait(300);  // let a window manager, if any, settle its frame
            QVERIFY(image.save(QDir(dossier).filePath(u"jauge-42.png"_s)));
            const QPixmap ecran = QGuiApplication::primaryScreen()->grabWindow(0);
            QVERIFY(ecran.save(QDir(dossier).filePath(u"ecran-42.png"_s)));
        }
    }
};

QTEST_MAIN(TestGaugeWindow)
#include "tst_gaugewindow.moc"
