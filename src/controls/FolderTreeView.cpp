// The folder tree: lazy loading, the walk to a path, folder creation, refresh and hint.
#include "controls/FolderTreeView.h"

#include <algorithm>
#include <functional>

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolTip>

#include "commun/Chemins.h"
#include "commun/EErreur.h"
#include "commun/NomsFichiers.h"
#include "controls/Fenetres.h"
#include "controls/Lisibilite.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kTypeNoeud = QTreeWidgetItem::UserType + 1;

// A node with its record: the record is released with the node, by the tree. Assistive
// tools read its caption as its name and its folder, as the hint shows it, as its
// description.
class TNoeud final : public QTreeWidgetItem {
public:
    TNoeud() : QTreeWidgetItem(kTypeNoeud) {}
    QVariant data(int colonne, int role) const override
    {
        if (role == Qt::AccessibleDescriptionRole)
            return NomLisible(Info.Path);
        return QTreeWidgetItem::data(colonne, role);
    }
    TInfoNoeud Info;
};

QTreeWidgetItem *NouveauPlaceholder()
{
    auto *p = new QTreeWidgetItem(QStringList{u"*"_s});
    p->setFlags(Qt::ItemIsEnabled);
    return p;
}

// A folder shown in the tree: a folder (a link to one counts) whose name does not begin
// with ".".
bool SousDossierVisible(const TListeDossier &dossier, const dirent &entree)
{
    return entree.d_name[0] != '.' && dossier.EstDossier(entree);
}

// True at the first sub-folder shown; the rest of the folder is not read.
bool ASousDossiers(TListeDossier &dossier)
{
    while (const dirent *e = dossier.Suivante())
        if (SousDossierVisible(dossier, *e))
            return true;
    return false;
}

bool OrdreLegendes(const QString &a, const QString &b)
{
    const int c = QString::localeAwareCompare(a, b);
    return c != 0 ? c < 0 : a < b;
}

QString AvecSeparateur(const QString &chemin)
{
    return chemin.endsWith(u'/') ? chemin : chemin + u'/';
}

// An absolute folder path that exists, a link to a folder too, of any length.
bool DossierAbsolu(const QString &chemin)
{
    return chemin.startsWith(u'/') && EstDossier(NomEnOctets(chemin));
}

// The path without ".", ".." or doubled "/", by its text alone, ending with "/".
QString Nettoye(const QString &chemin)
{
    return AvecSeparateur(NomDepuisOctets(CheminNettoye(NomEnOctets(chemin))));
}

} // namespace

QString DriveCaption(const TVolume &volume)
{
    QString point = volume.PointMontage;
    if (point.size() > 1 && point.endsWith(u'/'))
        point.chop(1);
    const quint32 haut = volume.Serie >> 16;
    const quint32 bas = volume.Serie & 0xFFFF;
    if (haut != 0 && bas != 0) {
        const QString serie = QString::number(haut, 16).toUpper() + u'-' + QString::number(bas, 16).toUpper();
        if (!volume.Nom.isEmpty())
            return u"(%1) %2 - \"%3\""_s.arg(point, serie, volume.Nom);
        return u"(%1) %2"_s.arg(point, serie);
    }
    if (!volume.Nom.isEmpty())
        return u"(%1) \"%2\""_s.arg(point, volume.Nom);
    return u"(%1)"_s.arg(point);
}

bool HasSubFolders(const QString &dossier)
{
    TListeDossier liste(NomEnOctets(dossier));
    return ASousDossiers(liste);
}

TFolderTreeView::TFolderTreeView(QWidget *parent, IFournisseurVolumes *volumes)
    : TCadreFocus<QTreeWidget>(parent), m_volumes(volumes)
{
    ChargerImages();

    m_RefreshMenu = new QMenu(this);
    m_actRafraichir = new QAction(u"&Rafraîchir"_s, this);
    m_actRafraichir->setShortcut(QKeySequence(Qt::Key_F5));
    m_actRafraichir->setShortcutContext(Qt::WidgetShortcut);
    m_RefreshMenu->addAction(m_actRafraichir);
    addAction(m_actRafraichir);
    connect(m_RefreshMenu, &QMenu::aboutToShow, this, &TFolderTreeView::ActualiserMenu);
    connect(m_actRafraichir, &QAction::triggered, this, &TFolderTreeView::RefreshSelected);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &TFolderTreeView::ActualiserMenu);
    connect(this, &QTreeWidget::itemExpanded, this, &TFolderTreeView::NoeudDeploye);
    ActualiserMenu();

    setColumnCount(1);
    setHeaderHidden(true);
    // Long volume captions scroll sideways instead of being cut.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    // Measuring every row of a folder of thousands would triple the cost of opening it.
    header()->setResizeContentsPrecision(250);
    setIndentation(19);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true);
    SelectionToujoursVisible(this);
}

