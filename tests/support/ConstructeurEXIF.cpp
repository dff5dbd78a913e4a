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
