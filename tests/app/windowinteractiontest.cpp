#include "windowharness.h"

#include "appstoresetting.h"
#include "appstorestandin.h"

#include <QAccessible>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QString orange = u"#ff9f0a"_s;
bool writeJson(const QString &path, const QJsonArray &layout)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(layout).toJson()) > 0;
}

// The entries of the shown Home Screen page, in order.
QList<QQuickItem *> pageEntries(const WindowHarness &harness)
{
    QQuickItem *grid = harness.item(u"pageGrid"_s);
    QList<QQuickItem *> entries = harness.items(u"app-"_s) + harness.items(u"folder-"_s);
    entries.removeIf([grid](QQuickItem *entry) { return !grid || !grid->isAncestorOf(entry); });
    std::sort(entries.begin(), entries.end(), [](QQuickItem *a, QQuickItem *b) {
        return a->property("position").toInt() < b->property("position").toInt();
    });
    return entries;
}

// What a screen reader says of each entry of the shown page.
QStringList spokenNames(const WindowHarness &harness)
{
    QStringList names;
    for (QQuickItem *entry : pageEntries(harness)) {
        auto *icon = entry->childItems().value(0)->property("item").value<QQuickItem *>();
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(icon);
        names.append(face ? face->text(QAccessible::Name) : QString());
    }
    return names;
}

// A point over an entry's icon: its middle, or its right edge (the place after it).
QPointF onIcon(QQuickItem *entry, bool after = false)
{
    return entry->mapToScene(QPointF(after ? entry->width() - 2 : entry->width() / 2, 22));
}

// The proposal's first page, a folder as its name and apps.
QStringList pageOne(WindowHarness &harness)
{
    QStringList titles;
    for (const LayoutItem &item : harness.model().proposedLayout()->pages.value(1))
        titles.append(item.isFolder() ? item.name() + u':' + item.identifiers().join(u',')
                                      : item.identifier());
    return titles;
}

} // namespace

/// Drives the real window with clicks and key presses, as a person would, through whole workflows,
/// and takes pictures of its main states on the way.
class WindowInteractionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void demoOptionsPickersAndPages();
    void linksImportExportAndFolderPopovers();
    void readApplyCheckAgainAndSwitchPhones();
    void compareRestoreThenEditByHand();
};

