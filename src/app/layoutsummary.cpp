#include "layoutsummary.h"

LayoutSummary::LayoutSummary(const Layout &layout)
    : layout(layout)
    , fingerprint(layout.fingerprint())
    , inventory(layout.inventory())
    , iconCount(int(layout.identifiers().size()))
    , pageCount(layout.pageCount())
    , folderCount(layout.folderCount())
{ }
