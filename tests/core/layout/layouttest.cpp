#include "layout.h"
#include "jsoncodec.h"
#include "layoutparser.h"
#include "platformerror.h"
#include "varnoleterror.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

LayoutItem app(const QString &identifier)
{
    return LayoutItem::app(identifier);
}

QStringList apps(const QString &prefix, int count)
{
    QStringList result;
    for (int i = 0; i < count; ++i)
        result.append(prefix + QString::number(i));
    return result;
}

LayoutPage appPage(const QString &prefix, int count)
{
    LayoutPage page;
    for (const QString &identifier : apps(prefix, count))
        page.append(app(identifier));
    return page;
}

// A Dock of Phone and Safari, then one page holding the folder Social and the App Store.
Layout sampleLayout()
{
    return Layout({{app(u"com.apple.mobilephone"_s), app(u"com.apple.mobilesafari"_s)},
                   {LayoutItem::folder(u"Social"_s,
                                       {{u"com.burbn.instagram"_s, u"com.facebook.Facebook"_s}}),
                    app(u"com.apple.AppStore"_s)}});
}

Layout withHomePages(int count)
{
    QList<LayoutPage> pages{{}};
    for (int i = 0; i < count; ++i)
        pages.append({app(u"app.%1"_s.arg(i))});
    return Layout(pages);
}

} // namespace

class LayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void emptyLayout()
    {
        const Layout empty;
        QCOMPARE(empty.pageCount(), 0);
        QVERIFY(empty.identifiers().isEmpty());
        QCOMPARE(empty.folderCount(), 0);
        QVERIFY(empty.inventory().isEmpty());
        QCOMPARE(JsonCodec::decode(empty.cfgutilData()), QJsonValue(QJsonArray()));
        QCOMPARE(empty.fingerprint(),
                 QString::fromLatin1(
                         QCryptographicHash::hash(empty.cfgutilData(), QCryptographicHash::Sha256)
                                 .toHex()));
        QCOMPARE(Layout(QList<LayoutPage>{LayoutPage()}).pageCount(), 0);
    }

    void countsAndInventory()
    {
        Layout layout = sampleLayout();
        layout.pages[1].append(LayoutItem::folder(u"Two"_s, {{u"a"_s}, {u"com.apple.AppStore"_s}}));
        QCOMPARE(layout.pageCount(), 1);
        QCOMPARE(layout.folderCount(), 2);
        QCOMPARE(layout.identifiers(),
                 (QStringList{u"com.apple.mobilephone"_s, u"com.apple.mobilesafari"_s,
                              u"com.burbn.instagram"_s, u"com.facebook.Facebook"_s,
                              u"com.apple.AppStore"_s, u"a"_s, u"com.apple.AppStore"_s}));
        QCOMPARE(layout.inventory().value(u"com.apple.AppStore"_s), 2);
        QCOMPARE(layout.inventory().value(u"a"_s), 1);
        QCOMPARE(layout.inventory().size(), 6);
    }

    void deviceFormOfItems_data()
    {
        QTest::addColumn<LayoutItem>("item");
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("app") << app(u"com.apple.mobilesafari"_s) << "\"com.apple.mobilesafari\""_ba;
        QTest::newRow("one-page folder is flat")
                << LayoutItem::folder(u"Social"_s, {{u"a"_s, u"b"_s}})
                << "[\"Social\",\"a\",\"b\"]"_ba;
        QTest::newRow("two-page folder is nested")
                << LayoutItem::folder(u"Social"_s, {{u"a"_s}, {u"b"_s}})
                << "[\"Social\",[\"a\"],[\"b\"]]"_ba;
        QTest::newRow("folder without pages")
                << LayoutItem::folder(u"Empty"_s, {}) << "[\"Empty\"]"_ba;
        QTest::newRow("folder with one empty page")
                << LayoutItem::folder(u"Empty"_s, {{}}) << "[\"Empty\"]"_ba;
        QTest::newRow("web clip keeps its slashes")
                << app(u"https://example.com/path"_s) << "\"https://example.com/path\""_ba;
    }
    void deviceFormOfItems()
    {
        QFETCH(LayoutItem, item);
        QFETCH(QByteArray, json);
        QCOMPARE(JsonCodec::decode(json), item.json());
        const Layout layout({{}, {item}});
        QVERIFY(!layout.cfgutilData().contains('\\'));
    }

    void deviceFormOfTheWorkedExample()
    {
        const QByteArray expected = R"([["com.apple.mobilephone","com.apple.mobilesafari"],
            [["Social","com.burbn.instagram","com.facebook.Facebook"],"com.apple.AppStore"]])";
        QCOMPARE(JsonCodec::decode(sampleLayout().cfgutilData()), JsonCodec::decode(expected));
    }

    void fingerprintFollowsTheDeviceForm_data()
    {
        QTest::addColumn<Layout>("changed");
        const Layout base = sampleLayout();

        Layout swapped = base;
        swapped.pages[0].swapItemsAt(0, 1);
        QTest::newRow("two apps swapped") << swapped;

        Layout renamed = base;
        renamed.pages[1][0] = LayoutItem::folder(u"Friends"_s, base.pages[1][0].folderPages());
        QTest::newRow("folder renamed") << renamed;

        Layout moved = base;
        moved.pages[1][0] = LayoutItem::folder(
                u"Social"_s, {{u"com.burbn.instagram"_s}, {u"com.facebook.Facebook"_s}});
        QTest::newRow("app moved to another folder page") << moved;

        Layout paged = base;
        paged.pages.append(LayoutPage());
        QTest::newRow("empty page added") << paged;
    }
    void fingerprintFollowsTheDeviceForm()
    {
        QFETCH(Layout, changed);
        const Layout base = sampleLayout();
        QCOMPARE(base.fingerprint().size(), 64);
        QCOMPARE(base.fingerprint(), sampleLayout().fingerprint());
        QVERIFY(changed.fingerprint() != base.fingerprint());
    }

    void deviceFormSurvivesParsing_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::newRow("worked example") << sampleLayout();
        QList<QStringList> fifteenPages;
        for (int i = 0; i < 15; ++i)
            fifteenPages.append(apps(u"p%1."_s.arg(i), 9));
        QTest::newRow("full folders in the Dock")
                << Layout({{LayoutItem::folder(u"A"_s, fifteenPages),
                            LayoutItem::folder(u"B"_s, {apps(u"b."_s, 9)})},
                           appPage(u"x."_s, 30)});
        QTest::newRow("web clip and unicode")
                << Layout({{app(u"https://example.com/a?b=c"_s)},
                           {app(u"com.example.café"_s), app(u"名前.アプリ"_s)}});
        QTest::newRow("folder name beginning with a byte-order mark")
                << Layout({{}, {LayoutItem::folder(u"\uFEFFWork"_s, {{u"a"_s}})}});
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
        const Layout layout = sampleLayout();
        const QJsonObject record = layout.toRecord();
        const QJsonObject folder = record[u"pages"_s][1][0][u"folder"_s].toObject();
        QCOMPARE(folder[u"_0"_s].toString(), u"Social"_s);
        QCOMPARE(folder[u"_1"_s].toArray().size(), 1); // nested even for one page
        QCOMPARE(record[u"pages"_s][0][0][u"app"_s][u"_0"_s].toString(),
                 u"com.apple.mobilephone"_s);
        QCOMPARE(Layout::fromRecord(JsonCodec::decode(JsonCodec::encode(record))), layout);
    }

    void recordFormRefusesMalformedItems_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("description");
        const QString keys = u"Invalid number of keys found, expected one."_s;
        QTest::newRow("both cases")
                << R"({"pages":[[{"app":{"_0":"a"},"folder":{"_0":"F","_1":[]}}]]})"_ba << keys;
        QTest::newRow("no case") << R"({"pages":[[{}]]})"_ba << keys;
        QTest::newRow("unknown case") << R"({"pages":[[{"widget":{"_0":"a"}}]]})"_ba << keys;
        QTest::newRow("missing _0")
                << R"({"pages":[[{"app":{}}]]})"_ba << u"No value associated with key \"_0\"."_s;
        QTest::newRow("missing _1") << R"({"pages":[[{"folder":{"_0":"F"}}]]})"_ba
                                    << u"No value associated with key \"_1\"."_s;
        QTest::newRow("missing pages")
                << R"({})"_ba << u"No value associated with key \"pages\"."_s;
    }
    void recordFormRefusesMalformedItems()
    {
        QFETCH(QByteArray, record);
        QFETCH(QString, description);
        try {
            Layout::fromRecord(JsonCodec::decode(record));
            QFAIL("decoded");
        } catch (const PlatformError &error) {
            QCOMPARE(error.description(), description);
        }
    }

    void validLayouts_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::newRow("empty Dock, one app") << Layout({{}, {app(u"a"_s)}});
        QTest::newRow("100 Home Screen pages") << withHomePages(100);
        QList<QStringList> fifteenPages;
        for (int i = 0; i < 15; ++i)
            fifteenPages.append(apps(u"f%1."_s.arg(i), 9));
        LayoutPage dock;
        for (int i = 0; i < 4; ++i)
            dock.append(LayoutItem::folder(u"F%1"_s.arg(i), {{u"d%1"_s.arg(i)}}));
        QTest::newRow("Dock of four folders") << Layout({dock, {app(u"a"_s)}});
        QTest::newRow("page of 30") << Layout({{}, appPage(u"a."_s, 30)});
        QTest::newRow("folder of 15 pages of 9")
                << Layout({{}, {LayoutItem::folder(u"Full"_s, fifteenPages)}});
        QTest::newRow("identifier of 4096 characters") << Layout({{}, {app(QString(4096, u'x'))}});
        QTest::newRow("4096 characters of two code points each")
                << Layout({{}, {app(u"e\u0301"_s.repeated(4096))}});
        QTest::newRow("identifier with a space") << Layout({{}, {app(u"my app"_s)}});
        QTest::newRow("web clip URL") << Layout({{}, {app(u"https://example.com/a:b"_s)}});
    }
    void validLayouts()
    {
        QFETCH(Layout, layout);
        layout.validate();
    }

    void invalidLayouts_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<QString>("message");
        const QString pages = u"Expected a Dock and at least one Home Screen page."_s;
        const QString dock = u"The iPhone Dock contains more than four items."_s;
        const QString empty = u"The layout is empty. Nothing will be applied."_s;
        const QString crowded
                = u"A page contains more than 30 items. This layout needs manual review."_s;
        const QString identifier = u"An app identifier is invalid."_s;
        auto folderMessage = [](const QString &name) {
            return u"Folder ‘%1’ is empty or exceeds supported iPhone folder limits."_s.arg(name);
        };

        QTest::newRow("no pages") << Layout() << pages;
        QTest::newRow("Dock only") << Layout({{app(u"a"_s)}}) << pages;
        QTest::newRow("101 Home Screen pages") << withHomePages(101) << pages;
        QTest::newRow("Dock of five apps") << Layout({appPage(u"d."_s, 5), {app(u"a"_s)}}) << dock;
        QTest::newRow("only empty pages") << Layout({{}, {}, {}}) << empty;
        QTest::newRow("only empty folders")
                << Layout({{}, {LayoutItem::folder(u"F"_s, {{}})}}) << empty;
        QTest::newRow("page of 31") << Layout({{}, appPage(u"a."_s, 31)}) << crowded;
        QTest::newRow("blank folder name keeps its spaces")
                << Layout({{}, {LayoutItem::folder(u"   "_s, {{u"a"_s}})}})
                << folderMessage(u"   "_s);
        QTest::newRow("folder name of line breaks")
                << Layout({{}, {LayoutItem::folder(u"\n\t"_s, {{u"a"_s}})}})
                << folderMessage(u"\n\t"_s);
        QTest::newRow("folder without pages")
                << Layout({{}, {app(u"a"_s), LayoutItem::folder(u"F"_s, {})}})
                << folderMessage(u"F"_s);
        QTest::newRow("folder with an empty page")
                << Layout({{}, {LayoutItem::folder(u"F"_s, {{u"a"_s}, {}})}})
                << folderMessage(u"F"_s);
        QTest::newRow("tenth app on a folder page")
                << Layout({{}, {LayoutItem::folder(u"F"_s, {apps(u"a."_s, 10)})}})
                << folderMessage(u"F"_s);
        QList<QStringList> sixteenPages;
        for (int i = 0; i < 16; ++i)
            sixteenPages.append({u"a%1"_s.arg(i)});
        QTest::newRow("folder name cut to 2,000 characters")
                << Layout({{}, {app(u"a"_s), LayoutItem::folder(QString(5000, u'n'), {})}})
                << folderMessage(QString(2000, u'n'));
        QTest::newRow("sixteenth folder page")
                << Layout({{}, {LayoutItem::folder(u"F"_s, sixteenPages)}})
                << folderMessage(u"F"_s);
        QTest::newRow("Dock folder checked before a later crowded page")
                << Layout({{LayoutItem::folder(u"Dock"_s, {})}, appPage(u"a."_s, 31)})
                << folderMessage(u"Dock"_s);
        QTest::newRow("crowded page checked before its folders")
                << Layout({{}, LayoutPage{LayoutItem::folder(u"F"_s, {})} + appPage(u"a."_s, 30)})
                << crowded;
        QList<QStringList> oneEmptyPage{{}};
        QTest::newRow("Dock checked before emptiness")
                << Layout({LayoutPage(5, LayoutItem::folder(u"F"_s, oneEmptyPage)), {}}) << dock;
        QTest::newRow("empty identifier") << Layout({{}, {app(QString())}}) << identifier;
        QTest::newRow("4097 characters") << Layout({{}, {app(QString(4097, u'x'))}}) << identifier;
        QTest::newRow("4097 characters of two code points")
                << Layout({{}, {app(u"e\u0301"_s.repeated(4097))}}) << identifier;
        for (const char16_t c :
             {u'\n', u'\v', u'\f', u'\r', u'\u0085', u'\u2028', u'\u2029', u'\0'})
            QTest::addRow("identifier with U+%04X", unsigned(c))
                    << Layout({{}, {app(u"com."_s + QChar(c) + u"app"_s)}}) << identifier;
        QTest::newRow("CR LF") << Layout({{}, {app(u"a\r\nb"_s)}}) << identifier;
        QTest::newRow("invalid identifier inside a folder")
                << Layout({{}, {LayoutItem::folder(u"F"_s, {{u"ok"_s, u"bad\n"_s}})}})
                << identifier;
    }
    void invalidLayouts()
    {
        QFETCH(Layout, layout);
        QFETCH(QString, message);
        try {
            layout.validate();
            QFAIL("validated");
        } catch (const VarnoletError &error) {
            QCOMPARE(error.message(), message);
        }
    }
};

QTEST_GUILESS_MAIN(LayoutTest)
#include "layouttest.moc"
