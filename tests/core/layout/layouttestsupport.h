#pragma once

#include "appcategory.h"
#include "devicetestsupport.h"
#include "layout.h"

#include <QTest>

/// Layouts written as text for the layout and catalog tests: pages split by "|", items by blanks;
/// "F_1:a,b/c" is a folder "F 1" with pages [a b] [c] ("F:" has no pages, "F:_" one empty page),
/// and "a*3" stands for the apps a0 a1 a2, "a*3-5" for a3 a4, loose or in a folder page.
namespace TestSupport {

inline QStringList expand(const QString &token)
{
    const QStringList parts = token.split(u'*');
    if (parts.size() != 2)
        return {token};
    const QStringList range = parts.at(1).split(u'-');
    QStringList ids;
    for (int i = range.size() == 2 ? range.first().toInt() : 0; i < range.last().toInt(); ++i)
        ids.append(parts.first() + QString::number(i));
    return ids;
}

inline Layout parse(const QString &text)
{
    Layout layout;
    for (const QString &pageText : text.split(u'|')) {
        LayoutPage &page = layout.pages.emplace_back();
        for (const QString &token : pageText.split(u' ', Qt::SkipEmptyParts)) {
            const qsizetype colon = token.indexOf(u':');
            if (colon < 0 || token.contains(u"://")) {
                for (const QString &id : expand(token))
                    page.append(LayoutItem::app(id));
                continue;
            }
            QList<QStringList> folderPages;
            for (const QString &apps : token.sliced(colon + 1).split(u'/', Qt::SkipEmptyParts)) {
                folderPages.append(QStringList());
                for (const QString &app : apps.split(u',', Qt::SkipEmptyParts))
                    folderPages.last() += app == u"_" ? QStringList() : expand(app);
            }
            page.append(LayoutItem::folder(token.left(colon).replace(u'_', u' '), folderPages));
        }
    }
    return layout;
}

} // namespace TestSupport

// How QCOMPARE shows these values when they differ.
inline char *toString(AppCategory category)
{
    return QTest::toString(AppCategories::title(category));
}
inline char *toString(const Layout &layout)
{
    return qstrdup(layout.cfgutilData().constData());
}
