// The copy's system calls as a test wants them: the real ones, with one step failing at a
// chosen point, the bytes read back changed, or something done to the disk between two
// pieces of data.
#pragma once

#include <functional>

#include <QMetaType>

#include "engine/OperationsFichiers.h"

// The step of a copy that a test makes fail.
enum class TEtape { Aucune, Plage, Lecture, Ecriture, Synchro, SynchroDonnees, Cache, Relecture };
// What the reflink does.
enum class TClone { Refuse, Reussi, EchoueAMiChemin };

class TOperationsPiegees : public TOperationsCopieSysteme {
public:
    TClone Clone = TClone::Refuse;
    bool PlageRefusee = false; // no kernel copy between these files (EXDEV)
    // The step that fails with `Erreur` once `Apres` bytes have been written (0: at its
    // first call), in the `Copie`-th copy (counted from 1 by the temporary files written;
    // 0: every copy).
    TEtape Etape = TEtape::Aucune;
    int Erreur = 0;
    qint64 Apres = 0;
    int Copie = 0;
    // Reading back: the byte at `Inverser` (counted from the start of the file) comes back
    // changed; the file seems to end after `FinRelue` bytes. -1: neither.
    qint64 Inverser = -1;
    qint64 FinRelue = -1;
    std::function<void()> ApresMorceau; // after each piece of data written
    qint64 Ecrits = 0;   // bytes written to the current copy by the kernel copy or by write
    int AppelsPlage = 0; // calls of the kernel copy
    int Relectures = 0;  // calls of the read-back
    int Copies = 0;      // copies whose data began (their first piece)

    int Cloner(int src, int dst) override;
    ssize_t CopierPlage(int src, int dst, size_t taille) override;
    ssize_t Lire(int fd, void *tampon, size_t taille) override;
    ssize_t Ecrire(int fd, const void *tampon, size_t taille) override;
    int Synchroniser(int fd) override;
    int SynchroniserDonnees(int fd) override;
    int OublierCache(int fd) override;
    ssize_t Relire(int fd, void *tampon, size_t taille, off_t position) override;

private:
    bool Cible(TEtape etape) const;
    ssize_t Compter(int fd, ssize_t n);
    void NouvelleCopie(int fd);
    unsigned long m_inodeCourant = 0;
    unsigned long m_peripheriqueCourant = 0;
};

Q_DECLARE_METATYPE(TClone)
Q_DECLARE_METATYPE(TEtape)
