#include "app/Main_fm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "app/BoiteMessage.h"
#include "app/ExecuterAction.h"
#include "commun/Dossiers.h"
#include "commun/EErreur.h"
#include "controls/FolderTreeView.h"
#include "controls/GaugeWindow.h"
#include "engine/OptionsNommage.h"
#include "engine/Traitement.h"
#include "settings/BigIniFiles.h"
#include "settings/ReglagesGeneraux.h"
#include "ui/Apercu_fm.h"
#include "ui/PoliceFormulaire.h"
#include "ui/SaisieChaine_fm.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kTailleImage = 16;
constexpr int kHauteurLigneOrdre = 17; // six rows fit the tree's 105 pixels

// A toggle button whose accelerator (Alt + underlined letter) runs the click handling
// without changing its down state.
class TBoutonBascule final : public QPushButton {
public:
    using QPushButton::QPushButton;
    std::function<void()> Accelerateur;

protected:
    bool event(QEvent *evenement) override
    {
        if (evenement->type() == QEvent::Shortcut) {
            if (Accelerateur)
                Accelerateur();
            return true;
        }
        return QPushButton::event(evenement);
    }
};

// Draws each node of the order tree as its state image, then its icon (normal or
// selected, from the node's own indexes) and its caption.
class TDelegueOrdre final : public QStyledItemDelegate {
public:
    TDelegueOrdre(const QList<QPixmap> &images, QObject *parent)
        : QStyledItemDelegate(parent), m_images(images) {}

    void paint(QPainter *peintre, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const int etat = index.data(TfmMainClarvane::RoleEtat).toInt();
        const QRect zone = RectEtat(option.rect);
        if (etat >= 0 && etat < m_images.size())
            peintre->drawPixmap(zone, m_images[etat]);
        QStyleOptionViewItem reste = option;
        reste.rect.setLeft(zone.right() + 3);
        QStyledItemDelegate::paint(peintre, reste, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize taille = QStyledItemDelegate::sizeHint(option, index);
        return {taille.width() + kTailleImage + 2, kHauteurLigneOrdre};
    }

    static QRect RectEtat(const QRect &ligne)
    {
        return {ligne.left() + 1, ligne.top() + (ligne.height() - kTailleImage) / 2,
                kTailleImage, kTailleImage};
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const bool choisi = option->state & QStyle::State_Selected;
        const int image = index.data(choisi ? TfmMainClarvane::RoleImageSelection
                                            : TfmMainClarvane::RoleImage).toInt();
        if (image >= 0 && image < m_images.size()) {
            option->icon = QIcon(m_images[image]);
            option->features |= QStyleOptionViewItem::HasDecoration;
            option->decorationSize = QSize(kTailleImage, kTailleImage);
        }
    }

private:
    const QList<QPixmap> &m_images;
};

QPixmap Image(const QString &chemin)
{
    return QIcon(chemin).pixmap(kTailleImage, kTailleImage);
}

QIcon Icone(const QString &nom, bool avecInactif = false)
{
    QIcon icone(u":/boutons/%1.svg"_s.arg(nom));
    if (avecInactif)
        icone.addFile(u":/boutons/%1_inactif.svg"_s.arg(nom), QSize(), QIcon::Disabled);
    return icone;
}

QLabel *Etiquette(const QString &texte, const QString &nom, QWidget *parent, const QRect &position)
{
    auto *etiquette = new QLabel(texte, parent);
    etiquette->setObjectName(nom);
    etiquette->setGeometry(position);
    return etiquette;
}

QComboBox *Liste(const QString &nom, QWidget *parent, const QRect &position)
{
    auto *liste = new QComboBox(parent);
    liste->setObjectName(nom);
    liste->setGeometry(position);
    liste->setFocusPolicy(Qt::StrongFocus);
    return liste;
}

// The drop-down part shows every item whole, even where the closed list is narrow.
void ElargirListe(QComboBox *liste)
{
    int largeur = 0;
    for (int i = 0; i < liste->count(); ++i)
        largeur = std::max(largeur, liste->fontMetrics().horizontalAdvance(liste->itemText(i)));
    liste->view()->setMinimumWidth(largeur + 16);
}

QCheckBox *Case(const QString &texte, const QString &nom, QWidget *parent, const QRect &position)
{
    auto *c = new QCheckBox(texte, parent);
    c->setObjectName(nom);
    c->setGeometry(position);
    return c;
}

// A push button of the window with its picture left of its caption.
QPushButton *Bouton(QPushButton *bouton, const QString &nom, const QIcon &icone, const QRect &position)
{
    bouton->setObjectName(nom);
    bouton->setIcon(icone);
    bouton->setIconSize(QSize(kTailleImage, kTailleImage));
    bouton->setGeometry(position);
    return bouton;
}

} // namespace

// ---- Creation and destruction ---------------------------------------------------------

TfmMainClarvane::TfmMainClarvane() : TfmMainClarvane(CheminFichierReglages()) {}

