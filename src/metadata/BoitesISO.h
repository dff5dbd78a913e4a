// Finding the EXIF data of an ISO base media file: a Canon CR3, or a HEIF/HEIC/AVIF image;
// and the walk over boxes that the movie boxes of a video share (BoitesFilm.h).
#pragma once

#include <QtGlobal>

#include "metadata/FluxOctets.h"

class TParcoursMoov;

// Walking boxes ------------------------------------------------------------------------

// A box type as the big-endian number of its four characters.
constexpr quint32 TypeBoite(const char (&t)[5])
{
    return quint32(quint8(t[0])) << 24 | quint32(quint8(t[1])) << 16 | quint32(quint8(t[2])) << 8
        | quint8(t[3]);
}

inline quint32 Lire32GB(const unsigned char *p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

// Boxes examined in one container, items examined in one table: real files hold a few
// dozen of each; these bound the work on a forged file.
constexpr int kBoitesMax = 1024;
constexpr quint32 kItemsMax = 4096;

// A box: its type, where its content begins (after the header, the 64-bit size and the
// uuid's 16 bytes), where it ends, and whether it ends where its size says (false: cut at
// its container's end).
struct TBoite {
    quint32 type = 0;
    qint64 contenu = 0;
    qint64 fin = 0;
    bool entiere = true;
    unsigned char uuid[16] = {};
};

// The boxes of a container [debut, fin), one after the other. Accepts 64-bit sizes, size
// 0 (to the end of the container) and "uuid" boxes; a box that runs past its container is
// cut at the container's end.
class TParcours {
public:
    TParcours(IFluxOctets &flux, qint64 debut, qint64 fin) : m_flux(&flux), m_position(debut), m_fin(fin) {}

    // The next box; false at the end of the container, on a box whose header does not
    // fit or makes no sense, or after kBoitesMax boxes.
    bool Suivante(TBoite &b);

private:
    IFluxOctets *m_flux;
    qint64 m_position;
    qint64 m_fin;
    int m_vues = 0;
};

// Reads big-endian numbers and records one after the other inside [.., fin).
class TLecteur {
public:
    TLecteur(IFluxOctets &flux, qint64 position, qint64 fin) : m_flux(flux), m_position(position), m_fin(fin) {}

    // A number of 0, 1, 2, 4 or 8 bytes; false when it does not lie before the end.
    bool Nombre(int octets, quint64 &valeur);
    // `octets` bytes at once (a whole record), into dest.
    bool Octets(int octets, unsigned char *dest);
    bool Sauter(quint64 octets);
    qint64 Position() const { return m_position; }
    qint64 Reste() const { return m_fin - m_position; }

private:
    IFluxOctets &m_flux;
    qint64 m_position;
    qint64 m_fin;
};

inline bool TLecteur::Nombre(int octets, quint64 &valeur)
{
    // Reads of a constant size: copied by a move, decoded without a loop.
    unsigned char b[8];
    if (m_fin - m_position < octets)
        return false;
    switch (octets) {
    case 0:
        valeur = 0;
        return true;
    case 1:
        if (!m_flux.Lire(m_position, 1, b))
            return false;
        valeur = b[0];
        break;
    case 2:
        if (!m_flux.Lire(m_position, 2, b))
            return false;
        valeur = quint64(b[0]) << 8 | b[1];
        break;
    case 4:
        if (!m_flux.Lire(m_position, 4, b))
            return false;
        valeur = Lire32GB(b);
        break;
    case 8:
        if (!m_flux.Lire(m_position, 8, b))
            return false;
        valeur = quint64(Lire32GB(b)) << 32 | Lire32GB(b + 4);
        break;
    default:
        return false;
    }
    m_position += octets;
    return true;
}

inline bool TLecteur::Octets(int octets, unsigned char *dest)
{
    if (m_fin - m_position < octets || !m_flux.Lire(m_position, octets, dest))
        return false;
    m_position += octets;
    return true;
}

inline bool TLecteur::Sauter(quint64 octets)
{
    if (octets > quint64(m_fin - m_position))
        return false;
    m_position += qint64(octets);
    return true;
}

// Where the boxes of a "meta" box begin: after its version and flags (ISO files), or at
// once when its first box is "hdlr" (QuickTime files). -1 when it cannot be read.
qint64 DebutBoitesMeta(IFluxOctets &flux, const TBoite &meta);

// The TIFF structures of CR3 and HEIF files ---------------------------------------------

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
    // CR3 and Canon videos: the CMT1 box (its IFD0 gives the model), then the CMT2 box
    // (the Exif IFD, as a TIFF structure of its own), whatever their order in the file;
    // either may be missing. HEIF: the data of the item of type "Exif".
    TDonneesTIFF structures[2];
    int nombre = 0;
};

// Walks the file's boxes: a "meta" box at the top level (HEIF: its "Exif" item, found
// through "iinf" and "iloc"), or the Canon "uuid" box of the first "moov" box (CR3, Canon
// videos). Reads only the headers of the boxes on the way and the tables it needs. Box
// counts, nesting and item counts are bounded, and nothing is allocated. False when no
// TIFF structure was found.
// With `film`, the walk of "moov" is film's (started by this call, paused just after
// Canon's box): the movie's own values met on the way are kept there, and the caller may
// walk the rest of moov when Canon's values are not enough.
bool ChercherTIFFMediaISO(IFluxOctets &flux, TTIFFMediaISO &trouve, TParcoursMoov *film = nullptr);
