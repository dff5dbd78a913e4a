#include "metadata/BoitesISO.h"

#include <algorithm>
#include <cstring>

#include "metadata/BoitesFilm.h"

bool TParcours::Suivante(TBoite &b)
{
    if (m_vues++ >= kBoitesMax || m_fin - m_position < 8)
        return false;
    unsigned char h[16];
    if (!m_flux->Lire(m_position, 8, h))
        return false;
    quint64 taille = Lire32GB(h);
    b.type = Lire32GB(h + 4);
    qint64 entete = 8;
    if (taille == 1) { // a 64-bit size follows
        if (m_fin - m_position < 16 || !m_flux->Lire(m_position + 8, 8, h + 8))
            return false;
        taille = quint64(Lire32GB(h + 8)) << 32 | Lire32GB(h + 12);
        entete = 16;
    } else if (taille == 0) { // to the end of the container
        taille = quint64(m_fin - m_position);
    }
    if (taille < quint64(entete))
        return false;
    if (b.type == TypeBoite("uuid")) {
        if (m_fin - m_position < entete + 16 || !m_flux->Lire(m_position + entete, 16, b.uuid))
            return false;
        entete += 16;
        if (taille < quint64(entete))
            return false;
    }
    b.contenu = m_position + entete;
    // A box that runs past its container is cut there (a file cut short keeps what it
    // holds).
    b.entiere = taille <= quint64(m_fin - m_position);
    b.fin = b.entiere ? m_position + qint64(taille) : m_fin;
    m_position = b.fin;
    return true;
}

qint64 DebutBoitesMeta(IFluxOctets &flux, const TBoite &meta)
{
    // "meta" is a full box in ISO files (4 bytes of version and flags before its boxes);
    // in QuickTime files it is not, and its first box, "hdlr", begins at once.
    unsigned char tete[8];
    if (!flux.Lire(meta.contenu, 8, tete))
        return -1;
    return std::memcmp(tete + 4, "hdlr", 4) == 0 ? meta.contenu : meta.contenu + 4;
}

