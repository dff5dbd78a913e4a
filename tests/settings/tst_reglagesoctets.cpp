// The source and destination folders through the settings file when their names are not
// UTF-8: written as readable text, read back as the same bytes.
#include <QTemporaryDir>
#include <QTest>

#include "Fichiers.h"
#include "Octets.h"
#include "commun/NomsFichiers.h"
#include "settings/BigIniFiles.h"
#include "settings/ReglagesGeneraux.h"

using namespace Qt::StringLiterals;

class TestReglagesOctets : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void allerRetour()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QByteArray base = NomEnOctets(tmp.path());
        const QByteArray source = base + "/\xC9t\xE9 2004/";
        const QByteArray destination = base + "/Tri/";
        QVERIFY(CreerDossierOctets(source));
        QVERIFY(CreerDossierOctets(destination));
        // A folder really named with the four characters "\xE9": taken as it stands.
        const QByteArray litteral = base + "/caf\\xE9/";
        QVERIFY(CreerDossierOctets(litteral));
        const QString ini = tmp.path() + u"/Clarvane.ini"_s;

        TEnrOptions o;
        o.cDossSrc = NomDepuisOctets(source);
        o.cDossDst = NomDepuisOctets(destination);
        {
            TBigIniFile fichier(ini);
            SauverOptions(fichier, o);
            QVERIFY(fichier.UpdateFile());
        }
        const QByteArray texte = LireFichier(ini);
        QVERIFY(texte.contains("cDossSrc=" + base + "/\\xC9t\\xE9 2004/\r\n"));
        QVERIFY(texte.contains("cDossDst=" + destination + "\r\n")); // plain UTF-8: as it is
        TEnrOptions lu = ChargerOptions(TBigIniFile(ini));
        QCOMPARE(NomEnOctets(lu.cDossSrc), source);
        QCOMPARE(NomEnOctets(lu.cDossDst), destination);

        o.cDossSrc = NomDepuisOctets(litteral);
        {
            TBigIniFile fichier(ini);
            SauverOptions(fichier, o);
            QVERIFY(fichier.UpdateFile());
        }
        lu = ChargerOptions(TBigIniFile(ini));
        QCOMPARE(NomEnOctets(lu.cDossSrc), litteral);
        SupprimerArbre(base);
    }
};

QTEST_GUILESS_MAIN(TestReglagesOctets)
#include "tst_reglagesoctets.moc"
