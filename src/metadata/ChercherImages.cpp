// Finding the images of a folder tree: listing, counting and reading.
#include "metadata/ChercherImages.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <set>
#include <utility>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QHash>
#include <QSet>

#include "commun/Chemins.h"
#include "commun/Dossiers.h"
#include "commun/NomsFichiers.h"
#include "metadata/FormatsImages.h"
#include "metadata/LireEXIF.h"

using namespace Qt::StringLiterals;

namespace {

using TIdentiteDossier = std::pair<dev_t, ino_t>;
using THorloge = std::chrono::steady_clock;

// The caller's `patienter`, called about every period and at least every so many
// entries; once it has answered false the scan stops.
class TPatience {
public:
    explicit TPatience(const TParametresScan &p)
        : m_patienter(p.patienter),
          m_periode(std::chrono::milliseconds(std::max(0, p.lectures.periodeAttenteMs))),
          m_entrees(std::max(1, p.entreesParPatience)), m_prochaine(THorloge::now() + m_periode)
    {
    }
    Q_DISABLE_COPY_MOVE(TPatience)

    // One entry handled; false once the scan is to stop. The clock is read every few
    // entries only: a warm listing takes well under a microsecond per entry.
    bool Tic()
    {
        if (m_arret)
            return false;
        if (!m_patienter)
            return true;
        ++m_depuis;
        if (m_depuis >= m_entrees
            || (m_depuis % kEntreesParHorloge == 0 && THorloge::now() >= m_prochaine))
            return Appeler();
        return true;
    }
    // Calls `patienter` now (a result long awaited).
    bool Appeler()
    {
        if (m_arret)
            return false;
        if (!m_patienter)
            return true;
        m_depuis = 0;
        if (!m_patienter())
            m_arret = true;
        m_prochaine = THorloge::now() + m_periode;
        return !m_arret;
    }
    bool Arrete() const { return m_arret; }

private:
    static constexpr int kEntreesParHorloge = 32;
    const std::function<bool()> &m_patienter;
    const THorloge::duration m_periode;
    const int m_entrees;
    THorloge::time_point m_prochaine;
    int m_depuis = 0;
    bool m_arret = false;
};

// One folder of the walk: its path, and the sub-folders still to enter, in the order of
// its listing. The folder itself is closed once listed, so that the walk holds one
// folder open at a time however deep it goes.
struct TNiveau {
    QString dossier;         // ends with "/"
    QByteArray octets;       // the same path, as the file system's bytes
    QByteArray sousDossiers; // names, each ended by a zero byte
    qsizetype suivant = 0;   // position of the next name in sousDossiers
};

// The size of an accepted file not known yet, or of a file gone since the listing (or
// replaced by something that is not a regular file).
constexpr qint64 kTailleADemander = -1;
constexpr qint64 kTailleDisparu = -2;

// An accepted file met by a listing: where its name starts among the names (each ended
// by a zero byte), and its size when the listing learnt it already, else one of the two
// above.
struct TEntree {
    qsizetype nom;
    qint64 taille;
};

// Reading pass: a folder listed, and the names of its files read, for TBilanScan.
struct TDossierLu {
    QString dossier;
    QByteArray octets;
    QByteArray inventaire;
};

// Reading pass: an accepted file or a companion listed.
struct TFichierListe {
    std::size_t dossier; // in TContexteScan::dossiers
    qsizetype nom;       // in TContexteScan::noms
    qint64 taille;       // the size, kTailleADemander or kTailleDisparu
    bool compagnon = false; // only its size is asked
};

// Reading pass: a companion of an image, both in TContexteScan::fichiers.
struct TLien {
    std::size_t image;
    std::size_t compagnon;
    bool nomEntier;
};

// Reading pass: what reading one file gave. Written by one worker (or the calling
// thread) during the reads, read on the calling thread after.
struct TFichierLu {
    TEnrFichier fichier; // Nom, Taille (< 0: gone or replaced), the EXIF values read
    TIssueLecture issue = TIssueLecture::Illisible;
};

struct TContexteScan {
    TContexteScan(int &n, qint64 &t, bool comptage, bool recurs, TBilanScan *b,
                  const TParametresScan &p)
        : nombre(n), tailleTotale(t), comptageSeul(comptage), recursif(recurs), bilan(b),
          lectures(p.lectures), patience(p), lent(p.lectures.enVol > 1 && !p.lectures.adaptatif),
          formatsEtendus(p.formatsEtendus), compagnons(p.compagnons)
    {
    }
    int &nombre;
    qint64 &tailleTotale;
    const bool comptageSeul;
    const bool recursif;
    TBilanScan *const bilan;
    const TParametresLectures lectures;
    TPatience patience;
    // The listing asks each size itself, at once, while the medium answers fast; once
    // more than half of a window of kFenetreMesure sizes took kSeuilLentNs or more each
    // (or from the start when several requests in flight are forced), the sizes are left
    // for several requests in flight.
    bool lent;
    int fenetre = 0; // sizes asked in this window
    int lentes = 0;  // of which slow
    THorloge::time_point precedente = THorloge::now();
    std::set<TIdentiteDossier> visites; // folders entered in this scan
    // Reading pass: the tree as listed, read once the walk is over.
    std::vector<TDossierLu> dossiers;
    std::vector<TFichierListe> fichiers;
    QByteArray noms; // every accepted name, each ended by a zero byte
    // What reading each file gave (a deque: the slots stay in place as files are added),
    // and how many of them were read.
    std::deque<TFichierLu> lus;
    std::size_t nbLus = 0;
    bool arrete = false; // the caller's `avancer` asked to stop
    const bool formatsEtendus; // see TParametresScan
    const QList<TRegleCompagnon> compagnons; // see TParametresScan
    std::vector<TLien> liens; // reading pass: every companion of every image
};

bool CommencePar(const char *nom, char c) { return nom[0] == c; }

// EstImage on the name's bytes as the listing gives them (the table of FormatsImages.h).
bool EstImageOctets(const char *nom, bool formatsEtendus)
{
    return FormatImageOctets(nom, formatsEtendus) != nullptr;
}

// The size of an accepted file, asked by the listing itself while the medium is fast;
// notes in ctx.lent when it proves slow.
qint64 TailleSurPlace(TContexteScan &ctx, int dfd, const char *nom)
{
    struct stat st;
    const qint64 taille =
        EtatDans(dfd, nom, st) == 0 && S_ISREG(st.st_mode) ? st.st_size : kTailleDisparu;
    // One clock read per size: the time since the previous one holds this request and the
    // listing around it, well under kSeuilLentNs on a warm cache. A moment without the
    // processor slows one of them, a slow medium most.
    const THorloge::time_point maintenant = THorloge::now();
    if (maintenant - ctx.precedente > std::chrono::nanoseconds(kSeuilLentNs))
        ++ctx.lentes;
    ctx.precedente = maintenant;
    if (++ctx.fenetre == kFenetreMesure) {
        ctx.lent = ctx.lectures.enVol > 1 && 2 * ctx.lentes > kFenetreMesure;
        ctx.fenetre = 0;
        ctx.lentes = 0;
    }
    return taille;
}

// Counting pass, one folder still open (`dfd`): the sizes the listing left asked, with
// several in flight, then the files counted in the order of the listing.
void CompterFichiers(TContexteScan &ctx, int dfd, const TNiveau &niveau, const QByteArray &noms,
                     std::vector<TEntree> &entrees)
{
    QByteArray *inventaire = ctx.bilan ? &ctx.bilan->Inventaire[niveau.octets] : nullptr;
    std::vector<std::size_t> demandes;
    for (std::size_t k = 0; k < entrees.size(); ++k)
        if (entrees[k].taille == kTailleADemander)
            demandes.push_back(k);
    if (!demandes.empty()) { // a slow medium: several in flight from the first
        TParametresLectures p = ctx.lectures;
        p.adaptatif = false;
        p.attente = [&ctx] { ctx.patience.Appeler(); };
        const TBilanLectures b = LireEnParallele(
            qsizetype(demandes.size()), p,
            [&](qsizetype i) {
                TEntree &e = entrees[demandes[std::size_t(i)]];
                struct stat st;
                e.taille = EtatDans(dfd, noms.constData() + e.nom, st) == 0 && S_ISREG(st.st_mode)
                    ? st.st_size : kTailleDisparu;
            },
            [&ctx](qsizetype, bool) { return ctx.patience.Tic(); });
        if (b.arrete)
            return;
    }
    for (const TEntree &e : entrees) {
        if (e.taille < 0)
            continue; // gone since the listing, or replaced
        if (inventaire) {
            const char *nom = noms.constData() + e.nom;
            inventaire->append(nom, qsizetype(std::strlen(nom)) + 1); // with its zero
        }
        ++ctx.nombre;
        ctx.tailleTotale += e.taille;
    }
}

// True when `nom` ends with `suite` in any letter case, with something before it.
bool FinitPar(QByteArrayView nom, QByteArrayView suite)
{
    return nom.size() > suite.size()
        && nom.last(suite.size()).compare(suite, Qt::CaseInsensitive) == 0;
}

// Reading pass, one folder listed and still open (`dfd`), its accepted files noted from
// ctx.fichiers[premier] on: each of its other files (`autres`, their names in
// `nomsAutres`) is a companion of the images whose name, without its extension or whole,
// a rule makes it; a companion is noted for its size, the rest in the report.
void ClasserAutres(TContexteScan &ctx, int dfd, std::size_t premier,
                   const std::vector<TEntree> &autres, const QByteArray &nomsAutres)
{
    // Each image of the folder by the part of its name that a rule looks for.
    QMultiHash<QByteArrayView, std::size_t> racines, entiers;
    if (!ctx.compagnons.isEmpty())
        for (std::size_t i = premier; i < ctx.fichiers.size(); ++i) {
            const QByteArrayView nom(ctx.noms.constData() + ctx.fichiers[i].nom);
            const qsizetype point = nom.lastIndexOf('.');
            entiers.insert(nom, i);
            racines.insert(point < 0 ? nom : nom.first(point), i);
        }
    // The companions are added once every name is matched: the keys above lie in ctx.noms.
    struct TCompagnon {
        QByteArrayView nom;
        qint64 taille;
    };
    std::vector<TCompagnon> compagnons;
    std::vector<TLien> liens;
    for (const TEntree &autre : autres) {
        const QByteArrayView nom(nomsAutres.constData() + autre.nom);
        const std::size_t debutLiens = liens.size();
        for (const TRegleCompagnon &regle : ctx.compagnons) {
            const QByteArrayView suite(regle.suite);
            if (!FinitPar(nom, suite))
                continue;
            const auto &images = regle.nomEntier ? entiers : racines;
            const auto [debut, fin] = images.equal_range(nom.chopped(suite.size()));
            for (auto it = debut; it != fin; ++it)
                if (std::none_of(liens.cbegin() + qsizetype(debutLiens), liens.cend(),
                                 [&](const TLien &l) { return l.image == it.value(); }))
                    liens.push_back({it.value(), compagnons.size(), regle.nomEntier});
        }
        if (liens.size() > debutLiens)
            compagnons.push_back({nom, autre.taille});
        else if (ctx.bilan)
            ctx.bilan->Autres.append({ctx.dossiers.back().dossier, NomDepuisOctets(nom), 0, std::nullopt});
    }
    const std::size_t premierCompagnon = ctx.fichiers.size();
    for (const TCompagnon &c : compagnons) {
        qint64 taille = c.taille;
        if (taille == kTailleADemander && !ctx.lent)
            taille = TailleSurPlace(ctx, dfd, c.nom.data());
        ctx.fichiers.push_back({ctx.dossiers.size() - 1, ctx.noms.size(), taille, true});
        ctx.noms.append(c.nom.data(), c.nom.size() + 1); // with its zero
    }
    for (TLien &l : liens) {
        l.compagnon += premierCompagnon;
        ctx.liens.push_back(l);
    }
}

// Lists one folder: its accepted files are counted at once (counting pass) or noted for
// reading (reading pass), its sub-folders kept in niveau.sousDossiers, and in the reading
// pass its other regular files sorted out by ClasserAutres. False when it could
// not be listed (wholly or in part); true also for a folder not entered because this scan
// has entered it already.
bool ListerNiveau(TContexteScan &ctx, TNiveau &niveau)
{
    TListeDossier dossier(niveau.octets);
    if (!dossier.Ouvert())
        return false;
    const int dfd = dossier.Fd();
    struct stat st;
    if (::fstat(dfd, &st) != 0)
        return false;
    if (!ctx.visites.insert({st.st_dev, st.st_ino}).second)
        return true; // already entered through another path (a link to an ancestor)

    QByteArray nomsDossier; // counting pass: this folder's accepted names
    QByteArray &noms = ctx.comptageSeul ? nomsDossier : ctx.noms;
    std::vector<TEntree> entrees;
    QByteArray nomsAutres; // reading pass: the other regular files, as `noms`
    std::vector<TEntree> autres;
    const auto noterAutre = [&](const char *nom, qint64 taille) {
        autres.push_back({nomsAutres.size(), taille});
        nomsAutres.append(nom, qsizetype(std::strlen(nom)) + 1);
    };
    bool complet = true;
    for (;;) {
        const dirent *entree = dossier.Suivante();
        if (!entree) {
            complet = dossier.Erreur() == 0;
            break;
        }
        if (!ctx.patience.Tic())
            break;
        const char *octets = entree->d_name;
        if (CommencePar(octets, '.')) // every hidden entry
            continue;

        bool estDossier = false;
        bool estFichier = false;
        qint64 taille = kTailleADemander;
        bool image = false;

        switch (entree->d_type) {
        case DT_DIR:
            estDossier = true;
            break;
        case DT_REG:
            image = EstImageOctets(octets, ctx.formatsEtendus);
            if (!image) { // no stat needed for a file that is not an image
                if (!ctx.comptageSeul)
                    noterAutre(octets, kTailleADemander);
                continue;
            }
            estFichier = true;
            if (!ctx.lent)
                taille = TailleSurPlace(ctx, dfd, octets);
            break;
        case DT_LNK:
        case DT_UNKNOWN: {
            // A link counts as what it leads to; a broken link is skipped. When the
            // entry cannot be a folder that we would enter, and its name is not an
            // image, the counting pass needs to ask nothing.
            image = EstImageOctets(octets, ctx.formatsEtendus);
            if (!image && !ctx.recursif && ctx.comptageSeul)
                continue;
            struct stat lien;
            if (EtatDans(dfd, octets, lien) != 0)
                continue;
            if (S_ISDIR(lien.st_mode)) {
                estDossier = true;
            } else if (S_ISREG(lien.st_mode) && image) {
                estFichier = true;
                taille = lien.st_size;
            } else if (S_ISREG(lien.st_mode) && !ctx.comptageSeul) {
                noterAutre(octets, lien.st_size);
            }
            break;
        }
        default: // fifos, sockets, devices: never images, and opening a fifo would block
            continue;
        }

        if (estDossier) {
            if (ctx.recursif)
                niveau.sousDossiers.append(octets, qsizetype(std::strlen(octets)) + 1);
            continue;
        }
        if (!estFichier)
            continue;
        entrees.push_back({noms.size(), taille});
        noms.append(octets, qsizetype(std::strlen(octets)) + 1);
    }

    if (!ctx.patience.Arrete()) {
        if (ctx.comptageSeul) {
            CompterFichiers(ctx, dfd, niveau, nomsDossier, entrees);
        } else {
            ctx.dossiers.push_back({niveau.dossier, niveau.octets, {}});
            const std::size_t premier = ctx.fichiers.size();
            for (const TEntree &e : entrees)
                ctx.fichiers.push_back({ctx.dossiers.size() - 1, e.nom, e.taille});
            if (!autres.empty())
                ClasserAutres(ctx, dfd, premier, autres, nomsAutres);
        }
    }
    return complet;
}

void NoterDossierIllisible(TContexteScan &ctx, const TNiveau &niveau)
{
    if (ctx.bilan)
        ctx.bilan->DossiersIllisibles.append(niveau.dossier);
}

bool LireListes(TContexteScan &ctx, const std::function<bool()> &avancer);

// Lists one folder, then, in the reading pass on a medium that answers fast, reads its
// files at once, while the cache holds what the listing met.
void Entrer(TContexteScan &ctx, TNiveau &niveau, const std::function<bool()> &avancer)
{
    if (!ListerNiveau(ctx, niveau))
        NoterDossierIllisible(ctx, niveau);
    if (!ctx.comptageSeul && !ctx.lent && !ctx.patience.Arrete())
        ctx.arrete = !LireListes(ctx, avancer);
}

// Depth first, each folder's sub-folders in the order of its listing, without recursion:
// neither the stack nor the descriptors limit the depth.
void Parcourir(TContexteScan &ctx, const QString &racine, const std::function<bool()> &avancer)
{
    std::vector<TNiveau> pile;
    pile.push_back({racine, NomEnOctets(racine), {}, 0});
    Entrer(ctx, pile.back(), avancer);
    while (!pile.empty() && !ctx.patience.Arrete() && !ctx.arrete) {
        TNiveau &haut = pile.back();
        if (haut.suivant >= haut.sousDossiers.size()) {
            pile.pop_back();
            continue;
        }
        const char *nom = haut.sousDossiers.constData() + haut.suivant;
        const qsizetype longueur = qsizetype(std::strlen(nom));
        haut.suivant += longueur + 1;
        TNiveau enfant;
        enfant.dossier = haut.dossier + NomDepuisOctets(QByteArrayView(nom, longueur)) + u'/';
        enfant.octets.reserve(haut.octets.size() + longueur + 1);
        enfant.octets.append(haut.octets).append(nom, longueur).append('/');
        Entrer(ctx, enfant, avancer);
        if (!enfant.sousDossiers.isEmpty())
            pile.push_back(std::move(enfant)); // may move `haut`: not used past this point
    }
}

// Reading pass: the files listed and not read yet read (their size when the listing left
// it, their EXIF values), with several requests in flight once they prove slow. False
// when the scan was stopped.
bool LireListes(TContexteScan &ctx, const std::function<bool()> &avancer)
{
    const std::vector<TFichierListe> &fichiers = ctx.fichiers;
    const std::vector<TDossierLu> &dossiers = ctx.dossiers;
    const QByteArray &noms = ctx.noms;
    const std::size_t debut = ctx.nbLus;
    ctx.lus.resize(fichiers.size());
    ctx.nbLus = fichiers.size();
    std::deque<TFichierLu> &lus = ctx.lus;
    bool arrete = false;
    TParametresLectures p = ctx.lectures;
    p.adaptatif = p.adaptatif && !ctx.lent; // a medium proved slow: in parallel from the first
    p.attente = [&ctx] { ctx.patience.Appeler(); };
    const TBilanLectures bilan = LireEnParallele(
        qsizetype(fichiers.size() - debut), p,
        [&](qsizetype k) {
            // On a worker: reads only what the walk left, writes only this file's slot.
            const std::size_t i = debut + std::size_t(k);
            const TFichierListe &f = fichiers[i];
            const TDossierLu &d = dossiers[f.dossier];
            const char *nom = noms.constData() + f.nom;
            TFichierLu &lu = lus[i];
            lu.fichier.Taille = f.taille;
            if (f.taille == kTailleADemander) {
                struct stat st;
                if (EtatChemin(d.octets + nom, st) != 0 || !S_ISREG(st.st_mode))
                    lu.fichier.Taille = kTailleDisparu;
                else
                    lu.fichier.Taille = st.st_size;
            }
            if (lu.fichier.Taille < 0 || f.compagnon)
                return; // gone since the listing, or replaced; or only its size wanted
            lu.fichier.Nom = NomDepuisOctets(nom);
            lu.issue = LireEXIFFichierIssue(d.dossier + lu.fichier.Nom, lu.fichier.EXIF.emplace(),
                                            nullptr, ctx.formatsEtendus);
        },
        [&](qsizetype k, bool reussi) {
            TFichierLu &lu = lus[debut + std::size_t(k)];
            if (!reussi) // the reading stopped on a fault: nothing of it is kept
                lu.issue = TIssueLecture::Illisible;
            if (ctx.patience.Arrete())
                return false;
            if (lu.fichier.Taille < 0 || fichiers[debut + std::size_t(k)].compagnon)
                return true; // the gauge counts the images alone
            if (avancer && !avancer()) {
                arrete = true;
                return false;
            }
            return true;
        });
    if (bilan.parallele) // the reads proved slow: the rest of the tree read once listed
        ctx.lent = true;
    return !arrete && !ctx.patience.Arrete();
}

// Reading pass, every file read: the records made in the order of the listing.
void Composer(TContexteScan &ctx, TListeImages &liste)
{
    // Each companion still there into the records of its images, sorted by name.
    for (const TLien &l : ctx.liens) {
        const qint64 taille = ctx.lus[l.compagnon].fichier.Taille;
        if (taille >= 0)
            ctx.lus[l.image].fichier.Compagnons.append(
                {NomDepuisOctets(ctx.noms.constData() + ctx.fichiers[l.compagnon].nom), taille, l.nomEntier});
    }
    if (!ctx.liens.empty())
        for (TFichierLu &lu : ctx.lus)
            TrierCompagnons(lu.fichier.Compagnons);

    for (std::size_t i = 0; i < ctx.lus.size(); ++i) {
        TEnrFichier &fichier = ctx.lus[i].fichier;
        if (fichier.Taille < 0 || ctx.fichiers[i].compagnon)
            continue; // gone since the listing, or replaced: not met; or a companion
        TDossierLu &d = ctx.dossiers[ctx.fichiers[i].dossier];
        const char *nom = ctx.noms.constData() + ctx.fichiers[i].nom;
        if (ctx.bilan)
            d.inventaire.append(nom, qsizetype(std::strlen(nom)) + 1); // with its zero
        fichier.Dossier = d.dossier;
        if (fichier.Nom.isNull()) // the reading stopped on a fault before it
            fichier.Nom = NomDepuisOctets(nom);
        if (ctx.lus[i].issue == TIssueLecture::Valeurs) {
            liste.append(std::move(fichier));
        } else if (ctx.bilan) {
            fichier.EXIF.reset();
            ctx.bilan->NonRetenus.append({std::move(fichier), ctx.lus[i].issue});
        }
    }
    if (ctx.bilan)
        for (TDossierLu &d : ctx.dossiers)
            ctx.bilan->Inventaire.insert(d.octets, std::move(d.inventaire));
}

} // namespace

bool EstImage(const QString &nom, bool formatsEtendus)
{
    return FormatImage(nom, formatsEtendus) != nullptr;
}

bool ChercherImages(const QString &dossier, int &nombre, qint64 &tailleTotale,
                    bool comptageSeul, bool recursif, TListeImages &liste,
                    const std::function<bool()> &avancer, TBilanScan *bilan,
                    const TParametresScan &parametres)
{
    if (dossier.isEmpty())
        return true;
    TContexteScan ctx(nombre, tailleTotale, comptageSeul, recursif, bilan, parametres);
    Parcourir(ctx, AvecBarreFinale(dossier), avancer);
    if (ctx.patience.Arrete() || ctx.arrete)
        return false;
    if (comptageSeul)
        return true;
    if (!LireListes(ctx, avancer)) // what a slow medium left to the end
        return false;
    Composer(ctx, liste);
    return true;
}
