#include "varnoletmodel.h"

#include "appcatalog.h"
#include "appstoresetting.h"
#include "appstorestandin.h"
#include "fakepanels.h"
#include "layoutparser.h"
#include "organizer.h"
#include "snapshotstore.h"
#include "varnoleterror.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
const QString alexEcid = u"0x1C2D3E4F50601E"_s;
const QString alexName = u"Alex’s iPhone"_s;
const QString samEcid = u"0x2A0B0C0D0E0F10"_s;
const QString initialMessage
        = u"Connect your iPhone when you're ready, or explore with a sample layout."_s;
const QString foundOne = u"Found 1 iPhone. Choose your phone and read its layout."_s;
const QString verifiedMessage = u"The layout read back from your iPhone matches the proposal. "
                                u"Check your Home Screen visually, too."_s;
const QString restoreReadyMessage
        = u"Saved layout ready to review. Restoring will first save the current layout."_s;
const QString couldNotRead = u"Could not read the layout."_s;

// Dock, a first page with a folder, then `lastPage`: 13 app icons in all by default.
QJsonArray phoneLayout(const QJsonArray &lastPage
                       = {u"com.netflix.Netflix"_s, u"com.apple.Pages"_s})
{
    return {QJsonArray{u"com.apple.mobilephone"_s, u"com.apple.MobileSMS"_s,
                       u"com.apple.mobilesafari"_s, u"com.apple.camera"_s},
            QJsonArray{
                    u"com.apple.mobilecal"_s, u"com.apple.mobilenotes"_s, u"com.burbn.instagram"_s,
                    u"com.spotify.client"_s,
                    QJsonArray{u"Social"_s, u"com.facebook.Facebook"_s, u"com.atebits.Tweetie2"_s},
                    u"com.apple.Maps"_s},
            lastPage};
}

const QJsonArray shuffledLayout = phoneLayout({u"com.apple.Pages"_s, u"com.netflix.Netflix"_s});

Layout layoutOf(const QJsonArray &pages)
{
    return LayoutParser::parse(QJsonDocument(pages).toJson()).layout;
}

// A phone whose layout becomes `next` after the first read.
QJsonObject phone(const QString &ecid, const QString &name, const QJsonArray &next = {})
{
    const QJsonObject spotify{{u"bundleIdentifier"_s, u"com.spotify.client"_s},
                              {u"displayName"_s, u"Spotify Music"_s}};
    return {{u"ecid"_s, ecid},
            {u"udid"_s, QString(u"00008140-00"_s + ecid.mid(2))},
            {u"name"_s, name},
            {u"type"_s, u"iPhone16,2"_s},
            {u"layout"_s, phoneLayout()},
            {u"pendingLayouts"_s, next.isEmpty() ? QJsonArray() : QJsonArray{QJsonValue(next)}},
            {u"apps"_s, QJsonArray{spotify}}};
}

const QJsonObject alex = phone(alexEcid, alexName);
const QJsonObject sam = phone(samEcid, u"Sam’s iPhone"_s);
// Rearranged by hand right after the first read.
const QJsonObject changingAlex = phone(alexEcid, alexName, shuffledLayout);

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

} // namespace

class VarnoletModelTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    QString m_worldPath;
    FakePanels m_panels;

    QString home() const { return m_home->path(); }
    std::unique_ptr<VarnoletModel> makeModel();
    void writeWorld(const QJsonArray &devices, const QJsonObject &faults = {});
    int calls(const QString &command) const;
    static bool finishes(const VarnoletModel &model);
    bool connectAndRead(VarnoletModel &model);

private Q_SLOTS:
    void init();
    void cleanup();

    void startsEmptyOrWithTheDemo();
    void performRunsOneWorkflowAtATime();
    void performReportsFailuresAsWarnings_data();
    void performReportsFailuresAsWarnings();
    void rebuildKeepsSelectedPageInRange_data();
    void rebuildKeepsSelectedPageInRange();
    void appListAndPreview();
    void exportThenImport();
    void handEditsAndTheirHistory();
    void refreshKeepsOrChangesTheSelection_data();
    void refreshKeepsOrChangesTheSelection();
    void chooseConfiguratorAcceptsOnlyAnExecutableCfgutil_data();
    void chooseConfiguratorAcceptsOnlyAnExecutableCfgutil();
    void readThenApply();
    void failedWorkflowChangesNothing_data();
    void failedWorkflowChangesNothing();
    void preparedRestore_data();
    void preparedRestore();
    void slowToolKeepsTheEventLoopTurning();
    void modelGoesAwayWhileAWorkflowRuns();
    void foldersGuideAndStorePageGoThroughThePanels();
    void appStoreLookup_data();
    void appStoreLookup();
};

std::unique_ptr<VarnoletModel> VarnoletModelTest::makeModel()
{
    auto model = std::make_unique<VarnoletModel>(QStringList(), &m_panels);
    model->setConfiguratorPath(fakeCfgutil);
    return model;
}

void VarnoletModelTest::writeWorld(const QJsonArray &devices, const QJsonObject &faults)
{
    const QJsonObject world{{u"devices"_s, devices}, {u"faults"_s, faults}, {u"journal"_s, {}}};
    QVERIFY(writeFile(m_worldPath, QJsonDocument(world).toJson()));
}

