#include "ui/ElementsFenetre.h"

#include <cmath>

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "controls/Lisibilite.h"

using namespace Qt::StringLiterals;

namespace {
constexpr int kTailleImage = 16;
// Line height of the font the windows were drawn for (Tahoma 8 points: 11-pixel letters,
// labels 13 pixels high).
constexpr double kHauteurLigneDessin = 13.0;
// The picture of a button made by Bouton, kept on it for RedessinerIcones.
constexpr char kProprieteIcone[] = "clarvaneIcone";
constexpr char kProprieteInactif[] = "clarvaneIconeInactif";

// The list's accessible object: named by the list's accessible name, its item as its
// value, the list of its items as its child, "show menu" opening it.
class TAccessibleListe final : public QAccessibleWidget {
public:
    explicit TAccessibleListe(QComboBox *liste) : QAccessibleWidget(liste, QAccessible::ComboBox) {}

    QString text(QAccessible::Text genre) const override
    {
        if (genre == QAccessible::Value)
            return Liste()->currentText();
        return QAccessibleWidget::text(genre);
    }
    int childCount() const override { return Liste()->view() ? 1 : 0; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 && Liste()->view() ? QAccessible::queryAccessibleInterface(Liste()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *enfant) const override
    {
        return enfant && enfant->object() == Liste()->view() ? 0 : -1;
    }
    QStringList actionNames() const override { return QStringList{showMenuAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString &action) override
    {
        if (action == showMenuAction() || action == pressAction())
            Liste()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox *Liste() const { return static_cast<QComboBox *>(widget()); }
};

QAccessibleInterface *FabriqueListes(const QString &classe, QObject *objet)
{
    if (classe == QLatin1StringView(TListe::staticMetaObject.className()))
        return new TAccessibleListe(static_cast<TListe *>(objet));
    return nullptr;
}

} // namespace

TListe::TListe(QWidget *parent) : QComboBox(parent)
{
    static const bool fabrique = [] {
        QAccessible::installFactory(&FabriqueListes);
        return true;
    }();
    Q_UNUSED(fabrique);
}

QRect TCase::ZoneTexte(int largeur) const
{
    // Where the style puts a caption (after the box and its spacing), less the room it
    // keeps after the caption's last letter.
    QStyleOptionButton option;
    initStyleOption(&option);
    const int uneLigne = sizeHint().width();
    const auto contenu = [&](int l) {
        option.rect = QRect(0, 0, l, sizeHint().height());
        return style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    };
    const int apres = uneLigne - contenu(uneLigne).left() - fontMetrics().size(Qt::TextShowMnemonic, text()).width();
    return contenu(largeur).adjusted(0, 0, -std::max(0, apres), 0);
}

int TCase::LargeurMin() const
{
    int mot = 0;
    for (const QString &m : text().split(u' ', Qt::SkipEmptyParts))
        mot = std::max(mot, fontMetrics().horizontalAdvance(m));
    return sizeHint().width() - fontMetrics().horizontalAdvance(text()) + mot;
}

int TCase::HauteurPour(int largeur) const
{
    const QRect zone = ZoneTexte(largeur);
    const int lignes = fontMetrics()
                           .boundingRect(QRect(0, 0, std::max(1, zone.width()), QWIDGETSIZE_MAX),
                                         Qt::TextWordWrap | Qt::TextShowMnemonic, text())
                           .height();
    return sizeHint().height() + std::max(0, lignes - fontMetrics().height());
}

void TCase::paintEvent(QPaintEvent *evenement)
{
    if (SurUneLigne()) {
        QCheckBox::paintEvent(evenement);
        return;
    }
    // The box beside the first line, the caption wrapped in the room after it, the focus
    // around the caption as the style frames a check box's.
    QStylePainter peintre(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.rect.setHeight(sizeHint().height());
    QStyleOptionButton boite = option;
    boite.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    peintre.drawPrimitive(QStyle::PE_IndicatorCheckBox, boite);
    const QRect zone = ZoneTexte(width()).adjusted(0, 0, 0, height() - option.rect.height());
    const int drapeaux = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;
    const QRect texte = fontMetrics().boundingRect(zone, drapeaux, text());
    peintre.drawItemText(zone.adjusted(0, (option.rect.height() - fontMetrics().height()) / 2, 0, 0), drapeaux,
                         palette(), isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = texte.translated(0, (option.rect.height() - fontMetrics().height()) / 2).adjusted(-1, 0, 1, 1);
        peintre.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool TCase::hitButton(const QPoint &point) const
{
    return SurUneLigne() ? QCheckBox::hitButton(point) : rect().contains(point);
}

void TBoutonBascule::focusInEvent(QFocusEvent *evenement)
{
    QPushButton::focusInEvent(evenement);
    if (group())
        for (QAbstractButton *b : group()->buttons())
            b->setFocusPolicy(Qt::StrongFocus);
}

double EchelleDessin(const QFont &police)
{
    return std::max(1.0, QFontMetricsF(police).height() / kHauteurLigneDessin);
}

int AEchelle(int pixels, double echelle)
{
    return int(std::lround(pixels * echelle));
}

QSize Besoin(const QWidget *controle)
{
    QSize besoin = controle->sizeHint();
    const auto *bouton = qobject_cast<const QPushButton *>(controle);
    const auto *liste = qobject_cast<const QComboBox *>(controle);
    const int cadre = 2 * controle->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, controle);
    if (bouton || liste || qobject_cast<const QLineEdit *>(controle)) {
        // Its picture or its text, whichever is taller, inside its frame: the style's hint
        // keeps a few pixels more, which the 20- and 21-pixel controls of the drawing do
        // not have.
        const int image = bouton && !bouton->icon().isNull() ? bouton->iconSize().height() : 0;
        besoin.setHeight(std::min(besoin.height(), std::max(image, controle->fontMetrics().height()) + cadre + 2));
    }
    if (bouton && !bouton->text().isEmpty()) {
        // Its caption and picture side by side within the style's margins (the style's
        // hint makes every button with a caption at least 80 pixels wide).
        QString texte = bouton->text();
        texte.remove(u'&');
        const int image = bouton->icon().isNull() ? 0 : bouton->iconSize().width() + 4;
        besoin.setWidth(std::min(besoin.width(), controle->fontMetrics().horizontalAdvance(texte) + image + cadre
                                                     + bouton->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, bouton)));
    }
    if (!liste)
        return besoin;
    // A closed drop-down shows its item in the edit field that the style leaves beside
    // the arrow: as wide as the widest item needs, and no wider (the size hint keeps some
    // more room besides).
    QStyleOptionComboBox option;
    option.initFrom(liste);
    option.rect = QRect(QPoint(0, 0), liste->sizeHint());
    const QRect champ = liste->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                        QStyle::SC_ComboBoxEditField, liste);
    QStringList textes;
    for (int i = 0; i < liste->count(); ++i)
        textes << liste->itemText(i);
    if (const auto *tliste = qobject_cast<const TListe *>(liste))
        textes << tliste->TextesPossibles();
    int texte = 0;
    for (const QString &t : std::as_const(textes))
        texte = std::max(texte, liste->fontMetrics().horizontalAdvance(t));
    besoin.setWidth(texte + option.rect.width() - champ.width() + 1);
    return besoin;
}

QSize TailleDessin(const QWidget *controle, const QSize &dessin, double echelle)
{
    return QSize(AEchelle(dessin.width(), echelle), AEchelle(dessin.height(), echelle))
        .expandedTo(Besoin(controle));
}

int EcartDessin(int pas, int hauteur, double echelle, int ecartMin)
{
    return std::max(ecartMin, AEchelle(pas, echelle) - hauteur);
}

QIcon Icone(const QString &nom, const QPalette &palette, bool avecInactif)
{
    return IconeLisible(u":/boutons/%1.svg"_s.arg(nom), palette,
                        avecInactif ? u":/boutons/%1_inactif.svg"_s.arg(nom) : QString());
}

QLabel *Etiquette(const QString &texte, const QString &nom, QWidget *parent)
{
    auto *etiquette = new QLabel(texte, parent);
    etiquette->setObjectName(nom);
    return etiquette;
}

TListe *Liste(const QString &nom, QWidget *parent)
{
    auto *liste = new TListe(parent);
    liste->setObjectName(nom);
    liste->setFocusPolicy(Qt::StrongFocus);
    return liste;
}

TCase *Case(const QString &texte, const QString &nom, QWidget *parent)
{
    auto *c = new TCase(texte, parent);
    c->setObjectName(nom);
    return c;
}

// A push button of the window with its picture left of its caption.
QPushButton *Bouton(QPushButton *bouton, const QString &nom, const QString &icone, bool avecInactif)
{
    bouton->setObjectName(nom);
    bouton->setProperty(kProprieteIcone, icone);
    bouton->setProperty(kProprieteInactif, avecInactif);
    bouton->setIcon(Icone(icone, bouton->palette(), avecInactif));
    bouton->setIconSize(QSize(kTailleImage, kTailleImage));
    return bouton;
}

void RedessinerIcones(QWidget *fenetre)
{
    for (QPushButton *b : fenetre->findChildren<QPushButton *>()) {
        const QString icone = b->property(kProprieteIcone).toString();
        if (!icone.isEmpty())
            b->setIcon(Icone(icone, b->palette(), b->property(kProprieteInactif).toBool()));
    }
}
