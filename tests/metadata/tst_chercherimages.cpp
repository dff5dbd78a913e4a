// Image scan on temporary folder trees: what is counted, what is read, links, sorting,
// the same results with one or many requests in flight, and a scan stopped part way.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <set>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include "ConstructeurEXIF.h"
#include "Corpus.h"
#include "Octets.h"
#include "commun/NomsFichiers.h"
#include "metadata/ChercherImages.h"

using namespace Qt::StringLiterals;

namespace {

struct TResultatScan {
    int nombre = 0;
    qint64 taille = 0;
    TListeImages liste;
    int avancees = 0;
};

TResultatScan Compter(const QString &dossier, bool recursif)
{
    TResultatScan r;
    TListeImages liste;
    ChercherImages(dossier, r.nombre, r.taille, true, recursif, liste,
                   [&] { ++r.avancees; return true; });
    r.liste = liste;
    return r;
}

TResultatScan Lire(const QString &dossier, bool recursif)
{
    TResultatScan r;
    ChercherImages(dossier, r.nombre, r.taille, false, recursif, r.liste, [&] { ++r.avancees; return true; });
    return r;
}

QStringList Chemins(const TListeImages &liste)
{
    QStringList chemins;
    for (const TEnrFichier &f : liste)
        chemins.append(f.Dossier + f.Nom);
    return chemins;
}

bool Lien(const QString &cible, const QString &lien)
{
    return ::symlink(QFile::encodeName(cible).constData(), QFile::encodeName(lien).constData())
        == 0;
}

// Threads of this process, as the kernel lists them.
int FilsDuProcessus()
{
    return int(QDir(u"/proc/self/task"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// The companions' rules as a run gives them.
const QList<TRegleCompagnon> kRegles = {
    {".xmp", false}, {".thm", false}, {".wav", false}, {".aae", false}, {".xmp", true}};

TParametresScan Parametres(int enVol, bool adaptatif = false)
{
    TParametresScan p;
    p.lectures.enVol = enVol;
    p.lectures.adaptatif = adaptatif;
    p.compagnons = kRegles;
    return p;
}

// An image's companions as text: "name size", "=" after a name made from the whole name.
QString TexteCompagnons(const TEnrFichier &f)
{
    QStringList textes;
    for (const TEnrCompagnon &c : f.Compagnons)
        textes.append(u"%1 %2%3"_s.arg(NomLisible(c.Nom)).arg(c.Taille).arg(c.NomEntier ? u"="_s : QString()));
    return textes.join(u", "_s);
}

// Everything both passes give, as text: counts, steps, the list in the order returned
// (paths, sizes, values), what each pass met and the comparison of the two.
QStringList Passages(const QString &d, const TParametresScan &p)
{
    QStringList lignes;
    int nombre = 0, avancees = 0;
    qint64 taille = 0;
    TListeImages liste, inutilisee;
    TBilanScan comptage, lecture;
    const bool compte = ChercherImages(d, nombre, taille, true, true, inutilisee, {}, &comptage, p);
    const bool lu = ChercherImages(d, nombre, taille, false, true, liste,
                                   [&] { return ++avancees > 0; }, &lecture, p);
    lignes.append(u"fini %1 %2, %3 images, %4 octets, %5 pas"_s.arg(compte).arg(lu).arg(nombre)
                      .arg(taille).arg(avancees));
    for (const TEnrFichier &f : liste)
        lignes.append(QStringList{NomLisible(f.Dossier + f.Nom), QString::number(f.Taille),
                                  f.EXIF->Appareil, f.EXIF->Focale, f.EXIF->Vitesse,
                                  f.EXIF->Diaphragme, f.EXIF->DatePDV, f.EXIF->ISO,
                                  TexteCompagnons(f)}
                          .join(u'|'));
    for (const TBilanScan *b : {&comptage, &lecture}) {
        lignes.append(u"illisibles: "_s + NomLisible(b->DossiersIllisibles.join(u',')));
        for (const TFichierNonRetenu &f : b->NonRetenus)
            lignes.append(u"non retenu %1 %2 %3 %4"_s.arg(NomLisible(f.Fichier.Dossier + f.Fichier.Nom))
                              .arg(f.Fichier.Taille).arg(int(f.Issue)).arg(TexteCompagnons(f.Fichier)));
        std::set<QByteArray> inventaire;
        for (auto it = b->Inventaire.cbegin(); it != b->Inventaire.cend(); ++it)
            inventaire.insert(it.key().toHex() + ':' + it.value().toHex());
        for (const QByteArray &l : inventaire)
            lignes.append(QString::fromLatin1(l));
    }
    const TNonRetenus r = ComparerPassages(comptage, lecture);
    for (const QString &dossier : r.Dossiers)
        lignes.append(u"dossier "_s + NomLisible(dossier));
    for (const TFichierNonRetenu &f : r.Fichiers)
        lignes.append(u"fichier %1 %2"_s.arg(NomLisible(f.Fichier.Dossier + f.Fichier.Nom)).arg(int(f.Issue)));
    for (const TEnrFichier &f : r.Autres)
        lignes.append(u"autre "_s + NomLisible(f.Dossier + f.Nom));
    return lignes;
}

// Empty when the scan gives the same with one request at a time as with several in
// flight (forced or adaptive), else the first difference. `illisibles`: the tree must
// show unreadable files and folders, so that they are compared too.
QString EcartsSelonVol(const QString &d, bool illisibles)
{
    const QStringList attendu = Passages(d, Parametres(1));
    if (attendu.size() < 3)
        return u"nothing found in "_s + d;
    if (illisibles && !(attendu.join(u'\n').contains(u"illisibles: /"_s)
                        && attendu.join(u'\n').contains(u"fichier /"_s)))
        return u"no unreadable file or folder met:\n"_s + attendu.join(u'\n');
    for (const TParametresScan &p : {Parametres(16), Parametres(3), Parametres(kEnVolLent, true),
                                     Parametres(4, true)}) {
        const QStringList obtenu = Passages(d, p);
        for (qsizetype i = 0; i < std::max(attendu.size(), obtenu.size()); ++i)
            if (attendu.value(i) != obtenu.value(i))
                return u"%1 in flight%2, line %3: %4 instead of %5"_s.arg(p.lectures.enVol)
                    .arg(p.lectures.adaptatif ? u" (adaptive)"_s : QString()).arg(i)
                    .arg(obtenu.value(i), attendu.value(i));
    }
    return {};
}

// A tree of images of several cameras in nested folders, with files without values,
// files that are no images, hidden ones, names that are not UTF-8, links; `illisibles`
// adds files and a folder closed to anyone but root.
bool ArbreVarie(const QByteArray &d, bool illisibles)
{
    // Writes a file, its folders created first.
    const auto EcrireOctets = [](const QByteArray &chemin, const QByteArray &contenu) {
        for (qsizetype i = chemin.indexOf('/', 1); i > 0; i = chemin.indexOf('/', i + 1))
            ::mkdir(chemin.left(i).constData(), 0755);
        return ::EcrireOctets(chemin, contenu);
    };
    bool ok = true;
    for (int i = 0; i < 120; ++i) {
        TValeursEXIF v;
        v.modele = "Appareil " + QByteArray::number(i % 7);
        v.focaleNum = quint32(10 + i);
        v.iso = quint16(100 * (1 + i % 4));
        const QByteArray dossier = d + "d" + QByteArray::number(i % 6) + '/' + (i % 5 == 0 ? "sous/" : "");
        const QByteArray nom = (i % 3 == 0 ? "IMG_" : i % 3 == 1 ? "img_" : "caf\xE9_")
            + QByteArray::number(i).rightJustified(4, '0') + (i % 2 ? ".jpg" : ".JPEG");
        ok = ok && EcrireOctets(dossier + nom, JPEGAvecTIFF(TIFFAvecValeurs(v, i % 2 == 0), true, i * 13));
    }
    ok = ok && EcrireOctets(d + "sans exif.jpg", JPEGSansEXIF(300))
        && EcrireOctets(d + "sans exif.xmp", "s") && EcrireOctets(d + "d0/IMG_0006.xmp", "x")
        && EcrireOctets(d + "d0/IMG_0006.JPEG.XMP", "xx") && EcrireOctets(d + "d2/caf\xE9_0002.WAV", "m\xE9mo")
        && EcrireOctets(d + "d1/.img_0001.xmp", "h") && EcrireOctets(d + "d4/notes", "n")
        && EcrireOctets(d + "d5/caf\xE9_0011.THM", "vignette")
        && EcrireOctets(d + "illisible.NEF", "pas un TIFF") && EcrireOctets(d + "notes.txt", "x")
        && EcrireOctets(d + ".cache/cache.jpg", JPEGSansEXIF(300))
        && EcrireOctets(d + "\xC9t\xE9/\xE8.JPG", JPEGAvecTIFF(TIFFAvecValeurs({})))
        && ::symlink("../d1", (d + "d2/vers d1").constData()) == 0
        && ::symlink("d3/IMG_0003.jpg", (d + "lien.jpg").constData()) == 0;
    if (illisibles) {
        ok = ok && EcrireOctets(d + "ferme/x.jpg", JPEGAvecTIFF(TIFFAvecValeurs({})))
            && ::chmod((d + "ferme").constData(), 0) == 0
            && ::chmod((d + "d1/img_0001.jpg").constData(), 0) == 0
            && ::chmod((d + "d2/sous/caf\xE9_0020.JPEG").constData(), 0) == 0;
    }
    return ok;
}

// Runs `test` in a child process without root (which reads whatever the permissions
// say); its text comes back, or "skip" when root could not be given up.
QString SansRoot(const std::function<QString()> &test)
{
    int tube[2];
    if (::pipe(tube) != 0)
        return u"no pipe"_s;
    const pid_t pid = ::fork();
    if (pid < 0)
        return u"no fork"_s;
    if (pid == 0) {
        ::close(tube[0]);
        QByteArray texte = "skip";
        if (::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0))
            texte = test().toUtf8();
        const bool ecrit = ::write(tube[1], texte.constData(), size_t(texte.size())) == texte.size();
        ::_exit(ecrit ? 0 : 1);
    }
    ::close(tube[1]);
    QByteArray texte;
    char tampon[4096];
    for (ssize_t n; (n = ::read(tube[0], tampon, sizeof tampon)) > 0;)
        texte.append(tampon, n);
    ::close(tube[0]);
    int statut = 0;
    ::waitpid(pid, &statut, 0);
    if (!WIFEXITED(statut) || WEXITSTATUS(statut) != 0)
        return u"the child failed"_s;
    return QString::fromUtf8(texte);
}

TEnrFichier Fichier(const QString &dossier, const QString &nom)
{
    TEnrFichier f;
    f.Dossier = dossier;
    f.Nom = nom;
    return f;
}

} // namespace

class TestChercherImages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void estImage_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<bool>("image");
        const char *oui[] = {"photo.jpeg", "PHOTO.JPG", "x.Nef", "a.jpg", "a.cr2", "a.MRW",
                             "a.orf", "a.Pef", "a.raf", "a.tif", "a.b.JPG", "éé.jPeG",
                             "photo.tiff", "a.dng", "a.CR3", "a.heic"};
        const char *non[] = {"photo", "photo.jpg.bak", "jpg", "a.jp", "a.jpgx",
                             "a.", "a.png", "a. jpg", "a.jpg "};
        for (const char *n : oui)
            QTest::newRow(n) << QString::fromUtf8(n) << true;
        for (const char *n : non)
            QTest::newRow(n) << QString::fromUtf8(n) << false;
    }
    void estImage()
    {
        QFETCH(QString, nom);
        QFETCH(bool, image);
        QCOMPARE(EstImage(nom), image);
    }

