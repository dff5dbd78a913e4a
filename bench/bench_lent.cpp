// The image scan on a slow medium: a tree of JPEG files served through the benchmark's own
// FUSE file system (lent_fuse.h), which makes every open, stat and read wait a set time.
// In one run: the serial floor (open, pread 4 KB, close, one file at a time), a serial
// stat loop, today's counting and reading passes (ChercherImages), then the same passes
// with several requests in flight (LireEnParallele, worker threads) and with io_uring, at
// several counts in flight. The file system is mounted on a temporary folder and
// unmounted at the end, also when a pass fails or the run is interrupted.
//   bench_lent [delay per request in ms, 1] [files, 2000] [folders, 20] [bytes per file, 65536]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <liburing.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "../tests/support/ScanParallele.h"
#include "commun/NomsFichiers.h"
#include "commun_generateur.h"
#include "lent_fuse.h"
#include "metadata/ChercherImages.h"

namespace {

const int kEnVols[] = {1, 2, 4, 8, 16, 32, 64};

TFuseLent *g_fs = nullptr;

void Ligne(const char *nom, qint64 ns, qint64 plancherNs, int fichiers)
{
    std::printf("%-44s: %9.1f ms  %7.0f files/s  %5.2fx floor", nom, ns / 1e6,
                fichiers * 1e9 / double(ns), double(ns) / double(plancherNs));
    if (g_fs)
        std::printf("  [%ld stat, %ld open, %ld read, %d at once]", g_fs->compteurs.stats.load(),
                    g_fs->compteurs.ouvertures.load(), g_fs->compteurs.lectures.load(),
                    g_fs->compteurs.enCoursMax.load());
    std::printf("\n");
    std::fflush(stdout);
}

qint64 Mesurer(const std::function<void()> &action)
{
    if (g_fs)
        g_fs->RemettreCompteurs();
    return ChronometrerNs(action);
}

// One file as the floor reads it.
bool OuvrirLireFermer(const QByteArray &chemin)
{
    const int fd = ::open(chemin.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char tampon[4096];
    const bool lu = ::pread(fd, tampon, sizeof tampon, 0) > 0;
    ::close(fd);
    return lu;
}

// Keeps `enVol` files in flight on an io_uring, each file at a place 0..enVol-1 while it
// is served: `lancer`(place, file) queues its requests, each tagged place * 4 + step;
// `terminer`(cqe) takes one completion and returns true when it was the file's last.
// `places` fixed files are registered for the requests that open into a place.
// Returns false when the ring cannot be set up.
bool ServirParIoUring(std::size_t nombre, int enVol, unsigned profondeur, bool places,
                      const std::function<void(io_uring &, int, std::size_t)> &lancer,
                      const std::function<bool(const io_uring_cqe &)> &terminer)
{
    io_uring anneau;
    if (io_uring_queue_init(profondeur, &anneau, 0) != 0)
        return false;
    // The kernel's io-wq workers, which serve the requests that block, are capped at
    // 4 per processor by default: raised so that `enVol` can really be in flight.
    unsigned travailleurs[2] = {unsigned(enVol), unsigned(enVol)};
    io_uring_register_iowq_max_workers(&anneau, travailleurs);
    if (places && io_uring_register_files_sparse(&anneau, unsigned(enVol)) != 0) {
        io_uring_queue_exit(&anneau);
        return false;
    }
    std::size_t suivant = 0;
    int enCours = 0;
    std::vector<int> libres;
    for (int p = 0; p < enVol; ++p)
        libres.push_back(p);
    for (;;) {
        for (int p : libres)
            if (suivant < nombre) {
                lancer(anneau, p, suivant++);
                ++enCours;
            }
        libres.clear();
        if (enCours == 0)
            break;
        io_uring_submit_and_wait(&anneau, 1);
        io_uring_cqe *cqe;
        unsigned tete, vus = 0;
        io_uring_for_each_cqe(&anneau, tete, cqe)
        {
            ++vus;
            if (terminer(*cqe)) {
                --enCours;
                libres.push_back(int(cqe->user_data / 4));
            }
        }
        io_uring_cq_advance(&anneau, vus);
    }
    io_uring_queue_exit(&anneau);
    return true;
}

// The floor with io_uring: per file, a linked openat (into its place), read 4 KB and
// close; `enVol` files in flight. Returns the number of files read.
int PlancherIoUring(const std::vector<QByteArray> &chemins, int enVol)
{
    std::vector<std::vector<char>> tampons(std::size_t(enVol), std::vector<char>(4096));
    std::vector<int> restants(std::size_t(enVol), 0); // completions awaited per place
    std::vector<bool> lus(std::size_t(enVol), false);
    int reussis = 0;
    const bool servi = ServirParIoUring(
        chemins.size(), enVol, unsigned(enVol * 3), true,
        [&](io_uring &anneau, int place, std::size_t fichier) {
            io_uring_sqe *s = io_uring_get_sqe(&anneau);
            io_uring_prep_openat_direct(s, AT_FDCWD, chemins[fichier].constData(), O_RDONLY, 0,
                                        unsigned(place));
            s->flags |= IOSQE_IO_LINK;
            io_uring_sqe_set_data64(s, quint64(place) * 4 + 0);
            s = io_uring_get_sqe(&anneau);
            io_uring_prep_read(s, place, tampons[std::size_t(place)].data(), 4096, 0);
            s->flags |= IOSQE_FIXED_FILE | IOSQE_IO_LINK;
            io_uring_sqe_set_data64(s, quint64(place) * 4 + 1);
            s = io_uring_get_sqe(&anneau);
            io_uring_prep_close_direct(s, unsigned(place));
            io_uring_sqe_set_data64(s, quint64(place) * 4 + 2);
            restants[std::size_t(place)] = 3;
            lus[std::size_t(place)] = false;
        },
        [&](const io_uring_cqe &cqe) {
            const std::size_t place = std::size_t(cqe.user_data / 4);
            if (cqe.user_data % 4 == 1 && cqe.res > 0)
                lus[place] = true;
            if (--restants[place] > 0)
                return false;
            reussis += lus[place] ? 1 : 0;
            return true;
        });
    return servi ? reussis : -1;
}

// The stat loop with io_uring: statx of every path, `enVol` in flight; returns the total size.
qint64 StatIoUring(const std::vector<QByteArray> &chemins, int enVol)
{
    std::vector<struct statx> resultats;
    resultats.resize(std::size_t(enVol));
    qint64 total = 0;
    const bool servi = ServirParIoUring(
        chemins.size(), enVol, unsigned(enVol), false,
        [&](io_uring &anneau, int place, std::size_t fichier) {
            io_uring_sqe *s = io_uring_get_sqe(&anneau);
            io_uring_prep_statx(s, AT_FDCWD, chemins[fichier].constData(), 0, STATX_SIZE,
                                &resultats[std::size_t(place)]);
            io_uring_sqe_set_data64(s, quint64(place) * 4);
        },
        [&](const io_uring_cqe &cqe) {
            if (cqe.res == 0)
                total += qint64(resultats[std::size_t(cqe.user_data / 4)].stx_size);
            return true;
        });
    return servi ? total : -1;
}

// The paths, names and texts of a sorted list, to compare two scans.
QStringList Contenu(const TListeImages &liste)
{
    QStringList lignes;
    for (const TEnrFichier &f : liste)
        lignes.append(QStringList{f.Dossier, f.Nom, QString::number(f.Taille), f.EXIF->Appareil,
                                  f.EXIF->Focale, f.EXIF->Vitesse, f.EXIF->Diaphragme,
                                  f.EXIF->DatePDV, f.EXIF->ISO}
                          .join(u'\t'));
    return lignes;
}

// The same passes on the local tree, warm page cache, best of `passages`: whether
// requests in flight cost anything where every request is served at once.
bool ComparerLocal(const QString &racine, int nombre, const QStringList &attendu)
{
    constexpr int kPassages = 5;
    struct TVariante {
        const char *nom;
        int enVol; // 0: today's ChercherImages
        bool adaptatif;
        qint64 comptage = -1, lecture = -1;
        bool parallele = false; // some items went to the workers
    } variantes[] = {
        {"today (ChercherImages)", 0, false},
        {"threads, 1 in flight", 1, false},
        {"threads, 2 in flight", 2, false},
        {"threads, 16 in flight", 16, false},
        {"threads, 32 in flight", 32, false},
        {"adaptive (the default)", kEnVolLent, true},
    };
    bool coherent = true;
    for (int passage = 0; passage <= kPassages; ++passage) { // passage 0 warms the cache
        for (TVariante &v : variantes) {
            TParametresLectures p;
            p.enVol = v.enVol;
            p.adaptatif = v.adaptatif;
            int n = 0;
            qint64 t = 0;
            TListeImages liste;
            const qint64 c = ChronometrerNs([&] {
                if (v.enVol == 0)
                    ChercherImages(racine, n, t, true, true, liste);
                else
                    v.parallele = CompterImagesParallele(racine, true, p, n, t).parallele;
            });
            const qint64 l = ChronometrerNs([&] {
                if (v.enVol == 0)
                    ChercherImages(racine, n, t, false, true, liste, [] {});
                else
                    v.parallele = LireImagesParallele(racine, true, p, liste, [] { return true; }).parallele
                        || v.parallele;
            });
            TrierListe(liste);
            QStringList contenu = Contenu(liste);
            for (QString &ligne : contenu) // the same tree, seen from another folder
                ligne = ligne.mid(racine.size());
            coherent = coherent && n == nombre && contenu == attendu;
            if (passage == 0)
                continue;
            if (v.comptage < 0 || c < v.comptage)
                v.comptage = c;
            if (v.lecture < 0 || l < v.lecture)
                v.lecture = l;
        }
    }
    std::printf("-- local tree, warm page cache, best of %d\n", kPassages);
    for (const TVariante &v : variantes)
        std::printf("%-28s: counting %8.2f ms (%4.2fx today), reading %8.2f ms (%4.2fx today)%s\n",
                    v.nom, v.comptage / 1e6, double(v.comptage) / double(variantes[0].comptage),
                    v.lecture / 1e6, double(v.lecture) / double(variantes[0].lecture),
                    v.parallele ? ", parallel" : "");
    return coherent;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const double delaiMs = argc > 1 ? std::max(0.0, std::atof(argv[1])) : 1.0;
    const int nombre = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2000;
    const int dossiers = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20;
    const int taille = argc > 4 ? std::max(1024, std::atoi(argv[4])) : 65536;

    QTemporaryDir source, montage;
    if (!source.isValid() || !montage.isValid()) {
        std::fprintf(stderr, "bench_lent: no temporary folder\n");
        return 1;
    }
    if (GenererArbreJPEG(source.path() + u'/', nombre, dossiers, taille) != nombre) {
        std::fprintf(stderr, "bench_lent: the tree could not be written\n");
        return 1;
    }
    TFuseLent fs(NomEnOctets(source.path()), NomEnOctets(montage.path()),
                 std::chrono::microseconds(qint64(delaiMs * 1000)));
    QString erreur;
    if (!fs.Monter(erreur)) {
        // Not a failure of the program: the machine offers no FUSE (no /dev/fuse, not root).
        std::printf("bench_lent: skipped, FUSE is not available here (%s)\n",
                    qPrintable(erreur));
        return 0;
    }
    g_fs = &fs;
    const QString racine = montage.path() + u'/';
    bool coherent = true;

    // The files, listed once (listings are not delayed).
    std::vector<QByteArray> chemins;
    for (const TImageListee &i : ListerImages(racine, true))
        chemins.push_back(i.chemin);
    coherent = coherent && int(chemins.size()) == nombre;

    std::printf("tree: %d JPEG of %d bytes in %d folders, through FUSE with %.3f ms per open, "
                "stat and read (no kernel caching: timeouts 0, direct_io); max_background %u, "
                "congestion %u, parallel lookups %s\n",
                nombre, taille, dossiers, delaiMs, fs.compteurs.maxBackground.load(),
                fs.compteurs.congestion.load(), fs.compteurs.paralleleDossiers ? "on" : "off");

    int lus = 0;
    const qint64 plancher = Mesurer([&] {
        for (const QByteArray &c : chemins)
            lus += OuvrirLireFermer(c) ? 1 : 0;
    });
    coherent = coherent && lus == nombre;
    Ligne("serial floor (open, pread 4 KB, close)", plancher, plancher, nombre);

    qint64 tailleStat = 0;
    const qint64 boucleStat = Mesurer([&] {
        for (const QByteArray &c : chemins) {
            struct stat st;
            if (::stat(c.constData(), &st) == 0)
                tailleStat += st.st_size;
        }
    });
    Ligne("serial stat loop", boucleStat, plancher, nombre);

    int n = 0;
    qint64 t = 0;
    TListeImages inutile;
    const qint64 comptage = Mesurer([&] { ChercherImages(racine, n, t, true, true, inutile); });
    coherent = coherent && n == nombre && t == tailleStat;
    Ligne("counting pass, today (ChercherImages)", comptage, plancher, nombre);

    TListeImages reference;
    int avancees = 0;
    const qint64 lecture = Mesurer([&] {
        ChercherImages(racine, n, t, false, true, reference, [&] { ++avancees; });
    });
    TrierListe(reference);
    coherent = coherent && reference.size() == nombre && avancees == nombre;
    const QStringList attendu = Contenu(reference);
    Ligne("reading pass, today (ChercherImages)", lecture, plancher, nombre);

    qint64 meilleureLecture = -1;
    int meilleurK = 0;
    char nom[96];
    for (int k : kEnVols) {
        TParametresLectures p;
        p.enVol = k;
        p.adaptatif = false;
        std::printf("-- %d in flight\n", k);

        std::atomic<int> lusK{0};
        std::vector<QByteArray> const &c = chemins;
        const qint64 pk = Mesurer([&] {
            LireEnParallele(qsizetype(c.size()), p,
                            [&](qsizetype i) { lusK += OuvrirLireFermer(c[std::size_t(i)]) ? 1 : 0; },
                            [](qsizetype, bool) { return true; });
        });
        coherent = coherent && lusK == nombre;
        std::snprintf(nom, sizeof nom, "floor, threads, %d in flight", k);
        Ligne(nom, pk, plancher, nombre);

        const qint64 uk = Mesurer([&] { lus = PlancherIoUring(chemins, k); });
        coherent = coherent && lus == nombre;
        std::snprintf(nom, sizeof nom, "floor, io_uring, %d in flight", k);
        Ligne(nom, uk, plancher, nombre);

        const qint64 sk = Mesurer([&] { t = StatIoUring(chemins, k); });
        coherent = coherent && t == tailleStat;
        std::snprintf(nom, sizeof nom, "stat loop, io_uring, %d in flight", k);
        Ligne(nom, sk, plancher, nombre);

        n = 0;
        t = 0;
        const qint64 ck = Mesurer([&] { CompterImagesParallele(racine, true, p, n, t); });
        coherent = coherent && n == nombre && t == tailleStat;
        std::snprintf(nom, sizeof nom, "counting pass, threads, %d in flight", k);
        Ligne(nom, ck, plancher, nombre);
        std::printf("%-44s: %9.2f\n", "  / serial stat loop", double(ck) / double(boucleStat));

        TListeImages liste;
        avancees = 0;
        const qint64 lk = Mesurer([&] {
            LireImagesParallele(racine, true, p, liste, [&] { return ++avancees > 0; });
        });
        TrierListe(liste);
        coherent = coherent && Contenu(liste) == attendu && avancees == nombre;
        std::snprintf(nom, sizeof nom, "reading pass, threads, %d in flight", k);
        Ligne(nom, lk, plancher, nombre);
        if (meilleureLecture < 0 || lk < meilleureLecture) {
            meilleureLecture = lk;
            meilleurK = k;
        }
    }

    // What the scan would use: adaptive, kEnVolLent in flight once the reads prove slow.
    std::printf("-- adaptive, %d in flight once slow\n", kEnVolLent);
    const TParametresLectures defaut;
    n = 0;
    t = 0;
    const qint64 ca = Mesurer([&] { CompterImagesParallele(racine, true, defaut, n, t); });
    coherent = coherent && n == nombre && t == tailleStat;
    Ligne("counting pass, adaptive", ca, plancher, nombre);
    std::printf("%-44s: %9.2f\n", "  / serial stat loop", double(ca) / double(boucleStat));
    TListeImages liste;
    const qint64 la = Mesurer([&] { LireImagesParallele(racine, true, defaut, liste); });
    TrierListe(liste);
    coherent = coherent && Contenu(liste) == attendu;
    Ligne("reading pass, adaptive", la, plancher, nombre);

    g_fs = nullptr;
    fs.Demonter();
    if (TFuseLent::Interrompu()) {
        std::fprintf(stderr, "bench_lent: interrupted\n");
        return 130;
    }

    QStringList attenduLocal = attendu;
    for (QString &ligne : attenduLocal)
        ligne = ligne.mid(racine.size());
    coherent = ComparerLocal(source.path() + u'/', nombre, attenduLocal) && coherent;
    if (!coherent) {
        std::fprintf(stderr, "bench_lent: the passes disagree on the tree\n");
        return 1;
    }
    std::printf("best parallel reading pass: %d in flight\n", meilleurK);
    std::printf("reading pass / serial floor: %.2f\n", double(meilleureLecture) / double(plancher));
    return 0;
}
