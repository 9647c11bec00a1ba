#pragma once

#include "appcategory.h"
#include "appinfo.h"
#include "appstoreentry.h"
#include "parsedlayout.h"

#include <QString>

/// Names and categories for bundle identifiers, from a table of well-known apps and keyword rules,
/// and the sample layout shown when no iPhone has been read.
class AppCatalog
{
public:
    AppCatalog() = delete;

    /// Resolves one identifier. Names: `names` (the phone's), then the App Store's, then the known
    /// name, then one made from the identifier. Categories: the override, then the known app's,
    /// then the App Store genre's, then the keyword rules, then Other. Never fails.
    static AppInfo info(const QString &id, const AppNames &names = {},
                        const CategoryOverrides &overrides = {},
                        const AppStoreAnswers &answers = {});

    /// True for an identifier in the table of well-known apps (exact match).
    static bool isKnown(const QString &id);

    /// Whether the identifier stands for a web clip: its address.
    static bool isWebClip(const QString &id);

    /// The built-in sample: a Dock of four apps and four pages with the other known apps, no
    /// folders, and no display names (the known names apply).
    static ParsedLayout demo();
};
