// One image's EXIF values, as the texts that go into names.
#pragma once

#include <QString>

struct TEnrEXIF {
    bool Valide = false;  // read as EXIF data and at least one text below is not empty
    QString Appareil;     // A: camera model
    QString Focale;       // F: focal length, no unit
    QString Vitesse;      // V: exposure time, no unit ("1/125°", "2")
    QString Diaphragme;   // D: f-number, no prefix
    QString DatePDV;      // P: shot date "dd/mm/yyyy", no time
    QString ISO;          // I: ISO sensitivity
};
