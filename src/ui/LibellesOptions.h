// The texts the window shows for the naming options: the items of the separator and
// date-format drop-downs.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The five separator items, in the order of TexteSeparateur: "<Aucun>", "<Espace>",
// "- (tiret)", "_ (underscore)", ", (virgule)".
QStringList ElementsSeparateurs();

// The literal part of the item of date format `index`: "Année (", "Mois (" or "Jour (";
// empty outside 0..7.
QString PrefixeFormatDate(int index);

// The eight date-format items for `date`: "Année (26)", "Année (2026)", "Mois (12)",
// "Mois (<short month>)", ..., "Jour (<long weekday>)".
QStringList ElementsFormatsDate(const QDate &date);
