#include "metadata/LireEXIF.h"

#include <cstring>

#include <QByteArray>

#include "metadata/BoitesFilm.h"
#include "metadata/BoitesISO.h"
#include "metadata/FluxOctets.h"
#include "metadata/FormatEXIF.h"
#include "metadata/FormatsImages.h"
#include "metadata/XMLSony.h"

namespace {

constexpr quint16 kTagModel = 0x0110;
constexpr quint16 kTagExposureTime = 0x829A;
constexpr quint16 kTagFNumber = 0x829D;
constexpr quint16 kTagISOSpeedRatings = 0x8827;
constexpr quint16 kTagDateTimeOriginal = 0x9003;
constexpr quint16 kTagFocalLength = 0x920A;
constexpr quint16 kTagExifIFD = 0x8769;
constexpr quint16 kTagMakerNote = 0x927C;
constexpr quint16 kTagISONikon = 0x0002;
constexpr quint16 kTagISOPanasonic = 0x0017; // in IFD0 of a Panasonic or Leica raw
constexpr quint16 kMagiquePanasonic = 0x55;

// Text bytes examined per file, at most. Real files hold a few dozen; a forged IFD can
// point its 65535 entries at the same megabytes of text without a zero byte, and reading
// them all over again would hold the scan for minutes. Past this, the reading ends.
constexpr qint64 kBudgetTextes = 8 * 1024 * 1024;

// Item size of the TIFF types 1 to 12; 0 for the others, which are not read.
constexpr quint32 TailleType(quint16 type)
{
    constexpr quint8 kTailles[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type <= 12 ? kTailles[type] : 0;
}

quint16 Lire16(const unsigned char *p, bool grosBoutiste)
{
    return grosBoutiste ? quint16(p[0] << 8 | p[1]) : quint16(p[1] << 8 | p[0]);
}

quint32 Lire32(const unsigned char *p, bool grosBoutiste)
{
    return grosBoutiste ? quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3]
                        : quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
}

// One reading of one file: the byte source, the TIFF base, the byte order and the
// offsets of the Exif IFD and of the maker note seen so far. Every method returns false
// when a read fails, which ends the reading (the texts stored so far stay).
class TLectureEXIF {
public:
    TLectureEXIF(IFluxOctets &flux, TEnrEXIF &enr, bool formatsEtendus)
        : m_flux(flux), m_enr(enr), m_formatsEtendus(formatsEtendus)
    {
    }

    // A video clip's path: its Sony XML file beside it may give what its boxes do not.
    void DefinirClip(const QString &chemin) { m_clip = &chemin; }

    bool Executer(qint64 position);

private:
    // The TIFF structures of an ISO base media file, each read as a source of its own,
    // then the movie's values for what they did not give.
    bool LireMediaISO();
    void CompleterFilm(const TValeursFilm &film);
    // The TIFF header at base and the IFDs it leads to; a mark other than II or MM makes the
    // reading unsuccessful.
    bool LireTIFF(qint64 base);
    bool LireIFD(qint64 position);
    bool LireValeur(quint16 tag, quint16 type, quint32 nombre, const unsigned char *champ);
    bool LireISONikon();
    bool EnteteEXIFJPEG(qint64 debut, qint64 &base);

