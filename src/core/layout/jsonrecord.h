#pragma once

#include "parsedlayout.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

/// Reads and writes the keyed records the system saves, with one wording for every decoding
/// failure (a PlatformError naming the key).
class JsonRecord
{
public:
    JsonRecord() = delete;

    /// The value under `key`; throws when the key is missing.
    static QJsonValue required(const QJsonObject &object, const QString &key);
    /// The string under `key`; throws when the key is missing or holds another type.
    static QString requiredString(const QJsonObject &object, const QString &key);
    /// Throws the type-mismatch failure: `what` was expected under `key`.
    [[noreturn]] static void mismatch(const QString &what, const QString &key);

    /// Display names as a JSON object of bundle identifier → name.
    static QJsonObject fromNames(const AppNames &names);
};
