// The preview window: its tree, its counts and sizes, the errors tab, the clipboard text;
// its size as it opens, offscreen and on a real display with a window manager.
#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>

#include "Enfant.h"
#include "Polices.h"
#include "ui/Apercu_fm.h"
#include "ui/ElementsFenetre.h"

using namespace Qt::StringLiterals;

namespace {
TEnrFichier Entree(const QString &dossier, const QString &nom, qint64 taille)
{
    return TEnrFichier{dossier, nom, taille, std::nullopt};
}

constexpr qint64 k140Mo = 1468006; // shows as 1,40 Mo; three of them as 4,20 Mo

// Saves a picture of the window when CLARVANE_CAPTURES names a folder (for looking at it).
void Capturer(QWidget &fenetre, const QString &nom)
{
    const QString dossier = qEnvironmentVariable("CLARVANE_CAPTURES");
    if (!dossier.isEmpty())
        fenetre.grab().save(dossier + u'/' + nom + u".png"_s);
}
} // namespace

class TestApercu : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void decouper_data();
    void decouper();
    void apercuDeCopie();
    void renommageRecursif();
    void compagnons();
    void casseDifferente();
    void ongletErreurs();
    void apercuVide();
    void fenetre();
    void fenetreSurUnBureau_data();
    void fenetreSurUnBureau();
    void centreeEtALaPolice_data();
    void centreeEtALaPolice();
    void imagesDesNoeuds();
};

void TestApercu::decouper_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("vide") << QString() << QStringList();
    QTest::newRow("racine seule") << u"/"_s << QStringList{QString()};
    QTest::newRow("relatif") << u"/Canon EOS 300D/2006"_s
                             << QStringList{QString(), u"Canon EOS 300D"_s, u"2006"_s};
    QTest::newRow("sans separateur") << u"abc"_s << QStringList{u"abc"_s};
    QTest::newRow("pieces vides") << u"a//b"_s << QStringList{u"a"_s, QString(), u"b"_s};
    // After each cut the rest loses its blanks at both ends; a piece keeps what stands
    // before the next separator.
    QTest::newRow("blancs") << u" a / b \t/ c "_s << QStringList{u" a "_s, u"b \t"_s, u"c"_s};
    QTest::newRow("fin blanche") << u"a/  "_s << QStringList{u"a"_s};
}

void TestApercu::decouper()
{
    QFETCH(QString, texte);
    QFETCH(QStringList, pieces);
    QCOMPARE(Decouper(texte, u'/'), pieces);
}

void TestApercu::apercuDeCopie()
{
    TfmApercu fm;
    fm.Remplir(true, u"/home/photo/Tri/"_s,
               {Entree(u"/Canon EOS 300D/2006/05/"_s, u"IMG_0001.JPG"_s, k140Mo),
                Entree(u"/Canon EOS 300D/2006/05/"_s, u"IMG_0002.JPG"_s, k140Mo),
                Entree(u"/Canon EOS 300D/2006/06/"_s, u"IMG_0003.JPG"_s, k140Mo)},
               {});
    QCOMPARE(fm.windowTitle(), u"Aperçu de la copie"_s);
    QCOMPARE(fm.TexteCopie(), u"/home/photo/Tri/ : 3 (4,20 Mo)\r\n"
                              "\tCanon EOS 300D : 3 (4,20 Mo)\r\n"
                              "\t\t2006 : 3 (4,20 Mo)\r\n"
                              "\t\t\t05 : 2 (2,80 Mo)\r\n"
                              "\t\t\t\tIMG_0001.JPG (1,40 Mo)\r\n"
                              "\t\t\t\tIMG_0002.JPG (1,40 Mo)\r\n"
                              "\t\t\t06 : 1 (1,40 Mo)\r\n"
                              "\t\t\t\tIMG_0003.JPG (1,40 Mo)\r\n"_s);

    // File nodes carry their size, folder nodes nothing; everything is expanded and the
    // root is selected.
    QTreeWidget *tv = fm.tvApercu;
    QCOMPARE(tv->topLevelItemCount(), 1);
    QTreeWidgetItem *racine = tv->topLevelItem(0);
    QVERIFY(!racine->data(0, TfmApercu::kRoleTaille).isValid());
    QTreeWidgetItem *mai = racine->child(0)->child(0)->child(0);
    QVERIFY(mai->isExpanded() && racine->isExpanded());
    QCOMPARE(mai->child(1)->data(0, TfmApercu::kRoleTaille).toLongLong(), k140Mo);
    QCOMPARE(tv->currentItem(), racine);
    QVERIFY(!fm.pcApercu->isTabVisible(fm.pcApercu->indexOf(fm.tsErreurs)));

    fm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fm));
    Capturer(fm, u"apercu-copie"_s);

    // The button puts the same text on the clipboard.
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(fm.btCopierPP, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), fm.TexteCopie());
}

