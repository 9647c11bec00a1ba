#include "windowharness.h"

#include "deviceread.h"
#include "layoutparser.h"
#include "snapshotstore.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

/// Drives the real window with clicks and key presses, as a person would, and checks what the
/// model and the screen show afterwards.
class WindowInteractionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sidebarNavigatesAndRereadsSnapshots();
    void statusPillFollowsDemoAndSection();
    void twoIconTestHidesTheOptionsAndKeepsTheirValues();
    void optionsRebuildTheProposal();
    void categoryPickerStoresTheOverrideAndRebuilds();
    void pageArrowsStopAtTheEnds();
    void originalAndProposedReturnToPageOne();
    void exportNeedsAProposal();
    void importFromTheMenuShortcutIsPreviewOnly();
    void applyButtonFollowsCanApply();
    void applyAlertTexts_data();
    void applyAlertTexts();
    void cancellingTheAlertWritesNothing();
    void compareASavedLayout();
    void checkAgainAfterAWrite();
    void readApplyAndVerifyThroughTheWindow();
    void sectionIsDisabledWhileBusy();
    void choosingAnotherPhoneDisablesApply();
    void helpAndFooterButtonsOpenTheirTargets();
    void folderPopoversStayInsideTheWindow_data();
    void folderPopoversStayInsideTheWindow();
    void textsNameThePlatform_data();
    void textsNameThePlatform();
    void pickerKeepsItsSelectionWhenAPhoneArrives();
    void ownFilePanelGoesUpAndFollowsTypedPaths();
    void handEditsThroughThePreview();

private:
    static WindowHarness::World phones(int count);
    static bool readPhone(WindowHarness &harness);
};

namespace {

const QString alexEcid = u"0x1C2D3E4F50601E"_s;
const QString alexName = u"Alex’s iPhone"_s;
const QString samEcid = u"0x2A0B0C0D0E0F10"_s;

Device alexDevice()
{
    return Device(alexEcid, u"00008140-001C2D3E4F50601E"_s, alexName, u"iPhone16,2"_s);
}

// A snapshot written straight to disk, behind the model's back.
QString saveSnapshotOnDisk(const QString &reason)
{
    const QByteArray raw = QJsonDocument(WindowHarness::sampleLayout()).toJson();
    const ParsedLayout parsed = LayoutParser::parse(raw);
    const Snapshot snapshot = SnapshotStore::standard().save(
            DeviceRead{parsed.layout, parsed.names, raw, u"cfgutil"_s}, alexDevice(), parsed.names,
            reason);
    return snapshot.id;
}

// The sample layout with the first two apps of the Dock swapped.
QJsonArray swappedDock()
{
    QJsonArray moved = WindowHarness::sampleLayout();
    QJsonArray dock = moved.at(0).toArray();
    const QJsonValue first = dock.at(0);
    dock[0] = dock.at(1);
    dock[1] = first;
    moved[0] = dock;
    return moved;
}

// Scrolls every view around `target`, innermost first, so that it sits in the middle of each.
void bringIntoView(WindowHarness &harness, QQuickItem *target)
{
    for (QQuickItem *view = target->parentItem(); view; view = view->parentItem()) {
        if (!view->property("contentY").isValid())
            continue;
        const qreal offset = view->mapFromItem(target, QPointF(0, target->height() / 2)).y();
        const qreal end = view->property("contentHeight").toReal() - view->height();
        const qreal contentY = view->property("contentY").toReal() + offset - view->height() / 2;
        view->setProperty("contentY", std::clamp(contentY, 0.0, std::max(0.0, end)));
    }
    harness.settle();
}

bool checked(const WindowHarness &harness, const QString &name)
{
    return harness.value(name, "checked").toBool();
}

} // namespace

WindowHarness::World WindowInteractionTest::phones(int count)
{
    QJsonArray devices{WindowHarness::phone(alexEcid, u"00008140-001C2D3E4F50601E"_s, alexName,
                                            WindowHarness::sampleLayout())};
    if (count > 1)
        devices.append(WindowHarness::phone(samEcid, u"00008110-002A0B0C0D0E0F10"_s,
                                            u"Sam’s iPhone"_s, WindowHarness::sampleLayout()));
    return {devices, {}};
}

// Refresh and read the only phone through the Connection section.
bool WindowInteractionTest::readPhone(WindowHarness &harness)
{
    return harness.click(u"sidebar-Connection"_s).isEmpty()
            && harness.click(u"refreshButton"_s).isEmpty() && harness.finishes()
            && harness.click(u"readLayoutButton"_s).isEmpty() && harness.finishes()
            && harness.model().hasLoadedDevice();
}

void WindowInteractionTest::sidebarNavigatesAndRereadsSnapshots()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    QCOMPARE(harness.text(u"topBarTitle"_s), u"Connection"_s);
    for (const QString &section : {u"Organize"_s, u"Activity"_s, u"Connection"_s}) {
        QCOMPARE(harness.click(u"sidebar-"_s + section), QString());
        QCOMPARE(harness.model().section(), section);
        QCOMPARE(harness.text(u"topBarTitle"_s), section);
        QVERIFY(harness.value(u"sidebar-"_s + section, "current").toBool());
    }

    QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
    QVERIFY(harness.isShown(u"snapshotsEmptyState"_s));

    // Selecting the section again, while it is already shown, reads the list from disk again.
    const QString first = saveSnapshotOnDisk(u"Initial read"_s);
    QVERIFY(!harness.item(u"snapshotRow-"_s + first));
    QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
    QVERIFY(harness.item(u"snapshotRow-"_s + first));
    QVERIFY(!harness.isShown(u"snapshotsEmptyState"_s));
    const QString second = saveSnapshotOnDisk(u"Before restore"_s);
    QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
    QVERIFY(harness.item(u"snapshotRow-"_s + second));
    QCOMPARE(harness.model().snapshots().size(), 2);

    QCOMPARE(harness.click(u"sidebar-Organize"_s), QString());
    QCOMPARE(harness.click(u"emptyConnectButton"_s), QString());
    QCOMPARE(harness.model().section(), u"Connection"_s);
    QVERIFY(harness.warnings().isEmpty());
}

