// Runs through the real main window: every counted image accounted for, a run stopped
// with Escape, the undo with Ctrl+Z, the trees read again after a run, the log shown in
// the program when the desktop cannot, and folder names that are not UTF-8.
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QScopeGuard>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "ConstructeurEXIF.h"
#include "ConstructeurFilm.h"
#include "Fichiers.h"
#include "OperationsPiegees.h"
#include "Palettes.h"
#include "app/BoiteMessage.h"
#include "app/Demarrage.h"
#include "app/Main_fm.h"
#include "commun/NomsFichiers.h"
#include "controls/FolderTreeView.h"
#include "controls/GaugeWindow.h"
#include "controls/Lisibilite.h"
#include "ui/JournalTexte_fm.h"

using namespace Qt::StringLiterals;

namespace {

bool Photo(const QString &chemin)
{
    return EcrireFichier(chemin, JPEGAvecTIFF(TIFFAvecValeurs({})));
}

// `nombre` photographs IMG_0000.JPG... in `dossier`.
bool Photos(const QString &dossier, int nombre)
{
    for (int i = 0; i < nombre; ++i)
        if (!Photo(dossier + u"/IMG_%1.JPG"_s.arg(i, 4, 10, QChar(u'0'))))
            return false;
    return true;
}

// A file or folder named by exact bytes (names that are not UTF-8).
bool EcrireOctets(const QByteArray &chemin, const QByteArray &contenu)
{
    const int fd = ::open(chemin.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, contenu.constData(), size_t(contenu.size())) == contenu.size();
    return ::close(fd) == 0 && ok;
}

// The files under a folder, relative, sorted, read on the exact bytes of their names.
QStringList Fichiers(const QString &dossier)
{
    static QStringList *liste = nullptr;
    static qsizetype debut = 0;
    QStringList resultat;
    liste = &resultat;
    const QByteArray racine = NomEnOctets(dossier);
    debut = racine.size() + 1;
    ::nftw(racine.constData(), [](const char *chemin, const struct stat *, int type, FTW *) {
        if (type == FTW_F)
            liste->append(NomDepuisOctets(QByteArray(chemin).mid(debut)));
        return 0;
    }, 16, FTW_PHYS);
    resultat.sort();
    return resultat;
}

// Removes a tree whatever the bytes of its names (QTemporaryDir cannot).
void SupprimerArbre(const QString &dossier)
{
    ::nftw(NomEnOctets(dossier).constData(), [](const char *chemin, const struct stat *, int type, FTW *) {
        return type == FTW_DP ? ::rmdir(chemin) : ::unlink(chemin);
    }, 16, FTW_PHYS | FTW_DEPTH);
}

// A key as the user types it: to the control that has the focus in the window.
void Touche(QWidget *fm, Qt::Key touche, Qt::KeyboardModifiers modificateurs = {})
{
    QWidget *premier = QApplication::focusWidget();
    QTest::keyClick(premier && premier->window() == fm ? premier : fm, touche, modificateurs);
}

QStringList Lignes(const QString &chemin)
{
    return QString::fromUtf8(LireFichier(chemin)).split(u"\r\n"_s, Qt::SkipEmptyParts);
}

int Nombre(const QString &texte, int mot) // the mot-th word of a box's text, as a number
{
    return texte.section(u' ', mot, mot).toInt();
}

template <typename T>
T *Controle(QWidget *fm, const char *nom)
{
    T *w = fm->findChild<T *>(QString::fromLatin1(nom));
    if (!w)
        qFatal("no control %s", nom);
    return w;
}

// Calls `action` from the event loop a run lets through, each time until it returns true.
void Pendant(QObject *contexte, std::function<bool()> action)
{
    auto *minuterie = new QTimer(contexte);
    QObject::connect(minuterie, &QTimer::timeout, contexte, [minuterie, action] {
        if (action())
            minuterie->stop();
    });
    minuterie->start(0);
}

} // namespace

