#include "app/Main_fm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
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

namespace {
// Margins of a group box's layout that put its first control `dessin` pixels from the
// group's edges (the drawing's), whatever room the style keeps for the frame and title.
QMargins MargesGroupe(const QGroupBox *groupe, const QMargins &dessin)
{
    const QMargins style = groupe->contentsMargins();
    return {std::max(0, dessin.left() - style.left()), std::max(0, dessin.top() - style.top()),
            std::max(0, dessin.right() - style.right()), std::max(0, dessin.bottom() - style.bottom())};
}

QHBoxLayout *Ligne(int espacement = 0)
{
    auto *ligne = new QHBoxLayout;
    ligne->setContentsMargins(0, 0, 0, 0);
    ligne->setSpacing(espacement);
    return ligne;
}

QVBoxLayout *Colonne(QWidget *parent = nullptr)
{
    auto *colonne = new QVBoxLayout(parent);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(0);
    return colonne;
}
} // namespace

void TfmMainClarvane::Disposer()
{
    // The window as it was drawn (pixels for Tahoma 8 points) at the scale of its font:
    // each control the drawn size or what its text needs, the drawn gaps between them.
    // The trees take the room the window gains: the source and destination trees the
    // width, all three the height. Built anew when the font changes.
    delete m_page->layout();
    delete gbDatePDV->layout();
    delete gbInformation->layout();
    const double k = EchelleDessin(font());
    const auto px = [k](int pixels) { return AEchelle(pixels, k); };
    // Controls keep their drawn height. Their width: the drawn one (Fixe); the drawn
    // one at least, more to fill their column (Remplit); what their text needs at least,
    // the drawn one by default, growing with the window (Souple).
    enum TLargeur { Fixe, Remplit, Souple };
    const auto fixer = [k](QWidget *w, int largeur, int hauteur, TLargeur genre = Fixe) {
        const QSize taille = TailleDessin(w, {largeur, hauteur}, k);
        w->setFixedHeight(taille.height());
        w->setMinimumWidth(genre == Souple ? Besoin(w).width() : taille.width());
        w->setMaximumWidth(genre == Fixe ? taille.width() : QWIDGETSIZE_MAX);
        w->setSizePolicy(genre == Fixe ? QSizePolicy::Fixed : QSizePolicy::Expanding, QSizePolicy::Fixed);
    };

    // Date group (inside: 8 pixels from its edges, the first row 16 from its top).
    for (QCheckBox *c : {cbDatePDV1, cbDatePDV2, cbDatePDV3})
        fixer(c, 16, 17);
    for (QComboBox *l : {cbDonDatePDV1, cbDonDatePDV2, cbDonDatePDV3})
        fixer(l, 105, 21);
    for (QLabel *plus : {stDatePDV1, stDatePDV2})
        fixer(plus, 8, 13);
    fixer(stDatePDVSep, 54, 13);
    fixer(cbDatePDVSep, 81, 21);
    fixer(cbDatePDVHierCompoSiCopie, 281, 17, Remplit);
    fixer(stDatePDVEx, 40, 13);
    stDatePDVDonEx->setMinimumWidth(px(86));
    stDatePDVDonEx->setFixedHeight(std::max(px(17), stDatePDVDonEx->sizeHint().height()));
    stDatePDVDonEx->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed); // sized to its text
    auto *date = Colonne(gbDatePDV);
    date->setContentsMargins(MargesGroupe(gbDatePDV, QMargins(px(8), px(16), px(8), px(8))));
    auto *rang1 = Ligne();
    rang1->addWidget(cbDatePDV1, 0, Qt::AlignTop);
    rang1->addWidget(cbDonDatePDV1, 0, Qt::AlignTop);
    rang1->addSpacing(px(7));
    rang1->addWidget(stDatePDV1, 0, Qt::AlignVCenter);
    rang1->addSpacing(px(8));
    rang1->addWidget(cbDatePDV2, 0, Qt::AlignTop);
    rang1->addWidget(cbDonDatePDV2, 0, Qt::AlignTop);
    rang1->addSpacing(px(7));
    rang1->addWidget(stDatePDV2, 0, Qt::AlignVCenter);
    rang1->addStretch(1);
    auto *rang2 = Ligne();
    rang2->addWidget(cbDatePDV3, 0, Qt::AlignTop);
    rang2->addWidget(cbDonDatePDV3, 0, Qt::AlignTop);
    rang2->addStretch(1);
    rang2->addSpacing(px(8));
    rang2->addWidget(stDatePDVSep, 0, Qt::AlignTop);
    rang2->addSpacing(px(2));
    rang2->addWidget(cbDatePDVSep, 0, Qt::AlignTop);
    auto *rang4 = Ligne();
    rang4->addWidget(stDatePDVEx, 0, Qt::AlignTop);
    rang4->addSpacing(px(8));
    rang4->addWidget(stDatePDVDonEx, 0, Qt::AlignTop);
    rang4->addStretch(1);
    date->addLayout(rang1);
    date->addSpacing(EcartDessin(24, rang1->sizeHint().height(), k));
    date->addLayout(rang2);
    date->addSpacing(EcartDessin(24, rang2->sizeHint().height(), k));
    date->addWidget(cbDatePDVHierCompoSiCopie);
    date->addSpacing(EcartDessin(24, cbDatePDVHierCompoSiCopie->height(), k));
    date->addLayout(rang4);

    // Information: the text of either mode whole, in bold.
    QFont gras = font();
    gras.setBold(true);
    stInformation->setFont(gras);
    auto *information = Colonne(gbInformation);
    information->setContentsMargins(MargesGroupe(gbInformation, QMargins(px(8), px(16), px(8), px(8))));
    information->addWidget(stInformation);
    // The height the label itself needs for the longer of its two texts, at its drawn
    // width (the middle column is never narrower).
    m_hauteurInformation = 0;
    const QString texteActuel = stInformation->text();
    for (const QString &texte : {TexteInformationCopie(), TexteInformationRenommage()}) {
        stInformation->setText(texte);
        m_hauteurInformation = std::max(m_hauteurInformation, stInformation->heightForWidth(px(281)));
    }
    stInformation->setText(texteActuel);
    m_hauteurInformationDessin = std::max(px(121), m_hauteurInformation);
    stInformation->setFixedHeight(m_hauteurInformationDessin);
    // The middle column keeps its drawn width, or what the date group needs.
    const int largeurMilieu = std::max({px(297), gbDatePDV->minimumSizeHint().width(),
                                        gbInformation->minimumSizeHint().width()});
    for (QGroupBox *groupe : {gbDatePDV, gbInformation}) {
        groupe->setFixedWidth(largeurMilieu);
        groupe->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    // The middle column: mode, order tree and arrows, date, separator, information.
    for (QPushButton *b : {btCopier, btRenommer, btApercu, btTraiter})
        fixer(b, 145, 25, Remplit);
    fixer(stEXIFOrdre, 165, 13);
    // The arrows, pictures only, shorten with the order tree when the window is low.
    for (QPushButton *b : {btEXIFOrdreMonter, btEXIFOrdreDescendre}) {
        b->setFixedWidth(std::max(px(25), b->iconSize().width() + 8));
        b->setMinimumHeight(b->iconSize().height() + 8);
        b->setMaximumHeight(px(49));
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
    fixer(stSep, 143, 13);
    fixer(cbSep, 145, 21);
    tvEXIFOrdre->setMinimumWidth(px(150));
    auto *milieu = Colonne();
    milieu->addSpacing(px(12));
    auto *mode = Ligne(px(7));
    mode->addWidget(btCopier);
    mode->addWidget(btRenommer);
    milieu->addLayout(mode);
    milieu->addSpacing(EcartDessin(32, btCopier->height(), k));
    milieu->addWidget(stEXIFOrdre);
    milieu->addSpacing(EcartDessin(16, stEXIFOrdre->height(), k));
    auto *fleches = Colonne();
    fleches->setSpacing(px(7));
    fleches->addWidget(btEXIFOrdreMonter, 1);
    fleches->addWidget(btEXIFOrdreDescendre, 1);
    fleches->addStretch(0);
    auto *ordre = Ligne();
    ordre->addWidget(tvEXIFOrdre, 1);
    ordre->addLayout(fleches);
    milieu->addLayout(ordre, 1);
    milieu->addSpacing(px(7));
    milieu->addWidget(gbDatePDV);
    milieu->addSpacing(EcartDessin(120, gbDatePDV->sizeHint().height(), k));
    auto *separateur = Ligne();
    separateur->addWidget(stSep, 0, Qt::AlignTop);
    separateur->addStretch(1);
    separateur->addSpacing(px(9));
    separateur->addWidget(cbSep, 0, Qt::AlignTop);
    milieu->addLayout(separateur);
    milieu->addSpacing(EcartDessin(24, separateur->sizeHint().height(), k));
    milieu->addWidget(gbInformation);

    // The source and destination columns: a caption over the tree.
    fixer(stSrc, 33, 13);
    fixer(stDst, 54, 13);
    fixer(btCreerDossier, 121, 20);
    fixer(btLectRecurs, 281, 25, Souple);
    fixer(btQuitter, 281, 25, Souple);
    const int entete = std::max(px(20), btCreerDossier->height());
    // The two folder columns keep the same width, as drawn, at their narrowest too.
    const int largeurDossiers = std::max({px(150), btLectRecurs->minimumWidth(), btQuitter->minimumWidth(),
                                          stDst->width() + px(8) + btCreerDossier->width()});
    for (TFolderTreeView *arbre : {tvSrc, tvDst})
        arbre->setMinimumSize(largeurDossiers, px(120));
    auto *source = Colonne();
    auto *enteteSource = Ligne();
    enteteSource->addStrut(entete);
    enteteSource->addWidget(stSrc, 0, Qt::AlignVCenter);
    enteteSource->addStretch(1);
    source->addLayout(enteteSource);
    source->addWidget(tvSrc, 1);
    auto *destination = Colonne();
    auto *enteteDestination = Ligne(px(8));
    enteteDestination->addStrut(entete);
    enteteDestination->addWidget(stDst, 0, Qt::AlignVCenter);
    enteteDestination->addStretch(1);
    enteteDestination->addWidget(btCreerDossier, 0, Qt::AlignVCenter);
    destination->addLayout(enteteDestination);
    destination->addWidget(tvDst, 1);

    auto *runs = Ligne(px(7));
    runs->addWidget(btApercu);
    runs->addWidget(btTraiter);

    auto *grille = new QGridLayout(m_page);
    grille->setContentsMargins(px(8), px(4), px(7), px(9));
    grille->setHorizontalSpacing(px(7));
    grille->setVerticalSpacing(px(7));
    grille->addLayout(source, 0, 0);
    grille->addLayout(milieu, 0, 1);
    grille->addLayout(destination, 0, 2);
    grille->addWidget(btLectRecurs, 1, 0);
    grille->addLayout(runs, 1, 1);
    grille->addWidget(btQuitter, 1, 2);
    grille->setColumnStretch(0, 1);
    grille->setColumnStretch(2, 1);
    grille->setRowStretch(0, 1);
    grille->activate();
    AjusterMinimum();
}

QSize TfmMainClarvane::MinimumPage() const
{
    return m_page->layout()->minimumSize();
}

int TfmMainClarvane::HauteurChampsOrdre(int champs) const
{
    // The fields' rows, and the two arrows beside them.
    return std::max(champs * tvEXIFOrdre->sizeHintForRow(0) + 2 * tvEXIFOrdre->frameWidth(),
                    btEXIFOrdreMonter->minimumHeight() * 2 + AEchelle(7, EchelleDessin(font())));
}

void TfmMainClarvane::AjusterMinimum()
{
    // Every text whole: the six fields of the order tree and the information as drawn;
    // where the screen is too low for that, the information box gives up the room its
    // text does not need, then the order tree shows three fields and scrolls, and
    // finally the window keeps to the screen and its page scrolls.
    // The frame is counted as large as common title bars are, so that the choice does not
    // depend on when the window manager tells its own.
    QSize zone(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (const QScreen *ecran = screen()) {
        const QMargins cadre = CadreFenetre(this), commun = CadreCommun();
        zone = ecran->availableGeometry().size().shrunkBy(
            QMargins(std::max(cadre.left(), commun.left()), std::max(cadre.top(), commun.top()),
                     std::max(cadre.right(), commun.right()), std::max(cadre.bottom(), commun.bottom())));
    }
    const std::pair<int, int> paliers[] = {{m_hauteurInformationDessin, 6}, {m_hauteurInformation, 6},
                                           {m_hauteurInformation, 3}};
    for (const auto &[information, champs] : paliers) {
        stInformation->setFixedHeight(information);
        tvEXIFOrdre->setMinimumHeight(HauteurChampsOrdre(champs));
        m_page->layout()->activate();
        if (MinimumPage().height() <= zone.height())
            break;
    }
    setMinimumSize(MinimumPage().boundedTo(zone));
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
