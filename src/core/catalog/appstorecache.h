#pragma once

#include "appstoreentry.h"

#include <QDateTime>
#include <QString>

/// The App Store's answers kept on this computer, in "AppStore/lookup.json" under the store's
/// root (folder 0700, file 0600, written atomically), one entry per bundle identifier.
class AppStoreCache
{
public:
    /// How long an answer, "not found" included, is reused before the App Store is asked again.
    static constexpr int reuseDays = 30;

    explicit AppStoreCache(const QString &storeRoot);

    QString path() const { return m_path; }

    /// Every entry on disk; none when there is no file yet. A damaged file is renamed
    /// "lookup-damaged-<time>.json" and counts as empty: the cache is rebuilt, never a failure.
    AppStoreEntries load() const;
    /// Replaces the file with `entries`; throws PlatformError when it cannot be written.
    void save(const AppStoreEntries &entries) const;

    /// True while an entry is younger than reuseDays at `now`.
    static bool isFresh(const AppStoreEntry &entry, const QDateTime &now);

private:
    QString m_path;
};
