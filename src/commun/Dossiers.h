// The folders the program keeps its own files in.
#pragma once

#include <QString>

// The folder of the running program file, ending with "/".
QString DossierProgramme();

// Where the settings file and the error log live: the program's folder when the program
// may write there, else the user's configuration folder (an installed program), created
// when missing. Ends with "/".
QString DossierFichiersProgramme();

// True when a new file can be created in the folder (tried for real, not guessed from
// the permission bits, which do not stop root).
bool DossierInscriptible(const QString &dossier);
