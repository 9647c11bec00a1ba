#include "offlinecommands.h"

#include "appcatalog.h"
#include "applist.h"
#include "appstoreoptions.h"
#include "commandarguments.h"
#include "commandline.h"
#include "inputfiles.h"
#include "jsoncodec.h"
#include "jsonrecord.h"
#include "layoutcomparison.h"
#include "layoutparser.h"
#include "organizer.h"
#include "profile/configurationprofile.h"
#include "standardoutput.h"
#include "usageerror.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QCommandLineOption namesOption(u"names"_s, u"Display names by bundle identifier."_s,
                                     u"FILE"_s);
const QCommandLineOption overridesOption(u"overrides"_s, u"Categories by bundle identifier."_s,
                                         u"FILE"_s);
const QCommandLineOption styleOption(u"style"_s, u"categories, alphabetical or two-icon-test."_s,
                                     u"STYLE"_s, u"categories"_s);
const QCommandLineOption moveDockOption(u"move-dock"_s, u"Sort the Dock's apps too."_s);
const QCommandLineOption keepFirstPageOption(u"keep-first-page"_s, u"Leave page 1 as it is."_s);
const QCommandLineOption pageSizeOption(u"page-size"_s, u"Items per page."_s, u"N"_s, u"24"_s);

// Every option of organize, which profile takes as well.
QList<QCommandLineOption> organizeOptions()
{
    return QList<QCommandLineOption>{styleOption,    moveDockOption, keepFirstPageOption,
                                     pageSizeOption, namesOption,    overridesOption}
    + AppStoreOptions::options();
}

std::optional<SortStyle> styleFromOption(const QString &value)
{
    if (value == u"categories"_s)
        return SortStyle::categories;
    if (value == u"alphabetical"_s)
        return SortStyle::alphabetical;
    if (value == u"two-icon-test"_s)
        return SortStyle::twoIconTest;
    return std::nullopt;
}

// The names the layout itself carried, with the --names file's pairs on top.
AppNames namesFor(const ParsedLayout &parsed, const CommandArguments &arguments)
{
    AppNames names = parsed.names;
    if (arguments.isSet(namesOption.names().first())) {
        const AppNames extra = InputFiles::names(arguments.value(namesOption.names().first()));
        for (auto it = extra.constBegin(); it != extra.constEnd(); ++it)
            names.insert(it.key(), it.value());
    }
    return names;
}

CategoryOverrides overridesFor(const CommandArguments &arguments)
{
    if (!arguments.isSet(overridesOption.names().first()))
        return {};
    return InputFiles::overrides(arguments.value(overridesOption.names().first()));
}

// What organize prints for the layout of `command`'s INPUT under its options.
Layout organized(const CommandArguments &command, const ParsedLayout &parsed)
{
    SortOptions options;
    const std::optional<SortStyle> chosen = styleFromOption(command.value(u"style"_s));
    if (!chosen)
        throw UsageError(u"Unknown style %1; use categories, alphabetical or two-icon-test."_s.arg(
                command.value(u"style"_s)));
    options.style = *chosen;
    options.keepDock = !command.isSet(u"move-dock"_s);
    options.keepFirstPage = command.isSet(u"keep-first-page"_s);
    bool isNumber = false;
    options.pageCapacity = command.value(u"page-size"_s).toInt(&isNumber);
    if (!isNumber)
        throw UsageError(u"The page size must be a whole number."_s);
    return Organizer::organize(parsed.layout, options, namesFor(parsed, command),
                               overridesFor(command),
                               AppStoreOptions::answers(parsed.layout, command));
}

} // namespace

int OfflineCommands::organize(const QStringList &arguments)
{
    CommandArguments command({u"INPUT"_s}, organizeOptions());
    command.parse(arguments);
    const ParsedLayout parsed = LayoutParser::parse(InputFiles::read(command.positional(0)));
    StandardOutput::write(organized(command, parsed).cfgutilData());
    return CommandLine::Success;
}

int OfflineCommands::profile(const QStringList &arguments)
{
    CommandArguments command({u"INPUT"_s}, organizeOptions());
    command.parse(arguments);
    const ParsedLayout parsed = LayoutParser::parse(InputFiles::read(command.positional(0)));
    const QList<QCommandLineOption> options = organizeOptions();
    const bool organize
            = std::any_of(options.cbegin(), options.cend(), [&](const QCommandLineOption &option) {
                  return command.isSet(option.names().first());
              });
    StandardOutput::write(
            ConfigurationProfile::write(organize ? organized(command, parsed) : parsed.layout));
    return CommandLine::Success;
}

