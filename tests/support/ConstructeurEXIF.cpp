#include "ConstructeurEXIF.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QByteArray TConstructeurTIFF::Court(quint16 v) const
{
    QByteArray b(2, '\0');
    if (m_mm) {
        b[0] = char(v >> 8);
        b[1] = char(v);
    } else {
        b[0] = char(v);
        b[1] = char(v >> 8);
    }
    return b;
}

QByteArray TConstructeurTIFF::Long(quint32 v) const
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[m_mm ? 3 - i : i] = char(v >> (8 * i));
    return b;
}

TEntreeTIFF TConstructeurTIFF::Texte(quint16 tag, const QByteArray &texte, bool zeroFinal) const
{
    QByteArray d = texte;
    if (zeroFinal)
        d.append('\0');
    return {tag, 2, quint32(d.size()), d, {}};
}

TEntreeTIFF TConstructeurTIFF::Rationnel(quint16 tag, quint32 num, quint32 den) const
{
    return {tag, 5, 1, Long(num) + Long(den), {}};
}

TEntreeTIFF TConstructeurTIFF::Short(quint16 tag, quint16 valeur) const
{
    return {tag, 3, 1, Court(valeur), {}};
}

TEntreeTIFF TConstructeurTIFF::Brute(quint16 tag, quint16 type, quint32 nombre, quint32 champ) const
{
    return {tag, type, nombre, {}, champ};
}

TEntreeTIFF TConstructeurTIFF::Indefini(quint16 tag, const QByteArray &donnees) const
{
    return {tag, 7, quint32(donnees.size()), donnees, {}};
}

void TConstructeurTIFF::AjouterNoteNikon(quint16 iso, bool noteGrosBoutiste)
{
    TConstructeurTIFF note(noteGrosBoutiste);
    QByteArray d("Nikon\0\x02\x10\0\0", 10);
    d += noteGrosBoutiste ? QByteArray("MM") : QByteArray("II");
    d += note.Court(42) + note.Long(8);
    d += note.Court(2);                                    // two entries
    d += note.Court(0x0001) + note.Court(7) + note.Long(4) + QByteArray("0210", 4);
    d += note.Court(0x0002) + note.Court(3) + note.Long(2) + note.Court(0) + note.Court(iso);
    d += note.Long(0);
    AjouterExif(Indefini(kTagMakerNote, d));
}

namespace {
// Lays out one IFD at `position`; data longer than 4 bytes goes to `zone`, which starts
// at `debutZone` (offsets from the TIFF base).
QByteArray EcrireIFD(const TConstructeurTIFF &c, const QList<TEntreeTIFF> &entrees,
                     quint32 debutZone, QByteArray &zone)
{
    QByteArray ifd = c.Court(quint16(entrees.size()));
    for (const TEntreeTIFF &e : entrees) {
        ifd += c.Court(e.tag) + c.Court(e.type) + c.Long(e.nombre);
        if (e.valeurBrute) {
            ifd += c.Long(*e.valeurBrute);
        } else if (e.donnees.size() <= 4) {
            QByteArray champ = e.donnees;
            champ.append(QByteArray(4 - champ.size(), '\0'));
            ifd += champ;
        } else {
            ifd += c.Long(debutZone + quint32(zone.size()));
            zone += e.donnees;
            if (zone.size() % 2)
                zone.append('\0');
        }
    }
    ifd += c.Long(0); // no next IFD
    return ifd;
}
} // namespace

QByteArray TConstructeurTIFF::Construire() const
{
    QList<TEntreeTIFF> ifd0 = m_ifd0;
    const quint32 taille0 = quint32(2 + 12 * (ifd0.size() + (m_exif.isEmpty() ? 0 : 1)) + 4);
    const quint32 debutExif = 8 + taille0;
    if (!m_exif.isEmpty())
        ifd0.append(Brute(kTagExifIFD, 4, 1, debutExif));
    const quint32 tailleExif = m_exif.isEmpty() ? 0 : quint32(2 + 12 * m_exif.size() + 4);
    const quint32 debutZone = debutExif + tailleExif;

    QByteArray zone;
    QByteArray tiff = m_mm ? QByteArray("MM") : QByteArray("II");
    tiff += Court(m_magique) + Long(8);
    tiff += EcrireIFD(*this, ifd0, debutZone, zone);
    if (!m_exif.isEmpty())
        tiff += EcrireIFD(*this, m_exif, debutZone, zone);
    return tiff + zone;
}

