#include "app/BoiteMessage.h"

#include <QAbstractButton>
#include <QQueue>

using namespace Qt::StringLiterals;

namespace BoiteMessage {

namespace {
QQueue<QMessageBox::StandardButton> &Reponses()
{
    static QQueue<QMessageBox::StandardButton> reponses;
    return reponses;
}
} // namespace

namespace {
QMessageBox::StandardButton AfficherBoite(QWidget *parent, QMessageBox::Icon icone,
                                          const QString &titre, const QString &texte,
                                          QMessageBox::StandardButtons boutons,
                                          QMessageBox::StandardButton defaut, bool accelerateurs)
{
    if (!Reponses().isEmpty()) {
        Historique() << titre + u": "_s + texte;
        return Reponses().dequeue();
    }
    QMessageBox boite(icone, titre, texte, boutons, parent);
    const QList<QPair<QMessageBox::StandardButton, QString>> francais = {
        {QMessageBox::Yes, accelerateurs ? u"&Oui"_s : u"Oui"_s},
        {QMessageBox::No, accelerateurs ? u"&Non"_s : u"Non"_s},
        {QMessageBox::Ok, u"OK"_s}, {QMessageBox::Cancel, u"Annuler"_s}};
    for (const auto &[bouton, texteBouton] : francais) {
        if (QAbstractButton *b = boite.button(bouton))
            b->setText(texteBouton);
    }
    if (defaut != QMessageBox::NoButton)
        boite.setDefaultButton(defaut);
    // Escape or the close box: the most cautious button there is.
    for (QMessageBox::StandardButton prudent : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Ok}) {
        if (boutons.testFlag(prudent)) {
            boite.setEscapeButton(prudent);
            break;
        }
    }
    boite.exec();
    QAbstractButton *clique = boite.clickedButton();
    const QMessageBox::StandardButton reponse =
        clique ? boite.standardButton(clique) : QMessageBox::NoButton;
    if (reponse != QMessageBox::NoButton)
        return reponse;
    return boite.escapeButton() ? boite.standardButton(boite.escapeButton()) : QMessageBox::Cancel;
}
} // namespace

QMessageBox::StandardButton Afficher(QWidget *parent, QMessageBox::Icon icone,
                                     const QString &titre, const QString &texte,
                                     QMessageBox::StandardButtons boutons,
                                     QMessageBox::StandardButton defaut)
{
    return AfficherBoite(parent, icone, titre, texte, boutons, defaut, false);
}

bool Question(QWidget *parent, const QString &texte)
{
    return Afficher(parent, QMessageBox::Question, u"Attention"_s, texte,
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

bool QuestionPrudente(QWidget *parent, const QString &texte)
{
    return AfficherBoite(parent, QMessageBox::Question, u"Attention"_s, texte,
                         QMessageBox::Yes | QMessageBox::No, QMessageBox::No, true)
        == QMessageBox::Yes;
}

void Erreur(QWidget *parent, const QString &texte)
{
    Afficher(parent, QMessageBox::Critical, u"Erreur"_s, texte, QMessageBox::Ok);
}

void Information(QWidget *parent, const QString &texte)
{
    Afficher(parent, QMessageBox::Information, u"Information"_s, texte, QMessageBox::Ok);
}

void ReponseSuivante(QMessageBox::StandardButton reponse)
{
    Reponses().enqueue(reponse);
}

QStringList &Historique()
{
    static QStringList historique;
    return historique;
}

void Reinitialiser()
{
    Reponses().clear();
    Historique().clear();
}

} // namespace BoiteMessage
