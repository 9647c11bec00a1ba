#include "deviceservice.h"
#include "fakeworld.h"
#include "jsoncodec.h"
#include "layoutparser.h"
#include "organizer.h"
#include "platformerror.h"
#include "processrunner.h"
#include "varnoleterror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString cfgutil = QStringLiteral(VARNOLET_FAKE_CFGUTIL);
const QString reader = QStringLiteral(VARNOLET_FAKE_READER);
const QString ecid = u"0x1C2D3E4F50601E"_s;
const QString udid = u"00008140-001C2D3E4F50601E"_s;

const QString timedOut = u"The device command timed out. Unlock your iPhone, check the USB cable, "
                         "and close Configurator's window. If this happened while applying, check "
                         "your phone before trying another write."_s;
const QString tooLarge = u"Device output was unexpectedly large."_s;
const QString readFailedStart = u"Could not read the layout. "_s;
const QString readFailedEnd = u"\nIf get-icon-layout crashes, install the optional reader from "
                              "the Varnolet setup guide, then refresh."_s;
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

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject sampleObject(const QString &name)
{
    return QJsonDocument::fromJson(readFile(QStringLiteral(VARNOLET_SAMPLES) + u'/' + name))
            .object();
}

// The phone's layout: the sample get-icon-layout answer's, folders of several pages included.
QJsonArray originalPages()
{
    return sampleObject(u"cfgutil-get-icon-layout.json"_s)[u"Output"_s][ecid].toArray();
}

// The same apps with the first two Dock icons swapped, as if moved by hand.
QJsonArray otherPages()
{
    QJsonArray pages = originalPages();
    QJsonArray dock = pages.at(0).toArray();
    const QJsonValue first = dock.takeAt(0);
    dock.insert(1, first);
    pages.replace(0, dock);
    return pages;
}

QJsonArray sampleApps()
{
    return sampleObject(u"cfgutil-get-installedApps.json"_s)[u"Output"_s][ecid][u"installedApps"_s]
            .toArray();
}

Layout layoutOf(const QJsonValue &pages)
{
    return LayoutParser::parse(JsonCodec::encode(pages)).layout;
}

QJsonArray pagesOf(const Layout &layout)
{
    return QJsonDocument::fromJson(layout.cfgutilData()).array();
}

QJsonObject phoneEntry(const QJsonArray &pending = {})
{
    QJsonObject entry{{u"ecid"_s, ecid},
                      {u"udid"_s, udid},
                      {u"name"_s, u"Alex’s iPhone"_s},
                      {u"type"_s, u"iPhone16,2"_s},
                      {u"layout"_s, originalPages()},
                      {u"apps"_s, sampleApps()}};
    if (!pending.isEmpty())
        entry.insert(u"pendingLayouts"_s, pending);
    return entry;
}

// Every process whose parent is this test, reaped or not.
QList<qint64> childProcesses()
{
    QList<qint64> children;
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    const QStringList entries = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        QFile stat(u"/proc/"_s + entry + u"/stat"_s);
        if (!isPid || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (command) state ppid …", where the command may hold blanks and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1) == self)
            children.append(pid);
    }
    return children;
}

// The real runner, watched: what the service asked for, and a look at the disk before each
// command. `writeCap` shortens the write's time-out for the one case that waits for a hanging tool.
class WatchedRunner final : public CommandRunning
{
public:
    double writeCap = std::numeric_limits<double>::infinity();
    mutable QList<double> requested;
    std::function<void(const QStringList &)> beforeRun;

    CommandOutput run(const QString &executable, const QStringList &arguments,
                      const QHash<QString, QString> &environment, double timeout) const override
    {
        requested.append(timeout);
        if (beforeRun)
            beforeRun(arguments);
        const bool write = arguments.contains(u"set-icon-layout"_s);
        return m_runner.run(executable, arguments, environment,
                            write ? std::min(timeout, writeCap) : timeout);
    }

private:
    ProcessRunner m_runner;
};

// Where in an apply a case ends, which decides the message, the writes and the snapshot.
enum class Outcome {
    failsAtList,
    failsAtRead,
    changedSincePreview,
    failsAtWrite,
    readBackFails,
    mismatch,
    verified
};

} // namespace

