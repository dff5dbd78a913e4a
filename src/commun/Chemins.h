// Every system call that names a file by its path goes through here: paths are the file
// system's bytes (NomEnOctets), of any length (past PATH_MAX through CheminsLongs), and
// each call says why it failed by its errno. Elsewhere a file is reached by a descriptor
// (read, write, fstat) or by one of these functions, never by a raw path call.
#pragma once

#include <functional>

#include <sys/stat.h>
#include <sys/types.h>

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

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

// ---- System calls by path: 0 or the errno -----------------------------------------------

enum class TLiens { Suivre, NePasSuivre };

// stat(2) or lstat(2).
int EtatChemin(const QByteArray &chemin, struct stat &etat, TLiens liens = TLiens::Suivre);
// True for a folder, or a link to one.
bool EstDossier(const QByteArray &chemin);
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

// ---- The same relative to an open folder (one name, as a listing gives it) --------------

int EtatDans(int dossier, const char *nom, struct stat &etat, TLiens liens = TLiens::Suivre);
// A descriptor, or -1 with errno set.
int OuvrirDans(int dossier, const char *nom, int drapeaux, mode_t mode = 0);
int SupprimerDans(int dossier, const char *nom);
int DeplacerSansRemplacerDans(int dossierDe, const char *de, int dossierVers, const char *vers);
