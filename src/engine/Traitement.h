// A preview run or a processing run, from the counting pass to the last message.
#pragma once

#include "engine/IRetourTraitement.h"
#include "engine/ISourceOptions.h"
#include "metadata/TEnrFichier.h"

// Runs a preview (traiter false: nothing on disk is touched, the preview window is shown)
// or a processing run (traiter true: after confirmation, images are copied or renamed,
// the error log is written and the summary shown). Options are read through `options`
// as the run goes; `listeImages` is the window's image list, emptied and refilled.
// Throws EErreur("Ne peut créer le fichier %s") when the error log cannot be created;
// everything else is reported through `retour`.
void LancerTraitement(bool traiter, const ISourceOptions &options, IRetourTraitement &retour,
                      TListeImages &listeImages);
