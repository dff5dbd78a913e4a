#include "OperationsPiegees.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>

namespace {
int Echouer(int erreur)
{
    errno = erreur;
    return -1;
}
} // namespace

// A copy's first piece: its temporary file is still empty, and is another file than the
// last one written or that one had data already (descriptor numbers and the inode of a
// removed temporary file are used again from one copy to the next).
void TOperationsPiegees::NouvelleCopie(int fd)
{
    struct stat etat {};
    ::fstat(fd, &etat);
    const bool meme = etat.st_ino == m_inodeCourant && etat.st_dev == m_peripheriqueCourant;
    if (etat.st_size == 0 && !(meme && Ecrits == 0)) {
        m_inodeCourant = etat.st_ino;
        m_peripheriqueCourant = etat.st_dev;
        ++Copies;
        Ecrits = 0;
    }
}

bool TOperationsPiegees::Cible(TEtape etape) const
{
    return Etape == etape && Ecrits >= Apres && (Copie == 0 || Copies == Copie);
}

ssize_t TOperationsPiegees::Compter(int fd, ssize_t n)
{
    if (n > 0) {
        Ecrits += n;
        if (ApresMorceau)
            ApresMorceau();
    }
    (void)fd;
    return n;
}

int TOperationsPiegees::Cloner(int src, int dst)
{
    NouvelleCopie(dst);
    if (Clone == TClone::Refuse)
        return Echouer(EOPNOTSUPP);
    // A reflink shares the blocks; copying them gives the file the same content.
    struct stat etat {};
    ::fstat(src, &etat);
    const qint64 taille = Clone == TClone::Reussi ? qint64(etat.st_size) : qint64(etat.st_size) / 2;
    QByteArray octets(taille, Qt::Uninitialized);
    if (::pread(src, octets.data(), size_t(taille), 0) != taille
        || ::pwrite(dst, octets.constData(), size_t(taille), 0) != taille)
        return -1;
    return Clone == TClone::Reussi ? 0 : Echouer(EIO);
}

ssize_t TOperationsPiegees::CopierPlage(int src, int dst, size_t taille)
{
    NouvelleCopie(dst);
    ++AppelsPlage;
    if (PlageRefusee)
        return Echouer(EXDEV);
    if (Cible(TEtape::Plage))
        return Echouer(Erreur);
    return Compter(dst, TOperationsCopieSysteme::CopierPlage(src, dst, taille));
}

ssize_t TOperationsPiegees::Lire(int fd, void *tampon, size_t taille)
{
    if (Cible(TEtape::Lecture))
        return Echouer(Erreur);
    return TOperationsCopieSysteme::Lire(fd, tampon, taille);
}

ssize_t TOperationsPiegees::Ecrire(int fd, const void *tampon, size_t taille)
{
    NouvelleCopie(fd);
    if (Cible(TEtape::Ecriture))
        return Echouer(Erreur);
    return Compter(fd, TOperationsCopieSysteme::Ecrire(fd, tampon, taille));
}

int TOperationsPiegees::Synchroniser(int fd)
{
    return Cible(TEtape::Synchro) ? Echouer(Erreur) : TOperationsCopieSysteme::Synchroniser(fd);
}

int TOperationsPiegees::SynchroniserDonnees(int fd)
{
    return Cible(TEtape::SynchroDonnees) ? Echouer(Erreur) : TOperationsCopieSysteme::SynchroniserDonnees(fd);
}

int TOperationsPiegees::OublierCache(int fd)
{
    return Cible(TEtape::Cache) ? Echouer(Erreur) : TOperationsCopieSysteme::OublierCache(fd);
}

ssize_t TOperationsPiegees::Relire(int fd, void *tampon, size_t taille, off_t position)
{
    ++Relectures;
    if (Cible(TEtape::Relecture))
        return Echouer(Erreur);
    const bool visee = Copie == 0 || Copies == Copie;
    if (visee && FinRelue >= 0) {
        if (position >= FinRelue)
            return 0;
        taille = std::min<size_t>(taille, size_t(FinRelue - position));
    }
    const ssize_t n = TOperationsCopieSysteme::Relire(fd, tampon, taille, position);
    if (visee && n > 0 && Inverser >= position && Inverser < position + n)
        static_cast<char *>(tampon)[Inverser - position] ^= 0x20;
    return n;
}
