#include "controls/Fenetres.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <xcb/xcb.h>

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
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

// The frame an X11 window manager announces on the window (_NET_FRAME_EXTENTS), in the
// window's pixels; none elsewhere, or before the window manager has taken the window.
QMargins CadreX11(const QWidget *fenetre)
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !fenetre->testAttribute(Qt::WA_WState_Created))
        return {};
    xcb_connection_t *connexion = x11->connection();
    static const xcb_atom_t atome = [connexion] {
        constexpr char nom[] = "_NET_FRAME_EXTENTS";
        xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(
            connexion, xcb_intern_atom(connexion, 0, sizeof nom - 1, nom), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }();
    if (atome == XCB_ATOM_NONE)
        return {};
    xcb_get_property_reply_t *r = xcb_get_property_reply(
        connexion, xcb_get_property(connexion, 0, xcb_window_t(fenetre->winId()), atome, XCB_ATOM_CARDINAL, 0, 4),
        nullptr);
    QMargins cadre;
    if (r && r->format == 32 && xcb_get_property_value_length(r) == 16) {
        // left, right, top, bottom, in device pixels: rounded up to the window's pixels.
        const auto *v = static_cast<const quint32 *>(xcb_get_property_value(r));
        const qreal ratio = fenetre->devicePixelRatioF();
        const auto px = [ratio](quint32 n) { return int(std::ceil(n / ratio)); };
        cadre = QMargins(px(v[0]), px(v[2]), px(v[1]), px(v[3]));
    }
    std::free(r);
    return cadre;
}

// The frame around the window as Qt knows it, or as the X11 window manager announces it
// where Qt has not heard of it yet (Qt learns it only from a later move or resize).
QMargins CadreActuel(const QWidget *fenetre)
{
    const QRect dehors = fenetre->frameGeometry();
    const QRect dedans = fenetre->geometry();
    const QMargins qt(dedans.left() - dehors.left(), dedans.top() - dehors.top(),
                      dehors.right() - dedans.right(), dehors.bottom() - dedans.bottom());
    return qt.isNull() ? CadreX11(fenetre) : qt;
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

// Places its window, and brings it inside its screen again whenever the window manager's
// frame around it shows up or changes (a maximised window is the window manager's to
// place): as wished, with the frame as it really is, while the window keeps the size it
// was given; where the user has sized it since, only inside the screen.
class TGardeCadre final : public QObject {
public:
    static constexpr char kNom[] = "clarvaneGardeCadre";

    explicit TGardeCadre(QWidget *fenetre) : QObject(fenetre), m_fenetre(fenetre), m_cadre(CadreActuel(fenetre))
    {
        setObjectName(QLatin1StringView(kNom));
        fenetre->installEventFilter(this);
    }

    // Looks at the frame, and places the window again when it has changed.
    void Verifier()
    {
        if (!m_fenetre)
            return;
        const QMargins cadre = CadreActuel(m_fenetre);
        if (cadre.isNull() || cadre == m_cadre)
            return;
        m_cadre = cadre;
        g_cadreConnu = cadre;
        if (m_fenetre->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
            return;
        // Still the size it was given (a fractional scale may round it by a pixel), or the
        // user's own.
        const QSize ecart = m_fenetre->size() - m_tailleDonnee;
        if (std::abs(ecart.width()) <= 1 && std::abs(ecart.height()) <= 1)
            Placer(m_placement);
        else
            Ramener(m_fenetre, m_fenetre->frameGeometry());
    }

    void Placer(const TPlacement &placement)
    {
        m_placement = placement;
        m_centrerSur = placement.centrerSur;
        const QMargins cadre = CadreFenetre(m_fenetre);
        const QSize dedans = placement.exterieure ? placement.taille.shrunkBy(cadre) : placement.taille;
        const QSize dehors = dedans.expandedTo(m_fenetre->minimumSize())
                                 .boundedTo(m_fenetre->maximumSize())
                                 .grownBy(cadre);
        QPoint coin;
        if (placement.coin) {
            coin = *placement.coin - QPoint(cadre.left(), cadre.top());
        } else {
            const QWidget *autour = m_centrerSur;
            const QScreen *ecran = autour ? autour->screen() : m_fenetre->screen();
            if (!ecran)
                ecran = QGuiApplication::primaryScreen();
            coin = CoinCentre(autour ? autour->geometry().marginsAdded(CadreFenetre(autour))
                               : ecran ? ecran->availableGeometry()
                                       : QRect(),
                              dehors);
        }
        Ramener(m_fenetre, QRect(coin, dehors));
        m_tailleDonnee = m_fenetre->size();
        if (m_fenetre->isVisible()) // placed while it is being shown
            VerifierBientot();
    }

protected:
    // The window manager takes the window once it is mapped, a little later.
    void VerifierBientot()
    {
        for (const int ms : {50, 250, 1000})
            QTimer::singleShot(ms, this, &TGardeCadre::Verifier);
    }

    bool eventFilter(QObject *objet, QEvent *evenement) override
    {
        const QEvent::Type type = evenement->type();
        if (objet == m_fenetre && (type == QEvent::Move || type == QEvent::Resize))
            Verifier();
        if (objet == m_fenetre && type == QEvent::Show)
            VerifierBientot();
        return QObject::eventFilter(objet, evenement);
    }

private:
    QPointer<QWidget> m_fenetre;
    QMargins m_cadre;
    TPlacement m_placement;
    QPointer<const QWidget> m_centrerSur; // m_placement's, as long as it lives
    QSize m_tailleDonnee;                 // the inside size the placement gave
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
    // No window of the program framed yet: so that the first window does not open with
    // its title bar off the screen (X11 tells the frame only once the window is up;
    // without a window manager the window is only a little smaller).
    return CadreCommun();
}

QMargins CadreCommun()
{
    const int titre = QFontMetrics(QFontDatabase::systemFont(QFontDatabase::TitleFont)).height() + 8;
    return {2, std::max(24, titre), 2, 4};
}

void PlacerFenetre(QWidget *fenetre, const TPlacement &placement)
{
    auto *garde = static_cast<TGardeCadre *>(
        fenetre->findChild<QObject *>(QLatin1StringView(TGardeCadre::kNom), Qt::FindDirectChildrenOnly));
    if (!garde)
        garde = new TGardeCadre(fenetre);
    garde->Placer(placement);
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
