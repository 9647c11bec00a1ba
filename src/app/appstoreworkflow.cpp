#include "appstoreworkflow.h"

#include "appstoresetting.h"

#include "modelbatch.h"
#include "varnoletmodel.h"

#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;

AppStoreOutcome AppStoreWorkflow::answersFor(const Layout &layout, const SnapshotStore &store)
{
    return AppStoreLookup::lookUp(layout.identifiers(), store, AppStoreAccess::online);
}

void AppStoreWorkflow::setEnabled(bool on)
{
    VarnoletModel &model = m_model;
    if (!model.change(model.m_appStoreLookup, on, &VarnoletModel::appStoreLookupChanged))
        return;
    AppStoreSetting::setEnabled(on);
    if (on) {
        lookUp();
        return;
    }
    VarnoletModel::Batch batch(&model);
    model.setAppStoreAnswers({});
    if (!model.m_pendingRestore)
        model.rebuild();
}

void AppStoreWorkflow::lookUp()
{
    VarnoletModel &model = m_model;
    const std::optional<Layout> original = model.originalLayout();
    if (!model.appStoreLookup() || !original)
        return;
    model.perform(u"Looking up apps…"_s, [this, &model, layout = *original] {
        return QtConcurrent::run(&m_workers, answersFor, layout, model.storage())
                .then(&model, [&model](const AppStoreOutcome &outcome) {
                    VarnoletModel::Batch batch(&model);
                    model.setAppStoreAnswers(outcome.answers);
                    // A saved layout being previewed keeps its own arrangement.
                    if (!model.hasPendingRestore())
                        model.rebuild();
                    if (!outcome.warning.isEmpty())
                        model.log(outcome.warning, true);
                });
    });
}
