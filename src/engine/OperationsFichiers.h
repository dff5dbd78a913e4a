// Copying and renaming image files without ever losing or overwriting one. Paths are
// taken as the file system's bytes (NomEnOctets), of any length.
#pragma once

#include <functional>
#include <optional>

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include "engine/Empreinte.h"

// What identifies a file as it was at a given moment: its size, modification time and,
// where known, the time of its last change of any kind (ctime: a tag editor that keeps
// the size and the modification time still moves it) and its inode.
struct TEtatFichier {
    qint64 Taille = -1;
    qint64 Secondes = 0;
    qint64 Nanosecondes = 0;
    qint64 SecondesChangement = -1; // -1: not known (an older journal, a change not confirmed)
    qint64 NanosecondesChangement = 0;
    quint64 Peripherique = 0; // device and inode; 0: not known
    quint64 Inode = 0;
    friend bool operator==(const TEtatFichier &, const TEtatFichier &) = default;
};

struct stat;
// The state that stat gave, everything known.
TEtatFichier EtatDepuisStat(const struct stat &st);

// True when the file as `disque` (a stat) shows it is still the one noted: the same size
// and modification time, and the same ctime and inode where they were noted.
bool EtatInchange(const TEtatFichier &note, const TEtatFichier &disque);

// How a copy failed.
enum class TEchecCopie {
    Aucun,
    Copie,          // the copy could not be made (source, folder, disk): Erreur says why
    Verification,   // flushing or reading back the copy failed: Erreur says why
    Difference,     // the copy read back is not the source
    SourceModifiee, // the source changed size or time while it was read
};

// Outcome of one copy.
struct TResultatCopie {
    bool Reussi = false;
    QString Cible;  // the path the copy really got (a numbered name when the target was taken)
    TEchecCopie Echec = TEchecCopie::Aucun;
    // The errno of the step that failed (EEXIST: the target is taken; ENOSPC: the disk is
    // full...); 0 on success and for a difference or a changed source.
    int Erreur = 0;
    // On success: the copy as its file system keeps it once in place (times may be
    // coarser there), and the source as it was read.
    TEtatFichier Etat;
    TEtatFichier EtatSource;
    // A verified copy: the fingerprint of the source, which the copy read back matched.
    std::optional<TEmpreinte> Empreinte;
    // A temporary file that a failed copy could not remove: its path and why.
    QString TemporaireLaisse;
    int ErreurTemporaire = 0;
};

// The system calls that move a copy's data, each returning as the call itself does
// (-1 with errno set on failure). Tests pass one that fails at a chosen step.
class IOperationsCopie {
public:
    virtual ~IOperationsCopie() = default;
    // Makes `dst` share the blocks of `src` (a reflink, FICLONE): 0 or -1.
    virtual int Cloner(int src, int dst) = 0;
    // copy_file_range of at most `taille` bytes at both files' offsets: the bytes copied.
    virtual ssize_t CopierPlage(int src, int dst, size_t taille) = 0;
    virtual ssize_t Lire(int fd, void *tampon, size_t taille) = 0;
    virtual ssize_t Ecrire(int fd, const void *tampon, size_t taille) = 0;
    virtual int Synchroniser(int fd) = 0; // fsync (a file, or the folder after a move)
    virtual int SynchroniserDonnees(int fd) = 0; // fdatasync
    // posix_fadvise(POSIX_FADV_DONTNEED) of the whole file: its pages leave the memory,
    // so that the next read comes from the disk. 0 or -1.
    virtual int OublierCache(int fd) = 0;
    // pread: reading the copy back.
    virtual ssize_t Relire(int fd, void *tampon, size_t taille, off_t position) = 0;
};

// The real calls. Cloner does not ask again a file system that refused a reflink once
// (most do not have them), and fails at once with EOPNOTSUPP there.
class TOperationsCopieSysteme : public IOperationsCopie {
public:
    int Cloner(int src, int dst) override;
    ssize_t CopierPlage(int src, int dst, size_t taille) override;
    ssize_t Lire(int fd, void *tampon, size_t taille) override;
    ssize_t Ecrire(int fd, const void *tampon, size_t taille) override;
    int Synchroniser(int fd) override;
    int SynchroniserDonnees(int fd) override;
    int OublierCache(int fd) override;
    ssize_t Relire(int fd, void *tampon, size_t taille, off_t position) override;
};

// The real calls, shared by every copy that is given no other.
IOperationsCopie &OperationsCopieSysteme();

// Who keeps the account of a copy (the undo journal): told before each change, so that a
// copy killed at any point leaves nothing it does not know of, and once it is done.
class ISuiviCopie {
public:
    virtual ~ISuiviCopie() = default;
    // The temporary file is about to be created at `temporaire` for `source`.
    virtual void AvantTemporaire(const QByteArray &source, const QByteArray &temporaire) = 0;
    // The temporary file, `etat` (with its inode) and `empreinte` (a verified copy), is
    // about to be moved to `cible`.
    virtual void AvantDeplacement(const QByteArray &cible, const TEtatFichier &etat,
                                  const std::optional<TEmpreinte> &empreinte) = 0;
    // The copy is in place and counts.
    virtual void Copiee(const TResultatCopie &copie) = 0;
    // The copy failed and nothing of it is left (its temporary file is gone).
    virtual void Abandonnee() = 0;
};

struct TParametresCopie {
    // Asked for another path in the same folder (the next numbered name) when the target
    // is taken at the moment of moving into place; without it, a taken target is EEXIST.
    std::function<QString()> nomLibre;
    // Reads the source once, fingerprinting it as it goes, flushes the copy to the disk,
    // drops it from the memory, reads it back and moves it into place only when the two
    // fingerprints agree; the folder is flushed after the move.
    bool verifier = false;
    // Without verification: flushes the data to the disk before the move (slower; a copy
    // keeps its source, so it is off by default).
    bool synchroniser = false;
    ISuiviCopie *suivi = nullptr;
    IOperationsCopie *operations = nullptr; // OperationsCopieSysteme() when null
};

// Copies `source` to `cible`: content, permission bits (rwx of user, group, others) and
// modification time. The data go to a hidden temporary file in the target's folder, which
// is moved into place only when complete, never replacing an existing file; so no partial
// file ever stands under the target's name, and a failed copy leaves nothing behind (or
// says which temporary file it could not remove). The target's folder must exist; it is
// held open for the whole copy, and a folder moved away meanwhile fails the copy (ENOENT)
// rather than putting it elsewhere. Without verification the data go by a reflink where
// the file system has them, else by the kernel's copy, else by reading and writing; all
// of it through `operations`. A source whose size or modification time changed while it
// was read is not trusted (SourceModifiee).
TResultatCopie CopierFichier(const QString &source, const QString &cible,
                             const TParametresCopie &parametres = {});

// Renames `ancien` to `nouveau`, which must not exist: an existing file or folder of that
// name is never replaced and makes the rename fail. Returns false on failure, with the
// errno in `erreur` when given.
bool RenommerFichier(const QString &ancien, const QString &nouveau, int *erreur = nullptr);

// Writes `contenu` as the whole content of the file `chemin`, created when absent. Only a
// regular file (or a link to one) is written: a fifo, a device or a folder of that name
// gives false at once, without being waited on or written to. False on any failure.
bool EcrireFichierOrdinaire(const QString &chemin, const QByteArray &contenu);
