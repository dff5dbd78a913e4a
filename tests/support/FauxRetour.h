// A stand-in for the main window as the run's listener: it records every call in order
// and answers the confirmation from a queue, so a whole run can be driven without a screen.
#pragma once

#include <functional>

#include <QList>
#include <QString>
#include <QStringList>

#include "engine/IRetourTraitement.h"

class TFauxRetour final : public IRetourTraitement {
public:
    bool Confirmer(const QString &texte) override;
    bool QuestionPrudente(const QString &texte) override;
    void Erreur(const QString &texte) override;
    void Information(const QString &texte) override;
    void CurseurOccupe(bool occupe) override;
    void ProgressionOuvrir(const QString &legende, int minimum, int maximum, int valeur) override;
    void ProgressionAvancer() override;
    void ProgressionFermer() override;
    void MontrerApercu(bool copie, const QString &dossierBase, const TListeImages &apercu,
                       const QStringList &erreurs) override;
    QString DossierJournal() const override { return dossierJournal; }
    void OuvrirJournal(const QString &chemin) override;
    bool InterruptionDemandee() override { return interrompu; }
    void Patienter() override;
    IOperationsCopie *OperationsCopie() override { return operations; }

    // What the run did, one entry per call: "Confirmer: <text>", "Prudente: <text>",
    // "Erreur: <text>", "Information: <text>", "Curseur: occupé|normal", "Ouvrir: <caption>
    // <min> <max> <value>", "Fermer", "Apercu", "Journal: <path>". Steps are counted in
    // `avancees`, not listed.
    QStringList appels;
    // Answers of the next Confirmer calls, and of the next QuestionPrudente calls; an
    // empty queue answers No.
    QList<bool> reponses;
    QList<bool> reponsesPrudentes;
    QString dossierJournal;
    // The copies' system calls: null for the real ones.
    IOperationsCopie *operations = nullptr;

    // State seen at the moment of the calls.
    bool curseurOccupe = false;
    bool progressionOuverte = false;
    int avancees = 0;                 // ProgressionAvancer calls in all
    int valeur = 0;                   // the pop-up's current value, as the run raised it
    bool boiteSousCurseurOccupe = false; // a box or window was shown over the busy cursor

    // The last preview shown.
    int nbApercus = 0;
    bool apercuCopie = false;
    QString apercuBase;
    TListeImages apercu;
    QStringList apercuErreurs;

    // Called at every step of the pop-up, with the number of steps so far (to change the
    // options or the disk in the middle of a run).
    std::function<void(int)> surAvancer;
    // Called when the confirmation is asked, before it is answered (to change the disk
    // between the counting pass and the reading pass).
    std::function<void()> surConfirmer;

    // The user's Escape: at step `interrompreAuPas` (counted from the Open) of the pop-up
    // whose caption begins with `interrompreLegende`, "Interrompre le traitement ?" is
    // answered `reponseInterruption`, noted "Interrompre: Oui|Non". A key pressed while
    // image n is handled is answered at the step of image n + 1.
    QString interrompreLegende;
    int interrompreAuPas = 0;
    bool reponseInterruption = true;
    bool interrompu = false; // answered Oui
    // The same at the `interrompreALaPatience`-th call of Patienter (events processed
    // without a step: the counting pass, phase 1 waiting); the calls are counted in
    // `patiences`, not listed.
    int interrompreALaPatience = 0;
    int patiences = 0;
    QString legende;         // of the pop-up as last opened

    // The calls whose entry begins with `debut`.
    QStringList Appels(const QString &debut) const;

private:
    void Boite();
    void Interrompre();
};
