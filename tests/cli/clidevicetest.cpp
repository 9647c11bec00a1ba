#include "clirun.h"
#include "jsoncodec.h"
#include "layoutparser.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

const QString anaEcid = u"0x1C2D3E4F50601E"_s;
const QString benEcid = u"0x2A3B4C5D6E7F80"_s;

const QByteArray anaLayout =
        R"([["com.apple.mobilephone","com.apple.MobileSMS"],
            ["com.burbn.instagram","com.facebook.Facebook","com.apple.mobilenotes","com.apple.calculator",
             ["Games","com.roblox.robloxmobile","com.supercell.clashofclans"]]])"_ba;

QJsonObject device(const QString &ecid, const QString &udid, const QString &name,
                   const QByteArray &layout)
{
    return {{u"ecid"_s, ecid},
            {u"udid"_s, udid},
            {u"name"_s, name},
            {u"type"_s, u"iPhone16,2"_s},
            {u"layout"_s, JsonCodec::decode(layout)},
            {u"apps"_s,
             QJsonArray{QJsonObject{{u"bundleIdentifier"_s, u"com.apple.calculator"_s},
                                    {u"displayName"_s, u"Calculator"_s}}}}};
}

} // namespace

// The test bodies stand outside the class: moc misreads some raw string literals.
class CliDeviceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void listsDevicesByName();
    void readSavesASnapshot();
    void readThroughTheFallbackReader_data();
    void readThroughTheFallbackReader();
    void readRefusesAnUnknownPhone();
    void readWithoutAConfigurator();
    void organizeApplyAndRestore();
    void applyThatDoesNotVerify();
    void applyRefusedBeforeAnyWrite_data();
    void applyRefusedBeforeAnyWrite();
    void restoreChecks();
    void statusAfterAWrite_data();
    void statusAfterAWrite();
    void interrupted_data();
    void interrupted();

private:
    CliRun cli(const QStringList &arguments, const QByteArray &input = {},
               const QString &output = {}) const;
    QProcessEnvironment environment() const;
    QStringList withTools(const QStringList &arguments) const;
    std::pair<QString, QString> readAndPropose();
    QJsonObject world() const;
    void setWorld(const QJsonObject &world);
    void setFault(const QString &command, const QJsonValue &fault);
    int journalCount(const QString &command) const;
    QString writeFile(const QString &name, const QByteArray &data) const;

    std::unique_ptr<QTemporaryDir> m_home;
    QString m_world;
};

void CliDeviceTest::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    m_world = m_home->filePath(u"world.json"_s);
    setWorld({{u"devices"_s,
               QJsonArray{device(anaEcid, u"00008140-001C2D3E4F50601E"_s, u"Ana’s iPhone"_s,
                                 anaLayout),
                          device(benEcid, u"00008140-002A3B4C5D6E7F80"_s, u"Ben’s iPhone"_s,
                                 R"([[],["com.apple.Maps","com.apple.weather"]])"_ba)}},
              {u"journal"_s, QJsonArray()}});
}

CliRun CliDeviceTest::cli(const QStringList &arguments, const QByteArray &input,
                          const QString &output) const
{
    return CliRun::start(withTools(arguments), input, environment(), output);
}

QProcessEnvironment CliDeviceTest::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, m_home->path());
    environment.insert(u"VARNOLET_FAKE_WORLD"_s, m_world);
    environment.insert(u"TMPDIR"_s, m_home->path());
    return environment;
}

// The commands that talk to a phone get the stand-in configurator, and no reader unless asked.
QStringList CliDeviceTest::withTools(const QStringList &arguments) const
{
    QStringList withTools = arguments;
    const QStringList deviceCommands{u"devices"_s, u"read"_s, u"apply"_s, u"restore"_s};
    if (deviceCommands.contains(arguments.first())) {
        if (!arguments.contains(u"--cfgutil"_s))
            withTools << u"--cfgutil"_s << QStringLiteral(VARNOLET_FAKE_CFGUTIL);
        if (!arguments.contains(u"--reader"_s) && !arguments.contains(u"--no-reader"_s))
            withTools << u"--no-reader"_s;
    }
    return withTools;
}

