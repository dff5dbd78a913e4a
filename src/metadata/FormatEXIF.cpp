#include "metadata/FormatEXIF.h"

#include <cstring>

#include <QDateTime>
#include <QLocale>

#include "commun/Windows1252.h"

using namespace Qt::StringLiterals;

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool EstUTF8Valide(const unsigned char *p, qsizetype n)
{
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int suite;
        unsigned char min2 = 0x80, max2 = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            suite = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            suite = 2;
            if (c == 0xE0)
                min2 = 0xA0;
            else if (c == 0xED)
                max2 = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            suite = 3;
            if (c == 0xF0)
                min2 = 0x90;
            else if (c == 0xF4)
                max2 = 0x8F;
        } else {
            return false;
        }
        if (n - i <= suite)
            return false;
        if (p[i + 1] < min2 || p[i + 1] > max2)
            return false;
        for (int k = 2; k <= suite; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        i += suite + 1;
    }
    return true;
}

bool RationnelUtilisable(qint32 numerateur, qint32 denominateur)
{
    return numerateur > 0 && denominateur > 0;
}

// a / b (both > 0) with `decimales` (0 to 2) decimals, halves away from zero, in exact
// integer arithmetic. This gives what FormaterFixe gives on the quotient: with a and b below
// 2^31 and at most 2 decimals, a quotient that is not exactly a half at the last digit
// kept lies farther from it than 1 / (2 b 100), well beyond the 18th significant digit.
QString FixeRationnel(qint32 a, qint32 b, int decimales)
{
    qint64 echelle = 1;
    for (int i = 0; i < decimales; ++i)
        echelle *= 10;
    const qint64 arrondi = (2 * qint64(a) * echelle + b) / (2 * qint64(b));
    QString texte = QString::number(arrondi);
    if (decimales > 0) {
        if (texte.size() <= decimales)
            texte.prepend(QString(decimales + 1 - texte.size(), u'0'));
        texte.insert(texte.size() - decimales, QLocale().decimalPoint());
    }
    return texte;
}

// Whole or with `decimales` decimals, as the focal length and the aperture are written.
QString EntierOuFixe(qint32 numerateur, qint32 denominateur, int decimales)
{
    if (numerateur % denominateur == 0)
        return QString::number(numerateur / denominateur);
    return FixeRationnel(numerateur, denominateur, decimales);
}

} // namespace

namespace {
// The bytes up to the first zero byte.
QByteArrayView JusquaZero(QByteArrayView octets)
{
    if (octets.isEmpty()) // memchr must not be given a null pointer, even for 0 bytes
        return {};
    const char *zero = static_cast<const char *>(std::memchr(octets.data(), 0, size_t(octets.size())));
    return zero ? octets.first(zero - octets.data()) : octets;
}
} // namespace

QString DecoderTexte(QByteArrayView octets)
{
    octets = JusquaZero(octets);
    const auto *p = reinterpret_cast<const unsigned char *>(octets.data());
    const qsizetype n = octets.size();
    bool ascii = true;
    for (qsizetype i = 0; i < n && ascii; ++i)
        ascii = p[i] < 0x80;
    if (ascii)
        return QString::fromLatin1(octets.data(), n);
    if (EstUTF8Valide(p, n))
        return QString::fromUtf8(octets.data(), n);
    return DepuisWindows1252(octets);
}

QString TexteAppareil(QByteArrayView modele)
{
    QString texte = DecoderTexte(modele);
    qsizetype debut = 0, fin = texte.size();
    while (debut < fin && texte.at(debut).unicode() <= 32)
        ++debut;
    while (fin > debut && texte.at(fin - 1).unicode() <= 32)
        --fin;
    if (debut > 0 || fin < texte.size())
        texte = texte.sliced(debut, fin - debut);
    return texte;
}

std::optional<QString> TexteFocale(qint32 numerateur, qint32 denominateur)
{
    if (!RationnelUtilisable(numerateur, denominateur))
        return std::nullopt;
    return EntierOuFixe(numerateur, denominateur, 2);
}

