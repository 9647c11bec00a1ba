#include "layout.h"
#include "jsoncodec.h"
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

} // namespace

class LayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countsAndFingerprint()
    {
        const Layout layout = parse(example + u" Two:x/a"_s);
        QCOMPARE(layout.pageCount(), 1);
        QCOMPARE(layout.folderCount(), 2);
        QCOMPARE(layout.identifiers(), u"p s i f a x a"_s.split(u' '));
        QCOMPARE(layout.inventory(),
                 (QHash<QString, int>{{u"p"_s, 1},
                                      {u"s"_s, 1},
                                      {u"i"_s, 1},
                                      {u"f"_s, 1},
                                      {u"a"_s, 2},
                                      {u"x"_s, 1}}));
        QCOMPARE(Layout().pageCount(), 0);
        QCOMPARE(parse(QString()).pageCount(), 0);
        QCOMPARE(layout.fingerprint(),
                 QString::fromLatin1(
                         QCryptographicHash::hash(layout.cfgutilData(), QCryptographicHash::Sha256)
                                 .toHex()));
        QCOMPARE(JsonCodec::decode(parse(example).cfgutilData()),
                 JsonCodec::decode(R"([["p","s"],[["Social","i","f"],"a"]])"));
        QCOMPARE(JsonCodec::decode(Layout().cfgutilData()), QJsonValue(QJsonArray()));
        // Encoded with sorted keys and plain slashes, the same every time.
        const QByteArray text
                = JsonCodec::encode(QJsonObject{{u"z"_s, u"https://example.com/a"_s}, {u"a"_s, 1}});
        QVERIFY(text.contains("https://example.com/a")
                && text.indexOf("\"a\"") < text.indexOf("\"z\""));
        QCOMPARE(JsonCodec::encode(JsonCodec::decode(text)), text);
    }

    void deviceFormOfItems_data()
    {
        QTest::addColumn<LayoutItem>("item");
        QTest::addColumn<QByteArray>("json");
        // clang-format off
        QTest::newRow("app") << LayoutItem::app(u"com.apple.mobilesafari"_s) << "\"com.apple.mobilesafari\""_ba;
        QTest::newRow("one-page folder is flat") << LayoutItem::folder(u"Social"_s, {{u"a"_s, u"b"_s}}) << "[\"Social\",\"a\",\"b\"]"_ba;
        QTest::newRow("two-page folder is nested") << LayoutItem::folder(u"Social"_s, {{u"a"_s}, {u"b"_s}}) << "[\"Social\",[\"a\"],[\"b\"]]"_ba;
        QTest::newRow("folder without pages") << LayoutItem::folder(u"Empty"_s, {}) << "[\"Empty\"]"_ba;
        QTest::newRow("folder with one empty page") << LayoutItem::folder(u"Empty"_s, {{}}) << "[\"Empty\"]"_ba;
        QTest::newRow("web clip keeps its slashes") << LayoutItem::app(u"https://example.com/path"_s) << "\"https://example.com/path\""_ba;
        // clang-format on
    }
    void deviceFormOfItems()
    {
        QFETCH(LayoutItem, item);
        QFETCH(QByteArray, json);
        QCOMPARE(JsonCodec::decode(json), item.json());
        QVERIFY(!Layout({{}, {item}}).cfgutilData().contains('\\'));
    }

    void fingerprintFollowsTheDeviceForm_data()
    {
        QTest::addColumn<QString>("changed");
        QTest::newRow("two apps swapped") << u"s p | Social:i,f a"_s;
        QTest::newRow("folder renamed") << u"p s | Friends:i,f a"_s;
        QTest::newRow("app moved to another folder page") << u"p s | Social:i/f a"_s;
        QTest::newRow("empty page added") << example + u" |"_s;
    }
    void fingerprintFollowsTheDeviceForm()
    {
        QFETCH(QString, changed);
        QCOMPARE(parse(example).fingerprint(), parse(example).fingerprint());
        QVERIFY(parse(changed).fingerprint() != parse(example).fingerprint());
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
};

QTEST_GUILESS_MAIN(LayoutTest)
#include "layouttest.moc"
