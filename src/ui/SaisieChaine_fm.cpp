#include "ui/SaisieChaine_fm.h"

#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "controls/Lisibilite.h"
#include "ui/PoliceFormulaire.h"

using namespace Qt::StringLiterals;

namespace {
// Blanks and control characters, which do not make a name.
bool EstVide(const QString &texte)
{
    for (const QChar c : texte) {
        if (!c.isSpace() && c.category() != QChar::Other_Control)
            return false;
    }
    return true;
}
} // namespace

TfmSaisieChaine::TfmSaisieChaine(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(u"fmSaisieChaine"_s);
    setFont(PoliceFormulaire());
    setFixedSize(264, 93);
    setSizeGripEnabled(false);

    stLabel = new QLabel(this);
    stLabel->setObjectName(u"stLabel"_s);
    stLabel->move(8, 8);
    // The prompt is set by the caller: the label grows to its text, as far as the edge.
    stLabel->setMaximumWidth(249);

    edSaisie = new QLineEdit(this);
    edSaisie->setObjectName(u"edSaisie"_s);
    edSaisie->setGeometry(8, 24, 249, 21);
    stLabel->setBuddy(edSaisie);

    pnCommandes = new QWidget(this);
    pnCommandes->setObjectName(u"pnCommandes"_s);
    pnCommandes->setGeometry(0, 52, 264, 41);

    btOK = new QPushButton(IconeLisible(u":/boutons/ok.svg"_s, palette()), u"OK"_s, pnCommandes);
    btOK->setObjectName(u"btOK"_s);
    btOK->setGeometry(104, 8, 75, 25);
    btOK->setEnabled(false);
    btOK->setDefault(true);
    btOK->setAutoDefault(false);

    btAnnuler = new QPushButton(IconeLisible(u":/boutons/annuler.svg"_s, palette()), u"Annuler"_s, pnCommandes);
    btAnnuler->setObjectName(u"btAnnuler"_s);
    btAnnuler->setGeometry(184, 8, 75, 25);
    btAnnuler->setAutoDefault(false);

    setTabOrder(edSaisie, btOK);
    setTabOrder(btOK, btAnnuler);
    edSaisie->setFocus();

    connect(edSaisie, &QLineEdit::textChanged, this, &TfmSaisieChaine::edSaisieChange);
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

QString TfmSaisieChaine::Texte() const
{
    return edSaisie->text();
}

void TfmSaisieChaine::DefinirInvite(const QString &invite)
{
    stLabel->setText(invite);
    stLabel->adjustSize();
    stLabel->setFixedHeight(13);
}

void TfmSaisieChaine::edSaisieChange(const QString &texte)
{
    btOK->setEnabled(!EstVide(texte));
}
