#include "applist.h"

#include "appcatalog.h"
#include "appnamecollator.h"

#include <QSet>

QList<AppInfo> AppList::build(const Layout &layout, const AppNames &names,
                              const CategoryOverrides &overrides, const QString &search,
                              const AppStoreAnswers &answers)
{
    struct Entry
    {
        AppInfo info;
        QCollatorSortKey key;
    };

    const AppNameCollator collator;
    QList<Entry> entries;
    QSet<QString> seen;
    for (const QString &identifier : layout.identifiers()) {
        if (seen.contains(identifier))
            continue;
        seen.insert(identifier);
        AppInfo info = AppCatalog::info(identifier, names, overrides, answers);
        if (!search.isEmpty() && !info.name.contains(search, Qt::CaseInsensitive)
            && !info.id.contains(search, Qt::CaseInsensitive))
            continue;
        QCollatorSortKey key = collator.sortKey(info.name);
        entries.append({std::move(info), std::move(key)});
    }

    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        const int order = a.key.compare(b.key);
        return order != 0 ? order < 0 : a.info.id < b.info.id;
    });

    QList<AppInfo> result;
    result.reserve(entries.size());
    for (Entry &entry : entries)
        result.append(std::move(entry.info));
    return result;
}
