// The palettes the widget tests check readability under: the light Fusion palette and
// two dark desktops (GNOME's Adwaita-dark as the gtk3 platform theme gives it, KDE's
// Breeze Dark colour scheme).
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>
#include <QStyle>
#include <QStyleFactory>

#include <memory>

inline QPalette PaletteClaire()
{
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return fusion->standardPalette();
}

inline QPalette PaletteSombre(const QColor &fenetre, const QColor &base, const QColor &texte,
                              const QColor &surligne, const QColor &texteSurligne)
{
    QPalette p(texte, fenetre, fenetre.lighter(150), fenetre.darker(150), fenetre.darker(120),
               texte, texte, base, fenetre);
    p.setColor(QPalette::ButtonText, texte);
    p.setColor(QPalette::WindowText, texte);
    p.setColor(QPalette::Highlight, surligne);
    p.setColor(QPalette::HighlightedText, texteSurligne);
    p.setColor(QPalette::AlternateBase, base.lighter(110));
    p.setColor(QPalette::ToolTipBase, fenetre);
    p.setColor(QPalette::ToolTipText, texte);
    p.setColor(QPalette::PlaceholderText, texte.darker(160));
    p.setColor(QPalette::Disabled, QPalette::Text, texte.darker(200));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, texte.darker(200));
    p.setColor(QPalette::Disabled, QPalette::WindowText, texte.darker(200));
    return p;
}

inline QPalette PaletteAdwaitaSombre()
{
    return PaletteSombre(QColor(0x35, 0x35, 0x35), QColor(0x2d, 0x2d, 0x2d), QColor(0xee, 0xee, 0xec),
                         QColor(0x15, 0x53, 0x9e), QColor(0xff, 0xff, 0xff));
}

inline QPalette PaletteBreezeSombre()
{
    return PaletteSombre(QColor(0x31, 0x36, 0x3b), QColor(0x23, 0x26, 0x29), QColor(0xef, 0xf0, 0xf1),
                         QColor(0x3d, 0xae, 0xe9), QColor(0xfc, 0xfc, 0xfc));
}
