// The real program on a display of its own with a window manager, driven by the keyboard
// as a user drives it: one key press is one question and one answer whatever control has
// the focus, Escape during a run asks once, the accelerators of the buttons and toggles,
// and the folders an installed program starts on. The message boxes are counted by their
// titles as they appear, and their texts read back where it matters.
//
// Each case runs a copy of the program in a scratch folder with a scratch HOME: the
// user's own settings, files and running program are never touched.
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "BureauVirtuel.h"
#include "ConstructeurEXIF.h"
#include "ConstructeurFilm.h"

using namespace Qt::StringLiterals;

namespace {

// CTest's SKIP_RETURN_CODE: no X server could start here.
constexpr int kSansServeurX = 77;
// How long an answered box is watched for a second one: one press must not come back.
constexpr int kSurveillanceMs = 1000;
constexpr int kAttenteMs = 60000; // a window the program must show (slow machines, sanitizers)
constexpr int kPauseMs = 50;      // between two looks at the screen
const QString kTitrePrincipal = u"^Copie, Renommage selon les donn"_s;

struct TBoite {
    QString id;
    QString titre;
};

// A step of a case written as a helper: its failure ends the case, as QVERIFY does.
#define ETAPE(appel)                                                                               \
    do {                                                                                           \
        appel;                                                                                     \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

} // namespace

class TestBureau : public QObject {
    Q_OBJECT

public:
    bool SansServeurX() const { return m_sansServeurX; }

private:
    TBureauVirtuel m_bureau;
    bool m_sansServeurX = false;
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<QProcess> m_programme;
    QString m_principale;
    QSet<QString> m_vues; // the message boxes met so far

    QString Chemin(const QString &relatif) const { return m_tmp->filePath(relatif); }
    QString Source() const { return Chemin(u"carte/DCIM"_s); }
    QString Destination() const { return Chemin(u"tri"_s); }

    // `nombre` photographs in the card's folder.
    bool Carte(int nombre)
    {
        const QByteArray photo = JPEGAvecTIFF(TIFFAvecValeurs({}));
        for (int i = 0; i < nombre; ++i)
            if (!EcrireFichier(Source() + u"/IMG_%1.JPG"_s.arg(i, 4, 10, QChar(u'0')), photo))
                return false;
        return QDir().mkpath(Destination());
    }

