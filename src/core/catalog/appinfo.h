#pragma once

#include "appcategory.h"

#include <QString>

/// What the catalogue says about one app: the name it is shown and sorted by, and its category.
struct AppInfo
{
    /// The bundle identifier exactly as the layout holds it (a web clip's URL string).
    QString id;
    QString name;
    AppCategory category = AppCategory::other;

    friend bool operator==(const AppInfo &, const AppInfo &) = default;
};
