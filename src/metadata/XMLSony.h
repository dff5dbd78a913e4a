// The XML file that Sony cameras write beside each clip (C0001.MP4, C0001M01.XML): the
// camera's model and the moment of shooting, which the clip itself does not hold.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

struct TValeursXMLSony {
    QByteArray modele; // modelName of the Device element, UTF-8
    QByteArray date;   // value of the CreationDate element (ISO 8601), UTF-8
};

// The name of a clip's XML file: the clip's name without its extension, then "M01.XML"
// ("C0001.MP4" gives "C0001M01.XML"). Empty when the name is not that of an .MP4 clip
// (any letter case).
QString NomXMLSony(QStringView nomClip);

// The values of an XML document (the first CreationDate and Device elements, wherever
// they stand); what comes before a fault of the document is kept. False when neither is
// found.
bool LireXMLSonyOctets(const QByteArray &document, TValeursXMLSony &valeurs);

// The values of the XML file beside the clip at `cheminClip`: NomXMLSony's name, or the
// same in lower case ("c0001m01.xml") when it is not there. Only a regular file is read,
// and only its first kOctetsXMLMax bytes. False when there is none or it gives nothing.
bool LireXMLSonyDuClip(const QString &cheminClip, TValeursXMLSony &valeurs);

// A clip's XML file is a few KB; a larger one is read up to here.
constexpr qint64 kOctetsXMLMax = 64 * 1024;
