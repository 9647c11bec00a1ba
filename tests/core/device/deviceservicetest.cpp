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
QString commandName(const QString &program, const QStringList &arguments,
                    const Environment &environment, double timeout)
{
    const QStringList device{u"--format"_s, u"JSON"_s, u"--ecid"_s, ecid};
    const QHash<QString, QStringList> known{
            {u"list"_s, {u"--format"_s, u"JSON"_s, u"list"_s}},
            {u"read"_s, device + QStringList{u"get-icon-layout"_s}},
            {u"names"_s, device + QStringList{u"get"_s, u"apps"_s}},
            {u"write"_s, device + QStringList{u"set-icon-layout"_s, arguments.value(5)}}};
    QString name = known.key(arguments);
    // Absolute, so that the configurator can never take the path for an option.
    if (program != configurator || !environment.isEmpty()
        || (name == u"write"_s && QFileInfo(arguments.last()).isRelative()))
        name.clear();
    if (program == reader && environment == Environment{{u"PYMOBILEDEVICE3_UDID"_s, udid}}
        && arguments == QStringList{u"springboard"_s, u"state"_s, u"get"_s, u"--udid"_s, udid})
        name = u"springboard"_s;
    if (name.isEmpty())
        return program + u' ' + arguments.join(u' ');
    return timeout == (name == u"write"_s ? 90 : 45) ? name
                                                     : name + u" in "_s + QString::number(timeout);
}

using Answer = std::function<CommandOutput()>;
using Answers = QList<Answer>;

// Stands in for the process runner: names every command it is asked for and answers from a
// script; at the write, `onWrite` looks at what is on disk at that moment.
class ScriptedRunner final : public CommandRunning
{
public:
    mutable QStringList commands;
    mutable Answers script;
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

const QString phoneApp = u"com.apple.mobilephone"_s, safari = u"com.apple.mobilesafari"_s;
const QString pagesApp = u"com.apple.Pages"_s, spotify = u"com.spotify.client"_s;
// What the phone holds and the proposal: the Dock and one page.
const QList<QStringList> before{{phoneApp, safari}, {pagesApp, spotify}};
const QList<QStringList> after{{phoneApp, safari}, {spotify, pagesApp}};

// Built by hand, as a layout beyond the limits does not come out of the parser.
Layout layoutOf(const QList<QStringList> &pages)
{
    Layout layout;
    for (const QStringList &page : pages) {
        layout.pages.append(LayoutPage());
        for (const QString &app : page)
            layout.pages.last().append(LayoutItem::app(app));
    }
    return layout;
}

// A get-icon-layout answer keyed by `key`, normally the phone's ECID.
Answer layoutAnswer(const QByteArray &pages, const QByteArray &key = "0x1C2D3E4F50601E")
{
    return reply("{\"Output\":{\"" + key + "\":" + pages + "}}");
}
// clang-format off
const QByteArray beforePages = R"([["com.apple.mobilephone","com.apple.mobilesafari"],["com.apple.Pages","com.spotify.client"]])";
const QByteArray afterPages = R"([["com.apple.mobilephone","com.apple.mobilesafari"],["com.spotify.client","com.apple.Pages"]])";
// The reader's answers: every icon an object, some named; any answer with identifiers and names next to each other gives names.
const QByteArray springboardBefore = R"([[{"bundleIdentifier":"com.apple.mobilephone"},{"bundleIdentifier":"com.apple.mobilesafari"}],[{"bundleIdentifier":"com.apple.Pages"},{"bundleIdentifier":"com.spotify.client"}]])";
const QByteArray springboardAfter = R"([[{"bundleIdentifier":"com.apple.mobilephone"},{"bundleIdentifier":"com.apple.mobilesafari"}],[{"bundleIdentifier":"com.spotify.client"},{"bundleIdentifier":"com.apple.Pages"}]])";
const QByteArray springboardNamed = R"([[{"bundleIdentifier":"com.apple.mobilephone"},{"bundleIdentifier":"com.apple.mobilesafari"}],[{"bundleIdentifier":"com.apple.Pages","displayName":"Pages"},{"bundleIdentifier":"com.spotify.client","displayName":"Spotify"}]])";
const QByteArray springboardMyPages = R"([[{"bundleIdentifier":"com.apple.mobilephone"},{"bundleIdentifier":"com.apple.mobilesafari"}],[{"bundleIdentifier":"com.apple.Pages","displayName":"My Pages"},{"bundleIdentifier":"com.spotify.client"}]])";
// clang-format on

Answer listAnswer(const QList<Device> &devices)
{
    QJsonArray list;
    for (const Device &d : devices)
        list.append(
                QJsonObject{{u"ECID"_s, d.ecid}, {u"UDID"_s, d.udid}, {u"DeviceType"_s, d.type}});
    return reply(JsonCodec::encode(list));
}

const QByteArray locked = sample(u"cfgutil-error-device-locked.json"_s);

struct ReadCase
{
    bool includeNames;
    Answers answers;
    QString commands;
    QString failure;
    AppNames names;
    QString kept; // the diagnostic saved, if any
    Device device = phone();
};

struct ApplyCase
{
    QList<QStringList> proposed;
    QList<QStringList> expected;
    Answers answers;
    QString commands;
    QString message;
    Device device = phone();
};

} // namespace