    int Copies() const
    {
        int n = 0;
        for (QDirIterator it(Destination(), QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
            ++n;
        return n;
    }

    // A copy of the program in `dossier` (made), with the settings `reglages` beside it
    // (none when empty), started on the display; true once its window shows. `sansVisionneuse`:
    // the desktop knows no text viewer, so that the program shows its log in its own window.
    bool Lancer(const QString &dossier, const QByteArray &reglages, bool sansVisionneuse = false)
    {
        if (!QDir().mkpath(dossier) || !QFile::copy(QStringLiteral(CLARVANE_PROGRAMME), dossier + u"/clarvane"_s))
            return false;
        if (!reglages.isEmpty() && !EcrireFichier(dossier + u"/Clarvane.ini"_s, reglages))
            return false;
        const QString maison = Chemin(u"maison"_s), execution = Chemin(u"execution"_s);
        if (!QDir().mkpath(maison + u"/.config"_s) || !QDir().mkpath(execution)
            || ::chmod(QFile::encodeName(execution).constData(), 0700) != 0)
            return false;
        QProcessEnvironment env = m_bureau.Environnement();
        env.insert(u"HOME"_s, maison);
        env.insert(u"XDG_CONFIG_HOME"_s, maison + u"/.config"_s);
        env.insert(u"XDG_DATA_HOME"_s, maison + u"/.local/share"_s);
        env.insert(u"XDG_CACHE_HOME"_s, maison + u"/.cache"_s);
        // Its own single-instance socket: another test's program is another user's.
        env.insert(u"XDG_RUNTIME_DIR"_s, execution);
        if (sansVisionneuse) { // no desktop entry, no MIME association: whatever the machine has
            env.insert(u"XDG_DATA_DIRS"_s, maison + u"/.local/share"_s);
            env.insert(u"XDG_CONFIG_DIRS"_s, maison + u"/.config"_s);
        }
        m_programme = std::make_unique<QProcess>();
        m_programme->setProcessEnvironment(env);
        m_programme->setProcessChannelMode(QProcess::ForwardedChannels); // sanitizer reports
        LierALaVieDuTest(*m_programme);
        m_programme->start(dossier + u"/clarvane"_s, QStringList());
        if (!m_programme->waitForStarted(10000))
            return false;
        m_principale = AttendreFenetre(kTitrePrincipal);
        return !m_principale.isEmpty();
    }

    // The first shown window of the program whose title matches, once it shows.
    QString AttendreFenetre(const QString &motif)
    {
        QDeadlineTimer fin(kAttenteMs);
        do {
            const QStringList fenetres = m_bureau.Fenetres(motif);
            if (!fenetres.isEmpty())
                return fenetres.first();
        } while (!fin.hasExpired() && Patienter());
        return {};
    }

    // True once no shown window of the program has a title that matches.
    bool AttendreFermeture(const QString &motif)
    {
        QDeadlineTimer fin(kAttenteMs);
        do {
            if (m_bureau.Fenetres(motif).isEmpty())
                return true;
        } while (!fin.hasExpired() && Patienter());
        return false;
    }

    // A pause between two looks at the screen; false once the program has ended (a crash,
    // a sanitizer's report), when nothing more will come.
    bool Patienter()
    {
        m_programme->waitForFinished(kPauseMs);
        return m_programme->state() != QProcess::NotRunning;
    }

    // The settings of a card: its folder as the source, `tri` as the destination.
    QByteArray ReglagesCarte() const
    {
        return "[GENERAL]\r\ncDossSrc=" + QFile::encodeName(Source()) + "/\r\ncDossDst="
            + QFile::encodeName(Destination()) + "/\r\n";
    }

    bool LancerSurCarte() { return Lancer(Chemin(u"programme"_s), ReglagesCarte()); }

    // Keys to the main window, as a user types them once it has the focus.
    bool DansLaFenetre(const QString &touches)
    {
        return m_bureau.Activer(m_principale) && m_bureau.Touches(touches);
    }

    // Alt+Q: the program ends, saving its settings, with status 0 (and no sanitizer report).
    bool Quitter()
    {
        if (!DansLaFenetre(u"alt+q"_s) || !m_programme->waitForFinished(kAttenteMs))
            return false;
        return m_programme->exitStatus() == QProcess::NormalExit && m_programme->exitCode() == 0;
    }

    // The message boxes shown since the last look, in the order they were first seen.
    QList<TBoite> NouvellesBoites()
    {
        QList<TBoite> nouvelles;
        for (const QString &id : m_bureau.Fenetres(u"^(Attention|Information|Erreur)$"_s)) {
            if (m_vues.contains(id))
                continue;
            m_vues.insert(id);
            nouvelles.append({id, m_bureau.Titre(id)});
        }
        return nouvelles;
    }

    // The next box that appears (its title empty when none does within `delaiMs`).
    TBoite ProchaineBoite(int delaiMs = kAttenteMs)
    {
        QDeadlineTimer fin(delaiMs);
        do {
            const QList<TBoite> nouvelles = NouvellesBoites();
            if (!nouvelles.isEmpty())
                return nouvelles.first();
        } while (!fin.hasExpired() && Patienter());
        return {};
    }

    // The boxes that appear within `delaiMs`, by their titles.
    QStringList BoitesPendant(int delaiMs)
    {
        QStringList titres;
        QDeadlineTimer fin(delaiMs);
        do {
            for (const TBoite &b : NouvellesBoites())
                titres << b.titre;
        } while (!fin.hasExpired() && Patienter());
        return titres;
    }

    // A settings file's value of `cle`, as the program wrote it.
    static QString Valeur(const QString &fichier, const QString &cle)
    {
        for (const QString &ligne : QString::fromUtf8(LireFichier(fichier)).split(u"\r\n"_s))
            if (ligne.startsWith(cle + u'='))
                return ligne.mid(cle.size() + 1);
        return u"<absent>"_s;
    }

    // Every file and folder below `dossier`, hidden ones included, by its relative path:
    // a file with its bytes, a folder as "/".
    static QMap<QString, QByteArray> Arbre(const QString &dossier)
    {
        QMap<QString, QByteArray> arbre;
        QDirIterator it(dossier, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo f = it.nextFileInfo();
            arbre.insert(QDir(dossier).relativeFilePath(f.filePath()),
                         f.isDir() && !f.isSymLink() ? QByteArray("/") : LireFichier(f.filePath()));
        }
        return arbre;
    }

    // The next box that appears: its title, the beginning of its text, then the keys that
    // answer it. Run through ETAPE: a failure here ends the case.
    void Boite(const QString &titre, const QString &debutTexte, const QString &reponse)
    {
        const TBoite boite = ProchaineBoite();
        QCOMPARE(boite.titre, titre);
        const QString texte = m_bureau.TexteBoite(boite.id);
        QVERIFY2(texte.startsWith(debutTexte), qPrintable(u"read: "_s + texte));
        QVERIFY(m_bureau.Activer(boite.id) && m_bureau.Touches(reponse));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString pourquoi;
        switch (m_bureau.Demarrer(pourquoi)) {
        case TBureauVirtuel::TEtat::Pret:
            break;
        case TBureauVirtuel::TEtat::SansServeur:
            m_sansServeurX = true;
            QSKIP(qPrintable(pourquoi));
        case TBureauVirtuel::TEtat::Echec:
            QFAIL(qPrintable(pourquoi));
        }
        QVERIFY(QFileInfo(QStringLiteral(CLARVANE_PROGRAMME)).isExecutable());
    }

    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_vues.clear();
    }

    void cleanup()
    {
        if (m_programme && m_programme->state() != QProcess::NotRunning) {
            m_programme->kill();
            m_programme->waitForFinished(5000);
        }
        m_programme.reset();
    }

    // After a run, one Ctrl+Z with the focus in a tree asks once; "Non" brings no second
    // question and changes nothing; "Oui" takes the run back and tells it once, never
    // followed by "Aucun traitement à annuler.".
    void annulerUneFois_data()
    {
        QTest::addColumn<QString>("arbre"); // the label's accelerator that gives it the focus
        QTest::newRow("source") << u"alt+s"_s;
        QTest::newRow("ordre") << u"alt+o"_s;
        QTest::newRow("destination") << u"alt+d"_s;
    }
    void annulerUneFois()
    {
        QFETCH(QString, arbre);
        constexpr int kImages = 3;
        QVERIFY(Carte(kImages));
        QVERIFY(LancerSurCarte());
        QVERIFY(DansLaFenetre(u"alt+t"_s));
        ETAPE(Boite(u"Attention"_s, u"Traiter les %1 Images"_s.arg(kImages), u"Return"_s)); // "Oui" the default
        ETAPE(Boite(u"Information"_s, u"%1 images traitées"_s.arg(kImages), u"Return"_s));
        QCOMPARE(BoitesPendant(kSurveillanceMs), QStringList());
        QCOMPARE(Copies(), kImages);

        QVERIFY(DansLaFenetre(arbre + u" ctrl+z"_s));
        const QString question = u"Annuler le dernier traitement (%1 images) ?"_s.arg(kImages);
        ETAPE(Boite(u"Attention"_s, question, u"Return"_s)); // "Non" is its default
        QCOMPARE(BoitesPendant(kSurveillanceMs), QStringList());
        QCOMPARE(Copies(), kImages);

        QVERIFY(DansLaFenetre(arbre + u" ctrl+z"_s));
        ETAPE(Boite(u"Attention"_s, question, u"alt+o"_s));
        ETAPE(Boite(u"Information"_s, u"%1 copies retirées."_s.arg(kImages), u"Return"_s));
        QCOMPARE(BoitesPendant(kSurveillanceMs), QStringList());
        QCOMPARE(Copies(), 0);
        QVERIFY(Quitter());
    }

    // A card as a camera and a phone write it, copied by Alt+T and Return: every file of it
    // at its target with its very bytes or named in the log, the summary once; Ctrl+Z and
    // "Oui" take the run back whole, its question and its summary counting the images (a
    // companion goes back with its image). Then a rename run and its undo leave the card as
    // it was, byte for byte and name for name.
    void carteEntiere()
    {
        TValeursEXIF canon;
        canon.modele = "Canon EOS R5";
        TValeursEXIF telephone;
        telephone.modele = "iPhone 13";
        TOptionsFilm sony;
        sony.marque = "XAVC";
        sony.creation = Secondes1904(2024, 8, 2, 12, 0, 0);
        // Each file of DCIM/100CANON, and the folder of the image it goes into (none: left).
        const QList<std::tuple<QString, QByteArray, QString>> carte{
            {u"IMG_0001.CR3"_s, CR3AvecValeurs(canon), u"Canon EOS R5"_s},
            {u"IMG_0001.JPG"_s, JPEGAvecTIFF(TIFFAvecValeurs(canon)), u"Canon EOS R5"_s},
            {u"IMG_0001.xmp"_s, "<x:xmpmeta xmp:Rating=\"5\"/>", u"Canon EOS R5"_s},
            {u"IMG_0002.JPG"_s, JPEGAvecTIFF(TIFFAvecValeurs(canon), true, 4000), u"Canon EOS R5"_s},
            {u"IMG_0002.WAV"_s, QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) + QByteArray(3000, '\x7F'), u"Canon EOS R5"_s},
            {u"C0001.MP4"_s, FilmAvecValeurs(sony), u"ILCE-7M4"_s},
            {u"C0001M01.XML"_s, XMLSony("ILCE-7M4", "2024-08-03T08:00:00+02:00"), u"ILCE-7M4"_s},
            {u"IMG_0004.HEIC"_s, HEIFAvecTIFF(TIFFAvecValeurs(telephone)), u"iPhone 13"_s},
            {u"IMG_0004.AAE"_s, "<?xml version=\"1.0\"?><plist/>", u"iPhone 13"_s},
            {u"notes.txt"_s, "à ne pas oublier", QString()},
        };
        constexpr int kImages = 5;
        const QString dossierCarte = Source() + u"/100CANON/"_s;
        for (const auto &[nom, octets, dossier] : carte)
            QVERIFY(EcrireFichier(dossierCarte + nom, octets));
        // The user's own in the destination: a folder the run also copies into, and another.
        QVERIFY(EcrireFichier(Destination() + u"/Canon EOS R5/lisez-moi.txt"_s, "à moi"));
        QVERIFY(EcrireFichier(Destination() + u"/Ancien/photo.jpg"_s, "à moi aussi"));
        const QMap<QString, QByteArray> avantCarte = Arbre(Chemin(u"carte"_s));
        const QMap<QString, QByteArray> avantTri = Arbre(Destination());
        const QByteArray reglages = "[GENERAL]\r\ncDossSrc=" + QFile::encodeName(Source()) + "/\r\ncDossDst="
            + QFile::encodeName(Destination()) + "/\r\nlLectRecurs=1\r\nlCopier=1\r\ncOrdreDonEXIF=Afvdpi\r\n"
            "nSep=2\r\n";
        QVERIFY(Lancer(Chemin(u"programme"_s), reglages, true));
        const QString journal = Chemin(u"programme/Clarvane.journal"_s);

        // The copy, as a user makes it.
        QVERIFY(DansLaFenetre(u"alt+t"_s));
        ETAPE(Boite(u"Attention"_s, u"Traiter les %1 Images"_s.arg(kImages), u"Return"_s));
        ETAPE(Boite(u"Information"_s, u"%1 images traitées"_s.arg(kImages), u"Return"_s));
        // The log it left, in a window of the program's own, is closed as a user does.
        const QString fenetreJournal = AttendreFenetre(u"^Clarvane\\.erreurs\\.txt$"_s);
        QVERIFY(!fenetreJournal.isEmpty());
        QVERIFY(m_bureau.Activer(fenetreJournal) && m_bureau.Touches(u"Return"_s)); // "Fermer"
        QVERIFY(AttendreFermeture(u"^Clarvane\\.erreurs\\.txt$"_s));
        QCOMPARE(BoitesPendant(kSurveillanceMs), QStringList());
        const QStringList lignes = QString::fromUtf8(LireFichier(Chemin(u"programme/Clarvane.erreurs.txt"_s)))
                                       .split(u"\r\n"_s, Qt::SkipEmptyParts);
        QMap<QString, QByteArray> attendu = avantTri;
        QStringList laisses;
        for (const auto &[nom, octets, dossier] : carte) {
            if (dossier.isEmpty()) {
                laisses.append(u"Non copié (ni image ni fichier associé) : "_s + dossierCarte + nom);
                continue;
            }
            attendu.insert(dossier, "/");
            attendu.insert(dossier + u'/' + nom, octets);
        }
        QCOMPARE(lignes, laisses);
        QCOMPARE(Arbre(Destination()), attendu);
        QCOMPARE(Arbre(Chemin(u"carte"_s)), avantCarte);
        QVERIFY(QFile::exists(journal));

        // Ctrl+Z and "Oui": nothing the run made is left, and the images are counted.
        QVERIFY(DansLaFenetre(u"ctrl+z"_s));
        ETAPE(Boite(u"Attention"_s, u"Annuler le dernier traitement (%1 images) ?"_s.arg(kImages), u"alt+o"_s));
        ETAPE(Boite(u"Information"_s, u"%1 copies retirées."_s.arg(kImages), u"Return"_s));
        QCOMPARE(BoitesPendant(kSurveillanceMs), QStringList());
        QCOMPARE(Arbre(Destination()), avantTri);
        QVERIFY(!QFile::exists(journal));

        // A rename run on the card, then its undo.
        QVERIFY(DansLaFenetre(u"--delay 250 ctrl+r alt+t"_s));
        ETAPE(Boite(u"Attention"_s, u"Traiter les %1 Images"_s.arg(kImages), u"Return"_s));
        ETAPE(Boite(u"Information"_s, u"%1 images traitées"_s.arg(kImages), u"Return"_s));
        QCOMPARE(BoitesPendant(kSurveillanceMs), QStringList()); // nothing left behind to name
        QStringList renommes;
        for (const auto &[nom, octets, dossier] : carte)
            renommes.append(dossier.isEmpty() ? nom : dossier + u'-' + nom);
        renommes.sort();
        QCOMPARE(QDir(dossierCarte).entryList(QDir::Files | QDir::Hidden, QDir::Name), renommes);
        QVERIFY(DansLaFenetre(u"ctrl+z"_s));
        ETAPE(Boite(u"Attention"_s, u"Annuler le dernier traitement (%1 images) ?"_s.arg(kImages), u"alt+o"_s));
        ETAPE(Boite(u"Information"_s, u"%1 images restaurées."_s.arg(kImages), u"Return"_s));
        QCOMPARE(BoitesPendant(kSurveillanceMs), QStringList());
        QCOMPARE(Arbre(Chemin(u"carte"_s)), avantCarte);
        QCOMPARE(Arbre(Destination()), avantTri);
        QVERIFY(!QFile::exists(journal));
        QVERIFY(Quitter());
    }

