#pragma once

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <QString>

/// The order the Finder uses for names: letter case ignored, runs of digits compared by value,
/// following the user's locale. Like QCollator, one instance must not be used by two threads at
/// once.
class AppNameCollator
{
public:
    /// Collates for `locale`; the C locale has no collation rules, so it collates as English.
    explicit AppNameCollator(const QLocale &locale = QLocale());

    /// The locale whose rules are applied.
    QLocale locale() const { return m_collator.locale(); }

    /// Negative, zero or positive as `a` sorts before, together with or after `b`.
    int compare(const QString &a, const QString &b) const { return m_collator.compare(a, b); }
    bool operator()(const QString &a, const QString &b) const { return compare(a, b) < 0; }

    /// A key that orders exactly as compare() does, for sorting many names without recollating.
    QCollatorSortKey sortKey(const QString &name) const { return m_collator.sortKey(name); }

    /// The locale actually used for `locale`.
    static QLocale collationLocale(const QLocale &locale);

private:
    QCollator m_collator;
};
