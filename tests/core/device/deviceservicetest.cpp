#include "deviceservice.h"
#include "jsoncodec.h"
#include "layoutparser.h"
#include "platformerror.h"
#include "varnoleterror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

using Environment = QHash<QString, QString>;

namespace {

// One command the service asked for, as the runner received it.
struct Call
{
    QString executable;
    QStringList arguments;
    Environment environment;
    double timeout = 0;
};

using Answer = std::function<CommandOutput(const Call &)>;

// The answers for the commands of one case, in the order the service is expected to ask.
struct Script
{
    QList<Answer> answers;
};

// Stands in for the process runner: records every call and answers from a script.
class ScriptedRunner final : public CommandRunning
{
public:
    mutable QList<Call> calls;
    mutable QList<Answer> script;
    // Called before each answer, to look at what is on disk at that moment.
    std::function<void(const Call &)> onCall;

    CommandOutput run(const QString &executable, const QStringList &arguments,
                      const Environment &environment, double timeout) const override
    {
        const Call call{executable, arguments, environment, timeout};
        calls.append(call);
        if (onCall)
            onCall(call);
        if (script.isEmpty())
            throw VarnoletError(u"(unexpected command: "_s + arguments.join(u' ') + u')');
        return script.takeFirst()(call);
    }
};

Answer reply(const QByteArray &data)
{
    return [data](const Call &) { return CommandOutput{data, {}}; };
}

Answer failWith(const QString &message)
{
    return [message](const Call &) -> CommandOutput { throw VarnoletError(message); };
}

Answer platformFailure(const QString &description)
{
    return [description](const Call &) -> CommandOutput { throw PlatformError(description); };
}

const QString configurator = u"/Applications/Apple Configurator.app/Contents/MacOS/cfgutil"_s;
const QString reader = u"/opt/homebrew/bin/pymobiledevice3"_s;
const QString ecid = u"0x1C2D3E4F50601E"_s;
const QString udid = u"00008140-001C2D3E4F50601E"_s;

Device phone()
{
    return Device(ecid, udid, u"Alex’s iPhone"_s, u"iPhone16,2"_s);
}

const QString timedOut = u"The device command timed out. Unlock your iPhone, check the USB cable, "
                         "and close Configurator's window. If this happened while applying, check "
                         "your phone before trying another write."_s;
const QString invalidDevice
        = u"The selected device has no valid ECID and UDID. Reconnect and refresh."_s;
const QString readFailedStart = u"Could not read the layout. "_s;
const QString readFailedEnd = u"\nIf get-icon-layout crashes, install the optional reader from "
                              "the Varnolet setup guide, then refresh."_s;
const QString inventoryChanged = u"Apply would add or remove app icons. Read the device again."_s;
const QString notConnected
        = u"The selected iPhone is no longer connected. No layout was written."_s;
const QString changedSincePreview = u"Your iPhone layout changed after the preview was created. "
                                    "Read it again before applying."_s;
const QString writeFailedStart
        = u"The apply command did not finish successfully. The phone may have changed; inspect it "
          "before retrying. Your previous layout is saved as "_s;
const QString readBackFailedStart = u"The command completed, but read-back verification failed: "_s;
const QString readBackFailedEnd
        = u". Check your iPhone before continuing. Your previous layout is saved."_s;

// The read-back sentence ends the description with its own full stop, never with two.
QString readBackFailed(QString description)
{
    if (description.endsWith(u'.'))
        description.chop(1);
    return readBackFailedStart + description + readBackFailedEnd;
}
const QString mismatch = u"Configurator accepted the command, but the layout read back does not "
                         "match. No second write was attempted. Check the phone; your previous "
                         "layout is saved."_s;
const QString verifiedMessage = u"The layout read back from your iPhone matches the proposal. "
                                "Check your Home Screen visually, too."_s;

// The Dock, then one page with a folder; the proposal swaps two apps of page 1.
QJsonArray beforePages()
{
    return QJsonArray{QJsonArray{u"com.apple.mobilephone"_s, u"com.apple.mobilesafari"_s},
                      QJsonArray{u"com.apple.Pages"_s, u"com.spotify.client"_s,
                                 QJsonArray{u"Social"_s, u"com.burbn.instagram"_s,
                                            u"com.atebits.Tweetie2"_s}}};
}

QJsonArray afterPages()
{
    return QJsonArray{QJsonArray{u"com.apple.mobilephone"_s, u"com.apple.mobilesafari"_s},
                      QJsonArray{u"com.spotify.client"_s, u"com.apple.Pages"_s,
                                 QJsonArray{u"Social"_s, u"com.burbn.instagram"_s,
                                            u"com.atebits.Tweetie2"_s}}};
}

// The same apps with something else on the Dock: what the phone holds after a change by hand.
QJsonArray otherPages()
{
    return QJsonArray{QJsonArray{u"com.apple.mobilesafari"_s, u"com.apple.mobilephone"_s},
                      QJsonArray{u"com.apple.Pages"_s, u"com.spotify.client"_s,
                                 QJsonArray{u"Social"_s, u"com.burbn.instagram"_s,
                                            u"com.atebits.Tweetie2"_s}}};
}

Layout layoutOf(const QJsonArray &pages)
{
    return LayoutParser::parse(JsonCodec::encode(pages)).layout;
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A get-icon-layout answer keyed by `key` (normally the phone's ECID).
QByteArray layoutResponse(const QJsonArray &pages, const QString &key = ecid)
{
    return compact({{u"Command"_s, u"get-icon-layout"_s},
                    {u"Output"_s, QJsonObject{{key, pages}}},
                    {u"Type"_s, u"CommandOutput"_s},
                    {u"Devices"_s, QJsonArray{key}}});
}

// The springboard reader's answer: every icon an object, named when `names` has it.
QByteArray springboardResponse(const QJsonArray &pages, const AppNames &names = {})
{
    const auto icon = [&names](const QString &identifier) {
        QJsonObject object{{u"bundleIdentifier"_s, identifier},
                           {u"displayIdentifier"_s, identifier}};
        if (names.contains(identifier))
            object.insert(u"displayName"_s, names.value(identifier));
        return object;
    };
    QJsonArray out;
    for (const QJsonValue &page : pages) {
        QJsonArray icons;
        for (const QJsonValue &item : page.toArray()) {
            if (item.isString()) {
                icons.append(icon(item.toString()));
                continue;
            }
            const QJsonArray folder = item.toArray();
            QJsonArray apps;
            for (qsizetype i = 1; i < folder.size(); ++i)
                apps.append(icon(folder.at(i).toString()));
            icons.append(QJsonObject{{u"displayName"_s, folder.first()},
                                     {u"iconLists"_s, QJsonArray{apps}},
                                     {u"listType"_s, u"folder"_s}});
        }
        out.append(icons);
    }
    return QJsonDocument(out).toJson(QJsonDocument::Indented);
}

QByteArray listResponse(const QList<Device> &devices)
{
    QJsonObject output;
    for (const Device &device : devices)
        output.insert(device.ecid,
                      QJsonObject{{u"ECID"_s, device.ecid},
                                  {u"UDID"_s, device.udid},
                                  {u"name"_s, device.name},
                                  {u"deviceType"_s, device.type}});
    return compact(
            {{u"Command"_s, u"list"_s}, {u"Output"_s, output}, {u"Type"_s, u"CommandOutput"_s}});
}

QByteArray namesResponse(const AppNames &names)
{
    QJsonArray apps;
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        apps.append(QJsonObject{{u"bundleIdentifier"_s, it.key()}, {u"displayName"_s, it.value()}});
    return compact({{u"Command"_s, u"get"_s},
                    {u"Output"_s, QJsonObject{{ecid, QJsonObject{{u"apps"_s, apps}}}}},
                    {u"Type"_s, u"CommandOutput"_s}});
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray lockedEnvelope()
{
    return readFile(QStringLiteral(VARNOLET_SAMPLES) + u"/cfgutil-error-device-locked.json"_s);
}

QString envelopeMessage(const QByteArray &response)
{
    return u"Configurator reported an error: "_s + QString::fromUtf8(response);
}

// The user-facing description of whatever `call` throws; a marker when it throws nothing.
QString failureOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const std::exception &error) {
        return PlatformError::describe(error);
    }
    return u"(nothing thrown)"_s;
}

QString decoderError(const QByteArray &data)
{
    return failureOf([&data] { JsonCodec::decode(data); });
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

QList<QStringList> argumentsOf(const QList<Call> &calls)
{
    QList<QStringList> vectors;
    for (const Call &call : calls)
        vectors.append(call.arguments);
    return vectors;
}

QList<double> timeoutsOf(const QList<Call> &calls)
{
    QList<double> timeouts;
    for (const Call &call : calls)
        timeouts.append(call.timeout);
    return timeouts;
}

QStringList executablesOf(const QList<Call> &calls)
{
    QStringList executables;
    for (const Call &call : calls)
        executables.append(call.executable);
    return executables;
}

const QStringList listArguments{u"--format"_s, u"JSON"_s, u"list"_s};
const QStringList readArguments{u"--format"_s, u"JSON"_s, u"--ecid"_s, ecid, u"get-icon-layout"_s};
const QStringList namesArguments{u"--format"_s, u"JSON"_s, u"--ecid"_s, ecid, u"get"_s, u"apps"_s};
const QStringList fallbackArguments{u"springboard"_s, u"state"_s, u"get"_s, u"--udid"_s, udid};

QStringList writeArguments(const QString &path)
{
    return {u"--format"_s, u"JSON"_s, u"--ecid"_s, ecid, u"set-icon-layout"_s, path};
}

// How a primary read or a write can fail, and the description the service is given.
enum class Failure { exitStatus, timeout, launch, envelope };

Answer failing(Failure failure)
{
    switch (failure) {
    case Failure::exitStatus:
        return failWith(u"cfgutil failed (1). cfgutil: error: no devices found\n"_s);
    case Failure::timeout:
        return failWith(timedOut);
    case Failure::launch:
        return platformFailure(u"Could not start cfgutil: No such file or directory."_s);
    case Failure::envelope:
        return reply(lockedEnvelope());
    }
    return {};
}

QString descriptionOf(Failure failure)
{
    switch (failure) {
    case Failure::exitStatus:
        return u"cfgutil failed (1). cfgutil: error: no devices found\n"_s;
    case Failure::timeout:
        return timedOut;
    case Failure::launch:
        return u"Could not start cfgutil: No such file or directory."_s;
    case Failure::envelope:
        return envelopeMessage(lockedEnvelope());
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Script)
Q_DECLARE_METATYPE(Failure)

namespace {

void addFailureRows()
{
    QTest::addColumn<Failure>("failure");
    QTest::newRow("exit status") << Failure::exitStatus;
    QTest::newRow("time-out") << Failure::timeout;
    QTest::newRow("cannot start") << Failure::launch;
    QTest::newRow("error envelope") << Failure::envelope;
}

} // namespace

class DeviceServiceTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_temporary;
    QString m_root;
    std::shared_ptr<ScriptedRunner> m_runner;

    DeviceService service(bool withFallback = false) const
    {
        return DeviceService(configurator, withFallback ? std::optional(reader) : std::nullopt,
                             m_runner, SnapshotStore(m_root));
    }
    QStringList diagnostics() const { return entries(m_root + u"/Diagnostics"_s); }
    QStringList snapshots() const { return entries(m_root + u"/Snapshots"_s); }
    // What saving a diagnostic throws at this moment, worded as the store words it.
    QString diagnosticFailure() const
    {
        return failureOf([this] { SnapshotStore(m_root).saveDiagnostic("x", u"probe"_s); });
    }
    void blockDiagnostics();

private Q_SLOTS:
    void initTestCase();
    void init();

    void firstExecutable_data();
    void firstExecutable();
    void candidatesFollowTheHomeFolder();
    void discoverFallbackInTheHomeFolder_data();
    void discoverFallbackInTheHomeFolder();
    void discoverConfiguratorInTheHomeFolder();

    void devicesAreListed();
    void devicesPassFailuresOn_data();
    void devicesPassFailuresOn();

    void invalidDeviceRunsNothing_data();
    void invalidDeviceRunsNothing();

    void readThroughConfigurator_data();
    void readThroughConfigurator();
    void readFailureWithoutFallback_data();
    void readFailureWithoutFallback();
    void readDiagnosticFailureWithoutFallback();
    void readFallsBack_data();
    void readFallsBack();
    void readFallsBackWhenTheDiagnosticFails();
    void fallbackParsesWithoutEcid();
    void parseErrorDoesNotFallBack_data();
    void parseErrorDoesNotFallBack();
    void fallbackFailureIsUnwrapped_data();
    void fallbackFailureIsUnwrapped();
    void layoutNamesWinOverAppNames();
    void namesFailureIsIgnored_data();
    void namesFailureIsIgnored();

    void applyRefusedBeforeAnyCommand_data();
    void applyRefusedBeforeAnyCommand();
    void applyStoppedBeforeTheSnapshot_data();
    void applyStoppedBeforeTheSnapshot();
    void applyWriteFails_data();
    void applyWriteFails();
    void applyReadBack_data();
    void applyReadBack();
    void proposalPathIsAbsolute();
};

void DeviceServiceTest::initTestCase()
{
    QVERIFY(m_temporary.isValid());
}

void DeviceServiceTest::init()
{
    m_root = m_temporary.filePath(QString::fromLatin1(QTest::currentTestFunction()) + u'-'
                                  + QUuid::createUuid().toString(QUuid::WithoutBraces)
                                  + u"/Varnolet"_s);
    m_runner = std::make_shared<ScriptedRunner>();
}

void DeviceServiceTest::blockDiagnostics()
{
    // A file where the diagnostics folder belongs: no diagnostic can be written.
    QVERIFY(QDir().mkpath(m_root));
    QFile blocker(m_root + u"/Diagnostics"_s);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
}

void DeviceServiceTest::firstExecutable_data()
{
    QTest::addColumn<QStringList>("kinds");
    QTest::addColumn<int>("found");

    QTest::newRow("nothing anywhere") << QStringList{u"none"_s, u"none"_s, u"none"_s} << -1;
    QTest::newRow("candidates 2 and 4")
            << QStringList{u"none"_s, u"exec"_s, u"none"_s, u"exec"_s, u"none"_s} << 1;
    QTest::newRow("first wins") << QStringList{u"exec"_s, u"exec"_s} << 0;
    QTest::newRow("folder is no program") << QStringList{u"folder"_s, u"exec"_s} << 1;
    QTest::newRow("plain file is no program") << QStringList{u"plain"_s, u"exec"_s} << 1;
    QTest::newRow("link to a program counts") << QStringList{u"link"_s, u"exec"_s} << 0;
    QTest::newRow("dangling link") << QStringList{u"dangling"_s} << -1;
    QTest::newRow("no candidates") << QStringList{} << -1;
}

void DeviceServiceTest::firstExecutable()
{
    QFETCH(QStringList, kinds);
    QFETCH(int, found);

    const QString folder = m_temporary.filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
    QVERIFY(QDir().mkpath(folder));
    const auto makeFile = [](const QString &path, bool executable) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(file.setPermissions(executable ? QFile::ReadOwner | QFile::ExeOwner
                                               : QFile::ReadOwner | QFile::WriteOwner));
    };
    QStringList candidates;
    for (qsizetype i = 0; i < kinds.size(); ++i) {
        const QString path = folder + u"/tool-"_s + QString::number(i);
        candidates.append(path);
        const QString &kind = kinds.at(i);
        if (kind == u"exec"_s) {
            makeFile(path, true);
        } else if (kind == u"plain"_s) {
            makeFile(path, false);
        } else if (kind == u"folder"_s) {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == u"link"_s) {
            makeFile(path + u"-target"_s, true);
            QVERIFY(QFile::link(path + u"-target"_s, path));
        } else if (kind == u"dangling"_s) {
            QVERIFY(QFile::link(path + u"-missing"_s, path));
        }
    }

    const std::optional<QString> result = DeviceService::firstExecutable(candidates);
    QCOMPARE(result.has_value(), found >= 0);
    if (found >= 0)
        QCOMPARE(*result, candidates.at(found));
}

void DeviceServiceTest::candidatesFollowTheHomeFolder()
{
    const QByteArray savedHome = qgetenv("HOME");
    const QString home = m_temporary.filePath(u"home-candidates"_s);
    qputenv("HOME", QFile::encodeName(home));
    const QStringList configurators = DeviceService::configuratorCandidates();
    const QStringList readers = DeviceService::fallbackCandidates();
    qputenv("HOME", savedHome);

    QCOMPARE(configurators,
             (QStringList{u"/Applications/Apple Configurator.app/Contents/MacOS/cfgutil"_s,
                          u"/Applications/Apple Configurator 2.app/Contents/MacOS/cfgutil"_s,
                          home + u"/Applications/Apple Configurator.app/Contents/MacOS/cfgutil"_s,
                          u"/usr/local/bin/cfgutil"_s, u"/opt/homebrew/bin/cfgutil"_s}));
    QCOMPARE(readers,
             (QStringList{
                     home + u"/Library/Application Support/Varnolet/reader/bin/pymobiledevice3"_s,
                     home + u"/.local/bin/pymobiledevice3"_s,
                     u"/opt/homebrew/bin/pymobiledevice3"_s, u"/usr/local/bin/pymobiledevice3"_s}));
}

void DeviceServiceTest::discoverFallbackInTheHomeFolder_data()
{
    QTest::addColumn<bool>("inSupportFolder");
    QTest::addColumn<bool>("supportFolderExecutable");
    QTest::addColumn<bool>("inLocalBin");
    QTest::addColumn<QString>("expected");

    const QString support = u"/Library/Application Support/Varnolet/reader/bin/pymobiledevice3"_s;
    const QString local = u"/.local/bin/pymobiledevice3"_s;
    QTest::newRow("support folder before .local") << true << true << true << support;
    QTest::newRow(".local alone") << false << false << true << local;
    QTest::newRow("not executable in the support folder") << true << false << true << local;
}

void DeviceServiceTest::discoverFallbackInTheHomeFolder()
{
    QFETCH(bool, inSupportFolder);
    QFETCH(bool, supportFolderExecutable);
    QFETCH(bool, inLocalBin);
    QFETCH(QString, expected);

    const QString home = m_temporary.filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
    const auto place = [&home](const QString &relative, bool executable) {
        QVERIFY(QDir().mkpath(QFileInfo(home + relative).absolutePath()));
        QFile file(home + relative);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(file.setPermissions(executable ? QFile::ReadOwner | QFile::ExeOwner
                                               : QFile::ReadOwner));
    };
    if (inSupportFolder)
        place(u"/Library/Application Support/Varnolet/reader/bin/pymobiledevice3"_s,
              supportFolderExecutable);
    if (inLocalBin)
        place(u"/.local/bin/pymobiledevice3"_s, true);

    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home));
    const std::optional<QString> found = DeviceService::discoverFallback();
    qputenv("HOME", savedHome);
    QCOMPARE(found, std::optional(home + expected));
}

