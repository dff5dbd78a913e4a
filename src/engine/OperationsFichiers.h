// Copying and renaming image files without ever losing or overwriting one. Paths are
// taken as the file system's bytes (NomEnOctets), of any length.
#pragma once

#include <functional>

#include <sys/types.h>

#include <QString>
#include <QtGlobal>

// What identifies a file as it was at a given moment: its size and modification time.
struct TEtatFichier {
    qint64 Taille = -1;
    qint64 Secondes = 0;
    qint64 Nanosecondes = 0;
    friend bool operator==(const TEtatFichier &, const TEtatFichier &) = default;
};

struct stat;
// The size and modification time that stat gave.
TEtatFichier EtatDepuisStat(const struct stat &st);

// Outcome of one copy.
struct TResultatCopie {
    bool Reussi = false;
    QString Cible;  // the path the copy really got (a numbered name when the target was taken)
    // Why the copy failed, the errno of the step that failed (EEXIST: the target is
    // taken; ENOSPC: the disk is full...); 0 on success.
    int Erreur = 0;
    // On success: the copy as its file system keeps it (times may be coarser there), and
    // the source as it was read.
    TEtatFichier Etat;
    TEtatFichier EtatSource;
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
    virtual int Synchroniser(int fd) = 0; // fsync
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
};

// The real calls, shared by every copy that is given no other.
IOperationsCopie &OperationsCopieSysteme();

// Copies `source` to `cible`: content, permission bits (rwx of user, group, others) and
// modification time. The data go to a hidden temporary file in the target's folder, which
// is moved into place only when complete, never replacing an existing file; so no partial
// file ever stands under the target's name, and a failed copy leaves nothing behind.
// When `cible` is taken at the moment of moving into place, `nomLibre` is asked for
// another path (for instance the next numbered name) and the move is tried again there;
// without `nomLibre` a taken target is a failure (EEXIST). `synchroniser` flushes the
// data to the disk before the move (slower; a copy keeps its source, so it is off by
// default). The target's folder must exist. The data go by a reflink where the file
// system has them, else by the kernel's copy, else by reading and writing; all of it
// through `operations`. On failure, `Erreur` holds the errno of the step that failed.
TResultatCopie CopierFichier(const QString &source, const QString &cible,
                             const std::function<QString()> &nomLibre = {},
                             bool synchroniser = false,
                             IOperationsCopie &operations = OperationsCopieSysteme());

// Renames `ancien` to `nouveau`, which must not exist: an existing file or folder of that
// name is never replaced and makes the rename fail. Returns false on failure, with the
// errno in `erreur` when given.
bool RenommerFichier(const QString &ancien, const QString &nouveau, int *erreur = nullptr);

// Creates the folder with every missing folder above it. True when it exists afterwards.
bool CreerDossiers(const QString &dossier);
// The same, calling `cree` with each folder it made (ending with "/"), the highest first.
// On failure `erreur`, when given, gets the errno of the folder that could not be made
// (ENOTDIR when a file holds its name).
bool CreerDossiers(const QString &dossier, const std::function<void(const QString &)> &cree,
                   int *erreur = nullptr);

// Writes `contenu` as the whole content of the file `chemin`, created when absent. Only a
// regular file (or a link to one) is written: a fifo, a device or a folder of that name
// gives false at once, without being waited on or written to. False on any failure.
bool EcrireFichierOrdinaire(const QString &chemin, const QByteArray &contenu);
