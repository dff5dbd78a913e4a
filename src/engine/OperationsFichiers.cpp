#include "engine/OperationsFichiers.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>

#include "commun/NomsFichiers.h"

namespace detail {
std::function<int(qint64 copies)> g_crochetCopie;
} // namespace detail

namespace {

// Pieces of at most 8 MiB per copy_file_range call: large enough for the kernel to work
// in big extents, small enough for an interrupted copy to be noticed soon.
constexpr size_t kPiece = size_t(8) << 20;

// A file descriptor closed when it goes out of scope.
class TDescripteur {
public:
    explicit TDescripteur(int fd = -1) : m_fd(fd) {}
    ~TDescripteur() { Fermer(); }
    TDescripteur(const TDescripteur &) = delete;
    TDescripteur &operator=(const TDescripteur &) = delete;
    int Fd() const { return m_fd; }
    // Closes now; returns the errno of close (NFS reports late write errors there), 0 if fine.
    int Fermer()
    {
        int erreur = 0;
        if (m_fd >= 0 && ::close(m_fd) != 0)
            erreur = errno;
        m_fd = -1;
        return erreur;
    }

private:
    int m_fd;
};

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
    if (::renameat2(AT_FDCWD, de.constData(), AT_FDCWD, vers.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    int erreur = errno;
    if (!FlagRefuse(erreur))
        return erreur;

    if (::link(de.constData(), vers.constData()) == 0) {
        if (::unlink(de.constData()) == 0)
            return 0;
        erreur = errno;
        ::unlink(vers.constData()); // back to one name: the original one
        return erreur;
    }
    erreur = errno;
    if (!LienRefuse(erreur))
        return erreur;

    // Neither flag nor links: reserve the name with an exclusive creation, which fails
    // when anything holds it, then rename over that empty placeholder of our own.
    const int reserve = ::open(vers.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (reserve < 0)
        return errno;
    ::close(reserve);
    if (::rename(de.constData(), vers.constData()) == 0)
        return 0;
    erreur = errno;
    ::unlink(vers.constData());
    return erreur;
}

// Copies the content of `src` into `dst` (both at offset 0). Returns 0 or an errno.
int CopierContenu(int src, int dst, qint64 taille)
{
    // A reflink shares the blocks (Btrfs, XFS): instant, and no extra space used. A file
    // system that refused it once is not asked again for the next files.
    static thread_local dev_t sansClone = dev_t(-1);
    struct stat etatDst {};
    if (!detail::g_crochetCopie && taille > 0 && ::fstat(dst, &etatDst) == 0
        && etatDst.st_dev != sansClone) {
        if (::ioctl(dst, FICLONE, src) == 0)
            return 0;
        if (errno == EOPNOTSUPP || errno == ENOTTY || errno == EINVAL || errno == EXDEV)
            sansClone = etatDst.st_dev;
    }

    qint64 copies = 0;
    bool parNoyau = true;
    while (parNoyau) {
        const ssize_t n = ::copy_file_range(src, nullptr, dst, nullptr, kPiece, 0);
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
        if (detail::g_crochetCopie)
            if (const int erreur = detail::g_crochetCopie(copies))
                return erreur;
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
        const ssize_t lus = ::read(src, tampon.data(), size_t(tampon.size()));
        if (lus < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (lus == 0)
            return 0;
        ssize_t ecrits = 0;
        while (ecrits < lus) {
            const ssize_t e = ::write(dst, tampon.constData() + ecrits, size_t(lus - ecrits));
            if (e < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            ecrits += e;
        }
        copies += lus;
        if (detail::g_crochetCopie)
            if (const int erreur = detail::g_crochetCopie(copies))
                return erreur;
    }
}

QString DossierDe(const QString &chemin)
{
    const qsizetype barre = chemin.lastIndexOf(u'/');
    return barre < 0 ? QString() : chemin.left(barre + 1);
}

} // namespace

TEtatFichier EtatDepuisStat(const struct stat &st)
{
    return {qint64(st.st_size), qint64(st.st_mtim.tv_sec), qint64(st.st_mtim.tv_nsec)};
}

TResultatCopie CopierFichier(const QString &source, const QString &cible,
                             const std::function<QString()> &nomLibre, bool synchroniser)
{
    TResultatCopie resultat;
    resultat.Cible = cible;
    auto echec = [&](int erreur) {
        resultat.Erreur = erreur ? erreur : EIO;
        return resultat;
    };

    TDescripteur src(::open(NomEnOctets(source).constData(), O_RDONLY | O_CLOEXEC));
    if (src.Fd() < 0)
        return echec(errno);
    struct stat etat {};
    if (::fstat(src.Fd(), &etat) != 0)
        return echec(errno);
    if (!S_ISREG(etat.st_mode))
        return echec(EISDIR);

    // The temporary file lives in the target's folder, so that the final move is a
    // rename within one file system. Its name is hidden, so the scan never lists it.
    QByteArray modele = NomEnOctets(DossierDe(cible)) + QByteArrayLiteral(".clarvane-XXXXXX");
    TDescripteur dst(::mkostemp(modele.data(), O_CLOEXEC)); // O_CREAT | O_EXCL, mode 0600
    if (dst.Fd() < 0)
        return echec(errno);
    const QByteArray temporaire = modele;
    auto abandonner = [&](int erreur) {
        dst.Fermer();
        ::unlink(temporaire.constData());
        return echec(erreur);
    };

    if (const int erreur = CopierContenu(src.Fd(), dst.Fd(), qint64(etat.st_size)))
        return abandonner(erreur);
    if (::fchmod(dst.Fd(), etat.st_mode & 0777) != 0)
        return abandonner(errno);
    const struct timespec temps[2] = {etat.st_atim, etat.st_mtim};
    if (::futimens(dst.Fd(), temps) != 0)
        return abandonner(errno);
    if (synchroniser && ::fsync(dst.Fd()) != 0)
        return abandonner(errno);
    struct stat etatCopie {};
    if (::fstat(dst.Fd(), &etatCopie) != 0)
        return abandonner(errno);
    if (const int erreur = dst.Fermer())
        return abandonner(erreur);

    QString chemin = cible;
    for (;;) {
        const int erreur = DeplacerSansRemplacer(temporaire, NomEnOctets(chemin));
        if (erreur == 0)
            break;
        if (erreur != EEXIST || !nomLibre)
            return abandonner(erreur);
        const QString autre = nomLibre();
        if (autre.isEmpty() || autre == chemin)
            return abandonner(erreur);
        chemin = autre;
    }
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
    return CreerDossiers(dossier, {});
}

bool CreerDossiers(const QString &dossier, const std::function<void(const QString &)> &cree)
{
    QByteArray chemin = NomEnOctets(dossier);
    while (chemin.size() > 1 && chemin.endsWith('/'))
        chemin.chop(1);
    if (chemin.isEmpty())
        return false;
    // The deepest folder that exists already; everything below it is made here.
    qsizetype fin = chemin.size();
    struct stat st {};
    for (;;) {
        if (::stat(chemin.left(fin).constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return false;
            break;
        }
        if (errno != ENOENT)
            return false;
        const qsizetype barre = chemin.lastIndexOf('/', fin - 1);
        if (barre <= 0) {
            fin = barre < 0 ? 0 : 1; // nothing exists above: start from the top
            break;
        }
        fin = barre;
    }
    while (fin < chemin.size()) {
        qsizetype suivante = chemin.indexOf('/', fin + 1);
        if (suivante < 0)
            suivante = chemin.size();
        const QByteArray niveau = chemin.left(suivante);
        fin = suivante;
        if (niveau.endsWith('/'))
            continue; // "a//b"
        if (::mkdir(niveau.constData(), 0777) == 0) {
            if (cree)
                cree(NomDepuisOctets(niveau) + u'/');
        } else if (errno != EEXIST || ::stat(niveau.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            return false; // made by someone else at the same moment is fine, anything else not
        }
    }
    return true;
}