int VarnoletModelTest::calls(const QString &command) const
{
    const QJsonObject world = QJsonDocument::fromJson(readFile(m_worldPath)).object();
    int count = 0;
    for (const QJsonValue &entry : world.value(u"journal"_s).toArray())
        count += entry.toObject().value(u"command"_s).toString() == command ? 1 : 0;
    return count;
}

bool VarnoletModelTest::finishes(const VarnoletModel &model)
{
    return QTest::qWaitFor([&model] { return !model.busy(); }, 60000);
}

// Refresh, select Alex's phone and read it, as the window would.
bool VarnoletModelTest::connectAndRead(VarnoletModel &model)
{
    model.refresh();
    if (!finishes(model))
        return false;
    model.setSelectedDeviceID(alexEcid);
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
    writeWorld({alex});
}

void VarnoletModelTest::cleanup()
{
    AppStoreSetting::setEnabled(false); // settings stay where the first HOME put them
    m_home.reset();
}

void VarnoletModelTest::startsEmptyOrWithTheDemo()
{
    const Layout layout = layoutOf(phoneLayout());
    const SnapshotStore store = SnapshotStore::standard();
    const Snapshot saved = store.save(
            DeviceRead{layout, {}, layout.cfgutilData(), u"cfgutil"_s},
            Device(alexEcid, alex.value(u"udid"_s).toString(), alexName, u"iPhone16,2"_s), {},
            u"Initial read"_s);

    // Only the exact argument counts, and never the program's own name.
    VarnoletModel plain({u"--demo"_s, u"--demo=1"_s, u"-demo"_s});
    QCOMPARE(plain.section(), u"Connection"_s);
    QCOMPARE(plain.message(), initialMessage);
    QCOMPARE(plain.sourceLabel(), u"No layout loaded"_s);
    QCOMPARE(plain.storageRoot(), store.root);
    QCOMPARE(plain.previewPageCount(), 1);
    const QVariantMap row = plain.snapshots().value(0).toMap();
    QCOMPARE(row.value(u"id"_s).toString(), saved.id);
    QCOMPARE(row.value(u"apps"_s).toInt(), 13);
    QCOMPARE(row.value(u"folders"_s).toInt(), 1);
    // The list is read again on request; an unreadable store gives an empty list, silently.
    QVERIFY(QDir(store.snapshotsPath()).removeRecursively());
    QVERIFY(writeFile(store.snapshotsPath(), "not a folder"));
    plain.reloadSnapshots();
    QVERIFY(plain.snapshots().isEmpty() && plain.activity().isEmpty());
    // Titles outside the lists are ignored.
    for (const QString &title : {u"Two-icon test"_s, u"Saved layouts"_s, u"saved layouts"_s}) {
        plain.setSection(title);
        plain.setStyle(title);
    }
    QCOMPARE(plain.workspaceSection(), WorkspaceSection::snapshots);
    QCOMPARE(plain.sortStyle(), SortStyle::twoIconTest);

    const VarnoletModel demo({u"varnolet"_s, u"--demo"_s});
    QCOMPARE(demo.section(), u"Organize"_s);
    QVERIFY(demo.demo() && demo.hasProposed());
    QCOMPARE(demo.message(), u"Demo mode. These are sample apps; no device commands are run."_s);
    QCOMPARE(demo.sourceLabel(), u"Demo • sample apps"_s);
    QCOMPARE(demo.originalLayout(), AppCatalog::demo().layout);
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
    QCOMPARE(model.busyLabel(), u"First…"_s);

    // Requests while it runs are dropped without a word.
    bool secondRan = false;
    model.perform(u"Second…"_s, [&secondRan] {
        secondRan = true;
        return QFuture<void>();
    });
    model.loadDemo();
    QVERIFY(!secondRan);
    QCOMPARE(model.busyLabel(), u"First…"_s);
    QVERIFY(!model.hasOriginal());

    first.finish();
    QTRY_VERIFY(!model.busy());
    QCOMPARE(model.busyLabel(), QString());
    QCOMPARE(busy.count(), 2);
    QVERIFY(model.activity().isEmpty());

    // The log puts each entry at the front; a repeated warning changes no flag.
    QSignalSpy warnings(&model, &VarnoletModel::messageIsWarningChanged);
    model.log(u"First."_s);
    model.log(u"Second."_s, true);
    model.log(u"Second."_s, true);
    QCOMPARE(warnings.count(), 1);
    QCOMPARE(model.message(), u"Second."_s);
    const QList<ActivityEntry> &log = model.activityLog();
    QCOMPARE(log.size(), 3);
    QCOMPARE(log.at(2).message, u"First."_s);
    QVERIFY(log.at(0).warning && !log.at(2).warning && log.at(0).id != log.at(1).id);
    QCOMPARE(model.activity().first().toMap().value(u"id"_s).toString(),
             log.at(0).id.toString(QUuid::WithoutBraces));
}

