// Reading speed of today's formats and of videos against the floor of the system (opening
// each file, reading its first 4 KB, closing it), cache warm, files spread over 20
// folders: HEIC and CR3 files, copies of the sample images; videos as a phone writes them
// (a movie box of a 10-second clip with its sample tables and QuickTime keys), the movie
// before 40 MB of media data or after it (sparse files); Sony clips with their XML file.
// Also how many blocks of 4 KB (one pread each) the reading of each kind takes.
//   bench_formats [files of each kind, 2000 by default]
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "commun_generateur.h"
#include "metadata/FluxOctets.h"
#include "metadata/LireEXIF.h"

namespace {

constexpr int kDossiers = 20;
constexpr int kPassages = 9;

struct TResultat {
    qint64 lecteur = -1, plancher = -1;
    int valides = 0;
};

TResultat Mesurer(const QStringList &chemins)
{
    QList<QByteArray> noms;
    for (const QString &c : chemins)
        noms.append(QFile::encodeName(c));
    TResultat r;
    int valides = 0;
    const auto lecteur = [&] {
        TEnrEXIF enr;
        valides = 0;
        for (const QString &c : chemins)
            valides += LireEXIFFichier(c, enr) ? 1 : 0;
    };
    const auto plancher = [&] {
        int vides = 0;
        LirePlancher(noms, &vides);
        if (vides > 0)
            std::fprintf(stderr, "bench_formats: nothing read from %d files\n", vides);
    };
    lecteur(); // warm the cache
    plancher();
    r.valides = valides;
    for (int i = 0; i < kPassages; ++i) { // interleaved, best of each
        const qint64 l = ChronometrerNs(lecteur);
        const qint64 p = ChronometrerNs(plancher);
        if (r.lecteur < 0 || l < r.lecteur)
            r.lecteur = l;
        if (r.plancher < 0 || p < r.plancher)
            r.plancher = p;
    }
    return r;
}

// The preads of 4 KB that reading the file takes.
int Lectures(const QString &chemin)
{
    TFluxFichier fichier(chemin);
    TEnrEXIF enr;
    LireEXIF(fichier, PositionSelonContenu(fichier, PositionEXIF(chemin)), enr);
    return fichier.Lectures();
}

// Measures the files and prints the figures; false when not all of them were read.
bool Rapporter(const char *genre, const QStringList &chemins, qint64 octets, double but)
{
    const TResultat r = Mesurer(chemins);
    const qsizetype nombre = chemins.size();
    if (r.valides != nombre) {
        std::fprintf(stderr, "bench_formats: %d %s files of %lld read as valid\n", r.valides, genre,
                     static_cast<long long>(nombre));
        return false;
    }
    const double ratio = double(r.lecteur) / double(r.plancher);
    std::printf("%s: %lld files, %.0f MB, %d pread(s) of 4 KB per file\n", genre, static_cast<long long>(nombre),
                octets / 1e6, Lectures(chemins.first()));
    std::printf("  LireEXIFFichier       : %10.0f files/s  (%.1f ms)\n", nombre * 1e9 / double(r.lecteur),
                r.lecteur / 1e6);
    std::printf("  open+pread 4 KB+close : %10.0f files/s  (%.1f ms)\n", nombre * 1e9 / double(r.plancher),
                r.plancher / 1e6);
    if (but > 0)
        std::printf("  ratio reader / floor  : %10.2f  (goal %.0fx: %s)\n", ratio, but, ratio <= but ? "met" : "NOT met");
    else
        std::printf("  ratio reader / floor  : %10.2f\n", ratio);
    return true;
}

QString CheminDans(const QString &racine, const char *genre, int i, const QString &extension)
{
    const QString sousDossier = racine + QStringLiteral("/%1_%2/").arg(QString::fromLatin1(genre)).arg(i % kDossiers, 3, 10, QLatin1Char('0'));
    QDir().mkpath(sousDossier);
    return sousDossier + QStringLiteral("C%1.").arg(i, 4, 10, QLatin1Char('0')) + extension;
}

// Videos --------------------------------------------------------------------------------

QByteArray GB32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[3 - i] = char(v >> (8 * i));
    return b;
}

QByteArray Boite(const char *type, const QByteArray &contenu)
{
    return GB32(quint32(8 + contenu.size())) + QByteArray(type, 4) + contenu;
}

