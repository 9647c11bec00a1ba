#include "varnoletmodel.h"

#include "appcatalog.h"
#include "applist.h"
#include "atomicfile.h"
#include "deviceservice.h"
#include "layoutparser.h"
#include "modelvalues.h"
#include "organizer.h"
#include "platformerror.h"
#include "platformpanels.h"
#include "processrunner.h"
#include "restorecheck.h"
#include "varnoleterror.h"

#include <QCoreApplication>
#include <QDir>
#include <QException>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString demoSource = u"Demo • sample apps"_s;
const QString importedSource = u"Imported • "_s;
const QString jsonFilter = u"JSON files (*.json)"_s;

// A layout file larger than anything a tool may print is refused before it is read whole.
constexpr qint64 importLimit = 25'000'000;

struct ReadOutcome
{
    DeviceRead read;
    QList<Snapshot> snapshots;
};

struct ApplyOutcome
{
    ApplyReceipt receipt;
    QList<Snapshot> snapshots;
};

struct RestoreOutcome
{
    Layout current;
    Snapshot snapshot;
};

// The check that opens every device workflow, then a service of its own for this run.
DeviceService makeService(const std::optional<QString> &cfgutil,
                          const std::optional<QString> &fallbackReader,
                          const SnapshotStore &storage)
{
    if (!cfgutil) {
        throw VarnoletError(u"Install Apple Configurator from the Mac App Store, then click "
                            u"Refresh connection."_s);
    }
    return DeviceService(*cfgutil, fallbackReader, std::make_shared<ProcessRunner>(), storage);
}

QList<Snapshot> listOrEmpty(const SnapshotStore &storage)
{
    try {
        return storage.list();
    } catch (...) {
        return {};
    }
}

// Worker failures arrive wrapped by Qt Concurrent; continuations pass theirs on as they are.
QString describe(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const QUnhandledException &wrapped) {
        if (wrapped.exception())
            return describe(wrapped.exception());
    } catch (const std::exception &failure) {
        return PlatformError::describe(failure);
    } catch (...) { }
    return u"Something went wrong that Varnolet does not recognise."_s;
}

// Creates a folder and its missing parents as 0700, like every folder the store creates.
bool makeFolders(const QString &path)
{
    const QString folder = QDir::cleanPath(path);
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).path();
    if (parent == folder || !makeFolders(parent))
        return false;
    return QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
            || QFileInfo(folder).isDir();
}

QByteArray readLayoutFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw PlatformError(u"Could not read %1: %2."_s.arg(QDir::toNativeSeparators(path),
                                                            file.errorString()));
    }
    if (file.size() > importLimit) {
        throw VarnoletError(u"The file “%1” is too large to be an icon layout."_s.arg(
                QFileInfo(path).fileName()));
    }
    // Sequential files report no size, so the limit is enforced on what arrives as well.
    QByteArray data = file.read(importLimit + 1);
    if (data.size() > importLimit) {
        throw VarnoletError(u"The file “%1” is too large to be an icon layout."_s.arg(
                QFileInfo(path).fileName()));
    }
    if (file.error() != QFileDevice::NoError) {
        throw PlatformError(u"Could not read %1: %2."_s.arg(QDir::toNativeSeparators(path),
                                                            file.errorString()));
    }
    return data;
}

