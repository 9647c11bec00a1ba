#include "snapshot.h"
#include "jsoncodec.h"
#include "layoutparser.h"
#include "layouttestsupport.h"
#include "restorecheck.h"
#include "snapshotstore.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QUuid>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// The permissions of owner, group and others, in Qt's order: 0x7055 for 0755.
QList<int> modes(const QStringList &paths)
{
    QList<int> modes;
    for (const QString &path : paths)
        modes.append(int(QFile::permissions(path)) & 0x7077);
    return modes;
}

DeviceRead sampleRead()
{
    const QByteArray raw = sample(u"cfgutil-get-icon-layout.json"_s);
    return {LayoutParser::parse(raw, ecid).layout,
            {{u"com.apple.Pages"_s, u"From the read"_s}},
            raw,
            u"cfgutil"_s};
}

// A record written by hand, with a date that has no fraction.
Snapshot sampleSnapshot()
{
    const Layout layout = parse(u"com.apple.mobilephone | Social:com.burbn.instagram"_s);
    return {1,
            u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"_s,
            QDateTime(QDate(2026, 12, 5), QTime(11, 45, 55), Qt::UTC),
            phone(),
            layout,
            layout.fingerprint(),
            {{u"com.burbn.instagram"_s, u"Instagram"_s}},
            u"Initial read"_s,
            u"cfgutil"_s};
}

const auto newId = [] { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); };

using Damage = std::function<void(const QString &folder)>;
using Refused = std::function<void(const SnapshotStore &, Snapshot)>;

const QString changed = u"This snapshot was changed or is incomplete. Restore is blocked."_s;
const QString crowdedDock = u"The iPhone Dock contains more than four items."_s;

// Every path under `folder`.
QStringList tree(const QString &folder)
{
    QStringList paths;
    for (QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        paths.append(it.next());
    return paths;
}

// Sets `key` of the record in `folder`; an undefined value removes it.
void setInRecord(const QString &folder, const QString &key, const QJsonValue &value)
{
    QJsonObject record = JsonCodec::decode(readFile(folder + u"/snapshot.json"_s)).toObject();
    record.insert(key, value);
    QVERIFY(writeFile(folder + u"/snapshot.json"_s, JsonCodec::encode(record)));
}

} // namespace