void WindowInteractionTest::demoOptionsPickersAndPages()
{
    WindowHarness harness({u"--demo"_s});
    QVERIFY(harness.isValid());
    VarnoletModel &model = harness.model();
    QCOMPARE(harness.state({u"sampleBadge.visible"_s, u"statusPillCaption.text"_s,
                            u"statusPillDot.color"_s, u"applyBarTitle.text"_s,
                            u"applyButton.enabled"_s}),
             (QVariantList{true, u"Demo workspace"_s, QColor(orange),
                           u"Explore freely. Your phone stays untouched."_s, false}));
    harness.shoot(u"02-demo-proposed"_s);
    QCOMPARE(harness.clickItem(harness.items(u"folder-"_s).value(0)), QString());
    harness.shoot(u"05-folder-popover"_s);
    harness.pressKey(Qt::Key_Escape);
    const QString id = model.apps()->index(0, 0).data(AppListModel::IdRole).toString();
    QCOMPARE(harness.choose(u"categoryPicker-"_s + id, int(model.categories().indexOf(u"Games"_s))),
             QString());
    QCOMPARE(model.overrides().value(id).toString(), u"Games"_s);
    // Options rebuild the proposal and its metrics.
    const QVariantList categoryFolders = model.preview();
    QCOMPARE(harness.click(u"segment-Alphabetical"_s), QString());
    QVERIFY(model.preview() != categoryFolders);
    QCOMPARE(harness.text(u"metricFoldersValue"_s), QString::number(model.proposedFolderCount()));
    const int pagesAt24 = model.proposedPageCount();
    QCOMPARE(harness.click({u"keepDockSwitch"_s, u"keepFirstPageSwitch"_s}), QString());
    QCOMPARE(harness.choose(u"pageCapacityPicker"_s, 0), QString());
    QVERIFY(!model.keepDock() && model.keepFirstPage() && model.pageCapacity() == 16);
    QVERIFY(model.proposedPageCount() > pagesAt24);
    QCOMPARE(harness.text(u"metricPagesValue"_s),
             u"%1 → %2"_s.arg(model.originalPageCount()).arg(model.proposedPageCount()));
    // Each segment is a button named by its title and described by the picker's label. Two-icon
    // test hides the options, which keep their values.
    QAccessibleInterface *segment
            = QAccessible::queryAccessibleInterface(harness.item(u"segment-Two-icon test"_s));
    QVERIFY(segment && segment->role() == QAccessible::Button);
    QCOMPARE((QStringList{segment->text(QAccessible::Name),
                          segment->text(QAccessible::Description)}),
             (QStringList{u"Two-icon test"_s, u"Sort style"_s}));
    QCOMPARE(harness.click(u"segment-Two-icon test"_s), QString());
    QCOMPARE(harness.state({u"sortingOptions.visible"_s, u"styleDescription.text"_s}),
             (QVariantList{false,
                           u"Swap the first two loose icons on one page. Start here to "
                           u"test your iPhone, then restore the saved layout."_s}));
    harness.scrollToEnd(u"organizeScroller"_s);
    harness.shoot(u"04-two-icon-test"_s);
    // The swapped icons are announced as moved, and only while the changes are shown.
    QCOMPARE(spokenNames(harness).mid(0, 3),
             (QStringList{u"Candy Crush, moved"_s, u"X, moved"_s, u"Camera"_s}));
    QCOMPARE(harness.click(u"showChangesSwitch"_s), QString());
    QCOMPARE(spokenNames(harness).mid(0, 2), (QStringList{u"Candy Crush"_s, u"X"_s}));
    QCOMPARE(harness.click(u"showChangesSwitch"_s), QString());
    QCOMPARE(harness.click(u"segment-Alphabetical"_s), QString());
    QCOMPARE(harness.state({u"sortingOptions.visible"_s, u"keepDockSwitch.checked"_s,
                            u"keepFirstPageSwitch.checked"_s, u"pageCapacityPicker.displayText"_s}),
             (QVariantList{true, false, true, u"16"_s}));
    // The page arrows stop at the ends; Original and Proposed go back to page one.
    QCOMPARE(harness.click(u"segment-Original"_s), QString());
    harness.scrollToEnd(u"organizeScroller"_s);
    const int pages = model.previewPageCount();
    QVERIFY(model.showOriginal() && pages >= 3);
    harness.shoot(u"03-demo-original"_s);
    QCOMPARE(harness.value(u"previousPage"_s, "enabled"), QVariant(false));
    QVERIFY(harness.value(u"pageDot-1"_s, "color").value<QColor>().alphaF() > 0.8);
    for (int page = 2; page <= pages; ++page)
        QCOMPARE(harness.click(u"nextPage"_s), QString());
    QCOMPARE(harness.state({u"nextPage.enabled"_s, u"pageLabel.text"_s}),
             (QVariantList{false, u"Page %1 of %1"_s.arg(pages)}));
    QVERIFY(harness.value(u"pageDot-1"_s, "color").value<QColor>().alphaF() < 0.3);
    QCOMPARE(harness.click(u"previousPage"_s), QString());
    QCOMPARE(harness.text(u"pageLabel"_s), u"Page %1 of %2"_s.arg(pages - 1).arg(pages));
    QCOMPARE(harness.click(u"segment-Proposed"_s), QString());
    QVERIFY(!model.showOriginal());
    QCOMPARE(harness.text(u"pageLabel"_s), u"Page 1 of %1"_s.arg(model.previewPageCount()));
    QCOMPARE(harness.click(u"sidebar-Activity"_s), QString());
    QCOMPARE(harness.text(u"statusPillCaption"_s), u"No iPhone selected"_s);
    QCOMPARE(harness.click(u"sidebar-Organize"_s), QString());
    harness.scrollToEnd(u"organizeScroller"_s);
    QTest::mouseClick(harness.window(), Qt::RightButton, Qt::NoModifier,
                      onIcon(harness.items(u"app-"_s).constLast()).toPoint());
    harness.settle();
    QVERIFY(harness.value(u"entryMenu"_s, "visible").toBool());
    harness.shoot(u"20-tile-menu"_s);
}

