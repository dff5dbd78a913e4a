#include "Corpus.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

// Both folders are compiled in, so that a test runs alone as well as under CTest; the
// environment variables of the same names take their place when set.
QString DossierCorpus()
{
    const QString chemin = qEnvironmentVariable("CLARVANE_CORPUS", QStringLiteral(CLARVANE_CORPUS_DEFAUT));
    if (chemin.isEmpty() || !QFileInfo(chemin).isDir())
        return {};
    return QDir(chemin).canonicalPath() + u'/';
}

QString DossierDonneesTests()
{
    return QDir(qEnvironmentVariable("CLARVANE_TESTDATA", QStringLiteral(CLARVANE_TESTDATA_DEFAUT)))
               .absolutePath()
        + u'/';
}
