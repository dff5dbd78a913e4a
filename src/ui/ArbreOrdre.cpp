#include "ui/ArbreOrdre.h"

#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "controls/Lisibilite.h"
#include "engine/OptionsNommage.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kTailleImage = 16;
constexpr int kHauteurLigne = 17; // six rows fit the tree's 105 pixels, with its font

QRect RectEtat(const QRect &ligne)
{
    return {ligne.left() + 1, ligne.top() + (ligne.height() - kTailleImage) / 2, kTailleImage,
            kTailleImage};
}

// Draws each node as its state image, then its field's icon (normal or highlighted) and
// its caption.
class TDelegueOrdre final : public QStyledItemDelegate {
public:
    TDelegueOrdre(const QList<QPixmap> &images, QObject *parent)
        : QStyledItemDelegate(parent), m_images(images) {}

    void paint(QPainter *peintre, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const int etat = index.data(TArbreOrdre::RoleEtat).toInt();
        const QRect zone = RectEtat(option.rect);
        if (etat >= 0 && etat < m_images.size())
            peintre->drawPixmap(zone, m_images[etat]);
        QStyleOptionViewItem reste = option;
        reste.rect.setLeft(zone.right() + 3);
        QStyledItemDelegate::paint(peintre, reste, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        // Taller rows for a larger font, so that no caption is cut.
        const QSize taille = QStyledItemDelegate::sizeHint(option, index);
        return {taille.width() + kTailleImage + 2, std::max(kHauteurLigne, option.fontMetrics.height() + 4)};
    }

    // The presence is the state image's, drawn above; the check mark that the node carries
    // for assistive tools is neither drawn nor clicked here.
    bool editorEvent(QEvent *, QAbstractItemModel *, const QStyleOptionViewItem &, const QModelIndex &) override
    {
        return false;
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const bool choisi = option->state & QStyle::State_Selected;
        const int image = 2 * index.data(TArbreOrdre::RoleChamp).toInt() + (choisi ? 1 : 0);
        if (image >= 0 && image < m_images.size()) {
            option->icon = QIcon(m_images[image]);
            option->features |= QStyleOptionViewItem::HasDecoration;
            option->decorationSize = QSize(kTailleImage, kTailleImage);
        }
        option->features &= ~QStyleOptionViewItem::HasCheckIndicator;
    }

private:
    const QList<QPixmap> &m_images;
};

} // namespace

void TArbreOrdre::ChargerImages()
{
    static const QStringList images = {
        u"appareil"_s, u"appareil_sel"_s, u"focale"_s, u"focale_sel"_s, u"vitesse"_s,
        u"vitesse_sel"_s, u"diaphragme"_s, u"diaphragme_sel"_s, u"date"_s, u"date_sel"_s,
        u"iso"_s, u"iso_sel"_s, u"case_vide"_s, u"case_cochee"_s};
    const QPalette p = palette();
    m_images.clear();
    for (const QString &image : images) {
        const QString chemin = u":/ordre/%1.svg"_s.arg(image);
        m_images << (image.endsWith(u"_sel"_s)
                         ? ImageLisible(chemin, p, p.color(QPalette::Highlight), kTailleImage)
                         : ImageLisible(chemin, p, kTailleImage));
    }
}

void TArbreOrdre::changeEvent(QEvent *evenement)
{
    QTreeWidget::changeEvent(evenement);
    if (evenement->type() == QEvent::PaletteChange) {
        ChargerImages(); // the delegate draws from m_images, refilled in place
        viewport()->update();
    }
}

TArbreOrdre::TArbreOrdre(QWidget *parent) : TCadreFocus<QTreeWidget>(parent)
{
    ChargerImages();

    setHeaderHidden(true);
    setColumnCount(1);
    setIndentation(19);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new TDelegueOrdre(m_images, this));
    // The chain always stays open.
    connect(this, &QTreeWidget::itemCollapsed, this,
            [](QTreeWidgetItem *noeud) { noeud->setExpanded(true); });

    connect(this, &QTreeWidget::currentItemChanged, this, &TArbreOrdre::PositionChangee);
}

void TArbreOrdre::PoserNoeud(QTreeWidgetItem *noeud, int champ, bool present)
{
    noeud->setData(0, RoleEtat, present ? kEtatPresent : kEtatAbsent);
    noeud->setText(0, LegendeChamp(champ));
    noeud->setData(0, RoleChamp, champ);
    // Assistive tools read the presence as a check mark (the delegate does not draw it).
    noeud->setFlags(noeud->flags() | Qt::ItemIsUserCheckable);
    noeud->setCheckState(0, present ? Qt::Checked : Qt::Unchecked);
}

