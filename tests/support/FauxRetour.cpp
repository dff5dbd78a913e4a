#include "FauxRetour.h"

using namespace Qt::StringLiterals;

void TFauxRetour::Boite()
{
    if (curseurOccupe)
        boiteSousCurseurOccupe = true;
}

bool TFauxRetour::Confirmer(const QString &texte)
{
    Boite();
    appels.append(u"Confirmer: "_s + texte);
    if (surConfirmer)
        surConfirmer();
    return !reponses.isEmpty() && reponses.takeFirst();
}

bool TFauxRetour::QuestionPrudente(const QString &texte)
{
    Boite();
    appels.append(u"Prudente: "_s + texte);
    return !reponsesPrudentes.isEmpty() && reponsesPrudentes.takeFirst();
}

void TFauxRetour::Erreur(const QString &texte)
{
    Boite();
    appels.append(u"Erreur: "_s + texte);
}

void TFauxRetour::Information(const QString &texte)
{
    Boite();
    appels.append(u"Information: "_s + texte);
}

void TFauxRetour::CurseurOccupe(bool occupe)
{
    curseurOccupe = occupe;
    appels.append(occupe ? u"Curseur: occupé"_s : u"Curseur: normal"_s);
}

void TFauxRetour::ProgressionOuvrir(const QString &texte, int minimum, int maximum, int v)
{
    progressionOuverte = true;
    valeur = v;
    legende = texte;
    appels.append(u"Ouvrir: %1 %2 %3 %4"_s.arg(texte).arg(minimum).arg(maximum).arg(v));
}

void TFauxRetour::ProgressionAvancer()
{
    ++avancees;
    ++valeur;
    if (interrompreAuPas > 0 && progressionOuverte && valeur == interrompreAuPas
        && legende.startsWith(interrompreLegende))
        Interrompre();
    if (surAvancer)
        surAvancer(avancees);
}

void TFauxRetour::Patienter()
{
    ++patiences;
    if (patiences == interrompreALaPatience)
        Interrompre();
}

void TFauxRetour::Interrompre()
{
    appels.append(reponseInterruption ? u"Interrompre: Oui"_s : u"Interrompre: Non"_s);
    interrompu = interrompu || reponseInterruption;
}

void TFauxRetour::ProgressionFermer()
{
    progressionOuverte = false;
    appels.append(u"Fermer"_s);
}

void TFauxRetour::MontrerApercu(bool copie, const QString &dossierBase, const TListeImages &liste,
                                const QStringList &erreurs)
{
    Boite();
    appels.append(u"Apercu"_s);
    ++nbApercus;
    apercuCopie = copie;
    apercuBase = dossierBase;
    apercu = liste;
    apercuErreurs = erreurs;
}

void TFauxRetour::OuvrirJournal(const QString &chemin)
{
    appels.append(u"Journal: "_s + chemin);
}

QStringList TFauxRetour::Appels(const QString &debut) const
{
    QStringList trouves;
    for (const QString &a : appels)
        if (a.startsWith(debut))
            trouves.append(a);
    return trouves;
}