void DeviceServiceTest::discoverConfiguratorInTheHomeFolder()
{
    const QStringList system{u"/Applications/Apple Configurator.app/Contents/MacOS/cfgutil"_s,
                             u"/Applications/Apple Configurator 2.app/Contents/MacOS/cfgutil"_s,
                             u"/usr/local/bin/cfgutil"_s, u"/opt/homebrew/bin/cfgutil"_s};
    if (DeviceService::firstExecutable(system))
        QSKIP("a configurator is installed on this machine");

    const QString home = m_temporary.filePath(u"home-configurator"_s);
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home));
    const std::optional<QString> before = DeviceService::discoverConfigurator();

    const QString path = home + u"/Applications/Apple Configurator.app/Contents/MacOS/cfgutil"_s;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    const bool made = file.open(QIODevice::WriteOnly)
            && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    file.close();
    const std::optional<QString> after = DeviceService::discoverConfigurator();
    qputenv("HOME", savedHome);

    QVERIFY(made);
    QVERIFY(!before);
    QCOMPARE(after, std::optional(path));
}

void DeviceServiceTest::devicesAreListed()
{
    const Device b(u"0x2A"_s, u"00008150-00000000000002A"_s, u"B"_s, u"iPhone18,1"_s);
    const Device a(u"0x1B"_s, u"00008150-00000000000001B"_s, u"A"_s, u"iPhone15,3"_s);
    const Device tablet(u"0x3C"_s, u"00008150-00000000000003C"_s, u"Tab"_s, u"iPad13,1"_s);
    m_runner->script = {reply(listResponse({b, tablet, a}))};

    QCOMPARE(service().devices(), (QList<Device>{a, b}));
    QCOMPARE(argumentsOf(m_runner->calls), QList<QStringList>{listArguments});
    QCOMPARE(executablesOf(m_runner->calls), QStringList{configurator});
    QCOMPARE(timeoutsOf(m_runner->calls), QList<double>{45});
    QCOMPARE(m_runner->calls.first().environment, Environment());
}

