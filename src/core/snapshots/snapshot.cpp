#include "snapshot.h"

#include "jsonrecord.h"
#include "platformerror.h"

#include <QRegularExpression>

#include <climits>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

int requiredInteger(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = JsonRecord::required(object, key);
    const double number = value.toDouble();
    if (!value.isDouble() || std::trunc(number) != number || number < INT_MIN || number > INT_MAX)
        JsonRecord::mismatch(u"an integer"_s, key);
    return int(number);
}

AppNames requiredNames(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = JsonRecord::required(object, key);
    if (!value.isObject())
        JsonRecord::mismatch(u"a dictionary"_s, key);
    AppNames names;
    const QJsonObject entries = value.toObject();
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        if (!it->isString())
            JsonRecord::mismatch(u"a string"_s, key + u'.' + it.key());
        names.insert(it.key(), it->toString());
    }
    return names;
}

} // namespace

QJsonObject Snapshot::toJson() const
{
    return {
            {u"date"_s, formatDate(date)},
            {u"device"_s, device.toJson()},
            {u"fingerprint"_s, fingerprint},
            {u"id"_s, id},
            {u"layout"_s, layout.toRecord()},
            {u"names"_s, JsonRecord::fromNames(names)},
            {u"reader"_s, reader},
            {u"reason"_s, reason},
            {u"schemaVersion"_s, schemaVersion},
    };
}

Snapshot Snapshot::fromJson(const QJsonValue &json)
{
    if (!json.isObject())
        throw PlatformError(u"Expected to decode a snapshot record but found another value."_s);
    const QJsonObject object = json.toObject();

    Snapshot snapshot;
    snapshot.schemaVersion = requiredInteger(object, u"schemaVersion"_s);
    snapshot.id = JsonRecord::requiredString(object, u"id"_s);
    snapshot.date = parseDate(JsonRecord::requiredString(object, u"date"_s));
    if (!snapshot.date.isValid())
        throw PlatformError(u"The snapshot date is not in ISO 8601 format."_s);
    snapshot.device = Device::fromJson(JsonRecord::required(object, u"device"_s));
    snapshot.layout = Layout::fromRecord(JsonRecord::required(object, u"layout"_s));
    snapshot.fingerprint = JsonRecord::requiredString(object, u"fingerprint"_s);
    snapshot.names = requiredNames(object, u"names"_s);
    snapshot.reason = JsonRecord::requiredString(object, u"reason"_s);
    snapshot.reader = JsonRecord::requiredString(object, u"reader"_s);
    return snapshot;
}

QString Snapshot::formatDate(const QDateTime &date)
{
    QDateTime utc = date.toUTC();
    utc.setTime(QTime(utc.time().hour(), utc.time().minute(), utc.time().second()));
    return utc.toString(Qt::ISODate);
}

QDateTime Snapshot::parseDate(const QString &text)
{
    // Qt's ISO reader also takes fractions, missing zones and other shapes; admit only these.
    static const QRegularExpression internetDateTime(QRegularExpression::anchoredPattern(
            u"[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}(Z|[+-][0-9]{2}:[0-9]{2})"_s));
    if (!internetDateTime.match(text).hasMatch())
        return {};
    const QDateTime date = QDateTime::fromString(text, Qt::ISODate);
    return date.isValid() ? date.toUTC() : QDateTime();
}