    void dossierVide()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString d = tmp.path() + u'/';
        QVERIFY(EcrireFichier(d + u"notes.txt"_s, "x"));
        QVERIFY(QDir().mkdir(d + u"vide"_s));
        for (bool recursif : {false, true}) {
            const TResultatScan c = Compter(d, recursif);
            QCOMPARE(c.nombre, 0);
            QCOMPARE(c.taille, 0);
            const TResultatScan l = Lire(d, recursif);
            QVERIFY(l.liste.isEmpty());
            QCOMPARE(l.avancees, 0);
        }
    }

    void dossierAbsent()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        QVERIFY(EcrireFichier(tmp.path() + u"/a.jpg"_s, JPEGAvecTIFF(TIFFAvecValeurs({}))));
        for (const QString &d : {tmp.path() + u"/absent/"_s, tmp.path() + u"/a.jpg/"_s,
                                 QString()}) {
            const TResultatScan c = Compter(d, true);
            QCOMPARE(c.nombre, 0);
            QCOMPARE(c.taille, 0);
            QVERIFY(Lire(d, true).liste.isEmpty());
        }
    }

    void arbre()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString d = tmp.path() + u'/';
        const QByteArray jpeg = JPEGAvecTIFF(TIFFAvecValeurs({}), true, 500);
        const QByteArray sansExif = JPEGSansEXIF(300);
        TValeursEXIF nikon;
        nikon.modele = "NIKON D70";
        const QByteArray nef = TIFFAvecValeurs(nikon, true);
        const struct {
            const char *chemin;
            QByteArray contenu;
        } fichiers[] = {
            {"photo.jpeg", jpeg},          {"PHOTO.JPG", jpeg + "1"},
            {"x.Nef", nef},                {"sans exif.jpg", sansExif},
            {"photo.png", jpeg},           {"photo", jpeg},
            {"photo.jpg.bak", jpeg},       {".a.jpg", jpeg},
            {".cache/b.jpg", jpeg},        {"sous/c.JPG", jpeg + "12"},
            {"sous/plus bas/d.jpg", jpeg}, {"sous/.e.jpg", jpeg},
        };
        for (const auto &f : fichiers)
            QVERIFY(EcrireFichier(d + QString::fromUtf8(f.chemin), f.contenu));

        // Counting opens nothing: sizes from the listing, the file without EXIF counted.
        const qint64 racine = 2 * jpeg.size() + 1 + nef.size() + sansExif.size();
        TResultatScan c = Compter(d, false);
        QCOMPARE(c.nombre, 4);
        QCOMPARE(c.taille, racine);
        QCOMPARE(c.avancees, 0);
        QVERIFY(c.liste.isEmpty());
        c = Compter(d, true);
        QCOMPARE(c.nombre, 6);
        QCOMPARE(c.taille, racine + 2 * jpeg.size() + 2);

        // The totals add up over calls.
        ChercherImages(d, c.nombre, c.taille, true, false, c.liste);
        QCOMPARE(c.nombre, 10);

        // Reading: one step per accepted file, only files with values kept, totals untouched.
        TResultatScan l = Lire(d, true);
        QCOMPARE(l.avancees, 6);
        QCOMPARE(l.nombre, 0);
        QCOMPARE(l.taille, 0);
        TrierListe(l.liste);
        QCOMPARE(Chemins(l.liste),
                 (QStringList{d + u"photo.jpeg"_s, d + u"PHOTO.JPG"_s, d + u"x.Nef"_s,
                              d + u"sous/c.JPG"_s, d + u"sous/plus bas/d.jpg"_s}));
        QCOMPARE(l.liste[1].Taille, jpeg.size() + 1);
        QCOMPARE(l.liste[3].Dossier, d + u"sous/"_s);
        QCOMPARE(l.liste[3].Taille, jpeg.size() + 2);
        QVERIFY(l.liste[2].EXIF.has_value());
        QCOMPARE(l.liste[2].EXIF->Appareil, u"NIKON D70"_s);
        QVERIFY(l.liste[2].EXIF->Valide);

        l = Lire(d, false);
        QCOMPARE(l.avancees, 4);
        QCOMPARE(l.liste.size(), 3);

        // A folder given without its final "/" is the same folder.
        QCOMPARE(Compter(tmp.path(), true).nombre, 6);
        QCOMPARE(Lire(tmp.path(), false).liste[0].Dossier, d);
    }

    void liens()
    {
        QTemporaryDir tmp, ailleurs;
        QVERIFY(tmp.isValid() && ailleurs.isValid());
        const QString d = tmp.path() + u'/';
        const QByteArray jpeg = JPEGAvecTIFF(TIFFAvecValeurs({}), true, 1000);
        QVERIFY(EcrireFichier(d + u"a.jpg"_s, jpeg));
        QVERIFY(EcrireFichier(d + u"sous/b.jpg"_s, jpeg));
        QVERIFY(EcrireFichier(ailleurs.path() + u"/c.jpg"_s, jpeg));
        QVERIFY(Lien(d, d + u"sous/boucle"_s));                       // to an ancestor
        QVERIFY(Lien(u"."_s, d + u"sous/ici"_s));                     // to itself
        QVERIFY(Lien(ailleurs.path(), d + u"externe"_s));            // folder elsewhere: followed
        QVERIFY(Lien(ailleurs.path(), d + u"externe bis"_s));        // same folder again
        QVERIFY(Lien(d + u"a.jpg"_s, d + u"lien.jpg"_s));             // link to a file
        QVERIFY(Lien(d + u"absent.jpg"_s, d + u"casse.jpg"_s));       // broken
        QVERIFY(Lien(d + u"absent"_s, d + u"dossier casse"_s));       // broken

        const TResultatScan c = Compter(d, true);
        QCOMPARE(c.nombre, 4); // a, lien, sous/b, c once
        QCOMPARE(c.taille, 4 * jpeg.size());

        TResultatScan l = Lire(d, true);
        QCOMPARE(l.avancees, 4);
        TrierListe(l.liste);
        QCOMPARE(l.liste.size(), 4);
        QCOMPARE(l.liste[0].Nom, u"a.jpg"_s);
        QCOMPARE(l.liste[1].Nom, u"lien.jpg"_s);
        QCOMPARE(l.liste[1].Taille, jpeg.size()); // the target's size, not the link's
        QCOMPARE(l.liste[2].Nom, u"c.jpg"_s);
        QVERIFY(l.liste[2].Dossier == d + u"externe/"_s
                || l.liste[2].Dossier == d + u"externe bis/"_s);
        QCOMPARE(l.liste[3].Dossier, d + u"sous/"_s);

        // Not recursive: links to folders are not followed, a link to a file is listed.
        QCOMPARE(Compter(d, false).nombre, 2);
    }

    void fichiersSpeciaux()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString d = tmp.path() + u'/';
        // Opening a fifo would block the reading pass until someone writes to it.
        QVERIFY(::mkfifo(QFile::encodeName(d + u"tube.jpg"_s).constData(), 0600) == 0);
        QVERIFY(Lien(d + u"tube.jpg"_s, d + u"lien tube.jpg"_s));
        QVERIFY(EcrireFichier(d + u"a.jpg"_s, JPEGAvecTIFF(TIFFAvecValeurs({}))));
        QCOMPARE(Compter(d, true).nombre, 1);
        QCOMPARE(Lire(d, true).liste.size(), 1);
    }

    // Companions found from the listing: each form in any case, with its size (a link's
    // is its target's); one shared by the images of one name; those of an image not kept
    // go with its report. Hidden files, folders and fifos are none; every other regular
    // file is noted. The gauge counts the images alone.
    void compagnons()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString d = tmp.path() + u'/';
        const QByteArray jpeg = JPEGAvecTIFF(TIFFAvecValeurs({}));
        for (const QString &nom : {u"IMG_0001.CR3"_s, u"IMG_0002.JPG"_s, u"IMG_0002.NEF"_s,
                                   u"IMG_0003.JPG"_s, u"sous/IMG_0005.JPG"_s})
            QVERIFY(EcrireFichier(d + nom, jpeg));
        QVERIFY(EcrireFichier(d + u"sans.jpg"_s, JPEGSansEXIF(300)));
        const struct {
            const char *nom;
            const char *contenu;
        } autres[] = {
            {"IMG_0001.xmp", "abc"}, {"IMG_0001.CR3.XMP", "abcd"}, {"IMG_0002.Wav", "12345"},
            {".IMG_0003.xmp", "h"},  {"sans.THM", "vi"},           {"notes.txt", "notes!"},
            {"img_0001.xmp", "c"},   {"IMG_0004.xmp", "sans image"}, {"sous/IMG_0005.xmp", "s"},
            {"IMG_0003.JPG.wav", "w"},
        };
        for (const auto &a : autres)
            QVERIFY(EcrireFichier(d + QString::fromUtf8(a.nom), a.contenu));
        QVERIFY(QDir().mkdir(d + u"IMG_0003.xmp"_s));
        QVERIFY(::mkfifo(QFile::encodeName(d + u"IMG_0003.thm"_s).constData(), 0600) == 0);
        QVERIFY(Lien(d + u"notes.txt"_s, d + u"IMG_0003.aae"_s));

        for (const bool recursif : {true, false}) {
            TListeImages liste;
            TBilanScan bilan;
            int nombre = 0, avancees = 0;
            qint64 taille = 0;
            ChercherImages(d, nombre, taille, false, recursif, liste, [&] { return ++avancees > 0; },
                           &bilan, Parametres(1));
            QCOMPARE(avancees, recursif ? 6 : 5);
            TrierListe(liste);
            QStringList obtenu;
            for (const TEnrFichier &f : liste)
                obtenu.append(f.Dossier.mid(d.size()) + f.Nom + u": "_s + TexteCompagnons(f));
            QStringList attendu{u"IMG_0001.CR3: IMG_0001.CR3.XMP 4=, IMG_0001.xmp 3"_s,
                                u"IMG_0002.JPG: IMG_0002.Wav 5"_s, u"IMG_0002.NEF: IMG_0002.Wav 5"_s,
                                u"IMG_0003.JPG: IMG_0003.aae 6"_s};
            if (recursif)
                attendu.append(u"sous/IMG_0005.JPG: IMG_0005.xmp 1"_s);
            QCOMPARE(obtenu, attendu);
            QCOMPARE(bilan.NonRetenus.size(), 1);
            QCOMPARE(TexteCompagnons(bilan.NonRetenus[0].Fichier), u"sans.THM 2"_s);
            const TNonRetenus r = ComparerPassages(TBilanScan{}, bilan);
            QCOMPARE(Chemins(r.Autres), (QStringList{d + u"img_0001.xmp"_s, d + u"IMG_0003.JPG.wav"_s,
                                                     d + u"IMG_0004.xmp"_s, d + u"notes.txt"_s}));
        }

        // Many in one folder, every name matched while the names grow: each image keeps
        // its own (the images here have no values: their report carries them).
        QTemporaryDir autre;
        const QString beaucoup = autre.path() + u"/beaucoup/"_s;
        for (int i = 0; i < 300; ++i) {
            const QString nom = beaucoup + u"DSC_%1"_s.arg(i, 4, 10, QChar(u'0'));
            QVERIFY(EcrireFichier(nom + u".JPG"_s, "pas un JPEG"));
            QVERIFY(EcrireFichier(nom + u".XMP"_s, QByteArray::number(i)));
        }
        {
            TListeImages liste;
            TBilanScan bilanBeaucoup;
            int n = 0;
            qint64 t = 0;
            ChercherImages(beaucoup, n, t, false, false, liste, {}, &bilanBeaucoup, Parametres(1));
            QCOMPARE(bilanBeaucoup.NonRetenus.size(), 300);
            for (const TFichierNonRetenu &f : std::as_const(bilanBeaucoup.NonRetenus)) {
                const int i = f.Fichier.Nom.mid(4, 4).toInt();
                QCOMPARE(TexteCompagnons(f.Fichier), u"DSC_%1.XMP %2"_s.arg(i, 4, 10, QChar(u'0'))
                                                         .arg(QByteArray::number(i).size()));
            }
        }

        // Without rules nothing is a companion: every other regular file is noted.
        TListeImages liste;
        TBilanScan bilan;
        int nombre = 0;
        qint64 taille = 0;
        ChercherImages(d, nombre, taille, false, false, liste, {}, &bilan);
        QVERIFY(std::all_of(liste.cbegin(), liste.cend(), [](const TEnrFichier &f) { return f.Compagnons.isEmpty(); }));
        QCOMPARE(bilan.Autres.size(), 9); // the link included, not the hidden file nor sous/
        // The counting pass notes nothing of them.
        TBilanScan comptage;
        ChercherImages(d, nombre, taille, true, true, liste, {}, &comptage, Parametres(1));
        QCOMPARE(nombre, 6);
        QVERIFY(comptage.Autres.isEmpty());
    }

    void grandesTailles()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString d = tmp.path() + u'/';
        const qint64 troisGo = 3LL << 30;
        for (const QString &n : {u"gros.nef"_s, u"sous/gros.jpg"_s}) {
            QVERIFY(EcrireFichier(d + n, JPEGAvecTIFF(TIFFAvecValeurs({}))));
            QFile f(d + n);
            if (!f.resize(troisGo)) // sparse: takes no room
                QSKIP("the temporary folder's file system cannot hold a 3 GiB sparse file");
        }
        const TResultatScan c = Compter(d, true);
        QCOMPARE(c.nombre, 2);
        QCOMPARE(c.taille, 2 * troisGo);
        const TResultatScan l = Lire(d, true);
        QCOMPARE(l.liste.size(), 2); // the JPEG named .nef is read as the JPEG it is
        QCOMPARE(l.liste[0].Taille, troisGo);
        QCOMPARE(l.liste[1].Taille, troisGo);
    }

    void dossierIlisible()
    {
        // Root reads every folder whatever its permission bits: the scan runs in a child
        // process that gives up root first.
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString d = tmp.path() + u'/';
        QVERIFY(EcrireFichier(d + u"a.jpg"_s, "a"));
        QVERIFY(EcrireFichier(d + u"ferme/b.jpg"_s, "bb"));
        QVERIFY(EcrireFichier(d + u"ouvert/c.jpg"_s, "ccc"));
        QVERIFY(::chmod(QFile::encodeName(tmp.path()).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(d + u"ferme"_s).constData(), 0) == 0);

        int tube[2];
        QVERIFY(::pipe(tube) == 0);
        const pid_t pid = ::fork();
        QVERIFY(pid >= 0);
        if (pid == 0) {
            ::close(tube[0]);
            qint64 resultat[2] = {-1, -1};
            if (::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0)) {
                int nombre = 0;
                qint64 taille = 0;
                TListeImages liste;
                ChercherImages(d, nombre, taille, true, true, liste);
                resultat[0] = nombre;
                resultat[1] = taille;
            }
            const ssize_t ecrits = ::write(tube[1], resultat, sizeof resultat);
            ::_exit(ecrits == sizeof resultat ? 0 : 1);
        }
        ::close(tube[1]);
        qint64 resultat[2] = {-2, -2};
        const ssize_t lus = ::read(tube[0], resultat, sizeof resultat);
        ::close(tube[0]);
        int statut = 0;
        ::waitpid(pid, &statut, 0);
        ::chmod(QFile::encodeName(d + u"ferme"_s).constData(), 0755);
        QCOMPARE(lus, qint64(sizeof resultat));
        if (resultat[0] == -1)
            QSKIP("could not give up root to test an unreadable folder");
        QCOMPARE(resultat[0], 2);
        QCOMPARE(resultat[1], 4); // a.jpg and ouvert/c.jpg
    }

    // Names that are not UTF-8 are listed, read and kept with their very bytes; folders
    // of such names are entered.
    void nomsNonUTF8()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QByteArray d = NomEnOctets(tmp.path()) + '/';
        const QByteArray jpeg = JPEGAvecTIFF(TIFFAvecValeurs({}));
        QVERIFY(EcrireOctets(d + "caf\xE9.jpg", jpeg));
        QVERIFY(CreerDossierOctets(d + "\xC9t\xE9"));
        QVERIFY(EcrireOctets(d + "\xC9t\xE9/\xE8.JPG", jpeg));
        const TResultatScan c = Compter(NomDepuisOctets(d), true);
        QCOMPARE(c.nombre, 2);
        TResultatScan l = Lire(NomDepuisOctets(d), true);
        TrierListe(l.liste);
        QCOMPARE(l.liste.size(), 2);
        QCOMPARE(NomEnOctets(l.liste[0].Dossier + l.liste[0].Nom), d + "caf\xE9.jpg");
        QCOMPARE(NomEnOctets(l.liste[1].Dossier + l.liste[1].Nom), d + "\xC9t\xE9/\xE8.JPG");
        SupprimerArbre(NomEnOctets(tmp.path()));

        // Two names that differ only in a byte that is not UTF-8 are not the same key.
        TEnrFichier a, b;
        a.Dossier = b.Dossier = u"/p/"_s;
        a.Nom = NomDepuisOctets("caf\xE8.jpg");
        b.Nom = NomDepuisOctets("caf\xE9.jpg");
        QCOMPARE(ComparerFichiers(a, b), -1);
        QCOMPARE(ComparerFichiers(b, a), 1);
    }

    // What each pass met, and the comparison that names every counted file the reading
    // pass did not keep: read without values, unreadable, or gone since the counting.
    void bilanDesPassages()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString d = tmp.path() + u'/';
        const QByteArray jpeg = JPEGAvecTIFF(TIFFAvecValeurs({}));
        QVERIFY(EcrireFichier(d + u"a.jpg"_s, jpeg));
        QVERIFY(EcrireFichier(d + u"b.jpg"_s, JPEGSansEXIF()));
        QVERIFY(EcrireFichier(d + u"e.jpg"_s, jpeg));
        QVERIFY(EcrireFichier(d + u"sous/c.jpg"_s, jpeg));
        QVERIFY(EcrireFichier(d + u"sous/d.jpg"_s, jpeg));
        QVERIFY(EcrireFichier(d + u"parti/f.jpg"_s, jpeg));

        int nombre = 0;
        qint64 taille = 0;
        TListeImages inutilisee;
        TBilanScan comptage;
        ChercherImages(d, nombre, taille, true, true, inutilisee, {}, &comptage);
        QCOMPARE(nombre, 6);
        QCOMPARE(comptage.Inventaire.size(), 3);
        QCOMPARE(comptage.Inventaire.value(NomEnOctets(d + u"sous/"_s)).count('\0'), 2);
        QVERIFY(comptage.DossiersIllisibles.isEmpty());

        QVERIFY(QFile::remove(d + u"e.jpg"_s));
        QVERIFY(QFile::remove(d + u"sous/d.jpg"_s));
        QVERIFY(QDir(d + u"parti"_s).removeRecursively());
        TListeImages liste;
        TBilanScan lecture;
        ChercherImages(d, nombre, taille, false, true, liste, {}, &lecture);
        QCOMPARE(liste.size(), 2);
        QCOMPARE(lecture.NonRetenus.size(), 1);

        const TNonRetenus r = ComparerPassages(comptage, lecture);
        QCOMPARE(r.Dossiers, QStringList());
        QStringList fichiers;
        for (const TFichierNonRetenu &f : r.Fichiers)
            fichiers.append(f.Fichier.Dossier.mid(d.size()) + f.Fichier.Nom
                            + (f.Issue == TIssueLecture::SansValeur ? u" sans valeur"_s : u" illisible"_s));
        QCOMPARE(fichiers, (QStringList{u"b.jpg sans valeur"_s, u"e.jpg illisible"_s,
                                        u"parti/f.jpg illisible"_s, u"sous/d.jpg illisible"_s}));

        // A source that is missing is a folder that cannot be listed.
        TBilanScan absent;
        ChercherImages(d + u"absent/"_s, nombre, taille, true, true, inutilisee, {}, &absent);
        QCOMPARE(absent.DossiersIllisibles, QStringList{d + u"absent/"_s});
    }

    // Folders that either pass could not list: once each, sorted by the bytes of their path.
    void dossiersIllisiblesTries()
    {
        TBilanScan comptage, lecture;
        comptage.DossiersIllisibles = {u"/x/b/"_s, u"/x/a/z/"_s};
        lecture.DossiersIllisibles = {u"/x/b c/"_s, u"/x/b/"_s, u"/x/B/"_s};
        QCOMPARE(ComparerPassages(comptage, lecture).Dossiers,
                 (QStringList{u"/x/B/"_s, u"/x/a/z/"_s, u"/x/b c/"_s, u"/x/b/"_s}));
    }

    void corpus()
    {
        EXIGER_CORPUS();
        const QString d = DossierCorpus();
        const TResultatScan c = Compter(d, true);
        const TResultatScan l = Lire(d, true);
        QCOMPARE(l.avancees, c.nombre);
        int images = 0;
        qint64 taille = 0;
        for (QDirIterator it(d, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            it.next();
            if (EstImage(it.fileName())) {
                ++images;
                taille += it.fileInfo().size();
            }
        }
        QCOMPARE(c.nombre, images); // every accepted kind, the .tiff files among them
        QCOMPARE(c.taille, taille);
        bool canon = false;
        for (const TEnrFichier &f : l.liste) {
            QVERIFY2(!f.Dossier.endsWith(u"/no-exif/"_s), qPrintable(f.Nom));
            QCOMPARE(f.Taille, QFileInfo(f.Dossier + f.Nom).size());
            canon = canon || (f.Nom == u"Canon_40D.jpg"_s && f.EXIF->Appareil == u"Canon EOS 40D"_s);
        }
        QVERIFY(canon);
    }

    // The same list (order and texts), counts, steps and error lines whatever the number
    // of requests in flight.
    void memesResultatsSelonVol()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QByteArray d = NomEnOctets(tmp.path()) + '/';
        QVERIFY(::chmod(NomEnOctets(tmp.path()).constData(), 0755) == 0);
        QVERIFY(ArbreVarie(d, false));
        const QString arbre = EcartsSelonVol(NomDepuisOctets(d), false);
        QVERIFY2(arbre.isEmpty(), qPrintable(arbre));
        if (!DossierCorpus().isEmpty()) {
            const QString corpus = EcartsSelonVol(DossierCorpus(), false);
            QVERIFY2(corpus.isEmpty(), qPrintable(corpus));
        }

        // Unreadable files and folder: read by a process that is not root.
        QVERIFY(ArbreVarie(d + "illisibles/", true));
        const QString illisibles =
            SansRoot([&] { return EcartsSelonVol(NomDepuisOctets(d + "illisibles/"), true); });
        ::chmod((d + "illisibles/ferme").constData(), 0755);
        SupprimerArbre(d);
        if (illisibles == u"skip"_s)
            QSKIP("could not give up root to make files unreadable");
        QVERIFY2(illisibles.isEmpty(), qPrintable(illisibles));
        EXIGER_CORPUS();
    }

    // A reading pass stopped while requests are in flight: at once, nothing appended,
    // no worker thread left.
    void lectureArretee()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString d = tmp.path() + u'/';
        for (int i = 0; i < 60; ++i)
            QVERIFY(EcrireFichier(d + u"%1.jpg"_s.arg(i), JPEGAvecTIFF(TIFFAvecValeurs({}))));
        const int avant = FilsDuProcessus();
        for (int enVol : {1, 8}) {
            TListeImages liste;
            TBilanScan bilan;
            int nombre = 0, avancees = 0;
            qint64 taille = 0;
            const bool fini = ChercherImages(d, nombre, taille, false, true, liste,
                                             [&] { return ++avancees < 5; }, &bilan, Parametres(enVol));
            QVERIFY(!fini);
            QCOMPARE(avancees, 5);
            QVERIFY(liste.isEmpty());
            QVERIFY(bilan.NonRetenus.isEmpty());
            QCOMPARE(FilsDuProcessus(), avant);
        }
    }

    // `patienter` is called in both passes, listing and waiting, and stops the scan.
    void patienceArretee_data()
    {
        QTest::addColumn<bool>("comptage");
        QTest::addColumn<int>("enVol");
        QTest::newRow("comptage, 1 en vol") << true << 1;
        QTest::newRow("comptage, 8 en vol") << true << 8;
        QTest::newRow("lecture, 1 en vol") << false << 1;
        QTest::newRow("lecture, 8 en vol") << false << 8;
    }
    void patienceArretee()
    {
        QFETCH(bool, comptage);
        QFETCH(int, enVol);
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString d = tmp.path() + u'/';
        for (int i = 0; i < 40; ++i)
            QVERIFY(EcrireFichier(d + u"d%1/%2.jpg"_s.arg(i % 4).arg(i), JPEGAvecTIFF(TIFFAvecValeurs({}))));
        const int avant = FilsDuProcessus();

        // Never stopped: called at least once per so many entries, on the calling thread.
        TParametresScan p = Parametres(enVol);
        p.entreesParPatience = 5;
        int appels = 0;
        p.patienter = [&] { return ++appels > 0; };
        int nombre = 0, avancees = 0;
        qint64 taille = 0;
        TListeImages liste;
        QVERIFY(ChercherImages(d, nombre, taille, comptage, true, liste,
                               [&] { return ++avancees > 0; }, nullptr, p));
        QVERIFY2(appels >= 40 / 5, qPrintable(QString::number(appels)));
        QCOMPARE(comptage ? nombre : int(liste.size()), 40);

        // Stopped at the third call.
        appels = 0;
        nombre = avancees = 0;
        liste.clear();
        p.patienter = [&] { return ++appels < 3; };
        QVERIFY(!ChercherImages(d, nombre, taille, comptage, true, liste,
                                [&] { return ++avancees > 0; }, nullptr, p));
        QCOMPARE(appels, 3);
        QVERIFY(nombre < 40);
        QVERIFY(liste.isEmpty());
        QVERIFY(avancees < 40);
        QCOMPARE(FilsDuProcessus(), avant);
    }

    void comparer_data()
    {
        QTest::addColumn<QString>("dossierA");
        QTest::addColumn<QString>("nomA");
        QTest::addColumn<QString>("dossierB");
        QTest::addColumn<QString>("nomB");
        QTest::addColumn<int>("resultat");
        QTest::newRow("folder before sub-folder")
            << u"/D/Photos/"_s << u"zz.jpg"_s << u"/D/Photos/2004/"_s << u"aa.jpg"_s << -1;
        QTest::newRow("case folded") << u"/p/"_s << u"b.jpg"_s << u"/p/"_s << u"C.JPG"_s << -1;
        QTest::newRow("space before slash")
            << u"/A B/"_s << u"x.jpg"_s << u"/A/"_s << u"x.jpg"_s << -1;
        QTest::newRow("slash before underscore")
            << u"/A/z/"_s << u"x.jpg"_s << u"/A_/"_s << u"x.jpg"_s << -1;
        QTest::newRow("letter before underscore")
            << u"/p/"_s << u"a.jpg"_s << u"/p/"_s << u"_a.jpg"_s << -1;
        QTest::newRow("equal but for case")
            << u"/p/"_s << u"IMG.jpg"_s << u"/P/"_s << u"img.JPG"_s << 0;
        QTest::newRow("prefix first") << u"/p/"_s << u"a.jpg"_s << u"/p/"_s << u"a.jpg2"_s << -1;
        QTest::newRow("after") << u"/p/"_s << u"b.jpg"_s << u"/p/"_s << u"a.jpg"_s << 1;
        QTest::newRow("accent folded") << u"/p/"_s << u"é.jpg"_s << u"/p/"_s << u"É.JPG"_s << 0;
        QTest::newRow("accent after Z") << u"/p/"_s << u"z.jpg"_s << u"/p/"_s << u"é.jpg"_s << -1;
    }
    void comparer()
    {
        QFETCH(QString, dossierA);
        QFETCH(QString, nomA);
        QFETCH(QString, dossierB);
        QFETCH(QString, nomB);
        QFETCH(int, resultat);
        const TEnrFichier a = Fichier(dossierA, nomA), b = Fichier(dossierB, nomB);
        QCOMPARE(ComparerFichiers(a, b), resultat);
        QCOMPARE(ComparerFichiers(b, a), -resultat);
    }

    void trier()
    {
        // A space (32) is below "/" (47), itself below "_" (95); code 1 after the folder
        // puts a folder's images before its sub-folders'.
        const QStringList attendu{u"/D/Photos A/a.jpg"_s,    u"/D/Photos/a.jpg"_s,
                                  u"/D/Photos/b.jpg"_s,      u"/D/Photos/C.JPG"_s,
                                  u"/D/Photos/_a.jpg"_s,     u"/D/Photos/2004/a.jpg"_s,
                                  u"/D/Photos/2004/x/a.jpg"_s, u"/D/Photos_/a.jpg"_s};
        TListeImages liste;
        for (const QString &c : attendu) {
            const qsizetype i = c.lastIndexOf(u'/') + 1;
            liste.append(Fichier(c.left(i), c.mid(i)));
            liste.last().Taille = liste.size();
        }
        std::mt19937 alea(42);
        for (int essai = 0; essai < 10; ++essai) {
            std::shuffle(liste.begin(), liste.end(), alea);
            TrierListe(liste);
            QCOMPARE(Chemins(liste), attendu);
        }
        // Records travel whole with their keys.
        for (qsizetype i = 0; i < liste.size(); ++i)
            QCOMPARE(liste[i].Taille, i + 1);
        TListeImages vide;
        TrierListe(vide);
        QVERIFY(vide.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestChercherImages)
#include "tst_chercherimages.moc"
