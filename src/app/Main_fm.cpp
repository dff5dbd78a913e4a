#include "app/Main_fm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include "app/AdaptateurTraitement.h"
#include "app/BoiteMessage.h"
#include "app/ExecuterAction.h"
#include "commun/Chemins.h"
#include "commun/Dossiers.h"
#include "commun/NomsFichiers.h"
#include "controls/Fenetres.h"
#include "controls/Lisibilite.h"
#include "controls/FolderTreeView.h"
#include "engine/OptionsNommage.h"
#include "settings/BigIniFiles.h"
#include "settings/ReglagesGeneraux.h"
#include "ui/ArbreOrdre.h"
#include "ui/ElementsFenetre.h"
#include "ui/LibellesOptions.h"
#include "ui/OuvertureBureau.h"
#include "ui/PoliceFormulaire.h"

using namespace Qt::StringLiterals;

// ---- Creation and destruction ---------------------------------------------------------

TfmMainClarvane::TfmMainClarvane() : TfmMainClarvane(CheminFichierReglages()) {}

TfmMainClarvane::TfmMainClarvane(const QString &cheminReglages, QWidget *parent)
    : QWidget(parent, Qt::Window),
      OuvrirUrl(&OuvrirTexteAvecBureau),
      Fichier(std::make_unique<TBigIniFile>(cheminReglages))
{
    setObjectName(u"fmMainClarvane"_s);
    setWindowTitle(u"Copie, Renommage selon les données EXIFs"_s);
    setWindowIcon(QIcon(u":/boutons/copier.svg"_s));
    AppliquerPoliceFenetre(this);
    // The controls lie on a page that scrolls only where the screen is smaller than the
    // window needs (a large font on a small screen): the window never outgrows the screen.
    m_page = new QWidget;
    m_page->setObjectName(u"pnPage"_s);
    m_defilement = new TPageDefilante(m_page, this);
    m_defilement->setObjectName(u"sbPage"_s);
    auto *fenetre = new QVBoxLayout(this);
    fenetre->setContentsMargins(0, 0, 0, 0);
    fenetre->addWidget(m_defilement);
    CreerControles();
    // The error log goes beside the settings file: the program's folder, or the user's
    // configuration folder for an installed program.
    m_adaptateur = std::make_unique<TAdaptateurTraitement>(
        this, [this] { return Options(); },
        NomDepuisOctets(DossierParent(NomEnOctets(Fichier->NomFichier()))), OuvrirUrl);
    RelierControles();
    CreerRaccourcis();
    ChargerOptions();
    Disposer();
    AjusterMinimum();
}

TfmMainClarvane::~TfmMainClarvane()
{
    m_adaptateur->Terminer();
    ListeImages.clear();
    SauverOptions(*Fichier, Options());
    SauverGeometrie();
    Fichier->UpdateFile(); // a file that cannot be written is left as it was
}