void TestApercu::renommageRecursif()
{
    // Sorted as the run sorts them: the base folder's own images first, then sub-folders.
    TfmApercu fm;
    fm.Remplir(false, u"/photos/"_s,
               {Entree(u"/"_s, u"Canon-IMG_1.JPG"_s, 1000), Entree(u"/"_s, u"Canon-IMG_2.JPG"_s, 1024),
                Entree(u"/2004/"_s, u"Nikon-DSC_1.NEF"_s, 1025),
                Entree(u"/2004/noel/"_s, u"Nikon-DSC_2.NEF"_s, 3000)},
               {});
    QCOMPARE(fm.windowTitle(), u"Aperçu du renommage"_s);
    QCOMPARE(fm.TexteCopie(), u"/photos/ : 4 (5,91 Ko)\r\n"
                              "\tCanon-IMG_1.JPG (1000 Oct)\r\n"
                              "\tCanon-IMG_2.JPG (1024 Oct)\r\n"
                              "\t2004 : 2 (3,93 Ko)\r\n"
                              "\t\tNikon-DSC_1.NEF (1,00 Ko)\r\n"
                              "\t\tnoel : 1 (2,93 Ko)\r\n"
                              "\t\t\tNikon-DSC_2.NEF (2,93 Ko)\r\n"_s);
}

// Companions follow their image's node under their target names with their sizes, in
// italics; the folders' counts and sizes stay those of the images.
void TestApercu::compagnons()
{
    TEnrFichier raw = Entree(u"/Canon EOS R6/"_s, u"IMG_0001.CR3"_s, k140Mo);
    raw.Compagnons = {TEnrCompagnon{u"IMG_0001(2).CR3.xmp"_s, 2048, true},
                      TEnrCompagnon{u"IMG_0001(2).xmp"_s, 100, false}};
    TEnrFichier jpeg = Entree(u"/Canon EOS R6/"_s, u"IMG_0002.JPG"_s, k140Mo);
    jpeg.Compagnons = {TEnrCompagnon{u"IMG_0002.WAV"_s, 1048577, false}};
    TfmApercu fm;
    fm.Remplir(true, u"/Tri/"_s, {raw, jpeg, Entree(u"/Canon EOS R6/sous/"_s, u"a.jpg"_s, 1000)}, {});
    QCOMPARE(fm.TexteCopie(), u"/Tri/ : 3 (2,80 Mo)\r\n"
                              "\tCanon EOS R6 : 3 (2,80 Mo)\r\n"
                              "\t\tIMG_0001.CR3 (1,40 Mo)\r\n"
                              "\t\tIMG_0001(2).CR3.xmp (2,00 Ko)\r\n"
                              "\t\tIMG_0001(2).xmp (100 Oct)\r\n"
                              "\t\tIMG_0002.JPG (1,40 Mo)\r\n"
                              "\t\tIMG_0002.WAV (1,00 Mo)\r\n"
                              "\t\tsous : 1 (1000 Oct)\r\n"
                              "\t\t\ta.jpg (1000 Oct)\r\n"_s);
    const QTreeWidgetItem *appareil = fm.tvApercu->topLevelItem(0)->child(0);
    const QTreeWidgetItem *xmp = appareil->child(2);
    QVERIFY(!xmp->data(0, TfmApercu::kRoleTaille).isValid()); // told from an image
    QCOMPARE(xmp->data(0, TfmApercu::kRoleTailleCompagnon).toLongLong(), 100);
    QVERIFY(xmp->font(0).italic());
    QVERIFY(!appareil->child(0)->font(0).italic());
    QCOMPARE(xmp->icon(0).pixmap(16, 16).toImage(), fm.ilApercu[2].pixmap(16, 16).toImage());
}

void TestApercu::casseDifferente()
{
    // Folders are compared exactly, as the file system does: two siblings. The same
    // folder met again after another one is found again, not doubled.
    TfmApercu fm;
    fm.Remplir(true, u"/Tri/"_s,
               {Entree(u"/CANON/"_s, u"a.jpg"_s, 10), Entree(u"/Canon/"_s, u"b.jpg"_s, 20),
                Entree(u"/CANON/x/"_s, u"c.jpg"_s, 30)},
               {});
    const QTreeWidgetItem *racine = fm.tvApercu->topLevelItem(0);
    QCOMPARE(racine->childCount(), 2);
    QCOMPARE(racine->child(0)->text(0), u"CANON : 2 (40 Oct)"_s);
    QCOMPARE(racine->child(1)->text(0), u"Canon : 1 (20 Oct)"_s);
    QCOMPARE(racine->child(0)->childCount(), 2);
}