void VarnoletModelTest::performReportsFailuresAsWarnings_data()
{
    QTest::addColumn<VarnoletModel::Operation>("operation");
    QTest::addColumn<QString>("expected");

    using Operation = VarnoletModel::Operation;
    QTest::newRow("thrown before the work starts")
            << Operation([]() -> QFuture<void> { throw VarnoletError(u"Not now."_s); })
            << u"Not now."_s;
    QTest::newRow("thrown on the worker") << Operation([] {
        return QtConcurrent::run([] { throw std::runtime_error("disk on fire"); });
    }) << u"Something unexpected went wrong: disk on fire"_s;
    QTest::newRow("out of memory")
            << Operation([] { return QtConcurrent::run([] { throw std::bad_alloc(); }); })
            << u"Varnolet ran out of memory."_s;
    QTest::newRow("thrown by a continuation") << Operation([] {
        return QtConcurrent::run([] { return 1; }).then([](int) {
            throw VarnoletError(u"Too late."_s);
        });
    }) << u"Too late."_s;
    QTest::newRow("anything else") << Operation([] { return QtConcurrent::run([] { throw 42; }); })
                                   << u"Something went wrong that Varnolet does not recognise."_s;
}

void VarnoletModelTest::performReportsFailuresAsWarnings()
{
    QFETCH(VarnoletModel::Operation, operation);
    QFETCH(QString, expected);

    VarnoletModel model;
    model.perform(u"Trying…"_s, operation);
    QTRY_VERIFY(!model.busy());
    QCOMPARE(model.busyLabel(), QString());
    QCOMPARE(model.message(), expected);
    QVERIFY(model.messageIsWarning());
    QCOMPARE(model.activityLog().size(), 1);
}

void VarnoletModelTest::rebuildKeepsSelectedPageInRange_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<bool>("showOriginal");

    QTest::newRow("beyond the proposal") << 99 << 24 << false;
    QTest::newRow("zero") << 0 << 24 << false;
    QTest::newRow("beyond the original") << 50 << 16 << true;
    QTest::newRow("after a failed rebuild") << 99 << 25 << false;
}

void VarnoletModelTest::rebuildKeepsSelectedPageInRange()
{
    QFETCH(int, page);
    QFETCH(int, capacity);
    QFETCH(bool, showOriginal);

    auto model = makeModel();
    model->loadDemo();
    const Layout original = *model->originalLayout();
    model->setStyle(u"Alphabetical"_s);
    model->setShowOriginal(showOriginal);
    model->setPageCapacity(capacity);
    model->setSelectedPage(page);
    QSignalSpy metrics(model.get(), &VarnoletModel::metricsChanged);
    model->rebuild();

    const int pages = model->previewLayout()->pageCount();
    QCOMPARE(model->previewPageCount(), pages);
    QCOMPARE(model->selectedPage(), std::clamp(page, 1, pages));
    QCOMPARE(metrics.count(), 1);
    // An unsupported page size leaves no proposal; the original stands in for it.
    const bool failed = capacity == 25;
    const Layout proposed = failed ? original : *model->proposedLayout();
    QCOMPARE(model->hasProposed(), !failed);
    QCOMPARE(model->proposedPageCount(), proposed.pageCount());
    QCOMPARE(model->proposedFolderCount(), proposed.folderCount());
    QCOMPARE(model->messageIsWarning(), failed);
    if (failed)
        QCOMPARE(model->message(), u"Unsupported page size."_s);
}

