// Small rules shared by the program's windows: where a window opens and how it is kept
// inside its screen, the busy cursor, a selection that stays visible without the focus.
#pragma once

#include <optional>

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QScrollArea>
#include <QSize>

class QWidget;

// A page of controls that takes all the room of its area, and scrolls only where the area
// is smaller than what the page's layout needs (a large font on a small screen). No frame,
// no place on the Tab chain; the focused control is scrolled into view.
class TPageDefilante final : public QScrollArea {
public:
    explicit TPageDefilante(QWidget *page, QWidget *parent = nullptr);

protected:
    void resizeEvent(QResizeEvent *evenement) override;
};

// The top-left corner that centres an outer size of `taille` in `zone`.
QPoint CoinCentre(const QRect &zone, const QSize &taille);

// The outer rectangle (frame included) that a window wishing for `souhaite` takes in
// `zone`, the free area of its screen: no larger than the zone but never smaller than
// `minimum` (an outer size too), and moved just enough to lie inside it. Where even the
// minimum is larger than the zone, its top-left corner, where the title bar is, stays in.
QRect RamenerDansZone(const QRect &souhaite, const QRect &zone, const QSize &minimum);

// Where a top-level window opens: its inside size (or its outer size, frame included,
// when `exterieure`), and the place of its inside's top-left corner, or else centred,
// frame included, on `centrerSur` (a window) or on its screen.
struct TPlacement {
    QSize taille;
    std::optional<QPoint> coin;
    const QWidget *centrerSur = nullptr;
    bool exterieure = false;
};

// Sizes and places the window before it is shown, inside the free area of its screen
// (the screen of the corner, or of the window it is centred on). The window manager's
// frame is known only once it has taken the window: when it shows up, or changes, the
// window is placed again with it (an outer size then gives the inside the frame leaves),
// or only brought inside its screen once the user has sized it, unless maximised. The
// user's own moves are left alone.
void PlacerFenetre(QWidget *fenetre, const TPlacement &placement);

// The frame the window manager puts around `fenetre`; while none is known (before it is
// shown), the last one seen around a window of the program, or else a common title bar
// and borders.
QMargins CadreFenetre(const QWidget *fenetre);

// A title bar and borders as most window managers draw them.
QMargins CadreCommun();

// The busy cursor over the whole application, for as long as the object lives. They nest.
class TCurseurOccupe final {
public:
    TCurseurOccupe();
    ~TCurseurOccupe();
    TCurseurOccupe(const TCurseurOccupe &) = delete;
    TCurseurOccupe &operator=(const TCurseurOccupe &) = delete;
};

// The selection stays visible when the widget loses the focus, in a paler shade of the
// selection's colour, so that one still sees which control has the focus.
void SelectionToujoursVisible(QWidget *widget);