    IFluxOctets &m_flux;
    TEnrEXIF &m_enr;
    bool m_formatsEtendus;
    const QString *m_clip = nullptr;
    // A Panasonic raw (magic number 0x55): its IFD0 tag 0x0017 gives the ISO when the Exif
    // IFD gives none.
    bool m_panasonic = false;
    bool m_dansIFD0 = false;
    std::optional<quint16> m_isoPanasonic;
    qint64 m_base = 0;
    bool m_grosBoutiste = false;
    quint32 m_offsetExif = 0;
    quint32 m_offsetNote = 0;
    bool m_succes = false;
    qint64 m_octetsTextes = 0;
};

bool TLectureEXIF::Executer(qint64 position)
{
    m_succes = false;
    m_offsetExif = m_offsetNote = 0;
    qint64 base = position;
    if (position == kPositionJPEG) {
        if (!EnteteEXIFJPEG(0, base))
            return false;
    } else if (position == kPositionRAF) {
        // The embedded JPEG, whose offset stands big-endian at byte 84; some cameras put
        // its TIFF header at 120 (JPEG at 108), others elsewhere (JPEG at 148, TIFF at 160).
        unsigned char octets[4];
        qint64 jpeg = -1;
        if (m_flux.Lire(84, 4, octets))
            jpeg = Lire32(octets, true);
        unsigned char marque[2];
        if (jpeg < 0 || !EnteteEXIFJPEG(jpeg, base) || !m_flux.Lire(base, 2, marque)
            || !(std::memcmp(marque, "II", 2) == 0 || std::memcmp(marque, "MM", 2) == 0))
            base = 120;
    } else if ((position == kPositionISO || position == kPositionFilm) && m_formatsEtendus) {
        return LireMediaISO();
    } else if (position < 0) {
        return false;
    }
    m_succes = true;
    LireTIFF(base);
    return m_succes;
}

// Finds the first APP1 segment of the JPEG stream at `debut` and checks that it holds
// Exif data: base is then the TIFF header's offset.
bool TLectureEXIF::EnteteEXIFJPEG(qint64 debut, qint64 &base)
{
    qint64 apresMarqueur = 0;
    if (!ChercherAPP1(m_flux, debut, apresMarqueur))
        return false;
    // The segment's 2-byte length is ignored; "Exif" and two ignored bytes follow it.
    char signature[4];
    if (!m_flux.Lire(apresMarqueur + 2, 4, signature) || std::memcmp(signature, "Exif", 4) != 0)
        return false;
    base = apresMarqueur + 8;
    return true;
}

bool TLectureEXIF::LireMediaISO()
{
    TTIFFMediaISO trouve;
    TParcoursMoov film(m_flux);
    bool succes = false;
    if (ChercherTIFFMediaISO(m_flux, trouve, &film)) {
        // Read in order (a CR3's CMT1, then CMT2): the Exif IFD's values win, as in one file.
        for (int i = 0; i < trouve.nombre; ++i) {
            const TDonneesTIFF &d = trouve.structures[i];
            TFluxEtendues structure(m_flux, {d.etendues, size_t(d.nombreEtendues)});
            TLectureEXIF lecture(structure, m_enr, m_formatsEtendus);
            lecture.m_octetsTextes = m_octetsTextes;
            lecture.m_succes = true;
            lecture.LireTIFF(d.debutTIFF);
            m_octetsTextes = lecture.m_octetsTextes;
            succes = succes || lecture.m_succes;
        }
    }
    if (film.Commence() && (m_enr.Appareil.isEmpty() || m_enr.DatePDV.isEmpty())) {
        // A movie: its own boxes for what Canon's box did not give (most videos have none).
        film.Terminer();
        CompleterFilm(film.Valeurs());
        succes = succes || !m_enr.Appareil.isEmpty() || !m_enr.DatePDV.isEmpty();
    }
    return succes;
}

// The camera and the date of a video, each from the first source that gives it: the
// QuickTime keys (Apple's, then Android's model), the user data (©mod, ©day), the Sony
// XML file beside the clip, and last, for the date, the movie header's time.
void TLectureEXIF::CompleterFilm(const TValeursFilm &film)
{
    if (m_enr.Appareil.isEmpty())
        for (const QByteArray *modele : {&film.modeleApple, &film.modeleAndroid, &film.modeleUtilisateur})
            if (!(m_enr.Appareil = TexteAppareil(*modele)).isEmpty())
                break;
    if (m_enr.DatePDV.isEmpty())
        for (const QByteArray *date : {&film.dateCles, &film.dateUtilisateur})
            if (const std::optional<QString> texte = TexteDateISO8601(*date)) {
                m_enr.DatePDV = *texte;
                break;
            }
    TValeursXMLSony xml;
    if ((m_enr.Appareil.isEmpty() || m_enr.DatePDV.isEmpty()) && m_clip && LireXMLSonyDuClip(*m_clip, xml)) {
        if (m_enr.Appareil.isEmpty())
            m_enr.Appareil = TexteAppareil(xml.modele);
        if (m_enr.DatePDV.isEmpty())
            m_enr.DatePDV = TexteDateISO8601(xml.date).value_or(QString());
    }
    if (m_enr.DatePDV.isEmpty())
        m_enr.DatePDV = TexteDateSecondes1904(film.creation).value_or(QString());
}

bool TLectureEXIF::LireTIFF(qint64 base)
{
    m_base = base;
    unsigned char entete[8];
    if (!m_flux.Lire(m_base, 2, entete))
        return false;
    if (entete[0] == 'I' && entete[1] == 'I') {
        m_grosBoutiste = false;
    } else if (entete[0] == 'M' && entete[1] == 'M') {
        m_grosBoutiste = true;
    } else {
        m_succes = false;
        return false;
    }
    if (!m_flux.Lire(m_base + 2, 6, entete + 2))
        return false;
    m_panasonic = m_formatsEtendus && Lire16(entete + 2, m_grosBoutiste) == kMagiquePanasonic;
    // Offsets from the TIFF base are taken as signed 32-bit numbers.
    m_dansIFD0 = true;
    const bool ifd0 = LireIFD(m_base + qint32(Lire32(entete + 4, m_grosBoutiste)));
    m_dansIFD0 = false;
    if (!ifd0)
        return false;
    const bool exif = m_offsetExif == 0 || LireIFD(m_base + qint32(m_offsetExif));
    // An Exif IFD without an ISO, or that cannot be read, gives no ISO.
    if (m_isoPanasonic && m_enr.ISO.isEmpty())
        m_enr.ISO = TexteISO(*m_isoPanasonic);
    if (!exif)
        return false;
    if (m_offsetNote != 0 && m_enr.ISO.isEmpty())
        return LireISONikon();
    return true;
}

bool TLectureEXIF::LireIFD(qint64 position)
{
    unsigned char octets[12];
    if (!m_flux.Lire(position, 2, octets))
        return false;
    const quint32 nombre = Lire16(octets, m_grosBoutiste);
    for (quint32 i = 0; i < nombre; ++i) {
        if (!m_flux.Lire(position + 2 + 12 * qint64(i), 12, octets))
            return false;
        const quint16 tag = Lire16(octets, m_grosBoutiste);
        switch (tag) {
        case kTagModel:
        case kTagExposureTime:
        case kTagFNumber:
        case kTagFocalLength:
        case kTagDateTimeOriginal:
        case kTagISOSpeedRatings:
            if (!LireValeur(tag, Lire16(octets + 2, m_grosBoutiste), Lire32(octets + 4, m_grosBoutiste),
                            octets + 8))
                return false;
            break;
        case kTagExifIFD:
            m_offsetExif = Lire32(octets + 8, m_grosBoutiste);
            break;
        case kTagMakerNote:
            m_offsetNote = Lire32(octets + 8, m_grosBoutiste);
            break;
        case kTagISOPanasonic:
            // A SHORT or a LONG, in the value field.
            if (m_panasonic && m_dansIFD0 && Lire32(octets + 4, m_grosBoutiste) >= 1) {
                const quint16 type = Lire16(octets + 2, m_grosBoutiste);
                if (type == 3)
                    m_isoPanasonic = Lire16(octets + 8, m_grosBoutiste);
                else if (type == 4 && Lire32(octets + 8, m_grosBoutiste) <= 0xFFFF)
                    m_isoPanasonic = quint16(Lire32(octets + 8, m_grosBoutiste));
            }
            break;
        default:
            break;
        }
    }
    return true;
}

// One value tag: `champ` is the entry's 4-byte value field as it stands in the file.
bool TLectureEXIF::LireValeur(quint16 tag, quint16 type, quint32 nombre, const unsigned char *champ)
{
    const quint32 tailleItem = TailleType(type);
    if (tailleItem == 0)
        return true; // a type outside 1..12: passed over
    const qint64 taille = qint64(tailleItem) * nombre; // up to 8 × (2^32 - 1): no overflow
    const bool dansChamp = taille <= 4;
    const qint64 position = dansChamp ? -1 : m_base + qint32(Lire32(champ, m_grosBoutiste));

    if (tag == kTagModel || tag == kTagDateTimeOriginal) {
        QByteArrayView texte;
        QByteArray tampon;
        if (dansChamp)
            texte = QByteArrayView(reinterpret_cast<const char *>(champ), qsizetype(taille));
        else if (!m_flux.LireTexte(position, taille, tampon, texte)) // data outside the file: the end
            return false;
        m_octetsTextes += texte.size();
        if (m_octetsTextes > kBudgetTextes)
            return false;
        if (tag == kTagModel) {
            m_enr.Appareil = TexteAppareil(texte);
        } else if (auto date = TexteDate(texte)) {
            m_enr.DatePDV = *date;
        }
        return true;
    }

    if (tag == kTagISOSpeedRatings) {
        // The first SHORT of the data: in the value field, or at its offset when longer.
        unsigned char court[2];
        if (dansChamp) {
            std::memcpy(court, champ, 2);
        } else {
            // The whole data must lie in the file, as for any other value.
            if (!m_flux.Contient(position, taille) || !m_flux.Lire(position, 2, court))
                return false;
        }
        m_enr.ISO = TexteISO(Lire16(court, m_grosBoutiste));
        return true;
    }

    // The rationals: the first 8 bytes of the data; shorter data is passed over.
    if (taille < 8)
        return true;
    unsigned char rationnel[8];
    if (!m_flux.Contient(position, taille) || !m_flux.Lire(position, 8, rationnel))
        return false;
    const qint32 num = qint32(Lire32(rationnel, m_grosBoutiste));
    const qint32 den = qint32(Lire32(rationnel + 4, m_grosBoutiste));
    std::optional<QString> texte;
    if (tag == kTagFocalLength)
        texte = TexteFocale(num, den);
    else if (tag == kTagExposureTime)
        texte = TexteVitesse(num, den);
    else
        texte = TexteDiaphragme(num, den);
    if (texte) {
        QString &champTexte = tag == kTagFocalLength ? m_enr.Focale
                            : tag == kTagExposureTime ? m_enr.Vitesse
                                                      : m_enr.Diaphragme;
        champTexte = *texte;
    }
    return true;
}

bool TLectureEXIF::LireISONikon()
{
    const qint64 note = m_base + qint32(m_offsetNote);
    unsigned char entete[20];
    if (!m_flux.Lire(note, 6, entete))
        return false;
    if (std::memcmp(entete, "Nikon\0", 6) != 0)
        return true; // not a Nikon maker note: not read
    if (!m_flux.Lire(note + 10, 2, entete + 10) || !m_flux.Lire(note + 18, 2, entete + 18))
        return false;
    const bool grosBoutiste = entete[10] == 'M' && entete[11] == 'M';
    const quint32 nombre = Lire16(entete + 18, grosBoutiste);
    unsigned char entree[12];
    for (quint32 i = 0; i < nombre; ++i) {
        if (!m_flux.Lire(note + 20 + 12 * qint64(i), 12, entree))
            return false;
        if (Lire16(entree, grosBoutiste) == kTagISONikon) {
            // The value field holds two SHORTs; the second is the ISO.
            m_enr.ISO = TexteISO(Lire16(entree + 10, grosBoutiste));
            return true;
        }
    }
    return true;
}

qint64 PositionDisposition(TDisposition disposition)
{
    switch (disposition) {
    case TDisposition::JPEG:
        return kPositionJPEG;
    case TDisposition::TIFF:
        return 0;
    case TDisposition::RAF:
        return kPositionRAF;
    case TDisposition::MRW:
        return 48;
    case TDisposition::MediaISO:
        return kPositionISO;
    case TDisposition::Film:
        return kPositionFilm;
    }
    return kPositionAucune;
}

} // namespace