void WindowInteractionTest::statusPillFollowsDemoAndSection()
{
    WindowHarness harness({u"--demo"_s});
    QVERIFY(harness.isValid());
    QCOMPARE(harness.text(u"statusPillCaption"_s), u"Demo workspace"_s);
    QCOMPARE(harness.value(u"statusPillDot"_s, "color").value<QColor>(), QColor(u"#ff9f0a"_s));
    QVERIFY(harness.isShown(u"sampleBadge"_s));
    QCOMPARE(harness.click(u"sidebar-Activity"_s), QString());
    QCOMPARE(harness.text(u"statusPillCaption"_s), u"No iPhone selected"_s);
}

void WindowInteractionTest::twoIconTestHidesTheOptionsAndKeepsTheirValues()
{
    WindowHarness harness({u"--demo"_s});
    QVERIFY(harness.isValid());
    QCOMPARE(harness.click(u"keepDockSwitch"_s), QString());
    QCOMPARE(harness.click(u"keepFirstPageSwitch"_s), QString());
    QCOMPARE(harness.choose(u"pageCapacityPicker"_s, 0), QString());
    QCOMPARE(harness.model().keepDock(), false);
    QCOMPARE(harness.model().keepFirstPage(), true);
    QCOMPARE(harness.model().pageCapacity(), 16);

    // Each segment is a button named by its title and described by the picker's label.
    QAccessibleInterface *segment
            = QAccessible::queryAccessibleInterface(harness.item(u"segment-Two-icon test"_s));
    QVERIFY(segment && segment->role() == QAccessible::Button);
    QCOMPARE(segment->text(QAccessible::Name), u"Two-icon test"_s);
    QCOMPARE(segment->text(QAccessible::Description), u"Sort style"_s);
    QCOMPARE(harness.click(u"segment-Two-icon test"_s), QString());
    QCOMPARE(harness.model().style(), u"Two-icon test"_s);
    QVERIFY(!harness.isShown(u"sortingOptions"_s));
    QVERIFY(harness.click(u"keepDockSwitch"_s).contains(u"not visible"_s));
    QCOMPARE(harness.text(u"styleDescription"_s),
             u"Swap the first two loose icons on one page. Start here to test your iPhone, then "
             u"restore the saved layout."_s);

    QCOMPARE(harness.click(u"segment-Alphabetical"_s), QString());
    QVERIFY(harness.isShown(u"sortingOptions"_s));
    QVERIFY(!checked(harness, u"keepDockSwitch"_s));
    QVERIFY(checked(harness, u"keepFirstPageSwitch"_s));
    QCOMPARE(harness.value(u"pageCapacityPicker"_s, "displayText").toString(), u"16"_s);
    QCOMPARE(harness.model().pageCapacity(), 16);
    QVERIFY(harness.warnings().isEmpty());
}

void WindowInteractionTest::optionsRebuildTheProposal()
{
    WindowHarness harness({u"--demo"_s});
    QVERIFY(harness.isValid());
    const QVariantList categoryFolders = harness.model().preview();
    QCOMPARE(harness.click(u"segment-Alphabetical"_s), QString());
    const QVariantList alphabetical = harness.model().preview();
    QVERIFY(alphabetical != categoryFolders);
    QCOMPARE(harness.text(u"metricFoldersValue"_s),
             QString::number(harness.model().proposedFolderCount()));

    const int pagesAt24 = harness.model().proposedPageCount();
    QCOMPARE(harness.choose(u"pageCapacityPicker"_s, 0), QString());
    QVERIFY(harness.model().proposedPageCount() > pagesAt24);
    QCOMPARE(harness.text(u"metricPagesValue"_s),
             u"%1 → %2"_s.arg(harness.model().originalPageCount())
                     .arg(harness.model().proposedPageCount()));
}

void WindowInteractionTest::categoryPickerStoresTheOverrideAndRebuilds()
{
    WindowHarness harness({u"--demo"_s});
    QVERIFY(harness.isValid());
    QAbstractItemModel *apps = harness.model().apps();
    const QString id = apps->data(apps->index(0, 0), AppListModel::IdRole).toString();
    const QString name = apps->data(apps->index(0, 0), AppListModel::NameRole).toString();
    const int games = int(harness.model().categories().indexOf(u"Games"_s));
    QVERIFY(games >= 0);
    QVERIFY(apps->data(apps->index(0, 0), AppListModel::CategoryRole).toString() != u"Games"_s);

    harness.scrollToEnd(u"organizeScroller"_s); // the app list starts below the sorting card
    QCOMPARE(harness.choose(u"categoryPicker-"_s + id, games), QString());
    QCOMPARE(harness.model().overrides().value(id).toString(), u"Games"_s);
    QCOMPARE(apps->data(apps->index(0, 0), AppListModel::CategoryRole).toString(), u"Games"_s);
    QCOMPARE(harness.value(u"categoryPicker-"_s + id, "displayText").toString(), u"Games"_s);
    // The proposal was rebuilt: the app now sits in the Games folder.
    bool inGames = false;
    const QVariantList pages = harness.model().preview();
    for (const QVariant &page : pages) {
        for (const QVariant &entry : page.toList()) {
            const QVariantMap item = entry.toMap();
            if (item.value(u"kind"_s) != u"folder"_s || item.value(u"title"_s) != u"Games"_s)
                continue;
            for (const QVariant &folderPage : item.value(u"pages"_s).toList()) {
                for (const QVariant &app : folderPage.toList())
                    inGames = inGames || app.toMap().value(u"title"_s) == name;
            }
        }
    }
    QVERIFY(inGames);
}