void TArbreOrdre::SetCode(const QString &code)
{
    setUpdatesEnabled(false);
    clear();
    QTreeWidgetItem *parent = nullptr;
    for (const TElementOrdre &e : ElementsDepuisOrdre(code)) {
        auto *noeud = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
        PoserNoeud(noeud, e.Index, e.Present);
        parent = noeud;
    }
    expandAll();
    setCurrentItem(topLevelItem(0));
    setUpdatesEnabled(true);
    for (QTreeWidgetItem *noeud : Noeuds())
        Q_EMIT PresenceChangee(Champ(noeud), Present(noeud));
}

QString TArbreOrdre::Code() const
{
    QList<TElementOrdre> elements;
    for (QTreeWidgetItem *noeud : Noeuds())
        elements << TElementOrdre{Champ(noeud), LegendeChamp(Champ(noeud)), Present(noeud)};
    return OrdreDepuisElements(elements);
}

QList<QTreeWidgetItem *> TArbreOrdre::Noeuds() const
{
    QList<QTreeWidgetItem *> noeuds;
    for (QTreeWidgetItem *n = topLevelItem(0); n; n = n->childCount() ? n->child(0) : nullptr)
        noeuds << n;
    return noeuds;
}

QTreeWidgetItem *TArbreOrdre::Noeud(int champ) const
{
    for (QTreeWidgetItem *noeud : Noeuds())
        if (Champ(noeud) == champ)
            return noeud;
    return nullptr;
}

int TArbreOrdre::Champ(const QTreeWidgetItem *noeud)
{
    return noeud->data(0, RoleChamp).toInt();
}

bool TArbreOrdre::Present(const QTreeWidgetItem *noeud)
{
    return noeud->data(0, RoleEtat).toInt() == kEtatPresent;
}

int TArbreOrdre::NbPresents() const
{
    const QList<QTreeWidgetItem *> noeuds = Noeuds();
    return int(std::count_if(noeuds.begin(), noeuds.end(), &TArbreOrdre::Present));
}

bool TArbreOrdre::BasculerPresence(QTreeWidgetItem *noeud)
{
    if (!noeud)
        return false;
    const bool present = !Present(noeud);
    if (!present && NbPresents() <= 1)
        return false; // the last present field stays
    PoserNoeud(noeud, Champ(noeud), present);
    Q_EMIT PresenceChangee(Champ(noeud), present);
    return true;
}

QTreeWidgetItem *TArbreOrdre::Voisin(const QTreeWidgetItem *noeud, int sens) const
{
    if (!noeud)
        return nullptr;
    if (sens < 0)
        return noeud->parent();
    return noeud->childCount() ? noeud->child(0) : nullptr;
}

bool TArbreOrdre::PeutDeplacer(int sens) const
{
    return Voisin(currentItem(), sens) != nullptr;
}

bool TArbreOrdre::Deplacer(int sens)
{
    QTreeWidgetItem *noeud = currentItem();
    QTreeWidgetItem *autre = Voisin(noeud, sens);
    if (!autre)
        return false;
    const int champ = Champ(noeud);
    const bool present = Present(noeud);
    PoserNoeud(noeud, Champ(autre), Present(autre));
    PoserNoeud(autre, champ, present);
    setCurrentItem(autre);
    Q_EMIT PositionChangee();
    return true;
}

QRect TArbreOrdre::RectangleEtat(const QTreeWidgetItem *noeud) const
{
    return RectEtat(visualItemRect(noeud));
}

void TArbreOrdre::mousePressEvent(QMouseEvent *evenement)
{
    // A plain left press on a node's box toggles it; the second press of a double click
    // is no click on the box. The press goes on either way: it selects the node.
    if (evenement->button() == Qt::LeftButton && evenement->buttons() == Qt::LeftButton
        && evenement->modifiers() == Qt::NoModifier
        && !evenement->flags().testFlag(Qt::MouseEventCreatedDoubleClick)) {
        const QPoint point = evenement->position().toPoint();
        QTreeWidgetItem *noeud = itemAt(point);
        if (noeud && RectangleEtat(noeud).contains(point))
            BasculerPresence(noeud);
    }
    QTreeWidget::mousePressEvent(evenement);
}

void TArbreOrdre::keyPressEvent(QKeyEvent *evenement)
{
    const Qt::KeyboardModifiers modificateurs = evenement->modifiers() & ~Qt::KeypadModifier;
    if (evenement->key() == Qt::Key_Space && modificateurs == Qt::NoModifier) {
        if (!evenement->isAutoRepeat())
            BasculerPresence(currentItem());
        evenement->accept();
        return;
    }
    if ((evenement->key() == Qt::Key_Up || evenement->key() == Qt::Key_Down)
        && modificateurs == Qt::ControlModifier) {
        Deplacer(evenement->key() == Qt::Key_Up ? -1 : 1);
        evenement->accept();
        return;
    }
    QTreeWidget::keyPressEvent(evenement);
}
