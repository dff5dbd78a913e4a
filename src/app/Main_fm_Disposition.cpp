// The main window's layout: its controls as drawn, at the scale of the desktop's font,
// and, on a screen too small for that, laid out tight, then folded, before its page
// scrolls; its minimum size, the smallest at which every text still fits.
#include "app/Main_fm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include "controls/Fenetres.h"
#include "controls/FolderTreeView.h"
#include "controls/Lisibilite.h"
#include "ui/ArbreOrdre.h"
#include "ui/ElementsFenetre.h"

using namespace Qt::StringLiterals;

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
    // Tight (for a screen too small for that): the drawing's own pixels, each control
    // still as large as its text needs; the folder trees a dozen characters wide and a
    // few lines high, each folder column as wide as its own controls need, the
    // information text scrolling in its box. Folded: besides, the hierarchy box's caption
    // and the destination's heading take two lines instead of one.
    delete m_page->layout();
    delete gbDatePDV->layout();
    delete gbInformation->layout();
    const bool serre = m_densite != TDensite::Dessin;
    const bool replie = m_densite == TDensite::Replie;
    const double k = EchelleDisposition();
    const int ecartMin = serre ? 2 : 1;
    const auto px = [k](int pixels) { return AEchelle(pixels, k); };
    const auto ecart = [k, ecartMin](int pas, int hauteur) { return EcartDessin(pas, hauteur, k, ecartMin); };
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
    if (replie) { // as wide as the date group, as high as its caption needs there (below)
        cbDatePDVHierCompoSiCopie->setMinimumWidth(cbDatePDVHierCompoSiCopie->LargeurMin());
        cbDatePDVHierCompoSiCopie->setMaximumWidth(QWIDGETSIZE_MAX);
        cbDatePDVHierCompoSiCopie->setFixedHeight(cbDatePDVHierCompoSiCopie->sizeHint().height());
        cbDatePDVHierCompoSiCopie->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        fixer(cbDatePDVHierCompoSiCopie, 281, 17, Remplit);
    }
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
    date->addSpacing(ecart(24, rang1->sizeHint().height()));
    date->addLayout(rang2);
    date->addSpacing(ecart(24, rang2->sizeHint().height()));
    date->addWidget(cbDatePDVHierCompoSiCopie);
    date->addSpacing(ecart(24, cbDatePDVHierCompoSiCopie->height()));
    date->addLayout(rang4);

    // Information: the text of either mode whole, in bold; tight, a few lines of it in a
    // box that scrolls (a line a key press), the trees taking the room the window gains.
    QFont gras = font();
    gras.setBold(true);
    stInformation->setFont(gras);
    auto *information = Colonne(gbInformation);
    information->setContentsMargins(MargesGroupe(gbInformation, QMargins(px(8), px(16), px(8), px(8))));
    information->addWidget(DefilerInformation(serre));
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
    const int ligne = QFontMetrics(gras).lineSpacing();
    if (serre) {
        m_defilementInformation->verticalScrollBar()->setSingleStep(ligne);
        m_defilementInformation->setFixedHeight(3 * ligne + 2 * stInformation->margin()
                                                + 2 * m_defilementInformation->frameWidth());
    } else {
        stInformation->setFixedHeight(m_hauteurInformationDessin);
    }
    // The middle column keeps its drawn width, or what the date group needs.
    const int largeurMilieu = std::max({px(297), gbDatePDV->minimumSizeHint().width(),
                                        gbInformation->minimumSizeHint().width()});
    for (QGroupBox *groupe : {gbDatePDV, gbInformation}) {
        groupe->setFixedWidth(largeurMilieu);
        groupe->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    if (replie) {
        date->activate();
        cbDatePDVHierCompoSiCopie->setFixedHeight(
            cbDatePDVHierCompoSiCopie->HauteurPour(largeurMilieu - gbDatePDV->contentsMargins().left()
                                                   - gbDatePDV->contentsMargins().right() - date->contentsMargins().left()
                                                   - date->contentsMargins().right()));
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
    milieu->addSpacing(ecart(32, btCopier->height()));
    milieu->addWidget(stEXIFOrdre);
    milieu->addSpacing(ecart(16, stEXIFOrdre->height()));
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
    milieu->addSpacing(ecart(120, gbDatePDV->sizeHint().height()));
    auto *separateur = Ligne();
    separateur->addWidget(stSep, 0, Qt::AlignTop);
    separateur->addStretch(1);
    separateur->addSpacing(px(9));
    separateur->addWidget(cbSep, 0, Qt::AlignTop);
    milieu->addLayout(separateur);
    milieu->addSpacing(ecart(24, separateur->sizeHint().height()));
    milieu->addWidget(gbInformation);

    // The source and destination columns: a caption over the tree.
    fixer(stSrc, 33, 13);
    fixer(stDst, 54, 13);
    fixer(btCreerDossier, 121, 20);
    fixer(btLectRecurs, 281, 25, Souple);
    fixer(btQuitter, 281, 25, Souple);
    const int entete = std::max(px(20), btCreerDossier->height());
    if (serre) {
        // A dozen characters and a few lines; each column as wide as its own controls.
        for (TFolderTreeView *arbre : {tvSrc, tvDst})
            arbre->setMinimumSize(12 * arbre->fontMetrics().averageCharWidth() + 2 * arbre->frameWidth()
                                      + arbre->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, arbre),
                                  4 * arbre->fontMetrics().lineSpacing() + 2 * arbre->frameWidth());
    } else {
        // The two folder columns keep the same width, as drawn, at their narrowest too.
        const int largeurDossiers = std::max({px(150), btLectRecurs->minimumWidth(), btQuitter->minimumWidth(),
                                              stDst->width() + px(8) + btCreerDossier->width()});
        for (TFolderTreeView *arbre : {tvSrc, tvDst})
            arbre->setMinimumSize(largeurDossiers, px(120));
    }
    auto *source = Colonne();
    auto *enteteSource = Ligne();
    enteteSource->addStrut(entete);
    enteteSource->addWidget(stSrc, 0, Qt::AlignVCenter);
    enteteSource->addStretch(1);
    source->addLayout(enteteSource);
    if (replie) // the trees' tops level
        source->addSpacing(ecartMin + btCreerDossier->height());
    source->addWidget(tvSrc, 1);
    auto *destination = Colonne();
    auto *enteteDestination = Ligne(px(8));
    enteteDestination->addStrut(entete);
    enteteDestination->addWidget(stDst, 0, Qt::AlignVCenter);
    enteteDestination->addStretch(1);
    if (replie) { // the button under its caption, on the right still
        auto *sousEntete = Ligne();
        sousEntete->addStretch(1);
        sousEntete->addWidget(btCreerDossier);
        destination->addLayout(enteteDestination);
        destination->addSpacing(ecartMin);
        destination->addLayout(sousEntete);
    } else {
        enteteDestination->addWidget(btCreerDossier, 0, Qt::AlignVCenter);
        destination->addLayout(enteteDestination);
    }
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
}