TfmMainClarvane::TfmMainClarvane(const QString &cheminReglages, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint),
      OuvrirUrl([](const QUrl &url) { return QDesktopServices::openUrl(url); }),
      Fichier(std::make_unique<TBigIniFile>(cheminReglages))
{
    setObjectName(u"fmMainClarvane"_s);
    setWindowTitle(u"Copie, Renommage selon les données EXIFs"_s);
    setWindowIcon(QIcon(u":/boutons/copier.svg"_s));
    setFont(PoliceFormulaire());
    setFixedSize(888, 506);
    CreerControles();
    RelierControles();
    FormCreate();
    // Key preview: the Ctrl shortcuts reach the window before its controls.
    qApp->installEventFilter(this);
}

TfmMainClarvane::~TfmMainClarvane()
{
    qApp->removeEventFilter(this);
    while (m_curseursOccupes > 0)
        CurseurOccupe(false);
    FormDestroy();
}

void TfmMainClarvane::CreerControles()
{
    const QStringList images = {
        u"appareil"_s, u"appareil_sel"_s, u"focale"_s, u"focale_sel"_s, u"vitesse"_s,
        u"vitesse_sel"_s, u"diaphragme"_s, u"diaphragme_sel"_s, u"date"_s, u"date_sel"_s,
        u"iso"_s, u"iso_sel"_s, u"case_vide"_s, u"case_cochee"_s};
    for (const QString &image : images)
        ilEXIFOrdre << Image(u":/ordre/%1.svg"_s.arg(image));

    // Source
    stSrc = Etiquette(u"&Source"_s, u"stSrc"_s, this, {8, 8, 33, 13});
    tvSrc = new TFolderTreeView(this);
    tvSrc->setObjectName(u"tvSrc"_s);
    tvSrc->setGeometry(8, 24, 281, 441);
    stSrc->setBuddy(tvSrc);
    auto *lectRecurs = new TBoutonBascule(u"&lecture récursive"_s, this);
    btLectRecurs = Bouton(lectRecurs, u"btLectRecurs"_s, Icone(u"lecture_recursive"_s), {8, 472, 281, 25});
    btLectRecurs->setCheckable(true);

    // Mode
    auto *copier = new TBoutonBascule(u"&Copier"_s, this);
    btCopier = Bouton(copier, u"btCopier"_s, Icone(u"copier"_s), {296, 16, 145, 25});
    auto *renommer = new TBoutonBascule(u"&Renommer"_s, this);
    btRenommer = Bouton(renommer, u"btRenommer"_s, Icone(u"renommer"_s), {448, 16, 145, 25});
    m_groupeMode = new QButtonGroup(this);
    for (QPushButton *b : {btCopier, btRenommer}) {
        b->setCheckable(true);
        m_groupeMode->addButton(b);
    }
    m_groupeMode->setExclusive(true);
    btCopier->setChecked(true);
    for (TBoutonBascule *b : {lectRecurs, copier, renommer}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->Accelerateur = [this] { btCopierRenommerClick(); };
    }
    lectRecurs->Accelerateur = nullptr; // it has no handler of its own

    // Order tree
    stEXIFOrdre = Etiquette(u"&Ordre/présence des données EXIF"_s, u"stEXIFOrdre"_s, this, {296, 48, 165, 13});
    tvEXIFOrdre = new QTreeWidget(this);
    tvEXIFOrdre->setObjectName(u"tvEXIFOrdre"_s);
    tvEXIFOrdre->setGeometry(296, 64, 273, 105);
    tvEXIFOrdre->setHeaderHidden(true);
    tvEXIFOrdre->setColumnCount(1);
    tvEXIFOrdre->setIndentation(19);
    tvEXIFOrdre->setRootIsDecorated(false);
    tvEXIFOrdre->setItemsExpandable(false);
    tvEXIFOrdre->setExpandsOnDoubleClick(false);
    tvEXIFOrdre->setUniformRowHeights(true);
    tvEXIFOrdre->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvEXIFOrdre->setSelectionMode(QAbstractItemView::SingleSelection);
    tvEXIFOrdre->setItemDelegate(new TDelegueOrdre(ilEXIFOrdre, tvEXIFOrdre));
    // Its presses reach eventFilter through the application-wide filter (key preview).
    stEXIFOrdre->setBuddy(tvEXIFOrdre);

    btEXIFOrdreMonter = Bouton(new QPushButton(this), u"btEXIFOrdreMonter"_s,
                               Icone(u"monter"_s, true), {568, 64, 25, 49});
    btEXIFOrdreMonter->setToolTip(u"Monter d'un niveau la donnée"_s);
    btEXIFOrdreMonter->setEnabled(false);
    btEXIFOrdreDescendre = Bouton(new QPushButton(this), u"btEXIFOrdreDescendre"_s,
                                  Icone(u"descendre"_s, true), {568, 120, 25, 49});
    btEXIFOrdreDescendre->setToolTip(u"Descendre d'un niveau la donnée"_s);
    for (QPushButton *b : {btEXIFOrdreMonter, btEXIFOrdreDescendre}) {
        b->setFlat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }

    // Date group
    gbDatePDV = new QGroupBox(this);
    gbDatePDV->setObjectName(u"gbDatePDV"_s);
    gbDatePDV->setGeometry(296, 176, 297, 113);
    cbDatePDV1 = Case(QString(), u"cbDatePDV1"_s, gbDatePDV, {8, 16, 17, 17});
    cbDonDatePDV1 = Liste(u"cbDonDatePDV1"_s, gbDatePDV, {24, 16, 105, 21});
    stDatePDV1 = Etiquette(u"+"_s, u"stDatePDV1"_s, gbDatePDV, {136, 20, 8, 13});
    cbDatePDV2 = Case(QString(), u"cbDatePDV2"_s, gbDatePDV, {152, 16, 17, 17});
    cbDonDatePDV2 = Liste(u"cbDonDatePDV2"_s, gbDatePDV, {168, 16, 105, 21});
    stDatePDV2 = Etiquette(u"+"_s, u"stDatePDV2"_s, gbDatePDV, {280, 20, 8, 13});
    cbDatePDV3 = Case(QString(), u"cbDatePDV3"_s, gbDatePDV, {8, 40, 17, 17});
    cbDonDatePDV3 = Liste(u"cbDonDatePDV3"_s, gbDatePDV, {24, 40, 105, 21});
    stDatePDVSep = Etiquette(u"Séparateur"_s, u"stDatePDVSep"_s, gbDatePDV, {152, 40, 54, 13});
    cbDatePDVSep = Liste(u"cbDatePDVSep"_s, gbDatePDV, {208, 40, 81, 21});
    cbDatePDVSep->addItems(ElementsSeparateurs());
    ElargirListe(cbDatePDVSep);
    cbDatePDVHierCompoSiCopie = Case(u"Hiérarchiser les composants de la date lors de la copie"_s,
                                     u"cbDatePDVHierCompoSiCopie"_s, gbDatePDV, {8, 64, 281, 17});
    stDatePDVEx = Etiquette(u"Exemple"_s, u"stDatePDVEx"_s, gbDatePDV, {8, 88, 40, 13});
    stDatePDVDonEx = Etiquette(QString(), u"stDatePDVDonEx"_s, gbDatePDV, {56, 88, 86, 17});
    stDatePDVDonEx->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    for (QCheckBox *c : {cbDatePDV1, cbDatePDV2, cbDatePDV3})
        c->setChecked(true);

    // EXIF separator
    stSep = Etiquette(u"Séparateur des données EXIF"_s, u"stSep"_s, this, {296, 296, 143, 13});
    cbSep = Liste(u"cbSep"_s, this, {448, 296, 145, 21});

    // Information
    gbInformation = new QGroupBox(u"Information"_s, this);
    gbInformation->setObjectName(u"gbInformation"_s);
    gbInformation->setGeometry(296, 320, 297, 145);
    stInformation = Etiquette(QString(), u"stInformation"_s, gbInformation, {8, 16, 281, 121});
    stInformation->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stInformation->setWordWrap(true);
    stInformation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    stInformation->setMargin(1);
    QFont gras = font();
    gras.setBold(true);
    stInformation->setFont(gras);

    // Destination
    stDst = Etiquette(u"&Destination"_s, u"stDst"_s, this, {600, 8, 54, 13});
    btCreerDossier = Bouton(new QPushButton(u"Créer un dossier..."_s, this), u"btCreerDossier"_s,
                            Icone(u"creer_dossier"_s, true), {760, 4, 121, 20});
    tvDst = new TFolderTreeView(this);
    tvDst->setObjectName(u"tvDst"_s);
    tvDst->setGeometry(600, 24, 281, 441);
    stDst->setBuddy(tvDst);

    for (TFolderTreeView *arbre : {tvSrc, tvDst}) {
        arbre->SetShowShellNodes(true);
        arbre->setIndentation(19);
    }

    // Runs
    btApercu = Bouton(new QPushButton(u"&Aperçu"_s, this), u"btApercu"_s, Icone(u"apercu"_s), {296, 472, 145, 25});
    btTraiter = Bouton(new QPushButton(u"&Traiter"_s, this), u"btTraiter"_s, Icone(u"traiter"_s), {448, 472, 145, 25});
    btQuitter = Bouton(new QPushButton(u"&Quitter"_s, this), u"btQuitter"_s, Icone(u"quitter"_s), {600, 472, 281, 25});

    // The progress pop-up of the runs.
    gwTrtLong = new TGaugeWindow(this);
    gwTrtLong->setObjectName(u"gwTrtLong"_s);
    gwTrtLong->SetWindowWidth(300);
    gwTrtLong->SetWindowHeight(48);
    gwTrtLong->SetGaugeMinValue(0);
    gwTrtLong->SetGaugeMaxValue(100);
    gwTrtLong->SetGaugeCurValue(0);

    // Tab order: the two trees, the date group, the separator, then the buttons.
    QWidget *ordre[] = {tvSrc, tvEXIFOrdre, cbDatePDV1, cbDonDatePDV1, cbDatePDV2, cbDonDatePDV2,
                        cbDatePDV3, cbDonDatePDV3, cbDatePDVSep, cbDatePDVHierCompoSiCopie,
                        cbSep, tvDst, btCreerDossier, btApercu, btTraiter, btQuitter};
    for (size_t i = 1; i < std::size(ordre); ++i)
        setTabOrder(ordre[i - 1], ordre[i]);
}

