#include "metadata/Nombres.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QLocale>

using namespace Qt::StringLiterals;

QString FormaterFixe(long double x, int decimales)
{
    if (decimales < 0)
        decimales = 0;
    const bool negatif = x < 0;
    if (negatif)
        x = -x;

    // 18 significant digits: d.ddddddddddddddddde±XX
    char tampon[64];
    std::snprintf(tampon, sizeof tampon, "%.17Le", x);
    if (!std::strchr(tampon, 'e')) // inf or nan: nothing sensible to round
        return QString::fromLatin1(tampon);
    std::string chiffres;
    chiffres += tampon[0];
    chiffres.append(tampon + 2, 17);
    const int exposant = std::atoi(std::strchr(tampon, 'e') + 1);

    // x = 0.chiffres × 10^(exposant + 1); keep the digits down to 10^-decimales.
    const int garder = exposant + 1 + decimales;
    std::string entier; // round(x × 10^decimales), in decimal
    if (garder >= 0) {
        entier = garder <= 18 ? chiffres.substr(0, garder)
                              : chiffres + std::string(garder - 18, '0');
        if (garder < 18 && chiffres[garder] >= '5') {
            int i = int(entier.size()) - 1;
            while (i >= 0 && entier[i] == '9')
                entier[i--] = '0';
            if (i < 0)
                entier.insert(entier.begin(), '1');
            else
                ++entier[i];
        }
    }
    const auto premier = entier.find_first_not_of('0');
    entier = premier == std::string::npos ? std::string() : entier.substr(premier);
    const bool nul = entier.empty();
    if (entier.size() < size_t(decimales) + 1)
        entier.insert(0, size_t(decimales) + 1 - entier.size(), '0');

    QString texte = QString::fromLatin1(entier.data(), qsizetype(entier.size()));
    if (decimales > 0)
        texte.insert(texte.size() - decimales, QLocale().decimalPoint());
    if (negatif && !nul)
        texte.prepend(u'-');
    return texte;
}

QString TailleEnTexte(qint64 n)
{
    constexpr qint64 kGo = 1073741824, kMo = 1048576, kKo = 1024;
    if (n > kGo)
        return FormaterFixe((long double)n / kGo, 2) + u" Go"_s;
    if (n > kMo)
        return FormaterFixe((long double)n / kMo, 2) + u" Mo"_s;
    if (n > kKo)
        return FormaterFixe((long double)n / kKo, 2) + u" Ko"_s;
    return QString::number(n) + u" Oct"_s;
}
