// A desktop font of a given size for the windows a test opens.
#pragma once

#include <QApplication>
#include <QFont>
#include <QString>

// The application's font is `famille` at `points` (0: left as it is) for as long as the
// object lives, as a desktop with that font gives it.
class TPoliceApplication {
public:
    explicit TPoliceApplication(int points, const QString &famille = QStringLiteral("DejaVu Sans"))
        : m_avant(QApplication::font())
    {
        if (points)
            QApplication::setFont(QFont(famille, points));
    }
    ~TPoliceApplication() { QApplication::setFont(m_avant); }
    TPoliceApplication(const TPoliceApplication &) = delete;
    TPoliceApplication &operator=(const TPoliceApplication &) = delete;

private:
    QFont m_avant;
};