void VarnoletModelTest::appListAndPreview()
{
    auto model = makeModel();
    QAbstractItemModelTester tester(model->apps(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_panels.openAnswer = home() + u"/layout.json"_s;
    QVERIFY(writeFile(m_panels.openAnswer,
                      QJsonDocument(phoneLayout({u"com.apple.Maps"_s})).toJson()));
    model->importLayout();
    const auto names = [apps = model->appList()] {
        QStringList result;
        for (const AppInfo &app : apps->apps())
            result.append(app.name);
        return result;
    };
    // Each app once, sorted by name; a search matches names or identifiers, case ignored.
    QCOMPARE(names(),
             QStringList({u"Calendar"_s, u"Camera"_s, u"Facebook"_s, u"Instagram"_s, u"Maps"_s,
                          u"Messages"_s, u"Notes"_s, u"Phone"_s, u"Safari"_s, u"Spotify"_s,
                          u"X"_s}));
    model->setSearch(u"mobile"_s);
    QCOMPARE(names(),
             QStringList({u"Calendar"_s, u"Messages"_s, u"Notes"_s, u"Phone"_s, u"Safari"_s}));
    model->setSearch(u"x"_s);
    QCOMPARE(names(), QStringList{u"X"_s});

    model->setShowOriginal(true);
    QCOMPARE(model->previewPageCount(), 2);
    QCOMPARE(model->preview().at(0).toList().at(0).toMap(),
             QVariantMap({{u"kind"_s, u"app"_s},
                          {u"id"_s, u"com.apple.mobilephone"_s},
                          {u"title"_s, u"Phone"_s},
                          {u"category"_s, u"Social"_s}}));
    const auto folder = [&model] { return model->preview().at(1).toList().at(4).toMap(); };
    QCOMPARE(folder().value(u"title"_s).toString(), u"Social"_s);
    QCOMPARE(folder().value(u"pages"_s).toList().first().toList().size(), 2);

    // An override recolours the app wherever it is shown and rebuilds the proposal with it.
    const QString facebook = u"com.facebook.Facebook"_s;
    model->setSearch(u"facebook"_s);
    model->setOverride(facebook, u"Money"_s);
    model->setOverride(facebook, u"Not a category"_s);
    QCOMPARE(model->overrides(), QVariantMap({{facebook, u"Money"_s}}));
    QCOMPARE(folder().value(u"category"_s).toString(), u"Money"_s);
    QCOMPARE(model->appList()->apps().first().category, AppCategory::money);
    QCOMPARE(*model->proposedLayout(),
             Organizer::organize(*model->originalLayout(), {}, {},
                                 {{facebook, AppCategory::money}}));
    model->setShowOriginal(false);
    QCOMPARE(model->previewLayout(), model->proposedLayout());
}

void VarnoletModelTest::exportThenImport()
{
    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    model->setShowOriginal(false);
    // Cancelled panels change nothing.
    model->exportLayout();
    model->importLayout();
    model->chooseConfigurator();
    QCOMPARE(model->activityLog().size(), 2);
    QCOMPARE(model->cfgutil(), fakeCfgutil);

    m_panels.saveAnswer = home() + u"/no such folder/out.json"_s;
    model->exportLayout();
    QVERIFY(model->messageIsWarning());
    QVERIFY2(model->message().startsWith(u"Could not write "_s + m_panels.saveAnswer + u": "_s),
             qPrintable(model->message()));
    m_panels.saveAnswer = home() + u"/exported.json"_s;
    model->exportLayout();
    QCOMPARE(m_panels.saveTitles, QStringList(3, u"Export Proposed Layout"_s));
    QCOMPARE(m_panels.suggestedNames.first(), u"varnolet-proposed-layout.json"_s);
    const Layout exported = *model->proposedLayout();
    QCOMPARE(readFile(m_panels.saveAnswer), exported.cfgutilData());
    QCOMPARE(model->message(), u"Exported the proposed layout to exported.json."_s);
    QVERIFY(!model->messageIsWarning());

    // What was exported imports again, for preview only.
    model->setOverride(u"com.apple.Maps"_s, AppCategory::games);
    model->setSearch(u"maps"_s);
    model->setSelectedPage(2);
    m_panels.openAnswer = m_panels.saveAnswer;
    model->importLayout();
    QCOMPARE(m_panels.openTitles.last(),
             u"Imported files are preview-only. Read a connected iPhone to enable Apply."_s);
    QCOMPARE(model->originalLayout(), exported);
    QVERIFY(model->appNames().isEmpty() && model->categoryOverrides().isEmpty());
    QVERIFY(!model->hasLoadedDevice());
    QCOMPARE(model->sourceLabel(), u"Imported • exported.json"_s);
    QCOMPARE(model->selectedPage(), 1);
    QCOMPARE(model->search(), QString());
    QVERIFY(model->hasProposed() && !model->canApply());
    QCOMPARE(model->message(),
             u"Imported for preview only. No iPhone is associated with this file."_s);

    // A configuration profile of the proposal imports as the same layout.
    const Layout proposal = *model->proposedLayout();
    m_panels.saveAnswer = home() + u"/exported.mobileconfig"_s;
    model->exportProfile();
    QCOMPARE(model->message(), u"Exported the configuration profile to exported.mobileconfig."_s);
    m_panels.openAnswer = m_panels.saveAnswer;
    model->importLayout();
    QCOMPARE(model->originalLayout(), proposal);
}

void VarnoletModelTest::handEditsAndTheirHistory()
{
    auto model = makeModel();
    model->loadDemo();
    const Layout suggested = *model->proposedLayout();
    QVERIFY(model->canEdit() && !model->canUndo() && !model->proposalEdited());

    // The demo's Dock holds four apps: a refused edit says why and changes nothing.
    QVERIFY(!model->moveToDock(1, 0, -1));
    QCOMPARE(model->message(), u"The Dock holds at most four items."_s);
    QVERIFY(model->messageIsWarning());
    QCOMPARE(*model->proposedLayout(), suggested);

    QVERIFY(model->moveItem(1, 0, -1, 1, 1));
    const Layout edited = *model->proposedLayout();
    QVERIFY(edited != suggested && model->proposalEdited() && model->canResetToSuggestion());
    model->undo();
    QCOMPARE(*model->proposedLayout(), suggested);
    QVERIFY(!model->proposalEdited() && model->canRedo());
    model->redo();
    QCOMPARE(*model->proposedLayout(), edited);

    // A new option is one more step, and Undo brings the hand edit back.
    model->setStyle(u"Alphabetical"_s);
    model->rebuild();
    const Layout alphabetical = *model->proposedLayout();
    QVERIFY(!model->proposalEdited() && !model->canRedo());
    model->undo();
    QCOMPARE(*model->proposedLayout(), edited);
    model->resetToSuggestion();
    QCOMPARE(*model->proposedLayout(), alphabetical);
    QVERIFY(!model->canResetToSuggestion());

    // Showing the original turns editing off; loading a layout starts a new history.
    model->setShowOriginal(true);
    QVERIFY(!model->canEdit() && !model->moveItem(1, 0, -1, 1, 1));
    model->loadDemo();
    QVERIFY(model->canEdit() && !model->canUndo() && !model->canRedo());
}

void VarnoletModelTest::refreshKeepsOrChangesTheSelection_data()
{
    QTest::addColumn<QJsonArray>("phones");
    QTest::addColumn<QString>("selectedBefore");
    QTest::addColumn<QString>("selectedAfter");
    QTest::addColumn<QString>("expected");

    const QString two = u"Found 2 iPhones. Choose your phone and read its layout."_s;
    QTest::newRow("none, selection cleared")
            << QJsonArray() << alexEcid << QString()
            << u"No iPhone found. Connect by USB, unlock it, and approve Trust This Computer in "
               u"Finder."_s;
    QTest::newRow("one replaces a stale selection")
            << QJsonArray{alex} << u"0x99"_s << alexEcid << foundOne;
    QTest::newRow("two, stale selection cleared")
            << QJsonArray{alex, sam} << u"0x99"_s << QString() << two;
    QTest::newRow("two, selection kept") << QJsonArray{alex, sam} << samEcid << samEcid << two;
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
    QCOMPARE(model->busyLabel(), u"Looking for your iPhone…"_s);
    QVERIFY(finishes(*model));
    QCOMPARE(model->devices().size(), phones.size());
    QCOMPARE(model->selectedDeviceID(), selectedAfter);
    QCOMPARE(model->selectedDevice().value(u"ecid"_s).toString(), selectedAfter);
    QCOMPARE(model->message(), expected);
    QCOMPARE(model->activityLog().size(), 1);
}

void VarnoletModelTest::chooseConfiguratorAcceptsOnlyAnExecutableCfgutil_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("tool");

    QTest::newRow("application bundle")
            << u"Apple Configurator.app/"_s << u"Apple Configurator.app/Contents/MacOS/cfgutil"_s;
    QTest::newRow("the executable") << u"bin/cfgutil"_s << u"bin/cfgutil"_s;
    QTest::newRow("another executable") << u"bin/other"_s << QString();
    QTest::newRow("cfgutil not executable") << u"plain/cfgutil"_s << QString();
    QTest::newRow("a folder called cfgutil") << u"folder/cfgutil"_s << QString();
}

void VarnoletModelTest::chooseConfiguratorAcceptsOnlyAnExecutableCfgutil()
{
    QFETCH(QString, chosen);
    QFETCH(QString, tool);

    const QString tools = home() + u"/tools/"_s;
    for (const QString &folder :
         {u"Apple Configurator.app/Contents/MacOS"_s, u"bin"_s, u"plain"_s, u"folder/cfgutil"_s})
        QVERIFY(QDir().mkpath(tools + folder));
    QVERIFY(QFile::link(fakeCfgutil, tools + u"Apple Configurator.app/Contents/MacOS/cfgutil"_s));
    QVERIFY(QFile::link(fakeCfgutil, tools + u"bin/cfgutil"_s));
    QVERIFY(QFile::link(fakeCfgutil, tools + u"bin/other"_s));
    QVERIFY(writeFile(tools + u"plain/cfgutil"_s, "#!/bin/sh\n"));

    VarnoletModel model({}, &m_panels);
    model.refresh();
    QCOMPARE(model.message(),
             u"Apple Configurator isn't installed yet. You can still explore the demo."_s);
    m_panels.openAnswer = tools + chosen;
    model.chooseConfigurator();
    QCOMPARE(m_panels.openTitles,
             QStringList{u"Select Apple Configurator.app or the cfgutil executable."_s});
    QCOMPARE(model.cfgutil(), tool.isEmpty() ? QString() : tools + tool);
    QVERIFY(finishes(model));
    QCOMPARE(model.message(),
             tool.isEmpty() ? u"That location doesn't contain an executable cfgutil."_s : foundOne);
    QCOMPARE(model.messageIsWarning(), tool.isEmpty());
}

void VarnoletModelTest::readThenApply()
{
    auto model = makeModel();
    model->refresh();
    QVERIFY(finishes(*model));
    QCOMPARE(model->selectedDeviceID(), alexEcid);
    model->setSearch(u"camera"_s);
    model->setOverride(u"com.apple.camera"_s, AppCategory::games);
    // Every change must reach the window on the model's own thread.
    int offThread = 0;
    for (const auto signal : {&VarnoletModel::originalChanged, &VarnoletModel::canApplyChanged,
                              &VarnoletModel::activityChanged, &VarnoletModel::snapshotsChanged}) {
        connect(
                model.get(), signal, this,
                [&offThread, model = model.get()] {
                    offThread += QThread::currentThread() != model->thread() ? 1 : 0;
                },
                Qt::DirectConnection);
    }

    model->readDevice();
    QCOMPARE(model->busyLabel(), u"Reading and saving your layout…"_s);
    QVERIFY(finishes(*model));
    QCOMPARE(model->message(),
             u"Read 13 icons and saved the original layout. Start with Two-icon test to check "
             u"compatibility."_s);
    QCOMPARE(model->originalLayout(), layoutOf(phoneLayout()));
    QCOMPARE(model->appNames().value(u"com.spotify.client"_s), u"Spotify Music"_s);
    QVERIFY(model->categoryOverrides().isEmpty());
    QCOMPARE(model->loadedDevice().value(u"ecid"_s).toString(), alexEcid);
    QCOMPARE(model->sourceLabel(), alexName);
    QCOMPARE(model->section(), u"Organize"_s);
    QCOMPARE(model->search(), QString());
    QCOMPARE(model->snapshotRecords().size(), 1);
    QCOMPARE(model->snapshotRecords().first().reason, u"Initial read"_s);
    QCOMPARE(model->snapshotRecords().first().layout, layoutOf(phoneLayout()));
    // The original is shown first; Apply waits until the proposal is.
    QVERIFY(model->showOriginal() && model->hasProposed() && !model->canApply());
    model->setShowOriginal(false);
    QVERIFY(model->canApply());

    // Restoring what the phone already holds leaves nothing to apply.
    model->prepareRestore(model->snapshotRecords().first().id);
    QCOMPARE(model->busyLabel(), u"Checking saved layout…"_s);
    QVERIFY(finishes(*model));
    QCOMPARE(model->message(), restoreReadyMessage);
    QCOMPARE(model->originalLayout(), model->proposedLayout());
    QVERIFY(!model->canApply());

    model->setStyle(u"Two-icon test"_s);
    model->rebuild();
    const Layout proposal = *model->proposedLayout();
    model->apply();
    QCOMPARE(model->busyLabel(), u"Applying and verifying…"_s);
    QVERIFY(!model->canApply() && !model->hasLoadedDevice());
    QVERIFY(finishes(*model));
    QCOMPARE(model->message(), verifiedMessage);
    QVERIFY(!model->messageIsWarning());
    QCOMPARE(offThread, 0);
    QCOMPARE(calls(u"set-icon-layout"_s), 1);
    QVERIFY(savedAs(*model, u"Before Two-icon test"_s));
    QCOMPARE(model->originalLayout(), proposal);
    QVERIFY(!model->hasProposed() && model->showOriginal());
    QCOMPARE(model->loadedDevice().value(u"ecid"_s).toString(), alexEcid);

    // With no proposal there is nothing to export.
    m_panels.saveAnswer = home() + u"/after.json"_s;
    model->exportLayout();
    QVERIFY(m_panels.saveTitles.isEmpty());
    // Apply comes back only with a proposal that differs from what the phone now holds.
    model->setShowOriginal(false);
    QVERIFY(!model->canApply());
    model->setStyle(u"Alphabetical"_s);
    model->rebuild();
    QVERIFY(model->canApply());

    // A demo can never be applied, whatever its style.
    model->loadDemo();
    for (const QString &style : model->styles()) {
        model->setStyle(style);
        model->rebuild();
        QVERIFY2(!model->canApply(), qPrintable(style));
    }
    model->apply();
    QVERIFY(!model->busy());
    QCOMPARE(calls(u"set-icon-layout"_s), 1);
}

void VarnoletModelTest::failedWorkflowChangesNothing_data()
{
    QTest::addColumn<QJsonObject>("phone");
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("writes");

    const QJsonObject unreadable{
            {u"get-icon-layout"_s, QJsonObject{{u"from"_s, 2}, {u"exit"_s, 1}}}};
    const QJsonObject grown = phone(
            alexEcid, alexName,
            phoneLayout({u"com.netflix.Netflix"_s, u"com.example.new"_s, u"com.apple.Pages"_s}));
    // `loaded`: whether the phone stays loaded, so that Apply stays available.
    const auto row = [](const char *name, const QString &step, const QString &expected, bool loaded,
                        const QJsonObject &phone = alex, const QJsonObject &faults = {}) {
        const int writes = faults.contains(u"set-icon-layout"_s) ? 1 : 0;
        QTest::newRow(name) << phone << faults << step << expected << loaded << writes;
    };
    row("read: the tool fails", u"read"_s, couldNotRead, false, alex, unreadable);
    row("read: the snapshot cannot be saved", u"read, store blocked"_s, u"Could not "_s, false);
    row("read: no configurator", u"read, no configurator"_s,
        u"Install Apple Configurator from the Mac App Store, then click Refresh connection."_s,
        false);
    row("apply: not verified", u"apply"_s,
        u"Configurator accepted the command, but the layout read back does not match. No second "
        u"write was attempted. Check the phone; your previous layout is saved."_s,
        false, alex, {{u"set-icon-layout"_s, QJsonObject{{u"ignoreWrite"_s, true}}}});
    row("apply: the phone changed since the read", u"apply"_s,
        u"Your iPhone layout changed after the preview was created. Read it again before "
        u"applying."_s,
        false, changingAlex);
    row("import: JSON but no layout", u"import JSON"_s,
        u"Unrecognized layout response. Export diagnostics to inspect it."_s, true);
    row("import: missing file", u"import missing"_s, u"Could not read "_s, true);
    row("import: a folder", u"import folder"_s, u"Could not read "_s, true);
    row("import: too large", u"import large"_s,
        u"The file “bad.json” is too large to be an icon layout."_s, true);
    row("restore: snapshot of another phone", u"restore on Sam's phone"_s,
        u"This saved layout belongs to a different iPhone. Select Alex’s iPhone to restore it."_s,
        false);
    row("restore: an app was installed", u"restore"_s,
        u"The app icons on this iPhone changed since the snapshot. Automatic restore is blocked to "
        u"avoid adding or losing icons. You can inspect original-layout.json in the snapshot "
        u"folder."_s,
        true, grown);
    row("restore: unknown snapshot", u"restore unknown"_s, QString(), true);
    row("restore: the phone cannot be read", u"restore"_s, couldNotRead, true, alex, unreadable);
    row("restore: no phone selected", u"restore on no phone"_s,
        u"Connect and select the original iPhone before restoring."_s, false);
}

void VarnoletModelTest::failedWorkflowChangesNothing()
{
    QFETCH(QJsonObject, phone);
    QFETCH(QJsonObject, faults);
    QFETCH(QString, step);
    QFETCH(QString, expected);
    QFETCH(bool, loaded);
    QFETCH(int, writes);

    writeWorld({phone, sam}, faults);
    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    model->setStyle(u"Two-icon test"_s);
    model->rebuild();
    model->setShowOriginal(false);
    QVERIFY(model->canApply());
    const Layout proposal = *model->proposedLayout();
    QString id = model->snapshotRecords().first().id;
    const qsizetype entries = model->activityLog().size();
    if (step == u"read, store blocked"_s) {
        const QString snapshots = SnapshotStore::standard().snapshotsPath();
        QVERIFY(QDir(snapshots).removeRecursively());
        QVERIFY(writeFile(snapshots, "in the way"));
    } else if (step == u"read, no configurator"_s) {
        model->setConfiguratorPath(std::nullopt);
    } else if (step == u"restore unknown"_s) {
        id = u"6F9619FF-8B86-D011-B42D-00C04FC964FF"_s;
    } else if (step.startsWith(u"restore on"_s)) {
        model->setSelectedDeviceID(step.endsWith(u"no phone"_s) ? QString() : samEcid);
        model->selectionChanged();
    } else if (step.startsWith(u"import"_s)) {
        m_panels.openAnswer = home() + u"/bad.json"_s;
        QFile file(m_panels.openAnswer);
        if (step.endsWith(u"folder"_s))
            QVERIFY(QDir().mkpath(m_panels.openAnswer));
        else if (step.endsWith(u"large"_s))
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(25'000'001));
        else if (step.endsWith(u"JSON"_s))
            QVERIFY(writeFile(m_panels.openAnswer, R"({"hello": 1})"));
    }
    if (step.startsWith(u"read"_s))
        model->readDevice();
    else if (step == u"apply"_s)
        model->apply();
    else if (step.startsWith(u"import"_s))
        model->importLayout();
    else
        model->prepareRestore(id);
    QVERIFY(finishes(*model));

    QVERIFY2(model->message().startsWith(expected), qPrintable(model->message()));
    QVERIFY(model->messageIsWarning());
    QCOMPARE(model->activityLog().size(), entries + 1);
    QCOMPARE(model->originalLayout(), layoutOf(phoneLayout()));
    QCOMPARE(model->proposedLayout(), proposal);
    QCOMPARE(model->sourceLabel(), alexName);
    QCOMPARE(model->hasLoadedDevice(), loaded);
    QCOMPARE(model->canApply(), loaded);
    QVERIFY(!model->hasPendingRestore());
    QCOMPARE(calls(u"set-icon-layout"_s), writes);
    QCOMPARE(model->snapshotRecords().size(), 1 + writes);
    if (step == u"restore on no phone"_s)
        QCOMPARE(model->section(), u"Connection"_s);
}