void TfmMainClarvane::RelierControles()
{
    auto action = [this](auto &&f) {
        return [this, f] { ExecuterAction(this, f); };
    };
    connect(btCopier, &QPushButton::clicked, this, action([this] { btCopierRenommerClick(); }));
    connect(btRenommer, &QPushButton::clicked, this, action([this] { btCopierRenommerClick(); }));
    for (QCheckBox *c : {cbDatePDV1, cbDatePDV2, cbDatePDV3})
        // toggled, not stateChanged: a box re-checked from inside its own click would
        // not publish its new state, and the next click would then go unnoticed.
        connect(c, &QCheckBox::toggled, this, [this, c] { ExecuterAction(this, [&] { cbDatePDVClick(c); }); });
    for (QComboBox *l : {cbDonDatePDV1, cbDonDatePDV2, cbDonDatePDV3})
        connect(l, &QComboBox::activated, this, action([this] { cbDonDatePDVChange(); }));
    connect(cbDatePDVSep, &QComboBox::activated, this, action([this] { cbDatePDVSepChange(); }));
    connect(cbDatePDVHierCompoSiCopie, &QCheckBox::toggled, this,
            action([this] { cbDatePDVHierCompoSiCopieClick(); }));
    connect(tvEXIFOrdre, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *noeud) { ExecuterAction(this, [&] { tvEXIFOrdreChange(noeud); }); });
    connect(tvEXIFOrdre, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem *noeud) { tvEXIFOrdreCollapsing(noeud); });
    connect(btEXIFOrdreMonter, &QPushButton::clicked, this,
            action([this] { btEXIFOrdreMonterDescendreClick(btEXIFOrdreMonter); }));
    connect(btEXIFOrdreDescendre, &QPushButton::clicked, this,
            action([this] { btEXIFOrdreMonterDescendreClick(btEXIFOrdreDescendre); }));
    connect(btCreerDossier, &QPushButton::clicked, this, action([this] { btCreerDossierClick(); }));
    connect(btApercu, &QPushButton::clicked, this, action([this] { btApercuClick(); }));
    connect(btTraiter, &QPushButton::clicked, this, action([this] { btTraiterClick(); }));
    connect(btQuitter, &QPushButton::clicked, this, action([this] { btQuitterClick(); }));
}

