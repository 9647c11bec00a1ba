#include "configurationprofile.h"

#include "appcatalog.h"
#include "propertylist.h"
#include "varnoleterror.h"

#include <QUuid>

using namespace Qt::StringLiterals;

namespace {

const QString layoutPayloadType = u"com.apple.homescreenlayout"_s;

QVariantMap appEntry(const QString &id)
{
    if (AppCatalog::isWebClip(id))
        return {{u"Type"_s, u"WebClip"_s}, {u"URL"_s, id}};
    return {{u"Type"_s, u"Application"_s}, {u"BundleID"_s, id}};
}

QVariantList entries(const LayoutPage &page)
{
    QVariantList list;
    for (const LayoutItem &item : page) {
        if (!item.isFolder()) {
            list.append(appEntry(item.identifier()));
            continue;
        }
        QVariantList pages;
        for (const QStringList &folderPage : item.folderPages()) {
            QVariantList apps;
            for (const QString &id : folderPage)
                apps.append(appEntry(id));
            pages.append(QVariant(apps));
        }
        list.append(QVariantMap{
                {u"Type"_s, u"Folder"_s}, {u"DisplayName"_s, item.name()}, {u"Pages"_s, pages}});
    }
    return list;
}

// Every payload names itself and carries a UUID of its own.
QVariantMap payload(const QString &type, const QString &identifier, const QString &displayName)
{
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return {{u"PayloadType"_s, type},
            {u"PayloadIdentifier"_s, QString(identifier + u'.' + uuid)},
            {u"PayloadUUID"_s, uuid},
            {u"PayloadDisplayName"_s, displayName},
            {u"PayloadVersion"_s, 1}};
}

[[noreturn]] void refuse()
{
    throw VarnoletError(u"The profile holds a Home Screen entry Varnolet cannot read."_s);
}

QString text(const QVariantMap &entry, const QString &key)
{
    const QVariant value = entry.value(key);
    if (value.typeId() != QMetaType::QString)
        refuse();
    return value.toString();
}

QVariantList list(const QVariant &value)
{
    if (value.typeId() != QMetaType::QVariantList)
        refuse();
    return value.toList();
}

LayoutItem itemOf(const QVariant &value, bool inFolder)
{
    if (value.typeId() != QMetaType::QVariantMap)
        refuse();
    const QVariantMap entry = value.toMap();
    const QString type = text(entry, u"Type"_s);
    if (type == u"Application"_s || type == u"App"_s)
        return LayoutItem::app(text(entry, u"BundleID"_s));
    if (type == u"WebClip"_s)
        return LayoutItem::app(text(entry, u"URL"_s));
    if (type != u"Folder"_s || inFolder)
        refuse();
    QList<QStringList> pages;
    for (const QVariant &pageValue : list(entry.value(u"Pages"_s))) {
        QStringList apps;
        for (const QVariant &app : list(pageValue))
            apps.append(itemOf(app, true).identifier());
        pages.append(apps);
    }
    return LayoutItem::folder(text(entry, u"DisplayName"_s), pages);
}

LayoutPage pageOf(const QVariant &value)
{
    LayoutPage page;
    for (const QVariant &entry : list(value))
        page.append(itemOf(entry, false));
    return page;
}

} // namespace

QByteArray ConfigurationProfile::write(const Layout &layout)
{
    QVariantMap content = payload(layoutPayloadType, u"org.varnolet.homescreenlayout"_s,
                                  u"Home Screen Layout"_s);
    content.insert(u"Dock"_s,
                   layout.pages.isEmpty() ? QVariantList() : entries(layout.pages.first()));
    QVariantList pages;
    for (qsizetype page = 1; page < layout.pages.size(); ++page)
        pages.append(QVariant(entries(layout.pages.at(page))));
    content.insert(u"Pages"_s, pages);

    QVariantMap profile = payload(u"Configuration"_s, u"org.varnolet.profile"_s,
                                  u"Varnolet Home Screen Layout"_s);
    profile.insert(u"PayloadContent"_s, QVariantList{content});
    return PropertyList::write(profile);
}

Layout ConfigurationProfile::read(const QByteArray &data)
{
    const QVariantMap profile = PropertyList::read(data).toMap();
    for (const QVariant &value : profile.value(u"PayloadContent"_s).toList()) {
        const QVariantMap content = value.toMap();
        if (content.value(u"PayloadType"_s).toString() != layoutPayloadType)
            continue;
        Layout layout({pageOf(content.value(u"Dock"_s, QVariantList()))});
        for (const QVariant &page : list(content.value(u"Pages"_s)))
            layout.pages.append(pageOf(page));
        layout.validate();
        return layout;
    }
    throw VarnoletError(u"The profile holds no Home Screen layout."_s);
}
