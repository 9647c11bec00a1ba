#pragma once

#include "deviceread.h"
#include "snapshot.h"

#include <QByteArray>
#include <QList>
#include <QString>

/// The on-disk home of snapshots, proposals and diagnostics under one root folder:
/// "Snapshots/<id>/" with "raw-layout.json", "original-layout.json", "snapshot.json" and
/// "proposed-layout.json", and "Diagnostics/<label>-<uuid>.json". Folders are 0700, files 0600,
/// every file is written atomically.
class SnapshotStore
{
public:
    explicit SnapshotStore(const QString &root)
        : root(root)
    { }

    /// Path of the store's top folder.
    QString root;

    /// The user's store: the home folder plus "Library/Application Support/Varnolet".
    static SnapshotStore standard();

    QString snapshotsPath() const;
    QString diagnosticsPath() const;

    /// Validates layout and device, then writes a new snapshot folder and returns its record.
    /// The record's names are `names`, not those of `read`.
    Snapshot save(const DeviceRead &read, const Device &device, const AppNames &names,
                  const QString &reason) const;
    /// Writes the device form of `layout` as "proposed-layout.json" into the folder of a saved
    /// snapshot and returns the file's path; never creates the folder.
    QString saveProposal(const Layout &layout, const Snapshot &snapshot) const;
    /// Writes `data` unchanged as "<label>-<uuid>.json" under "Diagnostics"; returns its path.
    QString saveDiagnostic(const QByteArray &data, const QString &label) const;

    /// Reads a snapshot and refuses it unless its record and its saved layout file agree.
    Snapshot load(const QString &id) const;
    /// Every snapshot that loads, newest first; broken or incomplete ones are left out.
    QList<Snapshot> list() const;

    /// True for the hyphenated 8-4-4-4-12 form of a UUID, in either case.
    static bool isSnapshotId(const QString &id);

    /// Creates `path` and its missing parents, 0700 each; throws PlatformError.
    static void directory(const QString &path);
    /// Writes `data` atomically as a 0600 file; throws PlatformError.
    static void write(const QByteArray &data, const QString &path);
    /// The whole file; throws PlatformError.
    static QByteArray read(const QString &path);

private:
    QString snapshotFolder(const QString &id) const;
};
