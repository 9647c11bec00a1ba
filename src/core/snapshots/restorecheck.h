#pragma once

#include "device.h"
#include "layout.h"
#include "snapshot.h"

/// The checks a saved layout passes before it may be written back: it must come from this very
/// phone, and the phone must still hold exactly the same app icons.
class RestoreCheck
{
public:
    RestoreCheck() = delete;

    /// Throws VarnoletError naming the snapshot's phone unless ECID and UDID both match.
    static void verifyDevice(const Snapshot &snapshot, const Device &device);
    /// Throws VarnoletError unless `current` holds each app exactly as often as the snapshot.
    static void verifyInventory(const Snapshot &snapshot, const Layout &current);
};
