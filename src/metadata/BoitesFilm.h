// The movie box of a video (MP4, MOV, M4V, 3GP): what it says of the camera and of the
// moment of shooting, besides Canon's metadata box.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include "metadata/BoitesISO.h"

// The values a movie box holds, as the file writes them (texts as bytes, each the first
// met of its kind; empty when absent).
struct TValeursFilm {
    QByteArray modeleApple;       // QuickTime keys: com.apple.quicktime.model
    QByteArray modeleAndroid;     // QuickTime keys: com.android.model
    QByteArray dateCles;          // QuickTime keys: com.apple.quicktime.creationdate (ISO 8601)
    QByteArray modeleUtilisateur; // user data: ©mod
    QByteArray dateUtilisateur;   // user data: ©day (ISO 8601)
    quint64 creation = 0;         // movie header: seconds since 1904-01-01 00:00 UTC, 0 for none
};

// The children of one "moov" box, walked once and in file order, so that each block of
// the file is read once: the movie header ("mvhd"), the user data ("udta": ©mod and ©day
// as text atoms, and its "meta" item list) and the QuickTime metadata
// ("meta": "hdlr" of type "mdta", "keys", "ilst") are read as they are met. The walk
// pauses on Canon's uuid box, whose values come first: the rest is walked only when they
// are not enough. Counts are bounded as in every walk of boxes, and each text is read up
// to kTexteMax bytes.
class TParcoursMoov {
public:
    // With lireValeurs false, only Canon's box is looked for.
    explicit TParcoursMoov(IFluxOctets &flux, bool lireValeurs = true);

    void Commencer(const TBoite &moov);
    // True once a moov box was given.
    bool Commence() const { return m_commence; }
    // Walks on to the next Canon uuid box: true with it in `canon`; false at the end of
    // moov (or on a box header that makes no sense).
    bool CanonSuivant(TBoite &canon);
    // Walks the rest of moov's children.
    void Terminer();
    const TValeursFilm &Valeurs() const { return m_valeurs; }

    static constexpr qint64 kTexteMax = 1024;

private:
    void Traiter(const TBoite &b);
    void LireEnteteFilm(const TBoite &mvhd);
    void LireDonneesUtilisateur(const TBoite &udta);
    void LireMeta(const TBoite &meta);

    IFluxOctets &m_flux;
    bool m_lireValeurs;
    bool m_commence = false;
    TParcours m_parcours;
    TValeursFilm m_valeurs;
};
