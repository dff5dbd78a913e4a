// Readable under light and dark palettes: the down state of toggles, and pictures drawn
// for the colours behind them.
#include "controls/Lisibilite.h"

#include <cmath>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QRegularExpression>
#include <QResource>
#include <QStyleFactory>
#include <QStyleOption>

using namespace Qt::StringLiterals;

namespace {

// The application's style, with two changes that keep every control readable on a light
// or a dark desktop:
// - a checkable button that is down takes the palette's highlight colours: the base
//   styles only darken it a little, which under a dark palette leaves the two states
//   almost alike;
// - the control that has the focus shows it with a dotted frame in its own text colour
//   (buttons, drop-down lists, check boxes): the base style's frame in the selection
//   colour hardly shows on a down toggle, on a flat button or on a dark palette.
class TStyleProgramme final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *peintre,
                     const QWidget *widget) const override
    {
        if (element != CE_PushButton || !Enfonce<QStyleOptionButton>(option, [&](const QStyleOption *o) {
                QProxyStyle::drawControl(element, o, peintre, widget);
            }))
            QProxyStyle::drawControl(element, option, peintre, widget);
        if (element == CE_PushButton && (option->state & State_HasFocus)) {
            const bool enfonce = option->state & State_On;
            CadrePointille(peintre, option->rect.adjusted(3, 3, -4, -4),
                           enfonce ? option->palette.color(QPalette::Active, QPalette::HighlightedText)
                                   : option->palette.color(QPalette::ButtonText));
        }
    }

    void drawComplexControl(ComplexControl controle, const QStyleOptionComplex *option,
                            QPainter *peintre, const QWidget *widget) const override
    {
        if (controle != CC_ToolButton || !Enfonce<QStyleOptionToolButton>(option, [&](const QStyleOption *o) {
                QProxyStyle::drawComplexControl(controle, static_cast<const QStyleOptionComplex *>(o),
                                                peintre, widget);
            }))
            QProxyStyle::drawComplexControl(controle, option, peintre, widget);
        if (controle == CC_ComboBox && (option->state & State_HasFocus)) {
            const QRect champ = subControlRect(CC_ComboBox, option, SC_ComboBoxEditField, widget);
            CadrePointille(peintre, champ.adjusted(-1, 0, 0, -1), option->palette.color(QPalette::ButtonText));
        }
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *peintre,
                       const QWidget *widget) const override
    {
        if (element == PE_FrameFocusRect && qobject_cast<const QCheckBox *>(widget)) {
            CadrePointille(peintre, option->rect.adjusted(0, 0, -1, -1), option->palette.color(QPalette::WindowText));
            return;
        }
        QProxyStyle::drawPrimitive(element, option, peintre, widget);
    }

private:
    static void CadrePointille(QPainter *peintre, const QRect &rect, const QColor &couleur)
    {
        peintre->save();
        peintre->setRenderHint(QPainter::Antialiasing, false);
        peintre->setBrush(Qt::NoBrush);
        peintre->setPen(QPen(couleur, 1, Qt::DotLine));
        peintre->drawRect(rect);
        peintre->restore();
    }

    // Draws a button that is down with the highlight colours; false for any other.
    template <typename TOption, typename TDessin>
    static bool Enfonce(const QStyleOption *option, const TDessin &dessiner)
    {
        const auto *bouton = qstyleoption_cast<const TOption *>(option);
        if (!bouton || !(option->state & State_On))
            return false;
        TOption enfonce(*bouton);
        Surligner(enfonce.palette);
        dessiner(&enfonce);
        return true;
    }

    // The button's face in Highlight (with the shades that styles derive bevels from),
    // its caption in HighlightedText. The active colours serve in every state, so that the
    // down button does not fade when the window loses the focus.
    static void Surligner(QPalette &palette)
    {
        const QColor fond = palette.color(QPalette::Active, QPalette::Highlight);
        const QColor texte = palette.color(QPalette::Active, QPalette::HighlightedText);
        palette.setColor(QPalette::Button, fond);
        palette.setColor(QPalette::Light, fond.lighter(130));
        palette.setColor(QPalette::Midlight, fond.lighter(115));
        palette.setColor(QPalette::Mid, fond.darker(130));
        palette.setColor(QPalette::Dark, fond.darker(160));
        palette.setColor(QPalette::ButtonText, texte);
        palette.setColor(QPalette::WindowText, texte);
        palette.setColor(QPalette::Text, texte);
    }
};

