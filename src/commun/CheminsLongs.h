// Paths of any length. The kernel refuses a path of PATH_MAX bytes or more in one call
// (ENAMETOOLONG); such a path is reached in steps, each shorter than PATH_MAX, through
// the descriptors of its folders, and the last step is given to the *at system calls.
#pragma once

#include <fcntl.h>
#include <sys/types.h>

#include <QByteArray>

// A path split into a folder descriptor and a part relative to it that the kernel
// accepts: for a path shorter than PATH_MAX, AT_FDCWD and the path itself (no system
// call made); for a longer one, a descriptor (O_PATH) of a folder on the way, opened
// step by step while holding at most two descriptors, and the rest of the path.
class TCheminLong {
public:
    explicit TCheminLong(const QByteArray &chemin);
    ~TCheminLong();
    TCheminLong(const TCheminLong &) = delete;
    TCheminLong &operator=(const TCheminLong &) = delete;

    // 0 when Fd() and Relatif() can be used, else the errno of the folder that could not
    // be reached on the way (ENOENT, EACCES, ENOTDIR...).
    int Erreur() const { return m_erreur; }
    int Fd() const { return m_fd; }
    const char *Relatif() const { return m_chemin.constData() + m_debut; }

private:
    QByteArray m_chemin;
    qsizetype m_debut = 0;
    int m_fd = AT_FDCWD;
    int m_erreur = 0;
};

// open(2) for a path of any length: a descriptor, or -1 with errno set.
int OuvrirChemin(const QByteArray &chemin, int drapeaux, mode_t mode = 0);