TFolderTreeView::~TFolderTreeView() = default;

void TFolderTreeView::ChargerImages()
{
    static const char *const kImages[] = {
        "bureau", "mes_documents", "removable", "hard_disk", "cdrom", "network", "ram",
        "folder_close", "folder_open"};
    const QPalette p = palette();
    m_ImageList.clear();
    for (const char *nom : kImages)
        m_ImageList.append(QIcon(ImageLisible(u":/arbre/"_s + QLatin1StringView(nom) + u".svg"_s, p)));
    m_IconeDossier = QIcon();
    m_IconeDossier.addPixmap(ImageLisible(u":/arbre/folder_close.svg"_s, p), QIcon::Normal);
    m_IconeDossier.addPixmap(ImageLisible(u":/arbre/folder_open.svg"_s, p, p.color(QPalette::Highlight)),
                             QIcon::Selected);
}

void TFolderTreeView::changeEvent(QEvent *event)
{
    QTreeWidget::changeEvent(event);
    if (event->type() != QEvent::PaletteChange)
        return;
    // The desktop went dark or light: every node takes the icons drawn for it.
    ChargerImages();
    const std::function<void(QTreeWidgetItem *)> redessiner = [&](QTreeWidgetItem *n) {
        if (Info(n)) {
            const int image = n->data(0, RoleImage).toInt();
            n->setIcon(0, image == ImDossierFerme ? m_IconeDossier : m_ImageList.value(image));
        }
        for (int i = 0; i < n->childCount(); ++i)
            redessiner(n->child(i));
    };
    for (int i = 0; i < topLevelItemCount(); ++i)
        redessiner(topLevelItem(i));
}

void TFolderTreeView::SetShowShellNodes(bool montrer)
{
    m_ShowShellNodes = montrer;
}

void TFolderTreeView::SetVolumes(IFournisseurVolumes *volumes)
{
    m_volumes = volumes;
}

IFournisseurVolumes &TFolderTreeView::Volumes() const
{
    return m_volumes ? *m_volumes : TVolumesSysteme::Instance();
}

TInfoNoeud *TFolderTreeView::Info(QTreeWidgetItem *noeud)
{
    return noeud && noeud->type() == kTypeNoeud ? &static_cast<TNoeud *>(noeud)->Info : nullptr;
}

void TFolderTreeView::PoserImage(QTreeWidgetItem *noeud, int image)
{
    noeud->setData(0, RoleImage, image);
    noeud->setIcon(0, m_ImageList.value(image));
}

QTreeWidgetItem *TFolderTreeView::NouveauNoeud(const QString &legende, int image, const QString &chemin)
{
    auto *n = new TNoeud;
    n->setText(0, legende);
    PoserImage(n, image);
    n->Info.Path = chemin;
    return n;
}

