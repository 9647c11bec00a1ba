#include "layoutcomparison.h"

#include "appcatalog.h"

#include <QHash>
#include <QVarLengthArray>

#include <algorithm>
#include <functional>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QString counted(qsizetype count, const QString &one, const QString &many)
{
    return count == 1 ? one : QString::number(count) + many;
}

// One identifier keyed for matching: sorted by its hash, then by reading order. It carries the
// text's address so that the common case, a proposal sharing its strings with the layout it was
// made from, is decided without reaching for the string.
struct Keyed
{
    size_t hash;
    const QChar *data;
    int size;
    int index;

    explicit Keyed(const QString &text, int index)
        // The standard library's hash: about half the time of Qt 6.4's seeded qHash here.
        : hash(std::hash<std::u16string_view>{}(
                {reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size())}))
        , data(text.constData())
        , size(int(text.size()))
        , index(index)
    { }

    QStringView text() const { return {data, size}; }

    friend bool operator<(const Keyed &a, const Keyed &b) noexcept
    {
        return a.hash != b.hash ? a.hash < b.hash : a.index < b.index;
    }
    friend bool sameText(const Keyed &a, const Keyed &b) noexcept
    {
        return a.data == b.data ? a.size == b.size : a.text() == b.text();
    }
};

// `text` gives each element's identifier.
template<typename Range, typename Text = std::identity>
std::vector<Keyed> keyed(const Range &elements, Text text = {})
{
    std::vector<Keyed> keys;
    keys.reserve(elements.size());
    for (const auto &element : elements)
        keys.emplace_back(text(element), int(keys.size()));
    std::sort(keys.begin(), keys.end());
    return keys;
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

// Whether two folders hold the same apps in any order; sorting by hash first keeps this to
// integer comparisons where identifiers share long prefixes.
bool sameApps(const LayoutItem &a, const LayoutItem &b)
{
    const std::vector<Keyed> x = keyed(a.identifiers());
    const std::vector<Keyed> y = keyed(b.identifiers());
    return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](const Keyed &p, const Keyed &q) {
        return p.hash == q.hash && sameText(p, q);
    });
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
        for (qsizetype i = 0; i < olds.size(); ++i) {
            Folder &old = m_beforeFolders[olds.at(i)];
            if (sameApps(*old.item, *renamed.item)) {
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
    // Both sides sorted by hash, so that matching walks memory in order instead of probing a hash
    // of hundreds of thousands of identifiers; within one identifier, reading order pairs them.
    const auto id = [](const Occurrence &occurrence) -> const QString & { return *occurrence.id; };
    const std::vector<Keyed> before = keyed(m_beforeApps, id);
    const std::vector<Keyed> after = keyed(m_afterApps, id);
    QList<int> partner(m_afterApps.size(), -1); // the matched occurrence of `before`
    QList<bool> matched(m_beforeApps.size(), false);
    const qsizetype beforeEnd = qsizetype(before.size());
    qsizetype b = 0;
    for (qsizetype a = 0; a < qsizetype(after.size());) {
        const size_t hash = after[a].hash;
        while (b < beforeEnd && before[b].hash < hash)
            ++b;
        qsizetype aEnd = a + 1;
        while (aEnd < qsizetype(after.size()) && after[aEnd].hash == hash)
            ++aEnd;
        qsizetype bEnd = b;
        while (bEnd < beforeEnd && before[bEnd].hash == hash)
            ++bEnd;
        // Each occurrence of `after`, in reading order, takes the first unmatched occurrence of
        // the same identifier in `before`; `from` remembers, per identifier, where to look on.
        QVarLengthArray<std::pair<const Keyed *, qsizetype>, 1> from;
        for (qsizetype i = a; i < aEnd; ++i) {
            auto it = std::find_if(from.begin(), from.end(), [&](const auto &entry) {
                return sameText(*entry.first, after[i]);
            });
            if (it == from.end()) {
                from.append({&after[i], b});
                it = from.end() - 1;
            }
            qsizetype &j = it->second;
            while (j < bEnd && (matched.at(before[j].index) || !sameText(before[j], after[i])))
                ++j;
            if (j < bEnd) {
                partner[after[i].index] = before[j].index;
                matched[before[j].index] = true;
            }
        }
        a = aEnd;
        b = bEnd;
    }

    m_fates.fill(Fate::stays, m_afterApps.size());
    for (int a = 0; a < m_afterApps.size(); ++a) {
        const Occurrence &now = m_afterApps.at(a);
        const int b = partner.at(a);
        if (b < 0) {
            m_added.append(*now.id);
            m_fates[a] = Fate::added;
            continue;
        }
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
