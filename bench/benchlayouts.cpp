#include "benchlayouts.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

// Words that reach every keyword rule and none, so that the category groups are realistic.
const QStringList words{u"game"_s,   u"bank"_s,    u"fitness"_s, u"travel"_s, u"shop"_s,
                        u"social"_s, u"music"_s,   u"photo"_s,   u"notes"_s,  u"weather"_s,
                        u"reader"_s, u"scanner"_s, u"journal"_s, u"radio"_s,  u"tracker"_s};

QString identifier(int index)
{
    return u"com.studio%1.%2%3"_s.arg(index % 997).arg(words.at(index % words.size())).arg(index);
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
    int next = 0;
    const auto fullFolder = [&next](int number) {
        QList<QStringList> pages;
        for (int page = 0; page < 15; ++page) {
            QStringList apps;
            for (int app = 0; app < 9; ++app)
                apps.append(identifier(next++));
            pages.append(apps);
        }
        return LayoutItem::folder(u"Folder %1"_s.arg(number), pages);
    };

    int folders = 0;
    Layout layout(QList<LayoutPage>{LayoutPage()});
    for (int i = 0; i < 4; ++i)
        layout.pages[0].append(fullFolder(++folders));
    for (int page = 0; page < 100; ++page) {
        LayoutPage items;
        for (int i = 0; i < 30; ++i)
            items.append(fullFolder(++folders));
        layout.pages.append(items);
    }
    return layout;
}
