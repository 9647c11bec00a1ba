#include "layoutparser.h"
#include "jsoncodec.h"
#include "platformerror.h"
#include "varnoleterror.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString unsupportedTail = u". Widgets, spacers and unknown icon types cannot be safely "
                                "rewritten by this prototype. No items were dropped and nothing "
                                "was applied. Use an icon-only layout for the first test; keep a "
                                "Finder backup and screenshots."_s;

QString unsupportedAt(const QString &location)
{
    return u"Unsupported item at "_s + location + unsupportedTail;
}

QByteArray sample(const QString &name)
{
    QFile file(QStringLiteral(VARNOLET_SAMPLES) + u'/' + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing sample");
    return file.readAll();
}

// The Dock holds Phone and Messages; the first Home Screen page holds one flat folder.
const QByteArray barePages
        = R"([["com.apple.mobilephone","com.apple.MobileSMS"],[["Social","com.burbn.instagram","com.facebook.Facebook"]]])"_ba;

Layout barePagesLayout()
{
    return Layout({{LayoutItem::app(u"com.apple.mobilephone"_s),
                    LayoutItem::app(u"com.apple.MobileSMS"_s)},
                   {LayoutItem::folder(u"Social"_s,
                                       {{u"com.burbn.instagram"_s, u"com.facebook.Facebook"_s}})}});
}

// Wraps page contents in a layout with an empty Dock, so that one item can be tried on page 1.
QByteArray withItems(const QByteArray &items)
{
    return "[[], [" + items + "]]";
}

} // namespace

// The test bodies stand outside the class: moc misreads some raw string literals.
class LayoutParserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsEveryFamily_data();
    void readsEveryFamily();
    void readsSpringboardNamesAndWebClips();
    void readsRealShapedSamples();
    void refusesWithASentence_data();
    void refusesWithASentence();
    void passesOnTheDecoderDescription();
};

void LayoutParserTest::readsEveryFamily_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("ecid");
    QTest::newRow("bare pages") << barePages << QString();
    QTest::newRow("iconLayout") << R"({"iconLayout":)" + barePages + "}" << QString();
    QTest::newRow("IconLayout") << R"({"IconLayout":)" + barePages + "}" << QString();
    QTest::newRow("iconState") << R"({"iconState":)" + barePages + "}" << QString();
    QTest::newRow("first layout key wins")
            << R"({"iconState":"nonsense","iconLayout":)" + barePages + "}" << QString();
    QTest::newRow("Output is the array") << R"({"Output":)" + barePages + "}" << QString();
    QTest::newRow("Output keyed by ECID, no ECID given")
            << R"({"Output":{"0x1A":)" + barePages + "}}" << QString();
    QTest::newRow("Output keyed by ECID, ECID given")
            << R"({"Output":{"0x1A":"x","0x2B":)" + barePages + "}}" << u"0x2B"_s;
    QTest::newRow("Output entry holding a layout key")
            << R"({"Output":{"0x1A":{"iconLayout":)" + barePages + "}}}" << u"0x1A"_s;
    QTest::newRow("null Error") << R"({"Error":null,"iconLayout":)" + barePages + "}" << QString();
    QTest::newRow("empty Error") << R"({"Error":{},"Output":)" + barePages + "}" << QString();
    QTest::newRow("springboard")
            << R"([[{"bundleIdentifier":"com.apple.mobilephone","iconType":"Application"},
                    {"displayIdentifier":"com.apple.MobileSMS","iconType":7}],
                   [{"listType":"folder","displayName":"Social","iconType":"Folder","iconLists":
                     [[{"bundleIdentifier":"com.burbn.instagram"},"com.facebook.Facebook"]]}]])"_ba
            << QString();
}

void LayoutParserTest::readsEveryFamily()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, ecid);
    const ParsedLayout parsed = LayoutParser::parse(
            data, ecid.isEmpty() ? std::nullopt : std::optional<QString>(ecid));
    QCOMPARE(parsed.layout, barePagesLayout());
    QVERIFY(parsed.names.isEmpty());
}

void LayoutParserTest::readsSpringboardNamesAndWebClips()
{
    const QByteArray data = withItems(
            R"({"iconType":"Application","bundleIdentifier":"com.a","displayIdentifier":"x","displayName":"First"},
               {"bundleIdentifier":"com.a","displayName":"Second"},
               {"webClipURL":"https://example.com/x","bundleIdentifier":"com.b","displayName":"Example","iconType":"WebClip"},
               {"listType":"folder","displayName":"Tools","iconLists":[[{"bundleIdentifier":"com.c","displayName":"Cee"}],["com.d"]]})");
    const ParsedLayout parsed = LayoutParser::parse(data);
    const Layout expected({{},
                           {LayoutItem::app(u"com.a"_s), LayoutItem::app(u"com.a"_s),
                            LayoutItem::app(u"https://example.com/x"_s),
                            LayoutItem::folder(u"Tools"_s, {{u"com.c"_s}, {u"com.d"_s}})}});
    QCOMPARE(parsed.layout, expected);
    QCOMPARE(parsed.names.value(u"com.a"_s), u"Second"_s);
    QCOMPARE(parsed.names.value(u"https://example.com/x"_s), u"Example"_s);
    QCOMPARE(parsed.names.value(u"com.c"_s), u"Cee"_s);
    QCOMPARE(parsed.names.size(), 3);
}