QByteArray TConstructeurTIFF::ConstruireIFDEnFin() const
{
    constexpr quint32 debutZone = 8;
    QByteArray zone;
    EcrireIFD(*this, m_ifd0, debutZone, zone);
    EcrireIFD(*this, m_exif, debutZone, zone);
    const quint32 debut0 = debutZone + quint32(zone.size());
    QList<TEntreeTIFF> ifd0 = m_ifd0;
    const quint32 taille0 = quint32(2 + 12 * (ifd0.size() + (m_exif.isEmpty() ? 0 : 1)) + 4);
    if (!m_exif.isEmpty())
        ifd0.append(Brute(kTagExifIFD, 4, 1, debut0 + taille0));

    QByteArray zoneFinale;
    QByteArray tiff = m_mm ? QByteArray("MM") : QByteArray("II");
    tiff += Court(m_magique) + Long(debut0);
    const QByteArray blocs0 = EcrireIFD(*this, ifd0, debutZone, zoneFinale);
    const QByteArray blocsExif = m_exif.isEmpty() ? QByteArray() : EcrireIFD(*this, m_exif, debutZone, zoneFinale);
    return tiff + zoneFinale + blocs0 + blocsExif;
}

QByteArray RAFAvecTIFF(const QByteArray &tiff, quint32 positionJPEG)
{
    QByteArray raf("FUJIFILMCCD-RAW 0201FF383501", 28);
    raf += QByteArray(84 - raf.size(), '\0');
    for (int i = 3; i >= 0; --i)
        raf.append(char(positionJPEG >> (8 * i)));
    if (positionJPEG == 0) {
        raf += QByteArray(120 - raf.size(), '\0');
        return raf + tiff;
    }
    raf += QByteArray(int(positionJPEG) - raf.size(), '\0');
    return raf + JPEGAvecTIFF(tiff, false);
}

QByteArray TIFFALaPosition(const QByteArray &tiff, int position)
{
    QByteArray entete("\0MRM", 4);
    entete += QByteArray(qMax(0, position - 4), '\x11');
    return entete.left(position) + tiff;
}

QByteArray TIFFAvecValeurs(const TValeursEXIF &v, bool grosBoutiste)
{
    TConstructeurTIFF c(grosBoutiste);
    if (!v.modele.isNull())
        c.AjouterIFD0(c.Texte(kTagModel, v.modele));
    if (v.vitesseDen || v.vitesseNum)
        c.AjouterExif(c.Rationnel(kTagExposureTime, v.vitesseNum, v.vitesseDen));
    if (v.diaphragmeDen || v.diaphragmeNum)
        c.AjouterExif(c.Rationnel(kTagFNumber, v.diaphragmeNum, v.diaphragmeDen));
    if (v.iso)
        c.AjouterExif(c.Short(kTagISOSpeedRatings, *v.iso));
    if (!v.date.isNull())
        c.AjouterExif(c.Texte(kTagDateTimeOriginal, v.date));
    if (v.focaleDen || v.focaleNum)
        c.AjouterExif(c.Rationnel(kTagFocalLength, v.focaleNum, v.focaleDen));
    return c.Construire();
}

namespace {
QByteArray Segment(quint8 marqueur, const QByteArray &corps)
{
    QByteArray s;
    s.append(char(0xFF)).append(char(marqueur));
    const int longueur = int(corps.size()) + 2;
    s.append(char(longueur >> 8)).append(char(longueur & 0xFF));
    return s + corps;
}

QByteArray FinJPEG(int remplissage)
{
    QByteArray fin = Segment(0xDB, QByteArray(65, '\x01'));
    QByteArray donnees(remplissage, '\0');
    for (int i = 0; i < remplissage; ++i)
        donnees[i] = char((i * 37 + 11) & 0x7F); // no 0xFF in the entropy-coded data
    fin += Segment(0xDA, QByteArray("\x01\x01\x00\x00\x3f\x00", 6)) + donnees;
    fin.append(char(0xFF)).append(char(0xD9));
    return fin;
}
} // namespace

