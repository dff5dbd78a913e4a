// Composing an image's values text from its EXIF values and the naming options, and the
// target folder, path or new name that the run makes of it.
#pragma once

#include <QString>

#include "engine/TEnrOptions.h"
#include "metadata/TEnrEXIF.h"
#include "metadata/TEnrFichier.h"

// The values text of one image, possibly empty (every selected value missing). The fields
// present in the order code are taken top to bottom, each with its unit, cleaned by
// NettoyerNom (except a date hierarchy), and joined by "/" in copy mode (one folder level
// per value) or by the separator of nSep in rename mode. Then every control character
// (U+0000 to U+001F, U+007F to U+009F) and the dots that begin a level (copy mode) or the
// text (rename mode) become "_": no folder or new name is hidden or holds what cannot be
// seen, and no level names the destination itself or a folder above it.
QString ComposerDonnees(const TEnrEXIF &exif, const TEnrOptions &options);

// Appends avant + valeur + apres to `resultat`, after `separateur` when `resultat` is not
// empty; a missing (empty) value adds nothing at all. With `remplacer`, the value (and
// only the value) goes through NettoyerNom.
void AjouterDonnee(QString &resultat, const QString &separateur, const QString &avant,
                   const QString &valeur, const QString &apres, bool remplacer);

// The text with each of the characters " * / : < > ? \ | replaced by "_"; same length.
QString NettoyerNom(const QString &texte);

// `nom` with "(n)" between its base and its extension (from its last "." on): "a.jpg"
// and 2 give "a(2).jpg", "LISEZMOI" gives "LISEZMOI(2)".
QString NomAvecNumero(const QString &nom, qint64 n);

// The full path of the first name base + "(n)" + extension, n = 2, 3, ..., that names
// nothing in `dossier` (ending with "/"): "a.jpg" gives ".../a(2).jpg" or the next free
// one. A broken link counts as taken. The extension keeps its case.
QString NomNumerote(const QString &dossier, const QString &nom);

// Copy mode: the folder that receives the image, `dossierDestination` + values + "/"
// (a "/" is added to the destination when it lacks one). An empty destination is no
// folder: the result is relative, so callers refuse an empty one first.
QString DossierCibleCopie(const QString &dossierDestination, const QString &valeurs);

// Copy mode: `dossierCible` + `nom`, or NomNumerote(dossierCible, nom) when that path is
// taken by anything (file, folder or link) now.
QString CheminCibleCopie(const QString &dossierCible, const QString &nom);

// Rename mode: what goes before the image's own name, values + the separator of nSep.
QString PrefixeRenommage(const QString &valeurs, const TEnrOptions &options);

// Rename mode: Dossier + PrefixeRenommage + Nom.
QString CheminRenomme(const TEnrFichier &fichier, const QString &valeurs,
                      const TEnrOptions &options);

// Rename mode: true when Nom already begins with PrefixeRenommage (the image was renamed
// with these very values and separator): renaming it again would double the prefix.
bool DejaRenomme(const TEnrFichier &fichier, const QString &valeurs, const TEnrOptions &options);

// True when something (file, folder, link, even a broken one) has that path.
bool CheminOccupe(const QString &chemin);
