// The font of the program's windows: the desktop's, or where the desktop names none, the
// one their dimensions were drawn for, chosen among the installed fonts.
#pragma once

#include <QFont>
#include <QList>
#include <QPair>
#include <QString>

class QWidget;

// A text and the width in pixels it must fit in.
using TTexteLargeur = QPair<QString, int>;

// The first of these fonts in which every text of `textes` fits its width: the
// application's own font, Tahoma 8 pt where it is installed, Liberation Sans and DejaVu
// Sans (Condensed) at 10 or 11 pixels. When none fits, the one that clips the least.
QFont ChoisirPolice(const QList<TTexteLargeur> &textes);

// The font the windows were drawn for: ChoisirPolice with the widest labels of the main
// window and of the folder-name dialog at their drawn widths, chosen once.
QFont PoliceFormulaire();

// True when `police` is Qt's own stand-in ("Sans Serif", 9 points), which it takes where
// no desktop says which font it uses (a bare X server, a window manager alone).
bool PoliceParDefautDeQt(const QFont &police);

// Gives the window the desktop's font (the application's), so that it follows its size;
// or PoliceFormulaire where the application's font is only Qt's stand-in. Call it again
// when the application's font changes.
void AppliquerPoliceFenetre(QWidget *fenetre);