void TfmMainClarvane::FormCreate()
{
    Fichier->SetAutoSave(false);
    ListeImages.clear();
    const TEnrOptions options = ChargerOptions(*Fichier);

    RestaurerDossier(tvSrc, u"cDossSrc"_s, options.cDossSrc);
    RestaurerDossier(tvDst, u"cDossDst"_s, options.cDossDst);
    btLectRecurs->setChecked(options.lLectRecurs);
    (options.lCopier ? btCopier : btRenommer)->setChecked(true);
    cOrdreDonEXIF = ValiderOrdre(options.cOrdreDonEXIF);
    ConstruireArbreEXIF();

    ChargerOptionsDate(options, options.nCFDatePDVC);

    cbSep->clear();
    for (int i = 0; i < cbDatePDVSep->count(); ++i)
        cbSep->addItem(cbDatePDVSep->itemText(i));
    ElargirListe(cbSep);
    cbSep->setCurrentIndex(options.nSep);
    btCopierRenommerClick();
}

void TfmMainClarvane::FormDestroy()
{
    ListeImages.clear();
    SauverOptions(*Fichier, Options());
    Fichier->UpdateFile(); // a file that cannot be written is left as it was
    Fichier.reset();
}

void TfmMainClarvane::RestaurerDossier(TFolderTreeView *arbre, const QString &cle, const QString &dossier)
{
    arbre->Populate();
    // ChargerOptions gives the program's folder for a missing key, the stored text
    // (even empty) for one that exists.
    Q_UNUSED(cle);
    try {
        arbre->SetSelectedPath(dossier);
    } catch (...) {
        try {
            arbre->SetSelectedPath(DossierProgramme());
        } catch (...) {
            // the program's own folder vanished: nothing selected
        }
    }
    if (arbre->currentItem())
        arbre->scrollToItem(arbre->currentItem());
}

