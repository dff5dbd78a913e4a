#include "engine/JournalErreurs.h"

#include <QFile>

#include "commun/EErreur.h"

using namespace Qt::StringLiterals;

void EcrireJournalErreurs(const QString &chemin, const QStringList &lignes)
{
    QByteArray contenu;
    for (const QString &ligne : lignes)
        contenu += ligne.toUtf8() + "\r\n";
    QFile fichier(chemin);
    const bool ecrit = fichier.open(QIODevice::WriteOnly | QIODevice::Truncate)
                       && fichier.write(contenu) == contenu.size() && fichier.flush();
    if (!ecrit)
        throw EErreur(u"Ne peut créer le fichier %1"_s.arg(chemin));
}
