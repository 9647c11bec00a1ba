#include "device.h"

#include "jsonrecord.h"
#include "platformerror.h"
#include "varnoleterror.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

void Device::validate() const
{
    // Anchored on the whole string: a trailing line break must not slip through as with "$".
    static const QRegularExpression ecidPattern(
            QRegularExpression::anchoredPattern(u"0[xX][0-9a-fA-F]+|[0-9]+"_s));
    static const QRegularExpression udidPattern(
            QRegularExpression::anchoredPattern(u"[a-zA-Z0-9-]+"_s));
    if (!ecidPattern.match(ecid).hasMatch() || !udidPattern.match(udid).hasMatch())
        throw VarnoletError(
                u"The selected device has no valid ECID and UDID. Reconnect and refresh."_s);
}

QJsonObject Device::toJson() const
{
    return {{u"ecid"_s, ecid}, {u"udid"_s, udid}, {u"name"_s, name}, {u"type"_s, type}};
}

Device Device::fromJson(const QJsonValue &json)
{
    if (!json.isObject())
        throw PlatformError(u"Expected to decode a device but found another value."_s);
    const QJsonObject object = json.toObject();
    return Device(JsonRecord::requiredString(object, u"ecid"_s),
                  JsonRecord::requiredString(object, u"udid"_s),
                  JsonRecord::requiredString(object, u"name"_s),
                  JsonRecord::requiredString(object, u"type"_s));
}