void TfmMainClarvane::ChargerOptionsDate(const TEnrOptions &options, int composants)
{
    gbDatePDV->setTitle(u"Contenu/format de la "_s + LegendeChamp(kIndexDate));
    for (int n = 1; n <= kNbComposantsDate; ++n) {
        RemplirFormatsDate(FormatDate(n));
        ElargirListe(FormatDate(n));
    }
    // In the order 1, 2, 3; each change runs cbDatePDVClick, which keeps one on.
    cbDatePDV1->setChecked((composants & 4) == 4);
    cbDatePDV2->setChecked((composants & 2) == 2);
    cbDatePDV3->setChecked((composants & 1) == 1);
    const TFormatsDate formats = DecoderFormats(options.nCFDatePDVF);
    for (int n = 1; n <= kNbComposantsDate; ++n)
        FormatDate(n)->setCurrentIndex(formats[n - 1]);
    cbDatePDVSep->setCurrentIndex(options.nDatePDVSep);
    cbDatePDVHierCompoSiCopie->setChecked(options.lDatePDVHierCompoSiCopie);
    AfficherExempleDate();
}

// ---- The options as the controls hold them -----------------------------------------------

TEnrOptions TfmMainClarvane::Options() const
{
    TEnrOptions o;
    o.cOrdreDonEXIF = OrdreDepuisArbre();
    o.lCopier = btCopier->isChecked();
    o.lLectRecurs = btLectRecurs->isChecked();
    o.nSep = cbSep->currentIndex();
    o.nCFDatePDVC = CoderComposants({cbDatePDV1->isChecked(), cbDatePDV2->isChecked(), cbDatePDV3->isChecked()});
    o.nCFDatePDVF = CoderFormats({cbDonDatePDV1->currentIndex(), cbDonDatePDV2->currentIndex(),
                                  cbDonDatePDV3->currentIndex()});
    o.nDatePDVSep = cbDatePDVSep->currentIndex();
    o.lDatePDVHierCompoSiCopie = cbDatePDVHierCompoSiCopie->isChecked();
    o.cDossSrc = tvSrc->SelectedPath();
    o.cDossDst = tvDst->SelectedPath();
    return o;
}

QString TfmMainClarvane::TexteInformationCopie()
{
    return u"Copier les fichiers à partir du dossier source vers le dossier destination en "
           "créant la même hiérarchie de dossiers que celle choisie dans l'arborescence des "
           "données EXIF.\nLes données choisies dans cette arborescence étant remplacées par "
           "celles rencontrées dans les images.\nLes composants de la date sont séparés par un "
           "séparateur particulier."_s;
}

QString TfmMainClarvane::TexteInformationRenommage()
{
    return u"Renommer les images en préfixant leur nom initial par leurs données EXIF dont "
           "l'ordre et la présence ont été choisis dans l'arborescence des données EXIF.\nLes "
           "données EXIF sont séparées par un séparateur et les composants de la date sont "
           "séparés par un séparateur particulier."_s;
}

// ---- Enabled states ---------------------------------------------------------------------

QCheckBox *TfmMainClarvane::CaseDate(int n) const
{
    return n == 1 ? cbDatePDV1 : n == 2 ? cbDatePDV2 : cbDatePDV3;
}

QComboBox *TfmMainClarvane::FormatDate(int n) const
{
    return n == 1 ? cbDonDatePDV1 : n == 2 ? cbDonDatePDV2 : cbDonDatePDV3;
}

bool TfmMainClarvane::AuMoinsDeuxComposants() const
{
    return ::AuMoinsDeuxComposants({cbDatePDV1->isChecked(), cbDatePDV2->isChecked(), cbDatePDV3->isChecked()});
}

void TfmMainClarvane::ActiverDate(bool present)
{
    for (int n = 1; n <= kNbComposantsDate; ++n) {
        CaseDate(n)->setEnabled(present);
        FormatDate(n)->setEnabled(present && CaseDate(n)->isChecked());
    }
    stDatePDV1->setEnabled(present);
    stDatePDV2->setEnabled(present);
    stDatePDVSep->setEnabled(present);
    cbDatePDVSep->setEnabled(present);
    cbDatePDVHierCompoSiCopie->setEnabled(present && btCopier->isChecked() && AuMoinsDeuxComposants());
    MajSeparateurDate();
    stDatePDVEx->setEnabled(present);
    stDatePDVDonEx->setEnabled(present);
}

void TfmMainClarvane::MajSeparateurDate()
{
    const bool actif = cbDatePDV1->isEnabled()
        && !(cbDatePDVHierCompoSiCopie->isEnabled() && cbDatePDVHierCompoSiCopie->isChecked());
    stDatePDVSep->setEnabled(actif);
    cbDatePDVSep->setEnabled(actif);
}

