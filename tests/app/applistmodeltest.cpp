#include "applistmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const AppInfo alpha{u"a"_s, u"Alpha"_s, AppCategory::other};
const AppInfo beta{u"b"_s, u"Beta"_s, AppCategory::other};

} // namespace

class AppListModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void setApps_data();
    void setApps();
};

void AppListModelTest::setApps_data()
{
    QTest::addColumn<QList<AppInfo>>("next");
    QTest::addColumn<bool>("reset");
    QTest::addColumn<int>("changedRow");
    QTest::addColumn<bool>("countChanges");

    // A row that only changed its name or category is updated in place, so a view keeps its place.
    // clang-format off
    QTest::newRow("the same") << QList{alpha, beta} << false << -1 << false;
    QTest::newRow("category changed") << QList{alpha, AppInfo{u"b"_s, u"Beta"_s, AppCategory::games}} << false << 1 << false;
    QTest::newRow("name changed") << QList{AppInfo{u"a"_s, u"Aleph"_s, AppCategory::other}, beta} << false << 0 << false;
    // clang-format on
    QTest::newRow("fewer") << QList{beta} << true << -1 << true;
    QTest::newRow("reordered") << QList{beta, alpha} << true << -1 << false;
    QTest::newRow("empty") << QList<AppInfo>() << true << -1 << true;
}

void AppListModelTest::setApps()
{
    QFETCH(QList<AppInfo>, next);
    QFETCH(bool, reset);
    QFETCH(int, changedRow);
    QFETCH(bool, countChanges);

    AppListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setApps({alpha, beta});
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy counts(&model, &AppListModel::countChanged);
    model.setApps(next);

    QCOMPARE(resets.count(), reset ? 1 : 0);
    QCOMPARE(changes.count(), changedRow < 0 ? 0 : 1);
    if (changedRow >= 0)
        QCOMPARE(changes.first().at(0).toModelIndex().row(), changedRow);
    QCOMPARE(counts.count(), countChanges ? 1 : 0);
    QCOMPARE(model.count(), next.size());
    for (int row = 0; row < next.size(); ++row) {
        const QModelIndex index = model.index(row);
        QCOMPARE((QVariantList{index.data(AppListModel::IdRole), index.data(AppListModel::NameRole),
                               index.data(AppListModel::CategoryRole)}),
                 (QVariantList{next[row].id, next[row].name,
                               AppCategories::title(next[row].category)}));
    }
    QVERIFY(!model.data(model.index(int(next.size())), AppListModel::IdRole).isValid());
}

QTEST_GUILESS_MAIN(AppListModelTest)
#include "applistmodeltest.moc"
