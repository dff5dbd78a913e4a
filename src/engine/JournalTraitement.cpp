// The undo journal: its file format, written entry by entry, and read back.
//
// A text head line, then one entry per line, written by one write() each. Paths are the
// file's bytes with every byte up to the space, "%" and DEL written "%HH", so that a line
// ends at its newline and fields at their spaces whatever the names hold:
//   P <folder>                                   a folder of the run (source, destination)
//   D <folder>                                   a folder created
//   t <source> <temporary> [c]                   a copy about to create its temporary file
//   m <copy> <size> <s> <ns> <dev> <ino> <hash>  ... about to move it to <copy> (hash: "-"
//                                                when the copy was not verified)
//   C <size> <s> <ns> <cs> <cns> <size> <s> <ns> ... moved: the copy in place (with its
//                                                ctime), then the source as it was read
//   r <old> <new> <size> <s> <ns> <dev> <ino> [c] a renaming about to be made
//   R <size> <s> <ns> <cs> <cns>                 ... made: the file under its new name
//   x                                            the copy or renaming in hand left nothing
//   a <n> / A <n>                                operation <n> being / put back by an undo
// The mark "c" ends the line of a file that travels with an image (a sidecar, a memo): the
// undo takes it back and does not count it as an image. A journal written without it
// counts every copy and renaming.
// A line counts only once its newline is there: a last line without one is torn (a run
// stopped while writing it) and left out; any other line that cannot be read makes the
// whole journal unusable.
//
// The first version ("Clarvane journal 1") wrote length-prefixed paths ("<length>:<bytes>")
// and only what was done: D <path>; C <source> <copy> <size> <s> <ns> <size> <s> <ns>;
// R <old> <new> <size> <s> <ns>; A <index>. It is still read, as it was.
#include "engine/JournalTraitement.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "commun/Chemins.h"
#include "commun/EcritureRemplacement.h"
#include "commun/NomsFichiers.h"

using namespace Qt::StringLiterals;

namespace detail {
bool g_journalActif = true;
std::function<void()> g_avantConfirmation;
} // namespace detail

namespace {

constexpr char kEntete[] = "Clarvane journal 2\n";
constexpr char kEnteteV1[] = "Clarvane journal 1\n";

QByteArray CheminJournal(const QString &dossier)
{
    return NomEnOctets(dossier) + kNomJournalAnnulation;
}

// ---- Writing ---------------------------------------------------------------------------

bool AEchapper(unsigned char c)
{
    return c <= ' ' || c == '%' || c == 0x7F;
}

// " <n>" in decimal, without a temporary string: entries are made for every image.
void AjouterNombre(QByteArray &entree, qint64 n)
{
    char chiffres[24];
    chiffres[0] = ' ';
    const auto fin = std::to_chars(chiffres + 1, chiffres + sizeof chiffres, n).ptr;
    entree.append(chiffres, fin - chiffres);
}

void AjouterChemin(QByteArray &entree, const QByteArray &chemin)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    entree.reserve(entree.size() + chemin.size() + 16);
    entree += ' ';
    // The bytes kept as they are go by runs: most names need no escape at all.
    const char *debut = chemin.constData();
    const char *const fin = debut + chemin.size();
    for (const char *p = debut; p != fin; ++p) {
        const auto u = static_cast<unsigned char>(*p);
        if (!AEchapper(u))
            continue;
        entree.append(debut, p - debut);
        const char echappe[3] = {'%', kHex[u >> 4], kHex[u & 0xF]};
        entree.append(echappe, 3);
        debut = p + 1;
    }
    entree.append(debut, fin - debut);
}

void AjouterEtat(QByteArray &entree, const TEtatFichier &etat)
{
    AjouterNombre(entree, etat.Taille);
    AjouterNombre(entree, etat.Secondes);
    AjouterNombre(entree, etat.Nanosecondes);
}

void AjouterIdentite(QByteArray &entree, const TEtatFichier &etat)
{
    AjouterNombre(entree, qint64(etat.Peripherique));
    AjouterNombre(entree, qint64(etat.Inode));
}

void AjouterChangement(QByteArray &entree, const TEtatFichier &etat)
{
    AjouterNombre(entree, etat.SecondesChangement);
    AjouterNombre(entree, etat.NanosecondesChangement);
}

