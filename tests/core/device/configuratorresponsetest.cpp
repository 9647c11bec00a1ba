#include "configuratorresponse.h"
#include "platformerror.h"
#include "usertext.h"
#include "varnoleterror.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Device)

namespace {

template<typename F>
QString failureOf(F &&f)
{
    try {
        f();
    } catch (const VarnoletError &error) {
        return u"VarnoletError: "_s + error.message();
    } catch (const PlatformError &error) {
        return u"PlatformError: "_s + error.description();
    }
    return {};
}

QByteArray sample(const QString &name)
{
    QFile file(QStringLiteral(VARNOLET_SAMPLES) + u'/' + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("Missing sample %s", qPrintable(name));
    return file.readAll();
}

Device iphone(const QString &ecid, const QString &udid, const QString &name,
              const QString &type = u"iPhone16,2"_s)
{
    return Device(ecid, udid, name, type);
}

const QString reported = u"VarnoletError: Configurator reported an error: "_s;
const QString invalidDevice
        = u"VarnoletError: The selected device has no valid ECID and UDID. Reconnect and refresh."_s;

} // namespace

class ConfiguratorResponseTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checkErrors_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("isError");

        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("plain-text failure") << sample(u"cfgutil-error-stderr.txt"_s) << false;
        QTest::newRow("array root") << R"([{"Type":"Error"}])"_ba << false;
        QTest::newRow("string root") << R"("Error")"_ba << false;
        QTest::newRow("Error null") << R"({"Error":null})"_ba << false;
        QTest::newRow("Error empty object") << R"({"Error":{}})"_ba << false;
        QTest::newRow("Type in lower case") << R"({"Type":"error"})"_ba << false;
        QTest::newRow("Type not a string") << R"({"Type":["Error"]})"_ba << false;
        QTest::newRow("list sample") << sample(u"cfgutil-list-two-devices.json"_s) << false;
        QTest::newRow("empty list sample") << sample(u"cfgutil-list-empty.json"_s) << false;
        QTest::newRow("layout sample") << sample(u"cfgutil-get-icon-layout.json"_s) << false;
        QTest::newRow("apps sample with empty Errors")
                << sample(u"cfgutil-get-installedApps.json"_s) << false;
        QTest::newRow("set-icon-layout success")
                << sample(u"cfgutil-set-icon-layout-success.json"_s) << false;

