#pragma once

#include "snapshot.h"
#include "snapshotstore.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <functional>
#include <utility>

class VarnoletModel;

/// The model's work with phones: finding them, reading, applying and preparing a restore. Each
/// runs through the model's perform(), its device commands on a worker of its own pool, and its
/// results are applied to the model on the main thread.
class DeviceWorkflows
{
public:
    /// A workflow for perform(): runs on the main thread, starts its device work on a worker and
    /// returns the future that finishes once the results are applied. It may throw at once.
    using Operation = std::function<QFuture<void>()>;

    explicit DeviceWorkflows(VarnoletModel &model)
        : m_model(model)
    { }

    /// Runs `operation` as the model's single running workflow under `label`; while one runs,
    /// further requests are dropped without a word. A failure becomes a warning with its
    /// description.
    void perform(const QString &label, const Operation &operation);

    /// Looks for the configurator and the phones.
    void refresh();
    /// Asks for Apple Configurator or the cfgutil executable, then refreshes.
    void chooseConfigurator();
    /// Uses the configurator at `path` (the app or cfgutil itself) when it holds cfgutil.
    void useConfigurator(const QString &path);
    /// Reads and snapshots the selected phone's layout.
    void read();
    /// Writes the proposal (or the prepared restore) to the loaded phone and verifies it.
    void apply();
    /// Loads a saved snapshot as the proposal against the selected phone's current layout.
    void prepareRestore(const QString &id);

    /// Waits until every worker has finished entirely.
    void waitForDone() { m_workers.waitForDone(); }

    /// The saved snapshots of `storage`; empty when they cannot be listed.
    static QList<Snapshot> savedSnapshots(const SnapshotStore &storage);

private:
    template<typename Work>
    auto onWorker(Work &&work)
    {
        return QtConcurrent::run(&m_workers, std::forward<Work>(work));
    }

    VarnoletModel &m_model;
    // Its own pool: the model's destructor waits until a worker has finished entirely, including
    // Qt's hand-over of the result to the model, which must not meet a half-destroyed model.
    QThreadPool m_workers;
};