QByteArray JPEGAvecTIFF(const QByteArray &tiff, bool app0, int remplissage)
{
    QByteArray j;
    j.append(char(0xFF)).append(char(0xD8));
    if (app0)
        j += Segment(0xE0, QByteArray("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
    j += Segment(0xE1, QByteArray("Exif\0\0", 6) + tiff);
    return j + FinJPEG(remplissage);
}

QByteArray JPEGSansEXIF(int remplissage)
{
    QByteArray j;
    j.append(char(0xFF)).append(char(0xD8));
    j += Segment(0xE0, QByteArray("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
    return j + FinJPEG(remplissage);
}

QByteArray GB16(quint16 v)
{
    QByteArray b;
    b.append(char(v >> 8)).append(char(v));
    return b;
}

QByteArray GB32(quint32 v)
{
    return GB16(quint16(v >> 16)) + GB16(quint16(v));
}

QByteArray BoiteISO(const char *type, const QByteArray &contenu, bool taille64)
{
    if (taille64)
        return GB32(1) + QByteArray(type, 4) + GB32(0) + GB32(quint32(16 + contenu.size())) + contenu;
    return GB32(quint32(8 + contenu.size())) + QByteArray(type, 4) + contenu;
}

QByteArray BoitePleine(const char *type, quint8 version, const QByteArray &contenu)
{
    QByteArray tete(4, '\0');
    tete[0] = char(version);
    return BoiteISO(type, tete + contenu);
}

QByteArray TIFFModele(const TValeursEXIF &v, bool grosBoutiste)
{
    TConstructeurTIFF c(grosBoutiste);
    c.AjouterIFD0(c.Texte(kTagModel, v.modele));
    return c.Construire();
}

QByteArray TIFFExifSeul(const TValeursEXIF &v, bool grosBoutiste)
{
    // The Exif IFD's entries as the IFD0 of their own structure.
    TConstructeurTIFF seul(grosBoutiste);
    seul.AjouterIFD0(seul.Rationnel(kTagExposureTime, v.vitesseNum, v.vitesseDen));
    seul.AjouterIFD0(seul.Rationnel(kTagFNumber, v.diaphragmeNum, v.diaphragmeDen));
    if (v.iso)
        seul.AjouterIFD0(seul.Short(kTagISOSpeedRatings, *v.iso));
    seul.AjouterIFD0(seul.Texte(kTagDateTimeOriginal, v.date));
    seul.AjouterIFD0(seul.Rationnel(kTagFocalLength, v.focaleNum, v.focaleDen));
    return seul.Construire();
}

QByteArray CR3AvecTIFF(const QByteArray &cmt1, const QByteArray &cmt2, const TOptionsCR3 &o)
{
    static const QByteArray kUuidCanon("\x85\xC0\xB6\x87\x82\x0F\x11\xE0\x81\x11\xF4\xCE\x46\x2B\x6A\x48", 16);
    const QByteArray ftyp = BoiteISO("ftyp", QByteArray("crx \0\0\0\x01" "crx isom", 16));
    QByteArray boites = BoiteISO("CNCV", "CanonCR3_001/00.10.00/00.00.00");
    const QByteArray b1 = cmt1.isEmpty() ? QByteArray() : BoiteISO("CMT1", cmt1);
    const QByteArray b2 = cmt2.isEmpty() ? QByteArray() : BoiteISO("CMT2", cmt2);
    boites += o.cmt2Avant ? b2 + b1 : b1 + b2;
    boites += BoiteISO("CMT3", TIFFModele({}, false)); // a maker note structure: not read
    QByteArray moov = BoiteISO("uuid", kUuidCanon + boites) + BoiteISO("mvhd", QByteArray(100, '\0'));
    const QByteArray mdat = BoiteISO("mdat", QByteArray(o.remplissage, '\x5A'));
    if (o.moovJusquaLaFin)
        return ftyp + mdat + GB32(0) + "moov" + moov;
    return ftyp + BoiteISO("moov", moov, o.moov64) + mdat;
}

QByteArray CR3AvecValeurs(const TValeursEXIF &v, bool grosBoutiste, const TOptionsCR3 &o)
{
    return CR3AvecTIFF(TIFFModele(v, grosBoutiste), TIFFExifSeul(v, grosBoutiste), o);
}

QByteArray HEIFAvecTIFF(const QByteArray &tiff, const TOptionsHEIF &o)
{
    const QByteArray exif = GB32(quint32(o.avantTIFF.size())) + o.avantTIFF + tiff;
    const QByteArray image(300, '\x3C'); // the primary item's coded bytes
    const bool idV2 = o.versionIloc == 2;
    const auto id = [&](quint32 v) { return idV2 ? GB32(v) : GB16(quint16(v)); };

    // The Exif item's pieces, stored in reverse order with a byte of filler between them.
    QList<QByteArray> morceaux;
    const int n = qMax(1, o.morceaux);
    for (int i = 0; i < n; ++i) {
        const qsizetype debut = exif.size() * i / n, fin = exif.size() * (i + 1) / n;
        morceaux.append(exif.mid(debut, fin - debut));
    }
    const QByteArray leurre = GB32(6) + QByteArray("Exif\0\0", 6) + TIFFModele({"Leurre"}, false);

    // The meta box for given positions of the mdat's content and of idat's content.
    const auto meta = [&](quint32 debutMdat) {
        QByteArray infe;
        quint16 entrees = 0;
        const auto ajouterInfe = [&](quint16 itemId, const char *type) {
            infe += BoitePleine("infe", 2, GB16(itemId) + GB16(0) + QByteArray(type, 4) + QByteArray("\0", 1));
            ++entrees;
        };
        if (o.deuxExif)
            ajouterInfe(3, "Exif");
        ajouterInfe(1, "hvc1");
        for (int i = 0; i < o.itemsEnPlus; ++i)
            ajouterInfe(quint16(10 + i), "hvc1");
        ajouterInfe(2, "Exif");
        const QByteArray iinf = BoitePleine("iinf", 0, GB16(entrees) + infe);
        QByteArray refs = BoiteISO("cdsc", GB16(2) + GB16(1) + GB16(1));
        if (o.deuxExif) // the decoy describes the Exif item, which describes the primary
            refs = BoiteISO("cdsc", GB16(3) + GB16(1) + GB16(2)) + refs;
        const QByteArray iref = BoitePleine("iref", 0, refs + o.irefEnPlus);

        // iloc: offsets and lengths of 4 bytes, no base offset, no index.
        QByteArray items;
        quint32 nbItems = 0;
        const auto item = [&](quint32 itemId, quint16 methode, const QList<QPair<quint32, quint32>> &etendues) {
            items += id(itemId);
            if (o.versionIloc >= 1)
                items += GB16(methode);
            items += GB16(0) + GB16(quint16(etendues.size()));
            for (const auto &[debut, longueur] : etendues)
                items += GB32(debut) + GB32(longueur);
            ++nbItems;
        };
        item(1, 0, {{debutMdat, quint32(image.size())}});
        quint32 p = debutMdat + quint32(image.size());
        if (o.deuxExif) {
            item(3, 0, {{p, quint32(leurre.size())}});
            p += quint32(leurre.size());
        }
        if (o.dansIdat) {
            item(2, 1, {{0, quint32(exif.size())}});
        } else {
            QList<QPair<quint32, quint32>> etendues;
            QList<quint32> positions(n);
            for (int i = n - 1; i >= 0; --i) {
                ++p; // the filler byte
                positions[i] = p;
                p += quint32(morceaux[i].size());
            }
            for (int i = 0; i < n; ++i)
                etendues.append({positions[i], quint32(morceaux[i].size())});
            item(2, 0, etendues);
        }
        const QByteArray tailles("\x44\x00", 2);
        const QByteArray iloc = BoitePleine("iloc", o.versionIloc,
                                            tailles + (idV2 ? GB32(nbItems) : GB16(quint16(nbItems))) + items);
        QByteArray contenu = BoitePleine("hdlr", 0, QByteArray(4, '\0') + "pict" + QByteArray(13, '\0'))
            + BoitePleine("pitm", 0, GB16(1)) + iinf + iref + iloc;
        if (o.dansIdat)
            contenu += BoiteISO("idat", exif);
        QByteArray tete(4, '\0');
        return BoiteISO("meta", tete + contenu, o.meta64);
    };

    const QByteArray ftyp = BoiteISO("ftyp", o.marque + GB32(0) + "mif1" + o.marque);
    // First pass for the sizes, second with the real positions.
    const qsizetype tailleMeta = meta(0).size();
    const quint32 debutMdat = quint32(ftyp.size() + tailleMeta + 8);
    const QByteArray m = meta(debutMdat);
    QByteArray contenuMdat = image;
    if (o.deuxExif)
        contenuMdat += leurre;
    if (!o.dansIdat)
        for (int i = n - 1; i >= 0; --i)
            contenuMdat += QByteArray(1, '\xEE') + morceaux[i];
    QByteArray mdat = BoiteISO("mdat", contenuMdat);
    if (o.mdatJusquaLaFin)
        mdat.replace(0, 4, GB32(0));
    if (o.mdatAuDela)
        mdat.replace(0, 4, GB32(quint32(mdat.size()) + (1u << 20)));
    return ftyp + m + mdat;
}
