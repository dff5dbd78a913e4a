// Tests of the readability helpers under a light and two dark palettes: the down state of
// a toggle, the order tree's state images, and every picture of the program.
#include <cmath>

#include <QApplication>
#include <QDirIterator>
#include <QIcon>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QTest>

#include "Palettes.h"
#include "controls/Lisibilite.h"

using namespace Qt::StringLiterals;

namespace {

double Distance(const QColor &a, const QColor &b)
{
    return std::hypot(a.red() - b.red(), a.green() - b.green(), a.blue() - b.blue());
}

// The picture laid on its background, as the screen shows it.
QImage SurFond(const QPixmap &image, const QColor &fond)
{
    QImage resultat(image.size(), QImage::Format_RGB32);
    resultat.fill(fond);
    QPainter peintre(&resultat);
    peintre.drawPixmap(0, 0, image);
    return resultat;
}

// The share of the pixels along the outline of the picture (covered, next to uncovered)
// that stand out from the background by a contrast of 2 at least, once laid on it.
double PartContour(const QPixmap &image, const QColor &fond)
{
    const QImage alpha = image.toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage vu = SurFond(image, fond);
    const auto couvert = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < alpha.width() && y < alpha.height() && qAlpha(alpha.pixel(x, y)) >= 128;
    };
    int contour = 0, nets = 0;
    for (int y = 0; y < alpha.height(); ++y)
        for (int x = 0; x < alpha.width(); ++x) {
            if (!couvert(x, y))
                continue;
            bool bord = false;
            for (int dy = -1; dy <= 1 && !bord; ++dy)
                for (int dx = -1; dx <= 1 && !bord; ++dx)
                    bord = !couvert(x + dx, y + dy);
            if (!bord)
                continue;
            ++contour;
            if (Contraste(vu.pixelColor(x, y), fond) >= 2.0)
                ++nets;
        }
    return contour ? double(nets) / contour : 1.0;
}

void AjouterPalettes()
{
    QTest::addColumn<QPalette>("palette");
    QTest::newRow("clair (Fusion)") << PaletteClaire();
    QTest::newRow("sombre (Adwaita-dark)") << PaletteAdwaitaSombre();
    QTest::newRow("sombre (Breeze Dark)") << PaletteBreezeSombre();
}

} // namespace

