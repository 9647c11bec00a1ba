#pragma once

#include "layout.h"

/// Generated layouts for the benchmarks, so that no large fixture lives in the repository.
class BenchLayouts
{
public:
    BenchLayouts() = delete;

    /// A lived-in phone: 500 apps, a Dock of 4, 30 folders, 24 items a page.
    static Layout realistic();
    /// The largest layout the limits allow: a Dock of 4 folders and 100 pages of 30 folders, every
    /// folder 15 pages of 9 apps (405,540 apps).
    static Layout largest();
    /// The largest layout whose category proposal still fits the limits: the largest one cannot,
    /// since its 3,004 folders of apps need more than 100 pages. A Dock of 4 full folders and
    /// 2,990 full folders on 100 pages (404,190 apps), each category holding whole folders.
    static Layout largestOrganizable();
};
