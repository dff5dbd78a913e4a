#include "ui/ElementsFenetre.h"

#include <QCheckBox>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QListView>
#include <QPalette>

#include "controls/Lisibilite.h"

using namespace Qt::StringLiterals;

namespace {
constexpr int kTailleImage = 16;
// The picture of a button made by Bouton, kept on it for RedessinerIcones.
constexpr char kProprieteIcone[] = "clarvaneIcone";
constexpr char kProprieteInactif[] = "clarvaneIconeInactif";
}

QIcon Icone(const QString &nom, const QPalette &palette, bool avecInactif)
{
    return IconeLisible(u":/boutons/%1.svg"_s.arg(nom), palette,
                        avecInactif ? u":/boutons/%1_inactif.svg"_s.arg(nom) : QString());
}

QLabel *Etiquette(const QString &texte, const QString &nom, QWidget *parent, const QRect &position)
{
    auto *etiquette = new QLabel(texte, parent);
    etiquette->setObjectName(nom);
    etiquette->setGeometry(position);
    return etiquette;
}

QComboBox *Liste(const QString &nom, QWidget *parent, const QRect &position)
{
    auto *liste = new QComboBox(parent);
    liste->setObjectName(nom);
    liste->setGeometry(position);
    liste->setFocusPolicy(Qt::StrongFocus);
    return liste;
}

// The drop-down part shows every item whole, even where the closed list is narrow.
void ElargirListe(QComboBox *liste)
{
    int largeur = 0;
    for (int i = 0; i < liste->count(); ++i)
        largeur = std::max(largeur, liste->fontMetrics().horizontalAdvance(liste->itemText(i)));
    liste->view()->setMinimumWidth(largeur + 16);
}

QCheckBox *Case(const QString &texte, const QString &nom, QWidget *parent, const QRect &position)
{
    auto *c = new QCheckBox(texte, parent);
    c->setObjectName(nom);
    c->setGeometry(position);
    return c;
}

// A push button of the window with its picture left of its caption.
QPushButton *Bouton(QPushButton *bouton, const QString &nom, const QString &icone,
                    const QRect &position, bool avecInactif)
{
    bouton->setObjectName(nom);
    bouton->setProperty(kProprieteIcone, icone);
    bouton->setProperty(kProprieteInactif, avecInactif);
    bouton->setIcon(Icone(icone, bouton->palette(), avecInactif));
    bouton->setIconSize(QSize(kTailleImage, kTailleImage));
    bouton->setGeometry(position);
    return bouton;
}

void RedessinerIcones(QWidget *fenetre)
{
    for (QPushButton *b : fenetre->findChildren<QPushButton *>()) {
        const QString icone = b->property(kProprieteIcone).toString();
        if (!icone.isEmpty())
            b->setIcon(Icone(icone, b->palette(), b->property(kProprieteInactif).toBool()));
    }
}
