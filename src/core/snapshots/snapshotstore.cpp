#include "snapshotstore.h"

#include "atomicfile.h"
#include "jsoncodec.h"
#include "layoutparser.h"
#include "platformerror.h"
#include "varnoleterror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr QFile::Permissions filePermissions = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions folderPermissions
        = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

const QString rawLayoutFile = u"raw-layout.json"_s;
const QString originalLayoutFile = u"original-layout.json"_s;
const QString recordFile = u"snapshot.json"_s;
const QString proposedLayoutFile = u"proposed-layout.json"_s;

// "Could not write /x/snapshot.json: Permission denied." from the system's own reason.
[[noreturn]] void throwFileError(const QString &action, const QString &path, QString reason)
{
    reason = reason.trimmed();
    if (reason.isEmpty())
        reason = u"Unknown error"_s;
    reason[0] = reason.at(0).toUpper();
    if (!reason.endsWith(u'.'))
        reason += u'.';
    throw PlatformError(
            u"Could not %1 %2: %3"_s.arg(action, QDir::toNativeSeparators(path), reason));
}

QString newUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

void setPermissions(const QString &path, QFile::Permissions permissions)
{
    QFile file(path);
    if (!file.setPermissions(permissions))
        throwFileError(u"set the permissions of"_s, path, file.errorString());
}

} // namespace

SnapshotStore SnapshotStore::standard()
{
    return SnapshotStore(QDir::homePath() + u"/Library/Application Support/Varnolet"_s);
}

QString SnapshotStore::snapshotsPath() const
{
    return root + u"/Snapshots"_s;
}

QString SnapshotStore::diagnosticsPath() const
{
    return root + u"/Diagnostics"_s;
}

QString SnapshotStore::snapshotFolder(const QString &id) const
{
    return snapshotsPath() + u'/' + id;
}

bool SnapshotStore::isSnapshotId(const QString &id)
{
    static const QRegularExpression uuid(QRegularExpression::anchoredPattern(
            u"[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}"_s));
    return uuid.match(id).hasMatch();
}

Snapshot SnapshotStore::save(const DeviceRead &read, const Device &device, const AppNames &names,
                             const QString &reason) const
{
    read.layout.validate();
    device.validate();

    Snapshot snapshot;
    snapshot.id = newUuid();
    // Whole seconds, as the record stores it, so that what save returns equals what load gives.
    snapshot.date = Snapshot::parseDate(Snapshot::formatDate(QDateTime::currentDateTimeUtc()));
    snapshot.device = device;
    snapshot.layout = read.layout;
    snapshot.fingerprint = read.layout.fingerprint();
    snapshot.names = names;
    snapshot.reason = reason;
    snapshot.reader = read.reader;

    const QString folder = snapshotFolder(snapshot.id);
    directory(folder);
    write(read.raw, folder + u'/' + rawLayoutFile);
    write(read.layout.cfgutilData(), folder + u'/' + originalLayoutFile);
    // The record last: a folder without it is incomplete and never listed.
    write(JsonCodec::encode(snapshot.toJson()), folder + u'/' + recordFile);
    return snapshot;
}

QString SnapshotStore::saveProposal(const Layout &layout, const Snapshot &snapshot) const
{
    // The id becomes a path component: never let a crafted one point outside the store.
    if (!isSnapshotId(snapshot.id))
        throw VarnoletError(u"Invalid snapshot identifier."_s);
    layout.validate();
    const QString path = snapshotFolder(snapshot.id) + u'/' + proposedLayoutFile;
    write(layout.cfgutilData(), path);
    return path;
}

QString SnapshotStore::saveDiagnostic(const QByteArray &data, const QString &label) const
{
    // The label becomes part of a file name and must not lead out of the diagnostics folder.
    if (label.contains(u'/') || label.contains(QChar(0)))
        throw VarnoletError(u"Invalid diagnostic label."_s);
    directory(diagnosticsPath());
    const QString path = diagnosticsPath() + u'/' + label + u'-' + newUuid() + u".json"_s;
    write(data, path);
    return path;
}

Snapshot SnapshotStore::load(const QString &given) const
{
    if (!isSnapshotId(given))
        throw VarnoletError(u"Invalid snapshot identifier."_s);
    // Saved in upper case; an id typed or pasted in lower case names the same snapshot.
    const QString id = given.toUpper();

    const QString folder = snapshotFolder(id);
    const Snapshot snapshot
            = Snapshot::fromJson(JsonCodec::decode(read(folder + u'/' + recordFile)));
    if (snapshot.schemaVersion != 1 || snapshot.id != id)
        throw VarnoletError(u"Unsupported snapshot version."_s);
    snapshot.layout.validate();
    snapshot.device.validate();

    const ParsedLayout saved = LayoutParser::parse(read(folder + u'/' + originalLayoutFile));
    if (saved.layout != snapshot.layout || saved.layout.fingerprint() != snapshot.fingerprint)
        throw VarnoletError(u"This snapshot was changed or is incomplete. Restore is blocked."_s);
    return snapshot;
}

QList<Snapshot> SnapshotStore::list() const
{
    const QString folder = snapshotsPath();
    directory(folder);

    // QDir lists an unreadable folder as empty; ask the system so that the failure is reported.
    DIR *handle = ::opendir(QFile::encodeName(folder).constData());
    if (!handle)
        throwFileError(u"list"_s, folder, qt_error_string(errno));
    ::closedir(handle);

    const QStringList entries = QDir(folder).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    QList<Snapshot> snapshots;
    for (const QString &entry : entries) {
        if (!isSnapshotId(entry))
            continue;
        try {
            snapshots.append(load(entry));
        } catch (const std::exception &) {
            // A broken or incomplete snapshot is not offered for restore.
        }
    }
    std::stable_sort(snapshots.begin(), snapshots.end(),
                     [](const Snapshot &a, const Snapshot &b) { return a.date > b.date; });
    return snapshots;
}

void SnapshotStore::directory(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return;
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath())
        directory(parent);

    // QDir gives no reason for a failure; the system call does.
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0) {
        const int error = errno;
        if (error == EEXIST && QFileInfo(path).isDir())
            return;
        throwFileError(u"create the folder"_s, path, qt_error_string(error));
    }
    // Explicitly, as the creation mode is narrowed by the umask only, never widened by it.
    setPermissions(path, folderPermissions);
}

void SnapshotStore::write(const QByteArray &data, const QString &path)
{
    AtomicFile::write(data, path, filePermissions);
    setPermissions(path, filePermissions);
}

QByteArray SnapshotStore::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throwFileError(u"read"_s, path, file.errorString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throwFileError(u"read"_s, path, file.errorString());
    return data;
}
