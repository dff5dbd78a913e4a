// Where the settings file lives, and the options of its GENERAL section.
#pragma once

#include <QString>

#include "engine/TEnrOptions.h"

class TBigIniFile;

// "Clarvane.ini" in the program's folder, or in the user's configuration folder where
// the program's folder is not writable.
QString CheminFichierReglages();

// The section that holds the options.
QString SectionGenerale();

// The options stored in GENERAL; missing or unusable values give their defaults, values
// outside their lists are replaced by defaults. A folder key that is missing gives
// DossierParDefaut(); one that exists gives its text as stored, even empty. lFormatsEtendus
// and lVerifierCopies are read (true unless the key holds 0) but never written by
// SauverOptions.
TEnrOptions ChargerOptions(const TBigIniFile &fichier);

// Writes the ten keys of GENERAL in their fixed order (cDossSrc, lLectRecurs, cDossDst,
// lCopier, cOrdreDonEXIF, nCFDatePDVC, nCFDatePDVF, nDatePDVSep, lDatePDVHierCompoSiCopie,
// nSep). Does not save: call UpdateFile() afterwards unless AutoSave() is set.
void SauverOptions(TBigIniFile &fichier, const TEnrOptions &options);