void TfmMainClarvane::CreerControles()
{
    // Source
    stSrc = Etiquette(u"&Source"_s, u"stSrc"_s, this);
    tvSrc = new TFolderTreeView(this);
    tvSrc->setObjectName(u"tvSrc"_s);
    stSrc->setBuddy(tvSrc);
    auto *lectRecurs = new TBoutonBascule(u"&lecture récursive"_s, this);
    btLectRecurs = Bouton(lectRecurs, u"btLectRecurs"_s, u"lecture_recursive"_s);
    btLectRecurs->setCheckable(true);

    // Mode
    auto *copier = new TBoutonBascule(u"&Copier"_s, this);
    btCopier = Bouton(copier, u"btCopier"_s, u"copier"_s);
    auto *renommer = new TBoutonBascule(u"&Renommer"_s, this);
    btRenommer = Bouton(renommer, u"btRenommer"_s, u"renommer"_s);
    m_groupeMode = new QButtonGroup(this);
    for (QPushButton *b : {btCopier, btRenommer}) {
        b->setCheckable(true);
        m_groupeMode->addButton(b);
    }
    m_groupeMode->setExclusive(true);
    btCopier->setChecked(true);
    // Alt and the underlined letter click a toggle, as Ctrl and the letter do.
    for (QPushButton *b : {btLectRecurs, btCopier, btRenommer})
        AppliquerEtatEnfonce(b); // down reads at a glance, light or dark desktop

    // Order tree
    stEXIFOrdre = Etiquette(u"&Ordre/présence des données EXIF"_s, u"stEXIFOrdre"_s, this);
    tvEXIFOrdre = new TArbreOrdre(this);
    tvEXIFOrdre->setObjectName(u"tvEXIFOrdre"_s);
    stEXIFOrdre->setBuddy(tvEXIFOrdre);
    btEXIFOrdreMonter = Bouton(new QPushButton(this), u"btEXIFOrdreMonter"_s, u"monter"_s, true);
    btEXIFOrdreMonter->setToolTip(u"Monter d'un niveau la donnée"_s);
    btEXIFOrdreMonter->setEnabled(false);
    btEXIFOrdreDescendre = Bouton(new QPushButton(this), u"btEXIFOrdreDescendre"_s, u"descendre"_s, true);
    btEXIFOrdreDescendre->setToolTip(u"Descendre d'un niveau la donnée"_s);
    for (QPushButton *b : {btEXIFOrdreMonter, btEXIFOrdreDescendre})
        b->setFlat(true);

    // Date group
    gbDatePDV = new QGroupBox(this);
    gbDatePDV->setObjectName(u"gbDatePDV"_s);
    cbDatePDV1 = Case(QString(), u"cbDatePDV1"_s, gbDatePDV);
    cbDonDatePDV1 = Liste(u"cbDonDatePDV1"_s, gbDatePDV);
    stDatePDV1 = Etiquette(u"+"_s, u"stDatePDV1"_s, gbDatePDV);
    cbDatePDV2 = Case(QString(), u"cbDatePDV2"_s, gbDatePDV);
    cbDonDatePDV2 = Liste(u"cbDonDatePDV2"_s, gbDatePDV);
    stDatePDV2 = Etiquette(u"+"_s, u"stDatePDV2"_s, gbDatePDV);
    cbDatePDV3 = Case(QString(), u"cbDatePDV3"_s, gbDatePDV);
    cbDonDatePDV3 = Liste(u"cbDonDatePDV3"_s, gbDatePDV);
    stDatePDVSep = Etiquette(u"Séparateur"_s, u"stDatePDVSep"_s, gbDatePDV);
    cbDatePDVSep = Liste(u"cbDatePDVSep"_s, gbDatePDV);
    cbDatePDVSep->addItems(ElementsSeparateurs());
    cbDatePDVHierCompoSiCopie = Case(u"Hiérarchiser les composants de la date lors de la copie"_s,
                                     u"cbDatePDVHierCompoSiCopie"_s, gbDatePDV);
    stDatePDVEx = Etiquette(u"Exemple"_s, u"stDatePDVEx"_s, gbDatePDV);
    stDatePDVDonEx = Etiquette(QString(), u"stDatePDVDonEx"_s, gbDatePDV);
    stDatePDVDonEx->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stDatePDVEx->setBuddy(stDatePDVDonEx); // what the example is, for assistive tools
    for (QCheckBox *c : {cbDatePDV1, cbDatePDV2, cbDatePDV3})
        c->setChecked(true);
    // The format lists are as wide as their items on any day: every month's and
    // weekday's name (the window does not change with the date).
    QStringList formats;
    for (int n = 1; n <= 12; ++n)
        formats << ElementsFormatsDate(QDate(2024, n, 1));
    for (int n = 1; n <= 7; ++n)
        formats << ElementsFormatsDate(QDate(2024, 1, n));
    for (QComboBox *l : {cbDonDatePDV1, cbDonDatePDV2, cbDonDatePDV3})
        static_cast<TListe *>(l)->SetTextesPossibles(formats);

    // EXIF separator
    stSep = Etiquette(u"Séparateur des données EXIF"_s, u"stSep"_s, this);
    cbSep = Liste(u"cbSep"_s, this);
    cbSep->addItems(ElementsSeparateurs());

    // Information
    gbInformation = new QGroupBox(u"Information"_s, this);
    gbInformation->setObjectName(u"gbInformation"_s);
    stInformation = Etiquette(QString(), u"stInformation"_s, gbInformation);
    stInformation->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stInformation->setWordWrap(true);
    stInformation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    stInformation->setMargin(1);

    // Destination
    stDst = Etiquette(u"&Destination"_s, u"stDst"_s, this);
    btCreerDossier = Bouton(new QPushButton(u"Créer un dossier..."_s, this), u"btCreerDossier"_s,
                            u"creer_dossier"_s, true);
    tvDst = new TFolderTreeView(this);
    tvDst->setObjectName(u"tvDst"_s);
    stDst->setBuddy(tvDst);
    for (TFolderTreeView *arbre : {tvSrc, tvDst}) {
        arbre->SetShowShellNodes(true);
        arbre->setIndentation(19);
    }

    // Runs
    btApercu = Bouton(new QPushButton(u"&Aperçu"_s, this), u"btApercu"_s, u"apercu"_s);
    btTraiter = Bouton(new QPushButton(u"&Traiter"_s, this), u"btTraiter"_s, u"traiter"_s);
    btTraiter->setToolTip(u"Ctrl+Z annule le dernier traitement"_s);
    btQuitter = Bouton(new QPushButton(u"&Quitter"_s, this), u"btQuitter"_s, u"quitter"_s);

    // The keyboard reaches every control, column by column as one reads the window: the
    // source, then the mode, the order and the date options, the runs, then the
    // destination and "Quitter".
    QWidget *ordre[] = {tvSrc, btLectRecurs, btCopier, btRenommer, tvEXIFOrdre,
                        btEXIFOrdreMonter, btEXIFOrdreDescendre, cbDatePDV1, cbDonDatePDV1,
                        cbDatePDV2, cbDonDatePDV2, cbDatePDV3, cbDonDatePDV3, cbDatePDVSep,
                        cbDatePDVHierCompoSiCopie, cbSep, btApercu, btTraiter, btCreerDossier,
                        tvDst, btQuitter};
    for (QWidget *w : ordre)
        w->setFocusPolicy(Qt::StrongFocus);
    for (size_t i = 1; i < std::size(ordre); ++i)
        setTabOrder(ordre[i - 1], ordre[i]);
    RendreFocusVisible(this);
    NommerPourAssistance();
}

