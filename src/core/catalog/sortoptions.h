#pragma once

#include "sortstyle.h"

#include <QList>

/// How the organizer should build a proposal; default-constructed it holds the defaults.
struct SortOptions
{
    SortStyle style = SortStyle::categories;
    /// Leave the Dock (page 0) as it is.
    bool keepDock = true;
    /// Leave the first Home Screen page (page 1) as it is.
    bool keepFirstPage = false;
    /// Items (apps or folders) per proposed Home Screen page; one of supportedPageCapacities().
    int pageCapacity = 24;

    /// The page sizes the sorting styles accept, smallest first.
    static QList<int> supportedPageCapacities() { return {16, 20, 24, 28, 30}; }

    friend bool operator==(const SortOptions &, const SortOptions &) = default;
};