void WindowInteractionTest::pageArrowsStopAtTheEnds()
{
    WindowHarness harness({u"--demo"_s});
    QVERIFY(harness.isValid());
    QCOMPARE(harness.click(u"segment-Original"_s), QString());
    harness.scrollToEnd(u"organizeScroller"_s);
    const int pages = harness.model().previewPageCount();
    QVERIFY(pages >= 3);
    QVERIFY(harness.isDisabled(u"previousPage"_s));
    QCOMPARE(harness.text(u"pageLabel"_s), u"Page 1 of %1"_s.arg(pages));
    QVERIFY(harness.value(u"pageDot-1"_s, "color").value<QColor>().alphaF() > 0.8);

    for (int page = 2; page <= pages; ++page) {
        QCOMPARE(harness.click(u"nextPage"_s), QString());
        QCOMPARE(harness.model().selectedPage(), page);
        QCOMPARE(harness.text(u"pageLabel"_s), u"Page %1 of %2"_s.arg(page).arg(pages));
    }
    QVERIFY(harness.isDisabled(u"nextPage"_s));
    QVERIFY(harness.isEnabled(u"previousPage"_s));
    QVERIFY(harness.value(u"pageDot-1"_s, "color").value<QColor>().alphaF() < 0.3);
    QCOMPARE(harness.click(u"previousPage"_s), QString());
    QCOMPARE(harness.model().selectedPage(), pages - 1);
}

void WindowInteractionTest::originalAndProposedReturnToPageOne()
{
    WindowHarness harness({u"--demo"_s});
    QVERIFY(harness.isValid());
    QCOMPARE(harness.click(u"segment-Original"_s), QString());
    QVERIFY(harness.model().showOriginal());
    harness.scrollToEnd(u"organizeScroller"_s);
    QCOMPARE(harness.click(u"nextPage"_s), QString());
    QCOMPARE(harness.click(u"nextPage"_s), QString());
    QCOMPARE(harness.model().selectedPage(), 3);
    QCOMPARE(harness.click(u"segment-Proposed"_s), QString());
    QVERIFY(!harness.model().showOriginal());
    QCOMPARE(harness.model().selectedPage(), 1);
    QCOMPARE(harness.text(u"pageLabel"_s),
             u"Page 1 of %1"_s.arg(harness.model().previewPageCount()));
}

void WindowInteractionTest::exportNeedsAProposal()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    QObject *exportAction = harness.object(u"exportAction"_s);
    QVERIFY(exportAction);
    QVERIFY(!exportAction->property("enabled").toBool());

    QCOMPARE(harness.click(u"exploreDemoButton"_s), QString());
    QVERIFY(exportAction->property("enabled").toBool());
    QVERIFY(harness.isEnabled(u"exportButton"_s));

    QSignalSpy saveRequests(&harness.panels(), &DesktopPanels::saveRequested);
    harness.pressKey(Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(saveRequests.size(), 1);
    QCOMPARE(saveRequests.at(0).at(2).toUrl().fileName(), u"varnolet-proposed-layout.json"_s);
    QVERIFY(saveRequests.at(0).at(3).toStringList().join(u' ').contains(u"*.json"_s));
    const QString target = harness.home() + u"/exported.json"_s;
    harness.panels().accept(QUrl::fromLocalFile(target));
    harness.settle();
    QVERIFY(QFile::exists(target));
    QCOMPARE(harness.text(u"statusText"_s), u"Exported the proposed layout to exported.json."_s);

    // A dismissed panel leaves nothing waiting: a late answer writes nothing.
    QCOMPARE(harness.click(u"exportButton"_s), QString());
    QCOMPARE(saveRequests.size(), 2);
    harness.panels().cancel();
    harness.panels().accept(QUrl::fromLocalFile(harness.home() + u"/late.json"_s));
    QVERIFY(!QFile::exists(harness.home() + u"/late.json"_s));
    QVERIFY2(harness.warnings().isEmpty(), qPrintable(harness.warnings().join(u'\n')));
}

void WindowInteractionTest::importFromTheMenuShortcutIsPreviewOnly()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    const QString file = harness.home() + u"/my-layout.json"_s;
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(QJsonDocument(WindowHarness::sampleLayout()).toJson());
    out.close();

    QSignalSpy openRequests(&harness.panels(), &DesktopPanels::openRequested);
    harness.pressKey(Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(openRequests.size(), 1);
    QCOMPARE(openRequests.at(0).at(0).toString(),
             u"Imported files are preview-only. Read a connected iPhone to enable Apply."_s);
    QVERIFY(openRequests.at(0).at(1).toStringList().join(u' ').contains(u"*.json"_s));
    harness.panels().accept(QUrl::fromLocalFile(file));
    harness.settle();

    QCOMPARE(harness.model().section(), u"Organize"_s);
    QCOMPARE(harness.model().sourceLabel(), u"Imported • my-layout.json"_s);
    QCOMPARE(harness.text(u"applyBarTitle"_s), u"Preview only"_s);
    QCOMPARE(harness.text(u"applyBarSubtitle"_s),
             u"Connect and read your iPhone to apply a layout."_s);
    QVERIFY(harness.isDisabled(u"applyButton"_s));
    QVERIFY(harness.isEnabled(u"exportButton"_s));
    QVERIFY2(harness.warnings().isEmpty(), qPrintable(harness.warnings().join(u'\n')));
}

