// The preview window: the folder tree that a run would make, and its list of problems.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

#include "metadata/TEnrFichier.h"

class QFrame;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

// Cuts `texte` at every `caractere`: each piece is what stands before the next
// occurrence, unchanged (possibly empty); after each cut, the rest loses the spaces and
// control characters at both ends; a non-empty last rest is the last piece.
// Decouper("a/b/c", '/') gives a, b, c; Decouper("/x", '/') gives "", x; "" gives nothing.
QStringList Decouper(const QString &texte, QChar caractere);

class TfmApercu final : public QDialog {
    Q_OBJECT

public:
    // The item data role that carries a file node's size (qint64); folder nodes carry none.
    static constexpr int kRoleTaille = Qt::UserRole;
    // The role that carries a companion's size instead: a companion node follows its
    // image's node, shows its target name and size, and counts in no folder's total.
    static constexpr int kRoleTailleCompagnon = Qt::UserRole + 1;

    explicit TfmApercu(QWidget *parent = nullptr);

    // Fills the window once, before it is shown. `resultats` are the preview's entries
    // sorted by ComparerFichiers, with Dossier relative to `dossierBase` ("/" alone for
    // the base itself, else beginning and ending with "/"), each with the companions that
    // go with it; `erreurs` the run's lines.
    void Remplir(bool copie, const QString &dossierBase, const TListeImages &resultats,
                 const QStringList &erreurs);

    // The text that btCopierPP puts on the clipboard for the tab shown now: the tree, one
    // line per node with one tab per level, or the error lines; each line ends with CR LF.
    QString TexteCopie() const;

    // The controls, under their names (also their object names).
    QFrame *pnCommandes = nullptr;
    QPushButton *btCopierPP = nullptr;
    QPushButton *btQuitter = nullptr;
    QTabWidget *pcApercu = nullptr;
    QWidget *tsArborescence = nullptr;
    QTreeWidget *tvApercu = nullptr;
    QWidget *tsErreurs = nullptr;
    QPlainTextEdit *mmErreurs = nullptr;
    // 0 closed folder, 1 open folder, 2 page, 3 highlighted page.
    QList<QIcon> ilApercu;

public Q_SLOTS:
    void btCopierPPClick();
    void btQuitterClick();

protected:
    void showEvent(QShowEvent *evenement) override;

private:
    QTreeWidgetItem *NouveauDossier(const QString &texte);
    // The drawn outer size at the scale of the window's font.
    QSize TailleInitiale() const;

    QIcon m_iconeDossier; // closed, open while selected
    QIcon m_iconeFichier; // page, highlighted while selected
    bool m_dejaMontre = false;
    double m_echelle = 1.0; // of the drawn dimensions, for the window's font
};
