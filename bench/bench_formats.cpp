// Reading speed of today's formats against the floor of the system (opening each file,
// reading its first 4 KB, closing it): HEIC and CR3 files, copies of the sample images,
// spread over 20 folders, cache warm. Also how many blocks of 4 KB (one pread each) the
// reading of each sample takes.
//   bench_formats [files of each format, 2000 by default]
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
    std::printf("best of %d passes, warm cache, %d files of each format in %d folders\n", kPassages, nombre,
                kDossiers);
    for (const auto &f : formats) {
        QStringList chemins;
        qint64 octets = 0;
        for (const QString &source : f.sources) {
            QFile fichier(source);
            if (!fichier.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "bench_formats: %s not found (CLARVANE_CORPUS)\n", qPrintable(source));
                return 1;
            }
            // Read through 4 KB blocks as TFluxFichier reads a file: one pread per block.
            const QByteArray octets = fichier.readAll();
            TFluxMemoire flux(octets, TFluxFichier::kTailleBloc);
            TEnrEXIF enr;
            LireEXIF(flux, PositionSelonContenu(flux, PositionEXIF(source)), enr);
            std::printf("%-5s %-22s %8lld bytes: %d pread(s) of 4 KB, %s\n", f.format,
                        qPrintable(QFileInfo(source).fileName()), flux.Taille(), flux.Chargements(),
                        qPrintable(enr.Appareil));
        }
        for (int i = 0; i < nombre; ++i) {
            const QString source = f.sources[i % f.sources.size()];
            const QString sousDossier = dossier.path() + QStringLiteral("/%1_%2/").arg(QString::fromLatin1(f.format)).arg(i % kDossiers, 3, 10, QLatin1Char('0'));
            QDir().mkpath(sousDossier);
            const QString chemin = sousDossier + QStringLiteral("IMG_%1.").arg(i, 4, 10, QLatin1Char('0'))
                + QFileInfo(source).suffix();
            if (!QFile::copy(source, chemin)) {
                std::fprintf(stderr, "bench_formats: cannot write %s\n", qPrintable(chemin));
                return 1;
            }
            octets += QFileInfo(chemin).size();
            chemins.append(chemin);
        }
        const TResultat r = Mesurer(chemins);
        if (r.valides != nombre) {
            std::fprintf(stderr, "bench_formats: %d %s files of %d read as valid\n", r.valides, f.format, nombre);
            return 1;
        }
        std::printf("%-5s %d files, %.0f MB\n", f.format, nombre, octets / 1e6);
        std::printf("  LireEXIFFichier       : %10.0f files/s  (%.1f ms)\n", nombre * 1e9 / double(r.lecteur),
                    r.lecteur / 1e6);
        std::printf("  open+pread 4 KB+close : %10.0f files/s  (%.1f ms)\n", nombre * 1e9 / double(r.plancher),
                    r.plancher / 1e6);
        std::printf("  ratio reader / floor  : %10.2f\n", double(r.lecteur) / double(r.plancher));
        for (const QString &c : chemins) // room for the next format
            QFile::remove(c);
    }
    return 0;
}
