#include "varnoletmodel.h"

#include "appcatalog.h"
#include "fakepanels.h"
#include "jsoncodec.h"
#include "layoutparser.h"
#include "organizer.h"
#include "platformerror.h"
#include "snapshotstore.h"
#include "varnoleterror.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaProperty>
#include <QPromise>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>
#include <optional>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

const QString fakeCfgutil = QStringLiteral(VARNOLET_FAKE_CFGUTIL);
const QString fakeReader = QStringLiteral(VARNOLET_FAKE_READER);

const QString alexEcid = u"0x1C2D3E4F50601E"_s;
const QString alexUdid = u"00008140-001C2D3E4F50601E"_s;
const QString alexName = u"Alex’s iPhone"_s;
const QString samEcid = u"0x2A0B0C0D0E0F10"_s;
const QString samUdid = u"00008110-002A0B0C0D0E0F10"_s;
const QString samName = u"Sam’s iPhone"_s;

const QString initialMessage
        = u"Connect your iPhone when you're ready, or explore with a sample layout."_s;
const QString demoMessage = u"Demo mode. These are sample apps; no device commands are run."_s;
const QString verifiedMessage = u"The layout read back from your iPhone matches the proposal. "
                                u"Check your Home Screen visually, too."_s;
const QString notVerifiedMessage
        = u"Configurator accepted the command, but the layout read back does not match. No "
          u"second write was attempted. Check the phone; your previous layout is saved."_s;
const QString changedMessage = u"Your iPhone layout changed after the preview was created. Read "
                               u"it again before applying."_s;
const QString restoreReadyMessage
        = u"Saved layout ready to review. Restoring will first save the current layout."_s;
const QString installMessage = u"Install Apple Configurator from the Mac App Store, then click "
                               u"Refresh connection."_s;
const QString iconsChangedMessage
        = u"The app icons on this iPhone changed since the snapshot. Automatic restore is blocked "
          u"to avoid adding or losing icons. You can inspect original-layout.json in the snapshot "
          u"folder."_s;

// Dock, a first page with a folder, a second page: 13 app icons in all.
QJsonArray phoneLayout()
{
    return QJsonArray{QJsonArray{u"com.apple.mobilephone"_s, u"com.apple.MobileSMS"_s,
                                 u"com.apple.mobilesafari"_s, u"com.apple.camera"_s},
                      QJsonArray{u"com.apple.mobilecal"_s, u"com.apple.mobilenotes"_s,
                                 u"com.burbn.instagram"_s, u"com.spotify.client"_s,
                                 QJsonArray{u"Social"_s, u"com.facebook.Facebook"_s,
                                            u"com.atebits.Tweetie2"_s},
                                 u"com.apple.Maps"_s},
                      QJsonArray{u"com.netflix.Netflix"_s, u"com.apple.Pages"_s}};
}

// The same icons in another order.
QJsonArray shuffledLayout()
{
    QJsonArray pages = phoneLayout();
    pages[2] = QJsonArray{u"com.apple.Pages"_s, u"com.netflix.Netflix"_s};
    return pages;
}

// One more app than phoneLayout().
QJsonArray grownLayout()
{
    QJsonArray pages = phoneLayout();
    QJsonArray last = pages[2].toArray();
    last.append(u"com.example.newapp"_s);
    pages[2] = last;
    return pages;
}

Layout layoutOf(const QJsonArray &pages)
{
    return LayoutParser::parse(QJsonDocument(pages).toJson()).layout;
}

QJsonObject phone(const QString &ecid, const QString &udid, const QString &name,
                  const QJsonArray &layout = phoneLayout())
{
    return QJsonObject{{u"ecid"_s, ecid},
                       {u"udid"_s, udid},
                       {u"name"_s, name},
                       {u"type"_s, u"iPhone16,2"_s},
                       {u"layout"_s, layout},
                       {u"apps"_s,
                        QJsonArray{QJsonObject{{u"bundleIdentifier"_s, u"com.spotify.client"_s},
                                               {u"displayName"_s, u"Spotify Music"_s}}}}};
}

QJsonObject alex(const QJsonArray &layout = phoneLayout())
{
    return phone(alexEcid, alexUdid, alexName, layout);
}

QJsonObject sam()
{
    return phone(samEcid, samUdid, samName);
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Snapshots saved within one second have no defined order, so they are found by reason.
std::optional<Snapshot> savedAs(const VarnoletModel &model, const QString &reason)
{
    for (const Snapshot &snapshot : model.snapshotRecords()) {
        if (snapshot.reason == reason)
            return snapshot;
    }
    return std::nullopt;
}

QString parserMessage(const QByteArray &data)
{
    try {
        LayoutParser::parse(data);
    } catch (const std::exception &error) {
        return PlatformError::describe(error);
    }
    return {};
}

// Records whether every change signal of the model arrives on the model's own thread.
class ThreadWatch : public QObject
{
    Q_OBJECT

public:
    int notifications = 0;
    int offThread = 0;

    explicit ThreadWatch(QObject *model)
    {
        const QMetaObject *meta = model->metaObject();
        const QMetaMethod slot = metaObject()->method(metaObject()->indexOfSlot("observe()"));
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            if (property.hasNotifySignal())
                connect(model, property.notifySignal(), this, slot, Qt::DirectConnection);
        }
    }

public Q_SLOTS:
    void observe()
    {
        ++notifications;
        if (QThread::currentThread() != thread())
            ++offThread;
    }
};

} // namespace

class VarnoletModelTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    QString m_worldPath;
    FakePanels m_panels;

    QString home() const { return m_home->path(); }
    std::unique_ptr<VarnoletModel> makeModel(const QStringList &arguments = {});
    void writeWorld(const QJsonArray &devices, const QJsonObject &faults = {});
    QJsonObject world() const;
    int calls(const QString &command) const;
    static bool finishes(const VarnoletModel &model);
    bool connectAndRead(VarnoletModel &model, const QString &ecid = alexEcid);

private Q_SLOTS:
    void init();
    void cleanup();

    void startsWithTheInitialState();
    void demoArgumentLoadsTheDemoAtStart();
    void savedSnapshotsAreListedAtStart();
    void logAddsOneEntryAtTheFront();
    void performRunsOneWorkflowAtATime();
    void performReportsFailuresAsWarnings_data();
    void performReportsFailuresAsWarnings();
    void rebuildKeepsSelectedPageInRange_data();
    void rebuildKeepsSelectedPageInRange();
    void unsupportedPageSizeClearsTheProposal();
    void appListHoldsEachAppOnceFilteredAndSorted();
    void overrideRecategorisesAndRebuilds();
    void previewDescribesDockPagesAndFolders();
    void demoCanNeverBeApplied();
    void importShowsTheFileForPreview_data();
    void importShowsTheFileForPreview();
    void importOfABadFileChangesNothing_data();
    void importOfABadFileChangesNothing();
    void cancelledPanelsChangeNothing();
    void exportWritesTheDeviceForm();
    void exportFailureIsAWarning();
    void refreshKeepsOrChangesTheSelection_data();
    void refreshKeepsOrChangesTheSelection();
    void refreshWithoutConfiguratorWarns();
    void workflowWithoutConfiguratorAsksToInstall();
    void chooseConfiguratorAcceptsOnlyAnExecutableCfgutil_data();
    void chooseConfiguratorAcceptsOnlyAnExecutableCfgutil();
    void readLoadsAndSnapshotsThePhone();
    void failedReadLeavesNoPhoneLoaded_data();
    void failedReadLeavesNoPhoneLoaded();
    void applyOutcomes_data();
    void applyOutcomes();
    void applySavesUnderTheStyleLabel_data();
    void applySavesUnderTheStyleLabel();
    void exportAfterVerifiedApplyDoesNothing();
    void restoreReviewsThenWritesTheSnapshot();
    void optionChangeDropsAPreparedRestore();
    void restoreOfAnUnchangedLayoutCannotBeApplied();
    void failedRestoreCheckChangesNothing_data();
    void failedRestoreCheckChangesNothing();
    void restoreWithoutSelectedPhoneAsksToConnect();
    void choosingAnotherPhoneDisablesApplyButKeepsLayouts();
    void slowToolKeepsTheEventLoopTurning();
    void modelGoesAwayWhileAWorkflowRuns();
    void foldersGuideAndStorePageGoThroughThePanels();
    void titlesOutsideTheListsAreIgnored();
};