void VarnoletModelTest::preparedRestore_data()
{
    QTest::addColumn<QString>("next");
    QTest::newRow("applied") << u"apply"_s;
    QTest::newRow("options changed, then applied") << u"options"_s;
    QTest::newRow("another phone chosen") << u"phone"_s;
}

// The phone was rearranged after its first read, which is then prepared for restoring.
void VarnoletModelTest::preparedRestore()
{
    QFETCH(QString, next);

    writeWorld({changingAlex, sam});
    auto model = makeModel();
    QVERIFY(connectAndRead(*model));
    const Snapshot initial = model->snapshotRecords().first();
    model->setSearch(u"maps"_s);
    model->setSelectedPage(2);
    model->setOverride(u"com.apple.Maps"_s, AppCategory::games);
    model->prepareRestore(initial.id);
    QVERIFY(finishes(*model));
    QCOMPARE(model->message(), restoreReadyMessage);
    QCOMPARE(model->originalLayout(), layoutOf(shuffledLayout));
    QCOMPARE(model->proposedLayout(), initial.layout);
    QCOMPARE(model->pendingRestore(), initial.id);
    QCOMPARE(model->selectedPage(), 1);
    QCOMPARE(model->search(), QString());
    QVERIFY(model->categoryOverrides().isEmpty());
    QVERIFY(!model->showOriginal());
    // A restore is written as it was saved: no hand edits, nothing to undo.
    QVERIFY(!model->canEdit() && !model->canUndo() && !model->moveItem(1, 0, -1, 1, 1));
    // Choosing the loaded phone again changes nothing.
    model->setSelectedDeviceID(alexEcid);
    model->selectionChanged();
    QVERIFY(model->canApply());

    QSignalSpy restores(model.get(), &VarnoletModel::pendingRestoreChanged);
    if (next == u"phone"_s) {
        model->setSelectedDeviceID(samEcid);
        model->selectionChanged();
        QVERIFY(!model->canApply() && !model->hasLoadedDevice());
        QCOMPARE(model->proposedLayout(), initial.layout);
        QCOMPARE(restores.count(), 1);
        // Back on the first phone, Apply needs a new read.
        model->setSelectedDeviceID(alexEcid);
        model->selectionChanged();
        QVERIFY(!model->canApply());
        return;
    }
    if (next == u"options"_s) {
        model->setStyle(u"Alphabetical"_s);
        model->rebuild();
        QCOMPARE(restores.count(), 1);
        QCOMPARE(*model->proposedLayout(),
                 Organizer::organize(*model->originalLayout(), {SortStyle::alphabetical},
                                     model->appNames()));
    }
    const bool restore = next == u"apply"_s;
    const Layout proposal = *model->proposedLayout();
    model->apply();
    QCOMPARE(model->busyLabel(),
             restore ? u"Restoring and verifying…"_s : u"Applying and verifying…"_s);
    QVERIFY(finishes(*model));
    QCOMPARE(model->message(), verifiedMessage);
    QVERIFY(!model->hasPendingRestore());
    QCOMPARE(model->originalLayout(), proposal);
    const auto before = savedAs(*model, restore ? u"Before restore"_s : u"Before Alphabetical"_s);
    QVERIFY(before);
    QCOMPARE(before->layout, layoutOf(shuffledLayout));
}

