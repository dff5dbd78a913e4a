#include "BancTraitement.h"

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

#include <QDirIterator>

#include "Fils.h"
#include "engine/Annulation.h"

QByteArray OctetsPhoto(qsizetype taille, const TValeursEXIF &v)
{
    QByteArray octets = JPEGAvecTIFF(TIFFAvecValeurs(v));
    if (octets.size() < taille)
        octets.append(QByteArray(taille - octets.size(), '\0'));
    return octets;
}

bool Photo(const QString &chemin, qsizetype taille, const TValeursEXIF &v)
{
    const QByteArray octets = OctetsPhoto(taille, v);
    return octets.size() == taille && EcrireFichier(chemin, octets);
}

TValeursEXIF Appareil(const QByteArray &modele)
{
    TValeursEXIF v;
    v.modele = modele;
    return v;
}

namespace {
QStringList Lister(const QString &dossier, QDir::Filters filtres, const QString &fin)
{
    QStringList noms;
    QDirIterator it(dossier, filtres | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        noms.append(it.next().mid(dossier.size()) + fin);
    noms.sort();
    return noms;
}
} // namespace

QStringList Fichiers(const QString &dossier)
{
    return Lister(dossier, QDir::Files, QString());
}

QStringList SousDossiers(const QString &dossier)
{
    return Lister(dossier, QDir::Dirs, QStringLiteral("/"));
}

bool AnnulationTuee(TBanc &b, int valeur)
{
    const int etat = DansUnFils([&] {
        b.retour.surAvancer = [&](int) {
            if (b.retour.legende == QStringLiteral("Annulation en cours") && b.retour.valeur == valeur)
                ::kill(::getpid(), SIGKILL);
        };
        LancerAnnulation(b.retour);
    });
    return WIFSIGNALED(etat) && WTERMSIG(etat) == SIGKILL;
}
