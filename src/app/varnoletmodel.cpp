#include "varnoletmodel.h"

#include "appstoresetting.h"

#include "applist.h"
#include "deviceservice.h"
#include "modelbatch.h"
#include "modelvalues.h"
#include "platformerror.h"
#include "platformpanels.h"

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

template<typename T>
bool assign(T &field, const T &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

VarnoletModel::VarnoletModel(const QStringList &arguments, PlatformPanels *panels, QObject *parent)
    : QObject(parent)
    , m_panels(panels)
    , m_storage(SnapshotStore::standard())
    , m_cfgutil(DeviceService::discoverConfigurator())
    , m_fallbackReader(DeviceService::discoverFallback())
    , m_message(u"Connect your iPhone when you're ready, or explore with a sample layout."_s)
    , m_snapshots(DeviceWorkflows::savedSnapshots(m_storage))
    , m_sourceLabel(u"No layout loaded"_s)
    , m_comparison(new SnapshotComparison(this))
    , m_apps(new AppListModel(this))
    , m_devicesWork(*this)
    , m_filesWork(*this)
    , m_appStoreWork(*this)
    , m_edits(*this)
    , m_savedLayouts(*this)
{
    m_appStoreLookup = AppStoreSetting::enabled();
    if (arguments.mid(1).contains(u"--demo"_s))
        loadDemo();
}

VarnoletModel::~VarnoletModel()
{
    // Waiting for the future alone is not enough: Qt 6.4 hands the result over to its context
    // object on the worker thread just after the future finishes, and asserts when that context
    // is already gone. The hand-over only posts an event, dropped with the model's pending events.
    m_devicesWork.waitForDone();
    m_appStoreWork.waitForDone();
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
    return ModelValues::list(WorkspaceSections::allCases(), WorkspaceSections::title);
}

void VarnoletModel::setSelectedDeviceID(const QString &ecid)
{
    change(m_selectedDeviceID, ecid, &VarnoletModel::selectedDeviceIDChanged,
           SelectedDeviceDerived);
}

void VarnoletModel::setKeepDock(bool keep)
{
    change(m_keepDock, keep, &VarnoletModel::keepDockChanged);
}

void VarnoletModel::setKeepFirstPage(bool keep)
{
    change(m_keepFirstPage, keep, &VarnoletModel::keepFirstPageChanged);
}

void VarnoletModel::setPageCapacity(int capacity)
{
    change(m_pageCapacity, capacity, &VarnoletModel::pageCapacityChanged);
}

void VarnoletModel::setShowOriginal(bool show)
{
    change(m_showOriginal, show, &VarnoletModel::showOriginalChanged,
           PreviewDerived | CanApplyDerived | EditingDerived);
}

void VarnoletModel::setSelectedPage(int page)
{
    change(m_selectedPage, page, &VarnoletModel::selectedPageChanged);
}

void VarnoletModel::setSearch(const QString &search)
{
    change(m_search, search, &VarnoletModel::searchChanged, AppsDerived);
}

void VarnoletModel::setShowApplyConfirmation(bool show)
{
    change(m_showApplyConfirmation, show, &VarnoletModel::showApplyConfirmationChanged);
}

void VarnoletModel::setWorkspaceSection(WorkspaceSection section)
{
    change(m_section, section, &VarnoletModel::sectionChanged);
}

void VarnoletModel::setSortStyle(SortStyle style)
{
    change(m_style, style, &VarnoletModel::styleChanged);
}

void VarnoletModel::setConfiguratorPath(const std::optional<QString> &path)
{
    change(m_cfgutil, path, &VarnoletModel::cfgutilChanged);
}

void VarnoletModel::setFallbackReaderPath(const std::optional<QString> &path)
{
    change(m_fallbackReader, path, &VarnoletModel::fallbackReaderChanged);
}

QVariantList VarnoletModel::devices() const
{
    return ModelValues::list(
            m_devices, [](const Device &device) { return QVariant(ModelValues::device(device)); });
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

std::optional<Layout> VarnoletModel::originalLayout() const
{
    const LayoutSummary *original = m_proposal.original();
    return original ? std::optional(original->layout) : std::nullopt;
}

std::optional<Layout> VarnoletModel::proposedLayout() const
{
    const LayoutSummary *proposed = m_proposal.proposed();
    return proposed ? std::optional(proposed->layout) : std::nullopt;
}

std::optional<Layout> VarnoletModel::previewLayout() const
{
    const LayoutSummary *summary = previewSummary();
    return summary ? std::optional(summary->layout) : std::nullopt;
}

const LayoutSummary *VarnoletModel::previewSummary() const
{
    return m_proposal.shown(m_showOriginal);
}

void VarnoletModel::setOriginal(const std::optional<Layout> &layout)
{
    // A new loaded layout starts a new history; the caller proposes for it.
    const bool hadProposal = hasProposed();
    const bool changed = m_proposal.setOriginal(layout);
    touch(EditingDerived);
    if (hadProposal) {
        Q_EMIT proposedChanged();
        touch(PreviewDerived | CanApplyDerived | MetricsDerived);
    }
    if (!changed)
        return;
    Q_EMIT originalChanged();
    touch(PreviewDerived | AppsDerived | CanApplyDerived | MetricsDerived);
}

void VarnoletModel::setProposed(const std::optional<Layout> &layout)
{
    const bool changed = m_proposal.setProposed(layout);
    touch(EditingDerived);
    if (!changed)
        return;
    Q_EMIT proposedChanged();
    touch(PreviewDerived | CanApplyDerived | MetricsDerived);
}

void VarnoletModel::suggestProposal(const std::optional<Layout> &layout)
{
    if (m_proposal.suggest(layout))
        proposalStepped();
    else
        touch(EditingDerived);
}

void VarnoletModel::proposalStepped()
{
    Batch batch(this);
    Q_EMIT proposedChanged();
    touch(PreviewDerived | CanApplyDerived | MetricsDerived | EditingDerived);
    setSelectedPage(std::min(previewPageCount(), std::max(m_selectedPage, 1)));
}

bool VarnoletModel::canEdit() const
{
    return historyOpen() && !m_showOriginal && hasProposed();
}

void VarnoletModel::setLoadedDevice(const std::optional<Device> &device)
{
    change(m_loadedDevice, device, &VarnoletModel::loadedDeviceChanged, CanApplyDerived);
}

void VarnoletModel::setPendingRestore(const std::optional<QString> &id)
{
    change(m_pendingRestore, id, &VarnoletModel::pendingRestoreChanged, EditingDerived);
}

void VarnoletModel::setDevices(const QList<Device> &devices)
{
    change(m_devices, devices, &VarnoletModel::devicesChanged, SelectedDeviceDerived);
}

void VarnoletModel::setNames(const AppNames &names)
{
    change(m_names, names, &VarnoletModel::namesChanged, PreviewDerived | AppsDerived);
}

void VarnoletModel::setOverrides(const CategoryOverrides &overrides)
{
    change(m_overrides, overrides, &VarnoletModel::overridesChanged, PreviewDerived | AppsDerived);
}

void VarnoletModel::setDemo(bool demo)
{
    change(m_demo, demo, &VarnoletModel::demoChanged, CanApplyDerived);
}

void VarnoletModel::setSourceLabel(const QString &label)
{
    change(m_sourceLabel, label, &VarnoletModel::sourceLabelChanged);
}

void VarnoletModel::setSnapshots(const QList<Snapshot> &snapshots)
{
    change(m_snapshots, snapshots, &VarnoletModel::snapshotsChanged);
}

QVariantMap VarnoletModel::names() const
{
    return ModelValues::names(m_names);
}

QVariantMap VarnoletModel::overrides() const
{
    return ModelValues::overrides(m_overrides);
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

QStringList VarnoletModel::styles() const
{
    return ModelValues::list(SortStyles::allCases(), SortStyles::title);
}

QStringList VarnoletModel::categories() const
{
    return ModelValues::list(AppCategories::allCases(), AppCategories::title);
}

QVariantList VarnoletModel::pageCapacities() const
{
    return ModelValues::list(SortOptions::supportedPageCapacities(),
                             [](int capacity) { return QVariant(capacity); });
}

void VarnoletModel::setBusy(bool busy, const QString &label)
{
    const bool busyChanges = assign(m_busy, busy);
    if (assign(m_busyLabel, label))
        Q_EMIT busyLabelChanged();
    if (busyChanges) {
        Q_EMIT busyChanged();
        touch(CanApplyDerived | EditingDerived);
    }
}

QVariantList VarnoletModel::activity() const
{
    return ModelValues::list(m_activity, [](const ActivityEntry &entry) {
        return QVariant(ModelValues::activity(entry));
    });
}

QString VarnoletModel::changeSummary() const
{
    const LayoutComparison *changes = m_proposal.changes();
    return changes ? changes->summary() : QString();
}

void VarnoletModel::setShowChanges(bool show)
{
    change(m_showChanges, show, &VarnoletModel::showChangesChanged, PreviewDerived);
}

bool VarnoletModel::canCheckAgain() const
{
    return m_written && m_loadedDevice && m_loadedDevice->ecid == m_written->first.ecid
            && m_loadedDevice->udid == m_written->first.udid;
}

QVariantList VarnoletModel::preview() const
{
    if (!m_previewCache) {
        const LayoutSummary *summary = previewSummary();
        m_previewCache = summary
                ? ModelValues::layout(summary->layout, m_names, m_overrides, m_appStoreAnswers)
                : QVariantList();
        const LayoutComparison *changes = m_proposal.changes();
        if (m_showChanges && changes && summary == m_proposal.proposed())
            m_previewCache = ModelValues::withChanges(*m_previewCache, *changes);
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
        const LayoutSummary *original = m_proposal.original();
        m_apps->setApps(original ? AppList::build(original->layout, m_names, m_overrides, m_search,
                                                  m_appStoreAnswers)
                                 : QList<AppInfo>());
    }
    if (dirty & EditingDerived)
        Q_EMIT editingChanged();
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
    return m_proposal.isApplicable();
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

void VarnoletModel::rebuild()
{
    if (!m_proposal.original())
        return;
    Batch batch(this);
    setPendingRestore(std::nullopt);
    try {
        SortOptions options;
        options.style = m_style;
        options.keepDock = m_keepDock;
        options.keepFirstPage = m_keepFirstPage;
        options.pageCapacity = m_pageCapacity;
        suggestProposal(m_proposal.suggestion(options, m_names, m_overrides, m_appStoreAnswers));
    } catch (const std::exception &failure) {
        suggestProposal(std::nullopt);
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

void VarnoletModel::reloadSnapshots()
{
    setSnapshots(DeviceWorkflows::savedSnapshots(m_storage));
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

void VarnoletModel::setAppStoreAnswers(const AppStoreAnswers &answers)
{
    if (m_appStoreAnswers == answers)
        return;
    m_appStoreAnswers = answers;
    touch(PreviewDerived | AppsDerived);
}
