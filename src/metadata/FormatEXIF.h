// The texts that the EXIF values become in names: one rule per value.
#pragma once

#include <optional>

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

// The bytes up to the first zero byte (all of them when none is), decoded as UTF-8 when
// they are valid UTF-8, else as Windows-1252.
QString DecoderTexte(QByteArrayView octets);

// Camera: the model with every leading and trailing character of code 0 to 32 removed.
// Always a text, possibly empty.
QString TexteAppareil(QByteArrayView modele);

// The rational values, numerator and denominator taken as signed 32-bit numbers. No text
// (nullopt) unless both are greater than 0. Decimals use QLocale().decimalPoint().
// Focal length: whole when the quotient has no fractional part, else 2 decimals ("5,80").
std::optional<QString> TexteFocale(qint32 numerateur, qint32 denominateur);
// Exposure time: "1/" + den/num with no decimal + "°" below one second ("1/125°"), else
// num/den with no decimal ("3" for 5/2). Halves go away from zero.
std::optional<QString> TexteVitesse(qint32 numerateur, qint32 denominateur);
// Aperture: whole when the quotient has no fractional part, else 1 decimal ("5,6").
std::optional<QString> TexteDiaphragme(qint32 numerateur, qint32 denominateur);

// Date of shooting from a "YYYY:MM:DD HH:MM:SS" text (bytes up to the first zero): "DD/MM/YYYY"
// taken from bytes 9-10, 6-7 and 1-4, whatever they hold. No text unless it is exactly
// 19 bytes long.
std::optional<QString> TexteDate(QByteArrayView dateHeure);

// Date of shooting from an ISO 8601 text as videos write it ("2023-05-21T14:03:12+0200",
// "2023-05-21 14:03:12", "2023-05-21"; ":" between the parts is taken too): the calendar
// day written before the time and its offset, "DD/MM/YYYY", as the camera's clock showed
// it. No text unless the text begins with a real calendar day of the years 1 to 9999.
std::optional<QString> TexteDateISO8601(QByteArrayView texte);

// Date of shooting from a movie header's creation time, in seconds since 1904-01-01 00:00
// UTC: the computer's local date at that instant, "DD/MM/YYYY". No text for 0 (no time
// written) or a time past the year 9999.
std::optional<QString> TexteDateSecondes1904(quint64 secondes);

// ISO: the value in decimal ("0" for 0).
QString TexteISO(quint16 iso);
