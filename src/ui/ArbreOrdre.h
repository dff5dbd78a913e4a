// The order tree of the EXIF fields: a chain of six nodes, top to bottom the order of the
// values in a name, each with its presence drawn as a check box. A click on the box (or
// Space) toggles the presence, the arrows (or Ctrl+Up / Ctrl+Down) move the current field.
// Assistive tools read each node's caption and its presence as a check mark.
#pragma once

#include <QList>
#include <QPixmap>
#include <QTreeWidget>

#include "controls/Lisibilite.h"

class TArbreOrdre final : public TCadreFocus<QTreeWidget> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TArbreOrdre)

public:
    // Item data of a node: its field index (0..5) and its state image (kEtatAbsent,
    // kEtatPresent).
    static constexpr int RoleChamp = Qt::UserRole + 1;
    static constexpr int RoleEtat = Qt::UserRole + 2;

    // The images: 2k / 2k+1 the field k normal / highlighted, 12 the empty check box,
    // 13 the check box with a green cross.
    static constexpr int kEtatAbsent = 12;
    static constexpr int kEtatPresent = 13;

    explicit TArbreOrdre(QWidget *parent = nullptr);

    // Shows the fields of `code` (passed through ValiderOrdre), the top one current.
    void SetCode(const QString &code);
    // The order code of the nodes as they stand, read top to bottom.
    QString Code() const;

    // The nodes, top to bottom; the node of field `champ` (0..5), or null.
    QList<QTreeWidgetItem *> Noeuds() const;
    QTreeWidgetItem *Noeud(int champ) const;
    static int Champ(const QTreeWidgetItem *noeud);
    static bool Present(const QTreeWidgetItem *noeud);
    int NbPresents() const;

    // Toggles the presence of `noeud`; false (nothing changed) when it is the last present
    // field or null.
    bool BasculerPresence(QTreeWidgetItem *noeud);
    // Moves the current field one place up (sens -1) or down (+1): the nodes stay, their
    // fields change places and the current node follows the field. False when there is
    // no place that way.
    bool Deplacer(int sens);
    bool PeutDeplacer(int sens) const;

    // The rectangle of a node's state image, in viewport coordinates.
    QRect RectangleEtat(const QTreeWidgetItem *noeud) const;

Q_SIGNALS:
    // A field's presence changed (by click, key or SetCode).
    void PresenceChangee(int champ, bool present);
    // The current field moved, or the current node changed: the arrows may change.
    void PositionChangee();

protected:
    void mousePressEvent(QMouseEvent *evenement) override;
    void keyPressEvent(QKeyEvent *evenement) override;
    void changeEvent(QEvent *evenement) override;

private:
    // The images drawn for the palette of now: the check boxes in the view's own colours,
    // the highlighted icons on the selection's colour.
    void ChargerImages();
    void PoserNoeud(QTreeWidgetItem *noeud, int champ, bool present);
    QTreeWidgetItem *Voisin(const QTreeWidgetItem *noeud, int sens) const;

    QList<QPixmap> m_images;
};
