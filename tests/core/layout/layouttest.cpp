#include "layout.h"
#include "jsoncodec.h"
#include "layoutparser.h"
#include "layouttestsupport.h"
#include "organizer.h"
#include "platformerror.h"
#include "profile/configurationprofile.h"
#include "profile/propertylist.h"

#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

using Call = std::function<void()>;

const QString pages = u"Expected a Dock and at least one Home Screen page."_s;
const QString dock = u"The iPhone Dock contains more than four items."_s;
const QString crowded = u"A page contains more than 30 items. This layout needs manual review."_s;

// A Dock of two apps, then one page holding the folder Social and one app.
const QString example = u"p s | Social:i,f a"_s;

QString unsupportedAt(const QString &location)
{
    return u"Unsupported item at "_s + location
            + u". Widgets, spacers and unknown icon types cannot be safely rewritten by this "
              "prototype. No items were dropped and nothing was applied. Use an icon-only layout "
              "for the first test; keep a Finder backup and screenshots."_s;
}

QVariantMap payloadOf(const QByteArray &profile)
{
    return PropertyList::read(profile).toMap().value(u"PayloadContent"_s).toList().value(0).toMap();
}

// A profile as other tools write it.
QByteArray profileWith(const QString &dockItems, const QString &pageItems)
{
    return uR"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>
<key>PayloadContent</key><array><dict>
<key>PayloadType</key><string>com.apple.homescreenlayout</string>
<key>Dock</key><array>%1</array><key>Pages</key><array><array>%2</array></array>
</dict></array></dict></plist>)"_s.arg(dockItems, pageItems)
            .toUtf8();
}

const QString safari
        = u"<dict><key>Type</key><string>App</string><key>BundleID</key><string>com.apple.mobilesafari</string></dict>"_s;

// The Dock holds two apps; the first Home Screen page holds one flat folder.
const QByteArray barePages = R"([["p","m"],[["Social","i","f"]]])"_ba;

} // namespace

