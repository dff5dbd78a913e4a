#include "engine/Annulation.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>

#include <QScopeGuard>
#include <QSet>
#include <QStringList>

#include "commun/Chemins.h"
#include "commun/NomsFichiers.h"
#include "engine/Empreinte.h"
#include "engine/JournalErreurs.h"
#include "engine/JournalTraitement.h"
#include "engine/OperationsFichiers.h"

using namespace Qt::StringLiterals;

namespace {

using TGenre = TOperationJournal::TGenre;

const QString kFichierModifie = u"fichier modifié"_s;
const QString kNomPris = u"nom d'origine déjà pris"_s;
const QString kSourceAbsente = u"source absente"_s;
const QString kImageConservee = u"image non annulée"_s;

// What the undo made of one operation.
enum class TIssue {
    Annulee,   // put back: a copy removed, an image renamed back
    RienAFaire, // nothing of it is on the disk (it was not made)
    Refusee,   // left as it is, with a line
};

struct TResultat {
    TIssue Issue = TIssue::RienAFaire;
    QByteArray Chemin; // of a refusal's line
    QString Raison;
};

TResultat Refus(const QByteArray &chemin, const QString &raison)
{
    return {TIssue::Refusee, chemin, raison};
}

bool AAnnuler(const TOperationJournal &op)
{
    return op.Genre != TGenre::Dossier && !op.Annulee;
}

// The file at `chemin`, not following a link: 0 and its state, or the errno.
int Examiner(const QByteArray &chemin, struct stat &st)
{
    return EtatChemin(chemin, st, TLiens::NePasSuivre);
}

bool MemeFichier(const struct stat &st, const TEtatFichier &note)
{
    return note.Inode != 0 && quint64(st.st_ino) == note.Inode && quint64(st.st_dev) == note.Peripherique;
}

// The size and modification time noted, and the inode where it was: ctime aside, which a
// rename moves.
bool MemeContenuNote(const struct stat &st, const TEtatFichier &note)
{
    TEtatFichier sansChangement = note;
    sansChangement.SecondesChangement = -1;
    return S_ISREG(st.st_mode) && EtatInchange(sansChangement, EtatDepuisStat(st));
}

// Whether the undo will find this change made on the disk: confirmed, or noted and seen
// in place (the very file, by its inode, under its new name).
bool Fait(const TOperationJournal &op)
{
    if (op.Confirmee)
        return true;
    if (op.Cible.isEmpty())
        return false; // a copy stopped before its move
    struct stat st {};
    return Examiner(op.Cible, st) == 0 && MemeFichier(st, op.Etat);
}

// The copy still holds the content whose fingerprint was noted. Empty when it does.
QString VerifierEmpreinte(const TOperationJournal &op, const struct stat &copie)
{
    const TDescripteur fd(OuvrirChemin(op.Cible, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Fd() < 0)
        return MessageSysteme(errno);
    struct stat ouvert {};
    if (::fstat(fd.Fd(), &ouvert) != 0)
        return MessageSysteme(errno);
    if (ouvert.st_ino != copie.st_ino || ouvert.st_dev != copie.st_dev)
        return kFichierModifie;
    TEmpreinte empreinte;
    if (const int erreur = EmpreinteDescripteur(fd.Fd(), empreinte))
        return MessageSysteme(erreur);
    return empreinte == *op.Empreinte ? QString() : kFichierModifie;
}

class TAnnulation {
public:
    TAnnulation(TJournalAnnulation &journal) : m_journal(journal), m_lu(journal.Lu()) {}

    // `imageConservee`: a companion whose image stays, and which stays beside it.
    TResultat Operation(int index, bool imageConservee);
    // Removes the run's folders, deepest first; the lines of those left.
    void Dossiers(QStringList &lignes);
    // Paths that got a line: what they hold is no news when their folder stays.
    QSet<QByteArray> m_signales;

private:
    bool DansLeTraitement(const TOperationJournal &op) const;
    TResultat Copie(int index, const TOperationJournal &op);
    TResultat Renommage(int index, const TOperationJournal &op);
    TResultat RetirerTemporaire(const TOperationJournal &op);
    TResultat Conserver(const TOperationJournal &op);

    TJournalAnnulation &m_journal;
    const TJournalLu &m_lu;
};

// Every path of the operation below one of the run's folders. A journal of the first
// version named none, and is taken as it stands.
bool TAnnulation::DansLeTraitement(const TOperationJournal &op) const
{
    if (m_lu.Version < 2)
        return true;
    const auto dedans = [&](const QByteArray &chemin) {
        return chemin.isEmpty()
               || std::any_of(m_lu.Dossiers.cbegin(), m_lu.Dossiers.cend(),
                              [&](const QByteArray &d) { return EstSousDossier(chemin, d); });
    };
    return dedans(op.Source) && dedans(op.Cible) && dedans(op.Temporaire);
}

TResultat TAnnulation::Operation(int index, bool imageConservee)
{
    const TOperationJournal &op = m_lu.Operations[index];
    if (!DansLeTraitement(op))
        return Refus(op.Cible.isEmpty() ? op.Temporaire : op.Cible, u"hors du traitement"_s);
    if (imageConservee)
        return Conserver(op);
    return op.Genre == TGenre::Copie ? Copie(index, op) : Renommage(index, op);
}

// A companion whose image stays stays beside it, under the name that matches the image's:
// its temporary file only is removed. Said when it is there.
TResultat TAnnulation::Conserver(const TOperationJournal &op)
{
    if (TResultat r = RetirerTemporaire(op); r.Issue == TIssue::Refusee)
        return r;
    struct stat st {};
    if (op.Cible.isEmpty() || Examiner(op.Cible, st) != 0 || (!op.Confirmee && !MemeFichier(st, op.Etat)))
        return {};
    return Refus(op.Cible, kImageConservee);
}

// A temporary file still there: the copy was stopped before its move, or failed and could
// not remove it.
TResultat TAnnulation::RetirerTemporaire(const TOperationJournal &op)
{
    struct stat st {};
    if (op.Temporaire.isEmpty() || Examiner(op.Temporaire, st) != 0 || !S_ISREG(st.st_mode))
        return {};
    if (const int erreur = SupprimerFichier(op.Temporaire); erreur != 0 && erreur != ENOENT)
        return Refus(op.Temporaire, MessageSysteme(erreur));
    return {};
}

TResultat TAnnulation::Copie(int index, const TOperationJournal &op)
{
    if (TResultat r = RetirerTemporaire(op); r.Issue == TIssue::Refusee)
        return r;
    if (op.Cible.isEmpty())
        return {}; // stopped before its move: nothing else of it

    struct stat copie {};
    if (const int erreur = Examiner(op.Cible, copie)) {
        // Removed by an undo that was stopped right after; never made, if not confirmed.
        if (erreur == ENOENT && (op.EnAnnulation || !op.Confirmee))
            return {op.EnAnnulation ? TIssue::Annulee : TIssue::RienAFaire, {}, {}};
        return Refus(op.Cible, MessageSysteme(erreur));
    }
    // Noted but not confirmed: the copy is there only if that name holds the very file.
    if (!op.Confirmee && !MemeFichier(copie, op.Etat))
        return {};
    const bool inchange = op.Confirmee ? S_ISREG(copie.st_mode) && EtatInchange(op.Etat, EtatDepuisStat(copie))
                                       : MemeContenuNote(copie, op.Etat);
    if (!inchange)
        return Refus(op.Cible, kFichierModifie);

    struct stat source {};
    if (const int erreur = EtatChemin(op.Source, source)) {
        if (erreur == ENOENT || erreur == ENOTDIR)
            return Refus(op.Cible, kSourceAbsente);
        return Refus(op.Cible, MessageSysteme(erreur));
    }
    // The source name leading to the copy itself (a link made since) is no source.
    if (!S_ISREG(source.st_mode) || (source.st_dev == copie.st_dev && source.st_ino == copie.st_ino))
        return Refus(op.Cible, kSourceAbsente);
    if (op.EtatSource.Taille >= 0) {
        const TEtatFichier actuelle = EtatDepuisStat(source);
        if (actuelle.Taille != op.EtatSource.Taille || actuelle.Secondes != op.EtatSource.Secondes
            || actuelle.Nanosecondes != op.EtatSource.Nanosecondes)
            return Refus(op.Cible, u"source modifiée"_s);
    }
    // Size and times can be kept by an editor: a verified copy is compared by its content.
    if (op.Empreinte)
        if (QString raison = VerifierEmpreinte(op, copie); !raison.isEmpty())
            return Refus(op.Cible, raison);
    m_journal.Commencer(index);
    if (const int erreur = SupprimerFichier(op.Cible))
        return Refus(op.Cible, MessageSysteme(erreur));
    return {TIssue::Annulee, {}, {}};
}

TResultat TAnnulation::Renommage(int index, const TOperationJournal &op)
{
    struct stat nouveau {};
    const int erreurNouveau = Examiner(op.Cible, nouveau);
    struct stat ancien {};
    const int erreurAncien = Examiner(op.Source, ancien);
    if (erreurNouveau == ENOENT) {
        // Already back under its old name (an undo stopped before noting it), or never
        // renamed: the very file noted stands there.
        if (erreurAncien == 0 && MemeContenuNote(ancien, op.Etat)
            && (op.Etat.Inode == 0 || MemeFichier(ancien, op.Etat)))
            return {op.Confirmee ? TIssue::Annulee : TIssue::RienAFaire, {}, {}};
        if (!op.Confirmee)
            return {};
    }
    if (erreurNouveau != 0)
        return Refus(op.Cible, MessageSysteme(erreurNouveau));
    if (!op.Confirmee && !MemeFichier(nouveau, op.Etat))
        return {}; // the new name is someone else's: the renaming was not made
    const bool inchange = op.Confirmee ? S_ISREG(nouveau.st_mode) && EtatInchange(op.Etat, EtatDepuisStat(nouveau))
                                       : MemeContenuNote(nouveau, op.Etat);
    if (!inchange)
        return Refus(op.Cible, kFichierModifie);
    if (erreurAncien == 0) {
        // Both names on the same file: a renaming by link and unlink stopped half-way.
        if (ancien.st_ino == nouveau.st_ino && ancien.st_dev == nouveau.st_dev) {
            m_journal.Commencer(index);
            if (const int erreur = SupprimerFichier(op.Cible))
                return Refus(op.Cible, MessageSysteme(erreur));
            return {TIssue::Annulee, {}, {}};
        }
        return Refus(op.Cible, kNomPris);
    }
    if (erreurAncien != ENOENT)
        return Refus(op.Cible, MessageSysteme(erreurAncien));
    m_journal.Commencer(index);
    int erreur = 0;
    if (RenommerFichier(NomDepuisOctets(op.Cible), NomDepuisOctets(op.Source), &erreur))
        return {TIssue::Annulee, {}, {}};
    return Refus(op.Cible, erreur == EEXIST ? kNomPris : MessageSysteme(erreur));
}

// Deepest first.
int Profondeur(const QByteArray &chemin)
{
    QByteArray c = chemin;
    while (c.endsWith('/'))
        c.chop(1);
    return int(c.count('/'));
}

QString LigneRefus(const QByteArray &chemin, const QString &raison)
{
    return u"Impossible d'annuler pour %1 : %2"_s.arg(NomDepuisOctets(chemin), raison);
}

QByteArray SansBarreFinale(QByteArray chemin)
{
    while (chemin.size() > 1 && chemin.endsWith('/'))
        chemin.chop(1);
    return chemin;
}

void TAnnulation::Dossiers(QStringList &lignes)
{
    QList<QByteArray> dossiers;
    for (qsizetype i = m_lu.Operations.size() - 1; i >= 0; --i) {
        const TOperationJournal &op = m_lu.Operations[i];
        if (op.Genre != TGenre::Dossier)
            continue;
        if (!DansLeTraitement(op)) {
            lignes.append(LigneRefus(op.Cible, u"hors du traitement"_s));
            continue;
        }
        dossiers.append(op.Cible);
    }
    std::stable_sort(dossiers.begin(), dossiers.end(),
                     [](const QByteArray &a, const QByteArray &b) { return Profondeur(a) > Profondeur(b); });
    QSet<QByteArray> conserves; // folders left, without a trailing "/"
    for (const QByteArray &dossier : std::as_const(dossiers)) {
        const int erreur = SupprimerDossier(dossier);
        if (erreur == 0 || erreur == ENOENT)
            continue;
        if (erreur != ENOTEMPTY && erreur != EEXIST) {
            lignes.append(LigneRefus(dossier, MessageSysteme(erreur)));
            continue;
        }
        const QByteArray sans = SansBarreFinale(dossier);
        conserves.insert(sans);
        // Said once, where the user's files are: not for a folder that holds only folders
        // already kept, nor only files that have their own line.
        QByteArrayList noms;
        ListerDossier(dossier, noms);
        const bool autres = noms.isEmpty() || std::any_of(noms.cbegin(), noms.cend(), [&](const QByteArray &nom) {
            const QByteArray chemin = JoindreChemin(sans, nom);
            return !conserves.contains(chemin) && !m_signales.contains(chemin);
        });
        if (autres)
            lignes.append(u"Dossier %1 conservé : il contient d'autres fichiers"_s.arg(NomDepuisOctets(dossier)));
    }
}

} // namespace

TAnnulable Annulable(const QString &dossier)
{
    const TJournalLu lu = LireJournal(dossier);
    TAnnulable a;
    a.Erreur = MessageJournal(dossier, lu);
    for (const TOperationJournal &op : lu.Operations) {
        if (op.Annulee)
            continue;
        a.Present = true;
        if (op.Genre != TGenre::Dossier && !op.Compagnon && Fait(op))
            ++a.Images;
    }
    return a;
}

void LancerAnnulation(IRetourTraitement &retour)
{
    const QString dossier = retour.DossierJournal();
    TJournalAnnulation journal(dossier);
    const TJournalLu &lu = journal.Lu();
    if (const QString erreur = MessageJournal(dossier, lu); !erreur.isEmpty()) {
        retour.Erreur(erreur); // kept as it is: nothing is touched
        return;
    }
    const QList<TOperationJournal> &ops = lu.Operations;
    if (std::none_of(ops.cbegin(), ops.cend(), [](const TOperationJournal &op) { return !op.Annulee; })) {
        if (lu.Etat == TJournalLu::TEtat::Lisible)
            journal.Supprimer(); // nothing left in it
        retour.Information(u"Aucun traitement à annuler."_s);
        return;
    }
    // A torn last entry (a run killed while writing it) would hide the marks put after it.
    journal.Couper();

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
    int copies = 0, images = 0;
    const int nombre = int(std::count_if(ops.cbegin(), ops.cend(), AAnnuler));
    if (nombre > 0) {
        retour.ProgressionOuvrir(u"Annulation en cours"_s, 0, nombre - 1, 0);
        ouvert = true;
    }
    TAnnulation annulation(journal);
    // The last image first; an image before the companions that follow it in the journal,
    // which go back only with it: one that stays keeps them beside it, with their names.
    for (qsizetype fin = ops.size(); fin > 0;) {
        qsizetype debut = fin - 1;
        while (debut > 0 && ops[debut].Compagnon)
            --debut;
        bool imageConservee = false;
        for (qsizetype i = debut; i < fin; ++i) {
            if (!AAnnuler(ops[i]))
                continue;
            retour.ProgressionAvancer();
            const TResultat r = annulation.Operation(int(i), imageConservee && ops[i].Compagnon);
            if (r.Issue == TIssue::Annulee) {
                if (!ops[i].Compagnon) // a companion is no image
                    ++(ops[i].Genre == TGenre::Copie ? copies : images);
                journal.Terminer(int(i)); // an undo stopped here goes on from the next
            } else if (r.Issue == TIssue::Refusee) {
                lignes.append(LigneRefus(r.Chemin, r.Raison));
                annulation.m_signales.insert(r.Chemin);
                imageConservee = imageConservee || (i == debut && !ops[i].Compagnon);
            }
        }
        fin = debut;
    }
    annulation.Dossiers(lignes);
    if (ouvert) {
        ouvert = false;
        retour.ProgressionFermer();
    }

    // What could not be put back stays as it is; the journal goes all the same.
    journal.Supprimer();
    const QString chemin = dossier + u"Clarvane.erreurs.txt"_s;
    EcrireJournalErreurs(chemin, lignes);
    // A run is one mode: its undo says what it took back. A journal holding both (none
    // written by the program) gets both lines; one of folders only was a copy run's.
    const bool aDesRenommages = std::any_of(ops.cbegin(), ops.cend(), [](const TOperationJournal &op) {
        return op.Genre == TGenre::Renommage;
    });
    const bool aDesCopies = std::any_of(ops.cbegin(), ops.cend(), [](const TOperationJournal &op) {
        return op.Genre == TGenre::Copie;
    });
    QStringList resume;
    if (aDesRenommages)
        resume.append(u"%1 images restaurées."_s.arg(images));
    if (aDesCopies || !aDesRenommages)
        resume.append(u"%1 copies retirées."_s.arg(copies));
    QString texte = resume.join(u"\r\n"_s);
    if (!lignes.isEmpty())
        texte += u"\r\n\r\nDes erreurs ont été rencontrées :\r\nchargement de \"%1\"."_s.arg(NomLisible(chemin));
    occupe = false;
    retour.CurseurOccupe(false);
    retour.Information(texte);
    if (!lignes.isEmpty())
        retour.OuvrirJournal(chemin);
}
