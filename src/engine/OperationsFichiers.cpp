#include "engine/OperationsFichiers.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>

#include "commun/CheminsLongs.h"
#include "commun/Descripteur.h"
#include "commun/EcritureRemplacement.h"
#include "commun/NomsFichiers.h"

namespace {

// Pieces of at most 8 MiB per copy_file_range call: large enough for the kernel to work
// in big extents, small enough for an interrupted copy to be noticed soon.
constexpr size_t kPiece = size_t(8) << 20;

// The file system does not know the RENAME_NOREPLACE flag (some network and FUSE file
// systems): the caller falls back to link + unlink.
bool FlagRefuse(int erreur)
{
    return erreur == EINVAL || erreur == ENOSYS || erreur == EOPNOTSUPP || erreur == ENOTSUP;
}

// The file system offers no hard links (FAT memory cards, some network shares).
bool LienRefuse(int erreur)
{
    return erreur == EPERM || erreur == EOPNOTSUPP || erreur == ENOTSUP || erreur == ENOSYS;
}

// Moves `de` to `vers` without ever replacing `vers`. Returns 0 or an errno; EEXIST when
// `vers` exists. `de` is left in place on failure.
int DeplacerSansRemplacer(const QByteArray &de, const QByteArray &vers)
{
    // Paths of any length: each through its folder's descriptor when it is too long.
    const TCheminLong a(de);
    const TCheminLong b(vers);
    if (a.Erreur())
        return a.Erreur();
    if (b.Erreur())
        return b.Erreur();
    if (::renameat2(a.Fd(), a.Relatif(), b.Fd(), b.Relatif(), RENAME_NOREPLACE) == 0)
        return 0;
    int erreur = errno;
    if (!FlagRefuse(erreur))
        return erreur;

    if (::linkat(a.Fd(), a.Relatif(), b.Fd(), b.Relatif(), 0) == 0) {
        if (::unlinkat(a.Fd(), a.Relatif(), 0) == 0)
            return 0;
        erreur = errno;
        ::unlinkat(b.Fd(), b.Relatif(), 0); // back to one name: the original one
        return erreur;
    }
    erreur = errno;
    if (!LienRefuse(erreur))
        return erreur;

    // Neither flag nor links: reserve the name with an exclusive creation, which fails
    // when anything holds it, then rename over that empty placeholder of our own.
    const int reserve =
        ::openat(b.Fd(), b.Relatif(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (reserve < 0)
        return errno;
    ::close(reserve);
    if (::renameat(a.Fd(), a.Relatif(), b.Fd(), b.Relatif()) == 0)
        return 0;
    erreur = errno;
    ::unlinkat(b.Fd(), b.Relatif(), 0);
    return erreur;
}

// mkdir(2) for a path of any length: 0 or the errno.
int CreerDossier(const QByteArray &chemin)
{
    const TCheminLong c(chemin);
    if (c.Erreur())
        return c.Erreur();
    return ::mkdirat(c.Fd(), c.Relatif(), 0777) == 0 ? 0 : errno;
}

bool EstDossier(const QByteArray &chemin)
{
    const TCheminLong c(chemin);
    struct stat st;
    return !c.Erreur() && ::fstatat(c.Fd(), c.Relatif(), &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// Makes the folder and every missing folder above it, from the top down; `cree`, when
// set, is told of each folder made here. 0 or the errno of the folder that failed.
int CreerDossiersOctets(QByteArray chemin, const std::function<void(const QString &)> &cree)
{
    while (chemin.size() > 1 && chemin.endsWith('/'))
        chemin.chop(1);
    if (chemin.isEmpty())
        return ENOENT;
    int erreur = CreerDossier(chemin);
    if (erreur == ENOENT) { // a folder above is missing: made first, from the top down
        const qsizetype barre = chemin.lastIndexOf('/');
        if (barre <= 0)
            return erreur;
        if (const int auDessus = CreerDossiersOctets(chemin.left(barre), cree))
            return auDessus;
        erreur = CreerDossier(chemin);
    }
    if (erreur == 0 && cree)
        cree(NomDepuisOctets(chemin) + u'/');
    if (erreur == EEXIST)
        return EstDossier(chemin) ? 0 : ENOTDIR;
    return erreur;
}

// Copies the content of `src` into `dst` (both at offset 0). Returns 0 or an errno.
int CopierContenu(int src, int dst, qint64 taille, IOperationsCopie &operations)
{
    // A reflink shares the blocks (Btrfs, XFS): instant, and no extra space used. When it
    // fails, for whatever reason, the kernel's copy below writes every byte over whatever
    // part of the file it may have left.
    if (taille > 0 && operations.Cloner(src, dst) == 0)
        return 0;

    qint64 copies = 0;
    bool parNoyau = true;
    while (parNoyau) {
        const ssize_t n = operations.CopierPlage(src, dst, kPiece);
        if (n < 0) {
            const int erreur = errno;
            if (erreur == EINTR)
                continue;
            // Not offered between these two files: fall back to read and write.
            if (erreur == EXDEV || erreur == ENOSYS || erreur == EINVAL || erreur == EOPNOTSUPP
                || erreur == ENOTSUP || erreur == EBADF || erreur == EPERM) {
                parNoyau = false;
                break;
            }
            return erreur;
        }
        if (n == 0)
            break; // end of the file, or a file whose size the kernel does not know
        copies += n;
    }

    // The kernel copied the file to its end.
    if (parNoyau && copies > 0)
        return 0;
    // Read and write from where the kernel copy stopped: the whole file when it was
    // refused, or when it copied nothing of a file whose size it does not know (/proc).
    if (::lseek(src, copies, SEEK_SET) < 0 || ::lseek(dst, copies, SEEK_SET) < 0)
        return errno;
    static thread_local QByteArray tampon(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t lus = operations.Lire(src, tampon.data(), size_t(tampon.size()));
        if (lus < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (lus == 0)
            return 0;
        ssize_t ecrits = 0;
        while (ecrits < lus) {
            const ssize_t e = operations.Ecrire(dst, tampon.constData() + ecrits, size_t(lus - ecrits));
            if (e < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (e == 0)
                return EIO;
            ecrits += e;
        }
    }
}

QString DossierDe(const QString &chemin)
{
    const qsizetype barre = chemin.lastIndexOf(u'/');
    return barre < 0 ? QString() : chemin.left(barre + 1);
}

} // namespace

int TOperationsCopieSysteme::Cloner(int src, int dst)
{
    static thread_local dev_t sansClone = dev_t(-1);
    struct stat etatDst {};
    if (::fstat(dst, &etatDst) != 0)
        return -1;
    if (etatDst.st_dev == sansClone) {
        errno = EOPNOTSUPP;
        return -1;
    }
    if (::ioctl(dst, FICLONE, src) == 0)
        return 0;
    if (errno == EOPNOTSUPP || errno == ENOTTY || errno == EINVAL || errno == EXDEV)
        sansClone = etatDst.st_dev;
    return -1;
}

ssize_t TOperationsCopieSysteme::CopierPlage(int src, int dst, size_t taille)
{
    return ::copy_file_range(src, nullptr, dst, nullptr, taille, 0);
}

ssize_t TOperationsCopieSysteme::Lire(int fd, void *tampon, size_t taille)
{
    return ::read(fd, tampon, taille);
}

ssize_t TOperationsCopieSysteme::Ecrire(int fd, const void *tampon, size_t taille)
{
    return ::write(fd, tampon, taille);
}

int TOperationsCopieSysteme::Synchroniser(int fd)
{
    return ::fsync(fd);
}

IOperationsCopie &OperationsCopieSysteme()
{
    static TOperationsCopieSysteme systeme;
    return systeme;
}

TEtatFichier EtatDepuisStat(const struct stat &st)
{
    return {qint64(st.st_size), qint64(st.st_mtim.tv_sec), qint64(st.st_mtim.tv_nsec)};
}

TResultatCopie CopierFichier(const QString &source, const QString &cible,
                             const std::function<QString()> &nomLibre, bool synchroniser,
                             IOperationsCopie &operations)
{
    TResultatCopie resultat;
    resultat.Cible = cible;
    // Every way out before the final move closes the temporary file and removes it.
    auto echec = [&](int erreur) {
        resultat.Erreur = erreur ? erreur : EIO;
        return resultat;
    };

    // O_NONBLOCK: a fifo put in the file's place must not hang the copy; refused below.
    const TDescripteur src(OuvrirChemin(NomEnOctets(source), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (src.Fd() < 0)
        return echec(errno);
    struct stat etat {};
    if (::fstat(src.Fd(), &etat) != 0)
        return echec(errno);
    if (!S_ISREG(etat.st_mode))
        return echec(EISDIR);

    // The temporary file lives in the target's folder, so that the final move is a
    // rename within one file system. Its name is hidden, so the scan never lists it.
    TFichierTemporaire dst(NomEnOctets(DossierDe(cible)), QByteArrayLiteral(".clarvane-"));
    if (dst.Erreur())
        return echec(dst.Erreur());
    if (const int erreur = CopierContenu(src.Fd(), dst.Fd(), qint64(etat.st_size), operations))
        return echec(erreur);
    if (::fchmod(dst.Fd(), etat.st_mode & 0777) != 0)
        return echec(errno);
    const struct timespec temps[2] = {etat.st_atim, etat.st_mtim};
    if (::futimens(dst.Fd(), temps) != 0)
        return echec(errno);
    if (synchroniser && operations.Synchroniser(dst.Fd()) != 0)
        return echec(errno);
    struct stat etatCopie {};
    if (::fstat(dst.Fd(), &etatCopie) != 0)
        return echec(errno);
    if (const int erreur = dst.Fermer())
        return echec(erreur);

    // Never over an existing file: this move is not TFichierTemporaire's rename.
    QString chemin = cible;
    for (;;) {
        const int erreur = DeplacerSansRemplacer(dst.Chemin(), NomEnOctets(chemin));
        if (erreur == 0)
            break;
        if (erreur != EEXIST || !nomLibre)
            return echec(erreur);
        const QString autre = nomLibre();
        if (autre.isEmpty() || autre == chemin)
            return echec(erreur);
        chemin = autre;
    }
    dst.Garder();
    resultat.Reussi = true;
    resultat.Cible = chemin;
    resultat.Etat = EtatDepuisStat(etatCopie);
    resultat.EtatSource = EtatDepuisStat(etat);
    return resultat;
}

bool RenommerFichier(const QString &ancien, const QString &nouveau, int *erreur)
{
    const int e = DeplacerSansRemplacer(NomEnOctets(ancien), NomEnOctets(nouveau));
    if (erreur)
        *erreur = e;
    return e == 0;
}

bool CreerDossiers(const QString &dossier)
{
    return CreerDossiersOctets(NomEnOctets(dossier), {}) == 0;
}

bool CreerDossiers(const QString &dossier, const std::function<void(const QString &)> &cree,
                   int *erreur)
{
    const int e = CreerDossiersOctets(NomEnOctets(dossier), cree);
    if (erreur)
        *erreur = e;
    return e == 0;
}

bool EcrireFichierOrdinaire(const QString &chemin, const QByteArray &contenu)
{
    const QByteArray octets = NomEnOctets(chemin);
    {
        // Something else than a regular file under that name is not even opened: opening
        // a device may act on it, opening a fifo would wait for a reader.
        const TCheminLong c(octets);
        struct stat st;
        if (c.Erreur() || (::fstatat(c.Fd(), c.Relatif(), &st, 0) == 0 && !S_ISREG(st.st_mode)))
            return false;
    }
    // O_NONBLOCK: should one appear meanwhile, the fifo is refused instead of waited on.
    TDescripteur fd(OuvrirChemin(octets, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666));
    struct stat st;
    if (fd.Fd() < 0 || ::fstat(fd.Fd(), &st) != 0 || !S_ISREG(st.st_mode)
        || ::ftruncate(fd.Fd(), 0) != 0)
        return false;
    const bool ecrit = EcrireTout(fd.Fd(), contenu) == 0;
    return fd.Fermer() == 0 && ecrit;
}
