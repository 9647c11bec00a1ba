#include "deviceservice.h"

#include "configuratorresponse.h"
#include "interrupted.h"
#include "layoutparser.h"
#include "platformerror.h"
#include "processrunner.h"
#include "varnoleterror.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Seconds a phone may take to answer; a write gets longer because the phone redraws its screens.
constexpr double readTimeout = 45;
constexpr double writeTimeout = 90;

const QString configuratorReader = u"cfgutil"_s;
const QString springboardReader = u"pymobiledevice3"_s;
const QString configuratorLabel = u"configurator-layout"_s;
const QString springboardLabel = u"springboard-layout"_s;

} // namespace

DeviceService::DeviceService(const QString &cfgutil, const std::optional<QString> &fallbackReader,
                             std::shared_ptr<const CommandRunning> runner,
                             const SnapshotStore &storage)
    : m_cfgutil(cfgutil)
    , m_fallbackReader(fallbackReader)
    , m_runner(runner ? std::move(runner) : std::make_shared<ProcessRunner>())
    , m_storage(storage)
{ }

QStringList DeviceService::configuratorCandidates()
{
    const QString home = QDir::homePath();
    return {u"/Applications/Apple Configurator.app/Contents/MacOS/cfgutil"_s,
            u"/Applications/Apple Configurator 2.app/Contents/MacOS/cfgutil"_s,
            home + u"/Applications/Apple Configurator.app/Contents/MacOS/cfgutil"_s,
            u"/usr/local/bin/cfgutil"_s, u"/opt/homebrew/bin/cfgutil"_s};
}

QStringList DeviceService::fallbackCandidates()
{
    const QString home = QDir::homePath();
    return {home + u"/Library/Application Support/Varnolet/reader/bin/pymobiledevice3"_s,
            home + u"/.local/bin/pymobiledevice3"_s, u"/opt/homebrew/bin/pymobiledevice3"_s,
            u"/usr/local/bin/pymobiledevice3"_s};
}

std::optional<QString> DeviceService::firstExecutable(const QStringList &candidates)
{
    for (const QString &candidate : candidates) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable())
            return candidate;
    }
    return std::nullopt;
}

std::optional<QString> DeviceService::discoverConfigurator()
{
    return firstExecutable(configuratorCandidates());
}

std::optional<QString> DeviceService::discoverFallback()
{
    return firstExecutable(fallbackCandidates());
}

QList<Device> DeviceService::devices() const
{
    const CommandOutput output
            = m_runner->run(m_cfgutil, {u"--format"_s, u"JSON"_s, u"list"_s}, {}, readTimeout);
    ConfiguratorResponse::checkErrors(output.data);
    return ConfiguratorResponse::devices(output.data);
}

CommandOutput DeviceService::command(const QStringList &arguments,
                                     const std::optional<Device> &device, double timeout) const
{
    QStringList vector{u"--format"_s, u"JSON"_s};
    if (device) {
        // Nothing reaches a command line before the ECID has a shape that is safe there.
        device->validate();
        vector << u"--ecid"_s << device->ecid;
    }
    vector << arguments;
    CommandOutput output = m_runner->run(m_cfgutil, vector, {}, timeout);
    ConfiguratorResponse::checkErrors(output.data);
    return output;
}

