#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

/// Replaces a file whole or not at all, and says why in the system's own words when it cannot.
class AtomicFile
{
public:
    AtomicFile() = delete;

    /// Writes `data` to a temporary file beside `path`, gives it `permissions` (when given) and
    /// renames it over `path`. Every byte is checked, so a full disk or a file-size limit never
    /// leaves a torn file. Throws PlatformError: "Could not write PATH: Reason."
    static void write(const QByteArray &data, const QString &path,
                      std::optional<QFile::Permissions> permissions = std::nullopt);
};
