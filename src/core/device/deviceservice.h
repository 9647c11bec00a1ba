#pragma once

#include "applyreceipt.h"
#include "commandoutput.h"
#include "commandrunning.h"
#include "device.h"
#include "deviceread.h"
#include "snapshotstore.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

/// Lists connected iPhones, reads their layouts, and writes a layout with every guard around the
/// single write: re-validation, same apps, still connected, unchanged since the preview, a snapshot
/// first, and a read-back that verifies the result. Holds no state; calls block, so callers run
/// them on a worker thread.
class DeviceService
{
public:
    /// A null `runner` runs commands with a ProcessRunner.
    DeviceService(const QString &cfgutil, const std::optional<QString> &fallbackReader,
                  std::shared_ptr<const CommandRunning> runner, const SnapshotStore &storage);

    /// The first configurator found at the usual install locations, if any.
    static std::optional<QString> discoverConfigurator();
    /// The first optional springboard reader found at the usual install locations, if any.
    static std::optional<QString> discoverFallback();

    /// Where the configurator is looked for, in order; some places are in the home folder.
    static QStringList configuratorCandidates();
    /// Where the springboard reader is looked for, in order; some places are in the home folder.
    static QStringList fallbackCandidates();
    /// The first of `candidates` that is an executable file (links followed), if any.
    static std::optional<QString> firstExecutable(const QStringList &candidates);

    /// The connected iPhones, ordered by name.
    QList<Device> devices() const;
    /// Reads a phone's layout, through the configurator or else the fallback reader, saving the raw
    /// response as a diagnostic before parsing it; names are added best effort.
    DeviceRead read(const Device &device, bool includeNames) const;
    /// Writes `proposed` to the phone exactly once, if the phone still holds `expected`; `names`
    /// and `label` go into the snapshot taken before the write.
    ApplyReceipt apply(const Layout &proposed, const Layout &expected, const Device &device,
                       const AppNames &names, const QString &label) const;

    const QString &cfgutil() const { return m_cfgutil; }
    const std::optional<QString> &fallbackReader() const { return m_fallbackReader; }
    const SnapshotStore &storage() const { return m_storage; }

private:
    CommandOutput command(const QStringList &arguments, const std::optional<Device> &device,
                          double timeout) const;

    QString m_cfgutil;
    std::optional<QString> m_fallbackReader;
    std::shared_ptr<const CommandRunning> m_runner;
    SnapshotStore m_storage;
};
