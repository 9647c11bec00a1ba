#include "snapshot.h"

#include "platformerror.h"

#include <QRegularExpression>

#include <climits>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QJsonValue required(const QJsonObject &object, const QString &key)
{
    const auto found = object.constFind(key);
    if (found == object.constEnd())
        throw PlatformError(u"No value associated with key \"%1\"."_s.arg(key));
    return found.value();
}

[[noreturn]] void throwMismatch(const QString &what, const QString &key)
{
    throw PlatformError(
            u"Expected to decode %1 for \"%2\" but found another value."_s.arg(what, key));
}

QString requiredString(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = required(object, key);
    if (!value.isString())
        throwMismatch(u"a string"_s, key);
    return value.toString();
}

int requiredInteger(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = required(object, key);
    const double number = value.toDouble();
    if (!value.isDouble() || std::trunc(number) != number || number < INT_MIN || number > INT_MAX)
        throwMismatch(u"an integer"_s, key);
    return int(number);
}

AppNames requiredNames(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = required(object, key);
    if (!value.isObject())
        throwMismatch(u"a dictionary"_s, key);
    AppNames names;
    const QJsonObject entries = value.toObject();
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        if (!it->isString())
            throwMismatch(u"a string"_s, key + u'.' + it.key());
        names.insert(it.key(), it->toString());
    }
    return names;
}

QJsonObject namesObject(const AppNames &names)
{
    QJsonObject object;
    for (auto it = names.constBegin(); it != names.constEnd(); ++it)
        object.insert(it.key(), it.value());
    return object;
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
            {u"names"_s, namesObject(names)},
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
    snapshot.id = requiredString(object, u"id"_s);
    snapshot.date = parseDate(requiredString(object, u"date"_s));
    if (!snapshot.date.isValid())
        throw PlatformError(u"The snapshot date is not in ISO 8601 format."_s);
    snapshot.device = Device::fromJson(required(object, u"device"_s));
    snapshot.layout = Layout::fromRecord(required(object, u"layout"_s));
    snapshot.fingerprint = requiredString(object, u"fingerprint"_s);
    snapshot.names = requiredNames(object, u"names"_s);
    snapshot.reason = requiredString(object, u"reason"_s);
    snapshot.reader = requiredString(object, u"reader"_s);
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
