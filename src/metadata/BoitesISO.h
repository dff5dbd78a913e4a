// Finding the EXIF data of an ISO base media file: a Canon CR3, or a HEIF/HEIC/AVIF image.
#pragma once

#include <QtGlobal>

#include "metadata/FluxOctets.h"

// One TIFF structure found in the file: the runs of bytes that hold it, read as one
// source, and the position of its TIFF header in that source. Every offset of the
// structure counts from that header and must stay inside the runs.
struct TDonneesTIFF {
    static constexpr int kEtenduesMax = 16;
    TEtendue etendues[kEtenduesMax];
    int nombreEtendues = 0;
    qint64 debutTIFF = 0;
};

// What ChercherTIFFMediaISO found, in the order the structures must be read.
struct TTIFFMediaISO {
    // CR3: the CMT1 box (its IFD0 gives the model), then the CMT2 box (the Exif IFD, as
    // a TIFF structure of its own), whatever their order in the file; either may be
    // missing. HEIF: the data of the item of type "Exif".
    TDonneesTIFF structures[2];
    int nombre = 0;
};

// Walks the file's boxes: the first "meta" box at the top level (HEIF: its "Exif" item,
// found through "iinf" and "iloc"), or the Canon "uuid" box of a "moov" box (CR3). Reads
// only the headers of the boxes on the way and the tables it needs; accepts 64-bit sizes,
// size 0 (to the end of the container) and "uuid" boxes; a box that runs past its
// container is cut at the container's end. Box counts, nesting and item counts are
// bounded, and nothing is allocated. False when no TIFF structure was found.
bool ChercherTIFFMediaISO(IFluxOctets &flux, TTIFFMediaISO &trouve);
