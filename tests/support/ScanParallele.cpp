// The image scan with several requests in flight.
#include "ScanParallele.h"

#include <set>
#include <utility>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include "commun/NomsFichiers.h"
#include "metadata/ChercherImages.h"
#include "metadata/LireEXIF.h"

namespace {

void Lister(const QString &dossier, bool recursif, std::set<std::pair<dev_t, ino_t>> &visites,
            QList<TImageListee> &images)
{
    const QByteArray chemin = NomEnOctets(dossier);
    struct stat st;
    if (::stat(chemin.constData(), &st) != 0 || !S_ISDIR(st.st_mode)
        || !visites.insert({st.st_dev, st.st_ino}).second)
        return;
    DIR *dir = ::opendir(chemin.constData());
    if (!dir)
        return;
    QStringList sousDossiers; // entered once this folder is closed
    while (const dirent *e = ::readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        const QString nom = NomDepuisOctets(e->d_name);
        unsigned char type = e->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat cible;
            if (::stat((chemin + e->d_name).constData(), &cible) != 0)
                continue;
            type = S_ISDIR(cible.st_mode) ? DT_DIR : (S_ISREG(cible.st_mode) ? DT_REG : DT_UNKNOWN);
        }
        if (type == DT_DIR && recursif)
            sousDossiers.append(dossier + nom + u'/');
        else if (type == DT_REG && EstImage(nom))
            images.append({dossier, nom, chemin + e->d_name});
    }
    ::closedir(dir);
    for (const QString &sous : std::as_const(sousDossiers))
        Lister(sous, recursif, visites, images);
}

// The size of a regular file, or -1.
qint64 TailleFichier(const QByteArray &chemin)
{
    struct stat st;
    if (::stat(chemin.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}

} // namespace

QList<TImageListee> ListerImages(const QString &dossier, bool recursif)
{
    QList<TImageListee> images;
    std::set<std::pair<dev_t, ino_t>> visites;
    if (!dossier.isEmpty())
        Lister(dossier.endsWith(u'/') ? dossier : dossier + u'/', recursif, visites, images);
    return images;
}

TBilanLectures CompterImagesParallele(const QString &dossier, bool recursif,
                                      const TParametresLectures &parametres, int &nombre,
                                      qint64 &tailleTotale)
{
    const QList<TImageListee> images = ListerImages(dossier, recursif);
    std::vector<qint64> tailles(std::size_t(images.size()), -1);
    return LireEnParallele(
        images.size(), parametres,
        [&](qsizetype i) { tailles[std::size_t(i)] = TailleFichier(images[i].chemin); },
        [&](qsizetype i, bool reussi) {
            if (reussi && tailles[std::size_t(i)] >= 0) {
                ++nombre;
                tailleTotale += tailles[std::size_t(i)];
            }
            return true;
        });
}

TBilanLectures LireImagesParallele(const QString &dossier, bool recursif,
                                   const TParametresLectures &parametres, TListeImages &liste,
                                   const std::function<bool()> &avancer)
{
    const QList<TImageListee> images = ListerImages(dossier, recursif);
    struct TResultat {
        qint64 taille = -1;
        bool lu = false;
        TEnrEXIF exif;
    };
    std::vector<TResultat> resultats(std::size_t(images.size()));
    const TBilanLectures bilan = LireEnParallele(
        images.size(), parametres,
        [&](qsizetype i) {
            TResultat &r = resultats[std::size_t(i)];
            r.taille = TailleFichier(images[i].chemin);
            if (r.taille < 0)
                return; // gone since the listing, or replaced
            r.lu = true;
            LireEXIFFichierIssue(images[i].dossier + images[i].nom, r.exif);
        },
        [&](qsizetype i, bool reussi) {
            TResultat &r = resultats[std::size_t(i)];
            if (!reussi)
                r.exif.Valide = false; // the reading stopped on a fault: no values kept
            if (!r.lu)
                return true;
            return !avancer || avancer();
        });
    if (bilan.arrete)
        return bilan;
    for (qsizetype i = 0; i < images.size(); ++i) {
        TResultat &r = resultats[std::size_t(i)];
        if (r.lu && r.exif.Valide)
            liste.append({images[i].dossier, images[i].nom, r.taille, std::move(r.exif)});
    }
    return bilan;
}
