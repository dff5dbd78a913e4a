// How the program names itself to the desktop.
#pragma once

// The application's name (it chooses the configuration folder, ~/.config/clarvane), its
// desktop entry (clarvane.desktop, which with the window class tells the desktop which
// program a window belongs to) and its icon (the one installed for the desktop, compiled
// in). No display name is given: Qt would add it to every window title (" — Clarvane"),
// and the captions are shown exactly as each window sets them.
void PreparerApplication();
