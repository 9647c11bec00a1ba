#include "atomicfile.h"

#include "platformerror.h"

#include <QDir>
#include <QSaveFile>

#include <cerrno>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void throwWriteError(const QString &path, QString reason)
{
    reason = reason.trimmed();
    if (reason.isEmpty())
        reason = u"Unknown error"_s;
    reason[0] = reason.at(0).toUpper();
    if (!reason.endsWith(u'.'))
        reason += u'.';
    throw PlatformError(u"Could not write %1: %2"_s.arg(QDir::toNativeSeparators(path), reason));
}

// Qt's buffered writes can lose a failure (or its reason) until the commit; the system call
// reports every short write with its errno.
int writeAll(int descriptor, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t written
                = ::write(descriptor, data.constData() + done, size_t(data.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        done += written;
    }
    return 0;
}

} // namespace

void AtomicFile::write(const QByteArray &data, const QString &path,
                       std::optional<QFile::Permissions> permissions)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throwWriteError(path, file.errorString());
    // Narrowed before the rename, so the file never appears with wider permissions.
    if (permissions && !file.setPermissions(*permissions))
        throwWriteError(path, file.errorString());
    if (const int reason = writeAll(file.handle(), data); reason != 0) {
        file.cancelWriting();
        throwWriteError(path, qt_error_string(reason));
    }
    if (!file.commit()) {
        const int reason = errno;
        // Qt words some commit failures only as "Unknown error"; the system's reason is better.
        const QString qtReason = file.errorString();
        throwWriteError(path,
                        qtReason.isEmpty() || qtReason == u"Unknown error"_s
                                ? qt_error_string(reason)
                                : qtReason);
    }
}