void DeviceServiceTest::devicesPassFailuresOn_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QString>("expected");

    const QString exit = u"cfgutil failed (70). Apple Configurator is busy."_s;
    QTest::newRow("tool fails") << Script{{failWith(exit)}} << exit;
    QTest::newRow("tool cannot start")
            << Script{{platformFailure(u"Could not start cfgutil: Permission denied."_s)}}
            << u"Could not start cfgutil: Permission denied."_s;
    QTest::newRow("error envelope")
            << Script{{reply(lockedEnvelope())}} << envelopeMessage(lockedEnvelope());
    QTest::newRow("unfamiliar list") << Script{{reply(R"({"Output": "nothing"})")}}
                                     << u"Configurator returned an unfamiliar device list."_s;
    QTest::newRow("not JSON") << Script{{reply("<html>")}} << decoderError("<html>");
}

void DeviceServiceTest::devicesPassFailuresOn()
{
    QFETCH(Script, script);
    QFETCH(QString, expected);

    m_runner->script = script.answers;
    QCOMPARE(failureOf([this] { service().devices(); }), expected);
    QCOMPARE(m_runner->calls.size(), 1);
}

void DeviceServiceTest::invalidDeviceRunsNothing_data()
{
    QTest::addColumn<bool>("applying");
    QTest::addColumn<QString>("deviceEcid");
    QTest::addColumn<QString>("deviceUdid");

    QTest::newRow("read, ECID with an option") << false << u"--help"_s << udid;
    QTest::newRow("read, empty UDID") << false << ecid << QString();
    QTest::newRow("apply, ECID with a blank") << true << u"12 34"_s << udid;
    QTest::newRow("apply, UDID with a slash") << true << ecid << u"../x"_s;
}

