#include "commun/Descripteur.h"

#include <cerrno>

#include <unistd.h>

void TDescripteur::Prendre(int fd)
{
    Fermer();
    m_fd = fd;
}

int TDescripteur::Fermer()
{
    int erreur = 0;
    if (m_fd >= 0 && ::close(m_fd) != 0)
        erreur = errno;
    m_fd = -1;
    return erreur;
}

int EcrireTout(int fd, QByteArrayView octets)
{
    const char *p = octets.data();
    qsizetype reste = octets.size();
    while (reste > 0) {
        const ssize_t n = ::write(fd, p, size_t(reste));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        p += n;
        reste -= n;
    }
    return 0;
}

int LireAuPlus(int fd, qint64 taille, QByteArray &octets)
{
    octets.clear();
    if (taille <= 0)
        return 0;
    octets.resize(qsizetype(taille));
    qsizetype lus = 0;
    while (lus < octets.size()) {
        const ssize_t n = ::read(fd, octets.data() + lus, size_t(octets.size() - lus));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int erreur = errno;
            octets.clear();
            return erreur;
        }
        if (n == 0)
            break;
        lus += n;
    }
    octets.truncate(lus);
    return 0;
}
