#include "metadata/XMLSony.h"

#include <cerrno>
#include <optional>

#include <QXmlStreamReader>

#include "metadata/FluxOctets.h"

using namespace Qt::StringLiterals;

QString NomXMLSony(QStringView nomClip)
{
    const qsizetype point = nomClip.lastIndexOf(u'.');
    if (point < 0 || nomClip.size() - point != 4 || nomClip.sliced(point).compare(u".mp4", Qt::CaseInsensitive) != 0)
        return {};
    return nomClip.first(point).toString() + u"M01.XML"_s;
}

bool LireXMLSonyOctets(const QByteArray &document, TValeursXMLSony &valeurs)
{
    QXmlStreamReader xml(document);
    bool date = false, appareil = false;
    while (!(date && appareil) && !xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView nom = xml.name();
        if (!date && nom == u"CreationDate") {
            date = true;
            valeurs.date = xml.attributes().value(QLatin1StringView("value")).toUtf8();
        } else if (!appareil && nom == u"Device") {
            appareil = true;
            valeurs.modele = xml.attributes().value(QLatin1StringView("modelName")).toUtf8();
        }
    }
    return date || appareil;
}

bool LireXMLSonyDuClip(const QString &cheminClip, TValeursXMLSony &valeurs)
{
    const QString nom = NomXMLSony(cheminClip);
    if (nom.isEmpty())
        return false;
    const qsizetype base = nom.size() - 7; // before "M01.XML"
    std::optional<TFluxFichier> fichier(std::in_place, nom);
    if (!fichier->Ouvert() && fichier->Erreur() == ENOENT)
        fichier.emplace(nom.first(base) + u"m01.xml"_s);
    if (!fichier->Ouvert())
        return false;
    const qint64 taille = qMin(fichier->Taille(), kOctetsXMLMax);
    QByteArray document(taille, Qt::Uninitialized);
    if (!fichier->Lire(0, taille, document.data()))
        return false;
    return LireXMLSonyOctets(document, valeurs);
}
