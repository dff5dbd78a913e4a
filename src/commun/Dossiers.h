// The folders the program keeps its own files in.
#pragma once

#include <QString>

// `chemin` ending with "/": the path itself when it already does, else with a "/" added.
// An empty path stays empty (no folder is not the root).
QString AvecBarreFinale(const QString &chemin);

// The folder of the running program file, ending with "/".
QString DossierProgramme();

// Where the settings file and the error log live: the program's folder when the program
// may write there, else the user's configuration folder (an installed program), created
// when missing. Ends with "/".
QString DossierFichiersProgramme();

// True when a new file can be created in the folder (tried for real, not guessed from
// the permission bits, which do not stop root).
bool DossierInscriptible(const QString &dossier);
