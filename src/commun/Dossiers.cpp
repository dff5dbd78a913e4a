#include "commun/Dossiers.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QStandardPaths>

#include "commun/Chemins.h"
#include "commun/EcritureRemplacement.h"
#include "commun/NomsFichiers.h"

using namespace Qt::StringLiterals;

QString AvecBarreFinale(const QString &chemin)
{
    return chemin.isEmpty() || chemin.endsWith(u'/') ? chemin : chemin + u'/';
}

QString DossierProgramme()
{
    return AvecBarreFinale(QCoreApplication::applicationDirPath());
}

bool DossierInscriptible(const QString &dossier)
{
    const TFichierTemporaire essai(NomEnOctets(AvecBarreFinale(dossier)), ".clarvane-essai-");
    return essai.Erreur() == 0;
}

bool ProgrammeInstalle(const QString &dossierProgramme)
{
    const QString dossier = AvecBarreFinale(dossierProgramme);
    for (const QString &systeme : {u"/usr/"_s, u"/bin/"_s, u"/sbin/"_s, u"/opt/"_s})
        if (dossier.startsWith(systeme))
            return true;
    struct stat etat {};
    return dossier.endsWith(u"/bin/"_s)
        && EtatChemin(NomEnOctets(dossier + u"../share/applications/io.github.clarvane.Clarvane.desktop"_s),
                      etat) == 0;
}

QString DossierFichiersPour(const QString &dossierProgramme)
{
    const QString programme = AvecBarreFinale(dossierProgramme);
    if (!ProgrammeInstalle(programme) && DossierInscriptible(programme))
        return programme;
    QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (config.isEmpty())
        return programme;
    CreerDossiers(NomEnOctets(config));
    return AvecBarreFinale(config);
}

QString DossierParDefautPour(const QString &dossierProgramme)
{
    const QString programme = AvecBarreFinale(dossierProgramme);
    if (!ProgrammeInstalle(programme))
        return programme;
    // Qt gives ~/Pictures when the user's folders name none; either may be missing, or
    // be something else than a folder.
    const QString images = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!images.isEmpty() && EstDossier(NomEnOctets(images)))
        return AvecBarreFinale(images);
    return AvecBarreFinale(QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
}

QString DossierParDefaut()
{
    return DossierParDefautPour(DossierProgramme());
}

QString DossierFichiersProgramme()
{
    return DossierFichiersPour(DossierProgramme());
}