void TFolderTreeView::Populate()
{
    clear();
    m_DesktopNode = m_DocumentsNode = nullptr;
    IFournisseurVolumes &volumes = Volumes();
    if (m_ShowShellNodes) {
        const auto shell = [this](const QString &dossier, const QString &legende, int image) -> QTreeWidgetItem * {
            if (!DossierAbsolu(dossier))
                return nullptr;
            QTreeWidgetItem *n = NouveauNoeud(legende, image, Nettoye(dossier));
            if (HasSubFolders(Info(n)->Path))
                n->addChild(NouveauPlaceholder());
            addTopLevelItem(n);
            return n;
        };
        m_DesktopNode = shell(volumes.DossierBureau(), u"Bureau"_s, ImBureau);
        m_DocumentsNode = shell(volumes.DossierDocuments(), u"Mes Documents"_s, ImMesDocuments);
    }
    for (const TVolume &v : volumes.Volumes()) {
        if (!v.PointMontage.startsWith(u'/'))
            continue;
        int image = ImDisqueDur;
        switch (v.Type) {
        case TTypeLecteur::Amovible: image = ImAmovible; break;
        case TTypeLecteur::Fixe: image = ImDisqueDur; break;
        case TTypeLecteur::Reseau: image = ImReseau; break;
        case TTypeLecteur::CDROM: image = ImCDROM; break;
        case TTypeLecteur::DisqueRAM: image = ImRAM; break;
        }
        QTreeWidgetItem *n = NouveauNoeud(DriveCaption(v), image, AvecSeparateur(v.PointMontage));
        n->addChild(NouveauPlaceholder());
        addTopLevelItem(n);
    }
}

void TFolderTreeView::ViderEnfants(QTreeWidgetItem *noeud)
{
    // Collapsing first keeps the view from remembering an expanded node without children.
    noeud->setExpanded(false);
    const QList<QTreeWidgetItem *> enfants = noeud->takeChildren();
    qDeleteAll(enfants);
}

void TFolderTreeView::LoadChildren(QTreeWidgetItem *noeud)
{
    TInfoNoeud *info = Info(noeud);
    if (!info)
        return;
    ViderEnfants(noeud);

    struct TEnfant {
        QString nom; // as on the disk: bytes that are not UTF-8 kept (NomDepuisOctets)
        bool sousDossiers;
        QString legende() const { return NomLisible(nom); }
    };
    QList<TEnfant> enfants;
    TListeDossier dossier(NomEnOctets(info->Path));
    while (const dirent *e = dossier.Suivante()) {
        if (!SousDossierVisible(dossier, *e))
            continue;
        TListeDossier sousDossier(dossier, e->d_name);
        enfants.append({NomDepuisOctets(e->d_name), ASousDossiers(sousDossier)});
    }
    std::sort(enfants.begin(), enfants.end(),
              [](const TEnfant &a, const TEnfant &b) { return OrdreLegendes(a.legende(), b.legende()); });

    QList<QTreeWidgetItem *> noeuds;
    noeuds.reserve(enfants.size());
    for (const TEnfant &e : std::as_const(enfants)) {
        auto *n = new TNoeud;
        n->setText(0, e.legende()); // shown as text; the record keeps the real name
        n->setData(0, RoleImage, int(ImDossierFerme));
        n->setIcon(0, m_IconeDossier);
        n->Info.Path = info->Path + e.nom + u'/';
        if (e.sousDossiers)
            n->addChild(NouveauPlaceholder());
        noeuds.append(n);
    }
    noeud->addChildren(noeuds);
    info->Loaded = true;
}

void TFolderTreeView::NoeudDeploye(QTreeWidgetItem *noeud)
{
    TInfoNoeud *info = Info(noeud);
    if (!info || info->Loaded)
        return;
    // The placeholder is replaced before the next repaint, so the user never sees it.
    LoadChildren(noeud);
    if (noeud->childCount() > 0)
        noeud->setExpanded(true);
}

QString TFolderTreeView::SelectedPath() const
{
    const QList<QTreeWidgetItem *> choix = selectedItems();
    if (choix.isEmpty())
        return {};
    const TInfoNoeud *info = Info(choix.first());
    return info ? info->Path : QString();
}

