// Reading the six EXIF values of one JPEG or raw image file.
#pragma once

#include <QString>
#include <QtGlobal>

#include "metadata/TEnrEXIF.h"

class IFluxOctets;

// Positions given to LireEXIF for the containers that are not a TIFF header at a fixed place.
constexpr qint64 kPositionJPEG = -1; // the first APP1 segment of a JPEG stream
// A .RAF file: the JPEG whose offset is the big-endian 32-bit number at byte 84, read as a
// JPEG file; when that holds no Exif TIFF header, the TIFF header at byte 120.
constexpr qint64 kPositionRAF = -2;

// True when the name's upper-cased extension is ".JPG" or ".JPEG".
bool EstJPEG(const QString &nom);

// Where LireEXIFFichier looks for the file's TIFF header, by the name's upper-cased
// extension: kPositionJPEG, 0 (.CR2 .NEF .ORF .PEF .TIF), kPositionRAF, 48 (.MRW), and
// kPositionAucune for any other kind, which is not read.
constexpr qint64 kPositionAucune = -3;
qint64 PositionEXIF(const QString &nom);

// Empties the six texts of enr, reads the file and sets enr.Valide last: true when the
// file could be read as EXIF data and at least one text is not empty. Never fails
// towards its caller: an unreadable or malformed file only gives Valide false (with the
// texts read before the fault kept). A name whose extension is not an accepted image
// kind is not opened.
bool LireEXIFFichier(const QString &chemin, TEnrEXIF &enr);

// What reading one file gave.
enum class TIssueLecture {
    Valeurs,    // read as EXIF data, and at least one of the six texts found (enr.Valide)
    SansValeur, // opened and read, but none of the six texts was found
    Illisible,  // could not be opened, is not a regular file, or a read failed with an error
};

// LireEXIFFichier, telling apart a file without values from a file that could not be read;
// `erreur`, when given, receives the errno of an Illisible file.
TIssueLecture LireEXIFFichierIssue(const QString &chemin, TEnrEXIF &enr, int *erreur = nullptr);

// Reads the EXIF data of the file, whose TIFF header lies at `position` (kPositionJPEG: a
// JPEG file, whose TIFF header is found through its first APP1 segment; kPositionRAF: see
// above). Returns the success flag of the reading; the texts read are stored in enr as
// they are met. A file that cannot be opened, or is not a regular file, gives false.
bool LireEXIF(const QString &chemin, qint64 position, TEnrEXIF &enr);

// The same reading over any byte source (the fuzzer and tests feed memory).
bool LireEXIF(IFluxOctets &flux, qint64 position, TEnrEXIF &enr);

// The JPEG walk from the stream's start `debut` (its first two bytes, the SOI marker, are
// not examined): true when it stops on an APP1 marker, with `position` set just after the
// marker's two bytes. False when a byte other than 0xFF stands where a marker should, or
// a read fails.
bool ChercherAPP1(IFluxOctets &flux, qint64 debut, qint64 &position);
