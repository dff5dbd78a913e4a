// Values text, cleaning, numbered names and the targets of both modes.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include "FauxOptions.h"
#include "engine/ComposerDonnees.h"
#include "engine/OptionsNommage.h"

using namespace Qt::StringLiterals;

namespace {

TEnrEXIF Canon()
{
    TEnrEXIF e;
    e.Valide = true;
    e.Appareil = u"Canon EOS 300D"_s;
    e.Focale = u"50"_s;
    e.Vitesse = u"1/125°"_s;
    e.Diaphragme = u"5,6"_s;
    e.DatePDV = u"21/05/2006"_s;
    e.ISO = u"100"_s;
    return e;
}

bool Toucher(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::WriteOnly);
}

} // namespace

class TestComposerDonnees : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void composer_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("copie");
        QTest::addColumn<int>("nSep");
        QTest::addColumn<int>("composants");
        QTest::addColumn<int>("formats");
        QTest::addColumn<int>("sepDate");
        QTest::addColumn<bool>("hier");
        QTest::addColumn<QString>("appareil");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("attendu");
        const QString canon = u"Canon EOS 300D"_s;
        const QString mai = u"21/05/2006"_s;
        // Rename: camera, date (day month year, no separator), ISO, joined by "-".
        QTest::newRow("rename dash") << u"APfvdI"_s << false << 2 << 7 << 521 << 0 << false
                                     << canon << mai << u"Canon EOS 300D-21052006-100 iso"_s;
        QTest::newRow("rename ignores hierarchy")
            << u"APfvdI"_s << false << 2 << 7 << 521 << 0 << true << canon << mai
            << u"Canon EOS 300D-21052006-100 iso"_s;
        QTest::newRow("rename none runs together") << u"APfvdi"_s << false << 0 << 7 << 521 << 0
                                                   << false << canon << mai
                                                   << u"Canon EOS 300D21052006"_s;
        QTest::newRow("copy hierarchy") << u"APfvdI"_s << true << 2 << 6 << 120 << 2 << true
                                        << canon << mai << u"Canon EOS 300D/2006/05/100 iso"_s;
        QTest::newRow("copy without hierarchy")
            << u"APfvdI"_s << true << 2 << 6 << 120 << 2 << false << canon << mai
            << u"Canon EOS 300D/2006-05/100 iso"_s;
        QTest::newRow("copy ignores nSep") << u"AfvdpI"_s << true << 4 << 7 << 25 << 0 << true
                                           << canon << mai << u"Canon EOS 300D/100 iso"_s;
        QTest::newRow("copy one component: no hierarchy")
            << u"aPfvdi"_s << true << 2 << 4 << 125 << 2 << true << canon << mai << u"2006"_s;
        QTest::newRow("units") << u"aFVDpi"_s << false << 1 << 7 << 25 << 0 << false << canon
                               << mai << u"50 mm 1_125° s f 5,6"_s;
        QTest::newRow("field order") << u"IDVFAp"_s << false << 3 << 7 << 25 << 0 << false
                                     << canon << mai
                                     << u"100 iso_f 5,6_1_125° s_50 mm_Canon EOS 300D"_s;
        QTest::newRow("colon and slash, rename")
            << u"Apfvdi"_s << false << 2 << 7 << 25 << 0 << false << u"EOS:1D/Mk II"_s << mai
            << u"EOS_1D_Mk II"_s;
        QTest::newRow("colon and slash, copy")
            << u"APfvdi"_s << true << 2 << 7 << 25 << 0 << true
            << u"a/b\\c*d?e\"f<g>h|i"_s << mai << u"a_b_c_d_e_f_g_h_i/06/05/21"_s;
        QTest::newRow("missing camera") << u"APfvdI"_s << true << 2 << 6 << 120 << 2 << true
                                        << QString() << mai << u"2006/05/100 iso"_s;
        QTest::newRow("missing date, copy") << u"APfvdi"_s << true << 2 << 7 << 25 << 0 << true
                                            << canon << QString() << canon;
        QTest::newRow("unreadable date only")
            << u"afvdPi"_s << true << 2 << 7 << 25 << 0 << true << canon << u"31/02/2006"_s
            << QString();
        QTest::newRow("invalid code: default") << u"AAAAAA"_s << false << 2 << 7 << 25 << 0
                                               << false << canon << mai << u"060521"_s;
        QTest::newRow("invalid code, copy: default hierarchy")
            << u"AAAAAA"_s << true << 2 << 7 << 25 << 0 << true << canon << mai << u"06/05/21"_s;
        // A camera model of dots would make a level pointing at the destination or above.
        QTest::newRow("copy dot") << u"AfvdPi"_s << true << 2 << 7 << 25 << 0 << true << u"."_s
                                  << mai << u"_/06/05/21"_s;
        QTest::newRow("copy dot dot") << u"Afvdpi"_s << true << 2 << 7 << 25 << 0 << true
                                      << u".."_s << mai << u"__"_s;
        QTest::newRow("copy dots") << u"Afvdpi"_s << true << 2 << 7 << 25 << 0 << true
                                   << u"..."_s << mai << u"___"_s;
        // A folder or a new name beginning with a dot would be hidden: the dots that begin
        // each level, or the name, become "_"; the others stay.
        QTest::newRow("copy leading dots") << u"Afvdpi"_s << true << 2 << 7 << 25 << 0 << true
                                           << u"..x."_s << mai << u"__x."_s;
        QTest::newRow("copy hidden") << u"AfvdPi"_s << true << 2 << 7 << 25 << 0 << true
                                     << u".hidden"_s << mai << u"_hidden/06/05/21"_s;
        QTest::newRow("copy dot space dot") << u"AfvdPi"_s << true << 2 << 7 << 25 << 0 << true
                                            << u". ."_s << mai << u"_ ./06/05/21"_s;
        QTest::newRow("copy hidden after the date")
            << u"PAfvdi"_s << true << 2 << 7 << 25 << 0 << true << u".hidden"_s << mai
            << u"06/05/21/_hidden"_s;
        QTest::newRow("rename leading dots") << u"AfvdPi"_s << false << 2 << 7 << 25 << 0 << false
                                             << u".."_s << mai << u"__-060521"_s;
        QTest::newRow("rename inner dots kept") << u"AfvdPi"_s << false << 2 << 7 << 25 << 0 << false
                                                << u".x.y."_s << mai << u"_x.y.-060521"_s;
        QTest::newRow("rename dot after the date") << u"PAfvdi"_s << false << 2 << 7 << 25 << 0
                                                   << false << u".x"_s << mai << u"060521-.x"_s;
        // Control characters (C0, DEL, C1) become "_" in folders and names alike; a dot
        // after one no longer begins the level.
        QTest::newRow("copy line break") << u"AfvdPi"_s << true << 2 << 7 << 25 << 0 << true
                                         << u"a\nb"_s << mai << u"a_b/06/05/21"_s;
        QTest::newRow("rename line break") << u"AfvdPi"_s << false << 2 << 7 << 25 << 0 << false
                                           << u"a\nb"_s << mai << u"a_b-060521"_s;
        QTest::newRow("copy controls") << u"Afvdpi"_s << true << 2 << 7 << 25 << 0 << true
                                       << u"\t.x\x7f\x81y\x9f\0z\x1f"_s << mai << u"_.x__y__z_"_s;
        QTest::newRow("rename controls") << u"Afvdpi"_s << false << 2 << 7 << 25 << 0 << false
                                         << u"\r\n"_s << mai << u"__"_s;
        QTest::newRow("kept: space, accents, tilde") << u"Afvdpi"_s << true << 2 << 7 << 25 << 0
                                                     << true << u" É~\xa0"_s << mai << u" É~\xa0"_s;
    }
    void composer()
    {
        QFETCH(QString, code);
        QFETCH(bool, copie);
        QFETCH(int, nSep);
        QFETCH(int, composants);
        QFETCH(int, formats);
        QFETCH(int, sepDate);
        QFETCH(bool, hier);
        QFETCH(QString, appareil);
        QFETCH(QString, date);
        QFETCH(QString, attendu);
        TFauxOptions source;
        source.options.cOrdreDonEXIF = code;
        source.options.lCopier = copie;
        source.options.nSep = nSep;
        source.options.nCFDatePDVC = composants;
        source.options.nCFDatePDVF = formats;
        source.options.nDatePDVSep = sepDate;
        source.options.lDatePDVHierCompoSiCopie = hier;
        TEnrEXIF exif = Canon();
        exif.Appareil = appareil;
        exif.DatePDV = date;
        QCOMPARE(ComposerDonnees(exif, source.Options()), attendu);
        QCOMPARE(source.nbLectures, 1);
    }

    void lectureAChaqueAppel()
    {
        // The options are read anew at each call: a change applies to the next image.
        TFauxOptions source;
        source.options.cOrdreDonEXIF = u"AfvdpI"_s;
        QCOMPARE(ComposerDonnees(Canon(), source.Options()), u"Canon EOS 300D/100 iso"_s);
        source.options.lCopier = false;
        source.options.nSep = 3;
        QCOMPARE(ComposerDonnees(Canon(), source.Options()), u"Canon EOS 300D_100 iso"_s);
        QCOMPARE(source.nbLectures, 2);
    }

    void ajouterDonnee()
    {
        QString r;
        AjouterDonnee(r, u"-"_s, u"f "_s, QString(), u" mm"_s, true);
        QCOMPARE(r, QString()); // missing: nothing, not even what goes around it
        AjouterDonnee(r, u"-"_s, u"f "_s, u"5/6"_s, QString(), true);
        QCOMPARE(r, u"f 5_6"_s);
        AjouterDonnee(r, u"-"_s, QString(), QString(), u" iso"_s, true);
        QCOMPARE(r, u"f 5_6"_s);
        AjouterDonnee(r, u"-"_s, u"<"_s, u"a/b"_s, u">"_s, false); // around: never cleaned
        QCOMPARE(r, u"f 5_6-<a/b>"_s);
    }

    void nettoyerNom_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("nine") << u"\"*/:<>?\\|"_s << u"_________"_s;
        QTest::newRow("kept") << u"Éa .\t1°"_s << u"Éa .\t1°"_s;
        QTest::newRow("exposure") << u"1/125°"_s << u"1_125°"_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void nettoyerNom()
    {
        QFETCH(QString, texte);
        QFETCH(QString, attendu);
        QCOMPARE(NettoyerNom(texte), attendu);
    }

    void nomNumerote_data()
    {
        QTest::addColumn<QStringList>("existants");
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("third") << QStringList{u"a.jpg"_s, u"a(2).jpg"_s} << u"a.jpg"_s
                               << u"a(3).jpg"_s;
        QTest::newRow("case kept") << QStringList{u"IMG_0001.JPG"_s} << u"IMG_0001.JPG"_s
                                   << u"IMG_0001(2).JPG"_s;
        QTest::newRow("no extension") << QStringList{u"LISEZMOI"_s} << u"LISEZMOI"_s
                                      << u"LISEZMOI(2)"_s;
        QTest::newRow("last dot") << QStringList{u"a.b.nef"_s} << u"a.b.nef"_s
                                  << u"a.b(2).nef"_s;
        QTest::newRow("gap not filled") << QStringList{u"a.jpg"_s, u"a(2).jpg"_s, u"a(3).jpg"_s}
                                        << u"a.jpg"_s << u"a(4).jpg"_s;
        QTest::newRow("folder takes the name") << QStringList{u"a(2).jpg/"_s} << u"a.jpg"_s
                                               << u"a(3).jpg"_s;
    }
    void nomNumerote()
    {
        QFETCH(QStringList, existants);
        QFETCH(QString, nom);
        QFETCH(QString, attendu);
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString dossier = tmp.path() + u'/';
        for (const QString &e : existants) {
            if (e.endsWith(u'/'))
                QVERIFY(QDir().mkdir(dossier + e));
            else
                QVERIFY(Toucher(dossier + e));
        }
        QCOMPARE(NomNumerote(dossier, nom), dossier + attendu);
    }

    void lienCasseOccupe()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString dossier = tmp.path() + u'/';
        // A dangling link would send the copy through it to its target.
        QVERIFY(::symlink("/nonexistent/x", QFile::encodeName(dossier + u"a.jpg"_s)) == 0);
        QVERIFY(CheminOccupe(dossier + u"a.jpg"_s));
        QCOMPARE(CheminCibleCopie(dossier, u"a.jpg"_s), dossier + u"a(2).jpg"_s);
        QVERIFY(!CheminOccupe(dossier + u"b.jpg"_s));
    }

    void ciblesCopie()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString dst = tmp.path() + u"/Tri/"_s;
        const QString cible = DossierCibleCopie(dst, u"Canon EOS 300D/2006/05/100 iso"_s);
        QCOMPARE(cible, dst + u"Canon EOS 300D/2006/05/100 iso/"_s);
        QCOMPARE(DossierCibleCopie(tmp.path() + u"/Tri"_s, u"x"_s), dst + u"x/"_s);
        QCOMPARE(CheminCibleCopie(cible, u"IMG_0001.JPG"_s), cible + u"IMG_0001.JPG"_s);
        QVERIFY(QDir().mkpath(cible));
        QVERIFY(Toucher(cible + u"IMG_0001.JPG"_s));
        QCOMPARE(CheminCibleCopie(cible, u"IMG_0001.JPG"_s), cible + u"IMG_0001(2).JPG"_s);
    }

    void cheminRenomme_data()
    {
        QTest::addColumn<int>("nSep");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("dash") << 2 << u"/photos/Canon EOS 300D-21052006-100 iso-IMG_0001.JPG"_s;
        QTest::newRow("none") << 0 << u"/photos/Canon EOS 300D-21052006-100 isoIMG_0001.JPG"_s;
        QTest::newRow("space") << 1 << u"/photos/Canon EOS 300D-21052006-100 iso IMG_0001.JPG"_s;
    }
    void cheminRenomme()
    {
        QFETCH(int, nSep);
        QFETCH(QString, attendu);
        TEnrFichier f;
        f.Dossier = u"/photos/"_s;
        f.Nom = u"IMG_0001.JPG"_s;
        TEnrOptions o;
        o.nSep = nSep;
        QCOMPARE(CheminRenomme(f, u"Canon EOS 300D-21052006-100 iso"_s, o), attendu);
    }
};

QTEST_GUILESS_MAIN(TestComposerDonnees)
#include "tst_composerdonnees.moc"
