// The program's modal message boxes, with French buttons, and the seam that lets tests
// answer them without a box on screen.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

namespace BoiteMessage {

// Shows a modal box with the caption, the icon and the buttons given (Yes/No read "Oui"
// and "Non", Ok "OK", Cancel "Annuler"); returns the button chosen, or Cancel / No /
// Ok (in this order of preference, among those given) when the box is closed otherwise.
// While answers are queued (ReponseSuivante), the first one is returned at once without
// a box, and the box's text is recorded in Historique().
QMessageBox::StandardButton Afficher(QWidget *parent, QMessageBox::Icon icone,
                                     const QString &titre, const QString &texte,
                                     QMessageBox::StandardButtons boutons,
                                     QMessageBox::StandardButton defaut = QMessageBox::NoButton);

// "Attention", question icon, Oui/Non; true for Oui.
bool Question(QWidget *parent, const QString &texte);
// "Attention", question icon, "Oui"/"Non" reachable with Alt+O / Alt+N, "Non" the
// default: for a question whose "Oui" stops or takes back work. True for Oui.
bool QuestionPrudente(QWidget *parent, const QString &texte);
// "Erreur", error icon, OK.
void Erreur(QWidget *parent, const QString &texte);
// "Information", information icon, OK.
void Information(QWidget *parent, const QString &texte);

// For tests: queue the answer of the next box; the boxes answered this way, as
// "caption: text", in order.
void ReponseSuivante(QMessageBox::StandardButton reponse);
QStringList &Historique();
void Reinitialiser(); // empties the queue and the record

} // namespace BoiteMessage
