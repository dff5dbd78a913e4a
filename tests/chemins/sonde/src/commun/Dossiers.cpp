// The allow-list holds for the names it gives, in its own file alone.
#include <QStandardPaths>

QString Maison()
{
    QFile f(u"/x"_s); // faute
    return QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
}
