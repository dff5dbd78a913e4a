#include "ui/OuvertureBureau.h"

#include <QDesktopServices>
#include <QProcess>

#include "commun/Chemins.h"
#include "commun/Dossiers.h"
#include "commun/NomsFichiers.h"

using namespace Qt::StringLiterals;

namespace {

// The file of a desktop entry: "a-b.desktop" is a.desktop's folder "a" then "b.desktop"
// when the plain name is not there.
QString FichierEntree(const QString &entree, const QStringList &dossiers)
{
    for (const QString &dossier : dossiers) {
        QString nom = entree;
        for (;;) {
            const QString chemin = dossier + u'/' + nom;
            if (EstFichier(NomEnOctets(chemin)))
                return chemin;
            const qsizetype tiret = nom.indexOf(u'-');
            if (tiret < 0)
                break;
            nom[tiret] = u'/';
        }
    }
    return {};
}

// A program named by its path, or found in one of the folders of PATH.
bool Executable(const QString &programme)
{
    if (programme.isEmpty())
        return false;
    const QByteArray octets = NomEnOctets(programme);
    if (programme.contains(u'/'))
        return EstExecutable(octets);
    const QByteArray chemins = qgetenv("PATH");
    for (const QByteArray &dossier : chemins.split(':'))
        if (!dossier.isEmpty() && EstExecutable(JoindreChemin(dossier, octets)))
            return true;
    return false;
}

} // namespace

QStringList DossiersApplications()
{
    QString maison = qEnvironmentVariable("XDG_DATA_HOME");
    if (maison.isEmpty())
        maison = DossierMaison() + u"/.local/share"_s;
    QString autres = qEnvironmentVariable("XDG_DATA_DIRS");
    if (autres.isEmpty())
        autres = u"/usr/local/share:/usr/share"_s;
    QStringList dossiers{maison + u"/applications"_s};
    for (QString d : autres.split(u':', Qt::SkipEmptyParts)) {
        while (d.size() > 1 && d.endsWith(u'/'))
            d.chop(1);
        dossiers << d + u"/applications"_s;
    }
    return dossiers;
}

bool EntreeGraphique(const QString &entree, const QStringList &dossiers)
{
    if (!entree.endsWith(u".desktop"_s) || entree.contains(u'/'))
        return false;
    const QString chemin = FichierEntree(entree, dossiers);
    // A desktop entry is a few hundred bytes (translations make it a few dozen KB).
    constexpr qint64 kTailleMax = 1024 * 1024;
    QByteArray contenu;
    if (chemin.isEmpty() || LireFichier(NomEnOctets(chemin), kTailleMax, contenu) != 0)
        return false;
    QString exec, tryExec;
    bool terminal = false, cache = false, groupe = false;
    for (const QByteArray &octets : contenu.split('\n')) {
        const QString ligne = QString::fromUtf8(octets).trimmed();
        if (ligne.startsWith(u'[')) {
            groupe = ligne == u"[Desktop Entry]"_s;
            continue;
        }
        const qsizetype egal = ligne.indexOf(u'=');
        if (!groupe || egal < 0)
            continue;
        const QString cle = ligne.left(egal).trimmed();
        const QString valeur = ligne.mid(egal + 1).trimmed();
        if (cle == u"Exec"_s)
            exec = valeur;
        else if (cle == u"TryExec"_s)
            tryExec = valeur;
        else if (cle == u"Terminal"_s)
            terminal = valeur == u"true"_s;
        else if (cle == u"Hidden"_s)
            cache = valeur == u"true"_s;
    }
    if (terminal || cache || exec.isEmpty())
        return false;
    if (!tryExec.isEmpty() && !Executable(tryExec))
        return false;
    QStringList mots = QProcess::splitCommand(exec);
    if (!mots.isEmpty() && mots.first() == u"env"_s) {
        mots.removeFirst();
        while (!mots.isEmpty() && mots.first().contains(u'='))
            mots.removeFirst();
    }
    return !mots.isEmpty() && Executable(mots.first());
}

QString EntreeParDefaut(const QString &typeMime)
{
    QProcess xdgMime;
    xdgMime.setProgram(u"xdg-mime"_s);
    xdgMime.setArguments({u"query"_s, u"default"_s, typeMime});
    xdgMime.setStandardErrorFile(QProcess::nullDevice());
    xdgMime.start();
    if (!xdgMime.waitForFinished(5000)) {
        xdgMime.kill();
        xdgMime.waitForFinished(1000);
        return {};
    }
    if (xdgMime.exitStatus() != QProcess::NormalExit || xdgMime.exitCode() != 0)
        return {};
    // Several entries may be given, separated by ";": the first one is used.
    const QString reponse = QString::fromUtf8(xdgMime.readAllStandardOutput()).trimmed();
    return reponse.section(u';', 0, 0).trimmed();
}

bool OuvrirTexteAvecBureau(const QUrl &url)
{
    if (!EntreeGraphique(EntreeParDefaut(u"text/plain"_s), DossiersApplications()))
        return false;
    return QDesktopServices::openUrl(url);
}
