#include "engine/EspaceDisque.h"

#include <cerrno>
#include <limits>

#include <fcntl.h>
#include <sys/statvfs.h>

#include "commun/CheminsLongs.h"
#include "commun/Descripteur.h"
#include "commun/NomsFichiers.h"

std::optional<qint64> EspaceLibre(const QString &dossier)
{
    QByteArray chemin = NomEnOctets(dossier);
    for (;;) {
        while (chemin.size() > 1 && chemin.endsWith('/'))
            chemin.chop(1);
        if (chemin.isEmpty())
            return std::nullopt;
        // O_PATH: the folder is neither read nor listed, only named.
        const TDescripteur fd(OuvrirChemin(chemin, O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (fd.Fd() >= 0) {
            struct statvfs etat {};
            // A file system that gives no size (f_blocks 0: /proc, some FUSE and network
            // file systems) says nothing of its room either.
            if (::fstatvfs(fd.Fd(), &etat) != 0 || etat.f_blocks == 0)
                return std::nullopt;
            // An absurd figure from a network file system must not wrap round.
            constexpr auto kMax = static_cast<unsigned long long>(std::numeric_limits<qint64>::max());
            const unsigned long long blocs = etat.f_bavail, taille = etat.f_frsize;
            if (taille != 0 && blocs > kMax / taille)
                return std::numeric_limits<qint64>::max();
            return qint64(blocs * taille);
        }
        const qsizetype barre = chemin.lastIndexOf('/');
        if (errno != ENOENT || barre < 0 || chemin == "/")
            return std::nullopt;
        chemin.truncate(barre == 0 ? 1 : barre);
    }
}
