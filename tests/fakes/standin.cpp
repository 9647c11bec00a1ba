// Stand-in for cfgutil and pymobiledevice3, the one its file is named after, acting on the world
// file named by VARNOLET_FAKE_WORLD (see README.md).
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

struct Failure
{
    int status;
    QString message;
};

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
        throw Failure{78, u"Cannot read the world file "_s + path + u"."_s};
    QJsonObject world = QJsonDocument::fromJson(file.readAll()).object();
    change(world);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(world).toJson()) < 0
        || !out.commit())
        throw Failure{78, u"Cannot write the world file "_s + path + u"."_s};
    return world;
}

// Journals the call and returns the first fault of `command` that applies to it, if any.
std::optional<QJsonObject> record(QJsonObject &world, const QString &tool, const QString &command,
                                  const QStringList &arguments)
{
    QJsonArray journal = world[u"journal"_s].toArray();
    journal.append(QJsonObject{{u"tool"_s, tool},
                               {u"command"_s, command},
                               {u"arguments"_s, QJsonArray::fromStringList(arguments)}});
    world[u"journal"_s] = journal;
    const int count = int(std::count_if(journal.begin(), journal.end(), [&](const QJsonValue &e) {
        return e[u"command"_s] == command;
    }));
    const QJsonValue faults = world[u"faults"_s][command];
    for (const QJsonValue &fault : faults.isArray() ? faults.toArray() : QJsonArray{faults}) {
        const QJsonValue on = fault[u"on"_s];
        if (fault.isObject() && (on.isUndefined() || on.toInt() == count)
            && count >= fault[u"from"_s].toInt())
            return fault.toObject();
    }
    return std::nullopt;
}

