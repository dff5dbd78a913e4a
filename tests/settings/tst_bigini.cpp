// The settings file class: how lines, sections and keys are read, how writes keep every
// other line in place, the encodings, and saves that must fail without harm.
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <thread>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include "Fichiers.h"
#include "Fils.h"
#include "LectureSeule.h"
#include "settings/BigIniFiles.h"

using namespace Qt::StringLiterals;

namespace {

// The file names of a folder, hidden ones included (a leftover temporary file shows here).
QStringList Fichiers(const QString &dossier)
{
    return QDir(dossier).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A mount made by a test (root only), undone when the test ends whatever its outcome.
class TMontage {
public:
    TMontage(const QString &source, const QString &cible, const char *type, unsigned long options,
             const char *donnees)
        : m_cible(QFile::encodeName(cible))
    {
        m_monte = ::mount(QFile::encodeName(source).constData(), m_cible.constData(), type,
                          options, donnees) == 0;
    }
    ~TMontage()
    {
        if (m_monte)
            ::umount2(m_cible.constData(), MNT_DETACH);
    }
    TMontage(const TMontage &) = delete;
    TMontage &operator=(const TMontage &) = delete;
    bool Monte() const { return m_monte; }

private:
    QByteArray m_cible;
    bool m_monte = false;
};

// Drops, for the calling thread only, the capabilities that let root read and write any
// file, so that permission bits apply to it. Capabilities are per thread on Linux.
bool PerdreDroitsLecture()
{
    __user_cap_header_struct entete{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct donnees[2]{};
    if (::syscall(SYS_capget, &entete, donnees) != 0)
        return false;
    for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH})
        donnees[cap / 32].effective &= ~(1u << (cap % 32));
    return ::syscall(SYS_capset, &entete, donnees) == 0;
}

const QByteArray kAncien = "; mes reglages\r\n[GENERAL]\r\nnSep=3\r\n[Autre]\r\nx=1\r\n";

} // namespace

