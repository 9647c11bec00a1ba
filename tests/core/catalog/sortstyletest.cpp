#include "sortstyle.h"

#include <QTest>

using namespace Qt::StringLiterals;

char *toString(SortStyle style)
{
    return QTest::toString(SortStyles::title(style));
}

char *toString(const std::optional<SortStyle> &value)
{
    return QTest::toString(value ? SortStyles::title(*value) : u"nothing"_s);
}

class SortStyleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void allCasesInOrder();
    void fromTitle_data();
    void fromTitle();
};

void SortStyleTest::allCasesInOrder()
{
    QStringList titles;
    for (SortStyle style : SortStyles::allCases()) {
        titles.append(SortStyles::title(style));
        QCOMPARE(SortStyles::fromTitle(SortStyles::id(style)), style);
    }
    QCOMPARE(titles, QStringList({u"Category folders"_s, u"Alphabetical"_s, u"Two-icon test"_s}));
}

void SortStyleTest::fromTitle_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<SortStyle>>("expected");

    QTest::newRow("categories") << u"Category folders"_s << std::optional(SortStyle::categories);
    QTest::newRow("alphabetical") << u"Alphabetical"_s << std::optional(SortStyle::alphabetical);
    QTest::newRow("two-icon test") << u"Two-icon test"_s << std::optional(SortStyle::twoIconTest);
    QTest::newRow("case name") << u"twoIconTest"_s << std::optional<SortStyle>();
    QTest::newRow("other case") << u"alphabetical"_s << std::optional<SortStyle>();
    QTest::newRow("empty") << QString() << std::optional<SortStyle>();
}

void SortStyleTest::fromTitle()
{
    QFETCH(QString, text);
    QFETCH(std::optional<SortStyle>, expected);
    QCOMPARE(SortStyles::fromTitle(text), expected);
}

QTEST_GUILESS_MAIN(SortStyleTest)
#include "sortstyletest.moc"