std::unique_ptr<VarnoletModel> VarnoletModelTest::makeModel(const QStringList &arguments)
{
    auto model = std::make_unique<VarnoletModel>(arguments, &m_panels);
    model->setConfiguratorPath(fakeCfgutil);
    return model;
}

void VarnoletModelTest::writeWorld(const QJsonArray &devices, const QJsonObject &faults)
{
    const QJsonObject world{{u"devices"_s, devices}, {u"faults"_s, faults}, {u"journal"_s, {}}};
    QVERIFY(writeFile(m_worldPath, QJsonDocument(world).toJson()));
}

QJsonObject VarnoletModelTest::world() const
{
    return QJsonDocument::fromJson(readFile(m_worldPath)).object();
}

int VarnoletModelTest::calls(const QString &command) const
{
    int count = 0;
    for (const QJsonValue &entry : world().value(u"journal"_s).toArray())
        count += entry.toObject().value(u"command"_s).toString() == command ? 1 : 0;
    return count;
}

bool VarnoletModelTest::finishes(const VarnoletModel &model)
{
    return QTest::qWaitFor([&model] { return !model.busy(); }, 60000);
}

// Refresh, select the phone and read it, as the window would.
bool VarnoletModelTest::connectAndRead(VarnoletModel &model, const QString &ecid)
{
    model.refresh();
    if (!finishes(model))
        return false;
    model.setSelectedDeviceID(ecid);
    model.selectionChanged();
    model.readDevice();
    return finishes(model) && model.hasLoadedDevice();
}

void VarnoletModelTest::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("HOME", QFile::encodeName(home()));
    m_worldPath = home() + u"/world.json"_s;
    qputenv("VARNOLET_FAKE_WORLD", QFile::encodeName(m_worldPath));
    m_panels = FakePanels();
    writeWorld({alex()});
}

void VarnoletModelTest::cleanup()
{
    m_home.reset();
}

void VarnoletModelTest::startsWithTheInitialState()
{
    const VarnoletModel model;
    QCOMPARE(model.section(), u"Connection"_s);
    QCOMPARE(model.devices(), QVariantList());
    QCOMPARE(model.selectedDeviceID(), QString());
    QVERIFY(!model.hasOriginal());
    QVERIFY(!model.hasProposed());
    QCOMPARE(model.style(), u"Category folders"_s);
    QCOMPARE(model.keepDock(), true);
    QCOMPARE(model.keepFirstPage(), false);
    QCOMPARE(model.pageCapacity(), 24);
    QCOMPARE(model.showOriginal(), false);
    QCOMPARE(model.selectedPage(), 1);
    QCOMPARE(model.search(), QString());
    QCOMPARE(model.busy(), false);
    QCOMPARE(model.busyLabel(), QString());
    QCOMPARE(model.message(), initialMessage);
    QCOMPARE(model.messageIsWarning(), false);
    QCOMPARE(model.activity(), QVariantList());
    QCOMPARE(model.snapshots(), QVariantList());
    QVERIFY(!model.hasPendingRestore());
    QCOMPARE(model.showApplyConfirmation(), false);
    QCOMPARE(model.sourceLabel(), u"No layout loaded"_s);
    QCOMPARE(model.demo(), false);
    QVERIFY(!model.hasLoadedDevice());
    QCOMPARE(model.canApply(), false);
    QCOMPARE(model.preview(), QVariantList());
    QCOMPARE(model.previewPageCount(), 1);
    QCOMPARE(model.apps()->rowCount(), 0);
    QCOMPARE(model.storageRoot(), home() + u"/Library/Application Support/Varnolet"_s);
    QCOMPARE(model.styles(),
             QStringList({u"Category folders"_s, u"Alphabetical"_s, u"Two-icon test"_s}));
    QCOMPARE(model.sections(),
             QStringList({u"Organize"_s, u"Saved layouts"_s, u"Connection"_s, u"Activity"_s}));
    QCOMPARE(model.categories().size(), 12);
    QCOMPARE(model.pageCapacities(), QVariantList({16, 20, 24, 28, 30}));
}

void VarnoletModelTest::demoArgumentLoadsTheDemoAtStart()
{
    const VarnoletModel demo({u"varnolet"_s, u"--demo"_s});
    QCOMPARE(demo.section(), u"Organize"_s);
    QCOMPARE(demo.demo(), true);
    QCOMPARE(demo.message(), demoMessage);
    QCOMPARE(demo.messageIsWarning(), false);
    QCOMPARE(demo.sourceLabel(), u"Demo • sample apps"_s);
    QCOMPARE(demo.originalLayout(), AppCatalog::demo().layout);
    QVERIFY(demo.hasProposed());
    QCOMPARE(demo.canApply(), false);

    // Only the exact argument counts, and never the program's own name.
    const VarnoletModel plain({u"--demo"_s, u"--demo=1"_s, u"-demo"_s});
    QVERIFY(!plain.hasOriginal());
    QCOMPARE(plain.message(), initialMessage);
}

void VarnoletModelTest::savedSnapshotsAreListedAtStart()
{
    const Layout layout = layoutOf(phoneLayout());
    const Device device(alexEcid, alexUdid, alexName, u"iPhone16,2"_s);
    const SnapshotStore store = SnapshotStore::standard();
    const Snapshot saved = store.save(DeviceRead{layout, {}, layout.cfgutilData(), u"cfgutil"_s},
                                      device, {}, u"Initial read"_s);

    auto model = makeModel();
    QCOMPARE(model->snapshots().size(), 1);
    const QVariantMap row = model->snapshots().first().toMap();
    QCOMPARE(row.value(u"id"_s).toString(), saved.id);
    QCOMPARE(row.value(u"reason"_s).toString(), u"Initial read"_s);
    QCOMPARE(row.value(u"deviceName"_s).toString(), alexName);
    QCOMPARE(row.value(u"ecid"_s).toString(), alexEcid);
    QCOMPARE(row.value(u"udid"_s).toString(), alexUdid);
    QCOMPARE(row.value(u"apps"_s).toInt(), 13);
    QCOMPARE(row.value(u"pages"_s).toInt(), 2);
    QCOMPARE(row.value(u"folders"_s).toInt(), 1);
    QCOMPARE(row.value(u"reader"_s).toString(), u"cfgutil"_s);
    QCOMPARE(row.value(u"date"_s).toDateTime(), saved.date);

    // The list is read again on request; an unreadable store gives an empty list, silently.
    QSignalSpy changes(model.get(), &VarnoletModel::snapshotsChanged);
    QVERIFY(QDir(store.snapshotsPath()).removeRecursively());
    QVERIFY(writeFile(store.snapshotsPath(), "not a folder"));
    model->reloadSnapshots();
    QCOMPARE(model->snapshots(), QVariantList());
    QCOMPARE(changes.count(), 1);
    QCOMPARE(model->message(), initialMessage);
}

void VarnoletModelTest::logAddsOneEntryAtTheFront()
{
    VarnoletModel model;
    QSignalSpy entries(&model, &VarnoletModel::activityChanged);
    QSignalSpy warnings(&model, &VarnoletModel::messageIsWarningChanged);

    model.log(u"First."_s);
    model.log(u"Second."_s, true);
    model.log(u"Second."_s, true);

    QCOMPARE(entries.count(), 3);
    QCOMPARE(warnings.count(), 1);
    QCOMPARE(model.message(), u"Second."_s);
    QVERIFY(model.messageIsWarning());
    const QList<ActivityEntry> &log = model.activityLog();
    QCOMPARE(log.size(), 3);
    QCOMPARE(log.at(2).message, u"First."_s);
    QCOMPARE(log.at(2).warning, false);
    QCOMPARE(log.at(0).warning, true);
    QVERIFY(log.at(0).id != log.at(1).id);
    QVERIFY(log.at(0).date >= log.at(2).date);

    const QVariantMap newest = model.activity().first().toMap();
    QCOMPARE(newest.value(u"message"_s).toString(), u"Second."_s);
    QCOMPARE(newest.value(u"warning"_s).toBool(), true);
    QCOMPARE(newest.value(u"id"_s).toString(), log.at(0).id.toString(QUuid::WithoutBraces));
    QCOMPARE(newest.value(u"date"_s).toDateTime(), log.at(0).date);
}

