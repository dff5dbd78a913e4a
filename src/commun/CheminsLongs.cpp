#include "commun/CheminsLongs.h"

#include <cerrno>
#include <climits>

#include <unistd.h>

namespace {

// The longest part that one call may be given, its terminating zero left out.
constexpr qsizetype kPasMax = PATH_MAX - 1;

} // namespace

TCheminLong::TCheminLong(const QByteArray &chemin) : m_chemin(chemin)
{
    if (m_chemin.size() <= kPasMax)
        return;
    // Each step ends at a "/" and is at most kPasMax bytes long; a name is never longer
    // than NAME_MAX, so there is always such a "/" in reach. The rest stays for the caller.
    int fd = AT_FDCWD;
    qsizetype debut = 0;
    while (m_chemin.size() - debut > kPasMax) {
        const qsizetype barre = m_chemin.lastIndexOf('/', debut + kPasMax - 1);
        if (barre < debut) {
            m_erreur = ENAMETOOLONG;
            break;
        }
        // A step of "/" alone (the root): the step "/" opens it; otherwise up to the "/".
        const qsizetype fin = barre == debut ? barre + 1 : barre;
        const QByteArray pas = m_chemin.mid(debut, fin - debut);
        int suivant;
        do
            suivant = ::openat(fd, pas.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        while (suivant < 0 && errno == EINTR);
        const int erreur = errno;
        if (fd != AT_FDCWD)
            ::close(fd);
        if (suivant < 0) {
            m_erreur = erreur;
            fd = AT_FDCWD;
            break;
        }
        fd = suivant;
        debut = barre + 1;
        while (debut < m_chemin.size() && m_chemin.at(debut) == '/')
            ++debut;
    }
    m_fd = fd;
    m_debut = m_erreur ? 0 : debut;
    if (!m_erreur && m_debut == m_chemin.size()) {
        // The path named a folder and ended with "/": the folder itself.
        m_chemin.append('.');
    }
}

TCheminLong::~TCheminLong()
{
    if (m_fd != AT_FDCWD)
        ::close(m_fd);
}

int OuvrirChemin(const QByteArray &chemin, int drapeaux, mode_t mode)
{
    int fd;
    if (chemin.size() <= kPasMax) {
        do
            fd = ::open(chemin.constData(), drapeaux, mode);
        while (fd < 0 && errno == EINTR);
        return fd;
    }
    int erreur = 0;
    {
        const TCheminLong long_(chemin);
        if (long_.Erreur()) {
            erreur = long_.Erreur();
            fd = -1;
        } else {
            do
                fd = ::openat(long_.Fd(), long_.Relatif(), drapeaux, mode);
            while (fd < 0 && errno == EINTR);
            erreur = errno;
        }
    } // the folder's descriptor is closed here, which must not change errno
    errno = erreur;
    return fd;
}
