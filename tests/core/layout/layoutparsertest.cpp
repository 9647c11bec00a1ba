#include "layoutparser.h"
#include "layouttestsupport.h"
#include "platformerror.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

QString unsupportedAt(const QString &location)
{
    return u"Unsupported item at "_s + location
            + u". Widgets, spacers and unknown icon types cannot be safely rewritten by this "
              "prototype. No items were dropped and nothing was applied. Use an icon-only layout "
              "for the first test; keep a Finder backup and screenshots."_s;
}

// The Dock holds two apps; the first Home Screen page holds one flat folder.
const QByteArray barePages = R"([["p","m"],[["Social","i","f"]]])"_ba;

} // namespace

// The test bodies stand outside the class: moc misreads some raw string literals.
class LayoutParserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsEveryFamily_data();
    void readsEveryFamily();
    void readsSpringboardNamesAndSamples();
    void refusesWithASentence_data();
    void refusesWithASentence();
};

void LayoutParserTest::readsEveryFamily_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("ecid");
    // clang-format off
    QTest::newRow("bare pages") << barePages << QString();
    QTest::newRow("iconLayout") << R"({"iconLayout":)" + barePages + "}" << QString();
    QTest::newRow("IconLayout") << R"({"IconLayout":)" + barePages + "}" << QString();
    QTest::newRow("iconState") << R"({"iconState":)" + barePages + "}" << QString();
    QTest::newRow("first layout key wins") << R"({"iconState":"nonsense","iconLayout":)" + barePages + "}" << QString();
    QTest::newRow("Output is the array") << R"({"Output":)" + barePages + "}" << QString();
    QTest::newRow("Output keyed by ECID, no ECID given") << R"({"Output":{"0x1A":)" + barePages + "}}" << QString();
    QTest::newRow("Output keyed by ECID, ECID given") << R"({"Output":{"0x1A":"x","0x2B":)" + barePages + "}}" << u"0x2B"_s;
    QTest::newRow("Output entry holding a layout key") << R"({"Output":{"0x1A":{"iconLayout":)" + barePages + "}}}" << u"0x1A"_s;
    QTest::newRow("null Error") << R"({"Error":null,"iconLayout":)" + barePages + "}" << QString();
    QTest::newRow("empty Error") << R"({"Error":{},"Output":)" + barePages + "}" << QString();
    QTest::newRow("springboard") << R"([[{"bundleIdentifier":"p","iconType":"Application"},{"displayIdentifier":"m","iconType":7}],[{"listType":"folder","displayName":"Social","iconType":"Folder","iconLists":[[{"bundleIdentifier":"i"},"f"]]}]])"_ba << QString();
    // clang-format on
}

void LayoutParserTest::readsEveryFamily()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, ecid);
    const ParsedLayout parsed
            = LayoutParser::parse(data, ecid.isEmpty() ? std::nullopt : std::optional(ecid));
    QCOMPARE(parsed.layout, parse(u"p m | Social:i,f"_s));
    QVERIFY(parsed.names.isEmpty());
}

void LayoutParserTest::readsSpringboardNamesAndSamples()
{
    const ParsedLayout parsed = LayoutParser::parse(
            R"([[], [{"iconType":"Application","bundleIdentifier":"com.a","displayIdentifier":"x","displayName":"First"},
               {"bundleIdentifier":"com.a","displayName":"Second"},
               {"webClipURL":"https://example.com/x","bundleIdentifier":"com.b","displayName":"Example","iconType":"WebClip"},
               {"listType":"folder","displayName":"Tools","iconLists":[[{"bundleIdentifier":"com.c","displayName":"Cee"}],["com.d"]]}]])");
    Layout expected = parse(u"| com.a com.a Tools:com.c/com.d"_s);
    expected.pages[1].insert(2, LayoutItem::app(u"https://example.com/x"_s));
    QCOMPARE(parsed.layout, expected);
    QCOMPARE(parsed.names,
             (AppNames{{u"com.a"_s, u"Second"_s},
                       {u"https://example.com/x"_s, u"Example"_s},
                       {u"com.c"_s, u"Cee"_s}}));

    const ParsedLayout configurator
            = LayoutParser::parse(sample(u"cfgutil-get-icon-layout.json"_s), ecid);
    QCOMPARE(configurator.layout.pageCount(), 2);
    QCOMPARE(configurator.layout.folderCount(), 2);
    QCOMPARE(configurator.layout.pages[1].last().folderPages().size(), 2);
    QVERIFY(configurator.names.isEmpty());

    // The springboard sample starts its first Home Screen page with a widget stack, which must
    // be refused, never read as an app.
    QCOMPARE(failureOf([] {
                 LayoutParser::parse(sample(u"pymobiledevice3-springboard-state.json"_s));
             }),
             unsupportedAt(u"Page 1, item 1"_s));
}

