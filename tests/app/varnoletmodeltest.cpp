#include "varnoletmodel.h"

#include "appcatalog.h"
#include "appstoresetting.h"
#include "appstorestandin.h"
#include "layoutparser.h"
#include "organizer.h"
#include "platformpanels.h"
#include "varnoleterror.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPromise>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

const QString fakeCfgutil = QStringLiteral(VARNOLET_FAKE_CFGUTIL);
const QString alexEcid = u"0x1C2D3E4F50601E"_s;
const QString alexName = u"Alex’s iPhone"_s;
const QString samEcid = u"0x2A0B0C0D0E0F10"_s;
const QString foundOne = u"Found 1 iPhone. Choose your phone and read its layout."_s;
const QString verified = u"The layout read back from your iPhone matches the proposal. Check "
                         u"your Home Screen visually, too."_s;
const QString restoreReady
        = u"Saved layout ready to review. Restoring will first save the current layout."_s;
const QString couldNotRead = u"Could not read the layout."_s;

// Dock, a first page with a folder, then `lastPage`: 13 app icons in all by default.
QJsonArray phoneLayout(const QJsonArray &lastPage
                       = {u"com.netflix.Netflix"_s, u"com.apple.Pages"_s})
{
    QJsonArray pages = QJsonDocument::fromJson(R"([
        ["com.apple.mobilephone", "com.apple.MobileSMS", "com.apple.mobilesafari", "com.apple.camera"],
        ["com.apple.mobilecal", "com.apple.mobilenotes", "com.burbn.instagram", "com.spotify.client",
         ["Social", "com.facebook.Facebook", "com.atebits.Tweetie2"], "com.apple.Maps"]])")
                               .array();
    pages.append(lastPage);
    return pages;
}

const QJsonArray shuffled = phoneLayout({u"com.apple.Pages"_s, u"com.netflix.Netflix"_s});

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
const QJsonObject changingAlex = phone(alexEcid, alexName, shuffled);

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

// The named properties of `object`, separated by spaces, to compare many at once.
QVariantList state(const QObject &object, const char *names)
{
    QVariantList values;
    for (const QByteArray &name : QByteArray(names).split(' '))
        values.append(object.property(name.constData()));
    return values;
}

// Snapshots saved within one second have no defined order, so they are found by reason.
Layout savedAs(const VarnoletModel &model, const QString &reason)
{
    for (const Snapshot &snapshot : model.snapshotRecords()) {
        if (snapshot.reason == reason)
            return snapshot.layout;
    }
    return {};
}

bool finishes(const VarnoletModel &model)
{
    return QTest::qWaitFor([&model] { return !model.busy(); }, 60000);
}

void choosePhone(VarnoletModel &model, const QString &ecid)
{
    model.setSelectedDeviceID(ecid);
    model.selectionChanged();
}

void propose(VarnoletModel &model, const QString &style)
{
    model.setStyle(style);
    model.rebuild();
    model.setShowOriginal(false);
}

/// Answers every panel at once with a prepared path (empty stands for Cancel) and records what the
/// model asked for and opened.
struct FakePanels : PlatformPanels
{
    QString openAnswer, saveAnswer;
    QStringList openTitles, saveTitles, opened;

    void chooseFileToOpen(const QString &title, const QStringList &,
                          std::function<void(const QString &)> chosen) override
    {
        openTitles.append(title);
        if (!openAnswer.isEmpty())
            chosen(openAnswer);
    }
    void chooseFileToSave(const QString &title, const QString &, const QStringList &,
                          std::function<void(const QString &)> chosen) override
    {
        saveTitles.append(title);
        if (!saveAnswer.isEmpty())
            chosen(saveAnswer);
    }
    void openFolder(const QString &path) override { opened.append(path); }
    void openDocument(const QString &path) override { opened.append(u"document "_s + path); }
    void openUrl(const QUrl &url) override { opened.append(url.toString()); }
};

} // namespace

