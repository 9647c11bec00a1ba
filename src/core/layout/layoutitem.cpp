#include "layoutitem.h"

#include "jsonrecord.h"
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
    const QString text = JsonRecord::requiredString(fields, u"_0"_s);
    if (hasApp)
        return app(text);

    const QJsonValue pagesValue = JsonRecord::required(fields, u"_1"_s);
    if (!pagesValue.isArray())
        throw PlatformError(
                u"Expected to decode the folder pages as an array but found another value."_s);
    QList<QStringList> pages;
    for (const QJsonValue &pageValue : pagesValue.toArray()) {
        if (!pageValue.isArray())
            throw PlatformError(
                    u"Expected to decode a folder page as an array but found another value."_s);
        QStringList page;
        for (const QJsonValue &identifier : pageValue.toArray()) {
            if (!identifier.isString())
                JsonRecord::mismatch(u"a string"_s, u"_1"_s);
            page.append(identifier.toString());
        }
        pages.append(page);
    }
    return folder(text, pages);
}