void VarnoletModelTest::slowToolKeepsTheEventLoopTurning()
{
    writeWorld({alex}, {{u"list"_s, QJsonObject{{u"on"_s, 1}, {u"sleep"_s, 3}}}});
    auto model = makeModel();
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(10);
    QElapsedTimer clock;
    clock.start();
    model->refresh();

    // Requests while the workflow runs are dropped without a word.
    model->refresh();
    model->readDevice();
    model->importLayout();
    QVERIFY(m_panels.openTitles.isEmpty());
    QCOMPARE(model->busyLabel(), u"Looking for your iPhone…"_s);

    QVERIFY(finishes(*model));
    QVERIFY2(clock.elapsed() >= 2500, "the stand-in did not hang");
    QVERIFY2(ticks >= 50, qPrintable(QString::number(ticks)));
    QCOMPARE(calls(u"list"_s), 1);
    QCOMPARE(model->activityLog().size(), 1);
    QCOMPARE(model->message(), foundOne);
}

void VarnoletModelTest::modelGoesAwayWhileAWorkflowRuns()
{
    writeWorld({alex}, {{u"list"_s, QJsonObject{{u"sleep"_s, 1}}}});
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
    for (const QString &folder : {store.root, store.diagnosticsPath(), store.snapshotsPath()})
        QCOMPARE(QFile::permissions(folder) & 0x0777,
                 QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);

    const QString guide = home() + u"/TESTING.md"_s;
    model->setGuideLocations({home() + u"/nowhere/TESTING.md"_s, guide});
    model->openGuide();
    QVERIFY(writeFile(guide, "# Testing\n"));
    model->openGuide();
    QCOMPARE(m_panels.openedDocuments, QStringList{guide});
    model->openConfiguratorStorePage();
    QCOMPARE(m_panels.openedUrls,
             QList<QUrl>{QUrl(u"https://apps.apple.com/app/apple-configurator/id1037126344"_s)});
}

