#include "layout.h"
#include "jsoncodec.h"
#include "layoutcomparison.h"
#include "layoutparser.h"
#include "layouttestsupport.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// A Dock of two apps, then one page holding the folder Social and one app.
const QString example = u"p s | Social:i,f a"_s;

LayoutComparison compare(const QByteArray &before, const QByteArray &after)
{
    return LayoutComparison(LayoutParser::parse(before).layout, LayoutParser::parse(after).layout);
}

} // namespace

class LayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countsAndDeviceForm()
    {
        Layout layout = parse(example + u" Two:x/a E: E:_"_s);
        layout.pages[1].append(LayoutItem::app(u"https://example.com/path"_s));
        QCOMPARE(layout.pageCount(), 1);
        QCOMPARE(layout.folderCount(), 4);
        QCOMPARE(layout.identifiers(), u"p s i f a x a https://example.com/path"_s.split(u' '));
        QCOMPARE(layout.inventory().value(u"a"_s), 2);
        QCOMPARE(layout.inventory().size(), 7);
        QCOMPARE(Layout().pageCount(), 0);
        QCOMPARE(parse(QString()).pageCount(), 0);
        // A one-page folder is flat, a folder of more pages nested; web clips keep their slashes.
        QCOMPARE(JsonCodec::decode(layout.cfgutilData()),
                 JsonCodec::decode(
                         R"([["p","s"],[["Social","i","f"],"a",["Two",["x"],["a"]],["E"],["E"],)"
                         "\"https://example.com/path\"]]"));
        QVERIFY(!layout.cfgutilData().contains('\\'));
        QCOMPARE(JsonCodec::decode(Layout().cfgutilData()), QJsonValue(QJsonArray()));
        QCOMPARE(layout.fingerprint(),
                 QString::fromLatin1(
                         QCryptographicHash::hash(layout.cfgutilData(), QCryptographicHash::Sha256)
                                 .toHex()));
        // Encoded with sorted keys and plain slashes, the same every time.
        const QByteArray text
                = JsonCodec::encode(QJsonObject{{u"z"_s, u"https://example.com/a"_s}, {u"a"_s, 1}});
        QVERIFY(text.contains("https://example.com/a")
                && text.indexOf("\"a\"") < text.indexOf("\"z\""));
        QCOMPARE(JsonCodec::encode(JsonCodec::decode(text)), text);
    }

    void deviceFormSurvivesParsing_data()
    {
        QTest::addColumn<Layout>("layout");
        // clang-format off
        QTest::newRow("worked example") << parse(example);
        QTest::newRow("full folders in the Dock") << parse(u"A:"_s + u"p*9/"_s.repeated(15) + u" B:b*9 | x*30"_s);
        QTest::newRow("web clip and unicode") << Layout({{LayoutItem::app(u"https://example.com/a?b=c"_s)}, {LayoutItem::app(u"com.example.café"_s), LayoutItem::app(u"名前.アプリ"_s)}});
        QTest::newRow("folder name beginning with a byte-order mark") << parse(u"| \uFEFFWork:a"_s);
        // clang-format on
    }
    void deviceFormSurvivesParsing()
    {
        QFETCH(Layout, layout);
        const QByteArray data = layout.cfgutilData();
        const ParsedLayout parsed = LayoutParser::parse(data);
        QCOMPARE(parsed.layout, layout);
        QCOMPARE(parsed.layout.cfgutilData(), data);
    }

    void recordFormRoundTrips()
    {
        const Layout layout = parse(example);
        const QJsonObject record = layout.toRecord();
        const QJsonObject folder = record[u"pages"_s][1][0][u"folder"_s].toObject();
        QCOMPARE(folder[u"_0"_s].toString(), u"Social"_s);
        QCOMPARE(folder[u"_1"_s].toArray().size(), 1); // nested even for one page
        QCOMPARE(record[u"pages"_s][0][0][u"app"_s][u"_0"_s].toString(), u"p"_s);
        QCOMPARE(Layout::fromRecord(JsonCodec::decode(JsonCodec::encode(record))), layout);
    }

    void recordFormRefusesMalformedItems_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("description");
        const QString keys = u"Invalid number of keys found, expected one."_s;
        // clang-format off
        QTest::newRow("both cases") << R"({"pages":[[{"app":{"_0":"a"},"folder":{"_0":"F","_1":[]}}]]})"_ba << keys;
        QTest::newRow("no case") << R"({"pages":[[{}]]})"_ba << keys;
        QTest::newRow("unknown case") << R"({"pages":[[{"widget":{"_0":"a"}}]]})"_ba << keys;
        QTest::newRow("missing _0") << R"({"pages":[[{"app":{}}]]})"_ba << u"No value associated with key \"_0\"."_s;
        QTest::newRow("missing _1") << R"({"pages":[[{"folder":{"_0":"F"}}]]})"_ba << u"No value associated with key \"_1\"."_s;
        QTest::newRow("missing pages") << R"({})"_ba << u"No value associated with key \"pages\"."_s;
        // clang-format on
    }
    void recordFormRefusesMalformedItems()
    {
        QFETCH(QByteArray, record);
        QFETCH(QString, description);
        QCOMPARE(failureOf([&] { Layout::fromRecord(JsonCodec::decode(record)); }), description);
    }

    // Every limit on both sides; an empty message: the layout is valid.
    void validate_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<QString>("message");
        const QString pages = u"Expected a Dock and at least one Home Screen page."_s;
        const QString dock = u"The iPhone Dock contains more than four items."_s;
        const QString empty = u"The layout is empty. Nothing will be applied."_s;
        const QString crowded
                = u"A page contains more than 30 items. This layout needs manual review."_s;
        const QString identifier = u"An app identifier is invalid."_s;
        const auto folder = [](const QString &name) {
            return u"Folder ‘%1’ is empty or exceeds supported iPhone folder limits."_s.arg(name);
        };
        const auto app = [](const QString &id) { return Layout({{}, {LayoutItem::app(id)}}); };
        // clang-format off
        QTest::newRow("empty Dock, one app") << parse(u"| a"_s) << QString();
        QTest::newRow("100 Home Screen pages") << parse(u"|a"_s.repeated(100)) << QString();
        QTest::newRow("Dock of four folders") << parse(u"A:a B:b C:c D:d | a"_s) << QString();
        QTest::newRow("page of 30") << parse(u"| a*30"_s) << QString();
        QTest::newRow("folder of 15 pages of 9") << parse(u"| F:"_s + u"f*9/"_s.repeated(15)) << QString();
        QTest::newRow("identifier of 4096 characters") << app(QString(4096, u'x')) << QString();
        QTest::newRow("4096 characters of two code points each") << app(u"e\u0301"_s.repeated(4096)) << QString();
        QTest::newRow("identifier with a space") << app(u"my app"_s) << QString();
        QTest::newRow("web clip URL") << app(u"https://example.com/a:b"_s) << QString();
        QTest::newRow("no pages") << Layout() << pages;
        QTest::newRow("Dock only") << parse(u"a"_s) << pages;
        QTest::newRow("101 Home Screen pages") << parse(u"|a"_s.repeated(101)) << pages;
        QTest::newRow("Dock of five apps") << parse(u"d*5 | a"_s) << dock;
        QTest::newRow("only empty pages") << parse(u"||"_s) << empty;
        QTest::newRow("only empty folders") << parse(u"| F:_"_s) << empty;
        QTest::newRow("page of 31") << parse(u"| a*31"_s) << crowded;
        QTest::newRow("blank folder name keeps its spaces") << Layout({{}, {LayoutItem::folder(u"   "_s, {{u"a"_s}})}}) << folder(u"   "_s);
        QTest::newRow("folder name of line breaks") << parse(u"| \n\t:a"_s) << folder(u"\n\t"_s);
        QTest::newRow("folder without pages") << parse(u"| a F:"_s) << folder(u"F"_s);
        QTest::newRow("folder with an empty page") << parse(u"| F:a/_"_s) << folder(u"F"_s);
        QTest::newRow("tenth app on a folder page") << parse(u"| F:a*10"_s) << folder(u"F"_s);
        QTest::newRow("sixteenth folder page") << parse(u"| F:"_s + u"a/"_s.repeated(16)) << folder(u"F"_s);
        QTest::newRow("folder name cut to 2,000 characters") << parse(u"| a "_s + QString(5000, u'n') + u':') << folder(QString(2000, u'n'));
        QTest::newRow("Dock folder checked before a later crowded page") << parse(u"Dock: | a*31"_s) << folder(u"Dock"_s);
        QTest::newRow("crowded page checked before its folders") << parse(u"| F: a*30"_s) << crowded;
        QTest::newRow("Dock checked before emptiness") << parse(u"F:_ F:_ F:_ F:_ F:_ |"_s) << dock;
        QTest::newRow("empty identifier") << app(QString()) << identifier;
        QTest::newRow("4097 characters") << app(QString(4097, u'x')) << identifier;
        QTest::newRow("4097 characters of two code points") << app(u"e\u0301"_s.repeated(4097)) << identifier;
        for (const char16_t c : {u'\n', u'\v', u'\f', u'\r', u'\u0085', u'\u2028', u'\u2029', u'\0'})
            QTest::addRow("identifier with U+%04X", unsigned(c)) << app(u"com."_s + QChar(c) + u"app"_s) << identifier;
        QTest::newRow("CR LF") << app(u"a\r\nb"_s) << identifier;
        QTest::newRow("invalid identifier inside a folder") << Layout({{}, {LayoutItem::folder(u"F"_s, {{u"ok"_s, u"bad\n"_s}})}}) << identifier;
        // clang-format on
    }
    void validate()
    {
        QFETCH(Layout, layout);
        QFETCH(QString, message);
        QCOMPARE(failureOf([&] { layout.validate(); }), message);
    }

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

QTEST_GUILESS_MAIN(LayoutTest)
#include "layouttest.moc"
