// A file written beside its final place and moved there only once whole, so that no
// reader ever sees a part of it and a failure leaves the old file as it was.
#pragma once

#include <functional>

#include <sys/types.h>

#include <QByteArray>
#include <QByteArrayView>

#include "commun/Descripteur.h"

// A new hidden file in a folder, kept only once moved into place: until then, every way
// out of its scope (a failed step, an early return) closes its descriptor and removes it.
// Paths are the file system's bytes, of any length.
class TFichierTemporaire final {
public:
    // Creates "<dossier><prefixe>" followed by six random letters, by exclusive creation,
    // with `mode` (less the umask, as any new file). `dossier` ends with "/". Given
    // `dossierFd`, an open descriptor of that folder (kept open by the caller for the
    // file's life), the file is made and removed through it, so that both reach the same
    // folder even if it is moved meanwhile. `avant` is told of each path just before the
    // file is created there (a journal notes it first).
    TFichierTemporaire(const QByteArray &dossier, const QByteArray &prefixe, mode_t mode = 0600,
                       int dossierFd = -1,
                       const std::function<void(const QByteArray &)> &avant = {});
    // Closes the descriptor, and removes the file unless it has been put in place.
    ~TFichierTemporaire();
    TFichierTemporaire(const TFichierTemporaire &) = delete;
    TFichierTemporaire &operator=(const TFichierTemporaire &) = delete;

    // 0 when the file was created, else the errno of its creation.
    int Erreur() const { return m_erreur; }
    // The open file, -1 once closed or when it could not be created.
    int Fd() const { return m_fd.Fd(); }
    const QByteArray &Chemin() const { return m_chemin; }
    const QByteArray &Nom() const { return m_nom; } // its name in its folder

    // All of `octets` at the file's offset: 0 or the errno.
    int Ecrire(QByteArrayView octets) { return EcrireTout(Fd(), octets); }
    // Closes the file now: 0, or the errno of close, where late write errors show.
    int Fermer() { return m_fd.Fermer(); }
    // Renames the file to `cible`, replacing whatever file stands there, as rename(2)
    // does: 0, or the errno, the file still to be removed.
    int RemplacerVers(const QByteArray &cible);
    // The caller has moved the file into place by other means: it is no longer removed.
    void Garder() { m_place = true; }
    // Hands over the descriptor of the file put in place; the caller closes it.
    int Detacher();
    // Closes and removes the file now, unless it has been put in place: 0 (or nothing was
    // there any more), or the errno of the removal, the file left where it is.
    int Retirer();

private:
    QByteArray m_chemin;
    QByteArray m_nom;
    int m_dossierFd = -1;
    TDescripteur m_fd;
    int m_erreur = 0;
    bool m_place = false;
};

// Replaces the whole content of the file at `chemin` with `octets`, as one step for its
// readers: a temporary file beside it, every write checked, flushed to the disk, closed,
// then renamed over it and the rename flushed too. Through a link, the file it leads to
// is replaced, not the link. The old file's permission bits and, where allowed, its owner
// carry over; a new file gets 0666 less the umask. False, with the old file untouched and
// nothing left beside it, when the file refuses writing (read-only, immutable, a read-only
// file system), the folder refuses the new file, the disk is full or the rename fails.
bool RemplacerFichier(const QByteArray &chemin, QByteArrayView octets);
