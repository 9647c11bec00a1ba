#include "layoutedits.h"
#include "layouttestsupport.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

using Edit = std::function<Layout(const Layout &)>;

Edit move(LayoutPosition from, int toPage, int toIndex, int capacity = 24)
{
    return [=](const Layout &l) { return LayoutEdits::move(l, from, toPage, toIndex, capacity); };
}

Edit into(LayoutPosition from, LayoutPosition folder)
{
    return [=](const Layout &layout) { return LayoutEdits::moveIntoFolder(layout, from, folder); };
}

Edit makeFolder(LayoutPosition from, LayoutPosition onto)
{
    return [=](const Layout &layout) { return LayoutEdits::makeFolder(layout, from, onto); };
}

Edit rename(const QString &name, LayoutPosition folder = {1, 0})
{
    return [=](const Layout &layout) { return LayoutEdits::renameFolder(layout, folder, name); };
}

Edit removePage(int page)
{
    return [=](const Layout &layout) { return LayoutEdits::removePage(layout, page); };
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
    // The layout the edit leaves, or the sentence of its refusal (which ends in a full stop).
    void edits_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("expected");
        const QString hundred = u"d"_s + u"|a"_s.repeated(100);
        // clang-format off
        QTest::newRow("within a page") << "d | a b c" << move({1, 0}, 1, 2) << "d | b c a";
        QTest::newRow("to another page") << "d | a b | c" << move({1, 0}, 2, 0) << "d | b | a c";
        QTest::newRow("to the Dock") << "d | a b" << move({1, 1}, 0, 1) << "d b | a";
        QTest::newRow("folder to the Dock") << "d | F:a,b c" << move({1, 0}, 0, 0) << "F:a,b d | c";
        QTest::newRow("to a new page") << "d | a b" << move({1, 0}, 2, 0) << "d | b | a";
        QTest::newRow("emptied page goes") << "d | a | b" << move({1, 0}, 2, 1) << "d | b a";
        QTest::newRow("last page kept") << "a | b" << move({1, 0}, 0, 1) << "a b |";
        QTest::newRow("out of a folder") << "d | F:a,b c" << move({1, 0, 0, 1}, 1, 2) << "d | F:a c b";
        QTest::newRow("emptied folder page goes") << "d | F:a/b c" << move({1, 0, 1, 0}, 1, 2) << "d | F:a c b";
        QTest::newRow("emptied folder goes") << "d | F:a c" << move({1, 0, 0, 0}, 1, 1) << "d | c a";
        QTest::newRow("emptied folder frees its place") << "d | a*3 F:x" << move({1, 3, 0, 0}, 1, 3, 4) << "d | a*3 x";
        QTest::newRow("into a folder") << "d | a F:b" << into({1, 0}, {1, 1}) << "d | F:b,a";
        QTest::newRow("into a new folder page") << "d | a F:x*9" << into({1, 0}, {1, 1}) << "d | F:x*9/a";
        QTest::newRow("from folder to folder") << "d | F:a,b G:c" << into({1, 0, 0, 0}, {1, 1}) << "d | F:b G:c,a";
        QTest::newRow("onto an app") << "d | com.burbn.instagram com.facebook.Facebook" << makeFolder({1, 1}, {1, 0}) << "d | Social:com.burbn.instagram,com.facebook.Facebook";
        QTest::newRow("onto an app after it") << "d | com.apple.calculator b com.burbn.instagram" << makeFolder({1, 0}, {1, 2}) << "d | b Folder:com.burbn.instagram,com.apple.calculator";
        QTest::newRow("onto a folder") << "d | a F:b" << makeFolder({1, 0}, {1, 1}) << "d | F:b,a";
        QTest::newRow("from a folder onto an app") << "d | F:a b" << makeFolder({1, 0, 0, 0}, {1, 1}) << "d | Other:b,a";
        QTest::newRow("rename") << "d | F:a" << rename(u"  Games  "_s) << "d | Games:a";
        QTest::newRow("add a page") << "d | a" << Edit(LayoutEdits::addPage) << "d | a |";
        QTest::newRow("add the hundredth page") << hundred.chopped(2) << Edit(LayoutEdits::addPage) << hundred.chopped(1);
        QTest::newRow("remove an empty page") << "d | | a" << removePage(1) << "d | a";
        QTest::newRow("Dock full") << "a b c d | e" << move({1, 0}, 0, 0) << "The Dock holds at most four items.";
        QTest::newRow("Dock full from a folder") << "a b c d | F:e,f" << move({1, 0, 0, 0}, 0, 4) << "The Dock holds at most four items.";
        QTest::newRow("folder full") << "d | a F:x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9" << into({1, 0}, {1, 1}) << "This folder is full.";
        QTest::newRow("folder into folder") << "d | F:a G:b" << into({1, 0}, {1, 1}) << "Folders cannot go inside folders.";
        QTest::newRow("folder onto app") << "d | F:a b" << makeFolder({1, 0}, {1, 1}) << "Folders cannot go inside folders.";
        QTest::newRow("rename to blank") << "d | F:a" << rename(u"   "_s) << "A folder needs a name.";
        QTest::newRow("page full") << "d | a*4 | b" << move({2, 0}, 1, 0, 4) << "This page is full.";
        QTest::newRow("page full from its own folder") << "d | a*3 F:x,y" << move({1, 3, 0, 0}, 1, 0, 4) << "This page is full.";
        QTest::newRow("thirty at most") << "d | a*30 | b" << move({2, 0}, 1, 0, 40) << "This page is full.";
        QTest::newRow("gone") << "d | a" << move({1, 1}, 1, 0) << "That item is no longer there.";
        QTest::newRow("remove a full page") << "d | a | b" << removePage(1) << "Only an empty page can be removed.";
        QTest::newRow("remove the only page") << "d |" << removePage(1) << "The Home Screen needs at least one page.";
        QTest::newRow("add a 101st page") << hundred << Edit(LayoutEdits::addPage) << "The Home Screen holds at most 100 pages.";
        QTest::newRow("move to a 101st page") << hundred + u" b"_s << move({100, 1}, 101, 0) << "The Home Screen holds at most 100 pages.";
        // clang-format on
    }

    void edits()
    {
        QFETCH(QString, layout);
        QFETCH(Edit, edit);
        QFETCH(QString, expected);
        Layout edited;
        const QString refusal = failureOf([&] { edited = edit(parse(layout)); });
        QCOMPARE(refusal, expected.endsWith(u'.') ? expected : QString());
        if (refusal.isEmpty())
            QCOMPARE(edited, parse(expected));
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
                Edit edit;
                switch (random.bounded(6)) {
                case 0:
                case 1:
                    edit = move(from, int(random.bounded(layout.pages.size() + 1)), to.index,
                                capacity);
                    break;
                case 2:
                    edit = into(from, to);
                    break;
                case 3:
                    edit = makeFolder(from, to);
                    break;
                case 4:
                    edit = rename(u"Renamed"_s, from);
                    break;
                default:
                    edit = random.bounded(2) ? Edit(LayoutEdits::addPage) : removePage(to.page);
                }
                const QString refusal = failureOf([&] { layout = edit(layout); });
                QVERIFY2(refusal.isEmpty() || refusalSentences.contains(refusal),
                         qPrintable(refusal));
                ++(refusal.isEmpty() ? applied : refused);
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
