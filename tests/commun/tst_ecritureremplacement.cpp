// Writing beside a file and renaming it into place: what is replaced, what carries over,
// and that no temporary file outlives a failure.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "Fichiers.h"
#include "commun/EcritureRemplacement.h"
#include "commun/NomsFichiers.h"

using namespace Qt::StringLiterals;

namespace {
// Every entry of the folder, hidden ones included (a leftover temporary file is hidden).
QStringList Contenu(const QString &dossier)
{
    return QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                       | QDir::NoDotAndDotDot, QDir::Name);
}

mode_t Droits(const QString &chemin)
{
    struct stat st {};
    ::lstat(NomEnOctets(chemin).constData(), &st);
    return st.st_mode & 07777;
}
} // namespace

class TestEcritureRemplacement : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The old file's bits carry over; a new file gets 0666 less the umask.
    void droits()
    {
        QTemporaryDir tmp;
        const QString ancien = tmp.filePath(u"a.ini"_s), nouveau = tmp.filePath(u"b.ini"_s);
        QVERIFY(EcrireFichier(ancien, "ancien"));
        QVERIFY(::chmod(NomEnOctets(ancien).constData(), 0640) == 0);
        QVERIFY(RemplacerFichier(NomEnOctets(ancien), "nouveau"));
        QCOMPARE(LireFichier(ancien), QByteArray("nouveau"));
        QCOMPARE(Droits(ancien), mode_t(0640));

        const mode_t masque = ::umask(027);
        const bool ecrit = RemplacerFichier(NomEnOctets(nouveau), "x");
        ::umask(masque);
        QVERIFY(ecrit);
        QCOMPARE(Droits(nouveau), mode_t(0640));
        QCOMPARE(Contenu(tmp.path()), (QStringList{u"a.ini"_s, u"b.ini"_s}));
    }

    // Through a link, the file it leads to is replaced and the link stays a link.
    void lien()
    {
        QTemporaryDir tmp;
        QVERIFY(QDir().mkpath(tmp.filePath(u"ailleurs"_s)));
        const QString vrai = tmp.filePath(u"ailleurs/vrai.ini"_s);
        const QString lien = tmp.filePath(u"lien.ini"_s);
        QVERIFY(EcrireFichier(vrai, "ancien"));
        QVERIFY(::symlink("ailleurs/vrai.ini", NomEnOctets(lien).constData()) == 0);
        QVERIFY(RemplacerFichier(NomEnOctets(lien), "nouveau"));
        QCOMPARE(LireFichier(vrai), QByteArray("nouveau"));
        QVERIFY(QFileInfo(lien).isSymLink());
        QCOMPARE(Contenu(tmp.filePath(u"ailleurs"_s)), QStringList{u"vrai.ini"_s});
        QCOMPARE(Contenu(tmp.path()), (QStringList{u"ailleurs"_s, u"lien.ini"_s}));
    }

    // A failed rename (a folder holds the name) leaves the folder as it was; a file
    // never put in place is removed when it goes out of scope.
    void echecsNeLaissentRien()
    {
        QTemporaryDir tmp;
        const QByteArray dossier = NomEnOctets(tmp.path()) + '/';
        QVERIFY(QDir().mkpath(tmp.filePath(u"pris/dedans"_s)));
        QVERIFY(!RemplacerFichier(dossier + "pris", "x"));
        {
            TFichierTemporaire t(dossier, ".essai-");
            QCOMPARE(t.Erreur(), 0);
            QCOMPARE(t.Ecrire("donnees"), 0);
            QCOMPARE(t.RemplacerVers(dossier + "pris"), EISDIR);
            QCOMPARE(Contenu(tmp.path()).size(), 2);
        }
        QCOMPARE(Contenu(tmp.path()), QStringList{u"pris"_s});

        TFichierTemporaire absent(dossier + "manque/", ".essai-");
        QCOMPARE(absent.Erreur(), ENOENT);
        QCOMPARE(absent.Fd(), -1);
        QCOMPARE(absent.RemplacerVers(dossier + "cible"), ENOENT);
        QCOMPARE(Contenu(tmp.path()), QStringList{u"pris"_s});
    }

    // Put in place, the file keeps its descriptor for the caller, who may go on writing.
    void detacherApresRemplacement()
    {
        QTemporaryDir tmp;
        const QByteArray dossier = NomEnOctets(tmp.path()) + '/';
        QVERIFY(EcrireFichier(tmp.filePath(u"journal"_s), "ancien"));
        int fd = -1;
        {
            TFichierTemporaire t(dossier, ".journal-");
            QCOMPARE(t.Ecrire("debut "), 0);
            QCOMPARE(t.RemplacerVers(dossier + "journal"), 0);
            fd = t.Detacher();
        }
        QVERIFY(fd >= 0);
        QCOMPARE(EcrireTout(fd, "suite"), 0);
        QCOMPARE(::close(fd), 0);
        QCOMPARE(LireFichier(tmp.filePath(u"journal"_s)), QByteArray("debut suite"));
        QCOMPARE(Contenu(tmp.path()), QStringList{u"journal"_s});
    }

    // A device or a fifo under the file's name (or at the end of its link) is never
    // renamed over, even where the folder would let root do it. The device is a twin of
    // /dev/null made by the test, so that a fault here never replaces the system's own.
    void fichierSpecialJamaisRemplace_data()
    {
        QTest::addColumn<QString>("cas");
        QTest::newRow("lien vers un périphérique") << u"lien"_s;
        QTest::newRow("fifo") << u"fifo"_s;
    }
    void fichierSpecialJamaisRemplace()
    {
        QFETCH(QString, cas);
        QTemporaryDir tmp;
        const QByteArray chemin = NomEnOctets(tmp.filePath(u"Clarvane.ini"_s));
        const QByteArray peripherique = NomEnOctets(tmp.filePath(u"nul"_s));
        if (cas == u"lien"_s) {
            if (::mknod(peripherique.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
                QSKIP("making a device node needs root");
            QVERIFY(::symlink("nul", chemin.constData()) == 0);
        } else {
            QVERIFY(::mkfifo(chemin.constData(), 0644) == 0);
        }
        QVERIFY(!RemplacerFichier(chemin, "[GENERAL]\r\n"));
        struct stat st {};
        QVERIFY(::lstat(chemin.constData(), &st) == 0);
        QVERIFY(cas == u"lien"_s ? S_ISLNK(st.st_mode) : S_ISFIFO(st.st_mode));
        if (cas == u"lien"_s)
            QVERIFY(::lstat(peripherique.constData(), &st) == 0 && S_ISCHR(st.st_mode));
        QCOMPARE(Contenu(tmp.path()).filter(u".Clarvane"_s), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestEcritureRemplacement)
#include "tst_ecritureremplacement.moc"
