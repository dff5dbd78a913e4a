#include "Corpus.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString DossierCorpus()
{
    const QString chemin = qEnvironmentVariable("CLARVANE_CORPUS");
    if (chemin.isEmpty() || !QFileInfo(chemin).isDir())
        return {};
    return QDir(chemin).canonicalPath() + u'/';
}

QString DossierDonneesTests()
{
    return QDir(qEnvironmentVariable("CLARVANE_TESTDATA")).absolutePath() + u'/';
}
