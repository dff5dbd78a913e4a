// Finding the images of a folder tree: listing, counting, reading and sorting.
#include "metadata/ChercherImages.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QHash>
#include <QSet>

#include "commun/CheminsLongs.h"
#include "commun/NomsFichiers.h"
#include "metadata/FormatsImages.h"
#include "metadata/LireEXIF.h"

using namespace Qt::StringLiterals;

namespace {

using TIdentiteDossier = std::pair<dev_t, ino_t>;

// One folder of the walk: its path, and the sub-folders still to enter, in the order of
// its listing. The folder itself is closed once listed, so that the walk holds one
// listing open at a time however deep it goes.
struct TNiveau {
    QString dossier;         // ends with "/"
    QByteArray octets;       // the same path, as the file system's bytes
    QByteArray sousDossiers; // names, each ended by a zero byte
    qsizetype suivant = 0;   // position of the next name in sousDossiers
};

struct TContexteScan {
    int &nombre;
    qint64 &tailleTotale;
    bool comptageSeul;
    bool recursif;
    TListeImages &liste;
    const std::function<void()> &avancer;
    TBilanScan *bilan;
    std::set<TIdentiteDossier> visites; // folders entered in this scan
};

bool CommencePar(const char *nom, char c) { return nom[0] == c; }

// EstImage on the name's bytes as the listing gives them (the table of FormatsImages.h).
bool EstImageOctets(const char *nom)
{
    return FormatImageOctets(nom) != nullptr;
}

void TraiterFichier(TContexteScan &ctx, const TNiveau &niveau, QByteArray *inventaire,
                    const char *octets, qint64 taille)
{
    if (inventaire)
        inventaire->append(octets, qsizetype(std::strlen(octets)) + 1); // with its zero
    if (ctx.comptageSeul) {
        ++ctx.nombre;
        ctx.tailleTotale += taille;
        return;
    }
    if (ctx.avancer)
        ctx.avancer();
    TEnrFichier fichier;
    fichier.Dossier = niveau.dossier;
    fichier.Nom = NomDepuisOctets(octets);
    fichier.Taille = taille;
    fichier.EXIF.emplace();
    const TIssueLecture issue = LireEXIFFichierIssue(fichier.Dossier + fichier.Nom, *fichier.EXIF);
    if (issue == TIssueLecture::Valeurs) {
        ctx.liste.append(std::move(fichier));
    } else if (ctx.bilan) {
        fichier.EXIF.reset();
        ctx.bilan->NonRetenus.append({std::move(fichier), issue});
    }
}

// Lists one folder: handles its accepted files at once, keeps its sub-folders in
// niveau.sousDossiers. False when it could not be listed (wholly or in part); true also
// for a folder not entered because this scan has entered it already.
bool ListerDossier(TContexteScan &ctx, TNiveau &niveau)
{
    const int fd = OuvrirChemin(niveau.octets, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    if (!ctx.visites.insert({st.st_dev, st.st_ino}).second) {
        ::close(fd); // already entered through another path (a link to an ancestor)
        return true;
    }
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    QByteArray *inventaire = ctx.bilan ? &ctx.bilan->Inventaire[niveau.octets] : nullptr;

    for (;;) {
        errno = 0;
        const dirent *entree = ::readdir(dir);
        if (!entree)
            break;
        const char *octets = entree->d_name;
        if (CommencePar(octets, '.')) // ".", ".." and every hidden entry
            continue;

        bool estDossier = false;
        bool estFichier = false;
        qint64 taille = -1;
        bool image = false;

        switch (entree->d_type) {
        case DT_DIR:
            estDossier = true;
            break;
        case DT_REG:
            image = EstImageOctets(octets);
            if (!image)
                continue; // no stat needed for a file that is not an image
            estFichier = true;
            break;
        case DT_LNK:
        case DT_UNKNOWN: {
            // A link counts as what it leads to; a broken link is skipped. When the
            // entry cannot be a folder that we would enter, and its name is not an
            // image, nothing needs to be asked.
            image = EstImageOctets(octets);
            if (!image && !ctx.recursif)
                continue;
            struct stat lien;
            if (::fstatat(::dirfd(dir), octets, &lien, 0) != 0)
                continue;
            if (S_ISDIR(lien.st_mode)) {
                estDossier = true;
            } else if (S_ISREG(lien.st_mode) && image) {
                estFichier = true;
                taille = lien.st_size;
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
        if (taille < 0) {
            struct stat fichier;
            if (::fstatat(::dirfd(dir), octets, &fichier, 0) != 0 || !S_ISREG(fichier.st_mode))
                continue; // gone since the listing, or replaced
            taille = fichier.st_size;
        }
        TraiterFichier(ctx, niveau, inventaire, octets, taille);
    }
    const bool complet = errno == 0;
    ::closedir(dir);
    return complet;
}

void NoterDossierIllisible(TContexteScan &ctx, const TNiveau &niveau)
{
    if (ctx.bilan)
        ctx.bilan->DossiersIllisibles.append(niveau.dossier);
}

// Depth first, each folder's sub-folders in the order of its listing, without recursion:
// neither the stack nor the descriptors limit the depth.
void Parcourir(TContexteScan &ctx, const QString &racine)
{
    std::vector<TNiveau> pile;
    pile.push_back({racine, NomEnOctets(racine), {}, 0});
    if (!ListerDossier(ctx, pile.back()))
        NoterDossierIllisible(ctx, pile.back());
    while (!pile.empty()) {
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
        const bool lu = ListerDossier(ctx, enfant);
        if (!lu)
            NoterDossierIllisible(ctx, enfant);
        if (!enfant.sousDossiers.isEmpty())
            pile.push_back(std::move(enfant)); // may move `haut`: not used past this point
    }
}

// The text upper-cased by the locale's rules; the bytes kept from names that are not
// UTF-8 (lone surrogates, which toUpper would turn into U+FFFD) stay as they are.
QString Majuscules(const QString &texte)
{
    if (!NomAOctetsBruts(texte))
        return texte.toUpper();
    QString resultat;
    resultat.reserve(texte.size());
    qsizetype debut = 0;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char16_t c = texte.at(i).unicode();
        if (c >= 0xDC80 && c <= 0xDCFF && !(i > 0 && texte.at(i - 1).isHighSurrogate())) {
            resultat += texte.sliced(debut, i - debut).toUpper();
            resultat += texte.at(i);
            debut = i + 1;
        }
    }
    resultat += texte.sliced(debut).toUpper();
    return resultat;
}

// The sort key: Dossier, a character of code 1, Nom, upper-cased; as UTF-8 its bytes
// compare in code point order (a kept byte of a name that is not UTF-8 stands as itself).
QByteArray CleTri(const TEnrFichier &f)
{
    // Plain ASCII paths (the usual case): upper-cased straight into the key's bytes.
    const qsizetype longueur = f.Dossier.size() + 1 + f.Nom.size();
    QByteArray octets(longueur, Qt::Uninitialized);
    char *p = octets.data();
    bool ascii = true;
    const auto copier = [&](const QString &texte) {
        for (QChar qc : texte) {
            const char16_t c = qc.unicode();
            if (c >= 0x80) {
                ascii = false;
                return;
            }
            *p++ = (c >= u'a' && c <= u'z') ? char(c - u'a' + 'A') : char(c);
        }
    };
    copier(f.Dossier);
    *p++ = '\x01';
    if (ascii)
        copier(f.Nom);
    if (ascii)
        return octets;

    QString cle;
    cle.reserve(f.Dossier.size() + 1 + f.Nom.size());
    cle += f.Dossier;
    cle += QChar(1);
    cle += f.Nom;
    // A byte kept from a name that is not UTF-8 goes into the key as itself.
    return NomEnOctets(Majuscules(cle));
}

// Sorts by ComparerFichiers on the record that `enr` gives of each element, building each
// key once. Stable: elements with equal keys keep their order.
template <typename T, typename FEnr>
void TrierSelonCle(QList<T> &liste, FEnr enr)
{
    std::vector<std::pair<QByteArray, qsizetype>> cles;
    cles.reserve(liste.size());
    for (qsizetype i = 0; i < liste.size(); ++i)
        cles.emplace_back(CleTri(enr(liste[i])), i);
    std::stable_sort(cles.begin(), cles.end(),
                     [](const auto &x, const auto &y) { return x.first < y.first; });
    QList<T> triee;
    triee.reserve(liste.size());
    for (const auto &[cle, i] : cles)
        triee.append(std::move(liste[i]));
    liste = std::move(triee);
}

} // namespace

bool EstImage(const QString &nom, bool formatsEtendus)
{
    return FormatImage(nom, formatsEtendus) != nullptr;
}

void ChercherImages(const QString &dossier, int &nombre, qint64 &tailleTotale,
                    bool comptageSeul, bool recursif, TListeImages &liste,
                    const std::function<void()> &avancer, TBilanScan *bilan)
{
    if (dossier.isEmpty())
        return;
    TContexteScan ctx{nombre, tailleTotale, comptageSeul, recursif, liste, avancer, bilan, {}};
    Parcourir(ctx, dossier.endsWith(u'/') ? dossier : dossier + u'/');
}

int ComparerFichiers(const TEnrFichier &a, const TEnrFichier &b)
{
    const int c = CleTri(a).compare(CleTri(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void TrierListe(TListeImages &liste)
{
    TrierSelonCle(liste, [](const TEnrFichier &f) -> const TEnrFichier & { return f; });
}

TNonRetenus ComparerPassages(const TBilanScan &comptage, const TBilanScan &lecture)
{
    TNonRetenus resultat;

    std::vector<std::pair<QByteArray, QString>> dossiers;
    for (const QStringList *liste : {&comptage.DossiersIllisibles, &lecture.DossiersIllisibles})
        for (const QString &d : *liste)
            dossiers.emplace_back(NomEnOctets(d), d);
    std::sort(dossiers.begin(), dossiers.end(),
              [](const auto &x, const auto &y) { return x.first < y.first; });
    dossiers.erase(std::unique(dossiers.begin(), dossiers.end(),
                               [](const auto &x, const auto &y) { return x.first == y.first; }),
                   dossiers.end());
    for (const auto &[octets, d] : dossiers)
        resultat.Dossiers.append(d);

    QList<TFichierNonRetenu> fichiers = lecture.NonRetenus;
    for (auto it = comptage.Inventaire.cbegin(); it != comptage.Inventaire.cend(); ++it) {
        const QByteArray &comptes = it.value();
        const auto lus = lecture.Inventaire.constFind(it.key());
        if (lus != lecture.Inventaire.cend() && lus.value() == comptes)
            continue; // the usual case: the same names, in the same order
        QSet<QByteArrayView> rencontres;
        if (lus != lecture.Inventaire.cend())
            for (qsizetype i = 0; i < lus.value().size();) {
                const QByteArrayView nom(lus.value().constData() + i);
                rencontres.insert(nom);
                i += nom.size() + 1;
            }
        const QString dossier = NomDepuisOctets(it.key());
        for (qsizetype i = 0; i < comptes.size();) {
            const QByteArrayView nom(comptes.constData() + i);
            i += nom.size() + 1;
            if (rencontres.contains(nom))
                continue;
            TFichierNonRetenu f;
            f.Fichier.Dossier = dossier;
            f.Fichier.Nom = NomDepuisOctets(nom);
            f.Issue = TIssueLecture::Illisible;
            fichiers.append(std::move(f));
        }
    }

    TrierSelonCle(fichiers, [](const TFichierNonRetenu &f) -> const TEnrFichier & { return f.Fichier; });
    resultat.Fichiers = std::move(fichiers);
    return resultat;
}
