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

// One call: journaled as `name` before anything else, refused unless `known`, then the call's
// fault, then act() on every device `chosen` picks (edits to it are saved). Returns the status
// when the call ends early.
std::optional<int> call(const QString &tool, const QString &name, const QStringList &arguments,
                        bool known, const std::function<bool(const QJsonValue &)> &chosen,
                        const std::function<void(QJsonObject &, const QJsonObject &)> &act)
{
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
                      tool == u"cfgutil"_s
                              ? u"cfgutil: error: no devices found\n"_s
                              : u"ERROR Device not found: "_s + arguments.value(4) + u'\n'};
    if (const std::optional<int> status = perform(fault))
        return status;
    update([&](QJsonObject &w) {
        QJsonArray devices = w[u"devices"_s].toArray();
        for (auto it = devices.begin(); it != devices.end(); ++it) {
            QJsonObject device = it->toObject();
            if (chosen(device)) {
                act(device, fault);
                *it = device;
            }
        }
        w[u"devices"_s] = devices;
    });
    return std::nullopt;
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
    QFile file(operands.value(0));
    const QJsonDocument written = command == u"set-icon-layout"_s && file.open(QIODevice::ReadOnly)
            ? QJsonDocument::fromJson(file.readAll())
            : QJsonDocument();
    QJsonObject output;
    QStringList ecids;
    const std::optional<int> status = call(
            u"cfgutil"_s,
            !known                        ? u"unknown"_s
                    : command == u"get"_s ? u"get-apps"_s
                                          : command,
            arguments, known,
            [&](const QJsonValue &device) { return ecid.isEmpty() || device[u"ecid"_s] == ecid; },
            [&](QJsonObject &device, const QJsonObject &fault) {
                const QString key = device[u"ecid"_s].toString();
                ecids.append(key);
                if (command == u"list"_s)
                    output[key] = QJsonObject{{u"UDID"_s, device[u"udid"_s]},
                                              {u"ECID"_s, key},
                                              {u"name"_s, device[u"name"_s]},
                                              {u"deviceType"_s, device[u"type"_s]}};
                else if (command == u"get"_s)
                    output[key] = QJsonObject{{u"apps"_s, device[u"apps"_s]}};
                else if (command == u"get-icon-layout"_s)
                    output[key] = serveLayout(device);
                else if (!written.isArray())
                    throw Failure{1, u"cfgutil: error: Cannot set value on device.\n"_s};
                else if (output[key] = QJsonObject(); !fault[u"ignoreWrite"_s].toBool())
                    device[u"layout"_s] = fault.contains(u"storeInstead"_s)
                            ? fault[u"storeInstead"_s]
                            : QJsonValue(written.array());
            });
    if (status)
        return *status;
    const QJsonObject envelope{{u"Command"_s, command},
                               {u"Output"_s, output},
                               {u"Type"_s, u"CommandOutput"_s},
                               {u"Devices"_s, QJsonArray::fromStringList(ecids)}};
    print(stdout, QJsonDocument(envelope).toJson(QJsonDocument::Compact) + '\n');
    return 0;
}

// The reader's form of the layout: every icon an object, a folder's pages in "iconLists".
int reader(const QStringList &arguments)
{
    const auto icons = [](const QJsonArray &ids, qsizetype from) {
        QJsonArray out;
        for (qsizetype i = from; i < ids.size(); ++i)
            out.append(QJsonObject{{u"bundleIdentifier"_s, ids[i]}});
        return out;
    };
    const QString udid = arguments.value(4);
    const bool known = arguments.size() == 5
            && arguments.mid(0, 4)
                    == QStringList{u"springboard"_s, u"state"_s, u"get"_s, u"--udid"_s}
            && qEnvironmentVariable("PYMOBILEDEVICE3_UDID") == udid;
    QJsonArray pages;
    const std::optional<int> status = call(
            u"pymobiledevice3"_s, known ? u"springboard"_s : u"unknown"_s, arguments, known,
            [&](const QJsonValue &device) { return device[u"udid"_s] == udid; },
            [&](QJsonObject &device, const QJsonObject &) {
                for (const QJsonValue &page : serveLayout(device)) {
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
            });
    if (status)
        return *status;
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
