#include "app/Demarrage.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

void PreparerApplication()
{
    QApplication::setApplicationName(u"clarvane"_s);
    QApplication::setDesktopFileName(u"io.github.clarvane.Clarvane"_s);
    // The icon installed for the desktop, compiled in: the icon theme is not asked for it,
    // since its files are read by paths that the program does not check (a fifo in
    // ~/.icons would keep the program from starting).
    QApplication::setWindowIcon(QIcon(u":/desktop/clarvane.svg"_s));
}