void TestApercu::ongletErreurs()
{
    const QStringList erreurs{u"Absence d'une donnée EXIF attendue pour /p/a.jpg"_s,
                              u"/Tri/b.jpg (existant) sera copié en /Tri/b(2).jpg"_s,
                              u"Absence d'une donnée EXIF attendue pour /p/c.jpg"_s};
    TfmApercu fm;
    fm.Remplir(true, u"/Tri/"_s, {Entree(u"/"_s, u"b.jpg"_s, 5)}, erreurs);
    const int onglet = fm.pcApercu->indexOf(fm.tsErreurs);
    QVERIFY(fm.pcApercu->isTabVisible(onglet));
    QCOMPARE(fm.pcApercu->tabText(onglet), u"Erreurs (3)"_s);
    QCOMPARE(fm.pcApercu->currentWidget(), fm.tsArborescence); // the tree comes first
    QCOMPARE(fm.TexteCopie(), u"/Tri/ : 1 (5 Oct)\r\n\tb.jpg (5 Oct)\r\n"_s);
    fm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fm));
    Capturer(fm, u"apercu-arborescence"_s);

    fm.pcApercu->setCurrentWidget(fm.tsErreurs);
    Capturer(fm, u"apercu-erreurs"_s);
    QCOMPARE(fm.mmErreurs->toPlainText(), erreurs.join(u'\n'));
    QTest::mouseClick(fm.btCopierPP, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), erreurs.join(u"\r\n"_s) + u"\r\n"_s);
}

void TestApercu::apercuVide()
{
    TfmApercu fm;
    fm.Remplir(false, u"/photos/"_s, {}, {});
    QCOMPARE(fm.tvApercu->topLevelItemCount(), 0);
    QCOMPARE(fm.TexteCopie(), QString());
}

// The preview as it opens: its drawn outer size (599 x 400 with the font it was drawn for)
// at the scale of its font, frame included, or the screen where that is smaller; its
// captions whole; "&Quitter" kept at the right edge whatever the width.
void VerifierFenetre()
{
    TfmApercu fm;
    fm.Remplir(true, u"/Tri/"_s, {Entree(u"/"_s, u"a.jpg"_s, 5)}, {});
    QVERIFY(fm.findChild<QPushButton *>(u"btCopierPP"_s));
    QVERIFY(fm.findChild<QTreeWidget *>(u"tvApercu"_s));
    QVERIFY(fm.windowFlags() & Qt::WindowMaximizeButtonHint);
    fm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fm));
    const double k = EchelleDessin(fm.font());
    const QRect ecran = fm.screen()->availableGeometry();
    const QSize dessin = QSize(AEchelle(599, k), AEchelle(400, k)).boundedTo(ecran.size());
    const auto ouverte = [&] {
        const QRect dehors = fm.frameGeometry();
        return ecran.contains(dehors) && dehors.width() >= dessin.width() && dehors.height() >= dessin.height();
    };
    const auto texte = [](const QRect &r) { return u"%1,%2 %3x%4"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()); };
    QTRY_VERIFY2(ouverte(), qPrintable(u"%1 in %2, drawn %3x%4"_s.arg(texte(fm.frameGeometry()), texte(ecran))
                                           .arg(dessin.width()).arg(dessin.height())));
    const auto entiers = [&] {
        for (QPushButton *b : {fm.btCopierPP, fm.btQuitter})
            if (b->width() < b->fontMetrics().horizontalAdvance(b->text().remove(u'&')) + b->iconSize().width()
                || b->height() < std::max(b->fontMetrics().height(), b->iconSize().height()))
                return false;
        return fm.pnCommandes->geometry().bottom() == fm.height() - 1;
    };
    QVERIFY(entiers());

    const int marge = AEchelle(6, k);
    for (const QSize taille : {QSize(800, 500), QSize(450, 320), QSize(1200, 900)}) {
        fm.resize(taille.expandedTo(fm.minimumSize()));
        QTRY_COMPARE(fm.pnCommandes->width(), fm.width());
        QCOMPARE(fm.btQuitter->geometry().right() + 1, fm.width() - marge);
        QVERIFY(std::abs(fm.btQuitter->y() - (fm.pnCommandes->height() - fm.btQuitter->geometry().bottom() - 1)) <= 1);
        QVERIFY(fm.btQuitter->x() > fm.btCopierPP->geometry().right()); // never over the other
    }
    // At its smallest: the drawn 400 x 300 at the scale, or the screen; still whole.
    fm.resize(100, 100);
    QTRY_COMPARE(fm.size(), fm.minimumSize());
    QCOMPARE(fm.minimumSize(), QSize(AEchelle(400, k), AEchelle(300, k)).boundedTo(ecran.size()));
    QVERIFY(fm.pnCommandes->height() >= AEchelle(41, k));
    QVERIFY(entiers());

    QTest::mouseClick(fm.btQuitter, Qt::LeftButton);
    QTRY_VERIFY(!fm.isVisible());
}

