#include "fakeworld.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLockFile>
#include <QSaveFile>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <thread>

using namespace Qt::StringLiterals;

int FakeWorld::main(int argc, char **argv, const std::function<int(const QStringList &)> &run)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    try {
        return run(arguments);
    } catch (const FakeFailure &failure) {
        writeError(failure.message.endsWith(u'\n') ? failure.message : failure.message + u'\n');
        return failure.status;
    }
}

QJsonObject FakeWorld::update(const std::function<void(QJsonObject &)> &change)
{
    const QString path = qEnvironmentVariable("VARNOLET_FAKE_WORLD");
    if (path.isEmpty())
        throw FakeFailure{worldStatus, u"VARNOLET_FAKE_WORLD does not name a world file."_s};
    QLockFile lock(path + u".lock"_s);
    if (!lock.tryLock(10000))
        throw FakeFailure{worldStatus, u"Cannot lock the world file "_s + path + u"."_s};

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FakeFailure{worldStatus, u"Cannot read the world file "_s + path + u"."_s};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    file.close();
    if (!document.isObject())
        throw FakeFailure{worldStatus,
                          u"The world file "_s + path + u" is not a JSON object: "_s
                                  + error.errorString()};

    QJsonObject world = document.object();
    change(world);

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)
        || out.write(QJsonDocument(world).toJson(QJsonDocument::Indented)) < 0 || !out.commit())
        throw FakeFailure{worldStatus, u"Cannot write the world file "_s + path + u"."_s};
    return world;
}

int FakeWorld::record(QJsonObject &world, const QString &tool, const QString &command,
                      const QStringList &arguments)
{
    QJsonArray journal = world.value(u"journal"_s).toArray();
    journal.append(QJsonObject{{u"tool"_s, tool},
                               {u"command"_s, command},
                               {u"arguments"_s, QJsonArray::fromStringList(arguments)}});
    world.insert(u"journal"_s, journal);

    int count = 0;
    for (const QJsonValue &entry : std::as_const(journal))
        count += entry.toObject().value(u"command"_s).toString() == command;
    return count;
}

std::optional<QJsonObject> FakeWorld::fault(const QJsonObject &world, const QString &command,
                                            int count)
{
    const QJsonValue value = world.value(u"faults"_s).toObject().value(command);
    const QJsonArray candidates = value.isArray() ? value.toArray() : QJsonArray{value};
    for (const QJsonValue &candidate : candidates) {
        if (!candidate.isObject())
            continue;
        const QJsonObject fault = candidate.toObject();
        const QJsonValue on = fault.value(u"on"_s);
        const bool listed = on.isArray() ? on.toArray().contains(QJsonValue(count))
                                         : on.isUndefined() || on.toInt() == count;
        if (listed && count >= fault.value(u"from"_s).toInt(0))
            return fault;
    }
    return std::nullopt;
}

std::optional<int> FakeWorld::perform(const QJsonObject &fault, const QString &command,
                                      const QStringList &affected)
{
    if (fault.value(u"ignoreTerm"_s).toBool())
        std::signal(SIGTERM, SIG_IGN);
    if (const double seconds = fault.value(u"sleep"_s).toDouble(); seconds > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    if (fault.value(u"abort"_s).toBool()) {
        // A crash, not a core file in the test's working folder.
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        std::abort();
    }
    if (fault.contains(u"stderr"_s))
        writeError(fault.value(u"stderr"_s).toString());
    if (const qint64 bytes = fault.value(u"flood"_s).toInteger(); bytes > 0) {
        const QByteArray chunk(1 << 20, 'x');
        for (qint64 left = bytes; left > 0; left -= chunk.size())
            writeOut(chunk.left(qMin<qint64>(left, chunk.size())));
    }
    if (fault.contains(u"envelope"_s))
        writeOut(errorEnvelope(command, fault.value(u"envelope"_s).toObject(), affected));
    if (fault.contains(u"stdout"_s))
        writeOut(fault.value(u"stdout"_s).toString().toUtf8());

    const bool ends = fault.contains(u"exit"_s) || fault.contains(u"flood"_s)
            || fault.contains(u"envelope"_s) || fault.contains(u"stdout"_s);
    if (!ends)
        return std::nullopt;
    return fault.value(u"exit"_s).toInt(0);
}

QByteArray FakeWorld::errorEnvelope(const QString &command, const QJsonObject &overrides,
                                    const QStringList &affected)
{
    QJsonObject envelope{{u"Command"_s, command},
                         {u"Type"_s, u"Error"_s},
                         {u"Message"_s, u"The device is locked with a passcode."_s},
                         {u"Code"_s, -402653158},
                         {u"Domain"_s, u"com.apple.configurator.MobileDeviceKit.amd.error"_s},
                         {u"FailureReason"_s, u""_s},
                         {u"Detail"_s, u""_s},
                         {u"AffectedDevices"_s, QJsonArray::fromStringList(affected)},
                         {u"UnaffectedDevices"_s, QJsonArray()}};
    for (auto it = overrides.begin(); it != overrides.end(); ++it)
        envelope.insert(it.key(), it.value());
    return QJsonDocument(envelope).toJson(QJsonDocument::Compact) + '\n';
}

bool FakeWorld::isConnected(const QJsonObject &device)
{
    return device.value(u"connected"_s).toBool(true);
}

QJsonArray FakeWorld::serveLayout(QJsonObject &device)
{
    const QJsonValue layout = device.value(u"layout"_s);
    if (!layout.isArray())
        throw FakeFailure{worldStatus,
                          u"Device "_s + device.value(u"ecid"_s).toString()
                                  + u" has no \"layout\" array."_s};
    QJsonArray pending = device.value(u"pendingLayouts"_s).toArray();
    if (!pending.isEmpty()) {
        device.insert(u"layout"_s, pending.takeAt(0));
        device.insert(u"pendingLayouts"_s, pending);
        device.remove(u"springboard"_s);
    }
    return layout.toArray();
}

void FakeWorld::editDevices(QJsonObject &world, const QStringList &ecids,
                            const std::function<void(QJsonObject &)> &change)
{
    QJsonArray devices = world.value(u"devices"_s).toArray();
    for (qsizetype i = 0; i < devices.size(); ++i) {
        QJsonObject device = devices.at(i).toObject();
        if (!ecids.contains(device.value(u"ecid"_s).toString()))
            continue;
        change(device);
        devices.replace(i, device);
    }
    world.insert(u"devices"_s, devices);
}

void FakeWorld::writeOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void FakeWorld::writeError(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}
