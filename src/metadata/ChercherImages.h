// Finding the images of a folder tree: a counting pass and a reading pass.
#pragma once

#include <functional>

#include <QString>
#include <QtGlobal>

#include "metadata/TEnrFichier.h"

// True when the name's extension is one of the accepted image kinds of FormatsImages.h
// (with formatsEtendus false, only .JPG .JPEG .CR2 .NEF .MRW .ORF .PEF .RAF .TIF).
bool EstImage(const QString &nom, bool formatsEtendus = true);

// Scans `dossier` (ending with "/"), and its sub-folders when `recursif`. Entries whose
// name begins with "." are skipped; a folder already entered in this scan (same device
// and inode, through a link) is not entered again.
// - comptageSeul: adds 1 to `nombre` and the file size to `tailleTotale` for every
//   accepted file; nothing is opened and `liste` is untouched.
// - otherwise: calls `avancer` once per accepted file, reads its EXIF values and appends
//   a record to `liste` when they are Valide; `nombre` and `tailleTotale` are untouched.
// A folder that cannot be listed adds nothing. Reports nothing and raises nothing.
void ChercherImages(const QString &dossier, int &nombre, qint64 &tailleTotale,
                    bool comptageSeul, bool recursif, TListeImages &liste,
                    const std::function<void()> &avancer = {});

// -1, 0 or 1: A before, at the same place as, or after B. The key is Dossier, a
// character of code 1, then Nom, upper-cased, compared code by code.
int ComparerFichiers(const TEnrFichier &a, const TEnrFichier &b);

// Sorts the list by ComparerFichiers, building each record's key once.
void TrierListe(TListeImages &liste);