    // Escape once in the main window during a long run asks "Interrompre le traitement ?"
    // once; "Non" lets the run end with its summary and nothing else.
    void echapUneFois()
    {
        constexpr int kImages = 4000;
        QVERIFY(Carte(kImages));
        QVERIFY(LancerSurCarte());
        QVERIFY(DansLaFenetre(u"alt+t"_s));
        ETAPE(Boite(u"Attention"_s, u"Traiter les %1 Images"_s.arg(kImages), u"Return"_s));
        QVERIFY(!AttendreFenetre(u"^Phase"_s).isEmpty()); // the progress pop-up
        QVERIFY(DansLaFenetre(u"Escape"_s));
        ETAPE(Boite(u"Attention"_s, u"Interrompre le traitement ?"_s, u"Return"_s)); // "Non" the default
        // The summary, not a second question.
        ETAPE(Boite(u"Information"_s, u"%1 images traitées"_s.arg(kImages), u"Return"_s));
        QCOMPARE(BoitesPendant(kSurveillanceMs / 3), QStringList());
        QCOMPARE(Copies(), kImages);
        QVERIFY(Quitter());
    }

    // The toggles' underlined letters click them as their Ctrl keys do; what they chose
    // is what the settings keep at Alt+Q.
    void toggles_data()
    {
        QTest::addColumn<QString>("touches");
        QTest::addColumn<QString>("lCopier");
        QTest::addColumn<QString>("lLectRecurs");
        QTest::newRow("Alt+R Alt+L") << u"alt+r alt+l"_s << u"0"_s << u"1"_s;
        QTest::newRow("Alt+R Alt+C") << u"alt+r alt+c"_s << u"1"_s << u"0"_s;
        QTest::newRow("Alt+L Ctrl+L") << u"alt+l ctrl+l"_s << u"1"_s << u"0"_s;
        QTest::newRow("Ctrl+R Alt+L") << u"ctrl+r alt+l"_s << u"0"_s << u"1"_s;
        // A tree's own Ctrl+C (copying its caption) does not take the key from the window.
        QTest::newRow("Ctrl+C in a tree") << u"ctrl+r alt+s ctrl+c"_s << u"1"_s << u"0"_s;
    }
    void toggles()
    {
        QFETCH(QString, touches);
        QFETCH(QString, lCopier);
        QFETCH(QString, lLectRecurs);
        QVERIFY(Carte(1));
        QVERIFY(LancerSurCarte());
        // At a hand's pace: an accelerator shows its button pressed for 100 ms, then clicks.
        QVERIFY(DansLaFenetre(u"--delay 250 "_s + touches));
        QVERIFY(Quitter());
        const QString reglages = Chemin(u"programme/Clarvane.ini"_s);
        QCOMPARE(Valeur(reglages, u"lCopier"_s), lCopier);
        QCOMPARE(Valeur(reglages, u"lLectRecurs"_s), lLectRecurs);
        QCOMPARE(BoitesPendant(0), QStringList());
    }

