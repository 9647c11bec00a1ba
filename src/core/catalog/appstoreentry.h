#pragma once

#include "appcategory.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

/// What the App Store answered for one bundle identifier, and when: an app or "not found".
struct AppStoreEntry
{
    QDateTime date;
    bool found = false;
    QString name; // the store's trackName
    QString primaryGenre;
    int primaryGenreId = 0;
    QStringList genres;

    friend bool operator==(const AppStoreEntry &, const AppStoreEntry &) = default;
};

/// The App Store's entries by bundle identifier.
using AppStoreEntries = QHash<QString, AppStoreEntry>;

/// The name and category the App Store gives an app, as the catalogue uses them.
struct AppStoreAnswer
{
    QString name;
    AppCategory category = AppCategory::other;

    friend bool operator==(const AppStoreAnswer &, const AppStoreAnswer &) = default;

    /// The answer an entry gives; a "not found" entry gives none. The store's name loses the
    /// subtitle many apps append ("Duolingo - Language Lessons" is shown as "Duolingo").
    static std::optional<AppStoreAnswer> from(const AppStoreEntry &entry);
};

/// App Store answers by bundle identifier; they rank after the phone's names and the catalogue's
/// known apps, and before the keyword rules.
using AppStoreAnswers = QHash<QString, AppStoreAnswer>;
