#include "ui/ElementsFenetre.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QListView>

using namespace Qt::StringLiterals;

namespace {
constexpr int kTailleImage = 16;
}

bool TBoutonBascule::event(QEvent *evenement)
{
    if (evenement->type() == QEvent::Shortcut) {
        if (Accelerateur)
            Accelerateur();
        return true;
    }
    return QPushButton::event(evenement);
}

QIcon Icone(const QString &nom, bool avecInactif)
{
    QIcon icone(u":/boutons/%1.svg"_s.arg(nom));
    if (avecInactif)
        icone.addFile(u":/boutons/%1_inactif.svg"_s.arg(nom), QSize(), QIcon::Disabled);
    return icone;
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
QPushButton *Bouton(QPushButton *bouton, const QString &nom, const QIcon &icone, const QRect &position)
{
    bouton->setObjectName(nom);
    bouton->setIcon(icone);
    bouton->setIconSize(QSize(kTailleImage, kTailleImage));
    bouton->setGeometry(position);
    return bouton;
}