void WindowInteractionTest::linksImportExportAndFolderPopovers()
{
    const QString data = QStringLiteral(VARNOLET_SAMPLES "/../appstore/");
    AppStoreStandIn standIn(data + u"popular-answers.json"_s);
    qputenv("VARNOLET_APP_STORE_URL", standIn.url().toEncoded());
    WindowHarness harness({}, false);
    QVERIFY(harness.isValid());
    QCOMPARE(harness.text(u"topBarTitle"_s), u"Connection"_s);
    QCOMPARE(harness.click(u"sidebar-Organize"_s), QString());
    harness.shoot(u"01-organize-empty"_s);
    QCOMPARE(harness.click(u"emptyConnectButton"_s), QString());
    QCOMPARE(harness.model().section(), u"Connection"_s);
    QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
    // Texts that name this platform (a Mac has its own); the folders and guide open outside.
#ifndef Q_OS_MACOS
    QCOMPARE(harness.state({u"showInFinderButton.text"_s, u"savedLayoutsSubtitle.text"_s}),
             (QVariantList{u"Show in File Manager"_s,
                           u"Original layouts, saved on this computer before every change."_s}));
    QCOMPARE(harness.click({u"showInFinderButton"_s, u"sidebar-Activity"_s}), QString());
    QCOMPARE(harness.text(u"rawResponsesNote"_s),
             u"Raw layout responses stay on this computer. They may contain device identifiers "
             u"and your app inventory."_s);
    QCOMPARE(harness.click({u"openDiagnosticsButton"_s, u"helpButton"_s, u"sidebar-Connection"_s,
                            u"testingGuideButton"_s}),
             QString());
    QCOMPARE(harness.state({u"step01Title.text"_s, u"step01Detail.text"_s, u"step02Detail.text"_s,
                            u"readerStatus.text"_s}),
             (QVariantList{u"Apple Configurator runs on macOS"_s,
                           u"On this computer you can explore the demo, import a layout and "
                           u"export one. Phone commands need a Mac with Apple Configurator."_s,
                           u"Use a USB cable. Unlock the iPhone and approve Trust This Computer "
                           u"on the iPhone."_s,
                           u"Optional reader: not installed"_s}));
    QVERIFY(!harness.isShown(u"getConfiguratorButton"_s) && !harness.isShown(u"installedLabel"_s));
    QCOMPARE(harness.openedFiles(),
             (QStringList{u"Snapshots"_s, u"Diagnostics"_s, u"TESTING.md"_s, u"TESTING.md"_s}));
#endif
    // Without the configurator, Refresh says so as a warning, in orange with the warning icon.
    QCOMPARE(harness.click(u"refreshButton"_s), QString());
    QCOMPARE(harness.state({u"statusText.text"_s, u"statusText.color"_s, u"statusIcon.name"_s,
                            u"exportAction.enabled"_s}),
             (QVariantList{u"Apple Configurator isn't installed yet. You can still explore the "
                           u"demo."_s,
                           QColor(orange), u"exclamationmark.circle"_s, false}));
    harness.shoot(u"13-warning"_s);
    const QString folder = harness.home() + u"/layouts"_s;
    QVERIFY(QDir().mkpath(folder)
            && writeJson(folder + u"/mine.json"_s, WindowHarness::alex()[u"layout"_s].toArray()));
    const auto typePath = [&harness](const QString &path) {
        QCOMPARE(harness.click(u"filePanelPath"_s), QString());
        harness.pressKey(Qt::Key_A, Qt::ControlModifier);
        for (const QChar character : path)
            QTest::keyClick(harness.window(), character.toLatin1());
        harness.pressKey(Qt::Key_Return);
    };
    // The panel lists layouts only; a typed path goes there, or says why it cannot.
    harness.pressKey(Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(harness.state({u"filePanelTitle.text"_s, u"filePanelPath.text"_s}),
             (QVariantList{u"Imported files are preview-only. Read a connected iPhone to enable "
                           u"Apply."_s,
                           harness.home()}));
    harness.shoot(u"14-import-dialog"_s);
    QCOMPARE(harness.click(u"filePanelUp"_s), QString());
    QCOMPARE(harness.text(u"filePanelPath"_s), QFileInfo(harness.home()).path());
    typePath(folder);
    QCOMPARE(harness.text(u"filePanelPath"_s), folder);
    QVERIFY(harness.isShown(u"fileEntry-mine.json"_s));
    typePath(u"nowhere"_s);
    QCOMPARE(harness.text(u"filePanelProblem"_s), u"There is no folder or file at this path."_s);
    typePath(u"mine.json"_s);
    QVERIFY(!harness.isShown(u"filePanelPath"_s));
    QCOMPARE(harness.state({u"topBarTitle.text"_s, u"applyBarTitle.text"_s,
                            u"applyBarSubtitle.text"_s, u"applyButton.enabled"_s,
                            u"exportAction.enabled"_s}),
             (QVariantList{u"Organize"_s, u"Preview only"_s,
                           u"Connect and read your iPhone to apply a layout."_s, false, true}));
    QSignalSpy saves(&harness.panels(), &DesktopPanels::saveRequested);
    harness.pressKey(Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(saves.value(0).value(2).toUrl().fileName(), u"varnolet-proposed-layout.json"_s);
    QVERIFY(saves[0][3].toStringList().join(u' ').contains(u"*.json"_s));
    harness.panels().accept(QUrl::fromLocalFile(harness.home() + u"/exported.json"_s));
    harness.settle();
    QCOMPARE(harness.text(u"statusText"_s), u"Exported the proposed layout to exported.json."_s);
    // A dismissed panel leaves nothing waiting: a late answer writes nothing.
    QCOMPARE(harness.click(u"exportButton"_s), QString());
    QCOMPARE(saves.size(), 2);
    harness.panels().cancel();
    harness.panels().accept(QUrl::fromLocalFile(harness.home() + u"/late.json"_s));
    QVERIFY(!QFile::exists(harness.home() + u"/late.json"_s));
    // Every folder's pop-over opens inside the window, beside its folder, at either window size:
    // a folder in the Dock, and folders in every column of a page's first and last rows.
    int app = 0;
    const auto makeFolder = [&app](const QString &name) {
        QJsonArray folder{name};
        for (int i = 0; i < 9; ++i)
            folder.append(u"com.example.app%1"_s.arg(++app));
        return folder;
    };
    QJsonArray dock{makeFolder(u"Dock"_s)}, page;
    for (int i = 0; i < 24; ++i)
        page.append(i < 4 || i >= 20 ? QJsonValue(makeFolder(u"Folder %1"_s.arg(i)))
                                     : QJsonValue(u"com.example.app%1"_s.arg(++app)));
    QVERIFY(writeJson(harness.home() + u"/folders.json"_s, {dock, page}));
    harness.pressKey(Qt::Key_O, Qt::ControlModifier);
    typePath(harness.home() + u"/folders.json"_s);
    QCOMPARE(harness.click(u"segment-Original"_s), QString());
    for (const QSize size : {QSize(1040, 720), QSize(1260, 850)}) {
        harness.window()->resize(size);
        harness.settle();
        const QList<QQuickItem *> folders = harness.items(u"folder-"_s);
        QCOMPARE(folders.size(), 9);
        const QRectF inside = QRectF(QPointF(0, 0), size).adjusted(7.5, 7.5, -7.5, -7.5);
        for (QQuickItem *entry : folders) {
            QCOMPARE(harness.clickItem(entry), QString());
            auto *popover = entry->findChild<QObject *>(u"folderPopover"_s);
            QVERIFY(popover && popover->property("visible").toBool());
            auto *face = qvariant_cast<QQuickItem *>(popover->property("parent"));
            const auto real
                    = [popover](const char *name) { return popover->property(name).toReal(); };
            const QRectF shown(face->mapToScene(QPointF(real("x"), real("y"))),
                               QSizeF(real("width"), real("height")));
            const QRectF folder = face->mapRectToScene(face->boundingRect());
            QVERIFY2(inside.contains(shown), qPrintable(entry->objectName()));
            QVERIFY(popover->property("above").toBool() ? shown.bottom() <= folder.top()
                                                        : shown.top() >= folder.bottom());
            QCOMPARE(shown.x() + real("arrowX"), folder.center().x());
            if (size.width() == 1260 && entry->objectName().endsWith(u" 3"_s))
                harness.shoot(u"17-popover-right-column"_s);
            if (size.width() == 1260 && entry->objectName() == u"folder-Dock"_s)
                harness.shoot(u"18-popover-dock"_s);
            harness.pressKey(Qt::Key_Escape);
            QVERIFY(!popover->property("visible").toBool());
        }
    }
    // The App Store switch looks the apps up, sending only their identifiers.
    harness.pressKey(Qt::Key_O, Qt::ControlModifier);
    typePath(data + u"popular-phone.json"_s);
    QCOMPARE(harness.text(u"appStoreDetail"_s),
             u"Sends app identifiers (nothing else) to Apple’s App Store to find each app’s name "
             u"and category. Answers are kept on this computer."_s);
    harness.shoot(u"15-app-store-off"_s);
    QCOMPARE(harness.click(u"appStoreSwitch"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(standIn.requests().size(), 3);
    harness.shoot(u"16-app-store-on"_s);
    AppStoreSetting::setEnabled(false);
    qunsetenv("VARNOLET_APP_STORE_URL");
}

void WindowInteractionTest::readApplyCheckAgainAndSwitchPhones()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    VarnoletModel &model = harness.model();
    // The first look for phones takes a while: the section waits, the frame stays live.
    harness.writeWorld({WindowHarness::alex()},
                       {{u"list"_s, QJsonObject{{u"on"_s, 1}, {u"sleep"_s, 1.5}}}});
    QCOMPARE(harness.state({u"step02Badge.text"_s, u"readLayoutButton.enabled"_s}),
             (QVariantList{u"02"_s, false}));
    QCOMPARE(harness.click(u"refreshButton"_s), QString());
    QCOMPARE(harness.state({u"busySpinner.visible"_s, u"statusIcon.visible"_s,
                            u"sectionContent.enabled"_s, u"statusText.text"_s}),
             (QVariantList{true, false, false, u"Looking for your iPhone…"_s}));
    QVERIFY(harness.click(u"exploreDemoButton"_s).contains(u"disabled"_s));
    QCOMPARE(harness.click(u"sidebar-Activity"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.click(u"sidebar-Connection"_s), QString());
    QCOMPARE(harness.state({u"statusIcon.visible"_s, u"sectionContent.enabled"_s,
                            u"step02Badge.text"_s, u"devicePicker.displayText"_s}),
             (QVariantList{true, true, u"✓"_s, u"Alex’s iPhone · iPhone16,2"_s}));
    QCOMPARE(harness.click(u"readLayoutButton"_s), QString());
    QVERIFY(harness.finishes());
    harness.shoot(u"08-organize-after-read"_s);
    // A fresh read shows the original: Apply waits for the proposal to be reviewed.
    QCOMPARE(harness.state({u"topBarTitle.text"_s, u"statusPillCaption.text"_s,
                            u"applyBarTitle.text"_s, u"applyButton.enabled"_s,
                            u"checkAgainButton.visible"_s}),
             (QVariantList{u"Organize"_s, u"Alex’s iPhone"_s, u"Review Proposed to enable Apply"_s,
                           false, false}));
    QCOMPARE(harness.click(u"segment-Proposed"_s), QString());
    QCOMPARE(harness.state(
                     {u"applyBarTitle.text"_s, u"applyBarSubtitle.text"_s, u"applyButton.text"_s}),
             (QVariantList{u"Ready for your review"_s,
                           u"Your current icon layout is saved before every change."_s,
                           u"Apply to iPhone"_s}));
    harness.shoot(u"13-proposed-with-changes"_s);
    QCOMPARE(spokenNames(harness).value(0), u"Open Productivity folder, moved"_s);
    // The alert says what will happen; Cancel and Escape write nothing.
    QCOMPARE(harness.click(u"applyButton"_s), QString());
    QCOMPARE(
            harness.state({u"applyConfirmationTitle.text"_s, u"applyConfirmationConfirm.text"_s,
                           u"applyConfirmationSummary.text"_s, u"applyConfirmationMessage.text"_s}),
            (QVariantList{
                    u"Apply to iPhone"_s, u"Apply to iPhone"_s,
                    u"29 apps move · 4 new folders · Dock unchanged · 2 pages → 1"_s,
                    u"Apply the preview to Alex’s iPhone? Varnolet saves the current icon layout "
                    u"first. This prototype cannot guarantee preservation of widgets, hidden "
                    u"pages, or wallpaper arrangements. Make a Finder backup and take "
                    u"screenshots before the first test. Start with Two-icon test. Keep the "
                    u"phone connected until verification finishes."_s}));
    harness.shoot(u"12-apply-confirmation"_s);
    QCOMPARE(harness.click(u"applyConfirmationCancel"_s), QString());
    QVERIFY(!harness.isShown(u"applyConfirmationTitle"_s));
    QCOMPARE(harness.click(u"applyButton"_s), QString());
    harness.pressKey(Qt::Key_Escape);
    QVERIFY(!model.showApplyConfirmation() && harness.calls(u"set-icon-layout"_s) == 0);
    // Confirmed: one write, verified; nothing is left to export or apply. Check again.
    QCOMPARE(harness.click(
                     {u"segment-Two-icon test"_s, u"applyButton"_s, u"applyConfirmationConfirm"_s}),
             QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.calls(u"set-icon-layout"_s), 1);
    QCOMPARE(harness.state({u"exportButton.enabled"_s, u"exportAction.enabled"_s,
                            u"applyButton.enabled"_s}),
             (QVariantList{false, false, false}));
    QCOMPARE(harness.click(u"checkAgainButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.text(u"statusText"_s),
             u"Your iPhone still holds the layout Varnolet wrote."_s);
    QVERIFY(!model.messageIsWarning());
    // The phone puts its icons back as they were, and a second phone arrives.
    QJsonObject sam = WindowHarness::alex();
    sam[u"ecid"_s] = u"0x2A0B0C0D0E0F10"_s;
    sam[u"udid"_s] = u"00008110-002A0B0C0D0E0F10"_s;
    sam[u"name"_s] = u"Sam’s iPhone"_s;
    harness.writeWorld({WindowHarness::alex(), sam});
    QCOMPARE(harness.click(u"checkAgainButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.text(u"statusText"_s),
             u"Your iPhone changed its layout after the write: 2 apps move · Dock unchanged."_s);
    QVERIFY(model.messageIsWarning() && model.snapshots().size() == 2);
    QCOMPARE(harness.click({u"sidebar-Connection"_s, u"refreshButton"_s}), QString());
    QVERIFY(harness.finishes());
    harness.shoot(u"06-connection-two-phones"_s);
    // The chosen phone keeps its place in the picker; another one can be chosen, or none.
    QCOMPARE(harness.state({u"devicePicker.displayText"_s, u"readLayoutButton.enabled"_s}),
             (QVariantList{u"Alex’s iPhone · iPhone16,2"_s, true}));
    QCOMPARE(harness.choose(u"devicePicker"_s, 2), QString());
    QCOMPARE(model.selectedDeviceID(), u"0x2A0B0C0D0E0F10"_s);
    QCOMPARE(harness.choose(u"devicePicker"_s, 0), QString());
    QCOMPARE(harness.state({u"devicePicker.displayText"_s, u"readLayoutButton.enabled"_s}),
             (QVariantList{u"Choose iPhone"_s, false}));
}

void WindowInteractionTest::compareRestoreThenEditByHand()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    // The phone swaps two apps of its Dock after the first read.
    QJsonArray swapped = WindowHarness::alex()[u"layout"_s].toArray(), dock = swapped[0].toArray();
    dock.insert(0, dock.takeAt(1));
    swapped[0] = dock;
    harness.writeWorld({WindowHarness::alex(swapped)});
    QVERIFY(harness.readPhone() && harness.readPhone());
    QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
    harness.shoot(u"09-saved-layouts-filled"_s);
    // Both reads may fall in one second, when their order in the list is not fixed: compare the
    // one that holds the layout before the phone rearranged itself.
    QString id;
    for (const QVariant &snapshot : harness.model().snapshots()) {
        id = snapshot.toMap().value(u"id"_s).toString();
        QCOMPARE(harness.click(u"compare-"_s + id), QString());
        if (harness.text(u"comparisonSummary"_s) != u"No changes."_s)
            break;
        QCOMPARE(harness.click(u"backToSavedLayouts"_s), QString());
    }
    QCOMPARE(harness.items(u"comparisonPreview"_s).size(), 2);
    QCOMPARE(harness.text(u"comparisonSummary"_s), u"2 apps move · Dock changes"_s);
    QCOMPARE(harness.items(u"comparisonMove-"_s).size(), 2);
    harness.shoot(u"14-comparison"_s);
    QCOMPARE(harness.click(u"backToSavedLayouts"_s), QString());
    // Restoring it: a preview of the saved layout that cannot be changed, then the same alert.
    QCOMPARE(harness.click(u"previewRestore-"_s + id), QString());
    QVERIFY(harness.finishes());
    harness.shoot(u"10-restore-preview"_s);
    const QString first = harness.model().apps()->index(0, 0).data(AppListModel::IdRole).toString();
    harness.scrollToEnd(u"organizeScroller"_s);
    QCOMPARE(harness.state({u"backToSorting.visible"_s, u"stylePicker.visible"_s,
                            u"sortingTitle.text"_s, u"organizeTitle.text"_s,
                            u"categoryPicker-"_s + first + u".enabled"_s, u"applyButton.text"_s}),
             (QVariantList{true, false, u"Saved layout preview"_s, u"Bring your layout back."_s,
                           false, u"Restore saved layout"_s}));
    QCOMPARE(harness.click(u"sidebar-Activity"_s), QString());
    harness.shoot(u"11-activity"_s);
    QCOMPARE(harness.click({u"sidebar-Organize"_s, u"applyButton"_s}), QString());
    QCOMPARE(harness.state({u"applyConfirmationTitle.text"_s, u"applyConfirmationConfirm.text"_s,
                            u"applyConfirmationSummary.text"_s}),
             (QVariantList{u"Restore saved layout"_s, u"Restore saved layout"_s,
                           u"2 apps move · Dock changes"_s}));
    QCOMPARE(harness.click(u"applyConfirmationConfirm"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.calls(u"set-icon-layout"_s), 1);
    QCOMPARE(harness.click({u"segment-Alphabetical"_s, u"segment-Proposed"_s}), QString());
    // Within the page: the first app goes after the fourth.
    QStringList expected = pageOne(harness);
    QCOMPARE(harness.drag(pageEntries(harness)[0], onIcon(pageEntries(harness)[3], true),
                          [&harness] { harness.shoot(u"19-drag-in-progress"_s); }),
             QString());
    expected.move(0, 3);
    QCOMPARE(pageOne(harness), expected);
    QCOMPARE(harness.text(u"applyBarTitle"_s), u"Ready for your review · edited by you"_s);
    // Onto another app: the two make a folder where that app stood; then one more goes in.
    for (int drop = 0; drop < 2; ++drop)
        QCOMPARE(harness.drag(pageEntries(harness)[1], onIcon(pageEntries(harness)[0])), QString());
    QCOMPARE(harness.model().proposedLayout()->pages[1][0].identifiers(), expected.mid(0, 3));
    const QStringList folded = pageOne(harness);
    // Out of the folder's pop-over onto the page, after the second entry.
    QCOMPARE(harness.clickItem(pageEntries(harness)[0]), QString());
    QQuickItem *popoverGrid = harness.item(u"folderPopoverGrid"_s);
    QVERIFY(popoverGrid && harness.isShown(u"folderPopoverGrid"_s));
    QCOMPARE(harness.drag(popoverGrid->childItems()[0], onIcon(pageEntries(harness)[1], true)),
             QString());
    const QStringList edited = pageOne(harness);
    QCOMPARE(edited[2], expected[0]);
    QVERIFY(!edited[0].contains(expected[0]));
    // A drop the phone refuses springs back and says why: the Dock already holds four apps.
    QQuickItem *lastInDock = harness.items(u"app-"_s).last();
    harness.scrollIntoView(lastInDock);
    QCOMPARE(harness.drag(pageEntries(harness)[1], onIcon(lastInDock, true)), QString());
    QCOMPARE(pageOne(harness), edited);
    QCOMPARE(harness.text(u"statusText"_s), u"The Dock holds at most four items."_s);
    // Undo and Redo, by button and by shortcut.
    QCOMPARE(harness.click(u"undoButton"_s), QString());
    QCOMPARE(pageOne(harness), folded);
    QCOMPARE(harness.click(u"redoButton"_s), QString());
    QCOMPARE(pageOne(harness), edited);
    harness.pressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(pageOne(harness), folded);
    harness.pressKey(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(pageOne(harness), edited);
    // The edited proposal is applied like any other: one write, read back and verified.
    const Layout proposal = *harness.model().proposedLayout();
    QCOMPARE(harness.click({u"applyButton"_s, u"applyConfirmationConfirm"_s}), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.calls(u"set-icon-layout"_s), 2);
    QCOMPARE(harness.model().originalLayout(), proposal);
    QVERIFY(!harness.model().messageIsWarning());
    // Selecting Saved layouts again, while it is shown, reads the list from disk again.
    QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
    QVERIFY(QDir(SnapshotStore::standard().snapshotsPath()).removeRecursively());
    QVERIFY(!harness.isShown(u"snapshotsEmptyState"_s));
    QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
    QVERIFY(harness.isShown(u"snapshotsEmptyState"_s));
    harness.shoot(u"07-saved-layouts-empty"_s);
}

QTEST_MAIN(WindowInteractionTest)
#include "windowinteractiontest.moc"
