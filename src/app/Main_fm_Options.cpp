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
        ElargirListe(FormatDate(n));
        CaseDate(n)->setChecked(composants[n - 1]);
    }
    for (int n = 1; n <= kNbComposantsDate; ++n)
        FormatDate(n)->setCurrentIndex(formats[n - 1]);
    cbDatePDVSep->setCurrentIndex(options.nDatePDVSep);
    cbDatePDVHierCompoSiCopie->setChecked(options.lDatePDVHierCompoSiCopie);
    AfficherExempleDate();
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