void TestApercu::fenetre()
{
    VerifierFenetre();
}

// On a real display with a window manager, whose frame is known only once the window is
// up: the program's font, a desktop's at 150 %, a larger one at 200 % on a small screen.
void TestApercu::fenetreSurUnBureau_data()
{
    QTest::addColumn<double>("echelle");
    QTest::addColumn<QSize>("ecran");
    QTest::addColumn<QString>("police");
    QTest::newRow("police du programme") << 1.0 << QSize(1280, 800) << QString();
    QTest::newRow("10 points, 150 %") << 1.5 << QSize(1366, 768) << u"DejaVu Sans,10"_s;
    QTest::newRow("11 points, 200 %") << 2.0 << QSize(1600, 1000) << u"DejaVu Sans,11"_s;
}

void TestApercu::fenetreSurUnBureau()
{
    QFETCH(double, echelle);
    QFETCH(QSize, ecran);
    QFETCH(QString, police);
    QProcessEnvironment e;
    e.insert(u"CLARVANE_POLICE"_s, police);
    TResultatEnfant r;
    QString pourquoi;
    if (!ExecuterEnfantSurUnBureau({u"fenetre"_s}, ecran, echelle, e, r, pourquoi))
        QSKIP(qPrintable(pourquoi));
    QVERIFY2(r.code == 0, r.sortie.constData());
}

// In the child, on the X display.
class TestApercuEnfant : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fenetre()
    {
        AppliquerPoliceDemandee();
        VerifierFenetre();
    }
};

// Centred on the window it belongs to, inside the screen; with a larger font, larger in
// proportion, its buttons' captions whole.
void TestApercu::centreeEtALaPolice_data()
{
    QTest::addColumn<int>("points"); // 0: the program's own font
    QTest::newRow("police du programme") << 0;
    QTest::newRow("16 points") << 16;
}

void TestApercu::centreeEtALaPolice()
{
    QFETCH(int, points);
    const TPoliceApplication police(points);
    {
        QWidget proprietaire;
        proprietaire.setGeometry(30, 40, 700, 440);
        proprietaire.show();
        QVERIFY(QTest::qWaitForWindowExposed(&proprietaire));
        TfmApercu fm(&proprietaire);
        fm.Remplir(true, u"/Tri/"_s, {Entree(u"/"_s, u"a.jpg"_s, 5)}, {});
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        const QRect ecran = fm.screen()->availableGeometry();
        QTRY_VERIFY(ecran.contains(fm.frameGeometry()));
        const double echelle = std::max(1.0, QFontMetricsF(fm.font()).height() / 13.0);
        QVERIFY(fm.frameGeometry().width() >= std::min(int(599 * echelle) - 1, ecran.width() - 8));
        if (!points) // larger than the screen, it cannot be centred on its owner
            QTRY_VERIFY((fm.geometry().center() - proprietaire.geometry().center()).manhattanLength() <= 3);
        QVERIFY(fm.minimumWidth() >= int(400 * echelle) - 1);
        for (QPushButton *b : {fm.btCopierPP, fm.btQuitter})
            QVERIFY(b->width() >= b->fontMetrics().horizontalAdvance(b->text().remove(u'&')) + b->iconSize().width());
        QCOMPARE(fm.btQuitter->geometry().right() + 1, fm.pnCommandes->width() - int(6 * echelle + 0.5));
    }
}

void TestApercu::imagesDesNoeuds()
{
    TfmApercu fm;
    QCOMPARE(fm.ilApercu.size(), 4);
    for (const QIcon &icone : std::as_const(fm.ilApercu))
        QVERIFY(!icone.pixmap(16, 16).isNull());
    fm.Remplir(true, u"/Tri/"_s, {Entree(u"/"_s, u"a.jpg"_s, 5)}, {});
    // A selected node shows the open folder, or the highlighted page.
    const QTreeWidgetItem *racine = fm.tvApercu->topLevelItem(0);
    const QIcon dossier = racine->icon(0), page = racine->child(0)->icon(0);
    QCOMPARE(dossier.pixmap(16, 16).toImage(), fm.ilApercu[0].pixmap(16, 16).toImage());
    QCOMPARE(dossier.pixmap(16, 16, QIcon::Selected).toImage(), fm.ilApercu[1].pixmap(16, 16).toImage());
    QCOMPARE(page.pixmap(16, 16).toImage(), fm.ilApercu[2].pixmap(16, 16).toImage());
    QCOMPARE(page.pixmap(16, 16, QIcon::Selected).toImage(), fm.ilApercu[3].pixmap(16, 16).toImage());
}

QTEST_MAIN_AVEC_ENFANT(TestApercu, TestApercuEnfant)
#include "tst_apercu.moc"
