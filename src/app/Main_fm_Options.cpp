// The main window's options in and out: the settings file read into the controls at
// start, and the controls read back as the options of a run or of the settings file.
#include "app/Main_fm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QPushButton>

#include "commun/Dossiers.h"
#include "commun/EErreur.h"
#include "controls/Fenetres.h"
#include "controls/FolderTreeView.h"
#include "engine/OptionsNommage.h"
#include "settings/BigIniFiles.h"
#include "settings/ReglagesGeneraux.h"
#include "ui/ArbreOrdre.h"
#include "ui/ElementsFenetre.h"
#include "ui/LibellesOptions.h"

using namespace Qt::StringLiterals;

void TfmMainClarvane::ChargerOptions()
{
    Fichier->SetAutoSave(false);
    m_reglages = ::ChargerOptions(*Fichier);
    const TEnrOptions &options = m_reglages;
    RestaurerDossier(tvSrc, options.cDossSrc);
    RestaurerDossier(tvDst, options.cDossDst);
    btLectRecurs->setChecked(options.lLectRecurs);
    (options.lCopier ? btCopier : btRenommer)->setChecked(true);
    tvEXIFOrdre->SetCode(options.cOrdreDonEXIF);
    ChargerOptionsDate(options);
    cbSep->setCurrentIndex(options.nSep);
    MajEtats();
}

void TfmMainClarvane::RestaurerDossier(TFolderTreeView *arbre, const QString &dossier)
{
    arbre->Populate();
    // ChargerOptions gives the default folder for a missing key, the stored text (even
    // empty) for one that exists; a folder that is gone leaves the default one, and
    // nothing selected when that is gone too.
    for (const QString &candidat : {dossier, DossierParDefaut()}) {
        try {
            arbre->SetSelectedPath(candidat);
            break;
        } catch (const EErreur &) {
        }
    }
    if (arbre->currentItem())
        arbre->scrollToItem(arbre->currentItem());
}

void TfmMainClarvane::ChargerOptionsDate(const TEnrOptions &options)
{
    gbDatePDV->setTitle(u"Contenu/format de la "_s + LegendeChamp(kIndexDate));
    // In the order 1, 2, 3; each change runs cbDatePDVClick, which keeps one on.
    const TComposantsDate composants = DecoderComposants(options.nCFDatePDVC);
    const TFormatsDate formats = DecoderFormats(options.nCFDatePDVF);
    for (int n = 1; n <= kNbComposantsDate; ++n) {
        FormatDate(n)->clear();
        FormatDate(n)->addItems(ElementsFormatsDate(QDate::currentDate()));
        CaseDate(n)->setChecked(composants[n - 1]);
    }
    for (int n = 1; n <= kNbComposantsDate; ++n)
        FormatDate(n)->setCurrentIndex(formats[n - 1]);
    cbDatePDVSep->setCurrentIndex(options.nDatePDVSep);
    cbDatePDVHierCompoSiCopie->setChecked(options.lDatePDVHierCompoSiCopie);
    AfficherExempleDate();
}

namespace {
// The window's inside rectangle as the user left it (not maximised), and whether it was
// maximised; written at close, read at the first show.
const QString kCleGauche = u"nFenetreGauche"_s;
const QString kCleHaut = u"nFenetreHaut"_s;
const QString kCleLargeur = u"nFenetreLargeur"_s;
const QString kCleHauteur = u"nFenetreHauteur"_s;
const QString kCleAgrandie = u"lFenetreAgrandie"_s;
constexpr QSize kTailleDessin(888, 506); // the window as drawn, for its first opening
} // namespace

void TfmMainClarvane::RestaurerGeometrie()
{
    const QString section = SectionGenerale();
    const int largeur = Fichier->ReadInteger(section, kCleLargeur, 0);
    const int hauteur = Fichier->ReadInteger(section, kCleHauteur, 0);
    const bool connue = largeur > 0 && hauteur > 0 && Fichier->ValueExists(section, kCleGauche)
                        && Fichier->ValueExists(section, kCleHaut);
    TPlacement placement;
    const double k = EchelleDessin(font());
    // As drawn, at the scale of the font; with a large font the fixed controls may take
    // more than the drawing gives them: the order tree still shows its six fields.
    placement.taille = QSize(AEchelle(kTailleDessin.width(), k), AEchelle(kTailleDessin.height(), k))
                           .expandedTo(MinimumPage() + QSize(0, HauteurChampsOrdre(6) - tvEXIFOrdre->minimumHeight()));
    if (connue) {
        placement.taille = QSize(largeur, hauteur);
        placement.coin = QPoint(Fichier->ReadInteger(section, kCleGauche, 0), Fichier->ReadInteger(section, kCleHaut, 0));
    }
    PlacerFenetre(this, placement);
    if (Fichier->ReadBool(section, kCleAgrandie, false))
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TfmMainClarvane::SauverGeometrie()
{
    if (!m_placee)
        return; // never shown: nothing the user gave it
    const QString section = SectionGenerale();
    const QRect normale = normalGeometry().isValid() ? normalGeometry() : geometry();
    Fichier->WriteInteger(section, kCleGauche, normale.x());
    Fichier->WriteInteger(section, kCleHaut, normale.y());
    Fichier->WriteInteger(section, kCleLargeur, normale.width());
    Fichier->WriteInteger(section, kCleHauteur, normale.height());
    Fichier->WriteBool(section, kCleAgrandie, isMaximized());
}

TEnrOptions TfmMainClarvane::Options() const
{
    // The keys without a control as the settings file gave them, the others as the
    // controls show them now.
    TEnrOptions o = m_reglages;
    o.cOrdreDonEXIF = tvEXIFOrdre->Code();
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
