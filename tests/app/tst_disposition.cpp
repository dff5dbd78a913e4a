// The main window on every screen and with every font: as drawn at 100 %; every text
// whole, no control over another, inside the screen and resizable at 150 % and 200 % and
// with fonts of 9 and 16 points; whole, bottom buttons included, without scrolling, with a
// desktop's font of 10 and 11 points on a laptop's screen at 150 % and 200 %; its size and
// place kept between two openings. Each case runs in a child process of its own, on an
// offscreen screen of a given size.
#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "Enfant.h"
#include "Polices.h"
#include "app/Main_fm.h"
#include "settings/BigIniFiles.h"
#include "ui/LibellesOptions.h"

using namespace Qt::StringLiterals;

namespace {

// The window as drawn (left, top, width, height, in pixels for Tahoma 8 points): the
// controls of the date and information groups relative to their group, the others to the
// window's inside, 888 x 506.
struct TDessin {
    const char *nom;
    QRect rect;
    int tolerance = 3;
};
const TDessin kDessin[] = {
    {"stSrc", {8, 8, 33, 13}},           {"tvSrc", {8, 24, 281, 441}},
    {"btLectRecurs", {8, 472, 281, 25}}, {"btCopier", {296, 16, 145, 25}},
    {"btRenommer", {448, 16, 145, 25}},  {"stEXIFOrdre", {296, 48, 165, 13}},
    {"tvEXIFOrdre", {296, 64, 273, 105}}, {"btEXIFOrdreMonter", {568, 64, 25, 49}},
    {"btEXIFOrdreDescendre", {568, 120, 25, 49}}, {"gbDatePDV", {296, 176, 297, 113}},
    {"cbDatePDV1", {8, 16, 17, 17}},     {"cbDonDatePDV1", {24, 16, 105, 21}},
    {"stDatePDV1", {136, 20, 8, 13}},    {"cbDatePDV2", {152, 16, 17, 17}},
    {"cbDonDatePDV2", {168, 16, 105, 21}}, {"stDatePDV2", {280, 20, 8, 13}},
    {"cbDatePDV3", {8, 40, 17, 17}},     {"cbDonDatePDV3", {24, 40, 105, 21}},
    // 81 pixels cut "_ (underscore)" in the drop-down: the list is as wide as its widest
    // item, taken from the room before its caption.
    {"stDatePDVSep", {152, 40, 54, 13}, 12}, {"cbDatePDVSep", {208, 40, 81, 21}, 12},
    {"cbDatePDVHierCompoSiCopie", {8, 64, 281, 17}}, {"stDatePDVEx", {8, 88, 40, 13}},
    {"stDatePDVDonEx", {56, 88, 86, 17}}, {"stSep", {296, 296, 143, 13}},
    {"cbSep", {448, 296, 145, 21}},      {"gbInformation", {296, 320, 297, 145}},
    {"stInformation", {8, 16, 281, 121}}, {"stDst", {600, 8, 54, 13}},
    {"btCreerDossier", {760, 4, 121, 20}}, {"tvDst", {600, 24, 281, 441}},
    {"btApercu", {296, 472, 145, 25}},   {"btTraiter", {448, 472, 145, 25}},
    {"btQuitter", {600, 472, 281, 25}},
};

QString SansEsperluette(QString texte) { return texte.remove(u'&'); }

// The named controls of `parent` that are shown, not windows.
QList<QWidget *> Controles(QWidget *parent)
{
    QList<QWidget *> controles;
    for (QWidget *w : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (!w->isWindow() && w->isVisible() && !w->objectName().isEmpty())
            controles << w;
    return controles;
}

// The texts that do not fit their control, measured with the control's font against the
// room it gives them.
QStringList TextesCoupes(QWidget *fenetre)
{
    QStringList coupes;
    const auto verifier = [&](QWidget *w, bool tient, const QString &texte) {
        if (!tient)
            coupes << w->objectName() + u": "_s + texte;
    };
    for (QWidget *w : fenetre->findChildren<QWidget *>()) {
        const QFontMetrics m = w->fontMetrics();
        const QRect place = w->contentsRect();
        if (auto *l = qobject_cast<QLabel *>(w); l && !l->text().isEmpty()) {
            // A text on several lines: the height the label itself needs at its width.
            const QRect besoin = m.boundingRect(SansEsperluette(l->text()));
            verifier(w, l->wordWrap() ? l->heightForWidth(l->width()) <= l->height()
                                      : besoin.width() <= place.width() && m.height() <= place.height(),
                     l->text());
        } else if (auto *c = qobject_cast<QCheckBox *>(w); c && !c->text().isEmpty()) {
            // The caption beside the box, on as many lines as it takes there.
            const int avant = c->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, c)
                              + c->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, c);
            const QRect texte = m.boundingRect(QRect(0, 0, c->width() - avant, QWIDGETSIZE_MAX),
                                               Qt::TextWordWrap, SansEsperluette(c->text()));
            verifier(w, texte.width() <= c->width() - avant && texte.height() <= c->height(), c->text());
        } else if (auto *b = qobject_cast<QAbstractButton *>(w); b && !b->text().isEmpty()) {
            // The caption, its picture and the spacing between, inside the frame and the
            // style's margins.
            const int cadre = 2 * b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
            const int marge = b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
            const int image = b->icon().isNull() ? 0 : b->iconSize().height();
            const int avant = (image ? image + 4 : 0) + marge + cadre;
            verifier(w, m.horizontalAdvance(SansEsperluette(b->text())) + avant <= b->width()
                            && std::max(m.height(), image) + cadre <= b->height(), b->text());
        } else if (auto *c = qobject_cast<QComboBox *>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(c);
            const QRect champ = c->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                            QStyle::SC_ComboBoxEditField, c);
            for (int i = 0; i < c->count(); ++i)
                verifier(w, m.horizontalAdvance(c->itemText(i)) <= champ.width() && m.height() <= champ.height(),
                         c->itemText(i));
        } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
            verifier(w, g->minimumSizeHint().width() <= g->width(), g->title());
        } else if (auto *t = qobject_cast<QTreeWidget *>(w); t && t->topLevelItemCount() > 0) {
            verifier(w, t->visualItemRect(t->topLevelItem(0)).height() >= m.height(), u"rows"_s);
        }
    }
    return coupes;
}

