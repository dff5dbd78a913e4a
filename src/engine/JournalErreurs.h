// The error log of a run or an undo: "Clarvane.erreurs.txt" beside the settings.
#pragma once

#include <QString>
#include <QStringList>

// Writes the lines, each ended by CR LF, replacing the file; an empty list gives an empty
// file. The bytes of names that are not UTF-8 are written as "\xHH". Only a regular file
// (or none) is replaced: a fifo or a device under that name is never opened. Throws EErreur("Ne peut créer le fichier %s") when it cannot.
void EcrireJournalErreurs(const QString &chemin, const QStringList &lignes);
