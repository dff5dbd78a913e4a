#include "engine/JournalErreurs.h"

#include "commun/EErreur.h"
#include "commun/NomsFichiers.h"
#include "engine/OperationsFichiers.h"

using namespace Qt::StringLiterals;

void EcrireJournalErreurs(const QString &chemin, const QStringList &lignes)
{
    // Names shown as text: the bytes of a name that is not UTF-8 as "\xHH".
    QByteArray contenu;
    for (const QString &ligne : lignes)
        contenu += NomLisible(ligne).toUtf8() + "\r\n";
    if (!EcrireFichierOrdinaire(chemin, contenu))
        throw EErreur(u"Ne peut créer le fichier %1"_s.arg(NomLisible(chemin)));
}
