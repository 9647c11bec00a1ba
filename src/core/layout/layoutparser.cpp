#include "layoutparser.h"

#include "jsoncodec.h"
#include "layout.h"
#include "usertext.h"
#include "varnoleterror.h"

#include <QJsonArray>
#include <QJsonObject>

#include <array>

using namespace Qt::StringLiterals;

namespace {

// Where an item stands; only turned into text when an error names it.
struct Location
{
    qsizetype page;
    qsizetype item; // counted from 1
};

[[noreturn]] void throwUnsupported(Location location)
{
    throw VarnoletError(
            u"Unsupported item at Page %1, item %2. Widgets, spacers and unknown icon types cannot "
            u"be safely "
            "rewritten by this prototype. No items were dropped and nothing was applied. Use an "
            "icon-only layout for the first test; keep a Finder backup and screenshots."_s
                    .arg(location.page)
                    .arg(location.item));
}

bool isAcceptedIconType(const QString &type)
{
    static const std::array accepted{u"Application"_s, u"application"_s, u"app"_s,    u"Folder"_s,
                                     u"folder"_s,      u"WebClip"_s,     u"webclip"_s};
    return std::find(accepted.cbegin(), accepted.cend(), type) != accepted.cend();
}

QStringList stringsOrThrow(const QJsonArray &array, qsizetype from, Location location)
{
    QStringList strings;
    strings.reserve(array.size() - from);
    for (qsizetype i = from; i < array.size(); ++i) {
        const QJsonValue value = array.at(i);
        if (!value.isString())
            throwUnsupported(location);
        strings.append(value.toString());
    }
    return strings;
}

// The device form of a folder: the name, then either the apps of its one page or one array per
// page.
LayoutItem parseFolderArray(const QJsonArray &array, Location location)
{
    if (array.size() < 2 || !array.first().isString())
        throwUnsupported(location);
    const QString name = array.first().toString();

    const auto rest = array.begin() + 1;
    if (std::all_of(rest, array.end(), [](const QJsonValue &v) { return v.isString(); })) {
        if (array.size() - 1 > Layout::maximumFolderPageApps)
            Layout::refuseFolder(name);
        return LayoutItem::folder(name, {stringsOrThrow(array, 1, location)});
    }
    if (!std::all_of(rest, array.end(), [](const QJsonValue &v) { return v.isArray(); }))
        throwUnsupported(location);
    if (array.size() - 1 > Layout::maximumFolderPages)
        Layout::refuseFolder(name);

    QList<QStringList> pages;
    pages.reserve(array.size() - 1);
    for (qsizetype i = 1; i < array.size(); ++i) {
        const QJsonArray page = array.at(i).toArray();
        if (page.size() > Layout::maximumFolderPageApps)
            Layout::refuseFolder(name);
        pages.append(stringsOrThrow(page, 0, location));
    }
    return LayoutItem::folder(name, pages);
}

LayoutItem parseItem(const QJsonValue &value, Location location, AppNames &names);

// The springboard form: every icon is an object, a folder holds its pages under "iconLists".
LayoutItem parseIconObject(const QJsonObject &object, Location location, AppNames &names)
{
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (it.key().toLower().contains(u"widget"_s))
            throwUnsupported(location);
    }
    if (object.isEmpty())
        throwUnsupported(location);

    const QJsonValue iconType = object.value(u"iconType"_s);
    if (iconType.isString() && !isAcceptedIconType(iconType.toString()))
        throwUnsupported(location);

    const QJsonValue iconLists = object.value(u"iconLists"_s);
    if (iconLists.isArray()) {
        const QJsonValue displayName = object.value(u"displayName"_s);
        if (!displayName.isString())
            throwUnsupported(location);
        const QJsonArray pageValues = iconLists.toArray();
        if (pageValues.size() > Layout::maximumFolderPages)
            Layout::refuseFolder(displayName.toString());
        QList<QStringList> pages;
        for (const QJsonValue &pageValue : pageValues) {
            if (!pageValue.isArray())
                throwUnsupported(location);
            const QJsonArray icons = pageValue.toArray();
            if (icons.size() > Layout::maximumFolderPageApps)
                Layout::refuseFolder(displayName.toString());
            QStringList page;
            for (const QJsonValue &icon : icons) {
                const LayoutItem item = parseItem(icon, location, names);
                if (item.isFolder())
                    throwUnsupported(location);
                page.append(item.identifier());
            }
            pages.append(page);
        }
        return LayoutItem::folder(displayName.toString(), pages);
    }

