// Finding the images of a folder tree: a counting pass and a reading pass.
#pragma once

#include <functional>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "metadata/LecturesParalleles.h"
#include "metadata/LireEXIF.h"
#include "metadata/TEnrFichier.h"

// An accepted file that a reading pass did not keep, and why: Illisible (it could not be
// opened or read, or it was counted and then not met again) or SansValeur.
struct TFichierNonRetenu {
    TEnrFichier Fichier; // Dossier, Nom, Taille; no EXIF record
    TIssueLecture Issue = TIssueLecture::Illisible;
};

// What one scan met beside the records it appended, for telling the user about every
// accepted file that did not end in the list.
struct TBilanScan {
    // Folders that could not be listed (wholly or in part), ending with "/", in the order met.
    QStringList DossiersIllisibles;
    // Reading pass: the accepted files read and not kept, in the order met.
    QList<TFichierNonRetenu> NonRetenus;
    // Every accepted file met: the folder's path as the file system's bytes (ending with
    // "/") -> the names, each ended by a zero byte, in the order of the listing.
    QHash<QByteArray, QByteArray> Inventaire;
    // Reading pass: the regular files (or links to one) that are neither accepted files
    // nor companions, hidden ones left out (Dossier and Nom; no size), in the order met.
    QList<TEnrFichier> Autres;
};

// After a counting pass and a reading pass over the same folder: the folders either pass
// could not list, sorted by path (byte order, each once); and the accepted files that the
// reading pass did not keep, sorted by ComparerFichiers: those it read without keeping,
// and those counted that it did not meet again (gone, or in a folder it could not list),
// these as Illisible.
// The reading pass's other files (TBilanScan::Autres) come along, sorted by ComparerFichiers.
struct TNonRetenus {
    QStringList Dossiers;
    QList<TFichierNonRetenu> Fichiers;
    QList<TEnrFichier> Autres;
};
TNonRetenus ComparerPassages(const TBilanScan &comptage, const TBilanScan &lecture);

// A companions' rule: a file is a companion of an image of its folder when its name is
// the image's name, without its extension or whole (`nomEntier`), followed by `suite`
// (ASCII, compared in any letter case); the image's part is compared exactly.
struct TRegleCompagnon {
    const char *suite; // ".xmp", or for instance "M01.XML" after the name's stem
    bool nomEntier;
};

// True when the name's extension is one of the accepted image kinds of FormatsImages.h
// (with formatsEtendus false, only .JPG .JPEG .CR2 .NEF .MRW .ORF .PEF .RAF .TIF).
bool EstImage(const QString &nom, bool formatsEtendus = true);

// How a scan serves its per-file requests, and how it lets its caller in while it works.
struct TParametresScan {
    // The requests for each file (its size in the counting pass, its size and EXIF values
    // in the reading pass): by default on the calling thread while they are fast, with
    // kEnVolLent in flight once they prove slow (a card reader, a USB disk, a share).
    // Its `attente` is not used: see `patienter`.
    TParametresLectures lectures;
    // Called on the calling thread, in both passes, while the scan lists folders or waits
    // for requests: about every lectures.periodeAttenteMs, and at least once every
    // `entreesParPatience` entries listed (and, in the counting pass, sizes received).
    // Lets the window process its events; false stops the scan at once.
    std::function<bool()> patienter;
    int entreesParPatience = 1024;
    // The image kinds accepted and how they are read: every kind of FormatsImages.h, or
    // (false) only the nine historical extensions, each read by its extension alone.
    bool formatsEtendus = true;
    // Reading pass: the rules that make a file a companion of an image. Every companion
    // found goes into the records of its images (TEnrFichier::Compagnons, with its size),
    // kept or not; the other files are noted in TBilanScan::Autres. Empty: no file is a
    // companion.
    QList<TRegleCompagnon> compagnons;
};

// Scans `dossier` (ending with "/"), and its sub-folders when `recursif`. Entries whose
// name begins with "." are skipped; a folder already entered in this scan (same device
// and inode, through a link) is not entered again.
// - comptageSeul: adds 1 to `nombre` and the file size to `tailleTotale` for every
//   accepted file; nothing is opened, `liste` and `avancer` are untouched.
// - otherwise: every accepted file is read (its size, its EXIF values), and each other
//   regular file is matched against parametres.compagnons once its folder is listed (a
//   companion's size asked as an image's is, nothing else asked): each folder's
//   files once it is listed while the medium answers fast; on a slow one (see
//   TParametresScan), the rest of the tree once listed, with several requests in flight.
//   `avancer` is called on the calling thread once per accepted file read (never for a
//   companion), in the order the reads end. Once all are read, a record is appended to
//   `liste` for each file with Valide values, in the order of the listing (the same
//   records, in the same order, however the reads were served); `nombre` and
//   `tailleTotale` are untouched.
// `avancer` or `patienter` returning false stops the scan at once: requests not started
// are dropped, those in flight finished and forgotten, every worker thread joined; the
// function then returns false, with `liste` untouched by the reading pass, the counts of
// the counting pass and `bilan` holding only part of the tree.
// A folder that cannot be listed adds nothing. Raises nothing; when `bilan` is given, what
// was not kept is noted there (see TBilanScan). Names are taken as bytes whatever they are
// (NomDepuisOctets); the walk has no depth or path length limit and holds one folder
// open at a time.
bool ChercherImages(const QString &dossier, int &nombre, qint64 &tailleTotale,
                    bool comptageSeul, bool recursif, TListeImages &liste,
                    const std::function<bool()> &avancer = {}, TBilanScan *bilan = nullptr,
                    const TParametresScan &parametres = {});

// -1, 0 or 1: A before, at the same place as, or after B. The key is Dossier, a
// character of code 1, then Nom, upper-cased, compared code by code.
int ComparerFichiers(const TEnrFichier &a, const TEnrFichier &b);

// Sorts the list by ComparerFichiers, building each record's key once.
void TrierListe(TListeImages &liste);
// Sorts an image's companions by name as ComparerFichiers orders names.
void TrierCompagnons(QList<TEnrCompagnon> &compagnons);
