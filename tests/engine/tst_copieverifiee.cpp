// Copies read back and proven before they count: every way the proof can fail, injected
// at its step, leaves nothing under the copy's name and says so in one line; the copies
// that count are byte for byte their sources; the fingerprint is XXH3-128 as xxh128sum
// computes it.
#include <QLocale>
#include <QProcess>
#include <QTest>

#include "BancTraitement.h"
#include "Fichiers.h"
#include "OperationsPiegees.h"
#include "engine/Empreinte.h"
#include "engine/JournalTraitement.h"

using namespace Qt::StringLiterals;

namespace {
constexpr qsizetype kTaille = 3 << 20; // three pieces of data each
}

class TestCopieVerifiee : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void commeXxh128sum_data();
    void commeXxh128sum();
    void echecs_data();
    void echecs();
    void verificationCoupee();
};

void TestCopieVerifiee::commeXxh128sum_data()
{
    QTest::addColumn<QByteArray>("octets");
    QTest::newRow("vide") << QByteArray();
    QTest::newRow("abc") << QByteArray("abc");
    QTest::newRow("un mégaoctet et un") << QByteArray((1 << 20) + 1, 'x');
}

void TestCopieVerifiee::commeXxh128sum()
{
    QFETCH(QByteArray, octets);
    QProcess xxh;
    xxh.start(u"xxh128sum"_s, {});
    QVERIFY2(xxh.waitForStarted(), "xxh128sum (Debian package xxhash) is needed");
    xxh.write(octets);
    xxh.closeWriteChannel();
    QVERIFY(xxh.waitForFinished() && xxh.exitCode() == 0);
    const QByteArray attendu = xxh.readAllStandardOutput().left(32);
    QCOMPARE(EmpreinteDe(octets).Hex(), attendu);
    // The same in pieces, and back from its text.
    THachage hachage;
    hachage.Ajouter(octets.constData(), size_t(octets.size() / 2));
    hachage.Ajouter(octets.constData() + octets.size() / 2, size_t(octets.size() - octets.size() / 2));
    QCOMPARE(hachage.Resultat().Hex(), attendu);
    QCOMPARE(TEmpreinte::DepuisHex(attendu), std::optional(EmpreinteDe(octets)));
    QCOMPARE(TEmpreinte::DepuisHex(attendu.toUpper()), std::nullopt);
    QCOMPARE(TEmpreinte::DepuisHex(attendu.left(31)), std::nullopt);
}

// A run of three images whose second copy fails at one step of its proof.
void TestCopieVerifiee::echecs_data()
{
    QTest::addColumn<TEtape>("etape");
    QTest::addColumn<int>("erreur");
    QTest::addColumn<qint64>("inverser");
    QTest::addColumn<qint64>("finRelue");
    QTest::addColumn<bool>("grandit");
    QTest::addColumn<QString>("ligne"); // %1 the source, %2 the copy
    const QString difference = u"Copie de %1 vers %2 différente de l'original : copie retirée"_s;
    const QString verification = u"Impossible de vérifier la copie de %1 vers %2 : "_s;
    QTest::newRow("premier octet relu changé") << TEtape::Aucune << 0 << 0LL << -1LL << false << difference;
    QTest::newRow("octet du milieu relu changé")
        << TEtape::Aucune << 0 << qint64(kTaille / 2) << -1LL << false << difference;
    QTest::newRow("dernier octet relu changé")
        << TEtape::Aucune << 0 << qint64(kTaille - 1) << -1LL << false << difference;
    QTest::newRow("relecture courte") << TEtape::Aucune << 0 << -1LL << qint64(kTaille - 100) << false << difference;
    QTest::newRow("EIO à la relecture")
        << TEtape::Relecture << EIO << -1LL << -1LL << false << verification + MessageSysteme(EIO);
    QTest::newRow("EIO à fdatasync")
        << TEtape::SynchroDonnees << EIO << -1LL << -1LL << false << verification + MessageSysteme(EIO);
    QTest::newRow("ENOSPC à fdatasync, qui finit le traitement")
        << TEtape::SynchroDonnees << ENOSPC << -1LL << -1LL << false
        << verification + MessageSysteme(ENOSPC)
               + u"\r\nTraitement interrompu : destination pleine, 1 images non traitées."_s;
    QTest::newRow("cache impossible à vider")
        << TEtape::Cache << EINVAL << -1LL << -1LL << false << verification + MessageSysteme(EINVAL);
    QTest::newRow("EIO au vidage du dossier")
        << TEtape::Synchro << EIO << -1LL << -1LL << false << verification + MessageSysteme(EIO);
    // A full disk also ends the run: the third image is not copied.
    QTest::newRow("ENOSPC à l'écriture")
        << TEtape::Ecriture << ENOSPC << -1LL << -1LL << false
        << u"Impossible de copier %1 vers %2 : "_s + MessageSysteme(ENOSPC)
               + u"\r\nTraitement interrompu : destination pleine, 1 images non traitées."_s;
    QTest::newRow("source qui grandit pendant la lecture")
        << TEtape::Aucune << 0 << -1LL << -1LL << true << u"Source modifiée pendant la copie : %1"_s;
}

