// One image file found by the scan, and the list that owns them.
#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QtGlobal>

#include "metadata/TEnrEXIF.h"

struct TEnrFichier {
    QString Dossier;              // the folder holding the file, ending with "/"
    QString Nom;                  // the file's name as the listing gives it
    qint64 Taille = 0;            // size in bytes, from the listing
    std::optional<TEnrEXIF> EXIF; // absent in the preview's result entries
};

// Ordered list of records; owns them and their EXIF values.
using TListeImages = QList<TEnrFichier>;