// The state of the file or link at `chemin`; an impossible size when it cannot be
// examined, which no file matches later.
TEtatFichier Examiner(const QByteArray &chemin)
{
    struct stat st {};
    if (EtatChemin(chemin, st, TLiens::NePasSuivre) != 0)
        return {};
    return EtatDepuisStat(st);
}

// ---- Reading ---------------------------------------------------------------------------

// The value of an upper-case hexadecimal digit as the journal writes it; far below 0 for
// anything else, so that a pair with one such is negative.
int Hex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1000;
}

// The fields of one line of the second version.
class TChamps {
public:
    explicit TChamps(QByteArrayView ligne) : m_ligne(ligne) {}

    bool Fini() const { return m_pos > m_ligne.size(); }

    QByteArrayView Suivant()
    {
        if (m_pos > m_ligne.size()) {
            m_manque = true;
            return {};
        }
        qsizetype fin = m_ligne.indexOf(' ', m_pos);
        if (fin < 0)
            fin = m_ligne.size();
        const QByteArrayView champ = m_ligne.sliced(m_pos, fin - m_pos);
        m_pos = fin + 1;
        return champ;
    }

    bool Chemin(QByteArray &chemin)
    {
        const QByteArrayView champ = Suivant();
        chemin.clear();
        chemin.reserve(champ.size());
        for (qsizetype i = 0; i < champ.size(); ++i) {
            if (champ[i] != '%') {
                chemin += champ[i];
                continue;
            }
            const int octet = i + 2 < champ.size() ? Hex(champ[i + 1]) * 16 + Hex(champ[i + 2]) : -1;
            if (octet < 0 || !AEchapper(static_cast<unsigned char>(octet)))
                return false;
            chemin += char(octet);
            i += 2;
        }
        return !chemin.isEmpty();
    }

    bool Nombre(qint64 &valeur)
    {
        const QByteArrayView champ = Suivant();
        const char *fin = champ.data() + champ.size();
        const auto r = std::from_chars(champ.data(), fin, valeur);
        return !champ.isEmpty() && r.ec == std::errc() && r.ptr == fin;
    }

    bool NombreNonSigne(quint64 &valeur)
    {
        qint64 v = 0;
        if (!Nombre(v))
            return false;
        valeur = quint64(v);
        return true;
    }

    bool Etat(TEtatFichier &etat)
    {
        return Nombre(etat.Taille) && Nombre(etat.Secondes) && Nombre(etat.Nanosecondes);
    }
    bool Identite(TEtatFichier &etat)
    {
        return NombreNonSigne(etat.Peripherique) && NombreNonSigne(etat.Inode);
    }
    bool Changement(TEtatFichier &etat)
    {
        return Nombre(etat.SecondesChangement) && Nombre(etat.NanosecondesChangement);
    }
    bool Empreinte(std::optional<TEmpreinte> &empreinte)
    {
        const QByteArrayView champ = Suivant();
        if (champ == "-") {
            empreinte.reset();
            return true;
        }
        empreinte = TEmpreinte::DepuisHex(champ);
        return empreinte.has_value();
    }
    // The companion's mark when the line goes on: true when it is the mark, or when the
    // line ends here.
    bool MarqueCompagnon(bool &compagnon)
    {
        compagnon = !Fini();
        return !compagnon || Suivant() == "c";
    }
    // Every field read, nothing more on the line.
    bool Termine() const { return !m_manque && m_pos == m_ligne.size() + 1; }

private:
    QByteArrayView m_ligne;
    qsizetype m_pos = 0;
    bool m_manque = false;
};

