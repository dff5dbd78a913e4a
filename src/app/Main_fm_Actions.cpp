// The main window's actions: the keyboard, folder creation, and the runs (preview,
// processing, the stop asked during one, and the undo of the last one).
#include "app/Main_fm.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScopeGuard>

#include "app/AdaptateurTraitement.h"
#include "app/BoiteMessage.h"
#include "app/ExecuterAction.h"
#include "controls/FolderTreeView.h"
#include "engine/Annulation.h"
#include "engine/Traitement.h"
#include "ui/SaisieChaine_fm.h"

using namespace Qt::StringLiterals;

// ---- Keyboard -----------------------------------------------------------------------------

bool TfmMainClarvane::FormKeyDown(int touche, Qt::KeyboardModifiers modificateurs)
{
    const Qt::KeyboardModifiers m = modificateurs & ~Qt::KeypadModifier;
    if (touche == Qt::Key_Escape && m == Qt::NoModifier && m_enCours) {
        m_adaptateur->DemanderInterruption();
        return true;
    }
    if (m != Qt::ControlModifier)
        return false;
    switch (touche) {
    case Qt::Key_C:
    case Qt::Key_R: {
        QPushButton *bouton = touche == Qt::Key_C ? btCopier : btRenommer;
        if (!bouton->isChecked()) { // a mode button that is down stays down
            bouton->setChecked(true);
            MajEtats();
        }
        return true;
    }
    case Qt::Key_L:
        btLectRecurs->toggle();
        return true;
    case Qt::Key_Z:
        AnnulerDernierTraitement();
        return true;
    default:
        return false;
    }
}

bool TfmMainClarvane::eventFilter(QObject *objet, QEvent *evenement)
{
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
    MajEtats();
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
