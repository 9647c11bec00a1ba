#pragma once

#include <QList>
#include <QString>

#include <optional>

/// The arrangements the organizer can propose.
enum class SortStyle {
    /// One folder per category, in category order.
    categories,
    /// One alphabetical run of loose icons.
    alphabetical,
    /// Swap two icons: the smallest change that proves writing a layout works.
    twoIconTest,
};

/// Titles and the fixed order of the sort styles; a style's title is its identity.
class SortStyles
{
public:
    SortStyles() = delete;

    /// The user-visible title, which is also how a style is stored ("Category folders").
    static QString title(SortStyle style);
    /// The same as the title: styles are identified by it.
    static QString id(SortStyle style) { return title(style); }
    /// Exactly one of the three titles, letter case included; anything else gives nothing.
    static std::optional<SortStyle> fromTitle(QStringView title);
    /// Every style in declaration order.
    static QList<SortStyle> allCases();
};
