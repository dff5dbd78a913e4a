// TGauge: painting off screen, with the kind and the percentage text combined by
// exclusive-or so that the text inverts whatever lies under it.
#include "controls/Gauges.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include "commun/EErreur.h"
#include "controls/Lisibilite.h"

using namespace Qt::StringLiterals;

namespace {

QString MessagePlage(qint64 bas, qint64 haut)
{
    // 64-bit so that MaxValue - 1 and MinValue + 1 never overflow at the ends of int.
    return u"La valeur doit être comprise entre %1 et %2"_s.arg(bas).arg(haut);
}

// The integer nearest to x, ties going to the even one.
int Proche(double x)
{
    return static_cast<int>(std::nearbyint(x));
}

// The angle, in sixteenths of a degree counter-clockwise from three o'clock, at which the
// line from the centre of boite through point meets the ellipse inscribed in boite, as
// QPainter's arcs measure it (the parametric angle of the ellipse).
double AngleRadial(const QRectF &boite, QPointF point)
{
    const QPointF centre = boite.center();
    const double rx = boite.width() / 2.0;
    const double ry = boite.height() / 2.0;
    if (rx <= 0.0 || ry <= 0.0)
        return 0.0;
    const double dx = (point.x() - centre.x()) / rx;
    const double dy = (centre.y() - point.y()) / ry;  // screen y grows downwards
    double degres = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
    if (degres < 0.0)
        degres += 360.0;
    return degres * 16.0;
}

// The counter-clockwise sweep from angle debut to angle fin (both in sixteenths of a
// degree), in (0, 360] degrees: two identical radials mean the whole ellipse.
int Balayage(double debut, double fin)
{
    double balayage = std::fmod(fin - debut, 360.0 * 16.0);
    if (balayage <= 0.0)
        balayage += 360.0 * 16.0;
    return static_cast<int>(std::lround(balayage));
}

// The ellipse inscribed in a box given by its edges (right and bottom excluded), as a
// QPainter rectangle: an aliased one-pixel outline covers width + 1 pixels.
QRectF BoiteEllipse(int gauche, int haut, int droite, int bas)
{
    return QRectF(gauche, haut, droite - gauche - 1, bas - haut - 1);
}

}  // namespace

void TBltBitmap::MatchSize(const QImage &modele)
{
    if (size() != modele.size() || format() != QImage::Format_RGB32)
        *static_cast<QImage *>(this) = QImage(modele.size(), QImage::Format_RGB32);
    setDevicePixelRatio(modele.devicePixelRatio());
    fill(QGuiApplication::palette().color(QPalette::WindowText));
}

TGauge::TGauge(QWidget *parent) : QWidget(parent)
{
    // Every pixel is painted by the gauge itself: nothing needs erasing beneath it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 100);
}

TGauge::~TGauge() = default;

void TGauge::SetKind(TGaugeKind valeur)
{
    if (valeur == m_kind)
        return;
    m_kind = valeur;
    repaint();
}

void TGauge::SetShowText(bool valeur)
{
    if (valeur == m_showText)
        return;
    m_showText = valeur;
    repaint();
}

void TGauge::SetBorderStyle(TBorderStyle valeur)
{
    if (valeur == m_borderStyle)
        return;
    m_borderStyle = valeur;
    repaint();
}

void TGauge::SetForeColor(const QColor &valeur)
{
    if (valeur == m_foreColor)
        return;
    m_foreColor = valeur;
    repaint();
}

void TGauge::SetBackColor(const QColor &valeur)
{
    if (valeur == m_backColor)
        return;
    m_backColor = valeur;
    repaint();
}

void TGauge::SetCouleursPalette(bool valeur)
{
    if (valeur == m_couleursPalette)
        return;
    m_couleursPalette = valeur;
    repaint();
}

void TGauge::SetMinValue(int valeur)
{
    if (valeur == m_minValue)
        return;
    if (!m_chargement && valeur > m_maxValue)
        throw EErreur(MessagePlage(-2147483647, qint64(m_maxValue) - 1));
    m_minValue = valeur;
    if (m_progress < valeur)
        m_progress = valeur;
    repaint();
}

void TGauge::SetMaxValue(int valeur)
{
    if (valeur == m_maxValue)
        return;
    if (!m_chargement && valeur < m_minValue)
        throw EErreur(MessagePlage(qint64(m_minValue) + 1, 2147483647));
    m_maxValue = valeur;
    if (m_progress > valeur)
        m_progress = valeur;
    repaint();
}

