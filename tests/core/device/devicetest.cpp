#include "device.h"
#include "devicetestsupport.h"
#include "jsoncodec.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

class DeviceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void validate_data();
    void validate();
    void fromJsonRefuses_data();
    void fromJsonRefuses();
};

void DeviceTest::validate_data()
{
    QTest::addColumn<QString>("ecid");
    QTest::addColumn<QString>("udid");
    QTest::addColumn<bool>("valid");

    QTest::newRow("decimal ECID") << u"7452981065129018"_s << udid << true;
    QTest::newRow("hex ECID, upper-case prefix") << u"0X1A75D23A2B803a"_s << udid << true;
    QTest::newRow("prefix without digits") << u"0x"_s << udid << false;
    QTest::newRow("hex digits without prefix") << u"1A75D2"_s << udid << false;
    QTest::newRow("ECID with trailing line break") << u"123\n"_s << udid << false;
    QTest::newRow("ECID in Arabic-Indic digits") << u"١٢٣"_s << udid << false;
    QTest::newRow("empty UDID") << u"123"_s << QString() << false;
    QTest::newRow("UDID with trailing line break") << u"123"_s << u"abc\n"_s << false;
    QTest::newRow("UDID with a non-ASCII letter") << u"123"_s << u"abcé"_s << false;
}

void DeviceTest::validate()
{
    QFETCH(QString, ecid);
    QFETCH(QString, udid);
    QFETCH(bool, valid);
    const Device device(ecid, udid, u"Phone"_s, u"iPhone16,2"_s);
    QCOMPARE(failureOf([&] { device.validate(); }), valid ? QString() : invalidDevice);
}

void DeviceTest::fromJsonRefuses_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("failure");

    QTest::newRow("not an object")
            << R"(["1"])"_ba << u"Expected to decode a device but found another value."_s;
    QTest::newRow("name null")
            << R"({"ecid":"1","udid":"a","name":null,"type":"t"})"_ba
            << u"Expected to decode a string for \"name\" but found another value."_s;
}

void DeviceTest::fromJsonRefuses()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, failure);
    QCOMPARE(failureOf([&] { Device::fromJson(JsonCodec::decode(json)); }), failure);
}

QTEST_GUILESS_MAIN(DeviceTest)
#include "devicetest.moc"