void VarnoletModelTest::performRunsOneWorkflowAtATime()
{
    VarnoletModel model;
    QSignalSpy busy(&model, &VarnoletModel::busyChanged);
    QPromise<void> first;
    model.perform(u"First…"_s, [&first] {
        first.start();
        return first.future();
    });
    QVERIFY(model.busy());
    QCOMPARE(model.busyLabel(), u"First…"_s);
    QCOMPARE(busy.count(), 1);

    bool secondRan = false;
    model.perform(u"Second…"_s, [&secondRan] {
        secondRan = true;
        return QFuture<void>();
    });
    model.loadDemo();
    QVERIFY(!secondRan);
    QCOMPARE(model.busyLabel(), u"First…"_s);
    QVERIFY(!model.hasOriginal());
    QCOMPARE(model.activity(), QVariantList());

    first.finish();
    QTRY_VERIFY(!model.busy());
    QCOMPARE(model.busyLabel(), QString());
    QCOMPARE(busy.count(), 2);
    QCOMPARE(model.message(), initialMessage);
    QCOMPARE(model.activity(), QVariantList());
}

enum class Failure { atOnce, onWorker, platformOnWorker, inContinuation, foreign };

void VarnoletModelTest::performReportsFailuresAsWarnings_data()
{
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("expected");

    QTest::newRow("thrown before the work starts") << Failure::atOnce << u"Not now."_s;
    QTest::newRow("our error on the worker") << Failure::onWorker << u"Worker said no."_s;
    QTest::newRow("platform error on the worker")
            << Failure::platformOnWorker << u"Could not read /x: Gone."_s;
    QTest::newRow("error while applying results")
            << Failure::inContinuation << u"Results did not fit."_s;
    QTest::newRow("any other exception") << Failure::foreign << u"disk on fire"_s;
}

void VarnoletModelTest::performReportsFailuresAsWarnings()
{
    QFETCH(Failure, failure);
    QFETCH(QString, expected);

    VarnoletModel model;
    model.perform(u"Trying…"_s, [&model, failure]() -> QFuture<void> {
        switch (failure) {
        case Failure::atOnce:
            throw VarnoletError(u"Not now."_s);
        case Failure::onWorker:
            return QtConcurrent::run([] { throw VarnoletError(u"Worker said no."_s); });
        case Failure::platformOnWorker:
            return QtConcurrent::run([] { throw PlatformError(u"Could not read /x: Gone."_s); });
        case Failure::inContinuation:
            return QtConcurrent::run([] { return 1; }).then(&model, [](int) {
                throw VarnoletError(u"Results did not fit."_s);
            });
        case Failure::foreign:
            return QtConcurrent::run([] { throw std::runtime_error("disk on fire"); });
        }
        return {};
    });
    QTRY_VERIFY(!model.busy());
    QCOMPARE(model.busyLabel(), QString());
    QCOMPARE(model.message(), expected);
    QVERIFY(model.messageIsWarning());
    QCOMPARE(model.activityLog().size(), 1);
    QCOMPARE(model.activityLog().first().warning, true);
}

void VarnoletModelTest::rebuildKeepsSelectedPageInRange_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<bool>("showOriginal");

    QTest::newRow("beyond the proposal") << 99 << 24 << false;
    QTest::newRow("zero") << 0 << 24 << false;
    QTest::newRow("negative") << -4 << 16 << false;
    QTest::newRow("within the original") << 3 << 24 << true;
    QTest::newRow("beyond the original") << 50 << 24 << true;
    QTest::newRow("after a failed rebuild") << 99 << 25 << false;
}

void VarnoletModelTest::rebuildKeepsSelectedPageInRange()
{
    QFETCH(int, page);
    QFETCH(int, capacity);
    QFETCH(bool, showOriginal);

    auto model = makeModel();
    model->loadDemo();
    model->setStyle(u"Alphabetical"_s);
    model->setShowOriginal(showOriginal);
    model->setPageCapacity(capacity);
    model->setSelectedPage(page);
    model->rebuild();

    const int pages = std::max(model->previewLayout()->pageCount(), 1);
    QCOMPARE(model->previewPageCount(), pages);
    QCOMPARE(model->selectedPage(), std::clamp(page, 1, pages));
}

void VarnoletModelTest::unsupportedPageSizeClearsTheProposal()
{
    auto model = makeModel();
    model->loadDemo();
    QVERIFY(model->hasProposed());
    const Layout original = *model->originalLayout();

    QSignalSpy proposals(model.get(), &VarnoletModel::proposedChanged);
    QSignalSpy previews(model.get(), &VarnoletModel::previewChanged);
    QSignalSpy metrics(model.get(), &VarnoletModel::metricsChanged);
    model->setPageCapacity(25);
    model->rebuild();

    QVERIFY(!model->hasProposed());
    QCOMPARE(proposals.count(), 1);
    QCOMPARE(previews.count(), 1);
    QCOMPARE(metrics.count(), 1);
    QCOMPARE(model->message(), u"Unsupported page size."_s);
    QVERIFY(model->messageIsWarning());
    QCOMPARE(model->previewLayout(), original);
    QCOMPARE(model->proposedPageCount(), original.pageCount());
    QCOMPARE(model->proposedFolderCount(), original.folderCount());
    QCOMPARE(model->iconCount(), int(original.identifiers().size()));

    model->setPageCapacity(20);
    model->rebuild();
    QVERIFY(model->hasProposed());
    QCOMPARE(model->proposedPageCount(), model->proposedLayout()->pageCount());
    QCOMPARE(model->proposedFolderCount(), model->proposedLayout()->folderCount());
}

void VarnoletModelTest::appListHoldsEachAppOnceFilteredAndSorted()
{
    auto model = makeModel();
    QAbstractItemModelTester tester(model->apps(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    // A layout holding Maps twice: the list shows it once.
    QJsonArray layout = phoneLayout();
    QJsonArray second = layout[2].toArray();
    second.append(u"com.apple.Maps"_s);
    layout[2] = second;
    const QString file = home() + u"/twice.json"_s;
    QVERIFY(writeFile(file, QJsonDocument(layout).toJson()));
    m_panels.openAnswer = file;
    model->importLayout();

    const AppListModel *apps = model->appList();
    QCOMPARE(apps->count(), 13);
    QStringList ids;
    QStringList names;
    for (int row = 0; row < apps->rowCount(); ++row) {
        ids.append(apps->data(apps->index(row), AppListModel::IdRole).toString());
        names.append(apps->data(apps->index(row), AppListModel::NameRole).toString());
    }
    QCOMPARE(ids.count(u"com.apple.Maps"_s), 1);
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) {
        return QString::localeAwareCompare(a.toLower(), b.toLower()) < 0;
    });
    QCOMPARE(names, sorted);

    // A search that matches only an identifier still finds the app.
    const QString instagram = AppCatalog::info(u"com.burbn.instagram"_s).name;
    QVERIFY(!instagram.contains(u"burbn"_s, Qt::CaseInsensitive));
    model->setSearch(u"BURBN"_s);
    QCOMPARE(apps->count(), 1);
    QCOMPARE(apps->data(apps->index(0), AppListModel::NameRole).toString(), instagram);

    model->setSearch(instagram.left(4).toLower());
    QVERIFY(apps->count() >= 1);
    QCOMPARE(apps->data(apps->index(0), AppListModel::IdRole).toString(), u"com.burbn.instagram"_s);

    model->setSearch(u"no such app anywhere"_s);
    QCOMPARE(apps->count(), 0);
    model->setSearch(QString());
    QCOMPARE(apps->count(), 13);
}

