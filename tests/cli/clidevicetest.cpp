#include "clirun.h"
#include "jsoncodec.h"
#include "layoutparser.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QString benEcid = u"0x2A3B4C5D6E7F80"_s;
const QByteArray anaLayout = R"([["com.apple.mobilephone","com.apple.MobileSMS"],
    ["com.burbn.instagram","com.facebook.Facebook","com.apple.mobilenotes","com.apple.calculator",
     ["Games","com.roblox.robloxmobile","com.supercell.clashofclans"]]])"_ba;
// Two icons swapped, as the two-icon test proposes.
const QByteArray swapped
        = QByteArray(anaLayout).replace("\"com.burbn.instagram\",\"com.facebook.Facebook\"",
                                        "\"com.facebook.Facebook\",\"com.burbn.instagram\"");
const QString readBackMatches
        = u"The layout read back from your iPhone matches the proposal. Check your Home Screen visually, too."_s;

// The snapshot a read reports on standard error.
QString idOf(const CliRun &read)
{
    return QRegularExpression(u"Saved snapshot ([0-9A-F-]{36})\\.\n"_s).match(read.err).captured(1);
}

const auto parsed = [](const QByteArray &layout) { return LayoutParser::parse(layout).layout; };

// Ana's and Ben's phones, each with Calculator named, and the stand-in's faults.
QByteArray world(const QByteArray &anaPages, const QJsonObject &faults = {})
{
    return R"({"devices": [
        {"ecid": "0x1C2D3E4F50601E", "udid": "00008140-001C2D3E4F50601E", "name": "Ana’s iPhone", "type": "iPhone16,2", "layout": ANA,
         "apps": [{"bundleIdentifier": "com.apple.calculator", "displayName": "Calculator"}]},
        {"ecid": "0x2A3B4C5D6E7F80", "udid": "00008140-002A3B4C5D6E7F80", "name": "Ben’s iPhone", "type": "iPhone16,2",
         "layout": [[], ["com.apple.Maps"]]}], "faults": FAULTS})"_ba.replace("ANA", anaPages)
            .replace("FAULTS", JsonCodec::encode(faults));
}
const QByteArray listed = R"([
    {"ecid": "0x1C2D3E4F50601E", "udid": "00008140-001C2D3E4F50601E", "name": "Ana’s iPhone", "type": "iPhone16,2"},
    {"ecid": "0x2A3B4C5D6E7F80", "udid": "00008140-002A3B4C5D6E7F80", "name": "Ben’s iPhone", "type": "iPhone16,2"}])"_ba;
const QByteArray snapshotEntry
        = R"({"id": "ID", "reason": "Initial read", "device": "Ana’s iPhone", "apps": 8, "pages": 1, "reader": "cfgutil"})"_ba;

} // namespace

