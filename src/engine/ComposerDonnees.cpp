// The values text of an image and the targets made of it.
#include "engine/ComposerDonnees.h"

#include <algorithm>

#include <sys/stat.h>

#include "commun/CheminsLongs.h"
#include "commun/Dossiers.h"
#include "commun/NomsFichiers.h"

#include "engine/OptionsNommage.h"

using namespace Qt::StringLiterals;

namespace {

const QString kSeparateurDossier = u"/"_s;

bool QueDesPoints(QStringView niveau)
{
    if (niveau.isEmpty())
        return false;
    for (QChar c : niveau)
        if (c != u'.')
            return false;
    return true;
}

// A folder level "." or ".." (or any run of dots) would name the destination itself or
// a folder above it; each dot of such a level becomes "_".
QString NeutraliserPoints(const QString &valeurs)
{
    if (!valeurs.contains(u'.'))
        return valeurs;
    QString resultat = valeurs;
    qsizetype debut = 0;
    while (debut <= resultat.size()) {
        qsizetype fin = resultat.indexOf(u'/', debut);
        if (fin < 0)
            fin = resultat.size();
        if (QueDesPoints(QStringView(resultat).mid(debut, fin - debut)))
            for (qsizetype i = debut; i < fin; ++i)
                resultat[i] = u'_';
        debut = fin + 1;
    }
    return resultat;
}

// A new name beginning with "." would hide the image from file managers and from later
// scans: the leading dots of a rename's values text become "_".
QString SansPointsInitiaux(const QString &valeurs)
{
    if (!valeurs.startsWith(u'.'))
        return valeurs;
    QString resultat = valeurs;
    for (qsizetype i = 0; i < resultat.size() && resultat[i] == u'.'; ++i)
        resultat[i] = u'_';
    return resultat;
}

} // namespace

namespace {

bool Interdit(QChar c)
{
    switch (c.unicode()) {
    case u'"': case u'*': case u'/': case u':': case u'<':
    case u'>': case u'?': case u'\\': case u'|':
        return true;
    default:
        return false;
    }
}

} // namespace

QString NettoyerNom(const QString &texte)
{
    const auto premier = std::find_if(texte.cbegin(), texte.cend(), Interdit);
    if (premier == texte.cend())
        return texte; // nothing to replace: shares the text, no copy
    QString resultat = texte;
    for (qsizetype i = premier - texte.cbegin(); i < resultat.size(); ++i)
        if (Interdit(resultat[i]))
            resultat[i] = u'_';
    return resultat;
}

void AjouterDonnee(QString &resultat, const QString &separateur, const QString &avant,
                   const QString &valeur, const QString &apres, bool remplacer)
{
    if (valeur.isEmpty())
        return;
    if (!resultat.isEmpty())
        resultat += separateur;
    resultat += avant;
    resultat += remplacer ? NettoyerNom(valeur) : valeur;
    resultat += apres;
}

QString ComposerDonnees(const TEnrEXIF &exif, const TEnrOptions &options)
{
    const bool copie = options.lCopier;
    const QString separateur = copie ? kSeparateurDossier : TexteSeparateur(options.nSep);
    const bool hierarchie = HierarchieEnVigueur(options);
    const QString code = ValiderOrdre(options.cOrdreDonEXIF);
    const QString reference = LettresReference();

    QString resultat;
    resultat.reserve(96);
    for (QChar lettre : code) {
        if (!lettre.isUpper()) // absent field
            continue;
        switch (reference.indexOf(lettre)) {
        case kIndexAppareil:
            AjouterDonnee(resultat, separateur, {}, exif.Appareil, {}, true);
            break;
        case kIndexFocale:
            AjouterDonnee(resultat, separateur, {}, exif.Focale, u" mm"_s, true);
            break;
        case kIndexVitesse:
            AjouterDonnee(resultat, separateur, {}, exif.Vitesse, u" s"_s, true);
            break;
        case kIndexDiaphragme:
            AjouterDonnee(resultat, separateur, u"f "_s, exif.Diaphragme, {}, true);
            break;
        case kIndexDate:
            if (hierarchie) {
                // Each component its own folder level: digits and month or day names,
                // joined by the folder separator, so not cleaned.
                AjouterDonnee(resultat, separateur, {},
                              ComposerDate(exif.DatePDV, kSeparateurDossier, options), {},
                              false);
            } else {
                AjouterDonnee(resultat, separateur, {},
                              ComposerDate(exif.DatePDV, TexteSeparateur(options.nDatePDVSep),
                                           options),
                              {}, true);
            }
            break;
        case kIndexISO:
            AjouterDonnee(resultat, separateur, {}, exif.ISO, u" iso"_s, true);
            break;
        default:
            break;
        }
    }
    return copie ? NeutraliserPoints(resultat) : SansPointsInitiaux(resultat);
}

bool CheminOccupe(const QString &chemin)
{
    const TCheminLong c(NomEnOctets(chemin));
    struct stat st;
    // Without following: a link, even a broken one, takes its name.
    return !c.Erreur() && ::fstatat(c.Fd(), c.Relatif(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

QString NomAvecNumero(const QString &nom, qint64 n)
{
    const qsizetype point = nom.lastIndexOf(u'.');
    const qsizetype base = point < 0 ? nom.size() : point;
    return nom.left(base) + u'(' + QString::number(n) + u')' + nom.mid(base);
}

QString NomNumerote(const QString &dossier, const QString &nom)
{
    for (qint64 n = 2;; ++n) {
        const QString candidat = dossier + NomAvecNumero(nom, n);
        if (!CheminOccupe(candidat))
            return candidat;
    }
}

QString DossierCibleCopie(const QString &dossierDestination, const QString &valeurs)
{
    return AvecBarreFinale(dossierDestination) + valeurs + u'/';
}

QString CheminCibleCopie(const QString &dossierCible, const QString &nom)
{
    const QString chemin = dossierCible + nom;
    return CheminOccupe(chemin) ? NomNumerote(dossierCible, nom) : chemin;
}

QString CheminRenomme(const TEnrFichier &fichier, const QString &valeurs,
                      const TEnrOptions &options)
{
    return fichier.Dossier + valeurs + TexteSeparateur(options.nSep) + fichier.Nom;
}
