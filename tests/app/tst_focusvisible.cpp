// The main window on a real X display (Xvfb) with a window manager (openbox), driven by
// xdotool as a user's keyboard: at 100 %, 150 % and 200 %, light and dark, with the
// program's font and with a desktop's, the window opens inside the screen, title bar
// included, and Tab takes the focus from control to control in reading order, each one
// showing on screen that it has it. With CLARVANE_CAPTURES naming a folder, a picture of
// the screen is left there for each case.
#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "Enfant.h"
#include "Palettes.h"
#include "Polices.h"
#include "app/Main_fm.h"

using namespace Qt::StringLiterals;

namespace {
// Copy mode as the window opens: the controls that can act, from the source tree on.
const QStringList kChaine = {u"tvSrc"_s, u"btLectRecurs"_s, u"btCopier"_s, u"btRenommer"_s, u"tvEXIFOrdre"_s,
                             u"btEXIFOrdreDescendre"_s, u"cbDatePDV1"_s, u"cbDonDatePDV1"_s, u"cbDatePDV2"_s,
                             u"cbDonDatePDV2"_s, u"cbDatePDV3"_s, u"cbDonDatePDV3"_s,
                             u"cbDatePDVHierCompoSiCopie"_s, u"btApercu"_s, u"btTraiter"_s,
                             u"btCreerDossier"_s, u"tvDst"_s, u"btQuitter"_s};

bool Xdotool(const QStringList &arguments)
{
    QProcess p;
    p.start(u"xdotool"_s, arguments);
    return p.waitForFinished(5000) && p.exitCode() == 0;
}

QString Sortie(const QString &programme, const QStringList &arguments)
{
    QProcess p;
    p.start(programme, arguments);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The window manager has put a frame around the window.
bool Encadree(WId fenetre)
{
    return Sortie(u"xprop"_s, {u"-id"_s, QString::number(fenetre), u"_NET_FRAME_EXTENTS"_s}).count(u',') == 3;
}

// The window's frame as the X server has it, in device pixels: its inside (xwininfo) and
// the frame the window manager announces around it (_NET_FRAME_EXTENTS: left, right,
// top, bottom).
QRect CadreX(WId fenetre)
{
    const QString id = QString::number(fenetre);
    const QString info = Sortie(u"xwininfo"_s, {u"-id"_s, id});
    const auto nombre = [&](const QString &cle) {
        const QRegularExpressionMatch m = QRegularExpression(cle + u":\\s*(-?\\d+)"_s).match(info);
        return m.hasMatch() ? m.captured(1).toInt() : 0;
    };
    const QStringList bords = Sortie(u"xprop"_s, {u"-id"_s, id, u"_NET_FRAME_EXTENTS"_s}).section(u'=', 1)
                                  .split(u',', Qt::SkipEmptyParts);
    const auto bord = [&](int i) { return bords.size() == 4 ? bords[i].trimmed().toInt() : 0; };
    return QRect(nombre(u"Absolute upper-left X"_s) - bord(0), nombre(u"Absolute upper-left Y"_s) - bord(2),
                 nombre(u"Width"_s) + bord(0) + bord(1), nombre(u"Height"_s) + bord(2) + bord(3));
}

// The control as the screen shows it.
QImage AEcran(QWidget *w)
{
    const QRect r(w->mapToGlobal(QPoint(0, 0)), w->size());
    return w->screen()->grabWindow(0, r.x() - w->screen()->geometry().x(), r.y() - w->screen()->geometry().y(),
                                   r.width(), r.height()).toImage();
}

// Pixels that changed clearly between two pictures of a control.
int Changes(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            if (std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()), std::abs(p.blue() - q.blue())}) >= 60)
                ++n;
        }
    return n;
}
} // namespace