/// The device commands through the built program and the stand-in tools.
class CliDeviceTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    QTemporaryDir m_files; // layouts handed to apply, written while the table is built
    int m_written = 0;

    QString path(const QString &name) const { return m_home->filePath(name); }
    void writeWorld(const QByteArray &world) const { CliRun::write(path(u"world.json"_s), world); }
    QJsonValue state() const { return JsonCodec::decode(readFile(path(u"world.json"_s))); }
    int calls(const QString &command) const
    {
        int count = 0;
        for (const QJsonValue &entry : state()[u"journal"_s].toArray())
            count += entry[u"command"_s] == command;
        return count;
    }
    Layout anaNow() const
    {
        return parsed(JsonCodec::encode(state()[u"devices"_s][0][u"layout"_s]));
    }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, m_home->path());
        environment.insert(u"TMPDIR"_s, m_home->path());
        environment.insert(u"VARNOLET_FAKE_WORLD"_s, path(u"world.json"_s));
        return environment;
    }
    // The commands that talk to a phone get the stand-in configurator, and no reader unless asked.
    QStringList withTools(QStringList arguments) const
    {
        if (QStringList{u"devices"_s, u"read"_s, u"apply"_s, u"restore"_s}.contains(
                    arguments.first())) {
            if (!arguments.contains(u"--cfgutil"_s))
                arguments << u"--cfgutil"_s << QStringLiteral(VARNOLET_FAKE_CFGUTIL);
            if (!arguments.contains(u"--reader"_s))
                arguments << u"--no-reader"_s;
        }
        return arguments;
    }
    CliRun cli(const QStringList &arguments, const QString &output = {}) const
    {
        return CliRun::start(withTools(arguments), {}, environment(), output);
    }
    // One field of every snapshot listed, sorted: snapshots of one second have no defined order.
    QString snapshots(const QString &field, const QStringList &options = {}) const
    {
        QStringList values;
        for (const QJsonValue &snapshot :
             JsonCodec::decode(cli(QStringList{u"snapshots"_s} + options).out).toArray())
            values.append(snapshot[field].toString());
        values.sort();
        return values.join(u", "_s);
    }
    QStringList apply(const QByteArray &proposal)
    {
        const auto file = [this](const QByteArray &data) {
            return CliRun::write(m_files.filePath(QString::number(++m_written)), data);
        };
        return {u"apply"_s, ecid, file(proposal), u"--expected"_s, file(anaLayout)};
    }

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        writeWorld(world(anaLayout));
    }

    void devicesAndReads()
    {
        QCOMPARE(JsonCodec::decode(cli({u"devices"_s}).out), JsonCodec::decode(listed));
        const CliRun read = cli({u"read"_s, ecid});
        QCOMPARE(parsed(read.out), parsed(anaLayout));
        QCOMPARE(calls(u"get-apps"_s), 1);
        QJsonObject first = JsonCodec::decode(cli({u"snapshots"_s}).out)[0].toObject();
        first.remove(u"date"_s);
        QCOMPARE(first,
                 JsonCodec::decode(QByteArray(snapshotEntry).replace("ID", idOf(read).toUtf8())));
        QCOMPARE(cli({u"read"_s, ecid, u"--no-names"_s}).status, 0);
        QCOMPARE(calls(u"get-apps"_s), 1);

        // --store names another folder, for reading and listing alike.
        const QStringList elsewhere{u"--store"_s, path(u"elsewhere"_s)};
        const QString id = idOf(cli(QStringList{u"read"_s, ecid} + elsewhere));
        QCOMPARE(snapshots(u"id"_s, elsewhere), id);
        QCOMPARE(snapshots(u"reader"_s), u"cfgutil, cfgutil"_s);
    }

    void applyAndRestore()
    {
        const QString initial = idOf(cli({u"read"_s, ecid}));
        QCOMPARE(cli(apply(swapped)).status, 0);
        QCOMPARE(snapshots(u"reason"_s), u"Before apply, Initial read"_s);

        const CliRun otherPhone = cli({u"restore"_s, benEcid, initial});
        QCOMPARE(
                otherPhone.err,
                u"This saved layout belongs to a different iPhone. Select Ana’s iPhone to restore it.\n"_s);
        // Saved in upper case, found in any case.
        const CliRun restored = cli({u"restore"_s, ecid, initial.toLower()});
        QCOMPARE(restored.err, QString());
        QVERIFY(restored.out.endsWith("\nChanges: 2 apps move · Dock unchanged\n"));
        QCOMPARE(calls(u"set-icon-layout"_s), 2);
        QCOMPARE(anaNow(), parsed(anaLayout));
        QCOMPARE(snapshots(u"reason"_s), u"Before apply, Before restore, Initial read"_s);

        writeWorld(world(R"([["com.apple.mobilephone"],["com.apple.Maps"]])"));
        const CliRun appsChanged = cli({u"restore"_s, ecid, initial});
        QCOMPARE(appsChanged.status, 1);
        QVERIFY(appsChanged.err.startsWith(
                u"The app icons on this iPhone changed since the snapshot."_s));
        QCOMPARE(calls(u"set-icon-layout"_s), 0);
    }

    // The status and the sentence of every ending. Once the phone was written to, the status tells
    // what happened whatever becomes of the receipt: a script that retries on 1 must never write
    // twice. The receipt goes to standard output when it can, else to standard error.
    void statuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output"); // empty to capture it, "closed" or a file
        QTest::addColumn<QJsonObject>("faults");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("shown"); // a pattern for "standard output|standard error"
        QTest::addColumn<int>("writes");
        QTest::addColumn<int>("signal"); // sent while the command with the fault sleeps
        const auto err = [](const QString &text) -> QString {
            return u"\\A\\|"_s + QRegularExpression::escape(text) + u"\n\\z"_s;
        };
        const QJsonObject crash{{u"get-icon-layout"_s, QJsonObject{{u"abort"_s, true}}}};
        const QString saved = u"Saved snapshot [0-9A-F-]{36}\\.\n"_s;
        const QString matches = QRegularExpression::escape(readBackMatches) + u"\nChanges: .*\n"_s;
        const QString differs
                = u"Configurator accepted the command, but the layout read back does not match\\. .*\nChanges: .*\n"_s;
        const QString failed
                = u"\\A\\|The apply command did not finish successfully\\. .* Your previous layout is saved as [0-9A-F-]{36}\\.\ncfgutil failed \\(1\\)\\. \n\\z"_s;
        const QJsonObject ignored{{u"set-icon-layout"_s, QJsonObject{{u"ignoreWrite"_s, true}}}};
        const QJsonObject exits{{u"set-icon-layout"_s, QJsonObject{{u"exit"_s, 1}}}};
        // The tool is stopped (the phone stays as it was) and the status is the shell's 128 +
        // signal.
        const QJsonObject sleepingWrite{{u"set-icon-layout"_s, QJsonObject{{u"sleep"_s, 2}}}};
        const QString writing
                = u"\\A\\|Interrupted while writing to the iPhone. The phone may have changed; inspect it before retrying. Your previous layout is saved as [0-9A-F-]{36}\\.\n\\z"_s;
        // clang-format off
        QTest::newRow("unknown phone") << QStringList{u"read"_s, u"0xDEAD"_s} << QString() << QJsonObject() << 1 << err(u"No connected iPhone has the ECID 0xDEAD. Run varnolet-cli devices to see the connected ones."_s) << 0 << 0;
        QTest::newRow("no configurator") << QStringList{u"devices"_s, u"--cfgutil"_s, u"/nonexistent/cfgutil"_s} << QString() << QJsonObject() << 1 << err(u"Could not start /nonexistent/cfgutil: No such file or directory."_s) << 0 << 0;
        QTest::newRow("read crashes, no reader") << QStringList{u"read"_s, ecid} << QString() << crash << 1 << err(u"Could not read the layout. cfgutil failed (%1). \nIf get-icon-layout crashes, install the optional reader from the Varnolet setup guide, then refresh."_s.arg(SIGABRT)) << 0 << 0;
        QTest::newRow("read crashes, the reader named reads") << QStringList{u"read"_s, ecid, u"--reader"_s, QStringLiteral(VARNOLET_FAKE_READER)} << QString() << crash << 0 << u"\\A\\[.*\"com.apple.mobilephone\".*\"com.supercell.clashofclans\".*\\|"_s + saved + u"\\z"_s << 0 << 0;
        QTest::newRow("unknown snapshot") << QStringList{u"restore"_s, ecid, u"../../etc"_s} << QString() << QJsonObject() << 1 << err(u"Invalid snapshot identifier."_s) << 0 << 0;
        QTest::newRow("an app dropped") << apply(QByteArray(anaLayout).replace("\"com.apple.calculator\",", "")) << QString() << QJsonObject() << 1 << err(u"Apply would add or remove app icons. Read the device again."_s) << 0 << 0;
        QTest::newRow("missing --expected") << apply(swapped).mid(0, 3) << QString() << QJsonObject() << 2 << u"\\A\\|Missing option: --expected ORIGINAL\\.\n\nusage: varnolet-cli "_s << 0 << 0;
        for (const QString &output : {QString(), u"closed"_s, u"/dev/full"_s}) {
            const QByteArray name = output.isEmpty() ? "captured" : output.toUtf8();
            const auto receipt = [&](const QString &text) -> QString {
                return output.isEmpty() ? u"\\A"_s + text + u"\\|\\z"_s
                                        : u"\\A\\|"_s + text + u"\\z"_s;
            };
            QTest::addRow("verified, %s", name.data()) << apply(swapped) << output << QJsonObject() << 0 << receipt(matches) << 1 << 0;
            QTest::addRow("not verified, %s", name.data()) << apply(swapped) << output << ignored << 3 << receipt(differs) << 1 << 0;
            QTest::addRow("write failed, %s", name.data()) << apply(swapped) << output << exits << 1 << failed << 1 << 0;
            QTest::addRow("read, %s", name.data()) << QStringList{u"read"_s, ecid} << output << QJsonObject() << int(!output.isEmpty()) << (output.isEmpty() ? u"\\A\\[.*\\|"_s + saved + u"\\z"_s : u"\\A\\|"_s + saved + u"Could not write the layout to standard output\\.\n\\z"_s) << 0 << 0;
        }
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            QTest::addRow("signal %d while writing", signal) << apply(swapped) << QString() << sleepingWrite << 128 + signal << writing << 1 << signal;
        QTest::newRow("SIGINT while reading") << apply(swapped) << QString() << QJsonObject{{u"get-icon-layout"_s, QJsonObject{{u"sleep"_s, 2}}}} << 128 + SIGINT << err(u"Interrupted. Nothing was written to the iPhone."_s) << 0 << SIGINT;
        // clang-format on
    }

    void statuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QFETCH(QJsonObject, faults);
        QFETCH(int, status);
        QFETCH(QString, shown);
        QFETCH(int, writes);
        QFETCH(int, signal);
        writeWorld(world(anaLayout, faults));
        const CliRun run = CliRun::start(
                withTools(arguments), {}, environment(), output, [&](QProcess &process) {
                    if (!signal)
                        return;
                    QTRY_COMPARE_WITH_TIMEOUT(calls(faults.keys().first()), 1, 20000);
                    QTest::qWait(300);
                    ::kill(pid_t(process.processId()), signal);
                });
        QCOMPARE(run.status, status);
        const QString seen = QString::fromUtf8(run.out) + u'|' + run.err;
        QVERIFY2(seen.contains(
                         QRegularExpression(shown, QRegularExpression::DotMatchesEverythingOption)),
                 qPrintable(seen));
        QCOMPARE(calls(u"set-icon-layout"_s), writes);
        // No capture folder is left, nor a tool that would write when its sleep ends.
        QCOMPARE(QDir(m_home->path()).entryList({u"varnolet-process-*"_s}), QStringList());
        QTest::qWait(signal ? 2500 : 0);
        QCOMPARE(anaNow(), parsed(writes && status == 0 ? swapped : anaLayout));
    }
};

QTEST_GUILESS_MAIN(CliDeviceTest)
#include "clidevicetest.moc"
