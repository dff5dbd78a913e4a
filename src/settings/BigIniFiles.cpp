#include "settings/BigIniFiles.h"

#include <cerrno>
#include <limits>

#include <QStringDecoder>

#include "commun/Chemins.h"
#include "commun/EcritureRemplacement.h"
#include "commun/NomsFichiers.h"
#include "commun/Windows1252.h"

using namespace Qt::StringLiterals;

namespace {

constexpr char kBomUtf8[] = "\xEF\xBB\xBF";

// A line ends at CR, at LF, or at CR LF; a final line ending opens no empty line.
QStringList CouperLignes(const QString &texte)
{
    QStringList lignes;
    const qsizetype n = texte.size();
    qsizetype debut = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = texte.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lignes.append(texte.mid(debut, i - debut));
        if (c == u'\r' && i + 1 < n && texte.at(i + 1) == u'\n')
            ++i;
        debut = i + 1;
    }
    if (debut < n)
        lignes.append(texte.mid(debut));
    return lignes;
}

bool EstEntete(const QString &ligne)
{
    return ligne.size() >= 2 && ligne.startsWith(u'[') && ligne.endsWith(u']');
}

bool AUnSautDeLigne(const QString &texte)
{
    return texte.contains(u'\r') || texte.contains(u'\n');
}

// An optional sign, then one or more ASCII digits, within the range of an int.
bool LireEntier(const QString &texte, int &valeur)
{
    qsizetype i = 0;
    bool negatif = false;
    if (i < texte.size() && (texte.at(i) == u'-' || texte.at(i) == u'+')) {
        negatif = texte.at(i) == u'-';
        ++i;
    }
    if (i == texte.size())
        return false;
    const qint64 limite = negatif ? -qint64(std::numeric_limits<int>::min())
                                  : qint64(std::numeric_limits<int>::max());
    qint64 n = 0;
    for (; i < texte.size(); ++i) {
        const char16_t c = texte.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        n = n * 10 + (c - u'0');
        if (n > limite)
            return false;
    }
    valeur = int(negatif ? -n : n);
    return true;
}

} // namespace

TBigIniFile::TBigIniFile(const QString &nomFichier)
    : m_nomFichier(nomFichier)
{
    Lire();
}

TBigIniFile::~TBigIniFile() = default;

void TBigIniFile::Lire()
{
    // A fifo of that name would keep the opening waiting for a writer, a device (a link to
    // /dev/zero) would give bytes without end: the file is opened without waiting (a link
    // followed), used only when it is a regular file, and read up to the size it had then.
    // Anything else is unreadable: the defaults apply and nothing is written back over it.
    // Something else than a regular file is not even opened: opening a device may act on it.
    QByteArray octets;
    if (const int erreur = LireFichier(NomEnOctets(m_nomFichier), std::numeric_limits<qint64>::max(), octets)) {
        m_illisible = erreur != ENOENT;
        return;
    }
    QString texte;
    m_bom = octets.startsWith(kBomUtf8);
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    texte = utf8(QByteArrayView(octets).sliced(m_bom ? 3 : 0));
    if (utf8.hasError()) {
        m_bom = false;
        texte = DepuisWindows1252(octets);
    }
    m_lignes = CouperLignes(texte);
    for (int i = 0; i < m_lignes.size(); ++i) {
        const QString &ligne = m_lignes.at(i);
        if (!EstEntete(ligne))
            continue;
        const QString nom = ligne.mid(1, ligne.size() - 2);
        m_sections.append({nom, i});
        m_nomsMajuscules.append(nom.toUpper());
    }
}

int TBigIniFile::ChercherSection(const QString &section) const
{
    return int(m_nomsMajuscules.indexOf(section.toUpper()));
}

int TBigIniFile::FinSection(int indexSection) const
{
    return indexSection + 1 < m_sections.size() ? m_sections.at(indexSection + 1).Ligne
                                                : int(m_lignes.size());
}

int TBigIniFile::ChercherLigne(int indexSection, const QString &cle) const
{
    if (indexSection < 0)
        return -1;
    const int fin = FinSection(indexSection);
    for (int i = m_sections.at(indexSection).Ligne + 1; i < fin; ++i) {
        const QString &ligne = m_lignes.at(i);
        if (ligne.size() > cle.size() && ligne.at(cle.size()) == u'=' && ligne.startsWith(cle))
            return i;
    }
    return -1;
}

QString TBigIniFile::ReadString(const QString &section, const QString &cle,
                                const QString &defaut) const
{
    const int ligne = ChercherLigne(ChercherSection(section), cle);
    return ligne < 0 ? defaut : m_lignes.at(ligne).mid(cle.size() + 1);
}

int TBigIniFile::ReadInteger(const QString &section, const QString &cle, int defaut) const
{
    int valeur = 0;
    return LireEntier(ReadString(section, cle, QString()), valeur) ? valeur : defaut;
}

bool TBigIniFile::ReadBool(const QString &section, const QString &cle, bool defaut) const
{
    return ReadInteger(section, cle, defaut ? 1 : 0) != 0;
}

bool TBigIniFile::ValueExists(const QString &section, const QString &cle) const
{
    return ChercherLigne(ChercherSection(section), cle) >= 0;
}

bool TBigIniFile::WriteString(const QString &section, const QString &cle, const QString &valeur)
{
    // A line break would split the entry into lines that read back as something else.
    if (AUnSautDeLigne(section) || AUnSautDeLigne(cle) || AUnSautDeLigne(valeur))
        return false;
    const QString nouvelle = cle + u'=' + valeur;
    const int indexSection = ChercherSection(section);
    const int ligne = ChercherLigne(indexSection, cle);
    if (ligne >= 0) {
        m_lignes[ligne] = nouvelle;
    } else if (indexSection < 0) {
        m_sections.append({section, int(m_lignes.size())});
        m_nomsMajuscules.append(section.toUpper());
        m_lignes.append(u'[' + section + u']');
        m_lignes.append(nouvelle);
    } else {
        m_lignes.insert(FinSection(indexSection), nouvelle);
        for (qsizetype i = indexSection + 1; i < m_sections.size(); ++i)
            ++m_sections[i].Ligne;
    }
    if (m_autoSave)
        UpdateFile();
    return true;
}

bool TBigIniFile::WriteInteger(const QString &section, const QString &cle, int valeur)
{
    return WriteString(section, cle, QString::number(valeur));
}

bool TBigIniFile::WriteBool(const QString &section, const QString &cle, bool valeur)
{
    return WriteString(section, cle, valeur ? u"1"_s : u"0"_s);
}

bool TBigIniFile::UpdateFile()
{
    // Writing our lines over a file we could not read would throw its contents away.
    if (m_illisible)
        return false;
    QByteArray octets;
    if (m_bom)
        octets.append(kBomUtf8);
    for (const QString &ligne : std::as_const(m_lignes)) {
        octets.append(ligne.toUtf8());
        octets.append("\r\n");
    }
    return RemplacerFichier(NomEnOctets(m_nomFichier), octets);
}
