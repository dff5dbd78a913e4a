// Small rules shared by the program's windows: centring on the screen, the busy cursor,
// a selection that stays visible without the focus.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// The top-left corner that centres an outer size of `taille` in `zone`.
QPoint CoinCentre(const QRect &zone, const QSize &taille);

// Centres the window, frame included, on the free area of its screen; nothing without a
// screen.
void CentrerFenetre(QWidget *fenetre);

// The busy cursor over the whole application, for as long as the object lives. They nest.
class TCurseurOccupe final {
public:
    TCurseurOccupe();
    ~TCurseurOccupe();
    TCurseurOccupe(const TCurseurOccupe &) = delete;
    TCurseurOccupe &operator=(const TCurseurOccupe &) = delete;
};

// The selection keeps its colours when the widget loses the focus.
void SelectionToujoursVisible(QWidget *widget);
