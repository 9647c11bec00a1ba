#include "layoutedits.h"
#include "layout.h"
#include "varnoleterror.h"

#include <QRandomGenerator>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

using Edit = std::function<Layout(const Layout &)>;

// Pages split by "|", items by spaces: "a" is an app, "F:a,b/c" a folder F with pages [a b] [c],
// "F#n" a folder F of n apps F.0… in full pages of nine ("F#n/a" adds a page [a]), "a*n" the
// apps a.0… a.n-1.
Layout parse(const QString &text)
{
    Layout layout;
    for (const QString &pageText : text.split(u'|')) {
        LayoutPage page;
        for (const QString &token : pageText.split(u' ', Qt::SkipEmptyParts)) {
            const QStringList folder = token.split(u':');
            const QStringList generated = token.split(u'#');
            const QStringList many = token.split(u'*');
            if (folder.size() == 2) {
                QList<QStringList> pages;
                for (const QString &apps : folder.at(1).split(u'/'))
                    pages.append(apps.split(u','));
                page.append(LayoutItem::folder(folder.at(0), pages));
            } else if (generated.size() == 2) {
                QList<QStringList> pages;
                QStringList extra = generated.at(1).split(u'/');
                const int count = extra.takeFirst().toInt();
                for (int i = 0; i < count; ++i) {
                    if (i % 9 == 0)
                        pages.append(QStringList());
                    pages.last().append(generated.at(0) + u'.' + QString::number(i));
                }
                for (const QString &apps : extra)
                    pages.append(apps.split(u','));
                page.append(LayoutItem::folder(generated.at(0), pages));
            } else if (many.size() == 2) {
                for (int i = 0; i < many.at(1).toInt(); ++i)
                    page.append(LayoutItem::app(many.at(0) + u'.' + QString::number(i)));
            } else {
                page.append(LayoutItem::app(token));
            }
        }
        layout.pages.append(page);
    }
    return layout;
}

Edit move(LayoutPosition from, int toPage, int toIndex, int capacity = 24)
{
    return [=](const Layout &layout) {
        return LayoutEdits::move(layout, from, toPage, toIndex, capacity);
    };
}

Edit into(LayoutPosition from, LayoutPosition folder)
{
    return [=](const Layout &layout) { return LayoutEdits::moveIntoFolder(layout, from, folder); };
}

Edit makeFolder(LayoutPosition from, LayoutPosition onto)
{
    return [=](const Layout &layout) { return LayoutEdits::makeFolder(layout, from, onto); };
}

Edit rename(LayoutPosition folder, const QString &name)
{
    return [=](const Layout &layout) { return LayoutEdits::renameFolder(layout, folder, name); };
}

const QStringList refusalSentences{u"The Dock holds at most four items."_s,
                                   u"This folder is full."_s,
                                   u"Folders cannot go inside folders."_s,
                                   u"A folder needs a name."_s,
                                   u"This page is full."_s,
                                   u"That item is no longer there."_s,
                                   u"The Home Screen holds at most 100 pages."_s,
                                   u"Only an empty page can be removed."_s,
                                   u"The Home Screen needs at least one page."_s};

// A valid layout: a Dock of up to four items and up to five pages of apps and folders.
Layout randomLayout(QRandomGenerator &random, int &serial)
{
    auto item = [&] {
        if (random.bounded(4) != 0)
            return LayoutItem::app(u"app.%1"_s.arg(serial++));
        QList<QStringList> pages(random.bounded(1, 4));
        for (QStringList &page : pages) {
            for (int i = random.bounded(1, 10); i > 0; --i)
                page.append(u"app.%1"_s.arg(serial++));
        }
        return LayoutItem::folder(u"Folder %1"_s.arg(serial), pages);
    };
    Layout layout({LayoutPage()});
    for (int i = random.bounded(5); i > 0; --i)
        layout.pages[0].append(item());
    for (int page = random.bounded(1, 6); page > 0; --page) {
        layout.pages.append(LayoutPage());
        for (int i = random.bounded(16); i > 0; --i)
            layout.pages.last().append(item());
    }
    layout.pages.last().append(item());
    return layout;
}

