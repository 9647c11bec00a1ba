#include "snapshotcomparison.h"

#include "layoutcomparison.h"
#include "modelvalues.h"

#include <QLocale>

using namespace Qt::StringLiterals;

QString SnapshotComparison::label(const Snapshot &snapshot)
{
    const QDateTime local = snapshot.date.toLocalTime();
    const QLocale locale;
    return snapshot.reason + u" · "_s + locale.toString(local.date(), u"MMM d, yyyy"_s) + u" at "_s
            + locale.toString(local.time(), QLocale::ShortFormat);
}

void SnapshotComparison::show(const Layout &before, const QString &beforeLabel, const Layout &after,
                              const QString &afterLabel, const AppNames &names,
                              const CategoryOverrides &overrides)
{
    const LayoutComparison comparison(before, after, names);
    m_active = true;
    m_beforeLabel = beforeLabel;
    m_afterLabel = afterLabel;
    m_beforePages = ModelValues::layout(before, names, overrides);
    m_afterPages
            = ModelValues::withChanges(ModelValues::layout(after, names, overrides), comparison);
    m_beforePageCount = std::max(1, before.pageCount());
    m_afterPageCount = std::max(1, after.pageCount());
    m_beforePage = 1;
    m_afterPage = 1;
    m_summary = comparison.summary();
    m_moves.clear();
    for (const AppMove &move : comparison.moves(listedMoves))
        m_moves.append(
                QVariantMap{{u"name"_s, move.name}, {u"from"_s, move.from}, {u"to"_s, move.to}});
    const qsizetype left = comparison.movedCount() - m_moves.size();
    m_more = left > 0 ? u"and %1 more"_s.arg(left) : QString();
    Q_EMIT changed();
    Q_EMIT pageChanged();
}

void SnapshotComparison::close()
{
    if (!m_active)
        return;
    m_active = false;
    m_beforePages.clear();
    m_afterPages.clear();
    m_moves.clear();
    Q_EMIT changed();
}

void SnapshotComparison::setBeforePage(int page)
{
    page = std::clamp(page, 1, m_beforePageCount);
    if (page == m_beforePage)
        return;
    m_beforePage = page;
    Q_EMIT pageChanged();
}

void SnapshotComparison::setAfterPage(int page)
{
    page = std::clamp(page, 1, m_afterPageCount);
    if (page == m_afterPage)
        return;
    m_afterPage = page;
    Q_EMIT pageChanged();
}
