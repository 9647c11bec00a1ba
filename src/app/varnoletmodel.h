#pragma once

#include "activityentry.h"
#include "appcategory.h"
#include "applistmodel.h"
#include "appstoreworkflow.h"
#include "device.h"
#include "deviceworkflows.h"
#include "fileworkflows.h"
#include "handedits.h"
#include "layout.h"
#include "layoutsummary.h"
#include "parsedlayout.h"
#include "proposalhistory.h"
#include "savedlayouts.h"
#include "snapshot.h"
#include "snapshotcomparison.h"
#include "snapshotstore.h"
#include "sortstyle.h"
#include "workspacesection.h"

#include <QAbstractListModel>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <optional>

class DeviceService;
class PlatformPanels;

/// The one state object behind the window: devices, the loaded layout and its proposal, the
/// sorting options, the status line, the activity log and the saved snapshots, with every
/// operation the window starts. The proposal is kept by ProposalHistory, the work with phones is
/// done by DeviceWorkflows and the work with files by FileWorkflows. Lives on the main thread;
/// device work runs on worker threads and its results are applied back here, so every property
/// changes on the main thread only.
///
/// Enumerations are published as their titles ("Category folders", "Connection") so that the
/// window can show and set them as they are; devices, snapshots, activity entries and the preview
/// are published as plain variant maps and lists.
class VarnoletModel : public QObject
{
    Q_OBJECT

