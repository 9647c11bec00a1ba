#include "deviceservice.h"
#include "devicetestsupport.h"
#include "jsoncodec.h"
#include "varnoleterror.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <csignal>
#include <functional>
#include <memory>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace TestSupport;

using Environment = QHash<QString, QString>;

namespace {

const QString configurator = u"/Applications/Apple Configurator.app/Contents/MacOS/cfgutil"_s;
const QString reader = u"/opt/homebrew/bin/pymobiledevice3"_s;

// "list", "read", "names", "write" or "springboard" for a command the service may run, checked
// down to its program, environment and time-out; anything else spelled out.
QString commandName(const QString &executable, const QStringList &arguments,
                    const Environment &environment, double timeout)
{
    const QStringList device{u"--format"_s, u"JSON"_s, u"--ecid"_s, ecid};
    const bool configured = executable == configurator && environment.isEmpty();
    QString name;
    if (executable == reader && environment == Environment{{u"PYMOBILEDEVICE3_UDID"_s, udid}}
        && arguments == QStringList{u"springboard"_s, u"state"_s, u"get"_s, u"--udid"_s, udid})
        name = u"springboard"_s;
    else if (configured && arguments == QStringList{u"--format"_s, u"JSON"_s, u"list"_s})
        name = u"list"_s;
    else if (configured && arguments == device + QStringList{u"get-icon-layout"_s})
        name = u"read"_s;
    else if (configured && arguments == device + QStringList{u"get"_s, u"apps"_s})
        name = u"names"_s;
    // Absolute, so that the configurator can never take the path for an option.
    else if (configured && arguments.size() == 6
             && arguments.mid(0, 5) == device + QStringList{u"set-icon-layout"_s}
             && QFileInfo(arguments.last()).isAbsolute())
        name = u"write"_s;
    if (name.isEmpty())
        return executable + u' ' + arguments.join(u' ');
    const double expected = name == u"write"_s ? 90 : 45;
    return timeout == expected ? name : name + u" in "_s + QString::number(timeout);
}

using Answer = std::function<CommandOutput()>;
using Answers = QList<Answer>;

// Stands in for the process runner: names every command it is asked for and answers from a
// script.
class ScriptedRunner final : public CommandRunning
{
public:
    mutable QStringList commands;
    mutable Answers script;
    // Called at the write, to look at what is on disk at that moment.
    std::function<void(const QString &proposal)> onWrite;

    CommandOutput run(const QString &executable, const QStringList &arguments,
                      const Environment &environment, double timeout) const override
    {
        commands.append(commandName(executable, arguments, environment, timeout));
        if (commands.last() == u"write"_s && onWrite)
            onWrite(arguments.last());
        if (script.isEmpty())
            throw VarnoletError(u"(unexpected command)"_s);
        return script.takeFirst()();
    }
};

Answer reply(const QByteArray &data)
{
    return [data] { return CommandOutput{data, {}}; };
}

Answer failWith(const QString &message)
{
    return [message]() -> CommandOutput { throw VarnoletError(message); };
}

const QString phoneApp = u"com.apple.mobilephone"_s;
const QString safari = u"com.apple.mobilesafari"_s;
const QString pagesApp = u"com.apple.Pages"_s;
const QString spotify = u"com.spotify.client"_s;

// What the phone holds and the proposal: the Dock and one page.
const QJsonArray before{QJsonArray{phoneApp, safari}, QJsonArray{pagesApp, spotify}};
const QJsonArray after{QJsonArray{phoneApp, safari}, QJsonArray{spotify, pagesApp}};

// Built by hand, as a layout beyond the limits does not come out of the parser.
Layout layoutOf(const QJsonArray &pages)
{
    Layout layout;
    for (const QJsonValue &page : pages) {
        layout.pages.append(LayoutPage());
        for (const QString &app : page.toVariant().toStringList())
            layout.pages.last().append(LayoutItem::app(app));
    }
    return layout;
}

// A get-icon-layout answer keyed by `key`, normally the phone's ECID.
QByteArray layoutResponse(const QJsonArray &pages, const QString &key = ecid)
{
    return JsonCodec::encode(QJsonObject{{u"Output"_s, QJsonObject{{key, pages}}}});
}

// The springboard reader's answer: every icon an object, named when `names` has it.
QByteArray springboardResponse(const QJsonArray &pages, const AppNames &names = {})
{
    QJsonArray out;
    for (const QJsonValue &page : pages) {
        QJsonArray icons;
        for (const QString &app : page.toVariant().toStringList()) {
            QJsonObject icon{{u"bundleIdentifier"_s, app}};
            if (names.contains(app))
                icon.insert(u"displayName"_s, names.value(app));
            icons.append(icon);
        }
        out.append(icons);
    }
    return JsonCodec::encode(out);
}

QByteArray listResponse(const QList<Device> &devices)
{
    QJsonArray entries;
    for (const Device &device : devices)
        entries.append(QJsonObject{{u"ECID"_s, device.ecid},
                                   {u"UDID"_s, device.udid},
                                   {u"DeviceType"_s, device.type}});
    return JsonCodec::encode(entries);
}

const QByteArray locked = sample(u"cfgutil-error-device-locked.json"_s);
const QString springboardLayout = u"springboard-layout"_s;

} // namespace

