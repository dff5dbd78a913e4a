// The options of the GENERAL section: defaults, unusable values, the fixed order of the
// keys written at exit, and a settings file that keeps everything else it holds.
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include "Fichiers.h"
#include "commun/Dossiers.h"
#include "settings/BigIniFiles.h"
#include "settings/ReglagesGeneraux.h"

using namespace Qt::StringLiterals;

namespace {

void ComparerOptions(const TEnrOptions &a, const TEnrOptions &b)
{
    QCOMPARE(a.cDossSrc, b.cDossSrc);
    QCOMPARE(a.lLectRecurs, b.lLectRecurs);
    QCOMPARE(a.cDossDst, b.cDossDst);
    QCOMPARE(a.lCopier, b.lCopier);
    QCOMPARE(a.cOrdreDonEXIF, b.cOrdreDonEXIF);
    QCOMPARE(a.nCFDatePDVC, b.nCFDatePDVC);
    QCOMPARE(a.nCFDatePDVF, b.nCFDatePDVF);
    QCOMPARE(a.nDatePDVSep, b.nDatePDVSep);
    QCOMPARE(a.lDatePDVHierCompoSiCopie, b.lDatePDVHierCompoSiCopie);
    QCOMPARE(a.nSep, b.nSep);
    QCOMPARE(a.lFormatsEtendus, b.lFormatsEtendus);
    QCOMPARE(a.lVerifierCopies, b.lVerifierCopies);
}

TEnrOptions OptionsParDefaut()
{
    TEnrOptions o;
    o.cDossSrc = DossierProgramme();
    o.cDossDst = DossierProgramme();
    return o;
}

} // namespace

