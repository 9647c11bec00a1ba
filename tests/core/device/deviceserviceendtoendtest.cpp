#include "deviceservice.h"
#include "devicetestsupport.h"
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

Layout layoutOf(const QJsonValue &pages)
{
    return LayoutParser::parse(JsonCodec::encode(pages)).layout;
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
        QTest::addColumn<QString>("command");
        QTest::addColumn<QJsonObject>("fault");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("withFallback");
        const auto row
                = [](const char *name, const QString &command, const QJsonObject &fault,
                     Outcome outcome, const QString &description = {}, bool fallback = false) {
                      QTest::newRow(name) << command << fault << outcome << description << fallback;
                  };
        // The preview is get-icon-layout call 1, so the current read is call 2 and the read-back 3.
        const QString read = u"get-icon-layout"_s, write = u"set-icon-layout"_s;
        const auto on = [](int call, QJsonObject fault) {
            fault.insert(u"on"_s, call);
            return fault;
        };
        const QJsonObject status{{u"exit"_s, 3}, {u"stderr"_s, u"cfgutil: error: Cannot set.\n"_s}};
        const QString exited = u"cfgutil failed (3). cfgutil: error: Cannot set.\n"_s;
        const QByteArray locked = sample(u"cfgutil-error-device-locked.json"_s);
        const QJsonObject crash{{u"abort"_s, true}};
        // clang-format off
        row("exit status at list", u"list"_s, status, Outcome::atList, exited);
        row("exit status at the current read", read, on(2, status), Outcome::atRead, exited);
        row("exit status at write", write, status, Outcome::atWrite, exited);
        row("exit status at read-back", read, on(3, status), Outcome::readBack, exited);
        row("error envelope at write", write, {{u"stdout"_s, QString::fromUtf8(locked)}}, Outcome::atWrite, reported(locked));
        row("crash at write", write, crash, Outcome::atWrite, u"cfgutil failed (%1). "_s.arg(SIGABRT));
        row("hang at write, the stop ignored", write, {{u"sleep"_s, 20}, {u"ignoreTerm"_s, true}}, Outcome::atWrite, timedOut);
        row("large output at read-back", read, on(3, {{u"flood"_s, 25'000'000}}), Outcome::readBack, tooLarge);
        row("write accepted, changes nothing", write, {{u"ignoreWrite"_s, true}}, Outcome::mismatch);
        row("write lands differently", write, {{u"storeInstead"_s, otherPages()}}, Outcome::mismatch);
        row("layout changed between reads", u"pending"_s, {}, Outcome::changed);
        row("no fault", {}, {}, Outcome::verified);
        row("current read crashes, the reader reads", read, on(2, crash), Outcome::verified, {}, true);
        // clang-format on
    }
    void applyFaults()
    {
        QFETCH(QString, command);
        QFETCH(QJsonObject, fault);
        QFETCH(Outcome, outcome);
        QFETCH(QString, description);
        QFETCH(bool, withFallback);
        QJsonObject phoneEntry = phone().toJson();
        phoneEntry[u"layout"_s] = originalPages;
        if (command == u"pending"_s)
            phoneEntry[u"pendingLayouts"_s] = QJsonArray{otherPages()};
        // Display names, so that organizing changes the layout.
        phoneEntry[u"apps"_s] = JsonCodec::decode(
                sample(u"cfgutil-get-installedApps.json"_s))[u"Output"_s][ecid][u"installedApps"_s];
        const QJsonObject world{{u"devices"_s, QJsonArray{phoneEntry}},
                                {u"faults"_s, QJsonObject{{command, fault}}}};
        QVERIFY(writeFile(m_world, JsonCodec::encode(world)));
        // Without a runner of its own the service runs processes; only a hanging tool needs the
        // write's time-out cut short.
        const auto runner = fault.contains(u"sleep"_s) ? std::make_shared<CappedRunner>() : nullptr;
        const SnapshotStore store = SnapshotStore::standard();
        const DeviceService service(
                cfgutil(), withFallback ? std::optional(reader()) : std::nullopt, runner, store);

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
        if (receipt) {
            QCOMPARE(receipt->verified, outcome == Outcome::verified);
            QCOMPARE(receipt->snapshot.id, ids.value(0));
            QCOMPARE(receipt->snapshot.layout, preview.layout);
        }
        const Layout onPhone = layoutOf(after[u"devices"_s][0][u"layout"_s]);
        if (command == u"pending"_s || fault.contains(u"storeInstead"_s))
            QCOMPARE(onPhone, layoutOf(otherPages()));
        else
            QCOMPARE(onPhone,
                     outcome == Outcome::readBack || outcome == Outcome::verified ? proposed
                                                                                  : preview.layout);
    }

private:
    static QString cfgutil() { return QStringLiteral(VARNOLET_FAKE_CFGUTIL); }
    static QString reader() { return QStringLiteral(VARNOLET_FAKE_READER); }
};

QTEST_GUILESS_MAIN(DeviceServiceEndToEndTest)
#include "deviceserviceendtoendtest.moc"
