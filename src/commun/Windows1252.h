// Texts made on Windows: EXIF strings of older cameras and settings files written there.
#pragma once

#include <QByteArrayView>
#include <QString>

// The bytes read as Windows-1252. It differs from Latin-1 in 0x80..0x9F only; the five
// codes it leaves undefined keep the C1 control of the same number, as Windows does.
QString DepuisWindows1252(QByteArrayView octets);
