#include "deviceservice.h"
#include "devicetestsupport.h"
#include "jsoncodec.h"
#include "layoutparser.h"
#include "organizer.h"
#include "processrunner.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <csignal>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QString pagesApp = u"com.apple.Pages"_s;
// What a read finds on the phone, in the configurator's form; the reader's form names Pages.
// clang-format off
const QByteArray beforePages = R"([["com.apple.mobilephone","com.apple.mobilesafari"],["com.apple.Pages","com.spotify.client"]])";
const QByteArray springboardMyPages = R"([[{"bundleIdentifier":"com.apple.mobilephone"},{"bundleIdentifier":"com.apple.mobilesafari"}],[{"bundleIdentifier":"com.apple.Pages","displayName":"My Pages"},{"bundleIdentifier":"com.spotify.client"}]])";
const AppNames sampleNames{{pagesApp, u"Pages"_s}, {u"com.spotify.client"_s, u"Spotify"_s}, {u"net.whatsapp.WhatsApp"_s, u"WhatsApp"_s}, {u"com.google.Maps"_s, u"Google Maps"_s}, {u"com.burbn.instagram"_s, u"Instagram"_s}};
// clang-format on
// What an apply finds: the sample answer's layout, with folders of several pages.
const QJsonArray originalPages
        = JsonCodec::decode(sample(u"cfgutil-get-icon-layout.json"_s))[u"Output"_s][ecid].toArray();

// The real runner, watching what it is asked: a time-out other than 45 s for a read and 90 s for
// the write, and at the write, where the proposal is; `capWrite` cuts a hanging write short.
class WatchedRunner final : public CommandRunning
{
public:
    bool capWrite = false;
    mutable bool usualTimeouts = true;
    mutable bool savedAtWrite = false;

    CommandOutput run(const QString &executable, const QStringList &arguments,
                      const QHash<QString, QString> &environment, double timeout) const override
    {
        const bool write = arguments.contains(u"set-icon-layout"_s);
        usualTimeouts = usualTimeouts && timeout == (write ? 90 : 45);
        // Absolute, so that the configurator can never take the path for an option, and beside
        // the snapshot already saved.
        const QFileInfo proposal(arguments.last());
        savedAtWrite = savedAtWrite
                || (write && proposal.isAbsolute() && proposal.dir().exists(u"snapshot.json"_s));
        return ProcessRunner().run(executable, arguments, environment,
                                   write && capWrite ? 0.5 : timeout);
    }
};

// Changes the proposal or the layout expected on the phone before an apply.
using Edit = std::function<void(Layout &proposed, Layout &expected)>;

// Where an apply ends, which decides the message, the writes and the snapshot.
enum class Outcome { refused, atList, atRead, changed, atWrite, readBack, mismatch, verified };

struct ApplyCase
{
    QByteArray faults; // OTHER: a layout other than the phone's
    Outcome outcome;
    QString description;
    bool withReader = false;
    Device device = phone();
    Edit edit = [](Layout &, Layout &) {};
};

struct ReadCase
{
    QJsonObject faults;
    bool includeNames;
    QString commands;
    QString failure; // %1: the diagnostics folder
    AppNames names;
    QString kept; // the diagnostic saved, if any
    Device device = phone();
    bool blocked = false; // no reader, and no diagnostic can be saved
};

} // namespace

Q_DECLARE_METATYPE(ReadCase)
Q_DECLARE_METATYPE(ApplyCase)

