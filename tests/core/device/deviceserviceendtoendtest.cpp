#include "deviceservice.h"
#include "devicetestsupport.h"
#include "fakeworld.h"
#include "jsoncodec.h"
#include "layoutparser.h"
#include "organizer.h"
#include "processrunner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QString cfgutil = QStringLiteral(VARNOLET_FAKE_CFGUTIL);
const QString reader = QStringLiteral(VARNOLET_FAKE_READER);

// The phone's layout: the sample answer's, with folders of several pages.
QJsonArray originalPages()
{
    return QJsonDocument::fromJson(sample(u"cfgutil-get-icon-layout.json"_s))[u"Output"_s][ecid]
            .toArray();
}

// The same apps with the first two Dock icons swapped, as if moved by hand.
QJsonArray otherPages()
{
    QJsonArray pages = originalPages();
    QJsonArray dock = pages.at(0).toArray();
    dock.insert(1, dock.takeAt(0));
    pages.replace(0, dock);
    return pages;
}

Layout layoutOf(const QJsonValue &pages)
{
    return LayoutParser::parse(JsonCodec::encode(pages)).layout;
}

QJsonObject phoneEntry(const QJsonArray &pending = {})
{
    QJsonObject entry = phone().toJson();
    entry.insert(u"layout"_s, originalPages());
    entry.insert(u"pendingLayouts"_s, pending);
    // Display names, so that organizing changes the layout.
    entry.insert(
            u"apps"_s,
            QJsonDocument::fromJson(sample(
                    u"cfgutil-get-installedApps.json"_s))[u"Output"_s][ecid][u"installedApps"_s]);
    return entry;
}

// The real runner, with the write's time-out cut to half a second.
class CappedRunner final : public CommandRunning
{
public:
    CommandOutput run(const QString &executable, const QStringList &arguments,
                      const QHash<QString, QString> &environment, double timeout) const override
    {
        const bool write = arguments.contains(u"set-icon-layout"_s);
        return ProcessRunner().run(executable, arguments, environment, write ? 0.5 : timeout);
    }
};

// Where an apply ends, which decides the message, the writes and the snapshot.
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

    QTemporaryDir m_temporary;
    QString m_world;
    QString m_temp;

    QJsonObject readWorld() const { return QJsonDocument::fromJson(readFile(m_world)).object(); }
    static SnapshotStore store() { return SnapshotStore::standard(); }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void applyFaults_data();
    void applyFaults();
};

void DeviceServiceEndToEndTest::initTestCase()
{
    QVERIFY(m_temporary.isValid());
    // The runner's capture folders land here, where the test can see that none is left.
    m_temp = m_temporary.filePath(u"tmp"_s);
    QVERIFY(QDir().mkpath(m_temp));
    qputenv("TMPDIR", QFile::encodeName(m_temp));
}

void DeviceServiceEndToEndTest::init()
{
    static int cases = 0;
    const QString folder = m_temporary.filePath(u"case-"_s + QString::number(++cases));
    QVERIFY(QDir().mkpath(folder + u"/home"_s));
    qputenv("HOME", QFile::encodeName(folder + u"/home"_s));
    m_world = folder + u"/world.json"_s;
    qputenv("VARNOLET_FAKE_WORLD", QFile::encodeName(m_world));
}

void DeviceServiceEndToEndTest::cleanup()
{
    QCOMPARE(entries(m_temp), QStringList());
    QCOMPARE(childProcessCount(), 0);
}