// The phone's layout as read, and a two-icon proposal made from it: the files apply takes.
std::pair<QString, QString> CliDeviceTest::readAndPropose()
{
    const QString original = writeFile(u"original.json"_s, cli({u"read"_s, anaEcid}).out);
    const QString proposal
            = writeFile(u"proposal.json"_s,
                        cli({u"organize"_s, original, u"--style"_s, u"two-icon-test"_s}).out);
    return {original, proposal};
}

QJsonObject CliDeviceTest::world() const
{
    QFile file(m_world);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no world");
    return JsonCodec::decode(file.readAll()).toObject();
}

void CliDeviceTest::setWorld(const QJsonObject &world)
{
    QSaveFile file(m_world);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the world");
    file.write(JsonCodec::encode(world));
    if (!file.commit())
        qFatal("cannot write the world");
}

void CliDeviceTest::setFault(const QString &command, const QJsonValue &fault)
{
    QJsonObject changed = world();
    QJsonObject faults = changed[u"faults"_s].toObject();
    faults[command] = fault;
    changed[u"faults"_s] = faults;
    setWorld(changed);
}

int CliDeviceTest::journalCount(const QString &command) const
{
    int count = 0;
    for (const QJsonValue &entry : world()[u"journal"_s].toArray())
        count += entry[u"command"_s].toString() == command ? 1 : 0;
    return count;
}

QString CliDeviceTest::writeFile(const QString &name, const QByteArray &data) const
{
    QFile file(m_home->filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write a test file");
    return file.fileName();
}

void CliDeviceTest::listsDevicesByName()
{
    const CliRun run = cli({u"devices"_s});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);
    const QJsonArray devices = JsonCodec::decode(run.out).toArray();
    QCOMPARE(devices.size(), 2);
    QCOMPARE(devices[0].toObject(),
             (QJsonObject{{u"ecid"_s, anaEcid},
                          {u"udid"_s, u"00008140-001C2D3E4F50601E"_s},
                          {u"name"_s, u"Ana’s iPhone"_s},
                          {u"type"_s, u"iPhone16,2"_s}}));
    QCOMPARE(devices[1][u"name"_s].toString(), u"Ben’s iPhone"_s);
}

void CliDeviceTest::readSavesASnapshot()
{
    const CliRun run = cli({u"read"_s, anaEcid});
    QCOMPARE(run.status, 0);
    QCOMPARE(LayoutParser::parse(run.out).layout, LayoutParser::parse(anaLayout).layout);
    const QRegularExpression saved(u"^Saved snapshot ([0-9A-F-]{36})\\.\n$"_s);
    const QRegularExpressionMatch match = saved.match(run.err);
    QVERIFY2(match.hasMatch(), qPrintable(run.err));
    const QString folder = m_home->filePath(u"Library/Application Support/Varnolet/Snapshots/"_s
                                            + match.captured(1));
    QVERIFY(QFile::exists(folder + u"/original-layout.json"_s));
    QCOMPARE(journalCount(u"get-apps"_s), 1);

    const QJsonArray snapshots = JsonCodec::decode(cli({u"snapshots"_s}).out).toArray();
    QCOMPARE(snapshots.size(), 1);
    const QJsonObject first = snapshots.first().toObject();
    QCOMPARE(first[u"id"_s].toString(), match.captured(1));
    QCOMPARE(first[u"reason"_s].toString(), u"Initial read"_s);
    QCOMPARE(first[u"device"_s].toString(), u"Ana’s iPhone"_s);
    QCOMPARE(first[u"apps"_s].toInt(), 8);
    QCOMPARE(first[u"pages"_s].toInt(), 1);
    QCOMPARE(first[u"reader"_s].toString(), u"cfgutil"_s);

    QCOMPARE(cli({u"read"_s, anaEcid, u"--no-names"_s}).status, 0);
    QCOMPARE(journalCount(u"get-apps"_s), 1);
}

void CliDeviceTest::readThroughTheFallbackReader_data()
{
    QTest::addColumn<bool>("withReader");
    QTest::newRow("reader given") << true;
    QTest::newRow("no reader") << false;
}