QWidget *TfmMainClarvane::DefilerInformation(bool defile)
{
    if (!defile) {
        if (m_defilementInformation) {
            stInformation->setParent(gbInformation);
            delete m_defilementInformation;
            m_defilementInformation = nullptr;
        }
        stInformation->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        stInformation->show();
        return stInformation;
    }
    if (!m_defilementInformation) {
        // On the Tab chain, so that the keys scroll it too; framed while it has the focus.
        m_defilementInformation = new TCadreFocus<QScrollArea>(gbInformation);
        m_defilementInformation->setObjectName(u"sbInformation"_s);
        m_defilementInformation->setAccessibleName(gbInformation->title());
        m_defilementInformation->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_defilementInformation->setWidgetResizable(true);
        m_defilementInformation->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_defilementInformation->setFocusPolicy(Qt::StrongFocus);
        setTabOrder(cbSep, m_defilementInformation);
        setTabOrder(m_defilementInformation, btApercu);
        stInformation->setFrameStyle(QFrame::NoFrame); // the box's frame
        stInformation->setMinimumHeight(0);
        stInformation->setMaximumHeight(QWIDGETSIZE_MAX);
        m_defilementInformation->setWidget(stInformation);
        stInformation->setAutoFillBackground(false); // the box's focus frame shows through
        m_defilementInformation->show();
    }
    return m_defilementInformation;
}

double TfmMainClarvane::EchelleDisposition() const
{
    return m_densite == TDensite::Dessin ? EchelleDessin(font()) : 1.0;
}

QSize TfmMainClarvane::MinimumPage() const
{
    return m_page->layout()->minimumSize();
}

int TfmMainClarvane::HauteurChampsOrdre(int champs) const
{
    // The fields' rows, and the two arrows beside them.
    return std::max(champs * tvEXIFOrdre->sizeHintForRow(0) + 2 * tvEXIFOrdre->frameWidth(),
                    btEXIFOrdreMonter->minimumHeight() * 2 + AEchelle(7, EchelleDisposition()));
}

void TfmMainClarvane::AjusterMinimum()
{
    // Every text whole: the six fields of the order tree and the information as drawn;
    // where the screen is too small for that, the information box gives up the room its
    // text does not need, then the order tree shows three fields and scrolls; then the
    // window is laid out tight, then folded (Disposer), with six fields, then three; and
    // finally it keeps to the screen and its page scrolls.
    // The frame is counted as large as common title bars are, so that the choice does not
    // depend on when the window manager tells its own.
    QSize zone(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (const QScreen *ecran = screen()) {
        const QMargins cadre = CadreFenetre(this), commun = CadreCommun();
        zone = ecran->availableGeometry().size().shrunkBy(
            QMargins(std::max(cadre.left(), commun.left()), std::max(cadre.top(), commun.top()),
                     std::max(cadre.right(), commun.right()), std::max(cadre.bottom(), commun.bottom())));
    }
    const auto tient = [&](int information, int champs) {
        if (information > 0)
            stInformation->setFixedHeight(information);
        tvEXIFOrdre->setMinimumHeight(HauteurChampsOrdre(champs));
        m_page->layout()->activate();
        const QSize minimum = MinimumPage();
        return minimum.width() <= zone.width() && minimum.height() <= zone.height();
    };
    const auto essayer = [&](TDensite densite) {
        if (densite != m_densite) {
            m_densite = densite;
            Disposer();
        }
        if (densite != TDensite::Dessin) // the information scrolls in its box
            return tient(0, 6) || tient(0, 3);
        return tient(m_hauteurInformationDessin, 6) || tient(m_hauteurInformation, 6) || tient(m_hauteurInformation, 3);
    };
    if (!essayer(TDensite::Dessin) && !essayer(TDensite::Serre))
        essayer(TDensite::Replie);
    setMinimumSize(MinimumPage().boundedTo(zone));
}

