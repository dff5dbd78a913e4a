// A folder where nothing can be written, for fault tests. Tests run as root in CI, and
// permission bits do not stop root, so the folder is a read-only tmpfs mount (root) or a
// folder without write permission (other users). Check Valide() and skip otherwise.
#pragma once

#include <memory>

#include <QString>
#include <QTemporaryDir>

#include "PetitDisque.h"

class TDossierLectureSeule {
public:
    // Makes the folder; `fichiers` (name -> content) are put in it before it turns read-only.
    explicit TDossierLectureSeule(const QList<QPair<QString, QByteArray>> &fichiers = {});
    ~TDossierLectureSeule();
    TDossierLectureSeule(const TDossierLectureSeule &) = delete;
    TDossierLectureSeule &operator=(const TDossierLectureSeule &) = delete;

    bool Valide() const { return m_valide; }       // the folder really refuses writes
    QString Chemin() const { return m_chemin; }    // ends with "/"
    QString Pourquoi() const { return m_pourquoi; } // why it could not be made

private:
    QTemporaryDir m_base;
    std::unique_ptr<TPetitDisque> m_disque; // root: the folder is a tmpfs of its own
    QString m_chemin;
    QString m_pourquoi;
    bool m_valide = false;
};

// Makes a file immutable (chattr +i): not even root may change, rename or delete it.
// Returns false when the file system or the user cannot do it.
bool RendreImmuable(const QString &fichier, bool immuable = true);
