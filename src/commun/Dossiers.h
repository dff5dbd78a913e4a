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

// True when a new file can be created in the folder (tried for real, not guessed from
// the permission bits, which do not stop root).
bool DossierInscriptible(const QString &dossier);
