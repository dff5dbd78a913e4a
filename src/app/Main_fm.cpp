#include "app/Main_fm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "app/AdaptateurTraitement.h"
#include "app/BoiteMessage.h"
#include "app/ExecuterAction.h"
#include "commun/Dossiers.h"
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
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint),
      OuvrirUrl(&OuvrirTexteAvecBureau),
      Fichier(std::make_unique<TBigIniFile>(cheminReglages))
{
    setObjectName(u"fmMainClarvane"_s);
    setWindowTitle(u"Copie, Renommage selon les données EXIFs"_s);
    setWindowIcon(QIcon(u":/boutons/copier.svg"_s));
    setFont(PoliceFormulaire());
    setFixedSize(888, 506);
    CreerControles();
    // The error log goes beside the settings file: the program's folder, or the user's
    // configuration folder for an installed program.
    m_adaptateur = std::make_unique<TAdaptateurTraitement>(
        this, [this] { return Options(); },
        AvecBarreFinale(QFileInfo(Fichier->NomFichier()).absolutePath()), OuvrirUrl);
    RelierControles();
    CreerRaccourcis();
    ChargerOptions();
}

TfmMainClarvane::~TfmMainClarvane()
{
    m_adaptateur->Terminer();
    ListeImages.clear();
    SauverOptions(*Fichier, Options());
    Fichier->UpdateFile(); // a file that cannot be written is left as it was
}

void TfmMainClarvane::CreerControles()
{
    // Source
    stSrc = Etiquette(u"&Source"_s, u"stSrc"_s, this, {8, 8, 33, 13});
    tvSrc = new TFolderTreeView(this);
    tvSrc->setObjectName(u"tvSrc"_s);
    tvSrc->setGeometry(8, 24, 281, 441);
    stSrc->setBuddy(tvSrc);
    btLectRecurs = Bouton(new QPushButton(u"&lecture récursive"_s, this), u"btLectRecurs"_s, u"lecture_recursive"_s, {8, 472, 281, 25});
    btLectRecurs->setCheckable(true);

    // Mode
    btCopier = Bouton(new QPushButton(u"&Copier"_s, this), u"btCopier"_s, u"copier"_s, {296, 16, 145, 25});
    btRenommer = Bouton(new QPushButton(u"&Renommer"_s, this), u"btRenommer"_s, u"renommer"_s, {448, 16, 145, 25});
    m_groupeMode = new QButtonGroup(this);
    for (QPushButton *b : {btCopier, btRenommer}) {
        b->setCheckable(true);
        m_groupeMode->addButton(b);
    }
    m_groupeMode->setExclusive(true);
    btCopier->setChecked(true);
    // Alt and the underlined letter click a toggle, as Ctrl and the letter do.
    for (QPushButton *b : {btLectRecurs, btCopier, btRenommer}) {
        AppliquerEtatEnfonce(b); // down reads at a glance, light or dark desktop
        b->setFocusPolicy(Qt::NoFocus);
    }

    // Order tree
    stEXIFOrdre = Etiquette(u"&Ordre/présence des données EXIF"_s, u"stEXIFOrdre"_s, this, {296, 48, 165, 13});
    tvEXIFOrdre = new TArbreOrdre(this);
    tvEXIFOrdre->setObjectName(u"tvEXIFOrdre"_s);
    tvEXIFOrdre->setGeometry(296, 64, 272, 105); // clear of the arrows
    stEXIFOrdre->setBuddy(tvEXIFOrdre);
    btEXIFOrdreMonter = Bouton(new QPushButton(this), u"btEXIFOrdreMonter"_s, u"monter"_s,
                               {568, 64, 25, 49}, true);
    btEXIFOrdreMonter->setToolTip(u"Monter d'un niveau la donnée"_s);
    btEXIFOrdreMonter->setEnabled(false);
    btEXIFOrdreDescendre = Bouton(new QPushButton(this), u"btEXIFOrdreDescendre"_s, u"descendre"_s,
                                  {568, 120, 25, 49}, true);
    btEXIFOrdreDescendre->setToolTip(u"Descendre d'un niveau la donnée"_s);
    for (QPushButton *b : {btEXIFOrdreMonter, btEXIFOrdreDescendre}) {
        b->setFlat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }

    // Date group
    gbDatePDV = new QGroupBox(this);
    gbDatePDV->setObjectName(u"gbDatePDV"_s);
    gbDatePDV->setGeometry(296, 176, 297, 113);
    cbDatePDV1 = Case(QString(), u"cbDatePDV1"_s, gbDatePDV, {8, 16, 16, 17});
    cbDonDatePDV1 = Liste(u"cbDonDatePDV1"_s, gbDatePDV, {24, 16, 105, 21});
    stDatePDV1 = Etiquette(u"+"_s, u"stDatePDV1"_s, gbDatePDV, {136, 20, 8, 13});
    cbDatePDV2 = Case(QString(), u"cbDatePDV2"_s, gbDatePDV, {152, 16, 16, 17});
    cbDonDatePDV2 = Liste(u"cbDonDatePDV2"_s, gbDatePDV, {168, 16, 105, 21});
    stDatePDV2 = Etiquette(u"+"_s, u"stDatePDV2"_s, gbDatePDV, {280, 20, 8, 13});
    cbDatePDV3 = Case(QString(), u"cbDatePDV3"_s, gbDatePDV, {8, 40, 16, 17});
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
    cbSep->addItems(ElementsSeparateurs());
    ElargirListe(cbSep);

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
                            u"creer_dossier"_s, {760, 4, 121, 20}, true);
    tvDst = new TFolderTreeView(this);
    tvDst->setObjectName(u"tvDst"_s);
    tvDst->setGeometry(600, 24, 281, 441);
    stDst->setBuddy(tvDst);
    for (TFolderTreeView *arbre : {tvSrc, tvDst}) {
        arbre->SetShowShellNodes(true);
        arbre->setIndentation(19);
    }

    // Runs
    btApercu = Bouton(new QPushButton(u"&Aperçu"_s, this), u"btApercu"_s, u"apercu"_s, {296, 472, 145, 25});
    btTraiter = Bouton(new QPushButton(u"&Traiter"_s, this), u"btTraiter"_s, u"traiter"_s, {448, 472, 145, 25});
    btTraiter->setToolTip(u"Ctrl+Z annule le dernier traitement"_s);
    btQuitter = Bouton(new QPushButton(u"&Quitter"_s, this), u"btQuitter"_s, u"quitter"_s, {600, 472, 281, 25});

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
    stDatePDVDonEx->setText(
        ComposerDate(aujourdhui, TexteSeparateur(cbDatePDVSep->currentIndex()), composants, formats));
    // Sized to its text, never narrower than at creation nor past the group's edge.
    const int largeur = stDatePDVDonEx->fontMetrics().horizontalAdvance(stDatePDVDonEx->text()) + 8;
    stDatePDVDonEx->resize(std::clamp(largeur, 86, gbDatePDV->width() - 8 - 56), 17);
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

void TfmMainClarvane::showEvent(QShowEvent *evenement)
{
    QWidget::showEvent(evenement);
    if (!m_centree) {
        m_centree = true;
        CentrerFenetre(this);
    }
}
