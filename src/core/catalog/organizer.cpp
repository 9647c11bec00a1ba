#include "organizer.h"

#include "appcatalog.h"
#include "appnamecollator.h"
#include "layoutlimits.h"
#include "varnoleterror.h"

#include <QCollatorSortKey>

#include <algorithm>
#include <numeric>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The iPhone's folder limits, which the validation enforces as well.
constexpr qsizetype folderPageApps = LayoutLimits::maximumFolderPageApps;
constexpr qsizetype folderApps = LayoutLimits::maximumFolderApps;

// The identifiers to sort, each resolved once: sorting a whole Home Screen must not resolve and
// collate names again on every comparison.
struct ResolvedApps
{
    QStringList ids;                     // distinct, in the order first collected
    std::vector<qsizetype> indices;      // per collected identifier: its index in `ids`
    std::vector<AppCategory> categories; // per distinct identifier
    std::vector<qsizetype> ranks;        // per distinct identifier: its position in the app order
};

// The app order: names by the Finder's comparison; identical names by identifier; names that
// differ but collate as equal by the order in which they were first collected. `ids` are distinct
// and in the order first collected; `idNames` are their display names. Every identifier gets its
// own rank, so equal ranks mean equal identifiers.
std::vector<qsizetype> appOrderRanks(const QStringList &ids, const QStringList &idNames)
{
    const AppNameCollator collator;
    std::vector<QCollatorSortKey> keys;
    keys.reserve(idNames.size());
    for (const QString &name : idNames)
        keys.push_back(collator.sortKey(name));

    // By collation key, and by first appearance among equal keys.
    std::vector<qsizetype> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&keys](qsizetype a, qsizetype b) {
        const int c = keys[a].compare(keys[b]);
        return c < 0 || (c == 0 && a < b);
    });

    // Within a run of names that collate as equal, each name stays where it first appeared and
    // identical names go by identifier.
    for (auto runBegin = order.begin(); runBegin != order.end();) {
        const auto runEnd = std::find_if(runBegin + 1, order.end(), [&](qsizetype i) {
            return keys[*runBegin].compare(keys[i]) != 0;
        });
        if (runEnd - runBegin > 1) {
            QHash<QString, qsizetype> firstSeen;
            for (auto it = runBegin; it != runEnd; ++it) {
                if (!firstSeen.contains(idNames.at(*it)))
                    firstSeen.insert(idNames.at(*it), it - runBegin);
            }
            std::stable_sort(runBegin, runEnd, [&](qsizetype a, qsizetype b) {
                const qsizetype nameA = firstSeen.value(idNames.at(a));
                const qsizetype nameB = firstSeen.value(idNames.at(b));
                return nameA != nameB ? nameA < nameB : ids.at(a) < ids.at(b);
            });
        }
        runBegin = runEnd;
    }

    std::vector<qsizetype> ranks(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        ranks[order[i]] = static_cast<qsizetype>(i);
    return ranks;
}

ResolvedApps resolve(const QStringList &collected, const AppNames &names,
                     const CategoryOverrides &overrides, const AppStoreAnswers &answers)
{
    ResolvedApps apps;
    QHash<QStringView, qsizetype> indexOf; // views into `collected`, which outlives it
    indexOf.reserve(collected.size());
    apps.indices.reserve(collected.size());
    for (const QString &id : collected) {
        auto it = indexOf.constFind(id);
        if (it == indexOf.cend()) {
            it = indexOf.insert(id, apps.ids.size());
            apps.ids.append(id);
        }
        apps.indices.push_back(*it);
    }

    // A name never depends on the overrides, so one lookup gives both the name and the category.
    QStringList idNames;
    idNames.reserve(apps.ids.size());
    apps.categories.reserve(apps.ids.size());
    for (const QString &id : std::as_const(apps.ids)) {
        AppInfo info = AppCatalog::info(id, names, overrides, answers);
        idNames.append(std::move(info.name));
        apps.categories.push_back(info.category);
    }
    apps.ranks = appOrderRanks(apps.ids, idNames);
    return apps;
}

// Stable, so repeated identifiers keep their collected order (they are interchangeable anyway).
void sortByAppOrder(std::vector<qsizetype> &indices, const ResolvedApps &apps)
{
    std::stable_sort(indices.begin(), indices.end(),
                     [&apps](qsizetype a, qsizetype b) { return apps.ranks[a] < apps.ranks[b]; });
}

QList<LayoutItem> alphabeticalItems(const QStringList &collected, const AppNames &names,
                                    const AppStoreAnswers &answers)
{
    const ResolvedApps apps = resolve(collected, names, {}, answers);
    std::vector<qsizetype> indices = apps.indices;
    sortByAppOrder(indices, apps);
    QList<LayoutItem> items;
    items.reserve(static_cast<qsizetype>(indices.size()));
    for (qsizetype index : indices)
        items.append(LayoutItem::app(apps.ids.at(index)));
    return items;
}