template<typename T>
bool assign(T &field, const T &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

/// Holds the change signals of derived values back until a compound change is complete, so the
/// window never sees a half-made state (a new original with the old proposal, say).
class VarnoletModel::Batch
{
public:
    explicit Batch(VarnoletModel *model)
        : m_model(model)
    {
        ++m_model->m_batchDepth;
    }
    ~Batch()
    {
        if (--m_model->m_batchDepth == 0)
            m_model->flush();
    }
    Batch(const Batch &) = delete;
    Batch &operator=(const Batch &) = delete;

private:
    VarnoletModel *m_model;
};

VarnoletModel::VarnoletModel(const QStringList &arguments, PlatformPanels *panels, QObject *parent)
    : QObject(parent)
    , m_panels(panels)
    , m_storage(SnapshotStore::standard())
    , m_guideLocations(defaultGuideLocations())
    , m_cfgutil(DeviceService::discoverConfigurator())
    , m_fallbackReader(DeviceService::discoverFallback())
    , m_message(u"Connect your iPhone when you're ready, or explore with a sample layout."_s)
    , m_snapshots(listOrEmpty(m_storage))
    , m_sourceLabel(u"No layout loaded"_s)
    , m_apps(new AppListModel(this))
{
    if (arguments.mid(1).contains(u"--demo"_s))
        loadDemo();
}

VarnoletModel::~VarnoletModel()
{
    // Waiting for the future alone is not enough: Qt 6.4 hands the result over to its context
    // object on the worker thread just after the future finishes, and asserts when that context
    // is already gone. The hand-over only posts an event, dropped with the model's pending events.
    m_workers.waitForDone();
}

template<typename Work>
auto VarnoletModel::onWorker(Work &&work)
{
    return QtConcurrent::run(&m_workers, std::forward<Work>(work));
}

QString VarnoletModel::section() const
{
    return WorkspaceSections::title(m_section);
}

void VarnoletModel::setSection(const QString &title)
{
    if (const auto section = WorkspaceSections::fromTitle(title))
        setWorkspaceSection(*section);
}

QStringList VarnoletModel::sections() const
{
    QStringList titles;
    for (const WorkspaceSection section : WorkspaceSections::allCases())
        titles.append(WorkspaceSections::title(section));
    return titles;
}

void VarnoletModel::setWorkspaceSection(WorkspaceSection section)
{
    if (assign(m_section, section))
        Q_EMIT sectionChanged();
}

void VarnoletModel::setConfiguratorPath(const std::optional<QString> &path)
{
    if (assign(m_cfgutil, path))
        Q_EMIT cfgutilChanged();
}

void VarnoletModel::setFallbackReaderPath(const std::optional<QString> &path)
{
    if (assign(m_fallbackReader, path))
        Q_EMIT fallbackReaderChanged();
}

QVariantList VarnoletModel::devices() const
{
    QVariantList list;
    for (const Device &device : m_devices)
        list.append(ModelValues::device(device));
    return list;
}

void VarnoletModel::setDevices(const QList<Device> &devices)
{
    if (!assign(m_devices, devices))
        return;
    Q_EMIT devicesChanged();
    touch(SelectedDeviceDerived);
}

void VarnoletModel::setSelectedDeviceID(const QString &ecid)
{
    if (!assign(m_selectedDeviceID, ecid))
        return;
    Q_EMIT selectedDeviceIDChanged();
    touch(SelectedDeviceDerived);
}

std::optional<Device> VarnoletModel::selectedDeviceRecord() const
{
    const auto found = std::find_if(m_devices.cbegin(), m_devices.cend(), [this](const Device &d) {
        return d.ecid == m_selectedDeviceID;
    });
    if (found == m_devices.cend())
        return std::nullopt;
    return *found;
}

QVariantMap VarnoletModel::selectedDevice() const
{
    const auto device = selectedDeviceRecord();
    return device ? ModelValues::device(*device) : QVariantMap();
}

QVariantMap VarnoletModel::loadedDevice() const
{
    return m_loadedDevice ? ModelValues::device(*m_loadedDevice) : QVariantMap();
}

void VarnoletModel::setLoadedDevice(const std::optional<Device> &device)
{
    if (!assign(m_loadedDevice, device))
        return;
    Q_EMIT loadedDeviceChanged();
    touch(CanApplyDerived);
}

int VarnoletModel::iconCount() const
{
    return m_original ? m_original->iconCount : 0;
}

int VarnoletModel::originalPageCount() const
{
    return m_original ? m_original->pageCount : 0;
}

int VarnoletModel::proposedPageCount() const
{
    if (m_proposed)
        return m_proposed->pageCount;
    return originalPageCount();
}

int VarnoletModel::proposedFolderCount() const
{
    if (m_proposed)
        return m_proposed->folderCount;
    return m_original ? m_original->folderCount : 0;
}

std::optional<Layout> VarnoletModel::originalLayout() const
{
    return m_original ? std::optional(m_original->layout) : std::nullopt;
}

std::optional<Layout> VarnoletModel::proposedLayout() const
{
    return m_proposed ? std::optional(m_proposed->layout) : std::nullopt;
}

std::optional<Layout> VarnoletModel::previewLayout() const
{
    const LayoutSummary *summary = previewSummary();
    return summary ? std::optional(summary->layout) : std::nullopt;
}

const LayoutSummary *VarnoletModel::previewSummary() const
{
    if (!m_showOriginal && m_proposed)
        return &*m_proposed;
    return m_original ? &*m_original : nullptr;
}

void VarnoletModel::setOriginal(const std::optional<Layout> &layout)
{
    if (layout.has_value() == m_original.has_value() && (!layout || m_original->layout == *layout))
        return;
    if (layout)
        m_original.emplace(*layout);
    else
        m_original.reset();
    Q_EMIT originalChanged();
    touch(PreviewDerived | AppsDerived | CanApplyDerived | MetricsDerived);
}

void VarnoletModel::setProposed(const std::optional<Layout> &layout)
{
    if (layout.has_value() == m_proposed.has_value() && (!layout || m_proposed->layout == *layout))
        return;
    if (layout)
        m_proposed.emplace(*layout);
    else
        m_proposed.reset();
    Q_EMIT proposedChanged();
    touch(PreviewDerived | CanApplyDerived | MetricsDerived);
}

QVariantMap VarnoletModel::names() const
{
    QVariantMap map;
    for (auto name = m_names.cbegin(); name != m_names.cend(); ++name)
        map.insert(name.key(), name.value());
    return map;
}

void VarnoletModel::setNames(const AppNames &names)
{
    if (!assign(m_names, names))
        return;
    Q_EMIT namesChanged();
    touch(PreviewDerived | AppsDerived);
}

QVariantMap VarnoletModel::overrides() const
{
    QVariantMap map;
    for (auto entry = m_overrides.cbegin(); entry != m_overrides.cend(); ++entry)
        map.insert(entry.key(), AppCategories::title(entry.value()));
    return map;
}

void VarnoletModel::setOverrides(const CategoryOverrides &overrides)
{
    if (!assign(m_overrides, overrides))
        return;
    Q_EMIT overridesChanged();
    touch(PreviewDerived | AppsDerived);
}

QString VarnoletModel::style() const
{
    return SortStyles::title(m_style);
}

void VarnoletModel::setStyle(const QString &title)
{
    if (const auto style = SortStyles::fromTitle(title))
        setSortStyle(*style);
}

void VarnoletModel::setSortStyle(SortStyle style)
{
    if (assign(m_style, style))
        Q_EMIT styleChanged();
}

QStringList VarnoletModel::styles() const
{
    QStringList titles;
    for (const SortStyle style : SortStyles::allCases())
        titles.append(SortStyles::title(style));
    return titles;
}

QStringList VarnoletModel::categories() const
{
    QStringList titles;
    for (const AppCategory category : AppCategories::allCases())
        titles.append(AppCategories::title(category));
    return titles;
}

QVariantList VarnoletModel::pageCapacities() const
{
    QVariantList capacities;
    for (const int capacity : SortOptions::supportedPageCapacities())
        capacities.append(capacity);
    return capacities;
}

void VarnoletModel::setKeepDock(bool keep)
{
    if (assign(m_keepDock, keep))
        Q_EMIT keepDockChanged();
}

void VarnoletModel::setKeepFirstPage(bool keep)
{
    if (assign(m_keepFirstPage, keep))
        Q_EMIT keepFirstPageChanged();
}

void VarnoletModel::setPageCapacity(int capacity)
{
    if (assign(m_pageCapacity, capacity))
        Q_EMIT pageCapacityChanged();
}

void VarnoletModel::setShowOriginal(bool show)
{
    if (!assign(m_showOriginal, show))
        return;
    Q_EMIT showOriginalChanged();
    touch(PreviewDerived | CanApplyDerived);
}

void VarnoletModel::setSelectedPage(int page)
{
    if (assign(m_selectedPage, page))
        Q_EMIT selectedPageChanged();
}

void VarnoletModel::setSearch(const QString &search)
{
    if (!assign(m_search, search))
        return;
    Q_EMIT searchChanged();
    touch(AppsDerived);
}

void VarnoletModel::setBusy(bool busy, const QString &label)
{
    const bool busyChanges = assign(m_busy, busy);
    if (assign(m_busyLabel, label))
        Q_EMIT busyLabelChanged();
    if (busyChanges) {
        Q_EMIT busyChanged();
        touch(CanApplyDerived);
    }
}

QVariantList VarnoletModel::activity() const
{
    QVariantList list;
    list.reserve(m_activity.size());
    for (const ActivityEntry &entry : m_activity)
        list.append(ModelValues::activity(entry));
    return list;
}

QVariantList VarnoletModel::snapshots() const
{
    QVariantList list;
    list.reserve(m_snapshots.size());
    for (const Snapshot &snapshot : m_snapshots)
        list.append(ModelValues::snapshot(snapshot));
    return list;
}

void VarnoletModel::setSnapshots(const QList<Snapshot> &snapshots)
{
    if (assign(m_snapshots, snapshots))
        Q_EMIT snapshotsChanged();
}

void VarnoletModel::setPendingRestore(const std::optional<QString> &id)
{
    if (assign(m_pendingRestore, id))
        Q_EMIT pendingRestoreChanged();
}

void VarnoletModel::setShowApplyConfirmation(bool show)
{
    if (assign(m_showApplyConfirmation, show))
        Q_EMIT showApplyConfirmationChanged();
}

void VarnoletModel::setSourceLabel(const QString &label)
{
    if (assign(m_sourceLabel, label))
        Q_EMIT sourceLabelChanged();
}

void VarnoletModel::setDemo(bool demo)
{
    if (!assign(m_demo, demo))
        return;
    Q_EMIT demoChanged();
    touch(CanApplyDerived);
}

QVariantList VarnoletModel::preview() const
{
    if (!m_previewCache) {
        const LayoutSummary *summary = previewSummary();
        m_previewCache = summary ? ModelValues::layout(summary->layout, m_names, m_overrides)
                                 : QVariantList();
    }
    return *m_previewCache;
}

int VarnoletModel::previewPageCount() const
{
    const LayoutSummary *summary = previewSummary();
    return std::max(summary ? summary->pageCount : 1, 1);
}

void VarnoletModel::touch(int derived)
{
    if (derived & PreviewDerived)
        m_previewCache.reset();
    m_dirty |= derived;
    if (m_batchDepth == 0)
        flush();
}

void VarnoletModel::flush()
{
    // A slot reacting to one of these signals may change the state again; it flushes its own.
    int dirty = std::exchange(m_dirty, 0);
    if (dirty & SelectedDeviceDerived) {
        if (assign(m_selectedDevice, selectedDeviceRecord())) {
            dirty |= CanApplyDerived;
            Q_EMIT selectedDeviceChanged();
        }
    }
    if (dirty & MetricsDerived)
        Q_EMIT metricsChanged();
    if (dirty & PreviewDerived)
        Q_EMIT previewChanged();
    if (dirty & AppsDerived) {
        m_apps->setApps(m_original
                                ? AppList::build(m_original->layout, m_names, m_overrides, m_search)
                                : QList<AppInfo>());
    }
    if (dirty & CanApplyDerived) {
        if (assign(m_canApply, computeCanApply()))
            Q_EMIT canApplyChanged();
    }
}

bool VarnoletModel::computeCanApply() const
{
    if (m_busy || m_demo || m_showOriginal)
        return false;
    if (!m_loadedDevice)
        return false;
    const auto selected = selectedDeviceRecord();
    if (!selected || *selected != *m_loadedDevice)
        return false;
    if (!m_original || !m_proposed)
        return false;
    if (m_original->fingerprint == m_proposed->fingerprint)
        return false;
    return m_original->inventory == m_proposed->inventory;
}

void VarnoletModel::log(const QString &message, bool warning)
{
    m_activity.prepend({QUuid::createUuid(), QDateTime::currentDateTime(), message, warning});
    if (assign(m_message, message))
        Q_EMIT messageChanged();
    if (assign(m_messageIsWarning, warning))
        Q_EMIT messageIsWarningChanged();
    Q_EMIT activityChanged();
}

void VarnoletModel::perform(const QString &label, const Operation &operation)
{
    if (m_busy)
        return;
    setBusy(true, label);

    QFuture<void> running;
    try {
        running = operation();
    } catch (...) {
        log(describe(std::current_exception()), true);
        setBusy(false, QString());
        return;
    }
    // A watcher rather than a continuation: it may outlive neither the model nor its future.
    auto *watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        try {
            watcher->future().waitForFinished();
        } catch (...) {
            log(describe(std::current_exception()), true);
        }
        setBusy(false, QString());
    });
    watcher->setFuture(running);
}

