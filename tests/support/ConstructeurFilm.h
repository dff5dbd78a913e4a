// Builds small videos (MP4, MOV) in memory: a movie box holding the values where cameras
// and phones write them, before or after the media data.
#pragma once

#include <optional>

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QtGlobal>

struct TOptionsFilm {
    // The first box: "ftyp" of this major brand; without a brand, a QuickTime file that
    // begins with `premiere` ("wide", "free", "skip": empty boxes; "moov", "mdat": those).
    QByteArray marque = "isom";
    QByteArray premiere = "wide";
    bool moovApresMdat = false;  // the movie after the media data, as most cameras write it
    int octetsMdat = 256;        // bytes of media data
    bool mdat64 = false;         // media data with a 64-bit size
    bool moov64 = false;         // movie with a 64-bit size

    std::optional<quint64> creation; // movie header's creation time (absent: no mvhd)
    bool mvhdVersion1 = false;       // 64-bit times
    QByteArray cmt1, cmt2;           // Canon's uuid box with these TIFF structures
    bool canonApres = false;         // Canon's box after the other boxes of moov
    // QuickTime keys in moov/meta (name, value as a UTF-8 data atom), in this order;
    // `typeDonnees` is the data atom's type.
    QList<QPair<QByteArray, QByteArray>> cles;
    quint32 typeDonnees = 1;
    QByteArray modele, date;     // moov/udta ©mod and ©day (null: absent)
    bool listeUtilisateur = false; // ©mod and ©day in moov/udta/meta/ilst (handler mdir)
    int pistes = 1;              // "trak" boxes before udta and meta
    int octetsPiste = 200;       // bytes of each
};

// The parts of a video: its first box (ftyp or QuickTime's), the movie box, the media
// data box (its header and content), so that a test can lay them out in a sparse file.
QByteArray DebutFilm(const TOptionsFilm &o);
QByteArray MoovFilm(const TOptionsFilm &o);
// A media data box's header for `octets` bytes of content (64-bit when asked or needed).
QByteArray EnteteMdat(quint64 octets, bool taille64);

// The whole video: first box, movie and media data in the order the options say.
QByteArray FilmAvecValeurs(const TOptionsFilm &o);

// Seconds from 1904-01-01 00:00 UTC (a movie header's time) to the UTC time given.
quint64 Secondes1904(int annee, int mois, int jour, int heure, int minute, int seconde);

// The XML file a Sony camera writes beside a clip, with these values (null: the element
// left out).
QByteArray XMLSony(const QByteArray &modele, const QByteArray &date);
