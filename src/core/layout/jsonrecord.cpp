#include "jsonrecord.h"

#include "platformerror.h"

using namespace Qt::StringLiterals;

QJsonValue JsonRecord::required(const QJsonObject &object, const QString &key)
{
    const auto found = object.constFind(key);
    if (found == object.constEnd())
        throw PlatformError(u"No value associated with key \"%1\"."_s.arg(key));
    return found.value();
}

QString JsonRecord::requiredString(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = required(object, key);
    if (!value.isString())
        mismatch(u"a string"_s, key);
    return value.toString();
}

void JsonRecord::mismatch(const QString &what, const QString &key)
{
    throw PlatformError(
            u"Expected to decode %1 for \"%2\" but found another value."_s.arg(what, key));
}

QJsonObject JsonRecord::fromNames(const AppNames &names)
{
    QJsonObject object;
    for (auto it = names.constBegin(); it != names.constEnd(); ++it)
        object.insert(it.key(), it.value());
    return object;
}