Q_DECLARE_METATYPE(Answers)
Q_DECLARE_METATYPE(Layout)

class DeviceServiceTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_temporary;
    // Relative to the working folder, so that every write proves its path absolute.
    QString m_root;
    std::shared_ptr<ScriptedRunner> m_runner;

    DeviceService service() const
    {
        return DeviceService(configurator, reader, m_runner, SnapshotStore(m_root));
    }

private Q_SLOTS:
    void initTestCase();
    void init();

    void discovery_data();
    void discovery();
    void invalidDeviceRunsNothing();
    void read_data();
    void read();
    void unwritableDiagnostic();
    void snapshotThatCannotBeWritten();
    void apply_data();
    void apply();
};

void DeviceServiceTest::initTestCase()
{
    QVERIFY(m_temporary.isValid());
    QVERIFY(QDir::setCurrent(m_temporary.path()));
}

void DeviceServiceTest::init()
{
    m_root = QUuid::createUuid().toString(QUuid::WithoutBraces) + u"/Varnolet"_s;
    m_runner = std::make_shared<ScriptedRunner>();
}

void DeviceServiceTest::discovery_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("files"); // "exec:" or "plain:", then a path in the home folder
    QTest::addColumn<QString>("found");

    const QString support = u"Library/Application Support/Varnolet/reader/bin/pymobiledevice3"_s;
    const QString local = u".local/bin/pymobiledevice3"_s;
    const QString reader = u"pymobiledevice3"_s;
    QTest::newRow("support folder before .local")
            << reader << QStringList{u"exec:"_s + local, u"exec:"_s + support} << support;
    QTest::newRow("plain file skipped")
            << reader << QStringList{u"plain:"_s + support, u"exec:"_s + local} << local;
    const QString app = u"Applications/Apple Configurator.app/Contents/MacOS/cfgutil"_s;
    QTest::newRow("configurator") << u"cfgutil"_s << QStringList{u"exec:"_s + app} << app;
}

void DeviceServiceTest::discovery()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, files);
    QFETCH(QString, found);

    const QString home = m_temporary.filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
    for (const QString &file : files) {
        QFile program(home + u'/' + file.section(u':', 1));
        QVERIFY(QDir().mkpath(QFileInfo(program).path()) && program.open(QIODevice::WriteOnly));
        QVERIFY(program.setPermissions(file.startsWith(u"plain:"_s) ? QFile::ReadOwner
                                                                    : QFile::ExeOwner));
    }
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home));
    const auto restore = qScopeGuard([&] { qputenv("HOME", savedHome); });
    const bool configurator = tool == u"cfgutil"_s;
    const QStringList elsewhere
            = (configurator ? DeviceService::configuratorCandidates()
                            : DeviceService::fallbackCandidates())
                      .filter(QRegularExpression(u"^/(usr|opt|Applications)/"_s));
    if (DeviceService::firstExecutable(elsewhere))
        QSKIP("this machine has the tool installed outside the home folder");
    QCOMPARE(configurator ? DeviceService::discoverConfigurator()
                          : DeviceService::discoverFallback(),
             std::optional(home + u'/' + found));
}