// Carries out a fault's effects; returns the exit status when the fault ends the command.
std::optional<int> perform(const QJsonObject &fault)
{
    if (fault[u"ignoreTerm"_s].toBool())
        std::signal(SIGTERM, SIG_IGN);
    std::this_thread::sleep_for(std::chrono::duration<double>(fault[u"sleep"_s].toDouble()));
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

// Applies change() to every device whose "ecid" is among `ecids`.
void editDevices(QJsonObject &world, const QStringList &ecids,
                 const std::function<void(QJsonObject &)> &change)
{
    QJsonArray devices = world[u"devices"_s].toArray();
    for (auto it = devices.begin(); it != devices.end(); ++it) {
        QJsonObject device = it->toObject();
        if (ecids.contains(device[u"ecid"_s].toString())) {
            change(device);
            *it = device;
        }
    }
    world[u"devices"_s] = devices;
}

// The layout a read sees; the first pending layout then takes its place on the phone.
QJsonArray serveLayout(QJsonObject &device)
{
    const QJsonArray layout = device[u"layout"_s].toArray();
    QJsonArray pending = device[u"pendingLayouts"_s].toArray();
    if (!pending.isEmpty()) {
        device[u"layout"_s] = pending.takeAt(0);
        device[u"pendingLayouts"_s] = pending;
    }
    return layout;
}

// The reader's form of a device-form layout: every icon an object, a folder's pages in "iconLists".
QJsonArray springboardForm(const QJsonArray &layout)
{
    const auto icons = [](const QJsonArray &ids, qsizetype from) {
        QJsonArray out;
        for (qsizetype i = from; i < ids.size(); ++i)
            out.append(QJsonObject{{u"bundleIdentifier"_s, ids[i]}});
        return out;
    };
    QJsonArray pages;
    for (const QJsonValue &page : layout) {
        QJsonArray items;
        for (const QJsonValue &item : page.toArray()) {
            const QJsonArray folder = item.toArray();
            const bool paged = folder.size() > 1 && folder[1].isArray();
            QJsonArray lists;
            for (qsizetype i = 1; paged && i < folder.size(); ++i)
                lists.append(icons(folder[i].toArray(), 0));
            if (!paged)
                lists.append(icons(folder, 1));
            items.append(item.isArray() ? QJsonObject{{u"displayName"_s, folder[0]},
                                                      {u"iconLists"_s, lists},
                                                      {u"listType"_s, u"folder"_s}}
                                        : QJsonObject{{u"bundleIdentifier"_s, item}});
        }
        pages.append(items);
    }
    return pages;
}

int cfgutil(const QStringList &arguments)
{
    // --format JSON [--ecid ECID] (list | get-icon-layout | get apps | set-icon-layout FILE)
    QString ecid;
    bool json = false;
    qsizetype i = 0;
    for (; i + 1 < arguments.size() && arguments[i].startsWith(u'-'); i += 2) {
        json = json || (arguments[i] == u"--format"_s && arguments[i + 1] == u"JSON"_s);
        if (arguments[i] == u"--ecid"_s)
            ecid = arguments[i + 1];
    }
    const QString command = arguments.value(i);
    const QStringList operands = arguments.mid(i + 1);
    const bool known = json && i == 2 + 2 * !ecid.isEmpty()
            && ((operands.isEmpty() && (command == u"list"_s || command == u"get-icon-layout"_s))
                || (command == u"get"_s && operands == QStringList{u"apps"_s})
                || (command == u"set-icon-layout"_s && operands.size() == 1));
    const QString name = !known ? u"unknown"_s : command == u"get"_s ? u"get-apps"_s : command;
    std::optional<QJsonObject> fault;
    const QJsonObject world
            = update([&](QJsonObject &w) { fault = record(w, u"cfgutil"_s, name, arguments); });
    if (!known)
        throw Failure{64, u"cfgutil: error: unknown command line\n"_s};
    QStringList ecids;
    for (const QJsonValue &device : world[u"devices"_s].toArray())
        if (ecid.isEmpty() || device[u"ecid"_s] == ecid)
            ecids.append(device[u"ecid"_s].toString());
    if (ecids.isEmpty() && command != u"list"_s)
        throw Failure{1, u"cfgutil: error: no devices found\n"_s};
    if (const std::optional<int> status = fault ? perform(*fault) : std::nullopt)
        return *status;

    QJsonObject output;
    if (command == u"list"_s || command == u"get"_s) {
        for (const QJsonValue &device : world[u"devices"_s].toArray())
            if (ecids.contains(device[u"ecid"_s].toString()))
                output[device[u"ecid"_s].toString()] = command == u"get"_s
                        ? QJsonObject{{u"apps"_s, device[u"apps"_s]}}
                        : QJsonObject{{u"UDID"_s, device[u"udid"_s]},
                                      {u"ECID"_s, device[u"ecid"_s]},
                                      {u"name"_s, device[u"name"_s]},
                                      {u"deviceType"_s, device[u"type"_s]}};
    } else if (command == u"get-icon-layout"_s) {
        update([&](QJsonObject &w) {
            editDevices(w, ecids,
                        [&](QJsonObject &d) { output[d[u"ecid"_s].toString()] = serveLayout(d); });
        });
    } else {
        QFile file(operands.first());
        const QJsonDocument layout
                = QJsonDocument::fromJson(file.open(QIODevice::ReadOnly) ? file.readAll() : "");
        if (!layout.isArray())
            throw Failure{1, u"cfgutil: error: Cannot set value on device.\n"_s};
        const QJsonObject switches = fault.value_or(QJsonObject());
        update([&](QJsonObject &w) {
            editDevices(w, ecids, [&](QJsonObject &d) {
                output[d[u"ecid"_s].toString()] = QJsonObject();
                if (!switches[u"ignoreWrite"_s].toBool())
                    d[u"layout"_s] = switches.contains(u"storeInstead"_s)
                            ? switches[u"storeInstead"_s]
                            : QJsonValue(layout.array());
            });
        });
    }
    print(stdout,
          QJsonDocument(QJsonObject{{u"Command"_s, command},
                                    {u"Output"_s, output},
                                    {u"Type"_s, u"CommandOutput"_s},
                                    {u"Devices"_s, QJsonArray::fromStringList(ecids)}})
                          .toJson(QJsonDocument::Compact)
                  + '\n');
    return 0;
}

int reader(const QStringList &arguments)
{
    const QString udid = arguments.value(4);
    const bool known = arguments.size() == 5
            && arguments.mid(0, 4)
                    == QStringList{u"springboard"_s, u"state"_s, u"get"_s, u"--udid"_s}
            && qEnvironmentVariable("PYMOBILEDEVICE3_UDID") == udid;
    std::optional<QJsonObject> fault;
    const QJsonObject world = update([&](QJsonObject &w) {
        fault = record(w, u"pymobiledevice3"_s, known ? u"springboard"_s : u"unknown"_s, arguments);
    });
    if (!known)
        throw Failure{64,
                      u"pymobiledevice3: error: expected springboard state get --udid UDID, "
                      "with PYMOBILEDEVICE3_UDID the same\n"_s};
    QStringList ecids;
    for (const QJsonValue &device : world[u"devices"_s].toArray())
        if (device[u"udid"_s] == udid)
            ecids.append(device[u"ecid"_s].toString());
    if (ecids.isEmpty())
        throw Failure{1, u"ERROR Device not found: "_s + udid + u'\n'};
    if (const std::optional<int> status = fault ? perform(*fault) : std::nullopt)
        return *status;
    QJsonArray pages;
    update([&](QJsonObject &w) {
        editDevices(w, ecids, [&](QJsonObject &d) { pages = springboardForm(serveLayout(d)); });
    });
    print(stdout, QJsonDocument(pages).toJson());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    try {
        return QFileInfo(QFile::decodeName(argv[0])).fileName() == u"cfgutil"_s ? cfgutil(arguments)
                                                                                : reader(arguments);
    } catch (const Failure &failure) {
        print(stderr, failure.message.toUtf8());
        return failure.status;
    }
}
