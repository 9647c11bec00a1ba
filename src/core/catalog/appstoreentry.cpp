#include "appstoreentry.h"

#include "appstoregenres.h"

using namespace Qt::StringLiterals;

std::optional<AppStoreAnswer> AppStoreAnswer::from(const AppStoreEntry &entry)
{
    if (!entry.found)
        return std::nullopt;
    QString name = entry.name.trimmed();
    for (const QString &separator : {u": "_s, u" - "_s, u" – "_s, u" — "_s, u" | "_s}) {
        const qsizetype at = name.indexOf(separator);
        if (at > 0)
            name.truncate(at);
    }
    return AppStoreAnswer{
            name.trimmed(),
            AppStoreGenres::category(entry.primaryGenre, entry.primaryGenreId, entry.genres)};
}
