#include "layoutedits.h"
#include "layoutcomparison.h"
#include "layoutparser.h"
#include "layouttestsupport.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

using Edit = std::function<Layout(const Layout &)>;
using E = LayoutEdits;

// The edit `apply` with every argument but the layout given.
template<typename... Args>
Edit edit(Layout (*apply)(const Layout &, Args...),
          std::type_identity_t<std::decay_t<Args>>... args)
{
    return [=](const Layout &layout) { return apply(layout, args...); };
}

const QStringList refusalSentences
        = u"The Dock holds at most four items.|This folder is full.|Folders cannot go inside folders.|A folder needs a name.|This page is full.|That item is no longer there.|The Home Screen holds at most 100 pages.|Only an empty page can be removed.|The Home Screen needs at least one page."_s
                  .split(u'|');

// A valid layout: a Dock of up to four items and up to five pages of apps and folders.
Layout randomLayout(QRandomGenerator &random, int &serial)
{
    const auto items = [&](int count) {
        LayoutPage page;
        while (count-- > 0) {
            QList<QStringList> folder(random.bounded(4) ? 0 : random.bounded(1, 4));
            for (QStringList &apps : folder)
                for (int i = random.bounded(1, 10); i > 0; --i)
                    apps.append(u"app.%1"_s.arg(serial++));
            page.append(folder.isEmpty() ? LayoutItem::app(u"app.%1"_s.arg(serial++))
                                         : LayoutItem::folder(u"Folder %1"_s.arg(serial), folder));
        }
        return page;
    };
    Layout layout({items(random.bounded(5))});
    for (int page = random.bounded(1, 6); page > 0; --page)
        layout.pages.append(items(random.bounded(16)));
    layout.pages.last().append(items(1));
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

LayoutComparison compare(const QByteArray &before, const QByteArray &after)
{
    return LayoutComparison(LayoutParser::parse(before).layout, LayoutParser::parse(after).layout);
}

} // namespace

