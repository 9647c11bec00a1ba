#include "benchlayouts.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

// Words that reach every keyword rule and none, so that the category groups are realistic.
const QStringList words{u"game"_s,   u"bank"_s,    u"fitness"_s, u"travel"_s, u"shop"_s,
                        u"social"_s, u"music"_s,   u"photo"_s,   u"notes"_s,  u"weather"_s,
                        u"reader"_s, u"scanner"_s, u"journal"_s, u"radio"_s,  u"tracker"_s};

QString identifier(int index, qsizetype word)
{
    return u"com.studio%1.%2%3"_s.arg(index % 997).arg(words.at(word % words.size())).arg(index);
}

QString identifier(int index)
{
    return identifier(index, index);
}

// A folder of 15 full pages; its apps share one word, so every category holds whole folders.
LayoutItem fullFolder(int &next, int number)
{
    QList<QStringList> pages;
    for (int page = 0; page < 15; ++page) {
        QStringList apps;
        for (int app = 0; app < 9; ++app)
            apps.append(identifier(next++, number));
        pages.append(apps);
    }
    return LayoutItem::folder(u"Folder %1"_s.arg(number), pages);
}

Layout fullFolders(int homeScreenFolders)
{
    int next = 0;
    int folders = 0;
    Layout layout(QList<LayoutPage>{LayoutPage()});
    for (int i = 0; i < 4; ++i)
        layout.pages[0].append(fullFolder(next, ++folders));
    while (folders - 4 < homeScreenFolders) {
        if (layout.pages.size() == 1 || layout.pages.last().size() == 30)
            layout.pages.append(LayoutPage());
        layout.pages.last().append(fullFolder(next, ++folders));
    }
    return layout;
}

} // namespace

Layout BenchLayouts::realistic()
{
    int next = 0;
    Layout layout(QList<LayoutPage>{LayoutPage()});
    for (int i = 0; i < 4; ++i)
        layout.pages[0].append(LayoutItem::app(identifier(next++)));

    QList<LayoutItem> items;
    for (int folder = 0; folder < 30; ++folder) {
        QList<QStringList> pages{{}};
        for (int app = 0; app < 10; ++app) {
            if (pages.last().size() == 9)
                pages.append(QStringList());
            pages.last().append(identifier(next++));
        }
        items.append(LayoutItem::folder(u"Folder %1"_s.arg(folder + 1), pages));
    }
    while (next < 500)
        items.append(LayoutItem::app(identifier(next++)));

    for (qsizetype start = 0; start < items.size(); start += 24)
        layout.pages.append(items.mid(start, 24));
    return layout;
}

Layout BenchLayouts::largest()
{
    return fullFolders(100 * 30);
}

Layout BenchLayouts::largestOrganizable()
{
    return fullFolders(2990);
}
