// libFuzzer target: the EXIF reader over arbitrary bytes, as each kind of file, with the
// newer formats (the first bytes decide, ISO base media files and videos are walked) and
// with the historical reading by extension alone; bytes that begin as an XML document
// are also read as a Sony clip's XML file.
#include <cstddef>
#include <cstdint>

#include <QLocale>

#include "metadata/FluxOctets.h"
#include "metadata/LireEXIF.h"
#include "metadata/XMLSony.h"

namespace {

void Lire(IFluxOctets &flux, qint64 position, bool formatsEtendus)
{
    TEnrEXIF enr;
    const bool succes = LireEXIF(flux, position, enr, formatsEtendus);
    // The texts must be usable strings whatever the bytes were.
    volatile qsizetype total = enr.Appareil.size() + enr.Focale.size() + enr.Vitesse.size()
        + enr.Diaphragme.size() + enr.DatePDV.size() + enr.ISO.size();
    (void)total;
    (void)succes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    static const bool initialise = [] {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        return true;
    }();
    (void)initialise;

    if (taille == 0)
        return 0;
    // The last byte stands for the extension: the position a file of that name is read
    // at. Seeds are whole files: their first bytes stay as they are.
    constexpr qint64 kPositions[] = {kPositionJPEG, 0, kPositionRAF, 48, kPositionISO, 0, 8, kPositionFilm};
    const qint64 position = kPositions[donnees[taille - 1] & 7];
    // The newer reading through small blocks, as a file is read block by block: reads
    // that straddle blocks, and runs of an item that lie in several, are exercised.
    TFluxMemoire flux(reinterpret_cast<const char *>(donnees), qint64(taille), 256);
    Lire(flux, PositionSelonContenu(flux, position), true);
    TFluxMemoire historique(reinterpret_cast<const char *>(donnees), qint64(taille));
    Lire(historique, position, false);
    if (donnees[0] == '<') {
        TValeursXMLSony xml;
        LireXMLSonyOctets(QByteArray(reinterpret_cast<const char *>(donnees), qsizetype(taille)), xml);
    }
    return 0;
}
