// One instance per user, tested with real processes: this executable, started again with
// "--client <socket>" or "--serveur <socket>", plays the later or the earlier start.
#include <csignal>
#include <cstdio>

#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLocale>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/InstanceUnique.h"

using namespace Qt::StringLiterals;

namespace {
// Exit codes of the client process.
constexpr int kAutreActivee = 10;
constexpr int kPremiere = 20;

int RoleEnfant(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString role = QString::fromLocal8Bit(argv[1]);
    TInstanceUnique instance(QString::fromLocal8Bit(argv[2]));
    if (role == u"--client"_s)
        return instance.Demarrer() ? kAutreActivee : kPremiere;
    if (instance.Demarrer() || !instance.Ecoute())
        return 1;
    fputs("pret\n", stdout);
    fflush(stdout);
    return app.exec(); // until killed
}
} // namespace

class TestInstanceUnique : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dossier;
    int m_numero = 0;

    QString NouveauNom() { return m_dossier.filePath(u"instance-%1"_s.arg(++m_numero)); }

    static void Lancer(QProcess &p, const QString &role, const QString &nom)
    {
        p.start(QCoreApplication::applicationFilePath(), {role, nom});
        QVERIFY(p.waitForStarted());
    }
    // The client's exit code; the event loop keeps running meanwhile, so that the
    // server of this process can answer.
    static int CodeClient(const QString &nom)
    {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(), {u"--client"_s, nom});
        if (!p.waitForStarted())
            return -1;
        QDeadlineTimer limite(20000);
        while (p.state() != QProcess::NotRunning && !limite.hasExpired())
            QTest::qWait(20);
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        QVERIFY(m_dossier.isValid());
    }

    void premiereInstance()
    {
        const QString nom = NouveauNom();
        QCOMPARE(CodeClient(nom), kPremiere);
        // The first instance ended: it left no socket behind.
        QVERIFY(!QFileInfo::exists(nom));
    }

    void secondeInstanceActiveLaPremiere()
    {
        const QString nom = NouveauNom();
        TInstanceUnique premiere(nom);
        QSignalSpy activation(&premiere, &TInstanceUnique::Activation);
        QVERIFY(!premiere.Demarrer());
        QVERIFY(premiere.Ecoute());
        QCOMPARE(CodeClient(nom), kAutreActivee);
        QTRY_COMPARE(activation.count(), 1);
        // And again: the first instance keeps listening.
        QCOMPARE(CodeClient(nom), kAutreActivee);
        QTRY_COMPARE(activation.count(), 2);
    }

    void socketPerimeRemplace()
    {
        const QString nom = NouveauNom();
        QProcess serveur;
        Lancer(serveur, u"--serveur"_s, nom);
        QVERIFY(serveur.waitForReadyRead(10000));
        QCOMPARE(serveur.readLine(), QByteArray("pret\n"));
        QCOMPARE(CodeClient(nom), kAutreActivee);
        ::kill(pid_t(serveur.processId()), SIGKILL);
        QVERIFY(serveur.waitForFinished());
        QVERIFY2(QFileInfo::exists(nom), "a killed instance leaves its socket");

        TInstanceUnique suivante(nom);
        QVERIFY(!suivante.Demarrer());
        QVERIFY(suivante.Ecoute());
        QSignalSpy activation(&suivante, &TInstanceUnique::Activation);
        QCOMPARE(CodeClient(nom), kAutreActivee);
        QTRY_COMPARE(activation.count(), 1);
    }

    // A process speaking something else on the socket does not raise the window.
    void demandeEtrangereIgnoree()
    {
        const QString nom = NouveauNom();
        TInstanceUnique premiere(nom);
        QVERIFY(!premiere.Demarrer());
        QSignalSpy activation(&premiere, &TInstanceUnique::Activation);
        QLocalSocket etranger;
        etranger.connectToServer(nom);
        QVERIFY(etranger.waitForConnected(2000));
        etranger.write("quitter\n");
        etranger.flush();
        QTRY_COMPARE(etranger.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(activation.count(), 0);
        QCOMPARE(CodeClient(nom), kAutreActivee);
        QTRY_COMPARE(activation.count(), 1);
    }

    void nomParDefautPrive()
    {
        const QString nom = TInstanceUnique::NomParDefaut();
        QVERIFY(nom.contains(QString::number(::getuid())));
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && (qstrcmp(argv[1], "--client") == 0 || qstrcmp(argv[1], "--serveur") == 0))
        return RoleEnfant(argc, argv);
    QCoreApplication app(argc, argv);
    TestInstanceUnique test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_instanceunique.moc"
