#include "applistmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

AppInfo app(const QString &id, const QString &name, AppCategory category = AppCategory::other)
{
    return {id, name, category};
}

} // namespace

class AppListModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rolesCarryIdNameAndCategoryTitle();
    void changedCategoryUpdatesRowInPlace();
    void changedRowsResetTheModel_data();
    void changedRowsResetTheModel();
};

void AppListModelTest::rolesCarryIdNameAndCategoryTitle()
{
    AppListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setApps({app(u"com.spotify.client"_s, u"Spotify"_s, AppCategory::entertainment)});

    const QHash<int, QByteArray> roles = model.roleNames();
    QCOMPARE(roles.value(AppListModel::IdRole), "id"_ba);
    QCOMPARE(roles.value(AppListModel::NameRole), "name"_ba);
    QCOMPARE(roles.value(AppListModel::CategoryRole), "category"_ba);

    const QModelIndex row = model.index(0);
    QCOMPARE(model.data(row, AppListModel::IdRole).toString(), u"com.spotify.client"_s);
    QCOMPARE(model.data(row, AppListModel::NameRole).toString(), u"Spotify"_s);
    QCOMPARE(model.data(row, AppListModel::CategoryRole).toString(), u"Entertainment"_s);
    QVERIFY(!model.data(model.index(1), AppListModel::IdRole).isValid());
}

void AppListModelTest::changedCategoryUpdatesRowInPlace()
{
    AppListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setApps({app(u"a"_s, u"Alpha"_s), app(u"b"_s, u"Beta"_s)});

    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy counts(&model, &AppListModel::countChanged);
    model.setApps({app(u"a"_s, u"Alpha"_s), app(u"b"_s, u"Beta"_s, AppCategory::games)});

    QCOMPARE(resets.count(), 0);
    QCOMPARE(counts.count(), 0);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.first().at(0).toModelIndex().row(), 1);
    QCOMPARE(model.data(model.index(1), AppListModel::CategoryRole).toString(), u"Games"_s);

    model.setApps(model.apps());
    QCOMPARE(changes.count(), 1);
}

void AppListModelTest::changedRowsResetTheModel_data()
{
    QTest::addColumn<QList<AppInfo>>("next");
    QTest::addColumn<bool>("countChanges");

    QTest::newRow("fewer") << QList<AppInfo>{app(u"b"_s, u"Beta"_s)} << true;
    QTest::newRow("reordered") << QList<AppInfo>{app(u"b"_s, u"Beta"_s), app(u"a"_s, u"Alpha"_s)}
                               << false;
    QTest::newRow("empty") << QList<AppInfo>{} << true;
}

void AppListModelTest::changedRowsResetTheModel()
{
    QFETCH(QList<AppInfo>, next);
    QFETCH(bool, countChanges);

    AppListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setApps({app(u"a"_s, u"Alpha"_s), app(u"b"_s, u"Beta"_s)});

    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy counts(&model, &AppListModel::countChanged);
    model.setApps(next);

    QCOMPARE(resets.count(), 1);
    QCOMPARE(counts.count(), countChanges ? 1 : 0);
    QCOMPARE(model.rowCount(), next.size());
    QCOMPARE(model.count(), next.size());
    for (int row = 0; row < next.size(); ++row)
        QCOMPARE(model.data(model.index(row), AppListModel::IdRole).toString(), next.at(row).id);
}

QTEST_GUILESS_MAIN(AppListModelTest)
#include "applistmodeltest.moc"
