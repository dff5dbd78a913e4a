#include "engine/Annulation.h"

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include <QScopeGuard>
#include <QStringList>

#include "commun/NomsFichiers.h"
#include "engine/JournalErreurs.h"
#include "engine/JournalTraitement.h"
#include "engine/OperationsFichiers.h"

using namespace Qt::StringLiterals;

namespace {

const QString kFichierModifie = u"fichier modifié"_s;
const QString kNomPris = u"nom d'origine déjà pris"_s;

bool ARestaurer(const TEntreeJournal &e)
{
    return e.Genre != TEntreeJournal::TGenre::Dossier && !e.Annulee;
}

// The file at `chemin` as the run left it: a plain file (not a link put in its place) of
// the size and time noted. Empty when it is, else why not.
QString Inchange(const QByteArray &chemin, const TEtatFichier &etat, struct stat &st)
{
    if (::lstat(chemin.constData(), &st) != 0)
        return MessageSysteme(errno);
    if (!S_ISREG(st.st_mode) || EtatDepuisStat(st) != etat)
        return kFichierModifie;
    return {};
}

// Gives a renamed image its old name back. Empty on success, else the reason.
QString AnnulerRenommage(const TEntreeJournal &e)
{
    struct stat st {};
    if (QString raison = Inchange(e.Cible, e.Etat, st); !raison.isEmpty())
        return raison;
    if (::lstat(e.Source.constData(), &st) == 0)
        return kNomPris;
    if (errno != ENOENT)
        return MessageSysteme(errno);
    int erreur = 0;
    if (RenommerFichier(NomDepuisOctets(e.Cible), NomDepuisOctets(e.Source), &erreur))
        return {};
    return erreur == EEXIST ? kNomPris : MessageSysteme(erreur);
}

// Removes a copy whose source is still there as it was. Empty on success, else the reason.
QString AnnulerCopie(const TEntreeJournal &e)
{
    struct stat copie {};
    if (QString raison = Inchange(e.Cible, e.Etat, copie); !raison.isEmpty())
        return raison;
    struct stat source {};
    if (::stat(e.Source.constData(), &source) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return u"source absente"_s;
        return MessageSysteme(errno);
    }
    // The source name leading to the copy itself (a link made since) is no source.
    if (!S_ISREG(source.st_mode) || (source.st_dev == copie.st_dev && source.st_ino == copie.st_ino))
        return u"source absente"_s;
    if (EtatDepuisStat(source) != e.EtatSource)
        return u"source modifiée"_s;
    if (::unlink(e.Cible.constData()) != 0)
        return MessageSysteme(errno);
    return {};
}

// A folder the run made, removed when empty. Empty when removed or left for a good
// reason (something is in it, or it is gone already), else the system's message.
QString RetirerDossier(const QByteArray &dossier)
{
    if (::rmdir(dossier.constData()) == 0)
        return {};
    const int erreur = errno;
    if (erreur == ENOTEMPTY || erreur == EEXIST || erreur == ENOENT)
        return {};
    return MessageSysteme(erreur);
}

// Deepest first; among folders of the same depth, the last made first.
int Profondeur(const QByteArray &chemin)
{
    QByteArray c = chemin;
    while (c.endsWith('/'))
        c.chop(1);
    return int(c.count('/'));
}

QString LigneRefus(const QByteArray &chemin, const QString &raison)
{
    return u"Impossible d'annuler pour %1 : %2"_s.arg(NomLisible(NomDepuisOctets(chemin)), raison);
}

} // namespace

int NombreAnnulable(const QString &dossier)
{
    const QList<TEntreeJournal> entrees = LireJournal(dossier);
    return int(std::count_if(entrees.cbegin(), entrees.cend(), ARestaurer));
}

void LancerAnnulation(IRetourTraitement &retour)
{
    const QString dossier = retour.DossierJournal();
    qsizetype longueur = 0;
    const QList<TEntreeJournal> entrees = LireJournal(dossier, &longueur);
    if (entrees.isEmpty()) {
        retour.Information(u"Aucun traitement à annuler."_s);
        return;
    }
    // A torn last entry (a run killed while writing it) would hide the marks put after it.
    CouperJournal(dossier, longueur);

    // The cursor and the pop-up are put back however the undo ends.
    bool occupe = true, ouvert = false;
    retour.CurseurOccupe(true);
    const auto remettre = qScopeGuard([&] {
        if (ouvert)
            retour.ProgressionFermer();
        if (occupe)
            retour.CurseurOccupe(false);
    });

    QStringList lignes;
    int restaurees = 0;
    const int nombre = int(std::count_if(entrees.cbegin(), entrees.cend(), ARestaurer));
    if (nombre > 0) {
        retour.ProgressionOuvrir(u"Annulation en cours"_s, 0, nombre - 1, 0);
        ouvert = true;
    }
    for (qsizetype i = entrees.size() - 1; i >= 0; --i) {
        const TEntreeJournal &e = entrees[i];
        if (!ARestaurer(e))
            continue;
        retour.ProgressionAvancer();
        const QString raison = e.Genre == TEntreeJournal::TGenre::Copie ? AnnulerCopie(e)
                                                                         : AnnulerRenommage(e);
        if (raison.isEmpty()) {
            ++restaurees;
            MarquerAnnulee(dossier, int(i)); // an undo stopped here goes on from the next
        } else {
            lignes.append(LigneRefus(e.Cible, raison));
        }
    }

    QList<qsizetype> dossiers;
    for (qsizetype i = entrees.size() - 1; i >= 0; --i)
        if (entrees[i].Genre == TEntreeJournal::TGenre::Dossier)
            dossiers.append(i);
    std::stable_sort(dossiers.begin(), dossiers.end(), [&](qsizetype a, qsizetype b) {
        return Profondeur(entrees[a].Cible) > Profondeur(entrees[b].Cible);
    });
    for (const qsizetype i : std::as_const(dossiers))
        if (const QString raison = RetirerDossier(entrees[i].Cible); !raison.isEmpty())
            lignes.append(LigneRefus(entrees[i].Cible, raison));
    if (ouvert) {
        ouvert = false;
        retour.ProgressionFermer();
    }

    // What could not be put back stays as it is; the journal goes all the same.
    SupprimerJournal(dossier);
    const QString journal = dossier + u"Clarvane.erreurs.txt"_s;
    EcrireJournalErreurs(journal, lignes);
    QString resume = u"%1 images restaurées."_s.arg(restaurees);
    if (!lignes.isEmpty())
        resume += u"\r\n\r\nDes erreurs ont été rencontrées :\r\nchargement de \"%1\"."_s.arg(journal);
    occupe = false;
    retour.CurseurOccupe(false);
    retour.Information(resume);
    if (!lignes.isEmpty())
        retour.OuvrirJournal(journal);
}
