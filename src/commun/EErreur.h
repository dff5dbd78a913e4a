// The error that a caller must handle: it carries the French message shown to the user.
#pragma once

#include <stdexcept>

#include <QString>

class EErreur : public std::runtime_error {
public:
    explicit EErreur(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &Message() const noexcept { return m_message; }

private:
    QString m_message;
};
