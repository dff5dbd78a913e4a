// Where windows open and how they are kept inside their screen, and what shows which view
// has the focus.
#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include "Palettes.h"
#include "controls/Fenetres.h"
#include "controls/FolderTreeView.h"
#include "controls/Lisibilite.h"

using namespace Qt::StringLiterals;

class TestFenetres : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ramenerDansZone_data()
    {
        QTest::addColumn<QRect>("souhaite");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QRect>("attendu");
        const QSize petit(100, 80);
        // The zone is 1000 x 700 at (0, 0) or, for a second screen, at (1920, 0).
        QTest::newRow("dedans") << QRect(50, 40, 400, 300) << petit << QRect(50, 40, 400, 300);
        QTest::newRow("à droite") << QRect(900, 40, 400, 300) << petit << QRect(600, 40, 400, 300);
        QTest::newRow("en bas") << QRect(50, 600, 400, 300) << petit << QRect(50, 400, 400, 300);
        QTest::newRow("au-dessus, à gauche") << QRect(-50, -30, 400, 300) << petit << QRect(0, 0, 400, 300);
        QTest::newRow("trop grande") << QRect(-10, 20, 1500, 900) << petit << QRect(0, 0, 1000, 700);
        QTest::newRow("minimum trop grand") << QRect(300, 300, 400, 300) << QSize(1200, 800) << QRect(0, 0, 1200, 800);
        QTest::newRow("autre écran") << QRect(1900 + 1000, 10, 400, 300) << petit << QRect(1920 + 600, 10, 400, 300);
    }
    void ramenerDansZone()
    {
        QFETCH(QRect, souhaite);
        QFETCH(QSize, minimum);
        QFETCH(QRect, attendu);
        const QRect zone(souhaite.x() > 1900 ? 1920 : 0, 0, 1000, 700);
        QCOMPARE(RamenerDansZone(souhaite, zone, minimum), attendu);
    }

    // A window centred on another one, whose frame it is centred on, inside the screen.
    void centreeSurUneAutre()
    {
        QWidget proprietaire;
        proprietaire.setGeometry(60, 50, 500, 400);
        proprietaire.show();
        QVERIFY(QTest::qWaitForWindowExposed(&proprietaire));
        QWidget fenetre(&proprietaire, Qt::Dialog);
        PlacerFenetre(&fenetre, {QSize(200, 100), std::nullopt, &proprietaire});
        fenetre.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
        QTRY_VERIFY((fenetre.geometry().center() - proprietaire.geometry().center()).manhattanLength() <= 3);
        // Larger than the screen: brought to its size, its corner inside.
        QWidget grande(&proprietaire, Qt::Dialog);
        const QRect ecran = proprietaire.screen()->availableGeometry();
        PlacerFenetre(&grande, {ecran.size() * 2, std::nullopt, &proprietaire});
        grande.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grande));
        QTRY_VERIFY(ecran.contains(grande.frameGeometry()));
    }

    // Without the focus, the selection keeps a shade of its own, readable, light or dark;
    // with the focus, a frame in a colour that stands out from the view shows it.
    void focusDesVues_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("clair") << PaletteClaire();
        QTest::newRow("Adwaita sombre") << PaletteAdwaitaSombre();
        QTest::newRow("Breeze sombre") << PaletteBreezeSombre();
    }
    void focusDesVues()
    {
        QFETCH(QPalette, palette);
        QWidget fenetre;
        fenetre.setPalette(palette);
        auto *arbre = new TFolderTreeView(&fenetre);
        auto *autre = new TFolderTreeView(&fenetre);
        arbre->setGeometry(0, 0, 200, 150);
        autre->setGeometry(200, 0, 200, 150);
        fenetre.resize(400, 150);
        fenetre.show();
        fenetre.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fenetre));

        const QPalette p = arbre->palette();
        const QColor inactive = p.color(QPalette::Inactive, QPalette::Highlight);
        QVERIFY(inactive != p.color(QPalette::Active, QPalette::Highlight));
        QVERIFY(inactive != p.color(QPalette::Base));
        QVERIFY(Contraste(p.color(QPalette::Inactive, QPalette::HighlightedText), inactive) >= 3.0);

        autre->setFocus();
        QTRY_VERIFY(autre->hasFocus());
        const QImage sans = arbre->viewport()->grab().toImage();
        arbre->setFocus();
        QTRY_VERIFY(arbre->hasFocus());
        const QImage avec = arbre->viewport()->grab().toImage();
        const QPoint bord(avec.width() / 2, 0);
        QVERIFY(avec.pixelColor(bord) != sans.pixelColor(bord));
        QVERIFY2(Contraste(avec.pixelColor(bord), p.color(QPalette::Base)) >= 3.0, qPrintable(avec.pixelColor(bord).name()));
        for (const QPoint &point : {QPoint(0, avec.height() / 2), QPoint(avec.width() - 1, avec.height() / 2),
                                    QPoint(avec.width() / 2, avec.height() - 1)})
            QCOMPARE(avec.pixelColor(point), avec.pixelColor(bord)); // all round

        // Scrolled, the frame stays at the edges: no line of it is left across the view, on
        // screen (a scroll moves what was painted).
        arbre->setSelectionMode(QAbstractItemView::NoSelection);
        for (int i = 0; i < 200; ++i)
            arbre->addTopLevelItem(new QTreeWidgetItem(QStringList{u"dossier %1"_s.arg(i)}));
        for (int pas = 0; pas < 10; ++pas) {
            arbre->verticalScrollBar()->setValue(arbre->verticalScrollBar()->value() + 3);
            QApplication::processEvents();
        }
        const QImage ecran = fenetre.screen()->grabWindow(fenetre.winId()).toImage();
        const QRect vue(arbre->viewport()->mapTo(&fenetre, QPoint(0, 0)), arbre->viewport()->size());
        for (int y = vue.top() + 3; y < vue.bottom() - 3; ++y) {
            int cadre = 0;
            for (int x = vue.left() + 3; x < vue.right() - 3; ++x)
                cadre += ecran.pixelColor(x, y) == avec.pixelColor(bord);
            QVERIFY2(cadre < vue.width() / 2, qPrintable(u"line at %1"_s.arg(y - vue.top())));
        }
    }
};

QTEST_MAIN(TestFenetres)
#include "tst_fenetres.moc"
