#include "savedlayouts.h"

#include "modelvalues.h"
#include "varnoletmodel.h"

#include <algorithm>

using namespace Qt::StringLiterals;

QVariantList SavedLayouts::values() const
{
    return ModelValues::list(m_model.m_snapshots, [this](const Snapshot &snapshot) {
        QVariantMap values = ModelValues::snapshot(snapshot);
        values.insert(u"hasOlder"_s, older(snapshot.id) != nullptr);
        return QVariant(values);
    });
}

const Snapshot *SavedLayouts::older(const QString &id) const
{
    // The list is newest first: the phone's next older snapshot comes after this one.
    const QList<Snapshot> &snapshots = m_model.m_snapshots;
    const auto found = std::find_if(snapshots.cbegin(), snapshots.cend(),
                                    [&](const Snapshot &snapshot) { return snapshot.id == id; });
    if (found == snapshots.cend())
        return nullptr;
    const auto older = std::find_if(found + 1, snapshots.cend(), [&](const Snapshot &snapshot) {
        return snapshot.device.ecid == found->device.ecid
                && snapshot.device.udid == found->device.udid;
    });
    return older == snapshots.cend() ? nullptr : &*older;
}

void SavedLayouts::compare(const QString &id)
{
    const QList<Snapshot> &snapshots = m_model.m_snapshots;
    const auto found = std::find_if(snapshots.cbegin(), snapshots.cend(),
                                    [&](const Snapshot &snapshot) { return snapshot.id == id; });
    if (found == snapshots.cend())
        return;
    AppNames names = found->names;
    SnapshotComparison *comparison = m_model.m_comparison;
    if (const LayoutSummary *original = m_model.m_proposal.original()) {
        names.insert(m_model.m_names);
        comparison->show(found->layout, SnapshotComparison::label(*found), original->layout,
                         u"Current layout"_s, names, m_model.m_overrides);
    } else if (const Snapshot *previous = older(id)) {
        names.insert(previous->names);
        comparison->show(previous->layout, SnapshotComparison::label(*previous), found->layout,
                         SnapshotComparison::label(*found), names, {});
    }
}