void TfmMainClarvane::NommerPourAssistance()
{
    // What assistive tools say of the controls whose caption does not say it, or that
    // have none; the others are named by their caption.
    const std::pair<QWidget *, QString> noms[] = {
        {tvSrc, u"Dossier source"_s},
        {tvDst, u"Dossier destination"_s},
        {tvEXIFOrdre, u"Ordre des données EXIF"_s},
        {btEXIFOrdreMonter, u"Monter la donnée"_s},
        {btEXIFOrdreDescendre, u"Descendre la donnée"_s},
        {cbDatePDV1, u"Composant 1 de la date"_s},
        {cbDatePDV2, u"Composant 2 de la date"_s},
        {cbDatePDV3, u"Composant 3 de la date"_s},
        {cbDonDatePDV1, u"Format du composant 1 de la date"_s},
        {cbDonDatePDV2, u"Format du composant 2 de la date"_s},
        {cbDonDatePDV3, u"Format du composant 3 de la date"_s},
        {cbDatePDVSep, u"Séparateur de la date"_s},
        {cbSep, u"Séparateur des données"_s},
    };
    for (const auto &[controle, nom] : noms)
        controle->setAccessibleName(nom);
    btEXIFOrdreMonter->setAccessibleDescription(btEXIFOrdreMonter->toolTip());
    btEXIFOrdreDescendre->setAccessibleDescription(btEXIFOrdreDescendre->toolTip());
}

