#include "controls/Fenetres.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPalette>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include "controls/Lisibilite.h"

namespace {

// The last frame seen around a window of the program: a window not shown yet has none,
// and the next one will very likely get the same.
QMargins g_cadreConnu;

QMargins CadreActuel(const QWidget *fenetre)
{
    const QRect dehors = fenetre->frameGeometry();
    const QRect dedans = fenetre->geometry();
    return {dedans.left() - dehors.left(), dedans.top() - dehors.top(),
            dehors.right() - dedans.right(), dehors.bottom() - dedans.bottom()};
}

const QScreen *EcranDe(const QPoint &point, const QWidget *repli)
{
    if (QScreen *ecran = QGuiApplication::screenAt(point))
        return ecran;
    if (repli && repli->screen())
        return repli->screen();
    return QGuiApplication::primaryScreen();
}

// Gives the window the outer rectangle `dehors`, brought inside the free area of the
// screen that holds its centre.
void Ramener(QWidget *fenetre, const QRect &dehors)
{
    const QMargins cadre = CadreFenetre(fenetre);
    const QScreen *ecran = EcranDe(dehors.center(), fenetre);
    if (!ecran)
        return;
    // With a fractional scale the frame's size is rounded: a pixel kept free at the right
    // and the bottom, so that it never runs past the edge.
    QRect zone = ecran->availableGeometry();
    if (ecran->devicePixelRatio() != std::floor(ecran->devicePixelRatio()))
        zone.adjust(0, 0, -1, -1);
    const QRect place = RamenerDansZone(dehors, zone, fenetre->minimumSize().grownBy(cadre));
    fenetre->setGeometry(place.marginsRemoved(cadre));
}

// Brings its window inside its screen again whenever the window manager's frame around
// it shows up or changes (a maximised window is the window manager's to place).
class TGardeCadre final : public QObject {
public:
    static constexpr char kNom[] = "clarvaneGardeCadre";