bool ChercherAPP1(IFluxOctets &flux, qint64 debut, qint64 &position)
{
    qint64 p = debut + 2; // the SOI marker is not examined
    unsigned char octets[4];
    while (true) {
        if (!flux.Lire(p, 2, octets))
            return false;
        if (octets[0] == 0xFF && octets[1] == 0xE1) {
            position = p + 2;
            return true;
        }
        if (octets[0] != 0xFF)
            return false;
        // Every other marker is taken to carry a big-endian length, which counts itself.
        if (!flux.Lire(p + 2, 2, octets + 2))
            return false;
        p += 2 + Lire16(octets + 2, true);
    }
}

bool EstJPEG(const QString &nom)
{
    const qint64 position = PositionEXIF(nom);
    return position == kPositionJPEG;
}

qint64 PositionEXIF(const QString &nom, bool formatsEtendus)
{
    const TFormatImage *format = FormatImage(nom, formatsEtendus);
    if (!format)
        return kPositionAucune;
    return PositionDisposition(format->disposition);
}

qint64 PositionSelonContenu(IFluxOctets &flux, qint64 positionExtension)
{
    unsigned char debut[kOctetsSignature];
    const qint64 n = qMin(flux.Taille(), qint64(kOctetsSignature));
    if (n <= 0 || !flux.Lire(0, n, debut))
        return positionExtension == kPositionFilm ? kPositionAucune : positionExtension;
    const std::optional<TDisposition> disposition = DispositionSelonContenu(debut, n);
    if (disposition)
        return PositionDisposition(*disposition);
    // A video is read only when its content shows the boxes of one.
    return positionExtension == kPositionFilm ? kPositionAucune : positionExtension;
}

