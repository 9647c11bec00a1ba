#pragma once

#include "device.h"
#include "platformerror.h"

#include <QDir>
#include <QFile>

#include <functional>

/// What the device and snapshot tests share: the sample phone, the user's sentences, file and
/// process helpers.
namespace TestSupport {

using namespace Qt::StringLiterals;

inline const QString ecid = u"0x1C2D3E4F50601E"_s;
inline const QString udid = u"00008140-001C2D3E4F50601E"_s;
inline Device phone()
{
    return Device(ecid, udid, u"Alex’s iPhone"_s, u"iPhone16,2"_s);
}

inline const QString timedOut
        = u"The device command timed out. Unlock your iPhone, check the USB cable, and close "
          "Configurator's window. If this happened while applying, check your phone before "
          "trying another write."_s;
inline const QString tooLarge = u"Device output was unexpectedly large."_s;
inline const QString invalidDevice
        = u"The selected device has no valid ECID and UDID. Reconnect and refresh."_s;

inline QString reported(const QByteArray &response)
{
    return u"Configurator reported an error: "_s + QString::fromUtf8(response);
}
inline QString readFailed(const QString &description)
{
    return u"Could not read the layout. "_s + description
            + u"\nIf get-icon-layout crashes, install the optional reader from the Varnolet "
              "setup guide, then refresh."_s;
}
// The user-facing description of what `call` throws; empty when it throws nothing.
inline QString failureOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const std::exception &error) {
        return PlatformError::describe(error);
    }
    return {};
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
inline bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}
inline QByteArray sample(const QString &name)
{
    return readFile(QStringLiteral(VARNOLET_SAMPLES) + u'/' + name);
}
inline QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Every process whose parent is this test, reaped or not.
inline int childProcessCount()
{
    int children = 0;
    for (const QString &task : entries(u"/proc/self/task"_s))
        children += int(readFile(u"/proc/self/task/"_s + task + u"/children"_s).count(' '));
    return children;
}

} // namespace TestSupport