/// The hand edits of a layout, and the comparison of a layout with the one it became.
class LayoutEditsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The layout the edit leaves, or the sentence of its refusal (which ends in a full stop).
    void edits_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<Edit>("change");
        QTest::addColumn<QString>("expected");
        const QString hundred = u"d"_s + u"|a"_s.repeated(100);
        // clang-format off
        QTest::newRow("within a page") << "d | a b c" << edit(E::move, {1, 0}, 1, 2, 24) << "d | b c a";
        QTest::newRow("to another page") << "d | a b | c" << edit(E::move, {1, 0}, 2, 0, 24) << "d | b | a c";
        QTest::newRow("to the Dock") << "d | a b" << edit(E::move, {1, 1}, 0, 1, 24) << "d b | a";
        QTest::newRow("folder to the Dock") << "d | F:a,b c" << edit(E::move, {1, 0}, 0, 0, 24) << "F:a,b d | c";
        QTest::newRow("to a new page") << "d | a b" << edit(E::move, {1, 0}, 2, 0, 24) << "d | b | a";
        QTest::newRow("emptied page goes") << "d | a | b" << edit(E::move, {1, 0}, 2, 1, 24) << "d | b a";
        QTest::newRow("last page kept") << "a | b" << edit(E::move, {1, 0}, 0, 1, 24) << "a b |";
        QTest::newRow("out of a folder") << "d | F:a,b c" << edit(E::move, {1, 0, 0, 1}, 1, 2, 24) << "d | F:a c b";
        QTest::newRow("emptied folder page goes") << "d | F:a/b c" << edit(E::move, {1, 0, 1, 0}, 1, 2, 24) << "d | F:a c b";
        QTest::newRow("emptied folder goes") << "d | F:a c" << edit(E::move, {1, 0, 0, 0}, 1, 1, 24) << "d | c a";
        QTest::newRow("emptied folder frees its place") << "d | a*3 F:x" << edit(E::move, {1, 3, 0, 0}, 1, 3, 4) << "d | a*3 x";
        QTest::newRow("into a folder") << "d | a F:b" << edit(E::moveIntoFolder, {1, 0}, {1, 1}) << "d | F:b,a";
        QTest::newRow("into a new folder page") << "d | a F:x*9" << edit(E::moveIntoFolder, {1, 0}, {1, 1}) << "d | F:x*9/a";
        QTest::newRow("from folder to folder") << "d | F:a,b G:c" << edit(E::moveIntoFolder, {1, 0, 0, 0}, {1, 1}) << "d | F:b G:c,a";
        QTest::newRow("onto an app") << "d | com.burbn.instagram com.facebook.Facebook" << edit(E::makeFolder, {1, 1}, {1, 0}, {}, {}) << "d | Social:com.burbn.instagram,com.facebook.Facebook";
        QTest::newRow("onto an app after it") << "d | com.apple.calculator b com.burbn.instagram" << edit(E::makeFolder, {1, 0}, {1, 2}, {}, {}) << "d | b Folder:com.burbn.instagram,com.apple.calculator";
        QTest::newRow("onto a folder") << "d | a F:b" << edit(E::makeFolder, {1, 0}, {1, 1}, {}, {}) << "d | F:b,a";
        QTest::newRow("from a folder onto an app") << "d | F:a b" << edit(E::makeFolder, {1, 0, 0, 0}, {1, 1}, {}, {}) << "d | Other:b,a";
        QTest::newRow("rename") << "d | F:a" << edit(E::renameFolder, {1, 0}, u"  Games  "_s) << "d | Games:a";
        QTest::newRow("add a page") << "d | a" << Edit(E::addPage) << "d | a |";
        QTest::newRow("add the hundredth page") << hundred.chopped(2) << Edit(E::addPage) << hundred.chopped(1);
        QTest::newRow("remove an empty page") << "d | | a" << edit(E::removePage, 1) << "d | a";
        QTest::newRow("Dock full") << "a b c d | e" << edit(E::move, {1, 0}, 0, 0, 24) << "The Dock holds at most four items.";
        QTest::newRow("Dock full from a folder") << "a b c d | F:e,f" << edit(E::move, {1, 0, 0, 0}, 0, 4, 24) << "The Dock holds at most four items.";
        QTest::newRow("folder full") << "d | a F:x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9/x*9" << edit(E::moveIntoFolder, {1, 0}, {1, 1}) << "This folder is full.";
        QTest::newRow("folder into folder") << "d | F:a G:b" << edit(E::moveIntoFolder, {1, 0}, {1, 1}) << "Folders cannot go inside folders.";
        QTest::newRow("folder onto app") << "d | F:a b" << edit(E::makeFolder, {1, 0}, {1, 1}, {}, {}) << "Folders cannot go inside folders.";
        QTest::newRow("rename to blank") << "d | F:a" << edit(E::renameFolder, {1, 0}, u"   "_s) << "A folder needs a name.";
        QTest::newRow("page full") << "d | a*4 | b" << edit(E::move, {2, 0}, 1, 0, 4) << "This page is full.";
        QTest::newRow("page full from its own folder") << "d | a*3 F:x,y" << edit(E::move, {1, 3, 0, 0}, 1, 0, 4) << "This page is full.";
        QTest::newRow("thirty at most") << "d | a*30 | b" << edit(E::move, {2, 0}, 1, 0, 40) << "This page is full.";
        QTest::newRow("gone") << "d | a" << edit(E::move, {1, 1}, 1, 0, 24) << "That item is no longer there.";
        QTest::newRow("remove a full page") << "d | a | b" << edit(E::removePage, 1) << "Only an empty page can be removed.";
        QTest::newRow("remove the only page") << "d |" << edit(E::removePage, 1) << "The Home Screen needs at least one page.";
        QTest::newRow("add a 101st page") << hundred << Edit(E::addPage) << "The Home Screen holds at most 100 pages.";
        QTest::newRow("move to a 101st page") << hundred + u" b"_s << edit(E::move, {100, 1}, 101, 0, 24) << "The Home Screen holds at most 100 pages.";
        // clang-format on
    }
    void edits()
    {
        QFETCH(QString, layout);
        QFETCH(Edit, change);
        QFETCH(QString, expected);
        Layout edited;
        const QString refusal = failureOf([&] { edited = change(parse(layout)); });
        QCOMPARE(refusal, expected.endsWith(u'.') ? expected : QString());
        if (refusal.isEmpty())
            QCOMPARE(edited, parse(expected));
    }
    // Thousands of random edits of random layouts: every result validates and holds the same apps,
    // and every refusal is one of the edits' own sentences.
    void randomEditsKeepTheLayoutValid()
    {
        QRandomGenerator random(20261207);
        int serial = 0, applied = 0;
        for (int run = 0; run < 400; ++run) {
            Layout layout = randomLayout(random, serial);
            const auto inventory = layout.inventory();
            for (int step = 0; step < 40; ++step) {
                const LayoutPosition from = randomPosition(random, layout);
                const LayoutPosition to = randomPosition(random, layout);
                const int capacity = QList<int>{16, 20, 24, 28, 30}.at(random.bounded(5));
                const Edit move = edit(E::move, from, int(random.bounded(layout.pages.size() + 1)),
                                       to.index, capacity);
                const Edit edits[] = {move,
                                      move,
                                      edit(E::moveIntoFolder, from, to),
                                      edit(E::makeFolder, from, to, {}, {}),
                                      edit(E::renameFolder, from, u"Renamed"_s),
                                      Edit(E::addPage),
                                      edit(E::removePage, to.page)};
                const QString refusal
                        = failureOf([&] { layout = edits[random.bounded(7)](layout); });
                QVERIFY2(refusal.isEmpty() || refusalSentences.contains(refusal),
                         qPrintable(refusal));
                applied += refusal.isEmpty();
                layout.validate();
                QCOMPARE(layout.inventory(), inventory);
            }
        }
        QVERIFY(applied > 3000);
    }
    // The comparison's summary, its moves in reading order and the places it marks.
    void comparison_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("moves");
        QTest::addColumn<QStringList>("marked"); // "page.index" and "page.index.folderPage.index"
        // clang-format off
        QTest::newRow("identical") << R"([["a"],["b",["F","c"]]])"_ba << R"([["a"],["b",["F","c"]]])"_ba << u"No changes."_s << QStringList() << QStringList();
        QTest::newRow("swap on a page") << R"([["a"],["b","c"]])"_ba << R"([["a"],["c","b"]])"_ba << u"2 apps move · Dock unchanged"_s << QStringList{u"c: Page 1 → Page 1"_s, u"b: Page 1 → Page 1"_s} << QStringList{u"1.0"_s, u"1.1"_s};
        QTest::newRow("into a folder") << R"([["a"],["b","c","d"]])"_ba << R"([["a"],[["Social","b","c"],"d"]])"_ba << u"3 apps move · 1 new folder · Dock unchanged"_s << QStringList{u"b: Page 1 → Folder “Social”, page 1"_s, u"c: Page 1 → Folder “Social”, page 1"_s, u"d: Page 1 → Page 1"_s} << QStringList{u"1.0"_s, u"1.0.0.0"_s, u"1.0.0.1"_s, u"1.1"_s};
        QTest::newRow("out of a folder") << R"([["a"],[["Social",["b"],["c"]]]])"_ba << R"([["a"],["c","b"]])"_ba << u"2 apps move · 1 folder removed · Dock unchanged"_s << QStringList{u"c: Folder “Social”, page 2 → Page 1"_s, u"b: Folder “Social”, page 1 → Page 1"_s} << QStringList{u"1.0"_s, u"1.1"_s};
        QTest::newRow("renamed in place") << R"([["a"],[["Social","b","c"]]])"_ba << R"([["a"],[["Friends","b","c"]]])"_ba << u"1 folder renamed · Dock unchanged"_s << QStringList() << QStringList{u"1.0"_s};
        QTest::newRow("renamed and moved") << R"([["a"],[["Social","b","c"]],["d"]])"_ba << R"([["a"],["d"],[["Friends","c","b"]]])"_ba << u"3 apps move · 1 folder renamed · Dock unchanged"_s << QStringList{u"d: Page 2 → Page 1"_s, u"c: Folder “Social”, page 1 → Folder “Friends”, page 1"_s, u"b: Folder “Social”, page 1 → Folder “Friends”, page 1"_s} << QStringList{u"1.0"_s, u"2.0"_s, u"2.0.0.0"_s, u"2.0.0.1"_s};
        QTest::newRow("other apps are no rename") << R"([["a"],[["Social","b"],"c"]])"_ba << R"([["a"],[["Friends","c"],"b"]])"_ba << u"2 apps move · 1 new folder · 1 folder removed · Dock unchanged"_s << QStringList{u"c: Page 1 → Folder “Friends”, page 1"_s, u"b: Folder “Social”, page 1 → Page 1"_s} << QStringList{u"1.0"_s, u"1.0.0.0"_s, u"1.1"_s};
        QTest::newRow("two folders of one name") << R"([["a"],[["Games","b"],["Games","c"]]])"_ba << R"([["a"],[["Games","b","c"]]])"_ba << u"1 app moves · 1 folder removed · Dock unchanged"_s << QStringList{u"c: Folder “Games”, page 1 → Folder “Games”, page 1"_s} << QStringList{u"1.0"_s, u"1.0.0.1"_s};
        QTest::newRow("Dock, with known names") << R"([["com.apple.mobilephone","b"],["c"]])"_ba << R"([["b","com.apple.mobilephone"],["c"]])"_ba << u"2 apps move · Dock changes"_s << QStringList{u"b: Dock → Dock"_s, u"Phone: Dock → Dock"_s} << QStringList{u"0.0"_s, u"0.1"_s};
        QTest::newRow("duplicates in reading order") << R"([["a"],["x","b","x"]])"_ba << R"([["a"],["b","x","x"]])"_ba << u"2 apps move · Dock unchanged"_s << QStringList{u"b: Page 1 → Page 1"_s, u"x: Page 1 → Page 1"_s} << QStringList{u"1.0"_s, u"1.1"_s};
        QTest::newRow("singular pages and apps") << R"([["a"],["b","d"]])"_ba << R"([["a"],["d"],["c"]])"_ba << u"1 app moves · Dock unchanged · 1 page → 2 · 1 app added · 1 app removed"_s << QStringList{u"d: Page 1 → Page 1"_s} << QStringList{u"1.0"_s};
        QTest::newRow("plural pages and apps") << R"([["a"],["b"],["c"],["d"]])"_ba << R"([["a"],["b","x","y"]])"_ba << u"Dock unchanged · 3 pages → 1 · 2 apps added · 2 apps removed"_s << QStringList() << QStringList();
        QTest::newRow("plural folders") << R"([["a"],[["F1","b"],["F2","c"],"d","e"]])"_ba << R"([["a"],[["N1","b","d"],["N2","c","e"]]])"_ba << u"4 apps move · 2 new folders · 2 folders removed · Dock unchanged"_s << QStringList{u"b: Folder “F1”, page 1 → Folder “N1”, page 1"_s, u"d: Page 1 → Folder “N1”, page 1"_s, u"c: Folder “F2”, page 1 → Folder “N2”, page 1"_s, u"e: Page 1 → Folder “N2”, page 1"_s} << QStringList{u"1.0"_s, u"1.0.0.0"_s, u"1.0.0.1"_s, u"1.1"_s, u"1.1.0.0"_s, u"1.1.0.1"_s};
        QTest::newRow("plural renames") << R"([["a"],[["F1","b"],["F2","c"]]])"_ba << R"([["a"],[["G1","b"],["G2","c"]]])"_ba << u"2 folders renamed · Dock unchanged"_s << QStringList() << QStringList{u"1.0"_s, u"1.1"_s};
        QTest::newRow("an app joins a folder") << R"([["a"],[["Social","b"],"d",["Keep","e"],"c"]])"_ba << R"([["a"],[["Social","b","c"],"d",["Keep","e"]]])"_ba << u"1 app moves · Dock unchanged"_s << QStringList{u"c: Page 1 → Folder “Social”, page 1"_s} << QStringList{u"1.0"_s, u"1.0.0.1"_s};
        QTest::newRow("an app leaves a folder") << R"([["a"],[["Social","b","c"],"d"]])"_ba << R"([["a"],[["Social","b"],"d","c"]])"_ba << u"1 app moves · Dock unchanged"_s << QStringList{u"c: Folder “Social”, page 1 → Page 1"_s} << QStringList{u"1.0"_s, u"1.2"_s};
        QTest::newRow("a folder moves with its apps") << R"([["a"],["d",["Social","b"]]])"_ba << R"([["a"],[["Social","b"],"d"]])"_ba << u"2 apps move · Dock unchanged"_s << QStringList{u"b: Folder “Social”, page 1 → Folder “Social”, page 1"_s, u"d: Page 1 → Page 1"_s} << QStringList{u"1.0"_s, u"1.0.0.0"_s, u"1.1"_s};
        QTest::newRow("renamed and new folders") << R"([["a"],[["Social","b"],"c"]])"_ba << R"([["a"],[["Friends","b"],["New","c"]]])"_ba << u"1 app moves · 1 new folder · 1 folder renamed · Dock unchanged"_s << QStringList{u"c: Page 1 → Folder “New”, page 1"_s} << QStringList{u"1.0"_s, u"1.1"_s, u"1.1.0.0"_s};
        QTest::newRow("the Dock") << R"([["a","b"],["c"]])"_ba << R"([["b","a"],["c"]])"_ba << u"2 apps move · Dock changes"_s << QStringList{u"b: Dock → Dock"_s, u"a: Dock → Dock"_s} << QStringList{u"0.0"_s, u"0.1"_s};
        // clang-format on
    }
    void comparison()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QString, summary);
        QFETCH(QStringList, moves);
        QFETCH(QStringList, marked);
        const LayoutComparison comparison = compare(before, after);
        QStringList described, found;
        for (const AppMove &move : comparison.moves())
            described.append(u"%1: %2 → %3"_s.arg(move.name, move.from, move.to));
        // Every place up to one beyond each end, so a mark out of range shows too.
        for (int page = 0; page < 4; ++page)
            for (int at = 0; at < 5; ++at) {
                if (comparison.isMarked(page, at))
                    found.append(u"%1.%2"_s.arg(page).arg(at));
                for (int inPage = 0; inPage < 3; ++inPage)
                    for (int in = 0; in < 4; ++in)
                        if (comparison.isMovedInFolder(page, at, inPage, in))
                            found.append(u"%1.%2.%3.%4"_s.arg(page).arg(at).arg(inPage).arg(in));
            }
        QCOMPARE(comparison.summary(), summary);
        QCOMPARE(described, moves);
        QCOMPARE(found, marked);
        QCOMPARE(comparison.moves(1), comparison.moves().mid(0, 1));
    }
    void listsInReadingOrder()
    {
        const LayoutComparison comparison = compare(R"([["a"],["x","y",["Old","b"],"x","x"]])"_ba,
                                                    R"([["a"],["x","z",["New","y"],"x","z"]])"_ba);
        QCOMPARE(comparison.stayed(), (QStringList{u"a"_s, u"x"_s, u"x"_s}));
        QCOMPARE(comparison.added(), (QStringList{u"z"_s, u"z"_s}));
        QCOMPARE(comparison.removed(), (QStringList{u"b"_s, u"x"_s}));
        QCOMPARE(comparison.newFolders(), QStringList{u"New"_s});
        QCOMPARE(comparison.removedFolders(), QStringList{u"Old"_s});
        const auto renamed = compare(R"([["a"],[["Old","b"]]])", R"([["a"],[["New","b"]]])");
        QCOMPARE(renamed.renamedFolders(), (QList<FolderRename>{{u"Old"_s, u"New"_s}}));
    }
};

QTEST_GUILESS_MAIN(LayoutEditsTest)
#include "layouteditstest.moc"
