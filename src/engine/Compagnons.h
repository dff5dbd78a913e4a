// The files that travel with an image (sidecars, voice memos, thumbnails, edits): which
// they are, the names they take beside it, which image carries one that several share,
// and the number that the images of one shot take together.
#pragma once

#include <functional>

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "metadata/ChercherImages.h"
#include "metadata/TEnrFichier.h"

// The companions' rules, as the scan matches them: the image's name without its
// extension followed by .xmp, .thm, .wav, .aae or M01.XML (a Sony clip's file), or its
// whole name followed by .xmp, in any letter case. A new kind of companion is one more
// row of this table.
const QList<TRegleCompagnon> &ReglesCompagnons();

// The name `compagnon` takes beside its image `nomImage` once the image is named
// `nomCible`: nomCible, without its extension or whole as the companion was made, followed
// by the companion's own suffix in its own case. IMG_0001.xmp of IMG_0001.CR3 becomes
// IMG_0001(2).xmp beside IMG_0001(2).CR3, IMG_0001.CR3.xmp becomes IMG_0001(2).CR3.xmp.
QString NomCompagnon(const QString &nomImage, const TEnrCompagnon &compagnon, const QString &nomCible);

// A JPEG or HEIF image, by its extension: in rename mode a companion that it shares with
// an image of another kind (a raw) follows that one.
bool EstJPEGouHEIF(const QString &nom);

// What a run knows of its images' companions and shots: which image carries a shared
// companion, which companions are still to go into a folder, which stayed behind, and the
// number each shot takes in a target folder. Companions are known by their full path.
class TSuiviCompagnons {
public:
    // Tells whether a full path is taken (by a file on disk or a target already planned).
    using TOccupe = std::function<bool(const QString &chemin)>;
    // The target folder of image j of the list as the run would make it now; empty when
    // it has none (none of its selected values).
    using TDossierDe = std::function<QString(qsizetype j)>;

    TSuiviCompagnons() = default;
    // `images`: the run's list, sorted, as phase 2 goes through it; `nonRetenus`: the
    // counted images that phase 1 did not keep, with their companions.
    TSuiviCompagnons(const TListeImages &images, const QList<TFichierNonRetenu> &nonRetenus);

    // Rename mode: the companions of image i that take its new prefix. A companion shared
    // by several images follows the first, in ComparerFichiers order, of those that are
    // not a JPEG or HEIF, else the first of them; kept by phase 1 or not.
    QList<TEnrCompagnon> ARenommer(qsizetype i) const;

    // Copy mode: the companions of image i that have not gone into `dossierCible` yet;
    // from now on they count as gone there (a shared one goes once into each folder).
    QList<TEnrCompagnon> ACopier(qsizetype i, const QString &dossierCible);

    // Copy mode: the number image i takes in `dossierCible`, 0 for its own name. The first
    // image of a shot (the images of one folder and one name without extension) that
    // reaches a folder decides for every image of the shot not handled yet that goes there
    // too: when any of their names is taken, all take the first number that leaves every
    // one of their names, and those of their companions, free.
    qint64 Numero(qsizetype i, const QString &dossierCible, const TDossierDe &dossierDe,
                  const TOccupe &occupe);
    // The first number that leaves image i's name and its companions' names free in
    // `dossierCible` (a target taken meanwhile).
    qint64 NumeroLibre(qsizetype i, const QString &dossierCible, const TOccupe &occupe) const;

    // Copy mode, image i handled (copied or not): the full paths of its companions that
    // stay behind, each once, as soon as every image of the list that has it was handled
    // without taking it along.
    QStringList Laisses(qsizetype i);
    // Copy mode, before phase 2: the companions of `image` (not kept by phase 1) that no
    // image of the list has, each once.
    QStringList LaissesNonRetenu(const TEnrFichier &image);

private:
    qint64 NumeroPour(const QList<qsizetype> &membres, const QString &dossierCible,
                      const TOccupe &occupe) const;

    const TListeImages *m_images = nullptr;
    QList<qsizetype> m_premier;               // image -> the first image of its shot
    QHash<qsizetype, QList<qsizetype>> m_membres; // first image -> the shot, when several
    QHash<QString, QString> m_porteur;        // rename mode: companion -> its image's path
    QHash<QString, int> m_restants;           // copy mode: images of the list not handled
    QSet<QString> m_partis;                   // companion + "\0" + folder: gone there
    QSet<QString> m_envoyes;                  // companions gone somewhere
    QSet<QString> m_signales;                 // companions named as left behind
    QHash<QString, qint64> m_numeros;         // shot + "\0" + folder -> number
};