void VarnoletModel::rebuild()
{
    if (!m_original)
        return;
    Batch batch(this);
    setPendingRestore(std::nullopt);
    try {
        SortOptions options;
        options.style = m_style;
        options.keepDock = m_keepDock;
        options.keepFirstPage = m_keepFirstPage;
        options.pageCapacity = m_pageCapacity;
        setProposed(Organizer::organize(m_original->layout, options, m_names, m_overrides));
    } catch (const std::exception &failure) {
        setProposed(std::nullopt);
        log(PlatformError::describe(failure), true);
    }
    // Clamped on failure too: the preview falls back to the original, which may be shorter.
    setSelectedPage(std::min(previewPageCount(), std::max(m_selectedPage, 1)));
}

void VarnoletModel::selectionChanged()
{
    if (m_loadedDevice && m_loadedDevice->ecid == m_selectedDeviceID)
        return;
    Batch batch(this);
    setLoadedDevice(std::nullopt);
    setPendingRestore(std::nullopt);
}

void VarnoletModel::loadDemo()
{
    if (m_busy)
        return;
    const ParsedLayout sample = AppCatalog::demo();
    Batch batch(this);
    setOriginal(sample.layout);
    setNames(sample.names);
    setOverrides({});
    setDemo(true);
    setLoadedDevice(std::nullopt);
    setPendingRestore(std::nullopt);
    setSourceLabel(demoSource);
    setWorkspaceSection(WorkspaceSection::organize);
    setShowOriginal(false);
    setSelectedPage(1);
    setSearch(QString());
    rebuild();
    log(u"Demo mode. These are sample apps; no device commands are run."_s);
}

