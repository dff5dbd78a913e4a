// The naming options: field table, order code, separators, date formats and date text.
#include "engine/OptionsNommage.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

const TEnrOptions kDefauts{};

// Month and weekday names used when the locale supplies none (the C locale).
const std::array<QString, 12> kMoisCourts{u"Jan"_s, u"Fév"_s, u"Mar"_s, u"Avr"_s,
                                          u"Mai"_s, u"Jun"_s, u"Jul"_s, u"Aoû"_s,
                                          u"Sep"_s, u"Oct"_s, u"Nov"_s, u"Déc"_s};
const std::array<QString, 12> kMoisLongs{u"Janvier"_s, u"Février"_s,  u"Mars"_s,
                                         u"Avril"_s,   u"Mai"_s,      u"Juin"_s,
                                         u"Juillet"_s, u"Août"_s,     u"Septembre"_s,
                                         u"Octobre"_s, u"Novembre"_s, u"Décembre"_s};
// Sunday first.
const std::array<QString, 7> kJoursCourts{u"Dim"_s, u"Lun"_s, u"Mar"_s, u"Mer"_s,
                                          u"Jeu"_s, u"Ven"_s, u"Sam"_s};
const std::array<QString, 7> kJoursLongs{u"Dimanche"_s, u"Lundi"_s,    u"Mardi"_s,
                                         u"Mercredi"_s, u"Jeudi"_s,    u"Vendredi"_s,
                                         u"Samedi"_s};

bool LocaleSansNoms(const QLocale &locale) { return locale.language() == QLocale::C; }

QString NomMois(int mois, bool court)
{
    const QLocale locale;
    if (LocaleSansNoms(locale))
        return court ? kMoisCourts[mois - 1] : kMoisLongs[mois - 1];
    return locale.monthName(mois, court ? QLocale::ShortFormat : QLocale::LongFormat);
}

QString NomJour(int jourSemaine, bool court) // 1 = Monday .. 7 = Sunday, as QDate gives it
{
    const QLocale locale;
    if (LocaleSansNoms(locale)) {
        const int i = jourSemaine % 7; // Sunday first in the built-in tables
        return court ? kJoursCourts[i] : kJoursLongs[i];
    }
    return locale.dayName(jourSemaine, court ? QLocale::ShortFormat : QLocale::LongFormat);
}

// n in 0..99 (two digits) or 0..9999 (four digits), with leading zeros.
QString Chiffres(int n, int nombreChiffres)
{
    QString texte(nombreChiffres, Qt::Uninitialized);
    for (int i = nombreChiffres - 1; i >= 0; --i, n /= 10)
        texte[i] = QChar(u'0' + n % 10);
    return texte;
}

bool EstChiffre(QChar c) { return c >= u'0' && c <= u'9'; }

} // namespace

const std::array<TChampEXIF, kNbChamps> &ChampsEXIF()
{
    static const std::array<TChampEXIF, kNbChamps> champs{{
        {kIndexAppareil, u'A', u"Appareil"_s},
        {kIndexFocale, u'F', u"Focale"_s},
        {kIndexVitesse, u'V', u"Vitesse"_s},
        {kIndexDiaphragme, u'D', u"Diaphragme"_s},
        {kIndexDate, u'P', u"Date (prise de vue)"_s},
        {kIndexISO, u'I', u"ISO"_s},
    }};
    return champs;
}

QString LettresReference()
{
    static const QString lettres = u"AFVDPI"_s;
    return lettres;
}
QString OrdreParDefaut() { return u"afvdPi"_s; }

QString LegendeChamp(int index)
{
    if (index < 0 || index >= kNbChamps)
        return {};
    return ChampsEXIF()[index].Legende;
}

int IndexDonnee(const QString &legende)
{
    for (const TChampEXIF &champ : ChampsEXIF())
        if (champ.Legende == legende)
            return champ.Index;
    return -1;
}

