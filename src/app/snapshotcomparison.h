#pragma once

#include "appcategory.h"
#include "layout.h"
#include "parsedlayout.h"
#include "snapshot.h"

#include <QObject>
#include <QString>
#include <QVariantList>

/// What the Saved layouts section shows when two layouts are compared: each side's label, preview
/// and page, the summary line and the first moves. Inactive until show() and after close().
class SnapshotComparison : public QObject
{
    Q_OBJECT

    Q_PROPERTY(bool active READ active NOTIFY changed)
    Q_PROPERTY(QString beforeLabel READ beforeLabel NOTIFY changed)
    Q_PROPERTY(QString afterLabel READ afterLabel NOTIFY changed)
    Q_PROPERTY(QVariantList beforePages READ beforePages NOTIFY changed)
    Q_PROPERTY(QVariantList afterPages READ afterPages NOTIFY changed)
    Q_PROPERTY(int beforePageCount READ beforePageCount NOTIFY changed)
    Q_PROPERTY(int afterPageCount READ afterPageCount NOTIFY changed)
    Q_PROPERTY(int beforePage READ beforePage WRITE setBeforePage NOTIFY pageChanged)
    Q_PROPERTY(int afterPage READ afterPage WRITE setAfterPage NOTIFY pageChanged)
    Q_PROPERTY(QString summary READ summary NOTIFY changed)
    Q_PROPERTY(QVariantList moves READ moves NOTIFY changed)
    Q_PROPERTY(QString more READ more NOTIFY changed)

public:
    /// How many moves the list shows before "and N more".
    static constexpr int listedMoves = 200;

    using QObject::QObject;

    /// "Initial read · Dec 7, 2026 at 09:41": how a snapshot is labelled above its preview.
    static QString label(const Snapshot &snapshot);

    void show(const Layout &before, const QString &beforeLabel, const Layout &after,
              const QString &afterLabel, const AppNames &names, const CategoryOverrides &overrides);
    Q_INVOKABLE void close();

    bool active() const { return m_active; }
    QString beforeLabel() const { return m_beforeLabel; }
    QString afterLabel() const { return m_afterLabel; }
    QVariantList beforePages() const { return m_beforePages; }
    QVariantList afterPages() const { return m_afterPages; }
    int beforePageCount() const { return m_beforePageCount; }
    int afterPageCount() const { return m_afterPageCount; }
    int beforePage() const { return m_beforePage; }
    /// Kept between the first Home Screen page and the last.
    void setBeforePage(int page);
    int afterPage() const { return m_afterPage; }
    void setAfterPage(int page);
    QString summary() const { return m_summary; }
    /// The first moves as {name, from, to}.
    QVariantList moves() const { return m_moves; }
    /// "and N more" when the list is cut, else empty.
    QString more() const { return m_more; }

Q_SIGNALS:
    void changed();
    void pageChanged();

private:
    bool m_active = false;
    QString m_beforeLabel;
    QString m_afterLabel;
    QVariantList m_beforePages;
    QVariantList m_afterPages;
    int m_beforePageCount = 1;
    int m_afterPageCount = 1;
    int m_beforePage = 1;
    int m_afterPage = 1;
    QString m_summary;
    QVariantList m_moves;
    QString m_more;
};
