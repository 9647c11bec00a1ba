#pragma once

#include <QStringList>

/// The commands that talk to a connected iPhone through the configurator: devices, read, apply,
/// snapshots and restore. Each takes its arguments (its own name first) and returns the exit
/// status; failures are thrown.
class DeviceCommands
{
public:
    DeviceCommands() = delete;

    static int devices(const QStringList &arguments);
    static int read(const QStringList &arguments);
    static int apply(const QStringList &arguments);
    static int snapshots(const QStringList &arguments);
    static int restore(const QStringList &arguments);
};
