#include "appstoregenres.h"

using namespace Qt::StringLiterals;

namespace {

const QString gamesGenre = u"Games"_s;
constexpr int gamesId = 6014;
// The store numbers game subgenres 7001 to 7099.
constexpr int firstGameSubgenreId = 7001;
constexpr int lastGameSubgenreId = 7099;

// Game subgenres that are also top-level genres: only a game when "Games" is among its genres.
const QStringList sharedSubgenres = {u"Music"_s, u"Sports"_s};

} // namespace

const QList<AppStoreGenres::Row> &AppStoreGenres::table()
{
    using enum AppCategory;
    static const QList<Row> rows = {
            {u"Action"_s, 0, games},
            {u"Adventure"_s, 0, games},
            {u"Board"_s, 0, games},
            {u"Books"_s, 6018, entertainment},
            {u"Business"_s, 6000, productivity},
            {u"Card"_s, 0, games},
            {u"Casino"_s, 0, games},
            {u"Casual"_s, 0, games},
            {u"Developer Tools"_s, 6026, productivity},
            {u"Dice"_s, 0, games},
            {u"Education"_s, 6017, productivity},
            {u"Educational"_s, 0, games},
            {u"Entertainment"_s, 6016, entertainment},
            {u"Family"_s, 0, games},
            {u"Finance"_s, 6015, money},
            {u"Food & Drink"_s, 6023, shopping},
            {gamesGenre, gamesId, games},
            {u"Graphics & Design"_s, 6027, creativity},
            {u"Health & Fitness"_s, 6013, health},
            {u"Kids"_s, 0, entertainment},
            {u"Lifestyle"_s, 6012, other},
            {u"Magazines & Newspapers"_s, 6021, entertainment},
            {u"Medical"_s, 6020, health},
            {u"Music"_s, 6011, entertainment},
            {u"Navigation"_s, 6010, travel},
            {u"News"_s, 6009, entertainment},
            {u"Photo & Video"_s, 6008, creativity},
            {u"Productivity"_s, 6007, productivity},
            {u"Puzzle"_s, 0, games},
            {u"Racing"_s, 0, games},
            {u"Reference"_s, 6006, productivity},
            {u"Role Playing"_s, 0, games},
            {u"Safari Extensions"_s, 0, utilities},
            {u"Shopping"_s, 6024, shopping},
            {u"Simulation"_s, 0, games},
            {u"Social Networking"_s, 6005, social},
            {u"Sports"_s, 6004, entertainment},
            {u"Stickers"_s, 6025, social},
            {u"Strategy"_s, 0, games},
            {u"Travel"_s, 6003, travel},
            {u"Trivia"_s, 0, games},
            {u"Utilities"_s, 6002, utilities},
            {u"Weather"_s, 6001, utilities},
            {u"Word"_s, 0, games},
    };
    return rows;
}

AppCategory AppStoreGenres::category(const QString &primary, int primaryId,
                                     const QStringList &genres)
{
    if (sharedSubgenres.contains(primary) && genres.contains(gamesGenre))
        return AppCategory::games;
    for (const Row &row : table()) {
        if (row.genre == primary)
            return row.category;
    }
    if (primaryId == gamesId
        || (primaryId >= firstGameSubgenreId && primaryId <= lastGameSubgenreId))
        return AppCategory::games;
    for (const Row &row : table()) {
        if (row.genreId != 0 && row.genreId == primaryId)
            return row.category;
    }
    return AppCategory::other;
}
