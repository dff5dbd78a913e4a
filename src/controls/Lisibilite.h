// What keeps the program readable under a light and a dark desktop alike: toggle buttons
// whose down state stands out, and pictures adapted to the colours behind them.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QAbstractButton;
class QAbstractScrollArea;
class QWidget;

// A checkable button that is down is drawn on the palette's Highlight colour with its
// caption in HighlightedText, whatever the style: one tells at a glance which of two
// toggles is down, in a light or a dark palette. The button keeps the application's
// style for everything else; the focus shows as RendreFocusVisible draws it. Safe to call
// more than once.
void AppliquerEtatEnfonce(QAbstractButton *bouton);

// The buttons, drop-down lists and check boxes of `fenetre` that take the focus show it
// with a dotted frame in their own text colour, readable on a light or a dark palette
// (and on a down toggle), besides what the application's style draws.
void RendreFocusVisible(QWidget *fenetre);

// Paints, from the paint event of a view (tree, list), a frame along the edges of its
// viewport while the view has the focus: two pixels in the selection's colour, made to
// stand out from the view's background. The selection alone does not tell which of
// several views has the focus.
void DessinerCadreFocus(QAbstractScrollArea *vue);

// A view that frames itself while it has the focus (DessinerCadreFocus).
template <typename TVue>
class TCadreFocus : public TVue {
public:
    using TVue::TVue;

protected:
    void paintEvent(QPaintEvent *evenement) override
    {
        TVue::paintEvent(evenement);
        DessinerCadreFocus(this);
    }
    void focusInEvent(QFocusEvent *evenement) override
    {
        TVue::focusInEvent(evenement);
        this->viewport()->update();
    }
    void focusOutEvent(QFocusEvent *evenement) override
    {
        TVue::focusOutEvent(evenement);
        this->viewport()->update();
    }
    // Scrolling moves what was painted, the frame's edges with it: painted again whole.
    void scrollContentsBy(int dx, int dy) override
    {
        TVue::scrollContentsBy(dx, dy);
        if (this->hasFocus())
            this->viewport()->update();
    }
};

// A colour `part` of the way from `a` to `b` (0 gives a, 1 gives b).
QColor Melange(const QColor &a, const QColor &b, double part);

// True for the palette of a dark desktop (a dark window colour).
bool PaletteSombre(const QPalette &palette);

// `couleur`, made lighter on a dark `fond` or darker on a light one until its contrast
// with it is at least `contrasteMin` (white or black at worst).
QColor CouleurQuiSeDetache(const QColor &couleur, const QColor &fond, double contrasteMin);

// The contrast ratio of two colours, from 1 (the same luminance) to 21 (black on white).
double Contraste(const QColor &a, const QColor &b);

// One of the program's SVG pictures (a resource compiled in, ":/...": nothing else is
// read), drawn for the palette it is shown with:
// - the parts of the drawing marked class="base" take the palette's Base colour as their
//   fill, those marked class="cadre" a frame colour halfway between Text and Base (the
//   state images of the order tree are boxes of the view's own colours, not white squares);
// - where the outline of the drawing hardly differs from `fond` (a dark picture on a dark
//   background), it is redrawn, with a thin halo around it where there is room, in a grey
//   that stands out from `fond`.
// A picture that already stands out from `fond` is drawn as it is.
QPixmap ImageLisible(const QString &chemin, const QPalette &palette, const QColor &fond, int taille = 16);
// The same on the palette's Base colour, the background of trees and lists.
QPixmap ImageLisible(const QString &chemin, const QPalette &palette, int taille = 16);

// An icon for a button (drawn on the palette's Button colour) from ImageLisible; a given
// `cheminInactif` is its disabled picture.
QIcon IconeLisible(const QString &chemin, const QPalette &palette, const QString &cheminInactif = {});
