#pragma once

#include "appstorelookup.h"

#include <QThreadPool>

class VarnoletModel;

/// The model's App Store lookup: the loaded layout's apps are looked up on a worker of its own
/// pool while the window stays responsive, then the proposal is rebuilt with the answers.
class AppStoreWorkflow
{
public:
    explicit AppStoreWorkflow(VarnoletModel &model)
        : m_model(model)
    { }

    /// Turns the switch on, looking the loaded apps up, or off, dropping the answers; the choice is
    /// remembered across launches.
    void setEnabled(bool on);

    /// With the switch on and a layout loaded, looks its apps up under "Looking up apps…".
    void lookUp();

    /// The lookup itself, for a worker: the service is asked for what the cache lacks.
    static AppStoreOutcome answersFor(const Layout &layout, const SnapshotStore &store);

    /// Waits until every worker has finished entirely.
    void waitForDone() { m_workers.waitForDone(); }

private:
    VarnoletModel &m_model;
    QThreadPool m_workers;
};
