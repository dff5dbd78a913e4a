// The main window's actions: the keyboard, folder creation, and the runs (preview,
// processing, the stop asked during one, and the undo of the last one).
#include "app/Main_fm.h"

#include <QPushButton>
#include <QScopeGuard>
#include <QShortcut>

#include "app/AdaptateurTraitement.h"
#include "app/BoiteMessage.h"
#include "app/ExecuterAction.h"
#include "controls/FolderTreeView.h"
#include "engine/Annulation.h"
#include "engine/Traitement.h"
#include "ui/SaisieChaine_fm.h"

using namespace Qt::StringLiterals;

// ---- Keyboard -----------------------------------------------------------------------------

// Each key is a shortcut of the window: the window takes it before the control that has
// the focus and it goes no further, so one press is one action whatever the box it opens
// does to the focus meanwhile (a key looked at on its way up through the controls, and
// left to go on, was met again at a parent once the box had moved the focus).
void TfmMainClarvane::CreerRaccourcis()
{
    const auto raccourci = [this](const QKeySequence &touches, const std::function<void()> &action) {
        auto *r = new QShortcut(touches, this);
        r->setContext(Qt::WindowShortcut);
        r->setAutoRepeat(false); // a key held down asks once
        connect(r, &QShortcut::activated, this, [this, action] { ExecuterAction(this, action); });
        return r;
    };
    // As a click: a mode button that is down stays down, the other one comes up.
    const std::pair<Qt::Key, QPushButton *> boutons[] = {
        {Qt::Key_C, btCopier}, {Qt::Key_R, btRenommer}, {Qt::Key_L, btLectRecurs}};
    for (const auto &[touche, bouton] : boutons)
        raccourci(QKeySequence(Qt::CTRL | touche), [bouton] { bouton->click(); });
    m_raccourciAnnuler = raccourci(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { AnnulerDernierTraitement(); });
    m_raccourciInterrompre = raccourci(QKeySequence(Qt::Key_Escape), [this] { m_adaptateur->DemanderInterruption(); });
    MajRaccourcis();
}

void TfmMainClarvane::MajRaccourcis()
{
    // Outside a run Escape stays with the controls.
    m_raccourciInterrompre->setEnabled(m_enCours && m_interruptible);
    m_raccourciAnnuler->setEnabled(!m_enCours);
}

// ---- Folders and runs ---------------------------------------------------------------------

void TfmMainClarvane::btCreerDossierClick()
{
    auto fm = std::make_unique<TfmSaisieChaine>(this);
    fm->setAttribute(Qt::WA_DeleteOnClose, false);
    fm->setWindowTitle(u"Saisie"_s);
    fm->DefinirInvite(u"Nom du dossier à créer"_s);
    if (fm->exec() != QDialog::Accepted)
        return;
    const QString nom = fm->Texte().trimmed();
    fm.reset(); // gone before any error box
    if (!tvDst->CreateSubFolder(nom))
        BoiteMessage::Erreur(this, u"Impossible de créer le dossier '%1'."_s.arg(nom));
}

void TfmMainClarvane::ExecuterTraitement(bool interruptible, bool modifie,
                                         const std::function<void()> &travail)
{
    if (m_enCours)
        return;
    m_enCours = true;
    m_interruptible = interruptible;
    MajEtats();
    MajRaccourcis();
    const bool copieAuDebut = btCopier->isChecked();
    const auto fin = qScopeGuard([&] {
        m_adaptateur->Terminer();
        // The folders the run made or emptied show at once, even when the log could not
        // be written: the tree of the run's mode (as it began and as it ended), both after
        // an undo, whose run may have been of the other mode.
        if (modifie) {
            const bool copieALaFin = btCopier->isChecked();
            if (!interruptible || copieAuDebut || copieALaFin)
                tvDst->RafraichirDeplies();
            if (!interruptible || !copieAuDebut || !copieALaFin)
                tvSrc->RafraichirDeplies();
        }
        m_enCours = false;
        MajEtats();
        MajRaccourcis();
    });
    m_adaptateur->Commencer(interruptible);
    travail();
}

void TfmMainClarvane::LancerTraitementFenetre(bool traiter)
{
    ExecuterTraitement(true, traiter,
                       [&] { LancerTraitement(traiter, *m_adaptateur, *m_adaptateur, ListeImages); });
}

void TfmMainClarvane::DefinirOperationsCopie(IOperationsCopie *operations)
{
    m_adaptateur->DefinirOperationsCopie(operations);
}

void TfmMainClarvane::AnnulerDernierTraitement()
{
    if (m_enCours)
        return;
    const TAnnulable annulable = Annulable(m_adaptateur->DossierJournal());
    if (!annulable.Erreur.isEmpty()) { // a damaged or unreadable journal: kept, nothing undone
        BoiteMessage::Erreur(this, annulable.Erreur);
        return;
    }
    if (!annulable.Present) {
        BoiteMessage::Information(this, u"Aucun traitement à annuler."_s);
        return;
    }
    if (!BoiteMessage::QuestionPrudente(this, u"Annuler le dernier traitement (%1 images) ?"_s.arg(annulable.Images)))
        return;
    ExecuterTraitement(false, true, [this] { LancerAnnulation(*m_adaptateur); });
}
