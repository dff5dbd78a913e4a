#include "commun_generateur.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QList>

namespace {

struct TAppareil {
    const char *marque;
    const char *modele;
    bool grosBoutiste;
    bool noteNikon; // a Nikon maker note holding the ISO
};

constexpr TAppareil kAppareils[] = {
    {"Canon", "Canon EOS 5D Mark II", false, false},
    {"NIKON CORPORATION", "NIKON D700", true, true},
    {"NIKON CORPORATION", "NIKON D7000", true, true},
    {"SONY", "ILCE-7M3", false, false},
    {"FUJIFILM", "X-T2", false, false},
    {"OLYMPUS IMAGING CORP.", "E-M5", false, false},
    {"PENTAX", "PENTAX K-5", true, false},
    {"Panasonic", "DMC-GH4", false, false},
    {"Canon", "Canon EOS 400D DIGITAL", false, false},
    {"NIKON", "COOLPIX P7100", true, true},
};
constexpr quint16 kISO[] = {100, 200, 400, 800, 1600, 3200, 6400, 125, 160, 250};
constexpr quint32 kVitesses[][2] = {{1, 125}, {1, 60}, {1, 250}, {1, 4000}, {10, 1250},
                                    {1, 30}, {2, 1}, {1, 8}, {4, 10}, {1, 1000}};
constexpr quint32 kDiaphragmes[][2] = {{28, 10}, {40, 10}, {56, 10}, {8, 1}, {11, 1},
                                       {45, 10}, {18, 10}, {63, 10}, {16, 1}, {35, 10}};
constexpr quint32 kFocales[][2] = {{50, 1}, {35, 1}, {85, 1}, {240, 10}, {580, 10},
                                   {105, 1}, {200, 1}, {14, 1}, {725, 100}, {18, 1}};

class TEcrivain {
public:
    explicit TEcrivain(bool mm) : m_mm(mm) {}
    QByteArray C(quint16 v) const
    {
        QByteArray b(2, '\0');
        b[m_mm ? 0 : 1] = char(v >> 8);
        b[m_mm ? 1 : 0] = char(v);
        return b;
    }
    QByteArray L(quint32 v) const
    {
        QByteArray b(4, '\0');
        for (int i = 0; i < 4; ++i)
            b[m_mm ? 3 - i : i] = char(v >> (8 * i));
        return b;
    }

private:
    bool m_mm;
};

struct TEntree {
    quint16 tag, type;
    quint32 nombre;
    QByteArray donnees; // already in the structure's byte order
};

// Lays out the IFD at `debut` (offset from the TIFF base); long data goes right after it.
QByteArray IFD(const TEcrivain &e, QList<TEntree> entrees, quint32 debut, quint32 suivant)
{
    const quint32 taille = quint32(2 + 12 * entrees.size() + 4);
    QByteArray tete = e.C(quint16(entrees.size())), zone;
    for (const TEntree &x : entrees) {
        tete += e.C(x.tag) + e.C(x.type) + e.L(x.nombre);
        if (x.donnees.size() <= 4) {
            tete += x.donnees + QByteArray(4 - x.donnees.size(), '\0');
        } else {
            tete += e.L(debut + taille + quint32(zone.size()));
            zone += x.donnees;
            if (zone.size() % 2)
                zone += '\0';
        }
    }
    return tete + e.L(suivant) + zone;
}

QByteArray Segment(quint8 marqueur, const QByteArray &corps)
{
    const int longueur = int(corps.size()) + 2;
    QByteArray s;
    s.append(char(0xFF)).append(char(marqueur)).append(char(longueur >> 8)).append(char(longueur));
    return s + corps;
}

QByteArray Texte(const QByteArray &t) { return t + QByteArray(1, '\0'); }

// A Nikon type-3 maker note (its own TIFF header after "Nikon\0\2\x10\0\0"), about 30
// entries, ISO in tag 0x0002; other makers get a plain IFD of the same size.
QByteArray NoteConstructeur(bool nikon, bool mm, quint16 iso)
{
    const TEcrivain e(mm);
    QList<TEntree> entrees;
    if (nikon)
        entrees.append({0x0002, 3, 2, e.C(0) + e.C(iso)});
    for (quint16 t = 0x0003; entrees.size() < 30; ++t)
        if (t != 0x0011) // a sub-IFD pointer in Nikon's notes
            entrees.append({t, 7, 12, QByteArray("NORMAL      ", 12)});
    if (!nikon)
        return IFD(e, entrees, 0, 0);
    QByteArray note("Nikon\0\x02\x10\0\0", 10);
    note += mm ? "MM" : "II";
    note += e.C(42) + e.L(8);
    return note + IFD(e, entrees, 8, 0);
}

QByteArray Exif(int n)
{
    const TAppareil &a = kAppareils[n % 10];
    const TEcrivain e(a.grosBoutiste);
    const quint16 iso = kISO[(n / 10) % 10];
    const auto rat = [&](const quint32 (&r)[2]) { return e.L(r[0]) + e.L(r[1]); };
    const QByteArray date = QStringLiteral("%1:%2:%3 %4:%5:%6")
                                .arg(2003 + n % 21).arg(1 + (n / 7) % 12, 2, 10, QLatin1Char('0'))
                                .arg(1 + (n / 3) % 28, 2, 10, QLatin1Char('0'))
                                .arg(n % 24, 2, 10, QLatin1Char('0')).arg((n / 24) % 60, 2, 10, QLatin1Char('0'))
                                .arg(n % 60, 2, 10, QLatin1Char('0'))
                                .toLatin1();

    const QList<TEntree> ifd0 = {
        {0x010F, 2, quint32(qstrlen(a.marque) + 1), Texte(a.marque)},
        {0x0110, 2, quint32(qstrlen(a.modele) + 1), Texte(a.modele)},
        {0x0112, 3, 1, e.C(1)},
        {0x011A, 5, 1, e.L(300) + e.L(1)},
        {0x011B, 5, 1, e.L(300) + e.L(1)},
        {0x0128, 3, 1, e.C(2)},
        {0x0131, 2, 11, Texte("Ver.1.00  ")},
        {0x0132, 2, 20, Texte(date)},
        {0x0213, 3, 1, e.C(2)},
        {0x8769, 4, 1, {}}, // filled below
    };
    const bool isoDansNote = a.noteNikon && n % 3 == 0; // some files carry it there only
    const QByteArray note = NoteConstructeur(a.noteNikon, a.grosBoutiste, iso);
    QList<TEntree> exif = {
        {0x829A, 5, 1, rat(kVitesses[n % 10])},
        {0x829D, 5, 1, rat(kDiaphragmes[(n / 3) % 10])},
        {0x8822, 3, 1, e.C(3)},
        {0x9000, 7, 4, QByteArray("0230")},
        {0x9003, 2, 20, Texte(date)},
        {0x9004, 2, 20, Texte(date)},
        {0x9101, 7, 4, QByteArray("\1\2\3\0", 4)},
        {0x9201, 10, 1, e.L(7) + e.L(1)},
        {0x9202, 5, 1, e.L(5) + e.L(1)},
        {0x9204, 10, 1, e.L(0) + e.L(3)},
        {0x9205, 5, 1, e.L(3) + e.L(1)},
        {0x9207, 3, 1, e.C(5)},
        {0x9209, 3, 1, e.C(16)},
        {0x920A, 5, 1, rat(kFocales[(n / 2) % 10])},
        {0x927C, 7, quint32(note.size()), note},
        {0x9286, 7, 44, QByteArray("ASCII\0\0\0", 8) + QByteArray(36, ' ')},
        {0xA000, 7, 4, QByteArray("0100")},
        {0xA001, 3, 1, e.C(1)},
        {0xA002, 4, 1, e.L(6000)},
        {0xA003, 4, 1, e.L(4000)},
        {0xA406, 3, 1, e.C(0)},
    };
    if (!isoDansNote)
        exif.insert(3, {0x8827, 3, 1, e.C(iso)});

    // Thumbnail: a small JPEG stream of its own.
    QByteArray vignette("\xFF\xD8", 2);
    vignette += Segment(0xDB, QByteArray(65, '\x02'));
    QByteArray corps(5000, '\0');
    for (int i = 0; i < corps.size(); ++i)
        corps[i] = char((i * 131 + n) & 0x7F);
    vignette += corps + QByteArray("\xFF\xD9", 2);

    // Layout: header (8), IFD0, Exif IFD, IFD1, thumbnail.
    const quint32 debut0 = 8;
    QByteArray bloc0 = IFD(e, ifd0, debut0, 0); // sizes first, offsets after
    const quint32 debutExif = debut0 + quint32(bloc0.size());
    QList<TEntree> ifd0Final = ifd0;
    ifd0Final.last().donnees = e.L(debutExif);
    QByteArray blocExif = IFD(e, exif, debutExif, 0);
    const quint32 debut1 = debutExif + quint32(blocExif.size());
    bloc0 = IFD(e, ifd0Final, debut0, debut1);
    const quint32 tailleIFD1 = 2 + 12 * 6 + 4 + 16;
    const quint32 debutVignette = debut1 + tailleIFD1;
    const QList<TEntree> ifd1 = {
        {0x0103, 3, 1, e.C(6)},
        {0x011A, 5, 1, e.L(72) + e.L(1)},
        {0x011B, 5, 1, e.L(72) + e.L(1)},
        {0x0128, 3, 1, e.C(2)},
        {0x0201, 4, 1, e.L(debutVignette)},
        {0x0202, 4, 1, e.L(quint32(vignette.size()))},
    };
    const QByteArray bloc1 = IFD(e, ifd1, debut1, 0);
    QByteArray tiff = a.grosBoutiste ? QByteArray("MM") : QByteArray("II");
    tiff += e.C(42) + e.L(debut0) + bloc0 + blocExif + bloc1;
    tiff += QByteArray(int(debutVignette) - tiff.size(), '\0');
    return QByteArray("Exif\0\0", 6) + tiff + vignette;
}

} // namespace