void DeviceServiceTest::invalidDeviceRunsNothing()
{
    const Device option(u"--help"_s, udid, u"Phone"_s, u"iPhone16,2"_s);
    const Device path(ecid, u"../x"_s, u"Phone"_s, u"iPhone16,2"_s);
    QCOMPARE(failureOf([&] { service().read(option, true); }), invalidDevice);
    QCOMPARE(failureOf([&] {
                 service().apply(layoutOf(after), layoutOf(before), path, {}, u"Apply"_s);
             }),
             invalidDevice);
    QCOMPARE(m_runner->commands, QStringList());
    QVERIFY(!QFileInfo::exists(m_root));
}

void DeviceServiceTest::read_data()
{
    QTest::addColumn<bool>("includeNames");
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<AppNames>("names");
    QTest::addColumn<QString>("kept"); // the diagnostic saved, if any

    const QString configuratorLayout = u"configurator-layout"_s;
    const QString notFound = u"pymobiledevice3 failed (1). ERROR Device not found\n"_s;
    const Answer exitStatus = failWith(u"cfgutil failed (1). "_s);
    const AppNames appNames{{pagesApp, u"Pages"_s}, {spotify, u"Spotify"_s}};
    // Any answer with identifiers and names next to each other gives names.
    const Answer named = reply(springboardResponse(before, appNames));
    const AppNames fromLayout{{pagesApp, u"My Pages"_s}};
    const Answer namedLayout = reply(springboardResponse(before, fromLayout));

    QTest::newRow("configurator, with names")
            << true << Answers{reply(layoutResponse(before)), named} << u"read names"_s << QString()
            << appNames << configuratorLayout;
    QTest::newRow("configurator, without names")
            << false << Answers{reply(layoutResponse(before))} << u"read"_s << QString()
            << AppNames() << configuratorLayout;
    // The configurator's form names a device; the reader's is not matched to one.
    QTest::newRow("the reader's answer not matched to the ECID")
            << false << Answers{exitStatus, reply(layoutResponse(before, u"0x99"_s))}
            << u"read springboard"_s << QString() << AppNames() << springboardLayout;
    QTest::newRow("another phone's layout does not fall back")
            << true << Answers{reply(layoutResponse(before, u"0x99"_s))} << u"read"_s
            << u"The layout response does not identify the selected iPhone."_s << AppNames()
            << configuratorLayout;
    const auto bothFailed = [](const QString &first, const QString &second) -> QString {
        return u"Could not read the layout. "_s + first + u"\nThe optional reader failed too: "_s
                + second;
    };
    QTest::newRow("both failures reported")
            << true << Answers{failWith(timedOut), failWith(notFound)} << u"read springboard"_s
            << bothFailed(timedOut, notFound) << AppNames() << QString();
    QTest::newRow("the reader returning nothing")
            << true << Answers{exitStatus, reply(" \n")} << u"read springboard"_s
            << bothFailed(u"cfgutil failed (1). "_s, u"The reader returned nothing."_s)
            << AppNames() << springboardLayout;
    QTest::newRow("layout names win over app names")
            << true << Answers{exitStatus, namedLayout, named} << u"read springboard names"_s
            << QString() << AppNames{{pagesApp, u"My Pages"_s}, {spotify, u"Spotify"_s}}
            << springboardLayout;
    QTest::newRow("names that fail leave the layout's")
            << true << Answers{exitStatus, namedLayout, reply(locked)}
            << u"read springboard names"_s << QString() << fromLayout << springboardLayout;
}