void LayoutParserTest::readsRealShapedSamples()
{
    const ParsedLayout configurator
            = LayoutParser::parse(sample(u"cfgutil-get-icon-layout.json"_s), u"0x1C2D3E4F50601E"_s);
    QCOMPARE(configurator.layout.pageCount(), 2);
    QCOMPARE(configurator.layout.folderCount(), 2);
    QCOMPARE(configurator.layout.pages[1].last().folderPages().size(), 2);
    QVERIFY(configurator.names.isEmpty());

    // The springboard sample starts its first Home Screen page with a widget stack, which must
    // be refused, never read as an app; without its widgets, it parses with the apps' names.
    try {
        LayoutParser::parse(sample(u"pymobiledevice3-springboard-state.json"_s));
        QFAIL("widgets were accepted");
    } catch (const VarnoletError &error) {
        QCOMPARE(error.message(), unsupportedAt(u"Page 1, item 1"_s));
    }
    QJsonArray pages
            = JsonCodec::decode(sample(u"pymobiledevice3-springboard-state.json"_s)).toArray();
    for (qsizetype p = 0; p < pages.size(); ++p) {
        QJsonArray icons;
        for (const QJsonValue &icon : pages[p].toArray()) {
            if (icon[u"iconType"_s].toString() != u"custom"_s)
                icons.append(icon);
        }
        pages[p] = icons;
    }
    const ParsedLayout springboard = LayoutParser::parse(JsonCodec::encode(pages));
    QCOMPARE(springboard.names.value(u"com.apple.mobilephone"_s), u"Phone"_s);
    QCOMPARE(springboard.layout.pages[0].size(), 4);
    QVERIFY(springboard.layout.folderCount() >= 1);
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

    QTest::newRow("string Error")
            << R"({"Error":"Device is locked","iconLayout":[]})"_ba << QString()
            << u"Configurator reported a layout error: \"Device is locked\""_s;
    QTest::newRow("object Error")
            << R"({"Error":{"b":1,"a":"x/y"}})"_ba << QString()
            << u"Configurator reported a layout error: {\n    \"a\": \"x/y\",\n    \"b\": 1\n}\n"_s;
    QTest::newRow("Error cut to 2,000 characters")
            << "{\"Error\":\"" + QByteArray(5'000'000, 'x') + "\"}" << QString()
            << u"Configurator reported a layout error: \""_s + QString(1999, u'x');
    QTest::newRow("Error from the reader")
            << R"({"Error":"Device is locked"})"_ba << u"reader"_s
            << u"The reader reported a layout error: \"Device is locked\""_s;
    QTest::newRow("wrong ECID") << R"({"Output":{"0x1A":[[],["a"]]}})"_ba << u"0x1a"_s
                                << unidentified;
    QTest::newRow("two entries, no ECID")
            << R"({"Output":{"0x1A":[[],["a"]],"0x2B":[[],["b"]]}})"_ba << QString()
            << unidentified;
    QTest::newRow("empty Output") << R"({"Output":{}})"_ba << QString() << unidentified;
    QTest::newRow("entry without layout keys")
            << R"({"Output":{"0x1A":{"Layout":[]}}})"_ba << QString() << unrecognized;
    QTest::newRow("object without layout keys")
            << R"({"Type":"CommandOutput"})"_ba << QString() << unrecognized;
    QTest::newRow("empty object") << "{}"_ba << QString() << unrecognized;
    QTest::newRow("top-level string") << "\"[]\""_ba << QString() << notArray;
    QTest::newRow("top-level number") << "7"_ba << QString() << notArray;
    QTest::newRow("layout key holding an object")
            << R"({"iconLayout":{}})"_ba << QString() << notArray;
    QTest::newRow("Output string") << R"({"Output":"none"})"_ba << QString() << notArray;
    QTest::newRow("third page a string")
            << R"([[], ["a"], "b"])"_ba << QString() << u"Page 2 is not a list."_s;
    QTest::newRow("fourth page a number")
            << R"([[], ["a"], [], 4])"_ba << QString() << u"Page 3 is not a list."_s;
    QTest::newRow("empty top-level array")
            << "[]"_ba << QString() << u"Expected a Dock and at least one Home Screen page."_s;
    // Refused as soon as met: the page that is not a list further on is never looked at.
    const QString crowded
            = u"A page contains more than 30 items. This layout needs manual review."_s;
    const QString folder = u"Folder ‘F’ is empty or exceeds supported iPhone folder limits."_s;
    const auto early = [](const char *row, const QByteArray &pages, const QString &message) {
        QTest::newRow(row) << "[" + pages + ", \"not a page\"]" << QString() << message;
    };
    early("102 pages", "[]" + QByteArray(", []").repeated(100),
          u"Expected a Dock and at least one Home Screen page."_s);
    early("31 items", "[], [null" + QByteArray(", \"a\"").repeated(30) + "]", crowded);
    early("16 folder pages", "[], [[\"F\"" + QByteArray(", [\"a\"]").repeated(16) + "]]", folder);
    early("10 apps in a flat folder", "[], [[\"F\"" + QByteArray(", \"a\"").repeated(10) + "]]",
          folder);
    early("10 apps on a folder page",
          "[], [[\"F\", [\"a\"" + QByteArray(", \"a\"").repeated(9) + "]]]", folder);
    early("16 springboard folder pages",
          R"([], [{"displayName":"F","iconLists":[)" + QByteArray("[\"a\"],").repeated(15)
                  + "[\"a\"]]}]",
          folder);
    QTest::newRow("validation runs last") << R"([["a","b","c","d","e"],["f"]])"_ba << QString()
                                          << u"The iPhone Dock contains more than four items."_s;

    const auto unsupported = [&](const char *row, const QByteArray &items, const QString &at) {
        QTest::newRow(row) << withItems(items) << QString() << unsupportedAt(at);
    };
    unsupported("widget key in any case, fourth item",
                R"("a","b","c",{"bundleIdentifier":"x","WidgetKind":"clock"})",
                u"Page 1, item 4"_s);
    unsupported("empty object", "{}", u"Page 1, item 1"_s);
    unsupported("unknown icon type", R"({"iconType":"Widget2","bundleIdentifier":"x"})",
                u"Page 1, item 1"_s);
    unsupported("icon type custom", R"("a",{"iconType":"custom","bundleIdentifier":"x"})",
                u"Page 1, item 2"_s);
    unsupported("folder without name", R"({"iconLists":[["a"]]})", u"Page 1, item 1"_s);
    unsupported("folder with non-array page", R"({"displayName":"F","iconLists":["a"]})",
                u"Page 1, item 1"_s);
    unsupported(
            "nested springboard folder",
            R"("a",{"displayName":"F","iconLists":[[{"displayName":"G","iconLists":[["b"]]}]]})",
            u"Page 1, item 2"_s);
    unsupported("nested device-form folder inside springboard folder",
                R"({"displayName":"F","iconLists":[[["G","b"]]]})", u"Page 1, item 1"_s);
    unsupported("identifier not a string", R"({"webClipURL":7,"bundleIdentifier":"x"})",
                u"Page 1, item 1"_s);
    unsupported("no identifier keys", R"({"displayName":"Nameless"})", u"Page 1, item 1"_s);
    unsupported("lone folder name", R"(["Social"])", u"Page 1, item 1"_s);
    unsupported("folder name not a string", R"([7,"a"])", u"Page 1, item 1"_s);
    unsupported("strings and pages mixed", R"(["F","a",["b"]])", u"Page 1, item 1"_s);
    unsupported("number inside a page", R"(["F",["a",3]])", u"Page 1, item 1"_s);
    unsupported("object among folder apps", R"(["F",{"bundleIdentifier":"a"}])",
                u"Page 1, item 1"_s);
    unsupported("number", R"("a","b",12)", u"Page 1, item 3"_s);
    unsupported("Boolean", "true", u"Page 1, item 1"_s);
    unsupported("null", "null", u"Page 1, item 1"_s);
    QTest::newRow("second Dock icon")
            << R"([["a",null],["b"]])"_ba << QString() << unsupportedAt(u"Page 0, item 2"_s);
    QTest::newRow("first failure ends the parse")
            << R"([["a",null],"not a page"])"_ba << QString() << unsupportedAt(u"Page 0, item 2"_s);
}

void LayoutParserTest::refusesWithASentence()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, ecid);
    QFETCH(QString, message);
    try {
        const bool reader = ecid == u"reader"_s;
        LayoutParser::parse(
                data, ecid.isEmpty() || reader ? std::nullopt : std::optional<QString>(ecid),
                reader ? LayoutParser::Source::Reader : LayoutParser::Source::Configurator);
        QFAIL("parsed");
    } catch (const VarnoletError &error) {
        QCOMPARE(error.message(), message);
    }
}

void LayoutParserTest::passesOnTheDecoderDescription()
{
    try {
        LayoutParser::parse("[[\"a\"], [\"b\"]"_ba);
        QFAIL("parsed");
    } catch (const PlatformError &error) {
        QVERIFY(error.description().startsWith(u"The response is not valid JSON ("_s));
    }
    QVERIFY_THROWS_EXCEPTION(
            PlatformError, LayoutParser::parse(QByteArray(100000, '[') + QByteArray(100000, ']')));
}

QTEST_GUILESS_MAIN(LayoutParserTest)
#include "layoutparsertest.moc"
