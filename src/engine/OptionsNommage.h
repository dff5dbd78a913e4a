// The naming options: the six EXIF fields, the order code, the separators, the date
// components with their formats, and the rules derived from them.
#pragma once

#include <array>

#include <QChar>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include "engine/TEnrOptions.h"

// ---- The six EXIF fields ---------------------------------------------------------------

constexpr int kNbChamps = 6;
constexpr int kIndexAppareil = 0;
constexpr int kIndexFocale = 1;
constexpr int kIndexVitesse = 2;
constexpr int kIndexDiaphragme = 3;
constexpr int kIndexDate = 4;
constexpr int kIndexISO = 5;

struct TChampEXIF {
    int Index;            // 0..5
    QChar Lettre;         // upper-case letter of "AFVDPI"
    QString Legende;      // the field's name, as the window shows it
};

// The six fields in reference order.
const std::array<TChampEXIF, kNbChamps> &ChampsEXIF();

// "AFVDPI" and the default order code "afvdPi".
QString LettresReference();
QString OrdreParDefaut();

// The caption of field `index`, or an empty text outside 0..5.
QString LegendeChamp(int index);

// The index 0..5 of the field whose caption is exactly `legende` (case-sensitive), or -1.
int IndexDonnee(const QString &legende);

// ---- The order code --------------------------------------------------------------------

// The code itself when it is six letters of "AFVDPI" (either case), each field once, with
// at least one upper-case (present) letter; otherwise "afvdPi".
QString ValiderOrdre(const QString &code);

// One node of the order tree, top to bottom.
struct TElementOrdre {
    int Index = -1;       // field index, 0..5
    QString Legende;      // the field's caption
    bool Present = false; // upper-case letter
};

// The six nodes of the tree shown for the code (the code is passed through ValiderOrdre
// first, so the result always has six elements).
QList<TElementOrdre> ElementsDepuisOrdre(const QString &code);

// The code of the nodes, read top to bottom: each node is identified by its caption
// (IndexDonnee; a caption matching none is skipped), its letter upper-cased when
// Present. A result of any length other than six gives "afvdPi".
QString OrdreDepuisElements(const QList<TElementOrdre> &elements);

// The shot date is present (read, like every rule below, from the code as ValiderOrdre
// gives it: an unusable code reads as "afvdPi"): the code holds an upper-case P.
bool DatePresente(const QString &code);

// ---- Separators --------------------------------------------------------------------------

constexpr int kNbSeparateurs = 5;

// The separator text of item `index` ("", " ", "-", "_", ","); empty outside 0..4.
QString TexteSeparateur(int index);

// ---- Date components -----------------------------------------------------------------------

constexpr int kNbFormatsDate = 8;
constexpr int kNbComposantsDate = 3;

using TComposantsDate = std::array<bool, kNbComposantsDate>; // components 1, 2, 3 enabled
using TFormatsDate = std::array<int, kNbComposantsDate>;     // format index of 1, 2, 3

// `date` written with format `index` (names from QLocale(), or the built-in French names
// under the C locale); empty for an invalid date or an index outside 0..7.
QString FormaterComposantDate(const QDate &date, int index);

// nCFDatePDVC <-> the three check boxes (bit 4 = component 1, 2 = component 2, 1 = 3).
// Bits above 7 are ignored when decoding.
TComposantsDate DecoderComposants(int nCFDatePDVC);
int CoderComposants(const TComposantsDate &composants);

// nCFDatePDVF -> the three drop-downs, in order: component 1 takes value / 100, component
// 2 (value - 100 × index of 1) / 10, component 3 value - 100 × index of 1 - 10 × index of
// 2, where an index outside 0..7 leaves its drop-down without selection (-1). For 0..777
// with digits 0..7 this is the digit split (125 gives 1, 2, 5).
TFormatsDate DecoderFormats(int nCFDatePDVF);
// 100 × format 1 + 10 × format 2 + format 3 (formats expected in 0..7).
int CoderFormats(const TFormatsDate &formats);

// The enabled components of the date, in the order 1, 2, 3, joined by `separateur`
// (which stands only between two written components). Empty when the text cannot be
// read as a date. A component whose format is outside 0..7 writes nothing.
QString ComposerDate(const QString &dateTexte, const QString &separateur,
                     const TComposantsDate &composants, const TFormatsDate &formats);
// The same with the components and formats of the options (nCFDatePDVC, nCFDatePDVF).
QString ComposerDate(const QString &dateTexte, const QString &separateur,
                     const TEnrOptions &options);

// At least two of the three components are enabled.
bool AuMoinsDeuxComposants(const TComposantsDate &composants);

// ---- Derived rules and loaded values ---------------------------------------------------------

// Copy mode, the date present, at least two components enabled and
// lDatePDVHierCompoSiCopie: each date component is then a folder level.
bool HierarchieEnVigueur(const TEnrOptions &options);

// The options with every stored value outside its list replaced by its default: nSep and
// nDatePDVSep outside 0..4, nCFDatePDVC outside 0..7 (and 0: at least one component is
// always enabled), nCFDatePDVF outside 0..777 or with a digit 8 or 9; the code passed
// through ValiderOrdre. Everything else is kept.
TEnrOptions NormaliserOptions(TEnrOptions options);