class TestReglages : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dossier;
    QString m_ini;

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void init()
    {
        m_dossier.~QTemporaryDir();
        new (&m_dossier) QTemporaryDir();
        QVERIFY(m_dossier.isValid());
        m_ini = m_dossier.filePath(u"Clarvane.ini"_s);
    }

    void emplacement()
    {
        // The test programs' folder is writable: the file sits beside the program.
        QVERIFY(DossierInscriptible(DossierProgramme()));
        QCOMPARE(CheminFichierReglages(), DossierProgramme() + u"Clarvane.ini"_s);
    }

    // No file: every default, and at exit a file of the header and the ten keys in order.
    void sansFichier()
    {
        TBigIniFile ini(m_ini);
        ini.SetAutoSave(false);
        const TEnrOptions o = ChargerOptions(ini);
        ComparerOptions(o, OptionsParDefaut());
        SauverOptions(ini, o);
        QVERIFY(!QFile::exists(m_ini));
        QVERIFY(ini.UpdateFile());
        const QByteArray p = DossierProgramme().toUtf8();
        QCOMPARE(LireFichier(m_ini), "[GENERAL]\r\n"
                                 "cDossSrc=" + p + "\r\n"
                                 "lLectRecurs=0\r\n"
                                 "cDossDst=" + p + "\r\n"
                                 "lCopier=1\r\n"
                                 "cOrdreDonEXIF=afvdPi\r\n"
                                 "nCFDatePDVC=7\r\n"
                                 "nCFDatePDVF=25\r\n"
                                 "nDatePDVSep=0\r\n"
                                 "lDatePDVHierCompoSiCopie=1\r\n"
                                 "nSep=2\r\n");
    }

    void valeurs_data()
    {
        QTest::addColumn<QByteArray>("lignes");
        QTest::addColumn<QString>("champ");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("lCopier 2") << QByteArray("lCopier=2") << u"lCopier"_s << u"1"_s;
        QTest::newRow("lCopier -1") << QByteArray("lCopier=-1") << u"lCopier"_s << u"1"_s;
        QTest::newRow("lCopier oui") << QByteArray("lCopier=oui") << u"lCopier"_s << u"1"_s;
        QTest::newRow("lCopier 0") << QByteArray("lCopier=0") << u"lCopier"_s << u"0"_s;
        QTest::newRow("lLectRecurs 1") << QByteArray("lLectRecurs=1") << u"lLectRecurs"_s << u"1"_s;
        QTest::newRow("lLectRecurs oui") << QByteArray("lLectRecurs=oui") << u"lLectRecurs"_s << u"0"_s;
        QTest::newRow("hierarchy 0") << QByteArray("lDatePDVHierCompoSiCopie=0")
                                     << u"lDatePDVHierCompoSiCopie"_s << u"0"_s;
        // Any whole number but 0 is true, as the manual says; any other text is unusable
        // and gives the default.
        QTest::newRow("lLectRecurs -5") << QByteArray("lLectRecurs=-5") << u"lLectRecurs"_s << u"1"_s;
        QTest::newRow("lLectRecurs +1") << QByteArray("lLectRecurs=+1") << u"lLectRecurs"_s << u"1"_s;
        QTest::newRow("lLectRecurs empty") << QByteArray("lLectRecurs=") << u"lLectRecurs"_s << u"0"_s;
        QTest::newRow("lLectRecurs spaced") << QByteArray("lLectRecurs= 1") << u"lLectRecurs"_s << u"0"_s;
        QTest::newRow("lLectRecurs past an int") << QByteArray("lLectRecurs=99999999999") << u"lLectRecurs"_s << u"0"_s;
        QTest::newRow("lCopier 0 with a space") << QByteArray("lCopier=0 ") << u"lCopier"_s << u"1"_s;
        QTest::newRow("lCopier 00") << QByteArray("lCopier=00") << u"lCopier"_s << u"0"_s;
        QTest::newRow("hierarchy 2") << QByteArray("lDatePDVHierCompoSiCopie=2")
                                     << u"lDatePDVHierCompoSiCopie"_s << u"1"_s;
        QTest::newRow("hierarchy non") << QByteArray("lDatePDVHierCompoSiCopie=non")
                                       << u"lDatePDVHierCompoSiCopie"_s << u"1"_s;
        QTest::newRow("empty code") << QByteArray("cOrdreDonEXIF=") << u"cOrdreDonEXIF"_s << u"afvdPi"_s;
        QTest::newRow("code kept") << QByteArray("cOrdreDonEXIF=aFvdpi") << u"cOrdreDonEXIF"_s
                                   << u"aFvdpi"_s;
        QTest::newRow("code with a foreign letter") << QByteArray("cOrdreDonEXIF=AFVDPX")
                                                    << u"cOrdreDonEXIF"_s << u"afvdPi"_s;
        QTest::newRow("nSep = 3 is no entry") << QByteArray("nSep = 3") << u"nSep"_s << u"2"_s;
        QTest::newRow("nSep 4") << QByteArray("nSep=4") << u"nSep"_s << u"4"_s;
        QTest::newRow("nSep out of the list") << QByteArray("nSep=9") << u"nSep"_s << u"2"_s;
        QTest::newRow("nSep not a number") << QByteArray("nSep=3x") << u"nSep"_s << u"2"_s;
        QTest::newRow("date separator negative") << QByteArray("nDatePDVSep=-1") << u"nDatePDVSep"_s
                                                 << u"0"_s;
        QTest::newRow("components 5") << QByteArray("nCFDatePDVC=5") << u"nCFDatePDVC"_s << u"5"_s;
        QTest::newRow("no component: the third alone") << QByteArray("nCFDatePDVC=0") << u"nCFDatePDVC"_s << u"1"_s;
        QTest::newRow("formats 125") << QByteArray("nCFDatePDVF=125") << u"nCFDatePDVF"_s << u"125"_s;
        QTest::newRow("format digit 8") << QByteArray("nCFDatePDVF=128") << u"nCFDatePDVF"_s << u"25"_s;
        QTest::newRow("key case differs") << QByteArray("cdosssrc=/ailleurs/") << u"cDossSrc"_s
                                          << u"<programme>"_s;
        QTest::newRow("folder stored") << QByteArray("cDossSrc=/photos/Été/") << u"cDossSrc"_s
                                       << u"/photos/Été/"_s;
        QTest::newRow("folder stored empty") << QByteArray("cDossDst=") << u"cDossDst"_s << u""_s;
        QTest::newRow("folder missing") << QByteArray("x=1") << u"cDossDst"_s << u"<programme>"_s;
        QTest::newRow("before the header") << QByteArray("<avant>nSep=4") << u"nSep"_s << u"2"_s;
        QTest::newRow("newer formats by default") << QByteArray("x=1") << u"lFormatsEtendus"_s << u"1"_s;
        QTest::newRow("newer formats off") << QByteArray("lFormatsEtendus=0") << u"lFormatsEtendus"_s << u"0"_s;
        QTest::newRow("newer formats on") << QByteArray("lFormatsEtendus=1") << u"lFormatsEtendus"_s << u"1"_s;
        QTest::newRow("newer formats empty") << QByteArray("lFormatsEtendus=") << u"lFormatsEtendus"_s << u"1"_s;
        QTest::newRow("newer formats non") << QByteArray("lFormatsEtendus=non") << u"lFormatsEtendus"_s << u"1"_s;
        QTest::newRow("newer formats 2") << QByteArray("lFormatsEtendus=2") << u"lFormatsEtendus"_s << u"1"_s;
        QTest::newRow("newer formats in another section") << QByteArray("x=1\r\n[Autre]\r\nlFormatsEtendus=0")
                                                          << u"lFormatsEtendus"_s << u"1"_s;
        QTest::newRow("second GENERAL ignored") << QByteArray("x=1\r\n[GENERAL]\r\nnSep=4")
                                                << u"nSep"_s << u"2"_s;
    }
    void valeurs()
    {
        QFETCH(QByteArray, lignes);
        QFETCH(QString, champ);
        QFETCH(QString, attendu);
        QByteArray octets = "[general]\r\n" + lignes + "\r\n";
        if (lignes.startsWith("<avant>"))
            octets = lignes.mid(7) + "\r\n[GENERAL]\r\n";
        QVERIFY(EcrireFichier(m_ini, octets));
        const TEnrOptions o = ChargerOptions(TBigIniFile(m_ini));
        const QHash<QString, QString> vus{
            {u"cDossSrc"_s, o.cDossSrc},
            {u"cDossDst"_s, o.cDossDst},
            {u"lCopier"_s, QString::number(o.lCopier)},
            {u"lLectRecurs"_s, QString::number(o.lLectRecurs)},
            {u"lDatePDVHierCompoSiCopie"_s, QString::number(o.lDatePDVHierCompoSiCopie)},
            {u"cOrdreDonEXIF"_s, o.cOrdreDonEXIF},
            {u"nSep"_s, QString::number(o.nSep)},
            {u"nDatePDVSep"_s, QString::number(o.nDatePDVSep)},
            {u"nCFDatePDVC"_s, QString::number(o.nCFDatePDVC)},
            {u"nCFDatePDVF"_s, QString::number(o.nCFDatePDVF)},
            {u"lFormatsEtendus"_s, QString::number(o.lFormatsEtendus)},
        };
        QCOMPARE(vus.value(champ), attendu == u"<programme>"_s ? DossierParDefaut() : attendu);
    }

    // A whole run: only the ten keys' lines change; every other line stays, byte for
    // byte and in place; missing keys go, in the table's order, at the end of the first
    // GENERAL section, after its blank line.
    void autresLignesConservees()
    {
        QVERIFY(EcrireFichier(m_ini, "; R\xC3\xA9glages\r\n"
                              "nSep=4\r\n"
                              "[general]\r\n"
                              "cdosssrc=/ailleurs/\r\n"
                              "cDossDst=\r\n"
                              "lCopier=2\r\n"
                              "nSep = 3\r\n"
                              "cOrdreDonEXIF=\r\n"
                              "  ; commentaire \t\r\n"
                              "\r\n"
                              "[Fenetre]\r\n"
                              "Largeur=800\r\n"
                              "[GENERAL]\r\n"
                              "nSep=1\r\n"));
        TBigIniFile ini(m_ini);
        ini.SetAutoSave(false);
        TEnrOptions o = ChargerOptions(ini);
        TEnrOptions attendu = OptionsParDefaut();
        attendu.cDossDst = QString();
        ComparerOptions(o, attendu);

        o.cDossSrc = u"/photos/Été 2006/"_s;
        o.cDossDst = u"/tri/a=b/"_s;
        o.lLectRecurs = true;
        o.lCopier = false;
        o.cOrdreDonEXIF = u"AfvdPi"_s;
        o.nCFDatePDVC = 6;
        o.nCFDatePDVF = 125;
        o.nDatePDVSep = 3;
        o.lDatePDVHierCompoSiCopie = false;
        o.nSep = 0;
        SauverOptions(ini, o);
        QVERIFY(ini.UpdateFile());
        QCOMPARE(LireFichier(m_ini), QByteArray("; R\xC3\xA9glages\r\n"
                                            "nSep=4\r\n"
                                            "[general]\r\n"
                                            "cdosssrc=/ailleurs/\r\n"
                                            "cDossDst=/tri/a=b/\r\n"
                                            "lCopier=0\r\n"
                                            "nSep = 3\r\n"
                                            "cOrdreDonEXIF=AfvdPi\r\n"
                                            "  ; commentaire \t\r\n"
                                            "\r\n"
                                            "cDossSrc=/photos/\xC3\x89t\xC3\xA9 2006/\r\n"
                                            "lLectRecurs=1\r\n"
                                            "nCFDatePDVC=6\r\n"
                                            "nCFDatePDVF=125\r\n"
                                            "nDatePDVSep=3\r\n"
                                            "lDatePDVHierCompoSiCopie=0\r\n"
                                            "nSep=0\r\n"
                                            "[Fenetre]\r\n"
                                            "Largeur=800\r\n"
                                            "[GENERAL]\r\n"
                                            "nSep=1\r\n"));
        ComparerOptions(ChargerOptions(TBigIniFile(m_ini)), o);
    }

    // The keys read and never written (the newer formats, the verification of the
    // copies): a file that holds one keeps its line as it is, whatever the run did; a file
    // without it does not gain it (see sansFichier for the exact bytes). Only 0 turns
    // either off.
    void clesLuesJamaisEcrites_data()
    {
        QTest::addColumn<QByteArray>("ligne");
        QTest::addColumn<bool>("lu");
        QTest::newRow("formats 0") << QByteArray("lFormatsEtendus=0") << false;
        QTest::newRow("formats oui") << QByteArray("lFormatsEtendus=oui") << true;
        QTest::newRow("formats absent") << QByteArray("; rien") << true;
        QTest::newRow("vérification 0") << QByteArray("lVerifierCopies=0") << false;
        QTest::newRow("vérification 1") << QByteArray("lVerifierCopies=1") << true;
        QTest::newRow("vérification vide") << QByteArray("lVerifierCopies=") << true;
        QTest::newRow("vérification non") << QByteArray("lVerifierCopies=non") << true;
        QTest::newRow("vérification 00") << QByteArray("lVerifierCopies=00") << true;
        QTest::newRow("vérification absente") << QByteArray("; rien du tout") << true;
    }
    void clesLuesJamaisEcrites()
    {
        QFETCH(QByteArray, ligne);
        QFETCH(bool, lu);
        const QByteArray avant = "[GENERAL]\r\ncDossSrc=/photos/\r\n" + ligne + "\r\nnSep=3\r\n";
        QVERIFY(EcrireFichier(m_ini, avant));
        TBigIniFile ini(m_ini);
        ini.SetAutoSave(false);
        TEnrOptions o = ChargerOptions(ini);
        const bool verification = ligne.startsWith("lVerifierCopies") || ligne == "; rien du tout";
        bool &champ = verification ? o.lVerifierCopies : o.lFormatsEtendus;
        QCOMPARE(champ, lu);
        QCOMPARE(verification ? o.lFormatsEtendus : o.lVerifierCopies, true);
        champ = !lu; // whatever the field holds at exit
        SauverOptions(ini, o);
        QVERIFY(ini.UpdateFile());
        const QByteArray apres = LireFichier(m_ini);
        QVERIFY2(apres.contains("\r\n" + ligne + "\r\n"), apres.constData());
        QCOMPARE(apres.count("FormatsEtendus"), ligne.count("FormatsEtendus"));
        QCOMPARE(apres.count("VerifierCopies"), ligne.count("VerifierCopies"));
    }

    // A file made on Windows: CR LF endings, accented folder names in Windows-1252.
    // Read with its accents, written back in UTF-8, read again the same.
    void allerRetourWindows()
    {
        QVERIFY(EcrireFichier(m_ini, "[GENERAL]\r\n"
                              "cDossSrc=/media/carte/Vacances \xE0 No\xEBl/\r\n"
                              "lLectRecurs=1\r\n"
                              "cDossDst=/home/moi/Photos tri\xE9\x65s \x80/\r\n"
                              "lCopier=0\r\n"
                              "[Autre]\r\n"
                              "nom=\xC9t\xE9\r\n"));
        TBigIniFile ini(m_ini);
        ini.SetAutoSave(false);
        const TEnrOptions o = ChargerOptions(ini);
        QCOMPARE(o.cDossSrc, u"/media/carte/Vacances à Noël/"_s);
        QCOMPARE(o.cDossDst, u"/home/moi/Photos triées €/"_s);
        QVERIFY(o.lLectRecurs);
        QVERIFY(!o.lCopier);
        SauverOptions(ini, o);
        QVERIFY(ini.UpdateFile());

        const QByteArray ecrit = LireFichier(m_ini);
        QVERIFY(ecrit.contains("cDossSrc=/media/carte/Vacances \xC3\xA0 No\xC3\xABl/\r\n"));
        QVERIFY(ecrit.endsWith("[Autre]\r\nnom=\xC3\x89t\xC3\xA9\r\n"));
        QCOMPARE(ecrit.count("\r\n"), ecrit.count('\n'));
        QCOMPARE(ecrit.count("\r\n"), ecrit.count('\r'));
        TBigIniFile relu(m_ini);
        ComparerOptions(ChargerOptions(relu), o);
        QCOMPARE(relu.ReadString(u"Autre"_s, u"nom"_s, QString()), u"Été"_s);
    }

    // A folder whose name holds a line break cannot be kept in one line: its key keeps
    // the value it had, and nothing else of the file is disturbed.
    void dossierAvecSautDeLigne()
    {
        QVERIFY(EcrireFichier(m_ini, "[GENERAL]\r\ncDossSrc=/photos/\r\n"));
        TBigIniFile ini(m_ini);
        ini.SetAutoSave(false);
        TEnrOptions o = ChargerOptions(ini);
        o.cDossSrc = u"/photos/a\n[GENERAL]\nnSep=4\n/"_s;
        o.nSep = 3;
        SauverOptions(ini, o);
        QVERIFY(ini.UpdateFile());
        const TEnrOptions relu = ChargerOptions(TBigIniFile(m_ini));
        QCOMPARE(relu.cDossSrc, u"/photos/"_s);
        QCOMPARE(relu.nSep, 3);
        QCOMPARE(TBigIniFile(m_ini).Sections().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestReglages)
#include "tst_reglages.moc"
