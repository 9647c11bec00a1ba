#pragma once

#include "appcategory.h"
#include "layout.h"
#include "parsedlayout.h"

#include <QString>

/// Where an item sits in a layout: a page (0 is the Dock) and its place there; for an app inside a
/// folder, also the folder page and the app's place on it.
struct LayoutPosition
{
    int page = 0;
    int index = 0;
    int folderPage = -1;
    int folderIndex = -1;

    bool inFolder() const { return folderPage >= 0; }
    friend bool operator==(const LayoutPosition &, const LayoutPosition &) = default;
};

/// The hand edits of a layout. Each returns a new layout that passes the validation and holds
/// exactly the same apps; an edit that would break a limit of the phone changes nothing and throws
/// VarnoletError with a sentence for the user. `pageCapacity` is the most items a Home Screen page
/// may be given (the "Icons per page" option); a page already fuller than that keeps its items.
class LayoutEdits
{
public:
    LayoutEdits() = delete;

    /// Moves an item (an app or a folder, from a page or out of a folder) so that it stands at
    /// `toIndex` of page `toPage` afterwards (clamped to the page's end). `toPage` one past the
    /// last page puts it on a new page. A Home Screen page the item leaves empty is removed.
    static Layout move(const Layout &layout, const LayoutPosition &from, int toPage, int toIndex,
                       int pageCapacity);
    /// Puts an app at the end of the folder at `folder`, on a new folder page when the last is
    /// full.
    static Layout moveIntoFolder(const Layout &layout, const LayoutPosition &from,
                                 const LayoutPosition &folder);
    /// Drops the app at `from` onto the entry at `onto`: onto a folder it goes into the folder,
    /// onto an app the two make a folder where that app stood, named by folderName().
    static Layout makeFolder(const Layout &layout, const LayoutPosition &from,
                             const LayoutPosition &onto, const AppNames &names = {},
                             const CategoryOverrides &overrides = {});
    /// Names the folder at `folder` `name`, trimmed at the ends.
    static Layout renameFolder(const Layout &layout, const LayoutPosition &folder,
                               const QString &name);
    /// Adds an empty Home Screen page at the end.
    static Layout addPage(const Layout &layout);
    /// Removes the empty Home Screen page `page`.
    static Layout removePage(const Layout &layout, int page);

    /// The name of a folder made of two apps: their category's title when they share one, else
    /// "Folder".
    static QString folderName(const QString &first, const QString &second, const AppNames &names,
                              const CategoryOverrides &overrides);
};
