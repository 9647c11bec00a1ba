#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString cfgutil = QStringLiteral(VARNOLET_FAKE_CFGUTIL);
const QString reader = QStringLiteral(VARNOLET_FAKE_READER);
const QString phone = u"0x1C2D3E4F50601E"_s;
const QString phoneUdid = u"00008140-001C2D3E4F50601E"_s;
const QString eden = u"0xD250C1E40401C"_s;
const QString gone = u"0x1A75D23A2B803A"_s;

struct Result
{
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;
    QByteArray err;
};

QJsonArray json(const char *text)
{
    return QJsonDocument::fromJson(QByteArray(text)).array();
}

const QJsonArray before = json(R"([["com.apple.mobilephone"],
        ["com.apple.Pages", ["Social", "com.burbn.instagram", "net.whatsapp.WhatsApp"]]])");
const QJsonArray after = json(R"([["com.apple.mobilephone"],
        [["Réseaux", ["com.burbn.instagram"], ["net.whatsapp.WhatsApp"]], "com.apple.Pages"]])");

QStringList onPhone(const QString &command)
{
    return {u"--format"_s, u"JSON"_s, u"--ecid"_s, phone, command};
}

} // namespace

class FakesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString worldPath;

    void writeWorld(const QJsonObject &extra = {})
    {
        QJsonObject world{
                {u"devices"_s,
                 QJsonArray{QJsonObject{{u"ecid"_s, phone},
                                        {u"udid"_s, phoneUdid},
                                        {u"name"_s, u"Belle 贝拉小姐"_s},
                                        {u"type"_s, u"iPhone16,2"_s},
                                        {u"layout"_s, before},
                                        {u"apps"_s,
                                         QJsonArray{QJsonObject{
                                                 {u"bundleIdentifier"_s, u"com.apple.Pages"_s},
                                                 {u"displayName"_s, u"Pages"_s}}}}},
                            QJsonObject{{u"ecid"_s, eden},
                                        {u"udid"_s, u"00008150-000D250C1E40401C"_s},
                                        {u"name"_s, u"Eden iPhone "_s},
                                        {u"type"_s, u"iPhone18,1"_s},
                                        {u"locationID"_s, 17825792},
                                        {u"layout"_s, before}},
                            QJsonObject{{u"ecid"_s, gone},
                                        {u"udid"_s, u"00008130-001A75D23A2B803A"_s},
                                        {u"name"_s, u"Drawer"_s},
                                        {u"type"_s, u"iPhone16,2"_s},
                                        {u"layout"_s, before},
                                        {u"connected"_s, false}}}}};
        for (auto it = extra.begin(); it != extra.end(); ++it)
            world.insert(it.key(), it.value());
        QFile file(worldPath);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(world).toJson());
    }

    QJsonObject world() const
    {
        QFile file(worldPath);
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                              : QJsonObject();
    }

    int calls(const QString &command) const
    {
        int count = 0;
        for (const QJsonValue &entry : world().value(u"journal"_s).toArray())
            count += entry[u"command"_s].toString() == command;
        return count;
    }

    QJsonArray layoutOf(const QString &ecid) const
    {
        for (const QJsonValue &device : world().value(u"devices"_s).toArray())
            if (device[u"ecid"_s] == ecid)
                return device[u"layout"_s].toArray();
        return {};
    }

    void start(QProcess &process, const QString &program, const QStringList &arguments,
               const QString &udid = phoneUdid)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"VARNOLET_FAKE_WORLD"_s, worldPath);
        environment.insert(u"PYMOBILEDEVICE3_UDID"_s, udid);
        process.setProcessEnvironment(environment);
        process.setStandardOutputFile(dir.filePath(u"stdout"_s));
        process.setStandardErrorFile(dir.filePath(u"stderr"_s));
        process.start(program, arguments);
        QVERIFY(process.waitForStarted());
    }

    Result run(const QString &program, const QStringList &arguments,
               const QString &udid = phoneUdid)
    {
        QProcess process;
        start(process, program, arguments, udid);
        [&] { QVERIFY(process.waitForFinished(60000)); }();
        QFile out(dir.filePath(u"stdout"_s));
        QFile err(dir.filePath(u"stderr"_s));
        if (!out.open(QIODevice::ReadOnly) || !err.open(QIODevice::ReadOnly))
            return {};
        return {process.exitCode(), process.exitStatus() == QProcess::CrashExit, out.readAll(),
                err.readAll()};
    }

    QJsonObject readLayoutEnvelope()
    {
        const Result result = run(cfgutil, onPhone(u"get-icon-layout"_s));
        [&] { QCOMPARE(result.exitCode, 0); }();
        return QJsonDocument::fromJson(result.out).object();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        worldPath = dir.filePath(u"world.json"_s);
    }
    void init() { writeWorld(); }

    void listsConnectedIphonesKeyedByEcid()
    {
        const Result result = run(cfgutil, {u"--format"_s, u"JSON"_s, u"list"_s});
        QCOMPARE(result.exitCode, 0);
        const QJsonObject root = QJsonDocument::fromJson(result.out).object();
        QCOMPARE(root[u"Command"_s], u"list"_s);
        QCOMPARE(root[u"Type"_s], u"CommandOutput"_s);
        QCOMPARE(root[u"Devices"_s].toArray(), (QJsonArray{phone, eden}));
        QCOMPARE(root[u"Output"_s].toObject().keys(), (QStringList{phone, eden}));
        const QJsonObject expected{{u"UDID"_s, u"00008150-000D250C1E40401C"_s},
                                   {u"ECID"_s, eden},
                                   {u"name"_s, u"Eden iPhone "_s},
                                   {u"deviceType"_s, u"iPhone18,1"_s},
                                   {u"locationID"_s, 17825792}};
        QCOMPARE(root[u"Output"_s][eden].toObject(), expected);
        QCOMPARE(root[u"Output"_s][phone][u"name"_s], u"Belle 贝拉小姐"_s);

        writeWorld({{u"devices"_s, QJsonArray()}});
        QFile empty(QStringLiteral(VARNOLET_SAMPLES) + u"/cfgutil-list-empty.json"_s);
        QVERIFY(empty.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(run(cfgutil, {u"--format"_s, u"JSON"_s, u"list"_s}).out),
                 QJsonDocument::fromJson(empty.readAll()));
    }

    void namesInstalledApps()
    {
        const Result result = run(cfgutil, onPhone(u"get"_s) << u"apps"_s);
        QCOMPARE(result.exitCode, 0);
        const QJsonObject output = QJsonDocument::fromJson(result.out)[u"Output"_s].toObject();
        QCOMPARE(output[phone][u"apps"_s][0][u"displayName"_s], u"Pages"_s);
        QCOMPARE(output[u"Errors"_s].toObject(), (QJsonObject{{phone, QJsonObject()}}));
        QCOMPARE(calls(u"get-apps"_s), 1);
    }

    void writeIsReadBackByBothReaders()
    {
        const QString file = dir.filePath(u"proposed.json"_s);
        QFile proposal(file);
        QVERIFY(proposal.open(QIODevice::WriteOnly));
        proposal.write(QJsonDocument(after).toJson());
        proposal.close();

        const Result write = run(cfgutil, onPhone(u"set-icon-layout"_s) << file);
        QCOMPARE(write.exitCode, 0);
        const QJsonObject success = QJsonDocument::fromJson(write.out).object();
        QCOMPARE(success[u"Command"_s], u"set-icon-layout"_s);
        QCOMPARE(success[u"Output"_s].toObject(), (QJsonObject{{phone, QJsonObject()}}));
        QCOMPARE(success[u"Devices"_s].toArray(), QJsonArray{phone});

        QCOMPARE(readLayoutEnvelope()[u"Output"_s][phone].toArray(), after);
        QCOMPARE(layoutOf(eden), before);

        const Result springboard
                = run(reader, {u"springboard"_s, u"state"_s, u"get"_s, u"--udid"_s, phoneUdid});
        QCOMPARE(springboard.exitCode, 0);
        QVERIFY(springboard.out.contains("\"R\\u00e9seaux\""));
        QVERIFY(springboard.out.contains("\n    [\n        {\n"));
        const QJsonArray pages = QJsonDocument::fromJson(springboard.out).array();
        QCOMPARE(pages.size(), 2);
        QCOMPARE(pages[1][0][u"iconLists"_s][1][0][u"bundleIdentifier"_s],
                 u"net.whatsapp.WhatsApp"_s);
        QCOMPARE(pages[1][0][u"listType"_s], u"folder"_s);
        QCOMPARE(pages[1][1].toObject(),
                 (QJsonObject{{u"bundleIdentifier"_s, u"com.apple.Pages"_s},
                              {u"displayIdentifier"_s, u"com.apple.Pages"_s},
                              {u"displayName"_s, u"Pages"_s}}));

        QCOMPARE(calls(u"set-icon-layout"_s), 1);
        QCOMPARE(calls(u"get-icon-layout"_s), 1);
        QCOMPARE(calls(u"springboard"_s), 1);
        const QJsonObject entry = world()[u"journal"_s][0].toObject();
        QCOMPARE(entry[u"tool"_s], u"cfgutil"_s);
        QCOMPARE(entry[u"arguments"_s].toArray(),
                 QJsonArray::fromStringList(onPhone(u"set-icon-layout"_s) << file));
    }

    void writesThatGoAstray_data()
    {
        QTest::addColumn<QJsonObject>("fault");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stderrText");
        QTest::addColumn<QJsonArray>("stored");
        const QByteArray proposal = QJsonDocument(after).toJson();
        const QJsonArray elsewhere = json(R"([[], ["com.apple.Pages"]])");
        QTest::newRow("accepted, changes nothing")
                << QJsonObject{{u"ignoreWrite"_s, true}} << proposal << 0 << QString() << before;
        QTest::newRow("lands differently") << QJsonObject{{u"storeInstead"_s, elsewhere}}
                                           << proposal << 0 << QString() << elsewhere;
        QTest::newRow("fails") << QJsonObject{{u"exit"_s, 1}, {u"stderr"_s, u"boom\n"_s}}
                               << proposal << 1 << u"boom\n"_s << before;
        QTest::newRow("hangs, then lands")
                << QJsonObject{{u"sleep"_s, 0.2}} << proposal << 0 << QString() << after;
        const QString refused
                = u"cfgutil: error: Cannot set value on device.\n(Domain: "
                  u"com.apple.configurator.MobileDeviceKit.amd.error Code: -402653161)\n"_s;
        QTest::newRow("object, not pages")
                << QJsonObject() << "{\"pages\": []}"_ba << 1 << refused << before;
        QTest::newRow("folder without apps")
                << QJsonObject() << "[[], [[\"Social\"]]]"_ba << 1 << refused << before;
        QTest::newRow("folder mixing apps and pages")
                << QJsonObject() << "[[], [[\"Social\", \"a\", [\"b\"]]]]"_ba << 1 << refused
                << before;
        QTest::newRow("not JSON") << QJsonObject() << "[[\"a\""_ba << 1 << refused << before;
    }
    void writesThatGoAstray()
    {
        QFETCH(QJsonObject, fault);
        QFETCH(QByteArray, file);
        QFETCH(int, exitCode);
        QFETCH(QString, stderrText);
        QFETCH(QJsonArray, stored);
        writeWorld({{u"faults"_s, QJsonObject{{u"set-icon-layout"_s, fault}}}});
        QFile proposal(dir.filePath(u"proposed.json"_s));
        QVERIFY(proposal.open(QIODevice::WriteOnly | QIODevice::Truncate));
        proposal.write(file);
        proposal.close();

        const Result result = run(cfgutil, onPhone(u"set-icon-layout"_s) << proposal.fileName());
        QCOMPARE(result.exitCode, exitCode);
        QCOMPARE(QString::fromUtf8(result.err), stderrText);
        QCOMPARE(layoutOf(phone), stored);
        QCOMPARE(calls(u"set-icon-layout"_s), 1);
    }

    void faultSwitches_data()
    {
        QTest::addColumn<QJsonObject>("faults");
        QTest::addColumn<bool>("viaReader");
        QTest::addColumn<int>("runs");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("crashed");
        QTest::addColumn<QString>("stdoutSample");
        QTest::addColumn<qint64>("stdoutBytes");
        QTest::addColumn<QString>("stderrText");
        const auto on = [](const QString &command, const QJsonValue &fault) {
            return QJsonObject{{command, fault}};
        };
        const QString noDevices = u"cfgutil: error: no devices found\n"_s;
        QTest::newRow("plain failure")
                << on(u"get-icon-layout"_s, QJsonObject{{u"exit"_s, 1}, {u"stderr"_s, noDevices}})
                << false << 1 << 1 << false << QString() << 0LL << noDevices;
        QTest::newRow("error envelope")
                << on(u"get-icon-layout"_s, QJsonObject{{u"envelope"_s, QJsonObject()}}) << false
                << 1 << 0 << false << u"cfgutil-error-device-locked.json"_s << -1LL << QString();
        QTest::newRow("crash") << on(u"get-icon-layout"_s, QJsonObject{{u"abort"_s, true}}) << false
                               << 1 << 0 << true << QString() << 0LL << QString();
        QTest::newRow("second read only") << on(
                u"get-icon-layout"_s,
                QJsonArray{QJsonObject{{u"on"_s, 2}, {u"exit"_s, 5}, {u"stderr"_s, u"two\n"_s}},
                           QJsonObject{{u"on"_s, 3}, {u"exit"_s, 6}}})
                                          << false << 2 << 5 << false << QString() << 0LL
                                          << u"two\n"_s;
        QTest::newRow("third read on")
                << on(u"get-icon-layout"_s, QJsonObject{{u"from"_s, 3}, {u"exit"_s, 7}}) << false
                << 3 << 7 << false << QString() << 0LL << QString();
        QTest::newRow("reader floods")
                << on(u"springboard"_s, QJsonObject{{u"flood"_s, 25000001}}) << true << 1 << 0
                << false << QString() << 25000001LL << QString();
        QTest::newRow("reader prints what it is told")
                << on(u"springboard"_s, QJsonObject{{u"stdout"_s, u"[]"_s}, {u"exit"_s, 2}}) << true
                << 1 << 2 << false << QString() << 2LL << QString();
    }
    void faultSwitches()
    {
        QFETCH(QJsonObject, faults);
        QFETCH(bool, viaReader);
        QFETCH(int, runs);
        QFETCH(int, exitCode);
        QFETCH(bool, crashed);
        QFETCH(QString, stdoutSample);
        QFETCH(qint64, stdoutBytes);
        QFETCH(QString, stderrText);
        writeWorld({{u"faults"_s, faults}});
        const QString program = viaReader ? reader : cfgutil;
        const QStringList arguments = viaReader
                ? QStringList{u"springboard"_s, u"state"_s, u"get"_s, u"--udid"_s, phoneUdid}
                : onPhone(u"get-icon-layout"_s);
        for (int i = 1; i < runs; ++i)
            QCOMPARE(run(program, arguments).exitCode, 0);

        const Result result = run(program, arguments);
        QCOMPARE(result.crashed, crashed);
        if (!crashed)
            QCOMPARE(result.exitCode, exitCode);
        if (stdoutBytes >= 0)
            QCOMPARE(result.out.size(), stdoutBytes);
        if (!stdoutSample.isEmpty()) {
            QFile sample(QStringLiteral(VARNOLET_SAMPLES) + u"/"_s + stdoutSample);
            QVERIFY(sample.open(QIODevice::ReadOnly));
            QCOMPARE(QJsonDocument::fromJson(result.out),
                     QJsonDocument::fromJson(sample.readAll()));
        }
        QCOMPARE(QString::fromUtf8(result.err), stderrText);
        QCOMPARE(calls(viaReader ? u"springboard"_s : u"get-icon-layout"_s), runs);
    }

    void layoutChangesBetweenReads()
    {
        writeWorld({{u"devices"_s,
                     QJsonArray{QJsonObject{{u"ecid"_s, phone},
                                            {u"udid"_s, phoneUdid},
                                            {u"name"_s, u"A"_s},
                                            {u"type"_s, u"iPhone16,2"_s},
                                            {u"layout"_s, before},
                                            {u"pendingLayouts"_s, QJsonArray{after}}}}}});
        QCOMPARE(readLayoutEnvelope()[u"Output"_s][phone].toArray(), before);
        QCOMPARE(readLayoutEnvelope()[u"Output"_s][phone].toArray(), after);
        QCOMPARE(readLayoutEnvelope()[u"Output"_s][phone].toArray(), after);
    }

    void hangsUntilStopped_data()
    {
        QTest::addColumn<bool>("ignoreTerm");
        QTest::newRow("stops on SIGTERM") << false;
        QTest::newRow("ignores SIGTERM") << true;
    }
    void hangsUntilStopped()
    {
        QFETCH(bool, ignoreTerm);
        writeWorld({{u"faults"_s,
                     QJsonObject{{u"list"_s,
                                  QJsonObject{{u"sleep"_s, 60}, {u"ignoreTerm"_s, ignoreTerm}}}}}});
        QProcess process;
        start(process, cfgutil, {u"--format"_s, u"JSON"_s, u"list"_s});
        QTRY_COMPARE_WITH_TIMEOUT(calls(u"list"_s), 1, 10000);
        QTest::qWait(500); // the journal entry comes just before the fault takes hold
        process.terminate();
        QCOMPARE(process.waitForFinished(1000), !ignoreTerm);
        process.kill();
        process.waitForFinished();
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    }

    void refusesUnknownCommandLines_data()
    {
        QTest::addColumn<bool>("viaReader");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("udid");
        QTest::newRow("no arguments") << false << QStringList() << phoneUdid;
        QTest::newRow("unknown command") << false << onPhone(u"erase"_s) << phoneUdid;
        QTest::newRow("plain-text format") << false << QStringList{u"list"_s} << phoneUdid;
        QTest::newRow("unknown option")
                << false << (QStringList{u"-v"_s} + onPhone(u"list"_s)) << phoneUdid;
        QTest::newRow("extra argument")
                << false << (onPhone(u"get-icon-layout"_s) << u"x"_s) << phoneUdid;
        QTest::newRow("write without a file")
                << false << onPhone(u"set-icon-layout"_s) << phoneUdid;
        QTest::newRow("unknown property") << false << (onPhone(u"get"_s) << u"name"_s) << phoneUdid;
        QTest::newRow("malformed ECID")
                << false << QStringList{u"--format"_s, u"JSON"_s, u"--ecid"_s, u"0x"_s, u"list"_s}
                << phoneUdid;
        const QStringList springboard{u"springboard"_s, u"state"_s, u"get"_s, u"--udid"_s,
                                      phoneUdid};
        QTest::newRow("reader: other command")
                << true
                << QStringList{u"springboard"_s, u"state"_s, u"set"_s, u"--udid"_s, phoneUdid}
                << phoneUdid;
        QTest::newRow("reader: no UDID") << true << springboard.mid(0, 3) << phoneUdid;
        QTest::newRow("reader: UDID environment differs") << true << springboard << u"other"_s;
    }
    void refusesUnknownCommandLines()
    {
        QFETCH(bool, viaReader);
        QFETCH(QStringList, arguments);
        QFETCH(QString, udid);
        const Result result = run(viaReader ? reader : cfgutil, arguments, udid);
        QCOMPARE(result.exitCode, 64);
        QVERIFY(result.out.isEmpty());
        QVERIFY(result.err.startsWith(viaReader ? "pymobiledevice3: error: " : "cfgutil: error: "));
        QCOMPARE(calls(u"unknown"_s), 1);
    }

    void addressesConnectedDevicesOnly_data()
    {
        QTest::addColumn<bool>("viaReader");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stderrEnd");
        QTest::newRow("disconnected ECID")
                << false
                << QStringList{u"--format"_s, u"JSON"_s, u"--ecid"_s, gone, u"get-icon-layout"_s}
                << 1 << u"cfgutil: error: no devices found\n"_s;
        QTest::newRow("same ECID in decimal")
                << false
                << QStringList{u"--format"_s, u"JSON"_s, u"--ecid"_s, u"7931044989788190"_s,
                               u"get-icon-layout"_s}
                << 0 << QString();
        const QString stranger = u"00008140-0000000000000000"_s;
        QTest::newRow("reader: unknown UDID")
                << true
                << QStringList{u"springboard"_s, u"state"_s, u"get"_s, u"--udid"_s, stranger} << 0
                << u"] ERROR Device not found: "_s + stranger + u"\n"_s;
    }
    void addressesConnectedDevicesOnly()
    {
        QFETCH(bool, viaReader);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, stderrEnd);
        const Result result = run(viaReader ? reader : cfgutil, arguments, arguments.last());
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(QString::fromUtf8(result.err).endsWith(stderrEnd), result.err.constData());
        QCOMPARE(result.out.isEmpty(), !stderrEnd.isEmpty());
    }

    void refusesWithoutAWorld()
    {
        worldPath = dir.filePath(u"missing.json"_s);
        const Result result = run(cfgutil, {u"--format"_s, u"JSON"_s, u"list"_s});
        worldPath = dir.filePath(u"world.json"_s);
        QCOMPARE(result.exitCode, 78);
        QCOMPARE(QString::fromUtf8(result.err),
                 u"Cannot read the world file "_s + dir.filePath(u"missing.json"_s) + u".\n"_s);
    }
};

QTEST_GUILESS_MAIN(FakesTest)
#include "fakestest.moc"
