// One image file found by the scan, and the list that owns them.
#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QtGlobal>

#include "metadata/TEnrEXIF.h"

// A file of the image's folder that goes with it (a sidecar, a voice memo, a thumbnail):
// its name begins with the image's name, without its extension or whole (`NomEntier`),
// and goes on with a suffix of the companions' rules.
struct TEnrCompagnon {
    QString Nom;            // as the listing gives it; in the preview, the target name
    qint64 Taille = 0;      // size in bytes, from the listing
    bool NomEntier = false; // made from the image's whole name (IMG_0001.CR3.xmp)
    friend bool operator==(const TEnrCompagnon &, const TEnrCompagnon &) = default;
};

struct TEnrFichier {
    QString Dossier;              // the folder holding the file, ending with "/"
    QString Nom;                  // the file's name as the listing gives it
    qint64 Taille = 0;            // size in bytes, from the listing
    std::optional<TEnrEXIF> EXIF; // absent in the preview's result entries
    // The companions, sorted by name; in the preview, those that go with this entry.
    QList<TEnrCompagnon> Compagnons = {};
};

// Ordered list of records; owns them and their EXIF values.
using TListeImages = QList<TEnrFichier>;