void DeviceServiceTest::read()
{
    QFETCH(bool, includeNames);
    QFETCH(Answers, answers);
    QFETCH(QString, commands);
    QFETCH(QString, failure);
    QFETCH(AppNames, names);
    QFETCH(QString, kept);

    m_runner->script = answers;
    std::optional<DeviceRead> result;
    QCOMPARE(failureOf([&] { result = service().read(phone(), includeNames); }), failure);
    QCOMPARE(m_runner->commands.join(u' '), commands);
    // Saved before parsing, and only once the response passed the error check.
    const QStringList saved = entries(m_root + u"/Diagnostics"_s);
    QCOMPARE(saved.size(), kept.isEmpty() ? 0 : 1);
    QVERIFY(kept.isEmpty() || saved.first().startsWith(kept + u'-'));
    if (!result)
        return;
    QCOMPARE(result->layout, layoutOf(before));
    QCOMPARE(result->reader, kept == springboardLayout ? u"pymobiledevice3"_s : u"cfgutil"_s);
    QCOMPARE(result->names, names);
    QCOMPARE(readFile(m_root + u"/Diagnostics/"_s + saved.first()), result->raw);
}

// Without a reader to fall back on, a response that cannot be kept is not used either.
void DeviceServiceTest::unwritableDiagnostic()
{
    // A file where the folder belongs stops root as well as anyone else.
    const QString folder = m_root + u"/Diagnostics"_s;
    QVERIFY(QDir().mkpath(m_root) && QFile(folder).open(QIODevice::WriteOnly));
    m_runner->script = {reply(layoutResponse(before))};
    const DeviceService withoutReader(configurator, std::nullopt, m_runner, SnapshotStore(m_root));
    QCOMPARE(failureOf([&] { withoutReader.read(phone(), false); }),
             readFailed(u"Could not create the folder %1: File exists."_s.arg(folder)));
}

// A write that fails part-way (a file-size limit here, a full disk elsewhere) leaves no torn
// record to list, says why, and reaches no phone.
void DeviceServiceTest::snapshotThatCannotBeWritten()
{
    m_runner->script = {reply(listResponse({phone()})), reply(layoutResponse(before))};
    // Only the record carries the names, so only the record outgrows the limit.
    const AppNames names{{spotify, QString(3000, u's')}};
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const rlimit limit{2000, saved.rlim_max};
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
    const QString failure = failureOf(
            [&] { service().apply(layoutOf(after), layoutOf(before), phone(), names, u"Tidy"_s); });
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &saved) == 0);

    QVERIFY2(failure.endsWith(u"/snapshot.json: File too large."_s), qPrintable(failure));
    QCOMPARE(m_runner->commands.join(u' '), u"list read"_s);
    QCOMPARE(SnapshotStore(m_root).list(), QList<Snapshot>());
    for (const QString &id : entries(m_root + u"/Snapshots"_s))
        QVERIFY(!QFileInfo::exists(m_root + u"/Snapshots/"_s + id + u"/snapshot.json"_s));
}

