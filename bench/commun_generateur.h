// Trees of realistic JPEG files for the benchmarks, and a stopwatch.
#pragma once

#include <functional>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// One JPEG file as a camera writes it: SOI, APP0 (JFIF), an APP1 Exif segment of about
// 35 entries (IFD0, Exif IFD with a maker note, IFD1 with a thumbnail), quantisation,
// frame, Huffman and scan headers, then image data up to `tailleOctets` bytes, EOI.
// `numero` chooses the camera, the byte order, the date, the ISO and the other values,
// so that files of different numbers get different names.
QByteArray JPEGRealiste(int numero, int tailleOctets = 65536);

// Writes `nombreFichiers` such files, spread evenly over `nombreDossiers` sub-folders of
// `racine` (created; at least one), named like a camera names them. Returns the number
// of files written.
int GenererArbreJPEG(const QString &racine, int nombreFichiers, int nombreDossiers,
                     int tailleOctets = 65536);

// The floor of a reader: each file opened, its first 4 KB read with pread, closed, one at
// a time. Returns the bytes read; `vides`, when given, counts the files of which nothing
// could be read.
qint64 LirePlancher(const QList<QByteArray> &chemins, int *vides = nullptr);

// Wall-clock time that `action` takes.
qint64 ChronometrerMs(const std::function<void()> &action);
qint64 ChronometrerNs(const std::function<void()> &action);