    for (const QString &key : {u"webClipURL"_s, u"bundleIdentifier"_s, u"displayIdentifier"_s}) {
        const auto found = object.constFind(key);
        if (found == object.constEnd())
            continue;
        if (!found->isString())
            throwUnsupported(location);
        const QString identifier = found->toString();
        const QJsonValue displayName = object.value(u"displayName"_s);
        if (displayName.isString())
            names.insert(identifier, displayName.toString());
        return LayoutItem::app(identifier);
    }
    throwUnsupported(location);
}

LayoutItem parseItem(const QJsonValue &value, Location location, AppNames &names)
{
    switch (value.type()) {
    case QJsonValue::String:
        return LayoutItem::app(value.toString());
    case QJsonValue::Array:
        return parseFolderArray(value.toArray(), location);
    case QJsonValue::Object:
        return parseIconObject(value.toObject(), location, names);
    default:
        throwUnsupported(location);
    }
}

QJsonValue layoutKeyCandidate(const QJsonObject &object)
{
    for (const QString &key : {u"iconLayout"_s, u"IconLayout"_s, u"iconState"_s}) {
        const auto found = object.constFind(key);
        if (found != object.constEnd())
            return found.value();
    }
    throw VarnoletError(u"Unrecognized layout response. Export diagnostics to inspect it."_s);
}

QJsonValue outputCandidate(const QJsonValue &output, const std::optional<QString> &ecid)
{
    if (!output.isObject())
        return output;
    const QJsonObject devices = output.toObject();
    QJsonValue entry;
    if (ecid) {
        const auto found = devices.constFind(*ecid);
        if (found == devices.constEnd())
            throw VarnoletError(u"The layout response does not identify the selected iPhone."_s);
        entry = found.value();
    } else {
        if (devices.size() != 1)
            throw VarnoletError(u"The layout response does not identify the selected iPhone."_s);
        entry = devices.constBegin().value();
    }
    return entry.isObject() ? layoutKeyCandidate(entry.toObject()) : entry;
}

QJsonValue candidate(const QJsonValue &root, const std::optional<QString> &ecid,
                     LayoutParser::Source source)
{
    if (!root.isObject())
        return root;
    const QJsonObject object = root.toObject();

    const QJsonValue error = object.value(u"Error"_s);
    const bool noError = error.isUndefined() || error.isNull()
            || (error.isObject() && error.toObject().isEmpty());
    if (!noError) {
        const QString lead = source == LayoutParser::Source::Reader
                ? u"The reader reported a layout error: "_s
                : u"Configurator reported a layout error: "_s;
        throw VarnoletError(lead + UserText::quoted(QString::fromUtf8(JsonCodec::encode(error))));
    }

    const auto output = object.constFind(u"Output"_s);
    if (output != object.constEnd())
        return outputCandidate(output.value(), ecid);
    return layoutKeyCandidate(object);
}

} // namespace

ParsedLayout LayoutParser::parse(const QByteArray &data, const std::optional<QString> &ecid,
                                 Source source)
{
    const QJsonValue pagesValue = candidate(JsonCodec::decode(data), ecid, source);
    if (!pagesValue.isArray())
        throw VarnoletError(u"Expected a JSON array of Home Screen pages."_s);

    ParsedLayout result;
    const QJsonArray pageArray = pagesValue.toArray();
    if (pageArray.size() > Layout::maximumPages)
        Layout::refusePageCount();
    result.layout.pages.reserve(pageArray.size());
    for (qsizetype p = 0; p < pageArray.size(); ++p) {
        const QJsonValue pageValue = pageArray.at(p);
        if (!pageValue.isArray())
            throw VarnoletError(u"Page %1 is not a list."_s.arg(p));
        const QJsonArray itemArray = pageValue.toArray();
        if (itemArray.size() > Layout::maximumPageItems)
            Layout::refusePageSize();
        LayoutPage page;
        page.reserve(itemArray.size());
        for (qsizetype i = 0; i < itemArray.size(); ++i)
            page.append(parseItem(itemArray.at(i), {p, i + 1}, result.names));
        result.layout.pages.append(page);
    }
    result.layout.validate();
    return result;
}
