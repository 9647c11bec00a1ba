#pragma once

#include "commandoutput.h"

#include <QHash>
#include <QString>
#include <QStringList>

/// Runs one outside command to its end; the device service holds one so tests can stand in a fake.
class CommandRunning
{
public:
    virtual ~CommandRunning() = default;

    /// Runs `executable` (a file path, never looked up in PATH) with `arguments` one by one, the
    /// added `environment` winning over inherited variables, for at most `timeout` seconds. Blocks
    /// until the command has ended and returns what it wrote when it exited with status 0; throws
    /// VarnoletError or PlatformError otherwise. Safe to call from several threads at once.
    virtual CommandOutput run(const QString &executable, const QStringList &arguments,
                              const QHash<QString, QString> &environment, double timeout) const = 0;

protected:
    CommandRunning() = default;
    CommandRunning(const CommandRunning &) = default;
    CommandRunning &operator=(const CommandRunning &) = default;
};
