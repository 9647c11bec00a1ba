#include "layoutedits.h"

#include "appcatalog.h"
#include "layoutlimits.h"
#include "varnoleterror.h"

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void refuse(const QString &sentence)
{
    throw VarnoletError(sentence);
}

[[noreturn]] void refuseGone()
{
    refuse(u"That item is no longer there."_s);
}

// The item at `at` itself: the app in a folder, or the entry on a page.
const LayoutItem &entryAt(const Layout &layout, const LayoutPosition &at)
{
    if (at.page < 0 || at.page >= layout.pages.size())
        refuseGone();
    const LayoutPage &page = layout.pages.at(at.page);
    if (at.index < 0 || at.index >= page.size())
        refuseGone();
    const LayoutItem &entry = page.at(at.index);
    if (at.inFolder()) {
        const QList<QStringList> &folderPages = entry.folderPages();
        if (!entry.isFolder() || at.folderPage >= folderPages.size() || at.folderIndex < 0
            || at.folderIndex >= folderPages.at(at.folderPage).size())
            refuseGone();
    }
    return entry;
}

bool isFolderAt(const Layout &layout, const LayoutPosition &at)
{
    return !at.inFolder() && entryAt(layout, at).isFolder();
}

struct TakenOut
{
    LayoutItem item;
    // The entry at `from` left its page: the app itself, or the folder it emptied.
    bool entryRemoved = false;
};

// Takes the item at `from` out of `layout`; a folder page or folder it empties goes with it.
TakenOut takeOut(Layout &layout, const LayoutPosition &from)
{
    LayoutPage &page = layout.pages[from.page];
    if (!from.inFolder())
        return {page.takeAt(from.index), true};
    const LayoutItem folder = page.at(from.index);
    QList<QStringList> folderPages = folder.folderPages();
    const LayoutItem app = LayoutItem::app(folderPages[from.folderPage].takeAt(from.folderIndex));
    if (folderPages.at(from.folderPage).isEmpty())
        folderPages.removeAt(from.folderPage);
    if (folderPages.isEmpty()) {
        page.removeAt(from.index);
        return {app, true};
    }
    page[from.index] = LayoutItem::folder(folder.name(), folderPages);
    return {app, false};
}

// Where the entry that stood at `at` stands once the item at `from` is taken out.
LayoutPosition afterTakingOut(LayoutPosition at, const LayoutPosition &from, const TakenOut &taken)
{
    if (taken.entryRemoved && from.page == at.page && from.index < at.index)
        --at.index;
    return at;
}

// Checks the page that received an item against the limits and drops the Home Screen page the
// item left empty.
Layout finish(const Layout &before, Layout after, int sourcePage, int targetPage, int pageCapacity)
{
    if (after.pages.first().size() > LayoutLimits::maximumDockItems)
        refuse(u"The Dock holds at most four items."_s);
    if (targetPage > 0) {
        const qsizetype was
                = targetPage < before.pages.size() ? before.pages.at(targetPage).size() : 0;
        const qsizetype now = after.pages.at(targetPage).size();
        if (now > was && (now > pageCapacity || now > LayoutLimits::maximumPageItems))
            refuse(u"This page is full."_s);
    }
    if (sourcePage > 0 && sourcePage != targetPage && after.pages.at(sourcePage).isEmpty()
        && after.pageCount() > 1)
        after.pages.removeAt(sourcePage);
    after.validate();
    return after;
}

} // namespace

Layout LayoutEdits::move(const Layout &layout, const LayoutPosition &from, int toPage, int toIndex,
                         int pageCapacity)
{
    entryAt(layout, from);
    if (toPage < 0 || toPage > layout.pages.size())
        refuseGone();
    Layout result = layout;
    if (toPage == result.pages.size()) {
        if (result.pages.size() >= LayoutLimits::maximumPages)
            refuse(u"The Home Screen holds at most 100 pages."_s);
        result.pages.append(LayoutPage());
    }
    const LayoutItem item = takeOut(result, from).item;
    LayoutPage &target = result.pages[toPage];
    target.insert(std::clamp<qsizetype>(toIndex, 0, target.size()), item);
    return finish(layout, std::move(result), from.page, toPage, pageCapacity);
}

