#include "commun/Chemins.h"

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include "commun/Descripteur.h"

namespace {

// The file system does not know the RENAME_NOREPLACE flag (some network and FUSE file
// systems): link + unlink takes over.
bool FlagRefuse(int erreur)
{
    return erreur == EINVAL || erreur == ENOSYS || erreur == EOPNOTSUPP || erreur == ENOTSUP;
}

// The file system offers no hard links (FAT memory cards, some network shares).
bool LienRefuse(int erreur)
{
    return erreur == EPERM || erreur == EOPNOTSUPP || erreur == ENOTSUP || erreur == ENOSYS;
}

int Resultat(int retour)
{
    return retour == 0 ? 0 : errno;
}

QByteArray SansBarresFinales(QByteArray chemin)
{
    while (chemin.size() > 1 && chemin.endsWith('/'))
        chemin.chop(1);
    return chemin;
}

} // namespace

QByteArray JoindreChemin(QByteArrayView dossier, QByteArrayView nom)
{
    QByteArray chemin = dossier.toByteArray();
    if (!chemin.isEmpty() && !chemin.endsWith('/'))
        chemin += '/';
    chemin += nom;
    return chemin;
}

QByteArray DossierParent(QByteArrayView chemin)
{
    qsizetype fin = chemin.size();
    while (fin > 1 && chemin.at(fin - 1) == '/')
        --fin;
    const qsizetype barre = chemin.first(fin).lastIndexOf('/');
    return barre < 0 ? QByteArrayLiteral("./") : chemin.first(barre + 1).toByteArray();
}

bool EstSousDossier(QByteArrayView chemin, QByteArrayView dossier)
{
    if (!chemin.startsWith('/') || !dossier.startsWith('/'))
        return false;
    qsizetype n = dossier.size();
    while (n > 0 && dossier.at(n - 1) == '/')
        --n;
    if (!chemin.startsWith(dossier.first(n)) || chemin.size() <= n + 1 || chemin.at(n) != '/')
        return false;
    // Every name below the folder must lead further down: no "." or "..". Doubled "/" and
    // a final one change nothing.
    bool unNom = false;
    qsizetype debut = n + 1;
    while (debut <= chemin.size()) {
        qsizetype fin = chemin.indexOf('/', debut);
        if (fin < 0)
            fin = chemin.size();
        const QByteArrayView nom = chemin.sliced(debut, fin - debut);
        if (nom == "." || nom == "..")
            return false;
        unNom = unNom || !nom.isEmpty();
        debut = fin + 1;
    }
    return unNom;
}

int EtatChemin(const QByteArray &chemin, struct stat &etat, TLiens liens)
{
    const TCheminLong c(chemin);
    if (c.Erreur())
        return c.Erreur();
    return EtatDans(c.Fd(), c.Relatif(), etat, liens);
}

bool EstDossier(const QByteArray &chemin)
{
    struct stat etat {};
    return EtatChemin(chemin, etat) == 0 && S_ISDIR(etat.st_mode);
}

int CreerDossier(const QByteArray &chemin, mode_t mode)
{
    const TCheminLong c(chemin);
    if (c.Erreur())
        return c.Erreur();
    return Resultat(::mkdirat(c.Fd(), c.Relatif(), mode));
}

bool CreerDossiers(QByteArray chemin, const std::function<void(const QByteArray &)> &avant,
                   const std::function<void(const QByteArray &)> &cree, int *erreur)
{
    int ignoree = 0;
    int &e = erreur ? *erreur : ignoree;
    e = 0;
    chemin = SansBarresFinales(chemin);
    if (chemin.isEmpty()) {
        e = ENOENT;
        return false;
    }
    struct stat etat {};
    e = EtatChemin(chemin, etat);
    if (e == 0) {
        e = S_ISDIR(etat.st_mode) ? 0 : ENOTDIR;
        return e == 0;
    }
    if (e != ENOENT)
        return false;
    // A folder above is missing too: made first, from the top down.
    const qsizetype barre = chemin.lastIndexOf('/');
    if (barre > 0 && !CreerDossiers(chemin.left(barre), avant, cree, &e))
        return false;
    const QByteArray dossier = chemin + '/';
    if (avant)
        avant(dossier);
    e = CreerDossier(chemin);
    if (e == 0 && cree)
        cree(dossier);
    if (e == EEXIST) // made meanwhile by someone else
        e = EstDossier(chemin) ? 0 : ENOTDIR;
    return e == 0;
}

int SupprimerFichier(const QByteArray &chemin)
{
    const TCheminLong c(chemin);
    return c.Erreur() ? c.Erreur() : SupprimerDans(c.Fd(), c.Relatif());
}

