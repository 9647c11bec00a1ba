#pragma once

#include "appinfo.h"

#include <QAbstractListModel>
#include <QHash>
#include <QList>

/// The app list of the Organize section as an item model: one row per app with the roles `id`,
/// `name` and `category` (the category's title).
class AppListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        NameRole,
        CategoryRole,
    };
    Q_ENUM(Role)

    explicit AppListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const { return int(m_apps.size()); }
    const QList<AppInfo> &apps() const { return m_apps; }

    /// Replaces the rows; rows that only changed their name or category are updated in place so
    /// that a view keeps its scroll position while the user picks categories.
    void setApps(const QList<AppInfo> &apps);

Q_SIGNALS:
    void countChanged();

private:
    QList<AppInfo> m_apps;
};
