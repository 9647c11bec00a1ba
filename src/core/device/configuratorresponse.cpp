#include "configuratorresponse.h"

#include "jsoncodec.h"
#include "usertext.h"
#include "varnoleterror.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

std::optional<QJsonValue> decoded(const QByteArray &data)
{
    try {
        return JsonCodec::decode(data);
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

std::optional<QString> stringValue(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

// A response is either the whole answer or wraps it under "Output".
QJsonValue payloadOf(const QJsonValue &root)
{
    const QJsonObject object = root.toObject();
    if (root.isObject() && object.contains(u"Output"_s))
        return object.value(u"Output"_s);
    return root;
}

QJsonArray deviceEntries(const QJsonValue &payload)
{
    if (payload.isArray())
        return payload.toArray();
    if (!payload.isObject())
        throw VarnoletError(u"Configurator returned an unfamiliar device list."_s);

    const QJsonObject object = payload.toObject();
    if (object.contains(u"ECID"_s))
        return {object};

    // Keyed by ECID: each entry carries its key as its ECID unless it names one itself.
    QJsonArray entries;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        QJsonObject entry = it->toObject();
        if (!entry.contains(u"ECID"_s))
            entry.insert(u"ECID"_s, it.key());
        entries.append(entry);
    }
    return entries;
}

std::optional<Device> deviceFrom(const QJsonValue &entryValue)
{
    if (!entryValue.isObject())
        throw VarnoletError(u"Malformed device entry."_s);
    const QJsonObject entry = entryValue.toObject();

    const QString type = stringValue(entry, u"DeviceType"_s)
                                 .value_or(stringValue(entry, u"deviceType"_s).value_or(QString()));
    if (!type.toLower().startsWith(u"iphone"_s))
        return std::nullopt;

    const Device device(stringValue(entry, u"ECID"_s).value_or(QString()),
                        stringValue(entry, u"UDID"_s).value_or(QString()),
                        stringValue(entry, u"Name"_s)
                                .value_or(stringValue(entry, u"name"_s).value_or(u"iPhone"_s)),
                        type);
    device.validate();
    return device;
}

// Code-point order of the canonical composition, independent of locale and of UTF-16 surrogates.
QList<uint> sortKey(const QString &name)
{
    return name.normalized(QString::NormalizationForm_C).toUcs4();
}

// Of the given keys only the first present one counts, even when its value is not a string.
std::optional<QJsonValue> firstPresent(const QJsonObject &object,
                                       std::initializer_list<QString> keys)
{
    for (const QString &key : keys) {
        const auto found = object.constFind(key);
        if (found != object.constEnd())
            return found.value();
    }
    return std::nullopt;
}

void collectNames(const QJsonValue &value, const std::optional<QString> &key, AppNames &names)
{
    if (value.isArray()) {
        for (const QJsonValue &element : value.toArray())
            collectNames(element, std::nullopt, names);
        return;
    }
    if (!value.isObject())
        return;

    const QJsonObject object = value.toObject();
    std::optional<QString> identifier = key;
    const auto identifierValue = firstPresent(
            object, {u"bundleIdentifier"_s, u"CFBundleIdentifier"_s, u"BundleIdentifier"_s});
    if (identifierValue && identifierValue->isString())
        identifier = identifierValue->toString();

    const auto nameValue = firstPresent(
            object, {u"displayName"_s, u"name"_s, u"CFBundleDisplayName"_s, u"CFBundleName"_s});
    if (identifier && nameValue && nameValue->isString())
        names.insert(*identifier, nameValue->toString());

    // Members after the object's own pair, so that a deeper pair wins for the same identifier.
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (it->isArray() || it->isObject())
            collectNames(it.value(), it.key(), names);
    }
}

} // namespace

void ConfiguratorResponse::checkErrors(const QByteArray &data)
{
    if (data.isEmpty())
        return;
    const std::optional<QJsonValue> root = decoded(data);
    if (!root || !root->isObject())
        return;

    const QJsonObject object = root->toObject();
    const QJsonValue type = object.value(u"Type"_s);
    const bool typeIsError = type.isString() && type.toString() == u"Error"_s;

    const auto error = object.constFind(u"Error"_s);
    const bool errorGiven = error != object.constEnd() && !error->isNull()
            && !(error->isObject() && error->toObject().isEmpty());

    if (typeIsError || errorGiven)
        throw VarnoletError(u"Configurator reported an error: "_s
                            + UserText::quoted(QString::fromUtf8(data)));
}

QList<Device> ConfiguratorResponse::devices(const QByteArray &data)
{
    checkErrors(data);
    const QJsonArray entries = deviceEntries(payloadOf(JsonCodec::decode(data)));

    QList<Device> devices;
    for (const QJsonValue &entry : entries) {
        if (const std::optional<Device> device = deviceFrom(entry))
            devices.append(*device);
    }
    std::stable_sort(devices.begin(), devices.end(), [](const Device &a, const Device &b) {
        return sortKey(a.name) < sortKey(b.name);
    });
    return devices;
}

AppNames ConfiguratorResponse::appNames(const QByteArray &data, const QString &ecid)
{
    const std::optional<QJsonValue> root = decoded(data);
    if (!root)
        return {};

    QJsonValue start = *root;
    const QJsonValue output = root->toObject().value(u"Output"_s);
    if (output.isObject() && output.toObject().contains(ecid))
        start = output.toObject().value(ecid);

    AppNames names;
    collectNames(start, std::nullopt, names);
    return names;
}