bool LireEXIF(IFluxOctets &flux, qint64 position, TEnrEXIF &enr, bool formatsEtendus)
{
    return TLectureEXIF(flux, enr, formatsEtendus).Executer(position);
}

bool LireEXIF(const QString &chemin, qint64 position, TEnrEXIF &enr, bool formatsEtendus)
{
    TFluxFichier fichier(chemin);
    if (!fichier.Ouvert())
        return false;
    return LireEXIF(fichier, position, enr, formatsEtendus);
}

TIssueLecture LireEXIFFichierIssue(const QString &chemin, TEnrEXIF &enr, int *erreur, bool formatsEtendus)
{
    enr = TEnrEXIF{};
    qint64 position = PositionEXIF(chemin, formatsEtendus);
    if (position == kPositionAucune)
        return TIssueLecture::SansValeur;
    TFluxFichier fichier(chemin);
    bool succes = false;
    if (fichier.Ouvert()) {
        const bool clip = position == kPositionFilm;
        if (formatsEtendus)
            position = PositionSelonContenu(fichier, position);
        TLectureEXIF lecture(fichier, enr, formatsEtendus);
        if (clip)
            lecture.DefinirClip(chemin);
        succes = lecture.Executer(position);
    }
    if (fichier.Erreur() != 0) {
        if (erreur)
            *erreur = fichier.Erreur();
        enr.Valide = false;
        return TIssueLecture::Illisible;
    }
    enr.Valide = succes
        && !(enr.Appareil.isEmpty() && enr.Focale.isEmpty() && enr.Vitesse.isEmpty()
             && enr.Diaphragme.isEmpty() && enr.DatePDV.isEmpty() && enr.ISO.isEmpty());
    return enr.Valide ? TIssueLecture::Valeurs : TIssueLecture::SansValeur;
}

bool LireEXIFFichier(const QString &chemin, TEnrEXIF &enr, bool formatsEtendus)
{
    return LireEXIFFichierIssue(chemin, enr, nullptr, formatsEtendus) == TIssueLecture::Valeurs;
}
