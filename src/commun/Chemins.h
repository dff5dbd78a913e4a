// Every system call that names a file by its path goes through here: paths are the file
// system's bytes (NomEnOctets), of any length (past PATH_MAX through CheminsLongs), and
// each call says why it failed by its errno. Elsewhere a file is reached by a descriptor
// (read, write, fstat) or by one of these functions, never by a raw path call.
#pragma once

#include <functional>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QString>

#include "commun/CheminsLongs.h" // OuvrirChemin: open(2) for a path of any length

// ---- Paths as text (no system call) -----------------------------------------------------

// `dossier` and `nom` joined by one "/" (none added when `dossier` ends with one or is empty).
QByteArray JoindreChemin(QByteArrayView dossier, QByteArrayView nom);

// The folder that holds `chemin`, ending with "/": "/photos/" for "/photos/a.jpg" and for
// "/photos/2006/"; "/" for "/a"; "./" for a bare name.
QByteArray DossierParent(QByteArrayView chemin);

// True when `chemin` lies below `dossier` (not the folder itself), compared by whole
// names, both absolute, and `chemin` without "." or ".." names nor empty ones that could
// lead elsewhere than its text says.
bool EstSousDossier(QByteArrayView chemin, QByteArrayView dossier);

// The last name of `chemin`, final "/" left aside: "a.jpg" for "/photos/a.jpg", "2006" for
// "/photos/2006/", the path itself when it holds no "/" ("/" for "/").
QByteArray NomFinal(QByteArrayView chemin);

// `chemin` by its text alone (no link followed, nothing asked of the disk): doubled "/",
// "." names and the final "/" gone, each ".." taking away the name before it ("/.." is
// "/"; a relative path keeps the ".." it cannot take away). "." for an empty result.
QByteArray CheminNettoye(QByteArrayView chemin);

// ---- System calls by path: 0 or the errno -----------------------------------------------

enum class TLiens { Suivre, NePasSuivre };

// stat(2) or lstat(2).
int EtatChemin(const QByteArray &chemin, struct stat &etat, TLiens liens = TLiens::Suivre);
// True for a folder, or a link to one.
bool EstDossier(const QByteArray &chemin);
// True for a regular file, or a link to one.
bool EstFichier(const QByteArray &chemin);
// True for a regular file (or a link to one) that this process may run.
bool EstExecutable(const QByteArray &chemin);
// mkdir(2).
int CreerDossier(const QByteArray &chemin, mode_t mode = 0777);
// Makes the folder and every missing folder above it, from the top down. `avant` is told
// of each folder just before it is made, `cree` once it is (both ending with "/"); a folder
// already there is neither. True when the folder exists afterwards; otherwise `erreur`,
// when given, gets the errno of the folder that could not be made (ENOTDIR when something
// else than a folder holds its name).
bool CreerDossiers(QByteArray chemin,
                   const std::function<void(const QByteArray &)> &avant = {},
                   const std::function<void(const QByteArray &)> &cree = {}, int *erreur = nullptr);
// unlink(2) and rmdir(2).
int SupprimerFichier(const QByteArray &chemin);
int SupprimerDossier(const QByteArray &chemin);
// rename(2): `vers`, whatever file stands there, is replaced.
int RenommerEnRemplacant(const QByteArray &de, const QByteArray &vers);
// Moves `de` to `vers` without ever replacing `vers`: EEXIST when anything has that name.
// renameat2(RENAME_NOREPLACE); where the file system refuses the flag, link + unlink;
// without links either, an exclusive placeholder renamed over. `de` stays on failure.
int DeplacerSansRemplacer(const QByteArray &de, const QByteArray &vers);
// The names of a folder, "." and ".." left out, in the order the system gives them.
int ListerDossier(const QByteArray &dossier, QByteArrayList &noms);
// Flushes the folder's entries to the disk (a new name in it survives a power cut).
int SynchroniserDossier(const QByteArray &dossier);
// Through links on the last name (up to 40), the path of what they lead to, even when
// nothing stands there yet; the path itself when it is no link or cannot be read.
QByteArray CheminReel(const QByteArray &chemin);
// The absolute path of what `chemin` (absolute) leads to, as realpath(3) gives it but of
// any length: every link on the way followed (40 at most), no ".", ".." or doubled "/"
// left. Empty when a part of it is missing or cannot be reached, or `chemin` is relative.
QByteArray CheminCanonique(const QByteArray &chemin);

