// The image scan with several requests in flight, built on LireEnParallele: the folders
// are listed on the calling thread, then the per-file requests (a stat for the size, the
// EXIF reading) run on the workers, the results coming back in the order of the listing.
// It gives the same counts and, once sorted, the same list as ChercherImages.
#pragma once

#include <functional>

#include <QByteArray>
#include <QList>
#include <QString>

#include "metadata/LecturesParalleles.h"
#include "metadata/TEnrFichier.h"

struct TImageListee {
    QString dossier; // ending with "/"
    QString nom;
    QByteArray chemin; // the full path's bytes, for the system calls
};

// The accepted files of the tree, in the order of the listing: names beginning with "."
// skipped, every folder entered once, sub-folders only when `recursif`.
QList<TImageListee> ListerImages(const QString &dossier, bool recursif);

// Counting pass: adds the number and total size of the accepted regular files.
TBilanLectures CompterImagesParallele(const QString &dossier, bool recursif,
                                      const TParametresLectures &parametres, int &nombre,
                                      qint64 &tailleTotale);

// Reading pass: appends to `liste`, in the order of the listing, every file with values;
// `avancer` is called on the calling thread once per file read and returns false to stop
// (then nothing more is appended).
TBilanLectures LireImagesParallele(const QString &dossier, bool recursif,
                                   const TParametresLectures &parametres, TListeImages &liste,
                                   const std::function<bool()> &avancer = {});
