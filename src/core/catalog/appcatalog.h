#pragma once

#include "appcategory.h"
#include "appinfo.h"
#include "parsedlayout.h"

#include <QString>

/// Names and categories for bundle identifiers, from a table of well-known apps and keyword rules,
/// and the sample layout shown when no iPhone has been read.
class AppCatalog
{
public:
    AppCatalog() = delete;

    /// Resolves one identifier: a name from `names` wins over the known name, which wins over a
    /// name made from the identifier; an override wins over every other category. Never fails.
    static AppInfo info(const QString &id, const AppNames &names = {},
                        const CategoryOverrides &overrides = {});

    /// Whether the identifier stands for a web clip: its address.
    static bool isWebClip(const QString &id);

    /// The built-in sample: a Dock of four apps and four pages with the other known apps, no
    /// folders, and no display names (the known names apply).
    static ParsedLayout demo();
};