    TGardeCadre(QWidget *fenetre, const QMargins &cadre) : QObject(fenetre), m_fenetre(fenetre), m_cadre(cadre)
    {
        setObjectName(QLatin1StringView(kNom));
        fenetre->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *objet, QEvent *evenement) override
    {
        const QEvent::Type type = evenement->type();
        if (objet == m_fenetre && (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize)) {
            const QMargins cadre = CadreActuel(m_fenetre);
            if (!cadre.isNull() && cadre != m_cadre) {
                m_cadre = cadre;
                g_cadreConnu = cadre;
                if (!(m_fenetre->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
                    Ramener(m_fenetre, m_fenetre->frameGeometry());
            }
        }
        return QObject::eventFilter(objet, evenement);
    }

private:
    QPointer<QWidget> m_fenetre;
    QMargins m_cadre;
};

} // namespace

TPageDefilante::TPageDefilante(QWidget *page, QWidget *parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    // Sized here, not by QScrollArea: a page holding word-wrapped text would otherwise be
    // given the height its texts prefer, and scroll for nothing.
    setWidgetResizable(false);
    setWidget(page);
}

void TPageDefilante::resizeEvent(QResizeEvent *evenement)
{
    QScrollArea::resizeEvent(evenement);
    if (QWidget *page = widget())
        page->resize(viewport()->size().expandedTo(page->minimumSizeHint()));
}

QPoint CoinCentre(const QRect &zone, const QSize &taille)
{
    return {zone.x() + (zone.width() - taille.width()) / 2,
            zone.y() + (zone.height() - taille.height()) / 2};
}

QRect RamenerDansZone(const QRect &souhaite, const QRect &zone, const QSize &minimum)
{
    const QSize taille = souhaite.size().boundedTo(zone.size()).expandedTo(minimum);
    // Moved in from the right and the bottom first, then from the left and the top, so
    // that a window larger than the zone keeps its title bar in it.
    int x = std::min(souhaite.x(), zone.x() + zone.width() - taille.width());
    int y = std::min(souhaite.y(), zone.y() + zone.height() - taille.height());
    x = std::max(x, zone.x());
    y = std::max(y, zone.y());
    return {QPoint(x, y), taille};
}

QMargins CadreFenetre(const QWidget *fenetre)
{
    const QMargins cadre = CadreActuel(fenetre);
    if (!cadre.isNull())
        return cadre;
    if (!g_cadreConnu.isNull())
        return g_cadreConnu;
    // No window of the program framed yet: a title bar and borders as most window
    // managers draw them, so that the first window does not open with its title bar off
    // the screen (X11 tells the frame only once the window is up, and Qt does not always
    // hear of it then; without a window manager the window is only a little smaller).
    const int titre = QFontMetrics(QFontDatabase::systemFont(QFontDatabase::TitleFont)).height() + 8;
    return {2, std::max(24, titre), 2, 4};
}

void PlacerFenetre(QWidget *fenetre, const TPlacement &placement)
{
    const QMargins cadre = CadreFenetre(fenetre);
    const QSize dehors = placement.taille.expandedTo(fenetre->minimumSize())
                             .boundedTo(fenetre->maximumSize())
                             .grownBy(cadre);
    QPoint coin;
    if (placement.coin) {
        coin = *placement.coin;
    } else {
        const QScreen *ecran = placement.centrerSur ? placement.centrerSur->screen() : fenetre->screen();
        if (!ecran)
            ecran = QGuiApplication::primaryScreen();
        const QRect autour = placement.centrerSur ? placement.centrerSur->frameGeometry()
                             : ecran               ? ecran->availableGeometry()
                                                   : QRect();
        coin = CoinCentre(autour, dehors);
    }
    Ramener(fenetre, QRect(coin, dehors));
    if (!fenetre->findChild<QObject *>(QLatin1StringView(TGardeCadre::kNom), Qt::FindDirectChildrenOnly))
        new TGardeCadre(fenetre, CadreActuel(fenetre));
}

TCurseurOccupe::TCurseurOccupe() { QApplication::setOverrideCursor(Qt::WaitCursor); }
TCurseurOccupe::~TCurseurOccupe() { QApplication::restoreOverrideCursor(); }

namespace {
// Without the focus the selection takes a shade between the selection's colour and the
// view's own, its text whichever of the two text colours reads best on it. Drawn again
// when the palette changes (the desktop went dark or light).
class TSelectionPale final : public QObject {
public:
    static constexpr char kNom[] = "clarvaneSelectionPale";

    explicit TSelectionPale(QWidget *widget) : QObject(widget)
    {
        setObjectName(QLatin1StringView(kNom));
        Appliquer(widget);
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *objet, QEvent *evenement) override
    {
        if (evenement->type() == QEvent::PaletteChange)
            Appliquer(static_cast<QWidget *>(objet));
        return QObject::eventFilter(objet, evenement);
    }

private:
    static void Appliquer(QWidget *widget)
    {
        QPalette p = widget->palette();
        const QColor surligne = p.color(QPalette::Active, QPalette::Highlight);
        const QColor pale = Melange(surligne, p.color(QPalette::Active, QPalette::Base), 0.45);
        const QColor texteSurligne = p.color(QPalette::Active, QPalette::HighlightedText);
        const QColor texte = p.color(QPalette::Active, QPalette::Text);
        const QColor textePale = Contraste(texteSurligne, pale) >= Contraste(texte, pale) ? texteSurligne : texte;
        if (p.color(QPalette::Inactive, QPalette::Highlight) == pale
            && p.color(QPalette::Inactive, QPalette::HighlightedText) == textePale)
            return; // already so: setting it again would announce a change once more
        p.setColor(QPalette::Inactive, QPalette::Highlight, pale);
        p.setColor(QPalette::Inactive, QPalette::HighlightedText, textePale);
        widget->setPalette(p);
    }
};
} // namespace

void SelectionToujoursVisible(QWidget *widget)
{
    if (!widget->findChild<QObject *>(QLatin1StringView(TSelectionPale::kNom), Qt::FindDirectChildrenOnly))
        new TSelectionPale(widget);
}