void WindowInteractionTest::applyButtonFollowsCanApply()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    harness.writeWorld(phones(1));
    QVERIFY(readPhone(harness));
    // A fresh read shows the original: Apply waits for the proposal to be reviewed.
    QVERIFY(harness.model().showOriginal());
    QCOMPARE(harness.text(u"applyBarTitle"_s), u"Review Proposed to enable Apply"_s);
    QVERIFY(!harness.model().canApply());
    QVERIFY(harness.isDisabled(u"applyButton"_s));
    QVERIFY(harness.click(u"applyButton"_s).contains(u"disabled"_s));
    QVERIFY(!harness.model().showApplyConfirmation());

    QCOMPARE(harness.click(u"segment-Proposed"_s), QString());
    QVERIFY(harness.model().canApply());
    QCOMPARE(harness.text(u"applyBarTitle"_s), u"Ready for your review"_s);
    QCOMPARE(harness.text(u"applyBarSubtitle"_s),
             u"Your current icon layout is saved before every change."_s);
    QVERIFY(harness.isEnabled(u"applyButton"_s));

    // The demo can never be applied.
    QCOMPARE(harness.click(u"sidebar-Connection"_s), QString());
    QCOMPARE(harness.click(u"exploreDemoButton"_s), QString());
    QCOMPARE(harness.text(u"applyBarTitle"_s), u"Explore freely. Your phone stays untouched."_s);
    QVERIFY(harness.isDisabled(u"applyButton"_s));
}

void WindowInteractionTest::applyAlertTexts_data()
{
    QTest::addColumn<bool>("restore");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("summary");
    QTest::newRow("apply") << false << u"Apply to iPhone"_s
                           << u"19 apps move · 4 new folders · Dock unchanged · 2 pages → 1"_s;
    QTest::newRow("restore") << true << u"Restore saved layout"_s
                             << u"2 apps move · Dock changes"_s;
}

void WindowInteractionTest::applyAlertTexts()
{
    QFETCH(bool, restore);
    QFETCH(QString, action);
    QFETCH(QString, summary);
    WindowHarness harness;
    QVERIFY(harness.isValid());
    WindowHarness::World world = phones(1);
    if (restore) {
        // The phone changes after the first read, so the saved layout differs from it.
        QJsonObject phone = world.devices.at(0).toObject();
        phone.insert(u"pendingLayouts"_s, QJsonArray{swappedDock()});
        world.devices[0] = phone;
    }
    harness.writeWorld(world);
    QVERIFY(readPhone(harness));
    if (restore) {
        QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
        const QString id
                = harness.model().snapshots().constFirst().toMap().value(u"id"_s).toString();
        QCOMPARE(harness.click(u"previewRestore-"_s + id), QString());
        QVERIFY(harness.finishes());
        QVERIFY(harness.model().hasPendingRestore());
        QCOMPARE(harness.text(u"sortingTitle"_s), u"Saved layout preview"_s);
        QCOMPARE(harness.text(u"organizeTitle"_s), u"Bring your layout back."_s);
        QVERIFY(harness.isShown(u"backToSorting"_s));
        QVERIFY(!harness.isShown(u"stylePicker"_s));
        QAbstractItemModel *apps = harness.model().apps();
        const QString id0 = apps->data(apps->index(0, 0), AppListModel::IdRole).toString();
        QVERIFY(!harness.isEnabled(u"categoryPicker-"_s + id0));
    } else {
        QCOMPARE(harness.click(u"segment-Proposed"_s), QString());
    }
    QCOMPARE(harness.text(u"applyButton"_s), action);
    QCOMPARE(harness.click(u"applyButton"_s), QString());
    QVERIFY(harness.model().showApplyConfirmation());
    QVERIFY(harness.isShown(u"applyConfirmationTitle"_s));
    QCOMPARE(harness.text(u"applyConfirmationTitle"_s), action);
    QCOMPARE(harness.text(u"applyConfirmationConfirm"_s), action);
    QCOMPARE(harness.text(u"applyConfirmationSummary"_s), summary);
    QCOMPARE(harness.text(u"applyConfirmationMessage"_s),
             u"Apply the preview to Alex’s iPhone? Varnolet saves the current icon layout first. "
             u"This prototype cannot guarantee preservation of widgets, hidden pages, or wallpaper "
             u"arrangements. Make a Finder backup and take screenshots before the first test. "
             u"Start with Two-icon test. Keep the phone connected until verification finishes."_s);
    QCOMPARE(harness.calls(u"set-icon-layout"_s), 0);

    QCOMPARE(harness.click(u"applyConfirmationConfirm"_s), QString());
    QVERIFY(!harness.model().showApplyConfirmation());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.calls(u"set-icon-layout"_s), 1);
    QVERIFY(!harness.model().messageIsWarning());
    QVERIFY(!harness.model().hasPendingRestore());
    QVERIFY(harness.warnings().isEmpty());
}