// ---- Opening and reading files that may be anything --------------------------------------

// Opens `chemin` (a link followed) for reading when it is a regular file, without waiting
// and without taking it as a terminal: O_NONBLOCK, so that a fifo does not wait for a
// writer, then refused as anything else is, by the fstat of what was opened (`etat`). A
// descriptor, or -1 with errno set: EISDIR for a folder, ENODEV for anything else that is
// no regular file. The file is not looked at before it is opened (the caller has just seen
// it regular in a listing): one call fewer per file, for the scan.
int OuvrirLecture(const QByteArray &chemin, struct stat &etat);

// What LireFichier reads, and how far.
enum class TGenreLecture {
    // A regular file, never read past the size fstat gave once it was open: one that grows
    // meanwhile is read as it was.
    Ordinaire,
    // A regular file of /proc or /sys, whose size fstat gives as 0 or 4096 whatever it
    // holds: read up to its end.
    Systeme,
    // A block device, or a regular file standing for one (a disk image): its first bytes.
    Volume,
};

// Reads the file at `chemin` (a link followed) into `octets` (replaced): 0, or the errno.
// It is looked at first and opened only when it is of the kind asked, so that nothing else
// is ever opened (a device that acts when opened, a fifo that would wait), then opened
// without waiting (O_NONBLOCK: a fifo put in its place meanwhile is refused, not waited
// on) and read never past `maximum` bytes, whatever the file says or becomes. EISDIR for a
// folder, ENODEV for anything else of the wrong kind. `taille`, when given, gets the size
// fstat gave (an Ordinaire file longer than `maximum` is read in part: `*taille` says so).
int LireFichier(const QByteArray &chemin, qint64 maximum, QByteArray &octets,
                TGenreLecture genre = TGenreLecture::Ordinaire, qint64 *taille = nullptr);

// Why a file of mode `mode` (st_mode) is not read, for the user: "n'est pas un fichier
// ordinaire (tube nommé)" (dossier, périphérique caractère, périphérique bloc, socket,
// type inconnu); empty for a regular file.
QString TexteNonOrdinaire(mode_t mode);

// ---- Listing a folder --------------------------------------------------------------------

// A folder open for listing, of a path of any length, or by its name in a folder already
// open; its entries read one at a time in the order the system gives them, "." and ".."
// left out. One descriptor while it lives.
class TListeDossier final {
public:
    explicit TListeDossier(const QByteArray &chemin);
    // `nom`, one name of the open folder `dossier`, as a listing gives it.
    TListeDossier(const TListeDossier &dossier, const char *nom);
    ~TListeDossier();
    TListeDossier(const TListeDossier &) = delete;
    TListeDossier &operator=(const TListeDossier &) = delete;

    // 0 while all is well; the errno of the opening or of the read that failed.
    int Erreur() const { return m_erreur; }
    bool Ouvert() const { return m_flux != nullptr; }
    // The folder's descriptor, for EtatDans and OuvrirDans; -1 when it is not open.
    int Fd() const;
    // The next entry, valid until the next call; null at the end or when reading fails
    // (Erreur() tells them apart).
    const dirent *Suivante();
    // True when the entry is a folder or a link to one: asked of the system only where the
    // listing does not tell (a link, a file system that gives no types).
    bool EstDossier(const dirent &entree) const;

private:
    void Prendre(int fd);
    DIR *m_flux = nullptr;
    int m_erreur = 0;
};

// ---- The same relative to an open folder (one name, as a listing gives it) --------------

int EtatDans(int dossier, const char *nom, struct stat &etat, TLiens liens = TLiens::Suivre);
// A descriptor, or -1 with errno set.
int OuvrirDans(int dossier, const char *nom, int drapeaux, mode_t mode = 0);
int SupprimerDans(int dossier, const char *nom);
int DeplacerSansRemplacerDans(int dossierDe, const char *de, int dossierVers, const char *vers);
