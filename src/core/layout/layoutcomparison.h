#pragma once

#include "appstoreentry.h"
#include "parsedlayout.h"

#include <QList>
#include <QString>
#include <QStringList>

/// Where one app occurrence stands: the page (0 is the Dock) and the position on it (an app in a
/// folder stands at its folder's position), and inside a folder its name, page and position there.
struct AppPlace
{
    int page = 0;
    int position = 0;
    bool inFolder = false;
    QString folder;
    int folderPage = 0;
    int folderPosition = 0;

    /// In plain words: "Dock", "Page 2", or "Folder “Social”, page 1" (the folder's own page).
    QString description() const;

    friend bool operator==(const AppPlace &, const AppPlace &) = default;
};

/// One app that moves, for people to read.
struct AppMove
{
    QString id;
    QString name;
    QString from;
    QString to;

    friend bool operator==(const AppMove &, const AppMove &) = default;
};

/// A folder that kept its apps under another name.
struct FolderRename
{
    QString from;
    QString to;

    friend bool operator==(const FolderRename &, const FolderRename &) = default;
};

/// What changes from one layout to another, worked out once for the pair: which apps move, stay,
/// appear or disappear, which folders appear, disappear or are renamed, the Dock, the page counts,
/// and a one-line summary. An identifier that occurs several times is matched occurrence by
/// occurrence in reading order; folders are matched by name.
class LayoutComparison
{
public:
    LayoutComparison() = default;
    /// `names` and the App Store's `answers` give the apps' display names in the list of moves.
    LayoutComparison(const Layout &before, const Layout &after, const AppNames &names = {},
                     const AppStoreAnswers &answers = {});

    /// The two device forms are the same.
    bool identical() const { return m_identical; }
    qsizetype movedCount() const { return m_moved.size(); }
    /// The moves in the order of `after`; the first `limit` of them when `limit` is not negative.
    QList<AppMove> moves(qsizetype limit = -1) const;
    /// The identifiers whose place is the same, in the order of `after`.
    QStringList stayed() const;
    /// Occurrences only in `after`, in its order.
    const QStringList &added() const { return m_added; }
    /// Occurrences only in `before`, in its order.
    const QStringList &removed() const { return m_removed; }
    const QStringList &newFolders() const { return m_newFolders; }
    const QStringList &removedFolders() const { return m_removedFolders; }
    const QList<FolderRename> &renamedFolders() const { return m_renamedFolders; }
    bool dockChanged() const { return m_dockChanged; }
    int pagesBefore() const { return m_pagesBefore; }
    int pagesAfter() const { return m_pagesAfter; }

    /// "No changes." or its parts joined by " · ", e.g. "3 apps move · 1 new folder · Dock
    /// unchanged".
    QString summary() const;

    /// Whether the entry of `after` at that page and position is marked: an app that moves, or a
    /// folder that is new, renamed, placed elsewhere, or holds other apps or moved ones.
    bool isMarked(int page, int position) const;
    /// Whether the app at that place inside the folder of `after` at (page, position) moves.
    bool isMovedInFolder(int page, int position, int folderPage, int folderPosition) const;

private:
    // One app occurrence; the identifier points into the layout this comparison keeps.
    struct Occurrence
    {
        const QString *id = nullptr;
        int page = 0;
        int position = 0;
        int folder = -1; // index into the side's folders; -1 for a loose app
        int folderPage = 0;
        int folderPosition = 0;
    };
    struct Folder
    {
        const LayoutItem *item = nullptr;
        int page = 0;
        int position = 0;
        int match = -1; // the folder on the other side, by name or as renamed
    };
    enum class Fate : quint8 { stays, moves, added };

    static void collect(const Layout &layout, QList<Occurrence> &occurrences,
                        QList<Folder> &folders, QList<QList<int>> *starts);
    void matchFolders();
    void matchApps();
    void markFolders();
    AppPlace place(const Occurrence &occurrence, const QList<Folder> &folders) const;

    // Kept so that the occurrences' identifiers and the folders' items stay valid; never changed.
    Layout m_before;
    Layout m_after;
    AppNames m_names;
    AppStoreAnswers m_answers;
    QList<Occurrence> m_beforeApps;
    QList<Occurrence> m_afterApps;
    QList<Folder> m_beforeFolders;
    QList<Folder> m_afterFolders;
    // For every entry of `after`, the index of its first occurrence in m_afterApps.
    QList<QList<int>> m_starts;
    QList<QList<bool>> m_marks;
    QList<Fate> m_fates;                // for every occurrence of `after`
    QList<std::pair<int, int>> m_moved; // (after occurrence, before occurrence)
    QStringList m_added;
    QStringList m_removed;
    QStringList m_newFolders;
    QStringList m_removedFolders;
    QList<FolderRename> m_renamedFolders;
    bool m_identical = true;
    bool m_dockChanged = false;
    int m_pagesBefore = 0;
    int m_pagesAfter = 0;
};
