// A small file system of its own, for the tests of a full or read-only disk: a tmpfs
// mounted on a temporary folder, unmounted at the end. Mounting needs root (CAP_SYS_ADMIN):
// check Valide() and skip, saying Pourquoi(), otherwise.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TPetitDisque {
public:
    // `options` as mount -o takes them: "size=300k", "size=300k,nr_inodes=3"...
    explicit TPetitDisque(const QByteArray &options = "size=300k");
    ~TPetitDisque();
    TPetitDisque(const TPetitDisque &) = delete;
    TPetitDisque &operator=(const TPetitDisque &) = delete;

    bool Valide() const { return m_monte; }
    QString Chemin() const { return m_chemin; }    // ends with "/"
    QString Pourquoi() const { return m_pourquoi; } // why it could not be mounted
    // Mounts it again read-only, keeping what it holds. False (with Pourquoi) on failure.
    bool LectureSeule();

private:
    QTemporaryDir m_base;
    QByteArray m_options;
    QString m_chemin;
    QString m_pourquoi;
    bool m_monte = false;
};
