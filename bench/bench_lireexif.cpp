// Reading speed of the EXIF reader against the floor of the system: opening each file,
// reading its first 4 KB and closing it. Both run over the same generated tree, cache warm.
//   bench_lireexif [number of files, 5000 by default]
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "commun_generateur.h"
#include "metadata/LireEXIF.h"

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int nombre = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    constexpr int kPassages = 5;

    QTemporaryDir dossier;
    if (!dossier.isValid()) {
        std::fprintf(stderr, "bench_lireexif: no temporary folder\n");
        return 1;
    }
    const int ecrits = GenererArbreJPEG(dossier.path(), nombre, std::max(1, nombre / 250));
    if (ecrits != nombre) {
        std::fprintf(stderr, "bench_lireexif: %d files of %d written\n", ecrits, nombre);
        return 1;
    }
    QStringList chemins;
    QList<QByteArray> noms;
    for (QDirIterator it(dossier.path(), {QStringLiteral("*.JPG")}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();) {
        chemins.append(it.next());
        noms.append(QFile::encodeName(chemins.last()));
    }

    int valides = 0;
    const auto lecteur = [&] {
        TEnrEXIF enr;
        for (const QString &c : chemins)
            valides += LireEXIFFichier(c, enr) ? 1 : 0;
    };
    qint64 octetsLus = 0;
    const auto plancher = [&] { octetsLus += LirePlancher(noms); };

    lecteur(); // warm the cache
    plancher();
    if (valides != nombre) {
        std::fprintf(stderr, "bench_lireexif: %d files of %d read as valid\n", valides, nombre);
        return 1;
    }
    qint64 meilleurLecteur = -1, meilleurPlancher = -1;
    for (int i = 0; i < kPassages; ++i) { // interleaved, best of each
        const qint64 l = ChronometrerNs(lecteur);
        const qint64 p = ChronometrerNs(plancher);
        if (meilleurLecteur < 0 || l < meilleurLecteur)
            meilleurLecteur = l;
        if (meilleurPlancher < 0 || p < meilleurPlancher)
            meilleurPlancher = p;
    }
    const double parSecondeLecteur = nombre * 1e9 / double(meilleurLecteur);
    const double parSecondePlancher = nombre * 1e9 / double(meilleurPlancher);
    std::printf("files: %d JPEG of %d bytes, best of %d passes, warm cache\n", nombre,
                int(QFileInfo(chemins.first()).size()), kPassages);
    std::printf("LireEXIFFichier       : %10.0f files/s  (%.1f ms)\n", parSecondeLecteur, meilleurLecteur / 1e6);
    std::printf("open+pread 4 KB+close : %10.0f files/s  (%.1f ms)\n", parSecondePlancher, meilleurPlancher / 1e6);
    std::printf("ratio reader / floor  : %10.2f\n", double(meilleurLecteur) / double(meilleurPlancher));
    return octetsLus > 0 ? 0 : 1;
}
