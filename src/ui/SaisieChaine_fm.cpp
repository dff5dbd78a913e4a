#include "ui/SaisieChaine_fm.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/Fenetres.h"
#include "controls/Lisibilite.h"
#include "ui/ElementsFenetre.h"
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
    AppliquerPoliceFenetre(this);
    setSizeGripEnabled(false);

    stLabel = new QLabel(this);
    stLabel->setObjectName(u"stLabel"_s);
    edSaisie = new QLineEdit(this);
    edSaisie->setObjectName(u"edSaisie"_s);
    stLabel->setBuddy(edSaisie);
    pnCommandes = new QWidget(this);
    pnCommandes->setObjectName(u"pnCommandes"_s);
    btOK = new QPushButton(IconeLisible(u":/boutons/ok.svg"_s, palette()), u"OK"_s, pnCommandes);
    btOK->setObjectName(u"btOK"_s);
    btOK->setEnabled(false);
    btOK->setDefault(true);
    btOK->setAutoDefault(false);
    btAnnuler = new QPushButton(IconeLisible(u":/boutons/annuler.svg"_s, palette()), u"Annuler"_s, pnCommandes);
    btAnnuler->setObjectName(u"btAnnuler"_s);
    btAnnuler->setAutoDefault(false);

    // As drawn (pixels for Tahoma 8 points) at the scale of the font: 264 x 93 inside,
    // the prompt over the edit box, the two buttons at the right of the bottom panel. The
    // dialog keeps the size its contents need, and grows with a longer prompt.
    const double k = EchelleDessin(font());
    const auto px = [k](int pixels) { return AEchelle(pixels, k); };
    edSaisie->setMinimumWidth(px(249));
    edSaisie->setFixedHeight(TailleDessin(edSaisie, {249, 21}, k).height());
    for (QPushButton *b : {btOK, btAnnuler})
        b->setFixedSize(TailleDessin(b, {75, 25}, k));
    auto *boutons = new QHBoxLayout(pnCommandes);
    boutons->setContentsMargins(0, 0, px(5), 0);
    boutons->setSpacing(px(5));
    boutons->addStretch(1);
    boutons->addWidget(btOK);
    boutons->addWidget(btAnnuler);
    pnCommandes->setFixedHeight(std::max(px(41), btOK->height() + 2 * px(8)));
    auto *saisie = new QVBoxLayout;
    saisie->setContentsMargins(px(8), 0, px(7), 0);
    saisie->setSpacing(0);
    stLabel->setFixedHeight(std::max(px(13), stLabel->fontMetrics().height()));
    saisie->addWidget(stLabel);
    saisie->addSpacing(EcartDessin(16, stLabel->height(), k));
    saisie->addWidget(edSaisie);
    auto *disposition = new QVBoxLayout(this);
    disposition->setSizeConstraint(QLayout::SetNoConstraint);
    disposition->setContentsMargins(0, px(8), 0, 0);
    disposition->setSpacing(0);
    disposition->addLayout(saisie);
    disposition->addSpacing(EcartDessin(28, edSaisie->height(), k));
    disposition->addWidget(pnCommandes); // the full width
    m_disposition = disposition;
    Ajuster();

    setTabOrder(edSaisie, btOK);
    setTabOrder(btOK, btAnnuler);
    edSaisie->setFocus();
    RendreFocusVisible(this);

    connect(edSaisie, &QLineEdit::textChanged, this, &TfmSaisieChaine::edSaisieChange);
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

void TfmSaisieChaine::showEvent(QShowEvent *evenement)
{
    if (!m_dejaMontre) {
        m_dejaMontre = true;
        // Centred on the window that asks, inside the screen.
        PlacerFenetre(this, {size(), std::nullopt, parentWidget() ? parentWidget()->window() : nullptr});
    }
    QDialog::showEvent(evenement);
}

QString TfmSaisieChaine::Texte() const
{
    return edSaisie->text();
}

void TfmSaisieChaine::DefinirInvite(const QString &invite)
{
    stLabel->setText(invite);
    Ajuster();
}

void TfmSaisieChaine::Ajuster()
{
    // The size its contents need, fixed before the window exists.
    m_disposition->invalidate();
    setFixedSize(m_disposition->sizeHint());
}

void TfmSaisieChaine::edSaisieChange(const QString &texte)
{
    btOK->setEnabled(!EstVide(texte));
}