void TestCopieVerifiee::echecs()
{
    QFETCH(TEtape, etape);
    QFETCH(int, erreur);
    QFETCH(qint64, inverser);
    QFETCH(qint64, finRelue);
    QFETCH(bool, grandit);
    QFETCH(QString, ligne);
    TBanc b;
    b.options.options.cOrdreDonEXIF = u"Afvdpi"_s;
    for (int i = 1; i <= 3; ++i)
        QVERIFY(Photo(b.src + u"IMG_000%1.JPG"_s.arg(i), kTaille, Appareil("Modèle " + QByteArray::number(i))));
    const QString source = b.src + u"IMG_0002.JPG"_s;
    TOperationsPiegees operations;
    operations.Copie = 2;
    operations.Etape = etape;
    operations.Erreur = erreur;
    operations.Inverser = inverser;
    operations.FinRelue = finRelue;
    if (grandit)
        operations.ApresMorceau = [&] {
            if (operations.Copies == 2 && operations.Ecrits == (1 << 20))
                EcrireFichier(source, LireFichier(source) + "encore");
        };
    b.retour.operations = &operations;
    b.retour.reponses = {true};
    b.Lancer(true);

    const QString copie = b.dst + u"Modèle 2/IMG_0002.JPG"_s;
    QCOMPARE(LireFichier(b.Journal()),
             ((ligne.contains(u"%2"_s) ? ligne.arg(source, copie) : ligne.arg(source)) + u"\r\n"_s).toUtf8());
    const bool pleine = erreur == ENOSPC;
    QCOMPARE(b.retour.Appels(u"Information"_s).value(0).section(u'\r', 0, 0),
             pleine ? u"Information: 1 images traitées (3,00 Mo)."_s : u"Information: 2 images traitées (6,00 Mo)."_s);
    // Nothing under the copy's name, no temporary file; the others are their sources.
    const QStringList faites = pleine ? QStringList{u"Modèle 1/IMG_0001.JPG"_s}
                                      : QStringList{u"Modèle 1/IMG_0001.JPG"_s, u"Modèle 3/IMG_0003.JPG"_s};
    QCOMPARE(Fichiers(b.dst), faites);
    for (const QString &nom : faites)
        QCOMPARE(LireFichier(b.dst + nom), LireFichier(b.src + nom.mid(nom.indexOf(u'/') + 1)));
    QVERIFY(operations.Relectures > 0);
    QCOMPARE(operations.AppelsPlage, 0); // the copy read its source itself
    // The journal holds the two copies made, each with its fingerprint, and no other.
    const TJournalLu lu = LireJournal(b.prog);
    QStringList copies;
    for (const TOperationJournal &op : lu.Operations) {
        if (op.Genre != TOperationJournal::TGenre::Copie)
            continue;
        copies.append(NomDepuisOctets(op.Cible).mid(b.dst.size()));
        QVERIFY(op.Confirmee);
        QCOMPARE(op.Empreinte, std::optional(EmpreinteDe(LireFichier(NomDepuisOctets(op.Cible)))));
    }
    QCOMPARE(copies, faites);
}

// lVerifierCopies=0: the kernel's copy (or a reflink) as before, nothing read back, no
// fingerprint noted.
void TestCopieVerifiee::verificationCoupee()
{
    TBanc b;
    b.options.options.lVerifierCopies = false;
    QVERIFY(Photo(b.src + u"IMG_0001.JPG"_s, kTaille));
    TOperationsPiegees operations;
    b.retour.operations = &operations;
    b.retour.reponses = {true};
    b.Lancer(true);
    QCOMPARE(LireFichier(b.dst + u"Canon EOS 300D/IMG_0001.JPG"_s), LireFichier(b.src + u"IMG_0001.JPG"_s));
    QVERIFY(operations.AppelsPlage > 0);
    QCOMPARE(operations.Relectures, 0);
    const TJournalLu lu = LireJournal(b.prog);
    QCOMPARE(lu.Operations.size(), 2);
    QCOMPARE(lu.Operations[1].Empreinte, std::nullopt);
}

QTEST_GUILESS_MAIN(TestCopieVerifiee)
#include "tst_copieverifiee.moc"
