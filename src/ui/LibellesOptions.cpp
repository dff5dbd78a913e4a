#include "ui/LibellesOptions.h"

#include "engine/OptionsNommage.h"

using namespace Qt::StringLiterals;

QStringList ElementsSeparateurs()
{
    return {u"<Aucun>"_s, u"<Espace>"_s, u"- (tiret)"_s, u"_ (underscore)"_s, u", (virgule)"_s};
}

QString PrefixeFormatDate(int index)
{
    if (index < 0 || index >= kNbFormatsDate)
        return {};
    if (index <= 1)
        return u"Année ("_s;
    if (index <= 4)
        return u"Mois ("_s;
    return u"Jour ("_s;
}

QStringList ElementsFormatsDate(const QDate &date)
{
    QStringList elements;
    elements.reserve(kNbFormatsDate);
    for (int i = 0; i < kNbFormatsDate; ++i)
        elements.append(PrefixeFormatDate(i) + FormaterComposantDate(date, i) + u')');
    return elements;
}