    // Without stored folders an installed program opens the user's pictures folder (or
    // the home folder), never its own bin/; a copy in a folder of its own opens there.
    void dossiersDeDepart_data()
    {
        QTest::addColumn<bool>("installe");
        QTest::addColumn<QByteArray>("dossiersUtilisateur"); // user-dirs.dirs, none when empty
        QTest::addColumn<QString>("stocke");                 // the settings' folders ("!": not made)
        QTest::addColumn<QString>("attendu");                // under the scratch folder
        const QByteArray photos = "XDG_PICTURES_DIR=\"$HOME/Mes photos\"\n";
        QTest::newRow("installed, pictures folder") << true << photos << QString() << u"maison/Mes photos/"_s;
        QTest::newRow("installed, none") << true << QByteArray() << QString() << u"maison/"_s;
        // What an earlier version kept as its default.
        QTest::newRow("installed, its bin/ stored") << true << photos << u"prefixe/bin/"_s << u"maison/Mes photos/"_s;
        QTest::newRow("installed, a card stored") << true << photos << u"carte/"_s << u"carte/"_s;
        QTest::newRow("installed, a folder gone") << true << photos << u"!parti/"_s << u"maison/Mes photos/"_s;
        QTest::newRow("own folder") << false << photos << QString() << u"programme/"_s;
    }
    void dossiersDeDepart()
    {
        QFETCH(bool, installe);
        QFETCH(QByteArray, dossiersUtilisateur);
        QFETCH(QString, stocke);
        QFETCH(QString, attendu);
        if (!dossiersUtilisateur.isEmpty()) {
            QVERIFY(EcrireFichier(Chemin(u"maison/.config/user-dirs.dirs"_s), dossiersUtilisateur));
            QVERIFY(QDir().mkpath(Chemin(u"maison/Mes photos"_s)));
        }
        // `cmake --install --prefix`: bin/ beside share/applications holding the menu entry.
        if (installe)
            QVERIFY(EcrireFichier(Chemin(u"prefixe/share/applications/io.github.clarvane.Clarvane.desktop"_s), "[Desktop Entry]\n"));
        const QString reglages = Chemin(installe ? u"maison/.config/clarvane/Clarvane.ini"_s
                                                 : u"programme/Clarvane.ini"_s);
        if (!stocke.isEmpty()) {
            const bool existe = !stocke.startsWith(u'!');
            QVERIFY(!existe || QDir().mkpath(Chemin(stocke)));
            const QByteArray dossier = QFile::encodeName(Chemin(stocke.mid(existe ? 0 : 1)));
            QVERIFY(EcrireFichier(reglages, "[GENERAL]\r\ncDossSrc=" + dossier + "\r\ncDossDst=" + dossier + "\r\n"));
        }
        QVERIFY(Lancer(Chemin(installe ? u"prefixe/bin"_s : u"programme"_s), QByteArray()));
        QVERIFY(Quitter());
        QCOMPARE(Valeur(reglages, u"cDossSrc"_s), Chemin(attendu));
        QCOMPARE(Valeur(reglages, u"cDossDst"_s), Chemin(attendu));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    TestBureau test;
    const int statut = QTest::qExec(&test, argc, argv);
    return test.SansServeurX() ? kSansServeurX : statut;
}

#include "tst_bureau.moc"
