// Finding the images of a folder tree: listing, counting, reading and sorting.
#include "metadata/ChercherImages.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>

#include "metadata/FormatsImages.h"
#include "metadata/LireEXIF.h"

using namespace Qt::StringLiterals;

namespace {

using TIdentiteDossier = std::pair<dev_t, ino_t>;

struct TContexteScan {
    int &nombre;
    qint64 &tailleTotale;
    bool comptageSeul;
    bool recursif;
    TListeImages &liste;
    const std::function<void()> &avancer;
    std::set<TIdentiteDossier> visites; // folders entered in this scan
};

bool CommencePar(const char *nom, char c) { return nom[0] == c; }

// EstImage on the name's bytes as the listing gives them (the table of FormatsImages.h).
bool EstImageOctets(const char *nom)
{
    return FormatImageOctets(nom) != nullptr;
}

void ScannerDossier(TContexteScan &ctx, const QString &dossier);

void TraiterFichier(TContexteScan &ctx, const QString &dossier, const char *octets,
                    qint64 taille)
{
    if (ctx.comptageSeul) {
        ++ctx.nombre;
        ctx.tailleTotale += taille;
        return;
    }
    const QString nom = QFile::decodeName(octets);
    if (ctx.avancer)
        ctx.avancer();
    TEnrFichier fichier;
    fichier.Dossier = dossier;
    fichier.Nom = nom;
    fichier.Taille = taille;
    fichier.EXIF.emplace();
    if (LireEXIFFichier(dossier + nom, *fichier.EXIF))
        ctx.liste.append(std::move(fichier));
}

// Lists one folder, opened as `dir`, whose path is `dossier` (ending with "/").
void ListerDossier(TContexteScan &ctx, DIR *dir, const QString &dossier)
{
    const int fd = ::dirfd(dir);
    while (const dirent *entree = ::readdir(dir)) {
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
            struct stat st;
            if (::fstatat(fd, octets, &st, 0) != 0)
                continue;
            if (S_ISDIR(st.st_mode)) {
                estDossier = true;
            } else if (S_ISREG(st.st_mode) && image) {
                estFichier = true;
                taille = st.st_size;
            }
            break;
        }
        default: // fifos, sockets, devices: never images, and opening a fifo would block
            continue;
        }

        if (estDossier) {
            if (!ctx.recursif)
                continue;
            ScannerDossier(ctx, dossier + QFile::decodeName(octets) + u'/');
            continue;
        }
        if (!estFichier)
            continue;
        if (taille < 0) {
            struct stat st;
            if (::fstatat(fd, octets, &st, 0) != 0 || !S_ISREG(st.st_mode))
                continue; // gone since the listing, or replaced
            taille = st.st_size;
        }
        TraiterFichier(ctx, dossier, octets, taille);
    }
}

void ScannerDossier(TContexteScan &ctx, const QString &dossier)
{
    const QByteArray chemin = QFile::encodeName(dossier);
    const int fd = ::open(chemin.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return; // missing or unreadable: contributes nothing
    struct stat st;
    if (::fstat(fd, &st) != 0 || !ctx.visites.insert({st.st_dev, st.st_ino}).second) {
        ::close(fd); // already entered through another path (a link to an ancestor)
        return;
    }
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    ListerDossier(ctx, dir, dossier);
    ::closedir(dir);
}

// The sort key: Dossier, a character of code 1, Nom, upper-cased; as UTF-8 its bytes
// compare in code point order.
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
    return cle.toUpper().toUtf8();
}

} // namespace

bool EstImage(const QString &nom, bool formatsEtendus)
{
    return FormatImage(nom, formatsEtendus) != nullptr;
}

void ChercherImages(const QString &dossier, int &nombre, qint64 &tailleTotale,
                    bool comptageSeul, bool recursif, TListeImages &liste,
                    const std::function<void()> &avancer)
{
    if (dossier.isEmpty())
        return;
    TContexteScan ctx{nombre, tailleTotale, comptageSeul, recursif, liste, avancer, {}};
    ScannerDossier(ctx, dossier.endsWith(u'/') ? dossier : dossier + u'/');
}

int ComparerFichiers(const TEnrFichier &a, const TEnrFichier &b)
{
    const int c = CleTri(a).compare(CleTri(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void TrierListe(TListeImages &liste)
{
    std::vector<std::pair<QByteArray, qsizetype>> cles;
    cles.reserve(liste.size());
    for (qsizetype i = 0; i < liste.size(); ++i)
        cles.emplace_back(CleTri(liste[i]), i);
    // Stable: records with equal keys keep the order of the listing.
    std::stable_sort(cles.begin(), cles.end(),
                     [](const auto &x, const auto &y) { return x.first < y.first; });
    TListeImages triee;
    triee.reserve(liste.size());
    for (const auto &[cle, i] : cles)
        triee.append(std::move(liste[i]));
    liste = std::move(triee);
}
