#include "engine/OperationsFichiers.h"

#include <cerrno>
#include <cstdlib>
#include <optional>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>

#include "commun/Chemins.h"
#include "commun/Descripteur.h"
#include "commun/EcritureRemplacement.h"
#include "commun/NomsFichiers.h"

namespace {

// Pieces of at most 8 MiB per copy_file_range call: large enough for the kernel to work
// in big extents, small enough for an interrupted copy to be noticed soon.
constexpr size_t kPiece = size_t(8) << 20;

// The buffer of the copies that read and write themselves: 1 MiB, one per thread.
QByteArray &Tampon()
{
    static thread_local QByteArray tampon(1 << 20, Qt::Uninitialized);
    return tampon;
}

// Writes all of `taille` bytes through `operations`: 0 or the errno.
int EcrireToutPar(IOperationsCopie &operations, int fd, const char *octets, ssize_t taille)
{
    ssize_t ecrits = 0;
    while (ecrits < taille) {
        const ssize_t e = operations.Ecrire(fd, octets + ecrits, size_t(taille - ecrits));
        if (e < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (e == 0)
            return EIO;
        ecrits += e;
    }
    return 0;
}

// Reads `src` from its offset to its end and writes it to `dst`, fingerprinting the bytes
// as they go when `hachage` is given: 0 or the errno.
int CopierEnLisant(int src, int dst, IOperationsCopie &operations, THachage *hachage)
{
    QByteArray &tampon = Tampon();
    for (;;) {
        const ssize_t lus = operations.Lire(src, tampon.data(), size_t(tampon.size()));
        if (lus < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (lus == 0)
            return 0;
        if (hachage)
            hachage->Ajouter(tampon.constData(), size_t(lus));
        if (const int erreur = EcrireToutPar(operations, dst, tampon.constData(), lus))
            return erreur;
    }
}

// Flushes the copy to the disk, drops its pages from the memory and reads it back: its
// fingerprint, or the errno of the step that failed.
int Relire(int fd, IOperationsCopie &operations, TEmpreinte &empreinte)
{
    if (operations.SynchroniserDonnees(fd) != 0 || operations.OublierCache(fd) != 0)
        return errno ? errno : EIO;
    return EmpreinteParLectures(
        [&](void *tampon, size_t taille, off_t position) { return operations.Relire(fd, tampon, taille, position); },
        empreinte);
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
    return CopierEnLisant(src, dst, operations, nullptr);
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

int TOperationsCopieSysteme::SynchroniserDonnees(int fd)
{
    return ::fdatasync(fd);
}

int TOperationsCopieSysteme::OublierCache(int fd)
{
    const int erreur = ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    if (erreur == 0)
        return 0;
    errno = erreur;
    return -1;
}

ssize_t TOperationsCopieSysteme::Relire(int fd, void *tampon, size_t taille, off_t position)
{
    return ::pread(fd, tampon, taille, position);
}

IOperationsCopie &OperationsCopieSysteme()
{
    static TOperationsCopieSysteme systeme;
    return systeme;
}

TEtatFichier EtatDepuisStat(const struct stat &st)
{
    return {qint64(st.st_size),         qint64(st.st_mtim.tv_sec), qint64(st.st_mtim.tv_nsec),
            qint64(st.st_ctim.tv_sec),  qint64(st.st_ctim.tv_nsec), quint64(st.st_dev),
            quint64(st.st_ino)};
}

bool EtatInchange(const TEtatFichier &note, const TEtatFichier &disque)
{
    if (note.Taille != disque.Taille || note.Secondes != disque.Secondes
        || note.Nanosecondes != disque.Nanosecondes)
        return false;
    if (note.SecondesChangement >= 0
        && (note.SecondesChangement != disque.SecondesChangement
            || note.NanosecondesChangement != disque.NanosecondesChangement))
        return false;
    return note.Inode == 0 || (note.Inode == disque.Inode && note.Peripherique == disque.Peripherique);
}

namespace {

// One copy, its steps in order; every way out before the final move removes the
// temporary file (or says why it could not) and tells the journal.
class TCopie {
public:
    TCopie(const QString &source, const QString &cible, const TParametresCopie &p)
        : m_source(source), m_p(p),
          m_operations(p.operations ? *p.operations : OperationsCopieSysteme())
    {
        m_resultat.Cible = cible;
    }

    TResultatCopie Executer();

private:
    TResultatCopie Echec(TEchecCopie echec, int erreur);
    bool DossierToujoursLa() const;
    int Placer(QByteArray &nom);

    const QString &m_source;
    const TParametresCopie &m_p;
    IOperationsCopie &m_operations;
    TResultatCopie m_resultat;
    QByteArray m_dossier; // the target's folder, ending with "/"
    TDescripteur m_fdDossier;
    bool m_dossierLisible = false; // opened for reading: it can be flushed
    std::optional<TFichierTemporaire> m_temporaire;
};

TResultatCopie TCopie::Echec(TEchecCopie echec, int erreur)
{
    m_resultat.Echec = echec;
    m_resultat.Erreur = echec == TEchecCopie::Copie || echec == TEchecCopie::Verification
                            ? (erreur ? erreur : EIO)
                            : 0;
    if (m_temporaire) {
        const QByteArray chemin = m_temporaire->Chemin();
        if (const int erreurRetrait = m_temporaire->Retirer()) {
            // Still there: the journal keeps it, for the undo to remove.
            m_resultat.TemporaireLaisse = NomDepuisOctets(chemin);
            m_resultat.ErreurTemporaire = erreurRetrait;
            return m_resultat;
        }
    }
    if (m_p.suivi && m_temporaire)
        m_p.suivi->Abandonnee();
    return m_resultat;
}

// The target's folder path still leads to the folder held open: not moved nor replaced.
bool TCopie::DossierToujoursLa() const
{
    struct stat tenu {}, chemin {};
    return ::fstat(m_fdDossier.Fd(), &tenu) == 0 && EtatChemin(m_dossier, chemin) == 0
           && tenu.st_dev == chemin.st_dev && tenu.st_ino == chemin.st_ino;
}

// Moves the temporary file to `nom` in its folder, or to the next free name: 0 or the errno.
int TCopie::Placer(QByteArray &nom)
{
    for (;;) {
        const int erreur = DeplacerSansRemplacerDans(m_fdDossier.Fd(), m_temporaire->Nom().constData(),
                                                     m_fdDossier.Fd(), nom.constData());
        if (erreur != EEXIST || !m_p.nomLibre)
            return erreur;
        const QString autre = m_p.nomLibre();
        const QByteArray octets = NomEnOctets(autre);
        // Another name in the same folder only: the temporary file lives there.
        if (autre.isEmpty() || autre == m_resultat.Cible || DossierParent(octets) != m_dossier)
            return erreur;
        m_resultat.Cible = autre;
        nom = octets.mid(m_dossier.size());
        if (m_p.suivi) {
            struct stat etat {};
            EtatDans(m_fdDossier.Fd(), m_temporaire->Nom().constData(), etat, TLiens::NePasSuivre);
            m_p.suivi->AvantDeplacement(octets, EtatDepuisStat(etat), m_resultat.Empreinte);
        }
    }
}

TResultatCopie TCopie::Executer()
{
    const QByteArray source = NomEnOctets(m_source);
    // O_NONBLOCK: a fifo put in the file's place must not hang the copy; refused below.
    const TDescripteur src(OuvrirChemin(source, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (src.Fd() < 0)
        return Echec(TEchecCopie::Copie, errno);
    struct stat avant {};
    if (::fstat(src.Fd(), &avant) != 0)
        return Echec(TEchecCopie::Copie, errno);
    if (!S_ISREG(avant.st_mode))
        return Echec(TEchecCopie::Copie, EISDIR);

    // The target's folder is held for the whole copy: the temporary file is made, moved
    // and (on failure) removed through it, wherever its path may lead meanwhile.
    const QByteArray cible = NomEnOctets(m_resultat.Cible);
    m_dossier = DossierParent(cible);
    QByteArray nom = cible.mid(m_dossier.size());
    m_fdDossier.Prendre(OuvrirChemin(m_dossier, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    m_dossierLisible = m_fdDossier.Fd() >= 0;
    if (!m_dossierLisible) // a folder one may write in but not list: it cannot be flushed
        m_fdDossier.Prendre(OuvrirChemin(m_dossier, O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (m_fdDossier.Fd() < 0)
        return Echec(TEchecCopie::Copie, errno);

    // Hidden, so the scan never lists it; noted by the journal before it exists. A name
    // found taken is given up in the journal before the next one is noted.
    bool annonce = false;
    m_temporaire.emplace(m_dossier, QByteArrayLiteral(".clarvane-"), 0600, m_fdDossier.Fd(),
                         [&](const QByteArray &chemin) {
                             if (!m_p.suivi)
                                 return;
                             if (annonce)
                                 m_p.suivi->Abandonnee();
                             m_p.suivi->AvantTemporaire(source, chemin);
                             annonce = true;
                         });
    if (const int erreur = m_temporaire->Erreur()) {
        m_temporaire.reset();
        if (m_p.suivi)
            m_p.suivi->Abandonnee();
        return Echec(TEchecCopie::Copie, erreur);
    }
    const int dst = m_temporaire->Fd();

    std::optional<THachage> hachage;
    if (m_p.verifier)
        hachage.emplace(); // one read of the source, fingerprinted as it goes
    const int erreurDonnees = m_p.verifier ? CopierEnLisant(src.Fd(), dst, m_operations, &*hachage)
                                           : CopierContenu(src.Fd(), dst, qint64(avant.st_size), m_operations);
    if (erreurDonnees)
        return Echec(TEchecCopie::Copie, erreurDonnees);
    struct stat apres {};
    if (::fstat(src.Fd(), &apres) != 0)
        return Echec(TEchecCopie::Copie, errno);
    struct stat ecrit {};
    if (::fstat(dst, &ecrit) != 0)
        return Echec(TEchecCopie::Copie, errno);
    // A source written to while it was read (a card still being filled, a file growing)
    // may have given a mix of its old and new bytes. A verified copy read it whole itself:
    // more or fewer bytes than its size said are a change too.
    if (avant.st_size != apres.st_size || avant.st_mtim.tv_sec != apres.st_mtim.tv_sec
        || avant.st_mtim.tv_nsec != apres.st_mtim.tv_nsec
        || (m_p.verifier && ecrit.st_size != avant.st_size))
        return Echec(TEchecCopie::SourceModifiee, 0);

    if (::fchmod(dst, avant.st_mode & 0777) != 0)
        return Echec(TEchecCopie::Copie, errno);
    const struct timespec temps[2] = {avant.st_atim, avant.st_mtim};
    if (::futimens(dst, temps) != 0)
        return Echec(TEchecCopie::Copie, errno);
    if (m_p.verifier) {
        TEmpreinte relue;
        if (const int erreur = Relire(dst, m_operations, relue))
            return Echec(TEchecCopie::Verification, erreur);
        if (relue != hachage->Resultat())
            return Echec(TEchecCopie::Difference, 0);
        m_resultat.Empreinte = relue;
    } else if (m_p.synchroniser && m_operations.Synchroniser(dst) != 0) {
        return Echec(TEchecCopie::Copie, errno);
    }
    struct stat etatCopie {};
    if (::fstat(dst, &etatCopie) != 0)
        return Echec(TEchecCopie::Copie, errno);
    // NFS and full disks may report a late write error at close: checked before the move.
    if (const int erreur = m_temporaire->Fermer())
        return Echec(TEchecCopie::Copie, erreur);

    // A folder moved away (or replaced) since the copy began: the copy would land where
    // the run never meant it, so it lands nowhere.
    if (!DossierToujoursLa())
        return Echec(TEchecCopie::Copie, ENOENT);
    if (m_p.suivi)
        m_p.suivi->AvantDeplacement(cible, EtatDepuisStat(etatCopie), m_resultat.Empreinte);
    // Never over an existing file: this move is not TFichierTemporaire's rename.
    if (const int erreur = Placer(nom))
        return Echec(TEchecCopie::Copie, erreur);
    m_temporaire->Garder();

    // A verified copy counts once its new name is on the disk too.
    if (m_p.verifier && m_dossierLisible && m_operations.Synchroniser(m_fdDossier.Fd()) != 0) {
        const int erreur = errno;
        // Its name may not survive a power cut: taken back. Once gone, nothing is left of
        // it; otherwise the journal's note of its move lets the undo find it.
        const bool retiree = SupprimerDans(m_fdDossier.Fd(), nom.constData()) == 0;
        m_temporaire.reset();
        if (retiree && m_p.suivi)
            m_p.suivi->Abandonnee();
        return Echec(TEchecCopie::Verification, erreur);
    }
    // The copy as it stands in place: the move changed its ctime.
    struct stat place {};
    if (EtatDans(m_fdDossier.Fd(), nom.constData(), place, TLiens::NePasSuivre) == 0
        && place.st_ino == etatCopie.st_ino && place.st_dev == etatCopie.st_dev)
        etatCopie = place;
    else
        etatCopie.st_ctim = {-1, 0}; // not seen in place: its ctime is not known
    m_resultat.Reussi = true;
    m_resultat.Etat = EtatDepuisStat(etatCopie);
    m_resultat.EtatSource = EtatDepuisStat(avant);
    if (m_p.suivi)
        m_p.suivi->Copiee(m_resultat);
    return m_resultat;
}

} // namespace

TResultatCopie CopierFichier(const QString &source, const QString &cible, const TParametresCopie &parametres)
{
    return TCopie(source, cible, parametres).Executer();
}

bool RenommerFichier(const QString &ancien, const QString &nouveau, int *erreur)
{
    const int e = DeplacerSansRemplacer(NomEnOctets(ancien), NomEnOctets(nouveau));
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
        struct stat st;
        const int erreur = EtatChemin(octets, st);
        if ((erreur != 0 && erreur != ENOENT) || (erreur == 0 && !S_ISREG(st.st_mode)))
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
