#include "snapshot.h"
#include "jsoncodec.h"
#include "layouttestsupport.h"
#include "restorecheck.h"

#include <QJsonArray>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

Snapshot sampleSnapshot()
{
    const Layout layout({{LayoutItem::app(u"com.apple.mobilephone"_s)},
                         {LayoutItem::folder(u"Social"_s, {{u"com.burbn.instagram"_s}})}});
    return {1,
            u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"_s,
            QDateTime(QDate(2026, 12, 5), QTime(11, 45, 55), Qt::UTC),
            phone(),
            layout,
            layout.fingerprint(),
            {{u"com.burbn.instagram"_s, u"Instagram"_s}},
            u"Initial read"_s,
            u"cfgutil"_s};
}

} // namespace

class SnapshotTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordForm()
    {
        const Snapshot snapshot = sampleSnapshot();
        const QJsonObject record = snapshot.toJson();
        QCOMPARE(record.keys().join(u' '),
                 u"date device fingerprint id layout names reader reason schemaVersion"_s);
        QCOMPARE(record.value(u"date"_s), QJsonValue(u"2026-12-05T11:45:55Z"_s));
        QCOMPARE(record.value(u"names"_s),
                 QJsonValue(QJsonObject{{u"com.burbn.instagram"_s, u"Instagram"_s}}));
        // Dates are written in UTC with whole seconds, the fraction dropped rather than rounded.
        QCOMPARE(Snapshot::formatDate(
                         QDateTime(QDate(2026, 12, 5), QTime(12, 45, 55, 999), QTimeZone(3600))),
                 u"2026-12-05T11:45:55Z"_s);
        QCOMPARE(Snapshot::fromJson(JsonCodec::decode(JsonCodec::encode(record))), snapshot);
        QCOMPARE(failureOf([] { Snapshot::fromJson(QJsonArray()); }),
                 u"Expected to decode a snapshot record but found another value."_s);
        // Read with an offset, kept in UTC.
        const QDateTime offset = Snapshot::parseDate(u"2026-12-05T12:45:55+01:00"_s);
        QCOMPARE(offset, snapshot.date);
        QCOMPARE(offset.timeSpec(), Qt::UTC);
    }

    void fromJsonRefuses_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value"); // undefined: the key is removed
        QTest::addColumn<QString>("failure");
        for (const QString &key : sampleSnapshot().toJson().keys())
            QTest::addRow("%s missing", qPrintable(key))
                    << key << QJsonValue(QJsonValue::Undefined)
                    << u"No value associated with key \"%1\"."_s.arg(key);
        const QString mismatch = u"Expected to decode %1 for \"%2\" but found another value."_s;
        // clang-format off
        QTest::newRow("schemaVersion a fraction") << u"schemaVersion"_s << QJsonValue(1.5) << mismatch.arg(u"an integer"_s, u"schemaVersion"_s);
        QTest::newRow("id a number") << u"id"_s << QJsonValue(1) << mismatch.arg(u"a string"_s, u"id"_s);
        QTest::newRow("names an array") << u"names"_s << QJsonValue(QJsonArray()) << mismatch.arg(u"a dictionary"_s, u"names"_s);
        QTest::newRow("a name a number") << u"names"_s << QJsonValue(QJsonObject{{u"a"_s, 1}}) << mismatch.arg(u"a string"_s, u"names.a"_s);
        // Only whole seconds and a zone: other ISO forms are refused.
        for (const char *date : {"2026-12-05T11:45:55.5Z", "2026-12-05T11:45:55", "2026-12-05T11:45:55Z\n", "2026-02-30T11:45:55Z"})
            QTest::addRow("date %s", date) << u"date"_s << QJsonValue(QString::fromLatin1(date)) << u"The snapshot date is not in ISO 8601 format."_s;
        QTest::newRow("device without a UDID") << u"device"_s << QJsonValue(QJsonObject{{u"ecid"_s, u"1"_s}, {u"name"_s, u"n"_s}, {u"type"_s, u"t"_s}}) << u"No value associated with key \"udid\"."_s;
        // clang-format on
    }
    void fromJsonRefuses()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(QString, failure);
        QJsonObject record = sampleSnapshot().toJson();
        if (value.isUndefined())
            record.remove(key);
        else
            record.insert(key, value);
        QCOMPARE(failureOf([&] { Snapshot::fromJson(record); }), failure);
    }

    void restoreCheck_data()
    {
        QTest::addColumn<Device>("selected");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("failure");
        const QString other
                = u"This saved layout belongs to a different iPhone. Select Alex’s iPhone to restore it."_s;
        const QString changed
                = u"The app icons on this iPhone changed since the snapshot. Automatic restore is blocked to avoid adding or losing icons. You can inspect original-layout.json in the snapshot folder."_s;
        const Device renamed(ecid, udid, u"Work"_s, u"iPhone16,2"_s);
        // clang-format off
        QTest::newRow("same phone renamed, same apps in another order") << renamed << u"b a a"_s << QString();
        QTest::newRow("other ECID") << Device(u"0x2B"_s, udid, u"A"_s, u"B"_s) << u"a a b"_s << other;
        QTest::newRow("same ECID, other UDID") << Device(ecid, u"0008-2B"_s, u"A"_s, u"B"_s) << u"a a b"_s << other;
        QTest::newRow("an app added") << renamed << u"a a b c"_s << changed;
        QTest::newRow("a duplicate gone") << renamed << u"a b b"_s << changed;
        // clang-format on
    }
    void restoreCheck()
    {
        QFETCH(Device, selected);
        QFETCH(QString, current);
        QFETCH(QString, failure);
        Snapshot saved;
        saved.device = phone();
        saved.layout = parse(u"| a a b"_s);
        QCOMPARE(failureOf([&] {
                     RestoreCheck::verifyDevice(saved, selected);
                     RestoreCheck::verifyInventory(saved, parse(u"| "_s + current));
                 }),
                 failure);
    }
};

QTEST_GUILESS_MAIN(SnapshotTest)
#include "snapshottest.moc"
