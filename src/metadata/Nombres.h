// Numbers and sizes written as the program shows them.
#pragma once

#include <QString>
#include <QtGlobal>

// x written with exactly `decimales` digits after the decimal separator of the default
// locale (QLocale()), none and no separator for 0. Rounded to the nearest value at the
// last digit kept, halves away from zero, decided on x's decimal expansion to 18
// significant digits (so 2.5 gives "3", 1.125 with 2 decimals "1,13" in French).
QString FormaterFixe(long double x, int decimales);

// The text of a size of n bytes: "%.2f Go", "%.2f Mo", "%.2f Ko" above 1073741824,
// 1048576 and 1024 bytes (strictly), otherwise "%d Oct". 1024 gives "1024 Oct",
// 1152 gives "1,13 Ko" under a French locale.
QString TailleEnTexte(qint64 n);
