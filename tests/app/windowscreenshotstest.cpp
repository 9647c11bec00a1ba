#include "appstoresetting.h"
#include "appstorestandin.h"
#include "windowharness.h"

#include <QDir>
#include <QImage>
#include <QTest>

using namespace Qt::StringLiterals;

/// Renders the window at 1260 × 850 in each of its main states and writes the pictures to the
/// build folder's "screenshots", for people to look at; each must come out whole and warning-free.
class WindowScreenshotsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void emptyOrganize();
    void demoProposedAndOriginal();
    void twoIconTest();
    void folderPopover();
    void connectionWithTwoPhones();
    void savedLayoutsEmpty();
    void readPhoneSavedLayoutsRestoreAndActivity();
    void applyConfirmation();
    void comparison();
    void warningInTheStatusBar();
    void importDialog();
    void appStoreSwitchOffAndOn();
    void rightColumnAndDockPopovers();
    void handEditing();

private:
    void shoot(WindowHarness &harness, const QString &name);
    static WindowHarness::World onePhone();
};

namespace {

const QString alexEcid = u"0x1C2D3E4F50601E"_s;
const QString samEcid = u"0x2A0B0C0D0E0F10"_s;

} // namespace

void WindowScreenshotsTest::shoot(WindowHarness &harness, const QString &name)
{
    const QImage image = harness.grab();
    QCOMPARE(image.size(), QSize(1260, 850));
    // A blank or single-coloured grab means nothing was drawn.
    QVERIFY(image.pixel(100, 100) != image.pixel(700, 300)
            || image.pixel(30, 500) != image.pixel(1100, 800));
    QVERIFY(QDir().mkpath(QStringLiteral(VARNOLET_SCREENSHOTS)));
    QVERIFY(image.save(QDir(QStringLiteral(VARNOLET_SCREENSHOTS)).filePath(name + u".png"_s)));
    QVERIFY2(harness.warnings().isEmpty(), qPrintable(harness.warnings().join(u'\n')));
}

WindowHarness::World WindowScreenshotsTest::onePhone()
{
    return {QJsonArray{WindowHarness::phone(alexEcid, u"00008140-001C2D3E4F50601E"_s,
                                            u"Alex’s iPhone"_s, WindowHarness::sampleLayout())},
            {}};
}

void WindowScreenshotsTest::initTestCase()
{
    QDir(QStringLiteral(VARNOLET_SCREENSHOTS)).removeRecursively();
}

void WindowScreenshotsTest::emptyOrganize()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    QCOMPARE(harness.click(u"sidebar-Organize"_s), QString());
    shoot(harness, u"01-organize-empty"_s);
}

void WindowScreenshotsTest::demoProposedAndOriginal()
{
    WindowHarness harness({u"--demo"_s});
    QVERIFY(harness.isValid());
    shoot(harness, u"02-demo-proposed"_s);
    QCOMPARE(harness.click(u"segment-Original"_s), QString());
    harness.scrollToEnd(u"organizeScroller"_s);
    shoot(harness, u"03-demo-original"_s);
}

void WindowScreenshotsTest::twoIconTest()
{
    WindowHarness harness({u"--demo"_s});
    QVERIFY(harness.isValid());
    QCOMPARE(harness.click(u"segment-Two-icon test"_s), QString());
    harness.scrollToEnd(u"organizeScroller"_s);
    shoot(harness, u"04-two-icon-test"_s);
}

void WindowScreenshotsTest::folderPopover()
{
    WindowHarness harness({u"--demo"_s});
    QVERIFY(harness.isValid());
    harness.scrollToEnd(u"organizeScroller"_s);
    const QList<QQuickItem *> folders = harness.items(u"folder-"_s);
    QVERIFY(!folders.isEmpty());
    QCOMPARE(harness.clickItem(folders.constFirst()), QString());
    QVERIFY(harness.item(u"folderPopoverGrid"_s) && harness.isShown(u"folderPopoverGrid"_s));
    shoot(harness, u"05-folder-popover"_s);
}

void WindowScreenshotsTest::connectionWithTwoPhones()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    harness.writeWorld(
            {QJsonArray{WindowHarness::phone(alexEcid, u"00008140-001C2D3E4F50601E"_s,
                                             u"Alex’s iPhone"_s, WindowHarness::sampleLayout()),
                        WindowHarness::phone(samEcid, u"00008110-002A0B0C0D0E0F10"_s,
                                             u"Sam’s iPhone"_s, WindowHarness::sampleLayout())},
             {}});
    QCOMPARE(harness.click(u"refreshButton"_s), QString());
    QVERIFY(harness.finishes());
    shoot(harness, u"06-connection-two-phones"_s);
}

void WindowScreenshotsTest::savedLayoutsEmpty()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
    shoot(harness, u"07-saved-layouts-empty"_s);
}

