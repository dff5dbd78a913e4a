// A stand-in for the main window as a source of options: plain fields the test sets.
#pragma once

#include "engine/ISourceOptions.h"
#include "engine/TEnrOptions.h"

class TFauxOptions final : public ISourceOptions {
public:
    TFauxOptions() = default;
    explicit TFauxOptions(const TEnrOptions &options) : options(options) {}

    TEnrOptions Options() const override
    {
        ++nbLectures;
        return options;
    }

    TEnrOptions options;         // what Options() returns, as it stands at each call
    mutable int nbLectures = 0;  // how many times Options() was called
};