QList<LayoutItem> categoryItems(const QStringList &collected, const AppNames &names,
                                const CategoryOverrides &overrides, const AppStoreAnswers &answers)
{
    const ResolvedApps apps = resolve(collected, names, overrides, answers);
    const QList<AppCategory> categories = AppCategories::allCases();
    std::vector<std::vector<qsizetype>> groups(categories.size());
    for (qsizetype index : apps.indices)
        groups[static_cast<std::size_t>(apps.categories[index])].push_back(index);

    QList<LayoutItem> items;
    for (AppCategory category : categories) {
        std::vector<qsizetype> &group = groups[static_cast<std::size_t>(category)];
        if (group.empty())
            continue;
        sortByAppOrder(group, apps);
        if (group.size() == 1) {
            items.append(LayoutItem::app(apps.ids.at(group.front())));
            continue;
        }
        const QString title = AppCategories::title(category);
        const auto groupSize = static_cast<qsizetype>(group.size());
        for (qsizetype runStart = 0; runStart < groupSize; runStart += folderApps) {
            const qsizetype runEnd = std::min(runStart + folderApps, groupSize);
            QList<QStringList> pages;
            for (qsizetype pageStart = runStart; pageStart < runEnd; pageStart += folderPageApps) {
                QStringList page;
                for (qsizetype i = pageStart; i < std::min(pageStart + folderPageApps, runEnd); ++i)
                    page.append(apps.ids.at(group[static_cast<std::size_t>(i)]));
                pages.append(page);
            }
            const qsizetype ordinal = runStart / folderApps + 1;
            items.append(LayoutItem::folder(
                    ordinal == 1 ? title : title + u' ' + QString::number(ordinal), pages));
        }
    }
    return items;
}

Layout swapFirstTwoLooseApps(const Layout &layout)
{
    Layout result = layout;
    for (qsizetype p = 1; p < result.pages.size(); ++p) {
        LayoutPage &page = result.pages[p];
        qsizetype firstApp = -1;
        for (qsizetype i = 0; i < page.size(); ++i) {
            if (page.at(i).isFolder())
                continue;
            if (firstApp < 0) {
                firstApp = i;
                continue;
            }
            page.swapItemsAt(firstApp, i);
            return result;
        }
    }
    throw VarnoletError(
            u"The two-icon test needs two loose app icons on the same Home Screen page."_s);
}

} // namespace

Layout Organizer::organize(const Layout &layout, const SortOptions &options, const AppNames &names,
                           const CategoryOverrides &overrides, const AppStoreAnswers &answers)
{
    layout.validate();
    if (options.style == SortStyle::twoIconTest)
        return swapFirstTwoLooseApps(layout);

    if (!SortOptions::supportedPageCapacities().contains(options.pageCapacity))
        throw VarnoletError(u"Unsupported page size."_s);

    const qsizetype kept = options.keepFirstPage ? std::min<qsizetype>(2, layout.pages.size()) : 1;
    Layout result(layout.pages.first(kept));

    // The Dock's apps go first, then every app of the sorted pages, folders unpacked.
    QStringList collected;
    if (!options.keepDock) {
        for (const LayoutItem &item : layout.pages.constFirst())
            collected.append(item.identifiers());
        result.pages.first() = LayoutPage();
    }
    for (qsizetype p = kept; p < layout.pages.size(); ++p) {
        for (const LayoutItem &item : layout.pages.at(p))
            collected.append(item.identifiers());
    }

    const QList<LayoutItem> items = options.style == SortStyle::alphabetical
            ? alphabeticalItems(collected, names, answers)
            : categoryItems(collected, names, overrides, answers);
    for (qsizetype start = 0; start < items.size(); start += options.pageCapacity)
        result.pages.append(items.mid(start, options.pageCapacity));
    if (result.pages.size() == 1)
        result.pages.append(LayoutPage());

    verifyProposal(layout, result);
    return result;
}

void Organizer::verifyProposal(const Layout &original, const Layout &proposed)
{
    proposed.validate();
    // The same as comparing both inventories, with one table instead of two.
    const QStringList originalIds = original.identifiers();
    const QStringList proposedIds = proposed.identifiers();
    bool same = originalIds.size() == proposedIds.size();
    if (same) {
        QHash<QStringView, qsizetype> balance; // views into `originalIds`
        balance.reserve(originalIds.size());
        for (const QString &id : originalIds)
            ++balance[QStringView(id)];
        for (const QString &id : proposedIds) {
            const auto it = balance.find(QStringView(id));
            if (it == balance.end() || --*it < 0) {
                same = false;
                break;
            }
        }
    }
    if (!same)
        throw VarnoletError(u"The proposed layout changed the app inventory. Apply is blocked."_s);
}
