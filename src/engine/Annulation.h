// Taking back the last processing run, as its journal tells.
#pragma once

#include <QString>

#include "engine/IRetourTraitement.h"

// The number of images that the journal in `dossier` (ending with "/": the listener's
// DossierJournal()) can still put back; 0 when there is no journal, nothing to undo.
int NombreAnnulable(const QString &dossier);

// Undoes the last processing run, its last change first, under the progress pop-up
// "Annulation en cours":
// - a renamed image gets its old name back when its new name still holds a file of the
//   size and modification time noted, and the old name is free (nothing is overwritten);
// - a copy is removed when it still has the size and time noted and its source still
//   exists as it was when copied (a copy whose source is gone may be the only one left);
// - the folders the run created are removed when empty, the deepest first.
// Each image not put back gives the line "Impossible d'annuler pour %s : %s". Then the
// journal is removed, the lines replace the error log, the summary "%d images
// restaurées." is shown, and the log is opened when it holds lines. Without a journal,
// shows "Aucun traitement à annuler.".
// Throws EErreur("Ne peut créer le fichier %s") when the error log cannot be written.
void LancerAnnulation(IRetourTraitement &retour);
