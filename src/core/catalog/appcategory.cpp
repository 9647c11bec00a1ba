#include "appcategory.h"

#include <iterator>

using namespace Qt::StringLiterals;

namespace {

struct CategoryText
{
    AppCategory category;
    QStringView title;
    QStringView symbol;
};

// In declaration order, so that the table's index is the enumeration's value.
constexpr CategoryText categoryTexts[] = {
        {AppCategory::productivity, u"Productivity", u"checklist"},
        {AppCategory::social, u"Social", u"bubble.left.and.bubble.right.fill"},
        {AppCategory::entertainment, u"Entertainment", u"play.fill"},
        {AppCategory::games, u"Games", u"gamecontroller.fill"},
        {AppCategory::money, u"Money", u"creditcard.fill"},
        {AppCategory::shopping, u"Shopping", u"bag.fill"},
        {AppCategory::travel, u"Travel", u"airplane"},
        {AppCategory::health, u"Health", u"heart.fill"},
        {AppCategory::creativity, u"Creativity", u"paintbrush.pointed.fill"},
        {AppCategory::utilities, u"Utilities", u"gearshape.fill"},
        {AppCategory::websites, u"Websites", u"globe"},
        {AppCategory::other, u"Other", u"square.grid.2x2.fill"},
};

constexpr bool inDeclarationOrder()
{
    for (std::size_t i = 0; i < std::size(categoryTexts); ++i) {
        if (static_cast<std::size_t>(categoryTexts[i].category) != i)
            return false;
    }
    return std::size(categoryTexts) == static_cast<std::size_t>(AppCategory::other) + 1;
}
static_assert(inDeclarationOrder());

const CategoryText &textOf(AppCategory category)
{
    return categoryTexts[static_cast<int>(category)];
}

} // namespace

QString AppCategories::title(AppCategory category)
{
    return textOf(category).title.toString();
}

QString AppCategories::symbol(AppCategory category)
{
    return textOf(category).symbol.toString();
}

std::optional<AppCategory> AppCategories::fromTitle(QStringView title)
{
    for (const CategoryText &text : categoryTexts) {
        if (text.title == title)
            return text.category;
    }
    return std::nullopt;
}

QList<AppCategory> AppCategories::allCases()
{
    QList<AppCategory> cases;
    cases.reserve(std::size(categoryTexts));
    for (const CategoryText &text : categoryTexts)
        cases.append(text.category);
    return cases;
}