Layout LayoutEdits::moveIntoFolder(const Layout &layout, const LayoutPosition &from,
                                   const LayoutPosition &folder)
{
    if (!isFolderAt(layout, folder))
        refuseGone();
    if (isFolderAt(layout, from))
        refuse(u"Folders cannot go inside folders."_s);
    if (from.page == folder.page && from.index == folder.index)
        return layout;
    const QList<QStringList> &folderPages = entryAt(layout, folder).folderPages();
    if (folderPages.size() >= LayoutLimits::maximumFolderPages
        && folderPages.last().size() >= LayoutLimits::maximumFolderPageApps)
        refuse(u"This folder is full."_s);

    Layout result = layout;
    const TakenOut taken = takeOut(result, from);
    const QString id = taken.item.identifier();
    const LayoutPosition target = afterTakingOut(folder, from, taken);
    LayoutItem &entry = result.pages[target.page][target.index];
    QList<QStringList> pages = entry.folderPages();
    if (pages.last().size() >= LayoutLimits::maximumFolderPageApps)
        pages.append(QStringList());
    pages.last().append(id);
    entry = LayoutItem::folder(entry.name(), pages);
    return finish(layout, std::move(result), from.page, target.page,
                  std::numeric_limits<int>::max());
}

Layout LayoutEdits::makeFolder(const Layout &layout, const LayoutPosition &from,
                               const LayoutPosition &onto, const AppNames &names,
                               const CategoryOverrides &overrides)
{
    if (isFolderAt(layout, onto))
        return moveIntoFolder(layout, from, onto);
    if (isFolderAt(layout, from) || onto.inFolder())
        refuse(u"Folders cannot go inside folders."_s);
    if (from == onto)
        return layout;

    Layout result = layout;
    const TakenOut taken = takeOut(result, from);
    const QString id = taken.item.identifier();
    const LayoutPosition target = afterTakingOut(onto, from, taken);
    LayoutItem &entry = result.pages[target.page][target.index];
    const QString name = folderName(entry.identifier(), id, names, overrides);
    entry = LayoutItem::folder(name, {{entry.identifier(), id}});
    return finish(layout, std::move(result), from.page, target.page,
                  std::numeric_limits<int>::max());
}

Layout LayoutEdits::renameFolder(const Layout &layout, const LayoutPosition &folder,
                                 const QString &name)
{
    if (!isFolderAt(layout, folder))
        refuseGone();
    const QString folderName = name.trimmed();
    if (folderName.isEmpty())
        refuse(u"A folder needs a name."_s);
    Layout result = layout;
    LayoutItem &entry = result.pages[folder.page][folder.index];
    entry = LayoutItem::folder(folderName, entry.folderPages());
    return result;
}

Layout LayoutEdits::addPage(const Layout &layout)
{
    if (layout.pages.size() >= LayoutLimits::maximumPages)
        refuse(u"The Home Screen holds at most 100 pages."_s);
    Layout result = layout;
    result.pages.append(LayoutPage());
    return result;
}

Layout LayoutEdits::removePage(const Layout &layout, int page)
{
    if (page < 1 || page >= layout.pages.size())
        refuseGone();
    if (!layout.pages.at(page).isEmpty())
        refuse(u"Only an empty page can be removed."_s);
    if (layout.pageCount() <= 1)
        refuse(u"The Home Screen needs at least one page."_s);
    Layout result = layout;
    result.pages.removeAt(page);
    return result;
}

QString LayoutEdits::folderName(const QString &first, const QString &second, const AppNames &names,
                                const CategoryOverrides &overrides)
{
    const AppCategory category = AppCatalog::info(first, names, overrides).category;
    if (AppCatalog::info(second, names, overrides).category == category)
        return AppCategories::title(category);
    return u"Folder"_s;
}
