// The values text of an image and the targets made of it.
#include "engine/ComposerDonnees.h"

#include <algorithm>

#include <sys/stat.h>

#include "commun/Chemins.h"
#include "commun/Dossiers.h"
#include "commun/NomsFichiers.h"

#include "engine/OptionsNommage.h"

using namespace Qt::StringLiterals;

namespace {

const QString kSeparateurDossier = u"/"_s;

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

// A control character (C0, DEL, and C1, which EXIF texts read as Windows-1252 give for
// the five bytes that have no character there): a name holding one cannot be seen or
// typed, a line break in a camera model makes a folder no one can find.
bool Controle(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

// Every level of the values text made visible: its control characters and the dots that
// begin it become "_". A folder or a name beginning with "." is hidden from file managers
// and from later scans, and a level of dots alone ("." or "..") would name the
// destination itself or a folder above it. In rename mode the text is one level: no
// value keeps a "/" there.
QString NiveauxVisibles(const QString &valeurs)
{
    QString resultat = valeurs; // shared until a character changes
    bool debutNiveau = true;
    for (qsizetype i = 0; i < resultat.size(); ++i) {
        const QChar c = resultat.at(i);
        if (c == u'/') {
            debutNiveau = true;
        } else if (debutNiveau && c == u'.') {
            resultat[i] = u'_';
        } else {
            if (Controle(c))
                resultat[i] = u'_';
            debutNiveau = false;
        }
    }
    return resultat;
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
                // Each component its own folder level, joined by the folder separator.
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
    return NiveauxVisibles(resultat);
}

bool CheminOccupe(const QString &chemin)
{
    struct stat st;
    // Without following: a link, even a broken one, takes its name.
    return EtatChemin(NomEnOctets(chemin), st, TLiens::NePasSuivre) == 0;
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

QString PrefixeRenommage(const QString &valeurs, const TEnrOptions &options)
{
    return valeurs + TexteSeparateur(options.nSep);
}

QString CheminRenomme(const TEnrFichier &fichier, const QString &valeurs,
                      const TEnrOptions &options)
{
    return fichier.Dossier + PrefixeRenommage(valeurs, options) + fichier.Nom;
}

bool DejaRenomme(const TEnrFichier &fichier, const QString &valeurs, const TEnrOptions &options)
{
    return fichier.Nom.startsWith(PrefixeRenommage(valeurs, options));
}
