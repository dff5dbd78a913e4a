#include "Enfant.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include "BureauVirtuel.h"

using namespace Qt::StringLiterals;

TResultatEnfant ExecuterEnfant(const QStringList &arguments, const QProcessEnvironment &ajouts, int delaiMs)
{
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    environnement.insert(ajouts);
    environnement.insert(u"CLARVANE_ENFANT"_s, u"1"_s);
    QProcess enfant;
    enfant.setProcessEnvironment(environnement);
    enfant.setProcessChannelMode(QProcess::MergedChannels);
    enfant.start(QCoreApplication::applicationFilePath(), arguments);
    TResultatEnfant resultat;
    if (!enfant.waitForFinished(delaiMs)) {
        enfant.kill();
        enfant.waitForFinished(5000);
        resultat.sortie = enfant.readAll() + "\n(arrêté après le délai)";
        return resultat;
    }
    resultat.sortie = enfant.readAll();
    resultat.code = enfant.exitStatus() == QProcess::NormalExit ? enfant.exitCode() : -1;
    return resultat;
}

bool ExecuterEnfantSurUnBureau(const QStringList &arguments, QSize ecran, double echelle,
                               const QProcessEnvironment &ajouts, TResultatEnfant &resultat, QString &pourquoi)
{
    TBureauVirtuel bureau(ecran);
    if (bureau.Demarrer(pourquoi) != TBureauVirtuel::TEtat::Pret)
        return false;
    QProcessEnvironment environnement = bureau.Environnement();
    environnement.insert(u"QT_SCALE_FACTOR"_s, QString::number(echelle));
    environnement.insert(ajouts);
    resultat = ExecuterEnfant(arguments, environnement);
    return true;
}

QString PlateformeHorsEcran(const QString &dossier, int largeur, int hauteur)
{
    const QString chemin = dossier + u"/ecran_%1x%2.json"_s.arg(largeur).arg(hauteur);
    QFile fichier(chemin);
    if (fichier.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fichier.write(QStringLiteral(R"({"windowFrameMargins": true, "screens": [{"name": "ecran",
            "x": 0, "y": 0, "width": %1, "height": %2, "logicalDpi": 96, "logicalBaseDpi": 96}]})")
                          .arg(largeur).arg(hauteur).toUtf8());
    return u"offscreen:configfile="_s + chemin;
}
