// Per-file work (a stat, an EXIF reading) with several requests in flight, for media whose
// every request waits: card readers, USB disks, network shares. The results come back to
// the calling thread, which keeps the gauge, the events and the lists.
#pragma once

#include <functional>

#include <QtGlobal>

// Requests kept in flight on a slow medium. Measured through a file system that makes
// every open, stat and read wait 1 ms and serves any number at once (2,000 JPEGs): the
// reading pass takes 0.83x the serial floor with 2 in flight, 0.42x with 4, 0.22x with
// 8, 0.11x with 16, 0.07x with 32 and 0.06x with 64. Past 32 the gain is small, and a
// real device or share serves only so many at once (a UAS disk queues about 32).
constexpr int kEnVolLent = 32;

// While reads are served on the calling thread, a window of this many items of which
// more than half take longer than kSeuilLentNs turns the run parallel for the items that
// are left (one cold file or one moment without the processor does not). A warm
// page cache serves a stat in about a microsecond and an EXIF reading in tens of
// microseconds; a device or a share takes a millisecond or more.
constexpr int kFenetreMesure = 8;
constexpr qint64 kSeuilLentNs = 150'000;

struct TParametresLectures {
    // Most requests in flight at once; 1 (or less) serves every item on the calling thread.
    int enVol = kEnVolLent;
    // Start on the calling thread and go parallel only once the items prove slow (see
    // kFenetreMesure). False: parallel from the first item whenever enVol > 1.
    bool adaptatif = true;
    // Called on the calling thread, about every `periodeAttenteMs`, while it waits for a
    // result that does not come (a share that stalls): lets the window repaint.
    std::function<void()> attente;
    int periodeAttenteMs = 100;
};

struct TBilanLectures {
    qsizetype rendus = 0;       // items handed to `rendu`
    bool arrete = false;        // `rendu` asked to stop
    bool parallele = false;     // some items were served by worker threads
    int fils = 0;               // worker threads started (all joined on return)
};

// Runs travail(i) for every i in [0, nombre), in increasing order of starting, and after
// each calls rendu(i, reussi) on the calling thread, in the order the items complete.
// `reussi` is false when travail(i) threw: the exception stops there, never in a worker.
//
// travail runs on worker threads (or on the calling thread when serial): it must only
// read what does not change during the call and write only the item's own slot (say
// resultats[i]); rendu(i) sees everything travail(i) wrote. The caller keeps the order
// of its items by storing each result at its index, whatever the order of completion.
//
// rendu returns false to stop: items not yet started are dropped, items in flight are
// finished but not handed over, and every worker is joined before the function returns.
TBilanLectures LireEnParallele(qsizetype nombre, const TParametresLectures &parametres,
                               const std::function<void(qsizetype)> &travail,
                               const std::function<bool(qsizetype, bool)> &rendu);