void VarnoletModel::importLayout()
{
    if (m_busy || !m_panels)
        return;
    m_panels->chooseFileToOpen(
            u"Imported files are preview-only. Read a connected iPhone to enable Apply."_s,
            {jsonFilter}, [model = QPointer(this)](const QString &path) {
                if (model)
                    model->importFile(path);
            });
}

void VarnoletModel::importFile(const QString &path)
{
    if (path.isEmpty() || m_busy)
        return;
    ParsedLayout parsed;
    try {
        parsed = LayoutParser::parse(readLayoutFile(path));
    } catch (const std::exception &failure) {
        log(PlatformError::describe(failure), true);
        return;
    }
    Batch batch(this);
    setOriginal(parsed.layout);
    setNames(parsed.names);
    setOverrides({});
    setDemo(false);
    setLoadedDevice(std::nullopt);
    setSourceLabel(importedSource + QFileInfo(path).fileName());
    setWorkspaceSection(WorkspaceSection::organize);
    setShowOriginal(false);
    setSelectedPage(1);
    setSearch(QString());
    rebuild();
    log(u"Imported for preview only. No iPhone is associated with this file."_s);
}

void VarnoletModel::exportLayout()
{
    if (!m_proposed || !m_panels)
        return;
    m_panels->chooseFileToSave(u"Export Proposed Layout"_s, u"varnolet-proposed-layout.json"_s,
                               {jsonFilter}, [model = QPointer(this)](const QString &path) {
                                   if (model)
                                       model->exportTo(path);
                               });
}

