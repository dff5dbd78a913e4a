// Building blocks of the program's windows, which Qt layouts arrange: labels, drop-downs,
// check boxes and buttons created under their names (objectName), the buttons' icons, and
// the dimensions the windows were drawn with (in pixels, for Tahoma 8 points), taken at
// the scale of the window's font so that the windows follow the desktop's font.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSize>
#include <QString>

class QFont;
class QIcon;
class QLabel;
class QPalette;
class QWidget;

// A toggle button. Each toggle of a group stays on the Tab chain (Qt keeps only the
// focused one there, as for radio buttons).
class TBoutonBascule final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void focusInEvent(QFocusEvent *evenement) override;
};

// A drop-down list that assistive tools call by its accessible name and whose value is
// its item (on Linux, Qt gives a list its item as its name as well).
class TListe final : public QComboBox {
    Q_OBJECT

public:
    explicit TListe(QWidget *parent = nullptr);

    // Items it may hold on another day or in another state, which its width must leave
    // room for as well (Besoin).
    void SetTextesPossibles(const QStringList &textes) { m_textesPossibles = textes; }
    const QStringList &TextesPossibles() const { return m_textesPossibles; }

private:
    QStringList m_textesPossibles;
};

// A check box whose caption goes on as many lines as its width leaves it, word by word;
// wide enough for one line, it is drawn as any check box.
class TCase final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

    // The narrowest it can be: its box and its longest word.
    int LargeurMin() const;
    // Its height at `largeur`: its caption on as many lines as it needs there.
    int HauteurPour(int largeur) const;

protected:
    void paintEvent(QPaintEvent *evenement) override;
    bool hitButton(const QPoint &point) const override;

private:
    // The room its caption takes beside the box, at `largeur`.
    QRect ZoneTexte(int largeur) const;
    bool SurUneLigne() const { return width() >= sizeHint().width(); }
};

// The scale of the drawn dimensions for a window in `police`: its line height against the
// 13 pixels of the font they were drawn for; never below 1, so that a smaller font keeps
// the drawn sizes.
double EchelleDessin(const QFont &police);

// `pixels` of the drawing at `echelle`.
int AEchelle(int pixels, double echelle);

// What a control needs to show its contents whole: its size hint; for a drop-down list,
// the room its widest item needs beside the arrow.
QSize Besoin(const QWidget *controle);

// The size of a control that the drawing gives as `dessin`, at `echelle`, or more where
// its contents need more (Besoin: a longer text, a larger font).
QSize TailleDessin(const QWidget *controle, const QSize &dessin, double echelle);

// The room to leave below an item `hauteur` high whose next one the drawing puts `pas`
// pixels below its top: the drawing's pitch at the scale, and never less than `ecartMin`.
int EcartDessin(int pas, int hauteur, double echelle, int ecartMin = 1);

// The button picture ":/boutons/<nom>.svg" drawn to stand out on `palette` (light or dark
// desktop), with "<nom>_inactif.svg" for the disabled state when `avecInactif`.
QIcon Icone(const QString &nom, const QPalette &palette, bool avecInactif = false);

QLabel *Etiquette(const QString &texte, const QString &nom, QWidget *parent);
TListe *Liste(const QString &nom, QWidget *parent);
TCase *Case(const QString &texte, const QString &nom, QWidget *parent);
// `bouton` named, with its 16-pixel picture Icone(icone) left of its caption.
QPushButton *Bouton(QPushButton *bouton, const QString &nom, const QString &icone, bool avecInactif = false);
// Every button of `fenetre` made by Bouton takes its picture drawn for its palette of now
// (the desktop went dark or light).
void RedessinerIcones(QWidget *fenetre);
