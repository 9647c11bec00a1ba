#include "appcategory.h"

#include <QTest>

using namespace Qt::StringLiterals;

char *toString(const std::optional<AppCategory> &value)
{
    return QTest::toString(value ? AppCategories::title(*value) : u"nothing"_s);
}

class AppCategoryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titles();
};

// Groups are emitted in this order; a title is how a category is stored, exactly.
void AppCategoryTest::titles()
{
    QStringList titles;
    for (AppCategory category : AppCategories::allCases()) {
        titles.append(AppCategories::id(category));
        QCOMPARE(AppCategories::fromTitle(AppCategories::title(category)), std::optional(category));
    }
    QCOMPARE(titles,
             QStringList({u"Productivity"_s, u"Social"_s, u"Entertainment"_s, u"Games"_s,
                          u"Money"_s, u"Shopping"_s, u"Travel"_s, u"Health"_s, u"Creativity"_s,
                          u"Utilities"_s, u"Websites"_s, u"Other"_s}));
    for (const QString &text : {u"productivity"_s, u"SOCIAL"_s, u" Games"_s, QString(), u"globe"_s})
        QCOMPARE(AppCategories::fromTitle(text), std::optional<AppCategory>());
    QCOMPARE(AppCategories::symbol(AppCategory::productivity), u"checklist"_s);
    QCOMPARE(AppCategories::symbol(AppCategory::other), u"square.grid.2x2.fill"_s);
}

QTEST_GUILESS_MAIN(AppCategoryTest)
#include "appcategorytest.moc"
