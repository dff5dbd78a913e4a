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
    // ~/Pictures when the user's folders name none; either may be missing, or be
    // something else than a folder.
    const QString images = DossierUtilisateur(TDossierUtilisateur::Images);
    if (!images.isEmpty() && EstDossier(NomEnOctets(images)))
        return AvecBarreFinale(images);
    return AvecBarreFinale(DossierMaison());
}

QString DossierMaison()
{
    return QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
}

namespace {

// The value of the line `XDG_<cle>_DIR=...` of user-dirs.dirs, as the desktop's own
// readers take it; a null text without one.
QString ValeurDossiersUtilisateur(const QByteArray &texte, QByteArrayView cle)
{
    QString valeur;
    for (QByteArrayView ligne : texte.split('\n')) {
        if (ligne.endsWith('\r'))
            ligne.chop(1);
        const qsizetype egal = ligne.lastIndexOf("_DIR=");
        if (!ligne.startsWith("XDG_") || egal < 4 || ligne.sliced(4, egal - 4) != cle)
            continue;
        QByteArrayView v = ligne.sliced(egal + 5);
        if (v.size() > 2 && v.startsWith('"') && v.endsWith('"'))
            v = v.sliced(1, v.size() - 2);
        valeur = v.startsWith("$HOME") ? DossierMaison() + NomDepuisOctets(v.sliced(5))
                                       : NomDepuisOctets(v);
        if (valeur.size() > 1 && valeur.endsWith(u'/'))
            valeur.chop(1);
    }
    return valeur;
}

} // namespace

QString DossierUtilisateur(TDossierUtilisateur dossier)
{
    static constexpr struct {
        const char *cle;
        const char *defaut;
    } kDossiers[] = {{"DESKTOP", "/Desktop"}, {"DOCUMENTS", "/Documents"}, {"PICTURES", "/Pictures"}};
    const auto &d = kDossiers[int(dossier)];
    if (!QStandardPaths::isTestModeEnabled()) {
        QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (!config.startsWith(u'/')) // a relative one is to be ignored
            config = DossierMaison() + u"/.config"_s;
        constexpr qint64 kTailleMax = 64 * 1024;
        QByteArray texte;
        if (LireFichier(JoindreChemin(NomEnOctets(config), "user-dirs.dirs"), kTailleMax, texte) == 0) {
            const QString valeur = ValeurDossiersUtilisateur(texte, d.cle);
            if (!valeur.isNull())
                return valeur;
        }
    }
    return DossierMaison() + QLatin1StringView(d.defaut);
}

QString DossierExecution()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString DossierParDefaut()
{
    return DossierParDefautPour(DossierProgramme());
}

QString DossierFichiersProgramme()
{
    return DossierFichiersPour(DossierProgramme());
}
