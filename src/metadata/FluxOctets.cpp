#include "metadata/FluxOctets.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

bool IFluxOctets::Lire(qint64 position, qint64 taille, void *dest)
{
    if (!Contient(position, taille))
        return false;
    // Check that every byte can be had before touching dest.
    qint64 disponible = 0;
    const char *p = taille > 0 ? Acceder(position, disponible) : nullptr;
    if (taille == 0)
        return true;
    if (!p)
        return false;
    if (disponible >= taille) { // the common case: one block holds it all
        std::memcpy(dest, p, size_t(taille));
        return true;
    }
    QByteArray tampon(taille, Qt::Uninitialized);
    qint64 fait = 0;
    while (true) {
        const qint64 n = qMin(disponible, taille - fait);
        std::memcpy(tampon.data() + fait, p, size_t(n));
        fait += n;
        if (fait == taille)
            break;
        p = Acceder(position + fait, disponible);
        if (!p)
            return false;
    }
    std::memcpy(dest, tampon.constData(), size_t(taille));
    return true;
}

bool IFluxOctets::LireTexte(qint64 position, qint64 taille, QByteArray &texte)
{
    if (!Contient(position, taille))
        return false;
    QByteArray lu;
    qint64 fait = 0;
    while (fait < taille) {
        qint64 disponible = 0;
        const char *p = Acceder(position + fait, disponible);
        if (!p)
            return false;
        const qint64 n = qMin(disponible, taille - fait);
        const void *zero = std::memchr(p, 0, size_t(n));
        if (zero) {
            lu.append(p, static_cast<const char *>(zero) - p);
            break;
        }
        lu.append(p, n);
        fait += n;
    }
    texte = lu;
    return true;
}

const char *TFluxMemoire::Acceder(qint64 position, qint64 &disponible)
{
    if (position < 0 || position >= m_taille)
        return nullptr;
    disponible = m_taille - position;
    return m_donnees + position;
}

TFluxFichier::TFluxFichier(const QString &chemin)
{
    const QByteArray nom = QFile::encodeName(chemin);
    // O_NONBLOCK: opening a fifo must not wait for a writer; it is refused just below.
    int fd;
    do
        fd = ::open(nom.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return;
    struct stat etat;
    if (::fstat(fd, &etat) != 0 || !S_ISREG(etat.st_mode)) {
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_taille = etat.st_size;
}

TFluxFichier::~TFluxFichier()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

const char *TFluxFichier::Acceder(qint64 position, qint64 &disponible)
{
    if (m_fd < 0 || position < 0 || position >= m_taille)
        return nullptr;
    if (m_debutBloc < 0 || position < m_debutBloc || position >= m_debutBloc + m_longueurBloc) {
        const qint64 debut = position - position % kTailleBloc;
        ssize_t lu;
        do
            lu = ::pread(m_fd, m_bloc, size_t(kTailleBloc), off_t(debut));
        while (lu < 0 && errno == EINTR);
        if (lu <= 0) {
            m_debutBloc = -1;
            return nullptr;
        }
        m_debutBloc = debut;
        m_longueurBloc = lu;
        if (position >= m_debutBloc + m_longueurBloc) // the file is shorter than it was
            return nullptr;
    }
    disponible = m_debutBloc + m_longueurBloc - position;
    return m_bloc + (position - m_debutBloc);
}
