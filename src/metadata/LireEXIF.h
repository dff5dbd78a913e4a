// Reading the six EXIF values of one JPEG or raw image file.
#pragma once

#include <QString>
#include <QtGlobal>

#include "metadata/TEnrEXIF.h"

// True when the name's upper-cased extension is ".JPG" or ".JPEG".
bool EstJPEG(const QString &nom);

// Empties the six texts of enr, reads the file and sets enr.Valide last: true when the
// file could be read as EXIF data and at least one text is not empty. Never fails
// towards its caller: an unreadable or malformed file only gives Valide false (with the
// texts read before the fault kept). A name whose extension is not an accepted image
// kind is not opened.
bool LireEXIFFichier(const QString &chemin, TEnrEXIF &enr);

// Reads the EXIF data of the file, whose TIFF header lies at `position` (-1: a JPEG
// file, whose TIFF header is found through its first APP1 segment). Returns the success
// flag of the reading; the texts read are stored in enr as they are met.
bool LireEXIF(const QString &chemin, qint64 position, TEnrEXIF &enr);