void VarnoletModelTest::overrideRecategorisesAndRebuilds()
{
    auto model = makeModel();
    QAbstractItemModelTester tester(model->apps(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    model->loadDemo();
    const QString id = model->appList()->apps().first().id;
    const AppCategory before = model->appList()->apps().first().category;
    const AppCategory chosen
            = before == AppCategory::games ? AppCategory::travel : AppCategory::games;

    QSignalSpy proposals(model.get(), &VarnoletModel::proposedChanged);
    model->setOverride(id, AppCategories::title(chosen));

    QCOMPARE(model->categoryOverrides().value(id), chosen);
    QCOMPARE(model->overrides().value(id).toString(), AppCategories::title(chosen));
    QCOMPARE(model->appList()->apps().first().category, chosen);
    QCOMPARE(proposals.count(), 1);
    SortOptions options;
    QCOMPARE(*model->proposedLayout(),
             Organizer::organize(*model->originalLayout(), options, {}, {{id, chosen}}));

    model->setOverride(id, u"Not a category"_s);
    QCOMPARE(model->categoryOverrides().value(id), chosen);
    QCOMPARE(proposals.count(), 1);
}

void VarnoletModelTest::previewDescribesDockPagesAndFolders()
{
    auto model = makeModel();
    const QString file = home() + u"/layout.json"_s;
    QVERIFY(writeFile(file, QJsonDocument(phoneLayout()).toJson()));
    m_panels.openAnswer = file;
    model->importLayout();
    model->setShowOriginal(true);

    const QVariantList pages = model->preview();
    QCOMPARE(pages.size(), 3);
    QCOMPARE(model->previewPageCount(), 2);
    const QVariantList dock = pages.at(0).toList();
    QCOMPARE(dock.size(), 4);
    const QVariantMap phoneApp = dock.at(0).toMap();
    const AppInfo phoneInfo = AppCatalog::info(u"com.apple.mobilephone"_s);
    QCOMPARE(phoneApp.value(u"kind"_s).toString(), u"app"_s);
    QCOMPARE(phoneApp.value(u"id"_s).toString(), u"com.apple.mobilephone"_s);
    QCOMPARE(phoneApp.value(u"title"_s).toString(), phoneInfo.name);
    QCOMPARE(phoneApp.value(u"category"_s).toString(), AppCategories::title(phoneInfo.category));

    const QVariantMap folder = pages.at(1).toList().at(4).toMap();
    const AppInfo facebook = AppCatalog::info(u"com.facebook.Facebook"_s);
    QCOMPARE(folder.value(u"kind"_s).toString(), u"folder"_s);
    QCOMPARE(folder.value(u"id"_s).toString(), QString());
    QCOMPARE(folder.value(u"title"_s).toString(), u"Social"_s);
    QCOMPARE(folder.value(u"category"_s).toString(), AppCategories::title(facebook.category));
    const QVariantList folderPages = folder.value(u"pages"_s).toList();
    QCOMPARE(folderPages.size(), 1);
    const QVariantList inside = folderPages.first().toList();
    QCOMPARE(inside.size(), 2);
    QCOMPARE(inside.at(0).toMap().value(u"id"_s).toString(), u"com.facebook.Facebook"_s);
    QCOMPARE(inside.at(0).toMap().value(u"title"_s).toString(), facebook.name);
    QCOMPARE(inside.at(1).toMap().value(u"id"_s).toString(), u"com.atebits.Tweetie2"_s);

    // An override recolours the app wherever it is drawn, folders included.
    QSignalSpy previews(model.get(), &VarnoletModel::previewChanged);
    model->setOverride(u"com.facebook.Facebook"_s, u"Money"_s);
    QVERIFY(previews.count() >= 1);
    const QVariantMap recoloured = model->preview().at(1).toList().at(4).toMap();
    QCOMPARE(recoloured.value(u"category"_s).toString(), u"Money"_s);

    // Switching to the proposal redraws from it.
    previews.clear();
    model->setShowOriginal(false);
    QCOMPARE(previews.count(), 1);
    QCOMPARE(model->previewLayout(), model->proposedLayout());
    QCOMPARE(model->previewPageCount(), model->proposedLayout()->pageCount());
}

void VarnoletModelTest::demoCanNeverBeApplied()
{
    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    model->setShowOriginal(false);
    QVERIFY(model->canApply());

    QSignalSpy canApply(model.get(), &VarnoletModel::canApplyChanged);
    model->loadDemo();
    QCOMPARE(canApply.count(), 1);
    QVERIFY(!model->canApply());
    QVERIFY(!model->hasLoadedDevice());
    for (const QString &style : model->styles()) {
        model->setStyle(style);
        model->rebuild();
        QVERIFY2(!model->canApply(), qPrintable(style));
    }
    const int writes = calls(u"set-icon-layout"_s);
    model->apply();
    QVERIFY(!model->busy());
    QCOMPARE(calls(u"set-icon-layout"_s), writes);
}

void VarnoletModelTest::importShowsTheFileForPreview_data()
{
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("device form") << QJsonDocument(phoneLayout()).toJson();
    QTest::newRow("configurator response")
            << readFile(QStringLiteral(VARNOLET_SAMPLES) + u"/cfgutil-get-icon-layout.json"_s);
    QTest::newRow("springboard response, with names")
            << R"([[{"bundleIdentifier": "com.apple.mobilephone", "displayName": "Phone"}],
                   [{"bundleIdentifier": "com.spotify.client", "displayName": "Spotify Music"},
                    {"displayName": "Social", "listType": "folder",
                     "iconLists": [[{"bundleIdentifier": "com.facebook.Facebook"}]]}]])"_ba;
}

void VarnoletModelTest::importShowsTheFileForPreview()
{
    QFETCH(QByteArray, data);

    const ParsedLayout expected = LayoutParser::parse(data);
    const QString file = home() + u"/my layout.json"_s;
    QVERIFY(writeFile(file, data));

    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    model->setOverride(u"com.apple.Maps"_s, AppCategory::games);
    model->setSearch(u"maps"_s);
    model->setSelectedPage(2);

    m_panels.openAnswer = file;
    model->importLayout();

    QCOMPARE(
            m_panels.openTitles,
            QStringList{
                    u"Imported files are preview-only. Read a connected iPhone to enable Apply."_s});
    QCOMPARE(model->originalLayout(), expected.layout);
    QCOMPARE(model->appNames(), expected.names);
    QVERIFY(model->categoryOverrides().isEmpty());
    QVERIFY(!model->demo());
    QVERIFY(!model->hasLoadedDevice());
    QCOMPARE(model->sourceLabel(), u"Imported • my layout.json"_s);
    QCOMPARE(model->section(), u"Organize"_s);
    QVERIFY(!model->showOriginal());
    QCOMPARE(model->selectedPage(), 1);
    QCOMPARE(model->search(), QString());
    QVERIFY(!model->hasPendingRestore());
    QVERIFY(model->hasProposed());
    QVERIFY(!model->canApply());
    QCOMPARE(model->message(),
             u"Imported for preview only. No iPhone is associated with this file."_s);
    QVERIFY(!model->messageIsWarning());
}

void VarnoletModelTest::importOfABadFileChangesNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("kind");

    QTest::newRow("not JSON") << "{ nope"_ba << u"file"_s;
    QTest::newRow("JSON but no layout") << R"({"hello": 1})"_ba << u"file"_s;
    QTest::newRow("a page over the limit") << QByteArray(
            "[[\"com.apple.camera\"],[" + QByteArray("\"a.b\",").repeated(40) + "\"a.c\"]]")
                                           << u"file"_s;
    QTest::newRow("empty file") << QByteArray() << u"file"_s;
    QTest::newRow("missing file") << QByteArray() << u"missing"_s;
    QTest::newRow("a folder") << QByteArray() << u"folder"_s;
}

