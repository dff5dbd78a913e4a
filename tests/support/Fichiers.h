// Reading and writing whole files in tests.
#pragma once

#include <QByteArray>
#include <QString>

// Writes the bytes to the file, replacing it (folders created); false on failure.
bool EcrireFichier(const QString &chemin, const QByteArray &contenu);

// The file's bytes. A file that cannot be read gives a text naming it, so that a missing
// file never compares equal to an empty one, nor to another missing file.
QByteArray LireFichier(const QString &chemin);
