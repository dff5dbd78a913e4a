// The folders the program keeps its own files in.
#pragma once

#include <QString>

// `chemin` ending with "/": the path itself when it already does, else with a "/" added.
// An empty path stays empty (no folder is not the root).
QString AvecBarreFinale(const QString &chemin);

// The folder of the running program file, ending with "/".
QString DossierProgramme();

// Where the settings file, the error log and the undo journal live:
// DossierFichiersPour(DossierProgramme()).
QString DossierFichiersProgramme();

// The folder of the program's own files for a program in `dossierProgramme` (ending with
// "/"): that folder when the program is not installed and may write there (a copy
// unpacked in a folder of its own, build/bin), else the user's configuration folder
// (~/.config/clarvane), created when missing. Ends with "/".
QString DossierFichiersPour(const QString &dossierProgramme);

// True when the program in `dossierProgramme` (ending with "/") is an installed copy,
// which never writes beside itself, even where it could (root may write in /usr/bin):
// a folder under /usr/, /bin/, /sbin/ or /opt/, or a bin/ folder whose prefix holds the
// program's menu entry (share/applications/io.github.clarvane.Clarvane.desktop), as
// `cmake --install --prefix ~/.local` lays it out.
bool ProgrammeInstalle(const QString &dossierProgramme);

// The folder the source and the destination start on when none is stored, or when the
// stored one is gone, for a program in `dossierProgramme` (ending with "/"): that folder
// for a copy kept in a folder of its own (build/bin, an unpacked archive); for an
// installed program, whose folder is a system folder where a rename run would rename the
// system's files, the user's pictures folder (XDG_PICTURES_DIR), else the home folder.
// Ends with "/".
QString DossierParDefautPour(const QString &dossierProgramme);

// DossierParDefautPour(DossierProgramme()).
QString DossierParDefaut();

// The user's home folder: $HOME, "/" without it; no final "/" (but for "/").
QString DossierMaison();

// The user's folders that the desktop names in user-dirs.dirs.
enum class TDossierUtilisateur { Bureau, Documents, Images };

// The folder, without final "/", as the desktop names it: the value of its line
// (XDG_DESKTOP_DIR, XDG_DOCUMENTS_DIR, XDG_PICTURES_DIR) in user-dirs.dirs of the user's
// configuration folder ($XDG_CONFIG_HOME when absolute, else ~/.config), "$HOME" at its
// start standing for the home folder, the last such line holding; without one, the XDG
// default (~/Desktop, ~/Documents, ~/Pictures). The file is read only when it is a
// regular file, without waiting and 64 KB at most: a fifo, a link to a device, a folder
// in its place are neither waited on nor read, and the defaults apply, as they do under
// Qt's test mode. The folder itself may be missing.
QString DossierUtilisateur(TDossierUtilisateur dossier);

// The folder of the user's sockets: XDG_RUNTIME_DIR, or Qt's stand-in for it (made, and
// made the user's alone, when missing); empty when there is none.
QString DossierExecution();

// True when a new file can be created in the folder (tried for real, not guessed from
// the permission bits, which do not stop root).
bool DossierInscriptible(const QString &dossier);
