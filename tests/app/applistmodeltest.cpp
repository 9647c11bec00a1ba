#include "applistmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const AppInfo alpha{u"a"_s, u"Alpha"_s, AppCategory::other};
const AppInfo beta{u"b"_s, u"Beta"_s, AppCategory::other};

} // namespace

/// The window's app list: a row that only changed its name or category is updated in place, so a
/// view keeps its place; any other change resets the list.
class AppListModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void setApps_data()
    {
        QTest::addColumn<QList<AppInfo>>("next");
        QTest::addColumn<int>("resets");
        QTest::addColumn<int>("changedRow");
        QTest::addColumn<int>("countChanges");
        // clang-format off
        QTest::newRow("the same") << QList{alpha, beta} << 0 << -1 << 0;
        QTest::newRow("category changed") << QList{alpha, AppInfo{u"b"_s, u"Beta"_s, AppCategory::games}} << 0 << 1 << 0;
        QTest::newRow("name changed") << QList{AppInfo{u"a"_s, u"Aleph"_s, AppCategory::other}, beta} << 0 << 0 << 0;
        QTest::newRow("fewer") << QList{beta} << 1 << -1 << 1;
        QTest::newRow("reordered") << QList{beta, alpha} << 1 << -1 << 0;
        QTest::newRow("empty") << QList<AppInfo>() << 1 << -1 << 1;
        // clang-format on
    }

    void setApps()
    {
        QFETCH(QList<AppInfo>, next);
        QFETCH(int, resets);
        QFETCH(int, changedRow);
        QFETCH(int, countChanges);
        AppListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setApps({alpha, beta});
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy counts(&model, &AppListModel::countChanged);
        model.setApps(next);
        QCOMPARE((QVariantList{reset.count(), changes.count(), counts.count(), model.count()}),
                 (QVariantList{resets, changedRow < 0 ? 0 : 1, countChanges, next.size()}));
        if (changedRow >= 0)
            QCOMPARE(changes.first().at(0).toModelIndex().row(), changedRow);
        for (int row = 0; row <= next.size(); ++row) {
            const QModelIndex index = model.index(row);
            const AppInfo app = next.value(row);
            QCOMPARE((QVariantList{index.data(AppListModel::IdRole),
                                   index.data(AppListModel::NameRole),
                                   index.data(AppListModel::CategoryRole)}),
                     row < next.size()
                             ? (QVariantList{app.id, app.name, AppCategories::title(app.category)})
                             : QVariantList(3));
        }
    }
};

QTEST_GUILESS_MAIN(AppListModelTest)
#include "applistmodeltest.moc"