Q_DECLARE_METATYPE(Outcome)

class DeviceServiceEndToEndTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_temporary;
    QString m_case;
    QString m_world;
    QString m_temp;

    void writeWorld(const QJsonObject &world);
    QJsonObject readWorld() const { return QJsonDocument::fromJson(readFile(m_world)).object(); }
    QStringList journal() const;
    int writes() const { return int(journal().count(u"set-icon-layout"_s)); }
    QJsonArray phoneLayout() const { return readWorld()[u"devices"_s][0][u"layout"_s].toArray(); }
    SnapshotStore store() const { return SnapshotStore::standard(); }
    QStringList entries(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }
    void checkNothingLeft();

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void nullRunnerRunsProcesses();
    void readOrganizeApplyVerified();
    void readWhenGetIconLayoutCrashes_data();
    void readWhenGetIconLayoutCrashes();
    void applyFaults_data();
    void applyFaults();
};

void DeviceServiceEndToEndTest::initTestCase()
{
    QVERIFY(m_temporary.isValid());
    QVERIFY2(QDir(u"/proc"_s).exists(), "these tests look for processes in /proc");
    QVERIFY(QFileInfo(cfgutil).isExecutable());
    QVERIFY(QFileInfo(reader).isExecutable());
    // The runner's capture folders land here, where the test can see that none is left.
    m_temp = m_temporary.filePath(u"tmp"_s);
    QVERIFY(QDir().mkpath(m_temp));
    qputenv("TMPDIR", QFile::encodeName(m_temp));
}

void DeviceServiceEndToEndTest::init()
{
    static int cases = 0;
    m_case = m_temporary.filePath(u"case-"_s + QString::number(++cases));
    QVERIFY(QDir().mkpath(m_case + u"/home"_s));
    qputenv("HOME", QFile::encodeName(m_case + u"/home"_s));
    m_world = m_case + u"/world.json"_s;
    qputenv("VARNOLET_FAKE_WORLD", QFile::encodeName(m_world));
}

void DeviceServiceEndToEndTest::cleanup()
{
    checkNothingLeft();
}

void DeviceServiceEndToEndTest::checkNothingLeft()
{
    const QStringList leftovers = entries(m_temp).filter(u"varnolet-process-"_s);
    QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(u", "_s)));
    const QList<qint64> children = childProcesses();
    QVERIFY2(children.isEmpty(), qPrintable(u"child processes left: %1"_s.arg(children.size())));
}

void DeviceServiceEndToEndTest::writeWorld(const QJsonObject &world)
{
    QFile file(m_world);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(file.write(QJsonDocument(world).toJson()) > 0);
}

QStringList DeviceServiceEndToEndTest::journal() const
{
    QStringList commands;
    for (const QJsonValue &entry : readWorld()[u"journal"_s].toArray())
        commands.append(entry[u"command"_s].toString());
    return commands;
}

void DeviceServiceEndToEndTest::nullRunnerRunsProcesses()
{
    writeWorld({{u"devices"_s, QJsonArray{phoneEntry()}}});
    const DeviceService service(cfgutil, std::nullopt, nullptr, store());
    QCOMPARE(service.devices(),
             (QList<Device>{Device(ecid, udid, u"Alex’s iPhone"_s, u"iPhone16,2"_s)}));
    QCOMPARE(journal(), QStringList{u"list"_s});
}

