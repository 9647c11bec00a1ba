#include "devicecommands.h"

#include "commandarguments.h"
#include "commandline.h"
#include "deviceservice.h"
#include "inputfiles.h"
#include "interruption.h"
#include "jsoncodec.h"
#include "layoutparser.h"
#include "platformerror.h"
#include "processrunner.h"
#include "restorecheck.h"
#include "standardoutput.h"
#include "usageerror.h"
#include "varnoleterror.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

const QCommandLineOption cfgutilOption(u"cfgutil"_s, u"The configurator's cfgutil."_s, u"PATH"_s);
const QCommandLineOption readerOption(u"reader"_s, u"The optional springboard reader."_s,
                                      u"PATH"_s);
const QCommandLineOption noReaderOption(u"no-reader"_s, u"Never use the optional reader."_s);

QList<QCommandLineOption> toolOptions(QList<QCommandLineOption> extra = {})
{
    return extra + QList<QCommandLineOption>{cfgutilOption, readerOption, noReaderOption};
}

// Tools named on the command line win; otherwise they are looked for where they usually live.
DeviceService serviceFor(const CommandArguments &arguments)
{
    std::optional<QString> cfgutil = arguments.isSet(u"cfgutil"_s)
            ? std::optional<QString>(arguments.value(u"cfgutil"_s))
            : DeviceService::discoverConfigurator();
    if (!cfgutil)
        throw VarnoletError(u"Apple Configurator's cfgutil was not found. Install Apple "
                            "Configurator, or name the tool with --cfgutil PATH."_s);
    std::optional<QString> reader;
    if (!arguments.isSet(u"no-reader"_s))
        reader = arguments.isSet(u"reader"_s) ? std::optional<QString>(arguments.value(u"reader"_s))
                                              : DeviceService::discoverFallback();
    // From the first tool run on, an interruption stops the tool rather than the program.
    Interruption::install();
    return DeviceService(*cfgutil, reader, std::make_shared<ProcessRunner>(Interruption::received),
                         SnapshotStore::standard());
}

Device connectedDevice(const DeviceService &service, const QString &ecid)
{
    const QList<Device> devices = service.devices();
    const auto found = std::find_if(devices.cbegin(), devices.cend(),
                                    [&](const Device &device) { return device.ecid == ecid; });
    if (found == devices.cend())
        throw VarnoletError(u"No connected iPhone has the ECID %1. Run varnolet-cli devices to see "
                            "the connected ones."_s.arg(ecid));
    return *found;
}

void writeError(const QString &line)
{
    QFile err;
    if (err.open(stderr, QIODevice::WriteOnly))
        err.write((line + u'\n').toUtf8());
}

// The write has happened, so the status is settled before anything is printed: a script that
// retries on 1 must never write twice. A receipt standard output cannot take goes to standard
// error.
int reportReceipt(const ApplyReceipt &receipt)
{
    const int status = receipt.verified ? CommandLine::Success : CommandLine::WrittenNotVerified;
    const QString text = receipt.message;
    if (!StandardOutput::tryWrite((text + u'\n').toUtf8()))
        writeError(text);
    return status;
}

} // namespace

int DeviceCommands::devices(const QStringList &arguments)
{
    CommandArguments command({}, toolOptions());
    command.parse(arguments);
    QJsonArray array;
    for (const Device &device : serviceFor(command).devices())
        array.append(device.toJson());
    StandardOutput::write(JsonCodec::encode(array));
    return CommandLine::Success;
}

int DeviceCommands::read(const QStringList &arguments)
{
    const QCommandLineOption noNames(u"no-names"_s, u"Skip asking for the apps' names."_s);
    CommandArguments command({u"ECID"_s}, toolOptions({noNames}));
    command.parse(arguments);
    const DeviceService service = serviceFor(command);
    const Device device = connectedDevice(service, command.positional(0));
    const DeviceRead read = service.read(device, !command.isSet(u"no-names"_s));
    const Snapshot snapshot = service.storage().save(read, device, read.names, u"Initial read"_s);
    // The snapshot's id is told even when the layout cannot be printed.
    const bool printed = StandardOutput::tryWrite(read.layout.cfgutilData());
    writeError(u"Saved snapshot %1."_s.arg(snapshot.id));
    if (!printed)
        throw PlatformError(u"Could not write the layout to standard output."_s);
    return CommandLine::Success;
}

int DeviceCommands::apply(const QStringList &arguments)
{
    const QCommandLineOption expectedOption(
            u"expected"_s, u"The layout the proposal was made from."_s, u"ORIGINAL"_s);
    CommandArguments command({u"ECID"_s, u"PROPOSAL"_s}, toolOptions({expectedOption}));
    command.parse(arguments);
    if (!command.isSet(u"expected"_s))
        throw UsageError(u"Missing option: --expected ORIGINAL."_s);

    const ParsedLayout proposal = LayoutParser::parse(InputFiles::read(command.positional(1)));
    const ParsedLayout expected
            = LayoutParser::parse(InputFiles::read(command.value(u"expected"_s)));
    AppNames names = expected.names;
    for (auto it = proposal.names.constBegin(); it != proposal.names.constEnd(); ++it)
        names.insert(it.key(), it.value());

    const DeviceService service = serviceFor(command);
    const Device device = connectedDevice(service, command.positional(0));
    return reportReceipt(
            service.apply(proposal.layout, expected.layout, device, names, u"Before apply"_s));
}

int DeviceCommands::snapshots(const QStringList &arguments)
{
    CommandArguments command({}, {});
    command.parse(arguments);
    QJsonArray array;
    for (const Snapshot &snapshot : SnapshotStore::standard().list())
        array.append(QJsonObject{{u"id"_s, snapshot.id},
                                 {u"date"_s, Snapshot::formatDate(snapshot.date)},
                                 {u"reason"_s, snapshot.reason},
                                 {u"device"_s, snapshot.device.name},
                                 {u"apps"_s, snapshot.layout.identifiers().size()},
                                 {u"pages"_s, snapshot.layout.pageCount()},
                                 {u"reader"_s, snapshot.reader}});
    StandardOutput::write(JsonCodec::encode(array));
    return CommandLine::Success;
}

int DeviceCommands::restore(const QStringList &arguments)
{
    CommandArguments command({u"ECID"_s, u"SNAPSHOT_ID"_s}, toolOptions());
    command.parse(arguments);
    const DeviceService service = serviceFor(command);
    const Device device = connectedDevice(service, command.positional(0));
    const Snapshot snapshot = service.storage().load(command.positional(1));
    RestoreCheck::verifyDevice(snapshot, device);
    const DeviceRead current = service.read(device, true);
    RestoreCheck::verifyInventory(snapshot, current.layout);
    return reportReceipt(service.apply(snapshot.layout, current.layout, device, snapshot.names,
                                       u"Before restore"_s));
}
