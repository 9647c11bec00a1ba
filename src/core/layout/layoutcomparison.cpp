#include "layoutcomparison.h"

#include "appcatalog.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace {

QString counted(qsizetype count, const QString &one, const QString &many)
{
    return count == 1 ? one : QString::number(count) + many;
}

// A hash key that hashes its text once and, since a proposal shares its strings with the layout
// it was made from, compares them by address before comparing their characters.
struct Identifier
{
    explicit Identifier(const QString &text)
        : text(text)
        , hash(::qHash(text))
    { }

    QStringView text;
    size_t hash;

    friend bool operator==(const Identifier &a, const Identifier &b) noexcept
    {
        return a.hash == b.hash
                && ((a.text.data() == b.text.data() && a.text.size() == b.text.size())
                    || a.text == b.text);
    }
};

size_t qHash(const Identifier &identifier, size_t seed) noexcept
{
    return identifier.hash ^ seed;
}

qsizetype appCount(const LayoutItem &item)
{
    if (!item.isFolder())
        return 1;
    qsizetype count = 0;
    for (const QStringList &apps : item.folderPages())
        count += apps.size();
    return count;
}

// The same for the same apps in any order.
size_t digest(const LayoutItem &folder)
{
    size_t sum = 0;
    qsizetype count = 0;
    for (const QStringList &apps : folder.folderPages())
        for (const QString &app : apps)
            sum += ::qHash(app), ++count;
    return sum ^ ::qHash(count);
}

QStringList sorted(QStringList identifiers)
{
    identifiers.sort();
    return identifiers;
}

} // namespace

QString AppPlace::description() const
{
    if (inFolder)
        return u"Folder “%1”, page %2"_s.arg(folder).arg(folderPage + 1);
    return page == 0 ? u"Dock"_s : u"Page %1"_s.arg(page);
}

LayoutComparison::LayoutComparison(const Layout &before, const Layout &after, const AppNames &names,
                                   const AppStoreAnswers &answers)
    : m_before(before)
    , m_after(after)
    , m_names(names)
    , m_answers(answers)
    , m_dockChanged(before.pages.value(0) != after.pages.value(0))
    , m_pagesBefore(before.pageCount())
    , m_pagesAfter(after.pageCount())
{
    collect(m_before, m_beforeApps, m_beforeFolders, nullptr);
    collect(m_after, m_afterApps, m_afterFolders, &m_starts);
    matchFolders();
    matchApps();
    markFolders();

    const bool changed = !m_moved.isEmpty() || !m_added.isEmpty() || !m_removed.isEmpty()
            || !m_newFolders.isEmpty() || !m_removedFolders.isEmpty() || !m_renamedFolders.isEmpty()
            || m_dockChanged || m_pagesBefore != m_pagesAfter;
    // Layouts that differ without any of the above differ only where the device form cannot tell.
    m_identical = before == after || (!changed && before.cfgutilData() == after.cfgutilData());
}

void LayoutComparison::collect(const Layout &layout, QList<Occurrence> &occurrences,
                               QList<Folder> &folders, QList<QList<int>> *starts)
{
    qsizetype count = 0;
    for (const LayoutPage &items : layout.pages)
        for (const LayoutItem &item : items)
            count += appCount(item);
    occurrences.reserve(count);
    for (int page = 0; page < layout.pages.size(); ++page) {
        QList<int> pageStarts;
        const LayoutPage &items = layout.pages.at(page);
        for (int position = 0; position < items.size(); ++position) {
            const LayoutItem &item = items.at(position);
            pageStarts.append(int(occurrences.size()));
            if (!item.isFolder()) {
                occurrences.append({&item.title(), page, position});
                continue;
            }
            const int folder = int(folders.size());
            folders.append({&item, page, position});
            const QList<QStringList> &folderPages = item.folderPages();
            for (int folderPage = 0; folderPage < folderPages.size(); ++folderPage) {
                const QStringList &apps = folderPages.at(folderPage);
                for (int inside = 0; inside < apps.size(); ++inside)
                    occurrences.append(
                            {&apps.at(inside), page, position, folder, folderPage, inside});
            }
        }
        if (starts)
            starts->append(pageStarts);
    }
}

