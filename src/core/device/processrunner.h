#pragma once

#include "commandrunning.h"

#include <functional>

/// Runs a command as a child process with a fixed environment, its output captured in files of a
/// private temporary folder, a deadline and an output limit. The child runs in a process group of
/// its own, and no process of that group outlives the call.
class ProcessRunner final : public CommandRunning
{
public:
    /// Returns the number of a signal that asked the program to end, or 0.
    using InterruptionCheck = std::function<int()>;

    /// With `interruption`, a run also stops as soon as it reports a signal, and throws
    /// Interrupted.
    explicit ProcessRunner(InterruptionCheck interruption = {})
        : m_interruption(std::move(interruption))
    { }

    /// Besides the failures of CommandRunning::run, stops a child as soon as its output reaches the
    /// limit, so that a runaway tool cannot fill the disk.
    CommandOutput run(const QString &executable, const QStringList &arguments,
                      const QHash<QString, QString> &environment, double timeout) const override;

private:
    int interruption() const { return m_interruption ? m_interruption() : 0; }

    InterruptionCheck m_interruption;
};