void TFolderTreeView::SetSelectedPath(const QString &path)
{
    // Paths are compared exactly: "Photos" and "photos" are two folders here.
    const QString actuel = SelectedPath();
    if (path == actuel || (!path.isEmpty() && AvecSeparateur(path) == actuel))
        return;
    if (!DossierAbsolu(path))
        throw EErreur(u"Chemin non trouvé."_s);
    const QString cible = Nettoye(path);

    QTreeWidgetItem *courant = nullptr;
    QString prefixe;
    if (m_ShowShellNodes) {
        for (QTreeWidgetItem *shell : {m_DesktopNode, m_DocumentsNode}) {
            if (shell && cible.startsWith(Info(shell)->Path)) {
                courant = shell;
                prefixe = Info(shell)->Path;
                break;
            }
        }
    }
    if (!courant) {
        // The volume whose mount point is the longest prefix: /media/anne/CARD/ before /.
        for (int i = 0; i < topLevelItemCount(); ++i) {
            QTreeWidgetItem *n = topLevelItem(i);
            if (n == m_DesktopNode || n == m_DocumentsNode)
                continue;
            const TInfoNoeud *info = Info(n);
            if (info && cible.startsWith(info->Path) && info->Path.size() > prefixe.size()) {
                courant = n;
                prefixe = info->Path;
            }
        }
    }
    if (!courant)
        return;

    while (prefixe.size() < cible.size()) {
        if (!Info(courant)->Loaded)
            LoadChildren(courant);
        prefixe = cible.left(cible.indexOf(u'/', prefixe.size()) + 1);
        QTreeWidgetItem *suivant = nullptr;
        for (int i = 0; i < courant->childCount() && !suivant; ++i) {
            const TInfoNoeud *info = Info(courant->child(i));
            if (info && info->Path == prefixe)
                suivant = courant->child(i);
        }
        if (!suivant)
            break; // a dot folder: the selection stays on the deepest node found
        courant = suivant;
    }

    QList<QTreeWidgetItem *> ancetres;
    for (QTreeWidgetItem *p = courant->parent(); p; p = p->parent())
        ancetres.prepend(p);
    for (QTreeWidgetItem *p : std::as_const(ancetres))
        p->setExpanded(true);
    setCurrentItem(courant);
    scrollToItem(courant);
}

bool TFolderTreeView::CreateSubFolder(const QString &name)
{
    const QList<QTreeWidgetItem *> choix = selectedItems();
    TInfoNoeud *info = choix.isEmpty() ? nullptr : Info(choix.first());
    if (!info)
        return false;
    const QString nom = name.trimmed();
    const QStringList niveaux = nom.split(u'/', Qt::SkipEmptyParts);
    // ".." would create the folder outside the selected one.
    if (niveaux.isEmpty() || niveaux.contains(u"."_s) || niveaux.contains(u".."_s))
        return false;
    const QString nouveau = info->Path + niveaux.join(u'/') + u'/';
    // Level by level on the exact bytes: the selected folder's name may not be UTF-8.
    QString niveau = info->Path;
    for (const QString &n : niveaux) {
        niveau += n + u'/';
        CreerDossier(NomEnOctets(niveau));
    }
    if (!DossierAbsolu(nouveau))
        return false;

    setUpdatesEnabled(false);
    if (info->Loaded) {
        ViderEnfants(choix.first());
        info->Loaded = false;
    }
    bool trouve = true;
    try {
        SetSelectedPath(nouveau);
    } catch (const EErreur &) {
        trouve = false; // removed by someone else in between
    }
    setUpdatesEnabled(true);
    return trouve;
}

void TFolderTreeView::RefreshSelected()
{
    const QList<QTreeWidgetItem *> choix = selectedItems();
    QTreeWidgetItem *s = choix.isEmpty() ? nullptr : choix.first();
    TInfoNoeud *info = Info(s);
    if (!info)
        return;
    if (info->Loaded) {
        ViderEnfants(s);
        info->Loaded = false;
    }
    if (!s->parent() && s != m_DesktopNode && s != m_DocumentsNode) {
        // A new card in the same reader, a renamed volume: show its caption of now.
        TVolume volume;
        volume.PointMontage = info->Path;
        for (const TVolume &v : Volumes().Volumes())
            if (AvecSeparateur(v.PointMontage) == info->Path)
                volume = v;
        s->setText(0, DriveCaption(volume));
    }
    LoadChildren(s);
}