void DeviceServiceEndToEndTest::readOrganizeApplyVerified()
{
    const QJsonObject tablet{{u"ecid"_s, u"0x2B"_s},
                             {u"udid"_s, u"00008103-00000000000002B"_s},
                             {u"name"_s, u"Tab"_s},
                             {u"type"_s, u"iPad13,1"_s},
                             {u"layout"_s, originalPages()}};
    QJsonObject drawer = phoneEntry();
    drawer.insert(u"ecid"_s, u"0x3C"_s);
    drawer.insert(u"udid"_s, u"00008130-00000000000003C"_s);
    drawer.insert(u"connected"_s, false);
    writeWorld({{u"devices"_s, QJsonArray{phoneEntry(), tablet, drawer}}});

    const auto runner = std::make_shared<WatchedRunner>();
    QByteArray proposalAtWrite;
    bool recordAtWrite = false;
    runner->beforeRun = [&](const QStringList &arguments) {
        if (arguments.contains(u"set-icon-layout"_s)) {
            proposalAtWrite = readFile(arguments.last());
            recordAtWrite = QFileInfo::exists(QFileInfo(arguments.last()).absolutePath()
                                              + u"/snapshot.json"_s);
        }
    };
    const DeviceService service(cfgutil, reader, runner, store());

    const QList<Device> devices = service.devices();
    QCOMPARE(devices, (QList<Device>{Device(ecid, udid, u"Alex’s iPhone"_s, u"iPhone16,2"_s)}));

    const DeviceRead read = service.read(devices.first(), true);
    QCOMPARE(read.reader, u"cfgutil"_s);
    QCOMPARE(read.layout, layoutOf(originalPages()));
    QCOMPARE(read.names.value(u"com.spotify.client"_s), u"Spotify"_s);
    QCOMPARE(read.names.size(), sampleApps().size());

    const Layout proposed = Organizer::organize(read.layout, SortOptions(), read.names);
    QVERIFY(proposed != read.layout);

    const ApplyReceipt receipt = service.apply(proposed, read.layout, devices.first(), read.names,
                                               u"Apply proposal"_s);
    QCOMPARE(receipt.message, verifiedMessage);
    QVERIFY(receipt.verified);
    QCOMPARE(layoutOf(phoneLayout()), proposed);

    QCOMPARE(journal(),
             (QStringList{u"list"_s, u"get-icon-layout"_s, u"get-apps"_s, u"list"_s,
                          u"get-icon-layout"_s, u"set-icon-layout"_s, u"get-icon-layout"_s}));
    QCOMPARE(runner->requested, (QList<double>{45, 45, 45, 45, 45, 90, 45}));
    const QString folder = store().snapshotsPath() + u'/' + receipt.snapshot.id;
    const QJsonArray writeCall = readWorld()[u"journal"_s][5][u"arguments"_s].toArray();
    QCOMPARE(writeCall.last().toString(), folder + u"/proposed-layout.json"_s);
    QCOMPARE(proposalAtWrite, proposed.cfgutilData());
    QVERIFY(recordAtWrite);

    QCOMPARE(store().list(), QList<Snapshot>{receipt.snapshot});
    QCOMPARE(receipt.snapshot.layout, read.layout);
    QCOMPARE(receipt.snapshot.names, read.names);
    // One diagnostic per layout response: the preview, the current read and the read-back.
    QCOMPARE(entries(store().diagnosticsPath()).filter(u"configurator-layout-"_s).size(), 3);
}

void DeviceServiceEndToEndTest::readWhenGetIconLayoutCrashes_data()
{
    QTest::addColumn<bool>("withFallback");
    QTest::newRow("with the reader") << true;
    QTest::newRow("without the reader") << false;
}

void DeviceServiceEndToEndTest::readWhenGetIconLayoutCrashes()
{
    QFETCH(bool, withFallback);

    writeWorld(
            {{u"devices"_s, QJsonArray{phoneEntry()}},
             {u"faults"_s, QJsonObject{{u"get-icon-layout"_s, QJsonObject{{u"abort"_s, true}}}}}});
    const DeviceService service(cfgutil, withFallback ? std::optional(reader) : std::nullopt,
                                std::make_shared<ProcessRunner>(), store());
    const Device device(ecid, udid, u"Alex’s iPhone"_s, u"iPhone16,2"_s);

    if (!withFallback) {
        QString message;
        try {
            service.read(device, true);
        } catch (const std::exception &error) {
            message = PlatformError::describe(error);
        }
        QCOMPARE(message,
                 readFailedStart + u"cfgutil failed (%1). "_s.arg(SIGABRT) + readFailedEnd);
        QCOMPARE(journal(), QStringList{u"get-icon-layout"_s});
        return;
    }

    const DeviceRead read = service.read(device, true);
    QCOMPARE(read.reader, u"pymobiledevice3"_s);
    QCOMPARE(read.layout, layoutOf(originalPages()));
    QCOMPARE(read.names.value(u"com.apple.Pages"_s), u"Pages"_s);
    QCOMPARE(journal(), (QStringList{u"get-icon-layout"_s, u"springboard"_s, u"get-apps"_s}));
    const QStringList saved = entries(store().diagnosticsPath());
    QCOMPARE(saved.size(), 1);
    QVERIFY(saved.first().startsWith(u"springboard-layout-"_s));
    QCOMPARE(readFile(store().diagnosticsPath() + u'/' + saved.first()), read.raw);
}

