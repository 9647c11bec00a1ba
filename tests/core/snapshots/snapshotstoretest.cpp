#include "snapshotstore.h"
#include "devicetestsupport.h"
#include "jsoncodec.h"
#include "layoutparser.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// The permission bits as the system holds them, e.g. 0700.
QList<int> modes(const QStringList &paths)
{
    QList<int> modes;
    for (const QString &path : paths) {
        struct stat info;
        modes.append(::stat(QFile::encodeName(path).constData(), &info) ? -1
                                                                        : info.st_mode & 07777);
    }
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

QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

const QString invalidId = u"Invalid snapshot identifier."_s;
const QString unsupported = u"Unsupported snapshot version."_s;
const QString changed = u"This snapshot was changed or is incomplete. Restore is blocked."_s;
const QString crowdedDock = u"The iPhone Dock contains more than four items."_s;

void setInRecord(const QString &folder, const QString &key, const QJsonValue &value)
{
    QJsonObject record = JsonCodec::decode(readFile(folder + u"/snapshot.json"_s)).toObject();
    record[key] = value;
    QVERIFY(writeFile(folder + u"/snapshot.json"_s, JsonCodec::encode(record)));
}

} // namespace

class SnapshotStoreTest : public QObject
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

    void standardRoot()
    {
        const auto restore = qScopeGuard([] {
            qunsetenv("XDG_DATA_HOME");
            qunsetenv("VARNOLET_STORE");
        });
        qputenv("XDG_DATA_HOME", "/x");
#ifndef Q_OS_MACOS
        QCOMPARE(SnapshotStore::standard().root, u"/x/Varnolet"_s);
#endif
        qputenv("VARNOLET_STORE", "/y/store");
        QCOMPARE(SnapshotStore::standard().root, u"/y/store"_s);
    }

    void saveThenLoadUnderHome()
    {
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
        QCOMPARE(saved.fingerprint, read.layout.fingerprint());
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
        const QString diagnostic = store.saveDiagnostic("{}"_ba, u"configurator-layout"_s);
        // Folders the store makes are 0700 and its files 0600; a folder that was there is kept.
        QCOMPARE(modes({kept}), QList<int>{0755});
        QCOMPARE(modes({made, store.root, store.snapshotsPath(), folder, store.diagnosticsPath()}),
                 QList<int>(5, 0700));
        QCOMPARE(modes({folder + u"/raw-layout.json"_s, folder + u"/original-layout.json"_s,
                        folder + u"/snapshot.json"_s, proposal, diagnostic}),
                 QList<int>(5, 0600));
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

    void loadRefusesChangedSnapshots_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("key");      // of the record to replace; empty: the whole file
        QTest::addColumn<QJsonValue>("value"); // undefined: the file is deleted
        QTest::addColumn<QString>("failure");  // %1: the snapshot folder
        Layout swapped = sampleRead().layout;
        std::swap(swapped.pages[0][0], swapped.pages[0][1]);
        Layout crowded = sampleRead().layout;
        crowded.pages[0].append(LayoutItem::app(u"com.example.fifth"_s));
        const QString record = u"snapshot.json"_s;
        const QJsonValue deleted(QJsonValue::Undefined);
        // clang-format off
        QTest::newRow("raw response deleted") << u"raw-layout.json"_s << QString() << deleted << QString();
        QTest::newRow("original layout not a layout") << u"original-layout.json"_s << QString() << QJsonValue(QJsonObject()) << u"Unrecognized layout response. Export diagnostics to inspect it."_s;
        QTest::newRow("fingerprint edited") << record << u"fingerprint"_s << QJsonValue(QString(64, u'0')) << changed;
        QTest::newRow("layout edited in the record") << record << u"layout"_s << QJsonValue(swapped.toRecord()) << changed;
        QTest::newRow("record layout beyond the limits") << record << u"layout"_s << QJsonValue(crowded.toRecord()) << crowdedDock;
        QTest::newRow("record device invalid") << record << u"device"_s << QJsonValue(Device(u"0x"_s, udid, u"n"_s, u"t"_s).toJson()) << invalidDevice;
        QTest::newRow("schema version 2") << record << u"schemaVersion"_s << QJsonValue(2) << unsupported;
        QTest::newRow("copied under another identifier") << record << u"id"_s << QJsonValue(newId()) << unsupported;
        QTest::newRow("record deleted") << record << QString() << deleted << u"Could not read %1/snapshot.json: No such file or directory."_s;
        // clang-format on
    }
    void loadRefusesChangedSnapshots()
    {
        QFETCH(QString, file);
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(QString, failure);
        saveOne();
        if (!key.isEmpty())
            setInRecord(folder, key, value);
        else if (!value.isUndefined())
            QVERIFY(writeFile(folder + u'/' + file, JsonCodec::encode(value)));
        else
            QVERIFY(QFile::remove(folder + u'/' + file));
        QCOMPARE(failureOf([&] { store.load(saved.id); }), failure.replace(u"%1"_s, folder));
        // What does not load is not offered for restore.
        QCOMPARE(store.list().size(), failure.isEmpty() ? 1 : 0);
    }

    void refusesInvalidIdentifiers_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("path traversal") << u"../x"_s;
        QTest::newRow("UUID, then traversal") << u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F/../../x"_s;
        QTest::newRow("UUID with a line break") << u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\n"_s;
    }
    void refusesInvalidIdentifiers()
    {
        QFETCH(QString, id);
        // A complete snapshot where the traversal leads, had the identifier been used.
        saveOne();
        QVERIFY(QDir().rename(folder, m_root + u"/x"_s));
        saved.id = id;
        QCOMPARE(failureOf([&] { store.load(id); }), invalidId);
        QCOMPARE(failureOf([&] { store.saveProposal(saved.layout, saved); }), invalidId);
        QVERIFY(!QFileInfo::exists(m_root + u"/x/proposed-layout.json"_s));
    }

    void saveRefusesInvalidInput()
    {
        DeviceRead dockOnly = sampleRead();
        dockOnly.layout.pages.resize(1);
        QCOMPARE(failureOf([&] { SnapshotStore(m_root).save(dockOnly, phone(), {}, u"r"_s); }),
                 u"Expected a Dock and at least one Home Screen page."_s);
        QCOMPARE(failureOf([&] {
                     SnapshotStore(m_root).save(sampleRead(), Device(u"0x"_s, udid, u"n"_s, u"t"_s),
                                                {}, u"r"_s);
                 }),
                 invalidDevice);
        QVERIFY(!QFileInfo::exists(m_root));

        saveOne();
        Layout crowded = saved.layout;
        crowded.pages[0].append(LayoutItem::app(u"com.example.fifth"_s));
        QCOMPARE(failureOf([&] { store.saveProposal(crowded, saved); }), crowdedDock);
        // The folder of a snapshot never saved is not made.
        saved.id = newId();
        const QString missing = store.snapshotsPath() + u'/' + saved.id;
        QCOMPARE(failureOf([&] { store.saveProposal(saved.layout, saved); }),
                 u"Could not write %1/proposed-layout.json: No such file or directory."_s.arg(
                         missing));
        QVERIFY(!QFileInfo::exists(missing));
    }

    void saveDiagnostic()
    {
        const SnapshotStore store(m_root);
        const QByteArray data = "\xff\xfe\x00raw"_ba;
        const QString path = store.saveDiagnostic(data, u"springboard-layout"_s);
        QVERIFY(path != store.saveDiagnostic(data, u"springboard-layout"_s));
        QCOMPARE(QFileInfo(path).path(), store.diagnosticsPath());
        QVERIFY2(QRegularExpression(
                         u"/springboard-layout-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\.json$"_s)
                         .match(path)
                         .hasMatch(),
                 qPrintable(path));
        QCOMPARE(readFile(path), data);
        // The label must not lead out of the folder.
        for (const QString &label : {u"../escaped"_s, u"a\0b"_s})
            QCOMPARE(failureOf([&] { store.saveDiagnostic("x"_ba, label); }),
                     u"Invalid diagnostic label."_s);
        QCOMPARE(entries(store.diagnosticsPath()).size(), 2);
    }

    void unwritableFolders()
    {
        // A file where the store expects its folder: a clear error, and the file is left alone.
        QVERIFY(QDir().mkpath(QFileInfo(m_root).path()) && writeFile(m_root, "keep me"_ba));
        QCOMPARE(failureOf([&] { saveOne(); }),
                 u"Could not create the folder %1: File exists."_s.arg(m_root));
        QCOMPARE(readFile(m_root), "keep me"_ba);
        if (::geteuid() == 0)
            QSKIP("File permissions do not stop the superuser.");

        init();
        saveOne();
        const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner;
        const auto restore = qScopeGuard([&] {
            for (const QString &path : {m_root, store.snapshotsPath(), folder})
                QFile::setPermissions(path, readOnly | QFile::WriteOwner);
        });
        for (const QString &path : {folder, store.snapshotsPath(), m_root})
            QVERIFY(QFile::setPermissions(path, readOnly));
        QCOMPARE(failureOf([&] { store.saveProposal(saved.layout, saved); }),
                 u"Could not write %1/proposed-layout.json: Permission denied."_s.arg(folder));
        QVERIFY(failureOf([&] {
                    store.save(sampleRead(), phone(), {}, u"r"_s);
                }).startsWith(u"Could not create the folder %1/"_s.arg(store.snapshotsPath())));
        QCOMPARE(failureOf([&] { store.saveDiagnostic("x"_ba, u"l"_s); }),
                 u"Could not create the folder %1/Diagnostics: Permission denied."_s.arg(m_root));
        // Nothing half-written, and the saved snapshot still loads.
        QCOMPARE(entries(folder).size(), 3);
        QCOMPARE(store.list(), QList<Snapshot>{saved});
        QVERIFY(QFile::setPermissions(store.snapshotsPath(), QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(failureOf([&] { store.list(); }),
                 u"Could not list %1: Permission denied."_s.arg(store.snapshotsPath()));
    }
};

QTEST_GUILESS_MAIN(SnapshotStoreTest)
#include "snapshotstoretest.moc"
