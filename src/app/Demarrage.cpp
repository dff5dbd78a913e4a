#include "app/Demarrage.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

void PreparerApplication()
{
    QApplication::setApplicationName(u"clarvane"_s);
    QApplication::setDesktopFileName(u"io.github.clarvane.Clarvane"_s);
    QApplication::setWindowIcon(QIcon::fromTheme(u"clarvane"_s, QIcon(u":/boutons/copier.svg"_s)));
}