// Somewhere in `layout`, now and then an app inside a folder or a place that is not there.
LayoutPosition randomPosition(QRandomGenerator &random, const Layout &layout)
{
    LayoutPosition at{int(random.bounded(layout.pages.size())), 0};
    const LayoutPage &page = layout.pages.at(at.page);
    at.index = int(random.bounded(page.size() + 1));
    if (at.index < page.size() && page.at(at.index).isFolder() && random.bounded(2) == 0) {
        const QList<QStringList> &folderPages = page.at(at.index).folderPages();
        at.folderPage = int(random.bounded(folderPages.size()));
        at.folderIndex = int(random.bounded(folderPages.at(at.folderPage).size()));
    }
    return at;
}

} // namespace

class LayoutEditsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void edits_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("expected");

        QTest::newRow("within a page") << "d | a b c" << move({1, 0}, 1, 2) << "d | b c a";
        QTest::newRow("to another page") << "d | a b | c" << move({1, 0}, 2, 0) << "d | b | a c";
        QTest::newRow("to the Dock") << "d | a b" << move({1, 1}, 0, 1) << "d b | a";
        QTest::newRow("folder to the Dock") << "d | F:a,b c" << move({1, 0}, 0, 0) << "F:a,b d | c";
        QTest::newRow("to a new page") << "d | a b" << move({1, 0}, 2, 0) << "d | b | a";
        QTest::newRow("emptied page goes") << "d | a | b" << move({1, 0}, 2, 1) << "d | b a";
        QTest::newRow("last page kept") << "a | b" << move({1, 0}, 0, 1) << "a b |";
        QTest::newRow("out of a folder")
                << "d | F:a,b c" << move({1, 0, 0, 1}, 1, 2) << "d | F:a c b";
        QTest::newRow("emptied folder page goes")
                << "d | F:a/b c" << move({1, 0, 1, 0}, 1, 2) << "d | F:a c b";
        QTest::newRow("emptied folder goes")
                << "d | F:a c" << move({1, 0, 0, 0}, 1, 1) << "d | c a";
        QTest::newRow("emptied folder frees its place")
                << "d | a*3 F:x" << move({1, 3, 0, 0}, 1, 3, 4) << "d | a*3 x";
        QTest::newRow("into a folder") << "d | a F:b" << into({1, 0}, {1, 1}) << "d | F:b,a";
        QTest::newRow("into a new folder page")
                << "d | a F#9" << into({1, 0}, {1, 1}) << "d | F#9/a";
        QTest::newRow("from folder to folder")
                << "d | F:a,b G:c" << into({1, 0, 0, 0}, {1, 1}) << "d | F:b G:c,a";
        QTest::newRow("onto an app")
                << "d | com.burbn.instagram com.facebook.Facebook" << makeFolder({1, 1}, {1, 0})
                << "d | Social:com.burbn.instagram,com.facebook.Facebook";
        QTest::newRow("onto an app after it")
                << "d | com.apple.calculator b com.burbn.instagram" << makeFolder({1, 0}, {1, 2})
                << "d | b Folder:com.burbn.instagram,com.apple.calculator";
        QTest::newRow("onto a folder") << "d | a F:b" << makeFolder({1, 0}, {1, 1}) << "d | F:b,a";
        QTest::newRow("from a folder onto an app")
                << "d | F:a b" << makeFolder({1, 0, 0, 0}, {1, 1}) << "d | Other:b,a";
        QTest::newRow("rename") << "d | F:a" << rename({1, 0}, u"  Games  "_s) << "d | Games:a";
        QTest::newRow("add a page") << "d | a" << Edit(LayoutEdits::addPage) << "d | a |";
        QTest::newRow("remove an empty page")
                << "d | | a" << Edit([](const Layout &l) { return LayoutEdits::removePage(l, 1); })
                << "d | a";
    }

    void edits()
    {
        QFETCH(QString, layout);
        QFETCH(Edit, edit);
        QFETCH(QString, expected);
        QCOMPARE(edit(parse(layout)), parse(expected));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("sentence");

        QTest::newRow("Dock full")
                << "a b c d | e" << move({1, 0}, 0, 0) << "The Dock holds at most four items.";
        QTest::newRow("Dock full from a folder") << "a b c d | F:e,f" << move({1, 0, 0, 0}, 0, 4)
                                                 << "The Dock holds at most four items.";
        QTest::newRow("folder full")
                << "d | a F#135" << into({1, 0}, {1, 1}) << "This folder is full.";
        QTest::newRow("folder into folder")
                << "d | F:a G:b" << into({1, 0}, {1, 1}) << "Folders cannot go inside folders.";
        QTest::newRow("folder onto app")
                << "d | F:a b" << makeFolder({1, 0}, {1, 1}) << "Folders cannot go inside folders.";
        QTest::newRow("rename to blank")
                << "d | F:a" << rename({1, 0}, u"   "_s) << "A folder needs a name.";
        QTest::newRow("page full")
                << "d | a*4 | b" << move({2, 0}, 1, 0, 4) << "This page is full.";
        QTest::newRow("page full from its own folder")
                << "d | a*3 F:x,y" << move({1, 3, 0, 0}, 1, 0, 4) << "This page is full.";
        QTest::newRow("thirty at most")
                << "d | a*30 | b" << move({2, 0}, 1, 0, 40) << "This page is full.";
        QTest::newRow("gone") << "d | a" << move({1, 1}, 1, 0) << "That item is no longer there.";
        QTest::newRow("remove a full page") << "d | a | b" << Edit([](const Layout &l) {
            return LayoutEdits::removePage(l, 1);
        }) << "Only an empty page can be removed.";
    }

    void refusals()
    {
        QFETCH(QString, layout);
        QFETCH(Edit, edit);
        QFETCH(QString, sentence);
        try {
            edit(parse(layout));
            QFAIL("The edit was not refused.");
        } catch (const VarnoletError &refusal) {
            QCOMPARE(refusal.message(), sentence);
        }
    }

    // Thousands of random edits of random layouts: every result validates and holds the same apps,
    // and every refusal is one of the edits' own sentences.
    void randomEditsKeepTheLayoutValid()
    {
        QRandomGenerator random(20261207);
        const QList<int> capacities{16, 20, 24, 28, 30};
        int serial = 0, applied = 0, refused = 0;
        for (int run = 0; run < 400; ++run) {
            Layout layout = randomLayout(random, serial);
            const auto inventory = layout.inventory();
            for (int step = 0; step < 40; ++step) {
                const LayoutPosition from = randomPosition(random, layout);
                const LayoutPosition to = randomPosition(random, layout);
                const int capacity = capacities.at(random.bounded(capacities.size()));
                try {
                    switch (random.bounded(6)) {
                    case 0:
                    case 1:
                        layout = LayoutEdits::move(layout, from,
                                                   int(random.bounded(layout.pages.size() + 1)),
                                                   to.index, capacity);
                        break;
                    case 2:
                        layout = LayoutEdits::moveIntoFolder(layout, from, to);
                        break;
                    case 3:
                        layout = LayoutEdits::makeFolder(layout, from, to);
                        break;
                    case 4:
                        layout = LayoutEdits::renameFolder(layout, from, u"Renamed"_s);
                        break;
                    default:
                        layout = random.bounded(2) ? LayoutEdits::addPage(layout)
                                                   : LayoutEdits::removePage(layout, to.page);
                    }
                    ++applied;
                } catch (const VarnoletError &refusal) {
                    QVERIFY2(refusalSentences.contains(refusal.message()),
                             qPrintable(refusal.message()));
                    ++refused;
                }
                layout.validate();
                QCOMPARE(layout.inventory(), inventory);
            }
        }
        qInfo("%d random edits applied, %d refused", applied, refused);
        QVERIFY(applied > 3000);
    }
};

QTEST_GUILESS_MAIN(LayoutEditsTest)
#include "layouteditstest.moc"
