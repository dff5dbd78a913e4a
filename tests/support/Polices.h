// A desktop font of a given size for the windows a test opens.
#pragma once

#include <QApplication>
#include <QFont>
#include <QString>
#include <QStringList>

// The application's font is `famille` at `points` (0: left as it is) for as long as the
// object lives, as a desktop with that font gives it.
// In a child test process: the application's font as the parent asked for it in
// CLARVANE_POLICE ("family,points"); left as it is without it.
inline void AppliquerPoliceDemandee()
{
    const QStringList police = qEnvironmentVariable("CLARVANE_POLICE").split(u',');
    if (police.size() == 2)
        QApplication::setFont(QFont(police[0], police[1].toInt()));
}

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
