// Builds small TIFF structures and JPEG files in memory, for tests and benchmarks that
// need images with chosen EXIF values.
#pragma once

#include <optional>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include "Fichiers.h"

// EXIF tags the program reads.
constexpr quint16 kTagModel = 0x0110;
constexpr quint16 kTagExposureTime = 0x829A;
constexpr quint16 kTagFNumber = 0x829D;
constexpr quint16 kTagISOSpeedRatings = 0x8827;
constexpr quint16 kTagDateTimeOriginal = 0x9003;
constexpr quint16 kTagFocalLength = 0x920A;
constexpr quint16 kTagExifIFD = 0x8769;
constexpr quint16 kTagMakerNote = 0x927C;

// One IFD entry. `donnees` are the bytes of the data, already in the structure's byte
// order; 4 bytes or fewer are put in the value field, more go to the data area and the
// value field holds their offset. `valeurBrute`, when set, is written as the value
// field as it stands (for offsets that point anywhere, on purpose).
struct TEntreeTIFF {
    quint16 tag = 0;
    quint16 type = 0;
    quint32 nombre = 0;
    QByteArray donnees;
    std::optional<quint32> valeurBrute;
};

class TConstructeurTIFF {
public:
    explicit TConstructeurTIFF(bool grosBoutiste) : m_mm(grosBoutiste) {}

    bool GrosBoutiste() const { return m_mm; }
    QByteArray Court(quint16 v) const;   // 2 bytes in this byte order
    QByteArray Long(quint32 v) const;    // 4 bytes in this byte order

    TEntreeTIFF Texte(quint16 tag, const QByteArray &texte, bool zeroFinal = true) const;
    TEntreeTIFF Rationnel(quint16 tag, quint32 num, quint32 den) const;
    TEntreeTIFF Short(quint16 tag, quint16 valeur) const;
    TEntreeTIFF Brute(quint16 tag, quint16 type, quint32 nombre, quint32 champ) const;
    TEntreeTIFF Indefini(quint16 tag, const QByteArray &donnees) const;

    void AjouterIFD0(const TEntreeTIFF &e) { m_ifd0.append(e); }
    void AjouterExif(const TEntreeTIFF &e) { m_exif.append(e); }
    // A Nikon maker note (type 3 layout) in the Exif IFD holding tag 0x0002 with the
    // SHORTs (0, iso), in its own byte order.
    void AjouterNoteNikon(quint16 iso, bool noteGrosBoutiste);
    // Bytes 2-3 of the header (42 in a real file).
    void DefinirMagique(quint16 magique) { m_magique = magique; }

    // Header, IFD0 (with a pointer to the Exif IFD when it has entries), Exif IFD, data.
    QByteArray Construire() const;
    // The same structure with the data first and the Exif IFD last: header, data, IFD0,
    // Exif IFD. Cutting it inside the Exif IFD keeps every value that precedes the cut.
    QByteArray ConstruireIFDEnFin() const;

private:
    bool m_mm;
    quint16 m_magique = 42;
    QList<TEntreeTIFF> m_ifd0;
    QList<TEntreeTIFF> m_exif;
};

// The usual values of one photograph.
struct TValeursEXIF {
    QByteArray modele = "Canon EOS 300D";
    quint32 focaleNum = 50, focaleDen = 1;
    quint32 vitesseNum = 1, vitesseDen = 125;
    quint32 diaphragmeNum = 56, diaphragmeDen = 10;
    QByteArray date = "2006:05:21 10:20:30";
    std::optional<quint16> iso = 100;
};

// A TIFF structure with the model in IFD0 and the other values in the Exif IFD.
QByteArray TIFFAvecValeurs(const TValeursEXIF &v, bool grosBoutiste = false);

// A JPEG file: SOI, an APP0 (JFIF) segment when `app0`, the APP1 Exif segment holding
// `tiff`, a little quantisation table, `remplissage` bytes of image data, EOI.
QByteArray JPEGAvecTIFF(const QByteArray &tiff, bool app0 = true, int remplissage = 64);

// A JPEG file without any Exif segment.
QByteArray JPEGSansEXIF(int remplissage = 64);

// A .RAF file: the 84-byte header, the big-endian offset of an embedded JPEG at 84, and
// that JPEG (holding `tiff` in its APP1 segment) at `positionJPEG`. With `positionJPEG`
// 0, no JPEG: the offset at 84 is 0 and `tiff` is put at byte 120.
QByteArray RAFAvecTIFF(const QByteArray &tiff, quint32 positionJPEG);

// `tiff` preceded by `position` bytes of header (a .MRW file holds it at 48).
QByteArray TIFFALaPosition(const QByteArray &tiff, int position);

// ISO base media files (CR3, HEIF) --------------------------------------------------------

// A box: 32-bit size and type, or the 64-bit size form when `taille64`.
QByteArray BoiteISO(const char *type, const QByteArray &contenu, bool taille64 = false);
// A full box: version, 3 bytes of flags, then the content.
QByteArray BoitePleine(const char *type, quint8 version, const QByteArray &contenu);
// Big-endian numbers.
QByteArray GB16(quint16 v);
QByteArray GB32(quint32 v);

// The two TIFF structures of a CR3 for the values: IFD0 with the model (CMT1), and the
// Exif IFD alone as the IFD0 of a TIFF structure of its own (CMT2).
QByteArray TIFFModele(const TValeursEXIF &v, bool grosBoutiste = false);
QByteArray TIFFExifSeul(const TValeursEXIF &v, bool grosBoutiste = false);

struct TOptionsCR3 {
    bool cmt2Avant = false;   // CMT2 before CMT1 in Canon's box
    bool moov64 = false;      // moov with a 64-bit size
    bool moovJusquaLaFin = false; // moov last, with size 0 (to the end of the file)
    int remplissage = 256;    // bytes of the mdat after moov
};
// A CR3 file: ftyp "crx ", moov holding Canon's uuid box (CNCV, CMT1, CMT2, CMT3) and
// mvhd, then an mdat. An empty `cmt1` or `cmt2` leaves that box out.
QByteArray CR3AvecTIFF(const QByteArray &cmt1, const QByteArray &cmt2, const TOptionsCR3 &o = {});
QByteArray CR3AvecValeurs(const TValeursEXIF &v, bool grosBoutiste = false, const TOptionsCR3 &o = {});

struct TOptionsHEIF {
    QByteArray marque = "heic";  // the ftyp's major brand
    QByteArray avantTIFF = QByteArray("Exif\0\0", 6); // bytes between the offset and the TIFF header
    int morceaux = 1;            // extents of the Exif item, stored in the file in reverse order
    bool dansIdat = false;       // the Exif item in "idat" (construction method 1)
    quint8 versionIloc = 1;      // 0, 1 or 2
    bool meta64 = false;         // meta with a 64-bit size
    bool mdatJusquaLaFin = false;// mdat with size 0 (to the end of the file)
    bool mdatAuDela = false;     // mdat's size says 1 MB more than the file holds
    int itemsEnPlus = 0;         // image items listed before the Exif one
    QByteArray irefEnPlus;       // more reference boxes at the end of iref's content
    bool deuxExif = false;       // a decoy Exif item (id 3, other model) listed first,
                                 // describing no item; iref points the real one to the primary
};
// A HEIF file: ftyp, meta (hdlr, pitm = 1, iinf, iref, iloc, [idat]), then an mdat holding
// the image item's bytes and the Exif item: the big-endian offset of the TIFF header
// (avantTIFF.size()), avantTIFF, then `tiff`.
QByteArray HEIFAvecTIFF(const QByteArray &tiff, const TOptionsHEIF &o = {});