QByteArray BoitePleine(const char *type, const QByteArray &contenu)
{
    return Boite(type, QByteArray(4, '\0') + contenu);
}

// A track of `echantillons` samples in `morceaux` chunks: its header, media header,
// handler, and the sample tables that make most of a movie box.
QByteArray Piste(const char *gestionnaire, int echantillons, int morceaux)
{
    QByteArray tailles = GB32(0) + GB32(quint32(echantillons));
    for (int i = 0; i < echantillons; ++i)
        tailles += GB32(quint32(20000 + (i * 7919) % 30000));
    QByteArray positions = GB32(quint32(morceaux));
    for (int i = 0; i < morceaux; ++i)
        positions += GB32(quint32(4096 + i * 400000));
    const QByteArray stbl = Boite("stbl", BoitePleine("stsd", GB32(1) + Boite("avc1", QByteArray(78, '\x01')))
                                              + BoitePleine("stts", GB32(1) + GB32(quint32(echantillons)) + GB32(1001))
                                              + BoitePleine("stsz", tailles)
                                              + BoitePleine("stsc", GB32(1) + GB32(1) + GB32(quint32(echantillons / morceaux)) + GB32(1))
                                              + BoitePleine("stco", positions));
    const QByteArray mdia = Boite("mdia", BoitePleine("mdhd", QByteArray(20, '\0'))
                                              + BoitePleine("hdlr", GB32(0) + gestionnaire + QByteArray(13, '\0'))
                                              + Boite("minf", stbl));
    return Boite("trak", BoitePleine("tkhd", QByteArray(80, '\0')) + mdia);
}

// The movie box of a 10-second clip as a phone writes it: movie header, a video and an
// audio track, then QuickTime keys with the model and the creation date.
QByteArray MoovTelephone(int numero)
{
    const QByteArray noms[] = {"com.apple.quicktime.make", "com.apple.quicktime.model",
                               "com.apple.quicktime.software", "com.apple.quicktime.creationdate"};
    const QByteArray valeurs[] = {"Apple", numero % 2 ? "iPhone 15 Pro" : "iPhone 13 mini", "17.5.1",
                                  QByteArrayLiteral("2024-08-") + QByteArray::number(10 + numero % 20)
                                      + "T18:42:07+0200"};
    QByteArray cles = GB32(4), items;
    for (int i = 0; i < 4; ++i) {
        cles += GB32(quint32(8 + noms[i].size())) + "mdta" + noms[i];
        // An item is named by its key's index.
        const QByteArray donnees = Boite("data", GB32(1) + GB32(0) + valeurs[i]);
        items += GB32(quint32(8 + donnees.size())) + GB32(quint32(i + 1)) + donnees;
    }
    const QByteArray meta = Boite("meta", BoitePleine("hdlr", GB32(0) + "mdta" + QByteArray(13, '\0'))
                                              + BoitePleine("keys", cles) + Boite("ilst", items));
    const QByteArray mvhd = BoitePleine("mvhd", GB32(3800000000u) + GB32(3800000000u) + GB32(600) + GB32(6000)
                                                    + QByteArray(80, '\0'));
    return Boite("moov", mvhd + Piste("vide", 300, 30) + Piste("soun", 470, 10) + meta);
}

// A clip with `media` bytes of media data left as a hole (a sparse file), the movie
// before or after it.
bool EcrireVideo(const QString &chemin, int numero, bool moovApres, qint64 media)
{
    const QByteArray ftyp = Boite("ftyp", "qt  " + GB32(0) + "qt  ");
    const QByteArray moov = MoovTelephone(numero);
    const QByteArray mdat = GB32(1) + "mdat" + GB32(quint32(quint64(media + 16) >> 32)) + GB32(quint32(media + 16));
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    bool ok = f.write(ftyp + (moovApres ? mdat : moov + mdat)) > 0;
    ok = ok && f.resize(f.size() + media) && f.seek(f.size());
    if (moovApres)
        ok = ok && f.write(moov) == moov.size();
    return ok;
}

