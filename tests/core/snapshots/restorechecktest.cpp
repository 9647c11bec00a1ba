#include "restorecheck.h"
#include "varnoleterror.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const Device phone(u"0x1A"_s, u"00008110-001A"_s, u"Ana’s iPhone"_s, u"iPhone15,2"_s);

Snapshot snapshotOf(const Device &device, const Layout &layout)
{
    Snapshot snapshot;
    snapshot.device = device;
    snapshot.layout = layout;
    return snapshot;
}

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
    void device_data()
    {
        QTest::addColumn<Device>("selected");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("same phone") << phone << true;
        QTest::newRow("same phone, renamed")
                << Device(phone.ecid, phone.udid, u"Work"_s, phone.type) << true;
        QTest::newRow("other ECID")
                << Device(u"0x2B"_s, phone.udid, phone.name, phone.type) << false;
        QTest::newRow("same ECID, other UDID")
                << Device(phone.ecid, u"00008110-002B"_s, phone.name, phone.type) << false;
    }
    void device()
    {
        QFETCH(Device, selected);
        QFETCH(bool, accepted);
        const Snapshot snapshot = snapshotOf(phone, layoutOf({u"a"_s}));
        try {
            RestoreCheck::verifyDevice(snapshot, selected);
            QVERIFY(accepted);
        } catch (const VarnoletError &error) {
            QVERIFY(!accepted);
            QCOMPARE(error.message(),
                     u"This saved layout belongs to a different iPhone. Select "
                     "Ana’s iPhone to restore it."_s);
        }
    }

    void inventory_data()
    {
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("same apps, other order") << QStringList{u"b"_s, u"a"_s, u"a"_s} << true;
        QTest::newRow("an app removed") << QStringList{u"a"_s, u"b"_s} << false;
        QTest::newRow("an app added") << QStringList{u"a"_s, u"a"_s, u"b"_s, u"c"_s} << false;
        QTest::newRow("a duplicate gone") << QStringList{u"a"_s, u"b"_s, u"b"_s} << false;
    }
    void inventory()
    {
        QFETCH(QStringList, current);
        QFETCH(bool, accepted);
        const Snapshot snapshot = snapshotOf(phone, layoutOf({u"a"_s, u"a"_s, u"b"_s}));
        try {
            RestoreCheck::verifyInventory(snapshot, layoutOf(current));
            QVERIFY(accepted);
        } catch (const VarnoletError &error) {
            QVERIFY(!accepted);
            QCOMPARE(error.message(),
                     u"The app icons on this iPhone changed since the snapshot. Automatic restore "
                     "is blocked to avoid adding or losing icons. You can inspect "
                     "original-layout.json in the snapshot folder."_s);
        }
    }
};

QTEST_GUILESS_MAIN(RestoreCheckTest)
#include "restorechecktest.moc"
