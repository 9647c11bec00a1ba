#pragma once

#include "appcategory.h"

#include <QList>
#include <QString>
#include <QStringList>

/// The one table from App Store genres to Varnolet categories.
class AppStoreGenres
{
public:
    AppStoreGenres() = delete;

    struct Row
    {
        QString genre;
        int genreId;
        AppCategory category;
    };

    /// The category of an app whose primary genre is `primary` (by name, or else by the store's
    /// number for it, as localised storefronts may name genres in their own language) and whose
    /// genres are `genres`. Games and their subgenres are Games; anything unknown is Other.
    static AppCategory category(const QString &primary, int primaryId = 0,
                                const QStringList &genres = {});

    /// Every genre the table knows, in alphabetical order.
    static const QList<Row> &table();
};
