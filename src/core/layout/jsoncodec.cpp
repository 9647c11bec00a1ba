#include "jsoncodec.h"

#include "platformerror.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void throwParseError(const QJsonParseError &error, qsizetype offsetShift)
{
    const qsizetype offset = qMax<qsizetype>(0, error.offset - offsetShift);
    throw PlatformError(
            u"The response is not valid JSON (%1 at offset %2)."_s.arg(error.errorString())
                    .arg(offset));
}

bool startsWithContainer(const QByteArray &data)
{
    for (const char c : data) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            continue;
        return c == '[' || c == '{';
    }
    return false;
}

// Qt's reader drops a byte-order mark that starts a string, so a folder named "\uFEFFWork" would
// come back as "Work"; written as an escape, the character is kept.
QByteArray escapeByteOrderMarks(const QByteArray &data)
{
    static constexpr QByteArrayView mark("\xEF\xBB\xBF");
    if (!data.contains(mark))
        return data;
    QByteArray escaped;
    escaped.reserve(data.size() + 64);
    bool inString = false;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data.at(i);
        if (inString && c == '\\' && i + 1 < data.size()) {
            escaped.append(c).append(data.at(++i));
            continue;
        }
        if (c == '"')
            inString = !inString;
        if (inString && QByteArrayView(data).sliced(i).startsWith(mark)) {
            escaped.append("\\ufeff");
            i += mark.size() - 1;
            continue;
        }
        escaped.append(c);
    }
    return escaped;
}

} // namespace

QJsonValue JsonCodec::decode(const QByteArray &raw)
{
    const QByteArray data = escapeByteOrderMarks(raw);
    QJsonParseError error;
    if (startsWithContainer(data)) {
        const QJsonDocument document = QJsonDocument::fromJson(data, &error);
        if (error.error != QJsonParseError::NoError)
            throwParseError(error, 0);
        if (document.isArray())
            return document.array();
        return document.object();
    }

    // QJsonDocument only holds an array or an object: read a scalar as the one element of an
    // array, and refuse anything that is not exactly one value.
    const QJsonDocument wrapped = QJsonDocument::fromJson('[' + data + ']', &error);
    if (error.error != QJsonParseError::NoError)
        throwParseError(error, 1);
    const QJsonArray values = wrapped.array();
    if (values.isEmpty())
        throw PlatformError(u"The response is not valid JSON (it is empty)."_s);
    if (values.size() != 1)
        throw PlatformError(u"The response is not valid JSON (it holds more than one value)."_s);
    return values.first();
}

QByteArray JsonCodec::encode(const QJsonValue &value)
{
    if (value.isArray())
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Indented);
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Indented);

    // A scalar is written as the one element of a compact array, without the brackets.
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}
