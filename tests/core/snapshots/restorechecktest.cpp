#include "restorecheck.h"
#include "layouttestsupport.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

class RestoreCheckTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void verify_data()
    {
        QTest::addColumn<Device>("selected");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("failure");
        const QString other
                = u"This saved layout belongs to a different iPhone. Select Alex’s iPhone to restore it."_s;
        const QString changed
                = u"The app icons on this iPhone changed since the snapshot. Automatic restore is blocked to avoid adding or losing icons. You can inspect original-layout.json in the snapshot folder."_s;
        const Device renamed(ecid, udid, u"Work"_s, u"iPhone16,2"_s);
        // clang-format off
        QTest::newRow("same phone renamed, same apps in another order") << renamed << u"b a a"_s << QString();
        QTest::newRow("other ECID") << Device(u"0x2B"_s, udid, u"A"_s, u"B"_s) << u"a a b"_s << other;
        QTest::newRow("same ECID, other UDID") << Device(ecid, u"0008-2B"_s, u"A"_s, u"B"_s) << u"a a b"_s << other;
        QTest::newRow("an app added") << renamed << u"a a b c"_s << changed;
        QTest::newRow("a duplicate gone") << renamed << u"a b b"_s << changed;
        // clang-format on
    }
    void verify()
    {
        QFETCH(Device, selected);
        QFETCH(QString, current);
        QFETCH(QString, failure);
        Snapshot saved;
        saved.device = phone();
        saved.layout = parse(u"| a a b"_s);
        QCOMPARE(failureOf([&] {
                     RestoreCheck::verifyDevice(saved, selected);
                     RestoreCheck::verifyInventory(saved, parse(u"| "_s + current));
                 }),
                 failure);
    }
};

QTEST_GUILESS_MAIN(RestoreCheckTest)
#include "restorechecktest.moc"
