// File names are bytes on Linux, texts inside the program.
//
// A name read from the disk becomes a QString by UTF-8; every byte that is not part of a
// valid UTF-8 sequence (a Latin-1 "caf\xE9.jpg" written by an older system) is kept as the
// lone surrogate U+DC00 + byte (U+DC80..U+DCFF), which no valid UTF-8 text can give. So
// any name goes from the disk to a QString and back to the very same bytes, and paths
// built from it (a copy's target, a renamed name) carry those bytes unchanged.
//
// Where a name is shown or written as text (the preview tree, the log, clarvane-exif, the
// settings file), each kept byte is written as the four characters "\xHH" (upper-case
// hexadecimal): "caf\xE9.jpg".
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The name or path as the program holds it, from the bytes of the file system.
QString NomDepuisOctets(QByteArrayView octets);

// The bytes of the file system for a name or path held by the program: UTF-8, each kept
// byte (U+DC80..U+DCFF) written back as itself. Any other lone surrogate, which no name
// read from the disk holds, is written as "?".
QByteArray NomEnOctets(QStringView nom);

// True when the name holds at least one byte that is not UTF-8.
bool NomAOctetsBruts(QStringView nom);

// The name upper-cased by the locale's rules, each kept byte left as it is (toUpper would
// turn the lone surrogate into U+FFFD, so that two different names would look alike).
QString NomEnMajuscules(const QString &nom);

// The name as readable text: each kept byte as "\xHH". Names that are valid UTF-8 come
// back unchanged.
QString NomLisible(QStringView nom);

// The inverse of NomLisible for texts stored by the program (the settings file): every
// "\xHH" whose HH is 80..FF becomes the kept byte again. Other text is unchanged.
QString NomDepuisLisible(QStringView texte);
