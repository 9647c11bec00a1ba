#include "commandline.h"

#include "devicecommands.h"
#include "interrupted.h"
#include "interruption.h"
#include "offlinecommands.h"
#include "platformerror.h"
#include "usageerror.h"

#include <QFile>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

using Command = std::function<int(const QStringList &)>;

const QList<std::pair<QString, Command>> &commands()
{
    static const QList<std::pair<QString, Command>> table{
            {u"organize"_s, OfflineCommands::organize}, {u"profile"_s, OfflineCommands::profile},
            {u"inspect"_s, OfflineCommands::inspect},   {u"apps"_s, OfflineCommands::apps},
            {u"demo"_s, OfflineCommands::demo},         {u"diff"_s, OfflineCommands::diff},
            {u"devices"_s, DeviceCommands::devices},    {u"read"_s, DeviceCommands::read},
            {u"apply"_s, DeviceCommands::apply},        {u"snapshots"_s, DeviceCommands::snapshots},
            {u"restore"_s, DeviceCommands::restore},
    };
    return table;
}

// The shell's convention: 130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP.
int interruptedStatus(int signal)
{
    return 128 + signal;
}

void writeError(const QString &text)
{
    QFile err;
    if (err.open(stderr, QIODevice::WriteOnly))
        err.write(text.toUtf8());
}

} // namespace

QString CommandLine::usage()
{
    return uR"(usage: varnolet-cli COMMAND [ARGUMENTS]

INPUT, BEFORE and AFTER are layout files (any form Varnolet reads) or - for standard input.

  organize INPUT [--style categories|alphabetical|two-icon-test] [--move-dock]
           [--keep-first-page] [--page-size N] [--names FILE] [--overrides FILE]
           [--app-store | --offline]
        Print the proposed layout in the configurator's form.
  profile INPUT [the options of organize]
        Print the layout as a configuration profile (an unsigned .mobileconfig) for device
        management; with any option of organize, the layout organize would print.
  inspect INPUT
        Print the layout's counts, fingerprint, display names and record form.
  apps INPUT [--names FILE] [--overrides FILE] [--search TEXT] [--app-store | --offline]
        Print the layout's apps with their names and categories, sorted by name.
  demo
        Print the built-in sample layout.
  diff BEFORE AFTER [--names FILE] [--app-store | --offline]
        Print what changes from BEFORE to AFTER: a summary, the apps that move, apps and
        folders added, removed or renamed, the Dock and the page counts.


Commands that talk to an iPhone connected by USB (through Apple Configurator's cfgutil):

  devices
        Print the connected iPhones (ecid, udid, name, type), ordered by name.
  read ECID [--no-names] [--store PATH]
        Read the phone's layout, save it as a snapshot, print it in the configurator's form.
  apply ECID PROPOSAL --expected ORIGINAL [--store PATH]
        Write PROPOSAL once if the phone still holds ORIGINAL; saves a snapshot first and
        verifies the result by reading it back.
  snapshots [--store PATH]
        Print the saved snapshots, newest first.
  restore ECID SNAPSHOT_ID [--store PATH]
        Write a saved snapshot back to the phone it came from, with the same guards as apply.

--names FILE      a JSON object of bundle identifier to display name
--overrides FILE  a JSON object of bundle identifier to category title ("Social", ...)
--app-store       ask Apple's App Store for the names and genres of apps the catalogue does not
                  know (only their bundle identifiers are sent); answers are kept for 30 days
--offline         use only the App Store answers kept on this computer; nothing is sent
--cfgutil PATH    the configurator tool (default: looked for where Apple Configurator installs it)
--reader PATH     the optional pymobiledevice3 reader (default: looked for in the usual places)
--no-reader       never fall back to the optional reader
--store PATH      the folder of snapshots and diagnostics (default: $VARNOLET_STORE, else
                  ~/Library/Application Support/Varnolet on macOS, $XDG_DATA_HOME/Varnolet or
                  ~/.local/share/Varnolet elsewhere)

Exit status: 0 success, 1 a failure (its sentence on standard error, nothing was written unless
the sentence says so), 2 a usage error, 3 written but the layout read back does not match,
128 + the signal when interrupted (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP). After a write the
status is 0 or 3 even when the receipt cannot be printed; it then goes to standard error.
)"_s;
}

int CommandLine::run(const QStringList &arguments)
{
    const QStringList rest = arguments.mid(1);
    if (rest.isEmpty()) {
        writeError(usage());
        return Usage;
    }
    if (rest.first() == u"--help"_s || rest.first() == u"-h"_s || rest.first() == u"help"_s) {
        QFile out;
        if (out.open(stdout, QIODevice::WriteOnly))
            out.write(usage().toUtf8());
        return Success;
    }

    const auto found = std::find_if(commands().cbegin(), commands().cend(),
                                    [&](const auto &entry) { return entry.first == rest.first(); });
    try {
        if (found == commands().cend())
            throw UsageError(u"Unknown command: %1."_s.arg(rest.first()));
        return found->second(rest);
    } catch (const UsageError &error) {
        writeError(error.problem() + u"\n\n"_s + usage());
        return Usage;
    } catch (const Interrupted &interruption) {
        writeError(interruption.message() + u'\n');
        return interruptedStatus(interruption.signal());
    } catch (const std::exception &error) {
        writeError(PlatformError::describe(error) + u'\n');
        // A signal that came between two tool runs ends the program as the shell expects, too.
        if (const int signal = Interruption::received())
            return interruptedStatus(signal);
        return Failure;
    }
}
