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

bool ProgrammeInstalle(const QString &dossierProgramme)
{
    const QString dossier = AvecSeparateur(dossierProgramme);
    for (const QString &systeme : {u"/usr/"_s, u"/bin/"_s, u"/sbin/"_s, u"/opt/"_s})
        if (dossier.startsWith(systeme))
            return true;
    return dossier.endsWith(u"/bin/"_s)
        && QFile::exists(dossier + u"../share/applications/io.github.clarvane.Clarvane.desktop"_s);
}

QString DossierFichiersPour(const QString &dossierProgramme)
{
    const QString programme = AvecSeparateur(dossierProgramme);
    if (!ProgrammeInstalle(programme) && DossierInscriptible(programme))
        return programme;
    QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (config.isEmpty())
        return programme;
    QDir().mkpath(config);
    return AvecSeparateur(config);
}

QString DossierFichiersProgramme()
{
    return DossierFichiersPour(DossierProgramme());
}
