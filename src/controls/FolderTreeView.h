// A tree for picking a folder: the desktop, the documents folder and the volumes at its
// root, their folders read lazily one level at a time as nodes are first expanded.
#pragma once

#include <QIcon>
#include <QList>
#include <QSet>
#include <QString>
#include <QTreeWidget>

#include "controls/Lisibilite.h"

#include "systeme/Volumes.h"

class QAction;
class QMenu;

// The record of every node but the "*" placeholders; it lives exactly as long as its node.
struct TInfoNoeud {
    bool Loaded = false;   // the children are the real sub-folders, read and sorted
    QString Path;          // the folder, ending with "/"
};

// The caption of a volume node: "(/media/anne/EOS_DIGITAL) 1A2B-3C4D - \"EOS_DIGITAL\"",
// the serial left out when either of its 16-bit halves is zero, the label when empty.
QString DriveCaption(const TVolume &volume);

// True when the folder holds a sub-folder whose name does not begin with "."; stops
// reading at the first one. An unreadable or missing folder gives false.
bool HasSubFolders(const QString &dossier);

class TFolderTreeView : public TCadreFocus<QTreeWidget> {
    Q_OBJECT
    Q_PROPERTY(bool _ShowShellNodes READ ShowShellNodes WRITE SetShowShellNodes)

public:
    // Indexes in ImageList(), stored on each node under RoleImage.
    enum Image {
        ImBureau, ImMesDocuments, ImAmovible, ImDisqueDur, ImCDROM, ImReseau, ImRAM,
        ImDossierFerme, ImDossierOuvert
    };
    static constexpr int RoleImage = Qt::UserRole + 1;

    // `volumes` is not owned; null: the machine's volumes.
    explicit TFolderTreeView(QWidget *parent = nullptr, IFournisseurVolumes *volumes = nullptr);
    ~TFolderTreeView() override;

    bool ShowShellNodes() const { return m_ShowShellNodes; }
    void SetShowShellNodes(bool montrer);
    void SetVolumes(IFournisseurVolumes *volumes); // null: the machine's volumes

    // Builds the root level: "Bureau" and "Mes Documents" (with _ShowShellNodes, each when
    // its folder exists), then one node per volume. Rebuilds it when called again.
    void Populate();

    // The selected node's folder, ending with "/"; empty when nothing is selected.
    QString SelectedPath() const;
    // Selects the node of an absolute folder path (trailing "/" optional), reading the
    // levels on the way. Nothing happens for the current path. Throws
    // EErreur(u"Chemin non trouvé."_s), leaving the tree unchanged, when the folder does
    // not exist. A path under no root node selects nothing and throws nothing.
    void SetSelectedPath(const QString &path);

    // Creates `name` (blanks trimmed; "a/b" makes both levels) inside the selected folder,
    // shows and selects it. False when nothing is selected, the name leaves the selected
    // folder ("..") or the folder does not exist afterwards.
    bool CreateSubFolder(const QString &name);

    // Reads the selected node's sub-folders again (and a volume's caption); leaves it
    // collapsed. Nothing without a selection.
    void RefreshSelected();

    // Reads again the sub-folders of every expanded node (after a run has made or renamed
    // folders), keeping the expanded nodes expanded, the selection and the scroll
    // position. A selected folder that no longer exists leaves the tree without a
    // selection rather than moving it elsewhere behind the user's back; an expanded
    // folder that no longer exists goes with its parent's new children.
    void RafraichirDeplies();

    // Replaces the children of a node by its sorted sub-folders and marks it loaded.
    void LoadChildren(QTreeWidgetItem *noeud);

    QTreeWidgetItem *DesktopNode() const { return m_DesktopNode; }
    QTreeWidgetItem *DocumentsNode() const { return m_DocumentsNode; }
    // The node's record; null for a placeholder or a null item.
    static TInfoNoeud *Info(QTreeWidgetItem *noeud);
    const QList<QIcon> &ImageList() const { return m_ImageList; }
    QMenu *RefreshMenu() const { return m_RefreshMenu; }
    QAction *RefreshAction() const { return m_actRafraichir; }

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void NoeudDeploye(QTreeWidgetItem *noeud);
    void ActualiserMenu();
    void ViderEnfants(QTreeWidgetItem *noeud);
    void RechargerDeplies(QTreeWidgetItem *noeud, const QSet<QString> &deplies, const QSet<QString> &aRelire);
    QTreeWidgetItem *NoeudDuChemin(const QString &chemin) const;
    QTreeWidgetItem *NouveauNoeud(const QString &legende, int image, const QString &chemin);
    void PoserImage(QTreeWidgetItem *noeud, int image);
    // The icons drawn for the palette of now (light or dark desktop).
    void ChargerImages();
    void MajHint(const QPoint &position);
    IFournisseurVolumes &Volumes() const;

    bool m_ShowShellNodes = false;
    QTreeWidgetItem *m_DesktopNode = nullptr;
    QTreeWidgetItem *m_DocumentsNode = nullptr;
    QList<QIcon> m_ImageList;
    QIcon m_IconeDossier; // closed, open while selected
    QMenu *m_RefreshMenu = nullptr;
    QAction *m_actRafraichir = nullptr;
    IFournisseurVolumes *m_volumes = nullptr;
};