void DeviceServiceTest::invalidDeviceRunsNothing()
{
    QFETCH(bool, applying);
    QFETCH(QString, deviceEcid);
    QFETCH(QString, deviceUdid);

    const Device device(deviceEcid, deviceUdid, u"Phone"_s, u"iPhone16,2"_s);
    const QString failure = failureOf([&] {
        if (applying)
            service(true).apply(layoutOf(afterPages()), layoutOf(beforePages()), device, {},
                                u"Apply"_s);
        else
            service(true).read(device, true);
    });
    QCOMPARE(failure, invalidDevice);
    QCOMPARE(m_runner->calls.size(), 0);
    QVERIFY(!QFileInfo::exists(m_root));
}

void DeviceServiceTest::readThroughConfigurator_data()
{
    QTest::addColumn<bool>("includeNames");
    QTest::newRow("with names") << true;
    QTest::newRow("without names") << false;
}

void DeviceServiceTest::readThroughConfigurator()
{
    QFETCH(bool, includeNames);

    const QByteArray response = layoutResponse(beforePages());
    const AppNames appNames{{u"com.apple.Pages"_s, u"Pages"_s},
                            {u"com.spotify.client"_s, u"Spotify"_s}};
    m_runner->script = {reply(response), reply(namesResponse(appNames))};

    const DeviceRead read = service(true).read(phone(), includeNames);
    QCOMPARE(read.layout, layoutOf(beforePages()));
    QCOMPARE(read.raw, response);
    QCOMPARE(read.reader, u"cfgutil"_s);
    QCOMPARE(read.names, includeNames ? appNames : AppNames());

    QList<QStringList> expected{readArguments};
    if (includeNames)
        expected.append(namesArguments);
    QCOMPARE(argumentsOf(m_runner->calls), expected);
    QCOMPARE(executablesOf(m_runner->calls), QStringList(expected.size(), configurator));
    QCOMPARE(timeoutsOf(m_runner->calls), QList<double>(expected.size(), 45));
    for (const Call &call : std::as_const(m_runner->calls))
        QCOMPARE(call.environment, Environment());

    const QStringList saved = diagnostics();
    QCOMPARE(saved.size(), 1);
    static const QRegularExpression name(QRegularExpression::anchoredPattern(
            u"configurator-layout-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\.json"_s));
    QVERIFY2(name.match(saved.first()).hasMatch(), qPrintable(saved.first()));
    QCOMPARE(readFile(m_root + u"/Diagnostics/"_s + saved.first()), response);
}