// Pairs of controls that share a pixel, and controls out of their parent (the window's
// page, or their group).
QStringList Chevauchements(QWidget *fenetre)
{
    QStringList fautes;
    qsizetype vus = 0;
    for (QWidget *parent : {fenetre->findChild<QWidget *>(u"tvSrc"_s)->parentWidget(),
                            fenetre->findChild<QWidget *>(u"gbDatePDV"_s),
                            fenetre->findChild<QWidget *>(u"gbInformation"_s)}) {
        const QList<QWidget *> enfants = Controles(parent);
        vus += enfants.size();
        for (qsizetype i = 0; i < enfants.size(); ++i) {
            if (!parent->rect().contains(enfants[i]->geometry()))
                fautes << enfants[i]->objectName() + u" out of "_s + parent->objectName();
            for (qsizetype j = i + 1; j < enfants.size(); ++j)
                if (enfants[i]->geometry().intersects(enfants[j]->geometry()))
                    fautes << enfants[i]->objectName() + u" / "_s + enfants[j]->objectName();
        }
    }
    if (vus < 33)
        fautes << u"only %1 controls"_s.arg(vus);
    return fautes;
}

// The frame rectangle of the window inside the free area of its screen.
bool DansLEcran(const QWidget *fenetre)
{
    return fenetre->screen()->availableGeometry().contains(fenetre->frameGeometry());
}

QString Ecrire(const QStringList &liste) { return liste.join(u" | "_s); }

} // namespace

// In the child: one screen, one scale, one font, given by the parent.
class TestDispositionEnfant : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dossier;
    QString Reglages() const { return m_dossier.filePath(u"Clarvane.ini"_s); }

