// The image files the program reads: their extensions, and where each kind holds its
// EXIF data. The scan, the reader and clarvane-exif all decide through this one table.
#pragma once

#include <optional>
#include <span>

#include <QStringView>
#include <QtGlobal>

// Where the EXIF data of a kind of file lies.
enum class TDisposition : quint8 {
    JPEG,     // the first APP1 segment of a JPEG stream
    TIFF,     // a TIFF structure at byte 0 (the TIFF-based raws)
    RAF,      // Fujifilm: the embedded JPEG, else a TIFF structure at byte 120
    MRW,      // Minolta: a TIFF structure at byte 48
    MediaISO, // ISO base media: Canon's CMT boxes (CR3) or the Exif item (HEIF, AVIF)
    Film,     // a video (MP4, MOV, M4V, 3GP): ISO base media read only when its first
              // bytes are a box of one; its movie box, its Sony XML file beside it
};

struct TFormatImage {
    const char *extension;     // upper-case ASCII, with its "."
    TDisposition disposition;
    bool historique;           // also read with the extended formats turned off
};

// Every accepted extension, the historical ones first.
std::span<const TFormatImage> FormatsImages();

// The kind of the name's extension (from its last "." to its end, in any case), or
// nullptr when it is not an accepted image. With formatsEtendus false, only the
// historical kinds (.JPG .JPEG .CR2 .NEF .ORF .PEF .TIF .RAF .MRW) are accepted.
const TFormatImage *FormatImage(QStringView nom, bool formatsEtendus = true);

// The same for a name as the file system gives its bytes (the scan's listing), without
// making a QString when the extension is plain ASCII.
const TFormatImage *FormatImageOctets(const char *nom, bool formatsEtendus = true);

// The kind that the first bytes of a file show, when they are decisive: a JPEG, a TIFF,
// an ISO base media or QuickTime file (a first box "ftyp", "moov", "mdat", "free", "skip"
// or "wide"), a RAF or an MRW signature. Empty when they match none. A video's content
// gives MediaISO: how it is read is the same.
std::optional<TDisposition> DispositionSelonContenu(const unsigned char *debut, qsizetype taille);

// Bytes that DispositionSelonContenu examines at most.
constexpr qsizetype kOctetsSignature = 16;
