// The folder-name dialog: OK only for a text that is not blank, Enter and Escape.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "Polices.h"
#include "ui/SaisieChaine_fm.h"

using namespace Qt::StringLiterals;

class TestSaisieChaine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void etatInitial()
    {
        TfmSaisieChaine fm;
        fm.setWindowTitle(u"Saisie"_s);
        fm.DefinirInvite(u"Nom du dossier à créer"_s);
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        QCOMPARE(fm.size(), QSize(264, 93));
        QVERIFY(fm.edSaisie->text().isEmpty());
        QVERIFY(!fm.btOK->isEnabled());
        QVERIFY(fm.btAnnuler->isEnabled());
        QTRY_VERIFY(fm.edSaisie->hasFocus());
        QCOMPARE(fm.edSaisie->geometry(), QRect(8, 24, 249, 21));
        QCOMPARE(fm.btOK->mapTo(&fm, QPoint(0, 0)), QPoint(104, 60));
        QCOMPARE(fm.btAnnuler->mapTo(&fm, QPoint(0, 0)), QPoint(184, 60));
        // The prompt is not cut.
        QVERIFY(fm.stLabel->width() >= fm.stLabel->fontMetrics().horizontalAdvance(fm.stLabel->text()));
        QVERIFY(!(fm.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(fm.windowFlags() & Qt::WindowMinimizeButtonHint));
    }

    // Centred on the window that asks, inside the screen; with a larger font, larger, the
    // prompt and the buttons' captions whole, and still of a fixed size.
    void centreeEtALaPolice_data()
    {
        QTest::addColumn<int>("points"); // 0: the program's own font
        QTest::newRow("police du programme") << 0;
        QTest::newRow("16 points") << 16;
    }
    void centreeEtALaPolice()
    {
        QFETCH(int, points);
        const TPoliceApplication police(points);
        {
            QWidget proprietaire;
            proprietaire.setGeometry(50, 60, 800, 500);
            proprietaire.show();
            QVERIFY(QTest::qWaitForWindowExposed(&proprietaire));
            TfmSaisieChaine fm(&proprietaire);
            fm.DefinirInvite(u"Nom du dossier à créer"_s);
            fm.show();
            QVERIFY(QTest::qWaitForWindowExposed(&fm));
            QTRY_VERIFY((fm.geometry().center() - proprietaire.geometry().center()).manhattanLength() <= 3);
            QCOMPARE(fm.minimumSize(), fm.maximumSize());
            QVERIFY(fm.stLabel->width() >= fm.stLabel->fontMetrics().horizontalAdvance(fm.stLabel->text()));
            QVERIFY(fm.stLabel->height() >= fm.stLabel->fontMetrics().height());
            for (QPushButton *b : {fm.btOK, fm.btAnnuler})
                QVERIFY(b->width() >= b->fontMetrics().horizontalAdvance(b->text()) + b->iconSize().width());
            QVERIFY(fm.btAnnuler->mapTo(&fm, QPoint(fm.btAnnuler->width(), 0)).x() <= fm.width());
            if (points)
                QVERIFY(fm.width() > 264 && fm.height() > 93);
        }
    }

    // What the text does to OK, and what Enter then does.
    void okSelonTexte_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("ok");
        QTest::newRow("vide") << QString() << false;
        QTest::newRow("espaces") << u"   "_s << false;
        QTest::newRow("tabulation") << u" \t "_s << false;
        QTest::newRow("contrôle") << u"\u0001\u001f"_s << false;
        QTest::newRow("une lettre") << u"a"_s << true;
        QTest::newRow("blancs autour") << u"  Vacances  "_s << true;
    }
    void okSelonTexte()
    {
        QFETCH(QString, texte);
        QFETCH(bool, ok);
        TfmSaisieChaine fm;
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        fm.edSaisie->setText(texte);
        QCOMPARE(fm.btOK->isEnabled(), ok);
        QSignalSpy fini(&fm, &QDialog::finished);
        QTest::keyClick(fm.edSaisie, Qt::Key_Return);
        if (ok) {
            QCOMPARE(fini.count(), 1);
            QCOMPARE(fm.result(), int(QDialog::Accepted));
            QCOMPARE(fm.Texte(), texte); // as typed: the caller trims it
        } else {
            QCOMPARE(fini.count(), 0);
            QVERIFY(fm.isVisible());
        }
    }

    void frappeEtEffacement()
    {
        TfmSaisieChaine fm;
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        QTest::keyClick(fm.edSaisie, Qt::Key_X);
        QVERIFY(fm.btOK->isEnabled());
        QTest::keyClick(fm.edSaisie, Qt::Key_Backspace);
        QVERIFY(!fm.btOK->isEnabled());
        QTest::keyClicks(fm.edSaisie, u"  "_s);
        QVERIFY(!fm.btOK->isEnabled());
    }

    void echapAnnule()
    {
        TfmSaisieChaine fm;
        fm.edSaisie->setText(u"nom"_s);
        QTimer::singleShot(0, &fm, [&fm] { QTest::keyClick(fm.edSaisie, Qt::Key_Escape); });
        QCOMPARE(fm.exec(), int(QDialog::Rejected));
    }

    void boutons_data()
    {
        QTest::addColumn<bool>("surOK");
        QTest::newRow("OK") << true;
        QTest::newRow("Annuler") << false;
    }
    void boutons()
    {
        QFETCH(bool, surOK);
        TfmSaisieChaine fm;
        fm.edSaisie->setText(u"nom"_s);
        QTimer::singleShot(0, &fm, [&] { QTest::mouseClick(surOK ? fm.btOK : fm.btAnnuler, Qt::LeftButton); });
        QCOMPARE(fm.exec(), int(surOK ? QDialog::Accepted : QDialog::Rejected));
    }

    // Enter goes to OK even while the focus is on Annuler.
    void entreeSurAnnuler()
    {
        TfmSaisieChaine fm;
        fm.edSaisie->setText(u"nom"_s);
        QTimer::singleShot(0, &fm, [&] {
            fm.btAnnuler->setFocus();
            QTest::keyClick(fm.btAnnuler, Qt::Key_Return);
        });
        QCOMPARE(fm.exec(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestSaisieChaine)
#include "tst_saisiechaine.moc"