void DeviceServiceTest::apply_data()
{
    QTest::addColumn<Layout>("proposed");
    QTest::addColumn<Layout>("expected");
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<QString>("message");

    const Layout proposal = layoutOf(after);
    const Layout current = layoutOf(before);
    const Device sameEcid(ecid, u"00008140-FFFFFFFFFFFFFFFF"_s, u"A"_s, u"iPhone16,2"_s);
    const Device sameUdid(u"0x2C2D3E4F50601E"_s, udid, u"A"_s, u"iPhone16,2"_s);
    const Answer listed = reply(listResponse({sameEcid, phone()}));
    const Answer written = reply(sample(u"cfgutil-set-icon-layout-success.json"_s));

    // Refused before any command, in this order: layouts, inventory; then still connected.
    QTest::newRow("proposal over the Dock limit")
            << layoutOf({QJsonArray{phoneApp, safari, pagesApp, spotify, u"com.example.e"_s},
                         QJsonArray{}})
            << current << Answers() << QString()
            << u"The iPhone Dock contains more than four items."_s;
    QTest::newRow("expected layout empty") << proposal << Layout({{}, {}}) << Answers() << QString()
                                           << u"The layout is empty. Nothing will be applied."_s;
    QTest::newRow("drops an app") << layoutOf({QJsonArray{phoneApp, safari}, QJsonArray{spotify}})
                                  << current << Answers() << QString() << inventoryChanged;
    QTest::newRow("duplicates an app")
            << layoutOf({QJsonArray{phoneApp, safari, spotify}, QJsonArray{pagesApp, spotify}})
            << current << Answers() << QString() << inventoryChanged;
    QTest::newRow("same ECID, another UDID")
            << proposal << current << Answers{reply(listResponse({sameEcid}))} << u"list"_s
            << notConnected;
    QTest::newRow("same UDID, another ECID")
            << proposal << current << Answers{reply(listResponse({sameUdid}))} << u"list"_s
            << notConnected;
    QTest::newRow("already holds the proposal")
            << proposal << current << Answers{listed, reply(layoutResponse(after))}
            << u"list read"_s << changedSincePreview;
    // The one write, then the read-back that judges it.
    QTest::newRow("read-back fails with the reader too")
            << proposal << current
            << Answers{listed, reply(layoutResponse(before)), written, failWith(timedOut),
                       failWith(u"Gone."_s)}
            << u"list read write read springboard"_s
            << readBackFailed(u"Could not read the layout. "_s + timedOut
                              + u"\nThe optional reader failed too: Gone."_s);
    QTest::newRow("both reads through the reader")
            << proposal << current
            << Answers{listed,  reply(locked), reply(springboardResponse(before)),
                       written, reply(locked), reply(springboardResponse(after))}
            << u"list read springboard write read springboard"_s << readBackMatches;
}

void DeviceServiceTest::apply()
{
    QFETCH(Layout, proposed);
    QFETCH(Layout, expected);
    QFETCH(Answers, answers);
    QFETCH(QString, commands);
    QFETCH(QString, message);

    m_runner->script = answers;
    QString proposalPath;
    bool savedAtWrite = false;
    m_runner->onWrite = [&](const QString &proposal) {
        proposalPath = proposal;
        savedAtWrite = readFile(proposal) == proposed.cfgutilData()
                && QFileInfo::exists(QFileInfo(proposal).path() + u"/snapshot.json"_s);
    };
    const AppNames names{{spotify, u"Spotify"_s}};
    std::optional<ApplyReceipt> receipt;
    const QString failure = failureOf(
            [&] { receipt = service().apply(proposed, expected, phone(), names, u"Tidy"_s); });

    QCOMPARE(receipt ? receipt->message : failure, message);
    QCOMPARE(m_runner->commands.join(u' '), commands);
    QCOMPARE(m_runner->script.size(), 0);
    // A snapshot exactly when the write was asked for, saved before it.
    const bool wrote = commands.contains(u"write"_s);
    const QStringList ids = entries(m_root + u"/Snapshots"_s);
    QCOMPARE(ids.size(), wrote ? 1 : 0);
    QCOMPARE(receipt.has_value(), wrote);
    QCOMPARE(savedAtWrite, wrote);
    if (!receipt)
        return;
    QCOMPARE(receipt->verified, message == readBackMatches);
    QCOMPARE(proposalPath,
             QFileInfo(m_root + u"/Snapshots/"_s + ids.first() + u"/proposed-layout.json"_s)
                     .absoluteFilePath());
    QCOMPARE(receipt->snapshot, SnapshotStore(m_root).load(ids.first()));
    QCOMPARE(receipt->snapshot.layout, expected);
    QCOMPARE(receipt->snapshot.names, names);
    QCOMPARE(receipt->snapshot.reason, u"Tidy"_s);
    QCOMPARE(receipt->snapshot.reader,
             commands.contains(u"springboard write"_s) ? u"pymobiledevice3"_s : u"cfgutil"_s);
}

QTEST_GUILESS_MAIN(DeviceServiceTest)
#include "deviceservicetest.moc"
