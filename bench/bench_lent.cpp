// The image scan on a slow medium: a tree of JPEG files served through the benchmark's own
// FUSE file system (lent_fuse.h), which makes every open, stat and read wait a set time.
// In one run: the serial floor (open, pread 4 KB, close, one file at a time), a serial
// stat loop, the counting and reading passes (ChercherImages) one request at a time, then
// with several requests in flight (worker threads), beside the floor and the stat loop
// served by worker threads and by io_uring, at several counts in flight; last, the passes
// as the program runs them (adaptive). The file system is mounted on a temporary folder and
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
#include <QDirIterator>
#include <QTemporaryDir>

#include "commun/NomsFichiers.h"
#include "commun_generateur.h"
#include "lent_fuse.h"
#include "metadata/ChercherImages.h"

namespace {

const int kEnVols[] = {1, 2, 4, 8, 16, 32, 64};

TParametresScan Parametres(int enVol, bool adaptatif)
{
    TParametresScan p;
    p.lectures.enVol = enVol;
    p.lectures.adaptatif = adaptatif;
    return p;
}

// One counting pass.
void Compter(const QString &racine, const TParametresScan &p, int &n, qint64 &t)
{
    n = 0;
    t = 0;
    TListeImages inutile;
    ChercherImages(racine, n, t, true, true, inutile, {}, nullptr, p);
}

// One reading pass; returns the steps of the gauge.
int Lire(const QString &racine, const TParametresScan &p, TListeImages &liste)
{
    int n = 0, avancees = 0;
    qint64 t = 0;
    ChercherImages(racine, n, t, false, true, liste, [&] { return ++avancees > 0; }, nullptr, p);
    return avancees;
}

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

// The paths, names and texts of a list, to compare two scans.
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
        int enVol;
        bool adaptatif;
        qint64 comptage = -1, lecture = -1;
    } variantes[] = {
        {"1 in flight (serial)", 1, false},
        {"threads, 2 in flight", 2, false},
        {"threads, 16 in flight", 16, false},
        {"threads, 32 in flight", 32, false},
        {"adaptive (the default)", kEnVolLent, true},
    };
    bool coherent = true;
    for (int passage = 0; passage <= kPassages; ++passage) { // passage 0 warms the cache
        for (TVariante &v : variantes) {
            const TParametresScan p = Parametres(v.enVol, v.adaptatif);
            int n = 0;
            qint64 t = 0;
            TListeImages liste;
            const qint64 c = ChronometrerNs([&] { Compter(racine, p, n, t); });
            const qint64 l = ChronometrerNs([&] { Lire(racine, p, liste); });
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
        std::printf("%-28s: counting %8.2f ms (%4.2fx serial), reading %8.2f ms (%4.2fx serial)\n",
                    v.nom, v.comptage / 1e6, double(v.comptage) / double(variantes[0].comptage),
                    v.lecture / 1e6, double(v.lecture) / double(variantes[0].lecture));
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

    // The files, listed once on the local tree, reached through the mount.
    std::vector<QByteArray> chemins;
    for (QDirIterator it(source.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        chemins.push_back(NomEnOctets(racine + it.next().mid(source.path().size() + 1)));
    std::sort(chemins.begin(), chemins.end());
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
    const qint64 comptage = Mesurer([&] { Compter(racine, Parametres(1, false), n, t); });
    coherent = coherent && n == nombre && t == tailleStat;
    Ligne("counting pass, 1 in flight (serial)", comptage, plancher, nombre);

    TListeImages reference;
    int avancees = 0;
    const qint64 lecture = Mesurer([&] { avancees = Lire(racine, Parametres(1, false), reference); });
    coherent = coherent && reference.size() == nombre && avancees == nombre;
    const QStringList attendu = Contenu(reference);
    Ligne("reading pass, 1 in flight (serial)", lecture, plancher, nombre);

    char nom[96];
    for (int k : kEnVols) {
        const TParametresScan p = Parametres(k, false);
        std::printf("-- %d in flight\n", k);

        std::atomic<int> lusK{0};
        std::vector<QByteArray> const &c = chemins;
        const qint64 pk = Mesurer([&] {
            LireEnParallele(qsizetype(c.size()), p.lectures,
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

        const qint64 ck = Mesurer([&] { Compter(racine, p, n, t); });
        coherent = coherent && n == nombre && t == tailleStat;
        std::snprintf(nom, sizeof nom, "counting pass, threads, %d in flight", k);
        Ligne(nom, ck, plancher, nombre);
        std::printf("%-44s: %9.2f\n", "  / serial stat loop", double(ck) / double(boucleStat));

        TListeImages liste;
        const qint64 lk = Mesurer([&] { avancees = Lire(racine, p, liste); });
        coherent = coherent && Contenu(liste) == attendu && avancees == nombre;
        std::snprintf(nom, sizeof nom, "reading pass, threads, %d in flight", k);
        Ligne(nom, lk, plancher, nombre);
    }

    // As the program runs them: adaptive, kEnVolLent in flight once the requests prove slow.
    std::printf("-- adaptive, %d in flight once slow (the program's passes)\n", kEnVolLent);
    const TParametresScan defaut;
    const qint64 ca = Mesurer([&] { Compter(racine, defaut, n, t); });
    coherent = coherent && n == nombre && t == tailleStat;
    Ligne("counting pass, adaptive", ca, plancher, nombre);
    TListeImages liste;
    const qint64 la = Mesurer([&] { avancees = Lire(racine, defaut, liste); });
    coherent = coherent && Contenu(liste) == attendu && avancees == nombre;
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
    std::printf("counting pass / serial stat loop: %.2f (goal: at most 0.5)\n",
                double(ca) / double(boucleStat));
    std::printf("reading pass / serial floor: %.2f\n", double(la) / double(plancher));
    return 0;
}