void DeviceServiceTest::readFailureWithoutFallback_data()
{
    addFailureRows();
}

void DeviceServiceTest::readFailureWithoutFallback()
{
    QFETCH(Failure, failure);

    m_runner->script = {failing(failure)};
    QCOMPARE(failureOf([this] { service().read(phone(), true); }),
             readFailedStart + descriptionOf(failure) + readFailedEnd);
    QCOMPARE(argumentsOf(m_runner->calls), QList<QStringList>{readArguments});
    // Only a response that passed the error check is a layout response worth keeping.
    QCOMPARE(diagnostics(), QStringList());
}

void DeviceServiceTest::readDiagnosticFailureWithoutFallback()
{
    blockDiagnostics();
    const QString storeFailure = diagnosticFailure();
    QVERIFY(storeFailure.startsWith(u"Could not create the folder "_s));

    m_runner->script = {reply(layoutResponse(beforePages()))};
    QCOMPARE(failureOf([this] { service().read(phone(), false); }),
             readFailedStart + storeFailure + readFailedEnd);
    QCOMPARE(m_runner->calls.size(), 1);
}

void DeviceServiceTest::readFallsBack_data()
{
    addFailureRows();
}

void DeviceServiceTest::readFallsBack()
{
    QFETCH(Failure, failure);

    const QByteArray response = springboardResponse(beforePages());
    m_runner->script = {failing(failure), reply(response)};

    const DeviceRead read = service(true).read(phone(), false);
    QCOMPARE(read.reader, u"pymobiledevice3"_s);
    QCOMPARE(read.layout, layoutOf(beforePages()));
    QCOMPARE(read.raw, response);

    QCOMPARE(argumentsOf(m_runner->calls), (QList<QStringList>{readArguments, fallbackArguments}));
    QCOMPARE(executablesOf(m_runner->calls), (QStringList{configurator, reader}));
    QCOMPARE(timeoutsOf(m_runner->calls), (QList<double>{45, 45}));
    QCOMPARE(m_runner->calls.at(1).environment, (Environment{{u"PYMOBILEDEVICE3_UDID"_s, udid}}));

    const QStringList saved = diagnostics();
    QCOMPARE(saved.size(), 1);
    QVERIFY2(saved.first().startsWith(u"springboard-layout-"_s), qPrintable(saved.first()));
    QCOMPARE(readFile(m_root + u"/Diagnostics/"_s + saved.first()), response);
}

void DeviceServiceTest::readFallsBackWhenTheDiagnosticFails()
{
    blockDiagnostics();
    const QString storeFailure = diagnosticFailure();

    // The configurator answers, its answer cannot be kept, the reader answers: the reader's
    // diagnostic fails the same way, and that failure is reported as it is.
    m_runner->script
            = {reply(layoutResponse(beforePages())), reply(springboardResponse(beforePages()))};
    QCOMPARE(failureOf([this] { service(true).read(phone(), false); }), storeFailure);
    QCOMPARE(argumentsOf(m_runner->calls), (QList<QStringList>{readArguments, fallbackArguments}));
}

void DeviceServiceTest::fallbackParsesWithoutEcid()
{
    // Keyed by some other ECID: refused when matched to the phone, read when not.
    const QByteArray foreign = layoutResponse(afterPages(), u"0x99"_s);
    m_runner->script = {failing(Failure::exitStatus), reply(foreign)};

    const DeviceRead read = service(true).read(phone(), false);
    QCOMPARE(read.reader, u"pymobiledevice3"_s);
    QCOMPARE(read.layout, layoutOf(afterPages()));
}

void DeviceServiceTest::parseErrorDoesNotFallBack_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QString>("expected");

    QTest::newRow("not JSON") << "Segmentation fault"_ba << decoderError("Segmentation fault");
    QTest::newRow("another phone's layout")
            << layoutResponse(beforePages(), u"0x99"_s)
            << u"The layout response does not identify the selected iPhone."_s;
    QJsonArray crowded = beforePages();
    crowded.replace(0, QJsonArray{u"a.a"_s, u"b.b"_s, u"c.c"_s, u"d.d"_s, u"e.e"_s});
    QTest::newRow("Dock over the limit")
            << layoutResponse(crowded) << u"The iPhone Dock contains more than four items."_s;
}