void DeviceServiceEndToEndTest::applyFaults_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QJsonObject>("fault");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QJsonArray>("pending");
    QTest::addColumn<bool>("withFallback");

    const auto row = [](const char *name, const QString &command, const QJsonObject &fault,
                        Outcome outcome, const QString &description = {},
                        const QJsonArray &pending = {}, bool withFallback = false) {
        QTest::newRow(name) << command << fault << outcome << description << pending
                            << withFallback;
    };
    const QString read = u"get-icon-layout"_s;
    const QString write = u"set-icon-layout"_s;
    // The preview is get-icon-layout call 1, so the current read is call 2 and the read-back 3.
    const auto on = [](int call, QJsonObject fault) {
        fault.insert(u"on"_s, call);
        return fault;
    };
    const QJsonObject exitStatus{{u"exit"_s, 3}, {u"stderr"_s, u"cfgutil: error: Cannot set.\n"_s}};
    const QString exited = u"cfgutil failed (3). cfgutil: error: Cannot set.\n"_s;
    const QJsonObject envelope{{u"envelope"_s, QJsonObject()}};
    const QJsonObject crash{{u"abort"_s, true}};

    row("exit status at list", u"list"_s, exitStatus, Outcome::failsAtList, exited);
    row("exit status at the current read", read, on(2, exitStatus), Outcome::failsAtRead, exited);
    row("exit status at write", write, exitStatus, Outcome::failsAtWrite, exited);
    row("exit status at read-back", read, on(3, exitStatus), Outcome::readBackFails, exited);
    row("error envelope at write", write, envelope, Outcome::failsAtWrite,
        reported(FakeWorld::errorEnvelope(write, {}, {ecid})));
    row("crash at write", write, crash, Outcome::failsAtWrite,
        u"cfgutil failed (%1). "_s.arg(SIGABRT));
    row("hang at write, the stop ignored", write, {{u"sleep"_s, 20}, {u"ignoreTerm"_s, true}},
        Outcome::failsAtWrite, timedOut);
    row("large output at read-back", read, on(3, {{u"flood"_s, 25'000'000}}),
        Outcome::readBackFails, tooLarge);
    row("write accepted, changes nothing", write, {{u"ignoreWrite"_s, true}}, Outcome::mismatch);
    row("write lands differently", write, {{u"storeInstead"_s, otherPages()}}, Outcome::mismatch);
    row("layout changed between reads", {}, {}, Outcome::changedSincePreview, {},
        QJsonArray{otherPages()});
    row("no fault", {}, {}, Outcome::verified);
    row("current read crashes, the reader reads", read, on(2, crash), Outcome::verified, {}, {},
        true);
}

void DeviceServiceEndToEndTest::applyFaults()
{
    QFETCH(QString, command);
    QFETCH(QJsonObject, fault);
    QFETCH(Outcome, outcome);
    QFETCH(QString, description);
    QFETCH(QJsonArray, pending);
    QFETCH(bool, withFallback);

    const QJsonObject world{{u"devices"_s, QJsonArray{phoneEntry(pending)}},
                            {u"faults"_s, QJsonObject{{command, fault}}}};
    QVERIFY(writeFile(m_world, QJsonDocument(world).toJson()));
    // Without a runner of its own the service runs processes; only a hanging tool needs the
    // write's time-out cut short.
    const auto runner = fault.contains(u"sleep"_s) ? std::make_shared<CappedRunner>() : nullptr;
    const DeviceService service(cfgutil, withFallback ? std::optional(reader) : std::nullopt,
                                runner, store());

    // As the app does it: read, organize, then apply what the user saw.
    const DeviceRead preview = service.read(phone(), true);
    const Layout proposed = Organizer::organize(preview.layout, SortOptions(), preview.names);
    std::optional<ApplyReceipt> receipt;
    const QString failure = failureOf(
            [&] { receipt = service.apply(proposed, preview.layout, phone(), {}, u"Apply"_s); });

    // Exactly one write once the guards pass, and a snapshot for it.
    const QStringList ids = entries(store().snapshotsPath());
    const bool wrote = outcome >= Outcome::failsAtWrite;
    int writes = 0;
    for (const QJsonValue &entry : readWorld()[u"journal"_s].toArray())
        writes += entry[u"command"_s] == u"set-icon-layout"_s;
    QCOMPARE(writes, wrote ? 1 : 0);
    QCOMPARE(ids.size(), wrote ? 1 : 0);

    const QString expected[] = {description,
                                readFailed(description),
                                changedSincePreview,
                                writeFailed(ids.value(0), description),
                                readBackFailed(readFailed(description)),
                                readBackDiffers,
                                readBackMatches};
    QCOMPARE(receipt ? receipt->message : failure, expected[int(outcome)]);
    QCOMPARE(receipt.has_value(), outcome >= Outcome::readBackFails);
    if (receipt) {
        QCOMPARE(receipt->verified, outcome == Outcome::verified);
        QCOMPARE(receipt->snapshot.id, ids.value(0));
        QCOMPARE(receipt->snapshot.layout, preview.layout);
    }
    const QJsonValue phoneNow = readWorld()[u"devices"_s][0][u"layout"_s];
    if (!pending.isEmpty() || fault.contains(u"storeInstead"_s))
        QCOMPARE(layoutOf(phoneNow), layoutOf(otherPages()));
    else if (outcome == Outcome::readBackFails || outcome == Outcome::verified)
        QCOMPARE(layoutOf(phoneNow), proposed);
    else
        QCOMPARE(layoutOf(phoneNow), preview.layout);
}

QTEST_GUILESS_MAIN(DeviceServiceEndToEndTest)
#include "deviceserviceendtoendtest.moc"