void TfmMainClarvane::btCopierRenommerClick()
{
    const bool copie = btCopier->isChecked();
    cbDatePDVHierCompoSiCopie->setEnabled(copie && cbDatePDV1->isEnabled() && AuMoinsDeuxComposants());
    MajSeparateurDate();
    stSep->setEnabled(!copie);
    cbSep->setEnabled(!copie);
    stInformation->setText(copie ? TexteInformationCopie() : TexteInformationRenommage());
    stDst->setEnabled(copie);
    btCreerDossier->setEnabled(copie);
    tvDst->setEnabled(copie);
}

// ---- Date options -----------------------------------------------------------------------

void TfmMainClarvane::cbDatePDVClick(QCheckBox *expediteur)
{
    int n = expediteur == cbDatePDV1 ? 1 : expediteur == cbDatePDV2 ? 2 : 3;
    // At least one component always stays on (checking it again runs this handler again).
    if (!cbDatePDV1->isChecked() && !cbDatePDV2->isChecked() && !cbDatePDV3->isChecked())
        expediteur->setChecked(true);
    FormatDate(n)->setEnabled(expediteur->isChecked() && expediteur->isEnabled());
    cbDatePDVHierCompoSiCopie->setEnabled(btCopier->isChecked() && cbDatePDV1->isEnabled()
                                          && AuMoinsDeuxComposants());
    MajSeparateurDate();
    AfficherExempleDate();
}

void TfmMainClarvane::cbDonDatePDVChange()
{
    AfficherExempleDate();
}

void TfmMainClarvane::cbDatePDVSepChange()
{
    AfficherExempleDate();
}

void TfmMainClarvane::cbDatePDVHierCompoSiCopieClick()
{
    MajSeparateurDate();
}

void TfmMainClarvane::RemplirFormatsDate(QComboBox *liste)
{
    liste->clear();
    liste->addItems(ElementsFormatsDate(QDate::currentDate()));
}

void TfmMainClarvane::AfficherExempleDate()
{
    const QString aujourdhui = QDate::currentDate().toString(u"dd/MM/yyyy"_s);
    const TComposantsDate composants = {cbDatePDV1->isChecked(), cbDatePDV2->isChecked(),
                                        cbDatePDV3->isChecked()};
    const TFormatsDate formats = {cbDonDatePDV1->currentIndex(), cbDonDatePDV2->currentIndex(),
                                  cbDonDatePDV3->currentIndex()};
    stDatePDVDonEx->setText(
        ComposerDate(aujourdhui, TexteSeparateur(cbDatePDVSep->currentIndex()), composants, formats));
    // Sized to its text, never narrower than at creation nor past the group's edge.
    const int largeur = stDatePDVDonEx->fontMetrics().horizontalAdvance(stDatePDVDonEx->text()) + 8;
    stDatePDVDonEx->resize(std::clamp(largeur, 86, gbDatePDV->width() - 8 - 56), 17);
}

// ---- Order tree ---------------------------------------------------------------------------

QList<QTreeWidgetItem *> TfmMainClarvane::NoeudsOrdre() const
{
    QList<QTreeWidgetItem *> noeuds;
    for (QTreeWidgetItem *n = tvEXIFOrdre->topLevelItem(0); n; n = n->childCount() ? n->child(0) : nullptr)
        noeuds << n;
    return noeuds;
}

void TfmMainClarvane::PoserNoeud(QTreeWidgetItem *noeud, int image, int imageSelection, int etat,
                                 const QString &legende)
{
    noeud->setText(0, legende);
    noeud->setData(0, RoleImage, image);
    noeud->setData(0, RoleImageSelection, imageSelection);
    noeud->setData(0, RoleEtat, etat);
}

void TfmMainClarvane::ConstruireArbreEXIF()
{
    m_NbDonneesPresentes = 0;
    bool datePresente = false;
    tvEXIFOrdre->setUpdatesEnabled(false);
    tvEXIFOrdre->clear();
    QTreeWidgetItem *parent = nullptr;
    for (const TElementOrdre &e : ElementsDepuisOrdre(cOrdreDonEXIF)) {
        auto *noeud = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tvEXIFOrdre);
        PoserNoeud(noeud, 2 * e.Index, 2 * e.Index + 1, e.Present ? kEtatPresent : kEtatAbsent, e.Legende);
        if (e.Present) {
            ++m_NbDonneesPresentes;
            if (e.Index == kIndexDate)
                datePresente = true;
        }
        parent = noeud;
    }
    tvEXIFOrdre->expandAll();
    tvEXIFOrdre->setCurrentItem(tvEXIFOrdre->topLevelItem(0));
    tvEXIFOrdre->setUpdatesEnabled(true);
    ActiverDate(datePresente);
}

QString TfmMainClarvane::OrdreDepuisArbre() const
{
    QList<TElementOrdre> elements;
    for (QTreeWidgetItem *noeud : NoeudsOrdre()) {
        const QString legende = noeud->text(0);
        elements << TElementOrdre{IndexDonnee(legende), legende,
                                  noeud->data(0, RoleEtat).toInt() == kEtatPresent};
    }
    return OrdreDepuisElements(elements);
}

