#pragma once

#include "snapshot.h"

#include <QString>
#include <QVariantList>

class VarnoletModel;

/// The model's Saved layouts section: the list the window shows and comparing one saved layout
/// with the loaded layout, or without one with the same phone's next older saved layout.
class SavedLayouts
{
public:
    explicit SavedLayouts(VarnoletModel &model)
        : m_model(model)
    { }

    /// The snapshots as the window shows them, each saying whether it has an older one.
    QVariantList values() const;
    void compare(const QString &id);

private:
    /// The same phone's snapshot saved before the one with `id`; null when there is none.
    const Snapshot *older(const QString &id) const;

    VarnoletModel &m_model;
};