void LayoutComparison::matchFolders()
{
    QHash<QString, int> beforeCount;
    QHash<QString, int> afterCount;
    for (const Folder &folder : std::as_const(m_beforeFolders))
        ++beforeCount[folder.item->name()];
    for (const Folder &folder : std::as_const(m_afterFolders))
        ++afterCount[folder.item->name()];

    // The k-th folder of a name in `after` is the k-th of that name in `before`.
    QHash<QString, QList<int>> beforeByName;
    for (int i = 0; i < m_beforeFolders.size(); ++i)
        beforeByName[m_beforeFolders.at(i).item->name()].append(i);
    QHash<QString, int> seen;
    for (int i = 0; i < m_afterFolders.size(); ++i) {
        const QString name = m_afterFolders.at(i).item->name();
        const int k = seen[name]++;
        const QList<int> same = beforeByName.value(name);
        if (k < same.size()) {
            m_afterFolders[i].match = same.at(k);
            m_beforeFolders[same.at(k)].match = i;
        }
    }

    // A name found once and only in `before`, and one found once and only in `after`, holding the
    // same apps, are one folder renamed.
    const auto lonely = [](const QHash<QString, int> &here, const QHash<QString, int> &there,
                           const Folder &folder) {
        return folder.match < 0 && here.value(folder.item->name()) == 1
                && !there.contains(folder.item->name());
    };
    // Candidates are found by an order-free digest of their apps and then compared in full.
    QHash<size_t, QList<int>> candidates;
    for (int b = 0; b < m_beforeFolders.size(); ++b)
        if (lonely(beforeCount, afterCount, m_beforeFolders.at(b)))
            candidates[digest(*m_beforeFolders.at(b).item)].append(b);
    for (int a = 0; a < m_afterFolders.size() && !candidates.isEmpty(); ++a) {
        Folder &renamed = m_afterFolders[a];
        if (!lonely(afterCount, beforeCount, renamed))
            continue;
        const auto found = candidates.find(digest(*renamed.item));
        if (found == candidates.end())
            continue;
        QList<int> &olds = *found;
        const QStringList apps = sorted(renamed.item->identifiers());
        for (qsizetype i = 0; i < olds.size(); ++i) {
            Folder &old = m_beforeFolders[olds.at(i)];
            if (sorted(old.item->identifiers()) == apps) {
                old.match = a;
                renamed.match = olds.takeAt(i);
                m_renamedFolders.append({old.item->name(), renamed.item->name()});
                break;
            }
        }
    }

    for (const Folder &folder : std::as_const(m_afterFolders))
        if (folder.match < 0)
            m_newFolders.append(folder.item->name());
    for (const Folder &folder : std::as_const(m_beforeFolders))
        if (folder.match < 0)
            m_removedFolders.append(folder.item->name());
}

void LayoutComparison::matchApps()
{
    // Each identifier leads to its first unmatched occurrence in `before`, `next` chains the rest
    // in reading order; both hold an index plus one, so that the hash's default 0 means none.
    QHash<Identifier, int> first;
    first.reserve(m_beforeApps.size());
    QList<int> next(m_beforeApps.size(), 0);
    for (qsizetype i = m_beforeApps.size() - 1; i >= 0; --i) {
        int &head = first[Identifier(*m_beforeApps.at(i).id)];
        next[i] = head;
        head = int(i) + 1;
    }

    QList<bool> matched(m_beforeApps.size(), false);
    m_fates.fill(Fate::stays, m_afterApps.size());
    for (int a = 0; a < m_afterApps.size(); ++a) {
        const Occurrence &now = m_afterApps.at(a);
        const auto found = first.find(Identifier(*now.id));
        if (found == first.end() || *found == 0) {
            m_added.append(*now.id);
            m_fates[a] = Fate::added;
            continue;
        }
        const int b = *found - 1;
        *found = next.at(b);
        matched[b] = true;
        const Occurrence &was = m_beforeApps.at(b);
        bool same = was.page == now.page && was.position == now.position
                && (was.folder < 0) == (now.folder < 0) && was.folderPage == now.folderPage
                && was.folderPosition == now.folderPosition;
        if (same && now.folder >= 0) {
            // Folders of one name are one place; a renamed folder counts under its new name.
            const Folder &old = m_beforeFolders.at(was.folder);
            const Folder &folder = m_afterFolders.at(now.folder);
            same = old.match == now.folder
                    || (old.match < 0 ? old.item : m_afterFolders.at(old.match).item)->name()
                            == folder.item->name();
        }
        if (!same) {
            m_moved.append({a, b});
            m_fates[a] = Fate::moves;
        }
    }
    for (int b = 0; b < m_beforeApps.size(); ++b)
        if (!matched.at(b))
            m_removed.append(*m_beforeApps.at(b).id);
}