void TGauge::SetProgress(int valeur)
{
    if (valeur < m_minValue)
        valeur = m_minValue;
    if (valeur > m_maxValue)
        valeur = m_maxValue;
    if (valeur == m_progress)
        return;
    const int avant = Percent();
    m_progress = valeur;
    if (Percent() != avant)
        repaint();
}

int TGauge::Percent() const
{
    // An inverted range can only be left by a load that ended half-way; it reads as
    // empty rather than as a percentage outside 0..100.
    if (m_maxValue <= m_minValue)
        return 0;
    // In double, the differences never overflow and the products are exact integers,
    // so truncating the quotient gives the true whole percentage.
    const double fait = double(m_progress) - double(m_minValue);
    const double plage = double(m_maxValue) - double(m_minValue);
    return static_cast<int>(std::trunc(fait * 100.0 / plage));
}

void TGauge::SetChargement(bool valeur)
{
    if (valeur == m_chargement)
        return;
    m_chargement = valeur;
    if (!m_chargement) {
        if (m_minValue <= m_maxValue)
            m_progress = std::clamp(m_progress, m_minValue, m_maxValue);
        repaint();
    }
}

QImage TGauge::Dessiner() const
{
    const qreal ratio = devicePixelRatioF();
    const QSize taille = size();
    if (taille.isEmpty())
        return {};

    // The picture is built black; the kind's overlay is combined into it by
    // exclusive-or (so it then equals the overlay), then the text the same way.
    TBltBitmap image;
    image.MatchSize(QImage((QSizeF(taille) * ratio).toSize(), QImage::Format_RGB32));
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::black);

    // The paint rectangle: the client area less the one-pixel frame, which stays black.
    const QRect zone = m_borderStyle == TBorderStyle::bsSingle ? rect().adjusted(1, 1, -1, -1) : rect();
    const int pourcent = Percent();
    if (m_couleursPalette)
        return DessinerEnCouleursPalette(zone, pourcent);

    TBltBitmap calque;
    calque.MatchSize(image);
    calque.fill(Qt::black);
    DessinerGenre(calque, zone, pourcent, m_foreColor, m_backColor);
    {
        QPainter p(&image);
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.drawImage(0, 0, calque);
    }

    if (m_showText)
        DessinerTexte(image, zone, pourcent);
    return image;
}

QImage TGauge::DessinerEnCouleursPalette(const QRect &zone, int pourcent) const
{
    const QPalette &p = palette();
    const QColor fond = p.color(QPalette::Base);
    const QColor barre = CouleurQuiSeDetache(p.color(QPalette::Active, QPalette::Highlight), fond, 1.5);
    QImage image((QSizeF(size()) * devicePixelRatioF()).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatioF());
    image.fill(Melange(p.color(QPalette::Text), fond, 0.5)); // the frame
    DessinerGenre(image, zone, pourcent, barre, fond);
    if (!m_showText)
        return image;

    // The bar's right edge, as DessinerGenre puts it, splits the text in its two colours.
    const QString chaine = QString::number(pourcent) + u'%';
    const QFontMetrics mesures(font());
    const int x = (zone.right() + 1 - zone.left() + 1 - mesures.horizontalAdvance(chaine)) / 2;
    const int y = (zone.bottom() + 1 - zone.top() + 1 - mesures.height()) / 2;
    const int largeur = zone.width() + 1;
    const int fin = m_kind == TGaugeKind::gkHorizontalBar
                        ? std::min(int(qint64(largeur) * pourcent / 100), largeur) : 0;
    const QRect surBarre(QPoint(zone.left(), zone.top()), QPoint(fin - 1, zone.bottom()));
    QPainter peintre(&image);
    peintre.setFont(font());
    for (const bool dessus : {false, true}) {
        QRegion region(zone);
        region = dessus ? region.intersected(surBarre) : region.subtracted(surBarre);
        peintre.setClipRegion(region);
        peintre.setPen(dessus ? p.color(QPalette::Active, QPalette::HighlightedText) : p.color(QPalette::Text));
        peintre.drawText(QPoint(x, y + mesures.ascent()), chaine);
    }
    return image;
}