// The values of a Sony clip are in its XML file beside it.
QByteArray XMLSony(int numero)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<NonRealTimeMeta xmlns=\"urn:schemas-professionalDisc:nonRealTimeMeta:ver.2.00\">\n"
           "\t<Duration value=\"250\"/>\n\t<CreationDate value=\"2024-08-"
        + QByteArray::number(10 + numero % 20)
        + "T09:15:00+02:00\"/>\n\t<VideoFormat><VideoFrame videoCodec=\"AVC_3840_2160_HP@L51\"/></VideoFormat>\n"
          "\t<Device manufacturer=\"Sony\" modelName=\"ILCE-7M4\" serialNo=\"1234567\"/>\n"
          "\t<RecordingMode type=\"normal\" cacheRec=\"false\"/>\n</NonRealTimeMeta>\n";
}

// A Sony clip: the movie first, its header's time alone.
bool EcrireClipSony(const QString &chemin, int numero, qint64 media)
{
    const QByteArray ftyp = Boite("ftyp", "XAVC" + GB32(0) + "XAVCmp42");
    const QByteArray moov = Boite("moov", BoitePleine("mvhd", GB32(3800000000u) + GB32(3800000000u) + GB32(25000)
                                                                  + GB32(250000) + QByteArray(80, '\0'))
                                              + Piste("vide", 250, 25) + Piste("soun", 470, 10));
    QFile f(chemin);
    QFile xml(chemin.chopped(4) + QStringLiteral("M01.XML"));
    return f.open(QIODevice::WriteOnly) && f.write(ftyp + moov + GB32(8 + quint32(media)) + "mdat") > 0
        && f.resize(f.size() + media) && xml.open(QIODevice::WriteOnly) && xml.write(XMLSony(numero)) > 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int nombre = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const QString corpus = qEnvironmentVariable("CLARVANE_CORPUS", QStringLiteral(CLARVANE_CORPUS_DEFAUT))
        + QStringLiteral("/modern/");
    const struct {
        const char *format;
        QStringList sources;
    } formats[] = {
        {"HEIC", {corpus + QStringLiteral("IMG_3578.heic"), corpus + QStringLiteral("2021-02-13-1929.heic")}},
        {"CR3", {corpus + QStringLiteral("Canon-R6-pruned.CR3")}},
    };

    QTemporaryDir dossier;
    if (!dossier.isValid()) {
        std::fprintf(stderr, "bench_formats: no temporary folder\n");
        return 1;
    }
    std::printf("best of %d passes, warm cache, %d files of each kind in %d folders\n", kPassages, nombre,
                kDossiers);
    for (const auto &f : formats) {
        QStringList chemins;
        qint64 octets = 0;
        for (const QString &source : f.sources) {
            if (!QFile::exists(source)) {
                std::fprintf(stderr, "bench_formats: %s not found (CLARVANE_CORPUS)\n", qPrintable(source));
                return 1;
            }
        }
        for (int i = 0; i < nombre; ++i) {
            const QString source = f.sources[i % f.sources.size()];
            const QString chemin = CheminDans(dossier.path(), f.format, i, QFileInfo(source).suffix());
            if (!QFile::copy(source, chemin)) {
                std::fprintf(stderr, "bench_formats: cannot write %s\n", qPrintable(chemin));
                return 1;
            }
            octets += QFileInfo(chemin).size();
            chemins.append(chemin);
        }
        if (!Rapporter(f.format, chemins, octets, 0))
            return 1;
        for (const QString &c : chemins) // room for the next kind
            QFile::remove(c);
    }

    constexpr qint64 kMedia = 40 << 20;
    const struct {
        const char *genre;
        bool moovApres, sony;
        double but;
    } videos[] = {
        {"MOV, moov first", false, false, 3},
        {"MOV, moov after 40 MB of media", true, false, 4},
        {"MP4 Sony + XML", false, true, 0},
    };
    for (const auto &v : videos) {
        QStringList chemins;
        qint64 octets = 0;
        for (int i = 0; i < nombre; ++i) {
            const QString chemin = CheminDans(dossier.path(), v.sony ? "sony" : v.moovApres ? "apres" : "avant", i,
                                              v.sony ? QStringLiteral("MP4") : QStringLiteral("MOV"));
            if (!(v.sony ? EcrireClipSony(chemin, i, kMedia) : EcrireVideo(chemin, i, v.moovApres, kMedia))) {
                std::fprintf(stderr, "bench_formats: cannot write %s\n", qPrintable(chemin));
                return 1;
            }
            octets += QFileInfo(chemin).size();
            chemins.append(chemin);
        }
        if (!Rapporter(v.genre, chemins, octets, v.but))
            return 1;
        for (const QString &c : chemins)
            QFile::remove(c);
    }
    return 0;
}
