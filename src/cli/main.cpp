// clarvane-exif: prints what Clarvane reads from each file named on the command line.
#include <cstdio>
#include <cstring>

#include <QCoreApplication>
#include <QFile>
#include <QString>

#include "VersionClarvane.h"
#include "metadata/LireEXIF.h"

using namespace Qt::StringLiterals;

namespace {

constexpr char kUsage[] = "usage: clarvane-exif FICHIER...\n";

void Ecrire(const QByteArray &octets)
{
    std::fwrite(octets.constData(), 1, size_t(octets.size()), stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    // Sets up the default locale from the environment (LANG, LC_ALL): the decimal
    // separator of the texts is the user's, as in the program.
    QCoreApplication application(argc, argv);

    int premier = 1;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        std::fputs("Affiche, pour chaque fichier : chemin, validité (1/0), appareil, focale, vitesse,\n"
                   "diaphragme, date de prise de vue et ISO, séparés par des tabulations.\n",
                   stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("clarvane-exif %s\n", kVersionClarvane);
        return 0;
    }
    if (premier < argc && std::strcmp(argv[premier], "--") == 0)
        ++premier;
    if (premier >= argc) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    TEnrEXIF enr;
    for (int i = premier; i < argc; ++i) {
        // The path is printed as it was given, byte for byte.
        LireEXIFFichier(QFile::decodeName(argv[i]), enr);
        QByteArray ligne(argv[i]);
        ligne += enr.Valide ? "\t1" : "\t0";
        for (const QString *texte : {&enr.Appareil, &enr.Focale, &enr.Vitesse, &enr.Diaphragme,
                                     &enr.DatePDV, &enr.ISO}) {
            ligne += '\t';
            ligne += texte->toUtf8();
        }
        ligne += '\n';
        Ecrire(ligne);
    }
    std::fflush(stdout);
    return 0;
}