private Q_SLOTS:
    void initTestCase()
    {
        AppliquerPoliceDemandee();
    }
    void init() { QFile::remove(Reglages()); }

    // At 100 % with the program's own font, each control where the drawing puts it.
    void commeDessine()
    {
        TfmMainClarvane fm(Reglages());
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        QCOMPARE(fm.size(), QSize(888, 506));
        QStringList ecarts;
        for (const TDessin &d : kDessin) {
            auto *w = fm.findChild<QWidget *>(QString::fromLatin1(d.nom));
            QVERIFY2(w, d.nom);
            const QRect r = w->geometry();
            if (std::abs(r.x() - d.rect.x()) > d.tolerance || std::abs(r.y() - d.rect.y()) > d.tolerance
                || std::abs(r.width() - d.rect.width()) > d.tolerance
                || std::abs(r.height() - d.rect.height()) > d.tolerance)
                ecarts << u"%1 at %2,%3 %4x%5"_s.arg(QLatin1StringView(d.nom)).arg(r.x()).arg(r.y())
                              .arg(r.width()).arg(r.height());
        }
        QVERIFY2(ecarts.isEmpty(), qPrintable(Ecrire(ecarts)));
    }

    // Whole texts, controls apart, inside the screen at its opening size and at its
    // smallest; the trees take what the window gains.
    void fenetre()
    {
        TfmMainClarvane fm(Reglages());
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        QTRY_VERIFY2(DansLEcran(&fm), qPrintable(u"%1 in %2"_s.arg(QVariant(fm.frameGeometry()).toString(),
                                                               QVariant(fm.screen()->availableGeometry()).toString())));
        for (int mode = 0; mode < 2; ++mode) { // both information texts
            fm.findChild<QPushButton *>(mode ? u"btRenommer"_s : u"btCopier"_s)->click();
            QVERIFY2(TextesCoupes(&fm).isEmpty(), qPrintable(Ecrire(TextesCoupes(&fm))));
        }
        QVERIFY2(Chevauchements(&fm).isEmpty(), qPrintable(Ecrire(Chevauchements(&fm))));
        // The date lists hold their items of any day, the longest month and weekday names.
        for (int n = 1; n <= 3; ++n) {
            auto *liste = fm.findChild<QComboBox *>(u"cbDonDatePDV%1"_s.arg(n));
            QStyleOptionComboBox option;
            option.initFrom(liste);
            const int champ = liste->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                            QStyle::SC_ComboBoxEditField, liste).width();
            for (int mois = 1; mois <= 12; ++mois)
                for (const QString &texte : ElementsFormatsDate(QDate(2024, mois, mois + 3)))
                    QVERIFY2(liste->fontMetrics().horizontalAdvance(texte) <= champ, qPrintable(texte));
        }
        // A caption on two lines is the box's all the same: a click on its second line
        // checks or unchecks it.
        auto *hierarchie = fm.findChild<QCheckBox *>(u"cbDatePDVHierCompoSiCopie"_s);
        if (hierarchie->height() >= hierarchie->sizeHint().height() + hierarchie->fontMetrics().height()) {
            fm.findChild<QPushButton *>(u"btCopier"_s)->click(); // where the box counts
            QVERIFY(hierarchie->isEnabled());
            const bool avant = hierarchie->isChecked();
            QTest::mouseClick(hierarchie, Qt::LeftButton, {}, QPoint(hierarchie->width() / 3, hierarchie->height() - 4));
            QCOMPARE(hierarchie->isChecked(), !avant);
        }
        const QSize ecran = fm.screen()->availableGeometry().size();
        const auto tient = [&](QSize taille) { return ecran.boundedTo(taille) == taille; };
        QVERIFY(tient(fm.minimumSize() + fm.frameGeometry().size() - fm.size()));
        auto *page = fm.findChild<QWidget *>(u"tvSrc"_s)->parentWidget();
        if (qEnvironmentVariableIsSet("CLARVANE_DEFILE")) {
            // The screen is smaller than the page: the page scrolls, the window does not
            // outgrow the screen.
            QVERIFY(page->height() > page->parentWidget()->height() || page->width() > page->parentWidget()->width());
        } else {
            // Even with a window manager's title bar of 32 device pixels.
            QVERIFY(tient(fm.minimumSize() + QSize(0, qCeil(32 / fm.devicePixelRatioF()))));
            QCOMPARE(page->size(), page->parentWidget()->size()); // nothing to scroll
            auto *defilement = fm.findChild<QScrollArea *>(u"sbPage"_s);
            QVERIFY(!defilement->verticalScrollBar()->isVisible() && !defilement->horizontalScrollBar()->isVisible());
            // Every control on the screen, the bottom row's buttons included (of a text that
            // scrolls in its box, what the box shows).
            QStringList dehors;
            for (QWidget *w : fm.findChildren<QWidget *>()) {
                const QRect vu = w->visibleRegion().boundingRect();
                if (w->isVisible() && !w->objectName().isEmpty() && !vu.isEmpty()
                    && !fm.screen()->availableGeometry().contains(vu.translated(w->mapToGlobal(QPoint(0, 0)))))
                    dehors << w->objectName();
            }
            QVERIFY2(dehors.isEmpty(), qPrintable(Ecrire(dehors)));
        }

        QVERIFY(fm.maximumSize().width() > fm.minimumSize().width());
        QVERIFY(fm.maximumSize().height() > fm.minimumSize().height());
        fm.resize(fm.minimumSize());
        QTRY_COMPARE(fm.size(), fm.minimumSize());
        QVERIFY2(TextesCoupes(&fm).isEmpty(), qPrintable(Ecrire(TextesCoupes(&fm))));
        QVERIFY2(Chevauchements(&fm).isEmpty(), qPrintable(Ecrire(Chevauchements(&fm))));
        if (qEnvironmentVariableIsSet("CLARVANE_DEFILE"))
            return; // no room to grow on this screen
        QMap<QString, QSize> avant;
        for (const char *nom : {"tvSrc", "tvDst", "tvEXIFOrdre", "gbDatePDV", "btCopier"})
            avant[QString::fromLatin1(nom)] = fm.findChild<QWidget *>(QString::fromLatin1(nom))->size();
        fm.resize(fm.minimumSize() + QSize(100, 80));
        QTRY_VERIFY(fm.findChild<QWidget *>(u"tvSrc"_s)->width() > avant[u"tvSrc"_s].width());
        const auto taille = [&](const char *nom) { return fm.findChild<QWidget *>(QString::fromLatin1(nom))->size(); };
        // The two folder trees share the width, the narrower one first (they are drawn the
        // same width: laid out tight, each column is only as wide as its own controls).
        const QSize source = taille("tvSrc") - avant[u"tvSrc"_s], destination = taille("tvDst") - avant[u"tvDst"_s];
        QCOMPARE(source.width() + destination.width(), 100);
        QVERIFY(std::abs(taille("tvSrc").width() - taille("tvDst").width())
                <= std::max(0, std::abs(avant[u"tvSrc"_s].width() - avant[u"tvDst"_s].width()) - 100));
        QCOMPARE(source.height(), 80);
        QCOMPARE(destination.height(), 80);
        QCOMPARE(taille("tvEXIFOrdre") - avant[u"tvEXIFOrdre"_s], QSize(0, 80));
        QCOMPARE(taille("gbDatePDV"), avant[u"gbDatePDV"_s]);
        QCOMPARE(taille("btCopier"), avant[u"btCopier"_s]);
    }

    // The desktop's font changes while the window is open: the window takes it and is
    // laid out for it at once, every text whole.
    void policeChangee()
    {
        TfmMainClarvane fm(Reglages());
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        const QSize avant = fm.minimumSize();
        const TPoliceApplication police(14);
        QTRY_VERIFY(fm.minimumSize().width() > avant.width() && fm.minimumSize().height() > avant.height());
        fm.resize(fm.minimumSize());
        QTRY_COMPARE(fm.size(), fm.minimumSize());
        QVERIFY2(TextesCoupes(&fm).isEmpty(), qPrintable(Ecrire(TextesCoupes(&fm))));
        QVERIFY2(Chevauchements(&fm).isEmpty(), qPrintable(Ecrire(Chevauchements(&fm))));
    }

    // Where the window opens, from the settings file.
    void geometrie_data()
    {
        QTest::addColumn<QByteArray>("cles");
        QTest::addColumn<QSize>("taille"); // inside; invalid: the drawn one, centred; 0 x 0: the smallest
        QTest::addColumn<QPoint>("coin");  // of the inside; negative: anywhere inside the screen
        QTest::addColumn<bool>("agrandie");
        const auto cles = [](int x, int y, int l, int h) {
            return u"nFenetreGauche=%1\r\nnFenetreHaut=%2\r\nnFenetreLargeur=%3\r\nnFenetreHauteur=%4\r\n"_s
                .arg(x).arg(y).arg(l).arg(h).toLatin1();
        };
        const QPoint nImporte(-1, -1);
        QTest::newRow("sans clés") << QByteArray() << QSize() << nImporte << false;
        QTest::newRow("gardée") << cles(40, 30, 700, 540) << QSize(700, 540) << QPoint(40, 30) << false;
        // Stored on a larger screen, or another one: brought inside this one.
        QTest::newRow("hors de l'écran") << cles(3000, -200, 700, 540) << QSize(700, 540) << nImporte << false;
        QTest::newRow("trop petite") << cles(10, 10, 20, 20) << QSize(0, 0) << QPoint(10, 10) << false;
        QTest::newRow("incomplète") << QByteArray("nFenetreLargeur=700\r\nnFenetreHauteur=500\r\n") << QSize()
                                    << nImporte << false;
        QTest::newRow("illisible") << QByteArray("nFenetreGauche=a\r\nnFenetreHaut=b\r\nnFenetreLargeur=c\r\n"
                                                "nFenetreHauteur=d\r\n") << QSize() << nImporte << false;
        QTest::newRow("agrandie") << cles(40, 30, 700, 540) + "lFenetreAgrandie=1\r\n" << QSize(700, 540)
                                  << QPoint(40, 30) << true;
    }
    void geometrie()
    {
        QFETCH(QByteArray, cles);
        QFETCH(QSize, taille);
        QFETCH(QPoint, coin);
        QFETCH(bool, agrandie);
        {
            QFile f(Reglages());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[GENERAL]\r\n" + cles);
        }
        {
            TfmMainClarvane fm(Reglages());
            fm.show();
            QVERIFY(QTest::qWaitForWindowExposed(&fm));
            QTRY_VERIFY(DansLEcran(&fm));
            QCOMPARE(fm.isMaximized(), agrandie);
            const QRect ici = agrandie ? fm.normalGeometry() : fm.geometry();
            const QRect ecran = fm.screen()->availableGeometry();
            if (!taille.isValid()) {
                QCOMPARE(ici.size(), QSize(888, 506));
                QVERIFY(std::abs(fm.frameGeometry().center().x() - ecran.center().x()) <= 2);
                QVERIFY(std::abs(fm.frameGeometry().center().y() - ecran.center().y()) <= 16);
            } else {
                QCOMPARE(ici.size(), taille.isEmpty() ? fm.minimumSize() : taille);
            }
            if (coin.x() >= 0)
                QCOMPARE(ici.topLeft(), coin);
            if (!agrandie)
                fm.setGeometry(100, 90, 750, 560); // the user moves and sizes it
        }
        // Written back at close, and found again.
        const TBigIniFile relu(Reglages());
        if (!agrandie) {
            QCOMPARE(relu.ReadInteger(u"GENERAL"_s, u"nFenetreGauche"_s, 0), 100);
            QCOMPARE(relu.ReadInteger(u"GENERAL"_s, u"nFenetreHaut"_s, 0), 90);
            QCOMPARE(relu.ReadInteger(u"GENERAL"_s, u"nFenetreLargeur"_s, 0), 750);
            QCOMPARE(relu.ReadInteger(u"GENERAL"_s, u"nFenetreHauteur"_s, 0), 560);
        }
        QCOMPARE(relu.ReadBool(u"GENERAL"_s, u"lFenetreAgrandie"_s, !agrandie), agrandie);
    }

    // Larger than the screen: as large as the screen, inside it.
    void tropGrande()
    {
        QFile f(Reglages());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[GENERAL]\r\nnFenetreGauche=0\r\nnFenetreHaut=0\r\nnFenetreLargeur=4000\r\nnFenetreHauteur=3000\r\n");
        f.close();
        TfmMainClarvane fm(Reglages());
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        QTRY_VERIFY(DansLEcran(&fm));
        QCOMPARE(fm.frameGeometry().width(), fm.screen()->availableGeometry().width());
        QVERIFY(fm.frameGeometry().height() > fm.screen()->availableGeometry().height() - 40);
    }
};

