#pragma once

#include "snapshot.h"

#include <QString>

/// The outcome of an apply that reached the write: the snapshot taken before it, whether the
/// layout read back matched the proposal, and the sentence for the user.
struct ApplyReceipt
{
    Snapshot snapshot;
    bool verified = false;
    QString message;
};
