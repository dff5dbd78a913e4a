// Speed of the image scan and of the target composition over a generated tree: counting
// pass (and a QDirIterator listing as its baseline), reading pass, sort, and the copy and
// rename targets of every image. Goal: counting, sorting and composing together take
// under 10 % of the reading pass. The reading pass is timed with and without the
// companions looked up, on the same tree, which has none: goal within 5 %.
//   bench_scan [number of files, 20000 by default] [folders, 200] [bytes per file, 16384]
//   CLARVANE_BENCH_ARBRE=folder bench_scan ...   keeps the tree there for the next runs
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>

#include "../tests/support/FauxOptions.h"
#include "commun_generateur.h"
#include "engine/Compagnons.h"
#include "engine/ComposerDonnees.h"
#include "engine/OptionsNommage.h"
#include "metadata/ChercherImages.h"

namespace {

constexpr int kPassages = 5;

struct TMesure {
    const char *nom;
    qint64 meilleurNs = -1;
    void Noter(qint64 ns)
    {
        if (meilleurNs < 0 || ns < meilleurNs)
            meilleurNs = ns;
    }
};

void Afficher(const TMesure &m, int nombre)
{
    std::printf("%-40s: %10.0f files/s  (%8.2f ms)\n", m.nom, nombre * 1e9 / double(m.meilleurNs),
                m.meilleurNs / 1e6);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int nombre = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    const int dossiers = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    const int taille = argc > 3 ? std::max(1024, std::atoi(argv[3])) : 16384;

    // CLARVANE_BENCH_ARBRE names a folder to keep the tree in, made on the first run and
    // used as it is by the next ones: two builds then measure the very same tree.
    QTemporaryDir tmp;
    const QString garde = qEnvironmentVariable("CLARVANE_BENCH_ARBRE");
    if (garde.isEmpty() && !tmp.isValid()) {
        std::fprintf(stderr, "bench_scan: no temporary folder\n");
        return 1;
    }
    const QString racine = (garde.isEmpty() ? tmp.path() : garde) + QLatin1Char('/');
    if (garde.isEmpty() || !QDir(racine).exists() || QDir(racine).isEmpty()) {
        const int ecrits = GenererArbreJPEG(racine, nombre, dossiers, taille);
        if (ecrits != nombre) {
            std::fprintf(stderr, "bench_scan: %d files of %d written\n", ecrits, nombre);
            return 1;
        }
    }
    const QString destination = racine + QStringLiteral("Tri/");

    TMesure comptage{"counting pass (ChercherImages)"};
    TMesure iterateur{"  baseline: QDirIterator + size"};
    TMesure lecture{"reading pass (ChercherImages)"};
    TMesure lectureCompagnons{"  the same, companions looked up"};
    TMesure bilan{"  then: what was not kept (ComparerPassages)"};
    TMesure tri{"sort (TrierListe)"};
    TMesure copie{"copy targets (values, folder, path)"};
    TMesure occupe{"  then: is the target taken (lstat)"};
    TMesure renommage{"rename targets (values, new path)"};

    TListeImages liste;
    int etapes = 0;
    bool coherent = true;
    qint64 tailleTotale = 0;
    for (int passage = 0; passage <= kPassages; ++passage) { // passage 0 warms the cache
        int n = 0;
        qint64 t = 0;
        TListeImages inutile;
        // Both passes note what they met, as a run has them do.
        TBilanScan bilanComptage;
        const qint64 c = ChronometrerNs(
            [&] { ChercherImages(racine, n, t, true, true, inutile, {}, &bilanComptage); });

        int nIt = 0;
        qint64 tIt = 0;
        const qint64 i = ChronometrerNs([&] {
            for (QDirIterator it(racine, QDir::Files | QDir::NoDotAndDotDot,
                                 QDirIterator::Subdirectories);
                 it.hasNext();) {
                it.next();
                if (EstImage(it.fileName())) {
                    ++nIt;
                    tIt += it.fileInfo().size();
                }
            }
        });

        liste.clear();
        etapes = 0;
        TBilanScan bilanLecture;
        const qint64 l = ChronometrerNs([&] {
            ChercherImages(racine, n, t, false, true, liste, [&] { return ++etapes > 0; }, &bilanLecture);
        });
        // The same pass as a run makes it, with the companions' rules: alternating with
        // the pass without them, so that both meet the same state of the machine.
        TListeImages listeCompagnons;
        TBilanScan bilanCompagnons;
        TParametresScan avecCompagnons;
        avecCompagnons.compagnons = ReglesCompagnons();
        int etapesCompagnons = 0;
        const qint64 lc = ChronometrerNs([&] {
            ChercherImages(racine, n, t, false, true, listeCompagnons,
                           [&] { return ++etapesCompagnons > 0; }, &bilanCompagnons, avecCompagnons);
        });
        qsizetype nonRetenus = -1;
        const qint64 b = ChronometrerNs([&] {
            nonRetenus = ComparerPassages(bilanComptage, bilanLecture).Fichiers.size();
        });

        TListeImages aTrier = liste;
        aTrier.detach(); // the copy is made here, not inside the timed sort
        const qint64 s = ChronometrerNs([&] { TrierListe(aTrier); });

        TFauxOptions source;
        source.options.cOrdreDonEXIF = QStringLiteral("APfvdI");
        qsizetype longueurs = 0;
        QStringList cibles;
        cibles.reserve(aTrier.size());
        const qint64 k = ChronometrerNs([&] {
            for (const TEnrFichier &f : aTrier) {
                const QString valeurs = ComposerDonnees(*f.EXIF, source.Options());
                cibles.append(DossierCibleCopie(destination, valeurs));
            }
        });
        const qint64 o = ChronometrerNs([&] {
            for (qsizetype j = 0; j < aTrier.size(); ++j)
                longueurs += CheminCibleCopie(cibles[j], aTrier[j].Nom).size();
        });
        TFauxOptions sourceRenommage;
        sourceRenommage.options.cOrdreDonEXIF = QStringLiteral("APfvdI");
        sourceRenommage.options.lCopier = false;
        const qint64 r = ChronometrerNs([&] {
            for (const TEnrFichier &f : aTrier) {
                const TEnrOptions o = sourceRenommage.Options();
                longueurs += CheminRenomme(f, ComposerDonnees(*f.EXIF, o), o).size();
            }
        });

        coherent = coherent && n == nombre && nIt == nombre && t == tIt && etapes == nombre
            && liste.size() == nombre && longueurs > 0 && nonRetenus == 0
            && listeCompagnons.size() == nombre && etapesCompagnons == nombre
            && bilanCompagnons.Autres.isEmpty();
        tailleTotale = t;
        if (passage == 0)
            continue;
        comptage.Noter(c);
        iterateur.Noter(i);
        lecture.Noter(l);
        lectureCompagnons.Noter(lc);
        bilan.Noter(b);
        tri.Noter(s);
        copie.Noter(k);
        occupe.Noter(o);
        renommage.Noter(r);
    }
    if (!coherent) {
        std::fprintf(stderr, "bench_scan: the passes disagree on the tree (%lld images kept)\n",
                     static_cast<long long>(liste.size()));
        return 1;
    }

    std::printf("tree: %d JPEG of %d bytes in %d folders (%lld bytes), best of %d passes, "
                "warm cache\n",
                nombre, taille, dossiers, static_cast<long long>(tailleTotale), kPassages);
    for (const TMesure *m : {&comptage, &iterateur, &lecture, &lectureCompagnons, &bilan, &tri, &copie,
                             &occupe, &renommage})
        Afficher(*m, nombre);
    const double autres = double(comptage.meilleurNs + tri.meilleurNs + copie.meilleurNs);
    std::printf("counting + sort + copy targets / reading pass: %.1f %% (goal: under 10 %%)\n",
                100.0 * autres / double(lecture.meilleurNs));
    std::printf("the same with the taken-target checks       : %.1f %%\n",
                100.0 * (autres + double(occupe.meilleurNs)) / double(lecture.meilleurNs));
    std::printf("reading with / without companions looked up : %.3f (goal: under 1.05)\n",
                double(lectureCompagnons.meilleurNs) / double(lecture.meilleurNs));
    std::printf("counting pass / QDirIterator baseline        : %.2f\n",
                double(comptage.meilleurNs) / double(iterateur.meilleurNs));
    return 0;
}