Q_DECLARE_METATYPE(ReadCase)
Q_DECLARE_METATYPE(ApplyCase)

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
    void initTestCase() { QVERIFY(m_temporary.isValid() && QDir::setCurrent(m_temporary.path())); }
    void init()
    {
        m_root = QUuid::createUuid().toString(QUuid::WithoutBraces) + u"/Varnolet"_s;
        m_runner = std::make_shared<ScriptedRunner>();
    }

    void discovery_data()
    {
        // "exec:" or "plain:", then a path in the home folder
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("found");
        // clang-format off
        const QString support = u"Library/Application Support/Varnolet/reader/bin/pymobiledevice3"_s, local = u".local/bin/pymobiledevice3"_s;
        QTest::newRow("support folder before .local") << QStringList{u"exec:"_s + local, u"exec:"_s + support} << support;
        QTest::newRow("plain file skipped") << QStringList{u"plain:"_s + support, u"exec:"_s + local} << local;
        QTest::newRow("configurator") << QStringList{u"exec:Applications/Apple Configurator.app/Contents/MacOS/cfgutil"_s} << u"Applications/Apple Configurator.app/Contents/MacOS/cfgutil"_s;
        // clang-format on
    }
    void discovery()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, found);
        const QString home = m_temporary.filePath(QUuid::createUuid().toString());
        for (const QString &file : files) {
            QFile program(home + u'/' + file.section(u':', 1));
            QVERIFY(QDir().mkpath(QFileInfo(program).path()) && program.open(QIODevice::WriteOnly));
            QVERIFY(program.setPermissions(file.startsWith(u"plain:"_s) ? QFile::ReadOwner
                                                                        : QFile::ExeOwner));
        }
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home));
        const auto restore = qScopeGuard([&] { qputenv("HOME", savedHome); });
        const bool cfg = found.endsWith(u"cfgutil"_s);
        if (DeviceService::firstExecutable(
                    (cfg ? DeviceService::configuratorCandidates()
                         : DeviceService::fallbackCandidates())
                            .filter(QRegularExpression(u"^/(usr|opt|Applications)/"_s))))
            QSKIP("this machine has the tool installed outside the home folder");
        QCOMPARE(cfg ? DeviceService::discoverConfigurator() : DeviceService::discoverFallback(),
                 std::optional(home + u'/' + found));
    }

    void read_data()
    {
        QTest::addColumn<ReadCase>("c");
        const QString cfg = u"configurator-layout"_s, sb = u"springboard-layout"_s;
        const QString notFound = u"pymobiledevice3 failed (1). ERROR Device not found\n"_s;
        const Answer exitStatus = failWith(u"cfgutil failed (1). "_s);
        const AppNames appNames{{pagesApp, u"Pages"_s}, {spotify, u"Spotify"_s}};
        const Answer named = reply(springboardNamed), namedLayout = reply(springboardMyPages);
        const AppNames fromLayout{{pagesApp, u"My Pages"_s}};
        const auto bothFailed = [](const QString &first, const QString &second) -> QString {
            return u"Could not read the layout. "_s + first
                    + u"\nThe optional reader failed too: "_s + second;
        };
        const auto row = [](const char *name, const ReadCase &c) { QTest::newRow(name) << c; };
        // clang-format off
        row("an ECID that could pass for an option runs nothing", {true, {}, {}, invalidDevice, {}, {}, Device(u"--help"_s, udid, u"Phone"_s, u"iPhone16,2"_s)});
        row("configurator, with names", {true, {layoutAnswer(beforePages), named}, u"read names"_s, {}, appNames, cfg});
        row("configurator, without names", {false, {layoutAnswer(beforePages)}, u"read"_s, {}, {}, cfg});
        // The configurator's form names a device; the reader's is not matched to one.
        row("the reader's answer not matched to the ECID", {false, {exitStatus, layoutAnswer(beforePages, "0x99")}, u"read springboard"_s, {}, {}, sb});
        row("another phone's layout does not fall back", {true, {layoutAnswer(beforePages, "0x99")}, u"read"_s, u"The layout response does not identify the selected iPhone."_s, {}, cfg});
        row("both failures reported", {true, {failWith(timedOut), failWith(notFound)}, u"read springboard"_s, bothFailed(timedOut, notFound), {}, {}});
        row("the reader returning nothing", {true, {exitStatus, reply(" \n")}, u"read springboard"_s, bothFailed(u"cfgutil failed (1). "_s, u"The reader returned nothing."_s), {}, sb});
        row("layout names win over app names", {true, {exitStatus, namedLayout, named}, u"read springboard names"_s, {}, AppNames{{pagesApp, u"My Pages"_s}, {spotify, u"Spotify"_s}}, sb});
        row("names that fail leave the layout's", {true, {exitStatus, namedLayout, reply(locked)}, u"read springboard names"_s, {}, fromLayout, sb});
        // clang-format on
    }
    void read()
    {
        QFETCH(ReadCase, c);
        m_runner->script = c.answers;
        std::optional<DeviceRead> result;
        QCOMPARE(failureOf([&] { result = service().read(c.device, c.includeNames); }), c.failure);
        QCOMPARE(m_runner->commands.join(u' '), c.commands);
        // Saved before parsing, and only once the response passed the error check.
        const QStringList saved = entries(m_root + u"/Diagnostics"_s);
        QCOMPARE(saved.size(), c.kept.isEmpty() ? 0 : 1);
        QVERIFY(c.kept.isEmpty() || saved.first().startsWith(c.kept + u'-'));
        if (!result)
            return;
        QCOMPARE(result->layout, layoutOf(before));
        QCOMPARE(result->reader,
                 c.kept.startsWith(u"springboard"_s) ? u"pymobiledevice3"_s : u"cfgutil"_s);
        QCOMPARE(result->names, c.names);
        QCOMPARE(readFile(m_root + u"/Diagnostics/"_s + saved.first()), result->raw);
    }

    // Without a reader to fall back on, a response that cannot be kept is not used either.
    void unwritableDiagnostic()
    {
        // A file where the folder belongs stops root as well as anyone else.
        const QString folder = m_root + u"/Diagnostics"_s;
        QVERIFY(QDir().mkpath(m_root) && QFile(folder).open(QIODevice::WriteOnly));
        m_runner->script = {layoutAnswer(beforePages)};
        const DeviceService withoutReader(configurator, std::nullopt, m_runner,
                                          SnapshotStore(m_root));
        QCOMPARE(failureOf([&] { withoutReader.read(phone(), false); }),
                 readFailed(u"Could not create the folder %1: File exists."_s.arg(folder)));
    }

    // A write that fails part-way (a file-size limit here, a full disk elsewhere) leaves no torn
    // record to list, says why, and reaches no phone.
    void snapshotThatCannotBeWritten()
    {
        m_runner->script = {listAnswer({phone()}), layoutAnswer(beforePages)};
        // Only the record carries the names, so only the record outgrows the limit.
        const AppNames names{{spotify, QString(3000, u's')}};
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved, limit{2000, 0};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        limit.rlim_max = saved.rlim_max;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
        const QString failure = failureOf(
                [&] { service().apply(layoutOf(after), layoutOf(before), phone(), names, {}); });
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &saved) == 0);
        QVERIFY2(failure.endsWith(u"/snapshot.json: File too large."_s), qPrintable(failure));
        QCOMPARE(m_runner->commands.join(u' '), u"list read"_s);
        QCOMPARE(SnapshotStore(m_root).list(), QList<Snapshot>());
        for (const QString &id : entries(m_root + u"/Snapshots"_s))
            QVERIFY(!QFileInfo::exists(m_root + u"/Snapshots/"_s + id + u"/snapshot.json"_s));
    }

    void apply_data()
    {
        QTest::addColumn<ApplyCase>("c");
        const Device sameEcid(ecid, u"00008140-FFFFFFFFFFFFFFFF"_s, u"A"_s, u"iPhone16,2"_s);
        const Device sameUdid(u"0x2C2D3E4F50601E"_s, udid, u"A"_s, u"iPhone16,2"_s);
        const Answer listed = listAnswer({sameEcid, phone()});
        const Answer written = reply(sample(u"cfgutil-set-icon-layout-success.json"_s));
        const QString inventoryChanged
                = u"Apply would add or remove app icons. Read the device again."_s;
        const QString notConnected
                = u"The selected iPhone is no longer connected. No layout was written."_s;
        const auto row = [](const char *name, const ApplyCase &c) { QTest::newRow(name) << c; };
        // Refused before any command, in this order: layouts, inventory; then still connected.
        // clang-format off
        row("a UDID that could pass for a path runs nothing", {after, before, {}, {}, invalidDevice, Device(ecid, u"../x"_s, u"Phone"_s, u"iPhone16,2"_s)});
        row("proposal over the Dock limit", {{{phoneApp, safari, pagesApp, spotify, u"com.example.e"_s}, {}}, before, {}, {}, u"The iPhone Dock contains more than four items."_s});
        row("expected layout empty", {after, {{}, {}}, {}, {}, u"The layout is empty. Nothing will be applied."_s});
        row("drops an app", {{{phoneApp, safari}, {spotify}}, before, {}, {}, inventoryChanged});
        row("duplicates an app", {{{phoneApp, safari, spotify}, {pagesApp, spotify}}, before, {}, {}, inventoryChanged});
        row("same ECID, another UDID", {after, before, {listAnswer({sameEcid})}, u"list"_s, notConnected});
        row("same UDID, another ECID", {after, before, {listAnswer({sameUdid})}, u"list"_s, notConnected});
        row("already holds the proposal", {after, before, {listed, layoutAnswer(afterPages)}, u"list read"_s, changedSincePreview});
        // The one write, then the read-back that judges it.
        row("read-back fails with the reader too", {after, before, {listed, layoutAnswer(beforePages), written, failWith(timedOut), failWith(u"Gone."_s)}, u"list read write read springboard"_s,
            readBackFailed(u"Could not read the layout. "_s + timedOut + u"\nThe optional reader failed too: Gone."_s)});
        row("both reads through the reader", {after, before, {listed, reply(locked), reply(springboardBefore), written, reply(locked), reply(springboardAfter)}, u"list read springboard write read springboard"_s, readBackMatches});
        // clang-format on
    }
    void apply()
    {
        QFETCH(ApplyCase, c);
        const Layout proposed = layoutOf(c.proposed), expected = layoutOf(c.expected);
        m_runner->script = c.answers;
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
                [&] { receipt = service().apply(proposed, expected, c.device, names, u"Tidy"_s); });
        QCOMPARE(receipt ? receipt->message : failure, c.message);
        QCOMPARE(m_runner->commands.join(u' '), c.commands);
        QCOMPARE(m_runner->script.size(), 0);
        // A snapshot exactly when the write was asked for, saved before it.
        const bool wrote = c.commands.contains(u"write"_s);
        const QStringList ids = entries(m_root + u"/Snapshots"_s);
        QCOMPARE(ids.size(), wrote ? 1 : 0);
        QCOMPARE(receipt.has_value(), wrote);
        QCOMPARE(savedAtWrite, wrote);
        QVERIFY(!c.commands.isEmpty() || !QFileInfo::exists(m_root));
        if (!receipt)
            return;
        QCOMPARE(receipt->verified, c.message == readBackMatches);
        QCOMPARE(proposalPath,
                 QFileInfo(m_root + u"/Snapshots/"_s + ids.first() + u"/proposed-layout.json"_s)
                         .absoluteFilePath());
        QCOMPARE(receipt->snapshot, SnapshotStore(m_root).load(ids.first()));
        QCOMPARE(receipt->snapshot.layout, expected);
        QCOMPARE(receipt->snapshot.names, names);
        QCOMPARE(receipt->snapshot.reason, u"Tidy"_s);
        QCOMPARE(receipt->snapshot.reader,
                 c.commands.contains(u"springboard write"_s) ? u"pymobiledevice3"_s : u"cfgutil"_s);
    }
};

QTEST_GUILESS_MAIN(DeviceServiceTest)
#include "deviceservicetest.moc"
