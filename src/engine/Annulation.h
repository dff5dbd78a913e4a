// Taking back the last processing run, as its journal tells.
#pragma once

#include <QString>

#include "engine/IRetourTraitement.h"

// What the journal in `dossier` (ending with "/": the listener's DossierJournal()) leaves
// to undo.
struct TAnnulable {
    bool Present = false; // a journal with something left to take back (images or folders)
    int Images = 0;       // the copies and renamed images among it, their companions not counted
    QString Erreur;       // not empty: the journal cannot be used; the text of the "Erreur" box
};
TAnnulable Annulable(const QString &dossier);

// Undoes the last processing run, its last change first, under the progress pop-up
// "Annulation en cours", touching nothing outside the folders the journal names:
// - a renamed image gets its old name back when its new name still holds the very file
//   noted (size, times, ctime, inode), and the old name is free (nothing is overwritten);
//   one already back under its old name counts as put back;
// - a copy is removed when it is still the file noted (and, for a verified copy, its
//   content still has the fingerprint noted) and its source still exists as it was when
//   copied (a copy whose source is gone may be the only one left);
// - the run's temporary files are removed;
// - a change noted but not confirmed (the run was killed) is taken back only as far as
//   the disk shows it was made;
// - a companion (a file that travels with an image) goes back only with its image, right
//   after it: one whose image stays stays beside it, with the line "Impossible d'annuler
//   pour %s : image non annulée";
// - the folders the run created are removed when empty, the deepest first; one left
//   because something else is in it gets the line "Dossier %s conservé : il contient
//   d'autres fichiers".
// Each image or companion not put back gives the line "Impossible d'annuler pour %s : %s".
// Then the journal is removed, the lines replace the error log, the summary "%d copies
// retirées." (a copy run) or "%d images restaurées." (a rename run), counting images
// only (a companion goes back with its image), is shown, and the log is opened when it
// holds lines. Without a journal, shows "Aucun traitement à annuler."; with one that
// cannot be read, an "Erreur" box says so and the journal is kept, nothing touched.
// Throws EErreur("Ne peut créer le fichier %s") when the error log cannot be written.
void LancerAnnulation(IRetourTraitement &retour);