void CliDeviceTest::readThroughTheFallbackReader()
{
    QFETCH(bool, withReader);
    setFault(u"get-icon-layout"_s, QJsonObject{{u"abort"_s, true}});
    const CliRun run = withReader
            ? cli({u"read"_s, anaEcid, u"--reader"_s, QStringLiteral(VARNOLET_FAKE_READER)})
            : cli({u"read"_s, anaEcid});
    if (withReader) {
        QCOMPARE(run.status, 0);
        QCOMPARE(LayoutParser::parse(run.out).layout, LayoutParser::parse(anaLayout).layout);
        QCOMPARE(journalCount(u"springboard"_s), 1);
    } else {
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith(u"Could not read the layout. cfgutil failed ("_s),
                 qPrintable(run.err));
        QVERIFY(run.err.endsWith(u"\nIf get-icon-layout crashes, install the optional reader from "
                                 "the Varnolet setup guide, then refresh.\n"_s));
        QVERIFY(run.out.isEmpty());
    }
}

void CliDeviceTest::readRefusesAnUnknownPhone()
{
    const CliRun run = cli({u"read"_s, u"0xDEAD"_s});
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err,
             u"No connected iPhone has the ECID 0xDEAD. Run varnolet-cli devices to see "
             "the connected ones.\n"_s);
}

void CliDeviceTest::readWithoutAConfigurator()
{
    const QString missing = m_home->filePath(u"cfgutil"_s);
    const CliRun run = cli({u"devices"_s, u"--cfgutil"_s, missing});
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, u"Could not start %1: No such file or directory.\n"_s.arg(missing));
}

void CliDeviceTest::organizeApplyAndRestore()
{
    const CliRun read = cli({u"read"_s, anaEcid});
    QCOMPARE(read.status, 0);
    const QString original = writeFile(u"original.json"_s, read.out);
    const QString initialId = read.err.mid(15, 36);

    const CliRun organized = cli({u"organize"_s, original, u"--style"_s, u"alphabetical"_s});
    QCOMPARE(organized.status, 0);
    const QString proposal = writeFile(u"proposal.json"_s, organized.out);

    const CliRun applied = cli({u"apply"_s, anaEcid, proposal, u"--expected"_s, original});
    QCOMPARE(applied.err, QString());
    QCOMPARE(applied.status, 0);
    QCOMPARE(applied.out,
             "The layout read back from your iPhone matches the proposal. Check your "
             "Home Screen visually, too.\n"_ba);
    QCOMPARE(journalCount(u"set-icon-layout"_s), 1);
    const QJsonArray onPhone = world()[u"devices"_s][0][u"layout"_s].toArray();
    QCOMPARE(LayoutParser::parse(JsonCodec::encode(onPhone)).layout,
             LayoutParser::parse(organized.out).layout);

    // Snapshots of the same second have no defined order, so look them up by reason.
    const auto reasons = [this] {
        QStringList result;
        for (const QJsonValue &snapshot : JsonCodec::decode(cli({u"snapshots"_s}).out).toArray())
            result.append(snapshot[u"reason"_s].toString());
        result.sort();
        return result;
    };
    QCOMPARE(reasons(), (QStringList{u"Before apply"_s, u"Initial read"_s}));

    // Saved in upper case, found in any case.
    const CliRun restored = cli({u"restore"_s, anaEcid, initialId.toLower()});
    QCOMPARE(restored.err, QString());
    QCOMPARE(restored.status, 0);
    QCOMPARE(journalCount(u"set-icon-layout"_s), 2);
    const QJsonArray back = world()[u"devices"_s][0][u"layout"_s].toArray();
    QCOMPARE(LayoutParser::parse(JsonCodec::encode(back)).layout,
             LayoutParser::parse(anaLayout).layout);
    QCOMPARE(reasons(), (QStringList{u"Before apply"_s, u"Before restore"_s, u"Initial read"_s}));
}

void CliDeviceTest::applyThatDoesNotVerify()
{
    const auto [original, proposal] = readAndPropose();
    setFault(u"set-icon-layout"_s, QJsonObject{{u"ignoreWrite"_s, true}});
    const CliRun run = cli({u"apply"_s, anaEcid, proposal, u"--expected"_s, original});
    QCOMPARE(run.status, 3);
    QCOMPARE(run.out,
             "Configurator accepted the command, but the layout read back does not match. "
             "No second write was attempted. Check the phone; your previous layout is "
             "saved.\n"_ba);
    QCOMPARE(journalCount(u"set-icon-layout"_s), 1);
}

