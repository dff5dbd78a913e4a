#include "commun/NomsFichiers.h"

namespace {

constexpr char16_t kBaseOctets = 0xDC00;

// A kept byte is a low surrogate U+DC80..U+DCFF that does not end a surrogate pair.
bool EstOctetGarde(QStringView nom, qsizetype i)
{
    const char16_t c = nom[i].unicode();
    return c >= 0xDC80 && c <= 0xDCFF && !(i > 0 && QChar::isHighSurrogate(nom[i - 1].unicode()));
}

int Hexa(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// Length of the valid UTF-8 sequence starting at p (1..4), or 0 when it is not one:
// overlong forms, surrogates and code points above U+10FFFF are not valid.
int LongueurSequence(const unsigned char *p, qsizetype reste)
{
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int n;
    char32_t min;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (reste < n)
        return 0;
    char32_t cp = c & (0x7F >> n);
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

} // namespace

QString NomDepuisOctets(QByteArrayView octets)
{
    const auto *p = reinterpret_cast<const unsigned char *>(octets.data());
    const qsizetype n = octets.size();
    qsizetype i = 0;
    while (i < n && p[i] < 0x80)
        ++i;
    if (i == n)
        return QString::fromLatin1(octets.data(), n);

    QString nom;
    nom.reserve(n);
    nom.append(QLatin1StringView(octets.data(), i));
    while (i < n) {
        const int l = LongueurSequence(p + i, n - i);
        if (l == 0) {
            nom.append(QChar(char16_t(kBaseOctets + p[i])));
            ++i;
        } else if (l == 1) {
            nom.append(QChar(char16_t(p[i])));
            ++i;
        } else {
            nom.append(QString::fromUtf8(octets.data() + i, l));
            i += l;
        }
    }
    return nom;
}

QByteArray NomEnOctets(QStringView nom)
{
    if (!NomAOctetsBruts(nom))
        return nom.toUtf8();
    QByteArray octets;
    octets.reserve(nom.size() * 3);
    qsizetype debut = 0;
    for (qsizetype i = 0; i < nom.size(); ++i) {
        if (EstOctetGarde(nom, i)) {
            const char16_t c = nom[i].unicode();
            octets.append(nom.mid(debut, i - debut).toUtf8());
            octets.append(char(c - kBaseOctets));
            debut = i + 1;
        }
    }
    octets.append(nom.mid(debut).toUtf8());
    return octets;
}

bool NomAOctetsBruts(QStringView nom)
{
    for (qsizetype i = 0; i < nom.size(); ++i)
        if (EstOctetGarde(nom, i))
            return true;
    return false;
}

QString NomEnMajuscules(const QString &nom)
{
    if (!NomAOctetsBruts(nom))
        return nom.toUpper();
    QString resultat;
    resultat.reserve(nom.size());
    qsizetype debut = 0;
    for (qsizetype i = 0; i < nom.size(); ++i) {
        if (EstOctetGarde(nom, i)) {
            resultat += nom.sliced(debut, i - debut).toUpper();
            resultat += nom.at(i);
            debut = i + 1;
        }
    }
    resultat += nom.sliced(debut).toUpper();
    return resultat;
}

QString NomLisible(QStringView nom)
{
    if (!NomAOctetsBruts(nom))
        return nom.toString();
    QString texte;
    texte.reserve(nom.size() + 8);
    for (qsizetype i = 0; i < nom.size(); ++i) {
        const QChar c = nom[i];
        if (EstOctetGarde(nom, i)) {
            const int octet = c.unicode() - kBaseOctets;
            texte += QLatin1StringView("\\x");
            texte += QLatin1Char("0123456789ABCDEF"[octet >> 4]);
            texte += QLatin1Char("0123456789ABCDEF"[octet & 15]);
        } else {
            texte += c;
        }
    }
    return texte;
}

QString NomDepuisLisible(QStringView texte)
{
    if (!texte.contains(QLatin1StringView("\\x")))
        return texte.toString();
    QString nom;
    nom.reserve(texte.size());
    for (qsizetype i = 0; i < texte.size(); ++i) {
        if (texte[i] == u'\\' && i + 3 < texte.size() && texte[i + 1] == u'x') {
            const int h = Hexa(texte[i + 2]);
            const int l = Hexa(texte[i + 3]);
            if (h >= 8 && l >= 0) {
                nom += QChar(char16_t(kBaseOctets + h * 16 + l));
                i += 3;
                continue;
            }
        }
        nom += texte[i];
    }
    return nom;
}
