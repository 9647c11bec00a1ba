#pragma once

#include <QStringList>

/// The varnolet-cli program: reads the command line, runs one command, and maps its outcome to the
/// exit status (0 success, 1 a failure the system reports, 2 a usage error).
class CommandLine
{
public:
    CommandLine() = delete;

    enum ExitStatus {
        Success = 0,
        Failure = 1,
        Usage = 2,
        WrittenNotVerified = 3,
    };

    /// `arguments` as the program received them, the program name first.
    static int run(const QStringList &arguments);

    static QString usage();
};
