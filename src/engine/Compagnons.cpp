// The files that travel with an image, and the shots numbered together.
#include "engine/Compagnons.h"

#include <algorithm>
#include <cstring>

#include "engine/ComposerDonnees.h"
#include "metadata/FormatsImages.h"

using namespace Qt::StringLiterals;

namespace {

// The name without its extension (from its last "." on), or whole when it has none.
QString Racine(const QString &nom)
{
    const qsizetype point = nom.lastIndexOf(u'.');
    return point < 0 ? nom : nom.left(point);
}

// Whether the image named `nom` in `dossierCible`, or one of its companions beside it, would
// find its name taken.
bool NomsPris(const TEnrFichier &image, const QString &dossierCible, const QString &nom,
              const TSuiviCompagnons::TOccupe &occupe)
{
    return occupe(dossierCible + nom)
           || std::any_of(image.Compagnons.cbegin(), image.Compagnons.cend(), [&](const TEnrCompagnon &c) {
                  return occupe(dossierCible + NomCompagnon(image.Nom, c, nom));
              });
}

QString Chemin(const TEnrFichier &image)
{
    return image.Dossier + image.Nom;
}

QString CleCompagnon(const TEnrFichier &image, const TEnrCompagnon &compagnon)
{
    return image.Dossier + compagnon.Nom;
}

} // namespace

const QList<TRegleCompagnon> &ReglesCompagnons()
{
    static const QList<TRegleCompagnon> regles = {
        {".xmp", false}, // a sidecar: ratings, keywords, edits
        {".thm", false}, // a camera's thumbnail
        {".wav", false}, // a voice memo
        {".aae", false}, // a phone's edits
        {"M01.XML", false}, // a Sony clip's file: C0001M01.XML beside C0001.MP4
        {".xmp", true},  // a sidecar named after the whole name: IMG_0001.CR3.xmp
    };
    return regles;
}

QString NomCompagnon(const QString &nomImage, const TEnrCompagnon &compagnon, const QString &nomCible)
{
    if (compagnon.NomEntier)
        return nomCible + compagnon.Nom.mid(nomImage.size());
    return Racine(nomCible) + compagnon.Nom.mid(Racine(nomImage).size());
}

bool EstJPEGouHEIF(const QString &nom)
{
    const TFormatImage *format = FormatImage(nom);
    if (!format)
        return false;
    if (format->disposition == TDisposition::JPEG)
        return true;
    static constexpr const char *kHEIF[] = {".HEIC", ".HEIF", ".HIF", ".AVIF"};
    return std::any_of(std::begin(kHEIF), std::end(kHEIF),
                       [&](const char *e) { return std::strcmp(e, format->extension) == 0; });
}

TSuiviCompagnons::TSuiviCompagnons(const TListeImages &images,
                                   const QList<TFichierNonRetenu> &nonRetenus)
    : m_images(&images)
{
    // The shots: the images of one folder and one name without extension.
    QHash<QString, qsizetype> premiers;
    m_premier.resize(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const QString cle = images[i].Dossier + Racine(images[i].Nom);
        auto trouve = premiers.constFind(cle);
        if (trouve == premiers.cend())
            trouve = premiers.insert(cle, i);
        const qsizetype premier = *trouve;
        m_premier[i] = premier;
        if (premier != i) {
            QList<qsizetype> &membres = m_membres[premier];
            if (membres.isEmpty())
                membres.append(premier);
            membres.append(i);
        }
    }

    // Which image carries each companion in rename mode, among every image that has it.
    QHash<QString, const TEnrFichier *> porteurs;
    const auto candidat = [&](const TEnrFichier &image) {
        for (const TEnrCompagnon &c : image.Compagnons) {
            const TEnrFichier *&porteur = porteurs[CleCompagnon(image, c)];
            if (!porteur)
                porteur = &image;
            else if (const bool jpeg = EstJPEGouHEIF(image.Nom), jpegPorteur = EstJPEGouHEIF(porteur->Nom);
                     (!jpeg && jpegPorteur) || (jpeg == jpegPorteur && ComparerFichiers(image, *porteur) < 0))
                porteur = &image;
        }
    };
    for (const TEnrFichier &image : images) {
        candidat(image);
        for (const TEnrCompagnon &c : image.Compagnons)
            ++m_restants[CleCompagnon(image, c)];
    }
    for (const TFichierNonRetenu &f : nonRetenus)
        candidat(f.Fichier);
    for (auto it = porteurs.cbegin(); it != porteurs.cend(); ++it)
        m_porteur.insert(it.key(), Chemin(*it.value()));
}