int SupprimerDossier(const QByteArray &chemin)
{
    const TCheminLong c(chemin);
    if (c.Erreur())
        return c.Erreur();
    return Resultat(::unlinkat(c.Fd(), c.Relatif(), AT_REMOVEDIR));
}

namespace {
// `appel` on the two paths, each reached through its folder's descriptor when it is too long.
template <typename F>
int DeuxChemins(const QByteArray &de, const QByteArray &vers, F appel)
{
    const TCheminLong a(de);
    const TCheminLong b(vers);
    if (a.Erreur())
        return a.Erreur();
    if (b.Erreur())
        return b.Erreur();
    return appel(a.Fd(), a.Relatif(), b.Fd(), b.Relatif());
}
} // namespace

int RenommerEnRemplacant(const QByteArray &de, const QByteArray &vers)
{
    return DeuxChemins(de, vers, [](int fdDe, const char *a, int fdVers, const char *b) {
        return Resultat(::renameat(fdDe, a, fdVers, b));
    });
}

int DeplacerSansRemplacer(const QByteArray &de, const QByteArray &vers)
{
    return DeuxChemins(de, vers, DeplacerSansRemplacerDans);
}

int ListerDossier(const QByteArray &dossier, QByteArrayList &noms)
{
    noms.clear();
    const int fd = OuvrirChemin(dossier, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    DIR *flux = ::fdopendir(fd);
    if (!flux) {
        const int erreur = errno;
        ::close(fd);
        return erreur;
    }
    int erreur = 0;
    for (;;) {
        errno = 0;
        const dirent *e = ::readdir(flux);
        if (!e) {
            erreur = errno;
            break;
        }
        const QByteArrayView nom(e->d_name);
        if (nom != "." && nom != "..")
            noms.append(nom.toByteArray());
    }
    ::closedir(flux);
    return erreur;
}

int SynchroniserDossier(const QByteArray &dossier)
{
    const TDescripteur fd(OuvrirChemin(dossier, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Fd() < 0)
        return errno;
    return Resultat(::fsync(fd.Fd()));
}

QByteArray CheminReel(const QByteArray &chemin)
{
    QByteArray courant = chemin;
    for (int saut = 0; saut < 40; ++saut) {
        const TCheminLong c(courant);
        struct stat etat {};
        if (c.Erreur() || EtatDans(c.Fd(), c.Relatif(), etat, TLiens::NePasSuivre) != 0
            || !S_ISLNK(etat.st_mode))
            return courant;
        QByteArray cible(qsizetype(etat.st_size > 0 ? etat.st_size : 4096) + 1, Qt::Uninitialized);
        const ssize_t n = ::readlinkat(c.Fd(), c.Relatif(), cible.data(), size_t(cible.size()));
        if (n <= 0 || n >= cible.size())
            return courant;
        cible.truncate(n);
        courant = cible.startsWith('/') ? cible : DossierParent(courant) + cible;
    }
    return courant;
}

int EtatDans(int dossier, const char *nom, struct stat &etat, TLiens liens)
{
    return Resultat(::fstatat(dossier, nom, &etat, liens == TLiens::Suivre ? 0 : AT_SYMLINK_NOFOLLOW));
}

int OuvrirDans(int dossier, const char *nom, int drapeaux, mode_t mode)
{
    int fd;
    do
        fd = ::openat(dossier, nom, drapeaux, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

int SupprimerDans(int dossier, const char *nom)
{
    return Resultat(::unlinkat(dossier, nom, 0));
}

int DeplacerSansRemplacerDans(int dossierDe, const char *de, int dossierVers, const char *vers)
{
    if (::renameat2(dossierDe, de, dossierVers, vers, RENAME_NOREPLACE) == 0)
        return 0;
    int erreur = errno;
    if (!FlagRefuse(erreur))
        return erreur;

    if (::linkat(dossierDe, de, dossierVers, vers, 0) == 0) {
        if (::unlinkat(dossierDe, de, 0) == 0)
            return 0;
        erreur = errno;
        ::unlinkat(dossierVers, vers, 0); // back to one name: the original one
        return erreur;
    }
    erreur = errno;
    if (!LienRefuse(erreur))
        return erreur;

    // Neither flag nor links: reserve the name with an exclusive creation, which fails
    // when anything holds it, then rename over that empty placeholder of our own.
    const int reserve = OuvrirDans(dossierVers, vers, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (reserve < 0)
        return errno;
    ::close(reserve);
    if (::renameat(dossierDe, de, dossierVers, vers) == 0)
        return 0;
    erreur = errno;
    ::unlinkat(dossierVers, vers, 0);
    return erreur;
}
