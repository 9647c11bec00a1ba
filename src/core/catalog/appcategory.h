#pragma once

#include <QHash>
#include <QHashFunctions>
#include <QList>
#include <QString>

#include <optional>

/// The twelve categories an app can be shown and grouped under, in the order groups are emitted.
enum class AppCategory {
    productivity,
    social,
    entertainment,
    games,
    money,
    shopping,
    travel,
    health,
    creativity,
    utilities,
    websites,
    other,
};

inline size_t qHash(AppCategory category, size_t seed = 0) noexcept
{
    return qHash(static_cast<int>(category), seed);
}

/// Categories the user chose, by bundle identifier; they change an app's category and nothing else.
using CategoryOverrides = QHash<QString, AppCategory>;

/// Titles, symbols and the fixed order of the app categories; a category's title is its identity.
class AppCategories
{
public:
    AppCategories() = delete;

    /// The user-visible title, which is also how a category is stored ("Productivity").
    static QString title(AppCategory category);
    /// The same as the title: categories are identified by it.
    static QString id(AppCategory category) { return title(category); }
    /// The SF Symbols name drawn beside the category.
    static QString symbol(AppCategory category);
    /// Exactly one of the twelve titles, letter case included; anything else gives nothing.
    static std::optional<AppCategory> fromTitle(QStringView title);
    /// Every category in declaration order.
    static QList<AppCategory> allCases();
};
