#pragma once

#include <QByteArray>

/// Writes the command's result to standard output as raw bytes.
class StandardOutput
{
public:
    StandardOutput() = delete;

    /// Throws PlatformError when the bytes cannot be written (a closed pipe, a full disk).
    static void write(const QByteArray &data);
    /// The same without throwing: false when the bytes could not all be written.
    static bool tryWrite(const QByteArray &data);
};
