// Reads with several requests in flight: every item handed back once on the calling
// thread, results in the caller's order, faults kept inside the workers, a stop that
// leaves no worker behind.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include <QDir>
#include <QLocale>
#include <QTest>

#include "metadata/LecturesParalleles.h"

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Threads of this process, as the kernel lists them.
int FilsDuProcessus() { return int(QDir(u"/proc/self/task"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()); }

// A gate that work items wait on until the test opens it.
class TBarriere {
public:
    void Attendre()
    {
        std::unique_lock v(m_verrou);
        ++m_enAttente;
        m_signal.notify_all();
        m_signal.wait(v, [&] { return m_ouverte; });
    }
    bool AttendreEnAttente(int n)
    {
        std::unique_lock v(m_verrou);
        return m_signal.wait_for(v, 5s, [&] { return m_enAttente >= n; });
    }
    void Ouvrir()
    {
        std::lock_guard v(m_verrou);
        m_ouverte = true;
        m_signal.notify_all();
    }

private:
    std::mutex m_verrou;
    std::condition_variable m_signal;
    int m_enAttente = 0;
    bool m_ouverte = false;
};

TParametresLectures Parametres(int enVol, bool adaptatif = false)
{
    TParametresLectures p;
    p.enVol = enVol;
    p.adaptatif = adaptatif;
    return p;
}

} // namespace

