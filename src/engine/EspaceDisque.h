// What a file system can still take.
#pragma once

#include <optional>

#include <QString>
#include <QtGlobal>

// The bytes a user may still write on the file system of `dossier` (statvfs: f_bavail ×
// f_frsize). A folder that does not exist yet is taken on the file system of the nearest
// folder above it that does, where it will be made. Empty when the system cannot say (no
// folder on the way can be reached, or its file system gives no size).
std::optional<qint64> EspaceLibre(const QString &dossier);