QString ValiderOrdre(const QString &code)
{
    if (code.size() != kNbChamps)
        return OrdreParDefaut();
    const QString reference = LettresReference();
    bool vus[kNbChamps] = {};
    bool present = false;
    for (QChar c : code) {
        // Only ASCII letters count: toUpper() of a non-ASCII letter (a dotless i, say)
        // could otherwise land on one of the six.
        if (c.unicode() > 0x7F)
            return OrdreParDefaut();
        const int k = reference.indexOf(c.toUpper());
        if (k < 0 || vus[k]) // not a field letter, or a field given twice
            return OrdreParDefaut();
        vus[k] = true;
        if (c.isUpper())
            present = true;
    }
    return present ? code : OrdreParDefaut();
}

QList<TElementOrdre> ElementsDepuisOrdre(const QString &code)
{
    const QString valide = ValiderOrdre(code);
    const QString reference = LettresReference();
    QList<TElementOrdre> elements;
    elements.reserve(kNbChamps);
    for (QChar c : valide) {
        const int k = reference.indexOf(c.toUpper());
        elements.append({k, LegendeChamp(k), c.isUpper()});
    }
    return elements;
}

QString OrdreDepuisElements(const QList<TElementOrdre> &elements)
{
    const QString minuscules = LettresReference().toLower();
    QString code;
    for (const TElementOrdre &e : elements) {
        const int k = IndexDonnee(e.Legende);
        if (k < 0)
            continue;
        code += e.Present ? minuscules[k].toUpper() : minuscules[k];
    }
    return code.size() == kNbChamps ? code : OrdreParDefaut();
}

bool DatePresente(const QString &code) { return ValiderOrdre(code).contains(u'P'); }

QString TexteSeparateur(int index)
{
    static const std::array<QString, kNbSeparateurs> textes{QString(), u" "_s, u"-"_s,
                                                            u"_"_s, u","_s};
    if (index < 0 || index >= kNbSeparateurs)
        return {};
    return textes[index];
}

namespace {

// Format `index` of the date with these parts; `date` is the same date, asked for the
// weekday only (the parts are taken apart once, not at every component).
QString FormaterParties(int annee, int mois, int jour, const QDate &date, int index)
{
    switch (index) {
    case 0: return Chiffres(((annee % 100) + 100) % 100, 2);
    case 1: return annee >= 0 && annee <= 9999 ? Chiffres(annee, 4) : QString::number(annee);
    case 2: return Chiffres(mois, 2);
    case 3: return NomMois(mois, true);
    case 4: return NomMois(mois, false);
    case 5: return Chiffres(jour, 2);
    case 6: return NomJour(date.dayOfWeek(), true);
    case 7: return NomJour(date.dayOfWeek(), false);
    default: return {};
    }
}

} // namespace

QString FormaterComposantDate(const QDate &date, int index)
{
    if (!date.isValid())
        return {};
    int annee = 0, mois = 0, jour = 0;
    date.getDate(&annee, &mois, &jour);
    return FormaterParties(annee, mois, jour, date, index);
}

TComposantsDate DecoderComposants(int nCFDatePDVC)
{
    return {(nCFDatePDVC & 4) != 0, (nCFDatePDVC & 2) != 0, (nCFDatePDVC & 1) != 0};
}

int CoderComposants(const TComposantsDate &composants)
{
    return (composants[0] ? 4 : 0) | (composants[1] ? 2 : 0) | (composants[2] ? 1 : 0);
}

TFormatsDate DecoderFormats(int nCFDatePDVF)
{
    // Each drop-down takes its share of what the previous ones left, as they hold it:
    // an index outside the list leaves the drop-down empty (-1), and that -1 is what the
    // next component's share is computed from.
    const auto tenu = [](int i) { return (i >= 0 && i < kNbFormatsDate) ? i : -1; };
    const qint64 v = nCFDatePDVF;
    const int f1 = tenu(int(v / 100));
    const int f2 = tenu(int((v - 100 * f1) / 10));
    const int f3 = tenu(int(v - 100 * f1 - 10 * f2));
    return {f1, f2, f3};
}

