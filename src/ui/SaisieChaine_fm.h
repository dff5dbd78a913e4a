// A small modal dialog that asks for one line of text (the name of a new folder).
#pragma once

#include <QDialog>

class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QWidget;

class TfmSaisieChaine final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfmSaisieChaine)

public:
    // The caller sets the caption (setWindowTitle) and the prompt (stLabel), runs exec()
    // and, on QDialog::Accepted, reads the text of edSaisie as typed (not trimmed).
    explicit TfmSaisieChaine(QWidget *parent = nullptr);

    // The typed text, as typed.
    QString Texte() const;
    void DefinirInvite(const QString &invite);

    QLabel *stLabel;
    QLineEdit *edSaisie;
    QWidget *pnCommandes;
    QPushButton *btOK;
    QPushButton *btAnnuler;

protected:
    void showEvent(QShowEvent *evenement) override;

private:
    // OK is enabled only while the text holds something besides blanks and control
    // characters.
    void edSaisieChange(const QString &texte);
    // The dialog keeps the size its contents need (a longer prompt widens it).
    void Ajuster();

    QLayout *m_disposition = nullptr;
    bool m_dejaMontre = false;
};
