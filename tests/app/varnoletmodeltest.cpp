#include "varnoletmodel.h"

#include "appstoresetting.h"
#include "appstorestandin.h"
#include "layoutparser.h"
#include "organizer.h"
#include "platformpanels.h"
#include "varnoleterror.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
const QString foundTwo = u"Found 2 iPhones. Choose your phone and read its layout."_s;
const QString read13 = u"Read 13 icons and saved the original layout. Start with Two-icon test to "
                       u"check compatibility."_s;
const QString verified = u"The layout read back from your iPhone matches the proposal. Check "
                         u"your Home Screen visually, too."_s;
const QString restoreReady
        = u"Saved layout ready to review. Restoring will first save the current layout."_s;
const QString couldNotRead = u"Could not read the layout. "_s;
const QString demoMessage = u"Demo mode. These are sample apps; no device commands are run."_s;

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

const AppInfo alpha{u"a"_s, u"Alpha"_s, AppCategory::other};
const AppInfo beta{u"b"_s, u"Beta"_s, AppCategory::other};

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

// The named properties of `object`, separated by spaces, to compare many at once.
QVariantList state(const QObject &object, const char *names)
{
    QVariantList values;
    for (const QByteArray &name : QByteArray(names).split(' '))
        values.append(object.property(name.constData()));
    return values;
}

// The model's flags among `names` that are set, then its section unless that is Organize.
QString flagsOf(const VarnoletModel &model,
                const char *names = "messageIsWarning hasSelectedDevice hasLoadedDevice canApply "
                                    "hasProposed showOriginal hasPendingRestore")
{
    QStringList set;
    for (const QByteArray &name : QByteArray(names).split(' ')) {
        if (model.property(name.constData()).toBool())
            set.append(QString::fromLatin1(name));
    }
    if (model.section() != u"Organize"_s)
        set.append(model.section());
    return set.join(u' ');
}

const char *const editFlags = "canEdit canUndo canRedo proposalEdited canResetToSuggestion";

