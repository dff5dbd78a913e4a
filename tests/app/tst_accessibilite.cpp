// The main window by keyboard and through assistive tools: the Tab chain visits every
// control that can act, once, in reading order, both ways; every control and every tree
// item has a name that says what it is.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "app/Main_fm.h"
#include "controls/FolderTreeView.h"
#include "ui/ArbreOrdre.h"

using namespace Qt::StringLiterals;

namespace {
QString Nom(QObject *objet)
{
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(objet);
    return a ? a->text(QAccessible::Name) : u"(none)"_s;
}
} // namespace

class TestAccessibilite : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dossier;

    std::unique_ptr<TfmMainClarvane> Ouvrir()
    {
        QFile::remove(m_dossier.filePath(u"Clarvane.ini"_s));
        auto fm = std::make_unique<TfmMainClarvane>(m_dossier.filePath(u"Clarvane.ini"_s));
        fm->show();
        fm->activateWindow();
        if (!QTest::qWaitForWindowActive(fm.get()))
            return nullptr;
        return fm;
    }

private Q_SLOTS:
    // From the source tree, Tab then Shift+Tab all the way round: every control that can
    // act now, once each, in reading order (column by column, top to bottom).
    void chaineTab_data()
    {
        QTest::addColumn<bool>("renommage");
        QTest::addColumn<QStringList>("ordre");
        const QStringList debut = {u"tvSrc"_s, u"btLectRecurs"_s, u"btCopier"_s, u"btRenommer"_s, u"tvEXIFOrdre"_s};
        const QStringList date = {u"cbDatePDV1"_s, u"cbDonDatePDV1"_s, u"cbDatePDV2"_s, u"cbDonDatePDV2"_s,
                                  u"cbDatePDV3"_s, u"cbDonDatePDV3"_s};
        // Copy mode, first field current: no "up" arrow, no separators (the date's
        // components are folder levels).
        QTest::newRow("copie") << false
                               << debut + QStringList{u"btEXIFOrdreDescendre"_s} + date
                                      + QStringList{u"cbDatePDVHierCompoSiCopie"_s, u"btApercu"_s, u"btTraiter"_s,
                                                    u"btCreerDossier"_s, u"tvDst"_s, u"btQuitter"_s};
        // Rename mode, a middle field current: both arrows and both separators, no
        // destination.
        QTest::newRow("renommage") << true
                                   << debut + QStringList{u"btEXIFOrdreMonter"_s, u"btEXIFOrdreDescendre"_s} + date
                                          + QStringList{u"cbDatePDVSep"_s, u"cbSep"_s, u"btApercu"_s,
                                                        u"btTraiter"_s, u"btQuitter"_s};
    }
    void chaineTab()
    {
        QFETCH(bool, renommage);
        QFETCH(QStringList, ordre);
        auto fm = Ouvrir();
        QVERIFY(fm);
        if (renommage) {
            fm->findChild<QPushButton *>(u"btRenommer"_s)->click();
            auto *arbre = fm->findChild<TArbreOrdre *>(u"tvEXIFOrdre"_s);
            arbre->setCurrentItem(arbre->Noeuds().at(2));
        }
        for (const bool arriere : {false, true}) {
            fm->findChild<QWidget *>(u"tvSrc"_s)->setFocus();
            QStringList vus = {QApplication::focusWidget()->objectName()};
            for (qsizetype i = 0; i < ordre.size(); ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, arriere ? Qt::ShiftModifier : Qt::NoModifier);
                vus << QApplication::focusWidget()->objectName();
            }
            QStringList attendu = ordre;
            if (arriere)
                std::reverse(attendu.begin() + 1, attendu.end());
            QCOMPARE(vus, attendu + QStringList{u"tvSrc"_s}); // and round to the start
        }
    }

    // What an assistive tool calls each control.
    void noms_data()
    {
        QTest::addColumn<QString>("controle");
        QTest::addColumn<QString>("nom");
        const std::pair<const char *, QString> noms[] = {
            {"tvSrc", u"Dossier source"_s},
            {"tvDst", u"Dossier destination"_s},
            {"tvEXIFOrdre", u"Ordre des données EXIF"_s},
            {"btEXIFOrdreMonter", u"Monter la donnée"_s},
            {"btEXIFOrdreDescendre", u"Descendre la donnée"_s},
            {"cbDatePDV1", u"Composant 1 de la date"_s},
            {"cbDatePDV2", u"Composant 2 de la date"_s},
            {"cbDatePDV3", u"Composant 3 de la date"_s},
            {"cbDonDatePDV1", u"Format du composant 1 de la date"_s},
            {"cbDonDatePDV2", u"Format du composant 2 de la date"_s},
            {"cbDonDatePDV3", u"Format du composant 3 de la date"_s},
            {"cbDatePDVSep", u"Séparateur de la date"_s},
            {"cbSep", u"Séparateur des données"_s},
            {"btLectRecurs", u"lecture récursive"_s},
            {"btCopier", u"Copier"_s},
            {"btRenommer", u"Renommer"_s},
            {"cbDatePDVHierCompoSiCopie", u"Hiérarchiser les composants de la date lors de la copie"_s},
            {"btCreerDossier", u"Créer un dossier..."_s},
            {"btApercu", u"Aperçu"_s},
            {"btTraiter", u"Traiter"_s},
            {"btQuitter", u"Quitter"_s},
            {"gbDatePDV", u"Contenu/format de la Date (prise de vue)"_s},
            {"gbInformation", u"Information"_s},
        };
        for (const auto &[controle, nom] : noms)
            QTest::newRow(controle) << QString::fromLatin1(controle) << nom;
    }
    void noms()
    {
        QFETCH(QString, controle);
        QFETCH(QString, nom);
        auto fm = Ouvrir();
        QVERIFY(fm);
        auto *w = fm->findChild<QWidget *>(controle);
        QVERIFY(w);
        QCOMPARE(Nom(w), nom);
    }

    // No control that takes the focus is nameless, nor shares its name with another.
    void nomsUniques()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        QStringList noms;
        for (QWidget *w : fm->findChildren<QWidget *>())
            if (w->focusPolicy() != Qt::NoFocus && !w->objectName().isEmpty() && !w->objectName().startsWith(u"qt_"_s))
                noms << Nom(w);
        QVERIFY(!noms.contains(QString()));
        QCOMPARE(QSet<QString>(noms.begin(), noms.end()).size(), noms.size());
        QCOMPARE(noms.size(), 21);
    }

    // The trees' items are named by their text; the order tree's also tell their presence,
    // and the folder trees' their folder.
    void elementsDesArbres()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        auto *ordre = fm->findChild<TArbreOrdre *>(u"tvEXIFOrdre"_s);
        QAccessibleInterface *arbre = QAccessible::queryAccessibleInterface(ordre);
        QVERIFY(arbre && arbre->tableInterface());
        const QList<QTreeWidgetItem *> noeuds = ordre->Noeuds();
        QCOMPARE(arbre->tableInterface()->rowCount(), noeuds.size());
        for (int i = 0; i < noeuds.size(); ++i) {
            QAccessibleInterface *cellule = arbre->tableInterface()->cellAt(i, 0);
            QVERIFY(cellule);
            QCOMPARE(cellule->text(QAccessible::Name), noeuds[i]->text(0));
            QCOMPARE(bool(cellule->state().checked), TArbreOrdre::Present(noeuds[i]));
        }
        auto *source = fm->findChild<TFolderTreeView *>(u"tvSrc"_s);
        QAccessibleInterface *dossiers = QAccessible::queryAccessibleInterface(source);
        QAccessibleInterface *premier = dossiers->tableInterface()->cellAt(0, 0);
        QCOMPARE(premier->text(QAccessible::Name), source->topLevelItem(0)->text(0));
        QCOMPARE(premier->text(QAccessible::Description), TFolderTreeView::Info(source->topLevelItem(0))->Path);
    }
};

QTEST_MAIN(TestAccessibilite)
#include "tst_accessibilite.moc"
