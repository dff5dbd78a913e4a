#include "controls/Fenetres.h"

#include <QApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

QPoint CoinCentre(const QRect &zone, const QSize &taille)
{
    return {zone.x() + (zone.width() - taille.width()) / 2,
            zone.y() + (zone.height() - taille.height()) / 2};
}

void CentrerFenetre(QWidget *fenetre)
{
    if (const QScreen *ecran = fenetre->screen())
        // For a window, move() places the frame: the frame's size is what is centred.
        fenetre->move(CoinCentre(ecran->availableGeometry(), fenetre->frameGeometry().size()));
}

TCurseurOccupe::TCurseurOccupe() { QApplication::setOverrideCursor(Qt::WaitCursor); }
TCurseurOccupe::~TCurseurOccupe() { QApplication::restoreOverrideCursor(); }

void SelectionToujoursVisible(QWidget *widget)
{
    QPalette p = widget->palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
    widget->setPalette(p);
}
