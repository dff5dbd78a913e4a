// The order of the image list, and what a reading pass did not keep of what the counting
// pass met.
#include <algorithm>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QSet>

#include "commun/NomsFichiers.h"
#include "metadata/ChercherImages.h"

namespace {

// The sort key: Dossier, a character of code 1, Nom, upper-cased; as UTF-8 its bytes
// compare in code point order (a kept byte of a name that is not UTF-8 stands as itself).
QByteArray CleTri(const QString &dossier, const QString &nom)
{
    // Plain ASCII paths (the usual case): upper-cased straight into the key's bytes.
    const qsizetype longueur = dossier.size() + 1 + nom.size();
    QByteArray octets(longueur, Qt::Uninitialized);
    char *p = octets.data();
    bool ascii = true;
    const auto copier = [&](const QString &texte) {
        for (QChar qc : texte) {
            const char16_t c = qc.unicode();
            if (c >= 0x80) {
                ascii = false;
                return;
            }
            *p++ = (c >= u'a' && c <= u'z') ? char(c - u'a' + 'A') : char(c);
        }
    };
    copier(dossier);
    *p++ = '\x01';
    if (ascii)
        copier(nom);
    if (ascii)
        return octets;

    QString cle;
    cle.reserve(dossier.size() + 1 + nom.size());
    cle += dossier;
    cle += QChar(1);
    cle += nom;
    // A byte kept from a name that is not UTF-8 goes into the key as itself.
    return NomEnOctets(NomEnMajuscules(cle));
}

QByteArray CleTri(const TEnrFichier &f)
{
    return CleTri(f.Dossier, f.Nom);
}

// Sorts by the key that `cle` makes of each element, building each key once. Stable:
// elements with equal keys keep their order.
template <typename T, typename FCle>
void TrierSelonCle(QList<T> &liste, FCle cle)
{
    std::vector<std::pair<QByteArray, qsizetype>> cles;
    cles.reserve(liste.size());
    for (qsizetype i = 0; i < liste.size(); ++i)
        cles.emplace_back(cle(liste[i]), i);
    std::stable_sort(cles.begin(), cles.end(),
                     [](const auto &x, const auto &y) { return x.first < y.first; });
    QList<T> triee;
    triee.reserve(liste.size());
    for (const auto &[cle, i] : cles)
        triee.append(std::move(liste[i]));
    liste = std::move(triee);
}

} // namespace

int ComparerFichiers(const TEnrFichier &a, const TEnrFichier &b)
{
    const int c = CleTri(a).compare(CleTri(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void TrierListe(TListeImages &liste)
{
    TrierSelonCle(liste, [](const TEnrFichier &f) { return CleTri(f); });
}

void TrierCompagnons(QList<TEnrCompagnon> &compagnons)
{
    if (compagnons.size() > 1)
        TrierSelonCle(compagnons, [](const TEnrCompagnon &c) { return CleTri(QString(), c.Nom); });
}

TNonRetenus ComparerPassages(const TBilanScan &comptage, const TBilanScan &lecture)
{
    TNonRetenus resultat;

    std::vector<std::pair<QByteArray, QString>> dossiers;
    for (const QStringList *liste : {&comptage.DossiersIllisibles, &lecture.DossiersIllisibles})
        for (const QString &d : *liste)
            dossiers.emplace_back(NomEnOctets(d), d);
    std::sort(dossiers.begin(), dossiers.end(),
              [](const auto &x, const auto &y) { return x.first < y.first; });
    dossiers.erase(std::unique(dossiers.begin(), dossiers.end(),
                               [](const auto &x, const auto &y) { return x.first == y.first; }),
                   dossiers.end());
    for (const auto &[octets, d] : dossiers)
        resultat.Dossiers.append(d);

    QList<TFichierNonRetenu> fichiers = lecture.NonRetenus;
    for (auto it = comptage.Inventaire.cbegin(); it != comptage.Inventaire.cend(); ++it) {
        const QByteArray &comptes = it.value();
        const auto lus = lecture.Inventaire.constFind(it.key());
        if (lus != lecture.Inventaire.cend() && lus.value() == comptes)
            continue; // the usual case: the same names, in the same order
        QSet<QByteArrayView> rencontres;
        if (lus != lecture.Inventaire.cend())
            for (qsizetype i = 0; i < lus.value().size();) {
                const QByteArrayView nom(lus.value().constData() + i);
                rencontres.insert(nom);
                i += nom.size() + 1;
            }
        const QString dossier = NomDepuisOctets(it.key());
        for (qsizetype i = 0; i < comptes.size();) {
            const QByteArrayView nom(comptes.constData() + i);
            i += nom.size() + 1;
            if (rencontres.contains(nom))
                continue;
            TFichierNonRetenu f;
            f.Fichier.Dossier = dossier;
            f.Fichier.Nom = NomDepuisOctets(nom);
            f.Issue = TIssueLecture::Illisible;
            fichiers.append(std::move(f));
        }
    }

    TrierSelonCle(fichiers, [](const TFichierNonRetenu &f) { return CleTri(f.Fichier); });
    resultat.Fichiers = std::move(fichiers);
    resultat.Autres = lecture.Autres;
    TrierListe(resultat.Autres);
    return resultat;
}
