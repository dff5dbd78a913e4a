// Building blocks of a window laid out in pixels: labels, drop-downs, check boxes and
// buttons created at their place under their names (objectName), and the buttons' icons.
#pragma once

#include <QPushButton>
#include <QRect>
#include <QString>

class QCheckBox;
class QComboBox;
class QIcon;
class QLabel;
class QPalette;
class QWidget;

// The button picture ":/boutons/<nom>.svg" drawn to stand out on `palette` (light or dark
// desktop), with "<nom>_inactif.svg" for the disabled state when `avecInactif`.
QIcon Icone(const QString &nom, const QPalette &palette, bool avecInactif = false);

QLabel *Etiquette(const QString &texte, const QString &nom, QWidget *parent, const QRect &position);
QComboBox *Liste(const QString &nom, QWidget *parent, const QRect &position);
QCheckBox *Case(const QString &texte, const QString &nom, QWidget *parent, const QRect &position);
// `bouton` named, with its 16-pixel picture Icone(icone) left of its caption, at its place.
QPushButton *Bouton(QPushButton *bouton, const QString &nom, const QString &icone,
                    const QRect &position, bool avecInactif = false);
// Every button of `fenetre` made by Bouton takes its picture drawn for its palette of now
// (the desktop went dark or light).
void RedessinerIcones(QWidget *fenetre);

// The drop-down part shows every item whole, even where the closed list is narrow.
void ElargirListe(QComboBox *liste);