void VarnoletModel::exportTo(const QString &path)
{
    // The proposal may have gone while the panel was open; then there is nothing to write.
    if (path.isEmpty() || !m_proposed)
        return;
    try {
        AtomicFile::write(m_proposed->layout.cfgutilData(), path);
    } catch (const std::exception &failure) {
        log(PlatformError::describe(failure), true);
        return;
    }
    log(u"Exported the proposed layout to "_s + QFileInfo(path).fileName() + u'.');
}

void VarnoletModel::refresh()
{
    if (const auto found = DeviceService::discoverConfigurator())
        setConfiguratorPath(found);
    if (const auto found = DeviceService::discoverFallback())
        setFallbackReaderPath(found);
    if (!m_cfgutil) {
        log(u"Apple Configurator isn't installed yet. You can still explore the demo."_s, true);
        return;
    }
    perform(u"Looking for your iPhone…"_s, [this] {
        return onWorker([cfgutil = m_cfgutil, fallback = m_fallbackReader, storage = m_storage] {
                   return makeService(cfgutil, fallback, storage).devices();
               })
                .then(this, [this](const QList<Device> &devices) {
                    Batch batch(this);
                    setDevices(devices);
                    const bool kept = std::any_of(devices.cbegin(), devices.cend(),
                                                  [this](const Device &device) {
                                                      return device.ecid == m_selectedDeviceID;
                                                  });
                    if (!kept) {
                        setSelectedDeviceID(devices.size() == 1 ? devices.first().ecid : QString());
                        setLoadedDevice(std::nullopt);
                    }
                    if (devices.isEmpty()) {
                        log(u"No iPhone found. Connect by USB, unlock it, and approve Trust This "
                            u"Computer in Finder."_s);
                    } else {
                        log(u"Found "_s + QString::number(devices.size()) + u" iPhone"_s
                            + (devices.size() == 1 ? u""_s : u"s"_s)
                            + u". Choose your phone and read its layout."_s);
                    }
                });
    });
}

