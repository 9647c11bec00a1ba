#include "restorecheck.h"
#include "devicetestsupport.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

Layout layoutOf(const QStringList &apps)
{
    LayoutPage page;
    for (const QString &app : apps)
        page.append(LayoutItem::app(app));
    return Layout({{}, page});
}

} // namespace

class RestoreCheckTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void verify_data()
    {
        QTest::addColumn<Device>("selected");
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<QString>("failure");
        const QString other = u"This saved layout belongs to a different iPhone. Select "
                              "Alex’s iPhone to restore it."_s;
        const QString changed = u"The app icons on this iPhone changed since the snapshot. "
                                "Automatic restore is blocked to avoid adding or losing icons. You "
                                "can inspect original-layout.json in the snapshot folder."_s;
        const Device renamed(ecid, udid, u"Work"_s, u"iPhone16,2"_s);
        const QStringList apps{u"b"_s, u"a"_s, u"a"_s};
        QTest::newRow("same phone renamed, same apps in another order")
                << renamed << apps << QString();
        QTest::newRow("other ECID") << Device(u"0x2B"_s, udid, u"A"_s, u"B"_s) << apps << other;
        QTest::newRow("same ECID, other UDID")
                << Device(ecid, u"0008-2B"_s, u"A"_s, u"B"_s) << apps << other;
        QTest::newRow("an app added")
                << renamed << QStringList{u"a"_s, u"a"_s, u"b"_s, u"c"_s} << changed;
        QTest::newRow("a duplicate gone")
                << renamed << QStringList{u"a"_s, u"b"_s, u"b"_s} << changed;
    }
    void verify()
    {
        QFETCH(Device, selected);
        QFETCH(QStringList, current);
        QFETCH(QString, failure);
        Snapshot saved;
        saved.device = phone();
        saved.layout = layoutOf({u"a"_s, u"a"_s, u"b"_s});
        QCOMPARE(failureOf([&] {
                     RestoreCheck::verifyDevice(saved, selected);
                     RestoreCheck::verifyInventory(saved, layoutOf(current));
                 }),
                 failure);
    }
};

QTEST_GUILESS_MAIN(RestoreCheckTest)
#include "restorechecktest.moc"
