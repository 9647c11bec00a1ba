#include "device.h"
#include "jsoncodec.h"
#include "platformerror.h"
#include "varnoleterror.h"

#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// "VarnoletError: …" or "PlatformError: …" for what `f` throws, empty when it throws nothing.
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

const QString invalidDevice
        = u"VarnoletError: The selected device has no valid ECID and UDID. Reconnect and refresh."_s;

} // namespace

class DeviceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void validate_data()
    {
        QTest::addColumn<QString>("ecid");
        QTest::addColumn<QString>("udid");
        QTest::addColumn<bool>("valid");

        const QString udid = u"00008130-001A75D23A2B803A"_s;
        QTest::newRow("decimal ECID") << u"7452981065129018"_s << udid << true;
        QTest::newRow("hex ECID, lower prefix") << u"0x1A75D23A2B803A"_s << udid << true;
        QTest::newRow("hex ECID, upper prefix") << u"0XFF"_s << udid << true;
        QTest::newRow("hex ECID, lower digits") << u"0xabcdef"_s << udid << true;
        QTest::newRow("40-character UDID")
                << u"1"_s << u"a1b2c3d4e5f6a1b2c3d4e5f6a1b2c3d4e5f6a1b2"_s << true;

        QTest::newRow("prefix without digits") << u"0x"_s << udid << false;
        QTest::newRow("empty ECID") << QString() << udid << false;
        QTest::newRow("hex digits without prefix") << u"1A75D2"_s << udid << false;
        QTest::newRow("non-hex after prefix") << u"0x12G4"_s << udid << false;
        QTest::newRow("ECID with trailing line break") << u"123\n"_s << udid << false;
        QTest::newRow("ECID with leading blank") << u" 123"_s << udid << false;
        QTest::newRow("ECID in Arabic-Indic digits") << u"١٢٣"_s << udid << false;
        QTest::newRow("ECID with shell text") << u"123;reboot"_s << udid << false;
        QTest::newRow("negative ECID") << u"-123"_s << udid << false;

        QTest::newRow("empty UDID") << u"123"_s << QString() << false;
        QTest::newRow("UDID with blank") << u"123"_s << u"00008130 001A75D23A2B803A"_s << false;
        QTest::newRow("UDID with path") << u"123"_s << u"../etc"_s << false;
        QTest::newRow("UDID with trailing line break") << u"123"_s << u"abc\n"_s << false;
        QTest::newRow("UDID with underscore") << u"123"_s << u"abc_def"_s << false;
        QTest::newRow("UDID with non-ASCII letter") << u"123"_s << u"abcé"_s << false;
    }

    void validate()
    {
        QFETCH(QString, ecid);
        QFETCH(QString, udid);
        QFETCH(bool, valid);

        const Device device(ecid, udid, u"Phone"_s, u"iPhone16,2"_s);
        QCOMPARE(failureOf([&] { device.validate(); }), valid ? QString() : invalidDevice);
    }

    void jsonRoundTrip()
    {
        const Device device(u"0x1A75D23A2B803A"_s, u"00008130-001A75D23A2B803A"_s,
                            u"Belle 贝拉小姐"_s, u"iPhone16,2"_s);
        const QJsonObject json = device.toJson();
        QCOMPARE(json.keys(), (QStringList{u"ecid"_s, u"name"_s, u"type"_s, u"udid"_s}));
        QCOMPARE(json.value(u"ecid"_s).toString(), device.ecid);
        QCOMPARE(json.value(u"udid"_s).toString(), device.udid);
        QCOMPARE(json.value(u"name"_s).toString(), device.name);
        QCOMPARE(json.value(u"type"_s).toString(), device.type);
        QCOMPARE(Device::fromJson(JsonCodec::decode(JsonCodec::encode(json))), device);
    }

    void fromJsonRefuses_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("failure");

        QTest::newRow("not an object")
                << "[\"1\"]"_ba
                << u"PlatformError: Expected to decode a device but found another value."_s;
        QTest::newRow("ecid missing") << R"({"udid":"a","name":"n","type":"t"})"_ba
                                      << u"PlatformError: No value associated with key \"ecid\"."_s;
        QTest::newRow("udid missing") << R"({"ecid":"1","name":"n","type":"t"})"_ba
                                      << u"PlatformError: No value associated with key \"udid\"."_s;
        QTest::newRow("name missing") << R"({"ecid":"1","udid":"a","type":"t"})"_ba
                                      << u"PlatformError: No value associated with key \"name\"."_s;
        QTest::newRow("type missing") << R"({"ecid":"1","udid":"a","name":"n"})"_ba
                                      << u"PlatformError: No value associated with key \"type\"."_s;
        QTest::newRow("ecid a number")
                << R"({"ecid":1,"udid":"a","name":"n","type":"t"})"_ba
                << u"PlatformError: Expected to decode a string for \"ecid\" but found another value."_s;
        QTest::newRow("name null")
                << R"({"ecid":"1","udid":"a","name":null,"type":"t"})"_ba
                << u"PlatformError: Expected to decode a string for \"name\" but found another value."_s;
    }

    void fromJsonRefuses()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, failure);
        QCOMPARE(failureOf([&] { Device::fromJson(JsonCodec::decode(json)); }), failure);
    }
};

QTEST_GUILESS_MAIN(DeviceTest)
#include "devicetest.moc"
