#pragma once

#include <QByteArray>
#include <QString>

/// What a command that ended well wrote: its standard output untouched and its standard error as
/// text.
struct CommandOutput
{
    /// Everything written to standard output, byte for byte.
    QByteArray data;
    /// Everything written to standard error, decoded as UTF-8 with invalid sequences replaced by
    /// U+FFFD. Not called `stderr`, which the C library defines as a macro.
    QString standardError;

    friend bool operator==(const CommandOutput &, const CommandOutput &) = default;
};