void TfmMainClarvane::RelierControles()
{
    auto action = [this](auto &&f) {
        return [this, f] { ExecuterAction(this, f); };
    };
    connect(btCopier, &QPushButton::clicked, this, action([this] { MajEtats(); }));
    connect(btRenommer, &QPushButton::clicked, this, action([this] { MajEtats(); }));
    for (QCheckBox *c : {cbDatePDV1, cbDatePDV2, cbDatePDV3})
        // toggled, not stateChanged: a box re-checked from inside its own click would
        // not publish its new state, and the next click would then go unnoticed.
        connect(c, &QCheckBox::toggled, this, [this, c] { ExecuterAction(this, [&] { cbDatePDVClick(c); }); });
    for (QComboBox *l : {cbDonDatePDV1, cbDonDatePDV2, cbDonDatePDV3, cbDatePDVSep})
        connect(l, &QComboBox::activated, this, action([this] { AfficherExempleDate(); }));
    connect(cbDatePDVHierCompoSiCopie, &QCheckBox::toggled, this, action([this] { MajEtats(); }));
    connect(tvEXIFOrdre, &TArbreOrdre::PresenceChangee, this, [this] { MajEtats(); });
    connect(tvEXIFOrdre, &TArbreOrdre::PositionChangee, this, [this] { MajEtats(); });
    connect(btEXIFOrdreMonter, &QPushButton::clicked, this, [this] { tvEXIFOrdre->Deplacer(-1); });
    connect(btEXIFOrdreDescendre, &QPushButton::clicked, this, [this] { tvEXIFOrdre->Deplacer(1); });
    connect(btCreerDossier, &QPushButton::clicked, this, action([this] { btCreerDossierClick(); }));
    connect(btApercu, &QPushButton::clicked, this, action([this] { LancerTraitementFenetre(false); }));
    connect(btTraiter, &QPushButton::clicked, this, action([this] { LancerTraitementFenetre(true); }));
    connect(btQuitter, &QPushButton::clicked, this, [this] { close(); });
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

void TfmMainClarvane::MajEtats()
{
    const TEnrOptions o = Options();
    const bool date = DatePresente(o.cOrdreDonEXIF);
    const bool copie = o.lCopier;
    for (int n = 1; n <= kNbComposantsDate; ++n) {
        CaseDate(n)->setEnabled(date);
        FormatDate(n)->setEnabled(date && CaseDate(n)->isChecked());
    }
    for (QWidget *w : {stDatePDV1, stDatePDV2, stDatePDVEx, stDatePDVDonEx})
        w->setEnabled(date);
    // The hierarchy box counts in copy mode with at least two components; while it is
    // in force, each component is a folder level and needs no separator.
    cbDatePDVHierCompoSiCopie->setEnabled(
        date && copie && AuMoinsDeuxComposants(DecoderComposants(o.nCFDatePDVC)));
    stDatePDVSep->setEnabled(date && !HierarchieEnVigueur(o));
    cbDatePDVSep->setEnabled(date && !HierarchieEnVigueur(o));
    stSep->setEnabled(!copie);
    cbSep->setEnabled(!copie);
    stInformation->setText(copie ? TexteInformationCopie() : TexteInformationRenommage());
    for (QWidget *w : std::initializer_list<QWidget *>{stDst, btCreerDossier, tvDst})
        w->setEnabled(copie);
    btEXIFOrdreMonter->setEnabled(tvEXIFOrdre->PeutDeplacer(-1));
    btEXIFOrdreDescendre->setEnabled(tvEXIFOrdre->PeutDeplacer(1));
    for (QPushButton *b : {btApercu, btTraiter, btQuitter})
        b->setEnabled(!m_enCours);
}

// ---- Date options -----------------------------------------------------------------------

void TfmMainClarvane::cbDatePDVClick(QCheckBox *expediteur)
{
    // At least one component always stays on (checking it again runs this handler again).
    if (!cbDatePDV1->isChecked() && !cbDatePDV2->isChecked() && !cbDatePDV3->isChecked())
        expediteur->setChecked(true);
    MajEtats();
    AfficherExempleDate();
}

void TfmMainClarvane::AfficherExempleDate()
{
    const QString aujourdhui = QDate::currentDate().toString(u"dd/MM/yyyy"_s);
    const TComposantsDate composants = {cbDatePDV1->isChecked(), cbDatePDV2->isChecked(),
                                        cbDatePDV3->isChecked()};
    const TFormatsDate formats = {cbDonDatePDV1->currentIndex(), cbDonDatePDV2->currentIndex(),
                                  cbDonDatePDV3->currentIndex()};
    // The layout sizes it to its text.
    stDatePDVDonEx->setText(
        ComposerDate(aujourdhui, TexteSeparateur(cbDatePDVSep->currentIndex()), composants, formats));
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

void TfmMainClarvane::changeEvent(QEvent *evenement)
{
    QWidget::changeEvent(evenement);
    if (evenement->type() == QEvent::PaletteChange)
        RedessinerIcones(this); // the desktop went dark or light
}

bool TfmMainClarvane::event(QEvent *evenement)
{
    const bool traite = QWidget::event(evenement);
    if (evenement->type() == QEvent::ApplicationFontChange) {
        // The desktop's font changed: the window takes it and is laid out for it.
        AppliquerPoliceFenetre(this);
        Disposer();
        AjusterMinimum();
    }
    return traite;
}

void TfmMainClarvane::showEvent(QShowEvent *evenement)
{
    if (!m_placee) {
        m_placee = true;
        AjusterMinimum();
        RestaurerGeometrie();
        connect(windowHandle(), &QWindow::screenChanged, this, [this] { AjusterMinimum(); });
    }
    QWidget::showEvent(evenement);
}
