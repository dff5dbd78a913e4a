#include "metadata/FormatsImages.h"

#include <cstring>

#include <QString>

#include "commun/NomsFichiers.h"

namespace {

using enum TDisposition;

constexpr TFormatImage kFormats[] = {
    // The historical list.
    {".JPG", JPEG, true},
    {".JPEG", JPEG, true},
    {".CR2", TIFF, true},
    {".NEF", TIFF, true},
    {".ORF", TIFF, true},
    {".PEF", TIFF, true},
    {".TIF", TIFF, true},
    {".RAF", RAF, true},
    {".MRW", MRW, true},
    // A TIFF structure at byte 0.
    {".TIFF", TIFF, false},
    {".ARW", TIFF, false}, // Sony
    {".SR2", TIFF, false},
    {".SRF", TIFF, false},
    {".NRW", TIFF, false}, // Nikon
    {".DNG", TIFF, false},
    {".RW2", TIFF, false}, // Panasonic, Leica (magic number 0x55)
    {".RWL", TIFF, false},
    {".SRW", TIFF, false}, // Samsung
    {".ERF", TIFF, false}, // Epson
    {".3FR", TIFF, false}, // Hasselblad
    {".FFF", TIFF, false},
    {".DCR", TIFF, false}, // Kodak
    {".KDC", TIFF, false},
    {".MEF", TIFF, false}, // Mamiya
    {".MOS", TIFF, false}, // Leaf
    {".IIQ", TIFF, false}, // Phase One
    // ISO base media.
    {".CR3", MediaISO, false}, // Canon
    {".HEIC", MediaISO, false},
    {".HEIF", MediaISO, false},
    {".HIF", MediaISO, false}, // Canon, Sony
    {".AVIF", MediaISO, false},
    // Videos.
    {".MP4", Film, false},
    {".MOV", Film, false},
    {".M4V", Film, false},
    {".3GP", Film, false},
};

constexpr qsizetype kLongueurMax = 5; // ".JPEG", ".TIFF", ".HEIC"...

// The entry of an upper-cased ASCII extension (with its "."), or nullptr.
const TFormatImage *Chercher(const char *extension, qsizetype longueur, bool formatsEtendus)
{
    for (const TFormatImage &f : kFormats) {
        if (!formatsEtendus && !f.historique)
            break; // the historical ones come first
        if (qsizetype(std::strlen(f.extension)) == longueur
            && std::memcmp(f.extension, extension, size_t(longueur)) == 0)
            return &f;
    }
    return nullptr;
}

// An extension holding other characters than ASCII: upper-cased by Unicode rules, which
// may turn it into one of the table's (".tıf" gives ".TIF").
const TFormatImage *ChercherUnicode(QStringView extension, bool formatsEtendus)
{
    if (extension.size() > 4 * kLongueurMax)
        return nullptr;
    const QString majuscules = extension.toString().toUpper();
    if (majuscules.size() > kLongueurMax)
        return nullptr;
    char ascii[kLongueurMax];
    for (qsizetype i = 0; i < majuscules.size(); ++i) {
        const char16_t c = majuscules.at(i).unicode();
        if (c >= 0x80)
            return nullptr;
        ascii[i] = char(c);
    }
    return Chercher(ascii, majuscules.size(), formatsEtendus);
}

char MajusculeASCII(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool Commence(const unsigned char *octets, qsizetype taille, const char *signature, qsizetype n)
{
    return taille >= n && std::memcmp(octets, signature, size_t(n)) == 0;
}

} // namespace

std::span<const TFormatImage> FormatsImages()
{
    return kFormats;
}

const TFormatImage *FormatImage(QStringView nom, bool formatsEtendus)
{
    // The extension: from the name's last "." (after its last "/") to its end.
    qsizetype point = nom.size();
    while (--point >= 0 && nom.at(point) != u'.' && nom.at(point) != u'/') {
    }
    if (point < 0 || nom.at(point) != u'.')
        return nullptr;
    const QStringView extension = nom.sliced(point);
    char ascii[kLongueurMax];
    for (qsizetype i = 0; i < extension.size(); ++i) {
        const char16_t c = extension.at(i).unicode();
        if (c >= 0x80)
            return ChercherUnicode(extension, formatsEtendus);
        if (i >= kLongueurMax)
            return nullptr; // ASCII keeps its length when upper-cased: too long
        ascii[i] = MajusculeASCII(char(c));
    }
    return Chercher(ascii, extension.size(), formatsEtendus);
}

const TFormatImage *FormatImageOctets(const char *nom, bool formatsEtendus)
{
    const char *point = std::strrchr(nom, '.');
    if (!point)
        return nullptr;
    char ascii[kLongueurMax];
    qsizetype longueur = 0;
    for (const char *p = point; *p; ++p, ++longueur) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return FormatImage(NomDepuisOctets(point), formatsEtendus);
        if (longueur >= kLongueurMax)
            return nullptr;
        ascii[longueur] = MajusculeASCII(*p);
    }
    return Chercher(ascii, longueur, formatsEtendus);
}

std::optional<TDisposition> DispositionSelonContenu(const unsigned char *o, qsizetype taille)
{
    // JPEG: the SOI marker, then a marker.
    if (taille >= 3 && o[0] == 0xFF && o[1] == 0xD8 && o[2] == 0xFF)
        return JPEG;
    // TIFF: the byte-order mark and a magic number: 42, 0x55 (Panasonic, Leica), "RO" or
    // "RS" (Olympus).
    if (taille >= 4 && o[0] == 'I' && o[1] == 'I'
        && ((o[3] == 0 && (o[2] == 42 || o[2] == 0x55)) || (o[2] == 'R' && (o[3] == 'O' || o[3] == 'S'))))
        return TIFF;
    if (taille >= 4 && o[0] == 'M' && o[1] == 'M'
        && ((o[2] == 0 && (o[3] == 42 || o[3] == 0x55)) || (o[2] == 'O' && o[3] == 'R')))
        return TIFF;
    // ISO base media: a first box of type "ftyp"; QuickTime files may begin with the movie,
    // the media data or free space.
    if (taille >= 8)
        for (const char *type : {"ftyp", "moov", "mdat", "free", "skip", "wide"})
            if (std::memcmp(o + 4, type, 4) == 0)
                return MediaISO;
    if (Commence(o, taille, "FUJIFILM", 8))
        return RAF;
    if (Commence(o, taille, "\0MRM", 4))
        return MRW;
    return std::nullopt;
}
