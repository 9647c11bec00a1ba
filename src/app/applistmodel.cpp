#include "applistmodel.h"

#include "appcategory.h"

using namespace Qt::StringLiterals;

AppListModel::AppListModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

int AppListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_apps.size());
}

QVariant AppListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const AppInfo &app = m_apps.at(index.row());
    switch (role) {
    case IdRole:
        return app.id;
    case Qt::DisplayRole:
    case NameRole:
        return app.name;
    case CategoryRole:
        return AppCategories::title(app.category);
    default:
        return {};
    }
}

QHash<int, QByteArray> AppListModel::roleNames() const
{
    return {{IdRole, "id"_ba}, {NameRole, "name"_ba}, {CategoryRole, "category"_ba}};
}

void AppListModel::setApps(const QList<AppInfo> &apps)
{
    if (apps == m_apps)
        return;

    bool sameRows = apps.size() == m_apps.size();
    for (qsizetype row = 0; sameRows && row < apps.size(); ++row)
        sameRows = apps.at(row).id == m_apps.at(row).id;

    if (!sameRows) {
        const bool countChanges = apps.size() != m_apps.size();
        beginResetModel();
        m_apps = apps;
        endResetModel();
        if (countChanges)
            Q_EMIT countChanged();
        return;
    }

    for (qsizetype row = 0; row < apps.size(); ++row) {
        if (apps.at(row) == m_apps.at(row))
            continue;
        m_apps[row] = apps.at(row);
        const QModelIndex changed = index(int(row));
        Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole, NameRole, CategoryRole});
    }
}
