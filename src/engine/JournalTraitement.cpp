// The undo journal: its file format, written entry by entry, and read back.
//
// A text header line, then one entry per line. Paths are length-prefixed bytes
// ("<length>:<bytes>"), so a name may hold any byte, newlines and spaces included:
//   D <path>                                     a folder created
//   C <source> <copy> <size> <s> <ns> <size> <s> <ns>   a copy, then the source's state
//   R <old name> <new name> <size> <s> <ns>      a renaming
//   A <index>                                    entry <index> put back by an undo
// An entry counts only once its final newline is there.
#include "engine/JournalTraitement.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "commun/EcritureRemplacement.h"
#include "commun/NomsFichiers.h"

using namespace Qt::StringLiterals;

namespace detail {
bool g_journalActif = true;
} // namespace detail

namespace {

constexpr char kEntete[] = "Clarvane journal 1\n";

QByteArray CheminJournal(const QString &dossier)
{
    return NomEnOctets(dossier) + kNomJournalAnnulation;
}

// " <n>" in decimal, without a temporary string: an entry is made for every image.
void AjouterNombre(QByteArray &entree, qint64 n)
{
    char chiffres[24];
    chiffres[0] = ' ';
    const auto fin = std::to_chars(chiffres + 1, chiffres + sizeof chiffres, n).ptr;
    entree.append(chiffres, fin - chiffres);
}

void AjouterChemin(QByteArray &entree, const QByteArray &chemin)
{
    AjouterNombre(entree, chemin.size());
    entree += ':';
    entree += chemin;
}

void AjouterEtat(QByteArray &entree, const TEtatFichier &etat)
{
    AjouterNombre(entree, etat.Taille);
    AjouterNombre(entree, etat.Secondes);
    AjouterNombre(entree, etat.Nanosecondes);
}

// The state of the file or link at `chemin`; an impossible size when it cannot be
// examined, which no file matches later.
TEtatFichier Examiner(const QByteArray &chemin)
{
    struct stat st {};
    if (::lstat(chemin.constData(), &st) != 0)
        return {};
    return EtatDepuisStat(st);
}

// Reads the entries of a journal's content, one by one.
class TLecteur {
public:
    explicit TLecteur(const QByteArray &octets) : m_octets(octets) {}

    bool Fini() const { return m_pos >= m_octets.size(); }
    qsizetype Position() const { return m_pos; }

    // One entry; false at a torn or malformed one.
    bool Lire(TEntreeJournal &entree, int &marque)
    {
        marque = -1;
        if (m_pos + 1 >= m_octets.size())
            return false;
        const char genre = m_octets[m_pos];
        m_pos += 1;
        entree = TEntreeJournal{};
        switch (genre) {
        case 'D':
            entree.Genre = TEntreeJournal::TGenre::Dossier;
            return Chemin(entree.Cible) && FinDeLigne();
        case 'C':
            entree.Genre = TEntreeJournal::TGenre::Copie;
            return Chemin(entree.Source) && Chemin(entree.Cible) && Etat(entree.Etat)
                   && Etat(entree.EtatSource) && FinDeLigne();
        case 'R':
            entree.Genre = TEntreeJournal::TGenre::Renommage;
            return Chemin(entree.Source) && Chemin(entree.Cible) && Etat(entree.Etat) && FinDeLigne();
        case 'A': {
            qint64 index = -1;
            if (!Nombre(index) || !FinDeLigne() || index < 0 || index > INT_MAX)
                return false;
            marque = int(index);
            return true;
        }
        default:
            return false;
        }
    }

    bool Entete()
    {
        const qsizetype n = qsizetype(std::strlen(kEntete));
        if (!m_octets.startsWith(QByteArrayView(kEntete, n)))
            return false;
        m_pos = n;
        return true;
    }

private:
    bool Espace()
    {
        if (m_pos < m_octets.size() && m_octets[m_pos] == ' ') {
            ++m_pos;
            return true;
        }
        return false;
    }

    bool Nombre(qint64 &valeur)
    {
        if (!Espace())
            return false;
        bool negatif = false;
        if (m_pos < m_octets.size() && m_octets[m_pos] == '-') {
            negatif = true;
            ++m_pos;
        }
        const qsizetype debut = m_pos;
        qint64 v = 0;
        while (m_pos < m_octets.size() && m_octets[m_pos] >= '0' && m_octets[m_pos] <= '9') {
            if (v > (INT64_MAX - 9) / 10)
                return false;
            v = v * 10 + (m_octets[m_pos] - '0');
            ++m_pos;
        }
        if (m_pos == debut)
            return false;
        valeur = negatif ? -v : v;
        return true;
    }

    bool Chemin(QByteArray &chemin)
    {
        qint64 longueur = -1;
        if (!Nombre(longueur) || longueur < 1 || m_pos >= m_octets.size() || m_octets[m_pos] != ':')
            return false;
        ++m_pos;
        if (longueur > m_octets.size() - m_pos)
            return false;
        chemin = m_octets.mid(m_pos, qsizetype(longueur));
        m_pos += qsizetype(longueur);
        return true;
    }

    bool Etat(TEtatFichier &etat)
    {
        return Nombre(etat.Taille) && Nombre(etat.Secondes) && Nombre(etat.Nanosecondes);
    }

    bool FinDeLigne()
    {
        if (m_pos < m_octets.size() && m_octets[m_pos] == '\n') {
            ++m_pos;
            return true;
        }
        return false;
    }