void LayoutParserTest::refusesWithASentence_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("ecid"); // "reader": no ECID, from the optional reader
    QTest::addColumn<QString>("message");

    const QString unidentified = u"The layout response does not identify the selected iPhone."_s;
    const QString unrecognized
            = u"Unrecognized layout response. Export diagnostics to inspect it."_s;
    const QString notArray = u"Expected a JSON array of Home Screen pages."_s;
    const QString invalid = u"The response is not valid JSON (%1)."_s;
    const QString pages = u"Expected a Dock and at least one Home Screen page."_s;
    const QString crowded
            = u"A page contains more than 30 items. This layout needs manual review."_s;
    const QString folder = u"Folder ‘F’ is empty or exceeds supported iPhone folder limits."_s;
    // Refused as soon as met: the page that is not a list further on is never looked at.
    const auto early = [](const char *row, const QByteArray &pages, const QString &message) {
        QTest::newRow(row) << "[" + pages + ", \"not a page\"]" << QString() << message;
    };
    const auto unsupported = [&](const char *row, const QByteArray &items, const QString &at) {
        QTest::newRow(row) << "[[], [" + items + "]]" << QString() << unsupportedAt(at);
    };
    const QString item1 = u"Page 1, item 1"_s;
    // clang-format off
    QTest::newRow("string Error") << R"({"Error":"Device is locked","iconLayout":[]})"_ba << QString() << u"Configurator reported a layout error: \"Device is locked\""_s;
    QTest::newRow("object Error") << R"({"Error":{"b":1,"a":"x/y"}})"_ba << QString() << u"Configurator reported a layout error: {\n    \"a\": \"x/y\",\n    \"b\": 1\n}\n"_s;
    QTest::newRow("Error cut to 2,000 characters") << "{\"Error\":\"" + QByteArray(5'000'000, 'x') + "\"}" << QString() << u"Configurator reported a layout error: \""_s + QString(1999, u'x');
    QTest::newRow("Error from the reader") << R"({"Error":"Device is locked"})"_ba << u"reader"_s << u"The reader reported a layout error: \"Device is locked\""_s;
    QTest::newRow("wrong ECID") << R"({"Output":{"0x1A":[[],["a"]]}})"_ba << u"0x1a"_s << unidentified;
    QTest::newRow("two entries, no ECID") << R"({"Output":{"0x1A":[[],["a"]],"0x2B":[[],["b"]]}})"_ba << QString() << unidentified;
    QTest::newRow("empty Output") << R"({"Output":{}})"_ba << QString() << unidentified;
    QTest::newRow("entry without layout keys") << R"({"Output":{"0x1A":{"Layout":[]}}})"_ba << QString() << unrecognized;
    QTest::newRow("object without layout keys") << R"({"Type":"CommandOutput"})"_ba << QString() << unrecognized;
    QTest::newRow("empty object") << "{}"_ba << QString() << unrecognized;
    QTest::newRow("top-level string") << "\"[]\""_ba << QString() << notArray;
    QTest::newRow("layout key holding an object") << R"({"iconLayout":{}})"_ba << QString() << notArray;
    QTest::newRow("Output string") << R"({"Output":"none"})"_ba << QString() << notArray;
    QTest::newRow("third page a string") << R"([[], ["a"], "b"])"_ba << QString() << u"Page 2 is not a list."_s;
    QTest::newRow("fourth page a number") << R"([[], ["a"], [], 4])"_ba << QString() << u"Page 3 is not a list."_s;
    QTest::newRow("empty top-level array") << "[]"_ba << QString() << pages;
    // The decoder's own description, for what is not one JSON value.
    QTest::newRow("empty") << ""_ba << QString() << invalid.arg(u"it is empty"_s);
    QTest::newRow("blank") << "  \n"_ba << QString() << invalid.arg(u"it is empty"_s);
    QTest::newRow("two scalars") << "1, 2"_ba << QString() << invalid.arg(u"it holds more than one value"_s);
    QTest::newRow("unterminated array") << "[[\"a\"], [\"b\"]"_ba << QString() << invalid.arg(u"unterminated array at offset 13"_s);
    QTest::newRow("scalar then garbage") << "\"a\" ]"_ba << QString() << invalid.arg(u"garbage at the end of the document at offset 5"_s);
    QTest::newRow("deep nesting refused, not followed") << QByteArray(100000, '[') + QByteArray(100000, ']') << QString() << invalid.arg(u"too deeply nested document at offset 1025"_s);
    early("102 pages", "[]" + QByteArray(", []").repeated(100), pages);
    early("31 items", "[], [null" + QByteArray(", \"a\"").repeated(30) + "]", crowded);
    early("16 folder pages", "[], [[\"F\"" + QByteArray(", [\"a\"]").repeated(16) + "]]", folder);
    early("10 apps in a flat folder", "[], [[\"F\"" + QByteArray(", \"a\"").repeated(10) + "]]", folder);
    early("10 apps on a folder page", "[], [[\"F\", [\"a\"" + QByteArray(", \"a\"").repeated(9) + "]]]", folder);
    early("16 springboard folder pages", R"([], [{"displayName":"F","iconLists":[)" + QByteArray("[\"a\"],").repeated(15) + "[\"a\"]]}]", folder);
    QTest::newRow("validation runs last") << R"([["a","b","c","d","e"],["f"]])"_ba << QString() << u"The iPhone Dock contains more than four items."_s;
    unsupported("widget key in any case, fourth item", R"("a","b","c",{"bundleIdentifier":"x","WidgetKind":"clock"})", u"Page 1, item 4"_s);
    unsupported("empty object", "{}", item1);
    unsupported("unknown icon type", R"({"iconType":"Widget2","bundleIdentifier":"x"})", item1);
    unsupported("folder without name", R"({"iconLists":[["a"]]})", item1);
    unsupported("folder with non-array page", R"({"displayName":"F","iconLists":["a"]})", item1);
    unsupported("nested springboard folder", R"("a",{"displayName":"F","iconLists":[[{"displayName":"G","iconLists":[["b"]]}]]})", u"Page 1, item 2"_s);
    unsupported("identifier not a string", R"({"webClipURL":7,"bundleIdentifier":"x"})", item1);
    unsupported("no identifier keys", R"({"displayName":"Nameless"})", item1);
    unsupported("lone folder name", R"(["Social"])", item1);
    unsupported("strings and pages mixed", R"(["F","a",["b"]])", item1);
    unsupported("number inside a page", R"(["F",["a",3]])", item1);
    unsupported("number", R"("a","b",12)", u"Page 1, item 3"_s);
    QTest::newRow("second Dock icon") << R"([["a",null],["b"]])"_ba << QString() << unsupportedAt(u"Page 0, item 2"_s);
    QTest::newRow("first failure ends the parse") << R"([["a",null],"not a page"])"_ba << QString() << unsupportedAt(u"Page 0, item 2"_s);
    // clang-format on
}

void LayoutParserTest::refusesWithASentence()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, ecid);
    QFETCH(QString, message);
    const bool reader = ecid == u"reader"_s;
    QCOMPARE(failureOf([&] {
                 LayoutParser::parse(data,
                                     ecid.isEmpty() || reader ? std::nullopt : std::optional(ecid),
                                     reader ? LayoutParser::Source::Reader
                                            : LayoutParser::Source::Configurator);
             }),
             message);
}

QTEST_GUILESS_MAIN(LayoutParserTest)
#include "layoutparsertest.moc"