DeviceRead DeviceService::read(const Device &device, bool includeNames) const
{
    device.validate();

    QByteArray response;
    QString reader;
    QString configuratorFailure;
    try {
        response = command({u"get-icon-layout"_s}, device, readTimeout).data;
        // Saved before parsing, so that a response that does not parse can still be inspected.
        m_storage.saveDiagnostic(response, configuratorLabel);
        reader = configuratorReader;
    } catch (const Interrupted &) {
        throw;
    } catch (const std::exception &error) {
        configuratorFailure = PlatformError::describe(error);
        if (!m_fallbackReader)
            throw VarnoletError(u"Could not read the layout. "_s + configuratorFailure
                                + u"\nIf get-icon-layout crashes, install the optional reader "
                                  u"from the Varnolet setup guide, then refresh."_s);
    }
    if (reader.isEmpty()) {
        // Both reasons are given: the configurator's is often the one that tells what to fix.
        try {
            response = m_runner->run(*m_fallbackReader,
                                     {u"springboard"_s, u"state"_s, u"get"_s, u"--udid"_s,
                                      device.udid},
                                     {{u"PYMOBILEDEVICE3_UDID"_s, device.udid}}, readTimeout)
                               .data;
            m_storage.saveDiagnostic(response, springboardLabel);
            if (response.trimmed().isEmpty())
                throw VarnoletError(u"The reader returned nothing."_s);
        } catch (const Interrupted &) {
            throw;
        } catch (const std::exception &error) {
            throw VarnoletError(u"Could not read the layout. "_s + configuratorFailure
                                + u"\nThe optional reader failed too: "_s
                                + PlatformError::describe(error));
        }
        reader = springboardReader;
    }

    // The springboard form names no device, so only the configurator's answer is matched to one.
    const bool fromConfigurator = reader == configuratorReader;
    const ParsedLayout parsed = LayoutParser::parse(
            response, fromConfigurator ? std::optional(device.ecid) : std::nullopt,
            fromConfigurator ? LayoutParser::Source::Configurator : LayoutParser::Source::Reader);

    AppNames names = parsed.names;
    if (includeNames) {
        try {
            const AppNames found = ConfiguratorResponse::appNames(
                    command({u"get"_s, u"apps"_s}, device, readTimeout).data, device.ecid);
            for (auto it = found.cbegin(); it != found.cend(); ++it) {
                if (!names.contains(it.key()))
                    names.insert(it.key(), it.value());
            }
        } catch (const Interrupted &) {
            throw;
        } catch (const std::exception &) {
            // Names only make the preview friendlier; the layout stands without them.
        }
    }
    return DeviceRead{parsed.layout, names, response, reader};
}

ApplyReceipt DeviceService::apply(const Layout &proposed, const Layout &expected,
                                  const Device &device, const AppNames &names,
                                  const QString &label) const
{
    proposed.validate();
    expected.validate();
    device.validate();

    if (proposed.inventory() != expected.inventory())
        throw VarnoletError(u"Apply would add or remove app icons. Read the device again."_s);

    const QList<Device> connected = devices();
    const bool present
            = std::any_of(connected.cbegin(), connected.cend(), [&device](const Device &listed) {
                  return listed.ecid == device.ecid && listed.udid == device.udid;
              });
    if (!present)
        throw VarnoletError(
                u"The selected iPhone is no longer connected. No layout was written."_s);

    const DeviceRead current = read(device, false);
    if (current.layout.fingerprint() != expected.fingerprint())
        throw VarnoletError(u"Your iPhone layout changed after the preview was created. Read it "
                            u"again before applying."_s);

    const Snapshot snapshot = m_storage.save(current, device, names, label);
    // Absolute, so that the configurator can never take the path for one of its options.
    const QString proposal
            = QFileInfo(m_storage.saveProposal(proposed, snapshot)).absoluteFilePath();

    // From the write on, an interruption may have left the phone changed: say so, and where the
    // previous layout is.
    const auto interruptedWrite = [&snapshot](const Interrupted &interruption) {
        return Interrupted(interruption.signal(),
                           u"Interrupted while writing to the iPhone. The phone may have changed; "
                           u"inspect it before retrying. Your previous layout is saved as "_s
                                   + snapshot.id + u'.');
    };
    try {
        command({u"set-icon-layout"_s, proposal}, device, writeTimeout);
    } catch (const Interrupted &interruption) {
        throw interruptedWrite(interruption);
    } catch (const std::exception &error) {
        throw VarnoletError(u"The apply command did not finish successfully. The phone may have "
                            u"changed; inspect it before retrying. Your previous layout is saved "
                            u"as "_s
                            + snapshot.id + u".\n"_s + PlatformError::describe(error));
    }

    // From here on the write has happened: report the outcome, never write again.
    QString readBack;
    try {
        readBack = read(device, false).layout.fingerprint();
    } catch (const Interrupted &interruption) {
        throw interruptedWrite(interruption);
    } catch (const std::exception &error) {
        // The sentence goes on after the description, so its own full stop must not double up.
        QString description = PlatformError::describe(error);
        if (description.endsWith(u'.'))
            description.chop(1);
        return ApplyReceipt{snapshot, false,
                            u"The command completed, but read-back verification failed: "_s
                                    + description
                                    + u". Check your iPhone before continuing. Your previous "
                                      u"layout is saved."_s};
    }
    if (readBack == proposed.fingerprint())
        return ApplyReceipt{snapshot, true,
                            u"The layout read back from your iPhone matches the proposal. Check "
                            u"your Home Screen visually, too."_s};
    return ApplyReceipt{snapshot, false,
                        u"Configurator accepted the command, but the layout read back does not "
                        u"match. No second write was attempted. Check the phone; your previous "
                        u"layout is saved."_s};
}
