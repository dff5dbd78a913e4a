// The journal of the last processing run that changed something on disk: every copy and
// renaming it made and every folder it created, so that the run can be taken back.
//
// The file "Clarvane.journal" lives beside the settings and the error log. It is made at
// the run's first success (a run that copies or renames nothing leaves the previous one
// alone) and grows by one entry per success, each written at once, so a run that is
// killed half-way leaves a journal of what it did up to that point. Paths are kept as the
// exact bytes of the file system, whatever bytes the names hold (newlines included).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include "commun/Descripteur.h"
#include "engine/OperationsFichiers.h"

// The journal's file name in its folder.
inline constexpr char kNomJournalAnnulation[] = "Clarvane.journal";

// One thing the run did.
struct TEntreeJournal {
    enum class TGenre : char { Copie = 'C', Renommage = 'R', Dossier = 'D' };
    TGenre Genre = TGenre::Copie;
    QByteArray Source;   // copy: the file copied; renaming: the old name; folder: empty
    QByteArray Cible;    // copy: the copy made; renaming: the new name; folder: the folder
    TEtatFichier Etat;   // of the copy or of the renamed file
    TEtatFichier EtatSource; // copy only: the source when it was copied
    bool Annulee = false;    // already put back by an undo that did not finish
};

// Writes the journal of one processing run. Nothing is written before the first copy or
// renaming; the folders created before it are kept in memory until then. Write errors do
// not stop the run: the journal stops there, and Echec() says why.
class TJournalTraitement final {
public:
    // `dossier`: the folder of the journal, ending with "/"; empty for no journal.
    explicit TJournalTraitement(const QString &dossier);
    ~TJournalTraitement();
    Q_DISABLE_COPY_MOVE(TJournalTraitement)

    // A folder made by the run (the deepest last when several are made at once).
    void DossierCree(const QString &dossier);
    // A copy made (its states as CopierFichier saw them), a renaming done (the file is
    // examined now for its size and time).
    void Copie(const QString &source, const TResultatCopie &copie);
    void Renommage(const QString &ancien, const QString &nouveau);

    // Empty while every entry has been written; else the journal's path and the system's
    // message of the first failure.
    QString Echec() const { return m_echec; }
    // Whether the journal has been made by this run.
    bool Commence() const { return m_fd.Fd() >= 0; }

private:
    void Ajouter(const QByteArray &entree);
    void Commencer(const QByteArray &premiere);
    void Echouer(int erreur);

    QByteArray m_chemin; // of the journal, empty for none
    TDescripteur m_fd; // the journal, open to append, once made
    QByteArray m_enAttente; // folders made before the first success
    QString m_echec;
};

// The journal in `dossier` (ending with "/"), entries in the order written; empty when
// there is none or it is not a journal. A torn last entry (a run killed while writing it)
// and anything after it are left out.
// `longueur`, when given, gets the length of the whole entries, in bytes.
QList<TEntreeJournal> LireJournal(const QString &dossier, qsizetype *longueur = nullptr);

// Cuts the journal to `longueur` bytes (what LireJournal found whole), so that what is
// added after it is read. False when it cannot.
bool CouperJournal(const QString &dossier, qsizetype longueur);

// Notes in the journal that the entry at `index` (in LireJournal's order) has been put
// back, so that an undo that is stopped half-way can be taken up again. False when it
// cannot be written.
bool MarquerAnnulee(const QString &dossier, int index);

// Removes the journal of `dossier`. True when there is none afterwards.
bool SupprimerJournal(const QString &dossier);

// The system's message for an errno, in the user's language when the system has it.
QString MessageSysteme(int erreur);

namespace detail {
// Benchmark seam: false makes every run keep no journal.
extern bool g_journalActif;
} // namespace detail
