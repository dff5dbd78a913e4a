// clarvane-exif: prints what Clarvane reads from each file named on the command line.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include <QCoreApplication>
#include <QString>

#include "VersionClarvane.h"
#include "commun/Chemins.h"
#include "commun/NomsFichiers.h"
#include "metadata/LireEXIF.h"

using namespace Qt::StringLiterals;

namespace {

constexpr char kUsage[] = "usage: clarvane-exif FICHIER...\n";

// A text as one field of a line: UTF-8, the bytes of a name that is not UTF-8 as "\xHH",
// and a tab or line break as a space, so that one file is always one line of fields.
QByteArray Texte(const QString &texte)
{
    QByteArray octets = NomLisible(texte).toUtf8();
    for (char &c : octets)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return octets;
}

void Ecrire(const QByteArray &octets)
{
    std::fwrite(octets.constData(), 1, size_t(octets.size()), stdout);
}

// Why the file `chemin` cannot be read, or an empty text when it is a regular file: the
// system's message for a name that leads nowhere (an empty name too), or what the name
// is when it is no regular file (a FIFO holds no image, a device would be read forever).
QByteArray CauseIllisible(const QByteArray &chemin)
{
    struct stat etat {};
    if (const int erreur = EtatChemin(chemin, etat)) // paths past PATH_MAX too
        return std::strerror(erreur);
    return TexteNonOrdinaire(etat.st_mode).toUtf8();
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
                   "diaphragme, date de prise de vue et ISO, séparés par des tabulations.\n"
                   "Un octet de nom qui n'est pas de l'UTF-8 s'écrit \\xHH. Un fichier illisible,\n"
                   "ou un nom qui ne mène à aucun fichier ordinaire (absent, dossier, tube nommé,\n"
                   "périphérique), donne 0, sa cause sur la sortie d'erreur, et le code de sortie 1.\n",
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
    int statut = 0;
    for (int i = premier; i < argc; ++i) {
        const QString chemin = NomDepuisOctets(argv[i]);
        // Every name is looked at, an image's or not: one that leads to no regular file
        // is not read.
        QByteArray cause = CauseIllisible(argv[i]);
        int erreur = 0;
        if (!cause.isEmpty())
            enr = TEnrEXIF{};
        else if (LireEXIFFichierIssue(chemin, enr, &erreur) == TIssueLecture::Illisible) {
            cause = CauseIllisible(argv[i]); // changed since it was looked at
            if (cause.isEmpty())
                cause = std::strerror(erreur); // a read that failed
        }
        if (!cause.isEmpty()) {
            // The line still comes, with 0; the cause goes to standard error.
            std::fflush(stdout);
            const QByteArray message = "clarvane-exif: " + Texte(chemin) + ": " + cause + '\n';
            std::fwrite(message.constData(), 1, size_t(message.size()), stderr);
            statut = 1;
        }
        QByteArray ligne = Texte(chemin);
        ligne += enr.Valide ? "\t1" : "\t0";
        for (const QString *texte : {&enr.Appareil, &enr.Focale, &enr.Vitesse, &enr.Diaphragme,
                                     &enr.DatePDV, &enr.ISO}) {
            ligne += '\t';
            ligne += Texte(*texte);
        }
        ligne += '\n';
        Ecrire(ligne);
    }
    std::fflush(stdout);
    return statut;
}