/// The snapshot record, the restore checks and the store on disk.
class SnapshotTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_temporary;
    QString m_root;
    SnapshotStore store{QString()};
    Snapshot saved;
    QString folder;

    // A store in a folder of its own holding one snapshot.
    void saveOne()
    {
        store = SnapshotStore(m_root);
        saved = store.save(sampleRead(), phone(), {}, u"r"_s);
        folder = store.snapshotsPath() + u'/' + saved.id;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_temporary.isValid());
        // With no umask, anything the store does not narrow itself would show up as 0666/0777.
        ::umask(0);
    }
    void init() { m_root = m_temporary.filePath(newId() + u"/Varnolet"_s); }

    void recordForm()
    {
        const Snapshot snapshot = sampleSnapshot();
        const QJsonObject record = snapshot.toJson();
        const auto stored
                = R"({"date":"2026-12-05T11:45:55Z","device":{"ecid":"0x1C2D3E4F50601E","name":"Alex’s iPhone","type":"iPhone16,2","udid":"00008140-001C2D3E4F50601E"},"fingerprint":"7cc5dcacb6dcd5413759347f38fcea67dca70fe426febc6763cfb2134524c397","id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","layout":{"pages":[[{"app":{"_0":"com.apple.mobilephone"}}],[{"folder":{"_0":"Social","_1":[["com.burbn.instagram"]]}}]]},"names":{"com.burbn.instagram":"Instagram"},"reader":"cfgutil","reason":"Initial read","schemaVersion":1})";
        QCOMPARE(QJsonValue(record), JsonCodec::decode(stored));
        // Dates are written in UTC with whole seconds, the fraction dropped rather than rounded.
        QCOMPARE(Snapshot::formatDate(
                         QDateTime(QDate(2026, 12, 5), QTime(12, 45, 55, 999), QTimeZone(3600))),
                 u"2026-12-05T11:45:55Z"_s);
        QCOMPARE(Snapshot::fromJson(JsonCodec::decode(JsonCodec::encode(record))), snapshot);
        QCOMPARE(failureOf([] { Snapshot::fromJson(QJsonArray()); }),
                 u"Expected to decode a snapshot record but found another value."_s);
        QCOMPARE(Snapshot::parseDate(u"2026-12-05T12:45:55+01:00"_s).toString(Qt::ISODate),
                 u"2026-12-05T11:45:55Z"_s);
    }
    void restoreCheck_data()
    {
        QTest::addColumn<Device>("selected");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("failure");
        const QString other
                = u"This saved layout belongs to a different iPhone. Select Alex’s iPhone to restore it."_s;
        const QString changed
                = u"The app icons on this iPhone changed since the snapshot. Automatic restore is blocked to avoid adding or losing icons. You can inspect original-layout.json in the snapshot folder."_s;
        const Device renamed(ecid, udid, u"Work"_s, u"iPhone16,2"_s);
        // clang-format off
        QTest::newRow("same phone renamed, same apps in another order") << renamed << u"b a a"_s << QString();
        QTest::newRow("other ECID") << Device(u"0x2B"_s, udid, u"A"_s, u"B"_s) << u"a a b"_s << other;
        QTest::newRow("same ECID, other UDID") << Device(ecid, u"0008-2B"_s, u"A"_s, u"B"_s) << u"a a b"_s << other;
        QTest::newRow("an app added") << renamed << u"a a b c"_s << changed;
        QTest::newRow("a duplicate gone") << renamed << u"a b b"_s << changed;
        // clang-format on
    }
    void restoreCheck()
    {
        QFETCH(Device, selected);
        QFETCH(QString, current);
        QFETCH(QString, failure);
        Snapshot saved = sampleSnapshot();
        saved.layout = parse(u"| a a b"_s);
        QCOMPARE(failureOf([&] {
                     RestoreCheck::verifyDevice(saved, selected);
                     RestoreCheck::verifyInventory(saved, parse(u"| "_s + current));
                 }),
                 failure);
    }

    void saveThenLoadUnderHome()
    {
        qputenv("VARNOLET_STORE", "/y/store");
        QCOMPARE(SnapshotStore::standard().root, u"/y/store"_s);
        qunsetenv("VARNOLET_STORE");
        const QString home = m_temporary.filePath(u"home"_s);
#ifdef Q_OS_MACOS
        const QString kept = home + u"/Library"_s, made = kept + u"/Application Support"_s;
#else
        const QString kept = home + u"/.local"_s, made = kept + u"/share"_s;
#endif
        QVERIFY(QDir().mkpath(kept));
        QCOMPARE(::chmod(QFile::encodeName(kept).constData(), 0755), 0);
        qputenv("HOME", QFile::encodeName(home));
        const SnapshotStore store = SnapshotStore::standard();
        QCOMPARE(store.root, made + u"/Varnolet"_s);

        const DeviceRead read = sampleRead();
        const AppNames names{{u"com.apple.Pages"_s, u"Pages"_s}};
        const Snapshot saved = store.save(read, phone(), names, u"Initial read"_s);
        QCOMPARE(saved.id, saved.id.toUpper());
        QCOMPARE(saved.names, names); // the caller's, not the read's
        QVERIFY(qAbs(saved.date.secsTo(QDateTime::currentDateTimeUtc())) < 600);
        const QString folder = store.snapshotsPath() + u'/' + saved.id;
        QCOMPARE(entries(folder),
                 u"original-layout.json raw-layout.json snapshot.json"_s.split(u' '));
        QCOMPARE(readFile(folder + u"/raw-layout.json"_s), read.raw);
        QCOMPARE(readFile(folder + u"/original-layout.json"_s), read.layout.cfgutilData());
        QCOMPARE(readFile(folder + u"/snapshot.json"_s), JsonCodec::encode(saved.toJson()));
        QCOMPARE(store.load(saved.id.toLower()), saved);
        QCOMPARE(store.list(), QList<Snapshot>{saved});

        const QString proposal = store.saveProposal(saved.layout, saved);
        const QString diagnostic
                = store.saveDiagnostic("\xff\xfe\x00raw"_ba, u"springboard-layout"_s);
        const QRegularExpression uuid(u"[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}"_s);
        QCOMPARE(QString(diagnostic).replace(uuid, u"U"_s),
                 store.diagnosticsPath() + u"/springboard-layout-U.json"_s);
        QCOMPARE(readFile(diagnostic), "\xff\xfe\x00raw"_ba);
        QVERIFY(store.saveDiagnostic("{}"_ba, u"springboard-layout"_s) != diagnostic);
        // Folders the store makes are 0700 and its files 0600; a folder that was there is kept.
        QCOMPARE(modes({kept}), QList<int>{0x7055});
        QCOMPARE(modes({made, store.root, store.snapshotsPath(), folder, store.diagnosticsPath()}),
                 QList<int>(5, 0x7000));
        QCOMPARE(modes({folder + u"/raw-layout.json"_s, folder + u"/original-layout.json"_s,
                        folder + u"/snapshot.json"_s, proposal, diagnostic}),
                 QList<int>(5, 0x6000));
    }
    void listNewestFirstSkippingOthers()
    {
        const SnapshotStore store(m_root);
        // Dates set by hand, so that no test waits for the clock; each reason names its date.
        const QStringList dates{u"2026-03-01T10:00:00Z"_s, u"2026-05-01T10:00:00Z"_s,
                                u"2026-01-01T10:00:00Z"_s};
        for (const QString &date : dates)
            setInRecord(store.snapshotsPath() + u'/'
                                + store.save(sampleRead(), phone(), {}, date).id,
                        u"date"_s, date);
        // An incomplete snapshot, a folder and a file that are no snapshots.
        QVERIFY(QDir().mkpath(store.snapshotsPath() + u'/' + newId()));
        QVERIFY(QDir().mkpath(store.snapshotsPath() + u"/notes"_s));
        QVERIFY(writeFile(store.snapshotsPath() + u'/' + newId(), "a file"_ba));
        QStringList reasons;
        for (const Snapshot &snapshot : store.list())
            reasons.append(snapshot.reason);
        QCOMPARE(reasons, (QStringList{dates[1], dates[0], dates[2]}));
    }
    // Each refusal of a store holding one snapshot, its folder first damaged: nothing under the
    // store changes, and what does not load is not offered for restore. %1: the snapshot folder.
    void refusals_data()
    {
        QTest::addColumn<Damage>("damage");
        QTest::addColumn<Refused>("refused");
        QTest::addColumn<QString>("failure");
        Layout swapped = sampleRead().layout;
        std::swap(swapped.pages[0][0], swapped.pages[0][1]);
        Layout crowded = sampleRead().layout;
        crowded.pages[0].append(LayoutItem::app(u"com.example.fifth"_s));
        const Damage none = [](const QString &) {};
        // Moved to where "../x" leads from the snapshots folder.
        const Damage moved = [](const QString &folder) {
            QVERIFY(QDir().rename(folder, folder + u"/../../x"_s));
        };
        const auto set = [](const QString &key, const QJsonValue &value) {
            return Damage([=](const QString &folder) { setInRecord(folder, key, value); });
        };
        const auto removed = [](const QString &file) {
            return Damage(
                    [=](const QString &folder) { QVERIFY(QFile::remove(folder + u'/' + file)); });
        };
        const Refused load
                = [](const SnapshotStore &store, Snapshot snapshot) { store.load(snapshot.id); };
        // clang-format off
        const auto row = [](const char *name, const Damage &damage, const Refused &refused, const QString &failure) { QTest::newRow(name) << damage << refused << failure; };
        row("raw response deleted", removed(u"raw-layout.json"_s), load, QString());
        row("original layout not a layout", [](const QString &folder) { QVERIFY(writeFile(folder + u"/original-layout.json"_s, "{}")); }, load, u"Unrecognized layout response. Export diagnostics to inspect it."_s);
        row("fingerprint edited", set(u"fingerprint"_s, QString(64, u'0')), load, changed);
        row("layout edited in the record", set(u"layout"_s, swapped.toRecord()), load, changed);
        row("record layout beyond the limits", set(u"layout"_s, crowded.toRecord()), load, crowdedDock);
        row("record device invalid", set(u"device"_s, Device(u"0x"_s, udid, u"n"_s, u"t"_s).toJson()), load, invalidDevice);
        row("schema version 2", set(u"schemaVersion"_s, 2), load, u"Unsupported snapshot version."_s);
        row("copied under another identifier", set(u"id"_s, newId()), load, u"Unsupported snapshot version."_s);
        row("record deleted", removed(u"snapshot.json"_s), load, u"Could not read %1/snapshot.json: No such file or directory."_s);
        for (const QString &key : sampleSnapshot().toJson().keys())
            QTest::addRow("record without %s", qPrintable(key)) << set(key, QJsonValue::Undefined) << load << u"No value associated with key \"%1\"."_s.arg(key);
        const QString mismatch = u"Expected to decode %1 for \"%2\" but found another value."_s;
        row("schemaVersion a fraction", set(u"schemaVersion"_s, 1.5), load, mismatch.arg(u"an integer"_s, u"schemaVersion"_s));
        row("id a number", set(u"id"_s, 1), load, mismatch.arg(u"a string"_s, u"id"_s));
        row("names an array", set(u"names"_s, QJsonArray()), load, mismatch.arg(u"a dictionary"_s, u"names"_s));
        row("a name a number", set(u"names"_s, QJsonObject{{u"a"_s, 1}}), load, mismatch.arg(u"a string"_s, u"names.a"_s));
        // Only whole seconds and a zone: other ISO forms are refused.
        for (const char *date : {"2026-12-05T11:45:55.5Z", "2026-12-05T11:45:55", "2026-12-05T11:45:55Z\n", "2026-02-30T11:45:55Z"})
            QTest::addRow("date %s", date) << set(u"date"_s, QString::fromLatin1(date)) << load << u"The snapshot date is not in ISO 8601 format."_s;
        row("device without a UDID", set(u"device"_s, QJsonObject{{u"ecid"_s, u"1"_s}, {u"name"_s, u"n"_s}, {u"type"_s, u"t"_s}}), load, u"No value associated with key \"udid\"."_s);
        for (const QString &id : {u"../x"_s, u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F/../../x"_s, u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\n"_s}) {
            QTest::addRow("load %s", qPrintable(id)) << moved << Refused([id](const SnapshotStore &store, Snapshot) { store.load(id); }) << u"Invalid snapshot identifier."_s;
            QTest::addRow("proposal for %s", qPrintable(id)) << moved << Refused([id](const SnapshotStore &store, Snapshot snapshot) { snapshot.id = id; store.saveProposal(snapshot.layout, snapshot); }) << u"Invalid snapshot identifier."_s;
        }
        row("save of a Dock only", none, [](const SnapshotStore &store, Snapshot) { DeviceRead read = sampleRead(); read.layout.pages.resize(1); store.save(read, phone(), {}, u"r"_s); }, u"Expected a Dock and at least one Home Screen page."_s);
        row("save for a phone without ECID", none, [](const SnapshotStore &store, Snapshot) { store.save(sampleRead(), Device(u"0x"_s, udid, u"n"_s, u"t"_s), {}, u"r"_s); }, invalidDevice);
        row("proposal beyond the limits", none, [](const SnapshotStore &store, Snapshot snapshot) { snapshot.layout.pages[0].append(LayoutItem::app(u"com.example.fifth"_s)); store.saveProposal(snapshot.layout, snapshot); }, crowdedDock);
        row("proposal for a snapshot not there", moved, [](const SnapshotStore &store, Snapshot snapshot) { store.saveProposal(snapshot.layout, snapshot); }, u"Could not write %1/proposed-layout.json: No such file or directory."_s);
        row("diagnostic label leading out", none, [](const SnapshotStore &store, Snapshot) { store.saveDiagnostic("x"_ba, u"../escaped"_s); }, u"Invalid diagnostic label."_s);
        row("diagnostic label with a null", none, [](const SnapshotStore &store, Snapshot) { store.saveDiagnostic("x"_ba, u"a\0b"_s); }, u"Invalid diagnostic label."_s);
        // clang-format on
    }
    void refusals()
    {
        QFETCH(Damage, damage);
        QFETCH(Refused, refused);
        QFETCH(QString, failure);
        saveOne();
        damage(folder);
        const QStringList before = tree(store.root);
        QCOMPARE(failureOf([&] { refused(store, saved); }), failure.replace(u"%1"_s, folder));
        QCOMPARE(tree(store.root), before);
        QCOMPARE(store.list().size(), int(failureOf([&] { store.load(saved.id); }).isEmpty()));
    }
    void unwritableFolders()
    {
        // A file where the store expects its folder: a clear error, and the file is left alone.
        QVERIFY(QDir().mkpath(QFileInfo(m_root).path()) && writeFile(m_root, "keep me"_ba));
        QCOMPARE(failureOf([&] { saveOne(); }),
                 u"Could not create the folder %1: File exists."_s.arg(m_root));
        QCOMPARE(readFile(m_root), "keep me"_ba);

        init();
        saveOne();
        // A proposal already there is replaced only through a new file, which cannot be made here.
        store.saveProposal(saved.layout, saved);
        // File permissions do not stop the superuser: as root, check them as an ordinary user.
        const bool root = ::geteuid() == 0;
        for (const QString &path : tree(m_temporary.path()) + QStringList{m_temporary.path()})
            QVERIFY(!root || ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0);
        const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner;
        const auto restore = qScopeGuard([&] {
            for (const QString &path : {m_root, store.snapshotsPath(), folder})
                QFile::setPermissions(path, readOnly | QFile::WriteOwner);
            if (root && (::seteuid(0) != 0 || ::setegid(0) != 0))
                qFatal("Could not become root again.");
        });
        QVERIFY(!root || (::setegid(65534) == 0 && ::seteuid(65534) == 0));
        for (const QString &path : {folder, store.snapshotsPath(), m_root})
            QVERIFY(QFile::setPermissions(path, readOnly));
        QCOMPARE(failureOf([&] { store.saveProposal(saved.layout, saved); }),
                 u"Could not write %1/proposed-layout.json: Permission denied."_s.arg(folder));
        const QString created = failureOf([&] { store.save(sampleRead(), phone(), {}, u"r"_s); });
        QVERIFY(created.startsWith(
                u"Could not create the folder %1/"_s.arg(store.snapshotsPath())));
        QCOMPARE(failureOf([&] { store.saveDiagnostic("x"_ba, u"l"_s); }),
                 u"Could not create the folder %1/Diagnostics: Permission denied."_s.arg(m_root));
        // Nothing half-written, and the saved snapshot still loads.
        QCOMPARE(entries(folder).size(), 4);
        QCOMPARE(store.list(), QList<Snapshot>{saved});
        QVERIFY(QFile::setPermissions(store.snapshotsPath(), QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(failureOf([&] { store.list(); }),
                 u"Could not list %1: Permission denied."_s.arg(store.snapshotsPath()));
    }
};

QTEST_GUILESS_MAIN(SnapshotTest)
#include "snapshottest.moc"