void VarnoletModelTest::importOfABadFileChangesNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, kind);

    auto model = makeModel();
    model->loadDemo();
    model->setStyle(u"Alphabetical"_s);
    model->rebuild();
    const auto original = model->originalLayout();
    const auto proposed = model->proposedLayout();
    const int entries = int(model->activityLog().size());

    const QString path = home() + u"/bad.json"_s;
    if (kind == u"file"_s)
        QVERIFY(writeFile(path, content));
    else if (kind == u"folder"_s)
        QVERIFY(QDir().mkpath(path));
    m_panels.openAnswer = path;
    model->importLayout();

    QCOMPARE(model->originalLayout(), original);
    QCOMPARE(model->proposedLayout(), proposed);
    QCOMPARE(model->sourceLabel(), u"Demo • sample apps"_s);
    QVERIFY(model->demo());
    QCOMPARE(model->style(), u"Alphabetical"_s);
    QVERIFY(model->messageIsWarning());
    QCOMPARE(model->activityLog().size(), entries + 1);
    if (kind == u"file"_s)
        QCOMPARE(model->message(), parserMessage(content));
    else
        QVERIFY2(model->message().startsWith(u"Could not read "_s), qPrintable(model->message()));
}

void VarnoletModelTest::cancelledPanelsChangeNothing()
{
    auto model = makeModel();
    model->loadDemo();
    const int entries = int(model->activityLog().size());
    const QString configurator = model->cfgutil();

    m_panels.openAnswer.clear();
    m_panels.saveAnswer.clear();
    model->importLayout();
    model->exportLayout();
    model->chooseConfigurator();

    QCOMPARE(m_panels.openTitles.size(), 2);
    QCOMPARE(m_panels.saveTitles.size(), 1);
    QCOMPARE(model->activityLog().size(), entries);
    QCOMPARE(model->sourceLabel(), u"Demo • sample apps"_s);
    QCOMPARE(model->cfgutil(), configurator);
    QVERIFY(!model->busy());
}

void VarnoletModelTest::exportWritesTheDeviceForm()
{
    auto model = makeModel();
    model->loadDemo();
    const QString path = home() + u"/exported.json"_s;
    m_panels.saveAnswer = path;
    model->exportLayout();

    QCOMPARE(m_panels.suggestedNames, QStringList{u"varnolet-proposed-layout.json"_s});
    QCOMPARE(readFile(path), model->proposedLayout()->cfgutilData());
    QCOMPARE(model->message(), u"Exported the proposed layout to exported.json."_s);
    QVERIFY(!model->messageIsWarning());

    // What was exported imports again as the same layout.
    m_panels.openAnswer = path;
    const Layout exported = *model->proposedLayout();
    model->importLayout();
    QCOMPARE(model->originalLayout(), exported);
}

void VarnoletModelTest::exportFailureIsAWarning()
{
    auto model = makeModel();
    model->loadDemo();
    const QString path = home() + u"/no such folder/out.json"_s;
    m_panels.saveAnswer = path;
    model->exportLayout();

    QVERIFY(model->messageIsWarning());
    QVERIFY2(model->message().startsWith(u"Could not write "_s + path),
             qPrintable(model->message()));
    QVERIFY(!QFile::exists(path));
    QVERIFY(model->hasProposed());
}

void VarnoletModelTest::refreshKeepsOrChangesTheSelection_data()
{
    QTest::addColumn<QJsonArray>("phones");
    QTest::addColumn<QString>("selectedBefore");
    QTest::addColumn<QString>("selectedAfter");
    QTest::addColumn<QString>("expected");

    const QString none
            = u"No iPhone found. Connect by USB, unlock it, and approve Trust This Computer in "
              u"Finder."_s;
    const QString one = u"Found 1 iPhone. Choose your phone and read its layout."_s;
    const QString two = u"Found 2 iPhones. Choose your phone and read its layout."_s;

    QTest::newRow("none") << QJsonArray() << QString() << QString() << none;
    QTest::newRow("none, selection cleared") << QJsonArray() << alexEcid << QString() << none;
    QTest::newRow("one is selected") << QJsonArray{alex()} << QString() << alexEcid << one;
    QTest::newRow("one replaces a stale selection")
            << QJsonArray{alex()} << u"0x99"_s << alexEcid << one;
    QTest::newRow("two, nothing chosen")
            << QJsonArray{alex(), sam()} << QString() << QString() << two;
    QTest::newRow("two, stale selection cleared")
            << QJsonArray{alex(), sam()} << u"0x99"_s << QString() << two;
    QTest::newRow("two, selection kept") << QJsonArray{alex(), sam()} << samEcid << samEcid << two;
}

void VarnoletModelTest::refreshKeepsOrChangesTheSelection()
{
    QFETCH(QJsonArray, phones);
    QFETCH(QString, selectedBefore);
    QFETCH(QString, selectedAfter);
    QFETCH(QString, expected);

    writeWorld(phones);
    auto model = makeModel();
    model->setSelectedDeviceID(selectedBefore);
    model->refresh();
    QVERIFY(model->busy());
    QCOMPARE(model->busyLabel(), u"Looking for your iPhone…"_s);
    QVERIFY(finishes(*model));

    QCOMPARE(model->devices().size(), phones.size());
    QCOMPARE(model->selectedDeviceID(), selectedAfter);
    QCOMPARE(model->hasSelectedDevice(), !selectedAfter.isEmpty());
    if (!selectedAfter.isEmpty())
        QCOMPARE(model->selectedDevice().value(u"ecid"_s).toString(), selectedAfter);
    QCOMPARE(model->message(), expected);
    QVERIFY(!model->messageIsWarning());
    QCOMPARE(model->activityLog().size(), 1);
    if (phones.size() == 2) {
        // Listed by name, as the configurator's list is read.
        QCOMPARE(model->deviceList().first().name, alexName);
        const QVariantMap first = model->devices().first().toMap();
        QCOMPARE(first.value(u"udid"_s).toString(), alexUdid);
        QCOMPARE(first.value(u"type"_s).toString(), u"iPhone16,2"_s);
    }
}

void VarnoletModelTest::refreshWithoutConfiguratorWarns()
{
    VarnoletModel model;
    QVERIFY(model.configuratorPath() == std::nullopt);
    QSignalSpy busy(&model, &VarnoletModel::busyChanged);
    model.refresh();
    QCOMPARE(busy.count(), 0);
    QCOMPARE(model.message(),
             u"Apple Configurator isn't installed yet. You can still explore the demo."_s);
    QVERIFY(model.messageIsWarning());

    // A configurator installed at a usual place is found by the next refresh.
    const QString bundle = home() + u"/Applications/Apple Configurator.app/Contents/MacOS"_s;
    QVERIFY(QDir().mkpath(bundle));
    QVERIFY(QFile::link(fakeCfgutil, bundle + u"/cfgutil"_s));
    model.refresh();
    QCOMPARE(model.cfgutil(), bundle + u"/cfgutil"_s);
    QVERIFY(finishes(model));
    QCOMPARE(model.message(), u"Found 1 iPhone. Choose your phone and read its layout."_s);
}

void VarnoletModelTest::workflowWithoutConfiguratorAsksToInstall()
{
    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    const auto original = model->originalLayout();
    model->setConfiguratorPath(std::nullopt);

    model->readDevice();
    QVERIFY(finishes(*model));
    QCOMPARE(model->message(), installMessage);
    QVERIFY(model->messageIsWarning());
    QVERIFY(!model->hasLoadedDevice());
    QCOMPARE(model->originalLayout(), original);
    QCOMPARE(calls(u"get-icon-layout"_s), 1);
}

