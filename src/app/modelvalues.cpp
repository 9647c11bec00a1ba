#include "modelvalues.h"

#include "appcatalog.h"

using namespace Qt::StringLiterals;

namespace {

QVariantMap appItem(const QString &id, const AppNames &names, const CategoryOverrides &overrides,
                    const AppStoreAnswers &answers)
{
    const AppInfo info = AppCatalog::info(id, names, overrides, answers);
    return {{u"kind"_s, u"app"_s},
            {u"id"_s, info.id},
            {u"title"_s, info.name},
            {u"category"_s, AppCategories::title(info.category)}};
}

QVariantMap folderItem(const LayoutItem &folder, const AppNames &names,
                       const CategoryOverrides &overrides, const AppStoreAnswers &answers)
{
    QVariantList pages;
    QString category = AppCategories::title(AppCategory::other);
    bool first = true;
    for (const QStringList &page : folder.folderPages()) {
        QVariantList apps;
        for (const QString &id : page) {
            QVariantMap app = appItem(id, names, overrides, answers);
            if (first) {
                category = app.value(u"category"_s).toString();
                first = false;
            }
            apps.append(app);
        }
        pages.append(QVariant(apps));
    }
    return {{u"kind"_s, u"folder"_s},
            {u"id"_s, QString()},
            {u"title"_s, folder.name()},
            {u"category"_s, category},
            {u"pages"_s, pages}};
}

} // namespace

QVariantMap ModelValues::device(const Device &device)
{
    return {{u"ecid"_s, device.ecid},
            {u"udid"_s, device.udid},
            {u"name"_s, device.name},
            {u"type"_s, device.type}};
}

QVariantMap ModelValues::activity(const ActivityEntry &entry)
{
    return {{u"id"_s, entry.id.toString(QUuid::WithoutBraces)},
            {u"date"_s, entry.date},
            {u"message"_s, entry.message},
            {u"warning"_s, entry.warning}};
}

QVariantMap ModelValues::snapshot(const Snapshot &snapshot)
{
    return {{u"id"_s, snapshot.id},
            {u"date"_s, snapshot.date},
            {u"reason"_s, snapshot.reason},
            {u"deviceName"_s, snapshot.device.name},
            {u"ecid"_s, snapshot.device.ecid},
            {u"udid"_s, snapshot.device.udid},
            {u"apps"_s, int(snapshot.layout.identifiers().size())},
            {u"pages"_s, snapshot.layout.pageCount()},
            {u"folders"_s, snapshot.layout.folderCount()},
            {u"reader"_s, snapshot.reader}};
}

QVariantList ModelValues::layout(const Layout &layout, const AppNames &names,
                                 const CategoryOverrides &overrides, const AppStoreAnswers &answers)
{
    QVariantList pages;
    pages.reserve(layout.pages.size());
    for (const LayoutPage &page : layout.pages) {
        QVariantList items;
        items.reserve(page.size());
        for (const LayoutItem &item : page) {
            items.append(item.isFolder() ? folderItem(item, names, overrides, answers)
                                         : appItem(item.identifier(), names, overrides, answers));
        }
        pages.append(QVariant(items));
    }
    return pages;
}

QVariantMap ModelValues::names(const AppNames &names)
{
    QVariantMap map;
    for (auto name = names.cbegin(); name != names.cend(); ++name)
        map.insert(name.key(), name.value());
    return map;
}

QVariantMap ModelValues::overrides(const CategoryOverrides &overrides)
{
    QVariantMap map;
    for (auto entry = overrides.cbegin(); entry != overrides.cend(); ++entry)
        map.insert(entry.key(), AppCategories::title(entry.value()));
    return map;
}
