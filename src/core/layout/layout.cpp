#include "layout.h"

#include "jsoncodec.h"
#include "layoutlimits.h"
#include "platformerror.h"
#include "usertext.h"
#include "varnoleterror.h"

#include <QCryptographicHash>
#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype maximumDockItems = LayoutLimits::maximumDockItems;
constexpr qsizetype maximumIdentifierLength = LayoutLimits::maximumIdentifierLength;

bool isLineBreakOrNul(QChar c)
{
    switch (c.unicode()) {
    case 0x0000:
    case 0x000A:
    case 0x000B:
    case 0x000C:
    case 0x000D:
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

// Line breaks and NUL are grapheme-cluster boundaries on both sides (CR LF aside, which starts
// with CR), so looking for the code points is the same as looking at each character's first scalar.
bool isValidIdentifier(const QString &identifier)
{
    if (identifier.isEmpty())
        return false;
    if (std::any_of(identifier.cbegin(), identifier.cend(), isLineBreakOrNul))
        return false;
    // A UTF-16 length within the limit cannot hold more user-perceived characters than that.
    return identifier.size() <= maximumIdentifierLength
            || UserText::length(identifier) <= maximumIdentifierLength;
}

bool isValidFolder(const LayoutItem &folder)
{
    if (folder.name().trimmed().isEmpty())
        return false;
    const QList<QStringList> &pages = folder.folderPages();
    if (pages.isEmpty() || pages.size() > Layout::maximumFolderPages)
        return false;
    return std::all_of(pages.cbegin(), pages.cend(), [](const QStringList &page) {
        return !page.isEmpty() && page.size() <= Layout::maximumFolderPageApps;
    });
}

} // namespace

QStringList Layout::identifiers() const
{
    QStringList result;
    for (const LayoutPage &page : pages) {
        for (const LayoutItem &item : page) {
            if (item.isFolder()) {
                for (const QStringList &folderPage : item.folderPages())
                    result += folderPage;
            } else {
                result.append(item.identifier());
            }
        }
    }
    return result;
}

QHash<QString, int> Layout::inventory() const
{
    QHash<QString, int> counts;
    for (const QString &identifier : identifiers())
        ++counts[identifier];
    return counts;
}

int Layout::folderCount() const
{
    int count = 0;
    for (const LayoutPage &page : pages)
        count += std::count_if(page.cbegin(), page.cend(),
                               [](const LayoutItem &item) { return item.isFolder(); });
    return count;
}

int Layout::pageCount() const
{
    return pages.isEmpty() ? 0 : int(pages.size() - 1);
}

QByteArray Layout::cfgutilData() const
{
    QJsonArray array;
    for (const LayoutPage &page : pages) {
        QJsonArray items;
        for (const LayoutItem &item : page)
            items.append(item.json());
        array.append(items);
    }
    return JsonCodec::encode(array);
}

QString Layout::fingerprint() const
{
    QByteArray data;
    try {
        data = cfgutilData();
    } catch (const std::exception &) {
        // An encoding failure hashes the empty byte string; the fingerprint itself never fails.
    }
    return fingerprint(data);
}

QString Layout::fingerprint(const QByteArray &deviceForm)
{
    return QString::fromLatin1(
            QCryptographicHash::hash(deviceForm, QCryptographicHash::Sha256).toHex());
}

void Layout::validate() const
{
    if (pages.size() < 2 || pages.size() > maximumPages)
        refusePageCount();
    if (pages.first().size() > maximumDockItems)
        throw VarnoletError(u"The iPhone Dock contains more than four items."_s);

    const QStringList allIdentifiers = identifiers();
    if (allIdentifiers.isEmpty())
        throw VarnoletError(u"The layout is empty. Nothing will be applied."_s);

    for (const LayoutPage &page : pages) {
        if (page.size() > maximumPageItems)
            refusePageSize();
        for (const LayoutItem &item : page) {
            if (item.isFolder() && !isValidFolder(item))
                refuseFolder(item.name());
        }
    }

    if (!std::all_of(allIdentifiers.cbegin(), allIdentifiers.cend(), isValidIdentifier))
        throw VarnoletError(u"An app identifier is invalid."_s);
}

void Layout::refusePageCount()
{
    throw VarnoletError(u"Expected a Dock and at least one Home Screen page."_s);
}

void Layout::refusePageSize()
{
    throw VarnoletError(u"A page contains more than 30 items. This layout needs manual review."_s);
}

void Layout::refuseFolder(const QString &name)
{
    throw VarnoletError(u"Folder ‘%1’ is empty or exceeds supported iPhone folder limits."_s.arg(
            UserText::quoted(name)));
}

QJsonObject Layout::toRecord() const
{
    QJsonArray pageArray;
    for (const LayoutPage &page : pages) {
        QJsonArray items;
        for (const LayoutItem &item : page)
            items.append(item.toRecord());
        pageArray.append(items);
    }
    return {{u"pages"_s, pageArray}};
}

Layout Layout::fromRecord(const QJsonValue &record)
{
    if (!record.isObject())
        throw PlatformError(u"Expected to decode a layout but found another value."_s);
    const QJsonObject object = record.toObject();
    const auto pagesValue = object.constFind(u"pages"_s);
    if (pagesValue == object.constEnd())
        throw PlatformError(u"No value associated with key \"pages\"."_s);
    if (!pagesValue->isArray())
        throw PlatformError(
                u"Expected to decode the layout pages as an array but found another value."_s);

    Layout layout;
    for (const QJsonValue &pageValue : pagesValue->toArray()) {
        if (!pageValue.isArray())
            throw PlatformError(
                    u"Expected to decode a layout page as an array but found another value."_s);
        LayoutPage page;
        for (const QJsonValue &item : pageValue.toArray())
            page.append(LayoutItem::fromRecord(item));
        layout.pages.append(page);
    }
    return layout;
}