std::optional<QString> TexteVitesse(qint32 numerateur, qint32 denominateur)
{
    if (!RationnelUtilisable(numerateur, denominateur))
        return std::nullopt;
    if (numerateur < denominateur) {
        QString texte;
        texte.reserve(14);
        texte.append(u"1/").append(FixeRationnel(denominateur, numerateur, 0)).append(u'\u00B0');
        return texte;
    }
    return FixeRationnel(numerateur, denominateur, 0);
}

std::optional<QString> TexteDiaphragme(qint32 numerateur, qint32 denominateur)
{
    if (!RationnelUtilisable(numerateur, denominateur))
        return std::nullopt;
    return EntierOuFixe(numerateur, denominateur, 1);
}

std::optional<QString> TexteDate(QByteArrayView dateHeure)
{
    dateHeure = JusquaZero(dateHeure);
    if (dateHeure.size() != 19)
        return std::nullopt;
    const char *d = dateHeure.data();
    const char morceaux[10] = {d[8], d[9], '/', d[5], d[6], '/', d[0], d[1], d[2], d[3]};
    bool ascii = true;
    for (char c : morceaux)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return QString::fromLatin1(morceaux, 10);
    // Each piece is decoded on its own: the cut is made on the bytes, as they stand.
    return DecoderTexte(dateHeure.sliced(8, 2)) + u'/' + DecoderTexte(dateHeure.sliced(5, 2)) + u'/'
        + DecoderTexte(dateHeure.first(4));
}

namespace {
// A calendar day as the date texts are written: "DD/MM/YYYY".
QString TexteJour(int annee, int mois, int jour)
{
    const char16_t t[10] = {char16_t(u'0' + jour / 10), char16_t(u'0' + jour % 10), u'/',
                            char16_t(u'0' + mois / 10), char16_t(u'0' + mois % 10), u'/',
                            char16_t(u'0' + annee / 1000), char16_t(u'0' + annee / 100 % 10),
                            char16_t(u'0' + annee / 10 % 10), char16_t(u'0' + annee % 10)};
    return QString(reinterpret_cast<const QChar *>(t), 10);
}
} // namespace

std::optional<QString> TexteDateISO8601(QByteArrayView texte)
{
    texte = JusquaZero(texte);
    if (texte.size() < 10)
        return std::nullopt;
    const auto chiffres = [&](qsizetype debut, qsizetype n) {
        int v = 0;
        for (qsizetype i = debut; i < debut + n; ++i) {
            if (texte[i] < '0' || texte[i] > '9')
                return -1;
            v = v * 10 + (texte[i] - '0');
        }
        return v;
    };
    const char s1 = texte[4], s2 = texte[7];
    if (!((s1 == '-' && s2 == '-') || (s1 == ':' && s2 == ':')))
        return std::nullopt;
    // The day ends the text, or the time follows it.
    if (texte.size() > 10 && texte[10] != 'T' && texte[10] != ' ')
        return std::nullopt;
    const int annee = chiffres(0, 4), mois = chiffres(5, 2), jour = chiffres(8, 2);
    if (annee < 1 || !QDate::isValid(annee, mois, jour))
        return std::nullopt;
    return TexteJour(annee, mois, jour);
}

std::optional<QString> TexteDateSecondes1904(quint64 secondes)
{
    // From 1904-01-01 to 1970-01-01: 66 years, 17 of them leap years.
    constexpr qint64 k1904A1970 = (66 * 365 + 17) * qint64(86400);
    // 9999-12-31 23:59:59 UTC; the local date of a time near it may pass into 10000.
    constexpr qint64 kMax = 253402300799 + k1904A1970;
    if (secondes == 0 || secondes > quint64(kMax))
        return std::nullopt;
    const QDate jour = QDateTime::fromSecsSinceEpoch(qint64(secondes) - k1904A1970, Qt::LocalTime).date();
    if (!jour.isValid() || jour.year() < 1 || jour.year() > 9999)
        return std::nullopt;
    return TexteJour(jour.year(), jour.month(), jour.day());
}

QString TexteISO(quint16 iso)
{
    return QString::number(iso);
}
