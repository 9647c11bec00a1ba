// Stand-in for cfgutil and pymobiledevice3, the one its file is named after, acting on the world
// file named by VARNOLET_FAKE_WORLD (see README.md).
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

// An exit status and what goes to standard error.
using Failure = std::pair<int, QString>;

void print(FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// Loads the world under its lock file, lets change() edit it and replaces it atomically.
QJsonObject update(const std::function<void(QJsonObject &)> &change)
{
    const QString path = qEnvironmentVariable("VARNOLET_FAKE_WORLD");
    QLockFile lock(path + u".lock"_s);
    QFile file(path);
    if (path.isEmpty() || !lock.tryLock(10000) || !file.open(QIODevice::ReadOnly))
        throw Failure{78, u"Cannot read the world file "_s + path + u".\n"_s};
    QJsonObject world = QJsonDocument::fromJson(file.readAll()).object();
    change(world);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(world).toJson()) < 0
        || !out.commit())
        throw Failure{78, u"Cannot write the world file "_s + path + u".\n"_s};
    return world;
}

// Carries out a fault's effects; returns the exit status when the fault ends the command.
std::optional<int> perform(const QJsonObject &fault)
{
    if (fault[u"ignoreTerm"_s].toBool())
        std::signal(SIGTERM, SIG_IGN);
    QThread::usleep(static_cast<unsigned long>(fault[u"sleep"_s].toDouble() * 1e6));
    if (fault[u"abort"_s].toBool()) {
        const rlimit noCore{0, 0}; // a crash, not a core file in the test's working folder
        setrlimit(RLIMIT_CORE, &noCore);
        std::abort();
    }
    print(stderr, fault[u"stderr"_s].toString().toUtf8());
    for (qint64 left = fault[u"flood"_s].toInteger(); left > 0; left -= 1 << 20)
        print(stdout, QByteArray(qMin<qint64>(left, 1 << 20), 'x'));
    print(stdout, fault[u"stdout"_s].toString().toUtf8());
    if (fault.contains(u"exit"_s) || fault.contains(u"flood"_s) || fault.contains(u"stdout"_s))
        return fault[u"exit"_s].toInt();
    return std::nullopt;
}

// The reader's form of a layout (at depth 0): every icon an object, and a folder (an array on a
// page, at depth 2) an object with its pages of apps in "iconLists".
QJsonValue readerForm(const QJsonValue &value, int depth = 0)
{
    if (!value.isArray())
        return QJsonObject{{u"bundleIdentifier"_s, value}};
    QJsonArray in = value.toArray(), out;
    if (depth == 2) {
        const QJsonValue name = in.isEmpty() ? QJsonValue() : in.takeAt(0);
        // A folder of one page holds its apps; one of several, an array of apps per page.
        return QJsonObject{
                {u"displayName"_s, name},
                {u"iconLists"_s, readerForm(in.at(0).isArray() ? in : QJsonArray{in}, 3)},
                {u"listType"_s, u"folder"_s}};
    }
    for (const QJsonValue &item : std::as_const(in))
        out.append(readerForm(item, depth + 1));
    return out;
}