int CoderFormats(const TFormatsDate &formats)
{
    return 100 * formats[0] + 10 * formats[1] + formats[2];
}

namespace {

// "dd/mm/yyyy", as the EXIF reader writes it, taken apart; false when the text has
// another shape or names no calendar day (31/02, 00/05, year 0000...).
bool LireParties(const QString &dateTexte, int &annee, int &mois, int &jour)
{
    if (dateTexte.size() != 10 || dateTexte[2] != u'/' || dateTexte[5] != u'/')
        return false;
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9})
        if (!EstChiffre(dateTexte[i]))
            return false;
    const auto chiffre = [&](int i) { return dateTexte[i].unicode() - u'0'; };
    jour = chiffre(0) * 10 + chiffre(1);
    mois = chiffre(3) * 10 + chiffre(4);
    annee = chiffre(6) * 1000 + chiffre(7) * 100 + chiffre(8) * 10 + chiffre(9);
    return QDate::isValid(annee, mois, jour);
}

} // namespace

QString ComposerDate(const QString &dateTexte, const QString &separateur,
                     const TComposantsDate &composants, const TFormatsDate &formats)
{
    int annee = 0, mois = 0, jour = 0;
    if (!LireParties(dateTexte, annee, mois, jour))
        return {};
    const QDate date(annee, mois, jour);
    QString resultat;
    for (int n = 0; n < kNbComposantsDate; ++n) {
        if (!composants[n])
            continue;
        const QString texte = FormaterParties(annee, mois, jour, date, formats[n]);
        if (texte.isEmpty())
            continue;
        if (!resultat.isEmpty())
            resultat += separateur;
        resultat += texte;
    }
    return resultat;
}

QString ComposerDate(const QString &dateTexte, const QString &separateur,
                     const TEnrOptions &options)
{
    return ComposerDate(dateTexte, separateur, DecoderComposants(options.nCFDatePDVC),
                        DecoderFormats(options.nCFDatePDVF));
}

bool AuMoinsDeuxComposants(const TComposantsDate &composants)
{
    return (composants[0] && composants[1]) || (composants[0] && composants[2])
        || (composants[1] && composants[2]);
}

bool HierarchieEnVigueur(const TEnrOptions &options)
{
    return options.lCopier && DatePresente(options.cOrdreDonEXIF)
        && AuMoinsDeuxComposants(DecoderComposants(options.nCFDatePDVC))
        && options.lDatePDVHierCompoSiCopie;
}

TEnrOptions NormaliserOptions(TEnrOptions options)
{
    options.cOrdreDonEXIF = ValiderOrdre(options.cOrdreDonEXIF);
    if (options.nSep < 0 || options.nSep >= kNbSeparateurs)
        options.nSep = kDefauts.nSep;
    if (options.nDatePDVSep < 0 || options.nDatePDVSep >= kNbSeparateurs)
        options.nDatePDVSep = kDefauts.nDatePDVSep;
    // At least one component stays enabled: with none stored, the window's rule (the
    // last box unchecked is checked again) leaves the third one on.
    if (options.nCFDatePDVC == 0)
        options.nCFDatePDVC = 1;
    else if (options.nCFDatePDVC < 0 || options.nCFDatePDVC > 7)
        options.nCFDatePDVC = kDefauts.nCFDatePDVC;
    const TFormatsDate f = DecoderFormats(options.nCFDatePDVF);
    if (options.nCFDatePDVF < 0 || options.nCFDatePDVF > 777 || f[0] < 0 || f[1] < 0
        || f[2] < 0 || CoderFormats(f) != options.nCFDatePDVF)
        options.nCFDatePDVF = kDefauts.nCFDatePDVF;
    return options;
}
