#include "commun/Dossiers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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

QString DossierFichiersProgramme()
{
    const QString programme = DossierProgramme();
    if (DossierInscriptible(programme))
        return programme;
    QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (config.isEmpty())
        return programme;
    QDir().mkpath(config);
    return AvecBarreFinale(config);
}