class TestLisibilite : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    }

    void cleanup()
    {
        QApplication::setPalette(PaletteClaire());
    }

    void contrasteDeReference()
    {
        QCOMPARE(Contraste(Qt::black, Qt::white), 21.0);
        QCOMPARE(Contraste(Qt::white, Qt::black), 21.0);
        QCOMPARE(Contraste(QColor(0x80, 0x80, 0x80), QColor(0x80, 0x80, 0x80)), 1.0);
    }

    void etatEnfonceSeVoit_data() { AjouterPalettes(); }
    void etatEnfonceSeVoit()
    {
        QFETCH(QPalette, palette);
        QApplication::setPalette(palette);
        QWidget fenetre;
        fenetre.resize(320, 40);
        QPushButton haut(u"&Copier"_s, &fenetre), bas(u"&Renommer"_s, &fenetre);
        for (QPushButton *b : {&haut, &bas}) {
            b->setCheckable(true);
            AppliquerEtatEnfonce(b);
            AppliquerEtatEnfonce(b); // a second call changes nothing
        }
        haut.setGeometry(0, 0, 145, 25);
        bas.setGeometry(150, 0, 145, 25);
        bas.setChecked(true);
        QVERIFY(haut.style() == bas.style());
        QVERIFY(haut.style() != QApplication::style());

        const QImage imgHaut = haut.grab().toImage(), imgBas = bas.grab().toImage();
        // The face, left of the caption and clear of the frame.
        const QColor faceHaut = imgHaut.pixelColor(5, 12), faceBas = imgBas.pixelColor(5, 12);
        QVERIFY2(Distance(faceHaut, faceBas) >= 60,
                 qPrintable(u"up %1, down %2"_s.arg(faceHaut.name(), faceBas.name())));
        // The caption of the down button reads on its face.
        double meilleur = 1;
        for (int y = 0; y < imgBas.height(); ++y)
            for (int x = 40; x < imgBas.width() - 10; ++x)
                meilleur = std::max(meilleur, Contraste(imgBas.pixelColor(x, y), faceBas));
        QVERIFY2(meilleur >= 2.0, qPrintable(QString::number(meilleur)));
    }

    void imagesEtatAuxCouleursDeLaVue_data() { AjouterPalettes(); }
    void imagesEtatAuxCouleursDeLaVue()
    {
        QFETCH(QPalette, palette);
        const QColor base = palette.color(QPalette::Base);
        const QImage vide = ImageLisible(u":/ordre/case_vide.svg"_s, palette).toImage();
        const QImage cochee = ImageLisible(u":/ordre/case_cochee.svg"_s, palette).toImage();
        QCOMPARE(vide.size(), QSize(16, 16));
        // Inside the box: the view's own background, not a white square.
        QVERIFY2(Distance(vide.pixelColor(8, 8), base) <= 3, qPrintable(vide.pixelColor(8, 8).name()));
        // The frame and the mark stand out from it.
        QVERIFY2(Contraste(vide.pixelColor(2, 8), base) >= 2.5, qPrintable(vide.pixelColor(2, 8).name()));
        QVERIFY2(Contraste(cochee.pixelColor(8, 8), base) >= 3.0, qPrintable(cochee.pixelColor(8, 8).name()));
        QVERIFY(Distance(cochee.pixelColor(8, 8), vide.pixelColor(8, 8)) >= 60);
    }

    void toutesLesImagesSeDetachent_data() { AjouterPalettes(); }
    void toutesLesImagesSeDetachent()
    {
        QFETCH(QPalette, palette);
        QStringList images;
        for (const QString &dossier : {u":/ordre"_s, u":/boutons"_s, u":/arbre"_s, u":/apercu"_s})
            for (QDirIterator it(dossier, {u"*.svg"_s}, QDir::Files); it.hasNext();)
                images << it.next();
        QVERIFY2(images.size() >= 40, qPrintable(QString::number(images.size())));
        for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Button}) {
            const QColor fond = palette.color(role);
            for (const QString &chemin : std::as_const(images)) {
                const QPixmap image = ImageLisible(chemin, palette, fond);
                QCOMPARE(image.size(), QSize(16, 16));
                const double part = PartContour(image, fond);
                // The disabled pictures are faint on purpose, but must still show.
                const double minimum = chemin.endsWith(u"_inactif.svg"_s) ? 0.5 : 0.7;
                QVERIFY2(part >= minimum, qPrintable(u"%1 on %2: %3"_s.arg(chemin, fond.name()).arg(part)));
            }
        }
    }

    void imageSombreSurFondSombre()
    {
        // As drawn, the aperture is dark on dark; once adapted its outline stands out.
        const QPalette sombre = PaletteAdwaitaSombre();
        const QColor fond = sombre.color(QPalette::Base);
        const QPixmap brute = QIcon(u":/ordre/diaphragme.svg"_s).pixmap(16, 16);
        QVERIFY(PartContour(brute, fond) < 0.3);
        const QPixmap lisible = ImageLisible(u":/ordre/diaphragme.svg"_s, sombre);
        if (qEnvironmentVariableIsSet("CLARVANE_IMAGES"))
            SurFond(lisible, fond).scaled(160, 160).save(qEnvironmentVariable("CLARVANE_IMAGES") + u"/diaphragme.png"_s);
        const double part = PartContour(lisible, fond);
        QVERIFY2(part >= 0.8, qPrintable(QString::number(part)));
    }

    void imageDejaLisibleInchangee()
    {
        const QPalette claire = PaletteClaire();
        for (const QString &chemin : {u":/ordre/diaphragme.svg"_s, u":/arbre/folder_close.svg"_s,
                                      u":/boutons/quitter.svg"_s}) {
            const QImage brute = QIcon(chemin).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
            const QImage lisible = ImageLisible(chemin, claire).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(lisible, brute);
        }
    }

    void iconeDeBouton()
    {
        const QPalette sombre = PaletteAdwaitaSombre();
        const QIcon icone = IconeLisible(u":/boutons/monter.svg"_s, sombre, u":/boutons/monter_inactif.svg"_s);
        const QImage actif = icone.pixmap(16, 16, QIcon::Normal).toImage();
        const QImage inactif = icone.pixmap(16, 16, QIcon::Disabled).toImage();
        // The enabled arrow is red inside; the disabled one is an outline only.
        QVERIFY(actif.pixelColor(8, 10).red() > 150);
        QVERIFY(qAlpha(inactif.pixel(8, 10)) < 128);
        QVERIFY(ImageLisible(u":/pas/de/fichier.svg"_s, sombre).isNull());
    }
};

QTEST_MAIN(TestLisibilite)
#include "tst_lisibilite.moc"
