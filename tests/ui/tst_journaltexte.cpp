// The error log when the desktop cannot show it: the program's own window, and how the
// desktop's program for text files is judged.
#include <cstdio>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "Fichiers.h"
#include "Fils.h"
#include "metadata/Nombres.h"
#include "ui/JournalTexte_fm.h"
#include "ui/OuvertureBureau.h"

using namespace Qt::StringLiterals;

class TestJournalTexte : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;

    QString Journal(const QByteArray &contenu)
    {
        const QString chemin = m_tmp.path() + u"/Clarvane.erreurs.txt"_s;
        if (!EcrireFichier(chemin, contenu))
            qFatal("cannot write the log");
        return chemin;
    }

    // A desktop entry in `dossier` (created).
    void Entree(const QString &dossier, const QString &nom, const QByteArray &contenu)
    {
        QVERIFY(EcrireFichier(dossier + u'/' + nom, contenu));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        static QtMessageHandler suivant = nullptr;
        suivant = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &contexte, const QString &texte) {
            if (!texte.startsWith(u"This plugin does not support"_s))
                suivant(type, contexte, texte);
        });
    }

    void bureauQuiOuvre()
    {
        const QString chemin = Journal("ligne\r\n");
        QWidget parent;
        QList<QUrl> demandes;
        TfmJournalTexte *fenetre = OuvrirOuMontrer(chemin, &parent, [&](const QUrl &url) {
            demandes << url;
            return true;
        });
        QVERIFY(!fenetre);
        QCOMPARE(demandes, QList<QUrl>{QUrl::fromLocalFile(chemin)});
        QVERIFY(!parent.findChild<TfmJournalTexte *>());
    }

    void bureauQuiEchoue()
    {
        const QString chemin = Journal("Impossible de copier \"/photos/IMG_0001.JPG\" : Permission non accordée\r\n"
                                       "Données EXIF illisibles : /photos/caf\xc3\xa9.jpg\r\n");
        QWidget parent;
        parent.show();
        int demandes = 0;
        TfmJournalTexte *fenetre = OuvrirOuMontrer(chemin, &parent, [&](const QUrl &) {
            ++demandes;
            return false;
        });
        QCOMPARE(demandes, 1);
        QVERIFY(fenetre);
        QCOMPARE(fenetre->parentWidget(), &parent);
        QVERIFY(fenetre->isVisible());
        QVERIFY(!fenetre->isModal());
        QCOMPARE(fenetre->windowTitle(), u"Clarvane.erreurs.txt"_s);
        QCOMPARE(fenetre->btFermer->text(), u"Fermer"_s);
        QCOMPARE(fenetre->mmJournal->toPlainText(),
                 u"Impossible de copier \"/photos/IMG_0001.JPG\" : Permission non accordée\n"
                 u"Données EXIF illisibles : /photos/café.jpg"_s);
        QCOMPARE(fenetre->mmJournal->document()->blockCount(), 2);

        // Read-only, but the lines can be selected and copied, by mouse and by keyboard.
        QPlainTextEdit *mm = fenetre->mmJournal;
        QVERIFY(mm->isReadOnly());
        QVERIFY(mm->textInteractionFlags() & Qt::TextSelectableByMouse);
        QVERIFY(mm->textInteractionFlags() & Qt::TextSelectableByKeyboard);
        QVERIFY(!(mm->textInteractionFlags() & Qt::TextEditable));
        QVERIFY(QTest::qWaitForWindowExposed(fenetre));
        mm->setFocus();
        QTest::keyClick(mm, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(mm, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(mm->textCursor().selectedText(),
                 u"Impossible de copier \"/photos/IMG_0001.JPG\" : Permission non accordée"_s);
        QTest::keyClicks(mm, u"x"_s);
        QTest::keyClick(mm, Qt::Key_Delete);
        QCOMPARE(mm->document()->blockCount(), 2);
        QVERIFY(mm->toPlainText().startsWith(u"Impossible de copier"_s));

        // A second failed opening reads the log again into the same window.
        Journal("Une seule ligne\r\n");
        QCOMPARE(OuvrirOuMontrer(chemin, &parent, {}), fenetre);
        QCOMPARE(fenetre->mmJournal->toPlainText(), u"Une seule ligne"_s);
        QCOMPARE(parent.findChildren<TfmJournalTexte *>().size(), 1);

        // "Fermer" closes it, and the window goes.
        QPointer<TfmJournalTexte> garde(fenetre);
        fenetre->btFermer->click();
        QVERIFY(!fenetre->isVisible() || !garde);
        QTRY_VERIFY(!garde);
    }

    void journalIllisible()
    {
        QWidget parent;
        TfmJournalTexte *fenetre = OuvrirOuMontrer(m_tmp.path() + u"/absent/Clarvane.erreurs.txt"_s, &parent,
                                                   [](const QUrl &) { return false; });
        QVERIFY(fenetre);
        QCOMPARE(fenetre->windowTitle(), u"Clarvane.erreurs.txt"_s);
        QVERIFY(fenetre->mmJournal->toPlainText().startsWith(u"Impossible de lire le fichier \""_s));
        QVERIFY(fenetre->mmJournal->toPlainText().contains(u"/absent/Clarvane.erreurs.txt"_s));
        delete fenetre;
    }

    // Anything but a regular file in the log's place is neither waited on (a fifo) nor
    // read without end (a link to /dev/zero): the window says why, at once. Of a huge
    // file (sparse: a terabyte of nothing) only the beginning is read, and the window says
    // so. In a child under a time and a memory limit, so that a hang or an endless read
    // fails the test.
    void journalSpecial_data()
    {
        QTest::addColumn<QString>("cas");
        QTest::addColumn<QString>("texte");
        QTest::newRow("tube") << u"tube"_s << u"n'est pas un fichier ordinaire (tube nommé)"_s;
        QTest::newRow("lien vers /dev/zero") << u"zéro"_s << u"n'est pas un fichier ordinaire (périphérique caractère)"_s;
        QTest::newRow("dossier") << u"dossier"_s << u"n'est pas un fichier ordinaire (dossier)"_s;
        QTest::newRow("un téraoctet") << u"énorme"_s
                                      << u"Fichier tronqué : %1 affichés sur %2."_s.arg(TailleEnTexte(1000),
                                                                                        TailleEnTexte(qint64(1) << 40));
    }
    void journalSpecial()
    {
        QFETCH(QString, cas);
        QFETCH(QString, texte);
        QTemporaryDir dossier;
        const QString chemin = dossier.path() + u"/Clarvane.erreurs.txt"_s;
        const QByteArray octets = QFile::encodeName(chemin);
        if (cas == u"tube"_s)
            QVERIFY(::mkfifo(octets.constData(), 0644) == 0);
        else if (cas == u"zéro"_s)
            QVERIFY(::symlink("/dev/zero", octets.constData()) == 0);
        else if (cas == u"dossier"_s)
            QVERIFY(QDir().mkdir(chemin));
        else
            QVERIFY(EcrireFichier(chemin, "Impossible de copier\r\n") && ::truncate(octets.constData(), qint64(1) << 40) == 0);
        const int etat = DansUnFils([&] {
            TfmJournalTexte fenetre;
            fenetre.Charger(chemin, 1000);
            const QString montre = fenetre.mmJournal->toPlainText();
            const bool bon = montre.endsWith(texte) && fenetre.windowTitle() == u"Clarvane.erreurs.txt"_s
                && (cas != u"énorme"_s || montre.startsWith(u"Impossible de copier\n"_s));
            if (!bon)
                std::fprintf(stderr, "shown: %s\n", qPrintable(montre.right(200).replace(QChar(0), u'0')));
            ::_exit(bon ? 0 : 1);
        }, true);
        QVERIFY2(WIFEXITED(etat), "reading the log hung or ran out of memory");
        QCOMPARE(WEXITSTATUS(etat), 0);
    }

    // The same in a desktop entry, read to judge the desktop's text viewer: not used.
    void entreeSpeciale()
    {
        QTemporaryDir dossier;
        const QByteArray tube = QFile::encodeName(dossier.path() + u"/tube.desktop"_s);
        const QByteArray zero = QFile::encodeName(dossier.path() + u"/zero.desktop"_s);
        QVERIFY(::mkfifo(tube.constData(), 0644) == 0);
        QVERIFY(::symlink("/dev/zero", zero.constData()) == 0);
        const int etat = DansUnFils([&] {
            const bool bon = !EntreeGraphique(u"tube.desktop"_s, {dossier.path()})
                && !EntreeGraphique(u"zero.desktop"_s, {dossier.path()});
            ::_exit(bon ? 0 : 1);
        }, true);
        QVERIFY2(WIFEXITED(etat), "reading a desktop entry hung or ran out of memory");
        QCOMPARE(WEXITSTATUS(etat), 0);
    }

    // A program named by the entry is looked for in PATH: only an executable regular file
    // counts, not a file without its x bit nor a folder of that name.
    void programmeDansPath()
    {
        QTemporaryDir bin, dossier;
        const QByteArray chemin = qgetenv("PATH");
        qputenv("PATH", "/absent::" + QFile::encodeName(bin.path()));
        QVERIFY(EcrireFichier(bin.path() + u"/visionneuse"_s, "#!/bin/sh\n"));
        QVERIFY(QFile::setPermissions(bin.path() + u"/visionneuse"_s, QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(EcrireFichier(bin.path() + u"/texte-seul"_s, "#!/bin/sh\n"));
        QVERIFY(QDir().mkdir(bin.path() + u"/un-dossier"_s));
        for (const auto &[programme, graphique] : {std::pair{"visionneuse", true}, {"texte-seul", false},
                                                    {"un-dossier", false}, {"absent", false}}) {
            Entree(dossier.path(), u"e.desktop"_s, "[Desktop Entry]\nExec=" + QByteArray(programme) + " %f\n");
            QVERIFY2(EntreeGraphique(u"e.desktop"_s, {dossier.path()}) == graphique, programme);
        }
        qputenv("PATH", chemin);
    }

    void entreesBureau_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<bool>("graphique");
        QTest::newRow("text editor") << QByteArray("[Desktop Entry]\nType=Application\nExec=sh %U\n") << true;
        QTest::newRow("absolute program, quoted") << QByteArray("[Desktop Entry]\nExec=\"/bin/sh\" %f\n") << true;
        QTest::newRow("env before the program") << QByteArray("[Desktop Entry]\nExec=env LANG=C sh %f\n") << true;
        QTest::newRow("terminal program") << QByteArray("[Desktop Entry]\nExec=sh %F\nTerminal=true\n") << false;
        QTest::newRow("terminal false") << QByteArray("[Desktop Entry]\nExec=sh %F\nTerminal=false\n") << true;
        QTest::newRow("program missing") << QByteArray("[Desktop Entry]\nExec=editeur-qui-nexiste-pas %F\n") << false;
        QTest::newRow("TryExec missing") << QByteArray("[Desktop Entry]\nTryExec=editeur-qui-nexiste-pas\nExec=sh\n") << false;
        QTest::newRow("hidden (removed)") << QByteArray("[Desktop Entry]\nExec=sh\nHidden=true\n") << false;
        QTest::newRow("no Exec") << QByteArray("[Desktop Entry]\nType=Application\n") << false;
        QTest::newRow("keys of another group") << QByteArray("[Desktop Entry]\nExec=sh\n[Desktop Action x]\nTerminal=true\n") << true;
        QTest::newRow("Exec of another group only") << QByteArray("[Desktop Action x]\nExec=sh\n") << false;
    }
    void entreesBureau()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(bool, graphique);
        QTemporaryDir dossier;
        Entree(dossier.path(), u"editeur.desktop"_s, contenu);
        QCOMPARE(EntreeGraphique(u"editeur.desktop"_s, {dossier.path()}), graphique);
    }

    void rechercheDesEntrees()
    {
        QTemporaryDir maison, systeme;
        const QStringList dossiers{maison.path(), systeme.path()};
        QVERIFY(!EntreeGraphique(QString(), dossiers)); // no handler at all
        QVERIFY(!EntreeGraphique(u"absent.desktop"_s, dossiers));
        QVERIFY(!EntreeGraphique(u"../x.desktop"_s, dossiers));
        // The user's own entry hides the system's.
        Entree(systeme.path(), u"vi.desktop"_s, "[Desktop Entry]\nExec=sh\n");
        QVERIFY(EntreeGraphique(u"vi.desktop"_s, dossiers));
        Entree(maison.path(), u"vi.desktop"_s, "[Desktop Entry]\nExec=sh\nTerminal=true\n");
        QVERIFY(!EntreeGraphique(u"vi.desktop"_s, dossiers));
        // "kde-kate.desktop" may live as kde/kate.desktop.
        QVERIFY(QDir().mkpath(systeme.path() + u"/kde"_s));
        Entree(systeme.path() + u"/kde"_s, u"kate.desktop"_s, "[Desktop Entry]\nExec=sh\n");
        QVERIFY(EntreeGraphique(u"kde-kate.desktop"_s, dossiers));
    }

    void entreeParDefaut()
    {
        QTemporaryDir bin;
        const QByteArray chemin = qgetenv("PATH");
        const auto avec = [&](const QByteArray &script) {
            const QString xdgMime = bin.path() + u"/xdg-mime"_s;
            QVERIFY(EcrireFichier(xdgMime, "#!/bin/sh\n" + script));
            QVERIFY(QFile::setPermissions(xdgMime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        };
        qputenv("PATH", bin.path().toUtf8() + ":/usr/bin:/bin");
        avec("[ \"$1 $2 $3\" = \"query default text/plain\" ] && echo 'gedit.desktop;vim.desktop'\n");
        QCOMPARE(EntreeParDefaut(u"text/plain"_s), u"gedit.desktop"_s);
        QCOMPARE(EntreeParDefaut(u"image/jpeg"_s), QString()); // the script fails for it
        avec("echo\n");
        QCOMPARE(EntreeParDefaut(u"text/plain"_s), QString());
        qputenv("PATH", bin.path().toUtf8() + u"/vide"_s.toUtf8());
        QCOMPARE(EntreeParDefaut(u"text/plain"_s), QString()); // no xdg-mime
        qputenv("PATH", chemin);
    }

    void dossiersDesEntrees()
    {
        qputenv("XDG_DATA_HOME", "/maison/.local/share");
        qputenv("XDG_DATA_DIRS", "/a:/b/");
        QCOMPARE(DossiersApplications(), (QStringList{u"/maison/.local/share/applications"_s,
                                                      u"/a/applications"_s, u"/b/applications"_s}));
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_DATA_DIRS");
        QCOMPARE(DossiersApplications(), (QStringList{QDir::homePath() + u"/.local/share/applications"_s,
                                                      u"/usr/local/share/applications"_s,
                                                      u"/usr/share/applications"_s}));
    }
};

QTEST_MAIN(TestJournalTexte)
#include "tst_journaltexte.moc"
