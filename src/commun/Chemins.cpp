#include "commun/Chemins.h"

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include "commun/Descripteur.h"

using namespace Qt::StringLiterals;

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

QByteArray NomFinal(QByteArrayView chemin)
{
    qsizetype fin = chemin.size();
    while (fin > 1 && chemin.at(fin - 1) == '/')
        --fin;
    const QByteArrayView sans = chemin.first(fin);
    const qsizetype barre = sans.lastIndexOf('/');
    return (barre < 0 || sans.size() == 1 ? sans : sans.sliced(barre + 1)).toByteArray();
}

QByteArray CheminNettoye(QByteArrayView chemin)
{
    const bool absolu = chemin.startsWith('/');
    QList<QByteArrayView> noms;
    qsizetype debut = 0;
    while (debut <= chemin.size()) {
        qsizetype fin = chemin.indexOf('/', debut);
        if (fin < 0)
            fin = chemin.size();
        const QByteArrayView nom = chemin.sliced(debut, fin - debut);
        if (nom == "..") {
            if (!noms.isEmpty() && noms.last() != "..")
                noms.removeLast();
            else if (!absolu)
                noms.append(nom); // above where a relative path starts: kept
        } else if (!nom.isEmpty() && nom != ".") {
            noms.append(nom);
        }
        debut = fin + 1;
    }
    QByteArray resultat = absolu ? QByteArrayLiteral("/") : QByteArray();
    for (qsizetype i = 0; i < noms.size(); ++i) {
        if (i > 0)
            resultat += '/';
        resultat += noms.at(i);
    }
    return resultat.isEmpty() ? QByteArrayLiteral(".") : resultat;
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

bool EstFichier(const QByteArray &chemin)
{
    struct stat etat {};
    return EtatChemin(chemin, etat) == 0 && S_ISREG(etat.st_mode);
}

bool EstExecutable(const QByteArray &chemin)
{
    const TCheminLong c(chemin);
    struct stat etat {};
    return c.Erreur() == 0 && EtatDans(c.Fd(), c.Relatif(), etat) == 0 && S_ISREG(etat.st_mode)
        && ::faccessat(c.Fd(), c.Relatif(), X_OK, AT_EACCESS) == 0;
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
    TListeDossier liste(dossier);
    while (const dirent *e = liste.Suivante())
        noms.append(QByteArray(e->d_name));
    return liste.Erreur();
}

int SynchroniserDossier(const QByteArray &dossier)
{
    const TDescripteur fd(OuvrirChemin(dossier, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Fd() < 0)
        return errno;
    return Resultat(::fsync(fd.Fd()));
}

namespace {

// The text of the link at `chemin`, whose lstat gave `etat`; empty when it cannot be read.
QByteArray LireLien(const TCheminLong &c, const struct stat &etat)
{
    QByteArray cible(qsizetype(etat.st_size > 0 ? etat.st_size : 4096) + 1, Qt::Uninitialized);
    const ssize_t n = ::readlinkat(c.Fd(), c.Relatif(), cible.data(), size_t(cible.size()));
    if (n <= 0 || n >= cible.size())
        return {};
    cible.truncate(n);
    return cible;
}

constexpr int kLiensMax = 40; // as the kernel follows them

} // namespace

QByteArray CheminReel(const QByteArray &chemin)
{
    QByteArray courant = chemin;
    for (int saut = 0; saut < kLiensMax; ++saut) {
        const TCheminLong c(courant);
        struct stat etat {};
        if (c.Erreur() || EtatDans(c.Fd(), c.Relatif(), etat, TLiens::NePasSuivre) != 0
            || !S_ISLNK(etat.st_mode))
            return courant;
        const QByteArray cible = LireLien(c, etat);
        if (cible.isEmpty())
            return courant;
        courant = cible.startsWith('/') ? cible : DossierParent(courant) + cible;
    }
    return courant;
}

QByteArray CheminCanonique(const QByteArray &chemin)
{
    if (!chemin.startsWith('/'))
        return {};
    // The names still to walk, the next one last; `fait` is reached and holds no link.
    QByteArrayList reste = chemin.split('/');
    std::reverse(reste.begin(), reste.end());
    QByteArray fait = "/";
    int liens = 0;
    while (!reste.isEmpty()) {
        const QByteArray nom = reste.takeLast();
        if (nom.isEmpty() || nom == ".")
            continue;
        if (nom == "..") {
            fait = DossierParent(fait);
            continue;
        }
        const QByteArray suivant = JoindreChemin(fait, nom);
        const TCheminLong c(suivant);
        struct stat etat {};
        if (c.Erreur() || EtatDans(c.Fd(), c.Relatif(), etat, TLiens::NePasSuivre) != 0)
            return {};
        if (S_ISLNK(etat.st_mode)) {
            const QByteArray cible = LireLien(c, etat);
            if (cible.isEmpty() || ++liens > kLiensMax)
                return {};
            QByteArrayList noms = cible.split('/');
            for (auto it = noms.rbegin(); it != noms.rend(); ++it)
                reste.append(*it);
            if (cible.startsWith('/'))
                fait = "/";
            continue;
        }
        if (!S_ISDIR(etat.st_mode) && !reste.isEmpty())
            return {}; // a name, even "" or ".", after a file: ENOTDIR
        fait = suivant;
    }
    return fait.size() > 1 && fait.endsWith('/') ? fait.chopped(1) : fait;
}

namespace {

// Opens `chemin` for reading without waiting and keeps it when what was opened is of a
// kind `accepte` takes: see OuvrirLecture.
template <typename F>
int OuvrirSi(const QByteArray &chemin, struct stat &etat, F accepte)
{
    const int fd = OuvrirChemin(chemin, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    int erreur = 0;
    if (::fstat(fd, &etat) != 0)
        erreur = errno;
    else if (!accepte(etat.st_mode))
        erreur = S_ISDIR(etat.st_mode) ? EISDIR : ENODEV;
    if (erreur == 0)
        return fd;
    ::close(fd);
    errno = erreur;
    return -1;
}

bool Ordinaire(mode_t mode)
{
    return S_ISREG(mode);
}

bool DeVolume(mode_t mode)
{
    return S_ISREG(mode) || S_ISBLK(mode);
}

} // namespace

int OuvrirLecture(const QByteArray &chemin, struct stat &etat)
{
    return OuvrirSi(chemin, etat, Ordinaire);
}

int LireFichier(const QByteArray &chemin, qint64 maximum, QByteArray &octets, TGenreLecture genre,
                qint64 *taille)
{
    octets.clear();
    const auto accepte = genre == TGenreLecture::Volume ? DeVolume : Ordinaire;
    struct stat etat {};
    if (const int erreur = EtatChemin(chemin, etat))
        return erreur;
    if (!accepte(etat.st_mode))
        return S_ISDIR(etat.st_mode) ? EISDIR : ENODEV;
    const TDescripteur fd(OuvrirSi(chemin, etat, accepte));
    if (fd.Fd() < 0)
        return errno;
    if (taille)
        *taille = qint64(etat.st_size);
    if (genre == TGenreLecture::Ordinaire)
        return LireAuPlus(fd.Fd(), qMin(maximum, qint64(etat.st_size)), octets);
    // No size to go by: read a block at a time, the text growing as it comes.
    constexpr qint64 kBloc = 64 * 1024;
    QByteArray bloc;
    while (octets.size() < maximum) {
        const qint64 voulu = qMin(kBloc, maximum - octets.size());
        if (const int erreur = LireAuPlus(fd.Fd(), voulu, bloc)) {
            octets.clear();
            return erreur;
        }
        octets += bloc;
        if (bloc.size() < voulu)
            break; // its end
    }
    return 0;
}

QString TexteNonOrdinaire(mode_t mode)
{
    const char16_t *genre = S_ISREG(mode)    ? nullptr
                          : S_ISDIR(mode)  ? u"dossier"
                          : S_ISFIFO(mode) ? u"tube nommé"
                          : S_ISCHR(mode)  ? u"périphérique caractère"
                          : S_ISBLK(mode)  ? u"périphérique bloc"
                          : S_ISSOCK(mode) ? u"socket"
                                           : u"type inconnu";
    return genre ? u"n'est pas un fichier ordinaire (%1)"_s.arg(QStringView(genre)) : QString();
}

// ---- TListeDossier ------------------------------------------------------------------------

TListeDossier::TListeDossier(const QByteArray &chemin)
{
    Prendre(OuvrirChemin(chemin, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

TListeDossier::TListeDossier(const TListeDossier &dossier, const char *nom)
{
    if (!dossier.Ouvert()) {
        m_erreur = EBADF;
        return;
    }
    Prendre(OuvrirDans(dossier.Fd(), nom, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

void TListeDossier::Prendre(int fd)
{
    if (fd < 0) {
        m_erreur = errno;
        return;
    }
    m_flux = ::fdopendir(fd);
    if (!m_flux) {
        m_erreur = errno;
        ::close(fd);
    }
}

TListeDossier::~TListeDossier()
{
    if (m_flux)
        ::closedir(m_flux);
}

int TListeDossier::Fd() const
{
    return m_flux ? ::dirfd(m_flux) : -1;
}

const dirent *TListeDossier::Suivante()
{
    if (!m_flux)
        return nullptr;
    for (;;) {
        errno = 0;
        const dirent *e = ::readdir(m_flux);
        if (!e) {
            m_erreur = errno;
            return nullptr;
        }
        const char *n = e->d_name;
        if (!(n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))))
            return e;
    }
}

bool TListeDossier::EstDossier(const dirent &entree) const
{
    if (entree.d_type == DT_DIR)
        return true;
    if (entree.d_type != DT_UNKNOWN && entree.d_type != DT_LNK)
        return false;
    struct stat etat {};
    return EtatDans(Fd(), entree.d_name, etat) == 0 && S_ISDIR(etat.st_mode);
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