void WindowScreenshotsTest::readPhoneSavedLayoutsRestoreAndActivity()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    // After the first read someone moves two icons on the phone, so the saved layout differs.
    WindowHarness::World world = onePhone();
    QJsonObject phone = world.devices.at(0).toObject();
    QJsonArray moved = WindowHarness::sampleLayout();
    QJsonArray secondPage = moved.at(2).toArray();
    const QJsonValue first = secondPage.at(0);
    secondPage[0] = secondPage.at(1);
    secondPage[1] = first;
    moved[2] = secondPage;
    phone.insert(u"pendingLayouts"_s, QJsonArray{moved});
    world.devices[0] = phone;
    harness.writeWorld(world);
    QCOMPARE(harness.click(u"refreshButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.click(u"readLayoutButton"_s), QString());
    QVERIFY(harness.finishes());
    QVERIFY(harness.model().hasLoadedDevice());
    shoot(harness, u"08-organize-after-read"_s);

    QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
    shoot(harness, u"09-saved-layouts-filled"_s);

    const QString id = harness.model().snapshots().constFirst().toMap().value(u"id"_s).toString();
    QCOMPARE(harness.click(u"previewRestore-"_s + id), QString());
    QVERIFY(harness.finishes());
    QVERIFY(harness.model().hasPendingRestore());
    shoot(harness, u"10-restore-preview"_s);

    QCOMPARE(harness.click(u"sidebar-Activity"_s), QString());
    shoot(harness, u"11-activity"_s);
}

void WindowScreenshotsTest::comparison()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    harness.writeWorld(onePhone());
    QCOMPARE(harness.click(u"refreshButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.click(u"readLayoutButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.click(u"segment-Proposed"_s), QString());
    shoot(harness, u"13-proposed-with-changes"_s);
    QCOMPARE(harness.click(u"segment-Alphabetical"_s), QString());
    QCOMPARE(harness.click(u"applyButton"_s), QString());
    QCOMPARE(harness.click(u"applyConfirmationConfirm"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
    const QString first = harness.model().snapshots().constLast().toMap().value(u"id"_s).toString();
    QCOMPARE(harness.click(u"compare-"_s + first), QString());
    shoot(harness, u"14-comparison"_s);
}

void WindowScreenshotsTest::applyConfirmation()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    harness.writeWorld(onePhone());
    QCOMPARE(harness.click(u"refreshButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.click(u"readLayoutButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.click(u"segment-Proposed"_s), QString());
    QCOMPARE(harness.click(u"applyButton"_s), QString());
    shoot(harness, u"12-apply-confirmation"_s);
}

void WindowScreenshotsTest::warningInTheStatusBar()
{
    WindowHarness harness({}, false);
    QVERIFY(harness.isValid());
    QCOMPARE(harness.click(u"refreshButton"_s), QString());
    QVERIFY(harness.model().messageIsWarning());
    shoot(harness, u"13-warning"_s);
}

void WindowScreenshotsTest::importDialog()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    QVERIFY(QDir().mkpath(harness.home() + u"/Layouts"_s));
    QCOMPARE(harness.click(u"importLayoutButton"_s), QString());
    QTest::qWait(300);
    shoot(harness, u"14-import-dialog"_s);
    harness.pressKey(Qt::Key_Escape);
}

void WindowScreenshotsTest::appStoreSwitchOffAndOn()
{
    const QString data = QStringLiteral(VARNOLET_SAMPLES "/../appstore/");
    AppStoreStandIn standIn(data + u"popular-answers.json"_s);
    qputenv("VARNOLET_APP_STORE_URL", standIn.url().toEncoded());
    WindowHarness harness;
    QVERIFY(harness.isValid());
    harness.pressKey(Qt::Key_O, Qt::ControlModifier);
    harness.panels().accept(QUrl::fromLocalFile(data + u"popular-phone.json"_s));
    harness.pressKey(Qt::Key_Escape); // the file dialog, answered above
    harness.settle();
    QCOMPARE(harness.text(u"appStoreDetail"_s),
             u"Sends app identifiers (nothing else) to Apple’s App Store to find each app’s name "
             "and category. Answers are kept on this computer."_s);
    shoot(harness, u"15-app-store-off"_s);
    QCOMPARE(harness.click(u"appStoreSwitch"_s), QString());
    QVERIFY(harness.finishes());
    harness.settle();
    QCOMPARE(standIn.requests().size(), 3);
    shoot(harness, u"16-app-store-on"_s);
    AppStoreSetting::setEnabled(false);
    qunsetenv("VARNOLET_APP_STORE_URL");
}

void WindowScreenshotsTest::rightColumnAndDockPopovers()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    harness.importLayout(WindowHarness::foldersLayout());
    QCOMPARE(harness.click(u"segment-Original"_s), QString());
    harness.scrollToEnd(u"organizeScroller"_s);
    QCOMPARE(harness.click(u"folder-Folder 3"_s), QString());
    shoot(harness, u"17-popover-right-column"_s);
    harness.pressKey(Qt::Key_Escape);
    QCOMPARE(harness.click(u"folder-Dock"_s), QString());
    shoot(harness, u"18-popover-dock"_s);
}

void WindowScreenshotsTest::handEditing()
{
    WindowHarness harness({u"--demo"_s});
    QVERIFY(harness.isValid());
    harness.scrollToEnd(u"organizeScroller"_s);
    QList<QQuickItem *> apps = harness.items(u"app-"_s);
    QVERIFY(apps.size() > 2);
    // Half-way to another app, the button still held.
    const QPointF over = apps.at(1)->mapToScene(QPointF(apps.at(1)->width() / 2, 22));
    QCOMPARE(harness.drag(apps.at(0), over, [&] { shoot(harness, u"19-drag-in-progress"_s); }),
             QString());
    QVERIFY(harness.model().proposalEdited());

    apps = harness.items(u"app-"_s);
    const QPointF at = apps.constLast()->mapToScene(QPointF(apps.constLast()->width() / 2, 22));
    QTest::mouseClick(harness.window(), Qt::RightButton, Qt::NoModifier, at.toPoint());
    harness.settle();
    QVERIFY(harness.object(u"entryMenu"_s)->property("visible").toBool());
    shoot(harness, u"20-tile-menu"_s);
}

QTEST_MAIN(WindowScreenshotsTest)
#include "windowscreenshotstest.moc"
