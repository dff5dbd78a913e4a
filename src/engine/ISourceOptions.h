// What a run reads from the main window, at the moment it needs it.
#pragma once

#include "engine/TEnrOptions.h"

class ISourceOptions {
public:
    virtual ~ISourceOptions() = default;
    // The options as the controls show them now (the order tree read back as a code,
    // the folders as the trees' selected paths). Called again for every image, so a
    // change made in the window during a run applies from the next image on.
    virtual TEnrOptions Options() const = 0;
};