void TFolderTreeView::RafraichirDeplies()
{
    // What the user sees: the expanded folders, the selected one and the folders above it
    // (which may have been collapsed with the selection inside).
    QSet<QString> deplies, aRelire;
    const QString selection = SelectedPath();
    const std::function<void(QTreeWidgetItem *)> noter = [&](QTreeWidgetItem *n) {
        const TInfoNoeud *info = Info(n);
        if (!info || !info->Loaded)
            return;
        if (n->isExpanded())
            deplies.insert(info->Path);
        if (!selection.isEmpty() && selection.startsWith(info->Path) && selection != info->Path)
            aRelire.insert(info->Path);
        for (int i = 0; i < n->childCount(); ++i)
            noter(n->child(i));
    };
    for (int i = 0; i < topLevelItemCount(); ++i)
        noter(topLevelItem(i));
    aRelire.unite(deplies);
    const int defilementV = verticalScrollBar()->value();
    const int defilementH = horizontalScrollBar()->value();

    setUpdatesEnabled(false);
    {
        const QSignalBlocker bloqueur(this);
        // The view scrolls to its current node, expanding the branches above it, each
        // time that node changes: when the old one is deleted, when the new one is chosen.
        const bool defilementAuto = hasAutoScroll();
        setAutoScroll(false);
        for (int i = 0; i < topLevelItemCount(); ++i)
            RechargerDeplies(topLevelItem(i), deplies, aRelire);
        QTreeWidgetItem *choisi = selection.isEmpty() ? nullptr : NoeudDuChemin(selection);
        if (choisi)
            setCurrentItem(choisi);
        else
            clearSelection();
        setAutoScroll(defilementAuto);
    }
    verticalScrollBar()->setValue(defilementV);
    horizontalScrollBar()->setValue(defilementH);
    setUpdatesEnabled(true);
    ActualiserMenu();
    if (SelectedPath() != selection)
        Q_EMIT itemSelectionChanged();
}

void TFolderTreeView::RechargerDeplies(QTreeWidgetItem *noeud, const QSet<QString> &deplies,
                                       const QSet<QString> &aRelire)
{
    const TInfoNoeud *info = Info(noeud);
    if (!info || !aRelire.contains(info->Path))
        return;
    LoadChildren(noeud); // collapses it
    if (deplies.contains(info->Path) && noeud->childCount() > 0)
        noeud->setExpanded(true);
    for (int i = 0; i < noeud->childCount(); ++i)
        RechargerDeplies(noeud->child(i), deplies, aRelire);
}

QTreeWidgetItem *TFolderTreeView::NoeudDuChemin(const QString &chemin) const
{
    // Down the loaded nodes whose folder holds the path; the shell nodes and volumes may
    // overlap, so every root is tried.
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem *n = topLevelItem(i);
        while (n) {
            const TInfoNoeud *info = Info(n);
            if (!info || !chemin.startsWith(info->Path))
                break;
            if (info->Path == chemin)
                return n;
            QTreeWidgetItem *suivant = nullptr;
            for (int j = 0; j < n->childCount() && !suivant; ++j) {
                const TInfoNoeud *enfant = Info(n->child(j));
                if (enfant && chemin.startsWith(enfant->Path))
                    suivant = n->child(j);
            }
            n = suivant;
        }
    }
    return nullptr;
}

void TFolderTreeView::ActualiserMenu()
{
    const QList<QTreeWidgetItem *> choix = selectedItems();
    m_actRafraichir->setEnabled(!choix.isEmpty() && Info(choix.first()));
}

void TFolderTreeView::contextMenuEvent(QContextMenuEvent *event)
{
    m_RefreshMenu->popup(event->globalPos());
    event->accept();
}

void TFolderTreeView::MajHint(const QPoint &position)
{
    const TInfoNoeud *info = Info(itemAt(position));
    const QString texte = info ? NomLisible(info->Path) : QString();
    if (texte != toolTip()) {
        // Another node: the shown path goes, so the new one pops up.
        QToolTip::hideText();
        setToolTip(texte);
    }
}

void TFolderTreeView::mouseMoveEvent(QMouseEvent *event)
{
    MajHint(event->position().toPoint());
    QTreeWidget::mouseMoveEvent(event);
}

bool TFolderTreeView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *aide = static_cast<QHelpEvent *>(event);
        MajHint(aide->pos());
        if (toolTip().isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(aide->globalPos(), toolTip(), viewport(), visualItemRect(itemAt(aide->pos())));
        return true;
    }
    return QTreeWidget::viewportEvent(event);
}

void TFolderTreeView::keyPressEvent(QKeyEvent *event)
{
    // "*" would expand every level below the node, reading a whole disk: one level only.
    if (event->key() == Qt::Key_Asterisk && currentItem()) {
        currentItem()->setExpanded(true);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}