void VarnoletModelTest::chooseConfiguratorAcceptsOnlyAnExecutableCfgutil_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("tool");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("application bundle")
            << u"Apple Configurator.app"_s << u"Apple Configurator.app/Contents/MacOS/cfgutil"_s
            << true;
    QTest::newRow("application bundle, trailing slash")
            << u"Apple Configurator.app/"_s << u"Apple Configurator.app/Contents/MacOS/cfgutil"_s
            << true;
    QTest::newRow("the executable") << u"bin/cfgutil"_s << u"bin/cfgutil"_s << true;
    QTest::newRow("another executable")
            << u"bin/pymobiledevice3"_s << u"bin/pymobiledevice3"_s << false;
    QTest::newRow("cfgutil not executable") << u"plain/cfgutil"_s << u"plain/cfgutil"_s << false;
    QTest::newRow("a folder called cfgutil") << u"folder/cfgutil"_s << QString() << false;
    QTest::newRow("a bundle without cfgutil") << u"Empty.app"_s << QString() << false;
    QTest::newRow("nothing there") << u"missing/cfgutil"_s << QString() << false;
}

void VarnoletModelTest::chooseConfiguratorAcceptsOnlyAnExecutableCfgutil()
{
    QFETCH(QString, chosen);
    QFETCH(QString, tool);
    QFETCH(bool, accepted);

    const QString tools = home() + u"/tools/"_s;
    QVERIFY(QDir().mkpath(tools + u"Apple Configurator.app/Contents/MacOS"_s));
    QVERIFY(QFile::link(fakeCfgutil, tools + u"Apple Configurator.app/Contents/MacOS/cfgutil"_s));
    QVERIFY(QDir().mkpath(tools + u"bin"_s));
    QVERIFY(QFile::link(fakeCfgutil, tools + u"bin/cfgutil"_s));
    QVERIFY(QFile::link(fakeReader, tools + u"bin/pymobiledevice3"_s));
    QVERIFY(QDir().mkpath(tools + u"plain"_s));
    QVERIFY(writeFile(tools + u"plain/cfgutil"_s, "#!/bin/sh\n"));
    QVERIFY(QFile::setPermissions(tools + u"plain/cfgutil"_s,
                                  QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(QDir().mkpath(tools + u"folder/cfgutil"_s));
    QVERIFY(QDir().mkpath(tools + u"Empty.app/Contents/MacOS"_s));

    VarnoletModel model({}, &m_panels);
    m_panels.openAnswer = tools + chosen;
    model.chooseConfigurator();

    QCOMPARE(m_panels.openTitles,
             QStringList{u"Select Apple Configurator.app or the cfgutil executable."_s});
    if (accepted) {
        QCOMPARE(model.cfgutil(), tools + tool);
        QVERIFY(model.busy());
        QCOMPARE(model.busyLabel(), u"Looking for your iPhone…"_s);
        QVERIFY(finishes(model));
        QCOMPARE(model.message(), u"Found 1 iPhone. Choose your phone and read its layout."_s);
    } else {
        QCOMPARE(model.cfgutil(), QString());
        QVERIFY(!model.busy());
        QCOMPARE(model.message(), u"That location doesn't contain an executable cfgutil."_s);
        QVERIFY(model.messageIsWarning());
    }
}

void VarnoletModelTest::readLoadsAndSnapshotsThePhone()
{
    auto model = makeModel();
    model->refresh();
    QVERIFY(finishes(*model));
    QCOMPARE(model->selectedDeviceID(), alexEcid);
    model->setSearch(u"camera"_s);
    model->setOverride(u"com.apple.camera"_s, AppCategory::games);

    ThreadWatch watch(model.get());
    model->readDevice();
    QCOMPARE(model->busyLabel(), u"Reading and saving your layout…"_s);
    QVERIFY(finishes(*model));

    const Layout read = layoutOf(phoneLayout());
    QCOMPARE(model->message(),
             u"Read 13 icons and saved the original layout. Start with Two-icon test to check "
             u"compatibility."_s);
    QVERIFY(!model->messageIsWarning());
    QCOMPARE(model->originalLayout(), read);
    QCOMPARE(model->iconCount(), 13);
    QCOMPARE(model->originalPageCount(), 2);
    QCOMPARE(model->appNames().value(u"com.spotify.client"_s), u"Spotify Music"_s);
    QVERIFY(model->categoryOverrides().isEmpty());
    QCOMPARE(model->loadedDevice().value(u"ecid"_s).toString(), alexEcid);
    QCOMPARE(model->loadedDevice().value(u"name"_s).toString(), alexName);
    QVERIFY(!model->demo());
    QCOMPARE(model->sourceLabel(), alexName);
    QCOMPARE(model->section(), u"Organize"_s);
    QVERIFY(model->showOriginal());
    QCOMPARE(model->search(), QString());
    QVERIFY(model->hasProposed());
    QCOMPARE(model->appList()->count(), 13);

    QCOMPARE(model->snapshots().size(), 1);
    const Snapshot &saved = model->snapshotRecords().first();
    QCOMPARE(saved.reason, u"Initial read"_s);
    QCOMPARE(saved.layout, read);
    QCOMPARE(saved.device.ecid, alexEcid);
    QCOMPARE(saved.names.value(u"com.spotify.client"_s), u"Spotify Music"_s);
    QCOMPARE(SnapshotStore::standard().list().size(), 1);

    // The original is shown first; Apply waits until the proposal is.
    QVERIFY(!model->canApply());
    QSignalSpy canApply(model.get(), &VarnoletModel::canApplyChanged);
    model->setShowOriginal(false);
    QVERIFY(model->canApply());
    QCOMPARE(canApply.count(), 1);

    QVERIFY(watch.notifications > 10);
    QCOMPARE(watch.offThread, 0);
}

void VarnoletModelTest::failedReadLeavesNoPhoneLoaded_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("expected");

    QTest::newRow("the tool fails") << u"tool"_s << u"Could not read the layout."_s;
    QTest::newRow("the snapshot cannot be saved") << u"store"_s << u"Could not "_s;
    QTest::newRow("no configurator") << u"configurator"_s << installMessage;
}

void VarnoletModelTest::failedReadLeavesNoPhoneLoaded()
{
    QFETCH(QString, cause);
    QFETCH(QString, expected);

    writeWorld({alex()},
               QJsonObject{{u"get-icon-layout"_s,
                            cause == u"tool"_s
                                    ? QJsonObject{{u"from"_s, 2},
                                                  {u"exit"_s, 1},
                                                  {u"stderr"_s, u"cfgutil: error: boom\n"_s}}
                                    : QJsonObject{{u"on"_s, 99}}}});
    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    model->setShowOriginal(false);
    QVERIFY(model->canApply());
    const auto original = model->originalLayout();
    const auto proposed = model->proposedLayout();

    const SnapshotStore store = SnapshotStore::standard();
    if (cause == u"store"_s) {
        QVERIFY(QDir(store.snapshotsPath()).removeRecursively());
        QVERIFY(writeFile(store.snapshotsPath(), "in the way"));
    } else if (cause == u"configurator"_s) {
        model->setConfiguratorPath(std::nullopt);
    }

    model->readDevice();
    QVERIFY(finishes(*model));

    QVERIFY2(model->message().startsWith(expected), qPrintable(model->message()));
    QVERIFY(model->messageIsWarning());
    QVERIFY(!model->hasLoadedDevice());
    QVERIFY(!model->canApply());
    QCOMPARE(model->originalLayout(), original);
    QCOMPARE(model->proposedLayout(), proposed);
    QCOMPARE(model->snapshots().size(), 1);
}

void VarnoletModelTest::applyOutcomes_data()
{
    QTest::addColumn<QJsonObject>("phone");
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("warning");
    QTest::addColumn<bool>("verified");
    QTest::addColumn<int>("writes");

    QJsonObject changing = alex();
    changing.insert(u"pendingLayouts"_s, QJsonArray{shuffledLayout()});

    QTest::newRow("verified") << alex() << QJsonObject() << verifiedMessage << false << true << 1;
    QTest::newRow("not verified") << alex()
                                  << QJsonObject{{u"set-icon-layout"_s,
                                                  QJsonObject{{u"ignoreWrite"_s, true}}}}
                                  << notVerifiedMessage << true << false << 1;
    QTest::newRow("phone changed since the read")
            << changing << QJsonObject() << changedMessage << true << false << 0;
}

void VarnoletModelTest::applyOutcomes()
{
    QFETCH(QJsonObject, phone);
    QFETCH(QJsonObject, faults);
    QFETCH(QString, expected);
    QFETCH(bool, warning);
    QFETCH(bool, verified);
    QFETCH(int, writes);

    writeWorld({phone}, faults);
    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    model->setStyle(u"Two-icon test"_s);
    model->rebuild();
    model->setShowOriginal(false);
    QVERIFY(model->canApply());
    const Layout original = *model->originalLayout();
    const Layout proposal = *model->proposedLayout();

    ThreadWatch watch(model.get());
    model->setShowApplyConfirmation(true);
    model->setShowApplyConfirmation(false);
    model->apply();
    QVERIFY(model->busy());
    QCOMPARE(model->busyLabel(), u"Applying and verifying…"_s);
    QVERIFY(!model->canApply());
    QVERIFY(!model->hasLoadedDevice());
    QVERIFY(finishes(*model));

    QCOMPARE(model->message(), expected);
    QCOMPARE(model->messageIsWarning(), warning);
    QCOMPARE(calls(u"set-icon-layout"_s), writes);
    QVERIFY(!model->hasPendingRestore());
    QCOMPARE(model->hasLoadedDevice(), verified);
    QVERIFY(!model->canApply());
    if (verified) {
        QCOMPARE(model->originalLayout(), proposal);
        QVERIFY(!model->hasProposed());
        QVERIFY(model->showOriginal());
        QCOMPARE(model->previewLayout(), proposal);
        QCOMPARE(model->loadedDevice().value(u"ecid"_s).toString(), alexEcid);
        // Apply comes back only with a proposal that differs from what the phone now holds.
        model->setShowOriginal(false);
        QVERIFY(!model->canApply());
        model->setStyle(u"Alphabetical"_s);
        model->rebuild();
        QVERIFY(model->canApply());
    } else {
        QCOMPARE(model->originalLayout(), original);
        QCOMPARE(model->proposedLayout(), proposal);
        QVERIFY(!model->showOriginal());
    }
    QCOMPARE(model->snapshots().size(), writes + 1);
    QCOMPARE(watch.offThread, 0);
}

void VarnoletModelTest::applySavesUnderTheStyleLabel_data()
{
    QTest::addColumn<QString>("style");
    for (const QString &style : {u"Category folders"_s, u"Alphabetical"_s, u"Two-icon test"_s})
        QTest::newRow(qPrintable(style)) << style;
}

void VarnoletModelTest::applySavesUnderTheStyleLabel()
{
    QFETCH(QString, style);

    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    model->setStyle(style);
    model->rebuild();
    model->setShowOriginal(false);
    QVERIFY(model->canApply());
    model->apply();
    QVERIFY(finishes(*model));

    QCOMPARE(model->message(), verifiedMessage);
    QCOMPARE(model->snapshotRecords().size(), 2);
    QVERIFY(savedAs(*model, u"Before "_s + style));
    QVERIFY(savedAs(*model, u"Initial read"_s));
}

void VarnoletModelTest::exportAfterVerifiedApplyDoesNothing()
{
    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    model->setShowOriginal(false);
    model->apply();
    QVERIFY(finishes(*model));
    QCOMPARE(model->message(), verifiedMessage);

    m_panels.saveAnswer = home() + u"/after.json"_s;
    model->exportLayout();
    QVERIFY(m_panels.saveTitles.isEmpty());
    QVERIFY(!QFile::exists(m_panels.saveAnswer));
    QCOMPARE(model->message(), verifiedMessage);

    model->rebuild();
    model->exportLayout();
    QCOMPARE(m_panels.saveTitles.size(), 1);
    QVERIFY(QFile::exists(m_panels.saveAnswer));
}

void VarnoletModelTest::restoreReviewsThenWritesTheSnapshot()
{
    // The phone is rearranged by hand right after the first read.
    QJsonObject changing = alex();
    changing.insert(u"pendingLayouts"_s, QJsonArray{shuffledLayout()});
    writeWorld({changing});
    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    const Snapshot initial = model->snapshotRecords().first();
    model->setSearch(u"maps"_s);
    model->setSelectedPage(2);
    model->setOverride(u"com.apple.Maps"_s, AppCategory::games);

    model->prepareRestore(initial.id);
    QCOMPARE(model->busyLabel(), u"Checking saved layout…"_s);
    QVERIFY(finishes(*model));

    QCOMPARE(model->message(), restoreReadyMessage);
    QVERIFY(!model->messageIsWarning());
    QCOMPARE(model->originalLayout(), layoutOf(shuffledLayout()));
    QCOMPARE(model->proposedLayout(), initial.layout);
    QCOMPARE(model->appNames(), initial.names);
    QCOMPARE(model->pendingRestore(), initial.id);
    QVERIFY(model->hasPendingRestore());
    QCOMPARE(model->sourceLabel(), alexName);
    QVERIFY(!model->showOriginal());
    QCOMPARE(model->selectedPage(), 1);
    QCOMPARE(model->section(), u"Organize"_s);
    QCOMPARE(model->search(), QString());
    QVERIFY(model->categoryOverrides().isEmpty());
    QVERIFY(!model->demo());
    QCOMPARE(model->snapshots().size(), 1);
    QVERIFY(model->canApply());

    model->apply();
    QCOMPARE(model->busyLabel(), u"Restoring and verifying…"_s);
    QVERIFY(finishes(*model));
    QCOMPARE(model->message(), verifiedMessage);
    QVERIFY(!model->hasPendingRestore());
    QCOMPARE(model->originalLayout(), initial.layout);
    const auto before = savedAs(*model, u"Before restore"_s);
    QVERIFY(before);
    QCOMPARE(before->layout, layoutOf(shuffledLayout()));
    const QJsonObject onPhone = world().value(u"devices"_s).toArray().first().toObject();
    QCOMPARE(onPhone.value(u"layout"_s).toArray(), phoneLayout());
}

void VarnoletModelTest::optionChangeDropsAPreparedRestore()
{
    QJsonObject changing = alex();
    changing.insert(u"pendingLayouts"_s, QJsonArray{shuffledLayout()});
    writeWorld({changing});
    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    model->prepareRestore(model->snapshotRecords().first().id);
    QVERIFY(finishes(*model));
    QVERIFY(model->hasPendingRestore());

    QSignalSpy restores(model.get(), &VarnoletModel::pendingRestoreChanged);
    model->setStyle(u"Alphabetical"_s);
    model->rebuild();
    QVERIFY(!model->hasPendingRestore());
    QCOMPARE(model->pendingRestore(), QString());
    QCOMPARE(restores.count(), 1);
    SortOptions alphabetical;
    alphabetical.style = SortStyle::alphabetical;
    QCOMPARE(*model->proposedLayout(),
             Organizer::organize(*model->originalLayout(), alphabetical, model->appNames()));

    model->apply();
    QCOMPARE(model->busyLabel(), u"Applying and verifying…"_s);
    QVERIFY(finishes(*model));
    QCOMPARE(model->message(), verifiedMessage);
    QVERIFY(savedAs(*model, u"Before Alphabetical"_s));
}

void VarnoletModelTest::restoreOfAnUnchangedLayoutCannotBeApplied()
{
    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    model->prepareRestore(model->snapshotRecords().first().id);
    QVERIFY(finishes(*model));
    QCOMPARE(model->message(), restoreReadyMessage);
    QVERIFY(model->hasPendingRestore());
    QCOMPARE(model->originalLayout(), model->proposedLayout());
    QVERIFY(!model->canApply());
}

void VarnoletModelTest::failedRestoreCheckChangesNothing_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("expected");

    QTest::newRow("snapshot of another phone")
            << u"other phone"_s
            << u"This saved layout belongs to a different iPhone. Select Alex’s iPhone to restore "
               u"it."_s;
    QTest::newRow("an app was installed") << u"grown"_s << iconsChangedMessage;
    QTest::newRow("unknown snapshot") << u"unknown"_s << QString();
    QTest::newRow("the phone cannot be read") << u"unreadable"_s << u"Could not read the layout."_s;
}

