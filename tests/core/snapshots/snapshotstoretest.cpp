#include "snapshotstore.h"
#include "jsoncodec.h"
#include "layoutparser.h"
#include "platformerror.h"
#include "varnoleterror.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

template<typename F>
QString failureOf(F &&f)
{
    try {
        f();
    } catch (const VarnoletError &error) {
        return u"VarnoletError: "_s + error.message();
    } catch (const PlatformError &error) {
        return u"PlatformError: "_s + error.description();
    }
    return {};
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

// The permission bits as the system holds them, e.g. 0700.
int mode(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray sample(const QString &name)
{
    return readFile(QStringLiteral(VARNOLET_SAMPLES) + u'/' + name);
}

const QString sampleEcid = u"0x1C2D3E4F50601E"_s;

Device sampleDevice()
{
    return Device(sampleEcid, u"00008130-001C2D3E4F50601E"_s, u"Kim’s iPhone"_s, u"iPhone16,2"_s);
}

DeviceRead sampleRead()
{
    const QByteArray raw = sample(u"cfgutil-get-icon-layout.json"_s);
    const ParsedLayout parsed = LayoutParser::parse(raw, sampleEcid);
    return DeviceRead{
            parsed.layout, {{u"com.apple.Pages"_s, u"From the read"_s}}, raw, u"cfgutil"_s};
}

const AppNames sampleNames{{u"com.apple.Pages"_s, u"Pages"_s},
                           {u"com.spotify.client"_s, u"Spotify"_s}};

const QRegularExpression upperUuid(QRegularExpression::anchoredPattern(
        u"[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}"_s));

const QString changed
        = u"VarnoletError: This snapshot was changed or is incomplete. Restore is blocked."_s;
const QString unsupported = u"VarnoletError: Unsupported snapshot version."_s;
const QString invalidId = u"VarnoletError: Invalid snapshot identifier."_s;

// Permission checks do not bind the superuser.
bool permissionsApply()
{
    return ::geteuid() != 0;
}

enum class Tamper {
    None,
    EditOriginalIdentifier,
    SwapOriginalApps,
    DeleteOriginal,
    OriginalNotJson,
    EditFingerprint,
    EditRecordLayout,
    RecordLayoutBreaksLimits,
    RecordDeviceInvalid,
    SchemaVersion2,
    SchemaVersionMissing,
    RecordNotJson,
    DeleteRecord,
    EditRaw,
    DeleteRaw,
};

} // namespace

Q_DECLARE_METATYPE(Tamper)
Q_DECLARE_METATYPE(DeviceRead)
Q_DECLARE_METATYPE(Device)

class SnapshotStoreTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_temporary;
    int m_previousUmask = 0;
    QString m_root;

    QString recordPath(const Snapshot &snapshot) const
    {
        return m_root + u"/Snapshots/"_s + snapshot.id + u"/snapshot.json"_s;
    }

    void editRecord(const Snapshot &snapshot, const std::function<void(QJsonObject &)> &edit)
    {
        QJsonObject record = JsonCodec::decode(readFile(recordPath(snapshot))).toObject();
        edit(record);
        QVERIFY(writeFile(recordPath(snapshot), JsonCodec::encode(record)));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_temporary.isValid());
        // With no umask, anything the store does not narrow explicitly would show up as 0666/0777.
        m_previousUmask = ::umask(0);
    }

    void cleanupTestCase() { ::umask(mode_t(m_previousUmask)); }

    void init()
    {
        m_root = m_temporary.path() + u'/' + QString::fromLatin1(QTest::currentTestFunction())
                + u'-' + QUuid::createUuid().toString(QUuid::WithoutBraces) + u"/Varnolet"_s;
    }

    void saveThenLoad()
    {
        const SnapshotStore store(m_root);
        const DeviceRead read = sampleRead();
        const Snapshot saved = store.save(read, sampleDevice(), sampleNames, u"Initial read"_s);

        QVERIFY(upperUuid.match(saved.id).hasMatch());
        QCOMPARE(saved.schemaVersion, 1);
        QCOMPARE(saved.device, sampleDevice());
        QCOMPARE(saved.layout, read.layout);
        QCOMPARE(saved.fingerprint, read.layout.fingerprint());
        QCOMPARE(saved.names, sampleNames); // the caller's names, not the read's
        QCOMPARE(saved.reason, u"Initial read"_s);
        QCOMPARE(saved.reader, u"cfgutil"_s);
        QCOMPARE(saved.date.timeSpec(), Qt::UTC);
        QCOMPARE(saved.date.time().msec(), 0);
        QVERIFY(qAbs(saved.date.secsTo(QDateTime::currentDateTimeUtc())) < 600);

        const QString folder = store.snapshotsPath() + u'/' + saved.id;
        QCOMPARE(
                entries(folder),
                (QStringList{u"original-layout.json"_s, u"raw-layout.json"_s, u"snapshot.json"_s}));
        QCOMPARE(readFile(folder + u"/raw-layout.json"_s), read.raw);
        QCOMPARE(readFile(folder + u"/original-layout.json"_s), read.layout.cfgutilData());
        QCOMPARE(readFile(folder + u"/snapshot.json"_s), JsonCodec::encode(saved.toJson()));

        // Both files describe the same layout, in the device form and in the record form.
        QCOMPARE(LayoutParser::parse(readFile(folder + u"/original-layout.json"_s)).layout,
                 Layout::fromRecord(saved.toJson().value(u"layout"_s)));

        QCOMPARE(store.load(saved.id), saved);
        QCOMPARE(store.list(), QList<Snapshot>{saved});
    }

    void permissions()
    {
        const SnapshotStore store(m_root);
        const Snapshot snapshot = store.save(sampleRead(), sampleDevice(), {}, u"r"_s);
        const QString proposal = store.saveProposal(snapshot.layout, snapshot);
        const QString diagnostic = store.saveDiagnostic("{}"_ba, u"configurator-layout"_s);

        const QString folder = store.snapshotsPath() + u'/' + snapshot.id;
        for (const QString &path : {m_root, store.snapshotsPath(), folder, store.diagnosticsPath()})
            QCOMPARE(mode(path), 0700);
        for (const QString &name :
             {u"raw-layout.json"_s, u"original-layout.json"_s, u"snapshot.json"_s})
            QCOMPARE(mode(folder + u'/' + name), 0600);
        QCOMPARE(mode(proposal), 0600);
        QCOMPARE(mode(diagnostic), 0600);
    }

    void existingFoldersKeepTheirPermissions()
    {
        QVERIFY(QDir().mkpath(m_root + u"/Diagnostics"_s));
        const QFile::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(m_root, open));
        QVERIFY(QFile::setPermissions(m_root + u"/Diagnostics"_s, open));

        const SnapshotStore store(m_root);
        store.saveDiagnostic("x"_ba, u"l"_s);
        store.list();
        QCOMPARE(mode(m_root), 0755);
        QCOMPARE(mode(store.diagnosticsPath()), 0755);
        QCOMPARE(mode(store.snapshotsPath()), 0700);
    }

    void listOnMissingRootCreatesTheTree()
    {
        const SnapshotStore store(m_root);
        QVERIFY(!QFileInfo::exists(m_root));
        QCOMPARE(store.list(), QList<Snapshot>());
        QVERIFY(QFileInfo(store.snapshotsPath()).isDir());
        QCOMPARE(mode(m_root), 0700);
        QCOMPARE(mode(store.snapshotsPath()), 0700);
    }

    void listNewestFirstSkippingWhatCannotLoad()
    {
        const SnapshotStore store(m_root);
        QList<Snapshot> saved;
        for (int i = 0; i < 4; ++i)
            saved.append(store.save(sampleRead(), sampleDevice(), {}, u"r%1"_s.arg(i)));

        // Dates set by hand, so that no test waits for the clock: 1 newest, 2 oldest, 0 and 3 tie.
        const QStringList dates{u"2026-03-01T10:00:00Z"_s, u"2026-05-01T10:00:00Z"_s,
                                u"2026-01-01T10:00:00Z"_s, u"2026-03-01T10:00:00Z"_s};
        for (int i = 0; i < 4; ++i) {
            editRecord(saved[i], [&](QJsonObject &record) { record[u"date"_s] = dates[i]; });
            saved[i].date = Snapshot::parseDate(dates[i]);
        }

        // Things in the folder that are not snapshots, or not complete ones.
        const QString snapshots = store.snapshotsPath();
        const QString incomplete = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        QVERIFY(QDir().mkpath(snapshots + u'/' + incomplete));
        QVERIFY(writeFile(snapshots + u'/' + incomplete + u"/raw-layout.json"_s, "[]"_ba));
        QVERIFY(QDir().mkpath(snapshots + u"/notes"_s));
        QVERIFY(writeFile(snapshots + u"/.DS_Store"_s, "x"_ba));
        QVERIFY(writeFile(snapshots + u'/' + QUuid::createUuid().toString(QUuid::WithoutBraces),
                          "a file"_ba));
        const Snapshot tampered = store.save(sampleRead(), sampleDevice(), {}, u"t"_s);
        editRecord(tampered,
                   [](QJsonObject &record) { record[u"fingerprint"_s] = QString(64, u'0'); });

        const QList<Snapshot> listed = store.list();
        QStringList order;
        for (const Snapshot &snapshot : listed)
            order.append(snapshot.reason);
        const QString firstOfTie = saved[0].id < saved[3].id ? u"r0"_s : u"r3"_s;
        const QString secondOfTie = firstOfTie == u"r0"_s ? u"r3"_s : u"r0"_s;
        QCOMPARE(order, (QStringList{u"r1"_s, firstOfTie, secondOfTie, u"r2"_s}));
        QCOMPARE(listed.first(), saved[1]);
    }

    void loadRefusesChangedSnapshots_data()
    {
        QTest::addColumn<Tamper>("tamper");
        QTest::addColumn<QString>("failure"); // %1 is the snapshot folder

        QTest::newRow("untouched") << Tamper::None << QString();
        QTest::newRow("raw response edited") << Tamper::EditRaw << QString();
        QTest::newRow("raw response deleted") << Tamper::DeleteRaw << QString();
        QTest::newRow("identifier edited in original layout")
                << Tamper::EditOriginalIdentifier << changed;
        QTest::newRow("two apps swapped in original layout") << Tamper::SwapOriginalApps << changed;
        QTest::newRow("fingerprint edited") << Tamper::EditFingerprint << changed;
        QTest::newRow("layout edited in the record") << Tamper::EditRecordLayout << changed;
        QTest::newRow("schema version 2") << Tamper::SchemaVersion2 << unsupported;
        QTest::newRow("record layout beyond the limits")
                << Tamper::RecordLayoutBreaksLimits
                << u"VarnoletError: The iPhone Dock contains more than four items."_s;
        QTest::newRow("record device without UDID")
                << Tamper::RecordDeviceInvalid
                << u"VarnoletError: The selected device has no valid ECID and UDID. Reconnect and refresh."_s;
        QTest::newRow("schema version missing")
                << Tamper::SchemaVersionMissing
                << u"PlatformError: No value associated with key \"schemaVersion\"."_s;
        QTest::newRow("record not JSON")
                << Tamper::RecordNotJson
                << u"PlatformError: The response is not valid JSON (illegal number at offset 0)."_s;
        QTest::newRow("record deleted")
                << Tamper::DeleteRecord
                << u"PlatformError: Could not read %1/snapshot.json: No such file or directory."_s;
        QTest::newRow("original layout deleted")
                << Tamper::DeleteOriginal
                << u"PlatformError: Could not read %1/original-layout.json: No such file or directory."_s;
        QTest::newRow("original layout not a layout")
                << Tamper::OriginalNotJson
                << u"VarnoletError: Unrecognized layout response. Export diagnostics to inspect it."_s;
    }

    void loadRefusesChangedSnapshots()
    {
        QFETCH(Tamper, tamper);
        QFETCH(QString, failure);

        const SnapshotStore store(m_root);
        const Snapshot snapshot = store.save(sampleRead(), sampleDevice(), sampleNames, u"r"_s);
        const QString folder = store.snapshotsPath() + u'/' + snapshot.id;
        const QString original = folder + u"/original-layout.json"_s;
        const QByteArray originalBytes = readFile(original);

        switch (tamper) {
        case Tamper::None:
            break;
        case Tamper::EditRaw:
            QVERIFY(writeFile(folder + u"/raw-layout.json"_s, "not even JSON"_ba));
            break;
        case Tamper::DeleteRaw:
            QVERIFY(QFile::remove(folder + u"/raw-layout.json"_s));
            break;
        case Tamper::EditOriginalIdentifier:
            QVERIFY(originalBytes.contains("com.apple.Music"));
            QVERIFY(writeFile(
                    original,
                    QByteArray(originalBytes).replace("com.apple.Music", "com.apple.Mosic")));
            break;
        case Tamper::SwapOriginalApps:
            QVERIFY(writeFile(original,
                              QByteArray(originalBytes)
                                      .replace("com.apple.mobilephone", "@@")
                                      .replace("com.apple.mobilesafari", "com.apple.mobilephone")
                                      .replace("@@", "com.apple.mobilesafari")));
            break;
        case Tamper::DeleteOriginal:
            QVERIFY(QFile::remove(original));
            break;
        case Tamper::OriginalNotJson:
            QVERIFY(writeFile(original, "{}"_ba));
            break;
        case Tamper::EditFingerprint:
            editRecord(snapshot, [](QJsonObject &record) {
                QString fingerprint = record[u"fingerprint"_s].toString();
                fingerprint[0] = fingerprint[0] == u'0' ? u'1' : u'0';
                record[u"fingerprint"_s] = fingerprint;
            });
            break;
        case Tamper::EditRecordLayout:
            editRecord(snapshot, [&](QJsonObject &record) {
                Layout layout = snapshot.layout;
                layout.pages[0].removeLast();
                record[u"layout"_s] = layout.toRecord();
            });
            break;
        case Tamper::RecordLayoutBreaksLimits:
            editRecord(snapshot, [&](QJsonObject &record) {
                Layout layout = snapshot.layout;
                layout.pages[0].append(LayoutItem::app(u"com.example.fifth"_s));
                record[u"layout"_s] = layout.toRecord();
            });
            break;
        case Tamper::RecordDeviceInvalid:
            editRecord(snapshot, [](QJsonObject &record) {
                QJsonObject device = record[u"device"_s].toObject();
                device[u"udid"_s] = QString();
                record[u"device"_s] = device;
            });
            break;
        case Tamper::SchemaVersion2:
            editRecord(snapshot, [](QJsonObject &record) { record[u"schemaVersion"_s] = 2; });
            break;
        case Tamper::SchemaVersionMissing:
            editRecord(snapshot, [](QJsonObject &record) { record.remove(u"schemaVersion"_s); });
            break;
        case Tamper::RecordNotJson:
            QVERIFY(writeFile(recordPath(snapshot), "snapshot"_ba));
            break;
        case Tamper::DeleteRecord:
            QVERIFY(QFile::remove(recordPath(snapshot)));
            break;
        }

        const QString expected = failure.contains(u"%1"_s) ? failure.arg(folder) : failure;
        QCOMPARE(failureOf([&] { store.load(snapshot.id); }), expected);
        QCOMPARE(store.list().size(), expected.isEmpty() ? 1 : 0);
    }

    void loadRefusesACopyUnderAnotherId()
    {
        const SnapshotStore store(m_root);
        const Snapshot snapshot = store.save(sampleRead(), sampleDevice(), {}, u"r"_s);
        const QString copyId = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        const QString from = store.snapshotsPath() + u'/' + snapshot.id + u'/';
        const QString to = store.snapshotsPath() + u'/' + copyId + u'/';
        QVERIFY(QDir().mkpath(to));
        for (const QString &name : entries(from))
            QVERIFY(QFile::copy(from + name, to + name));

        QCOMPARE(failureOf([&] { store.load(copyId); }), unsupported);
        QCOMPARE(store.list(), QList<Snapshot>{snapshot});
    }

    void loadRefusesInvalidIds_data()
    {
        QTest::addColumn<QString>("id");

        QTest::newRow("ordinary word") << u"snapshot"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("parent folder") << u".."_s;
        QTest::newRow("path traversal") << u"../x"_s;
        QTest::newRow("absolute path") << u"/etc"_s;
        QTest::newRow("UUID then traversal") << u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F/../x"_s;
        QTest::newRow("UUID in braces") << u"{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}"_s;
        QTest::newRow("UUID without hyphens") << u"E621E1F8C36C495A93FC0C247A3E6E5F"_s;
        QTest::newRow("UUID with trailing line break")
                << u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\n"_s;
        QTest::newRow("UUID with a non-hex letter") << u"G621E1F8-C36C-495A-93FC-0C247A3E6E5F"_s;
    }

    void loadRefusesInvalidIds()
    {
        QFETCH(QString, id);
        // A complete, valid snapshot where the traversal would lead, had the id been used.
        const SnapshotStore store(m_root);
        const Snapshot snapshot = store.save(sampleRead(), sampleDevice(), {}, u"r"_s);
        const QString bait = m_root + u"/x"_s;
        QVERIFY(QDir().mkpath(bait));
        for (const QString &name : entries(store.snapshotsPath() + u'/' + snapshot.id))
            QVERIFY(QFile::copy(store.snapshotsPath() + u'/' + snapshot.id + u'/' + name,
                                bait + u'/' + name));

        QCOMPARE(failureOf([&] { store.load(id); }), invalidId);
    }

    void saveRefusesInvalidInput_data()
    {
        QTest::addColumn<DeviceRead>("read");
        QTest::addColumn<Device>("device");
        QTest::addColumn<QString>("failure");

        DeviceRead dockOnly = sampleRead();
        dockOnly.layout.pages = {dockOnly.layout.pages.first()};
        QTest::newRow("layout without a Home Screen page")
                << dockOnly << sampleDevice()
                << u"VarnoletError: Expected a Dock and at least one Home Screen page."_s;
        Device noEcid = sampleDevice();
        noEcid.ecid = u"0x"_s;
        QTest::newRow("device without ECID")
                << sampleRead() << noEcid
                << u"VarnoletError: The selected device has no valid ECID and UDID. Reconnect and refresh."_s;
    }

    void saveRefusesInvalidInput()
    {
        QFETCH(DeviceRead, read);
        QFETCH(Device, device);
        QFETCH(QString, failure);

        const SnapshotStore store(m_root);
        QCOMPARE(failureOf([&] { store.save(read, device, {}, u"r"_s); }), failure);
        QVERIFY(!QFileInfo::exists(m_root));
    }

    void saveProposal()
    {
        const SnapshotStore store(m_root);
        const Snapshot snapshot = store.save(sampleRead(), sampleDevice(), {}, u"r"_s);
        Layout proposed = snapshot.layout;
        std::swap(proposed.pages[1][0], proposed.pages[1][1]);

        const QString path = store.saveProposal(proposed, snapshot);
        QCOMPARE(path, store.snapshotsPath() + u'/' + snapshot.id + u"/proposed-layout.json"_s);
        QCOMPARE(readFile(path), proposed.cfgutilData());
        QCOMPARE(mode(path), 0600);
        // The proposal plays no part in loading.
        QCOMPARE(store.load(snapshot.id), snapshot);
    }

    void saveProposalRefuses_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("breakLayout");
        QTest::addColumn<QString>("failure"); // %1 is the proposal's path

        QTest::newRow("snapshot never saved")
                << u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"_s << false
                << u"PlatformError: Could not write %1: No such file or directory."_s;
        QTest::newRow("traversal in the id") << u"../../outside"_s << false << invalidId;
        QTest::newRow("layout beyond the limits")
                << u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"_s << true
                << u"VarnoletError: The iPhone Dock contains more than four items."_s;
    }

    void saveProposalRefuses()
    {
        QFETCH(QString, id);
        QFETCH(bool, breakLayout);
        QFETCH(QString, failure);

        const SnapshotStore store(m_root);
        QVERIFY(QDir().mkpath(store.snapshotsPath()));
        Snapshot snapshot;
        snapshot.id = id;
        Layout layout = sampleRead().layout;
        if (breakLayout)
            layout.pages[0].append(LayoutItem::app(u"com.example.fifth"_s));

        const QString path = store.snapshotsPath() + u'/' + id + u"/proposed-layout.json"_s;
        QCOMPARE(failureOf([&] { store.saveProposal(layout, snapshot); }),
                 failure.contains(u"%1"_s) ? failure.arg(path) : failure);
        QCOMPARE(entries(store.snapshotsPath()), QStringList());
        QCOMPARE(entries(m_temporary.path() + u"/outside"_s), QStringList());
    }

    void saveDiagnostic_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("label");

        QTest::newRow("layout response")
                << sample(u"cfgutil-get-icon-layout.json"_s) << u"configurator-layout"_s;
        QTest::newRow("bytes that are not UTF-8")
                << "\xff\xfe\x00raw"_ba << u"springboard-layout"_s;
        QTest::newRow("empty") << QByteArray() << u"configurator-layout"_s;
    }

    void saveDiagnostic()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, label);

        const SnapshotStore store(m_root);
        const QString first = store.saveDiagnostic(data, label);
        const QString second = store.saveDiagnostic(data, label);
        QVERIFY(first != second);

        const QFileInfo info(first);
        QCOMPARE(info.absolutePath(), QFileInfo(store.diagnosticsPath()).absoluteFilePath());
        const QString name = info.fileName();
        QVERIFY2(name.startsWith(label + u'-') && name.endsWith(u".json"_s), qPrintable(name));
        QVERIFY2(upperUuid.match(name.mid(label.size() + 1, 36)).hasMatch(), qPrintable(name));
        QCOMPARE(name.size(), label.size() + 1 + 36 + 5);
        QCOMPARE(readFile(first), data);
        QCOMPARE(mode(first), 0600);
        QCOMPARE(entries(store.diagnosticsPath()).size(), 2);
    }

    void saveDiagnosticRefusesLabelsLeavingTheFolder_data()
    {
        QTest::addColumn<QString>("label");
        QTest::newRow("parent folder") << u"../escaped"_s;
        QTest::newRow("absolute path") << u"/tmp/escaped"_s;
        QTest::newRow("NUL") << u"a\0b"_s;
    }

    void saveDiagnosticRefusesLabelsLeavingTheFolder()
    {
        QFETCH(QString, label);
        const SnapshotStore store(m_root);
        QCOMPARE(failureOf([&] { store.saveDiagnostic("x"_ba, label); }),
                 u"VarnoletError: Invalid diagnostic label."_s);
        QVERIFY(!QFileInfo::exists(m_root));
    }

    void fileInTheWay()
    {
        // A file where the store expects a folder: a clear error, and the file is left as it was.
        const QString parent = QFileInfo(m_root).absolutePath();
        QVERIFY(QDir().mkpath(parent));
        QVERIFY(writeFile(m_root, "keep me"_ba));

        const SnapshotStore store(m_root);
        const QString expected
                = u"PlatformError: Could not create the folder %1: File exists."_s.arg(m_root);
        QCOMPARE(failureOf([&] { store.save(sampleRead(), sampleDevice(), {}, u"r"_s); }),
                 expected);
        QCOMPARE(failureOf([&] { store.saveDiagnostic("x"_ba, u"l"_s); }), expected);
        QCOMPARE(failureOf([&] { store.list(); }), expected);
        QCOMPARE(readFile(m_root), "keep me"_ba);
        QCOMPARE(entries(parent), QStringList{u"Varnolet"_s});
    }

    void readOnlyRoot()
    {
        if (!permissionsApply())
            QSKIP("Running as the superuser, whom file permissions do not stop.");
        const SnapshotStore store(m_root);
        QVERIFY(QDir().mkpath(m_root));
        QVERIFY(QFile::setPermissions(m_root, QFile::ReadOwner | QFile::ExeOwner));

        QCOMPARE(failureOf([&] { store.save(sampleRead(), sampleDevice(), {}, u"r"_s); }),
                 u"PlatformError: Could not create the folder %1/Snapshots: Permission denied."_s
                         .arg(m_root));
        QCOMPARE(entries(m_root), QStringList());
        QVERIFY(QFile::setPermissions(m_root,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void readOnlyFolders()
    {
        if (!permissionsApply())
            QSKIP("Running as the superuser, whom file permissions do not stop.");
        const SnapshotStore store(m_root);
        const Snapshot snapshot = store.save(sampleRead(), sampleDevice(), {}, u"r"_s);
        const QString folder = store.snapshotsPath() + u'/' + snapshot.id;
        QVERIFY(QDir().mkpath(store.diagnosticsPath()));
        const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner;
        QVERIFY(QFile::setPermissions(folder, readOnly));
        QVERIFY(QFile::setPermissions(store.diagnosticsPath(), readOnly));
        QVERIFY(QFile::setPermissions(store.snapshotsPath(), readOnly));

        const QRegularExpression diagnosticFailure(QRegularExpression::anchoredPattern(
                u"PlatformError: Could not write "_s
                + QRegularExpression::escape(store.diagnosticsPath())
                + u"/l-[0-9A-F-]{36}\\.json: Permission denied\\."_s));
        const QString diagnostic = failureOf([&] { store.saveDiagnostic("x"_ba, u"l"_s); });
        QVERIFY2(diagnosticFailure.match(diagnostic).hasMatch(), qPrintable(diagnostic));
        QCOMPARE(
                failureOf([&] { store.saveProposal(snapshot.layout, snapshot); }),
                u"PlatformError: Could not write %1/proposed-layout.json: Permission denied."_s.arg(
                        folder));
        QVERIFY(failureOf([&] { store.save(sampleRead(), sampleDevice(), {}, u"r"_s); })
                        .startsWith(u"PlatformError: Could not create the folder %1/"_s.arg(
                                store.snapshotsPath())));

        // Nothing half-written, and the saved snapshot still loads.
        QCOMPARE(entries(store.diagnosticsPath()), QStringList());
        QCOMPARE(entries(folder).size(), 3);
        QCOMPARE(store.snapshotsPath(), m_root + u"/Snapshots"_s);
        QCOMPARE(store.list(), QList<Snapshot>{snapshot});

        QVERIFY(QFile::setPermissions(store.snapshotsPath(), QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(failureOf([&] { store.list(); }),
                 u"PlatformError: Could not list %1: Permission denied."_s.arg(
                         store.snapshotsPath()));
        const QFile::Permissions all = readOnly | QFile::WriteOwner;
        for (const QString &path : {store.snapshotsPath(), folder, store.diagnosticsPath()})
            QVERIFY(QFile::setPermissions(path, all));
    }

    void standardStoreIsUnderHome()
    {
        const QByteArray previousHome = qgetenv("HOME");
        const QString home = m_temporary.path() + u"/home"_s;
        QVERIFY(QDir().mkpath(home));
        qputenv("HOME", QFile::encodeName(home));

        const SnapshotStore store = SnapshotStore::standard();
        const QString root = home + u"/Library/Application Support/Varnolet"_s;
        QCOMPARE(store.root, root);
        QCOMPARE(store.snapshotsPath(), root + u"/Snapshots"_s);
        QCOMPARE(store.diagnosticsPath(), root + u"/Diagnostics"_s);

        const Snapshot snapshot = store.save(sampleRead(), sampleDevice(), {}, u"Initial read"_s);
        QVERIFY(QFileInfo::exists(root + u"/Snapshots/"_s + snapshot.id + u"/snapshot.json"_s));
        QCOMPARE(mode(home + u"/Library"_s), 0700);
        QCOMPARE(mode(home + u"/Library/Application Support"_s), 0700);
        qputenv("HOME", previousHome);
    }
};

QTEST_GUILESS_MAIN(SnapshotStoreTest)
#include "snapshotstoretest.moc"
