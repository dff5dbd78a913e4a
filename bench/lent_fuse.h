// A slow medium for the benchmarks: a read-only passthrough FUSE file system over a local
// folder that makes every open, stat (getattr, lookups included) and read wait a set
// time, as a card reader, a USB disk or a network share does, and serves many requests
// at once (a multi-threaded loop, like a device with a queue).
//
// Nothing is cached by the kernel: entry, attribute and negative timeouts are 0 (every
// path walk and stat reaches the file system) and files are opened with direct_io (every
// read reaches it, no page cache, no read-ahead). Folder listings are not delayed.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include <QByteArray>
#include <QString>

struct fuse;

class TFuseLent {
public:
    // Serves `source` (a local folder) at `pointMontage` (an empty folder).
    TFuseLent(const QByteArray &source, const QByteArray &pointMontage,
              std::chrono::microseconds delai, int filsMax = 256);
    ~TFuseLent(); // unmounts
    TFuseLent(const TFuseLent &) = delete;
    TFuseLent &operator=(const TFuseLent &) = delete;

    // Mounts and starts serving; false with `erreur` set when it cannot.
    bool Monter(QString &erreur);
    // Unmounts and waits for the serving threads; also done by the destructor.
    void Demonter();
    // True once SIGINT or SIGTERM came while mounted (the mount is then already detached).
    static bool Interrompu();

    // Requests served, by kind, and the most served at the same moment.
    struct TCompteurs {
        std::atomic<long> stats{0}, ouvertures{0}, lectures{0};
        std::atomic<int> enCours{0}, enCoursMax{0};
        std::atomic<unsigned> maxBackground{0}, congestion{0}, paralleleDossiers{0};
    };
    TCompteurs compteurs;
    void RemettreCompteurs();

    // For the file-system callbacks.
    const QByteArray &Source() const { return m_source; }
    void Attendre(); // the delay of one request, as a sleep
    void Entrer();
    void Sortir();

private:
    QByteArray m_source;
    QByteArray m_point;
    std::chrono::microseconds m_delai;
    int m_filsMax;
    struct fuse *m_fuse = nullptr;
    bool m_monte = false;
    std::thread m_boucle;
};