/// The workspace model driven as the window drives it, headless, through the stand-in tools.
class VarnoletModelTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    FakePanels m_panels;

    QString home() const { return m_home->path(); }

    std::unique_ptr<VarnoletModel> makeModel()
    {
        auto model = std::make_unique<VarnoletModel>(QStringList(), &m_panels);
        model->setConfiguratorPath(fakeCfgutil);
        return model;
    }

    void writeWorld(const QJsonArray &devices, const QJsonObject &faults = {})
    {
        const QJsonObject world{{u"devices"_s, devices}, {u"faults"_s, faults}, {u"journal"_s, {}}};
        QVERIFY(writeFile(home() + u"/world.json"_s, QJsonDocument(world).toJson()));
    }

    int calls(const QString &command) const
    {
        const QJsonArray journal
                = QJsonDocument::fromJson(readFile(home() + u"/world.json"_s))[u"journal"_s]
                          .toArray();
        return int(std::count_if(journal.begin(), journal.end(), [&](const QJsonValue &entry) {
            return entry[u"command"_s].toString() == command;
        }));
    }

    // Refresh, select Alex's phone and read it, as the window would.
    bool connectAndRead(VarnoletModel &model)
    {
        model.refresh();
        if (!finishes(model))
            return false;
        choosePhone(model, alexEcid);
        model.readDevice();
        return finishes(model) && model.hasLoadedDevice();
    }

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("HOME", QFile::encodeName(home()));
        qputenv("VARNOLET_FAKE_WORLD", QFile::encodeName(home() + u"/world.json"_s));
        m_panels = FakePanels();
        writeWorld({alex});
    }

    void cleanup()
    {
        AppStoreSetting::setEnabled(false); // settings stay where the first HOME put them
        m_home.reset();
    }

    void startsEmptyOrWithTheDemo()
    {
        const Layout layout = layoutOf(phoneLayout());
        const SnapshotStore store = SnapshotStore::standard();
        const Device device(alexEcid, alex.value(u"udid"_s).toString(), alexName, u"iPhone16,2"_s);
        const auto save = [&](const Layout &saving, const QString &reason) {
            return store.save(DeviceRead{saving, {}, saving.cfgutilData(), u"cfgutil"_s}, device,
                              {}, reason);
        };
        const Snapshot saved = save(layout, u"Initial read"_s);
        {
            // With nothing loaded, a saved layout is compared with the phone's next older one; the
            // oldest has none. Snapshots are dated to the second.
            QTest::qSleep(1000);
            const Snapshot newer = save(layoutOf(shuffled), u"Before restore"_s);
            VarnoletModel model({u"varnolet"_s});
            const QVariantList rows = model.snapshots();
            QCOMPARE((QVariantList{rows.value(0).toMap()[u"hasOlder"_s],
                                   rows.value(1).toMap()[u"hasOlder"_s]}),
                     (QVariantList{true, false}));
            model.compareSnapshot(saved.id);
            QVERIFY(!model.comparison()->active());
            model.compareSnapshot(newer.id);
            QCOMPARE(state(*model.comparison(), "active beforeLabel afterLabel summary"),
                     (QVariantList{true, SnapshotComparison::label(saved),
                                   SnapshotComparison::label(newer),
                                   u"2 apps move · Dock unchanged"_s}));
            QVERIFY(QDir(store.snapshotsPath() + u'/' + newer.id).removeRecursively());
        }

        // Only the exact argument counts, and never the program's own name.
        VarnoletModel plain({u"--demo"_s, u"--demo=1"_s, u"-demo"_s});
        QCOMPARE(state(plain, "section message sourceLabel storageRoot previewPageCount demo"),
                 (QVariantList{u"Connection"_s,
                               u"Connect your iPhone when you're ready, or explore with a sample "
                               u"layout."_s,
                               u"No layout loaded"_s, store.root, 1, false}));
        const QVariantMap row = plain.snapshots().value(0).toMap();
        QCOMPARE((QVariantList{row[u"id"_s], row[u"apps"_s], row[u"folders"_s]}),
                 (QVariantList{saved.id, 13, 1}));
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
        QCOMPARE(state(plain, "section style"),
                 (QVariantList{u"Saved layouts"_s, u"Two-icon test"_s}));

        const VarnoletModel demo({u"varnolet"_s, u"--demo"_s});
        QCOMPARE(state(demo, "section demo hasProposed message sourceLabel"),
                 (QVariantList{u"Organize"_s, true, true,
                               u"Demo mode. These are sample apps; no device commands are run."_s,
                               u"Demo • sample apps"_s}));
        QCOMPARE(demo.originalLayout(), AppCatalog::demo().layout);
    }

    void performRunsOneWorkflowAtATime()
    {
        VarnoletModel model({}, &m_panels);
        QSignalSpy busy(&model, &VarnoletModel::busyChanged);
        QPromise<void> first;
        model.perform(u"First…"_s, [&first] { return first.start(), first.future(); });
        // Requests while it runs are dropped without a word.
        bool secondRan = false;
        model.perform(u"Second…"_s, [&secondRan] { return secondRan = true, QFuture<void>(); });
        model.loadDemo();
        model.importLayout();
        QVERIFY(!secondRan && !model.hasOriginal() && m_panels.openTitles.isEmpty());
        QCOMPARE(model.busyLabel(), u"First…"_s);
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

    void performReportsFailuresAsWarnings_data()
    {
        using Operation = VarnoletModel::Operation;
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("expected");
        const auto throwing = [](auto thrown) {
            return Operation([thrown] { return QtConcurrent::run([thrown] { throw thrown; }); });
        };
        // clang-format off
        QTest::newRow("thrown before the work starts") << Operation([]() -> QFuture<void> { throw VarnoletError(u"Not now."_s); }) << u"Not now."_s;
        QTest::newRow("thrown on the worker") << throwing(std::runtime_error("disk on fire")) << u"Something unexpected went wrong: disk on fire"_s;
        QTest::newRow("out of memory") << throwing(std::bad_alloc()) << u"Varnolet ran out of memory."_s;
        QTest::newRow("thrown by a continuation") << Operation([] { return QtConcurrent::run([] { return 1; }).then([](int) { throw VarnoletError(u"Too late."_s); }); }) << u"Too late."_s;
        QTest::newRow("anything else") << throwing(42) << u"Something went wrong that Varnolet does not recognise."_s;
        // clang-format on
    }

    void performReportsFailuresAsWarnings()
    {
        QFETCH(VarnoletModel::Operation, operation);
        QFETCH(QString, expected);
        VarnoletModel model;
        model.perform(u"Trying…"_s, operation);
        QTRY_VERIFY(!model.busy());
        QCOMPARE(state(model, "busyLabel message messageIsWarning"),
                 (QVariantList{QString(), expected, true}));
        QCOMPARE(model.activityLog().size(), 1);
    }

    void rebuildKeepsSelectedPageInRange_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<bool>("showOriginal");
        QTest::newRow("beyond the proposal") << 99 << 24 << false;
        QTest::newRow("zero") << 0 << 24 << false;
        QTest::newRow("beyond the original") << 50 << 16 << true;
        QTest::newRow("after a failed rebuild") << 99 << 25 << false;
    }

    void rebuildKeepsSelectedPageInRange()
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

        // An unsupported page size leaves no proposal; the original stands in for it.
        const bool failed = capacity == 25;
        const Layout proposed = failed ? original : *model->proposedLayout();
        const int pages = model->previewLayout()->pageCount();
        QCOMPARE(state(*model,
                       "previewPageCount selectedPage hasProposed proposedPageCount "
                       "proposedFolderCount messageIsWarning"),
                 (QVariantList{pages, std::clamp(page, 1, pages), !failed, proposed.pageCount(),
                               proposed.folderCount(), failed}));
        QCOMPARE(metrics.count(), 1);
        if (failed)
            QCOMPARE(model->message(), u"Unsupported page size."_s);
    }

    void appListAndPreview()
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
            return result.join(u',');
        };
        // Each app once, sorted by name; a search matches names or identifiers, case ignored.
        QCOMPARE(
                names(),
                u"Calendar,Camera,Facebook,Instagram,Maps,Messages,Notes,Phone,Safari,Spotify,X"_s);
        model->setSearch(u"mobile"_s);
        QCOMPARE(names(), u"Calendar,Messages,Notes,Phone,Safari"_s);
        model->setSearch(u"x"_s);
        QCOMPARE(names(), u"X"_s);

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

    void exportThenImport()
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
        const Layout exported = *model->proposedLayout();
        QCOMPARE(readFile(m_panels.saveAnswer), exported.cfgutilData());
        QVERIFY(!model->messageIsWarning());

        // What was exported imports again, for preview only.
        model->setOverride(u"com.apple.Maps"_s, AppCategory::games);
        model->setSearch(u"maps"_s);
        model->setSelectedPage(2);
        m_panels.openAnswer = m_panels.saveAnswer;
        model->importLayout();
        QCOMPARE(model->originalLayout(), exported);
        QVERIFY(model->appNames().isEmpty() && model->categoryOverrides().isEmpty());
        QCOMPARE(state(*model,
                       "hasLoadedDevice hasProposed canApply sourceLabel selectedPage search "
                       "message"),
                 (QVariantList{
                         false, true, false, u"Imported • exported.json"_s, 1, QString(),
                         u"Imported for preview only. No iPhone is associated with this file."_s}));

        // A configuration profile of the proposal imports as the same layout.
        const Layout proposal = *model->proposedLayout();
        m_panels.saveAnswer = home() + u"/exported.mobileconfig"_s;
        model->exportProfile();
        QCOMPARE(model->message(),
                 u"Exported the configuration profile to exported.mobileconfig."_s);
        m_panels.openAnswer = m_panels.saveAnswer;
        model->importLayout();
        QCOMPARE(model->originalLayout(), proposal);
    }

    void handEditsAndTheirHistory()
    {
        auto model = makeModel();
        model->loadDemo();
        const Layout suggested = *model->proposedLayout();
        const auto flags = [&model] {
            return state(*model, "canEdit canUndo canRedo proposalEdited canResetToSuggestion");
        };
        QCOMPARE(flags(), (QVariantList{true, false, false, false, false}));

        QVERIFY(model->moveItem(1, 0, -1, 1, 1));
        const Layout edited = *model->proposedLayout();
        QVERIFY(edited != suggested);
        QCOMPARE(flags(), (QVariantList{true, true, false, true, true}));
        model->undo();
        QCOMPARE(*model->proposedLayout(), suggested);
        QCOMPARE(flags(), (QVariantList{true, false, true, false, false}));
        model->redo();
        QCOMPARE(*model->proposedLayout(), edited);

        // A new option is one more step, and Undo brings the hand edit back.
        model->setStyle(u"Alphabetical"_s);
        model->rebuild();
        const Layout alphabetical = *model->proposedLayout();
        QCOMPARE(flags(), (QVariantList{true, true, false, false, false}));
        model->undo();
        QCOMPARE(*model->proposedLayout(), edited);
        model->resetToSuggestion();
        QCOMPARE(*model->proposedLayout(), alphabetical);
        QVERIFY(!model->canResetToSuggestion());

        // Showing the original turns editing off; loading a layout starts a new history.
        model->setShowOriginal(true);
        QVERIFY(!model->canEdit() && !model->moveItem(1, 0, -1, 1, 1));
        model->loadDemo();
        QCOMPARE(flags(), (QVariantList{true, false, false, false, false}));
    }

    void refreshKeepsOrChangesTheSelection_data()
    {
        QTest::addColumn<QJsonArray>("phones");
        QTest::addColumn<QString>("selectedBefore");
        QTest::addColumn<QString>("selectedAfter");
        QTest::addColumn<QString>("expected");
        const QString two = u"Found 2 iPhones. Choose your phone and read its layout."_s;
        // clang-format off
        QTest::newRow("none, selection cleared") << QJsonArray() << alexEcid << QString() << u"No iPhone found. Connect by USB, unlock it, and approve Trust This Computer in Finder."_s;
        QTest::newRow("one replaces a stale selection") << QJsonArray{alex} << u"0x99"_s << alexEcid << foundOne;
        QTest::newRow("two, stale selection cleared") << QJsonArray{alex, sam} << u"0x99"_s << QString() << two;
        QTest::newRow("two, selection kept") << QJsonArray{alex, sam} << samEcid << samEcid << two;
        // clang-format on
    }

    void refreshKeepsOrChangesTheSelection()
    {
        QFETCH(QJsonArray, phones);
        QFETCH(QString, selectedBefore);
        QFETCH(QString, selectedAfter);
        QFETCH(QString, expected);
        writeWorld(phones);
        auto model = makeModel();
        model->setSelectedDeviceID(selectedBefore);
        model->refresh();
        QVERIFY(finishes(*model));
        QCOMPARE(model->devices().size(), phones.size());
        QCOMPARE((QVariantList{model->selectedDeviceID(), model->selectedDevice()[u"ecid"_s]}),
                 (QVariantList{selectedAfter,
                               selectedAfter.isEmpty() ? QVariant() : selectedAfter}));
        QCOMPARE(model->message(), expected);
        QCOMPARE(model->activityLog().size(), 1);
    }

    void chooseConfiguratorAcceptsOnlyAnExecutableCfgutil_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("tool");
        // clang-format off
        QTest::newRow("application bundle") << u"Apple Configurator.app/"_s << u"Apple Configurator.app/Contents/MacOS/cfgutil"_s;
        QTest::newRow("the executable") << u"bin/cfgutil"_s << u"bin/cfgutil"_s;
        QTest::newRow("another executable") << u"bin/other"_s << QString();
        QTest::newRow("cfgutil not executable") << u"plain/cfgutil"_s << QString();
        QTest::newRow("a folder called cfgutil") << u"folder/cfgutil"_s << QString();
        // clang-format on
    }

    void chooseConfiguratorAcceptsOnlyAnExecutableCfgutil()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, tool);
        const QString tools = home() + u"/tools/"_s;
        for (const QString &folder : {u"Apple Configurator.app/Contents/MacOS"_s, u"bin"_s,
                                      u"plain"_s, u"folder/cfgutil"_s})
            QVERIFY(QDir().mkpath(tools + folder));
        for (const QString &link :
             {u"Apple Configurator.app/Contents/MacOS/cfgutil"_s, u"bin/cfgutil"_s, u"bin/other"_s})
            QVERIFY(QFile::link(fakeCfgutil, tools + link));
        QVERIFY(writeFile(tools + u"plain/cfgutil"_s, "#!/bin/sh\n"));

        VarnoletModel model({}, &m_panels);
        m_panels.openAnswer = tools + chosen;
        model.chooseConfigurator();
        QCOMPARE(m_panels.openTitles,
                 QStringList{u"Select Apple Configurator.app or the cfgutil executable."_s});
        QCOMPARE(model.cfgutil(), tool.isEmpty() ? QString() : tools + tool);
        QVERIFY(finishes(model));
        QCOMPARE(state(model, "message messageIsWarning"),
                 (QVariantList{tool.isEmpty()
                                       ? u"That location doesn't contain an executable cfgutil."_s
                                       : foundOne,
                               tool.isEmpty()}));
    }

    void readThenApply_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("canApply");
        QTest::newRow("a shown proposal") << u"nothing"_s << true;
        QTest::newRow("the same phone chosen again") << u"Alex"_s << true;
        QTest::newRow("the original shown") << u"original"_s << false;
        QTest::newRow("the demo") << u"demo"_s << false;
        QTest::newRow("a workflow runs") << u"busy"_s << false;
        QTest::newRow("another phone chosen") << u"Sam"_s << false;
        QTest::newRow("the phone listed again with another UDID") << u"new UDID"_s << false;
        QTest::newRow("no phone chosen") << QString() << false;
        QTest::newRow("an imported layout") << u"import"_s << false;
        QTest::newRow("a proposal the phone already holds") << u"restore"_s << false;
        QTest::newRow("already applied") << u"apply"_s << false;
    }

    // A read, then one step before Apply: unless Apply stays available, apply() writes nothing.
    void readThenApply()
    {
        QFETCH(QString, step);
        QFETCH(bool, canApply);
        writeWorld({alex, sam});
        auto model = makeModel();
        model->refresh();
        QVERIFY(finishes(*model));
        choosePhone(*model, alexEcid);
        model->setSearch(u"camera"_s);
        model->setOverride(u"com.apple.camera"_s, AppCategory::games);
        // Every change must reach the window on the model's own thread.
        int offThread = 0;
        for (const auto signal :
             {&VarnoletModel::originalChanged, &VarnoletModel::canApplyChanged,
              &VarnoletModel::activityChanged, &VarnoletModel::snapshotsChanged})
            connect(
                    model.get(), signal, this,
                    [&] { offThread += QThread::currentThread() != thread(); },
                    Qt::DirectConnection);
        model->readDevice();
        QCOMPARE(model->busyLabel(), u"Reading and saving your layout…"_s);
        QVERIFY(finishes(*model));
        QCOMPARE(state(*model,
                       "message sourceLabel section search showOriginal hasProposed canApply"),
                 (QVariantList{u"Read 13 icons and saved the original layout. Start with Two-icon "
                               u"test to check compatibility."_s,
                               alexName, u"Organize"_s, QString(), true, true, false}));
        QCOMPARE(model->originalLayout(), layoutOf(phoneLayout()));
        QCOMPARE(model->appNames().value(u"com.spotify.client"_s), u"Spotify Music"_s);
        QVERIFY(model->categoryOverrides().isEmpty());
        QCOMPARE(model->loadedDevice().value(u"ecid"_s).toString(), alexEcid);
        QCOMPARE(model->snapshotRecords().size(), 1);
        QCOMPARE(savedAs(*model, u"Initial read"_s), layoutOf(phoneLayout()));

        propose(*model, u"Two-icon test"_s);
        QPromise<void> running;
        if (step == u"original"_s) {
            model->setShowOriginal(true);
        } else if (step == u"demo"_s) {
            model->loadDemo();
            for (const QString &style : model->styles()) {
                propose(*model, style);
                QVERIFY2(!model->canApply(), qPrintable(style));
            }
        } else if (step == u"busy"_s) {
            model->perform(u"Busy…"_s, [&running] { return running.start(), running.future(); });
        } else if (step.isEmpty() || step == u"Sam"_s || step == u"Alex"_s) {
            choosePhone(*model, step.isEmpty() ? QString() : step == u"Sam"_s ? samEcid : alexEcid);
        } else if (step == u"new UDID"_s) {
            QJsonObject moved = alex;
            moved[u"udid"_s] = u"00008140-0000000000000000"_s;
            writeWorld({moved, sam});
            model->refresh();
            QVERIFY(finishes(*model));
        } else if (step == u"import"_s) {
            m_panels.openAnswer = home() + u"/layout.json"_s;
            QVERIFY(writeFile(m_panels.openAnswer, QJsonDocument(phoneLayout()).toJson()));
            model->importLayout();
        } else if (step == u"restore"_s) {
            model->prepareRestore(model->snapshotRecords().first().id);
            QCOMPARE(model->busyLabel(), u"Checking saved layout…"_s);
            QVERIFY(finishes(*model));
            QCOMPARE(model->message(), restoreReady);
            QCOMPARE(model->originalLayout(), model->proposedLayout());
        } else if (step == u"apply"_s) {
            model->apply();
            QVERIFY(finishes(*model));
            model->setShowOriginal(false);
            QVERIFY(!model->hasProposed() && !model->canApply());
            // With no proposal there is nothing to export; a new one can be applied again.
            m_panels.saveAnswer = home() + u"/after.json"_s;
            model->exportLayout();
            QVERIFY(m_panels.saveTitles.isEmpty());
            propose(*model, u"Alphabetical"_s);
            QVERIFY(model->canApply());
            model->setShowOriginal(true);
        }
        QCOMPARE(model->canApply(), canApply);
        const std::optional<Layout> proposal = model->proposedLayout();
        model->apply();
        if (canApply) {
            QCOMPARE(model->busyLabel(), u"Applying and verifying…"_s);
            QVERIFY(!model->canApply() && !model->hasLoadedDevice());
        }
        running.finish();
        QVERIFY(finishes(*model));
        const int writes = canApply || step == u"apply"_s ? 1 : 0;
        QCOMPARE(calls(u"set-icon-layout"_s), writes);
        QCOMPARE(offThread, 0);
        if (!canApply)
            return;
        QCOMPARE(state(*model, "message messageIsWarning hasProposed showOriginal"),
                 (QVariantList{verified, false, false, true}));
        QCOMPARE(savedAs(*model, u"Before Two-icon test"_s), layoutOf(phoneLayout()));
        QCOMPARE(model->originalLayout(), proposal);
        QCOMPARE(model->loadedDevice().value(u"ecid"_s).toString(), alexEcid);
    }

    void failedWorkflowChangesNothing_data()
    {
        QTest::addColumn<QJsonObject>("phone");
        QTest::addColumn<QJsonObject>("faults");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("loaded"); // the phone stays loaded, so Apply stays available
        const QJsonObject unreadable{
                {u"get-icon-layout"_s, QJsonObject{{u"from"_s, 2}, {u"exit"_s, 1}}}};
        const QJsonObject ignored{{u"set-icon-layout"_s, QJsonObject{{u"ignoreWrite"_s, true}}}};
        const QJsonObject grown = phone(alexEcid, alexName,
                                        phoneLayout({u"com.netflix.Netflix"_s, u"com.example.new"_s,
                                                     u"com.apple.Pages"_s}));
        const QJsonObject none;
        // clang-format off
        QTest::newRow("read: the tool fails") << alex << unreadable << u"read"_s << couldNotRead << false;
        QTest::newRow("read: the snapshot cannot be saved") << alex << none << u"read, store blocked"_s << u"Could not "_s << false;
        QTest::newRow("read: no configurator") << alex << none << u"read, no configurator"_s << u"Install Apple Configurator from the Mac App Store, then click Refresh connection."_s << false;
        QTest::newRow("apply: not verified") << alex << ignored << u"apply"_s << u"Configurator accepted the command, but the layout read back does not match. No second write was attempted. Check the phone; your previous layout is saved."_s << false;
        QTest::newRow("apply: the phone now has another UDID") << alex << none << u"apply, new UDID"_s << u"The selected iPhone is no longer connected. No layout was written."_s << false;
        QTest::newRow("apply: the phone changed since the read") << changingAlex << none << u"apply"_s << u"Your iPhone layout changed after the preview was created. Read it again before applying."_s << false;
        QTest::newRow("import: JSON but no layout") << alex << none << u"import JSON"_s << u"Unrecognized layout response. Export diagnostics to inspect it."_s << true;
        QTest::newRow("import: missing file") << alex << none << u"import missing"_s << u"Could not read "_s << true;
        QTest::newRow("import: a folder") << alex << none << u"import folder"_s << u"Could not read "_s << true;
        QTest::newRow("import: too large") << alex << none << u"import large"_s << u"The file “bad.json” is too large to be an icon layout."_s << true;
        QTest::newRow("restore: snapshot of another phone") << alex << none << u"restore on Sam's phone"_s << u"This saved layout belongs to a different iPhone. Select Alex’s iPhone to restore it."_s << false;
        QTest::newRow("restore: an app was installed") << grown << none << u"restore"_s << u"The app icons on this iPhone changed since the snapshot. Automatic restore is blocked to avoid adding or losing icons. You can inspect original-layout.json in the snapshot folder."_s << true;
        QTest::newRow("restore: unknown snapshot") << alex << none << u"restore unknown"_s << QString() << true;
        QTest::newRow("restore: the phone cannot be read") << alex << unreadable << u"restore"_s << couldNotRead << true;
        QTest::newRow("restore: no phone selected") << alex << none << u"restore on no phone"_s << u"Connect and select the original iPhone before restoring."_s << false;
        // clang-format on
    }

    void failedWorkflowChangesNothing()
    {
        QFETCH(QJsonObject, phone);
        QFETCH(QJsonObject, faults);
        QFETCH(QString, step);
        QFETCH(QString, expected);
        QFETCH(bool, loaded);
        writeWorld({phone, sam}, faults);
        auto model = makeModel();
        QVERIFY(connectAndRead(*model));
        propose(*model, u"Two-icon test"_s);
        QVERIFY(model->canApply());
        const Layout proposal = *model->proposedLayout();
        QString id = model->snapshotRecords().first().id;
        const qsizetype entries = model->activityLog().size();
        m_panels.openAnswer = home() + u"/bad.json"_s;
        QFile bad(m_panels.openAnswer);
        if (step == u"read, store blocked"_s) {
            const QString snapshots = SnapshotStore::standard().snapshotsPath();
            QVERIFY(QDir(snapshots).removeRecursively() && writeFile(snapshots, "in the way"));
        } else if (step == u"apply, new UDID"_s) {
            QJsonObject moved = phone;
            moved[u"udid"_s] = u"00008140-0000000000000000"_s;
            writeWorld({moved, sam}, faults);
        } else if (step == u"read, no configurator"_s) {
            model->setConfiguratorPath(std::nullopt);
        } else if (step == u"restore unknown"_s) {
            id = u"6F9619FF-8B86-D011-B42D-00C04FC964FF"_s;
        } else if (step.startsWith(u"restore on"_s)) {
            choosePhone(*model, step.endsWith(u"no phone"_s) ? QString() : samEcid);
        } else if (step == u"import folder"_s) {
            QVERIFY(QDir().mkpath(m_panels.openAnswer));
        } else if (step == u"import large"_s) {
            QVERIFY(bad.open(QIODevice::WriteOnly) && bad.resize(25'000'001));
        } else if (step == u"import JSON"_s) {
            QVERIFY(writeFile(m_panels.openAnswer, R"({"hello": 1})"));
        }
        if (step.startsWith(u"read"_s))
            model->readDevice();
        else if (step.startsWith(u"apply"_s))
            model->apply();
        else if (step.startsWith(u"import"_s))
            model->importLayout();
        else
            model->prepareRestore(id);
        QVERIFY(finishes(*model));

        const int writes = faults.contains(u"set-icon-layout"_s) ? 1 : 0;
        QVERIFY2(model->message().startsWith(expected), qPrintable(model->message()));
        QCOMPARE(state(*model,
                       "messageIsWarning sourceLabel hasLoadedDevice canApply "
                       "hasPendingRestore"),
                 (QVariantList{true, alexName, loaded, loaded, false}));
        QCOMPARE(model->activityLog().size(), entries + 1);
        QCOMPARE(model->originalLayout(), layoutOf(phoneLayout()));
        QCOMPARE(model->proposedLayout(), proposal);
        QCOMPARE(calls(u"set-icon-layout"_s), writes);
        QCOMPARE(model->snapshotRecords().size(), 1 + writes);
        if (step == u"restore on no phone"_s)
            QCOMPARE(model->section(), u"Connection"_s);
    }

    void preparedRestore_data()
    {
        QTest::addColumn<QString>("next");
        QTest::newRow("applied") << u"apply"_s;
        QTest::newRow("options changed, then applied") << u"options"_s;
        QTest::newRow("another phone chosen") << u"phone"_s;
    }

    // The phone was rearranged after its first read, which is then prepared for restoring.
    void preparedRestore()
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
        QCOMPARE(state(*model, "message pendingRestore selectedPage search showOriginal canApply"),
                 (QVariantList{restoreReady, initial.id, 1, QString(), false, true}));
        QCOMPARE(model->originalLayout(), layoutOf(shuffled));
        QCOMPARE(model->proposedLayout(), initial.layout);
        QVERIFY(model->categoryOverrides().isEmpty());
        // A restore is written as it was saved: no hand edits, nothing to undo.
        QVERIFY(!model->canEdit() && !model->canUndo() && !model->moveItem(1, 0, -1, 1, 1));
        // Choosing the loaded phone again changes nothing.
        choosePhone(*model, alexEcid);
        QVERIFY(model->canApply());

        QSignalSpy restores(model.get(), &VarnoletModel::pendingRestoreChanged);
        if (next == u"phone"_s) {
            choosePhone(*model, samEcid);
            QVERIFY(!model->canApply() && !model->hasLoadedDevice());
            QCOMPARE(model->proposedLayout(), initial.layout);
            QCOMPARE(restores.count(), 1);
            // Back on the first phone, Apply needs a new read.
            choosePhone(*model, alexEcid);
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
        QCOMPARE(state(*model, "message hasPendingRestore"), (QVariantList{verified, false}));
        QCOMPARE(model->originalLayout(), proposal);
        QCOMPARE(savedAs(*model, restore ? u"Before restore"_s : u"Before Alphabetical"_s),
                 layoutOf(shuffled));
    }

    void modelGoesAwayWhileAWorkflowRuns()
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

    void foldersGuideAndStorePageGoThroughThePanels()
    {
        auto model = makeModel();
        const SnapshotStore store = SnapshotStore::standard();
        const QString guide = home() + u"/TESTING.md"_s;
        model->setGuideLocations({home() + u"/nowhere/TESTING.md"_s, guide});
        model->openGuide();
        QVERIFY(writeFile(guide, "# Testing\n"));
        model->revealDiagnostics();
        model->revealSnapshots();
        model->openGuide();
        model->openConfiguratorStorePage();
        QCOMPARE(
                m_panels.opened,
                QStringList({store.diagnosticsPath(), store.snapshotsPath(), u"document "_s + guide,
                             u"https://apps.apple.com/app/apple-configurator/id1037126344"_s}));
        for (const QString &folder : {store.root, store.diagnosticsPath(), store.snapshotsPath()})
            QCOMPARE(QFile::permissions(folder) & 0x0777,
                     QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    }

    void appStoreLookup_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("other");
        QTest::addColumn<AppCategory>("pages");
        QTest::newRow("answered") << u"answer"_s << 8 << AppCategory::productivity;
        QTest::newRow("unreachable") << u"fail"_s << 89 << AppCategory::other;
    }

    void appStoreLookup()
    {
        QFETCH(QString, mode);
        QFETCH(int, other);
        QFETCH(AppCategory, pages);
        const QString data = QStringLiteral(VARNOLET_SAMPLES "/../appstore/");
        AppStoreStandIn standIn(data + u"popular-answers.json"_s, mode);
        qputenv("VARNOLET_APP_STORE_URL", standIn.url().toEncoded());
        const auto count = [](const VarnoletModel &model, AppCategory category, QString id = {}) {
            const QList<AppInfo> &apps = model.appList()->apps();
            return int(std::count_if(apps.cbegin(), apps.cend(), [&](const AppInfo &app) {
                return app.category == category && (id.isEmpty() || app.id == id);
            }));
        };

        auto model = makeModel();
        QVERIFY(!model->appStoreLookup());
        m_panels.openAnswer = data + u"popular-phone.json"_s;
        model->importLayout();
        QVERIFY(standIn.requests().isEmpty());
        QCOMPARE(count(*model, AppCategory::other), 89);
        model->setAppStoreLookup(true);
        QCOMPARE(model->busyLabel(), u"Looking up apps…"_s);
        QVERIFY(finishes(*model));
        QCOMPARE(count(*model, AppCategory::other), other);
        QCOMPARE(model->messageIsWarning(), mode == u"fail"_s);
        if (mode == u"fail"_s)
            QCOMPARE(model->message(),
                     u"Could not reach the App Store. Categories come from local rules."_s);

        // Remembered; reading a phone looks its apps up too.
        auto reader = makeModel();
        QVERIFY(reader->appStoreLookup());
        QVERIFY(connectAndRead(*reader));
        QCOMPARE(count(*reader, pages, u"com.apple.Pages"_s), 1);
        qunsetenv("VARNOLET_APP_STORE_URL");
    }
};

QTEST_GUILESS_MAIN(VarnoletModelTest)
#include "varnoletmodeltest.moc"