void VarnoletModelTest::failedRestoreCheckChangesNothing()
{
    QFETCH(QString, cause);
    QFETCH(QString, expected);

    QJsonObject first = alex();
    if (cause == u"grown"_s)
        first.insert(u"pendingLayouts"_s, QJsonArray{grownLayout()});
    QJsonObject faults;
    if (cause == u"unreadable"_s)
        faults.insert(u"get-icon-layout"_s, QJsonObject{{u"from"_s, 2}, {u"exit"_s, 1}});
    writeWorld({first, sam()}, faults);

    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    QString id = model->snapshotRecords().first().id;
    if (cause == u"other phone"_s) {
        model->setSelectedDeviceID(samEcid);
        model->selectionChanged();
    } else if (cause == u"unknown"_s) {
        id = u"6F9619FF-8B86-D011-B42D-00C04FC964FF"_s;
    }
    const auto original = model->originalLayout();
    const auto proposed = model->proposedLayout();
    const auto loaded = model->loadedDeviceRecord();

    model->prepareRestore(id);
    QVERIFY(finishes(*model));

    QVERIFY(model->messageIsWarning());
    if (!expected.isEmpty())
        QVERIFY2(model->message().startsWith(expected), qPrintable(model->message()));
    else
        QVERIFY(!model->message().isEmpty());
    QCOMPARE(model->originalLayout(), original);
    QCOMPARE(model->proposedLayout(), proposed);
    QCOMPARE(model->loadedDeviceRecord(), loaded);
    QVERIFY(!model->hasPendingRestore());
    QCOMPARE(calls(u"set-icon-layout"_s), 0);
}

