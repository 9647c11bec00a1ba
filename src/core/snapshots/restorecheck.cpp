#include "restorecheck.h"

#include "usertext.h"
#include "varnoleterror.h"

using namespace Qt::StringLiterals;

void RestoreCheck::verifyDevice(const Snapshot &snapshot, const Device &device)
{
    if (snapshot.device.ecid != device.ecid || snapshot.device.udid != device.udid)
        throw VarnoletError(
                u"This saved layout belongs to a different iPhone. Select %1 to restore it."_s.arg(
                        UserText::quoted(snapshot.device.name)));
}

void RestoreCheck::verifyInventory(const Snapshot &snapshot, const Layout &current)
{
    if (current.inventory() != snapshot.layout.inventory())
        throw VarnoletError(
                u"The app icons on this iPhone changed since the snapshot. Automatic restore is "
                "blocked to avoid adding or losing icons. You can inspect original-layout.json in "
                "the snapshot folder."_s);
}
