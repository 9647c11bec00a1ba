#include "layoutitem.h"

#include "platformerror.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace {

QJsonArray stringArray(const QStringList &strings)
{
    QJsonArray array;
    for (const QString &string : strings)
        array.append(string);
    return array;
}

QJsonValue requiredKey(const QJsonObject &object, const QString &key)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        throw PlatformError(u"No value associated with key \"%1\"."_s.arg(key));
    return it.value();
}

QString requiredString(const QJsonValue &value, const QString &what)
{
    if (!value.isString())
        throw PlatformError(
                u"Expected to decode a string for %1 but found another value."_s.arg(what));
    return value.toString();
}

} // namespace

LayoutItem::LayoutItem(bool folder, const QString &text, const QList<QStringList> &pages)
    : m_folder(folder)
    , m_text(text)
    , m_pages(pages)
{ }

LayoutItem LayoutItem::app(const QString &identifier)
{
    return LayoutItem(false, identifier, {});
}

LayoutItem LayoutItem::folder(const QString &name, const QList<QStringList> &pages)
{
    return LayoutItem(true, name, pages);
}

QStringList LayoutItem::identifiers() const
{
    if (!m_folder)
        return {m_text};
    QStringList result;
    for (const QStringList &page : m_pages)
        result += page;
    return result;
}

QJsonValue LayoutItem::json() const
{
    if (!m_folder)
        return m_text;
    if (m_pages.size() == 1) {
        QJsonArray flat = stringArray(m_pages.first());
        flat.prepend(m_text);
        return flat;
    }
    QJsonArray nested{m_text};
    for (const QStringList &page : m_pages)
        nested.append(stringArray(page));
    return nested;
}

QJsonObject LayoutItem::toRecord() const
{
    if (!m_folder)
        return {{u"app"_s, QJsonObject{{u"_0"_s, m_text}}}};
    QJsonArray pages;
    for (const QStringList &page : m_pages)
        pages.append(stringArray(page));
    return {{u"folder"_s, QJsonObject{{u"_0"_s, m_text}, {u"_1"_s, pages}}}};
}

LayoutItem LayoutItem::fromRecord(const QJsonValue &record)
{
    if (!record.isObject())
        throw PlatformError(u"Expected to decode a layout item but found another value."_s);
    const QJsonObject object = record.toObject();
    const bool hasApp = object.contains(u"app"_s);
    const bool hasFolder = object.contains(u"folder"_s);
    if (object.size() != 1 || hasApp == hasFolder)
        throw PlatformError(u"Invalid number of keys found, expected one."_s);

    const QJsonValue payload = object.constBegin().value();
    if (!payload.isObject())
        throw PlatformError(u"Expected to decode a layout item but found another value."_s);
    const QJsonObject fields = payload.toObject();
    const QString text = requiredString(requiredKey(fields, u"_0"_s), u"\"_0\""_s);
    if (hasApp)
        return app(text);

    const QJsonValue pagesValue = requiredKey(fields, u"_1"_s);
    if (!pagesValue.isArray())
        throw PlatformError(
                u"Expected to decode the folder pages as an array but found another value."_s);
    QList<QStringList> pages;
    for (const QJsonValue &pageValue : pagesValue.toArray()) {
        if (!pageValue.isArray())
            throw PlatformError(
                    u"Expected to decode a folder page as an array but found another value."_s);
        QStringList page;
        for (const QJsonValue &identifier : pageValue.toArray())
            page.append(requiredString(identifier, u"a folder's app"_s));
        pages.append(page);
    }
    return folder(text, pages);
}
