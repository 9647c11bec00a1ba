#include "sortstyle.h"

#include <iterator>

namespace {

struct StyleText
{
    SortStyle style;
    QStringView title;
};

// In declaration order, so that the table's index is the enumeration's value.
constexpr StyleText styleTexts[] = {
        {SortStyle::categories, u"Category folders"},
        {SortStyle::alphabetical, u"Alphabetical"},
        {SortStyle::twoIconTest, u"Two-icon test"},
};

static_assert(std::size(styleTexts) == static_cast<std::size_t>(SortStyle::twoIconTest) + 1
              && styleTexts[0].style == SortStyle::categories
              && styleTexts[1].style == SortStyle::alphabetical
              && styleTexts[2].style == SortStyle::twoIconTest);

} // namespace

QString SortStyles::title(SortStyle style)
{
    return styleTexts[static_cast<int>(style)].title.toString();
}

std::optional<SortStyle> SortStyles::fromTitle(QStringView title)
{
    for (const StyleText &text : styleTexts) {
        if (text.title == title)
            return text.style;
    }
    return std::nullopt;
}

QList<SortStyle> SortStyles::allCases()
{
    QList<SortStyle> cases;
    cases.reserve(std::size(styleTexts));
    for (const StyleText &text : styleTexts)
        cases.append(text.style);
    return cases;
}