    Q_PROPERTY(QString section READ section WRITE setSection NOTIFY sectionChanged)
    Q_PROPERTY(QStringList sections READ sections CONSTANT)
    Q_PROPERTY(QString cfgutil READ cfgutil NOTIFY cfgutilChanged)
    Q_PROPERTY(QString fallbackReader READ fallbackReader NOTIFY fallbackReaderChanged)
    Q_PROPERTY(QVariantList devices READ devices NOTIFY devicesChanged)
    Q_PROPERTY(QString selectedDeviceID READ selectedDeviceID WRITE setSelectedDeviceID NOTIFY
                       selectedDeviceIDChanged)
    Q_PROPERTY(QVariantMap selectedDevice READ selectedDevice NOTIFY selectedDeviceChanged)
    Q_PROPERTY(bool hasSelectedDevice READ hasSelectedDevice NOTIFY selectedDeviceChanged)
    Q_PROPERTY(QVariantMap loadedDevice READ loadedDevice NOTIFY loadedDeviceChanged)
    Q_PROPERTY(bool hasLoadedDevice READ hasLoadedDevice NOTIFY loadedDeviceChanged)
    Q_PROPERTY(bool hasOriginal READ hasOriginal NOTIFY originalChanged)
    Q_PROPERTY(bool hasProposed READ hasProposed NOTIFY proposedChanged)
    Q_PROPERTY(int iconCount READ iconCount NOTIFY originalChanged)
    Q_PROPERTY(int originalPageCount READ originalPageCount NOTIFY originalChanged)
    Q_PROPERTY(int proposedPageCount READ proposedPageCount NOTIFY metricsChanged)
    Q_PROPERTY(int proposedFolderCount READ proposedFolderCount NOTIFY metricsChanged)
    Q_PROPERTY(QVariantMap names READ names NOTIFY namesChanged)
    Q_PROPERTY(QVariantMap overrides READ overrides NOTIFY overridesChanged)
    Q_PROPERTY(QString style READ style WRITE setStyle NOTIFY styleChanged)
    Q_PROPERTY(QStringList styles READ styles CONSTANT)
    Q_PROPERTY(QStringList categories READ categories CONSTANT)
    Q_PROPERTY(QVariantList pageCapacities READ pageCapacities CONSTANT)
    Q_PROPERTY(bool keepDock READ keepDock WRITE setKeepDock NOTIFY keepDockChanged)
    Q_PROPERTY(bool keepFirstPage READ keepFirstPage WRITE setKeepFirstPage NOTIFY
                       keepFirstPageChanged)
    Q_PROPERTY(int pageCapacity READ pageCapacity WRITE setPageCapacity NOTIFY pageCapacityChanged)
    Q_PROPERTY(bool showOriginal READ showOriginal WRITE setShowOriginal NOTIFY showOriginalChanged)
    Q_PROPERTY(int selectedPage READ selectedPage WRITE setSelectedPage NOTIFY selectedPageChanged)
    Q_PROPERTY(QString search READ search WRITE setSearch NOTIFY searchChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(QString busyLabel READ busyLabel NOTIFY busyLabelChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    Q_PROPERTY(bool messageIsWarning READ messageIsWarning NOTIFY messageIsWarningChanged)
    Q_PROPERTY(QVariantList activity READ activity NOTIFY activityChanged)
    Q_PROPERTY(QVariantList snapshots READ snapshots NOTIFY snapshotsChanged)
    Q_PROPERTY(QString pendingRestore READ pendingRestore NOTIFY pendingRestoreChanged)
    Q_PROPERTY(bool hasPendingRestore READ hasPendingRestore NOTIFY pendingRestoreChanged)
    Q_PROPERTY(bool showApplyConfirmation READ showApplyConfirmation WRITE setShowApplyConfirmation
                       NOTIFY showApplyConfirmationChanged)
    Q_PROPERTY(QString sourceLabel READ sourceLabel NOTIFY sourceLabelChanged)
    Q_PROPERTY(bool demo READ demo NOTIFY demoChanged)
    Q_PROPERTY(QString storageRoot READ storageRoot CONSTANT)
    Q_PROPERTY(QVariantList preview READ preview NOTIFY previewChanged)
    Q_PROPERTY(bool hasPreview READ hasPreview NOTIFY previewChanged)
    Q_PROPERTY(int previewPageCount READ previewPageCount NOTIFY previewChanged)
    Q_PROPERTY(QAbstractListModel *apps READ apps CONSTANT)
    Q_PROPERTY(bool canApply READ canApply NOTIFY canApplyChanged)
    Q_PROPERTY(QString changeSummary READ changeSummary NOTIFY previewChanged)
    Q_PROPERTY(bool showChanges READ showChanges WRITE setShowChanges NOTIFY showChangesChanged)
    Q_PROPERTY(SnapshotComparison *comparison READ comparison CONSTANT)
    Q_PROPERTY(bool canCheckAgain READ canCheckAgain NOTIFY loadedDeviceChanged)
    Q_PROPERTY(bool appStoreLookup READ appStoreLookup WRITE setAppStoreLookup NOTIFY
                       appStoreLookupChanged)
    Q_PROPERTY(bool canEdit READ canEdit NOTIFY editingChanged)
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY editingChanged)
    Q_PROPERTY(bool canRedo READ canRedo NOTIFY editingChanged)
    Q_PROPERTY(bool canResetToSuggestion READ canResetToSuggestion NOTIFY editingChanged)
    Q_PROPERTY(bool proposalEdited READ proposalEdited NOTIFY editingChanged)

public:
    using Operation = DeviceWorkflows::Operation;

    /// Discovers the tools, lists the saved snapshots of the standard store (under HOME) and
    /// loads the demo when `arguments` (as QCoreApplication::arguments() gives them, the program
    /// first) hold "--demo". `panels` may be set later. Needs the application object.
    explicit VarnoletModel(const QStringList &arguments = {}, PlatformPanels *panels = nullptr,
                           QObject *parent = nullptr);
    /// Waits for a running worker, whose results are then dropped.
    ~VarnoletModel() override;

    /// The panels used for files, folders, the guide and the App Store; not owned.
    void setPanels(PlatformPanels *panels) { m_panels = panels; }
    PlatformPanels *panels() const { return m_panels; }

    // Published state, in the form the window binds to.
    QString section() const;
    void setSection(const QString &title);
    QStringList sections() const;
    QString cfgutil() const { return m_cfgutil.value_or(QString()); }
    QString fallbackReader() const { return m_fallbackReader.value_or(QString()); }
    QVariantList devices() const;
    QString selectedDeviceID() const { return m_selectedDeviceID; }
    void setSelectedDeviceID(const QString &ecid);
    QVariantMap selectedDevice() const;
    bool hasSelectedDevice() const { return selectedDeviceRecord().has_value(); }
    QVariantMap loadedDevice() const;
    bool hasLoadedDevice() const { return m_loadedDevice.has_value(); }
    bool hasOriginal() const { return m_proposal.original() != nullptr; }
    bool hasProposed() const { return m_proposal.proposed() != nullptr; }
    /// Every app occurrence of `original`; 0 without one.
    int iconCount() const { return m_proposal.iconCount(); }
    int originalPageCount() const { return m_proposal.originalPageCount(); }
    /// The page count of the proposal, or of `original` when there is none.
    int proposedPageCount() const { return m_proposal.proposedPageCount(); }
    /// The folder count of the proposal, or of `original` when there is none.
    int proposedFolderCount() const { return m_proposal.proposedFolderCount(); }
    QVariantMap names() const;
    /// Category titles by bundle identifier.
    QVariantMap overrides() const;
    QString style() const;
    void setStyle(const QString &title);
    QStringList styles() const;
    QStringList categories() const;
    QVariantList pageCapacities() const;
    bool keepDock() const { return m_keepDock; }
    void setKeepDock(bool keep);
    bool keepFirstPage() const { return m_keepFirstPage; }
    void setKeepFirstPage(bool keep);
    int pageCapacity() const { return m_pageCapacity; }
    void setPageCapacity(int capacity);
    bool showOriginal() const { return m_showOriginal; }
    void setShowOriginal(bool show);
    int selectedPage() const { return m_selectedPage; }
    void setSelectedPage(int page);
    QString search() const { return m_search; }
    void setSearch(const QString &search);
    bool busy() const { return m_busy; }
    QString busyLabel() const { return m_busyLabel; }
    QString message() const { return m_message; }
    bool messageIsWarning() const { return m_messageIsWarning; }
    /// Newest first: {id, date, message, warning}.
    QVariantList activity() const;
    /// Newest first: {id, date, reason, deviceName, ecid, udid, apps, pages, folders, reader}.
    QVariantList snapshots() const { return m_savedLayouts.values(); }
    /// The identifier of the snapshot loaded for restoring; empty when none.
    QString pendingRestore() const { return m_pendingRestore.value_or(QString()); }
    bool hasPendingRestore() const { return m_pendingRestore.has_value(); }
    bool showApplyConfirmation() const { return m_showApplyConfirmation; }
    void setShowApplyConfirmation(bool show);
    QString sourceLabel() const { return m_sourceLabel; }
    bool demo() const { return m_demo; }
    QString storageRoot() const { return m_storage.root; }
    /// The layout to draw, page 0 the Dock: pages of {kind, id, title, category, pages}.
    QVariantList preview() const;
    bool hasPreview() const { return previewSummary() != nullptr; }
    /// Home Screen pages of the preview, at least 1.
    int previewPageCount() const;
    QAbstractListModel *apps() const { return m_apps; }
    bool canApply() const { return m_canApply; }
    /// The summary of what the proposal changes in `original`; empty without both.
    QString changeSummary() const;
    /// Whether the preview of a proposal marks the apps that move and the folders that change.
    bool showChanges() const { return m_showChanges; }
    void setShowChanges(bool show);
    SnapshotComparison *comparison() const { return m_comparison; }
    /// A verified write to the loaded phone can be checked again.
    bool canCheckAgain() const;
    /// The proposal is shown and may be edited by hand: no restore is pending, nothing runs.
    bool canEdit() const;
    bool canUndo() const { return historyOpen() && m_proposal.canUndo(); }
    bool canRedo() const { return historyOpen() && m_proposal.canRedo(); }
    /// The proposal is not the organizer's result for the current options.
    bool canResetToSuggestion() const { return canEdit() && !m_proposal.isSuggestion(); }
    /// The proposal comes from a hand edit.
    bool proposalEdited() const { return m_proposal.edited(); }

    // Hand edits of the proposal, as HandEdits describes them; false when refused.
    Q_INVOKABLE bool moveItem(int page, int index, int folderIndex, int toPage, int toIndex)
    {
        return m_edits.move(page, index, folderIndex, toPage, toIndex);
    }
    Q_INVOKABLE bool dropOnItem(int page, int index, int folderIndex, int ontoPage, int ontoIndex)
    {
        return m_edits.drop(page, index, folderIndex, ontoPage, ontoIndex);
    }
    Q_INVOKABLE bool moveToDock(int page, int index, int folderIndex)
    {
        return m_edits.moveToDock(page, index, folderIndex);
    }
    Q_INVOKABLE bool moveToPage(int page, int index, int folderIndex, int toPage)
    {
        return m_edits.moveToPage(page, index, folderIndex, toPage);
    }
    Q_INVOKABLE bool moveOutOfFolder(int page, int index, int folderIndex)
    {
        return m_edits.moveOutOfFolder(page, index, folderIndex);
    }
    Q_INVOKABLE bool renameFolder(int page, int index, const QString &name)
    {
        return m_edits.renameFolder(page, index, name);
    }

    // The same state as values, for C++ callers.
    WorkspaceSection workspaceSection() const { return m_section; }
    void setWorkspaceSection(WorkspaceSection section);
    SortStyle sortStyle() const { return m_style; }
    void setSortStyle(SortStyle style);
    const std::optional<QString> &configuratorPath() const { return m_cfgutil; }
    void setConfiguratorPath(const std::optional<QString> &path);
    const std::optional<QString> &fallbackReaderPath() const { return m_fallbackReader; }
    void setFallbackReaderPath(const std::optional<QString> &path);
    const QList<Device> &deviceList() const { return m_devices; }
    std::optional<Device> selectedDeviceRecord() const;
    const std::optional<Device> &loadedDeviceRecord() const { return m_loadedDevice; }
    std::optional<Layout> originalLayout() const;
    std::optional<Layout> proposedLayout() const;
    /// `original` when it is shown, else the proposal if there is one, else `original`.
    std::optional<Layout> previewLayout() const;
    const AppNames &appNames() const { return m_names; }
    const CategoryOverrides &categoryOverrides() const { return m_overrides; }
    const std::optional<QString> &pendingRestoreId() const { return m_pendingRestore; }
    const QList<ActivityEntry> &activityLog() const { return m_activity; }
    const QList<Snapshot> &snapshotRecords() const { return m_snapshots; }
    AppListModel *appList() const { return m_apps; }
    const SnapshotStore &storage() const { return m_storage; }

    /// Sets the status line and puts an entry at the front of the activity log.
    void log(const QString &message, bool warning = false);
    /// Runs `operation` as the single running workflow under `label`; while one runs, further
    /// requests are dropped without a word. A failure becomes a warning with its description.
    void perform(const QString &label, const Operation &operation)
    {
        m_devicesWork.perform(label, operation);
    }

    /// Where openGuide() looks for the testing guide "TESTING.md", first match wins.
    QStringList guideLocations() const { return m_filesWork.guideLocations(); }
    void setGuideLocations(const QStringList &locations)
    {
        m_filesWork.setGuideLocations(locations);
    }

public Q_SLOTS:
    /// Walks the proposal's history one step back or forth.
    void undo() { m_edits.undo(); }
    void redo() { m_edits.redo(); }
    /// Makes the organizer's result for the current options the proposal again, as a new step.
    void resetToSuggestion() { m_edits.resetToSuggestion(); }
    /// Asks where to save the proposal and writes it as a configuration profile.
    void exportProfile() { m_filesWork.exportProfile(); }
    /// Recomputes the proposal from `original` and the options, dropping a prepared restore.
    void rebuild();
    /// Called after `selectedDeviceID` changed: another phone than the loaded one disables Apply.
    void selectionChanged();
    /// Shows the demo layout.
    void loadDemo() { m_filesWork.loadDemo(); }
    /// Asks for a layout file and shows it for preview only.
    void importLayout() { m_filesWork.importLayout(); }
    /// Asks where to save the proposal and writes it in the form written to the phone.
    void exportLayout() { m_filesWork.exportLayout(); }
    /// Looks for the configurator and the phones.
    void refresh() { m_devicesWork.refresh(); }
    /// Asks for Apple Configurator or the cfgutil executable, then refreshes.
    void chooseConfigurator() { m_devicesWork.chooseConfigurator(); }
    /// Reads and snapshots the selected phone's layout.
    void readDevice() { m_devicesWork.read(); }
    /// Writes the proposal (or the prepared restore) to the loaded phone and verifies it.
    void apply() { m_devicesWork.apply(); }
    /// Loads a saved snapshot as the proposal against the selected phone's current layout.
    void prepareRestore(const QString &id) { m_devicesWork.prepareRestore(id); }
    /// Shows the diagnostics folder, creating it when missing.
    void revealDiagnostics() { m_filesWork.reveal(m_storage.diagnosticsPath()); }
    /// Shows the snapshots folder, creating it when missing.
    void revealSnapshots() { m_filesWork.reveal(m_storage.snapshotsPath()); }
    /// Opens the testing guide when one is installed.
    void openGuide() { m_filesWork.openGuide(); }
    /// Opens the App Store page of Apple Configurator.
    void openConfiguratorStorePage() { m_filesWork.openConfiguratorStorePage(); }
    /// Reads the phone written to last and says whether it still holds what was written.
    void checkAgain() { m_devicesWork.checkAgain(); }
    /// Compares a saved layout with the loaded one, or without one with the phone's next older
    /// saved layout, in the Saved layouts section.
    void compareSnapshot(const QString &id) { m_savedLayouts.compare(id); }
    /// Re-reads the snapshot list from disk; a failure leaves it empty and says nothing.
    void reloadSnapshots();
    /// Stores the user's category for an app and rebuilds; an unknown title changes nothing.
    void setOverride(const QString &id, const QString &categoryTitle);

public:
    void setOverride(const QString &id, AppCategory category);

    /// Whether the loaded apps are looked up at the App Store; remembered across launches.
    bool appStoreLookup() const { return m_appStoreLookup; }
    /// Turning it on looks the loaded apps up; turning it off drops the answers.
    void setAppStoreLookup(bool on) { m_appStoreWork.setEnabled(on); }
    const AppStoreAnswers &appStoreAnswers() const { return m_appStoreAnswers; }

Q_SIGNALS:
    void sectionChanged();
    void cfgutilChanged();
    void fallbackReaderChanged();
    void devicesChanged();
    void selectedDeviceIDChanged();
    void selectedDeviceChanged();
    void loadedDeviceChanged();
    void originalChanged();
    void proposedChanged();
    void metricsChanged();
    void namesChanged();
    void overridesChanged();
    void styleChanged();
    void keepDockChanged();
    void keepFirstPageChanged();
    void pageCapacityChanged();
    void showOriginalChanged();
    void selectedPageChanged();
    void searchChanged();
    void busyChanged();
    void busyLabelChanged();
    void messageChanged();
    void messageIsWarningChanged();
    void activityChanged();
    void snapshotsChanged();
    void pendingRestoreChanged();
    void showApplyConfirmationChanged();
    void sourceLabelChanged();
    void demoChanged();
    void previewChanged();
    void canApplyChanged();
    void showChangesChanged();
    void appStoreLookupChanged();
    void editingChanged();

private:
    friend class AppStoreWorkflow;
    friend class DeviceWorkflows;
    friend class FileWorkflows;
    friend class HandEdits;
    friend class SavedLayouts;
    class Batch;

    // Values worked out from the published state; their change signals wait for the end of a batch.
    enum Derived {
        PreviewDerived = 0x1,
        AppsDerived = 0x2,
        CanApplyDerived = 0x4,
        SelectedDeviceDerived = 0x8,
        MetricsDerived = 0x10,
        EditingDerived = 0x20,
    };

    // Stores `value` and announces it, then marks the `derived` values; false when unchanged.
    template<typename T>
    bool change(T &field, const T &value, void (VarnoletModel::*changed)(), int derived = 0)
    {
        if (field == value)
            return false;
        field = value;
        Q_EMIT(this->*changed)();
        if (derived != 0)
            touch(derived);
        return true;
    }

    const LayoutSummary *previewSummary() const;
    void touch(int derived);
    void flush();
    bool computeCanApply() const;
    bool historyOpen() const { return !m_busy && !m_pendingRestore; }
    // Announces a new proposal from the history and keeps the shown page within it.
    void proposalStepped();
    void suggestProposal(const std::optional<Layout> &layout);

    void setOriginal(const std::optional<Layout> &layout);
    void setProposed(const std::optional<Layout> &layout);
    void setLoadedDevice(const std::optional<Device> &device);
    void setPendingRestore(const std::optional<QString> &id);
    void setDevices(const QList<Device> &devices);
    void setNames(const AppNames &names);
    void setOverrides(const CategoryOverrides &overrides);
    // New answers, then a new proposal unless a saved layout is being previewed.
    void setAppStoreAnswers(const AppStoreAnswers &answers);
    void setDemo(bool demo);
    void setSourceLabel(const QString &label);
    void setBusy(bool busy, const QString &label);
    void setSnapshots(const QList<Snapshot> &snapshots);

    PlatformPanels *m_panels = nullptr;
    SnapshotStore m_storage;

    WorkspaceSection m_section = WorkspaceSection::setup;
    std::optional<QString> m_cfgutil;
    std::optional<QString> m_fallbackReader;
    QList<Device> m_devices;
    QString m_selectedDeviceID;
    ProposalHistory m_proposal;
    AppNames m_names;
    CategoryOverrides m_overrides;
    bool m_appStoreLookup = false;
    AppStoreAnswers m_appStoreAnswers;
    SortStyle m_style = SortStyle::categories;
    bool m_keepDock = true;
    bool m_keepFirstPage = false;
    int m_pageCapacity = 24;
    bool m_showOriginal = false;
    int m_selectedPage = 1;
    QString m_search;
    bool m_busy = false;
    QString m_busyLabel;
    QString m_message;
    bool m_messageIsWarning = false;
    QList<ActivityEntry> m_activity;
    QList<Snapshot> m_snapshots;
    std::optional<QString> m_pendingRestore;
    bool m_showApplyConfirmation = false;
    QString m_sourceLabel;
    bool m_demo = false;
    std::optional<Device> m_loadedDevice;
    std::optional<Device> m_selectedDevice;
    bool m_canApply = false;
    bool m_showChanges = true;
    // The phone and the layout of the last verified write, for checking again.
    std::optional<std::pair<Device, Layout>> m_written;
    SnapshotComparison *m_comparison = nullptr;
    AppListModel *m_apps = nullptr;

    int m_batchDepth = 0;
    int m_dirty = 0;
    mutable std::optional<QVariantList> m_previewCache;

    DeviceWorkflows m_devicesWork;
    FileWorkflows m_filesWork;
    AppStoreWorkflow m_appStoreWork;
    HandEdits m_edits;
    SavedLayouts m_savedLayouts;
};
