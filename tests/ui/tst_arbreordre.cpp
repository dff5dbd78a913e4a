// The order tree driven by mouse and keyboard: a click on a box and Space toggle the same
// way (the last present field stays), the arrows' moves and Ctrl+Up / Ctrl+Down agree;
// assistive tools read each field's presence as it stands.
#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

#include "engine/OptionsNommage.h"
#include "ui/ArbreOrdre.h"

using namespace Qt::StringLiterals;

class TestArbreOrdre : public QObject {
    Q_OBJECT

    enum Geste { Clic, Espace };

    // What an assistive tool reads of each node: its caption, and checked when present.
    static void CommeLitLAssistance(TArbreOrdre &arbre)
    {
        QAccessibleTableInterface *table = QAccessible::queryAccessibleInterface(&arbre)->tableInterface();
        const QList<QTreeWidgetItem *> noeuds = arbre.Noeuds();
        for (int i = 0; i < noeuds.size(); ++i) {
            QAccessibleInterface *cellule = table->cellAt(i, 0);
            QVERIFY(cellule && cellule->state().checkable);
            QCOMPARE(cellule->text(QAccessible::Name), noeuds[i]->text(0));
            QCOMPARE(bool(cellule->state().checked), TArbreOrdre::Present(noeuds[i]));
        }
    }

    static void Basculer(TArbreOrdre &arbre, int champ, Geste geste)
    {
        QTreeWidgetItem *noeud = arbre.Noeud(champ);
        QVERIFY(noeud);
        if (geste == Clic) {
            QTest::mouseClick(arbre.viewport(), Qt::LeftButton, {}, arbre.RectangleEtat(noeud).center());
        } else {
            arbre.setCurrentItem(noeud);
            QTest::keyClick(&arbre, Qt::Key_Space);
        }
    }

private Q_SLOTS:
    void basculer_data()
    {
        QTest::addColumn<int>("geste");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("champ");
        QTest::addColumn<QString>("attendu");
        for (const auto &[geste, nom] : {std::pair{Clic, "click"}, std::pair{Espace, "space"}}) {
            const auto ligne = [&](const char *cas, const QString &code, int champ, const QString &attendu) {
                QTest::addRow("%s: %s", nom, cas) << int(geste) << code << champ << attendu;
            };
            ligne("absent becomes present", u"afvdPi"_s, kIndexFocale, u"aFvdPi"_s);
            ligne("present becomes absent", u"aFvdPi"_s, kIndexDate, u"aFvdpi"_s);
            ligne("last present field stays", u"afvdPi"_s, kIndexDate, u"afvdPi"_s);
            ligne("moved field found by field", u"IPDVFA"_s, kIndexAppareil, u"IPDVFa"_s);
        }
    }
    void basculer()
    {
        QFETCH(int, geste);
        QFETCH(QString, code);
        QFETCH(int, champ);
        QFETCH(QString, attendu);
        TArbreOrdre arbre;
        arbre.resize(273, 105);
        arbre.show();
        QVERIFY(QTest::qWaitForWindowExposed(&arbre));
        arbre.SetCode(code);
        QSignalSpy presences(&arbre, &TArbreOrdre::PresenceChangee);
        Basculer(arbre, champ, Geste(geste));
        QCOMPARE(arbre.Code(), attendu);
        CommeLitLAssistance(arbre);
        // A refused toggle tells nobody; an accepted one tells the field and its presence.
        QCOMPARE(presences.size(), attendu == code ? 0 : 1);
        if (!presences.isEmpty()) {
            QCOMPARE(presences[0][0].toInt(), champ);
            QCOMPARE(presences[0][1].toBool(), attendu.contains(LettresReference()[champ]));
        }
        QCOMPARE(arbre.NbPresents(), int(std::count_if(attendu.begin(), attendu.end(),
                                                       [](QChar c) { return c.isUpper(); })));
    }

    void espaceSansModificateur()
    {
        // Shift+Space, Ctrl+Space: no toggle.
        TArbreOrdre arbre;
        arbre.SetCode(u"afvdPi"_s);
        arbre.setCurrentItem(arbre.Noeud(kIndexFocale));
        QTest::keyClick(&arbre, Qt::Key_Space, Qt::ShiftModifier);
        QTest::keyClick(&arbre, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(arbre.Code(), u"afvdPi"_s);
    }

    void deplacer_data()
    {
        QTest::addColumn<bool>("clavier");
        QTest::newRow("arrows") << false;
        QTest::newRow("Ctrl+Up / Ctrl+Down") << true;
    }
    void deplacer()
    {
        QFETCH(bool, clavier);
        TArbreOrdre arbre;
        arbre.SetCode(u"afvdPi"_s);
        arbre.setCurrentItem(arbre.Noeud(kIndexISO));
        const auto monter = [&](int sens) {
            if (clavier)
                QTest::keyClick(&arbre, sens < 0 ? Qt::Key_Up : Qt::Key_Down, Qt::ControlModifier);
            else
                arbre.Deplacer(sens);
        };
        // ISO at the bottom: down is refused, up climbs one place at a time.
        QVERIFY(!arbre.PeutDeplacer(1));
        monter(1);
        QCOMPARE(arbre.Code(), u"afvdPi"_s);
        for (const QString &attendu : {u"afvdiP"_s, u"afvidP"_s, u"afivdP"_s, u"aifvdP"_s, u"iafvdP"_s}) {
            monter(-1);
            QCOMPARE(arbre.Code(), attendu);
            QCOMPARE(TArbreOrdre::Champ(arbre.currentItem()), kIndexISO);
            CommeLitLAssistance(arbre); // the presence travels with its field
        }
        // At the top: up is refused, the current node stays.
        QVERIFY(!arbre.PeutDeplacer(-1));
        monter(-1);
        QCOMPARE(arbre.Code(), u"iafvdP"_s);
        QCOMPARE(arbre.currentItem(), arbre.topLevelItem(0));
        monter(1);
        QCOMPARE(arbre.Code(), u"aifvdP"_s);
        // A plain Up only moves the current node, never a field.
        QTest::keyClick(&arbre, Qt::Key_Up);
        QCOMPARE(arbre.Code(), u"aifvdP"_s);
        QCOMPARE(arbre.currentItem(), arbre.topLevelItem(0));
    }
};

QTEST_MAIN(TestArbreOrdre)
#include "tst_arbreordre.moc"