void DeviceServiceEndToEndTest::applyFaults_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QJsonObject>("fault");
    QTest::addColumn<QJsonArray>("pending");
    QTest::addColumn<bool>("withFallback");
    QTest::addColumn<double>("cap");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("phoneAfter");

    const double none = std::numeric_limits<double>::infinity();
    // The preview is get-icon-layout call 1, so the current read is call 2 and the read-back 3.
    struct Step
    {
        const char *name;
        const char *command;
        int call;
        Outcome outcome;
        const char *phoneAfter;
    };
    const Step steps[] = {
            {"list", "list", 1, Outcome::failsAtList, "original"},
            {"current read", "get-icon-layout", 2, Outcome::failsAtRead, "original"},
            {"write", "set-icon-layout", 1, Outcome::failsAtWrite, "original"},
            {"read-back", "get-icon-layout", 3, Outcome::readBackFails, "proposed"},
    };
    for (const Step &step : steps) {
        const QString command = QString::fromLatin1(step.command);
        const auto row
                = [&](const char *fault, const QJsonObject &switches, const QString &description) {
                      QJsonObject on = switches;
                      on.insert(u"on"_s, step.call);
                      QTest::addRow("%s at %s", fault, step.name)
                              << command << on << QJsonArray() << false << none << step.outcome
                              << description << QString::fromLatin1(step.phoneAfter);
                  };
        row("exit status",
            {{u"exit"_s, 3}, {u"stderr"_s, u"cfgutil: error: Cannot set value.\n"_s}},
            u"cfgutil failed (3). cfgutil: error: Cannot set value.\n"_s);
        row("error envelope", {{u"envelope"_s, QJsonObject()}},
            u"Configurator reported an error: "_s
                    + QString::fromUtf8(FakeWorld::errorEnvelope(command, {}, {ecid})));
        row("crash", {{u"abort"_s, true}}, u"cfgutil failed (%1). "_s.arg(SIGABRT));
        row("large output", {{u"flood"_s, 25'000'000}}, tooLarge);
    }

    QTest::newRow("hang at write")
            << u"set-icon-layout"_s << QJsonObject{{u"sleep"_s, 20}, {u"ignoreTerm"_s, true}}
            << QJsonArray() << false << 0.5 << Outcome::failsAtWrite << timedOut << u"original"_s;
    QTest::newRow("layout changed between reads")
            << QString() << QJsonObject() << QJsonArray{otherPages()} << false << none
            << Outcome::changedSincePreview << QString() << u"other"_s;
    QTest::newRow("write accepted, changes nothing")
            << u"set-icon-layout"_s << QJsonObject{{u"ignoreWrite"_s, true}} << QJsonArray()
            << false << none << Outcome::mismatch << QString() << u"original"_s;
    QTest::newRow("write lands differently")
            << u"set-icon-layout"_s << QJsonObject{{u"storeInstead"_s, otherPages()}}
            << QJsonArray() << false << none << Outcome::mismatch << QString() << u"other"_s;
    QTest::newRow("current read crashes, reader reads")
            << u"get-icon-layout"_s << QJsonObject{{u"on"_s, 2}, {u"abort"_s, true}} << QJsonArray()
            << true << none << Outcome::verified << QString() << u"proposed"_s;
    QTest::newRow("read-back fails, reader reads")
            << u"get-icon-layout"_s
            << QJsonObject{{u"on"_s, 3}, {u"exit"_s, 1}, {u"stderr"_s, u"x"_s}} << QJsonArray()
            << true << none << Outcome::verified << QString() << u"proposed"_s;
    QTest::newRow("no fault") << QString() << QJsonObject() << QJsonArray() << false << none
                              << Outcome::verified << QString() << u"proposed"_s;
}