void DeviceServiceTest::parseErrorDoesNotFallBack()
{
    QFETCH(QByteArray, response);
    QFETCH(QString, expected);

    m_runner->script = {reply(response), reply(springboardResponse(beforePages()))};
    QCOMPARE(failureOf([this] { service(true).read(phone(), true); }), expected);
    QCOMPARE(argumentsOf(m_runner->calls), QList<QStringList>{readArguments});

    // Kept before parsing, so the response that did not parse can be inspected.
    const QStringList saved = diagnostics();
    QCOMPARE(saved.size(), 1);
    QCOMPARE(readFile(m_root + u"/Diagnostics/"_s + saved.first()), response);
}

void DeviceServiceTest::fallbackFailureIsUnwrapped_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QString>("expected");

    const QString exit = u"pymobiledevice3 failed (1). ERROR Device not found\n"_s;
    QTest::newRow("reader exits non-zero") << Script{{failWith(exit)}} << exit;
    QTest::newRow("reader times out") << Script{{failWith(timedOut)}} << timedOut;
    QTest::newRow("reader cannot start")
            << Script{{platformFailure(u"Could not start pymobiledevice3: Exec format error."_s)}}
            << u"Could not start pymobiledevice3: Exec format error."_s;
    // Not taken for the configurator's error report: the parser meets it as an unknown answer.
    QTest::newRow("reader prints an error envelope")
            << Script{{reply(lockedEnvelope())}}
            << u"Unrecognized layout response. Export diagnostics to inspect it."_s;
    QTest::newRow("reader prints nothing") << Script{{reply({})}} << decoderError({});
}

void DeviceServiceTest::fallbackFailureIsUnwrapped()
{
    QFETCH(Script, script);
    QFETCH(QString, expected);

    m_runner->script = {failing(Failure::timeout)};
    m_runner->script.append(script.answers);
    QCOMPARE(failureOf([this] { service(true).read(phone(), true); }), expected);
    QCOMPARE(argumentsOf(m_runner->calls), (QList<QStringList>{readArguments, fallbackArguments}));
}

void DeviceServiceTest::layoutNamesWinOverAppNames()
{
    const AppNames fromLayout{{u"com.apple.mobilephone"_s, u"Phone"_s}};
    const AppNames fromApps{{u"com.apple.mobilephone"_s, u"Telephone"_s},
                            {u"com.apple.Pages"_s, u"Pages"_s}};
    m_runner->script
            = {failing(Failure::exitStatus), reply(springboardResponse(beforePages(), fromLayout)),
               reply(namesResponse(fromApps))};

    const DeviceRead read = service(true).read(phone(), true);
    QCOMPARE(read.names,
             (AppNames{{u"com.apple.mobilephone"_s, u"Phone"_s},
                       {u"com.apple.Pages"_s, u"Pages"_s}}));
    // The names always come from the configurator, for the phone's ECID.
    QCOMPARE(argumentsOf(m_runner->calls),
             (QList<QStringList>{readArguments, fallbackArguments, namesArguments}));
    QCOMPARE(m_runner->calls.last().executable, configurator);
}

void DeviceServiceTest::namesFailureIsIgnored_data()
{
    QTest::addColumn<Script>("script");
    QTest::newRow("times out") << Script{{failWith(timedOut)}};
    QTest::newRow("exits non-zero") << Script{{failWith(u"cfgutil failed (1). "_s)}};
    QTest::newRow("cannot start") << Script{{platformFailure(u"Could not start cfgutil."_s)}};
    QTest::newRow("error envelope") << Script{{reply(lockedEnvelope())}};
    QTest::newRow("not JSON") << Script{{reply("garbage")}};
}

void DeviceServiceTest::namesFailureIsIgnored()
{
    QFETCH(Script, script);

    const AppNames fromLayout{{u"com.apple.mobilephone"_s, u"Phone"_s},
                              {u"com.apple.Pages"_s, u"Pages"_s}};
    m_runner->script
            = {failing(Failure::envelope), reply(springboardResponse(beforePages(), fromLayout))};
    m_runner->script.append(script.answers);

    const DeviceRead read = service(true).read(phone(), true);
    QCOMPARE(read.layout, layoutOf(beforePages()));
    QCOMPARE(read.names, fromLayout);
    QCOMPARE(m_runner->calls.size(), 3);
}

void DeviceServiceTest::applyRefusedBeforeAnyCommand_data()
{
    QTest::addColumn<QJsonArray>("proposed");
    QTest::addColumn<QJsonArray>("expected");
    QTest::addColumn<QString>("message");

    QJsonArray dropped = afterPages();
    dropped.replace(1,
                    QJsonArray{u"com.apple.Pages"_s,
                               QJsonArray{u"Social"_s, u"com.burbn.instagram"_s,
                                          u"com.atebits.Tweetie2"_s}});
    QTest::newRow("drops an app") << dropped << beforePages() << inventoryChanged;

    QJsonArray duplicated = afterPages();
    duplicated.replace(0,
                       QJsonArray{u"com.apple.mobilephone"_s, u"com.apple.mobilesafari"_s,
                                  u"com.apple.Pages"_s});
    QTest::newRow("duplicates an app") << duplicated << beforePages() << inventoryChanged;

    QJsonArray renamed = afterPages();
    renamed.replace(0, QJsonArray{u"com.apple.mobilephone"_s, u"com.apple.MobileSafari"_s});
    QTest::newRow("replaces an app") << renamed << beforePages() << inventoryChanged;

    QJsonArray crowded = afterPages();
    crowded.replace(0,
                    QJsonArray{u"com.apple.mobilephone"_s, u"com.apple.mobilesafari"_s,
                               u"com.apple.Pages"_s, u"com.spotify.client"_s,
                               u"com.burbn.instagram"_s});
    crowded.replace(1, QJsonArray{u"com.atebits.Tweetie2"_s});
    QTest::newRow("proposal over the Dock limit")
            << crowded << beforePages() << u"The iPhone Dock contains more than four items."_s;
    QTest::newRow("expected layout empty") << afterPages() << QJsonArray{QJsonArray{}, QJsonArray{}}
                                           << u"The layout is empty. Nothing will be applied."_s;
}

