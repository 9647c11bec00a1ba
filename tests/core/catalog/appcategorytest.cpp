#include "appcategory.h"

#include <QTest>

using namespace Qt::StringLiterals;

char *toString(AppCategory category)
{
    return QTest::toString(AppCategories::title(category));
}

char *toString(const std::optional<AppCategory> &value)
{
    return QTest::toString(value ? AppCategories::title(*value) : u"nothing"_s);
}

class AppCategoryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void allCasesInGroupOrder();
    void fromTitle_data();
    void fromTitle();
    void titlesRoundTrip();
    void symbols_data();
    void symbols();
};

void AppCategoryTest::allCasesInGroupOrder()
{
    QStringList titles;
    for (AppCategory category : AppCategories::allCases())
        titles.append(AppCategories::title(category));
    QCOMPARE(titles,
             QStringList({u"Productivity"_s, u"Social"_s, u"Entertainment"_s, u"Games"_s,
                          u"Money"_s, u"Shopping"_s, u"Travel"_s, u"Health"_s, u"Creativity"_s,
                          u"Utilities"_s, u"Websites"_s, u"Other"_s}));
}

void AppCategoryTest::fromTitle_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<AppCategory>>("expected");

    QTest::newRow("title") << u"Productivity"_s << std::optional(AppCategory::productivity);
    QTest::newRow("last title") << u"Other"_s << std::optional(AppCategory::other);
    QTest::newRow("case name") << u"productivity"_s << std::optional<AppCategory>();
    QTest::newRow("upper case") << u"SOCIAL"_s << std::optional<AppCategory>();
    QTest::newRow("padded") << u" Games"_s << std::optional<AppCategory>();
    QTest::newRow("empty") << QString() << std::optional<AppCategory>();
    QTest::newRow("symbol") << u"globe"_s << std::optional<AppCategory>();
}

void AppCategoryTest::fromTitle()
{
    QFETCH(QString, text);
    QFETCH(std::optional<AppCategory>, expected);
    QCOMPARE(AppCategories::fromTitle(text), expected);
}

void AppCategoryTest::titlesRoundTrip()
{
    for (AppCategory category : AppCategories::allCases()) {
        QCOMPARE(AppCategories::fromTitle(AppCategories::title(category)), category);
        QCOMPARE(AppCategories::id(category), AppCategories::title(category));
    }
}

void AppCategoryTest::symbols_data()
{
    QTest::addColumn<AppCategory>("category");
    QTest::addColumn<QString>("symbol");

    QTest::newRow("productivity") << AppCategory::productivity << u"checklist"_s;
    QTest::newRow("social") << AppCategory::social << u"bubble.left.and.bubble.right.fill"_s;
    QTest::newRow("creativity") << AppCategory::creativity << u"paintbrush.pointed.fill"_s;
    QTest::newRow("websites") << AppCategory::websites << u"globe"_s;
    QTest::newRow("other") << AppCategory::other << u"square.grid.2x2.fill"_s;
}

void AppCategoryTest::symbols()
{
    QFETCH(AppCategory, category);
    QFETCH(QString, symbol);
    QCOMPARE(AppCategories::symbol(category), symbol);
}

QTEST_GUILESS_MAIN(AppCategoryTest)
#include "appcategorytest.moc"
