// What a run tells the user, and asks of them: implemented by the main window with real
// message boxes and windows, by the tests with queued answers.
#pragma once

#include <QString>
#include <QStringList>

#include "metadata/TEnrFichier.h"

class IOperationsCopie;

class IRetourTraitement {
public:
    virtual ~IRetourTraitement() = default;

    // Question box, caption "Attention", buttons Oui/Non; true for Oui.
    virtual bool Confirmer(const QString &texte) = 0;
    // The same with "Non" the default, for going on at a risk (Return, Escape and the
    // close button answer Non); true for Oui.
    virtual bool QuestionPrudente(const QString &texte) = 0;
    // Error box, caption "Erreur", button OK.
    virtual void Erreur(const QString &texte) = 0;
    // Information box, caption "Information", button OK; returns when it is closed.
    virtual void Information(const QString &texte) = 0;

    // Busy cursor over the whole screen on or off.
    virtual void CurseurOccupe(bool occupe) = 0;

    // The progress pop-up: Open(caption, minimum, maximum, current value), one step
    // (current value + 1, pending events processed), Hide.
    virtual void ProgressionOuvrir(const QString &legende, int minimum, int maximum, int valeur) = 0;
    virtual void ProgressionAvancer() = 0;
    virtual void ProgressionFermer() = 0;

    // Shows the preview window modally; returns when it is closed.
    virtual void MontrerApercu(bool copie, const QString &dossierBase,
                               const TListeImages &apercu, const QStringList &erreurs) = 0;

    // Where the error log is written: a folder ending with "/".
    virtual QString DossierJournal() const = 0;
    // Hands the log file to the desktop's text viewer; the result is ignored.
    virtual void OuvrirJournal(const QString &chemin) = 0;

    // True once the user has asked to stop the run (Escape or the pop-up's close button,
    // answered "Oui" to "Interrompre le traitement ?"). Polled by the run after each step
    // of the pop-up, where pending events are processed; the listener clears it before
    // each run. By default a run cannot be stopped.
    virtual bool InterruptionDemandee() { return false; }
    // Processes pending events without a step of the pop-up: called during the counting
    // pass and while phase 1 waits for a slow medium, about every 100 ms, then
    // InterruptionDemandee is polled. By default nothing.
    virtual void Patienter() {}
    // The system calls that move the copies' data; null for the real ones. Tests give
    // one that fails at a chosen step.
    virtual IOperationsCopie *OperationsCopie() { return nullptr; }
};