QRect TfmMainClarvane::RectangleEtat(QTreeWidgetItem *noeud) const
{
    return TDelegueOrdre::RectEtat(tvEXIFOrdre->visualItemRect(noeud));
}

bool TfmMainClarvane::tvEXIFOrdreMouseDown(Qt::MouseButton bouton, Qt::MouseButtons boutons,
                                           Qt::KeyboardModifiers modificateurs, const QPoint &point)
{
    if (bouton != Qt::LeftButton || boutons != Qt::LeftButton || modificateurs != Qt::NoModifier)
        return false;
    QTreeWidgetItem *noeud = tvEXIFOrdre->itemAt(point);
    if (!noeud || !RectangleEtat(noeud).contains(point))
        return false;
    if (noeud->data(0, RoleEtat).toInt() == kEtatAbsent) {
        noeud->setData(0, RoleEtat, kEtatPresent);
        ++m_NbDonneesPresentes;
    } else if (m_NbDonneesPresentes > 1) {
        noeud->setData(0, RoleEtat, kEtatAbsent);
        --m_NbDonneesPresentes;
    } else {
        return false; // the last present field stays
    }
    if (noeud->text(0) == LegendeChamp(kIndexDate))
        ActiverDate(noeud->data(0, RoleEtat).toInt() == kEtatPresent);
    return true;
}

void TfmMainClarvane::tvEXIFOrdreChange(QTreeWidgetItem *noeud)
{
    btEXIFOrdreMonter->setEnabled(noeud && noeud->parent());
    btEXIFOrdreDescendre->setEnabled(noeud && noeud->childCount() > 0);
}

void TfmMainClarvane::tvEXIFOrdreCollapsing(QTreeWidgetItem *noeud)
{
    noeud->setExpanded(true); // the chain always stays open
}

void TfmMainClarvane::btEXIFOrdreMonterDescendreClick(QAbstractButton *expediteur)
{
    QTreeWidgetItem *noeud = tvEXIFOrdre->currentItem();
    if (!noeud)
        return;
    QTreeWidgetItem *autre = expediteur == btEXIFOrdreMonter
        ? noeud->parent()
        : (noeud->childCount() ? noeud->child(0) : nullptr);
    if (!autre)
        return;
    // The nodes stay in place; their fields change places.
    const auto lire = [](QTreeWidgetItem *n) {
        return std::tuple(n->data(0, RoleImage).toInt(), n->data(0, RoleImageSelection).toInt(),
                          n->data(0, RoleEtat).toInt(), n->text(0));
    };
    const auto [i1, s1, e1, l1] = lire(noeud);
    const auto [i2, s2, e2, l2] = lire(autre);
    PoserNoeud(noeud, i2, s2, e2, l2);
    PoserNoeud(autre, i1, s1, e1, l1);
    tvEXIFOrdre->setCurrentItem(autre);
}

// ---- Keyboard -----------------------------------------------------------------------------

bool TfmMainClarvane::FormKeyDown(int touche, Qt::KeyboardModifiers modificateurs)
{
    if ((modificateurs & ~Qt::KeypadModifier) != Qt::ControlModifier)
        return false;
    switch (touche) {
    case Qt::Key_C:
    case Qt::Key_R: {
        QPushButton *bouton = touche == Qt::Key_C ? btCopier : btRenommer;
        if (!bouton->isChecked()) { // a mode button that is down stays down
            bouton->setChecked(true);
            btCopierRenommerClick();
        }
        return true;
    }
    case Qt::Key_L:
        btLectRecurs->toggle();
        return true;
    default:
        return false;
    }
}

bool TfmMainClarvane::eventFilter(QObject *objet, QEvent *evenement)
{
    if (objet == tvEXIFOrdre->viewport() && evenement->type() == QEvent::MouseButtonPress) {
        auto *souris = static_cast<QMouseEvent *>(evenement);
        // The second press of a double click is no click on the box.
        if (souris->flags().testFlag(Qt::MouseEventCreatedDoubleClick))
            return false;
        ExecuterAction(this, [&] {
            tvEXIFOrdreMouseDown(souris->button(), souris->buttons(), souris->modifiers(),
                                 souris->position().toPoint());
        });
        return false; // the press goes on: it selects the node
    }
    if (evenement->type() == QEvent::KeyPress) {
        // Only the first receiver of the key, inside this window: the focused control, or
        // the window itself when no control has the focus.
        auto *widget = qobject_cast<QWidget *>(objet);
        auto *touche = static_cast<QKeyEvent *>(evenement);
        QWidget *premier = QApplication::focusWidget() ? QApplication::focusWidget() : this;
        if (widget && widget == premier && widget->window() == this && !touche->isAutoRepeat()
            && isEnabled())
            ExecuterAction(this, [&] { FormKeyDown(touche->key(), touche->modifiers()); });
    }
    return QWidget::eventFilter(objet, evenement);
}

