#pragma once

#include <QByteArray>
#include <QJsonValue>

/// Reads and writes single JSON values, scalars at the top level included, with Qt's JSON classes.
class JsonCodec
{
public:
    JsonCodec() = delete;

    /// Decodes one JSON value of any type; throws PlatformError with the decoder's description.
    static QJsonValue decode(const QByteArray &data);

    /// Pretty-printed text with sorted keys and plain slashes; the same value always gives the same
    /// bytes, because layout fingerprints hash them.
    static QByteArray encode(const QJsonValue &value);
};
