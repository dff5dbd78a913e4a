#include "Octets.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "commun/CheminsLongs.h"

bool EcrireOctets(const QByteArray &chemin, const QByteArray &contenu)
{
    const int fd = OuvrirChemin(chemin, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, contenu.constData(), size_t(contenu.size())) == contenu.size();
    ok = ::close(fd) == 0 && ok;
    return ok;
}

QByteArray LireOctets(const QByteArray &chemin)
{
    const int fd = OuvrirChemin(chemin, O_RDONLY | O_CLOEXEC);
    QByteArray contenu;
    if (fd >= 0) {
        char tampon[65536];
        ssize_t n;
        while ((n = ::read(fd, tampon, sizeof tampon)) > 0)
            contenu.append(tampon, n);
        ::close(fd);
        if (n == 0)
            return contenu;
    }
    return "<unreadable: " + chemin + '>';
}

bool CreerDossierOctets(const QByteArray &chemin)
{
    const TCheminLong c(chemin);
    return !c.Erreur() && ::mkdirat(c.Fd(), c.Relatif(), 0755) == 0;
}

bool ExisteOctets(const QByteArray &chemin)
{
    const TCheminLong c(chemin);
    struct stat st;
    return !c.Erreur() && ::fstatat(c.Fd(), c.Relatif(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

namespace {

// Lists the folder open as `fd` (closed here), its sub-folders through their descriptors.
void Lister(int fd, const QByteArray &prefixe, QByteArrayList &fichiers)
{
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent *e = ::readdir(dir)) {
        const QByteArray nom(e->d_name);
        if (nom == "." || nom == "..")
            continue;
        struct stat st;
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            const int sous = ::openat(::dirfd(dir), e->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (sous >= 0)
                Lister(sous, prefixe + nom + '/', fichiers);
        } else {
            fichiers.append(prefixe + nom);
        }
    }
    ::closedir(dir);
}

// Empties the folder open as `fd` (closed here).
void Vider(int fd)
{
    ::fchmod(fd, 0755);
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent *e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        struct stat st;
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
            ::fchmodat(::dirfd(dir), e->d_name, 0755, 0);
            const int sous = ::openat(::dirfd(dir), e->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (sous >= 0)
                Vider(sous);
            ::unlinkat(::dirfd(dir), e->d_name, AT_REMOVEDIR);
        } else {
            ::unlinkat(::dirfd(dir), e->d_name, 0);
        }
    }
    ::closedir(dir);
}

} // namespace

QByteArrayList FichiersOctets(const QByteArray &dossier)
{
    QByteArrayList fichiers;
    const int fd = OuvrirChemin(dossier, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
        Lister(fd, {}, fichiers);
    std::sort(fichiers.begin(), fichiers.end());
    return fichiers;
}

void SupprimerArbre(const QByteArray &dossier)
{
    ::chmod(dossier.constData(), 0755);
    const int fd = OuvrirChemin(dossier, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    Vider(fd);
    ::rmdir(dossier.constData());
}

TEnfant DansEnfant(const std::function<QByteArray()> &travail, bool sansRoot, int descripteurs)
{
    TEnfant resultat;
    int tube[2];
    if (::pipe(tube) != 0) {
        resultat.pourquoi = QStringLiteral("pipe failed");
        return resultat;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(tube[0]);
        ::close(tube[1]);
        resultat.pourquoi = QStringLiteral("fork failed");
        return resultat;
    }
    if (pid == 0) {
        ::close(tube[0]);
        // First byte: 1 when set up, 0 when not; then what the work gave.
        char pret = 1;
        if (descripteurs > 0) {
            const struct rlimit limite = {rlim_t(descripteurs), rlim_t(descripteurs)};
            pret = ::setrlimit(RLIMIT_NOFILE, &limite) == 0;
        }
        if (pret && sansRoot && ::geteuid() == 0)
            pret = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        QByteArray sortie(1, pret);
        if (pret)
            sortie += travail();
        qsizetype fait = 0;
        while (fait < sortie.size()) {
            const ssize_t n = ::write(tube[1], sortie.constData() + fait, size_t(sortie.size() - fait));
            if (n <= 0)
                ::_exit(1);
            fait += n;
        }
        ::_exit(0);
    }
    ::close(tube[1]);
    QByteArray lu;
    char tampon[4096];
    for (;;) {
        const ssize_t n = ::read(tube[0], tampon, sizeof tampon);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        lu.append(tampon, n);
    }
    ::close(tube[0]);
    int statut = 0;
    ::waitpid(pid, &statut, 0);
    if (!WIFEXITED(statut) || WEXITSTATUS(statut) != 0 || lu.isEmpty()) {
        resultat.pourquoi = QStringLiteral("the child process failed");
        return resultat;
    }
    if (lu.at(0) != 1) {
        resultat.pourquoi = QStringLiteral("the child process could not give up root or lower its limit");
        return resultat;
    }
    resultat.lance = true;
    resultat.sortie = lu.mid(1);
    return resultat;
}