void LayoutComparison::markFolders()
{
    m_marks.reserve(m_starts.size());
    for (int page = 0; page < m_starts.size(); ++page) {
        QList<bool> marks;
        const LayoutPage &items = m_after.pages.at(page);
        for (int position = 0; position < items.size(); ++position) {
            const int start = m_starts.at(page).at(position);
            if (!items.at(position).isFolder()) {
                marks.append(m_fates.at(start) == Fate::moves);
                continue;
            }
            const Folder &folder = m_afterFolders.at(m_afterApps.at(start).folder);
            const Folder *old = folder.match < 0 ? nullptr : &m_beforeFolders.at(folder.match);
            const auto end = m_fates.cbegin() + start + appCount(*folder.item);
            marks.append(!old || old->page != page || old->position != position
                         || *old->item != *folder.item
                         || std::find(m_fates.cbegin() + start, end, Fate::moves) != end);
        }
        m_marks.append(marks);
    }
}

QList<AppMove> LayoutComparison::moves(qsizetype limit) const
{
    const qsizetype count = limit < 0 ? m_moved.size() : std::min(limit, m_moved.size());
    QList<AppMove> result;
    result.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const Occurrence &now = m_afterApps.at(m_moved.at(i).first);
        const Occurrence &was = m_beforeApps.at(m_moved.at(i).second);
        result.append({*now.id, AppCatalog::info(*now.id, m_names, {}, m_answers).name,
                       place(was, m_beforeFolders).description(),
                       place(now, m_afterFolders).description()});
    }
    return result;
}

QStringList LayoutComparison::stayed() const
{
    QStringList result;
    for (qsizetype i = 0; i < m_afterApps.size(); ++i)
        if (m_fates.at(i) == Fate::stays)
            result.append(*m_afterApps.at(i).id);
    return result;
}

AppPlace LayoutComparison::place(const Occurrence &occurrence, const QList<Folder> &folders) const
{
    if (occurrence.folder < 0)
        return {occurrence.page, occurrence.position, false, {}, 0, 0};
    return {occurrence.page,
            occurrence.position,
            true,
            folders.at(occurrence.folder).item->name(),
            occurrence.folderPage,
            occurrence.folderPosition};
}

QString LayoutComparison::summary() const
{
    if (m_identical)
        return u"No changes."_s;
    QStringList parts;
    if (!m_moved.isEmpty())
        parts.append(counted(m_moved.size(), u"1 app moves"_s, u" apps move"_s));
    if (!m_newFolders.isEmpty())
        parts.append(counted(m_newFolders.size(), u"1 new folder"_s, u" new folders"_s));
    if (!m_removedFolders.isEmpty())
        parts.append(
                counted(m_removedFolders.size(), u"1 folder removed"_s, u" folders removed"_s));
    if (!m_renamedFolders.isEmpty())
        parts.append(
                counted(m_renamedFolders.size(), u"1 folder renamed"_s, u" folders renamed"_s));
    parts.append(m_dockChanged ? u"Dock changes"_s : u"Dock unchanged"_s);
    if (m_pagesBefore != m_pagesAfter)
        parts.append(counted(m_pagesBefore, u"1 page"_s, u" pages"_s) + u" → "_s
                     + QString::number(m_pagesAfter));
    if (!m_added.isEmpty())
        parts.append(counted(m_added.size(), u"1 app added"_s, u" apps added"_s));
    if (!m_removed.isEmpty())
        parts.append(counted(m_removed.size(), u"1 app removed"_s, u" apps removed"_s));
    return parts.join(u" · "_s);
}

bool LayoutComparison::isMarked(int page, int position) const
{
    return m_marks.value(page).value(position);
}

bool LayoutComparison::isMovedInFolder(int page, int position, int folderPage,
                                       int folderPosition) const
{
    if (page < 0 || page >= m_after.pages.size() || position < 0
        || position >= m_after.pages.at(page).size())
        return false;
    const QList<QStringList> &pages = m_after.pages.at(page).at(position).folderPages();
    if (folderPage < 0 || folderPage >= pages.size() || folderPosition < 0
        || folderPosition >= pages.at(folderPage).size())
        return false;
    qsizetype index = m_starts.at(page).at(position) + folderPosition;
    for (int i = 0; i < folderPage; ++i)
        index += pages.at(i).size();
    return m_fates.at(index) == Fate::moves;
}
