#include "deviceworkflows.h"

#include "deviceservice.h"
#include "modelbatch.h"
#include "platformerror.h"
#include "platformpanels.h"
#include "processrunner.h"
#include "restorecheck.h"
#include "varnoleterror.h"
#include "varnoletmodel.h"

#include <QDir>
#include <QException>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QPointer>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

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

} // namespace

void DeviceWorkflows::perform(const QString &label, const Operation &operation)
{
    VarnoletModel &model = m_model;
    if (model.m_busy)
        return;
    model.setBusy(true, label);

    QFuture<void> running;
    try {
        running = operation();
    } catch (...) {
        model.log(describe(std::current_exception()), true);
        model.setBusy(false, QString());
        return;
    }
    // A watcher rather than a continuation: it may outlive neither the model nor its future.
    auto *watcher = new QFutureWatcher<void>(&model);
    QObject::connect(watcher, &QFutureWatcherBase::finished, &model, [&model, watcher] {
        watcher->deleteLater();
        try {
            watcher->future().waitForFinished();
        } catch (...) {
            model.log(describe(std::current_exception()), true);
        }
        model.setBusy(false, QString());
    });
    watcher->setFuture(running);
}

QList<Snapshot> DeviceWorkflows::savedSnapshots(const SnapshotStore &storage)
{
    try {
        return storage.list();
    } catch (...) {
        return {};
    }
}

void DeviceWorkflows::refresh()
{
    VarnoletModel &model = m_model;
    if (const auto found = DeviceService::discoverConfigurator())
        model.setConfiguratorPath(found);
    if (const auto found = DeviceService::discoverFallback())
        model.setFallbackReaderPath(found);
    if (!model.m_cfgutil) {
        model.log(u"Apple Configurator isn't installed yet. You can still explore the demo."_s,
                  true);
        return;
    }
    model.perform(u"Looking for your iPhone…"_s, [this, &model] {
        return onWorker([cfgutil = model.m_cfgutil, fallback = model.m_fallbackReader,
                         storage = model.m_storage] {
                   return makeService(cfgutil, fallback, storage).devices();
               })
                .then(&model, [&model](const QList<Device> &devices) {
                    VarnoletModel::Batch batch(&model);
                    model.setDevices(devices);
                    const bool kept = std::any_of(
                            devices.cbegin(), devices.cend(), [&model](const Device &device) {
                                return device.ecid == model.m_selectedDeviceID;
                            });
                    if (!kept) {
                        model.setSelectedDeviceID(devices.size() == 1 ? devices.first().ecid
                                                                      : QString());
                        model.setLoadedDevice(std::nullopt);
                    }
                    if (devices.isEmpty()) {
                        model.log(u"No iPhone found. Connect by USB, unlock it, and approve Trust "
                                  u"This Computer in Finder."_s);
                    } else {
                        model.log(u"Found "_s + QString::number(devices.size()) + u" iPhone"_s
                                  + (devices.size() == 1 ? u""_s : u"s"_s)
                                  + u". Choose your phone and read its layout."_s);
                    }
                });
    });
}

void DeviceWorkflows::chooseConfigurator()
{
    if (!m_model.m_panels)
        return;
    m_model.m_panels->chooseFileToOpen(
            u"Select Apple Configurator.app or the cfgutil executable."_s,
            {u"Apple Configurator or cfgutil (*.app cfgutil)"_s, u"All files (*)"_s},
            [model = QPointer(&m_model)](const QString &path) {
                if (model)
                    model->m_devicesWork.useConfigurator(path);
            });
}

void DeviceWorkflows::useConfigurator(const QString &path)
{
    if (path.isEmpty())
        return;
    QString candidate = QDir::cleanPath(path);
    if (QFileInfo(candidate).suffix() == u"app"_s)
        candidate += u"/Contents/MacOS/cfgutil"_s;
    // A folder called cfgutil has its execute bit set too, but cannot be run.
    const QFileInfo tool(candidate);
    if (tool.fileName() != u"cfgutil"_s || !tool.isFile() || !tool.isExecutable()) {
        m_model.log(u"That location doesn't contain an executable cfgutil."_s, true);
        return;
    }
    m_model.setConfiguratorPath(candidate);
    refresh();
}