void VarnoletModelTest::appStoreLookup_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("other");
    QTest::addColumn<AppCategory>("pages");
    QTest::newRow("answered") << u"answer"_s << 8 << AppCategory::productivity;
    QTest::newRow("unreachable") << u"fail"_s << 89 << AppCategory::other;
}

void VarnoletModelTest::appStoreLookup()
{
    QFETCH(QString, mode);
    QFETCH(int, other);
    QFETCH(AppCategory, pages);
    const QString data = QStringLiteral(VARNOLET_SAMPLES "/../appstore/");
    AppStoreStandIn standIn(data + u"popular-answers.json"_s, mode);
    qputenv("VARNOLET_APP_STORE_URL", standIn.url().toEncoded());
    const auto categoryOf = [](const VarnoletModel &model, AppCategory category) {
        const QList<AppInfo> &apps = model.appList()->apps();
        return std::count_if(apps.cbegin(), apps.cend(),
                             [&](const AppInfo &app) { return app.category == category; });
    };

    auto model = makeModel();
    QVERIFY(!model->appStoreLookup());
    m_panels.openAnswer = data + u"popular-phone.json"_s;
    model->importLayout();
    QVERIFY(standIn.requests().isEmpty());
    QCOMPARE(categoryOf(*model, AppCategory::other), 89);

    model->setAppStoreLookup(true);
    QCOMPARE(model->busyLabel(), u"Looking up apps…"_s);
    QVERIFY(finishes(*model));
    QCOMPARE(categoryOf(*model, AppCategory::other), other);
    QCOMPARE(model->messageIsWarning(), mode == u"fail"_s);
    if (mode == u"fail"_s)
        QCOMPARE(model->message(),
                 u"Could not reach the App Store. Categories come from local rules."_s);

    // Remembered; reading a phone looks its apps up too.
    auto reader = makeModel();
    QVERIFY(reader->appStoreLookup());
    QVERIFY(connectAndRead(*reader));
    const QList<AppInfo> &apps = reader->appList()->apps();
    const auto found = std::find_if(apps.cbegin(), apps.cend(), [](const AppInfo &app) {
        return app.id == u"com.apple.Pages"_s;
    });
    QVERIFY(found != apps.cend());
    QCOMPARE(found->category, pages);
    qunsetenv("VARNOLET_APP_STORE_URL");
}

QTEST_GUILESS_MAIN(VarnoletModelTest)
#include "varnoletmodeltest.moc"
