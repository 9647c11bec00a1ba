#include "sortstyle.h"

#include <QTest>

using namespace Qt::StringLiterals;

char *toString(const std::optional<SortStyle> &value)
{
    return QTest::toString(value ? SortStyles::title(*value) : u"nothing"_s);
}

class SortStyleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titles();
};

// A title is how a style is stored: it reads back as the same style, and nothing else does.
void SortStyleTest::titles()
{
    QStringList titles;
    for (SortStyle style : SortStyles::allCases()) {
        titles.append(SortStyles::id(style));
        QCOMPARE(SortStyles::fromTitle(SortStyles::title(style)), std::optional(style));
    }
    QCOMPARE(titles, QStringList({u"Category folders"_s, u"Alphabetical"_s, u"Two-icon test"_s}));
    for (const QString &text : {u"twoIconTest"_s, u"alphabetical"_s, QString()})
        QCOMPARE(SortStyles::fromTitle(text), std::optional<SortStyle>());
}

QTEST_GUILESS_MAIN(SortStyleTest)
#include "sortstyletest.moc"