    const QByteArray &m_octets;
    qsizetype m_pos = 0;
};

} // namespace

QString MessageSysteme(int erreur)
{
    return QString::fromLocal8Bit(std::strerror(erreur));
}

TJournalTraitement::TJournalTraitement(const QString &dossier)
{
    if (!dossier.isEmpty() && detail::g_journalActif)
        m_chemin = CheminJournal(dossier);
}

// The journal is closed without being flushed to the disk: the copies are not either (a
// copy keeps its source), and what write() took survives the program.
TJournalTraitement::~TJournalTraitement() = default;

void TJournalTraitement::DossierCree(const QString &dossier)
{
    if (m_chemin.isEmpty())
        return;
    QByteArray entree("D");
    AjouterChemin(entree, NomEnOctets(dossier));
    entree += '\n';
    if (m_fd.Fd() < 0)
        m_enAttente += entree; // a run that copies nothing leaves the last journal alone
    else
        Ajouter(entree);
}

void TJournalTraitement::Copie(const QString &source, const TResultatCopie &copie)
{
    if (m_chemin.isEmpty())
        return;
    QByteArray entree("C");
    AjouterChemin(entree, NomEnOctets(source));
    AjouterChemin(entree, NomEnOctets(copie.Cible));
    AjouterEtat(entree, copie.Etat);
    AjouterEtat(entree, copie.EtatSource);
    entree += '\n';
    Ajouter(entree);
}

void TJournalTraitement::Renommage(const QString &ancien, const QString &nouveau)
{
    if (m_chemin.isEmpty())
        return;
    const QByteArray octetsNouveau = NomEnOctets(nouveau);
    QByteArray entree("R");
    AjouterChemin(entree, NomEnOctets(ancien));
    AjouterChemin(entree, octetsNouveau);
    AjouterEtat(entree, Examiner(octetsNouveau));
    entree += '\n';
    Ajouter(entree);
}

void TJournalTraitement::Ajouter(const QByteArray &entree)
{
    if (!m_echec.isEmpty())
        return; // the journal stopped at its first failure
    if (m_fd.Fd() < 0) {
        Commencer(entree);
        return;
    }
    // One write per entry and no flush to the disk: a killed program loses nothing that
    // write() accepted, and the run stays as fast as without a journal.
    if (const int erreur = EcrireTout(m_fd.Fd(), entree))
        Echouer(erreur);
}

void TJournalTraitement::Commencer(const QByteArray &premiere)
{
    // Written aside, then moved over the previous journal in one step: at every moment
    // the journal is either the last run's or this one's, and never without an image.
    const qsizetype barre = m_chemin.lastIndexOf('/');
    TFichierTemporaire temporaire(m_chemin.left(barre + 1),
                                  QByteArray(".") + kNomJournalAnnulation + '-');
    int erreur = temporaire.Erreur();
    if (erreur == 0)
        erreur = temporaire.Ecrire(kEntete + m_enAttente + premiere);
    if (erreur == 0)
        erreur = temporaire.RemplacerVers(m_chemin);
    m_enAttente.clear();
    if (erreur != 0) {
        Echouer(erreur);
        return;
    }
    m_fd.Prendre(temporaire.Detacher());
}

void TJournalTraitement::Echouer(int erreur)
{
    m_echec = u"Impossible d'écrire le journal d'annulation %1 : %2"_s.arg(
        NomLisible(NomDepuisOctets(m_chemin)), MessageSysteme(erreur));
    // A journal of an earlier run would make this run's undo take back the wrong one.
    if (m_fd.Fd() < 0)
        ::unlink(m_chemin.constData());
}

QList<TEntreeJournal> LireJournal(const QString &dossier, qsizetype *longueur)
{
    if (longueur)
        *longueur = 0;
    QList<TEntreeJournal> entrees;
    QByteArray octets;
    {
        const TDescripteur fd(::open(CheminJournal(dossier).constData(), O_RDONLY | O_CLOEXEC));
        if (fd.Fd() < 0)
            return entrees;
        char tampon[65536];
        for (;;) {
            const ssize_t n = ::read(fd.Fd(), tampon, sizeof tampon);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            octets.append(tampon, n);
        }
    }
    TLecteur lecteur(octets);
    if (!lecteur.Entete())
        return entrees;
    TEntreeJournal entree;
    int marque = -1;
    while (!lecteur.Fini() && lecteur.Lire(entree, marque)) {
        if (marque < 0)
            entrees.append(entree);
        else if (marque < entrees.size())
            entrees[marque].Annulee = true;
        if (longueur)
            *longueur = lecteur.Position();
    }
    return entrees;
}

bool MarquerAnnulee(const QString &dossier, int index)
{
    TDescripteur fd(::open(CheminJournal(dossier).constData(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (fd.Fd() < 0)
        return false;
    const bool ecrit = EcrireTout(fd.Fd(), "A " + QByteArray::number(index) + '\n') == 0;
    return fd.Fermer() == 0 && ecrit;
}

bool CouperJournal(const QString &dossier, qsizetype longueur)
{
    return ::truncate(CheminJournal(dossier).constData(), off_t(longueur)) == 0;
}

bool SupprimerJournal(const QString &dossier)
{
    return ::unlink(CheminJournal(dossier).constData()) == 0 || errno == ENOENT;
}
