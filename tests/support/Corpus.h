// The sample camera images beside the checkout (never inside it), for tests that must
// hold on files nobody on this project made.
#pragma once

#include <QString>
#include <QTest>

// The corpus folder ending with "/", or empty when it is not there (a user's fresh clone).
QString DossierCorpus();

// The folder of the test data files kept in tests/data, ending with "/".
QString DossierDonneesTests();

// Skips the current test, saying why, when the corpus is absent.
#define EXIGER_CORPUS()                                                                    \
    do {                                                                                   \
        if (DossierCorpus().isEmpty())                                                     \
            QSKIP("sample images not found (../shared/corpus beside the checkout)");      \
    } while (false)