void CliDeviceTest::applyRefusedBeforeAnyWrite_data()
{
    QTest::addColumn<QString>("ecid");
    QTest::addColumn<QByteArray>("proposal");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QByteArray dropped = anaLayout;
    dropped.replace("\"com.apple.calculator\",", "");
    QTest::newRow("an app dropped")
            << anaEcid << dropped << anaLayout << 1
            << u"Apply would add or remove app icons. Read the device again."_s;
    QByteArray swapped = anaLayout;
    swapped.replace("\"com.apple.mobilephone\",\"com.apple.MobileSMS\"",
                    "\"com.apple.MobileSMS\",\"com.apple.mobilephone\"");
    QTest::newRow("phone changed since the preview")
            << anaEcid << anaLayout << swapped << 1
            << u"Your iPhone layout changed after the preview was created. Read it again before applying."_s;
    QTest::newRow("invalid proposal")
            << anaEcid << R"([["a","b","c","d","e"],["f"]])"_ba << anaLayout << 1
            << u"The iPhone Dock contains more than four items."_s;
    QTest::newRow("missing --expected") << anaEcid << anaLayout << QByteArray() << 2
                                        << u"Missing option: --expected ORIGINAL."_s;
}

void CliDeviceTest::applyRefusedBeforeAnyWrite()
{
    QFETCH(QString, ecid);
    QFETCH(QByteArray, proposal);
    QFETCH(QByteArray, expected);
    QFETCH(int, status);
    QFETCH(QString, message);
    QStringList arguments{u"apply"_s, ecid, writeFile(u"proposal.json"_s, proposal)};
    if (!expected.isEmpty())
        arguments << u"--expected"_s << writeFile(u"expected.json"_s, expected);
    const CliRun run = cli(arguments);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.startsWith(message + u'\n'), qPrintable(run.err));
    QCOMPARE(journalCount(u"set-icon-layout"_s), 0);
}

void CliDeviceTest::restoreChecks()
{
    const CliRun read = cli({u"read"_s, anaEcid});
    const QString anaSnapshot = read.err.mid(15, 36);

    const CliRun otherPhone = cli({u"restore"_s, benEcid, anaSnapshot});
    QCOMPARE(otherPhone.status, 1);
    QCOMPARE(otherPhone.err,
             u"This saved layout belongs to a different iPhone. Select Ana’s iPhone "
             "to restore it.\n"_s);

    QJsonObject changed = world();
    QJsonArray devices = changed[u"devices"_s].toArray();
    QJsonObject ana = devices[0].toObject();
    ana[u"layout"_s] = JsonCodec::decode(R"([["com.apple.mobilephone"],["com.apple.Maps"]])"_ba);
    devices[0] = ana;
    changed[u"devices"_s] = devices;
    setWorld(changed);
    const CliRun appsChanged = cli({u"restore"_s, anaEcid, anaSnapshot});
    QCOMPARE(appsChanged.status, 1);
    QVERIFY(appsChanged.err.startsWith(
            u"The app icons on this iPhone changed since the snapshot."_s));

    const CliRun unknown = cli({u"restore"_s, anaEcid, u"../../etc"_s});
    QCOMPARE(unknown.status, 1);
    QCOMPARE(journalCount(u"set-icon-layout"_s), 0);
}

// Once the phone was written to, the status tells what happened whatever becomes of the receipt: a
// script that retries on 1 must never write twice.
void CliDeviceTest::statusAfterAWrite_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QJsonValue>("fault"); // {command: fault}
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("receipt"); // a pattern
    const QString matches = QRegularExpression::escape(
            u"The layout read back from your iPhone matches the proposal. Check your Home Screen "
            "visually, too."_s);
    const QString differs = u"Configurator accepted the command, but the layout read back does "
                            "not match\\."_s;
    const QJsonObject ignored{{u"set-icon-layout"_s, QJsonObject{{u"ignoreWrite"_s, true}}}};
    const QJsonObject failed{{u"set-icon-layout"_s, QJsonObject{{u"exit"_s, 1}}}};
    const QString failedText = u"The apply command did not finish successfully\\. .* Your "
                               "previous layout is saved as [0-9A-F-]{36}\\.\ncfgutil failed"_s;
    for (const QString &output : {QString(), u"closed"_s, u"/dev/full"_s}) {
        const auto row = [&](const char *title, const QString &command, const QJsonObject &fault,
                             int status, const QString &receipt) {
            QTest::addRow("%s, output %s", title,
                          qPrintable(output.isEmpty() ? u"captured"_s : output))
                    << output << command << QJsonValue(fault) << status << receipt;
        };
        row("verified", u"apply"_s, {}, 0, matches);
        row("not verified", u"apply"_s, ignored, 3, differs);
        row("write failed", u"apply"_s, failed, 1, failedText);
        row("read", u"read"_s, {}, output.isEmpty() ? 0 : 1, u"Saved snapshot [0-9A-F-]{36}\\."_s);
    }
    QTest::newRow("read-back failed")
            << QString() << u"apply"_s
            << QJsonValue(QJsonObject{{u"get-icon-layout"_s,
                                       QJsonArray{QJsonObject{{u"on"_s, 3}, {u"exit"_s, 1}}}}})
            << 3
            << u"The command completed, but read-back verification failed: Could not read the "
               "layout\\. cfgutil failed"_s;
}