// The operations of a journal of the second version; false at a line that cannot be read.
bool LireVersion2(const QByteArray &octets, qsizetype debut, TJournalLu &lu)
{
    // The copy or renaming noted and not yet confirmed nor abandoned.
    qsizetype ouverte = -1;
    auto marquer = [&](qint64 index, bool fait) {
        if (index < 0 || index >= lu.Operations.size())
            return false;
        (fait ? lu.Operations[index].Annulee : lu.Operations[index].EnAnnulation) = true;
        return true;
    };
    qsizetype pos = debut;
    while (pos < octets.size()) {
        const qsizetype fin = octets.indexOf('\n', pos);
        if (fin < 0)
            break; // torn: the run stopped while writing it
        const QByteArrayView ligne = QByteArrayView(octets).sliced(pos, fin - pos);
        TChamps champs(ligne);
        const QByteArrayView genre = champs.Suivant();
        TOperationJournal op;
        bool ok = genre.size() == 1;
        switch (ok ? genre[0] : 0) {
        case 'P': {
            QByteArray dossier;
            ok = champs.Chemin(dossier);
            lu.Dossiers.append(dossier);
            break;
        }
        case 'D':
            op.Genre = TOperationJournal::TGenre::Dossier;
            ok = champs.Chemin(op.Cible);
            lu.Operations.append(op);
            ouverte = -1;
            break;
        case 't':
            op.Genre = TOperationJournal::TGenre::Copie;
            op.Confirmee = false;
            ok = champs.Chemin(op.Source) && champs.Chemin(op.Temporaire) && champs.MarqueCompagnon(op.Compagnon);
            lu.Operations.append(op);
            ouverte = lu.Operations.size() - 1;
            break;
        case 'm': {
            if (ouverte < 0 || lu.Operations[ouverte].Genre != TOperationJournal::TGenre::Copie) {
                ok = false;
                break;
            }
            TOperationJournal &copie = lu.Operations[ouverte];
            ok = champs.Chemin(copie.Cible) && champs.Etat(copie.Etat) && champs.Identite(copie.Etat)
                 && champs.Empreinte(copie.Empreinte);
            break;
        }
        case 'C': {
            if (ouverte < 0 || lu.Operations[ouverte].Genre != TOperationJournal::TGenre::Copie
                || lu.Operations[ouverte].Cible.isEmpty()) {
                ok = false;
                break;
            }
            TOperationJournal &copie = lu.Operations[ouverte];
            ok = champs.Etat(copie.Etat) && champs.Changement(copie.Etat) && champs.Etat(copie.EtatSource);
            copie.Confirmee = true;
            ouverte = -1;
            break;
        }
        case 'r':
            op.Genre = TOperationJournal::TGenre::Renommage;
            op.Confirmee = false;
            ok = champs.Chemin(op.Source) && champs.Chemin(op.Cible) && champs.Etat(op.Etat)
                 && champs.Identite(op.Etat) && champs.MarqueCompagnon(op.Compagnon);
            lu.Operations.append(op);
            ouverte = lu.Operations.size() - 1;
            break;
        case 'R': {
            if (ouverte < 0 || lu.Operations[ouverte].Genre != TOperationJournal::TGenre::Renommage) {
                ok = false;
                break;
            }
            TOperationJournal &renommage = lu.Operations[ouverte];
            ok = champs.Etat(renommage.Etat) && champs.Changement(renommage.Etat);
            renommage.Confirmee = true;
            ouverte = -1;
            break;
        }
        case 'x':
            ok = ouverte >= 0;
            if (ok)
                lu.Operations.removeAt(ouverte);
            ouverte = -1;
            break;
        case 'a':
        case 'A': {
            qint64 index = -1;
            ok = champs.Nombre(index) && marquer(index, genre[0] == 'A');
            break;
        }
        default:
            ok = false;
        }
        if (!ok || !champs.Termine())
            return false;
        pos = fin + 1;
        lu.Longueur = pos;
    }
    return true;
}

// Reads the entries of a journal of the first version, one by one.
class TLecteurV1 {
public:
    explicit TLecteurV1(const QByteArray &octets, qsizetype debut) : m_octets(octets), m_pos(debut) {}

    bool Fini() const { return m_pos >= m_octets.size(); }
    qsizetype Position() const { return m_pos; }