class TestLecturesParalleles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void chaqueElementUneFois_data()
    {
        QTest::addColumn<int>("nombre");
        QTest::addColumn<int>("enVol");
        QTest::addColumn<bool>("adaptatif");
        QTest::addColumn<int>("attenteUs"); // time each item takes
        QTest::newRow("rien") << 0 << 8 << false << 0;
        QTest::newRow("un, parallele") << 1 << 8 << false << 0;
        QTest::newRow("serie") << 50 << 1 << false << 0;
        QTest::newRow("serie, enVol 0") << 20 << 0 << false << 0;
        QTest::newRow("plus de fils que d'elements") << 5 << 32 << false << 100;
        QTest::newRow("parallele") << 300 << 8 << false << 0;
        QTest::newRow("parallele, elements lents") << 64 << 16 << false << 400;
        QTest::newRow("adaptatif, rapide") << 200 << 8 << true << 0;
        QTest::newRow("adaptatif, lent") << 64 << 8 << true << 400;
    }
    void chaqueElementUneFois()
    {
        QFETCH(int, nombre);
        QFETCH(int, enVol);
        QFETCH(bool, adaptatif);
        QFETCH(int, attenteUs);
        const std::thread::id appelant = std::this_thread::get_id();
        std::vector<qint64> resultats(std::size_t(nombre), -1);
        std::vector<int> rendus(std::size_t(nombre), 0);
        std::vector<qsizetype> arrivee;
        bool surAppelant = true;
        const TBilanLectures bilan = LireEnParallele(
            nombre, Parametres(enVol, adaptatif),
            [&](qsizetype i) {
                // Later items finish first now and then, so arrival differs from order.
                if (attenteUs > 0)
                    std::this_thread::sleep_for(std::chrono::microseconds(attenteUs * (1 + (7 - i % 8)) / 4));
                resultats[std::size_t(i)] = i * i;
            },
            [&](qsizetype i, bool reussi) {
                surAppelant = surAppelant && std::this_thread::get_id() == appelant;
                ++rendus[std::size_t(i)];
                arrivee.push_back(i);
                return reussi && resultats[std::size_t(i)] == i * i; // seen once handed over
            });
        QVERIFY(surAppelant);
        QCOMPARE(bilan.rendus, nombre);
        QVERIFY(!bilan.arrete);
        for (int i = 0; i < nombre; ++i) {
            QCOMPARE(rendus[std::size_t(i)], 1);
            QCOMPARE(resultats[std::size_t(i)], qint64(i) * i);
        }
        QCOMPARE(qsizetype(arrivee.size()), qsizetype(nombre));
        if (enVol <= 1)
            QCOMPARE(bilan.fils, 0);
        // Fast items stay on the calling thread when adaptive; slow ones go parallel.
        if (adaptatif)
            QCOMPARE(bilan.parallele, attenteUs > 0);
        else if (enVol > 1 && nombre > 0)
            QVERIFY(bilan.parallele && bilan.fils == std::min(enVol, nombre));
    }

    // Exceptions of a work item stop in its worker: the item is handed over as failed and
    // the others are untouched.
    void exceptionsGardees()
    {
        for (int enVol : {1, 6}) {
            std::vector<int> echecs;
            int reussis = 0;
            const TBilanLectures bilan = LireEnParallele(
                40, Parametres(enVol),
                [](qsizetype i) {
                    if (i % 10 == 3)
                        throw std::runtime_error("lecture");
                    if (i % 10 == 7)
                        throw 42; // not even an std::exception
                },
                [&](qsizetype i, bool reussi) {
                    if (reussi)
                        ++reussis;
                    else
                        echecs.push_back(int(i));
                    return true;
                });
            std::sort(echecs.begin(), echecs.end());
            QCOMPARE(echecs, (std::vector<int>{3, 7, 13, 17, 23, 27, 33, 37}));
            QCOMPARE(reussis, 32);
            QCOMPARE(bilan.rendus, 40);
        }
    }

    // A stop asked while requests are in flight: items not started are dropped, those in
    // flight finish, and no worker is left when the call returns.
    void arretPendantLesRequetes()
    {
        const int avant = FilsDuProcessus();
        constexpr int kEnVol = 4;
        TBarriere barriere;
        std::atomic<int> commences{0}, finis{0};
        std::thread ouvreur;
        const TBilanLectures bilan = LireEnParallele(
            1000, Parametres(kEnVol),
            [&](qsizetype i) {
                ++commences;
                if (i != 0)
                    barriere.Attendre();
                ++finis;
            },
            [&](qsizetype, bool) {
                // Three workers are blocked in their requests; the gate opens a little
                // after the stop is asked.
                if (!barriere.AttendreEnAttente(kEnVol - 1))
                    qWarning("the workers never blocked");
                ouvreur = std::thread([&] {
                    std::this_thread::sleep_for(50ms);
                    barriere.Ouvrir();
                });
                return false;
            });
        ouvreur.join();
        QVERIFY(bilan.arrete);
        QCOMPARE(bilan.rendus, 1);
        QCOMPARE(bilan.fils, kEnVol);
        // Every item started was finished before the return; at most one per worker
        // started after the stop.
        QCOMPARE(finis.load(), commences.load());
        QVERIFY2(commences <= 2 * kEnVol, qPrintable(QString::number(commences)));
        QCOMPARE(FilsDuProcessus(), avant);
    }

    // The same when the caller's own callback throws: the workers are joined, then the
    // exception goes on to the caller.
    void exceptionDuRendu()
    {
        const int avant = FilsDuProcessus();
        std::atomic<int> enCours{0};
        bool attrapee = false;
        try {
            LireEnParallele(
                200, Parametres(8),
                [&](qsizetype) {
                    ++enCours;
                    std::this_thread::sleep_for(1ms);
                    --enCours;
                },
                [](qsizetype i, bool) -> bool {
                    if (i >= 0)
                        throw std::runtime_error("rendu");
                    return true;
                });
        } catch (const std::runtime_error &) {
            attrapee = true;
        }
        QVERIFY(attrapee);
        QCOMPARE(enCours.load(), 0);
        QCOMPARE(FilsDuProcessus(), avant);
    }

    // While no result comes, the calling thread is called back to keep the window alive.
    void attenteAppelee()
    {
        const std::thread::id appelant = std::this_thread::get_id();
        int attentes = 0;
        bool surAppelant = true;
        TParametresLectures p = Parametres(2);
        p.periodeAttenteMs = 10;
        p.attente = [&] {
            ++attentes;
            surAppelant = surAppelant && std::this_thread::get_id() == appelant;
        };
        LireEnParallele(
            2, p, [](qsizetype) { std::this_thread::sleep_for(200ms); },
            [](qsizetype, bool) { return true; });
        QVERIFY(surAppelant);
        QVERIFY2(attentes >= 5, qPrintable(QString::number(attentes)));
    }
};

QTEST_GUILESS_MAIN(TestLecturesParalleles)
#include "tst_lecturesparalleles.moc"