QStyle *StyleProgramme()
{
    static QPointer<QStyle> style;
    if (!style) {
        // A style of its own kind for the base: a QProxyStyle owns its base style, and
        // the application's must stay the application's.
        QStyle *base = QStyleFactory::create(QApplication::style()->name());
        style = new TStyleProgramme(base);
        style->setParent(qApp);
    }
    return style;
}

double Luminance(const QColor &couleur)
{
    const auto lineaire = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lineaire(couleur.redF()) + 0.7152 * lineaire(couleur.greenF())
           + 0.0722 * lineaire(couleur.blueF());
}

// The parts of an SVG marked class="base" or class="cadre" take the palette's colours.
QByteArray CouleursPalette(QByteArray svg, const QPalette &palette)
{
    if (!svg.contains("class=\""))
        return svg;
    const QByteArray base = palette.color(QPalette::Base).name().toLatin1();
    const QByteArray cadre =
        Melange(palette.color(QPalette::Text), palette.color(QPalette::Base), 0.5).name().toLatin1();
    static const QRegularExpression balise(u"<[^>]*\\bclass=\"([^\"]*)\"[^>]*>"_s);
    static const QRegularExpression remplissage(u"\\bfill=\"[^\"]*\""_s);
    static const QRegularExpression trait(u"\\bstroke=\"[^\"]*\""_s);
    QString texte = QString::fromUtf8(svg);
    QString resultat;
    qsizetype fin = 0;
    for (const QRegularExpressionMatch &m : balise.globalMatch(texte)) {
        resultat += QStringView(texte).mid(fin, m.capturedStart() - fin);
        QString tag = m.captured();
        const QStringList classes = m.captured(1).split(u' ', Qt::SkipEmptyParts);
        if (classes.contains(u"base"_s))
            tag.replace(remplissage, u"fill=\"%1\""_s.arg(QString::fromLatin1(base)));
        if (classes.contains(u"cadre"_s))
            tag.replace(trait, u"stroke=\"%1\""_s.arg(QString::fromLatin1(cadre)));
        resultat += tag;
        fin = m.capturedEnd();
    }
    resultat += QStringView(texte).mid(fin);
    return resultat.toUtf8();
}

// A picture compiled into the program (":/..."), never one of the disk: QResource reads
// the resources alone.
QImage Rendu(const QString &chemin, const QPalette &palette, int cote)
{
    if (!chemin.startsWith(u":/"_s))
        return {};
    const QResource ressource(chemin);
    if (!ressource.isValid())
        return {};
    QByteArray donnees = ressource.uncompressedData();
    const bool svg = chemin.endsWith(u".svg"_s, Qt::CaseInsensitive);
    if (svg)
        donnees = CouleursPalette(donnees, palette);
    QBuffer tampon(&donnees);
    tampon.open(QIODevice::ReadOnly);
    QImageReader lecteur(&tampon, svg ? QByteArray("svg") : QByteArray());
    lecteur.setScaledSize(QSize(cote, cote));
    return lecteur.read().convertToFormat(QImage::Format_ARGB32);
}

// Redraws in a grey that stands out from `fond` the outline pixels that do not, when they
// are a good part of the outline, and puts a light halo of that grey around them.
void Detacher(QImage &image, const QColor &fond)
{
    constexpr int kOpaque = 128;
    constexpr double kContrasteMin = 2.0;
    const int l = image.width(), h = image.height();
    const auto alpha = [&](int x, int y) {
        return x < 0 || y < 0 || x >= l || y >= h ? 0 : qAlpha(image.pixel(x, y));
    };
    const auto bord = [&](int x, int y) {
        if (alpha(x, y) < kOpaque)
            return false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (alpha(x + dx, y + dy) < kOpaque)
                    return true;
        return false;
    };

    QList<QPoint> faibles;
    int bords = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < l; ++x)
            if (bord(x, y)) {
                ++bords;
                if (Contraste(QColor::fromRgb(image.pixel(x, y)), fond) < kContrasteMin)
                    faibles.append({x, y});
            }
    if (faibles.size() * 4 < bords)
        return; // the outline already stands out

    const QColor gris = Luminance(fond) < 0.25 ? QColor(0xb8, 0xb8, 0xb8) : QColor(0x50, 0x50, 0x50);
    QImage halo(image.size(), QImage::Format_ARGB32);
    halo.fill(Qt::transparent);
    const QRgb grisHalo = qRgba(gris.red(), gris.green(), gris.blue(), 150);
    for (const QPoint &p : std::as_const(faibles)) {
        const QRgb c = image.pixel(p);
        image.setPixel(p, qRgba(gris.red(), gris.green(), gris.blue(), qAlpha(c)));
        for (const QPoint &d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            const QPoint v = p + d;
            if (v.x() >= 0 && v.y() >= 0 && v.x() < l && v.y() < h && alpha(v.x(), v.y()) < kOpaque)
                halo.setPixel(v, grisHalo);
        }
    }
    QPainter peintre(&halo);
    peintre.drawImage(0, 0, image);
    peintre.end();
    image = halo;
}

} // namespace