void DeviceServiceTest::applyRefusedBeforeAnyCommand()
{
    QFETCH(QJsonArray, proposed);
    QFETCH(QJsonArray, expected);
    QFETCH(QString, message);

    // Built by hand, as a layout beyond the limits does not come out of the parser.
    const auto build = [](const QJsonArray &pages) {
        Layout layout;
        for (const QJsonValue &page : pages) {
            LayoutPage items;
            for (const QJsonValue &item : page.toArray()) {
                if (item.isString()) {
                    items.append(LayoutItem::app(item.toString()));
                    continue;
                }
                QStringList apps;
                for (qsizetype i = 1; i < item.toArray().size(); ++i)
                    apps.append(item.toArray().at(i).toString());
                items.append(LayoutItem::folder(item.toArray().first().toString(),
                                                QList<QStringList>{apps}));
            }
            layout.pages.append(items);
        }
        return layout;
    };

    QCOMPARE(failureOf([&] {
                 service(true).apply(build(proposed), build(expected), phone(), {}, u"Apply"_s);
             }),
             message);
    QCOMPARE(m_runner->calls.size(), 0);
    QVERIFY(!QFileInfo::exists(m_root));
}

void DeviceServiceTest::applyStoppedBeforeTheSnapshot_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("calls");

    const Device sameEcid(ecid, u"00008140-FFFFFFFFFFFFFFFF"_s, phone().name, phone().type);
    const Device sameUdid(u"0x2C2D3E4F50601E"_s, udid, phone().name, phone().type);
    const Device other(u"0x3A"_s, u"00008030-00000000000003A"_s, u"Other"_s, u"iPhone12,1"_s);

    QTest::newRow("nothing connected") << Script{{reply(listResponse({}))}} << notConnected << 1;
    QTest::newRow("another phone only")
            << Script{{reply(listResponse({other}))}} << notConnected << 1;
    QTest::newRow("same ECID, another UDID")
            << Script{{reply(listResponse({sameEcid, other}))}} << notConnected << 1;
    QTest::newRow("same UDID, another ECID")
            << Script{{reply(listResponse({sameUdid}))}} << notConnected << 1;
    QTest::newRow("list fails") << Script{{failWith(timedOut)}} << timedOut << 1;
    QTest::newRow("list is an error envelope")
            << Script{{reply(lockedEnvelope())}} << envelopeMessage(lockedEnvelope()) << 1;
    QTest::newRow("current read fails")
            << Script{{reply(listResponse({other, phone()})), failing(Failure::launch)}}
            << readFailedStart + descriptionOf(Failure::launch) + readFailedEnd << 2;
    QTest::newRow("current read does not parse")
            << Script{{reply(listResponse({phone()})), reply("{}")}}
            << u"Unrecognized layout response. Export diagnostics to inspect it."_s << 2;
    QTest::newRow("changed since the preview")
            << Script{{reply(listResponse({phone()})), reply(layoutResponse(otherPages()))}}
            << changedSincePreview << 2;
    QTest::newRow("already holds the proposal")
            << Script{{reply(listResponse({phone()})), reply(layoutResponse(afterPages()))}}
            << changedSincePreview << 2;
}

void DeviceServiceTest::applyStoppedBeforeTheSnapshot()
{
    QFETCH(Script, script);
    QFETCH(QString, message);
    QFETCH(int, calls);

    m_runner->script = script.answers;
    QCOMPARE(failureOf([this] {
                 service().apply(layoutOf(afterPages()), layoutOf(beforePages()), phone(), {},
                                 u"Apply"_s);
             }),
             message);
    const QList<QStringList> expected{listArguments, readArguments};
    QCOMPARE(argumentsOf(m_runner->calls), expected.mid(0, calls));
    QCOMPARE(snapshots(), QStringList());
}

void DeviceServiceTest::applyWriteFails_data()
{
    addFailureRows();
}

void DeviceServiceTest::applyWriteFails()
{
    QFETCH(Failure, failure);

    const QByteArray current = layoutResponse(beforePages());
    m_runner->script = {reply(listResponse({phone()})), reply(current), failing(failure)};
    const AppNames names{{u"com.apple.Pages"_s, u"Pages"_s}};
    const Layout proposed = layoutOf(afterPages());

    const QString message = failureOf(
            [&] { service().apply(proposed, layoutOf(beforePages()), phone(), names, u"Tidy"_s); });

    const QStringList ids = snapshots();
    QCOMPARE(ids.size(), 1);
    const QString id = ids.first();
    QCOMPARE(message, writeFailedStart + id + u".\n"_s + descriptionOf(failure));

    const QString folder = m_root + u"/Snapshots/"_s + id;
    QCOMPARE(argumentsOf(m_runner->calls),
             (QList<QStringList>{listArguments, readArguments,
                                 writeArguments(folder + u"/proposed-layout.json"_s)}));
    QCOMPARE(timeoutsOf(m_runner->calls), (QList<double>{45, 45, 90}));
    QCOMPARE(readFile(folder + u"/proposed-layout.json"_s), proposed.cfgutilData());
    QCOMPARE(readFile(folder + u"/raw-layout.json"_s), current);

    // The previous layout can be restored from it.
    const Snapshot snapshot = SnapshotStore(m_root).load(id);
    QCOMPARE(snapshot.layout, layoutOf(beforePages()));
    QCOMPARE(snapshot.names, names);
    QCOMPARE(snapshot.reason, u"Tidy"_s);
    QCOMPARE(snapshot.reader, u"cfgutil"_s);
    QCOMPARE(snapshot.device, phone());
}