        QTest::newRow("device locked sample")
                << sample(u"cfgutil-error-device-locked.json"_s) << true;
        QTest::newRow("Type Error alone") << R"({"Type":"Error"})"_ba << true;
        QTest::newRow("Error empty string") << R"({"Error":""})"_ba << true;
        QTest::newRow("Error empty array") << R"({"Error":[]})"_ba << true;
        QTest::newRow("Error zero") << R"({"Error":0})"_ba << true;
        QTest::newRow("Error false") << R"({"Error":false})"_ba << true;
        QTest::newRow("Error non-empty object") << R"({"Error":{"Code":1}})"_ba << true;
    }

    void checkErrors()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, isError);
        // The message quotes the whole response, not the value of "Error".
        const QString expected = isError ? reported + QString::fromUtf8(data) : QString();
        QCOMPARE(failureOf([&] { ConfiguratorResponse::checkErrors(data); }), expected);
    }

    void checkErrorsQuotesFirst2000Characters_data()
    {
        QTest::addColumn<QString>("filler");

        QTest::newRow("ASCII") << u"x"_s;
        QTest::newRow("emoji astride the cut") << u"😀"_s;
        QTest::newRow("combining sequence astride the cut") << u"e\u0301"_s;
    }

    void checkErrorsQuotesFirst2000Characters()
    {
        QFETCH(QString, filler);
        // The prefix {"Error":" is 10 characters; the filler then crosses the 2,000th.
        const QString response = u"{\"Error\":\""_s + filler.repeated(2500) + u"\"}"_s;
        const QString failure
                = failureOf([&] { ConfiguratorResponse::checkErrors(response.toUtf8()); });
        QVERIFY(failure.startsWith(reported));
        const QString quoted = failure.mid(reported.size());
        QCOMPARE(UserText::length(quoted), 2000);
        QVERIFY(response.startsWith(quoted));
    }

    void devices_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<Device>>("expected");

        QTest::newRow("two-device sample")
                << sample(u"cfgutil-list-two-devices.json"_s)
                << QList<Device>{iphone(u"0x1A75D23A2B803A"_s, u"00008130-001A75D23A2B803A"_s,
                                        u"Belle 贝拉小姐"_s, u"iPhone16,2"_s),
                                 iphone(u"0xD250C1E40401C"_s, u"00008150-000D250C1E40401C"_s,
                                        u"Eden iPhone "_s, u"iPhone18,1"_s)};
        QTest::newRow("empty sample") << sample(u"cfgutil-list-empty.json"_s) << QList<Device>();
        QTest::newRow("empty root object") << "{}"_ba << QList<Device>();
        QTest::newRow("empty Output array") << R"({"Output":[]})"_ba << QList<Device>();
        QTest::newRow("single device at the root, no name")
                << R"({"ECID":"0x1A2B","UDID":"0000-ABCD-ef12","DeviceType":"iPhone15,3"})"_ba
                << QList<Device>{
                           iphone(u"0x1A2B"_s, u"0000-ABCD-ef12"_s, u"iPhone"_s, u"iPhone15,3"_s)};
        QTest::newRow("keyed entry without ECID takes its key")
                << R"({"Output":{"123":{"UDID":"abc","DeviceType":"iPhone14,2","Name":"Kim"}}})"_ba
                << QList<Device>{iphone(u"123"_s, u"abc"_s, u"Kim"_s, u"iPhone14,2"_s)};
        QTest::newRow("keyed entry with its own ECID keeps it")
                << R"({"Output":{"123":{"ECID":"456","UDID":"abc","deviceType":"iPhone14,2"}}})"_ba
                << QList<Device>{iphone(u"456"_s, u"abc"_s, u"iPhone"_s, u"iPhone14,2"_s)};
        QTest::newRow("DeviceType a number, deviceType lower-case iphone")
                << R"([{"ECID":"1","UDID":"a","DeviceType":7,"deviceType":"iphone12,1","name":"x"}])"_ba
                << QList<Device>{iphone(u"1"_s, u"a"_s, u"x"_s, u"iphone12,1"_s)};
        QTest::newRow("type case kept")
                << R"([{"ECID":"1","UDID":"a","DeviceType":"IPHONE12,1"}])"_ba
                << QList<Device>{iphone(u"1"_s, u"a"_s, u"iPhone"_s, u"IPHONE12,1"_s)};
        QTest::newRow("iPad, watch and untyped entries skipped, even with bad ECIDs")
                << R"([{"ECID":"x","UDID":"a","DeviceType":"iPad13,1"},
                      {"ECID":"2","UDID":"b","deviceType":"Watch6,1"},
                      {"ECID":"3","UDID":"c"},
                      {"ECID":"4","UDID":"d","DeviceType":"iPhone1,1","Name":"Only"}])"_ba
                << QList<Device>{iphone(u"4"_s, u"d"_s, u"Only"_s, u"iPhone1,1"_s)};
        QTest::newRow("Name before name; a non-string Name counts as missing")
                << R"([{"ECID":"1","UDID":"a","DeviceType":"iPhone","Name":"Upper","name":"lower"},
                      {"ECID":"2","UDID":"b","DeviceType":"iPhone","Name":5,"name":"lower"}])"_ba
                << QList<Device>{iphone(u"1"_s, u"a"_s, u"Upper"_s, u"iPhone"_s),
                                 iphone(u"2"_s, u"b"_s, u"lower"_s, u"iPhone"_s)};
        QTest::newRow("sorted ordinally: A, B, then a")
                << R"([{"ECID":"1","UDID":"a","DeviceType":"iPhone","Name":"B"},
                      {"ECID":"2","UDID":"b","DeviceType":"iPhone","Name":"a"},
                      {"ECID":"3","UDID":"c","DeviceType":"iPhone","Name":"A"}])"_ba
                << QList<Device>{iphone(u"3"_s, u"c"_s, u"A"_s, u"iPhone"_s),
                                 iphone(u"1"_s, u"a"_s, u"B"_s, u"iPhone"_s),
                                 iphone(u"2"_s, u"b"_s, u"a"_s, u"iPhone"_s)};
        QTest::newRow("equal names keep their order")
                << R"([{"ECID":"9","UDID":"a","DeviceType":"iPhone","Name":"Same"},
                      {"ECID":"1","UDID":"b","DeviceType":"iPhone","Name":"Same"}])"_ba
                << QList<Device>{iphone(u"9"_s, u"a"_s, u"Same"_s, u"iPhone"_s),
                                 iphone(u"1"_s, u"b"_s, u"Same"_s, u"iPhone"_s)};
        // U+FF21 precedes U+1F600, although its UTF-16 unit is above the emoji's high surrogate.
        QTest::newRow("sorted by code point, not by UTF-16 unit")
                << R"([{"ECID":"1","UDID":"a","DeviceType":"iPhone","Name":"😀"},
                      {"ECID":"2","UDID":"b","DeviceType":"iPhone","Name":"Ａ"}])"_ba
                << QList<Device>{iphone(u"2"_s, u"b"_s, u"Ａ"_s, u"iPhone"_s),
                                 iphone(u"1"_s, u"a"_s, u"😀"_s, u"iPhone"_s)};
        QTest::newRow("sorted after canonical composition")
                << "[{\"ECID\":\"1\",\"UDID\":\"a\",\"DeviceType\":\"iPhone\",\"Name\":"
                   "\"e\xcc\x81\"},"
                   "{\"ECID\":\"2\",\"UDID\":\"b\",\"DeviceType\":\"iPhone\",\"Name\":\"f\"}]"_ba
                << QList<Device>{iphone(u"2"_s, u"b"_s, u"f"_s, u"iPhone"_s),
                                 iphone(u"1"_s, u"a"_s, u"e\u0301"_s, u"iPhone"_s)};
    }

    void devices()
    {
        QFETCH(QByteArray, data);
        QFETCH(QList<Device>, expected);
        QCOMPARE(ConfiguratorResponse::devices(data), expected);
    }

    void devicesRefuses_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("failure");

        const QByteArray locked = sample(u"cfgutil-error-device-locked.json"_s);
        QTest::newRow("error envelope") << locked << reported + QString::fromUtf8(locked);
        QTest::newRow("Output a string")
                << R"({"Output":"none"})"_ba
                << u"VarnoletError: Configurator returned an unfamiliar device list."_s;
        QTest::newRow("number root")
                << "5"_ba << u"VarnoletError: Configurator returned an unfamiliar device list."_s;
        QTest::newRow("null Output")
                << R"({"Output":null})"_ba
                << u"VarnoletError: Configurator returned an unfamiliar device list."_s;
        QTest::newRow("array entry not an object")
                << R"({"Output":[{"ECID":"1","UDID":"a","DeviceType":"iPhone"},"x"]})"_ba
                << u"VarnoletError: Malformed device entry."_s;
        QTest::newRow("iPhone with a numeric ECID")
                << R"([{"ECID":123,"UDID":"a","DeviceType":"iPhone"}])"_ba << invalidDevice;
        QTest::newRow("iPhone without UDID")
                << R"([{"ECID":"123","DeviceType":"iPhone"}])"_ba << invalidDevice;
        QTest::newRow("one bad iPhone spoils a good one")
                << R"([{"ECID":"1","UDID":"a","DeviceType":"iPhone"},
                      {"ECID":"1","UDID":"a b","DeviceType":"iPhone"}])"_ba
                << invalidDevice;
        QTest::newRow("keyed by a non-ECID")
                << R"({"Output":{"phone":{"UDID":"a","DeviceType":"iPhone"}}})"_ba << invalidDevice;
        QTest::newRow("not JSON")
                << "cfgutil: error: no devices found"_ba
                << u"PlatformError: The response is not valid JSON (illegal number at offset 0)."_s;
    }

    void devicesRefuses()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, failure);
        QCOMPARE(failureOf([&] { ConfiguratorResponse::devices(data); }), failure);
    }

    void appNames_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("ecid");
        QTest::addColumn<AppNames>("expected");

        const AppNames sampleNames{{u"com.apple.Pages"_s, u"Pages"_s},
                                   {u"com.spotify.client"_s, u"Spotify"_s},
                                   {u"net.whatsapp.WhatsApp"_s, u"WhatsApp"_s},
                                   {u"com.google.Maps"_s, u"Google Maps"_s},
                                   {u"com.burbn.instagram"_s, u"Instagram"_s}};
        const QByteArray apps = sample(u"cfgutil-get-installedApps.json"_s);
        QTest::newRow("apps sample, its ECID") << apps << u"0x1C2D3E4F50601E"_s << sampleNames;
        QTest::newRow("apps sample, another ECID") << apps << u"0x99"_s << sampleNames;

        const AppNames single{{u"com.example.a"_s, u"A"_s}};
        QTest::newRow("keyed by ECID 5, asked for 5")
                << R"({"Output":{"5":{"com.example.a":{"displayName":"A"}}}})"_ba << u"5"_s
                << single;
        QTest::newRow("keyed by ECID 6, asked for 5")
                << R"({"Output":{"6":{"com.example.a":{"displayName":"A"}}}})"_ba << u"5"_s
                << single;
        QTest::newRow("array of identifier and name")
                << R"([{"bundleIdentifier":"com.example.a","name":"A"},
                      {"BundleIdentifier":"com.example.b","CFBundleName":"B"}])"_ba
                << u"1"_s << AppNames{{u"com.example.a"_s, u"A"_s}, {u"com.example.b"_s, u"B"_s}};
        QTest::newRow("keyed by identifier with CFBundleDisplayName")
                << R"({"com.example.a":{"CFBundleDisplayName":"A"},"com.example.b":{"name":"B"}})"_ba
                << u"1"_s << AppNames{{u"com.example.a"_s, u"A"_s}, {u"com.example.b"_s, u"B"_s}};
        QTest::newRow("non-string first identifier key falls back to the member key")
                << R"({"k":{"bundleIdentifier":7,"CFBundleIdentifier":"com.example.a","displayName":"A"}})"_ba
                << u"1"_s << AppNames{{u"k"_s, u"A"_s}};
        QTest::newRow("non-string first name key records nothing")
                << R"([{"bundleIdentifier":"com.example.a","displayName":7,"name":"A"}])"_ba
                << u"1"_s << AppNames();
        QTest::newRow("identifier without any key records nothing")
                << R"([{"displayName":"A"}])"_ba << u"1"_s << AppNames();
        QTest::newRow("deeper pair wins") << R"({"com.example.a":{"displayName":"Outer",
                       "inner":{"bundleIdentifier":"com.example.a","displayName":"Inner"}}})"_ba
                                          << u"1"_s << AppNames{{u"com.example.a"_s, u"Inner"_s}};
        QTest::newRow("empty") << QByteArray() << u"1"_s << AppNames();
        QTest::newRow("not JSON") << "cfgutil: error"_ba << u"1"_s << AppNames();
        QTest::newRow("scalar root") << R"("com.example.a")"_ba << u"1"_s << AppNames();
    }

    void appNames()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, ecid);
        QFETCH(AppNames, expected);
        QCOMPARE(ConfiguratorResponse::appNames(data, ecid), expected);
    }
};

QTEST_GUILESS_MAIN(ConfiguratorResponseTest)
#include "configuratorresponsetest.moc"
