// A small pool of worker threads that keeps several requests in flight, handing every
// result back to the calling thread.
#include "metadata/LecturesParalleles.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

using THorloge = std::chrono::steady_clock;

// travail(i), with whatever it throws stopped here.
bool Executer(const std::function<void(qsizetype)> &travail, qsizetype i) noexcept
{
    try {
        travail(i);
        return true;
    } catch (...) {
        return false;
    }
}

// What the workers and the calling thread share; every field but `suivant` and `arret`
// under `verrou`.
struct TEtatPartage {
    std::mutex verrou;
    std::condition_variable signal;
    std::vector<std::pair<qsizetype, bool>> faits; // completed, not yet handed over
    int actifs = 0;                                // workers not yet finished
    std::atomic<qsizetype> suivant{0};             // next item to start
    std::atomic<bool> arret{false};
};

// The workers of one run: stopped and joined when it ends, also when `rendu` throws.
class TPool {
public:
    TPool(TEtatPartage &etat, qsizetype fin, const std::function<void(qsizetype)> &travail)
        : m_etat(etat), m_fin(fin), m_travail(travail)
    {
    }
    Q_DISABLE_COPY_MOVE(TPool)
    ~TPool() { Joindre(); }

    // Starts up to `nombre` workers; returns how many could be started.
    int Demarrer(int nombre)
    {
        for (int k = 0; k < nombre; ++k) {
            {
                std::lock_guard verrou(m_etat.verrou);
                ++m_etat.actifs;
            }
            try {
                m_fils.emplace_back([this] { Boucle(); });
            } catch (const std::system_error &) {
                std::lock_guard verrou(m_etat.verrou);
                --m_etat.actifs; // out of threads: serve with those we have
                break;
            }
        }
        return int(m_fils.size());
    }

    void Joindre()
    {
        m_etat.arret = true;
        for (std::thread &f : m_fils)
            if (f.joinable())
                f.join();
        m_fils.clear();
    }

private:
    void Boucle()
    {
        while (!m_etat.arret.load(std::memory_order_relaxed)) {
            const qsizetype i = m_etat.suivant.fetch_add(1);
            if (i >= m_fin)
                break;
            const bool reussi = Executer(m_travail, i);
            std::lock_guard verrou(m_etat.verrou);
            m_etat.faits.emplace_back(i, reussi);
            m_etat.signal.notify_one();
        }
        std::lock_guard verrou(m_etat.verrou);
        --m_etat.actifs;
        m_etat.signal.notify_one();
    }

    TEtatPartage &m_etat;
    const qsizetype m_fin;
    const std::function<void(qsizetype)> &m_travail;
    std::vector<std::thread> m_fils;
};

} // namespace

TBilanLectures LireEnParallele(qsizetype nombre, const TParametresLectures &parametres,
                               const std::function<void(qsizetype)> &travail,
                               const std::function<bool(qsizetype, bool)> &rendu)
{
    TBilanLectures bilan;
    const bool parallelePossible = parametres.enVol > 1;
    qsizetype i = 0;

    // On the calling thread: every item when serial, the first ones when adaptive.
    if (!parallelePossible || parametres.adaptatif) {
        int fenetre = 0;
        int lents = 0;
        while (i < nombre) {
            const auto debut = THorloge::now();
            const bool reussi = Executer(travail, i);
            if (THorloge::now() - debut > std::chrono::nanoseconds(kSeuilLentNs))
                ++lents;
            ++bilan.rendus;
            if (!rendu(i++, reussi)) {
                bilan.arrete = true;
                return bilan;
            }
            if (parallelePossible && ++fenetre == kFenetreMesure) {
                // Most of the window slow: a slow medium, not one cold file or a moment
                // without the processor. Several requests in flight from here.
                if (2 * lents > kFenetreMesure)
                    break;
                fenetre = 0;
                lents = 0;
            }
        }
        if (i >= nombre)
            return bilan;
    }

    TEtatPartage etat;
    etat.suivant = i;
    TPool pool(etat, nombre, travail);
    bilan.fils = pool.Demarrer(int(std::min<qsizetype>(parametres.enVol, nombre - i)));
    if (bilan.fils == 0) { // no thread could be started: serve the rest here
        for (; i < nombre; ++i) {
            ++bilan.rendus;
            if (!rendu(i, Executer(travail, i))) {
                bilan.arrete = true;
                break;
            }
        }
        return bilan;
    }
    bilan.parallele = true;

    const auto periode = std::chrono::milliseconds(std::max(1, parametres.periodeAttenteMs));
    std::vector<std::pair<qsizetype, bool>> recus;
    for (;;) {
        recus.clear();
        bool fini = false;
        {
            std::unique_lock verrou(etat.verrou);
            etat.signal.wait_for(verrou, periode,
                                 [&] { return !etat.faits.empty() || etat.actifs == 0; });
            recus.swap(etat.faits);
            fini = etat.actifs == 0;
        }
        if (recus.empty() && !fini && parametres.attente)
            parametres.attente();
        for (const auto &[j, reussi] : recus) {
            ++bilan.rendus;
            if (!rendu(j, reussi)) {
                bilan.arrete = true;
                break;
            }
        }
        // Workers queue their result before they end, so with none left `recus` held
        // the last ones.
        if (bilan.arrete || fini)
            break;
    }
    pool.Joindre(); // items not started are dropped, those in flight finish
    return bilan;
}