// Snapshots saved within one second have no defined order, so they are found by reason.
Layout savedAs(const VarnoletModel &model, const QString &reason)
{
    const QList<Snapshot> &records = model.snapshotRecords();
    const auto found = std::ranges::find(records, reason, &Snapshot::reason);
    return found == records.end() ? Layout() : found->layout;
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

/// Answers every panel at once with a prepared path, which the model takes as Cancel when it is
/// empty, and records the panels' titles and what the model opened.
struct FakePanels : PlatformPanels
{
    using Chosen = std::function<void(const QString &)>;
    QString answer;
    QStringList titles, opened;

    void choose(const QString &title, const Chosen &chosen)
    {
        titles.append(title);
        chosen(answer);
    }
    void chooseFileToOpen(const QString &title, const QStringList &, Chosen chosen) override
    {
        choose(title, chosen);
    }
    void chooseFileToSave(const QString &title, const QString &, const QStringList &,
                          Chosen chosen) override
    {
        choose(title, chosen);
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
        QFile file(home() + u"/world.json"_s);
        const QJsonArray journal = file.open(QIODevice::ReadOnly)
                ? QJsonDocument::fromJson(file.readAll())[u"journal"_s].toArray()
                : QJsonArray();
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
        return model.busyLabel() == u"Reading and saving your layout…"_s && finishes(model)
                && model.hasLoadedDevice();
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
        const SnapshotStore store = SnapshotStore::standard();
        const Device device(alexEcid, alex[u"udid"_s].toString(), alexName, u"iPhone16,2"_s);
        const auto save = [&](const QJsonArray &pages, const QString &reason) {
            const Layout layout = layoutOf(pages);
            return store.save(DeviceRead{layout, {}, layout.cfgutilData(), u"cfgutil"_s}, device,
                              {}, reason);
        };
        const Snapshot saved = save(phoneLayout(), u"Initial read"_s);
        QTest::qSleep(1000); // snapshots are dated to the second
        const Snapshot newer = save(shuffled, u"Before restore"_s);

        // Only the exact argument counts, and never the program's own name.
        VarnoletModel plain({u"--demo"_s, u"--demo=1"_s, u"-demo"_s});
        QCOMPARE(state(plain, "section message sourceLabel previewPageCount demo"),
                 (QVariantList{u"Connection"_s,
                               u"Connect your iPhone when you're ready, or explore with a sample "
                               u"layout."_s,
                               u"No layout loaded"_s, 1, false}));
        const auto row = [&plain](int index, const QString &key) {
            return plain.snapshots().value(index).toMap().value(key);
        };
        QCOMPARE((QVariantList{row(0, u"hasOlder"_s), row(1, u"id"_s), row(1, u"apps"_s),
                               row(1, u"folders"_s), row(1, u"hasOlder"_s)}),
                 (QVariantList{true, saved.id, 13, 1, false}));
        // With nothing loaded, a saved layout is compared with the phone's next older one.
        plain.compareSnapshot(saved.id);
        QVERIFY(!plain.comparison()->active());
        plain.compareSnapshot(newer.id);
        QCOMPARE(state(*plain.comparison(), "active beforeLabel afterLabel summary"),
                 (QVariantList{true, SnapshotComparison::label(saved),
                               SnapshotComparison::label(newer),
                               u"2 apps move · Dock unchanged"_s}));
        // The list is read again on request; an unreadable store gives an empty list, silently.
        QVERIFY(QDir(store.snapshotsPath()).removeRecursively());
        QVERIFY(writeFile(store.snapshotsPath(), "not a folder"));
        plain.reloadSnapshots();
        QVERIFY(plain.snapshots().isEmpty() && plain.activity().isEmpty());

        const VarnoletModel demo({u"varnolet"_s, u"--demo"_s});
        QCOMPARE(state(demo, "section demo hasProposed sourceLabel"),
                 (QVariantList{u"Organize"_s, true, true, u"Demo • sample apps"_s}));
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
        QVERIFY(!secondRan && !model.hasOriginal() && m_panels.titles.isEmpty());
        QCOMPARE(model.busyLabel(), u"First…"_s);
        first.finish();
        QTRY_VERIFY(!model.busy());
        QCOMPARE((QVariantList{model.busyLabel(), busy.count(), model.activity().size()}),
                 (QVariantList{QString(), 2, 0}));

        // The log puts each entry at the front.
        model.log(u"First."_s);
        model.log(u"Second."_s, true);
        const auto log = model.activityLog();
        QCOMPARE((QVariantList{model.message(), log[1].message, log[0].warning, log[1].warning}),
                 (QVariantList{u"Second."_s, u"First."_s, true, false}));
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
        QCOMPARE(state(model, "busyLabel message messageIsWarning")
                         << int(model.activityLog().size()),
                 (QVariantList{QString(), expected, true, 1}));
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
                       "proposedFolderCount message messageIsWarning")
                         << int(metrics.count()),
                 (QVariantList{pages, std::clamp(page, 1, pages), !failed, proposed.pageCount(),
                               proposed.folderCount(),
                               failed ? u"Unsupported page size."_s : demoMessage, failed, 1}));
    }

    // A row that only changed its name or category is updated in place, so a view keeps its
    // place; any other change resets the list.
    void appListUpdatesRowsInPlace_data()
    {
        QTest::addColumn<QList<AppInfo>>("next");
        QTest::addColumn<int>("resets");
        QTest::addColumn<int>("changedRow");
        QTest::addColumn<int>("countChanges");
        // clang-format off
        QTest::newRow("the same") << QList{alpha, beta} << 0 << -1 << 0;
        QTest::newRow("category changed") << QList{alpha, AppInfo{u"b"_s, u"Beta"_s, AppCategory::games}} << 0 << 1 << 0;
        QTest::newRow("name changed") << QList{AppInfo{u"a"_s, u"Aleph"_s, AppCategory::other}, beta} << 0 << 0 << 0;
        QTest::newRow("fewer") << QList{beta} << 1 << -1 << 1;
        QTest::newRow("reordered") << QList{beta, alpha} << 1 << -1 << 0;
        QTest::newRow("empty") << QList<AppInfo>() << 1 << -1 << 1;
        // clang-format on
    }

    void appListUpdatesRowsInPlace()
    {
        QFETCH(QList<AppInfo>, next);
        QFETCH(int, resets);
        QFETCH(int, changedRow);
        QFETCH(int, countChanges);
        AppListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setApps({alpha, beta});
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy counts(&model, &AppListModel::countChanged);
        model.setApps(next);
        QCOMPARE((QVariantList{reset.count(), changes.count(), counts.count(), model.count()}),
                 (QVariantList{resets, changedRow < 0 ? 0 : 1, countChanges, next.size()}));
        if (changedRow >= 0)
            QCOMPARE(changes.first().at(0).toModelIndex().row(), changedRow);
        for (int row = 0; row < next.size(); ++row) {
            const QModelIndex index = model.index(row);
            QCOMPARE((QVariantList{index.data(AppListModel::IdRole),
                                   index.data(AppListModel::NameRole),
                                   index.data(AppListModel::CategoryRole)}),
                     (QVariantList{next[row].id, next[row].name,
                                   AppCategories::title(next[row].category)}));
        }
    }

    void appListAndPreview()
    {
        auto model = makeModel();
        m_panels.answer = home() + u"/layout.json"_s;
        QVERIFY(writeFile(m_panels.answer,
                          QJsonDocument(phoneLayout({u"com.apple.Maps"_s})).toJson()));
        model->importLayout();
        const auto names = [&model](const QString &search) {
            model->setSearch(search);
            QStringList result;
            for (const AppInfo &app : model->appList()->apps())
                result.append(app.name);
            return result.join(u',');
        };
        // Each app once, sorted by name; a search matches names or identifiers, case ignored.
        QCOMPARE(
                (QStringList{names({}), names(u"mobile"_s), names(u"x"_s)}),
                (QStringList{u"Calendar,Camera,Facebook,Instagram,Maps,Messages,Notes,Phone,Safari,"
                             u"Spotify,X"_s,
                             u"Calendar,Messages,Notes,Phone,Safari"_s, u"X"_s}));

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
        QCOMPARE(folder().value(u"category"_s).toString(), u"Money"_s);
        QCOMPARE(model->appList()->apps().first().category, AppCategory::money);
        QCOMPARE(*model->proposedLayout(),
                 Organizer::organize(*model->originalLayout(), {}, {},
                                     {{facebook, AppCategory::money}}));
    }

    void workflows_data()
    {
        QTest::addColumn<QJsonObject>("phone");
        QTest::addColumn<QJsonObject>("faults");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("message"); // exact, or a prefix when it ends with a space
        QTest::addColumn<QString>("flags");
        QTest::addColumn<int>("writes");
        QTest::addColumn<QString>("original"); // the loaded layout at the end, when named
        const QJsonObject unreadable{
                {u"get-icon-layout"_s, QJsonObject{{u"from"_s, 2}, {u"exit"_s, 1}}}};
        const QJsonObject ignored{{u"set-icon-layout"_s, QJsonObject{{u"ignoreWrite"_s, true}}}};
        const QJsonObject grown = phone(alexEcid, alexName,
                                        phoneLayout({u"com.netflix.Netflix"_s, u"com.example.new"_s,
                                                     u"com.apple.Pages"_s}));
        const QJsonObject none;
        const QString loaded = u"hasSelectedDevice hasLoadedDevice canApply hasProposed"_s;
        const QString written = u"hasSelectedDevice hasLoadedDevice showOriginal"_s;
        const QString failed = u"messageIsWarning hasSelectedDevice hasProposed"_s;
        const QString noCfgutil = u"That location doesn't contain an executable cfgutil."_s;
        // clang-format off
        QTest::newRow("apply: a shown proposal") << alex << none << u"apply"_s << verified << written << 1 << u"sent"_s;
        QTest::newRow("apply: the same phone chosen again") << alex << none << u"choose Alex, apply"_s << verified << written << 1 << u"sent"_s;
        QTest::newRow("apply: twice, the second time a new proposal") << alex << none << u"apply, =hasSelectedDevice hasLoadedDevice showOriginal, style Alphabetical, apply"_s << verified << written << 2 << u"sent"_s;
        QTest::newRow("refused: the original shown") << alex << none << u"original, apply"_s << read13 << u"hasSelectedDevice hasLoadedDevice hasProposed showOriginal"_s << 0 << u"phone"_s;
        QTest::newRow("refused: the demo") << alex << none << u"demo, apply"_s << demoMessage << u"hasSelectedDevice hasProposed"_s << 0 << QString();
        QTest::newRow("refused: a workflow runs") << alex << none << u"busy, apply"_s << read13 << loaded << 0 << u"phone"_s;
        QTest::newRow("refused: another phone chosen") << alex << none << u"choose Sam, apply"_s << read13 << u"hasSelectedDevice hasProposed"_s << 0 << u"phone"_s;
        QTest::newRow("refused: the phone listed again with another UDID") << alex << none << u"new UDID, refresh, apply"_s << foundTwo << u"hasSelectedDevice hasLoadedDevice hasProposed"_s << 0 << u"phone"_s;
        QTest::newRow("refused: no phone chosen") << alex << none << u"choose none, apply"_s << read13 << u"hasProposed"_s << 0 << u"phone"_s;
        QTest::newRow("refused: an imported layout") << alex << none << u"layout file, import, apply"_s << u"Imported for preview only. No iPhone is associated with this file."_s << u"hasSelectedDevice hasProposed"_s << 0 << u"phone"_s;
        QTest::newRow("refused: a proposal the phone already holds") << alex << none << u"restore, apply"_s << restoreReady << u"hasSelectedDevice hasLoadedDevice hasProposed hasPendingRestore"_s << 0 << u"phone"_s;
        QTest::newRow("hand edits: a new option, Undo, Reset, the original, a new layout") << alex << none << u"move, edits canEdit canUndo proposalEdited canResetToSuggestion, style Alphabetical, keep, edits canEdit canUndo, undo, edits canEdit canUndo canRedo proposalEdited canResetToSuggestion, reset, kept, edits canEdit canUndo, original, edits canUndo, move, demo, edits canEdit"_s << demoMessage << u"hasSelectedDevice hasProposed"_s << 0 << QString();
        QTest::newRow("refresh: the selection kept") << alex << none << u"refresh"_s << foundTwo << loaded << 0 << u"phone"_s;
        QTest::newRow("refresh: a stale selection cleared") << alex << none << u"choose a phone not listed, refresh"_s << foundTwo << u"hasProposed"_s << 0 << u"phone"_s;
        QTest::newRow("refresh: the one phone replaces a stale selection") << alex << none << u"choose a phone not listed, world with Alex, refresh"_s << foundOne << u"hasSelectedDevice hasProposed"_s << 0 << u"phone"_s;
        QTest::newRow("refresh: no phone any more") << alex << none << u"world with none, refresh"_s << u"No iPhone found. Connect by USB, unlock it, and approve Trust This Computer in Finder."_s << u"hasProposed"_s << 0 << u"phone"_s;
        QTest::newRow("panels cancelled") << alex << none << u"cancel, export, import, configurator, cfgutil unchanged"_s << read13 << loaded << 0 << u"phone"_s;
        QTest::newRow("export fails") << alex << none << u"answer no such folder/out.json, export"_s << u"Could not write "_s << u"messageIsWarning "_s + loaded << 0 << u"phone"_s;
        QTest::newRow("export, then import for preview") << alex << none << u"dirty, answer exported.json, export, import, clean, imported"_s << u"Imported for preview only. No iPhone is associated with this file."_s << u"hasSelectedDevice hasProposed"_s << 0 << u"sent"_s;
        QTest::newRow("export a profile") << alex << none << u"answer exported.mobileconfig, export profile"_s << u"Exported the configuration profile to exported.mobileconfig."_s << loaded << 0 << u"phone"_s;
        QTest::newRow("export a profile, then import it") << alex << none << u"answer exported.mobileconfig, export profile, import"_s << u"Imported for preview only. No iPhone is associated with this file."_s << u"hasSelectedDevice hasProposed"_s << 0 << u"sent"_s;
        QTest::newRow("configurator: an application bundle") << alex << none << u"answer Apple Configurator.app/, configurator, cfgutil Apple Configurator.app/Contents/MacOS/cfgutil"_s << foundTwo << loaded << 0 << u"phone"_s;
        QTest::newRow("configurator: the executable") << alex << none << u"answer bin/cfgutil, configurator, cfgutil bin/cfgutil"_s << foundTwo << loaded << 0 << u"phone"_s;
        QTest::newRow("configurator: another executable") << alex << none << u"answer bin/other, configurator, cfgutil unchanged"_s << noCfgutil << u"messageIsWarning "_s + loaded << 0 << u"phone"_s;
        QTest::newRow("configurator: cfgutil not executable") << alex << none << u"answer plain/cfgutil, configurator, cfgutil unchanged"_s << noCfgutil << u"messageIsWarning "_s + loaded << 0 << u"phone"_s;
        QTest::newRow("configurator: a folder called cfgutil") << alex << none << u"answer folder/cfgutil, configurator, cfgutil unchanged"_s << noCfgutil << u"messageIsWarning "_s + loaded << 0 << u"phone"_s;
        QTest::newRow("read fails: the tool fails") << alex << unreadable << u"read"_s << couldNotRead << failed << 0 << u"phone"_s;
        QTest::newRow("read fails: the snapshot cannot be saved") << alex << none << u"block store, read"_s << u"Could not "_s << failed << 0 << u"phone"_s;
        QTest::newRow("read fails: no configurator") << alex << none << u"no configurator, read"_s << u"Install Apple Configurator from the Mac App Store, then click Refresh connection."_s << failed << 0 << u"phone"_s;
        QTest::newRow("apply fails: not verified") << alex << ignored << u"apply"_s << u"Configurator accepted the command, but the layout read back does not match. No second write was attempted. Check the phone; your previous layout is saved."_s << failed << 1 << u"phone"_s;
        QTest::newRow("apply fails: the phone now has another UDID") << alex << none << u"new UDID, apply"_s << u"The selected iPhone is no longer connected. No layout was written."_s << failed << 0 << u"phone"_s;
        QTest::newRow("apply fails: the phone changed since the read") << changingAlex << none << u"apply"_s << u"Your iPhone layout changed after the preview was created. Read it again before applying."_s << failed << 0 << u"phone"_s;
        QTest::newRow("import fails: JSON but no layout") << alex << none << u"JSON file, import"_s << u"Unrecognized layout response. Export diagnostics to inspect it."_s << u"messageIsWarning "_s + loaded << 0 << u"phone"_s;
        QTest::newRow("import fails: missing file") << alex << none << u"import"_s << u"Could not read "_s << u"messageIsWarning "_s + loaded << 0 << u"phone"_s;
        QTest::newRow("import fails: a folder") << alex << none << u"folder, import"_s << u"Could not read "_s << u"messageIsWarning "_s + loaded << 0 << u"phone"_s;
        QTest::newRow("import fails: too large") << alex << none << u"large file, import"_s << u"The file “bad.json” is too large to be an icon layout."_s << u"messageIsWarning "_s + loaded << 0 << u"phone"_s;
        QTest::newRow("restore: a rearranged phone") << changingAlex << none << u"dirty, restore, clean, apply"_s << verified << written << 1 << u"sent"_s;
        QTest::newRow("restore: options changed, then applied") << changingAlex << none << u"restore, style Alphabetical, ="_s + loaded + u", apply"_s << verified << written << 1 << u"sent"_s;
        QTest::newRow("restore: another phone chosen, then the first") << changingAlex << none << u"restore, choose Sam, =hasSelectedDevice hasProposed, choose Alex, apply"_s << restoreReady << u"hasSelectedDevice hasProposed"_s << 0 << u"shuffled"_s;
        QTest::newRow("restore fails: snapshot of another phone") << alex << none << u"choose Sam, restore"_s << u"This saved layout belongs to a different iPhone. Select Alex’s iPhone to restore it."_s << failed << 0 << u"phone"_s;
        QTest::newRow("restore fails: an app was installed") << grown << none << u"restore"_s << u"The app icons on this iPhone changed since the snapshot. Automatic restore is blocked to avoid adding or losing icons. You can inspect original-layout.json in the snapshot folder."_s << u"messageIsWarning "_s + loaded << 0 << u"phone"_s;
        QTest::newRow("restore fails: the snapshot cannot be read") << alex << none << u"block store, restore"_s << u"Could not "_s << u"messageIsWarning "_s + loaded << 0 << u"phone"_s;
        QTest::newRow("restore fails: the phone cannot be read") << alex << unreadable << u"restore"_s << couldNotRead << u"messageIsWarning "_s + loaded << 0 << u"phone"_s;
        QTest::newRow("restore fails: no phone selected") << alex << none << u"choose none, restore"_s << u"Connect and select the original iPhone before restoring."_s << u"messageIsWarning hasProposed Connection"_s << 0 << u"phone"_s;
        // clang-format on
    }

    // Reads Alex's phone (Sam's is connected too) and proposes Two-icon test, then takes the
    // steps; "=" checks the flags on the way.
    void workflows()
    {
        QFETCH(QJsonObject, phone);
        QFETCH(QJsonObject, faults);
        QFETCH(QString, steps);
        QFETCH(QString, message);
        QFETCH(QString, flags);
        QFETCH(int, writes);
        QFETCH(QString, original);
        writeWorld({phone, sam}, faults);
        auto model = makeModel();
        // Every workflow ends on the model's own thread, which the window's properties live on.
        int offThread = 0;
        connect(
                model.get(), &VarnoletModel::activityChanged, this,
                [&] { offThread += QThread::currentThread() != thread(); }, Qt::DirectConnection);
        QPromise<void> running;
        std::optional<Layout> sent, kept; // sent: the proposal last applied or exported
        const QString file = m_panels.answer = home() + u"/bad.json"_s;
        const QString dir = home() + u'/';
        const QString snapshots = SnapshotStore::standard().snapshotsPath();
        QJsonObject moved = phone;
        moved[u"udid"_s] = u"00008140-0000000000000000"_s;
        const auto exportAs = [&](bool profile) {
            return [&, profile] {
                sent = model->proposedLayout();
                profile ? model->exportProfile() : model->exportLayout();
                QCOMPARE(m_panels.titles.last(),
                         profile ? u"Export as Configuration Profile"_s
                                 : u"Export Proposed Layout"_s);
            };
        };
        const auto restore = [&] {
            const Snapshot initial = model->snapshotRecords().first();
            model->prepareRestore(initial.id);
            QVERIFY((!model->busy() || model->busyLabel() == u"Checking saved layout…"_s)
                    && finishes(*model));
            // A restore is written as it was saved: no hand edits, nothing to undo.
            if (model->hasPendingRestore()) {
                QCOMPARE(state(*model, "pendingRestore canEdit canUndo"),
                         (QVariantList{initial.id, false, false}));
                QVERIFY(model->proposedLayout() == initial.layout
                        && !model->moveItem(1, 0, -1, 1, 1));
            }
        };
        const QHash<QString, std::function<void()>> actions{
                {u"busy"_s,
                 [&] {
                     model->perform(u"Busy…"_s, [&] { return running.start(), running.future(); });
                 }},
                {u"original"_s, [&] { model->setShowOriginal(true); }},
                {u"demo"_s, [&] { model->loadDemo(); }},
                {u"refresh"_s, [&] { model->refresh(); }},
                {u"read"_s, [&] { model->readDevice(); }},
                {u"import"_s, [&] { model->importLayout(); }},
                {u"export"_s, exportAs(false)},
                {u"export profile"_s, exportAs(true)},
                {u"cancel"_s, [&] { m_panels.answer.clear(); }},
                {u"no configurator"_s, [&] { model->setConfiguratorPath(std::nullopt); }},
                {u"style Alphabetical"_s, [&] { propose(*model, u"Alphabetical"_s); }},
                {u"choose Alex"_s, [&] { choosePhone(*model, alexEcid); }},
                {u"choose Sam"_s, [&] { choosePhone(*model, samEcid); }},
                {u"choose none"_s, [&] { choosePhone(*model, {}); }},
                {u"choose a phone not listed"_s, [&] { choosePhone(*model, u"0x99"_s); }},
                {u"world with none"_s, [&] { writeWorld({}, faults); }},
                {u"world with Alex"_s, [&] { writeWorld({phone}, faults); }},
                {u"new UDID"_s,
                 [&] {
                     writeWorld({moved, sam}, faults);
                 }},
                {u"block store"_s,
                 [&] {
                     QVERIFY(QDir(snapshots).removeRecursively()
                             && writeFile(snapshots, "in the way"));
                 }},
                {u"layout file"_s,
                 [&] { QVERIFY(writeFile(file, QJsonDocument(phoneLayout()).toJson())); }},
                {u"JSON file"_s, [&] { QVERIFY(writeFile(file, R"({"hello": 1})")); }},
                {u"folder"_s, [&] { QVERIFY(QDir().mkpath(file)); }},
                {u"large file"_s,
                 [&] { QVERIFY(writeFile(file, {}) && QFile::resize(file, 25'000'001)); }},
                {u"restore"_s, restore},
                {u"move"_s, [&] { QCOMPARE(model->moveItem(1, 0, -1, 1, 1), model->canEdit()); }},
                {u"undo"_s, [&] { model->undo(); }},
                {u"reset"_s, [&] { model->resetToSuggestion(); }},
                {u"keep"_s, [&] { kept = model->proposedLayout(); }},
                {u"kept"_s, [&] { QCOMPARE(model->proposedLayout(), kept); }},
                {u"apply"_s,
                 [&] {
                     const bool applies = model->canApply(), restoring = model->hasPendingRestore();
                     const std::optional<Layout> before = model->originalLayout();
                     const QString reason
                             = restoring ? u"Before restore"_s : u"Before "_s + model->style();
                     const int writesBefore = calls(u"set-icon-layout"_s);
                     sent = applies ? model->proposedLayout() : sent;
                     model->apply();
                     if (!applies)
                         return;
                     QCOMPARE(model->busyLabel(),
                              restoring ? u"Restoring and verifying…"_s
                                        : u"Applying and verifying…"_s);
                     QVERIFY(!model->canApply() && !model->hasLoadedDevice() && finishes(*model));
                     // The phone's layout is saved before every write.
                     if (calls(u"set-icon-layout"_s) > writesBefore)
                         QCOMPARE(savedAs(*model, reason), before);
                 }},
                // A search, a page and an override, which a layout loaded next starts without.
                {u"dirty"_s,
                 [&] {
                     model->setSearch(u"maps"_s);
                     model->setSelectedPage(2);
                     model->setOverride(u"com.apple.Maps"_s, AppCategory::games);
                 }},
                {u"clean"_s,
                 [&] {
                     QCOMPARE(state(*model, "selectedPage search overrides"),
                              (QVariantList{1, QString(), QVariantMap()}));
                 }},
                {u"imported"_s,
                 [&] {
                     QCOMPARE((QVariantList{model->sourceLabel(), model->appNames().isEmpty()}),
                              (QVariantList{u"Imported • exported.json"_s, true}));
                 }},
        };
        actions[u"dirty"_s]();
        QVERIFY(connectAndRead(*model));
        QCOMPARE(state(*model, "message sourceLabel section search overrides"),
                 (QVariantList{read13, alexName, u"Organize"_s, QString(), QVariantMap()}));
        QCOMPARE(flagsOf(*model), u"hasSelectedDevice hasLoadedDevice hasProposed showOriginal"_s);
        QCOMPARE(model->appNames().value(u"com.spotify.client"_s), u"Spotify Music"_s);
        QCOMPARE(savedAs(*model, u"Initial read"_s), layoutOf(phoneLayout()));
        propose(*model, u"Two-icon test"_s);
        for (const QString &step : steps.split(u", "_s)) {
            if (step.startsWith(u'=')) {
                QCOMPARE(flagsOf(*model), step.mid(1));
            } else if (step.startsWith(u"edits"_s)) {
                QCOMPARE(flagsOf(*model, editFlags), step.mid(6));
            } else if (step.startsWith(u"answer "_s)) {
                m_panels.answer = dir + step.mid(7);
            } else if (step.startsWith(u"cfgutil "_s)) {
                QCOMPARE(model->cfgutil(),
                         step.endsWith(u" unchanged"_s) ? fakeCfgutil : dir + step.mid(8));
            } else if (step == u"configurator"_s) {
                for (const QString &link : {u"Apple Configurator.app/Contents/MacOS/cfgutil"_s,
                                            u"bin/cfgutil"_s, u"bin/other"_s})
                    QVERIFY(QDir().mkpath(QFileInfo(dir + link).path())
                            && QFile::link(fakeCfgutil, dir + link));
                QVERIFY(QDir().mkpath(dir + u"folder/cfgutil"_s) && QDir().mkpath(dir + u"plain"_s)
                        && writeFile(dir + u"plain/cfgutil"_s, "#!/bin/sh\n"));
                model->chooseConfigurator();
                QCOMPARE(m_panels.titles.last(),
                         u"Select Apple Configurator.app or the cfgutil executable."_s);
            } else if (actions.contains(step)) {
                actions[step]();
            } else {
                QFAIL(qPrintable(u"Unknown step "_s + step));
            }
            if (QTest::currentTestFailed())
                return;
            if (model->busyLabel() != u"Busy…"_s)
                QVERIFY(finishes(*model));
        }
        running.finish();
        QVERIFY(finishes(*model));

        const QString shown = model->message();
        QCOMPARE((QVariantList{message.endsWith(u' ') ? shown.left(message.size()) : shown,
                               flagsOf(*model), calls(u"set-icon-layout"_s),
                               int(model->snapshotRecords().size()), offThread}),
                 (QVariantList{message, flags, writes, 1 + writes, 0}));
        if (!original.isEmpty())
            QCOMPARE(model->originalLayout(),
                     original == u"sent"_s
                             ? sent
                             : layoutOf(original == u"phone"_s ? phoneLayout() : shuffled));
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
        QTest::addColumn<QString>("pages"); // the category of Pages after a phone is read
        QTest::addColumn<QString>("message");
        QTest::newRow("answered") << u"answer"_s << 8 << u"Productivity"_s << QString();
        QTest::newRow("unreachable") << u"fail"_s << 89 << u"Other"_s
                                     << u"Could not reach the App Store. Categories come from "
                                        u"local rules."_s;
    }

    // Off at first; once switched on, the loaded apps are looked up, and so are a read phone's.
    void appStoreLookup()
    {
        QFETCH(QString, mode);
        QFETCH(int, other);
        QFETCH(QString, pages);
        QFETCH(QString, message);
        const QString data = QStringLiteral(VARNOLET_SAMPLES "/../appstore/");
        AppStoreStandIn standIn(data + u"popular-answers.json"_s, mode);
        qputenv("VARNOLET_APP_STORE_URL", standIn.url().toEncoded());
        auto model = makeModel();
        m_panels.answer = data + u"popular-phone.json"_s;
        model->importLayout();
        model->setAppStoreLookup(true);
        QCOMPARE(model->busyLabel(), u"Looking up apps…"_s);
        QVERIFY(finishes(*model));
        QCOMPARE(int(std::ranges::count(model->appList()->apps(), AppCategory::other,
                                        &AppInfo::category)),
                 other);
        if (!message.isEmpty())
            QCOMPARE(state(*model, "message messageIsWarning"), (QVariantList{message, true}));

        auto reader = makeModel();
        QVERIFY(connectAndRead(*reader));
        reader->setSearch(u"com.apple.Pages"_s);
        QCOMPARE(reader->apps()->index(0, 0).data(AppListModel::CategoryRole).toString(), pages);
        qunsetenv("VARNOLET_APP_STORE_URL");
    }
};

QTEST_GUILESS_MAIN(VarnoletModelTest)
#include "varnoletmodeltest.moc"
