#include "layoutcomparison.h"
#include "layoutparser.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

LayoutComparison compare(const QByteArray &before, const QByteArray &after)
{
    return LayoutComparison(LayoutParser::parse(before).layout, LayoutParser::parse(after).layout);
}

} // namespace

class LayoutComparisonTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void summaryAndMoves_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("moves");
        // clang-format off
        QTest::newRow("identical") << R"([["a"],["b",["F","c"]]])"_ba << R"([["a"],["b",["F","c"]]])"_ba << u"No changes."_s << QStringList();
        QTest::newRow("swap on a page") << R"([["a"],["b","c"]])"_ba << R"([["a"],["c","b"]])"_ba << u"2 apps move · Dock unchanged"_s << QStringList{u"c: Page 1 → Page 1"_s, u"b: Page 1 → Page 1"_s};
        QTest::newRow("into a folder") << R"([["a"],["b","c","d"]])"_ba << R"([["a"],[["Social","b","c"],"d"]])"_ba << u"3 apps move · 1 new folder · Dock unchanged"_s << QStringList{u"b: Page 1 → Folder “Social”, page 1"_s, u"c: Page 1 → Folder “Social”, page 1"_s, u"d: Page 1 → Page 1"_s};
        QTest::newRow("out of a folder") << R"([["a"],[["Social",["b"],["c"]]]])"_ba << R"([["a"],["c","b"]])"_ba << u"2 apps move · 1 folder removed · Dock unchanged"_s << QStringList{u"c: Folder “Social”, page 2 → Page 1"_s, u"b: Folder “Social”, page 1 → Page 1"_s};
        QTest::newRow("renamed in place") << R"([["a"],[["Social","b","c"]]])"_ba << R"([["a"],[["Friends","b","c"]]])"_ba << u"1 folder renamed · Dock unchanged"_s << QStringList();
        QTest::newRow("renamed and moved") << R"([["a"],[["Social","b","c"]],["d"]])"_ba << R"([["a"],["d"],[["Friends","c","b"]]])"_ba << u"3 apps move · 1 folder renamed · Dock unchanged"_s << QStringList{u"d: Page 2 → Page 1"_s, u"c: Folder “Social”, page 1 → Folder “Friends”, page 1"_s, u"b: Folder “Social”, page 1 → Folder “Friends”, page 1"_s};
        QTest::newRow("other apps are no rename") << R"([["a"],[["Social","b"],"c"]])"_ba << R"([["a"],[["Friends","c"],"b"]])"_ba << u"2 apps move · 1 new folder · 1 folder removed · Dock unchanged"_s << QStringList{u"c: Page 1 → Folder “Friends”, page 1"_s, u"b: Folder “Social”, page 1 → Page 1"_s};
        QTest::newRow("two folders of one name") << R"([["a"],[["Games","b"],["Games","c"]]])"_ba << R"([["a"],[["Games","b","c"]]])"_ba << u"1 app moves · 1 folder removed · Dock unchanged"_s << QStringList{u"c: Folder “Games”, page 1 → Folder “Games”, page 1"_s};
        QTest::newRow("Dock, with known names") << R"([["com.apple.mobilephone","b"],["c"]])"_ba << R"([["b","com.apple.mobilephone"],["c"]])"_ba << u"2 apps move · Dock changes"_s << QStringList{u"b: Dock → Dock"_s, u"Phone: Dock → Dock"_s};
        QTest::newRow("duplicates in reading order") << R"([["a"],["x","b","x"]])"_ba << R"([["a"],["b","x","x"]])"_ba << u"2 apps move · Dock unchanged"_s << QStringList{u"b: Page 1 → Page 1"_s, u"x: Page 1 → Page 1"_s};
        QTest::newRow("singular pages and apps") << R"([["a"],["b","d"]])"_ba << R"([["a"],["d"],["c"]])"_ba << u"1 app moves · Dock unchanged · 1 page → 2 · 1 app added · 1 app removed"_s << QStringList{u"d: Page 1 → Page 1"_s};
        QTest::newRow("plural pages and apps") << R"([["a"],["b"],["c"],["d"]])"_ba << R"([["a"],["b","x","y"]])"_ba << u"Dock unchanged · 3 pages → 1 · 2 apps added · 2 apps removed"_s << QStringList();
        QTest::newRow("plural folders") << R"([["a"],[["F1","b"],["F2","c"],"d","e"]])"_ba << R"([["a"],[["N1","b","d"],["N2","c","e"]]])"_ba << u"4 apps move · 2 new folders · 2 folders removed · Dock unchanged"_s << QStringList{u"b: Folder “F1”, page 1 → Folder “N1”, page 1"_s, u"d: Page 1 → Folder “N1”, page 1"_s, u"c: Folder “F2”, page 1 → Folder “N2”, page 1"_s, u"e: Page 1 → Folder “N2”, page 1"_s};
        QTest::newRow("plural renames") << R"([["a"],[["F1","b"],["F2","c"]]])"_ba << R"([["a"],[["G1","b"],["G2","c"]]])"_ba << u"2 folders renamed · Dock unchanged"_s << QStringList();
        // clang-format on
    }

    void summaryAndMoves()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QString, summary);
        QFETCH(QStringList, moves);
        const LayoutComparison comparison = compare(before, after);
        QCOMPARE(comparison.summary(), summary);
        QStringList described;
        for (const AppMove &move : comparison.moves())
            described.append(u"%1: %2 → %3"_s.arg(move.name, move.from, move.to));
        QCOMPARE(described, moves);
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

    void marks_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QStringList>("marked");
        // clang-format off
        QTest::newRow("an app joins a folder") << R"([["a"],[["Social","b"],"d",["Keep","e"],"c"]])"_ba << R"([["a"],[["Social","b","c"],"d",["Keep","e"]]])"_ba << QStringList{u"1.0"_s, u"1.0.0.1"_s};
        QTest::newRow("an app leaves a folder") << R"([["a"],[["Social","b","c"],"d"]])"_ba << R"([["a"],[["Social","b"],"d","c"]])"_ba << QStringList{u"1.0"_s, u"1.2"_s};
        QTest::newRow("a folder moves with its apps") << R"([["a"],["d",["Social","b"]]])"_ba << R"([["a"],[["Social","b"],"d"]])"_ba << QStringList{u"1.0"_s, u"1.0.0.0"_s, u"1.1"_s};
        QTest::newRow("renamed and new folders") << R"([["a"],[["Social","b"],"c"]])"_ba << R"([["a"],[["Friends","b"],["New","c"]]])"_ba << QStringList{u"1.0"_s, u"1.1"_s, u"1.1.0.0"_s};
        QTest::newRow("the Dock") << R"([["a","b"],["c"]])"_ba << R"([["b","a"],["c"]])"_ba << QStringList{u"0.0"_s, u"0.1"_s};
        // clang-format on
    }

    void marks()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QStringList, marked);
        const LayoutComparison comparison = compare(before, after);
        const Layout layout = LayoutParser::parse(after).layout;
        QStringList found;
        for (int page = 0; page < layout.pages.size(); ++page) {
            for (int at = 0; at < layout.pages[page].size(); ++at) {
                if (comparison.isMarked(page, at))
                    found.append(u"%1.%2"_s.arg(page).arg(at));
                const QList<QStringList> &folder = layout.pages[page][at].folderPages();
                for (int inPage = 0; inPage < folder.size(); ++inPage)
                    for (int in = 0; in < folder[inPage].size(); ++in)
                        if (comparison.isMovedInFolder(page, at, inPage, in))
                            found.append(u"%1.%2.%3.%4"_s.arg(page).arg(at).arg(inPage).arg(in));
            }
        }
        QCOMPARE(found, marked);
        QVERIFY(!comparison.isMarked(9, 0));
        QVERIFY(!comparison.isMovedInFolder(1, 0, 5, 0));
    }
};

QTEST_GUILESS_MAIN(LayoutComparisonTest)
#include "layoutcomparisontest.moc"