/// Reads and applies through the real runner and the stand-in tools, every apply step × every way
/// a tool fails.
class DeviceServiceTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_temporary;
    QString m_root; // relative, so that any path a tool gets must have been made absolute
    QString m_world;
    std::shared_ptr<WatchedRunner> m_runner;

    DeviceService service(bool withReader = true) const
    {
        return DeviceService(QStringLiteral(VARNOLET_FAKE_CFGUTIL),
                             withReader ? std::optional(QStringLiteral(VARNOLET_FAKE_READER))
                                        : std::nullopt,
                             m_runner, store());
    }
    SnapshotStore store() const { return SnapshotStore(m_root); }
    bool writeWorld(const QJsonArray &layout, const QJsonObject &faults,
                    const QJsonValue &pending = QJsonArray())
    {
        QJsonObject phoneEntry = phone().toJson();
        phoneEntry[u"layout"_s] = layout;
        phoneEntry[u"pendingLayouts"_s] = pending;
        phoneEntry[u"apps"_s] = JsonCodec::decode(
                sample(u"cfgutil-get-installedApps.json"_s))[u"Output"_s][ecid][u"installedApps"_s];
        return writeFile(m_world,
                         JsonCodec::encode(QJsonObject{{u"devices"_s, QJsonArray{phoneEntry}},
                                                       {u"faults"_s, faults}}));
    }
    // The stand-ins' calls from the `from`th on, by name.
    QStringList journal(qsizetype from = 0) const
    {
        QStringList commands;
        for (const QJsonValue &entry : JsonCodec::decode(readFile(m_world))[u"journal"_s].toArray())
            commands.append(entry[u"command"_s].toString());
        return commands.mid(from);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The runner's capture folders land here, where the test can see that none is left.
        QVERIFY(m_temporary.isValid() && QDir::setCurrent(m_temporary.path())
                && QDir().mkpath(u"tmp"_s));
        qputenv("TMPDIR", QFile::encodeName(m_temporary.filePath(u"tmp"_s)));
    }
    void init()
    {
        m_root = QUuid::createUuid().toString(QUuid::WithoutBraces);
        QVERIFY(QDir().mkpath(m_root));
        qputenv("HOME", QFile::encodeName(m_temporary.filePath(m_root)));
        m_world = m_temporary.filePath(m_root + u"/world.json"_s);
        qputenv("VARNOLET_FAKE_WORLD", QFile::encodeName(m_world));
        m_runner = std::make_shared<WatchedRunner>();
    }
    void cleanup()
    {
        QVERIFY(m_runner->usualTimeouts);
        QCOMPARE(entries(QDir::tempPath()), QStringList());
        QCOMPARE(childProcessCount(), 0);
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
        const QString home = qEnvironmentVariable("HOME");
        for (const QString &file : files) {
            QFile program(home + u'/' + file.section(u':', 1));
            QVERIFY(QDir().mkpath(QFileInfo(program).path()) && program.open(QIODevice::WriteOnly)
                    && program.setPermissions(file.startsWith(u"plain:"_s) ? QFile::ReadOwner
                                                                           : QFile::ExeOwner));
        }
        const bool cfg = found.endsWith(u"cfgutil"_s);
        // Only the system-wide configurator comes before the one in the home folder.
        if (cfg
            && DeviceService::firstExecutable(DeviceService::configuratorCandidates().mid(0, 2)))
            QSKIP("this machine has the configurator installed");
        QCOMPARE(cfg ? DeviceService::discoverConfigurator() : DeviceService::discoverFallback(),
                 std::optional(home + u'/' + found));
    }

    void read_data()
    {
        QTest::addColumn<ReadCase>("c");
        const QString cfg = u"configurator-layout"_s, sb = u"springboard-layout"_s;
        const QString read = u"get-icon-layout"_s, reader = u"springboard"_s;
        const QJsonObject fails{{u"exit"_s, 1}};
        const auto says = [](const QByteArray &data) {
            return QJsonObject{{u"stdout"_s, QString::fromUtf8(data)}};
        };
        const QByteArray otherPhone = R"({"Output":{"0x99":)" + beforePages + "}}";
        AppNames layoutFirst = sampleNames;
        layoutFirst[pagesApp] = u"My Pages"_s;
        const auto row = [](const char *name, const ReadCase &c) { QTest::newRow(name) << c; };
        // clang-format off
        row("an ECID that could pass for an option runs nothing", {{}, true, {}, invalidDevice, {}, {}, Device(u"--help"_s, udid, u"Phone"_s, u"iPhone16,2"_s)});
        row("configurator, with names", {{}, true, u"get-icon-layout get-apps"_s, {}, sampleNames, cfg});
        row("configurator, without names", {{}, false, u"get-icon-layout"_s, {}, {}, cfg});
        // The configurator's form names a device; the reader's is not matched to one.
        row("the reader's answer not matched to the ECID", {{{read, fails}, {reader, says(otherPhone)}}, false, u"get-icon-layout springboard"_s, {}, {}, sb});
        row("another phone's layout does not fall back", {{{read, says(otherPhone)}}, true, u"get-icon-layout"_s, u"The layout response does not identify the selected iPhone."_s, {}, cfg});
        row("both failures reported", {{{read, QJsonObject{{u"exit"_s, 3}, {u"stderr"_s, u"Locked.\n"_s}}}, {reader, fails}}, true, u"get-icon-layout springboard"_s, u"Could not read the layout. cfgutil failed (3). Locked.\n\nThe optional reader failed too: pymobiledevice3 failed (1). "_s, {}, {}});
        row("the reader returning nothing", {{{read, fails}, {reader, says(" \n")}}, true, u"get-icon-layout springboard"_s, u"Could not read the layout. cfgutil failed (1). \nThe optional reader failed too: The reader returned nothing."_s, {}, sb});
        row("layout names win over app names", {{{read, fails}, {reader, says(springboardMyPages)}}, true, u"get-icon-layout springboard get-apps"_s, {}, layoutFirst, sb});
        row("names that fail leave the layout's", {{{read, fails}, {reader, says(springboardMyPages)}, {u"get-apps"_s, says(sample(u"cfgutil-error-device-locked.json"_s))}}, true, u"get-icon-layout springboard get-apps"_s, {}, {{pagesApp, u"My Pages"_s}}, sb});
        // Without a reader to fall back on, a response that cannot be kept is not used either.
        row("a response that cannot be kept", {{}, false, u"get-icon-layout"_s, readFailed(u"Could not create the folder %1: File exists."_s), {}, {}, phone(), true});
        // clang-format on
    }
    void read()
    {
        QFETCH(ReadCase, c);
        QVERIFY(writeWorld(JsonCodec::decode(beforePages).toArray(), c.faults));
        const QString diagnostics = store().diagnosticsPath();
        // A file where the folder belongs stops root as well as anyone else.
        QVERIFY(!c.blocked || writeFile(diagnostics, {}));
        std::optional<DeviceRead> result;
        QCOMPARE(failureOf([&] { result = service(!c.blocked).read(c.device, c.includeNames); }),
                 c.blocked ? c.failure.arg(diagnostics) : c.failure);
        QCOMPARE(journal().join(u' '), c.commands);
        // Saved before parsing, and only once the response passed the error check.
        const QStringList saved = entries(diagnostics);
        QCOMPARE(saved.size(), c.kept.isEmpty() ? 0 : 1);
        QVERIFY(c.kept.isEmpty() || saved.first().startsWith(c.kept + u'-'));
        if (!result)
            return;
        QCOMPARE(result->layout, LayoutParser::parse(beforePages, std::nullopt).layout);
        QCOMPARE(result->reader,
                 c.kept.startsWith(u"springboard"_s) ? u"pymobiledevice3"_s : u"cfgutil"_s);
        QCOMPARE(result->names, c.names);
        QCOMPARE(readFile(diagnostics + u'/' + saved.first()), result->raw);
    }

    // A snapshot that fails part-way (at a file-size limit only the names outgrow) leaves no torn
    // record to list, says why, and reaches no phone.
    void snapshotThatCannotBeWritten()
    {
        QVERIFY(writeWorld(originalPages, {}));
        const DeviceRead preview = service().read(phone(), false);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved;
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const rlimit limit{100'000, saved.rlim_max};
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
        const QString failure = failureOf([&] {
            service().apply(preview.layout, preview.layout, phone(),
                            {{pagesApp, QString(150'000, u's')}}, {});
        });
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &saved) == 0);
        QVERIFY2(failure.endsWith(u"/snapshot.json: File too large."_s), qPrintable(failure));
        QCOMPARE(journal(1), QStringList({u"list"_s, u"get-icon-layout"_s}));
        QCOMPARE(store().list(), QList<Snapshot>());
        for (const QString &id : entries(store().snapshotsPath()))
            QVERIFY(!QFileInfo::exists(store().snapshotsPath() + u'/' + id + u"/snapshot.json"_s));
    }

    void apply_data()
    {
        QTest::addColumn<ApplyCase>("c");
        const auto row = [](const char *name, const ApplyCase &c) { QTest::newRow(name) << c; };
        const QString exited = u"cfgutil failed (3). cfgutil: error: Cannot set.\n"_s;
        const QByteArray locked = sample(u"cfgutil-error-device-locked.json"_s);
        const QByteArray envelope = JsonCodec::encode(QJsonObject{
                {u"set-icon-layout"_s, QJsonObject{{u"stdout"_s, QString::fromUtf8(locked)}}}});
        using O = Outcome;
        // Refused before any command, in this order: layouts, inventory; then still connected.
        // clang-format off
        row("a UDID that could pass for a path runs nothing", {"{}", O::refused, invalidDevice, false, Device(ecid, u"../x"_s, u"Phone"_s, u"iPhone16,2"_s)});
        row("proposal over the Dock limit", {"{}", O::refused, u"The iPhone Dock contains more than four items."_s, false, phone(), [](Layout &p, Layout &) { p.pages[0].append(LayoutItem::app(u"com.example.e"_s)); }});
        row("expected layout empty", {"{}", O::refused, u"The layout is empty. Nothing will be applied."_s, false, phone(), [](Layout &, Layout &e) { e = Layout(QList<LayoutPage>(2)); }});
        row("drops an app", {"{}", O::refused, u"Apply would add or remove app icons. Read the device again."_s, false, phone(), [](Layout &p, Layout &) { p.pages.last().removeLast(); }});
        row("duplicates an app", {"{}", O::refused, u"Apply would add or remove app icons. Read the device again."_s, false, phone(), [](Layout &p, Layout &) { p.pages.last().append(p.pages[0][0]); }});
        row("same ECID, another UDID", {"{}", O::atList, u"The selected iPhone is no longer connected. No layout was written."_s, false, Device(ecid, u"00008140-FFFFFFFFFFFFFFFF"_s, u"A"_s, u"iPhone16,2"_s)});
        row("same UDID, another ECID", {"{}", O::atList, u"The selected iPhone is no longer connected. No layout was written."_s, false, Device(u"0x2C2D3E4F50601E"_s, udid, u"A"_s, u"iPhone16,2"_s)});
        // The preview is get-icon-layout call 1, so the current read is call 2 and the read-back 3.
        row("exit status at list", {R"({"list": {"exit": 3, "stderr": "cfgutil: error: Cannot set.\n"}})", O::atList, exited});
        row("exit status at the current read", {R"({"get-icon-layout": {"on": 2, "exit": 3, "stderr": "cfgutil: error: Cannot set.\n"}})", O::atRead, exited});
        row("exit status at write", {R"({"set-icon-layout": {"exit": 3, "stderr": "cfgutil: error: Cannot set.\n"}})", O::atWrite, exited});
        row("exit status at read-back", {R"({"get-icon-layout": {"on": 3, "exit": 3, "stderr": "cfgutil: error: Cannot set.\n"}})", O::readBack, exited});
        row("error envelope at write", {envelope, O::atWrite, reported(locked)});
        row("crash at write", {R"({"set-icon-layout": {"abort": true}})", O::atWrite, u"cfgutil failed (%1). "_s.arg(SIGABRT)});
        row("hang at write, the stop ignored", {R"({"set-icon-layout": {"sleep": 20, "ignoreTerm": true}})", O::atWrite, timedOut});
        row("large output at read-back", {R"({"get-icon-layout": {"on": 3, "flood": 25000000}})", O::readBack, tooLarge});
        row("write accepted, changes nothing", {R"({"set-icon-layout": {"ignoreWrite": true}})", O::mismatch, {}});
        row("write lands differently", {R"({"set-icon-layout": {"storeInstead": OTHER}})", O::mismatch, {}});
        row("layout changed between reads", {R"({"pendingLayouts": [OTHER]})", O::changed, {}});
        row("no fault", {"{}", O::verified, {}});
        row("current read crashes, the reader reads", {R"({"get-icon-layout": {"on": 2, "abort": true}})", O::verified, {}, true});
        // clang-format on
    }
    void apply()
    {
        QFETCH(ApplyCase, c);
        auto [faults, outcome, description, withReader, device, edit] = c;
        QJsonObject faultsObject
                = JsonCodec::decode(faults.replace("OTHER", beforePages)).toObject();
        QVERIFY(writeWorld(originalPages, faultsObject, faultsObject.take(u"pendingLayouts"_s)));
        m_runner->capWrite = faults.contains("sleep");

        // As the app does it: read, organize, then apply what the user saw.
        const DeviceRead preview = service(withReader).read(phone(), true);
        Layout proposed = Organizer::organize(preview.layout, SortOptions(), preview.names);
        Layout expected = preview.layout;
        edit(proposed, expected);
        std::optional<ApplyReceipt> receipt;
        const QString failure = failureOf([&] {
            receipt = service(withReader)
                              .apply(proposed, expected, device, preview.names, u"Apply"_s);
        });

        // Nothing run when refused; else exactly one write once the guards pass, and a snapshot
        // saved before it.
        const QStringList commands = journal(2), ids = entries(store().snapshotsPath());
        const bool wrote = outcome >= Outcome::atWrite;
        QCOMPARE(commands.isEmpty(), outcome == Outcome::refused);
        QCOMPARE(std::tuple(commands.count(u"set-icon-layout"_s), ids.size(),
                            m_runner->savedAtWrite),
                 std::tuple(qsizetype(wrote), qsizetype(wrote), wrote));
        const QString expectedMessage[] = {
                description,
                description,
                readFailed(description),
                u"Your iPhone layout changed after the preview was created. Read it again before "
                "applying."_s,
                u"The apply command did not finish successfully. The phone may have changed; "
                "inspect it before retrying. Your previous layout is saved as "_s
                        + ids.value(0) + u".\n"_s + description,
                u"The command completed, but read-back verification failed: "_s
                        + readFailed(description).chopped(1)
                        + u". Check your iPhone before continuing. Your previous layout is saved."_s,
                u"Configurator accepted the command, but the layout read back does not match. No "
                "second write was attempted. Check the phone; your previous layout is saved."_s,
                u"The layout read back from your iPhone matches the proposal. Check your Home "
                "Screen visually, too."_s};
        QCOMPARE(receipt ? receipt->message : failure, expectedMessage[int(outcome)]);
        QCOMPARE(receipt.has_value(), outcome >= Outcome::readBack);
        if (!receipt)
            return;
        QCOMPARE(receipt->snapshot, store().load(ids.value(0)));
        const Snapshot &s = receipt->snapshot;
        QCOMPARE(std::tuple(receipt->verified, s.layout, s.names, s.reason, s.reader),
                 std::tuple(outcome == Outcome::verified, preview.layout, preview.names, u"Apply"_s,
                            withReader ? u"pymobiledevice3"_s : u"cfgutil"_s));
    }
};

QTEST_GUILESS_MAIN(DeviceServiceTest)
#include "deviceservicetest.moc"