void WindowInteractionTest::cancellingTheAlertWritesNothing()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    harness.writeWorld(phones(1));
    QVERIFY(readPhone(harness));
    QCOMPARE(harness.click(u"segment-Proposed"_s), QString());
    QCOMPARE(harness.click(u"applyButton"_s), QString());
    QCOMPARE(harness.click(u"applyConfirmationCancel"_s), QString());
    QVERIFY(!harness.model().showApplyConfirmation());
    QVERIFY(!harness.isShown(u"applyConfirmationTitle"_s));
    // Escape dismisses the alert too, without writing.
    QCOMPARE(harness.click(u"applyButton"_s), QString());
    harness.pressKey(Qt::Key_Escape);
    QVERIFY(!harness.model().showApplyConfirmation());
    harness.settle();
    QCOMPARE(harness.calls(u"set-icon-layout"_s), 0);
    QVERIFY(harness.model().canApply());
}

void WindowInteractionTest::compareASavedLayout()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    WindowHarness::World world = phones(1);
    QJsonObject phone = world.devices.at(0).toObject();
    phone.insert(u"pendingLayouts"_s, QJsonArray{swappedDock()});
    world.devices[0] = phone;
    harness.writeWorld(world);
    QVERIFY(readPhone(harness));
    QVERIFY(readPhone(harness));
    QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
    // Both reads may fall in one second, when their order in the list is not fixed: compare the
    // one that holds the layout before the phone rearranged itself.
    for (const QVariant &snapshot : harness.model().snapshots()) {
        const QString id = snapshot.toMap().value(u"id"_s).toString();
        QCOMPARE(harness.click(u"compare-"_s + id), QString());
        if (harness.text(u"comparisonSummary"_s) != u"No changes."_s)
            break;
        QCOMPARE(harness.click(u"backToSavedLayouts"_s), QString());
    }
    QVERIFY(harness.isShown(u"comparisonBefore"_s));
    QVERIFY(harness.isShown(u"comparisonAfter"_s));
    QCOMPARE(harness.items(u"comparisonPreview"_s).size(), 2);
    QCOMPARE(harness.text(u"comparisonSummary"_s), u"2 apps move · Dock changes"_s);
    QCOMPARE(harness.items(u"comparisonMove-"_s).size(), 2);
    QCOMPARE(harness.click(u"backToSavedLayouts"_s), QString());
    QVERIFY(!harness.isShown(u"comparisonView"_s));
    QVERIFY(harness.isShown(u"savedLayoutsSubtitle"_s));
    QVERIFY(harness.warnings().isEmpty());
}