/// The layout model, its encodings (the configuration profile among them) and limits, and the
/// parser of every response form.
class LayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countsAndDeviceForm()
    {
        const Layout layout = parse(example + u" Two:x/a E: E:_ https://example.com/path"_s);
        QCOMPARE(layout.pageCount(), 1);
        QCOMPARE(layout.folderCount(), 4);
        QCOMPARE(layout.identifiers(), u"p s i f a x a https://example.com/path"_s.split(u' '));
        QCOMPARE(layout.inventory().value(u"a"_s), 2);
        QCOMPARE(layout.inventory().size(), 7);
        QCOMPARE(Layout().pageCount(), 0);
        // An app listed twice keeps its later name.
        QCOMPARE(
                LayoutParser::parse("[[], [{\"bundleIdentifier\":\"a\",\"displayName\":\"First\"}, "
                                    "{\"bundleIdentifier\":\"a\",\"displayName\":\"Second\"}]]")
                        .names,
                AppNames({{u"a"_s, u"Second"_s}}));
        // A one-page folder is flat, a folder of more pages nested; web clips keep their slashes.
        QCOMPARE(JsonCodec::decode(layout.cfgutilData()),
                 JsonCodec::decode(
                         R"([["p","s"],[["Social","i","f"],"a",["Two",["x"],["a"]],["E"],["E"],)"
                         "\"https://example.com/path\"]]"));
        QCOMPARE(JsonCodec::decode(Layout().cfgutilData()), QJsonValue(QJsonArray()));
        // The stored form nests a folder's pages even when there is one.
        const auto record
                = R"({"pages":[[{"app":{"_0":"p"}}],[{"folder":{"_0":"F","_1":[["i"]]}}]]})";
        QCOMPARE(QJsonValue(parse(u"p | F:i"_s).toRecord()), JsonCodec::decode(record));
        // Pinned, so that snapshots saved by earlier versions still match their layouts.
        QCOMPARE(parse(u"a | F:b"_s).fingerprint(),
                 u"dadd9d48bd4d9f2fc1d9652276c5e768ac41d96f881d00ddf90d5207cc9fd76a"_s);
    }
    void deviceFormSurvivesParsing_data()
    {
        QTest::addColumn<Layout>("layout");
        // clang-format off
        QTest::newRow("worked example") << parse(example);
        QTest::newRow("full folders in the Dock") << parse(u"A:"_s + u"p*9/"_s.repeated(15) + u" B:b*9 | x*30"_s);
        QTest::newRow("web clip and unicode") << Layout({{LayoutItem::app(u"https://example.com/a?b=c"_s)}, {LayoutItem::app(u"com.example.café"_s), LayoutItem::app(u"名前.アプリ"_s)}});
        QTest::newRow("folder name beginning with a byte-order mark") << parse(u"| \uFEFFWork:a"_s);
        QTest::newRow("characters markup escapes, an empty page") << parse(u"a&b<c> | Social_“Fun”:i/x.y https://example.com/a?b=1&c=2 |"_s);
        // clang-format on
    }
    void deviceFormSurvivesParsing()
    {
        QFETCH(Layout, layout);
        QCOMPARE(LayoutParser::parse(layout.cfgutilData()).layout, layout);
        QCOMPARE(Layout::fromRecord(JsonCodec::decode(JsonCodec::encode(layout.toRecord()))),
                 layout);
        QCOMPARE(ConfigurationProfile::read(ConfigurationProfile::write(layout)), layout);
    }
    // The configuration profile's own keys, with new UUIDs for each part of each profile.
    void profilePayload()
    {
        const Layout layout = parse(u"p | https://example.com/a?b=1&c=2"_s);
        const QByteArray profile = ConfigurationProfile::write(layout);
        const QVariantMap outer = PropertyList::read(profile).toMap(), payload = payloadOf(profile);
        QCOMPARE(outer.value(u"PayloadType"_s), u"Configuration"_s);
        QCOMPARE(outer.value(u"PayloadDisplayName"_s), u"Varnolet Home Screen Layout"_s);
        QCOMPARE(payload.value(u"PayloadType"_s), u"com.apple.homescreenlayout"_s);
        for (const QVariantMap &part : {outer, payload}) {
            QCOMPARE(part.value(u"PayloadVersion"_s).toInt(), 1);
            QVERIFY(part.value(u"PayloadIdentifier"_s).toString().startsWith(u"org.varnolet."_s));
        }
        QVERIFY(outer.value(u"PayloadUUID"_s) != payload.value(u"PayloadUUID"_s));
        QVERIFY(payloadOf(ConfigurationProfile::write(layout)).value(u"PayloadUUID"_s)
                != payload.value(u"PayloadUUID"_s));
        const QVariantMap webClip{{u"Type"_s, u"WebClip"_s},
                                  {u"URL"_s, u"https://example.com/a?b=1&c=2"_s}};
        QCOMPARE(payload.value(u"Pages"_s).toList().value(0), QVariant(QVariantList{webClip}));
    }
    // Every limit on both sides, and the other refusals of a layout, a record or a profile, each
    // with its sentence. An empty message: accepted.
    void refusals_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("message");
        const auto valid = [](const Layout &layout) { return Call([=] { layout.validate(); }); };
        const auto record = [](const QByteArray &record) {
            return Call([=] { Layout::fromRecord(JsonCodec::decode(record)); });
        };
        // A profile read must hold the two Safari icons of the rows that are accepted.
        const auto profile = [](const QByteArray &profile) {
            return Call([=] {
                QCOMPARE(ConfigurationProfile::read(profile).identifiers(),
                         QStringList(2, u"com.apple.mobilesafari"_s));
            });
        };
        const QString keys = u"Invalid number of keys found, expected one."_s;
        const QString identifier = u"An app identifier is invalid."_s;
        const auto folder = [](const QString &name) {
            return u"Folder ‘%1’ is empty or exceeds supported iPhone folder limits."_s.arg(name);
        };
        // A proposal for the Dock "p" and the page "m n".
        const auto proposal = [](const QString &proposed) {
            return Call([=] { Organizer::verifyProposal(parse(u"p | m n"_s), parse(proposed)); });
        };
        const QString inventory
                = u"The proposed layout changed the app inventory. Apply is blocked."_s;
        const auto app = [&](const QString &id) {
            return valid(Layout({{}, {LayoutItem::app(id)}}));
        };
        // clang-format off
        QTest::newRow("empty Dock, one app") << valid(parse(u"| a"_s)) << QString();
        QTest::newRow("100 Home Screen pages") << valid(parse(u"|a"_s.repeated(100))) << QString();
        QTest::newRow("Dock of four folders") << valid(parse(u"A:a B:b C:c D:d | a"_s)) << QString();
        QTest::newRow("page of 30") << valid(parse(u"| a*30"_s)) << QString();
        QTest::newRow("folder of 15 pages of 9") << valid(parse(u"| F:"_s + u"f*9/"_s.repeated(15))) << QString();
        QTest::newRow("identifier of 4096 characters") << app(QString(4096, u'x')) << QString();
        QTest::newRow("4096 characters of two code points each") << app(u"e\u0301"_s.repeated(4096)) << QString();
        QTest::newRow("identifier with a space") << app(u"my app"_s) << QString();
        QTest::newRow("web clip URL") << app(u"https://example.com/a:b"_s) << QString();
        QTest::newRow("no pages") << valid(Layout()) << pages;
        QTest::newRow("Dock only") << valid(parse(u"a"_s)) << pages;
        QTest::newRow("101 Home Screen pages") << valid(parse(u"|a"_s.repeated(101))) << pages;
        QTest::newRow("Dock of five apps") << valid(parse(u"d*5 | a"_s)) << dock;
        QTest::newRow("only empty pages") << valid(parse(u"||"_s)) << u"The layout is empty. Nothing will be applied."_s;
        QTest::newRow("only empty folders") << valid(parse(u"| F:_"_s)) << u"The layout is empty. Nothing will be applied."_s;
        QTest::newRow("page of 31") << valid(parse(u"| a*31"_s)) << crowded;
        QTest::newRow("blank folder name keeps its spaces") << valid(Layout({{}, {LayoutItem::folder(u"   "_s, {{u"a"_s}})}})) << folder(u"   "_s);
        QTest::newRow("folder name of line breaks") << valid(parse(u"| \n\t:a"_s)) << folder(u"\n\t"_s);
        QTest::newRow("folder without pages") << valid(parse(u"| a F:"_s)) << folder(u"F"_s);
        QTest::newRow("folder with an empty page") << valid(parse(u"| F:a/_"_s)) << folder(u"F"_s);
        QTest::newRow("tenth app on a folder page") << valid(parse(u"| F:a*10"_s)) << folder(u"F"_s);
        QTest::newRow("sixteenth folder page") << valid(parse(u"| F:"_s + u"a/"_s.repeated(16))) << folder(u"F"_s);
        QTest::newRow("folder name cut to 2,000 characters") << valid(parse(u"| a "_s + QString(5000, u'n') + u':')) << folder(QString(2000, u'n'));
        QTest::newRow("Dock folder checked before a later crowded page") << valid(parse(u"Dock: | a*31"_s)) << folder(u"Dock"_s);
        QTest::newRow("crowded page checked before its folders") << valid(parse(u"| F: a*30"_s)) << crowded;
        QTest::newRow("Dock checked before emptiness") << valid(parse(u"F:_ F:_ F:_ F:_ F:_ |"_s)) << dock;
        QTest::newRow("empty identifier") << app(QString()) << identifier;
        QTest::newRow("4097 characters") << app(QString(4097, u'x')) << identifier;
        QTest::newRow("4097 characters of two code points") << app(u"e\u0301"_s.repeated(4097)) << identifier;
        for (const char16_t c : {u'\n', u'\v', u'\f', u'\r', u'\u0085', u'\u2028', u'\u2029', u'\0'})
            QTest::addRow("identifier with U+%04X", unsigned(c)) << app(u"com."_s + QChar(c) + u"app"_s) << identifier;
        QTest::newRow("CR LF") << app(u"a\r\nb"_s) << identifier;
        QTest::newRow("invalid identifier inside a folder") << valid(Layout({{}, {LayoutItem::folder(u"F"_s, {{u"ok"_s, u"bad\n"_s}})}})) << identifier;
        QTest::newRow("proposal reordered") << proposal(u"p | F:n/m"_s) << QString();
        QTest::newRow("proposal with an app lost") << proposal(u"p | n"_s) << inventory;
        QTest::newRow("proposal with an app doubled instead of another") << proposal(u"p | n n"_s) << inventory;
        QTest::newRow("proposal with an app renamed in case") << proposal(u"p | n M"_s) << inventory;
        QTest::newRow("proposal outside the limits, before its inventory") << proposal(u"p n m x y |"_s) << dock;
        QTest::newRow("record: both cases") << record(R"({"pages":[[{"app":{"_0":"a"},"folder":{"_0":"F","_1":[]}}]]})"_ba) << keys;
        QTest::newRow("record: no case") << record(R"({"pages":[[{}]]})"_ba) << keys;
        QTest::newRow("record: unknown case") << record(R"({"pages":[[{"widget":{"_0":"a"}}]]})"_ba) << keys;
        QTest::newRow("record: missing _0") << record(R"({"pages":[[{"app":{}}]]})"_ba) << u"No value associated with key \"_0\"."_s;
        QTest::newRow("record: missing _1") << record(R"({"pages":[[{"folder":{"_0":"F"}}]]})"_ba) << u"No value associated with key \"_1\"."_s;
        QTest::newRow("record: missing pages") << record(R"({})"_ba) << u"No value associated with key \"pages\"."_s;
        QTest::newRow("profile: App for Application") << profile(profileWith(safari, safari)) << QString();
        QTest::newRow("profile: no layout payload") << profile(R"(<plist version="1.0"><dict><key>PayloadContent</key><array/></dict></plist>)"_ba) << u"The profile holds no Home Screen layout."_s;
        QTest::newRow("profile: widget") << profile(profileWith(u"<dict><key>Type</key><string>Widget</string></dict>"_s, safari)) << u"The profile holds a Home Screen entry Varnolet cannot read."_s;
        QTest::newRow("profile: outside the limits") << profile(profileWith(safari.repeated(5), safari)) << dock;
        QTest::newRow("profile: not a property list") << profile("[[\"com.apple.mobilesafari\"]]"_ba) << u"The file is not a property list Varnolet can read: it does not start with a plist element (line 1)."_s;
        // clang-format on
    }
    void refusals()
    {
        QFETCH(Call, call);
        QFETCH(QString, message);
        QCOMPARE(failureOf(call), message);
    }
    void parses_data();
    void parses();
};

