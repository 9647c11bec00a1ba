#pragma once

#include <QStringList>

/// The commands that work on layout files alone: organize, profile, inspect, apps, demo and diff.
/// Each takes its arguments (its own name first), writes its result to standard output and returns
/// the exit status; failures are thrown.
class OfflineCommands
{
public:
    OfflineCommands() = delete;

    static int organize(const QStringList &arguments);
    /// The layout as a configuration profile; organized first when an organize option is given.
    static int profile(const QStringList &arguments);
    static int inspect(const QStringList &arguments);
    static int apps(const QStringList &arguments);
    static int demo(const QStringList &arguments);
    /// What changes from BEFORE to AFTER, as JSON.
    static int diff(const QStringList &arguments);
};