namespace {

// "Exif" items kept: real files hold one or two.
constexpr int kExifMax = 8;

// The big-endian number of 0, 1, 2, 4 or 8 bytes at p; p moves past it.
[[gnu::always_inline]] inline quint64 Decoder(const unsigned char *&p, int octets)
{
    quint64 v = 0;
    switch (octets) {
    case 1:
        v = p[0];
        break;
    case 2:
        v = quint64(p[0]) << 8 | p[1];
        break;
    case 4:
        v = Lire32GB(p);
        break;
    case 8:
        v = quint64(Lire32GB(p)) << 32 | Lire32GB(p + 4);
        break;
    default:
        break;
    }
    p += octets;
    return v;
}

// The one box of a CR3 file that matters: one TIFF structure in its content.
void StructureBoite(const TBoite &b, TDonneesTIFF &d)
{
    d.etendues[0] = {b.contenu, b.fin - b.contenu};
    d.nombreEtendues = 1;
    d.debutTIFF = 0;
}

// CR3 and Canon videos: the CMT1 and CMT2 boxes of Canon's uuid box in "moov".
bool StructuresCMT(IFluxOctets &flux, const TBoite &canon, TTIFFMediaISO &trouve)
{
    TBoite cmt1, cmt2;
    TParcours dansCanon(flux, canon.contenu, canon.fin);
    TBoite c;
    while (dansCanon.Suivante(c) && (cmt1.fin == 0 || cmt2.fin == 0)) {
        if (c.type == TypeBoite("CMT1") && cmt1.fin == 0)
            cmt1 = c;
        else if (c.type == TypeBoite("CMT2") && cmt2.fin == 0)
            cmt2 = c;
    }
    trouve.nombre = 0;
    for (const TBoite *cmt : {&cmt1, &cmt2})
        if (cmt->fin != 0)
            StructureBoite(*cmt, trouve.structures[trouve.nombre++]);
    return trouve.nombre > 0;
}

// The boxes of a HEIF "meta" box that lead to the Exif item.
struct TMeta {
    TBoite iinf, iloc, iref, idat;
    bool aIinf = false, aIloc = false, aIref = false, aIdat = false;
    quint64 primaire = 0;
    bool aPrimaire = false;
};

// The ids of the items of type "Exif" listed by "iinf" (at most kExifMax).
int ItemsExif(IFluxOctets &flux, const TBoite &iinf, quint64 (&ids)[kExifMax])
{
    TLecteur l(flux, iinf.contenu, iinf.fin);
    quint64 version = 0, nombre = 0;
    if (!l.Nombre(1, version) || !l.Sauter(3) || !l.Nombre(version == 0 ? 2 : 4, nombre))
        return 0;
    int trouves = 0;
    TParcours entrees(flux, l.Position(), iinf.fin);
    TBoite infe;
    for (quint64 i = 0; i < qMin(nombre, quint64(kItemsMax)) && trouves < kExifMax && entrees.Suivante(infe); ++i) {
        if (infe.type != TypeBoite("infe"))
            continue;
        // Versions 2 and 3 give the item's type (after version, flags, id and protection
        // index); the older ones have none. One read for the whole record.
        unsigned char b[14];
        if (infe.fin - infe.contenu < 12 || !flux.Lire(infe.contenu, 12, b) || b[0] < 2)
            continue;
        const int tailleId = b[0] == 2 ? 2 : 4;
        if (tailleId == 4 && (infe.fin - infe.contenu < 14 || !flux.Lire(infe.contenu + 12, 2, b + 12)))
            continue;
        const unsigned char *p = b + 4;
        const quint64 id = Decoder(p, tailleId);
        p += 2;
        if (Decoder(p, 4) == TypeBoite("Exif"))
            ids[trouves++] = id;
    }
    return trouves;
}

// Among several Exif items, the one that "iref" says describes (cdsc) the primary item;
// else the first.
quint64 ChoisirExif(IFluxOctets &flux, const TMeta &meta, const quint64 *ids, int nombre)
{
    if (nombre == 1 || !meta.aIref || !meta.aPrimaire)
        return ids[0];
    TLecteur l(flux, meta.iref.contenu, meta.iref.fin);
    quint64 version = 0;
    if (!l.Nombre(1, version) || !l.Sauter(3))
        return ids[0];
    const int tailleId = version == 0 ? 2 : 4;
    TParcours references(flux, l.Position(), meta.iref.fin);
    TBoite r;
    while (references.Suivante(r)) {
        if (r.type != TypeBoite("cdsc"))
            continue;
        TLecteur e(flux, r.contenu, r.fin);
        quint64 de = 0, combien = 0;
        if (!e.Nombre(tailleId, de) || !e.Nombre(2, combien))
            continue;
        if (std::find(ids, ids + nombre, de) == ids + nombre)
            continue;
        for (quint64 k = 0; k < combien; ++k) {
            quint64 vers = 0;
            if (!e.Nombre(tailleId, vers))
                break;
            if (vers == meta.primaire)
                return de;
        }
    }
    return ids[0];
}

// The runs of the item `id` according to "iloc": in the file (construction method 0) or
// in the "idat" box (method 1). Runs that leave their source are cut at its end.
bool ExtentsItem(IFluxOctets &flux, const TMeta &meta, quint64 id, TDonneesTIFF &d)
{
    TLecteur l(flux, meta.iloc.contenu, meta.iloc.fin);
    quint64 version = 0, tailles = 0, tailles2 = 0, nombre = 0;
    if (!l.Nombre(1, version) || version > 2 || !l.Sauter(3) || !l.Nombre(1, tailles) || !l.Nombre(1, tailles2)
        || !l.Nombre(version < 2 ? 2 : 4, nombre))
        return false;
    const int tailleOffset = int(tailles >> 4), tailleLongueur = int(tailles & 15);
    const int tailleBase = int(tailles2 >> 4), tailleIndex = version >= 1 ? int(tailles2 & 15) : 0;
    for (int t : {tailleOffset, tailleLongueur, tailleBase, tailleIndex})
        if (t != 0 && t != 4 && t != 8)
            return false;
    const int tailleExtent = tailleIndex + tailleOffset + tailleLongueur;
    const int tailleId = version < 2 ? 2 : 4;
    // An item's record: id, construction method (versions 1 and 2), data reference index,
    // base offset, count of extents; read at once.
    const int tailleEntete = tailleId + (version >= 1 ? 2 : 0) + 2 + tailleBase + 2;
    for (quint64 i = 0; i < qMin(nombre, quint64(kItemsMax)); ++i) {
        unsigned char b[18];
        if (!l.Octets(tailleEntete, b))
            return false;
        const unsigned char *p = b;
        const quint64 itemId = Decoder(p, tailleId);
        const unsigned char *q = b + tailleEntete - 2;
        const quint64 extents = Decoder(q, 2);
        if (itemId != id) {
            if (!l.Sauter(extents * quint64(tailleExtent)))
                return false;
            continue;
        }
        const quint64 methode = version >= 1 ? Decoder(p, 2) & 15 : 0;
        const quint64 reference = Decoder(p, 2);
        const quint64 base = Decoder(p, tailleBase);
        // The source of the offsets: the file, or the content of "idat".
        qint64 debutSource = 0, finSource = flux.Taille();
        if (methode == 1) {
            if (!meta.aIdat)
                return false;
            debutSource = meta.idat.contenu;
            finSource = meta.idat.fin;
        } else if (methode != 0) {
            return false; // data made from other items: not followed
        }
        if (reference != 0)
            return false; // data in another file
        qint64 total = 0; // the runs never hold more bytes than their source
        if (extents == 0 || extents > quint64(TDonneesTIFF::kEtenduesMax))
            return false;
        d.nombreEtendues = 0;
        const qint64 tailleSource = finSource - debutSource;
        for (quint64 k = 0; k < extents; ++k) {
            quint64 offset = 0, longueur = 0;
            if (!l.Sauter(quint64(tailleIndex)) || !l.Nombre(tailleOffset, offset) || !l.Nombre(tailleLongueur, longueur))
                return false;
            if (base > quint64(tailleSource) || offset > quint64(tailleSource) - base)
                break; // outside the source: what came before is kept
            const qint64 debut = qint64(base + offset);
            const qint64 reste = qMin(tailleSource - debut, tailleSource - total);
            // A length of 0: to the end of the source.
            const qint64 taille = longueur == 0 || longueur > quint64(reste) ? reste : qint64(longueur);
            if (taille > 0)
                d.etendues[d.nombreEtendues++] = {debutSource + debut, taille};
            total += taille;
            if (taille < qint64(longueur))
                break; // cut at the end of the source
        }
        return d.nombreEtendues > 0;
    }
    return false;
}

// HEIF: the "Exif" item of the "meta" box. Its data begins with the big-endian offset of
// the TIFF header from the end of those 4 bytes.
// `image` tells whether the meta box is a picture's (its handler "pict"), found or not.
bool ChercherExif(IFluxOctets &flux, const TBoite &boiteMeta, TTIFFMediaISO &trouve, bool &image)
{
    image = false;
    const qint64 debut = DebutBoitesMeta(flux, boiteMeta);
    if (debut < 0)
        return false;

    TMeta meta;
    TParcours boites(flux, debut, boiteMeta.fin);
    TBoite b;
    while (boites.Suivante(b)) {
        if (b.type == TypeBoite("hdlr")) {
            // Version and flags, a predefined field, then the handler's type.
            unsigned char h[4];
            image = image || (b.fin - b.contenu >= 12 && flux.Lire(b.contenu + 8, 4, h) && std::memcmp(h, "pict", 4) == 0);
        } else if (b.type == TypeBoite("iinf") && !meta.aIinf) {
            meta.iinf = b;
            meta.aIinf = true;
        } else if (b.type == TypeBoite("iloc") && !meta.aIloc) {
            meta.iloc = b;
            meta.aIloc = true;
        } else if (b.type == TypeBoite("iref") && !meta.aIref) {
            meta.iref = b;
            meta.aIref = true;
        } else if (b.type == TypeBoite("idat") && !meta.aIdat) {
            meta.idat = b;
            meta.aIdat = true;
        } else if (b.type == TypeBoite("pitm") && !meta.aPrimaire) {
            TLecteur l(flux, b.contenu, b.fin);
            quint64 version = 0;
            meta.aPrimaire = l.Nombre(1, version) && l.Sauter(3) && l.Nombre(version == 0 ? 2 : 4, meta.primaire);
        }
    }
    if (!meta.aIinf || !meta.aIloc)
        return false;
    quint64 ids[kExifMax];
    const int nombre = ItemsExif(flux, meta.iinf, ids);
    if (nombre == 0)
        return false;
    TDonneesTIFF &d = trouve.structures[0];
    if (!ExtentsItem(flux, meta, ChoisirExif(flux, meta, ids, nombre), d))
        return false;

    TFluxEtendues item(flux, {d.etendues, size_t(d.nombreEtendues)});
    unsigned char octets[4];
    if (!item.Lire(0, 4, octets))
        return false;
    const quint32 decalage = Lire32GB(octets);
    if (qint64(decalage) > item.Taille() - 4)
        return false;
    d.debutTIFF = 4 + qint64(decalage);
    // Some writers leave the JPEG segment's "Exif\0\0" before the TIFF header.
    char prefixe[6];
    if (item.Lire(d.debutTIFF, 6, prefixe) && std::memcmp(prefixe, "Exif\0\0", 6) == 0)
        d.debutTIFF += 6;
    trouve.nombre = 1;
    return true;
}

} // namespace

bool ChercherTIFFMediaISO(IFluxOctets &flux, TTIFFMediaISO &trouve, TParcoursMoov *film)
{
    trouve.nombre = 0;
    TParcours haut(flux, 0, flux.Taille());
    TBoite b;
    while (haut.Suivante(b)) {
        if (b.type == TypeBoite("meta")) {
            // A picture's meta (HEIF) holds all there is; a movie may have its own
            // metadata at the top level too, before its moov.
            bool image = false;
            if (ChercherExif(flux, b, trouve, image))
                return true;
            if (image || !film)
                return false;
        } else if (b.type == TypeBoite("moov")) {
            // The first moov is the movie: its Canon box, if it has one.
            TParcoursMoov seul(flux, false);
            TParcoursMoov &moov = film ? *film : seul;
            moov.Commencer(b);
            TBoite canon;
            while (moov.CanonSuivant(canon))
                if (StructuresCMT(flux, canon, trouve))
                    return true;
            return false;
        }
    }
    return false;
}