// The parser tests stand outside the class: moc misreads some raw string literals.
// Every form a response comes in, read or refused with a sentence.
void LayoutTest::parses_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("ecid");    // "reader": no ECID, from the optional reader
    QTest::addColumn<QString>("message"); // empty: read as the bare pages
    QTest::addColumn<AppNames>("names");

    const QString unidentified = u"The layout response does not identify the selected iPhone."_s;
    const QString unrecognized
            = u"Unrecognized layout response. Export diagnostics to inspect it."_s;
    const QString notArray = u"Expected a JSON array of Home Screen pages."_s;
    const QString invalid = u"The response is not valid JSON (%1)."_s;
    const QString folder = u"Folder ‘F’ is empty or exceeds supported iPhone folder limits."_s;
    // Refused as soon as met: the page that is not a list further on is never looked at.
    const auto early = [](const char *row, const QByteArray &pages, const QString &message) {
        QTest::newRow(row) << "[" + pages + ", \"not a page\"]" << QString() << message
                           << AppNames();
    };
    const auto unsupported = [&](const char *row, const QByteArray &items, const QString &at) {
        QTest::newRow(row) << "[[], [" + items + "]]" << QString() << unsupportedAt(at)
                           << AppNames();
    };
    const QString item1 = u"Page 1, item 1"_s;
    // clang-format off
    QTest::newRow("bare pages") << barePages << QString() << QString() << AppNames();
    QTest::newRow("iconLayout") << R"({"iconLayout":)" + barePages + "}" << QString() << QString() << AppNames();
    QTest::newRow("IconLayout") << R"({"IconLayout":)" + barePages + "}" << QString() << QString() << AppNames();
    QTest::newRow("iconState") << R"({"iconState":)" + barePages + "}" << QString() << QString() << AppNames();
    QTest::newRow("first layout key wins") << R"({"iconState":"nonsense","iconLayout":)" + barePages + "}" << QString() << QString() << AppNames();
    QTest::newRow("Output is the array") << R"({"Output":)" + barePages + "}" << QString() << QString() << AppNames();
    QTest::newRow("Output keyed by ECID, no ECID given") << R"({"Output":{"0x1A":)" + barePages + "}}" << QString() << QString() << AppNames();
    QTest::newRow("Output keyed by ECID, ECID given") << R"({"Output":{"0x1A":"x","0x2B":)" + barePages + "}}" << u"0x2B"_s << QString() << AppNames();
    QTest::newRow("Output entry holding a layout key") << R"({"Output":{"0x1A":{"iconLayout":)" + barePages + "}}}" << u"0x1A"_s << QString() << AppNames();
    QTest::newRow("null Error") << R"({"Error":null,"iconLayout":)" + barePages + "}" << QString() << QString() << AppNames();
    QTest::newRow("empty Error") << R"({"Error":{},"Output":)" + barePages + "}" << QString() << QString() << AppNames();
    QTest::newRow("springboard") << R"([[{"bundleIdentifier":"p","displayIdentifier":"x","iconType":"Application","displayName":"Phone"},{"displayIdentifier":"m","iconType":7}],[{"listType":"folder","displayName":"Social","iconType":"Folder","iconLists":[[{"webClipURL":"i","bundleIdentifier":"b","displayName":"Eye","iconType":"WebClip"},"f"]]}]])"_ba << QString() << QString() << AppNames{{u"p"_s, u"Phone"_s}, {u"i"_s, u"Eye"_s}};
    QTest::newRow("string Error") << R"({"Error":"Device is locked","iconLayout":[]})"_ba << QString() << u"Configurator reported a layout error: \"Device is locked\""_s << AppNames();
    QTest::newRow("object Error") << R"({"Error":{"b":1,"a":"x/y"}})"_ba << QString() << u"Configurator reported a layout error: {\n    \"a\": \"x/y\",\n    \"b\": 1\n}\n"_s << AppNames();
    QTest::newRow("Error cut to 2,000 characters") << "{\"Error\":\"" + QByteArray(5'000'000, 'x') + "\"}" << QString() << u"Configurator reported a layout error: \""_s + QString(1999, u'x') << AppNames();
    QTest::newRow("Error from the reader") << R"({"Error":"Device is locked"})"_ba << u"reader"_s << u"The reader reported a layout error: \"Device is locked\""_s << AppNames();
    QTest::newRow("wrong ECID") << R"({"Output":{"0x1A":[[],["a"]]}})"_ba << u"0x1a"_s << unidentified << AppNames();
    QTest::newRow("two entries, no ECID") << R"({"Output":{"0x1A":[[],["a"]],"0x2B":[[],["b"]]}})"_ba << QString() << unidentified << AppNames();
    QTest::newRow("empty Output") << R"({"Output":{}})"_ba << QString() << unidentified << AppNames();
    QTest::newRow("entry without layout keys") << R"({"Output":{"0x1A":{"Layout":[]}}})"_ba << QString() << unrecognized << AppNames();
    QTest::newRow("object without layout keys") << R"({"Type":"CommandOutput"})"_ba << QString() << unrecognized << AppNames();
    QTest::newRow("empty object") << "{}"_ba << QString() << unrecognized << AppNames();
    QTest::newRow("top-level string") << "\"[]\""_ba << QString() << notArray << AppNames();
    QTest::newRow("layout key holding an object") << R"({"iconLayout":{}})"_ba << QString() << notArray << AppNames();
    QTest::newRow("Output string") << R"({"Output":"none"})"_ba << QString() << notArray << AppNames();
    QTest::newRow("third page a string") << R"([[], ["a"], "b"])"_ba << QString() << u"Page 2 is not a list."_s << AppNames();
    QTest::newRow("fourth page a number") << R"([[], ["a"], [], 4])"_ba << QString() << u"Page 3 is not a list."_s << AppNames();
    QTest::newRow("empty top-level array") << "[]"_ba << QString() << pages << AppNames();
    // The decoder's own description, for what is not one JSON value.
    QTest::newRow("empty") << ""_ba << QString() << invalid.arg(u"it is empty"_s) << AppNames();
    QTest::newRow("blank") << "  \n"_ba << QString() << invalid.arg(u"it is empty"_s) << AppNames();
    QTest::newRow("two scalars") << "1, 2"_ba << QString() << invalid.arg(u"it holds more than one value"_s) << AppNames();
    QTest::newRow("unterminated array") << "[[\"a\"], [\"b\"]"_ba << QString() << invalid.arg(u"unterminated array at offset 13"_s) << AppNames();
    QTest::newRow("scalar then garbage") << "\"a\" ]"_ba << QString() << invalid.arg(u"garbage at the end of the document at offset 5"_s) << AppNames();
    QTest::newRow("deep nesting refused, not followed") << QByteArray(100000, '[') + QByteArray(100000, ']') << QString() << invalid.arg(u"too deeply nested document at offset 1025"_s) << AppNames();
    early("102 pages", "[]" + QByteArray(", []").repeated(100), pages);
    early("31 items", "[], [null" + QByteArray(", \"a\"").repeated(30) + "]", crowded);
    early("16 folder pages", "[], [[\"F\"" + QByteArray(", [\"a\"]").repeated(16) + "]]", folder);
    early("10 apps in a flat folder", "[], [[\"F\"" + QByteArray(", \"a\"").repeated(10) + "]]", folder);
    early("10 apps on a folder page", "[], [[\"F\", [\"a\"" + QByteArray(", \"a\"").repeated(9) + "]]]", folder);
    early("16 springboard folder pages", R"([], [{"displayName":"F","iconLists":[)" + QByteArray("[\"a\"],").repeated(15) + "[\"a\"]]}]", folder);
    QTest::newRow("validation runs last") << R"([["a","b","c","d","e"],["f"]])"_ba << QString() << dock << AppNames();
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
    // The sample starts its first Home Screen page with a widget stack, never read as an app.
    QTest::newRow("springboard sample") << sample(u"pymobiledevice3-springboard-state.json"_s) << QString() << unsupportedAt(item1) << AppNames();
    QTest::newRow("second Dock icon") << R"([["a",null],["b"]])"_ba << QString() << unsupportedAt(u"Page 0, item 2"_s) << AppNames();
    QTest::newRow("first failure ends the parse") << R"([["a",null],"not a page"])"_ba << QString() << unsupportedAt(u"Page 0, item 2"_s) << AppNames();
    // clang-format on
}

void LayoutTest::parses()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, ecid);
    QFETCH(QString, message);
    QFETCH(AppNames, names);
    const bool reader = ecid == u"reader"_s;
    ParsedLayout parsed;
    QCOMPARE(failureOf([&] {
                 parsed = LayoutParser::parse(
                         data, ecid.isEmpty() || reader ? std::nullopt : std::optional(ecid),
                         reader ? LayoutParser::Source::Reader
                                : LayoutParser::Source::Configurator);
             }),
             message);
    if (message.isEmpty()) {
        QCOMPARE(parsed.layout, parse(u"p m | Social:i,f"_s));
        QCOMPARE(parsed.names, names);
    }
}

QTEST_GUILESS_MAIN(LayoutTest)
#include "layouttest.moc"
