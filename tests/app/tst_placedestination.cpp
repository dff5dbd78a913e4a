// A copy run through the real main window towards a destination too small for it: the
// question before anything is copied, as the user sees it, and what each answer gives.
#include <cerrno>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "BancTraitement.h"
#include "Fichiers.h"
#include "PetitDisque.h"
#include "app/BoiteMessage.h"
#include "app/Demarrage.h"
#include "app/Main_fm.h"
#include "controls/FolderTreeView.h"
#include "engine/JournalTraitement.h"
#include "metadata/Nombres.h"

using namespace Qt::StringLiterals;

namespace {

// What the user saw of one box, and did with it.
struct TBoiteVue {
    QString texte;            // "caption: text"
    bool question = false;    // question icon
    bool nonParDefaut = false;
    bool ouiNon = false;      // "&Oui" and "&Non"
    bool curseurOccupe = false;
};

} // namespace

class TestPlaceDestination : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { PreparerApplication(); }

    // Five images of 120,000 bytes towards a tmpfs of 300 KB. "Non" by its button or by
    // Return (the default) ends the run with nothing copied and no log; "Oui" copies what
    // fits, and the log says why the rest was not.
    void question_data()
    {
        QTest::addColumn<QString>("geste");
        QTest::addColumn<bool>("oui");
        QTest::newRow("Non") << u"Non"_s << false;
        QTest::newRow("Return") << u"Entrée"_s << false;
        QTest::newRow("Oui") << u"Oui"_s << true;
    }
    void question()
    {
        QFETCH(QString, geste);
        QFETCH(bool, oui);
        TPetitDisque disque;
        if (!disque.Valide())
            QSKIP(qPrintable(disque.Pourquoi()));
        QTemporaryDir programme, photos;
        QVERIFY(programme.isValid() && photos.isValid());
        const QString src = photos.path() + u'/';
        constexpr int kTaille = 120000;
        for (int i = 1; i <= 5; ++i)
            QVERIFY(Photo(src + u"IMG_000%1.JPG"_s.arg(i), kTaille));
        const qint64 libre = QStorageInfo(disque.Chemin()).bytesAvailable();
        const QString journal = programme.filePath(u"Clarvane.erreurs.txt"_s);

        TfmMainClarvane fm(programme.filePath(u"Clarvane.ini"_s));
        fm.OuvrirUrl = [](const QUrl &) { return true; };
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        fm.findChild<TFolderTreeView *>(u"tvSrc"_s)->SetSelectedPath(src);
        fm.findChild<TFolderTreeView *>(u"tvDst"_s)->SetSelectedPath(disque.Chemin());

        QList<TBoiteVue> boites;
        QTimer minuterie;
        connect(&minuterie, &QTimer::timeout, this, [&] {
            auto *b = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!b || !b->isVisible())
                return;
            TBoiteVue vue;
            vue.texte = b->windowTitle() + u": "_s + b->text();
            vue.question = b->icon() == QMessageBox::Question;
            vue.nonParDefaut = b->button(QMessageBox::No) && b->defaultButton() == b->button(QMessageBox::No);
            vue.ouiNon = b->button(QMessageBox::Yes) && b->button(QMessageBox::Yes)->text() == u"&Oui"_s
                && b->button(QMessageBox::No)->text() == u"&Non"_s;
            vue.curseurOccupe = QApplication::overrideCursor() != nullptr;
            boites << vue;
            if (b->windowTitle() != u"Attention"_s)
                b->button(QMessageBox::Ok)->click();
            else if (boites.size() == 1 || oui) // the confirmation, or "Oui" to the question
                b->button(QMessageBox::Yes)->click();
            else if (geste == u"Entrée"_s)
                QTest::keyClick(b, Qt::Key_Return);
            else
                b->button(QMessageBox::No)->click();
        });
        minuterie.start(0);
        QTest::mouseClick(fm.findChild<QPushButton *>(u"btTraiter"_s), Qt::LeftButton);
        minuterie.stop();

        QCOMPARE(boites.size(), oui ? 3 : 2);
        QCOMPARE(boites[0].texte, u"Attention: Traiter les 5 Images (%1) ?"_s.arg(TailleEnTexte(5 * kTaille)));
        const TBoiteVue &question = boites[1];
        QCOMPARE(question.texte, u"Attention: La destination n'a que %1 de libre pour %2 à copier. Continuer ?"_s
                                     .arg(TailleEnTexte(libre), TailleEnTexte(5 * kTaille)));
        QVERIFY(question.question);
        QVERIFY(question.nonParDefaut);
        QVERIFY(question.ouiNon);
        QVERIFY(!question.curseurOccupe);
        QVERIFY(!QApplication::overrideCursor());
        if (!oui) {
            QCOMPARE(Fichiers(disque.Chemin()), QStringList());
            QVERIFY(!QFile::exists(journal));
            return;
        }
        QCOMPARE(Fichiers(disque.Chemin()), (QStringList{u"06/05/21/IMG_0001.JPG"_s, u"06/05/21/IMG_0002.JPG"_s}));
        QVERIFY2(boites[2].texte.startsWith(u"Information: 2 images traitées"_s), qPrintable(boites[2].texte));
        QCOMPARE(LireFichier(journal),
                 u"Impossible de copier %1IMG_0003.JPG vers %2IMG_0003.JPG : %3\r\n"
                 "Traitement interrompu : destination pleine, 2 images non traitées.\r\n"_s
                     .arg(src, disque.Chemin() + u"06/05/21/"_s, MessageSysteme(ENOSPC)).toUtf8());
    }
};

QTEST_MAIN(TestPlaceDestination)
#include "tst_placedestination.moc"
