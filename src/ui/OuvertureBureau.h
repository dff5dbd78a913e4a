// Whether the desktop can show a text file in a window, and handing it the file.
//
// The desktop opens a file with the program of its desktop entry for the file's type
// (xdg-open, after `xdg-mime query default`). That program may be a terminal one (vim,
// less: Terminal=true), which on a desktop without a terminal emulator shows nothing at
// all, or it may be missing; xdg-open is started all the same and Qt reports success.
// These functions look at the entry first.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// The folders of the desktop entries, in the order they are looked up:
// $XDG_DATA_HOME/applications (~/.local/share), then each of $XDG_DATA_DIRS
// (/usr/local/share:/usr/share) followed by /applications.
QStringList DossiersApplications();

// True when the desktop entry named `entree` ("org.gnome.gedit.desktop"; "kde-kate.desktop"
// may stand for kde/kate.desktop), taken from the first of `dossiers` that holds it, is a
// program with a window of its own: not hidden, not Terminal=true, and its program
// (TryExec, else the first word of Exec after any "env VAR=value") found on PATH or as
// an executable file.
bool EntreeGraphique(const QString &entree, const QStringList &dossiers);

// The desktop entry xdg-open uses for a MIME type (`xdg-mime query default`); empty when
// there is none, or xdg-mime is missing or does not answer within 5 seconds.
QString EntreeParDefaut(const QString &typeMime);

// Opens the file with the desktop's program for text files when that program shows it in
// a window; false, without trying, otherwise, and false when the desktop fails to start it.
bool OuvrirTexteAvecBureau(const QUrl &url);