QByteArray JPEGRealiste(int numero, int tailleOctets)
{
    QByteArray j("\xFF\xD8", 2);
    j += Segment(0xE0, QByteArray("JFIF\0\x01\x01\x01\0\x48\0\x48\0\0", 14));
    j += Segment(0xE1, Exif(numero));
    j += Segment(0xDB, QByteArray(1, '\0') + QByteArray(64, '\x03'));
    j += Segment(0xDB, QByteArray(1, '\x01') + QByteArray(64, '\x05'));
    j += Segment(0xC0, QByteArray("\x08\x0F\xA0\x17\x70\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 15));
    j += Segment(0xC4, QByteArray(1, '\0') + QByteArray(16, '\x01') + QByteArray(16, '\x07'));
    j += Segment(0xDA, QByteArray("\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 10));
    const int reste = qMax(0, tailleOctets - int(j.size()) - 2);
    QByteArray donnees(reste, Qt::Uninitialized);
    quint32 x = 2463534242u ^ quint32(numero);
    for (int i = 0; i < reste; ++i) { // xorshift noise, with no marker byte
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        donnees[i] = char(x & 0x7F);
    }
    return j + donnees + QByteArray("\xFF\xD9", 2);
}

int GenererArbreJPEG(const QString &racine, int nombreFichiers, int nombreDossiers, int tailleOctets)
{
    nombreDossiers = qMax(1, nombreDossiers);
    const QString base = racine.endsWith(u'/') ? racine : racine + u'/';
    int ecrits = 0;
    for (int i = 0; i < nombreFichiers; ++i) {
        const QString dossier = base + QStringLiteral("%1_DCIM").arg(100 + i % nombreDossiers) + u'/';
        if (i < nombreDossiers && !QDir().mkpath(dossier))
            continue;
        QFile f(dossier + QStringLiteral("IMG_%1.JPG").arg(i, 5, 10, QLatin1Char('0')));
        const QByteArray contenu = JPEGRealiste(i, tailleOctets);
        if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly) && f.write(contenu) == contenu.size())
            ++ecrits;
    }
    return ecrits;
}

qint64 ChronometrerNs(const std::function<void()> &action)
{
    QElapsedTimer chrono;
    chrono.start();
    action();
    return chrono.nsecsElapsed();
}

qint64 ChronometrerMs(const std::function<void()> &action)
{
    return ChronometrerNs(action) / 1000000;
}

qint64 LirePlancher(const QList<QByteArray> &chemins, int *vides)
{
    qint64 octets = 0;
    char bloc[4096];
    for (const QByteArray &c : chemins) {
        const int fd = ::open(c.constData(), O_RDONLY | O_CLOEXEC);
        const ssize_t n = fd < 0 ? -1 : ::pread(fd, bloc, sizeof bloc, 0);
        if (n > 0)
            octets += n;
        else if (vides)
            ++*vides;
        if (fd >= 0)
            ::close(fd);
    }
    return octets;
}
