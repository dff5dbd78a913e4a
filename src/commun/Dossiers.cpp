#include "commun/Dossiers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>

using namespace Qt::StringLiterals;

namespace {
QString AvecSeparateur(QString chemin)
{
    if (!chemin.endsWith(u'/'))
        chemin += u'/';
    return chemin;
}
} // namespace

QString DossierProgramme()
{
    return AvecSeparateur(QCoreApplication::applicationDirPath());
}

bool DossierInscriptible(const QString &dossier)
{
    QTemporaryFile essai(AvecSeparateur(dossier) + u".clarvane-essai-XXXXXX"_s);
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
    return AvecSeparateur(config);
}
