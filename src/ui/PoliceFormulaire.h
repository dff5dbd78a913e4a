// The font of the program's windows: their geometry is fixed in pixels, so the font is
// chosen among the installed ones for widths that fit it.
#pragma once

#include <QFont>
#include <QList>
#include <QPair>
#include <QString>

// A text and the width in pixels it must fit in.
using TTexteLargeur = QPair<QString, int>;

// The first of these fonts in which every text of `textes` fits its width: the
// application's own font, Tahoma 8 pt where it is installed, Liberation Sans and DejaVu
// Sans (Condensed) at 10 or 11 pixels. When none fits, the one that clips the least.
QFont ChoisirPolice(const QList<TTexteLargeur> &textes);

// The font of the program's windows, chosen once with the widest labels of the main
// window and of the folder-name dialog.
QFont PoliceFormulaire();
