#pragma once

#include "appinfo.h"
#include "appstoreentry.h"
#include "layout.h"
#include "parsedlayout.h"

#include <QList>
#include <QString>

/// The app list shown beside a layout: each distinct app once, resolved through the catalogue,
/// filtered by a search text and sorted by name as the Finder sorts.
class AppList
{
public:
    AppList() = delete;

    /// Apps whose name, or else identifier, contains `search` (case ignored); all for an empty
    /// search. Names that collate equal are ordered by identifier, so the list is stable.
    static QList<AppInfo> build(const Layout &layout, const AppNames &names,
                                const CategoryOverrides &overrides, const QString &search = {},
                                const AppStoreAnswers &answers = {});
};
