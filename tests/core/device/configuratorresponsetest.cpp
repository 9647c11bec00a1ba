#include "configuratorresponse.h"
#include "devicetestsupport.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

/// The configurator's answers taken apart: errors, device lists (each device validated), app names.
class ConfiguratorResponseTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checkErrors_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("failure");
        for (const char *passes : {"", R"([{"Type":"Error"}])", R"({"Error":null})",
                                   R"({"Error":{}})", R"({"Type":"error"})"})
            QTest::addRow("passes: %s", passes) << QByteArray(passes) << QString();
        for (const char *name : {"cfgutil-error-stderr.txt", "cfgutil-get-installedApps.json"})
            QTest::addRow("passes: %s", name) << sample(QString::fromLatin1(name)) << QString();
        for (const char *error : {R"({"Type":"Error"})", R"({"Error":""})", R"({"Error":0})",
                                  R"({"Error":{"Code":1}})"})
            QTest::addRow("error: %s", error) << QByteArray(error) << reported(error);
        // Only the first 2,000 user-perceived characters are quoted; {"Error":" makes 10 of them.
        const QByteArray quote = "{\"Error\":\"", emoji = u"😀"_s.toUtf8();
        QTest::newRow("quote cut between emoji")
                << quote + emoji.repeated(2500) + "\"}" << reported(quote + emoji.repeated(1990));
    }
    void checkErrors()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, failure);
        QCOMPARE(failureOf([&] { ConfiguratorResponse::checkErrors(data); }), failure);
    }

    void devices_data()
    {
        QTest::addColumn<QByteArray>("data");
        // "ECID|UDID|name|type" of each device, or the failure
        QTest::addColumn<QString>("expected");
        // Refused: an ECID not in ASCII decimal or 0x-hex digits, a UDID empty or not plain ASCII.
        for (const char *bad : {R"("ECID":123,"UDID":"a")", R"("ECID":"0x","UDID":"a")",
                                R"("ECID":"1A75D2","UDID":"a")", R"("ECID":"123\n","UDID":"a")",
                                R"("ECID":"١٢٣","UDID":"a")", R"("ECID":"123","UDID":"")",
                                R"("ECID":"123","UDID":"abc\n")", R"("ECID":"123","UDID":"abcé")"})
            QTest::addRow("refused: %s", bad)
                    << "[{" + QByteArray(bad) + R"(,"DeviceType":"iPhone"}])" << invalidDevice;
        // clang-format off
        QTest::newRow("two-device sample") << sample(u"cfgutil-list-two-devices.json"_s) << u"0x1A75D23A2B803A|00008130-001A75D23A2B803A|Belle 贝拉小姐|iPhone16,2, 0xD250C1E40401C|00008150-000D250C1E40401C|Eden iPhone |iPhone18,1"_s;
        QTest::newRow("keyed entries: the key unless the entry names its ECID") << R"({"Output":{"123":{"UDID":"abc","DeviceType":"iPhone14,2","Name":"Kim"}, "5":{"ECID":"456","UDID":"d","deviceType":"iPhone14,2"}}})"_ba << u"123|abc|Kim|iPhone14,2, 456|d|iPhone|iPhone14,2"_s;
        QTest::newRow("one device at the root, DeviceType a number, deviceType in lower case") << R"({"ECID":"1","UDID":"a","DeviceType":7,"deviceType":"iphone12,1"})"_ba << u"1|a|iPhone|iphone12,1"_s;
        QTest::newRow("other devices skipped, even with bad ECIDs") << R"([{"ECID":"x","UDID":"a","DeviceType":"iPad13,1"}, {"ECID":"3","UDID":"c"}, {"ECID":"4","UDID":"d","DeviceType":"iPhone1,1","Name":"Only"}])"_ba << u"4|d|Only|iPhone1,1"_s;
        QTest::newRow("Name before name; a non-string Name counts as missing") << R"([{"ECID":"1","UDID":"a","DeviceType":"iPhone","Name":"Upper","name":"lower"}, {"ECID":"2","UDID":"b","DeviceType":"iPhone","Name":5,"name":"lower"}])"_ba << u"1|a|Upper|iPhone, 2|b|lower|iPhone"_s;
        // U+FF21 precedes U+1F600, although its UTF-16 unit is above the emoji's high surrogate.
        QTest::newRow("sorted by code point, not by locale or UTF-16 unit") << R"([{"ECID":"1","UDID":"a","DeviceType":"iPhone","Name":"😀"}, {"ECID":"2","UDID":"b","DeviceType":"iPhone","Name":"a"}, {"ECID":"3","UDID":"c","DeviceType":"iPhone","Name":"Ａ"}, {"ECID":"4","UDID":"d","DeviceType":"iPhone","Name":"B"}])"_ba << u"4|d|B|iPhone, 2|b|a|iPhone, 3|c|Ａ|iPhone, 1|a|😀|iPhone"_s;
        QTest::newRow("sorted after canonical composition, equal names kept in order") << "[{\"ECID\":\"1\",\"UDID\":\"a\",\"DeviceType\":\"iPhone\",\"Name\":\"e\xcc\x81\"}, {\"ECID\":\"2\",\"UDID\":\"b\",\"DeviceType\":\"iPhone\",\"Name\":\"f\"}, {\"ECID\":\"3\",\"UDID\":\"c\",\"DeviceType\":\"iPhone\",\"Name\":\"\xc3\xa9\"}]"_ba << u"2|b|f|iPhone, 1|a|e\u0301|iPhone, 3|c|\u00e9|iPhone"_s;
        QTest::newRow("decimal ECID") << R"([{"ECID":"7452981065129018","UDID":"a","DeviceType":"iPhone"}])"_ba << u"7452981065129018|a|iPhone|iPhone"_s;
        QTest::newRow("hex ECID, upper-case prefix") << R"([{"ECID":"0X1A75D23A2B803a","UDID":"a","DeviceType":"iPhone"}])"_ba << u"0X1A75D23A2B803a|a|iPhone|iPhone"_s;
        QTest::newRow("error envelope") << sample(u"cfgutil-error-device-locked.json"_s) << reported(sample(u"cfgutil-error-device-locked.json"_s));
        QTest::newRow("Output a string") << R"({"Output":"none"})"_ba << u"Configurator returned an unfamiliar device list."_s;
        QTest::newRow("array entry not an object") << R"({"Output":[{"ECID":"1","UDID":"a","DeviceType":"iPhone"},"x"]})"_ba << u"Malformed device entry."_s;
        QTest::newRow("one bad iPhone spoils a good one") << R"([{"ECID":"1","UDID":"a","DeviceType":"iPhone"}, {"ECID":"1","UDID":"a b","DeviceType":"iPhone"}])"_ba << invalidDevice;
        QTest::newRow("two values") << "1,2"_ba << u"The response is not valid JSON (it holds more than one value)."_s;
        QTest::newRow("not JSON") << "cfgutil: error: no devices found"_ba << u"The response is not valid JSON (illegal number at offset 0)."_s;
        // clang-format on
    }
    void devices()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, expected);
        QStringList found;
        const QString failure = failureOf([&] {
            for (const Device &device : ConfiguratorResponse::devices(data))
                found.append(
                        QStringList{device.ecid, device.udid, device.name, device.type}.join(u'|'));
        });
        QCOMPARE(failure.isEmpty() ? found.join(u", "_s) : failure, expected);
    }

    void deviceFromJson()
    {
        QCOMPARE(failureOf([] { Device::fromJson(QJsonArray()); }),
                 u"Expected to decode a device but found another value."_s);
        QJsonObject nameless = phone().toJson();
        nameless.remove(u"name"_s);
        QCOMPARE(failureOf([&] { Device::fromJson(nameless); }),
                 u"No value associated with key \"name\"."_s);
    }

    void appNames_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("ecid");
        QTest::addColumn<AppNames>("expected");
        const QByteArray twoPhones
                = R"({"Output":{"5":{"com.example.a":{"displayName":"A"}}, "6":{"com.example.a":{"displayName":"B"}}}})"_ba;
        const QString a = u"com.example.a"_s;
        // clang-format off
        QTest::newRow("apps sample") << sample(u"cfgutil-get-installedApps.json"_s) << ecid << AppNames{{u"com.apple.Pages"_s, u"Pages"_s}, {u"com.spotify.client"_s, u"Spotify"_s}, {u"net.whatsapp.WhatsApp"_s, u"WhatsApp"_s}, {u"com.google.Maps"_s, u"Google Maps"_s}, {u"com.burbn.instagram"_s, u"Instagram"_s}};
        QTest::newRow("the phone's part preferred") << twoPhones << u"5"_s << AppNames{{a, u"A"_s}};
        QTest::newRow("everything read for another phone") << twoPhones << u"7"_s << AppNames{{a, u"B"_s}};
        QTest::newRow("array of identifiers and names") << R"([{"bundleIdentifier":"com.example.a","name":"A"}, {"BundleIdentifier":"com.example.b","CFBundleName":"B"}])"_ba << u"1"_s << AppNames{{a, u"A"_s}, {u"com.example.b"_s, u"B"_s}};
        QTest::newRow("non-string first identifier key falls back to the member key") << R"({"k":{"bundleIdentifier":7,"CFBundleIdentifier":"com.example.a","displayName":"A"}})"_ba << u"1"_s << AppNames{{u"k"_s, u"A"_s}};
        QTest::newRow("non-string first name key records nothing") << R"([{"bundleIdentifier":"com.example.a","displayName":7,"name":"A"}])"_ba << u"1"_s << AppNames();
        QTest::newRow("deeper pair wins") << R"({"com.example.a":{"displayName":"Outer", "inner":{"bundleIdentifier":"com.example.a","displayName":"Inner"}}})"_ba << u"1"_s << AppNames{{a, u"Inner"_s}};
        QTest::newRow("not JSON") << "cfgutil: error"_ba << u"1"_s << AppNames();
        // clang-format on
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