void VarnoletModelTest::restoreWithoutSelectedPhoneAsksToConnect()
{
    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    const QString id = model->snapshotRecords().first().id;
    model->setSelectedDeviceID(QString());
    model->selectionChanged();

    QSignalSpy busy(model.get(), &VarnoletModel::busyChanged);
    model->prepareRestore(id);
    QCOMPARE(busy.count(), 0);
    QCOMPARE(model->message(), u"Connect and select the original iPhone before restoring."_s);
    QVERIFY(model->messageIsWarning());
    QCOMPARE(model->section(), u"Connection"_s);
}

void VarnoletModelTest::choosingAnotherPhoneDisablesApplyButKeepsLayouts()
{
    QJsonObject changing = alex();
    changing.insert(u"pendingLayouts"_s, QJsonArray{shuffledLayout()});
    writeWorld({changing, sam()});
    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    model->prepareRestore(model->snapshotRecords().first().id);
    QVERIFY(finishes(*model));
    QVERIFY(model->canApply());
    const auto original = model->originalLayout();
    const auto proposed = model->proposedLayout();

    // Choosing the loaded phone again changes nothing.
    model->setSelectedDeviceID(alexEcid);
    model->selectionChanged();
    QVERIFY(model->canApply());

    QSignalSpy canApply(model.get(), &VarnoletModel::canApplyChanged);
    model->setSelectedDeviceID(samEcid);
    QCOMPARE(model->selectedDevice().value(u"name"_s).toString(), samName);
    model->selectionChanged();
    QVERIFY(!model->canApply());
    QCOMPARE(canApply.count(), 1);
    QVERIFY(!model->hasLoadedDevice());
    QVERIFY(!model->hasPendingRestore());
    QCOMPARE(model->originalLayout(), original);
    QCOMPARE(model->proposedLayout(), proposed);

    // Back on the first phone, Apply needs a new read.
    model->setSelectedDeviceID(alexEcid);
    model->selectionChanged();
    QVERIFY(!model->canApply());
}

void VarnoletModelTest::slowToolKeepsTheEventLoopTurning()
{
    writeWorld({alex()}, QJsonObject{{u"list"_s, QJsonObject{{u"on"_s, 1}, {u"sleep"_s, 3}}}});
    auto model = makeModel();

    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start();

    QElapsedTimer clock;
    clock.start();
    model->refresh();
    QVERIFY(model->busy());

    // Requests while the workflow runs are dropped without a word.
    model->refresh();
    model->readDevice();
    model->loadDemo();
    m_panels.openAnswer = home() + u"/world.json"_s;
    model->importLayout();
    QVERIFY(m_panels.openTitles.isEmpty());
    QCOMPARE(model->busyLabel(), u"Looking for your iPhone…"_s);
    QVERIFY(!model->hasOriginal());

    QVERIFY(finishes(*model));
    QVERIFY2(clock.elapsed() >= 2500, "the stand-in did not hang");
    QVERIFY2(ticks >= 50, qPrintable(QString::number(ticks)));
    QCOMPARE(calls(u"list"_s), 1);
    QCOMPARE(model->activityLog().size(), 1);
    QCOMPARE(model->message(), u"Found 1 iPhone. Choose your phone and read its layout."_s);
}

void VarnoletModelTest::modelGoesAwayWhileAWorkflowRuns()
{
    writeWorld({alex()}, QJsonObject{{u"list"_s, QJsonObject{{u"sleep"_s, 1}}}});
    auto model = makeModel();
    model->refresh();
    QVERIFY(model->busy());
    model.reset();

    // Nothing of the dropped workflow arrives later.
    QTest::qWait(200);
    QCOMPARE(calls(u"list"_s), 1);
}

void VarnoletModelTest::foldersGuideAndStorePageGoThroughThePanels()
{
    auto model = makeModel();
    model->revealDiagnostics();
    model->revealSnapshots();
    const SnapshotStore store = SnapshotStore::standard();
    QCOMPARE(m_panels.openedFolders, QStringList({store.diagnosticsPath(), store.snapshotsPath()}));
    for (const QString &folder : {store.root, store.diagnosticsPath(), store.snapshotsPath()}) {
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(QFile::permissions(folder) & 0x7777,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                         | QFile::WriteUser | QFile::ExeUser);
    }

    const QString guide = home() + u"/TESTING.md"_s;
    model->setGuideLocations({home() + u"/nowhere/TESTING.md"_s, guide});
    model->openGuide();
    QVERIFY(m_panels.openedDocuments.isEmpty());
    QVERIFY(writeFile(guide, "# Testing\n"));
    QCOMPARE(model->guidePath(), guide);
    model->openGuide();
    QCOMPARE(m_panels.openedDocuments, QStringList{guide});

    model->openConfiguratorStorePage();
    QCOMPARE(m_panels.openedUrls.size(), 1);
    QCOMPARE(m_panels.openedUrls.first().scheme(), u"https"_s);
    QCOMPARE(m_panels.openedUrls.first().host(), u"apps.apple.com"_s);

    QVERIFY(model->activity().isEmpty());
}

void VarnoletModelTest::titlesOutsideTheListsAreIgnored()
{
    VarnoletModel model;
    QSignalSpy sections(&model, &VarnoletModel::sectionChanged);
    QSignalSpy styles(&model, &VarnoletModel::styleChanged);

    model.setSection(u"Saved layouts"_s);
    model.setSection(u"saved layouts"_s);
    model.setStyle(u"Two-icon test"_s);
    model.setStyle(u"Random"_s);

    QCOMPARE(model.section(), u"Saved layouts"_s);
    QCOMPARE(model.workspaceSection(), WorkspaceSection::snapshots);
    QCOMPARE(model.style(), u"Two-icon test"_s);
    QCOMPARE(model.sortStyle(), SortStyle::twoIconTest);
    QCOMPARE(sections.count(), 1);
    QCOMPARE(styles.count(), 1);
}

QTEST_GUILESS_MAIN(VarnoletModelTest)
#include "varnoletmodeltest.moc"