class TestBigIni : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dossier;
    QString m_ini;

    std::unique_ptr<TBigIniFile> Charger(const QByteArray &octets)
    {
        if (!EcrireFichier(m_ini, octets))
            qFatal("cannot write the test file");
        return std::make_unique<TBigIniFile>(m_ini);
    }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void init()
    {
        m_dossier.~QTemporaryDir();
        new (&m_dossier) QTemporaryDir();
        QVERIFY(m_dossier.isValid());
        m_ini = m_dossier.filePath(u"Clarvane.ini"_s);
    }

    void lignes_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QStringList>("lignes");
        QTest::newRow("LF") << QByteArray("a\nb\n") << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("CR") << QByteArray("a\rb\r") << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("mixed") << QByteArray("a\rb\nc\r\nd")
                               << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
        QTest::newRow("no final ending") << QByteArray("a\r\nb") << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("blank lines kept") << QByteArray("a\r\n\r\n\nb\r\n\r\n")
                                          << QStringList{u"a"_s, u""_s, u""_s, u"b"_s, u""_s};
        QTest::newRow("CR CR LF is two endings") << QByteArray("a\r\r\nb")
                                                 << QStringList{u"a"_s, u""_s, u"b"_s};
        QTest::newRow("LF CR is two endings") << QByteArray("a\n\rb")
                                              << QStringList{u"a"_s, u""_s, u"b"_s};
        QTest::newRow("nothing trimmed") << QByteArray("  [A] \t\r\n k = v \r\n")
                                         << QStringList{u"  [A] \t"_s, u" k = v "_s};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("one empty line") << QByteArray("\r\n") << QStringList{u""_s};
    }
    // Lines as read, and written back with CR LF after every one.
    void lignes()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QStringList, lignes);
        auto ini = Charger(octets);
        QCOMPARE(ini->Lignes(), lignes);
        QVERIFY(ini->UpdateFile());
        QByteArray attendu;
        for (const QString &l : lignes)
            attendu += l.toUtf8() + "\r\n";
        QCOMPARE(LireFichier(m_ini), attendu);
    }

    void sections()
    {
        auto ini = Charger("x=0\n[A]\n[]\n[B] \n [C]\n[\n]\n[[D]]\n[A]\n[a]b]\n");
        QList<QPair<QString, int>> vues;
        for (const TSectionIni &s : ini->Sections())
            vues.append({s.Nom, s.Ligne});
        const QList<QPair<QString, int>> attendues{
            {u"A"_s, 1}, {u""_s, 2}, {u"[D]"_s, 7}, {u"A"_s, 8}, {u"a]b"_s, 9}};
        QCOMPARE(vues, attendues);
    }

    void lecture_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("cle");
        QTest::addColumn<QString>("attendu"); // "<defaut>" when missing

        const QByteArray base = "[GENERAL]\r\ncDossSrc=/photos/\r\nvide=\r\n";
        QTest::newRow("plain") << base << u"GENERAL"_s << u"cDossSrc"_s << u"/photos/"_s;
        QTest::newRow("empty value is not the default") << base << u"GENERAL"_s << u"vide"_s << u""_s;
        QTest::newRow("section case ignored") << base << u"general"_s << u"cDossSrc"_s << u"/photos/"_s;
        QTest::newRow("key case counts") << base << u"GENERAL"_s << u"cdosssrc"_s << u"<defaut>"_s;
        QTest::newRow("missing key") << base << u"GENERAL"_s << u"nSep"_s << u"<defaut>"_s;
        QTest::newRow("missing section") << base << u"AUTRE"_s << u"cDossSrc"_s << u"<defaut>"_s;
        QTest::newRow("lower-case header") << QByteArray("[general]\nnSep=4\n") << u"GENERAL"_s
                                           << u"nSep"_s << u"4"_s;
        QTest::newRow("accented section upper-cased")
            << QByteArray("[réglages]\nk=v\n") << u"RÉGLAGES"_s << u"k"_s << u"v"_s;
        QTest::newRow("spaces around =") << QByteArray("[GENERAL]\nnSep = 3\n") << u"GENERAL"_s
                                         << u"nSep"_s << u"<defaut>"_s;
        QTest::newRow("key with spaces is its own key")
            << QByteArray("[GENERAL]\nnSep = 3\n") << u"GENERAL"_s << u"nSep "_s << u" 3"_s;
        QTest::newRow("longer key is another key") << QByteArray("[G]\nnSepX=1\nnSep=2\n")
                                                   << u"G"_s << u"nSep"_s << u"2"_s;
        QTest::newRow("value holds =") << QByteArray("[G]\nc=a=b==c\n") << u"G"_s << u"c"_s
                                       << u"a=b==c"_s;
        QTest::newRow("value kept untrimmed") << QByteArray("[G]\nc= a b \n") << u"G"_s << u"c"_s
                                              << u" a b "_s;
        QTest::newRow("first key wins") << QByteArray("[G]\nk=1\nk=2\n") << u"G"_s << u"k"_s << u"1"_s;
        QTest::newRow("first section wins")
            << QByteArray("[GENERAL]\na=1\n[GENERAL]\nk=2\n") << u"GENERAL"_s << u"k"_s
            << u"<defaut>"_s;
        QTest::newRow("before first header never read")
            << QByteArray("nSep=4\n[GENERAL]\n") << u"GENERAL"_s << u"nSep"_s << u"<defaut>"_s;
        QTest::newRow("key of a later section")
            << QByteArray("[A]\n[B]\nk=1\n") << u"A"_s << u"k"_s << u"<defaut>"_s;
        QTest::newRow("header with trailing space is a line of the section")
            << QByteArray("[A]\n[B] \nk=1\n") << u"A"_s << u"k"_s << u"1"_s;
        QTest::newRow("empty section name") << QByteArray("[]\nk=1\n") << u""_s << u"k"_s << u"1"_s;
        QTest::newRow("comment is no entry") << QByteArray("[G]\n;k=1\n#k=2\nk=3\n") << u"G"_s
                                             << u"k"_s << u"3"_s;
        QTest::newRow("CR-only file") << QByteArray("[G]\rk=1\r") << u"G"_s << u"k"_s << u"1"_s;
    }
    void lecture()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QString, section);
        QFETCH(QString, cle);
        QFETCH(QString, attendu);
        auto ini = Charger(octets);
        const QString defaut = u"<defaut>"_s;
        QCOMPARE(ini->ReadString(section, cle, defaut), attendu);
        QCOMPARE(ini->ValueExists(section, cle), attendu != defaut);
    }

    void entier_data()
    {
        QTest::addColumn<QString>("valeur");
        QTest::addColumn<int>("attendu"); // the default is 42
        QTest::newRow("digits") << u"3"_s << 3;
        QTest::newRow("minus") << u"-1"_s << -1;
        QTest::newRow("plus") << u"+7"_s << 7;
        QTest::newRow("leading zeros") << u"007"_s << 7;
        QTest::newRow("zero") << u"0"_s << 0;
        QTest::newRow("max") << u"2147483647"_s << 2147483647;
        QTest::newRow("min") << u"-2147483648"_s << int(-2147483648LL);
        QTest::newRow("above max") << u"2147483648"_s << 42;
        QTest::newRow("below min") << u"-2147483649"_s << 42;
        QTest::newRow("far beyond 64 bits") << u"123456789012345678901234567890"_s << 42;
        QTest::newRow("empty") << u""_s << 42;
        QTest::newRow("leading space") << u" 3"_s << 42;
        QTest::newRow("trailing space") << u"3 "_s << 42;
        QTest::newRow("3x") << u"3x"_s << 42;
        QTest::newRow("sign only") << u"-"_s << 42;
        QTest::newRow("two signs") << u"--3"_s << 42;
        QTest::newRow("hex") << u"0x10"_s << 42;
        QTest::newRow("decimal comma") << u"3,5"_s << 42;
        QTest::newRow("non-ASCII digit") << u"\u0663"_s << 42;
        QTest::newRow("fullwidth digit") << u"\uFF13"_s << 42;
    }
    void entier()
    {
        QFETCH(QString, valeur);
        QFETCH(int, attendu);
        auto ini = Charger("[G]\nn=" + valeur.toUtf8() + "\n");
        QCOMPARE(ini->ReadInteger(u"G"_s, u"n"_s, 42), attendu);
        QCOMPARE(ini->ReadInteger(u"G"_s, u"absent"_s, 42), 42);
    }

    void booleen_data()
    {
        QTest::addColumn<QByteArray>("ligne");
        QTest::addColumn<bool>("siDefautVrai");
        QTest::addColumn<bool>("siDefautFaux");
        QTest::newRow("1") << QByteArray("l=1") << true << true;
        QTest::newRow("2") << QByteArray("l=2") << true << true;
        QTest::newRow("-1") << QByteArray("l=-1") << true << true;
        QTest::newRow("0") << QByteArray("l=0") << false << false;
        QTest::newRow("oui") << QByteArray("l=oui") << true << false;
        QTest::newRow("true") << QByteArray("l=true") << true << false;
        QTest::newRow("empty") << QByteArray("l=") << true << false;
        QTest::newRow("missing") << QByteArray("m=0") << true << false;
    }
    void booleen()
    {
        QFETCH(QByteArray, ligne);
        QFETCH(bool, siDefautVrai);
        QFETCH(bool, siDefautFaux);
        auto ini = Charger("[G]\r\n" + ligne + "\r\n");
        QCOMPARE(ini->ReadBool(u"G"_s, u"l"_s, true), siDefautVrai);
        QCOMPARE(ini->ReadBool(u"G"_s, u"l"_s, false), siDefautFaux);
    }

    void ecriture_data()
    {
        QTest::addColumn<QByteArray>("avant");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("cle");
        QTest::addColumn<QByteArray>("apres");
        QTest::newRow("replaced in place")
            << QByteArray("[A]\nk=1\nj=2\n[B]\nk=3\n") << u"A"_s << u"k"_s
            << QByteArray("[A]\r\nk=V\r\nj=2\r\n[B]\r\nk=3\r\n");
        QTest::newRow("inserted after the blank lines, before the next header")
            << QByteArray("[A]\nx=1\n\n\n[B]\ny=2\n") << u"A"_s << u"k"_s
            << QByteArray("[A]\r\nx=1\r\n\r\n\r\nk=V\r\n[B]\r\ny=2\r\n");
        QTest::newRow("inserted at the end of the last section")
            << QByteArray("[A]\nx=1\n[B]\ny=2\n; fin\n") << u"b"_s << u"k"_s
            << QByteArray("[A]\r\nx=1\r\n[B]\r\ny=2\r\n; fin\r\nk=V\r\n");
        QTest::newRow("new section appended")
            << QByteArray("; c\n[A]\nx=1") << u"Nouvelle"_s << u"k"_s
            << QByteArray("; c\r\n[A]\r\nx=1\r\n[Nouvelle]\r\nk=V\r\n");
        QTest::newRow("lower-case header kept") << QByteArray("[general]\nnSep=1\n") << u"GENERAL"_s
                                                << u"nSep"_s << QByteArray("[general]\r\nnSep=V\r\n");
        QTest::newRow("spaced line kept, entry added")
            << QByteArray("[GENERAL]\nnSep = 3\n") << u"GENERAL"_s << u"nSep"_s
            << QByteArray("[GENERAL]\r\nnSep = 3\r\nnSep=V\r\n");
        QTest::newRow("only the first of two sections")
            << QByteArray("[GENERAL]\na=1\n[GENERAL]\nk=2\n") << u"GENERAL"_s << u"k"_s
            << QByteArray("[GENERAL]\r\na=1\r\nk=V\r\n[GENERAL]\r\nk=2\r\n");
        QTest::newRow("first of two entries")
            << QByteArray("[A]\nk=1\nk=2\n") << u"A"_s << u"k"_s << QByteArray("[A]\r\nk=V\r\nk=2\r\n");
        QTest::newRow("look-alike before the first header untouched")
            << QByteArray("k=0\n[A]\n") << u"A"_s << u"k"_s << QByteArray("k=0\r\n[A]\r\nk=V\r\n");
        QTest::newRow("empty file") << QByteArray() << u"GENERAL"_s << u"k"_s
                                    << QByteArray("[GENERAL]\r\nk=V\r\n");
    }
    void ecriture()
    {
        QFETCH(QByteArray, avant);
        QFETCH(QString, section);
        QFETCH(QString, cle);
        QFETCH(QByteArray, apres);
        auto ini = Charger(avant);
        ini->SetAutoSave(false);
        QVERIFY(ini->WriteString(section, cle, u"V"_s));
        QCOMPARE(ini->ReadString(section, cle, QString()), u"V"_s);
        QVERIFY(ini->UpdateFile());
        QCOMPARE(LireFichier(m_ini), apres);
        // The section list kept up to date equals the one a fresh load builds.
        TBigIniFile relu(m_ini);
        QCOMPARE(relu.Lignes(), ini->Lignes());
        QCOMPARE(relu.Sections().size(), ini->Sections().size());
        for (qsizetype i = 0; i < relu.Sections().size(); ++i) {
            QCOMPARE(ini->Sections().at(i).Nom, relu.Sections().at(i).Nom);
            QCOMPARE(ini->Sections().at(i).Ligne, relu.Sections().at(i).Ligne);
        }
    }

    // Inserting into an early section moves every later header by one line each time.
    void sectionsSuivies()
    {
        auto ini = Charger("[A]\n[B]\nb=1\n[C]\n\n[D]\n");
        ini->SetAutoSave(false);
        for (int i = 0; i < 3; ++i)
            QVERIFY(ini->WriteInteger(u"A"_s, u"k"_s + QString::number(i), i));
        QVERIFY(ini->WriteString(u"C"_s, u"c"_s, u"x"_s));
        QVERIFY(ini->WriteString(u"E"_s, u"e"_s, u"y"_s));
        const QList<int> lignes{0, 4, 6, 9, 10};
        QCOMPARE(ini->Sections().size(), lignes.size());
        for (qsizetype i = 0; i < lignes.size(); ++i)
            QCOMPARE(ini->Sections().at(i).Ligne, lignes.at(i));
        QCOMPARE(ini->ReadString(u"B"_s, u"b"_s, QString()), u"1"_s);
        QCOMPARE(ini->ReadString(u"D"_s, u"c"_s, u"-"_s), u"-"_s);
        QCOMPARE(ini->ReadString(u"E"_s, u"e"_s, QString()), u"y"_s);
        QCOMPARE(ini->ReadInteger(u"A"_s, u"k2"_s, -1), 2);
    }

    void nombresEtBooleens()
    {
        auto ini = Charger("");
        ini->SetAutoSave(false);
        ini->WriteInteger(u"G"_s, u"n"_s, -2147483647 - 1);
        ini->WriteInteger(u"G"_s, u"p"_s, 25);
        ini->WriteBool(u"G"_s, u"v"_s, true);
        ini->WriteBool(u"G"_s, u"f"_s, false);
        QCOMPARE(ini->Lignes(), (QStringList{u"[G]"_s, u"n=-2147483648"_s, u"p=25"_s, u"v=1"_s,
                                             u"f=0"_s}));
        QCOMPARE(ini->ReadInteger(u"G"_s, u"n"_s, 0), -2147483647 - 1);
    }

    // A line break in a value (a Linux folder name may hold one) would split the entry.
    void sautDeLigneRefuse_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("cle");
        QTest::addColumn<QString>("valeur");
        QTest::newRow("LF in value") << u"G"_s << u"k"_s << u"/a\n[GENERAL]\nnSep=4/"_s;
        QTest::newRow("CR in value") << u"G"_s << u"k"_s << u"/a\r/"_s;
        QTest::newRow("LF in key") << u"G"_s << u"k\nx"_s << u"v"_s;
        QTest::newRow("CR in section") << u"G\r"_s << u"k"_s << u"v"_s;
    }
    void sautDeLigneRefuse()
    {
        QFETCH(QString, section);
        QFETCH(QString, cle);
        QFETCH(QString, valeur);
        auto ini = Charger("[G]\r\nk=ancien\r\n");
        QVERIFY(!ini->WriteString(section, cle, valeur));
        QCOMPARE(ini->Lignes(), (QStringList{u"[G]"_s, u"k=ancien"_s}));
        QCOMPARE(ini->Sections().size(), 1);
        QCOMPARE(LireFichier(m_ini), QByteArray("[G]\r\nk=ancien\r\n"));
    }

    void sauvegardeAutomatique()
    {
        auto ini = Charger("[G]\r\n");
        QVERIFY(ini->AutoSave());
        ini->WriteString(u"G"_s, u"a"_s, u"1"_s);
        QCOMPARE(LireFichier(m_ini), QByteArray("[G]\r\na=1\r\n"));
        ini->SetAutoSave(false);
        ini->WriteString(u"G"_s, u"b"_s, u"2"_s);
        QCOMPARE(LireFichier(m_ini), QByteArray("[G]\r\na=1\r\n"));
        ini.reset(); // the destructor does not save
        QCOMPARE(LireFichier(m_ini), QByteArray("[G]\r\na=1\r\n"));
    }

    void fichierAbsentCree()
    {
        TBigIniFile ini(m_ini);
        QVERIFY(ini.Lignes().isEmpty());
        QVERIFY(ini.Sections().isEmpty());
        QCOMPARE(ini.ReadString(u"G"_s, u"k"_s, u"d"_s), u"d"_s);
        QVERIFY(!QFile::exists(m_ini)); // reading creates nothing
        ini.SetAutoSave(false);
        ini.WriteString(u"G"_s, u"k"_s, u"v"_s);
        QVERIFY(ini.UpdateFile());
        QCOMPARE(LireFichier(m_ini), QByteArray("[G]\r\nk=v\r\n"));
        QCOMPARE(Fichiers(m_dossier.path()), QStringList{u"Clarvane.ini"_s});
    }

    void encodage_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("valeur");
        QTest::addColumn<QByteArray>("ecrit");
        QTest::newRow("UTF-8") << QByteArray("[G]\r\nc=/Photos/Été 2006/\r\n")
                               << u"/Photos/Été 2006/"_s
                               << QByteArray("[G]\r\nc=/Photos/Été 2006/\r\nx=1\r\n");
        QTest::newRow("Windows-1252")
            << QByteArray("[G]\r\nc=C:\\Photos\\\xC9t\xE9 \x80 \x96 No\xEBl \x9C\x9F\\\r\n")
            << u"C:\\Photos\\Été € – Noël œŸ\\"_s
            << QByteArray("[G]\r\nc=C:\\Photos\\Été € – Noël œŸ\\\r\nx=1\r\n");
        QTest::newRow("undefined Windows-1252 code")
            << QByteArray("[G]\nc=a\x81\xFF\n") << u"a\u0081\u00FF"_s
            << QByteArray("[G]\r\nc=a\u0081\u00FF\r\nx=1\r\n");
        QTest::newRow("truncated UTF-8 sequence is Windows-1252")
            << QByteArray("[G]\nc=\xC3") << u"\u00C3"_s << QByteArray("[G]\r\nc=\u00C3\r\nx=1\r\n");
        QTest::newRow("byte order mark kept")
            << QByteArray("\xEF\xBB\xBF[G]\nc=é\n") << u"é"_s
            << QByteArray("\xEF\xBB\xBF[G]\r\nc=é\r\nx=1\r\n");
    }
    // Read as UTF-8 or Windows-1252, written back as UTF-8 with the same texts.
    void encodage()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QString, valeur);
        QFETCH(QByteArray, ecrit);
        auto ini = Charger(octets);
        QCOMPARE(ini->ReadString(u"G"_s, u"c"_s, QString()), valeur);
        ini->SetAutoSave(false);
        ini->WriteInteger(u"G"_s, u"x"_s, 1);
        QVERIFY(ini->UpdateFile());
        QCOMPARE(LireFichier(m_ini), ecrit);
        QCOMPARE(TBigIniFile(m_ini).ReadString(u"G"_s, u"c"_s, QString()), valeur);
    }

    void droitsConserves()
    {
        auto ini = Charger("[G]\r\n");
        const auto droits = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(m_ini, droits));
        ini->SetAutoSave(false);
        ini->WriteString(u"G"_s, u"k"_s, u"v"_s);
        QVERIFY(ini->UpdateFile());
        QCOMPARE(QFile::permissions(m_ini) & ~(QFile::ReadUser | QFile::WriteUser), droits);
    }

    // ---- Saves that must fail and leave the disk as it was -------------------------------

    void dossierLectureSeule()
    {
        TDossierLectureSeule dossier({{u"Clarvane.ini"_s, kAncien}});
        if (!dossier.Valide())
            QSKIP(qPrintable(u"no read-only folder: "_s + dossier.Pourquoi()));
        TBigIniFile ini(dossier.Chemin() + u"Clarvane.ini"_s);
        QCOMPARE(ini.ReadInteger(u"GENERAL"_s, u"nSep"_s, 0), 3);
        ini.WriteInteger(u"GENERAL"_s, u"nSep"_s, 1); // AutoSave set: tries at once
        ini.WriteString(u"Nouvelle"_s, u"k"_s, u"v"_s);
        QVERIFY(!ini.UpdateFile());
        QCOMPARE(LireFichier(dossier.Chemin() + u"Clarvane.ini"_s), kAncien);
        QCOMPARE(Fichiers(dossier.Chemin()), QStringList{u"Clarvane.ini"_s});

        TBigIniFile nouveau(dossier.Chemin() + u"Autre.ini"_s);
        nouveau.WriteString(u"G"_s, u"k"_s, u"v"_s);
        QVERIFY(!nouveau.UpdateFile());
        QCOMPARE(Fichiers(dossier.Chemin()), QStringList{u"Clarvane.ini"_s});
    }

    // The folder would let a rename through; the file itself refuses writes.
    void fichierLectureSeule()
    {
        auto ini = Charger(kAncien);
        if (!RendreImmuable(m_ini))
            QSKIP("chattr +i is not available here (needs root and a file system that has it)");
        ini->WriteInteger(u"GENERAL"_s, u"nSep"_s, 1);
        const bool sauve = ini->UpdateFile();
        const QStringList fichiers = Fichiers(m_dossier.path());
        const QByteArray contenu = LireFichier(m_ini);
        RendreImmuable(m_ini, false);
        QVERIFY(!sauve);
        QCOMPARE(contenu, kAncien);
        QCOMPARE(fichiers, QStringList{u"Clarvane.ini"_s});
    }

    // A file whose permission bits refuse writing, in a folder that would let a rename
    // replace it. Run in a thread without root's override, so that the bits apply.
    void fichierSansDroitEcriture()
    {
        auto ini = Charger(kAncien);
        ini->SetAutoSave(false);
        ini->WriteInteger(u"GENERAL"_s, u"nSep"_s, 1);
        QVERIFY(QFile::setPermissions(m_ini, QFile::ReadOwner | QFile::ReadGroup));
        bool refuse = false;
        bool sauve = true;
        std::thread ecrivain([&] {
            if (!PerdreDroitsLecture())
                return;
            QFile essai(m_ini);
            refuse = !essai.open(QIODevice::WriteOnly | QIODevice::Append);
            sauve = ini->UpdateFile();
        });
        ecrivain.join();
        if (!refuse)
            QSKIP("cannot make a file unwritable for this thread");
        QVERIFY(!sauve);
        QCOMPARE(LireFichier(m_ini), kAncien);
        QCOMPARE(Fichiers(m_dossier.path()), QStringList{u"Clarvane.ini"_s});
    }

    void disquePlein()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a small tmpfs needs root");
        const QString dossier = m_dossier.filePath(u"petit/"_s);
        QVERIFY(QDir().mkpath(dossier));
        TMontage montage(u"tmpfs"_s, dossier, "tmpfs", 0, "size=64k");
        if (!montage.Monte())
            QSKIP("cannot mount a tmpfs here");
        const QString chemin = dossier + u"Clarvane.ini"_s;
        QVERIFY(EcrireFichier(chemin, kAncien));
        TBigIniFile ini(chemin);
        ini.SetAutoSave(false);
        { // fill the rest of the disk
            QFile plein(dossier + u"plein"_s);
            QVERIFY(plein.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray bloc(4096, 'x');
            while (plein.write(bloc) == bloc.size()) {
            }
        }
        ini.WriteString(u"GENERAL"_s, u"cDossSrc"_s, QString(8000, u'é'));
        QVERIFY(!ini.UpdateFile());
        QCOMPARE(LireFichier(chemin), kAncien);
        QCOMPARE(Fichiers(dossier), (QStringList{u"Clarvane.ini"_s, u"plein"_s}));
    }

    // The last step, the rename over the old file, fails: a file that is a mount point
    // cannot be replaced (EBUSY), though it can be opened for writing.
    void renommageEchoue()
    {
        if (::geteuid() != 0)
            QSKIP("a bind mount needs root");
        QVERIFY(EcrireFichier(m_ini, kAncien));
        const QString source = m_dossier.filePath(u"source.ini"_s);
        QVERIFY(EcrireFichier(source, kAncien));
        TMontage montage(source, m_ini, nullptr, MS_BIND, nullptr);
        if (!montage.Monte())
            QSKIP("cannot bind-mount a file here");
        TBigIniFile ini(m_ini);
        ini.SetAutoSave(false);
        ini.WriteInteger(u"GENERAL"_s, u"nSep"_s, 1);
        ini.WriteString(u"Autre"_s, u"y"_s, u"2"_s);
        QVERIFY(!ini.UpdateFile());
        QCOMPARE(LireFichier(m_ini), kAncien);
        QCOMPARE(LireFichier(source), kAncien);
        QCOMPARE(Fichiers(m_dossier.path()), (QStringList{u"Clarvane.ini"_s, u"source.ini"_s}));
    }

    // An existing file that could not be read is never replaced by what little we know.
    void fichierIllisible()
    {
        QVERIFY(EcrireFichier(m_ini, kAncien));
        QVERIFY(QFile::setPermissions(m_ini, QFileDevice::Permissions()));
        std::unique_ptr<TBigIniFile> ini;
        bool refuse = false;
        std::thread lecteur([&] {
            if (!PerdreDroitsLecture())
                return;
            QFile essai(m_ini);
            refuse = !essai.open(QIODevice::ReadOnly);
            ini = std::make_unique<TBigIniFile>(m_ini);
        });
        lecteur.join();
        QFile::setPermissions(m_ini, QFile::ReadOwner | QFile::WriteOwner);
        if (!refuse)
            QSKIP("cannot make a file unreadable for this thread");
        QVERIFY(ini->Lignes().isEmpty());
        ini->SetAutoSave(false);
        ini->WriteInteger(u"GENERAL"_s, u"nSep"_s, 1);
        QVERIFY(!ini->UpdateFile()); // this thread could write it
        QCOMPARE(LireFichier(m_ini), kAncien);
    }

    // Something else than a regular file under the settings' name: the program opens its
    // window at once with the defaults (no wait on a fifo, no endless read of a device),
    // and never writes over it at exit. A link to a regular file is followed, as always.
    void fichierSpecial_data()
    {
        QTest::addColumn<QString>("cas");
        QTest::addColumn<bool>("lu");
        QTest::newRow("fifo") << u"fifo"_s << false;
        QTest::newRow("lien vers /dev/zero") << u"zéro"_s << false;
        QTest::newRow("dossier") << u"dossier"_s << false;
        QTest::newRow("lien vers un fichier") << u"lien"_s << true;
        QTest::newRow("lien vers rien") << u"lien mort"_s << true;
    }

    void fichierSpecial()
    {
        QFETCH(QString, cas);
        QFETCH(bool, lu);
        const QByteArray chemin = QFile::encodeName(m_ini);
        const QString vrai = m_dossier.filePath(u"vrai.ini"_s);
        if (cas == u"fifo"_s)
            QVERIFY(::mkfifo(chemin.constData(), 0644) == 0);
        else if (cas == u"zéro"_s)
            QVERIFY(::symlink("/dev/zero", chemin.constData()) == 0);
        else if (cas == u"dossier"_s)
            QVERIFY(QDir().mkdir(m_ini));
        else
            QVERIFY(::symlink("vrai.ini", chemin.constData()) == 0);
        if (cas == u"lien"_s)
            QVERIFY(EcrireFichier(vrai, kAncien));

        // In a child, under a time and a memory limit: it ends normally when the file was
        // read as expected and written back (or not) as expected.
        const int etat = DansUnFils([&] {
            TBigIniFile ini(m_ini);
            const bool lignes = ini.Lignes() == QStringList{u"; mes reglages"_s, u"[GENERAL]"_s, u"nSep=3"_s, u"[Autre]"_s, u"x=1"_s};
            ini.SetAutoSave(false);
            ini.WriteInteger(u"GENERAL"_s, u"nSep"_s, 1);
            const bool ecrit = ini.UpdateFile();
            const bool attendu = cas == u"lien"_s ? lignes && ecrit : cas == u"lien mort"_s ? ecrit : !ecrit;
            if (!attendu || (cas != u"lien"_s && ini.Lignes().size() != 2))
                ::_exit(1);
        }, true);
        QVERIFY2(WIFEXITED(etat), "reading the settings hung or ran out of memory");
        QCOMPARE(WEXITSTATUS(etat), 0);
        struct stat st {};
        QVERIFY(::lstat(chemin.constData(), &st) == 0);
        if (cas == u"fifo"_s)
            QVERIFY(S_ISFIFO(st.st_mode));
        else if (cas == u"dossier"_s)
            QVERIFY(S_ISDIR(st.st_mode));
        else
            QVERIFY(S_ISLNK(st.st_mode)); // the link stays; what it leads to is written
        if (lu)
            QVERIFY(LireFichier(vrai).contains("nSep=1"));
    }
};

QTEST_GUILESS_MAIN(TestBigIni)
#include "tst_bigini.moc"
