// Speed of a whole processing run in copy mode against `cp -r` of the same tree to the
// same file system, the price of the run's undo journal (written ahead: three entries a
// copy), of building the preview window for 20,000 images, and of the verified copies.
// Goals: the run without verification within 1.3 x `cp -r`, the disk idle or busy; the
// journal at most 3 % of the run; the preview built in under 2 s; the verified run within
// 1.15 x its floor (read, write, fdatasync, drop the cache, read back, without hashing).
//   bench_traitement [files, 5000] [folders, 50] [bytes per file, 65536] [preview entries, 20000]
//                    [verified files, 1000] [their bytes, 2097152]
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "../tests/support/FauxOptions.h"
#include "commun/NomsFichiers.h"
#include "commun_generateur.h"
#include "engine/Empreinte.h"
#include "engine/JournalTraitement.h"
#include "engine/OperationsFichiers.h"
#include "engine/Traitement.h"
#include "metadata/ChercherImages.h"
#include "ui/Apercu_fm.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kPassages = 5;
constexpr int kPassagesJournal = 8;

// The run's listener without a screen: always Oui, every box noted, events processed at
// every step as the real progress pop-up does.
class TRetourBanc final : public IRetourTraitement {
public:
    bool Confirmer(const QString &) override { return true; }
    bool QuestionPrudente(const QString &) override { return true; }
    void Erreur(const QString &texte) override { messages.append(texte); }
    void Information(const QString &texte) override { messages.append(texte); }
    void CurseurOccupe(bool) override {}
    void ProgressionOuvrir(const QString &, int, int, int) override {}
    void ProgressionAvancer() override { QCoreApplication::processEvents(); }
    void ProgressionFermer() override {}
    void MontrerApercu(bool, const QString &, const TListeImages &, const QStringList &) override {}
    QString DossierJournal() const override { return dossierJournal; }
    void OuvrirJournal(const QString &) override {}

    QString dossierJournal;
    QStringList messages;
};