// In the child, on the X display: one scale, one palette.
class TestFocusVisibleEnfant : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parcours()
    {
        if (qEnvironmentVariableIsSet("CLARVANE_SOMBRE"))
            QApplication::setPalette(PaletteAdwaitaSombre());
        // A desktop's font too large for the drawing on this screen: the window laid out
        // tight, its information box on the chain, after the hierarchy box.
        QStringList chaine = kChaine;
        if (!qEnvironmentVariableIsEmpty("CLARVANE_POLICE")) {
            AppliquerPoliceDemandee();
            chaine.insert(chaine.indexOf(u"btApercu"_s), u"sbInformation"_s);
        }
        QTemporaryDir dossier;
        TfmMainClarvane fm(dossier.filePath(u"Clarvane.ini"_s));
        fm.show();
        // A window mapped while the window manager was still starting may be left to
        // itself: shown again, it is the window manager's.
        if (!QTest::qWaitFor([&] { return Encadree(fm.winId()); }, 2000)) {
            fm.hide();
            fm.show();
        }
        QVERIFY(QTest::qWaitFor([&] { return Encadree(fm.winId()); }, 5000));
        QVERIFY(QTest::qWaitForWindowActive(&fm));
        // The window manager's frame, title bar included, lies on the screen, as the X
        // server has it (Qt may hear of the frame late).
        const QStringList dimensions = qEnvironmentVariable("CLARVANE_ECRAN").split(u'x');
        QCOMPARE(dimensions.size(), 2);
        const QSize ecran(dimensions[0].toInt(), dimensions[1].toInt());
        QTRY_VERIFY2(QRect(QPoint(0, 0), ecran).contains(CadreX(fm.winId())) && CadreX(fm.winId()).height() > fm.height(),
                     qPrintable(QVariant(CadreX(fm.winId())).toString()));
        QVERIFY(Xdotool({u"mousemove"_s, u"0"_s, u"0"_s})); // no hovered control
        fm.findChild<QWidget *>(chaine.first())->setFocus();
        QTRY_COMPARE(QApplication::focusWidget()->objectName(), chaine.first());
        QTest::qWait(200);
        const QString captures = qEnvironmentVariable("CLARVANE_CAPTURES");
        if (!captures.isEmpty())
            fm.screen()->grabWindow(0).save(captures + u"/fenetre_"_s + qEnvironmentVariable("CLARVANE_CAS") + u".png"_s);

        for (qsizetype i = 1; i <= chaine.size(); ++i) {
            const QString nom = chaine[i % chaine.size()];
            auto *suivant = fm.findChild<QWidget *>(nom);
            QVERIFY2(suivant, qPrintable(nom));
            const QImage sans = AEcran(suivant);
            QVERIFY(Xdotool({u"key"_s, u"--clearmodifiers"_s, u"Tab"_s}));
            QTRY_COMPARE(QApplication::focusWidget()->objectName(), nom);
            QTest::qWait(60); // the repaint reaches the screen
            const QImage avec = AEcran(suivant);
            // A frame around the control, or inside it: more than a few pixels.
            const int attendus = (suivant->width() + suivant->height()) / 2;
            QTRY_VERIFY2(Changes(sans, AEcran(suivant)) >= attendus,
                         qPrintable(u"%1: %2 of %3 pixels"_s.arg(nom).arg(Changes(sans, avec)).arg(attendus)));
        }
    }
};

class TestFocusVisible : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parcours_data()
    {
        QTest::addColumn<double>("echelle");
        QTest::addColumn<QSize>("ecran");
        QTest::addColumn<bool>("sombre");
        QTest::addColumn<QString>("police");
        QTest::newRow("clair_100") << 1.0 << QSize(1280, 800) << false << QString();
        QTest::newRow("sombre_100") << 1.0 << QSize(1280, 800) << true << QString();
        QTest::newRow("clair_150") << 1.5 << QSize(1366, 768) << false << QString();
        QTest::newRow("sombre_150") << 1.5 << QSize(1366, 768) << true << QString();
        QTest::newRow("clair_200") << 2.0 << QSize(1600, 1000) << false << QString();
        QTest::newRow("sombre_200") << 2.0 << QSize(1600, 1000) << true << QString();
        QTest::newRow("serre_150") << 1.5 << QSize(1366, 768) << true << u"DejaVu Sans,10"_s;
        QTest::newRow("replie_200") << 2.0 << QSize(1600, 1000) << false << u"DejaVu Sans,11"_s;
    }
    void parcours()
    {
        QFETCH(double, echelle);
        QFETCH(QSize, ecran);
        QFETCH(bool, sombre);
        QFETCH(QString, police);
        QProcessEnvironment e;
        e.insert(u"CLARVANE_CAS"_s, QString::fromLatin1(QTest::currentDataTag()));
        e.insert(u"CLARVANE_ECRAN"_s, u"%1x%2"_s.arg(ecran.width()).arg(ecran.height()));
        if (sombre)
            e.insert(u"CLARVANE_SOMBRE"_s, u"1"_s);
        e.insert(u"CLARVANE_POLICE"_s, police);
        TResultatEnfant r;
        QString pourquoi;
        if (!ExecuterEnfantSurUnBureau({u"parcours"_s}, ecran, echelle, e, r, pourquoi))
            QSKIP(qPrintable(pourquoi));
        QVERIFY2(r.code == 0, r.sortie.constData());
    }
};

QTEST_MAIN_AVEC_ENFANT(TestFocusVisible, TestFocusVisibleEnfant)
#include "tst_focusvisible.moc"
