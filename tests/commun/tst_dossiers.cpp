// The program's folders: the trailing "/" every folder path carries, and where the
// program's own files go.
#include <QTemporaryDir>
#include <QTest>

#include "commun/Dossiers.h"

using namespace Qt::StringLiterals;

class TestDossiers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void barreFinale_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("added") << u"/home/anne/Photos"_s << u"/home/anne/Photos/"_s;
        QTest::newRow("kept") << u"/home/anne/Photos/"_s << u"/home/anne/Photos/"_s;
        QTest::newRow("root") << u"/"_s << u"/"_s;
        QTest::newRow("relative") << u"Photos"_s << u"Photos/"_s;
        QTest::newRow("empty stays empty") << QString() << QString();
        QTest::newRow("trailing space kept") << u"/m/a "_s << u"/m/a /"_s;
    }
    void barreFinale()
    {
        QFETCH(QString, chemin);
        QFETCH(QString, attendu);
        QCOMPARE(AvecBarreFinale(chemin), attendu);
    }

    void dossiersDuProgramme()
    {
        QVERIFY(DossierProgramme().endsWith(u'/'));
        QVERIFY(DossierFichiersProgramme().endsWith(u'/'));
        QTemporaryDir dossier;
        QVERIFY(dossier.isValid());
        QVERIFY(DossierInscriptible(dossier.path())); // no trailing "/" needed
        QVERIFY(!DossierInscriptible(dossier.filePath(u"absent"_s)));
    }
};

QTEST_GUILESS_MAIN(TestDossiers)
#include "tst_dossiers.moc"
