// Lines the path check must name (those marked "faute") and lines it must let be: this
// file is never compiled, only read by tests/chemins/VerifierAppelsChemins.cmake.
#include <QFile> // faute
#include <QFileInfoList> // faute
#include "commun/Chemins.h"

int Appels(QStringList &liste, int fd, struct stat &st)
{
    int a = ::open("/x", O_RDONLY); // faute
    a += open("/x", O_RDONLY); // faute
    a += stat("/x", &st); // faute
    a += ::mkfifo ("/x", 0600); // faute
    const QString b = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation); // faute
    QDir().mkpath(b); // faute
    std::ifstream flux("/x"); // faute
    a += std::filesystem::exists("/x"); // faute
    // ::unlink("/x"); a comment is no call
    liste.remove(0); // a method of a list
    a += ::fstat(fd, &st); // a descriptor
    a += EtatChemin("/x", st); // the module
    a += EtatDans(fd, "x", st); // the module
    a += OuvrirLecture("/x", st); // the module
    return a;
}