    // One entry; false at a torn or malformed one.
    bool Lire(TOperationJournal &entree, int &marque)
    {
        marque = -1;
        if (m_pos + 1 >= m_octets.size())
            return false;
        const char genre = m_octets[m_pos];
        m_pos += 1;
        entree = TOperationJournal{};
        switch (genre) {
        case 'D':
            entree.Genre = TOperationJournal::TGenre::Dossier;
            return Chemin(entree.Cible) && FinDeLigne();
        case 'C':
            entree.Genre = TOperationJournal::TGenre::Copie;
            return Chemin(entree.Source) && Chemin(entree.Cible) && Etat(entree.Etat)
                   && Etat(entree.EtatSource) && FinDeLigne();
        case 'R':
            entree.Genre = TOperationJournal::TGenre::Renommage;
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

// A journal of the first version is read as it was written. An entry that cannot be read
// is a torn last one when no line ends after its start; otherwise the journal is damaged
// (false). Its paths may hold newlines: a torn entry whose name holds one counts as
// damage, which only ever keeps the journal from being used.
bool LireVersion1(const QByteArray &octets, qsizetype debut, TJournalLu &lu)
{
    TLecteurV1 lecteur(octets, debut);
    TOperationJournal entree;
    int marque = -1;
    lu.Longueur = debut;
    while (!lecteur.Fini()) {
        if (!lecteur.Lire(entree, marque))
            return !octets.sliced(lu.Longueur).contains('\n');
        if (marque < 0)
            lu.Operations.append(entree);
        else if (marque < lu.Operations.size())
            lu.Operations[marque].Annulee = true;
        lu.Longueur = lecteur.Position();
    }
    return true;
}

// Opens the journal without following a link and without waiting on a fifo, and reads it
// up to the size it has then. `fd` gets the descriptor.
TJournalLu Ouvrir(const QByteArray &chemin, int drapeaux, TDescripteur &fd)
{
    TJournalLu lu;
    // Something else than a regular file is not even opened: opening a device may act on it.
    struct stat avant {};
    lu.Erreur = EtatChemin(chemin, avant, TLiens::NePasSuivre);
    if (lu.Erreur == 0 && !S_ISREG(avant.st_mode))
        lu.Erreur = S_ISDIR(avant.st_mode) ? EISDIR : S_ISLNK(avant.st_mode) ? ELOOP : EINVAL;
    if (lu.Erreur) {
        lu.Etat = lu.Erreur == ENOENT ? TJournalLu::TEtat::Absent : TJournalLu::TEtat::Illisible;
        return lu;
    }
    fd.Prendre(OuvrirChemin(chemin, drapeaux | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Fd() < 0) {
        lu.Erreur = errno;
        lu.Etat = lu.Erreur == ENOENT ? TJournalLu::TEtat::Absent : TJournalLu::TEtat::Illisible;
        return lu;
    }
    struct stat etat {};
    QByteArray octets;
    if (::fstat(fd.Fd(), &etat) != 0)
        lu.Erreur = errno;
    else if (S_ISDIR(etat.st_mode))
        lu.Erreur = EISDIR;
    else if (!S_ISREG(etat.st_mode))
        lu.Erreur = EINVAL; // a fifo, a device, a socket: no journal, and nothing to wait for
    else
        lu.Erreur = LireAuPlus(fd.Fd(), qint64(etat.st_size), octets);
    if (lu.Erreur) {
        lu.Etat = TJournalLu::TEtat::Illisible;
        fd.Fermer();
        return lu;
    }
    lu.Etat = TJournalLu::TEtat::Endommage;
    if (octets.startsWith(kEntete)) {
        lu.Version = 2;
        if (LireVersion2(octets, qsizetype(std::strlen(kEntete)), lu))
            lu.Etat = TJournalLu::TEtat::Lisible;
    } else if (octets.startsWith(kEnteteV1)) {
        lu.Version = 1;
        if (LireVersion1(octets, qsizetype(std::strlen(kEnteteV1)), lu))
            lu.Etat = TJournalLu::TEtat::Lisible;
    }
    if (lu.Etat != TJournalLu::TEtat::Lisible)
        lu.Operations.clear();
    return lu;
}

} // namespace

QString MessageSysteme(int erreur)
{
    return QString::fromLocal8Bit(std::strerror(erreur));
}

// ---- TJournalTraitement ------------------------------------------------------------------

TJournalTraitement::TJournalTraitement(const QString &dossier)
{
    if (!dossier.isEmpty() && detail::g_journalActif)
        m_chemin = CheminJournal(dossier);
}

// The journal is closed without being flushed to the disk: what write() took survives the
// program, and the run stays as fast as without it.
TJournalTraitement::~TJournalTraitement()
{
    Terminer();
}

void TJournalTraitement::Terminer()
{
    if (m_confirmation.isEmpty() || !m_echec.isEmpty() || m_fd.Fd() < 0)
        return;
    if (const int erreur = EcrireTout(m_fd.Fd(), m_confirmation))
        Echouer(erreur);
    m_confirmation.clear();
}

void TJournalTraitement::Perimetre(const QString &dossier)
{
    if (m_chemin.isEmpty() || dossier.isEmpty())
        return;
    const QByteArray octets = NomEnOctets(dossier);
    if (m_dossiers.contains(octets))
        return;
    m_dossiers.append(octets);
    if (m_fd.Fd() >= 0) {
        QByteArray entree("P");
        AjouterChemin(entree, octets);
        entree += '\n';
        Ajouter(entree);
    }
}

void TJournalTraitement::AvantChangement()
{
    if (!m_chemin.isEmpty() && m_fd.Fd() < 0)
        Commencer({});
}

void TJournalTraitement::DossierCree(const QByteArray &dossier)
{
    if (m_chemin.isEmpty())
        return;
    QByteArray entree("D");
    AjouterChemin(entree, dossier);
    entree += '\n';
    Ajouter(entree);
}

void TJournalTraitement::AvantTemporaire(const QByteArray &source, const QByteArray &temporaire)
{
    if (m_chemin.isEmpty())
        return;
    QByteArray entree("t");
    AjouterChemin(entree, source);
    AjouterChemin(entree, temporaire);
    AjouterMarque(entree);
    entree += '\n';
    Ajouter(entree);
}

void TJournalTraitement::AvantDeplacement(const QByteArray &cible, const TEtatFichier &etat,
                                          const std::optional<TEmpreinte> &empreinte)
{
    if (m_chemin.isEmpty())
        return;
    QByteArray entree("m");
    AjouterChemin(entree, cible);
    AjouterEtat(entree, etat);
    AjouterIdentite(entree, etat);
    entree += ' ';
    entree += empreinte ? empreinte->Hex() : QByteArray("-");
    entree += '\n';
    Ajouter(entree);
}

void TJournalTraitement::Copiee(const TResultatCopie &copie)
{
    if (m_chemin.isEmpty())
        return;
    QByteArray entree("C");
    AjouterEtat(entree, copie.Etat);
    AjouterChangement(entree, copie.Etat);
    AjouterEtat(entree, copie.EtatSource);
    entree += '\n';
    Confirmer(entree);
}

void TJournalTraitement::Abandonnee()
{
    if (!m_chemin.isEmpty())
        Ajouter("x\n");
}

void TJournalTraitement::AvantRenommage(const QString &ancien, const QString &nouveau)
{
    if (m_chemin.isEmpty())
        return;
    const QByteArray octetsAncien = NomEnOctets(ancien);
    const TEtatFichier etat = Examiner(octetsAncien);
    QByteArray entree("r");
    AjouterChemin(entree, octetsAncien);
    AjouterChemin(entree, NomEnOctets(nouveau));
    AjouterEtat(entree, etat);
    AjouterIdentite(entree, etat);
    AjouterMarque(entree);
    entree += '\n';
    Ajouter(entree);
}

void TJournalTraitement::AjouterMarque(QByteArray &entree) const
{
    if (m_associes)
        entree += " c";
}

void TJournalTraitement::Renomme(const QString &nouveau)
{
    if (m_chemin.isEmpty())
        return;
    const TEtatFichier etat = Examiner(NomEnOctets(nouveau));
    QByteArray entree("R");
    AjouterEtat(entree, etat);
    AjouterChangement(entree, etat);
    entree += '\n';
    Confirmer(entree);
}

// A confirmation goes with the next entry, in the same write: one write less per image.
// Until then a program killed meanwhile leaves the change noted and not confirmed, which
// the undo resolves by looking at the disk, as for a kill just before the confirmation.
void TJournalTraitement::Confirmer(const QByteArray &entree)
{
    if (detail::g_avantConfirmation)
        detail::g_avantConfirmation();
    m_confirmation += entree;
}

void TJournalTraitement::Ajouter(const QByteArray &entree)
{
    if (!m_echec.isEmpty())
        return; // the journal stopped at its first failure
    if (m_fd.Fd() < 0) {
        Commencer(entree);
        return;
    }
    // One write per entry (with the confirmation before it) and no flush to the disk: a
    // killed program loses nothing that write() accepted.
    int erreur = 0;
    if (m_confirmation.isEmpty()) {
        erreur = EcrireTout(m_fd.Fd(), entree);
    } else {
        m_confirmation += entree;
        erreur = EcrireTout(m_fd.Fd(), m_confirmation);
        m_confirmation.clear();
    }
    if (erreur)
        Echouer(erreur);
}

void TJournalTraitement::Commencer(const QByteArray &premiere)
{
    if (!m_echec.isEmpty())
        return;
    // Written aside, then moved over the previous journal in one step (over a link put in
    // its place too, never through it): at every moment the journal is either the last
    // run's or this one's.
    QByteArray tete(kEntete);
    for (const QByteArray &dossier : std::as_const(m_dossiers)) {
        tete += 'P';
        AjouterChemin(tete, dossier);
        tete += '\n';
    }
    TFichierTemporaire temporaire(DossierParent(m_chemin), QByteArray(".") + kNomJournalAnnulation + '-');
    int erreur = temporaire.Erreur();
    if (erreur == 0)
        erreur = temporaire.Ecrire(tete + premiere);
    if (erreur == 0)
        erreur = temporaire.RemplacerVers(m_chemin);
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
        SupprimerFichier(m_chemin);
}

// ---- Reading back ------------------------------------------------------------------------

TJournalLu LireJournal(const QString &dossier)
{
    TDescripteur fd;
    return Ouvrir(CheminJournal(dossier), O_RDONLY, fd);
}

TJournalAnnulation::TJournalAnnulation(const QString &dossier) : m_chemin(CheminJournal(dossier))
{
    m_lu = Ouvrir(m_chemin, O_RDWR | O_APPEND, m_fd);
    // A journal one may read but not write (a read-only folder): the undo goes on, its
    // marks are lost.
    if (m_lu.Etat == TJournalLu::TEtat::Illisible && (m_lu.Erreur == EACCES || m_lu.Erreur == EROFS))
        m_lu = Ouvrir(m_chemin, O_RDONLY, m_fd);
}

void TJournalAnnulation::Couper()
{
    struct stat etat {};
    if (m_fd.Fd() >= 0 && ::fstat(m_fd.Fd(), &etat) == 0 && etat.st_size > m_lu.Longueur)
        static_cast<void>(::ftruncate(m_fd.Fd(), off_t(m_lu.Longueur)));
}

void TJournalAnnulation::Marquer(char marque, int index)
{
    if (m_fd.Fd() < 0)
        return;
    const QByteArray entree = m_lu.Version == 1 ? (marque == 'A' ? "A " + QByteArray::number(index) + '\n' : QByteArray())
                                                : marque + (' ' + QByteArray::number(index)) + '\n';
    if (!entree.isEmpty())
        static_cast<void>(EcrireTout(m_fd.Fd(), entree));
}

void TJournalAnnulation::Commencer(int index)
{
    Marquer('a', index);
}

void TJournalAnnulation::Terminer(int index)
{
    Marquer('A', index);
}

bool TJournalAnnulation::Supprimer()
{
    // Only the file read: a journal replaced meanwhile stays.
    struct stat tenu {}, present {};
    if (m_fd.Fd() >= 0 && ::fstat(m_fd.Fd(), &tenu) == 0
        && EtatChemin(m_chemin, present, TLiens::NePasSuivre) == 0
        && (tenu.st_ino != present.st_ino || tenu.st_dev != present.st_dev))
        return false;
    m_fd.Fermer();
    const int erreur = SupprimerFichier(m_chemin);
    return erreur == 0 || erreur == ENOENT;
}

QString MessageJournal(const QString &dossier, const TJournalLu &lu)
{
    const QString chemin = NomLisible(dossier + QString::fromLatin1(kNomJournalAnnulation));
    switch (lu.Etat) {
    case TJournalLu::TEtat::Illisible:
        return u"Impossible de lire le journal d'annulation %1 : %2"_s.arg(chemin, MessageSysteme(lu.Erreur));
    case TJournalLu::TEtat::Endommage:
        return u"Le journal d'annulation %1 est endommagé : rien n'a été annulé."_s.arg(chemin);
    default:
        return {};
    }
}