void DeviceServiceTest::applyReadBack_data()
{
    QTest::addColumn<bool>("withFallback");
    QTest::addColumn<Script>("reads");
    QTest::addColumn<Script>("readBack");
    QTest::addColumn<bool>("verified");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("reader");

    const Script current{{reply(layoutResponse(beforePages()))}};
    QTest::newRow("matches") << false << current << Script{{reply(layoutResponse(afterPages()))}}
                             << true << verifiedMessage << u"cfgutil"_s;
    QTest::newRow("write changed nothing")
            << false << current << Script{{reply(layoutResponse(beforePages()))}} << false
            << mismatch << u"cfgutil"_s;
    QTest::newRow("write landed differently")
            << false << current << Script{{reply(layoutResponse(otherPages()))}} << false
            << mismatch << u"cfgutil"_s;
    QTest::newRow("read-back times out")
            << false << current << Script{{failWith(timedOut)}} << false
            << readBackFailed(readFailedStart + timedOut + readFailedEnd) << u"cfgutil"_s;
    QTest::newRow("read-back does not parse")
            << false << current << Script{{reply("[[]]")}} << false
            << readBackFailed(u"Expected a Dock and at least one Home Screen page."_s)
            << u"cfgutil"_s;
    QTest::newRow("read-back fallback fails")
            << true << current << Script{{failWith(timedOut), platformFailure(u"Gone."_s)}} << false
            << readBackFailed(u"Gone."_s) << u"cfgutil"_s;
    QTest::newRow("both reads through the fallback")
            << true
            << Script{{failing(Failure::envelope), reply(springboardResponse(beforePages()))}}
            << Script{{failing(Failure::exitStatus), reply(springboardResponse(afterPages()))}}
            << true << verifiedMessage << u"pymobiledevice3"_s;
}

void DeviceServiceTest::applyReadBack()
{
    QFETCH(bool, withFallback);
    QFETCH(Script, reads);
    QFETCH(Script, readBack);
    QFETCH(bool, verified);
    QFETCH(QString, message);
    QFETCH(QString, reader);

    const Layout proposed = layoutOf(afterPages());
    const AppNames names{{u"com.spotify.client"_s, u"Spotify"_s}};
    m_runner->script = {reply(listResponse({phone()}))};
    m_runner->script.append(reads.answers);
    m_runner->script.append(reply(readFile(QStringLiteral(VARNOLET_SAMPLES)
                                           + u"/cfgutil-set-icon-layout-success.json"_s)));
    m_runner->script.append(readBack.answers);

    // What is on disk when the write is asked for.
    QByteArray proposalAtWrite;
    bool recordAtWrite = false;
    m_runner->onCall = [&](const Call &call) {
        if (call.arguments.contains(u"set-icon-layout"_s)) {
            proposalAtWrite = readFile(call.arguments.last());
            recordAtWrite = QFile::exists(QFileInfo(call.arguments.last()).absolutePath()
                                          + u"/snapshot.json"_s);
        }
    };

    const ApplyReceipt receipt = service(withFallback)
                                         .apply(proposed, layoutOf(beforePages()), phone(), names,
                                                u"Apply proposal"_s);
    QCOMPARE(receipt.verified, verified);
    QCOMPARE(receipt.message, message);
    QCOMPARE(receipt.snapshot, SnapshotStore(m_root).load(receipt.snapshot.id));
    QCOMPARE(receipt.snapshot.layout, layoutOf(beforePages()));
    QCOMPARE(receipt.snapshot.reader, reader);
    QCOMPARE(receipt.snapshot.reason, u"Apply proposal"_s);
    QCOMPARE(receipt.snapshot.names, names);
    QCOMPARE(snapshots(), QStringList{receipt.snapshot.id});

    const QString proposal
            = m_root + u"/Snapshots/"_s + receipt.snapshot.id + u"/proposed-layout.json"_s;
    QCOMPARE(proposalAtWrite, proposed.cfgutilData());
    QVERIFY(recordAtWrite);

    // Exactly one write, between the current read and the read-back, and nothing after.
    QList<QStringList> expected{listArguments, readArguments};
    if (reads.answers.size() > 1)
        expected.append(fallbackArguments);
    expected.append(writeArguments(proposal));
    expected.append(readArguments);
    if (readBack.answers.size() > 1)
        expected.append(fallbackArguments);
    QCOMPARE(argumentsOf(m_runner->calls), expected);
    QCOMPARE(m_runner->script.size(), 0);
    QList<double> timeouts(expected.size(), 45);
    timeouts[expected.indexOf(writeArguments(proposal))] = 90;
    QCOMPARE(timeoutsOf(m_runner->calls), timeouts);
}

void DeviceServiceTest::proposalPathIsAbsolute()
{
    // A store named relative to the working folder still hands the configurator a full path,
    // which it can never take for an option.
    const QString work = QFileInfo(m_root).absolutePath();
    QVERIFY(QDir().mkpath(work));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work));
    const auto restore = qScopeGuard([&previous] { QDir::setCurrent(previous); });

    const Layout proposed = layoutOf(afterPages());
    m_runner->script = {reply(listResponse({phone()})), reply(layoutResponse(beforePages())),
                        reply({}), reply(layoutResponse(afterPages()))};
    const ApplyReceipt receipt
            = DeviceService(configurator, std::nullopt, m_runner, SnapshotStore(u"Varnolet"_s))
                      .apply(proposed, layoutOf(beforePages()), phone(), {}, u"Apply"_s);
    QVERIFY(receipt.verified);
    QCOMPARE(m_runner->calls.size(), 4);
    QCOMPARE(m_runner->calls.at(2).arguments,
             writeArguments(work + u"/Varnolet/Snapshots/"_s + receipt.snapshot.id
                            + u"/proposed-layout.json"_s));
}

QTEST_GUILESS_MAIN(DeviceServiceTest)
#include "deviceservicetest.moc"
