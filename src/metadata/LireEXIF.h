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

// An ISO base media file: the CMT boxes of a CR3 or of a Canon video, the Exif item of a
// HEIF image; then, for what they did not give, the values of the movie box (BoitesFilm.h).
constexpr qint64 kPositionISO = -4;
// A video: read as kPositionISO, but only when its first bytes are an ISO base media or
// QuickTime box (PositionSelonContenu).
constexpr qint64 kPositionFilm = -5;

// True when the name's upper-cased extension is ".JPG" or ".JPEG".
bool EstJPEG(const QString &nom);

// Where LireEXIFFichier looks for the file's TIFF header, by the name's extension through
// the table of FormatsImages.h: kPositionJPEG, 0 (the TIFF-based raws), kPositionRAF, 48
// (.MRW), kPositionISO (.CR3 .HEIC .HEIF .HIF .AVIF), kPositionFilm (.MP4 .MOV .M4V .3GP),
// and kPositionAucune for any other kind, which is not read. With formatsEtendus false, only the historical extensions.
constexpr qint64 kPositionAucune = -3;
qint64 PositionEXIF(const QString &nom, bool formatsEtendus = true);

// The position to read a file at, given the one its extension gives: with the extended
// formats, the file's first bytes decide when they are a JPEG, TIFF, ISO base media, RAF
// or MRW signature (a JPEG named .NEF is read as a JPEG); other first bytes leave the
// extension's position, but for a video (kPositionFilm), which is then not read
// (kPositionAucune). Reads at most the first 16 bytes.
qint64 PositionSelonContenu(IFluxOctets &flux, qint64 positionExtension);

// Empties the six texts of enr, reads the file and sets enr.Valide last: true when the
// file could be read as EXIF data and at least one text is not empty. Never fails
// towards its caller: an unreadable or malformed file only gives Valide false (with the
// texts read before the fault kept). A name whose extension is not an accepted image
// kind is not opened. A video's camera and date, when its own boxes do not give them, may
// come from a Sony clip's XML file beside it (XMLSony.h) before the movie header's time. With formatsEtendus false, only the historical kinds are read, by
// their extension alone, exactly as before the newer formats.
bool LireEXIFFichier(const QString &chemin, TEnrEXIF &enr, bool formatsEtendus = true);

// What reading one file gave.
enum class TIssueLecture {
    Valeurs,    // read as EXIF data, and at least one of the six texts found (enr.Valide)
    SansValeur, // opened and read, but none of the six texts was found
    Illisible,  // could not be opened, is not a regular file, or a read failed with an error
};

// LireEXIFFichier, telling apart a file without values from a file that could not be read;
// `erreur`, when given, receives the errno of an Illisible file.
TIssueLecture LireEXIFFichierIssue(const QString &chemin, TEnrEXIF &enr, int *erreur = nullptr,
                                   bool formatsEtendus = true);

// Reads the EXIF data of the file, whose TIFF header lies at `position` (kPositionJPEG: a
// JPEG file, whose TIFF header is found through its first APP1 segment; kPositionRAF: see
// above; kPositionISO, kPositionFilm: the TIFF structures and movie values that the file's
// boxes hold). Returns the
// success flag of the reading; the texts read are stored in enr as they are met. A file
// that cannot be opened, or is not a regular file, gives false. With formatsEtendus
// false, kPositionISO is not read and a Panasonic raw's own ISO tag is not used.
bool LireEXIF(const QString &chemin, qint64 position, TEnrEXIF &enr, bool formatsEtendus = true);

// The same reading over any byte source (the fuzzer and tests feed memory).
bool LireEXIF(IFluxOctets &flux, qint64 position, TEnrEXIF &enr, bool formatsEtendus = true);

// The JPEG walk from the stream's start `debut` (its first two bytes, the SOI marker, are
// not examined): true when it stops on an APP1 marker, with `position` set just after the
// marker's two bytes. False when a byte other than 0xFF stands where a marker should, or
// a read fails.
bool ChercherAPP1(IFluxOctets &flux, qint64 debut, qint64 &position);