void WindowInteractionTest::checkAgainAfterAWrite()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    harness.writeWorld(phones(1));
    QVERIFY(readPhone(harness));
    QVERIFY(!harness.isShown(u"checkAgainButton"_s));
    QCOMPARE(harness.click(u"segment-Two-icon test"_s), QString());
    QCOMPARE(harness.click(u"segment-Proposed"_s), QString());
    QCOMPARE(harness.click(u"applyButton"_s), QString());
    QCOMPARE(harness.click(u"applyConfirmationConfirm"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.click(u"checkAgainButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.text(u"statusText"_s),
             u"Your iPhone still holds the layout Varnolet wrote."_s);
    QVERIFY(!harness.model().messageIsWarning());

    harness.writeWorld(phones(1)); // the phone puts its icons back as they were
    QCOMPARE(harness.click(u"checkAgainButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.text(u"statusText"_s),
             u"Your iPhone changed its layout after the write: 2 apps move · Dock unchanged."_s);
    QVERIFY(harness.model().messageIsWarning());
    QCOMPARE(harness.model().snapshots().size(), 2);
    QVERIFY(harness.warnings().isEmpty());
}

void WindowInteractionTest::readApplyAndVerifyThroughTheWindow()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    harness.writeWorld(phones(1));
    QCOMPARE(harness.value(u"step02Badge"_s, "text").toString(), u"02"_s);
    QVERIFY(harness.isDisabled(u"readLayoutButton"_s));
    QCOMPARE(harness.click(u"refreshButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.text(u"statusText"_s),
             u"Found 1 iPhone. Choose your phone and read its layout."_s);
    QCOMPARE(harness.value(u"step02Badge"_s, "text").toString(), u"✓"_s);
    QCOMPARE(harness.value(u"devicePicker"_s, "displayText").toString(),
             u"Alex’s iPhone · iPhone16,2"_s);
    QCOMPARE(harness.click(u"readLayoutButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.model().section(), u"Organize"_s);
    QCOMPARE(harness.text(u"statusText"_s),
             u"Read 24 icons and saved the original layout. Start with Two-icon test to check "
             u"compatibility."_s);
    QCOMPARE(harness.text(u"statusPillCaption"_s), alexName);

    QCOMPARE(harness.click(u"segment-Two-icon test"_s), QString());
    QCOMPARE(harness.click(u"segment-Proposed"_s), QString());
    QCOMPARE(harness.click(u"applyButton"_s), QString());
    QCOMPARE(harness.click(u"applyConfirmationConfirm"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.text(u"statusText"_s),
             u"The layout read back from your iPhone matches the proposal. Check your Home Screen "
             u"visually, too."_s);
    QCOMPARE(harness.calls(u"set-icon-layout"_s), 1);
    // The phone's layout is now the loaded original; there is nothing left to export or apply.
    QVERIFY(!harness.model().hasProposed());
    QVERIFY(harness.isDisabled(u"exportButton"_s));
    QObject *exportAction = harness.object(u"exportAction"_s);
    QVERIFY(exportAction);
    QVERIFY(!exportAction->property("enabled").toBool());
    QVERIFY(harness.isDisabled(u"applyButton"_s));
    QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
    QCOMPARE(harness.model().snapshots().size(), 2);
    QVERIFY(harness.warnings().isEmpty());
}

void WindowInteractionTest::sectionIsDisabledWhileBusy()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    WindowHarness::World world = phones(1);
    world.faults = QJsonObject{{u"list"_s, QJsonObject{{u"sleep"_s, 3}}}};
    harness.writeWorld(world);
    QCOMPARE(harness.click(u"refreshButton"_s), QString());
    QVERIFY(harness.model().busy());
    QVERIFY(harness.isDisabled(u"sectionContent"_s));
    QVERIFY(harness.isShown(u"busySpinner"_s));
    QVERIFY(!harness.isShown(u"statusIcon"_s));
    QCOMPARE(harness.text(u"statusText"_s), u"Looking for your iPhone…"_s);
    QVERIFY(harness.click(u"exploreDemoButton"_s).contains(u"disabled"_s));
    // The frame stays live.
    QCOMPARE(harness.click(u"sidebar-Activity"_s), QString());
    QVERIFY(harness.finishes());
    QVERIFY(harness.isEnabled(u"sectionContent"_s));
    QVERIFY(harness.isShown(u"statusIcon"_s));
    QCOMPARE(harness.text(u"statusText"_s),
             u"Found 1 iPhone. Choose your phone and read its layout."_s);
}

void WindowInteractionTest::choosingAnotherPhoneDisablesApply()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    harness.writeWorld(phones(2));
    QCOMPARE(harness.click(u"refreshButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.text(u"statusText"_s),
             u"Found 2 iPhones. Choose your phone and read its layout."_s);
    QCOMPARE(harness.value(u"devicePicker"_s, "displayText").toString(), u"Choose iPhone"_s);
    QVERIFY(harness.isDisabled(u"readLayoutButton"_s));
    QCOMPARE(harness.choose(u"devicePicker"_s, 1), QString());
    QCOMPARE(harness.model().selectedDeviceID(), alexEcid);
    QCOMPARE(harness.click(u"readLayoutButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.click(u"segment-Proposed"_s), QString());
    QVERIFY(harness.model().canApply());

    QCOMPARE(harness.click(u"sidebar-Connection"_s), QString());
    QCOMPARE(harness.choose(u"devicePicker"_s, 2), QString());
    QCOMPARE(harness.model().selectedDeviceID(), samEcid);
    QVERIFY(!harness.model().hasLoadedDevice());
    QVERIFY(!harness.model().canApply());
    QVERIFY(harness.model().hasOriginal());
    QCOMPARE(harness.click(u"sidebar-Organize"_s), QString());
    QCOMPARE(harness.text(u"applyBarTitle"_s), u"Preview only"_s);
    QVERIFY(harness.isDisabled(u"applyButton"_s));
}

void WindowInteractionTest::helpAndFooterButtonsOpenTheirTargets()
{
    WindowHarness harness({}, false);
    QVERIFY(harness.isValid());
    QCOMPARE(harness.click(u"helpButton"_s), QString());
    QCOMPARE(harness.openedUrls().size(), 1);
    QCOMPARE(harness.openedUrls().constLast().fileName(), u"TESTING.md"_s);
    QCOMPARE(harness.click(u"testingGuideButton"_s), QString());
    QCOMPARE(harness.openedUrls().size(), 2);

    QVERIFY(!harness.isShown(u"installedLabel"_s));
#ifdef Q_OS_MACOS
    QCOMPARE(harness.click(u"getConfiguratorButton"_s), QString());
    QCOMPARE(harness.openedUrls().size(), 3);
    QVERIFY(harness.openedUrls().constLast().scheme() != u"file"_s);
#else
    // Apple Configurator does not exist here: there is nothing to get.
    QVERIFY(!harness.isShown(u"getConfiguratorButton"_s));
#endif
    QCOMPARE(harness.text(u"readerStatus"_s), u"Optional reader: not installed"_s);

    QCOMPARE(harness.click(u"sidebar-Activity"_s), QString());
    QCOMPARE(harness.click(u"openDiagnosticsButton"_s), QString());
    QVERIFY(harness.openedUrls().constLast().toLocalFile().endsWith(u"/Diagnostics"_s));
    QCOMPARE(harness.click(u"sidebar-Saved layouts"_s), QString());
    QCOMPARE(harness.click(u"showInFinderButton"_s), QString());
    QVERIFY(harness.openedUrls().constLast().toLocalFile().endsWith(u"/Snapshots"_s));

    // Without the configurator, Refresh says so as a warning, in orange with the warning icon.
    QCOMPARE(harness.click(u"sidebar-Connection"_s), QString());
    QCOMPARE(harness.click(u"refreshButton"_s), QString());
    QCOMPARE(harness.text(u"statusText"_s),
             u"Apple Configurator isn't installed yet. You can still explore the demo."_s);
    QCOMPARE(harness.value(u"statusText"_s, "color").value<QColor>(), QColor(u"#ff9f0a"_s));
    QCOMPARE(harness.value(u"statusIcon"_s, "name").toString(), u"exclamationmark.circle"_s);
}

void WindowInteractionTest::folderPopoversStayInsideTheWindow_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("default size") << QSize(1260, 850);
    QTest::newRow("minimum size") << QSize(1040, 720);
}

void WindowInteractionTest::folderPopoversStayInsideTheWindow()
{
    QFETCH(QSize, size);
    WindowHarness harness;
    QVERIFY(harness.isValid());
    harness.importLayout(WindowHarness::foldersLayout());
    harness.window()->resize(size);
    harness.settle();
    QCOMPARE(harness.click(u"segment-Original"_s), QString());

    const QList<QQuickItem *> folders = harness.items(u"folder-"_s);
    QCOMPARE(folders.size(), 9);
    const QRectF inside = QRectF(QPointF(0, 0), size).adjusted(7.5, 7.5, -7.5, -7.5);
    for (QQuickItem *entry : folders) {
        bringIntoView(harness, entry);
        QCOMPARE(harness.clickItem(entry), QString());
        auto *popover = entry->findChild<QObject *>(u"folderPopover"_s);
        QVERIFY(popover && popover->property("visible").toBool());
        auto *face = qvariant_cast<QQuickItem *>(popover->property("parent"));
        const QRectF shown(
                face->mapToScene(
                        QPointF(popover->property("x").toReal(), popover->property("y").toReal())),
                QSizeF(popover->property("width").toReal(), popover->property("height").toReal()));
        const QRectF folderRect = face->mapRectToScene(face->boundingRect());
        QVERIFY2(inside.contains(shown), qPrintable(entry->objectName()));
        QVERIFY(popover->property("above").toBool() ? shown.bottom() <= folderRect.top()
                                                    : shown.top() >= folderRect.bottom());
        QCOMPARE(shown.x() + popover->property("arrowX").toReal(), folderRect.center().x());
        harness.pressKey(Qt::Key_Escape);
        QVERIFY(!popover->property("visible").toBool());
    }
    QVERIFY2(harness.warnings().isEmpty(), qPrintable(harness.warnings().join(u'\n')));
}

void WindowInteractionTest::textsNameThePlatform_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("elsewhere");
    QTest::newRow("first step") << u"Connection"_s << u"step01Title"_s
                                << u"Install Apple Configurator"_s
                                << u"Apple Configurator runs on macOS"_s;
    QTest::newRow("first step detail")
            << u"Connection"_s << u"step01Detail"_s
            << u"The free Mac app provides the connection to your iPhone."_s
            << u"On this computer you can explore the demo, import a layout and export one. Phone "
               u"commands need a Mac with Apple Configurator."_s;
    QTest::newRow("trust") << u"Connection"_s << u"step02Detail"_s
                           << u"Use a USB cable. Unlock the iPhone and approve Trust This Computer "
                              u"in Finder."_s
                           << u"Use a USB cable. Unlock the iPhone and approve Trust This Computer "
                              u"on the iPhone."_s;
    QTest::newRow("show folder") << u"Saved layouts"_s << u"showInFinderButton"_s
                                 << u"Show in Finder"_s << u"Show in File Manager"_s;
    QTest::newRow("saved here")
            << u"Saved layouts"_s << u"savedLayoutsSubtitle"_s
            << u"Original layouts, saved on this Mac before every change."_s
            << u"Original layouts, saved on this computer before every change."_s;
    QTest::newRow("raw responses")
            << u"Activity"_s << u"rawResponsesNote"_s
            << u"Raw layout responses stay on your Mac. They may contain device identifiers and "
               u"your app inventory."_s
            << u"Raw layout responses stay on this computer. They may contain device identifiers "
               u"and your app inventory."_s;
}

void WindowInteractionTest::textsNameThePlatform()
{
    QFETCH(QString, section);
    QFETCH(QString, name);
    QFETCH(QString, mac);
    QFETCH(QString, elsewhere);
    WindowHarness harness({}, false);
    QVERIFY(harness.isValid());
    QCOMPARE(harness.click(u"sidebar-"_s + section), QString());
#ifdef Q_OS_MACOS
    QCOMPARE(harness.text(name), mac);
#else
    QCOMPARE(harness.text(name), elsewhere);
#endif
}

void WindowInteractionTest::pickerKeepsItsSelectionWhenAPhoneArrives()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    harness.writeWorld(phones(1));
    QCOMPARE(harness.click(u"refreshButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.model().selectedDeviceID(), alexEcid);
    // A second phone; the chosen one keeps its place in the list.
    harness.writeWorld(phones(2));
    QCOMPARE(harness.click(u"refreshButton"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.model().selectedDeviceID(), alexEcid);
    QCOMPARE(harness.value(u"devicePicker"_s, "displayText").toString(),
             u"Alex’s iPhone · iPhone16,2"_s);
    QVERIFY(harness.isEnabled(u"readLayoutButton"_s));
}

void WindowInteractionTest::ownFilePanelGoesUpAndFollowsTypedPaths()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    const QString folder = harness.home() + u"/layouts"_s;
    QVERIFY(QDir().mkpath(folder));
    QFile out(folder + u"/mine.json"_s);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(QJsonDocument(WindowHarness::sampleLayout()).toJson());
    out.close();
    const auto typePath = [&harness](const QString &path) {
        QCOMPARE(harness.click(u"filePanelPath"_s), QString());
        harness.pressKey(Qt::Key_A, Qt::ControlModifier);
        harness.typeText(path);
        harness.pressKey(Qt::Key_Return);
    };

    harness.pressKey(Qt::Key_O, Qt::ControlModifier);
    QVERIFY(harness.isShown(u"filePanelPath"_s));
    QCOMPARE(harness.text(u"filePanelPath"_s), harness.home());
    QCOMPARE(harness.click(u"filePanelUp"_s), QString());
    QCOMPARE(harness.text(u"filePanelPath"_s), QFileInfo(harness.home()).path());
    typePath(folder);
    QCOMPARE(harness.text(u"filePanelPath"_s), folder);
    QVERIFY(harness.isShown(u"fileEntry-mine.json"_s));
    typePath(u"nowhere"_s);
    QCOMPARE(harness.text(u"filePanelProblem"_s), u"There is no folder or file at this path."_s);
    typePath(u"mine.json"_s);
    QVERIFY(!harness.isShown(u"filePanelPath"_s));
    QCOMPARE(harness.model().sourceLabel(), u"Imported • mine.json"_s);
    QVERIFY2(harness.warnings().isEmpty(), qPrintable(harness.warnings().join(u'\n')));
}

namespace {

// The entries of the shown Home Screen page, in order.
QList<QQuickItem *> pageEntries(const WindowHarness &harness)
{
    QQuickItem *grid = harness.item(u"pageGrid"_s);
    QList<QQuickItem *> entries;
    for (const QString &prefix : {u"app-"_s, u"folder-"_s}) {
        for (QQuickItem *entry : harness.items(prefix)) {
            if (grid && grid->isAncestorOf(entry))
                entries.append(entry);
        }
    }
    std::sort(entries.begin(), entries.end(), [](QQuickItem *a, QQuickItem *b) {
        return a->property("position").toInt() < b->property("position").toInt();
    });
    return entries;
}

// A point over an entry: its icon's middle, or its right edge (the place after it).
QPointF onIcon(QQuickItem *entry)
{
    return entry->mapToScene(QPointF(entry->width() / 2, 22));
}

QPointF after(QQuickItem *entry)
{
    return entry->mapToScene(QPointF(entry->width() - 2, 22));
}

QStringList pageOne(WindowHarness &harness)
{
    QStringList titles;
    for (const LayoutItem &item : harness.model().proposedLayout()->pages.value(1))
        titles.append(item.isFolder() ? item.name() + u':' + item.identifiers().join(u',')
                                      : item.identifier());
    return titles;
}

} // namespace

void WindowInteractionTest::handEditsThroughThePreview()
{
    WindowHarness harness;
    QVERIFY(harness.isValid());
    harness.writeWorld(phones(1));
    QVERIFY(readPhone(harness));
    QCOMPARE(harness.click(u"segment-Alphabetical"_s), QString());
    QCOMPARE(harness.click(u"segment-Proposed"_s), QString());
    const QStringList suggested = pageOne(harness);
    QCOMPARE(harness.text(u"applyBarTitle"_s), u"Ready for your review"_s);

    // Within the page: the first app goes after the fourth.
    QCOMPARE(harness.drag(pageEntries(harness).at(0), after(pageEntries(harness).at(3))),
             QString());
    QStringList expected = suggested;
    expected.move(0, 3);
    QCOMPARE(pageOne(harness), expected);
    QCOMPARE(harness.text(u"applyBarTitle"_s), u"Ready for your review · edited by you"_s);

    // Onto another app: the two make a folder where that app stood; then one more goes in.
    QCOMPARE(harness.drag(pageEntries(harness).at(1), onIcon(pageEntries(harness).at(0))),
             QString());
    QCOMPARE(harness.drag(pageEntries(harness).at(1), onIcon(pageEntries(harness).at(0))),
             QString());
    const LayoutItem folder = harness.model().proposedLayout()->pages[1][0];
    QCOMPARE(folder.identifiers(), (QStringList{expected[0], expected[1], expected[2]}));

    // Out of the folder's pop-over onto the page, after the second entry.
    QCOMPARE(harness.clickItem(pageEntries(harness).at(0)), QString());
    QQuickItem *popoverGrid = harness.item(u"folderPopoverGrid"_s);
    QVERIFY(popoverGrid && harness.isShown(u"folderPopoverGrid"_s));
    QCOMPARE(harness.drag(popoverGrid->childItems().at(0), after(pageEntries(harness).at(1))),
             QString());
    const QStringList edited = pageOne(harness);
    QCOMPARE(edited.at(2), expected[0]);
    QCOMPARE(harness.model().proposedLayout()->pages[1][0].identifiers().size(), 2);

    // A drop the phone refuses springs back and says why: the Dock already holds four apps.
    QQuickItem *lastInDock = harness.items(u"app-"_s).last();
    harness.scrollIntoView(lastInDock);
    QCOMPARE(harness.drag(pageEntries(harness).at(1), after(lastInDock)),
             QString());
    QCOMPARE(pageOne(harness), edited);
    QCOMPARE(harness.text(u"statusText"_s), u"The Dock holds at most four items."_s);

    // Undo and Redo, by button and by shortcut.
    QCOMPARE(harness.click(u"undoButton"_s), QString());
    QCOMPARE(harness.model().proposedLayout()->pages[1][0].identifiers().size(), 3);
    QCOMPARE(harness.click(u"redoButton"_s), QString());
    QCOMPARE(pageOne(harness), edited);
    harness.pressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(harness.model().proposedLayout()->pages[1][0].identifiers().size(), 3);
    harness.pressKey(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(pageOne(harness), edited);

    // The edited proposal is applied like any other: one write, read back and verified.
    const Layout proposal = *harness.model().proposedLayout();
    QCOMPARE(harness.click(u"applyButton"_s), QString());
    QCOMPARE(harness.click(u"applyConfirmationConfirm"_s), QString());
    QVERIFY(harness.finishes());
    QCOMPARE(harness.calls(u"set-icon-layout"_s), 1);
    QCOMPARE(harness.model().originalLayout(), proposal);
    QVERIFY(!harness.model().messageIsWarning());
    QVERIFY(harness.warnings().isEmpty());
}

QTEST_MAIN(WindowInteractionTest)
#include "windowinteractiontest.moc"
