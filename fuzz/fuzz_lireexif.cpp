// libFuzzer target: the EXIF reader over arbitrary bytes, as each kind of file.
#include <cstddef>
#include <cstdint>

#include <QLocale>

#include "metadata/FluxOctets.h"
#include "metadata/LireEXIF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    static const bool initialise = [] {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        return true;
    }();
    (void)initialise;

    // The first byte chooses the container, so that one input exercises one path.
    if (taille == 0)
        return 0;
    constexpr qint64 kPositions[] = {kPositionJPEG, 0, kPositionRAF, 48, kPositionJPEG, 0, 8, kPositionJPEG};
    const qint64 position = kPositions[donnees[0] & 7];
    // Seeds are whole JPEG or TIFF files: keep their first byte in the stream.
    TFluxMemoire flux(reinterpret_cast<const char *>(donnees), qint64(taille));
    TEnrEXIF enr;
    const bool succes = LireEXIF(flux, position, enr);
    // The texts must be usable strings whatever the bytes were.
    volatile qsizetype total = enr.Appareil.size() + enr.Focale.size() + enr.Vitesse.size()
        + enr.Diaphragme.size() + enr.DatePDV.size() + enr.ISO.size();
    (void)total;
    (void)succes;
    return 0;
}