// ---- Folders ------------------------------------------------------------------------------

void TfmMainClarvane::btCreerDossierClick()
{
    TfmSaisieChaine *fm = new TfmSaisieChaine(this);
    fm->setAttribute(Qt::WA_DeleteOnClose, false);
    std::unique_ptr<TfmSaisieChaine> libere(fm);
    fm->setWindowTitle(u"Saisie"_s);
    fm->DefinirInvite(u"Nom du dossier à créer"_s);
    if (fm->exec() != QDialog::Accepted)
        return;
    const QString nom = fm->Texte().trimmed();
    libere.reset();
    if (!tvDst->CreateSubFolder(nom))
        BoiteMessage::Erreur(this, u"Impossible de créer le dossier '%1'."_s.arg(nom));
}

// ---- Runs ---------------------------------------------------------------------------------

void TfmMainClarvane::LancerTraitementFenetre(bool traiter)
{
    if (m_enCours)
        return;
    m_enCours = true;
    for (QPushButton *b : {btApercu, btTraiter, btQuitter})
        b->setEnabled(false);
    const auto fin = qScopeGuard([this] {
        // Whatever ended the run, the cursor and the pop-up do not outlive it.
        while (m_curseursOccupes > 0)
            CurseurOccupe(false);
        if (gwTrtLong->Window() && gwTrtLong->Window()->isVisible())
            gwTrtLong->Hide();
        for (QPushButton *b : {btApercu, btTraiter, btQuitter})
            b->setEnabled(true);
        m_enCours = false;
    });
    LancerTraitement(traiter, *this, *this, ListeImages);
}

void TfmMainClarvane::btApercuClick()
{
    LancerTraitementFenetre(false);
}

void TfmMainClarvane::btTraiterClick()
{
    LancerTraitementFenetre(true);
}

void TfmMainClarvane::btQuitterClick()
{
    close();
}

bool TfmMainClarvane::Confirmer(const QString &texte)
{
    return BoiteMessage::Question(this, texte);
}

void TfmMainClarvane::Erreur(const QString &texte)
{
    BoiteMessage::Erreur(this, texte);
}

void TfmMainClarvane::Information(const QString &texte)
{
    BoiteMessage::Information(this, texte);
}

void TfmMainClarvane::CurseurOccupe(bool occupe)
{
    if (occupe) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_curseursOccupes;
    } else if (m_curseursOccupes > 0) {
        QApplication::restoreOverrideCursor();
        --m_curseursOccupes;
    }
}

void TfmMainClarvane::ProgressionOuvrir(const QString &legende, int minimum, int maximum, int valeur)
{
    gwTrtLong->Open(legende, minimum, maximum, valeur);
}

void TfmMainClarvane::ProgressionAvancer()
{
    gwTrtLong->SetGaugeCurValue(gwTrtLong->GaugeCurValue() + 1);
}

void TfmMainClarvane::ProgressionFermer()
{
    gwTrtLong->Hide();
}

void TfmMainClarvane::MontrerApercu(bool copie, const QString &dossierBase, const TListeImages &apercu,
                                    const QStringList &erreurs)
{
    std::unique_ptr<TfmApercu> fm = std::make_unique<TfmApercu>(this);
    fm->Remplir(copie, dossierBase, apercu, erreurs);
    // The busy cursor would hide that the preview waits for the user.
    const int curseurs = m_curseursOccupes;
    for (int i = 0; i < curseurs; ++i)
        CurseurOccupe(false);
    fm->exec();
    for (int i = 0; i < curseurs; ++i)
        CurseurOccupe(true);
}

QString TfmMainClarvane::DossierJournal() const
{
    // Beside the settings file: the program's folder, or the user's configuration folder
    // for an installed program.
    return QFileInfo(Fichier->NomFichier()).absolutePath() + u'/';
}

void TfmMainClarvane::OuvrirJournal(const QString &chemin)
{
    if (OuvrirUrl)
        OuvrirUrl(QUrl::fromLocalFile(chemin));
}

// ---- Window -------------------------------------------------------------------------------

void TfmMainClarvane::MettreAuPremierPlan()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    if (QWidget *modale = QApplication::activeModalWidget()) {
        modale->raise();
        modale->activateWindow();
    }
}

void TfmMainClarvane::closeEvent(QCloseEvent *evenement)
{
    if (m_enCours) {
        evenement->ignore(); // the run must end first
        return;
    }
    QWidget::closeEvent(evenement);
}

void TfmMainClarvane::showEvent(QShowEvent *evenement)
{
    QWidget::showEvent(evenement);
    if (m_centree)
        return;
    m_centree = true;
    if (QScreen *ecran = screen()) {
        const QRect zone = ecran->availableGeometry();
        const QRect cadre = frameGeometry();
        move(zone.center() - QPoint(cadre.width() / 2, cadre.height() / 2) + (pos() - cadre.topLeft()));
    }
}
