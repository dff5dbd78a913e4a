#include "commun/Dossiers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

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
    QTemporaryFile essai(AvecBarreFinale(dossier) + u".clarvane-essai-XXXXXX"_s);
    return essai.open();
}

bool ProgrammeInstalle(const QString &dossierProgramme)
{
    const QString dossier = AvecBarreFinale(dossierProgramme);
    for (const QString &systeme : {u"/usr/"_s, u"/bin/"_s, u"/sbin/"_s, u"/opt/"_s})
        if (dossier.startsWith(systeme))
            return true;
    return dossier.endsWith(u"/bin/"_s)
        && QFile::exists(dossier + u"../share/applications/io.github.clarvane.Clarvane.desktop"_s);
}

QString DossierFichiersPour(const QString &dossierProgramme)
{
    const QString programme = AvecBarreFinale(dossierProgramme);
    if (!ProgrammeInstalle(programme) && DossierInscriptible(programme))
        return programme;
    QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (config.isEmpty())
        return programme;
    QDir().mkpath(config);
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
    if (!images.isEmpty() && QFileInfo(images).isDir())
        return AvecBarreFinale(images);
    return AvecBarreFinale(QDir::homePath());
}

QString DossierParDefaut()
{
    return DossierParDefautPour(DossierProgramme());
}

QString DossierFichiersProgramme()
{
    return DossierFichiersPour(DossierProgramme());
}
