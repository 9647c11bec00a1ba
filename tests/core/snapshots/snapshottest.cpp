#include "snapshot.h"
#include "jsoncodec.h"
#include "platformerror.h"
#include "varnoleterror.h"

#include <QJsonArray>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

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

Snapshot sampleSnapshot()
{
    Snapshot snapshot;
    snapshot.id = u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"_s;
    snapshot.date = QDateTime(QDate(2026, 12, 5), QTime(11, 45, 55), Qt::UTC);
    snapshot.device = Device(u"0x1A75D23A2B803A"_s, u"00008130-001A75D23A2B803A"_s,
                             u"Belle 贝拉小姐"_s, u"iPhone16,2"_s);
    snapshot.layout = Layout({{LayoutItem::app(u"com.apple.mobilephone"_s)},
                              {LayoutItem::folder(u"Social"_s, {{u"com.burbn.instagram"_s}}),
                               LayoutItem::app(u"https://example.com/a/b"_s)}});
    snapshot.fingerprint = snapshot.layout.fingerprint();
    snapshot.names = {{u"com.burbn.instagram"_s, u"Instagram"_s}};
    snapshot.reason = u"Initial read"_s;
    snapshot.reader = u"cfgutil"_s;
    return snapshot;
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

        QCOMPARE(record.keys(),
                 (QStringList{u"date"_s, u"device"_s, u"fingerprint"_s, u"id"_s, u"layout"_s,
                              u"names"_s, u"reader"_s, u"reason"_s, u"schemaVersion"_s}));
        QCOMPARE(record.value(u"date"_s).toString(), u"2026-12-05T11:45:55Z"_s);
        QCOMPARE(record.value(u"schemaVersion"_s).toDouble(), 1.0);
        QCOMPARE(record.value(u"device"_s).toObject(), snapshot.device.toJson());
        QCOMPARE(record.value(u"layout"_s).toObject(), snapshot.layout.toRecord());
        QCOMPARE(record.value(u"names"_s).toObject(),
                 (QJsonObject{{u"com.burbn.instagram"_s, u"Instagram"_s}}));

        // Sorted, pretty-printed text with plain slashes, as the store writes it.
        const QByteArray text = JsonCodec::encode(record);
        QVERIFY(text.contains("\n"));
        QVERIFY(text.contains("https://example.com/a/b"));
        QVERIFY(text.indexOf("\"date\"") < text.indexOf("\"schemaVersion\""));
        QCOMPARE(Snapshot::fromJson(JsonCodec::decode(text)), snapshot);
    }

    void formatDate_data()
    {
        QTest::addColumn<QDateTime>("date");
        QTest::addColumn<QString>("text");

        QTest::newRow("UTC") << QDateTime(QDate(2026, 12, 5), QTime(11, 45, 55), Qt::UTC)
                             << u"2026-12-05T11:45:55Z"_s;
        QTest::newRow("fraction dropped, not rounded")
                << QDateTime(QDate(2026, 12, 5), QTime(11, 45, 55, 999), Qt::UTC)
                << u"2026-12-05T11:45:55Z"_s;
        QTest::newRow("offset converted to UTC")
                << QDateTime(QDate(2026, 1, 1), QTime(0, 30, 0), QTimeZone(3600))
                << u"2025-12-31T23:30:00Z"_s;
    }

    void formatDate()
    {
        QFETCH(QDateTime, date);
        QFETCH(QString, text);
        QCOMPARE(Snapshot::formatDate(date), text);
    }

    void parseDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("date");

        QTest::newRow("Z") << u"2026-12-05T11:45:55Z"_s
                           << QDateTime(QDate(2026, 12, 5), QTime(11, 45, 55), Qt::UTC);
        QTest::newRow("offset") << u"2026-12-05T12:45:55+01:00"_s
                                << QDateTime(QDate(2026, 12, 5), QTime(11, 45, 55), Qt::UTC);
        QTest::newRow("fraction") << u"2026-12-05T11:45:55.250Z"_s << QDateTime();
        QTest::newRow("no zone") << u"2026-12-05T11:45:55"_s << QDateTime();
        QTest::newRow("date only") << u"2026-12-05"_s << QDateTime();
        QTest::newRow("impossible day") << u"2026-02-30T11:45:55Z"_s << QDateTime();
        QTest::newRow("trailing line break") << u"2026-12-05T11:45:55Z\n"_s << QDateTime();
    }

    void parseDate()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, date);
        const QDateTime parsed = Snapshot::parseDate(text);
        QCOMPARE(parsed.isValid(), date.isValid());
        if (date.isValid()) {
            QCOMPARE(parsed, date);
            QCOMPARE(parsed.timeSpec(), Qt::UTC);
        }
    }

    void fromJsonRefuses_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value"); // undefined: the key is removed
        QTest::addColumn<QString>("failure");

        const QString missing = u"PlatformError: No value associated with key \"%1\"."_s;
        const QStringList keys{u"date"_s,   u"device"_s, u"fingerprint"_s,
                               u"id"_s,     u"layout"_s, u"names"_s,
                               u"reader"_s, u"reason"_s, u"schemaVersion"_s};
        for (const QString &key : keys)
            QTest::addRow("%s missing", qPrintable(key))
                    << key << QJsonValue(QJsonValue::Undefined) << missing.arg(key);

        const QString mismatch
                = u"PlatformError: Expected to decode %1 for \"%2\" but found another value."_s;
        QTest::newRow("schemaVersion a string")
                << u"schemaVersion"_s << QJsonValue(u"1"_s)
                << mismatch.arg(u"an integer"_s, u"schemaVersion"_s);
        QTest::newRow("schemaVersion a fraction")
                << u"schemaVersion"_s << QJsonValue(1.5)
                << mismatch.arg(u"an integer"_s, u"schemaVersion"_s);
        QTest::newRow("id a number")
                << u"id"_s << QJsonValue(1) << mismatch.arg(u"a string"_s, u"id"_s);
        QTest::newRow("fingerprint null") << u"fingerprint"_s << QJsonValue(QJsonValue::Null)
                                          << mismatch.arg(u"a string"_s, u"fingerprint"_s);
        QTest::newRow("reason a bool")
                << u"reason"_s << QJsonValue(true) << mismatch.arg(u"a string"_s, u"reason"_s);
        QTest::newRow("reader an array") << u"reader"_s << QJsonValue(QJsonArray())
                                         << mismatch.arg(u"a string"_s, u"reader"_s);
        QTest::newRow("names an array") << u"names"_s << QJsonValue(QJsonArray())
                                        << mismatch.arg(u"a dictionary"_s, u"names"_s);
        QTest::newRow("a name a number") << u"names"_s << QJsonValue(QJsonObject{{u"com.a"_s, 1}})
                                         << mismatch.arg(u"a string"_s, u"names.com.a"_s);
        QTest::newRow("date a number")
                << u"date"_s << QJsonValue(0) << mismatch.arg(u"a string"_s, u"date"_s);
        QTest::newRow("date with a fraction")
                << u"date"_s << QJsonValue(u"2026-12-05T11:45:55.5Z"_s)
                << u"PlatformError: The snapshot date is not in ISO 8601 format."_s;
        QTest::newRow("device without udid")
                << u"device"_s
                << QJsonValue(QJsonObject{
                           {u"ecid"_s, u"1"_s}, {u"name"_s, u"n"_s}, {u"type"_s, u"t"_s}})
                << u"PlatformError: No value associated with key \"udid\"."_s;
        QTest::newRow("layout without pages")
                << u"layout"_s << QJsonValue(QJsonObject())
                << u"PlatformError: No value associated with key \"pages\"."_s;
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

    void fromJsonTakesOtherSchemaVersions()
    {
        // Deciding what a version means is the store's business; the record itself still reads.
        QJsonObject record = sampleSnapshot().toJson();
        record.insert(u"schemaVersion"_s, 2);
        QCOMPARE(Snapshot::fromJson(record).schemaVersion, 2);
    }
};

QTEST_GUILESS_MAIN(SnapshotTest)
#include "snapshottest.moc"