class TestDisposition : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dossier;

    void Enfant(const QStringList &tests, double echelle, const QString &police, int largeur, int hauteur,
                bool defile = false)
    {
        QProcessEnvironment e;
        if (defile)
            e.insert(u"CLARVANE_DEFILE"_s, u"1"_s);
        e.insert(u"QT_QPA_PLATFORM"_s, PlateformeHorsEcran(m_dossier.path(), largeur, hauteur));
        e.insert(u"QT_SCALE_FACTOR"_s, QString::number(echelle));
        e.insert(u"CLARVANE_POLICE"_s, police);
        const TResultatEnfant r = ExecuterEnfant(tests, e);
        QVERIFY2(r.code == 0, r.sortie.constData());
    }

private Q_SLOTS:
    void commeDessine() { Enfant({u"commeDessine"_s, u"policeChangee"_s}, 1, {}, 1920, 1080); }

    void echelles_data()
    {
        QTest::addColumn<double>("echelle");
        QTest::addColumn<QString>("police");
        QTest::addColumn<QSize>("ecran"); // in device pixels
        QTest::addColumn<bool>("defile");
        QTest::newRow("100 %") << 1.0 << QString() << QSize(1280, 800) << false;
        QTest::newRow("150 %, 1366 x 768") << 1.5 << QString() << QSize(1366, 768) << false;
        QTest::newRow("200 %, 1600 x 1000") << 2.0 << QString() << QSize(1600, 1000) << false;
        QTest::newRow("9 points") << 1.0 << u"DejaVu Sans,9"_s << QSize(1366, 768) << false;
        QTest::newRow("16 points") << 1.0 << u"DejaVu Sans,16"_s << QSize(1920, 1080) << false;
        QTest::newRow("16 points, 200 %") << 2.0 << u"Liberation Sans,16"_s << QSize(3840, 2160) << false;
        // A desktop's font on a laptop's screen: laid out tight, then folded, the whole
        // window shows.
        QTest::newRow("10 points, 150 %, 1366 x 768") << 1.5 << u"DejaVu Sans,10"_s << QSize(1366, 768) << false;
        QTest::newRow("11 points, 150 %, 1366 x 768") << 1.5 << u"DejaVu Sans,11"_s << QSize(1366, 768) << false;
        QTest::newRow("10 points, 200 %, 1600 x 1000") << 2.0 << u"DejaVu Sans,10"_s << QSize(1600, 1000) << false;
        QTest::newRow("11 points, 200 %, 1600 x 1000") << 2.0 << u"DejaVu Sans,11"_s << QSize(1600, 1000) << false;
        // Smaller than the window needs: the window keeps to the screen, its page scrolls.
        QTest::newRow("16 points, 200 %, 1600 x 1000") << 2.0 << u"DejaVu Sans,16"_s << QSize(1600, 1000) << true;
    }
    void echelles()
    {
        QFETCH(double, echelle);
        QFETCH(QString, police);
        QFETCH(QSize, ecran);
        QFETCH(bool, defile);
        Enfant({u"fenetre"_s}, echelle, police, ecran.width(), ecran.height(), defile);
    }

    void geometrie() { Enfant({u"geometrie"_s, u"tropGrande"_s}, 1, {}, 1366, 768); }
};

QTEST_MAIN_AVEC_ENFANT(TestDisposition, TestDispositionEnfant)
#include "tst_disposition.moc"
