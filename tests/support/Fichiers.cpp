#include "Fichiers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool EcrireFichier(const QString &chemin, const QByteArray &contenu)
{
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    QFile f(chemin);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(contenu) == contenu.size();
}

QByteArray LireFichier(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : "<unreadable: " + QFile::encodeName(chemin) + '>';
}