QList<TEnrCompagnon> TSuiviCompagnons::ARenommer(qsizetype i) const
{
    const TEnrFichier &image = m_images->at(i);
    QList<TEnrCompagnon> resultat;
    for (const TEnrCompagnon &c : image.Compagnons)
        if (m_porteur.value(CleCompagnon(image, c)) == Chemin(image))
            resultat.append(c);
    return resultat;
}

QList<TEnrCompagnon> TSuiviCompagnons::ACopier(qsizetype i, const QString &dossierCible)
{
    const TEnrFichier &image = m_images->at(i);
    QList<TEnrCompagnon> resultat;
    for (const TEnrCompagnon &c : image.Compagnons) {
        const QString cle = CleCompagnon(image, c);
        if (m_partis.contains(cle + QChar(0) + dossierCible))
            continue;
        m_partis.insert(cle + QChar(0) + dossierCible);
        m_envoyes.insert(cle);
        resultat.append(c);
    }
    return resultat;
}

qint64 TSuiviCompagnons::Numero(qsizetype i, const QString &dossierCible,
                                const TDossierDe &dossierDe, const TOccupe &occupe)
{
    // A companion's name taken counts as the image's: the image copied under its own
    // name would stand beside a file that is not its companion (another shot's sidecar,
    // another clip's XML, which would then be read as its own), its own left behind.
    const auto pris = [&](const QList<qsizetype> &membres) {
        return std::any_of(membres.cbegin(), membres.cend(), [&](qsizetype m) {
            return NomsPris(m_images->at(m), dossierCible, m_images->at(m).Nom, occupe);
        });
    };
    const auto prise = m_membres.constFind(m_premier.value(i, i));
    if (prise == m_membres.cend()) // an image alone of its name
        return pris({i}) ? NumeroPour({i}, dossierCible, occupe) : 0;

    const QString cle = QString::number(prise.key()) + QChar(0) + dossierCible;
    if (const auto trouve = m_numeros.constFind(cle); trouve != m_numeros.cend())
        return *trouve;
    // The images of the shot still to come that go into this folder too: the list is
    // handled in its order.
    QList<qsizetype> membres{i};
    for (const qsizetype j : *prise)
        if (j > i && dossierDe(j) == dossierCible)
            membres.append(j);
    const qint64 numero = pris(membres) ? NumeroPour(membres, dossierCible, occupe) : 0;
    m_numeros.insert(cle, numero);
    return numero;
}

qint64 TSuiviCompagnons::NumeroLibre(qsizetype i, const QString &dossierCible,
                                     const TOccupe &occupe) const
{
    return NumeroPour({i}, dossierCible, occupe);
}

qint64 TSuiviCompagnons::NumeroPour(const QList<qsizetype> &membres, const QString &dossierCible,
                                    const TOccupe &occupe) const
{
    for (qint64 n = 2;; ++n) {
        const bool libre = std::none_of(membres.cbegin(), membres.cend(), [&](qsizetype m) {
            const TEnrFichier &image = m_images->at(m);
            return NomsPris(image, dossierCible, NomAvecNumero(image.Nom, n), occupe);
        });
        if (libre)
            return n;
    }
}

QStringList TSuiviCompagnons::Laisses(qsizetype i)
{
    const TEnrFichier &image = m_images->at(i);
    QStringList resultat;
    for (const TEnrCompagnon &c : image.Compagnons) {
        const QString cle = CleCompagnon(image, c);
        if (--m_restants[cle] > 0 || m_envoyes.contains(cle) || m_signales.contains(cle))
            continue;
        m_signales.insert(cle);
        resultat.append(cle);
    }
    return resultat;
}

QStringList TSuiviCompagnons::LaissesNonRetenu(const TEnrFichier &image)
{
    QStringList resultat;
    for (const TEnrCompagnon &c : image.Compagnons) {
        const QString cle = CleCompagnon(image, c);
        if (m_restants.value(cle) > 0 || m_signales.contains(cle))
            continue;
        m_signales.insert(cle);
        resultat.append(cle);
    }
    return resultat;
}
