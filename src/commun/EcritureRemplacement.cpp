#include "commun/EcritureRemplacement.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QRandomGenerator>

#include "commun/Chemins.h"

TFichierTemporaire::TFichierTemporaire(const QByteArray &dossier, const QByteArray &prefixe,
                                       mode_t mode, int dossierFd,
                                       const std::function<void(const QByteArray &)> &avant)
    : m_dossierFd(dossierFd)
{
    static constexpr char kLettres[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int essai = 0; essai < 100; ++essai) {
        m_nom = prefixe;
        for (int i = 0; i < 6; ++i)
            m_nom += kLettres[QRandomGenerator::global()->bounded(int(sizeof kLettres - 1))];
        m_chemin = JoindreChemin(dossier, m_nom);
        if (avant)
            avant(m_chemin);
        const int drapeaux = O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC;
        const int fd = m_dossierFd >= 0 ? OuvrirDans(m_dossierFd, m_nom.constData(), drapeaux, mode)
                                        : OuvrirChemin(m_chemin, drapeaux, mode);
        if (fd >= 0) {
            m_fd.Prendre(fd);
            return;
        }
        if (errno != EEXIST)
            break;
    }
    m_erreur = errno;
    m_chemin.clear();
    m_nom.clear();
}

TFichierTemporaire::~TFichierTemporaire()
{
    m_fd.Fermer();
    Retirer();
}

int TFichierTemporaire::Retirer()
{
    if (m_place || m_chemin.isEmpty())
        return 0;
    m_fd.Fermer();
    const int erreur = m_dossierFd >= 0 ? SupprimerDans(m_dossierFd, m_nom.constData())
                                        : SupprimerFichier(m_chemin);
    if (erreur == 0 || erreur == ENOENT)
        m_chemin.clear();
    return erreur == ENOENT ? 0 : erreur;
}

int TFichierTemporaire::RemplacerVers(const QByteArray &cible)
{
    if (m_erreur)
        return m_erreur;
    if (const int erreur = RenommerEnRemplacant(m_chemin, cible))
        return erreur;
    m_place = true;
    return 0;
}

int TFichierTemporaire::Detacher()
{
    return m_fd.Liberer();
}

bool RemplacerFichier(const QByteArray &chemin, QByteArrayView octets)
{
    const QByteArray cible = CheminReel(chemin);
    struct stat ancien {};
    const bool existe = EtatChemin(cible, ancien) == 0;
    if (existe) {
        // Only a regular file is replaced: a device, a fifo or a folder of that name (or
        // at the end of a link) is left alone, never renamed over.
        if (!S_ISREG(ancien.st_mode))
            return false;
        // A file that refuses writing stays as it is, even where its folder would let a
        // rename replace it. Opening it to append tests the file and changes nothing.
        const TDescripteur essai(
            OuvrirChemin(cible, O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (essai.Fd() < 0)
            return false;
    }

    const QByteArray dossier = DossierParent(cible);
    TFichierTemporaire temporaire(dossier, '.' + cible.mid(cible.lastIndexOf('/') + 1) + '.',
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
    SynchroniserDossier(dossier);
    return true;
}