int CompterFichiers(const QString &dossier)
{
    int n = 0;
    for (QDirIterator it(dossier, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
        ++n;
    return n;
}

qint64 Mediane(std::vector<qint64> valeurs)
{
    std::sort(valeurs.begin(), valeurs.end());
    const size_t n = valeurs.size();
    return n % 2 ? valeurs[n / 2] : (valeurs[n / 2 - 1] + valeurs[n / 2]) / 2;
}

bool Commande(const QString &programme, const QStringList &arguments)
{
    QProcess p;
    p.start(programme, arguments);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The tree's dirty pages go to the disk before each timing, so that neither side pays
// for the other's writes.
void Vider(const QString &dossier)
{
    QDir(dossier).removeRecursively();
    ::sync();
}

// Entries as a copy preview of `nombre` images makes them: camera / year / month / day.
TListeImages EntreesApercu(int nombre)
{
    TListeImages liste;
    liste.reserve(nombre);
    for (int i = 0; i < nombre; ++i) {
        const int jour = i / 100; // 100 images a day, 200 days, 4 cameras
        TEnrFichier e;
        e.Dossier = u"/Canon EOS %1D/%2/%3/%4/"_s.arg(10 + jour % 4 * 10)
                        .arg(2004 + jour / 120).arg(1 + jour / 10 % 12, 2, 10, QChar(u'0'))
                        .arg(1 + jour % 28, 2, 10, QChar(u'0'));
        e.Nom = u"IMG_%1.JPG"_s.arg(i, 5, 10, QChar(u'0'));
        e.Taille = 3000000 + i;
        liste.append(e);
    }
    TrierListe(liste);
    return liste;
}

// The source files' pages out of the memory, so that each method reads them from the disk.
void OublierSources(const QList<QByteArray> &chemins)
{
    for (const QByteArray &chemin : chemins) {
        const int fd = ::open(chemin.constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
}

// The floor of a verified copy: each file read and written, flushed, dropped from the
// memory and read back, with no fingerprint, no temporary name, no journal. False when a
// step failed.
bool CopierPlancher(const QList<QByteArray> &chemins, const QString &dst)
{
    QDir().mkpath(dst);
    QByteArray tampon(1 << 20, Qt::Uninitialized);
    int numero = 0;
    for (const QByteArray &chemin : chemins) {
        const int src = ::open(chemin.constData(), O_RDONLY | O_CLOEXEC);
        const QByteArray cible = QFile::encodeName(dst) + QByteArray::number(numero++) + ".JPG";
        const int fd = ::open(cible.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        bool ok = src >= 0 && fd >= 0;
        for (ssize_t n; ok && (n = ::read(src, tampon.data(), size_t(tampon.size()))) > 0;)
            ok = ::write(fd, tampon.constData(), size_t(n)) == n;
        ok = ok && ::fdatasync(fd) == 0 && ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
        off_t position = 0;
        for (ssize_t n; ok && (n = ::pread(fd, tampon.data(), size_t(tampon.size()), position)) > 0;)
            position += n;
        if (src >= 0)
            ::close(src);
        if (fd >= 0)
            ::close(fd);
        if (!ok)
            return false;
    }
    return true;
}

// Another program writing on the same disk while it lives: 8 MB at a time, each flushed.
class TDisqueOccupe {
public:
    explicit TDisqueOccupe(const QString &fichier) : m_fichier(QFile::encodeName(fichier))
    {
        m_fil = std::thread([this] {
            const QByteArray bloc(8 << 20, 'o');
            const int fd = ::open(m_fichier.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            for (int i = 0; fd >= 0 && !m_fin; ++i) {
                if (i % 64 == 0)
                    static_cast<void>(::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0);
                if (::write(fd, bloc.constData(), size_t(bloc.size())) != bloc.size() || ::fdatasync(fd) != 0)
                    break;
            }
            if (fd >= 0)
                ::close(fd);
            ::unlink(m_fichier.constData());
        });
    }
    ~TDisqueOccupe()
    {
        m_fin = true;
        m_fil.join();
    }

private:
    QByteArray m_fichier;
    std::atomic<bool> m_fin{false};
    std::thread m_fil;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int nombre = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    const int dossiers = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    const int taille = argc > 3 ? std::max(1024, std::atoi(argv[3])) : 65536;
    const int nbApercu = argc > 4 ? std::max(1, std::atoi(argv[4])) : 20000;
    const int nbVerifies = argc > 5 ? std::max(1, std::atoi(argv[5])) : 1000;
    const int tailleVerifies = argc > 6 ? std::max(65536, std::atoi(argv[6])) : 2 << 20;

    QTemporaryDir tmp;
    if (!tmp.isValid()) {
        std::fprintf(stderr, "bench_traitement: no temporary folder\n");
        return 1;
    }
    const QString source = tmp.path() + u"/source/"_s;
    if (GenererArbreJPEG(source, nombre, dossiers, taille) != nombre) {
        std::fprintf(stderr, "bench_traitement: the tree could not be written\n");
        return 1;
    }
    ::sync();

    // One folder per camera, as cp -r makes one per source folder; then the default
    // naming, whose year / month / day folders make many more folders than the source has.
    TFauxOptions options;
    options.options.cDossSrc = source;
    options.options.lLectRecurs = true;
    options.options.lCopier = true;
    options.options.cOrdreDonEXIF = u"Afvdpi"_s;
    options.options.lVerifierCopies = false; // measured on its own below
    TFauxOptions optionsDates = options;
    optionsDates.options.cOrdreDonEXIF = TEnrOptions().cOrdreDonEXIF;
    TRetourBanc retour;
    retour.dossierJournal = tmp.path() + u"/"_s;

    qint64 meilleurCp = -1, meilleurCpA = -1, meilleurRun = -1, meilleurDates = -1, meilleurLecture = -1;
    int dossiersDates = 0;
    auto noter = [](qint64 &meilleur, qint64 ns) {
        if (meilleur < 0 || ns < meilleur)
            meilleur = ns;
    };
    for (int passage = 0; passage < kPassages; ++passage) {
        const QString cp = tmp.path() + u"/cp"_s, cpa = tmp.path() + u"/cpa"_s;
        const QString dst = tmp.path() + u"/tri/"_s;
        bool ok = true;
        noter(meilleurCp, ChronometrerNs([&] { ok = Commande(u"cp"_s, {u"-r"_s, source, cp}); }));
        ok = ok && CompterFichiers(cp) == nombre;
        Vider(cp);
        noter(meilleurCpA, ChronometrerNs([&] { ok = ok && Commande(u"cp"_s, {u"-a"_s, source, cpa}); }));
        Vider(cpa);

        options.options.cDossDst = dst;
        TListeImages liste;
        // What a run pays before any copy: a preview run counts, reads and composes.
        noter(meilleurLecture, ChronometrerNs([&] { LancerTraitement(false, options, retour, liste); }));
        retour.messages.clear();
        noter(meilleurRun, ChronometrerNs([&] { LancerTraitement(true, options, retour, liste); }));
        const QString attendu = u"%1 images traitées ("_s.arg(nombre);
        if (!ok || CompterFichiers(dst) != nombre || retour.messages.size() != 1
            || !retour.messages.first().startsWith(attendu)) {
            std::fprintf(stderr, "bench_traitement: a copy went wrong (%s)\n",
                         qPrintable(retour.messages.join(u" | "_s)));
            return 1;
        }
        Vider(dst);

        optionsDates.options.cDossDst = dst;
        noter(meilleurDates, ChronometrerNs([&] { LancerTraitement(true, optionsDates, retour, liste); }));
        dossiersDates = 0;
        for (QDirIterator it(dst, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
             it.hasNext(); it.next())
            ++dossiersDates;
        Vider(dst);
    }

    // The price of flushing every copy to the disk before moving it into place, on a
    // part of the tree (it is slow by nature).
    const int nbSync = std::min(nombre, 200);
    TListeImages images;
    int n = 0;
    qint64 t = 0;
    ChercherImages(source, n, t, false, true, images);
    qint64 sansSync = 0, avecSync = 0;
    for (const bool synchroniser : {false, true}) {
        const QString dst = tmp.path() + u"/sync/"_s;
        QDir().mkpath(dst);
        TParametresCopie parametres;
        parametres.synchroniser = synchroniser;
        const qint64 ns = ChronometrerNs([&] {
            for (int i = 0; i < nbSync && i < images.size(); ++i)
                CopierFichier(images[i].Dossier + images[i].Nom,
                              dst + QString::number(i) + u".JPG"_s, parametres);
        });
        (synchroniser ? avecSync : sansSync) = ns;
        Vider(dst);
    }

    std::printf("tree: %d JPEG of %d bytes in %d folders, best of %d passes, same file system\n",
                nombre, taille, dossiers, kPassages);
    std::printf("cp -r                              : %8.1f ms\n", meilleurCp / 1e6);
    std::printf("cp -a (keeps times, for reference) : %8.1f ms\n", meilleurCpA / 1e6);
    std::printf("processing run, copy mode          : %8.1f ms  (count, read EXIF, copy; one folder per camera)\n",
                meilleurRun / 1e6);
    std::printf("  of which count + read + compose  : %8.1f ms  (a preview run of the tree)\n",
                meilleurLecture / 1e6);
    std::printf("the same into year/month/day       : %8.1f ms  (%d folders made, for reference)\n",
                meilleurDates / 1e6, dossiersDates);
    const double rapport = double(meilleurRun) / double(meilleurCp);
    std::printf("run / cp -r                        : %8.2f  (goal: at most 1.30, %s)\n", rapport,
                rapport <= 1.3 ? "met" : "NOT met");
    std::printf("CopierFichier x %d without fsync  : %8.1f ms\n", nbSync, sansSync / 1e6);
    std::printf("CopierFichier x %d with fsync     : %8.1f ms\n", nbSync, avecSync / 1e6);

    // The undo journal: the same copy run with and without it, the order alternated from
    // one pass to the next so that neither side always runs on a warmer cache.
    std::vector<qint64> avecJournal, sansJournal;
    for (int passage = 0; passage < kPassagesJournal; ++passage) {
        for (const bool journal : {passage % 2 == 0, passage % 2 != 0}) {
            const QString dst = tmp.path() + u"/tri/"_s;
            options.options.cDossDst = dst;
            detail::g_journalActif = journal;
            TListeImages liste;
            retour.messages.clear();
            (journal ? avecJournal : sansJournal)
                .push_back(ChronometrerNs([&] { LancerTraitement(true, options, retour, liste); }));
            if (CompterFichiers(dst) != nombre || retour.messages.size() != 1) {
                std::fprintf(stderr, "bench_traitement: a copy went wrong (%s)\n",
                             qPrintable(retour.messages.join(u" | "_s)));
                return 1;
            }
            Vider(dst);
        }
    }
    detail::g_journalActif = true;
    // The journal's own work, alone: one entry per image of the tree, as a copy run makes it.
    const QString dossierSeul = tmp.path() + u"/journal/"_s;
    QDir().mkpath(dossierSeul);
    const qint64 journalSeul = ChronometrerNs([&] {
        TJournalTraitement journal(dossierSeul);
        TResultatCopie copie;
        copie.Reussi = true;
        for (const TEnrFichier &image : std::as_const(images)) {
            // The three entries of one copy: its temporary file, its move, its confirmation.
            copie.Cible = dossierSeul + u"Canon EOS 300D/2006/05/"_s + image.Nom;
            copie.Etat = copie.EtatSource = {image.Taille, 1147249230, 123456789, 1147249230, 123456789, 2049, 1234567};
            const QByteArray cible = NomEnOctets(copie.Cible);
            journal.AvantTemporaire(NomEnOctets(image.Dossier + image.Nom), cible + ".clarvane-Ab12Cd");
            journal.AvantDeplacement(cible, copie.Etat, std::nullopt);
            journal.Copiee(copie);
        }
    });
    const qint64 meilleurAvec = *std::min_element(avecJournal.begin(), avecJournal.end());
    const qint64 meilleurSans = *std::min_element(sansJournal.begin(), sansJournal.end());
    const double coutMeilleur = 100.0 * double(meilleurAvec - meilleurSans) / double(meilleurSans);
    const double coutMedian = 100.0 * double(Mediane(avecJournal) - Mediane(sansJournal))
                              / double(Mediane(sansJournal));
    // Each pass times both runs one after the other: the median of their ratios is the
    // figure that the load of the machine disturbs least.
    std::vector<qint64> rapports; // in millionths
    for (size_t i = 0; i < avecJournal.size(); ++i)
        rapports.push_back(qint64(1e6 * double(avecJournal[i]) / double(sansJournal[i])));
    const double coutParPassage = (double(Mediane(rapports)) / 1e6 - 1.0) * 100.0;
    // Against the fastest copy run seen, with or without the journal: the cost is not
    // made to look smaller by a slow pass.
    const qint64 meilleurCopie = std::min({meilleurRun, meilleurAvec, meilleurSans});
    const double coutSeul = 100.0 * double(journalSeul) / double(meilleurCopie);
    std::printf("copy run without the undo journal  : %8.1f ms best, %8.1f ms median (%d passes)\n",
                meilleurSans / 1e6, Mediane(sansJournal) / 1e6, kPassagesJournal);
    std::printf("copy run with the undo journal     : %8.1f ms best, %8.1f ms median\n",
                meilleurAvec / 1e6, Mediane(avecJournal) / 1e6);
    std::printf("journal cost, best / median / pass : %+7.2f %% / %+7.2f %% / %+7.2f %%\n", coutMeilleur,
                coutMedian, coutParPassage);
    std::printf("journal entries alone, %d images : %8.1f ms (%.2f us each, %.2f %% of the fastest run; "
                "goal: at most 3 %%, %s)\n",
                int(images.size()), journalSeul / 1e6, journalSeul / 1e3 / double(std::max<qsizetype>(1, images.size())),
                coutSeul, coutSeul <= 3.0 ? "met" : "NOT met");

    // Verified copies of a card of large images, in one run on one tree: the floor, the
    // verified run, the run without verification and cp -r, the disk idle, then busy.
    {
        const QString carte = tmp.path() + u"/carte/"_s;
        if (GenererArbreJPEG(carte, nbVerifies, std::max(1, nbVerifies / 100), tailleVerifies) != nbVerifies) {
            std::fprintf(stderr, "bench_traitement: the card could not be written\n");
            return 1;
        }
        ::sync();
        QList<QByteArray> chemins;
        for (QDirIterator it(carte, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            chemins.append(QFile::encodeName(it.next()));
        TFauxOptions verifiees = options;
        verifiees.options.cDossSrc = carte;
        verifiees.options.lVerifierCopies = true;
        TFauxOptions nonVerifiees = verifiees;
        nonVerifiees.options.lVerifierCopies = false;
        const QString dst = tmp.path() + u"/tri-carte/"_s;
        constexpr int kPassagesCarte = 3;
        qint64 plancher = -1, verifie = -1, nonVerifie = -1, cp = -1, nonVerifieOccupe = -1, cpOccupe = -1;
        bool ok = true;
        const auto run = [&](TFauxOptions &o) {
            o.options.cDossDst = dst;
            TListeImages liste;
            retour.messages.clear();
            const qint64 ns = ChronometrerNs([&] { LancerTraitement(true, o, retour, liste); });
            ok = ok && CompterFichiers(dst) == nbVerifies && retour.messages.size() == 1;
            return ns;
        };
        const auto copieCp = [&] {
            const qint64 ns = ChronometrerNs([&] { ok = ok && Commande(u"cp"_s, {u"-r"_s, carte, dst}); });
            ok = ok && CompterFichiers(dst) == nbVerifies;
            return ns;
        };
        for (int passage = 0; passage < kPassagesCarte && ok; ++passage) {
            OublierSources(chemins);
            noter(plancher, ChronometrerNs([&] { ok = CopierPlancher(chemins, dst); }));
            Vider(dst);
            OublierSources(chemins);
            noter(verifie, run(verifiees));
            Vider(dst);
            OublierSources(chemins);
            noter(nonVerifie, run(nonVerifiees));
            Vider(dst);
            OublierSources(chemins);
            noter(cp, copieCp());
            Vider(dst);
            {
                const TDisqueOccupe occupe(tmp.path() + u"/occupe"_s);
                OublierSources(chemins);
                noter(nonVerifieOccupe, run(nonVerifiees));
                Vider(dst);
                OublierSources(chemins);
                noter(cpOccupe, copieCp());
                Vider(dst);
            }
        }
        if (!ok) {
            std::fprintf(stderr, "bench_traitement: a verified copy went wrong (%s)\n",
                         qPrintable(retour.messages.join(u" | "_s)));
            return 1;
        }
        // The fingerprints alone: every byte twice (the source, the copy read back), in memory.
        const QByteArray octets(tailleVerifies, 'x');
        const qint64 hachage = ChronometrerNs([&] {
            for (int i = 0; i < 2 * nbVerifies; ++i)
                static_cast<void>(EmpreinteDe(octets));
        });
        const double rapportVerifie = double(verifie) / double(plancher);
        const double rapportIdle = double(nonVerifie) / double(cp);
        const double rapportOccupe = double(nonVerifieOccupe) / double(cpOccupe);
        std::printf("card: %d files of %d bytes, best of %d passes, sources dropped from memory before each\n",
                    nbVerifies, tailleVerifies, kPassagesCarte);
        std::printf("floor (read, write, fdatasync, drop, read back): %8.1f ms\n", plancher / 1e6);
        std::printf("verified run                                  : %8.1f ms  (%.2f x the floor; goal: at most 1.15, %s)\n",
                    verifie / 1e6, rapportVerifie, rapportVerifie <= 1.15 ? "met" : "NOT met");
        std::printf("fingerprints alone (XXH3-128, twice each byte): %8.1f ms  (%.1f %% of the verified run)\n",
                    hachage / 1e6, 100.0 * double(hachage) / double(verifie));
        std::printf("run without verification, disk idle           : %8.1f ms  (%.2f x cp -r %.1f ms; goal: at most 1.30, %s)\n",
                    nonVerifie / 1e6, rapportIdle, cp / 1e6, rapportIdle <= 1.3 ? "met" : "NOT met");
        std::printf("run without verification, disk busy           : %8.1f ms  (%.2f x cp -r %.1f ms; goal: at most 1.30, %s)\n",
                    nonVerifieOccupe / 1e6, rapportOccupe, cpOccupe / 1e6, rapportOccupe <= 1.3 ? "met" : "NOT met");
        QDir(carte).removeRecursively();
    }

    // The preview window of many images, built offscreen.
    const TListeImages entrees = EntreesApercu(nbApercu);
    qint64 meilleurApercu = -1;
    int noeuds = 0;
    for (int passage = 0; passage < kPassages; ++passage) {
        noter(meilleurApercu, ChronometrerNs([&] {
            TfmApercu fm;
            fm.Remplir(true, u"/media/photos/Tri/"_s, entrees, {u"une erreur"_s});
            fm.show();
            QCoreApplication::processEvents();
            noeuds = fm.tvApercu->topLevelItemCount();
        }));
    }
    if (noeuds != 1) {
        std::fprintf(stderr, "bench_traitement: the preview has no root\n");
        return 1;
    }
    std::printf("preview of %d images (create, fill, show, close): %8.1f ms  (goal: under 2000 ms, %s)\n",
                nbApercu, meilleurApercu / 1e6, meilleurApercu < 2000000000LL ? "met" : "NOT met");
    return 0;
}
