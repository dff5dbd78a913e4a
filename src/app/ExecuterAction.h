// The general error handler: runs an action of the user interface and shows, in an
// "Erreur" box, the message of any error it lets through, so that no exception leaves
// an event handler.
#pragma once

#include <functional>

class QWidget;

// Runs `action`; an EErreur shows its French message, any other standard exception its
// text (the program throws nothing else).
// Returns false when the action ended with an error.
bool ExecuterAction(QWidget *parent, const std::function<void()> &action);