int run(const QString &tool, const QStringList &arguments)
{
    const bool cfgutil = tool == u"cfgutil"_s;
    const qsizetype at = arguments.value(2) == u"--ecid"_s ? 4 : 2;
    const QString ecid = at == 4 ? arguments.value(3) : QString(), udid = arguments.value(4);
    // --format JSON [--ecid ECID] (list | get-icon-layout | get apps | set-icon-layout FILE)
    const QStringList command = arguments.mid(at);
    const bool configuratorLine = arguments.mid(0, 2) == QStringList{u"--format"_s, u"JSON"_s}
            && !ecid.isEmpty() == (at == 4)
            && (command == QStringList{u"list"_s} || command == QStringList{u"get-icon-layout"_s}
                || command == QStringList{u"get"_s, u"apps"_s}
                || (command.size() == 2 && command[0] == u"set-icon-layout"_s));
    const bool known = cfgutil ? configuratorLine
                               : qEnvironmentVariable("PYMOBILEDEVICE3_UDID") == udid
                    && arguments
                            == QStringList{u"springboard"_s, u"state"_s, u"get"_s, u"--udid"_s,
                                           udid};
    const QString name = !known      ? u"unknown"_s
            : !cfgutil               ? u"springboard"_s
            : command[0] == u"get"_s ? u"get-apps"_s
                                     : command[0];
    const auto chosen = [&](const QJsonValue &device) {
        return cfgutil ? ecid.isEmpty() || device[u"ecid"_s] == ecid : device[u"udid"_s] == udid;
    };

    // Journaled before anything else, so that a test can count even the calls that fail.
    int count = 0;
    const QJsonObject world = update([&](QJsonObject &w) {
        QJsonArray journal = w[u"journal"_s].toArray();
        journal.append(QJsonObject{{u"tool"_s, tool},
                                   {u"command"_s, name},
                                   {u"arguments"_s, QJsonArray::fromStringList(arguments)}});
        w[u"journal"_s] = journal;
        for (const QJsonValue &entry : std::as_const(journal))
            count += entry[u"command"_s] == name;
    });
    if (!known)
        throw Failure{64, tool + u": error: unknown command line\n"_s};
    QJsonObject fault;
    const QJsonValue faults = world[u"faults"_s][name];
    for (const QJsonValue &f : faults.isArray() ? faults.toArray() : QJsonArray{faults})
        if (fault.isEmpty() && (f[u"on"_s].isUndefined() || f[u"on"_s].toInt() == count)
            && count >= f[u"from"_s].toInt())
            fault = f.toObject();
    const QJsonArray devices = world[u"devices"_s].toArray();
    if (name != u"list"_s && std::none_of(devices.begin(), devices.end(), chosen))
        throw Failure{1,
                      cfgutil ? u"cfgutil: error: no devices found\n"_s
                              : u"ERROR Device not found: "_s + udid + u'\n'};
    if (const std::optional<int> status = perform(fault))
        return *status;

    QFile file(command.value(1));
    const QJsonArray written = name == u"set-icon-layout"_s && file.open(QIODevice::ReadOnly)
            ? QJsonDocument::fromJson(file.readAll()).array()
            : QJsonArray();
    QJsonObject output;
    QJsonArray pages;
    update([&](QJsonObject &w) {
        QJsonArray devices = w[u"devices"_s].toArray();
        for (auto it = devices.begin(); it != devices.end(); ++it) {
            QJsonObject device = it->toObject();
            const QString key = device[u"ecid"_s].toString();
            if (!chosen(device))
                continue;
            if (name == u"list"_s)
                output[key] = QJsonObject{{u"UDID"_s, device[u"udid"_s]},
                                          {u"ECID"_s, key},
                                          {u"name"_s, device[u"name"_s]},
                                          {u"deviceType"_s, device[u"type"_s]}};
            else if (name == u"get-apps"_s)
                output[key] = QJsonObject{{u"apps"_s, device[u"apps"_s]}};
            else if (name != u"set-icon-layout"_s) {
                // What a read sees; the first pending layout then takes its place on the phone.
                output[key] = pages = device[u"layout"_s].toArray();
                QJsonArray pending = device[u"pendingLayouts"_s].toArray();
                if (!pending.isEmpty())
                    device[u"layout"_s] = pending.takeAt(0);
                device[u"pendingLayouts"_s] = pending;
            } else if (output[key] = QJsonObject(); !fault[u"ignoreWrite"_s].toBool())
                device[u"layout"_s] = fault.contains(u"storeInstead"_s) ? fault[u"storeInstead"_s]
                                                                        : QJsonValue(written);
            *it = device;
        }
        w[u"devices"_s] = devices;
    });
    print(stdout,
          cfgutil ? QJsonDocument(
                            QJsonObject{{u"Output"_s, output}, {u"Type"_s, u"CommandOutput"_s}})
                                  .toJson(QJsonDocument::Compact)
                          + '\n'
                  : QJsonDocument(readerForm(pages).toArray()).toJson());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const QStringList arguments = QCoreApplication(argc, argv).arguments();
    try {
        return run(QFileInfo(arguments[0]).fileName(), arguments.mid(1));
    } catch (const Failure &failure) {
        print(stderr, failure.second.toUtf8());
        return failure.first;
    }
}
