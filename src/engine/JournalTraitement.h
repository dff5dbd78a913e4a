// The journal of the last processing run that changed something on disk: every copy and
// renaming it made and every folder it created, so that the run can be taken back.
//
// The file "Clarvane.journal" lives beside the settings and the error log. It is made
// just before the run's first change (a folder, a temporary file, a renaming; a run that
// tries none leaves the previous journal alone) and written ahead: each copy or renaming
// is noted before it is made and confirmed once made (the confirmation written with the
// next entry), each temporary file before it is created, so that a run killed at any
// point leaves a journal of all it may have done.
// Its head names the run's folders; the undo touches nothing outside them. Paths are kept
// as the exact bytes of the file system, whatever bytes the names hold (newlines included).
#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QSet>
#include <QString>
#include <QtGlobal>

#include "commun/Descripteur.h"
#include "engine/OperationsFichiers.h"

// The journal's file name in its folder.
inline constexpr char kNomJournalAnnulation[] = "Clarvane.journal";

// One thing the run did, or was about to do when it stopped.
struct TOperationJournal {
    enum class TGenre : char { Copie = 'C', Renommage = 'R', Dossier = 'D' };
    TGenre Genre = TGenre::Copie;
    QByteArray Source;     // copy: the file copied; renaming: the old name; folder: empty
    QByteArray Cible;      // copy: the copy (empty until its move was noted); renaming: the new name; folder: the folder
    QByteArray Temporaire; // copy: its temporary file (empty in a journal of the first version)
    // Of the copy or the renamed file: before the change, its size, times and inode; once
    // confirmed, as it stood in place (its ctime too). The first version noted size and
    // modification time only.
    TEtatFichier Etat;
    TEtatFichier EtatSource; // copy, once confirmed: the source when it was read
    std::optional<TEmpreinte> Empreinte; // a verified copy: the fingerprint of its content
    // A file that travels with an image (a sidecar, a memo): taken back with it, and not
    // counted as an image. False in a journal written without the mark.
    bool Compagnon = false;
    bool Confirmee = true;   // the change is known made; false: about to be, the disk tells
    bool Annulee = false;    // already put back by an undo that did not finish
    bool EnAnnulation = false; // an undo was putting it back when it stopped
};

// The journal as read.
struct TJournalLu {
    enum class TEtat {
        Absent,    // no journal: nothing to undo
        Illisible, // something has its name but cannot be read as a journal (Erreur says why)
        Endommage, // a journal whose entries cannot all be read (a torn last one aside)
        Lisible,
    };
    TEtat Etat = TEtat::Absent;
    int Erreur = 0;
    int Version = 0;
    QByteArrayList Dossiers; // the run's folders (none in the first version, which had no head)
    QList<TOperationJournal> Operations; // in the order made
    qsizetype Longueur = 0;  // of the whole entries, in bytes: a torn last one left out
};

// Writes the journal of one processing run, and follows its copies (ISuiviCopie). Write
// errors do not stop the run: the journal stops there, and Echec() says why.
class TJournalTraitement final : public ISuiviCopie {
public:
    // `dossier`: the folder of the journal, ending with "/"; empty for no journal.
    explicit TJournalTraitement(const QString &dossier);
    ~TJournalTraitement() override;
    Q_DISABLE_COPY_MOVE(TJournalTraitement)

    // A folder the run works in (its source, its destination, ending with "/"): the undo
    // touches nothing outside these. Noted in the journal's head, or as the run meets it.
    void Perimetre(const QString &dossier);
    // The run is about to change something: the journal is made now if it is not yet.
    void AvantChangement();
    // A folder made by the run.
    void DossierCree(const QByteArray &dossier);
    // The copies and renamings noted from now on are of files that travel with an image
    // (true) or of images (false, from the start).
    void FichiersAssocies(bool associes) { m_associes = associes; }

    void AvantTemporaire(const QByteArray &source, const QByteArray &temporaire) override;
    void AvantDeplacement(const QByteArray &cible, const TEtatFichier &etat,
                          const std::optional<TEmpreinte> &empreinte) override;
    void Copiee(const TResultatCopie &copie) override;
    // The copy or renaming in hand was not made and left nothing.
    void Abandonnee() override;

    // A renaming about to be made (the file is examined now), then made.
    void AvantRenommage(const QString &ancien, const QString &nouveau);
    void Renomme(const QString &nouveau);

    // Writes what is still held (the last confirmation); the run calls it at its end, the
    // destructor too.
    void Terminer();
    // Empty while every entry has been written; else the journal's path and the system's
    // message of the first failure.
    QString Echec() const { return m_echec; }
    // Whether the journal has been made by this run.
    bool Commence() const { return m_fd.Fd() >= 0; }

private:
    void Ajouter(const QByteArray &entree);
    void Commencer(const QByteArray &premiere);
    void Echouer(int erreur);
    void Confirmer(const QByteArray &entree);
    void AjouterMarque(QByteArray &entree) const; // of a file that travels with an image

    QByteArray m_chemin; // of the journal, empty for none
    TDescripteur m_fd; // the journal, open to append, once made
    QByteArrayList m_dossiers; // the run's folders, in the order met
    QByteArray m_confirmation; // the last confirmation, written with the next entry
    QString m_echec;
    bool m_associes = false; // the file in hand travels with an image
};

// The journal in `dossier` (ending with "/"), read without following a link, without
// waiting on a fifo and no further than its size. A journal of the first version
// ("Clarvane journal 1") is read as it was written.
TJournalLu LireJournal(const QString &dossier);

// The journal as the undo holds it: read once, then marked as it goes, through the same
// descriptor (never through a link nor a name that changed meanwhile).
class TJournalAnnulation final {
public:
    explicit TJournalAnnulation(const QString &dossier);
    Q_DISABLE_COPY_MOVE(TJournalAnnulation)

    const TJournalLu &Lu() const { return m_lu; }
    // Cuts a torn last entry, so that the marks written after it are read.
    void Couper();
    // Operation `index` is about to be put back, then has been: an undo stopped in
    // between is taken up again from there.
    void Commencer(int index);
    void Terminer(int index);
    // Removes the journal. True when there is none afterwards.
    bool Supprimer();

private:
    void Marquer(char marque, int index);

    QByteArray m_chemin;
    TDescripteur m_fd;
    TJournalLu m_lu;
};

// The texts of a journal that cannot be used: its path and what is wrong with it; empty
// for an absent or readable one.
QString MessageJournal(const QString &dossier, const TJournalLu &lu);

// The system's message for an errno, in the user's language when the system has it.
QString MessageSysteme(int erreur);

namespace detail {
// Benchmark seam: false makes every run keep no journal.
extern bool g_journalActif;
// Test seam: called after each copy or renaming is made and before it is confirmed in
// the journal (a test stops the program there).
extern std::function<void()> g_avantConfirmation;
} // namespace detail
