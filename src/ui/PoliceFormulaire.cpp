#include "ui/PoliceFormulaire.h"

#include <algorithm>
#include <limits>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {
QList<QFont> Candidates()
{
    QList<QFont> polices;
    polices << QApplication::font();
    const QStringList familles = QFontDatabase::families();
    if (familles.contains(u"Tahoma"_s))
        polices << QFont(u"Tahoma"_s, 8);
    for (const QString &famille : {u"Liberation Sans"_s, u"DejaVu Sans Condensed"_s, u"DejaVu Sans"_s}) {
        if (!familles.contains(famille))
            continue;
        for (int pixels : {11, 10}) {
            QFont police(famille);
            police.setPixelSize(pixels);
            polices << police;
        }
    }
    return polices;
}

// Pixels by which the widest text overflows its width (0 when all fit).
int Depassement(const QFont &police, const QList<TTexteLargeur> &textes)
{
    const QFontMetrics mesures(police);
    int pire = 0;
    for (const auto &[texte, largeur] : textes)
        pire = std::max(pire, mesures.horizontalAdvance(texte) - largeur);
    // The labels are 13 pixels high: a taller line would be cut at the bottom.
    return std::max(pire, mesures.height() - 13);
}
} // namespace

QFont ChoisirPolice(const QList<TTexteLargeur> &textes)
{
    QFont meilleure = QApplication::font();
    int moindre = std::numeric_limits<int>::max();
    for (const QFont &police : Candidates()) {
        const int depassement = Depassement(police, textes);
        if (depassement <= 0)
            return police;
        if (depassement < moindre) {
            moindre = depassement;
            meilleure = police;
        }
    }
    return meilleure;
}

QFont PoliceFormulaire()
{
    // The labels' widths of the main window (the check box's text leaves room for its
    // indicator, the button's for its picture) and the dialog's prompt.
    static const QFont police = ChoisirPolice({
        {u"Source"_s, 33},
        {u"Ordre/présence des données EXIF"_s, 165},
        {u"Séparateur"_s, 54},
        {u"Séparateur des données EXIF"_s, 143},
        {u"Destination"_s, 54},
        {u"Exemple"_s, 40},
        {u"Hiérarchiser les composants de la date lors de la copie"_s, 259},
        {u"Contenu/format de la Date (prise de vue)"_s, 280},
        {u"Créer un dossier..."_s, 97},
        {u"Nom du dossier à créer"_s, 249},
    });
    return police;
}

bool PoliceParDefautDeQt(const QFont &police)
{
    return police.family() == u"Sans Serif"_s && police.pointSizeF() == 9.0;
}

void AppliquerPoliceFenetre(QWidget *fenetre)
{
    if (PoliceParDefautDeQt(QApplication::font()))
        fenetre->setFont(PoliceFormulaire());
    else
        fenetre->setFont(QFont()); // no font of its own: the application's
}
