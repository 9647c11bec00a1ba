#pragma once

#include "commandrunning.h"

/// Runs a command as a child process with a fixed environment, its output captured in files of a
/// private temporary folder, a deadline and an output limit; the child never outlives the call.
class ProcessRunner final : public CommandRunning
{
public:
    ProcessRunner() = default;

    /// Besides the failures of CommandRunning::run, stops a child as soon as its output reaches the
    /// limit, so that a runaway tool cannot fill the disk.
    CommandOutput run(const QString &executable, const QStringList &arguments,
                      const QHash<QString, QString> &environment, double timeout) const override;
};
