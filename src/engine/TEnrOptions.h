// The naming options and folders of one run, named after their settings keys.
#pragma once

#include <QString>

struct TEnrOptions {
    QString cOrdreDonEXIF = QStringLiteral("afvdPi"); // order and presence of the six fields
    bool lCopier = true;                  // copy mode; false = rename mode
    bool lLectRecurs = false;             // read the sub-folders too
    int nSep = 2;                         // separator of the EXIF values (rename mode), 0..4
    int nCFDatePDVC = 7;                  // enabled date components: 4 = 1st, 2 = 2nd, 1 = 3rd
    int nCFDatePDVF = 25;                 // formats: 100 × 1st + 10 × 2nd + 3rd, digits 0..7
    int nDatePDVSep = 0;                  // separator of the date components, 0..4
    bool lDatePDVHierCompoSiCopie = true; // copy mode: each date component a folder level
    QString cDossSrc;                     // source folder, ending with "/" (empty: none selected)
    QString cDossDst;                     // destination folder, ending with "/" (empty: none)
    bool lFormatsEtendus = true;          // today's formats too (CR3, HEIF, ARW, DNG...) and
                                          // the content deciding the layout; read, never written
    bool lVerifierCopies = true;          // every copy read back and compared with its source
                                          // before it counts; read, never written
};