void DeviceServiceEndToEndTest::applyFaults()
{
    QFETCH(QString, command);
    QFETCH(QJsonObject, fault);
    QFETCH(QJsonArray, pending);
    QFETCH(bool, withFallback);
    QFETCH(double, cap);
    QFETCH(Outcome, outcome);
    QFETCH(QString, description);
    QFETCH(QString, phoneAfter);

    QJsonObject world{{u"devices"_s, QJsonArray{phoneEntry(pending)}}};
    if (!command.isEmpty())
        world.insert(u"faults"_s, QJsonObject{{command, fault}});
    writeWorld(world);

    const auto runner = std::make_shared<WatchedRunner>();
    const DeviceService service(cfgutil, withFallback ? std::optional(reader) : std::nullopt,
                                runner, store());
    const Device device(ecid, udid, u"Alex’s iPhone"_s, u"iPhone16,2"_s);

    // As the app does it: read, organize, then apply what the user saw.
    const DeviceRead preview = service.read(device, true);
    const Layout proposed = Organizer::organize(preview.layout, SortOptions(), preview.names);

    bool snapshotAtWrite = false;
    runner->writeCap = cap;
    runner->beforeRun = [&](const QStringList &arguments) {
        if (arguments.contains(u"set-icon-layout"_s))
            snapshotAtWrite = readFile(arguments.last()) == proposed.cfgutilData()
                    && QFileInfo::exists(QFileInfo(arguments.last()).absolutePath()
                                         + u"/snapshot.json"_s);
    };

    QString message;
    std::optional<ApplyReceipt> receipt;
    try {
        receipt = service.apply(proposed, preview.layout, device, preview.names, u"Apply"_s);
        message = receipt->message;
    } catch (const std::exception &error) {
        message = PlatformError::describe(error);
    }

    const QStringList ids = entries(store().snapshotsPath());
    const bool wrote = outcome >= Outcome::failsAtWrite;
    QCOMPARE(writes(), wrote ? 1 : 0);
    QCOMPARE(snapshotAtWrite, wrote);
    QCOMPARE(ids.size(), wrote ? 1 : 0);
    if (wrote)
        QCOMPARE(
                readFile(store().snapshotsPath() + u'/' + ids.first() + u"/proposed-layout.json"_s),
                proposed.cfgutilData());

    QString expected;
    switch (outcome) {
    case Outcome::failsAtList:
        expected = description;
        break;
    case Outcome::failsAtRead:
        expected = readFailedStart + description + readFailedEnd;
        break;
    case Outcome::changedSincePreview:
        expected = changedSincePreview;
        break;
    case Outcome::failsAtWrite:
        expected = writeFailedStart + ids.value(0) + u".\n"_s + description;
        break;
    case Outcome::readBackFails:
        expected = readBackFailed(readFailedStart + description + readFailedEnd);
        break;
    case Outcome::mismatch:
        expected = mismatch;
        break;
    case Outcome::verified:
        expected = verifiedMessage;
        break;
    }
    QCOMPARE(message, expected);
    QCOMPARE(receipt.has_value(), outcome >= Outcome::readBackFails);
    if (receipt) {
        QCOMPARE(receipt->verified, outcome == Outcome::verified);
        QCOMPARE(receipt->snapshot.id, ids.value(0));
        QCOMPARE(receipt->snapshot.layout, preview.layout);
    }

    const QJsonArray expectedPhone = phoneAfter == u"proposed"_s ? pagesOf(proposed)
            : phoneAfter == u"other"_s                           ? otherPages()
                                                                 : originalPages();
    QCOMPARE(layoutOf(phoneLayout()), layoutOf(expectedPhone));
    if (cap < 90) {
        QCOMPARE(runner->requested.size(), 5);
        QCOMPARE(runner->requested.last(), 90.0);
    }
}

QTEST_GUILESS_MAIN(DeviceServiceEndToEndTest)
#include "deviceserviceendtoendtest.moc"
