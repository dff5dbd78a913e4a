// The error log shown in a window of the program, when the desktop cannot show it.
#pragma once

#include <functional>

#include <QDialog>
#include <QString>
#include <QUrl>

class QPlainTextEdit;
class QPushButton;
class QWidget;

// A window with the lines of a text file, read-only but selectable (mouse and keyboard,
// for copying a line into a search or a message), captioned with the file's name, and a
// "Fermer" button. Not modal: the user may keep it beside the main window.
class TfmJournalTexte final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfmJournalTexte)

public:
    explicit TfmJournalTexte(QWidget *parent = nullptr);

    // Reads the file again and shows its lines (UTF-8; CR LF or LF); a file that cannot be
    // read, or is no regular file (a fifo, a link to a device, a folder: neither waited on
    // nor read), shows why instead. The caption becomes the file's name. Of a longer file,
    // the first `tailleMax` bytes are shown, followed by a line saying so.
    static constexpr qint64 kTailleMontree = 32 * 1024 * 1024;
    void Charger(const QString &chemin, qint64 tailleMax = kTailleMontree);

    QPlainTextEdit *mmJournal;
    QWidget *pnCommandes;
    QPushButton *btFermer;
};

// Hands the file to the desktop through `ouvrir`. When that fails (`ouvrir` is empty or
// returns false), shows the file in a TfmJournalTexte of `parent`, the one already open
// there if any (it is read again and brought to the front), and returns it; returns null
// when the desktop took the file.
TfmJournalTexte *OuvrirOuMontrer(const QString &chemin, QWidget *parent,
                                 const std::function<bool(const QUrl &)> &ouvrir);
