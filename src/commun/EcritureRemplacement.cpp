#include "commun/EcritureRemplacement.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QRandomGenerator>

#include "commun/CheminsLongs.h"

namespace {

void Supprimer(const QByteArray &chemin)
{
    const TCheminLong c(chemin);
    if (!c.Erreur())
        ::unlinkat(c.Fd(), c.Relatif(), 0);
}

// The folder of `chemin`, ending with "/"; "./" for a bare name.
QByteArray DossierDe(const QByteArray &chemin)
{
    const qsizetype barre = chemin.lastIndexOf('/');
    return barre < 0 ? QByteArrayLiteral("./") : chemin.left(barre + 1);
}

// Through a link, the file it leads to; the path itself when nothing stands there yet.
QByteArray FichierReel(const QByteArray &chemin)
{
    char *reel = ::realpath(chemin.constData(), nullptr);
    if (!reel)
        return chemin;
    QByteArray resultat(reel);
    std::free(reel);
    return resultat;
}

} // namespace

TFichierTemporaire::TFichierTemporaire(const QByteArray &dossier, const QByteArray &prefixe,
                                       mode_t mode)
{
    static constexpr char kLettres[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int essai = 0; essai < 100; ++essai) {
        m_chemin = dossier + prefixe;
        for (int i = 0; i < 6; ++i)
            m_chemin += kLettres[QRandomGenerator::global()->bounded(int(sizeof kLettres - 1))];
        const int fd = OuvrirChemin(m_chemin, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            m_fd.Prendre(fd);
            return;
        }
        if (errno != EEXIST)
            break;
    }
    m_erreur = errno;
    m_chemin.clear();
}

TFichierTemporaire::~TFichierTemporaire()
{
    m_fd.Fermer();
    if (!m_place && !m_chemin.isEmpty())
        Supprimer(m_chemin);
}

int TFichierTemporaire::RemplacerVers(const QByteArray &cible)
{
    if (m_erreur)
        return m_erreur;
    const TCheminLong de(m_chemin);
    const TCheminLong vers(cible);
    if (de.Erreur())
        return de.Erreur();
    if (vers.Erreur())
        return vers.Erreur();
    if (::renameat(de.Fd(), de.Relatif(), vers.Fd(), vers.Relatif()) != 0)
        return errno;
    m_place = true;
    return 0;
}

int TFichierTemporaire::Detacher()
{
    return m_fd.Liberer();
}

bool RemplacerFichier(const QByteArray &chemin, QByteArrayView octets)
{
    const QByteArray cible = FichierReel(chemin);
    struct stat ancien {};
    const bool existe = ::stat(cible.constData(), &ancien) == 0;
    if (existe) {
        // A file that refuses writing stays as it is, even where its folder would let a
        // rename replace it. Opening it to append tests the file and changes nothing; a
        // fifo in its place is refused rather than waited on.
        TDescripteur essai(::open(cible.constData(),
                                  O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (essai.Fd() < 0)
            return false;
    }

    const QByteArray dossier = DossierDe(cible);
    TFichierTemporaire temporaire(dossier, '.' + cible.mid(dossier.size()) + '.',
                                  existe ? 0600 : 0666);
    if (temporaire.Erreur())
        return false;
    if (existe) {
        ::fchmod(temporaire.Fd(), ancien.st_mode & 07777);
        if (::fchown(temporaire.Fd(), ancien.st_uid, ancien.st_gid) != 0) {
            // Only root may give a file away; otherwise the file is the writer's, as any new file.
        }
    }
    // A full disk may show only at fsync or close: each is checked before the rename.
    if (temporaire.Ecrire(octets) != 0 || ::fsync(temporaire.Fd()) != 0 || temporaire.Fermer() != 0
        || temporaire.RemplacerVers(cible) != 0)
        return false;

    // Makes the rename itself durable; a failure here no longer endangers either file.
    const TDescripteur fdDossier(::open(dossier.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fdDossier.Fd() >= 0)
        ::fsync(fdDossier.Fd());
    return true;
}
