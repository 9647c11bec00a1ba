#include "deviceservice.h"
#include "devicetestsupport.h"
#include "jsoncodec.h"
#include "organizer.h"
#include "processrunner.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// The phone's layout: the sample answer's, with folders of several pages.
const QJsonArray originalPages
        = JsonCodec::decode(sample(u"cfgutil-get-icon-layout.json"_s))[u"Output"_s][ecid].toArray();

// The same apps with the first two Dock icons swapped, as if moved by hand.
QJsonArray otherPages()
{
    QJsonArray pages = originalPages, dock = pages[0].toArray();
    dock.insert(1, dock.takeAt(0));
    pages[0] = dock;
    return pages;
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
enum class Outcome { atList, atRead, changed, atWrite, readBack, mismatch, verified };

} // namespace

Q_DECLARE_METATYPE(Outcome)

/// Every apply step × every way a tool fails, through the real runner and the stand-in tools.
class DeviceServiceEndToEndTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_temporary;
    QString m_world;
    QString m_temp;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_temporary.isValid());
        // The runner's capture folders land here, where the test can see that none is left.
        m_temp = m_temporary.filePath(u"tmp"_s);
        QVERIFY(QDir().mkpath(m_temp));
        qputenv("TMPDIR", QFile::encodeName(m_temp));
    }
    void init()
    {
        static int cases = 0;
        const QString folder = m_temporary.filePath(u"case-"_s + QString::number(++cases));
        QVERIFY(QDir().mkpath(folder + u"/home"_s));
        qputenv("HOME", QFile::encodeName(folder + u"/home"_s));
        m_world = folder + u"/world.json"_s;
        qputenv("VARNOLET_FAKE_WORLD", QFile::encodeName(m_world));
    }
    void cleanup()
    {
        QCOMPARE(entries(m_temp), QStringList());
        QCOMPARE(childProcessCount(), 0);
    }

    void applyFaults_data()
    {
        QTest::addColumn<QByteArray>("faults"); // OTHER: the phone's apps, two of them swapped
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("withReader");
        const QString exited = u"cfgutil failed (3). cfgutil: error: Cannot set.\n"_s;
        const QByteArray locked = sample(u"cfgutil-error-device-locked.json"_s);
        const QByteArray envelope = JsonCodec::encode(QJsonObject{
                {u"set-icon-layout"_s, QJsonObject{{u"stdout"_s, QString::fromUtf8(locked)}}}});
        // The preview is get-icon-layout call 1, so the current read is call 2 and the read-back 3.
        // clang-format off
        QTest::newRow("exit status at list") << R"({"list": {"exit": 3, "stderr": "cfgutil: error: Cannot set.\n"}})"_ba << Outcome::atList << exited << false;
        QTest::newRow("exit status at the current read") << R"({"get-icon-layout": {"on": 2, "exit": 3, "stderr": "cfgutil: error: Cannot set.\n"}})"_ba << Outcome::atRead << exited << false;
        QTest::newRow("exit status at write") << R"({"set-icon-layout": {"exit": 3, "stderr": "cfgutil: error: Cannot set.\n"}})"_ba << Outcome::atWrite << exited << false;
        QTest::newRow("exit status at read-back") << R"({"get-icon-layout": {"on": 3, "exit": 3, "stderr": "cfgutil: error: Cannot set.\n"}})"_ba << Outcome::readBack << exited << false;
        QTest::newRow("error envelope at write") << envelope << Outcome::atWrite << reported(locked) << false;
        QTest::newRow("crash at write") << R"({"set-icon-layout": {"abort": true}})"_ba << Outcome::atWrite << u"cfgutil failed (%1). "_s.arg(SIGABRT) << false;
        QTest::newRow("hang at write, the stop ignored") << R"({"set-icon-layout": {"sleep": 20, "ignoreTerm": true}})"_ba << Outcome::atWrite << timedOut << false;
        QTest::newRow("large output at read-back") << R"({"get-icon-layout": {"on": 3, "flood": 25000000}})"_ba << Outcome::readBack << tooLarge << false;
        QTest::newRow("write accepted, changes nothing") << R"({"set-icon-layout": {"ignoreWrite": true}})"_ba << Outcome::mismatch << QString() << false;
        QTest::newRow("write lands differently") << R"({"set-icon-layout": {"storeInstead": OTHER}})"_ba << Outcome::mismatch << QString() << false;
        QTest::newRow("layout changed between reads") << R"({"pendingLayouts": [OTHER]})"_ba << Outcome::changed << QString() << false;
        QTest::newRow("no fault") << "{}"_ba << Outcome::verified << QString() << false;
        QTest::newRow("current read crashes, the reader reads") << R"({"get-icon-layout": {"on": 2, "abort": true}})"_ba << Outcome::verified << QString() << true;
        // clang-format on
    }
    void applyFaults()
    {
        QFETCH(QByteArray, faults);
        QFETCH(Outcome, outcome);
        QFETCH(QString, description);
        QFETCH(bool, withReader);
        QJsonObject faultsObject
                = JsonCodec::decode(faults.replace("OTHER", JsonCodec::encode(otherPages())))
                          .toObject();
        QJsonObject phoneEntry = phone().toJson();
        phoneEntry[u"layout"_s] = originalPages;
        phoneEntry[u"pendingLayouts"_s] = faultsObject.take(u"pendingLayouts"_s);
        // Display names, so that organizing changes the layout.
        phoneEntry[u"apps"_s] = JsonCodec::decode(
                sample(u"cfgutil-get-installedApps.json"_s))[u"Output"_s][ecid][u"installedApps"_s];
        QVERIFY(writeFile(m_world,
                          JsonCodec::encode(QJsonObject{{u"devices"_s, QJsonArray{phoneEntry}},
                                                        {u"faults"_s, faultsObject}})));
        // Without a runner of its own the service runs processes; only a hanging tool needs the
        // write's time-out cut short.
        const auto runner = faults.contains("sleep") ? std::make_shared<CappedRunner>() : nullptr;
        const SnapshotStore store = SnapshotStore::standard();
        const DeviceService service(QStringLiteral(VARNOLET_FAKE_CFGUTIL),
                                    withReader ? std::optional(QStringLiteral(VARNOLET_FAKE_READER))
                                               : std::nullopt,
                                    runner, store);

        // As the app does it: read, organize, then apply what the user saw.
        const DeviceRead preview = service.read(phone(), true);
        const Layout proposed = Organizer::organize(preview.layout, SortOptions(), preview.names);
        std::optional<ApplyReceipt> receipt;
        const QString failure = failureOf([&] {
            receipt = service.apply(proposed, preview.layout, phone(), {}, u"Apply"_s);
        });

        // Exactly one write once the guards pass, and a snapshot for it.
        const QStringList ids = entries(store.snapshotsPath());
        const QJsonObject after = JsonCodec::decode(readFile(m_world)).toObject();
        const bool wrote = outcome >= Outcome::atWrite;
        int writes = 0;
        for (const QJsonValue &entry : after[u"journal"_s].toArray())
            writes += entry[u"command"_s] == u"set-icon-layout"_s;
        QCOMPARE(writes, wrote ? 1 : 0);
        QCOMPARE(ids.size(), wrote ? 1 : 0);
        const QString expected[] = {
                description,
                readFailed(description),
                changedSincePreview,
                u"The apply command did not finish successfully. The phone may have changed; "
                "inspect it before retrying. Your previous layout is saved as "_s
                        + ids.value(0) + u".\n"_s + description,
                readBackFailed(readFailed(description)),
                u"Configurator accepted the command, but the layout read back does not match. No "
                "second write was attempted. Check the phone; your previous layout is saved."_s,
                readBackMatches};
        QCOMPARE(receipt ? receipt->message : failure, expected[int(outcome)]);
        QCOMPARE(receipt.has_value(), outcome >= Outcome::readBack);
        if (receipt)
            QCOMPARE(std::tuple(receipt->verified, receipt->snapshot.id, receipt->snapshot.layout),
                     std::tuple(outcome == Outcome::verified, ids.value(0), preview.layout));
    }
};

QTEST_GUILESS_MAIN(DeviceServiceEndToEndTest)
#include "deviceserviceendtoendtest.moc"