class TestFenetreTraitement : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dossier;
    QString m_reglages;
    QStringList m_ouverts;

    std::unique_ptr<TfmMainClarvane> Ouvrir(const QString &source, const QString &cible)
    {
        auto fm = std::make_unique<TfmMainClarvane>(m_reglages);
        fm->OuvrirUrl = [this](const QUrl &url) { m_ouverts << url.toLocalFile(); return true; };
        fm->show();
        if (!QTest::qWaitForWindowExposed(fm.get()))
            return nullptr;
        Controle<TFolderTreeView>(fm.get(), "tvSrc")->SetSelectedPath(source);
        if (!cible.isEmpty())
            Controle<TFolderTreeView>(fm.get(), "tvDst")->SetSelectedPath(cible);
        return fm;
    }
    QString Journal() const { return m_dossier->filePath(u"Clarvane.erreurs.txt"_s); }
    QStringList Boites()
    {
        const QStringList boites = BoiteMessage::Historique();
        BoiteMessage::Historique().clear();
        return boites;
    }
    static TGaugeWindow *Jauge(QWidget *fm) { return fm->findChild<TGaugeWindow *>(u"gwTrtLong"_s); }

private Q_SLOTS:
    void initTestCase() { PreparerApplication(); }

    void init()
    {
        m_dossier = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dossier->isValid());
        m_reglages = m_dossier->filePath(u"Clarvane.ini"_s);
        m_ouverts.clear();
        BoiteMessage::Reinitialiser();
    }

    void cleanup()
    {
        QVERIFY2(BoiteMessage::Historique().isEmpty(), qPrintable(BoiteMessage::Historique().join(u'|')));
        QVERIFY(!QApplication::overrideCursor());
    }

    void titreExact()
    {
        QTemporaryDir photos;
        auto fm = Ouvrir(photos.path(), {});
        QVERIFY(fm);
        QCOMPARE(fm->windowHandle()->title(), u"Copie, Renommage selon les données EXIFs"_s);
    }

    // Under a dark palette the mode toggle that is down stands out from the one that is
    // up, and the buttons' pictures are drawn again for it.
    void sombreLisible()
    {
        QTemporaryDir photos;
        auto fm = Ouvrir(photos.path(), {});
        QVERIFY(fm);
        auto *copier = Controle<QPushButton>(fm.get(), "btCopier");
        auto *renommer = Controle<QPushButton>(fm.get(), "btRenommer");
        const qint64 avant = copier->icon().pixmap(16).cacheKey();
        fm->setPalette(PaletteAdwaitaSombre());
        QVERIFY(copier->icon().pixmap(16).cacheKey() != avant);
        QVERIFY(copier->isChecked() && !renommer->isChecked());
        const QImage bas = copier->grab().toImage(), haut = renommer->grab().toImage();
        const QPoint point(6, bas.height() / 2);
        QVERIFY2(Contraste(bas.pixelColor(point), haut.pixelColor(point)) >= 1.5,
                 qPrintable(bas.pixelColor(point).name() + u" / "_s + haut.pixelColor(point).name()));
    }

    // A folder whose name is Latin-1 is listed under a readable caption, selected, and
    // its path goes back and forth unchanged.
    void dossierNonUTF8()
    {
        QTemporaryDir photos;
        const auto menage = qScopeGuard([&] { SupprimerArbre(photos.path()); });
        const QByteArray octets = NomEnOctets(photos.path()) + "/caf\xE9";
        QVERIFY(::mkdir(octets.constData(), 0755) == 0);
        const QString chemin = NomDepuisOctets(octets) + u'/';
        auto fm = Ouvrir(chemin, {});
        QVERIFY(fm);
        auto *tvSrc = Controle<TFolderTreeView>(fm.get(), "tvSrc");
        QCOMPARE(tvSrc->SelectedPath(), chemin);
        QCOMPARE(tvSrc->currentItem()->text(0), u"caf\\xE9"_s);
        QCOMPARE(NomEnOctets(tvSrc->SelectedPath()), octets + '/');
        tvSrc->SetSelectedPath(photos.path());
        tvSrc->SetSelectedPath(chemin);
        QCOMPARE(tvSrc->SelectedPath(), chemin);
        // Folders are made inside it on the same bytes.
        auto *tvDst = Controle<TFolderTreeView>(fm.get(), "tvDst");
        tvDst->SetSelectedPath(chemin);
        QVERIFY(tvDst->CreateSubFolder(u"neuf"_s));
        struct stat st;
        QVERIFY(::stat((octets + "/neuf").constData(), &st) == 0 && S_ISDIR(st.st_mode));
        QCOMPARE(tvDst->SelectedPath(), chemin + u"neuf/"_s);
    }

    // Every image the confirmation counts is either in the summary's count or named by a
    // line of the log: an image gone after counting, one without EXIF values, a Latin-1
    // name, and plain images.
    void toutCompte()
    {
        QTemporaryDir photos, cible;
        const auto menage = qScopeGuard([&] { SupprimerArbre(photos.path()); SupprimerArbre(cible.path()); });
        QVERIFY(Photo(photos.filePath(u"a.jpg"_s)));
        QVERIFY(Photo(photos.filePath(u"b.jpg"_s)));
        QVERIFY(Photo(photos.filePath(u"perdu.jpg"_s)));
        QVERIFY(EcrireFichier(photos.filePath(u"scan.jpg"_s), JPEGSansEXIF()));
        QVERIFY(EcrireOctets(NomEnOctets(photos.path()) + "/caf\xE9.jpg", JPEGAvecTIFF(TIFFAvecValeurs({}))));
        auto fm = Ouvrir(photos.path(), cible.path());
        QVERIFY(fm);
        QStringList boites;
        // Real boxes: the file goes while the question is up, after it was counted.
        Pendant(this, [&] {
            auto *b = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!b || !b->isVisible() || boites.contains(b->windowTitle() + u": "_s + b->text()))
                return false;
            boites << b->windowTitle() + u": "_s + b->text();
            if (b->windowTitle() == u"Attention"_s) {
                QFile::remove(photos.filePath(u"perdu.jpg"_s));
                b->button(QMessageBox::Yes)->click();
                return false;
            }
            b->button(QMessageBox::Ok)->click();
            return true;
        });
        QTest::mouseClick(Controle<QPushButton>(fm.get(), "btTraiter"), Qt::LeftButton);
        QCOMPARE(boites.size(), 2);
        QVERIFY2(boites[0].startsWith(u"Attention: Traiter les 5 Images"_s), qPrintable(boites[0]));
        QVERIFY2(boites[1].startsWith(u"Information: 3 images traitées"_s), qPrintable(boites[1]));
        const QStringList lignes = Lignes(Journal());
        QCOMPARE(Nombre(boites[1], 1) + lignes.size(), Nombre(boites[0], 3));
        QCOMPARE(lignes, (QStringList{u"Impossible de lire %1/perdu.jpg"_s.arg(photos.path()),
                                      u"Aucune donnée EXIF lisible pour %1/scan.jpg"_s.arg(photos.path())}));
        QCOMPARE(Fichiers(cible.path()), (QStringList{u"06/05/21/a.jpg"_s, u"06/05/21/b.jpg"_s,
                                                      NomDepuisOctets("06/05/21/caf\xE9.jpg")}));
        QCOMPARE(m_ouverts, QStringList(Journal()));
    }

    // Escape in the main window during phase 2, answered "Oui": the image in hand is
    // finished, the rest are named in the log's last line, the summary counts what was
    // done; Ctrl+Z then takes the copies back.
    void interrompuPuisAnnule()
    {
        QTemporaryDir photos, cible;
        constexpr int kImages = 40;
        QVERIFY(Photos(photos.path(), kImages));
        auto fm = Ouvrir(photos.path(), cible.path());
        QVERIFY(fm);
        TGaugeWindow *jauge = Jauge(fm.get());
        QVERIFY(jauge);
        bool aucuneCopiePartielle = true;
        Pendant(this, [&] {
            if (!jauge->Window()->isVisible() || !jauge->WindowCaption().startsWith(u"Phase 2/2"_s)
                || jauge->GaugeCurValue() < 5)
                return false;
            Touche(fm.get(), Qt::Key_Escape);
            return true;
        });
        BoiteMessage::ReponseSuivante(QMessageBox::Yes); // Traiter ?
        BoiteMessage::ReponseSuivante(QMessageBox::Yes); // Interrompre ?
        BoiteMessage::ReponseSuivante(QMessageBox::Ok);  // the summary
        QTest::mouseClick(Controle<QPushButton>(fm.get(), "btTraiter"), Qt::LeftButton);
        const QStringList boites = Boites();
        QCOMPARE(boites.size(), 3);
        QCOMPARE(boites[1], u"Attention: Interrompre le traitement ?"_s);
        const int faites = Nombre(boites[2], 1);
        QVERIFY2(faites >= 4 && faites < kImages, qPrintable(boites[2]));
        QVERIFY(boites[2].contains(u"Des erreurs ont été rencontrées"_s));
        const QStringList copies = Fichiers(cible.path());
        QCOMPARE(copies.size(), faites);
        for (const QString &c : copies)
            aucuneCopiePartielle &= LireFichier(cible.filePath(c)) == JPEGAvecTIFF(TIFFAvecValeurs({}));
        QVERIFY(aucuneCopiePartielle);
        QCOMPARE(Lignes(Journal()).value(0), u"Traitement interrompu : %1 images non traitées."_s.arg(kImages - faites));
        QCOMPARE(m_ouverts, QStringList(Journal()));
        QVERIFY(!fm->TraitementEnCours());

        // Ctrl+Z: the copies go, the folders made for them too.
        fm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fm.get()));
        BoiteMessage::ReponseSuivante(QMessageBox::Yes);
        BoiteMessage::ReponseSuivante(QMessageBox::Ok);
        Touche(fm.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Boites(), (QStringList{u"Attention: Annuler le dernier traitement (%1 images) ?"_s.arg(faites),
                                        u"Information: %1 copies retirées."_s.arg(faites)}));
        QVERIFY(QDir(cible.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
        QCOMPARE(Fichiers(photos.path()).size(), kImages);
        // Nothing left to undo.
        BoiteMessage::ReponseSuivante(QMessageBox::Ok);
        Touche(fm.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Boites(), QStringList(u"Information: Aucun traitement à annuler."_s));
    }

    // A copy whose bytes read back differ from its source: the summary leaves it out, the
    // log names it, the other copies are in place and whole. Ctrl+Z on a journal damaged
    // since: an "Erreur" box, and nothing is touched.
    void copieCorrompueALaRelecture()
    {
        QTemporaryDir photos, cible;
        QVERIFY(Photos(photos.path(), 3));
        auto fm = Ouvrir(photos.path(), cible.path());
        QVERIFY(fm);
        TOperationsPiegees operations;
        operations.Copie = 2;
        operations.Inverser = 100;
        fm->DefinirOperationsCopie(&operations);
        BoiteMessage::ReponseSuivante(QMessageBox::Yes);
        BoiteMessage::ReponseSuivante(QMessageBox::Ok);
        QTest::mouseClick(Controle<QPushButton>(fm.get(), "btTraiter"), Qt::LeftButton);
        const QStringList boites = Boites();
        QCOMPARE(boites.size(), 2);
        QVERIFY2(boites[1].startsWith(u"Information: 2 images traitées ("_s), qPrintable(boites[1]));
        QVERIFY(boites[1].contains(u"Des erreurs ont été rencontrées"_s));
        const QStringList lignes = Lignes(Journal());
        QCOMPARE(lignes.size(), 1);
        const QString debut = u"Copie de %1/IMG_0001.JPG vers %2/"_s.arg(photos.path(), cible.path());
        QVERIFY2(lignes[0].startsWith(debut)
                     && lignes[0].endsWith(u"/IMG_0001.JPG différente de l'original : copie retirée"_s),
                 qPrintable(lignes[0]));
        const QStringList copies = Fichiers(cible.path());
        QCOMPARE(copies.size(), 2);
        for (const QString &c : copies) {
            QVERIFY(c.endsWith(u"/IMG_0000.JPG"_s) || c.endsWith(u"/IMG_0002.JPG"_s));
            QCOMPARE(LireFichier(cible.filePath(c)), JPEGAvecTIFF(TIFFAvecValeurs({})));
        }
        QVERIFY(operations.Relectures >= 3);

        const QString journal = Journal().left(Journal().lastIndexOf(u'/') + 1) + u"Clarvane.journal"_s;
        QByteArray contenu = LireFichier(journal);
        QVERIFY(contenu.contains("\nt "));
        QVERIFY(EcrireFichier(journal, contenu.replace("\nt ", "\nt\n")));
        fm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fm.get()));
        BoiteMessage::ReponseSuivante(QMessageBox::Ok);
        Touche(fm.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Boites(), QStringList(u"Erreur: Le journal d'annulation %1 est endommagé : rien n'a été annulé."_s
                                            .arg(journal)));
        QCOMPARE(Fichiers(cible.path()), copies);
        QCOMPARE(LireFichier(journal), contenu);
    }

    // Escape in the pop-up: the real question, "Non" the default, without the busy cursor,
    // one at a time; "Non" lets the run end as usual.
    void interruptionRefusee()
    {
        QTemporaryDir photos, cible;
        constexpr int kImages = 30;
        QVERIFY(Photos(photos.path(), kImages));
        auto fm = Ouvrir(photos.path(), cible.path());
        QVERIFY(fm);
        TGaugeWindow *jauge = Jauge(fm.get());
        int questions = 0;
        bool nonParDefaut = false, sansCurseur = false, accelerateurs = false;
        QString titre, resume;
        Pendant(this, [&] {
            auto *b = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (b && b->windowTitle() == u"Information"_s) {
                resume = b->text();
                b->button(QMessageBox::Ok)->click();
                return true;
            }
            if (b && b->isVisible() && b->button(QMessageBox::No)) {
                ++questions;
                titre = b->windowTitle() + u": "_s + b->text();
                nonParDefaut = b->defaultButton() == b->button(QMessageBox::No);
                accelerateurs = b->button(QMessageBox::Yes)->text() == u"&Oui"_s
                    && b->button(QMessageBox::No)->text() == u"&Non"_s;
                sansCurseur = !QApplication::overrideCursor() && b->icon() == QMessageBox::Question;
                // A second Escape in the pop-up while the box is up asks nothing more.
                QTest::keyClick(jauge->Window(), Qt::Key_Escape);
                b->button(QMessageBox::No)->click();
            }
            return false;
        });
        // Another timer: a timer's own handler is not run again while the box it opened waits.
        Pendant(this, [&] {
            if (!jauge->Window()->isVisible() || !jauge->WindowCaption().startsWith(u"Phase 2/2"_s)
                || jauge->GaugeCurValue() < 3)
                return false;
            QTest::keyClick(jauge->Window(), Qt::Key_Escape);
            return true;
        });
        BoiteMessage::ReponseSuivante(QMessageBox::Yes);
        QTest::mouseClick(Controle<QPushButton>(fm.get(), "btTraiter"), Qt::LeftButton);
        QCOMPARE(questions, 1);
        QCOMPARE(titre, u"Attention: Interrompre le traitement ?"_s);
        QVERIFY(nonParDefaut);
        QVERIFY(accelerateurs);
        QVERIFY(sansCurseur);
        QCOMPARE(Boites().size(), 1);
        QVERIFY2(resume.startsWith(u"%1 images traitées"_s.arg(kImages)), qPrintable(resume));
        QCOMPARE(Fichiers(cible.path()).size(), kImages);
    }

    // After a run the destination tree shows the folders it made, without F5, keeping the
    // selection and what was expanded.
    void arbreRafraichi()
    {
        QTemporaryDir photos, cible;
        QVERIFY(Photo(photos.filePath(u"a.jpg"_s)));
        QVERIFY(QDir(cible.path()).mkpath(u"ancien/sous"_s));
        auto fm = Ouvrir(photos.path(), cible.path());
        QVERIFY(fm);
        auto *tvDst = Controle<TFolderTreeView>(fm.get(), "tvDst");
        QTreeWidgetItem *noeud = tvDst->currentItem();
        noeud->setExpanded(true);
        QCOMPARE(noeud->childCount(), 1);
        BoiteMessage::ReponseSuivante(QMessageBox::Yes);
        BoiteMessage::ReponseSuivante(QMessageBox::Ok);
        QTest::mouseClick(Controle<QPushButton>(fm.get(), "btTraiter"), Qt::LeftButton);
        QCOMPARE(Boites().size(), 2);
        noeud = tvDst->currentItem();
        QCOMPARE(tvDst->SelectedPath(), cible.path() + u'/');
        QVERIFY(noeud->isExpanded());
        QStringList enfants;
        for (int i = 0; i < noeud->childCount(); ++i)
            enfants << noeud->child(i)->text(0);
        QCOMPARE(enfants, (QStringList{u"06"_s, u"ancien"_s}));
    }

    // The keys that have no control go into every run the window starts: with
    // lFormatsEtendus=0 only the historical kinds are read, each by its extension (a
    // JPEG named .NEF is then no image of the run's); any other value keeps today's.
    void formatsEtendusDepuisLaFenetre_data()
    {
        QTest::addColumn<QByteArray>("reglage");
        QTest::addColumn<int>("comptees");
        QTest::addColumn<QStringList>("copies");
        QTest::addColumn<QStringList>("journal");
        const QStringList toutes = {u"06/05/21/a.jpg"_s, u"06/05/21/b.NEF"_s, u"06/05/21/c.CR3"_s,
                                    u"06/05/21/d.HEIC"_s, u"06/05/21/e.DNG"_s};
        QTest::newRow("absent") << QByteArray() << 5 << toutes << QStringList();
        QTest::newRow("1") << QByteArray("lFormatsEtendus=1") << 5 << toutes << QStringList();
        QTest::newRow("0") << QByteArray("lFormatsEtendus=0") << 2 << QStringList(u"06/05/21/a.jpg"_s)
                           << QStringList{u"Aucune donnée EXIF lisible pour <src>/b.NEF"_s,
                                          u"Non copié (ni image ni fichier associé) : <src>/c.CR3"_s,
                                          u"Non copié (ni image ni fichier associé) : <src>/d.HEIC"_s,
                                          u"Non copié (ni image ni fichier associé) : <src>/e.DNG"_s};
    }
    void formatsEtendusDepuisLaFenetre()
    {
        QFETCH(QByteArray, reglage);
        QFETCH(int, comptees);
        QFETCH(QStringList, copies);
        QFETCH(QStringList, journal);
        QVERIFY(EcrireFichier(m_reglages, "[GENERAL]\r\n" + reglage + "\r\n"));
        QTemporaryDir photos, cible;
        const QByteArray tiff = TIFFAvecValeurs({});
        QVERIFY(EcrireFichier(photos.filePath(u"a.jpg"_s), JPEGAvecTIFF(tiff)));
        QVERIFY(EcrireFichier(photos.filePath(u"b.NEF"_s), JPEGAvecTIFF(tiff)));
        QVERIFY(EcrireFichier(photos.filePath(u"c.CR3"_s), CR3AvecValeurs({})));
        QVERIFY(EcrireFichier(photos.filePath(u"d.HEIC"_s), HEIFAvecTIFF(tiff)));
        QVERIFY(EcrireFichier(photos.filePath(u"e.DNG"_s), tiff));
        auto fm = Ouvrir(photos.path(), cible.path());
        QVERIFY(fm);
        QCOMPARE(fm->Options().lFormatsEtendus, reglage != "lFormatsEtendus=0");
        BoiteMessage::ReponseSuivante(QMessageBox::Yes);
        BoiteMessage::ReponseSuivante(QMessageBox::Ok);
        QTest::mouseClick(Controle<QPushButton>(fm.get(), "btTraiter"), Qt::LeftButton);
        const QStringList boites = Boites();
        QCOMPARE(boites.size(), 2);
        QCOMPARE(Nombre(boites[0], 3), comptees);
        QCOMPARE(Fichiers(cible.path()), copies);
        QCOMPARE(Lignes(Journal()), journal.replaceInStrings(u"<src>"_s, photos.path()));
        // Never written back: a key the user added by hand stays his.
        fm.reset();
        QCOMPARE(LireFichier(m_reglages).contains("lFormatsEtendus"), !reglage.isEmpty());
    }

    // When the desktop cannot show the log, the program shows it.
    void journalDansLeProgramme()
    {
        QTemporaryDir photos, cible;
        QVERIFY(Photo(photos.filePath(u"a.jpg"_s)));
        QVERIFY(EcrireFichier(photos.filePath(u"scan.jpg"_s), JPEGSansEXIF()));
        auto fm = Ouvrir(photos.path(), cible.path());
        QVERIFY(fm);
        fm->OuvrirUrl = [this](const QUrl &url) { m_ouverts << url.toLocalFile(); return false; };
        BoiteMessage::ReponseSuivante(QMessageBox::Yes);
        BoiteMessage::ReponseSuivante(QMessageBox::Ok);
        QTest::mouseClick(Controle<QPushButton>(fm.get(), "btTraiter"), Qt::LeftButton);
        QCOMPARE(Boites().size(), 2);
        QCOMPARE(m_ouverts, QStringList(Journal()));
        auto *journal = fm->findChild<TfmJournalTexte *>();
        QVERIFY(journal);
        QVERIFY(journal->isVisible());
        QCOMPARE(journal->windowTitle(), u"Clarvane.erreurs.txt"_s);
        QCOMPARE(journal->mmJournal->toPlainText(),
                 u"Aucune donnée EXIF lisible pour %1/scan.jpg"_s.arg(photos.path()));
        journal->close();
    }

    // A card as cameras and phones write it, copied whole: every file on it is either at
    // its target, with its bytes, or named in the log.
    void carteEntiere()
    {
        QTemporaryDir carte, cible;
        const QString dcim = carte.path() + u"/DCIM/100CANON/"_s;
        const QStringList images{u"IMG_0001.CR3"_s, u"IMG_0002.JPG"_s, u"IMG_0003.NEF"_s, u"IMG_0004.HEIC"_s};
        for (const QString &nom : images)
            QVERIFY(Photo(dcim + nom));
        TOptionsFilm canon, sony;
        canon.date = "2006-05-21T10:20:30+0200";
        QVERIFY(EcrireFichier(dcim + u"MVI_0005.MP4"_s, FilmAvecValeurs(canon)));
        QVERIFY(EcrireFichier(dcim + u"C0006.MP4"_s, FilmAvecValeurs(sony)));
        const QStringList compagnons{u"IMG_0001.xmp"_s, u"IMG_0002.WAV"_s, u"IMG_0003.NEF.xmp"_s,
                                     u"IMG_0004.AAE"_s, u"MVI_0005.THM"_s};
        const QStringList autres{u"DCIM/CANONMSC/M0100.CTG"_s, u"MISC/LISEZMOI.txt"_s};
        for (const QString &nom : compagnons)
            QVERIFY(EcrireFichier(dcim + nom, nom.toUtf8()));
        QVERIFY(EcrireFichier(dcim + u"C0006M01.XML"_s, XMLSony("ILCE-7M4", "2006-05-21T10:20:30+02:00")));
        for (const QString &nom : autres)
            QVERIFY(EcrireFichier(carte.filePath(nom), nom.toUtf8()));
        QVERIFY(EcrireFichier(carte.filePath(u".Trashes/501/vieux.JPG"_s), "caché"));
        auto fm = Ouvrir(carte.path(), cible.path());
        QVERIFY(fm);
        Controle<QPushButton>(fm.get(), "btLectRecurs")->setChecked(true);
        BoiteMessage::ReponseSuivante(QMessageBox::Yes);
        BoiteMessage::ReponseSuivante(QMessageBox::Ok);
        QTest::mouseClick(Controle<QPushButton>(fm.get(), "btTraiter"), Qt::LeftButton);
        const QStringList boites = Boites();
        QCOMPARE(boites.size(), 2);
        QVERIFY2(boites[0].startsWith(u"Attention: Traiter les 6 Images"_s), qPrintable(boites[0]));
        QVERIFY2(boites[1].startsWith(u"Information: 6 images traitées"_s), qPrintable(boites[1]));

        QStringList attendues;
        for (const QString &nom : images + compagnons
                 + QStringList{u"MVI_0005.MP4"_s, u"C0006.MP4"_s, u"C0006M01.XML"_s})
            attendues.append(u"06/05/21/"_s + nom);
        attendues.sort();
        QCOMPARE(Fichiers(cible.path()), attendues);
        for (const QString &nom : compagnons)
            QCOMPARE(LireFichier(cible.filePath(u"06/05/21/"_s + nom)), nom.toUtf8());
        QStringList lignes;
        for (const QString &nom : autres)
            lignes.append(u"Non copié (ni image ni fichier associé) : %1/%2"_s.arg(carte.path(), nom));
        QCOMPARE(Lignes(Journal()), lignes);
        QCOMPARE(Fichiers(carte.path()).size(), attendues.size() + autres.size() + 1);
    }
};

QTEST_MAIN(TestFenetreTraitement)
#include "tst_fenetretraitement.moc"