int OfflineCommands::inspect(const QStringList &arguments)
{
    CommandArguments command({u"INPUT"_s}, {});
    command.parse(arguments);
    const ParsedLayout parsed = LayoutParser::parse(InputFiles::read(command.positional(0)));
    const QJsonObject report{
            {u"apps"_s, parsed.layout.identifiers().size()},
            {u"pages"_s, parsed.layout.pageCount()},
            {u"folders"_s, parsed.layout.folderCount()},
            {u"fingerprint"_s, parsed.layout.fingerprint()},
            {u"names"_s, JsonRecord::fromNames(parsed.names)},
            {u"layout"_s, parsed.layout.toRecord()},
    };
    StandardOutput::write(JsonCodec::encode(report));
    return CommandLine::Success;
}

int OfflineCommands::apps(const QStringList &arguments)
{
    const QCommandLineOption search(u"search"_s,
                                    u"Only apps whose name or identifier holds TEXT."_s, u"TEXT"_s);
    CommandArguments command({u"INPUT"_s},
                             QList<QCommandLineOption>{namesOption, overridesOption, search}
                                     + AppStoreOptions::options());
    command.parse(arguments);
    const ParsedLayout parsed = LayoutParser::parse(InputFiles::read(command.positional(0)));
    const AppNames names = namesFor(parsed, command);
    const CategoryOverrides overrides = overridesFor(command);
    const QList<AppInfo> apps
            = AppList::build(parsed.layout, names, overrides, command.value(u"search"_s),
                             AppStoreOptions::answers(parsed.layout, command));
    QJsonArray array;
    for (const AppInfo &app : apps)
        array.append(QJsonObject{{u"id"_s, app.id},
                                 {u"name"_s, app.name},
                                 {u"category"_s, AppCategories::title(app.category)}});
    StandardOutput::write(JsonCodec::encode(array));
    return CommandLine::Success;
}

int OfflineCommands::demo(const QStringList &arguments)
{
    CommandArguments command({}, {});
    command.parse(arguments);
    StandardOutput::write(AppCatalog::demo().layout.cfgutilData());
    return CommandLine::Success;
}

int OfflineCommands::diff(const QStringList &arguments)
{
    CommandArguments command({u"BEFORE"_s, u"AFTER"_s},
                             QList<QCommandLineOption>{namesOption} + AppStoreOptions::options());
    command.parse(arguments);
    if (command.positional(0) == u"-"_s && command.positional(1) == u"-"_s)
        throw UsageError(u"Only one of BEFORE and AFTER can be read from standard input."_s);
    ParsedLayout before = LayoutParser::parse(InputFiles::read(command.positional(0)));
    const ParsedLayout after = LayoutParser::parse(InputFiles::read(command.positional(1)));
    before.names.insert(after.names); // names carried by AFTER win over those of BEFORE
    // Only the apps of AFTER are named: they are the ones that move.
    const LayoutComparison comparison(before.layout, after.layout, namesFor(before, command),
                                      AppStoreOptions::answers(after.layout, command));

    QJsonArray moved;
    for (const AppMove &move : comparison.moves())
        moved.append(QJsonObject{{u"id"_s, move.id},
                                 {u"name"_s, move.name},
                                 {u"from"_s, move.from},
                                 {u"to"_s, move.to}});
    QJsonArray renamed;
    for (const FolderRename &rename : comparison.renamedFolders())
        renamed.append(QJsonObject{{u"from"_s, rename.from}, {u"to"_s, rename.to}});
    const QJsonObject report{
            {u"summary"_s, comparison.summary()},
            {u"moved"_s, moved},
            {u"added"_s, QJsonArray::fromStringList(comparison.added())},
            {u"removed"_s, QJsonArray::fromStringList(comparison.removed())},
            {u"folders"_s,
             QJsonObject{{u"added"_s, QJsonArray::fromStringList(comparison.newFolders())},
                         {u"removed"_s, QJsonArray::fromStringList(comparison.removedFolders())},
                         {u"renamed"_s, renamed}}},
            {u"dock"_s, QJsonObject{{u"changed"_s, comparison.dockChanged()}}},
            {u"pages"_s,
             QJsonObject{{u"before"_s, comparison.pagesBefore()},
                         {u"after"_s, comparison.pagesAfter()}}},
    };
    StandardOutput::write(JsonCodec::encode(report));
    return CommandLine::Success;
}