void VarnoletModel::chooseConfigurator()
{
    if (!m_panels)
        return;
    m_panels->chooseFileToOpen(
            u"Select Apple Configurator.app or the cfgutil executable."_s,
            {u"Apple Configurator or cfgutil (*.app cfgutil)"_s, u"All files (*)"_s},
            [model = QPointer(this)](const QString &path) {
                if (model)
                    model->useConfigurator(path);
            });
}

void VarnoletModel::useConfigurator(const QString &path)
{
    if (path.isEmpty())
        return;
    QString candidate = QDir::cleanPath(path);
    if (QFileInfo(candidate).suffix() == u"app"_s)
        candidate += u"/Contents/MacOS/cfgutil"_s;
    // A folder called cfgutil has its execute bit set too, but cannot be run.
    const QFileInfo tool(candidate);
    if (tool.fileName() != u"cfgutil"_s || !tool.isFile() || !tool.isExecutable()) {
        log(u"That location doesn't contain an executable cfgutil."_s, true);
        return;
    }
    setConfiguratorPath(candidate);
    refresh();
}

void VarnoletModel::readDevice()
{
    const auto selected = selectedDeviceRecord();
    if (!selected)
        return;
    perform(u"Reading and saving your layout…"_s, [this, device = *selected] {
        setLoadedDevice(std::nullopt);
        return onWorker([cfgutil = m_cfgutil, fallback = m_fallbackReader, storage = m_storage,
                         device] {
                   const DeviceService service = makeService(cfgutil, fallback, storage);
                   ReadOutcome outcome;
                   outcome.read = service.read(device, true);
                   storage.save(outcome.read, device, outcome.read.names, u"Initial read"_s);
                   outcome.snapshots = listOrEmpty(storage);
                   return outcome;
               })
                .then(this, [this, device](const ReadOutcome &outcome) {
                    Batch batch(this);
                    setOriginal(outcome.read.layout);
                    setNames(outcome.read.names);
                    setOverrides({});
                    setLoadedDevice(device);
                    setDemo(false);
                    setPendingRestore(std::nullopt);
                    setSourceLabel(device.name);
                    setWorkspaceSection(WorkspaceSection::organize);
                    setShowOriginal(true);
                    setSearch(QString());
                    rebuild();
                    setSnapshots(outcome.snapshots);
                    log(u"Read "_s + QString::number(outcome.read.layout.identifiers().size())
                        + u" icons and saved the original layout. Start with Two-icon test to "
                          u"check compatibility."_s);
                });
    });
}

void VarnoletModel::apply()
{
    if (!computeCanApply())
        return;
    const Device device = *m_loadedDevice;
    const Layout proposal = m_proposed->layout;
    const Layout expected = m_original->layout;
    const bool restore = m_pendingRestore.has_value();
    const QString label = restore ? u"Restoring and verifying…"_s : u"Applying and verifying…"_s;

    perform(label, [this, device, proposal, expected, restore] {
        setLoadedDevice(std::nullopt);
        const QString reason
                = restore ? u"Before restore"_s : u"Before "_s + SortStyles::title(m_style);
        return onWorker([cfgutil = m_cfgutil, fallback = m_fallbackReader, storage = m_storage,
                         names = m_names, device, proposal, expected, reason] {
                   const DeviceService service = makeService(cfgutil, fallback, storage);
                   ApplyOutcome outcome;
                   outcome.receipt = service.apply(proposal, expected, device, names, reason);
                   outcome.snapshots = listOrEmpty(storage);
                   return outcome;
               })
                .then(this, [this, device, proposal](const ApplyOutcome &outcome) {
                    Batch batch(this);
                    setSnapshots(outcome.snapshots);
                    log(outcome.receipt.message, !outcome.receipt.verified);
                    setPendingRestore(std::nullopt);
                    if (outcome.receipt.verified) {
                        setOriginal(proposal);
                        setProposed(std::nullopt);
                        setLoadedDevice(device);
                        setShowOriginal(true);
                    }
                });
    });
}