void AppliquerEtatEnfonce(QAbstractButton *bouton)
{
    if (!bouton)
        return;
    QStyle *style = StyleProgramme();
    if (bouton->style() != style)
        bouton->setStyle(style);
}

void RendreFocusVisible(QWidget *fenetre)
{
    QStyle *style = StyleProgramme();
    for (QWidget *w : fenetre->findChildren<QWidget *>()) {
        if (!w->isWindow() && w->focusPolicy() != Qt::NoFocus && w->style() != style
            && (qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w)))
            w->setStyle(style);
    }
}

QColor Melange(const QColor &a, const QColor &b, double part)
{
    return QColor::fromRgbF(float(a.redF() * (1 - part) + b.redF() * part),
                            float(a.greenF() * (1 - part) + b.greenF() * part),
                            float(a.blueF() * (1 - part) + b.blueF() * part));
}

bool PaletteSombre(const QPalette &palette)
{
    return Luminance(palette.color(QPalette::Window)) < 0.25;
}

QColor CouleurQuiSeDetache(const QColor &couleur, const QColor &fond, double contrasteMin)
{
    // Lighter on a dark background, darker on a light one, step by step.
    const bool fondSombre = Luminance(fond) < 0.25;
    QColor c = couleur;
    for (int pas = 0; pas < 8 && Contraste(c, fond) < contrasteMin; ++pas)
        c = fondSombre ? c.lighter(125) : c.darker(125);
    if (Contraste(c, fond) < contrasteMin)
        c = fondSombre ? QColor(Qt::white) : QColor(Qt::black);
    return c;
}

void DessinerCadreFocus(QAbstractScrollArea *vue)
{
    if (!vue->hasFocus())
        return;
    const QPalette &p = vue->palette();
    const QColor fond = p.color(QPalette::Base);
    QPainter peintre(vue->viewport());
    peintre.setPen(Qt::NoPen);
    peintre.setBrush(CouleurQuiSeDetache(p.color(QPalette::Active, QPalette::Highlight), fond, 3.0));
    const QRect r = vue->viewport()->rect();
    constexpr int e = 2;
    peintre.drawRect(r.x(), r.y(), r.width(), e);
    peintre.drawRect(r.x(), r.bottom() - e + 1, r.width(), e);
    peintre.drawRect(r.x(), r.y(), e, r.height());
    peintre.drawRect(r.right() - e + 1, r.y(), e, r.height());
}

double Contraste(const QColor &a, const QColor &b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPixmap ImageLisible(const QString &chemin, const QPalette &palette, const QColor &fond, int taille)
{
    const qreal echelle = qApp ? qApp->devicePixelRatio() : 1.0;
    QImage image = Rendu(chemin, palette, int(std::lround(taille * echelle)));
    if (image.isNull())
        return {};
    Detacher(image, fond);
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(echelle);
    return pixmap;
}

QPixmap ImageLisible(const QString &chemin, const QPalette &palette, int taille)
{
    return ImageLisible(chemin, palette, palette.color(QPalette::Base), taille);
}

QIcon IconeLisible(const QString &chemin, const QPalette &palette, const QString &cheminInactif)
{
    const QColor fond = palette.color(QPalette::Button);
    QIcon icone(ImageLisible(chemin, palette, fond));
    if (!cheminInactif.isEmpty())
        icone.addPixmap(ImageLisible(cheminInactif, palette, fond), QIcon::Disabled);
    return icone;
}