void TGauge::DessinerGenre(QImage &calque, const QRect &zone, int pourcent, const QColor &avant,
                           const QColor &fond) const
{
    QPainter p(&calque);
    p.setRenderHint(QPainter::Antialiasing, false);

    // Edges as (L, T, R, B) with the right and bottom ones excluded.
    const int gauche = zone.left();
    const int haut = zone.top();
    const int droite = zone.right() + 1;
    const int bas = zone.bottom() + 1;
    const int bord = m_borderStyle == TBorderStyle::bsSingle ? 1 : 0;
    const QColor couleurControle = palette().color(backgroundRole());

    switch (m_kind) {
    case TGaugeKind::gkText:
        p.fillRect(zone, fond);
        break;

    case TGaugeKind::gkHorizontalBar: {
        const int largeur = droite - gauche + 1;
        const int hauteur = bas - haut + 1;
        p.fillRect(zone, fond);
        // The fill ends at column F, taken as a coordinate: at 100 % it meets the right
        // edge of the paint rectangle exactly.
        const int fin = std::min(int(qint64(largeur) * pourcent / 100), largeur);
        if (fin > 0)
            p.fillRect(QRect(QPoint(gauche, haut), QPoint(fin - 1, hauteur - 1)), avant);
        break;
    }

    case TGaugeKind::gkVerticalBar: {
        const int largeur = droite - gauche + 1;
        const int hauteur = bas - haut + 1;
        p.fillRect(zone, fond);
        int fin = int(qint64(hauteur) * pourcent / 100);
        if (fin >= hauteur)
            fin = hauteur - 1;
        const QRect barre(QPoint(gauche, hauteur - fin), QPoint(largeur - 1, hauteur - 1));
        if (barre.isValid())
            p.fillRect(barre, avant);
        break;
    }

    case TGaugeKind::gkPie: {
        const int largeur = droite - gauche + bord;
        const int hauteur = bas - haut + bord;
        p.fillRect(zone, couleurControle);
        const QRectF boite = BoiteEllipse(gauche, haut, largeur, hauteur);
        p.setPen(avant);
        p.setBrush(fond);
        p.drawEllipse(boite);
        if (pourcent > 0) {
            const int mx = largeur / 2;
            const int my = hauteur / 2;
            const double a = std::numbers::pi * (pourcent * 0.02 + 0.5);
            const QPoint depart(Proche(mx * (1.0 - std::cos(a))), Proche(my * (1.0 - std::sin(a))));
            const QPoint arrivee(mx, 0);
            const double debut = AngleRadial(boite, depart);
            // Below 100 %, two radials that rounding made equal still mean a thin wedge,
            // not the whole disc.
            const int balayage = depart == arrivee && pourcent < 100
                                     ? int(std::lround(pourcent * 3.6 * 16.0))
                                     : Balayage(debut, AngleRadial(boite, arrivee));
            p.setBrush(avant);
            p.drawPie(boite, int(std::lround(debut)), balayage);
        }
        break;
    }

    case TGaugeKind::gkNeedle: {
        const int largeur = droite - gauche + bord;
        const int hauteur = bas - haut + bord;
        p.fillRect(zone, couleurControle);
        // The dial is the upper half of an ellipse twice as high as the paint rectangle,
        // centred on its bottom row.
        const QRectF boite = BoiteEllipse(gauche, haut, largeur, 2 * hauteur - 1);
        const double debut = AngleRadial(boite, QPointF(gauche + largeur, bas - 1));
        const double fin = AngleRadial(boite, QPointF(gauche, bas - 1));
        p.setPen(avant);
        p.setBrush(fond);
        p.drawPie(boite, int(std::lround(debut)), Balayage(debut, fin));
        // The base line, its end point excluded.
        p.drawLine(QPoint(gauche, bas), QPoint(gauche + largeur - 1, bas));
        if (pourcent > 0) {
            const int centre = width() / 2;
            const double a = std::numbers::pi * pourcent * 0.01;
            p.drawLine(QPoint(centre, bas - 1),
                       QPoint(Proche(centre * (1.0 - std::cos(a))), Proche((bas - 1) * (1.0 - std::sin(a)))));
        }
        break;
    }
    }
}

void TGauge::DessinerTexte(QImage &image, const QRect &zone, int pourcent) const
{
    TBltBitmap texte;
    texte.MatchSize(image);
    texte.fill(Qt::black);

    const QString chaine = QString::number(pourcent) + u'%';
    // Aliased glyphs: every text pixel is then a pure inversion of what lies under it.
    QFont police = font();
    police.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics mesures(police);
    const int x = (zone.right() + 1 - zone.left() + 1 - mesures.horizontalAdvance(chaine)) / 2;
    const int y = (zone.bottom() + 1 - zone.top() + 1 - mesures.height()) / 2;
    {
        QPainter p(&texte);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setClipRect(zone);
        p.setFont(police);
        p.setPen(Qt::white);
        p.drawText(QPoint(x, y + mesures.ascent()), chaine);
    }
    QPainter p(&image);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawImage(0, 0, texte);
}

void TGauge::paintEvent(QPaintEvent *)
{
    const QImage image = Dessiner();
    if (image.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, image);
}