void CliDeviceTest::statusAfterAWrite()
{
    QFETCH(QString, output);
    QFETCH(QString, command);
    QFETCH(QJsonValue, fault);
    QFETCH(int, status);
    QFETCH(QString, receipt);
    const auto [original, proposal] = readAndPropose();
    const QJsonObject faults = fault.toObject();
    for (auto it = faults.constBegin(); it != faults.constEnd(); ++it)
        setFault(it.key(), it.value());
    const CliRun run = command == u"read"_s
            ? cli({command, anaEcid}, {}, output)
            : cli({command, anaEcid, proposal, u"--expected"_s, original}, {}, output);
    QCOMPARE(run.status, status);
    // The receipt goes to standard output when it can, else to standard error; failures always
    // to standard error.
    const QString shown = output.isEmpty() && status != 1 && command != u"read"_s
            ? QString::fromUtf8(run.out)
            : run.err;
    QVERIFY2(QRegularExpression(receipt).match(shown).hasMatch(), qPrintable(shown));
    QCOMPARE(journalCount(u"set-icon-layout"_s), command == u"read"_s ? 0 : 1);
}

void CliDeviceTest::interrupted_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("message");
    const QString writing = u"Interrupted while writing to the iPhone. The phone may have changed; "
                            "inspect it before retrying. Your previous layout is saved as "
                            "[0-9A-F-]{36}\\.\\n"_s;
    QTest::newRow("SIGINT while writing") << u"set-icon-layout"_s << SIGINT << writing;
    QTest::newRow("SIGTERM while writing") << u"set-icon-layout"_s << SIGTERM << writing;
    QTest::newRow("SIGHUP while writing") << u"set-icon-layout"_s << SIGHUP << writing;
    QTest::newRow("SIGINT while reading")
            << u"get-icon-layout"_s << SIGINT
            << u"Interrupted\\. Nothing was written to the iPhone\\.\\n"_s;
}

// The tool is stopped (the phone stays as it was), its capture folder removed, and the status is
// the shell's 128 + signal.
void CliDeviceTest::interrupted()
{
    QFETCH(QString, command);
    QFETCH(int, signal);
    QFETCH(QString, message);
    const auto [original, proposal] = readAndPropose();
    const QJsonValue before = world()[u"devices"_s][0][u"layout"_s];
    setFault(command, QJsonObject{{u"sleep"_s, 2}});
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral(VARNOLET_CLI),
                  withTools({u"apply"_s, anaEcid, proposal, u"--expected"_s, original}));
    // The layout was read once to make the proposal.
    QTRY_COMPARE_WITH_TIMEOUT(journalCount(command), command == u"set-icon-layout"_s ? 1 : 2,
                              20000);
    QTest::qWait(300);
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 128 + signal);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(QRegularExpression(u"\\A"_s + message + u"\\z"_s).match(err).hasMatch(),
             qPrintable(err));
    QCOMPARE(QDir(m_home->path()).entryList({u"varnolet-process-*"_s}), QStringList());
    // A tool left running would write when its sleep ends.
    QTest::qWait(2500);
    QCOMPARE(world()[u"devices"_s][0][u"layout"_s], before);
}

QTEST_GUILESS_MAIN(CliDeviceTest)
#include "clidevicetest.moc"