void DeviceWorkflows::read()
{
    VarnoletModel &model = m_model;
    const auto selected = model.selectedDeviceRecord();
    if (!selected)
        return;
    model.perform(u"Reading and saving your layout…"_s, [this, &model, device = *selected] {
        model.setLoadedDevice(std::nullopt);
        return onWorker([cfgutil = model.m_cfgutil, fallback = model.m_fallbackReader,
                         storage = model.m_storage, device] {
                   const DeviceService service = makeService(cfgutil, fallback, storage);
                   ReadOutcome outcome;
                   outcome.read = service.read(device, true);
                   storage.save(outcome.read, device, outcome.read.names, u"Initial read"_s);
                   outcome.snapshots = savedSnapshots(storage);
                   return outcome;
               })
                .then(&model, [&model, device](const ReadOutcome &outcome) {
                    VarnoletModel::Batch batch(&model);
                    model.setOriginal(outcome.read.layout);
                    model.setNames(outcome.read.names);
                    model.setOverrides({});
                    model.setLoadedDevice(device);
                    model.setDemo(false);
                    model.setPendingRestore(std::nullopt);
                    model.setSourceLabel(device.name);
                    model.setWorkspaceSection(WorkspaceSection::organize);
                    model.setShowOriginal(true);
                    model.setSearch(QString());
                    model.rebuild();
                    model.setSnapshots(outcome.snapshots);
                    model.log(u"Read "_s + QString::number(outcome.read.layout.identifiers().size())
                              + u" icons and saved the original layout. Start with Two-icon test "
                                u"to check compatibility."_s);
                });
    });
}

void DeviceWorkflows::apply()
{
    VarnoletModel &model = m_model;
    if (!model.computeCanApply())
        return;
    const Device device = *model.m_loadedDevice;
    const Layout proposal = model.m_proposal.proposed()->layout;
    const Layout expected = model.m_proposal.original()->layout;
    const bool restore = model.m_pendingRestore.has_value();
    const QString label = restore ? u"Restoring and verifying…"_s : u"Applying and verifying…"_s;

    model.perform(label, [this, &model, device, proposal, expected, restore] {
        model.setLoadedDevice(std::nullopt);
        const QString reason
                = restore ? u"Before restore"_s : u"Before "_s + SortStyles::title(model.m_style);
        return onWorker([cfgutil = model.m_cfgutil, fallback = model.m_fallbackReader,
                         storage = model.m_storage, names = model.m_names, device, proposal,
                         expected, reason] {
                   const DeviceService service = makeService(cfgutil, fallback, storage);
                   ApplyOutcome outcome;
                   outcome.receipt = service.apply(proposal, expected, device, names, reason);
                   outcome.snapshots = savedSnapshots(storage);
                   return outcome;
               })
                .then(&model, [&model, device, proposal](const ApplyOutcome &outcome) {
                    VarnoletModel::Batch batch(&model);
                    model.setSnapshots(outcome.snapshots);
                    model.log(outcome.receipt.message, !outcome.receipt.verified);
                    model.setPendingRestore(std::nullopt);
                    if (outcome.receipt.verified) {
                        model.setOriginal(proposal);
                        model.setProposed(std::nullopt);
                        model.setLoadedDevice(device);
                        model.setShowOriginal(true);
                    }
                });
    });
}

void DeviceWorkflows::prepareRestore(const QString &id)
{
    VarnoletModel &model = m_model;
    const auto selected = model.selectedDeviceRecord();
    if (!selected) {
        model.log(u"Connect and select the original iPhone before restoring."_s, true);
        model.setWorkspaceSection(WorkspaceSection::setup);
        return;
    }
    model.perform(u"Checking saved layout…"_s, [this, &model, id, device = *selected] {
        return onWorker([cfgutil = model.m_cfgutil, fallback = model.m_fallbackReader,
                         storage = model.m_storage, device, id] {
                   RestoreOutcome outcome;
                   outcome.snapshot = storage.load(id);
                   RestoreCheck::verifyDevice(outcome.snapshot, device);
                   outcome.current
                           = makeService(cfgutil, fallback, storage).read(device, true).layout;
                   RestoreCheck::verifyInventory(outcome.snapshot, outcome.current);
                   return outcome;
               })
                .then(&model, [&model, device](const RestoreOutcome &outcome) {
                    VarnoletModel::Batch batch(&model);
                    model.setOriginal(outcome.current);
                    model.setProposed(outcome.snapshot.layout);
                    model.setNames(outcome.snapshot.names);
                    model.setLoadedDevice(device);
                    model.setDemo(false);
                    model.setSourceLabel(device.name);
                    model.setPendingRestore(outcome.snapshot.id);
                    model.setShowOriginal(false);
                    model.setSelectedPage(1);
                    model.setWorkspaceSection(WorkspaceSection::organize);
                    model.setSearch(QString());
                    model.setOverrides({});
                    model.log(u"Saved layout ready to review. Restoring will first save the "
                              u"current layout."_s);
                });
    });
}