void VarnoletModel::prepareRestore(const QString &id)
{
    const auto selected = selectedDeviceRecord();
    if (!selected) {
        log(u"Connect and select the original iPhone before restoring."_s, true);
        setWorkspaceSection(WorkspaceSection::setup);
        return;
    }
    perform(u"Checking saved layout…"_s, [this, id, device = *selected] {
        return onWorker([cfgutil = m_cfgutil, fallback = m_fallbackReader, storage = m_storage,
                         device, id] {
                   RestoreOutcome outcome;
                   outcome.snapshot = storage.load(id);
                   RestoreCheck::verifyDevice(outcome.snapshot, device);
                   outcome.current
                           = makeService(cfgutil, fallback, storage).read(device, true).layout;
                   RestoreCheck::verifyInventory(outcome.snapshot, outcome.current);
                   return outcome;
               })
                .then(this, [this, device](const RestoreOutcome &outcome) {
                    Batch batch(this);
                    setOriginal(outcome.current);
                    setProposed(outcome.snapshot.layout);
                    setNames(outcome.snapshot.names);
                    setLoadedDevice(device);
                    setDemo(false);
                    setSourceLabel(device.name);
                    setPendingRestore(outcome.snapshot.id);
                    setShowOriginal(false);
                    setSelectedPage(1);
                    setWorkspaceSection(WorkspaceSection::organize);
                    setSearch(QString());
                    setOverrides({});
                    log(u"Saved layout ready to review. Restoring will first save the current "
                        u"layout."_s);
                });
    });
}

void VarnoletModel::revealDiagnostics()
{
    const QString folder = m_storage.diagnosticsPath();
    makeFolders(folder);
    if (m_panels)
        m_panels->openFolder(folder);
}

void VarnoletModel::revealSnapshots()
{
    const QString folder = m_storage.snapshotsPath();
    makeFolders(folder);
    if (m_panels)
        m_panels->openFolder(folder);
}

QStringList VarnoletModel::defaultGuideLocations()
{
    const QString here = QCoreApplication::applicationDirPath();
    return {QDir::cleanPath(here + u"/TESTING.md"_s),
            QDir::cleanPath(here + u"/../Resources/TESTING.md"_s),
            QDir::cleanPath(here + u"/../share/varnolet/TESTING.md"_s),
            QDir::cleanPath(QStringLiteral(VARNOLET_SOURCE_DIR) + u"/TESTING.md"_s)};
}

QString VarnoletModel::guidePath() const
{
    for (const QString &location : m_guideLocations) {
        if (QFileInfo(location).isFile())
            return location;
    }
    return {};
}

void VarnoletModel::openGuide()
{
    const QString guide = guidePath();
    if (!guide.isEmpty() && m_panels)
        m_panels->openDocument(guide);
}

QUrl VarnoletModel::configuratorStoreUrl()
{
    return QUrl(u"https://apps.apple.com/app/apple-configurator/id1037126344"_s);
}

void VarnoletModel::openConfiguratorStorePage()
{
    const QUrl address = configuratorStoreUrl();
    if (address.isValid() && m_panels)
        m_panels->openUrl(address);
}

void VarnoletModel::reloadSnapshots()
{
    setSnapshots(listOrEmpty(m_storage));
}

void VarnoletModel::setOverride(const QString &id, const QString &categoryTitle)
{
    if (const auto category = AppCategories::fromTitle(categoryTitle))
        setOverride(id, *category);
}

void VarnoletModel::setOverride(const QString &id, AppCategory category)
{
    CategoryOverrides overrides = m_overrides;
    overrides.insert(id, category);
    setOverrides(overrides);
    rebuild();
}
