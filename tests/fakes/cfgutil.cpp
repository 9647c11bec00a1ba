// Stand-in for Apple Configurator's cfgutil, acting on the world file named by VARNOLET_FAKE_WORLD.

#include "fakeworld.h"

#include <QFile>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {

const QString tool = u"cfgutil"_s;
const QString noDevices = u"cfgutil: error: no devices found\n"_s;

struct CommandLine
{
    QString format;
    QString ecid;
    QString command;
    QStringList operands;
    QString problem;

    QString journalName() const
    {
        if (!problem.isEmpty())
            return u"unknown"_s;
        return command == u"get"_s ? u"get-apps"_s : command;
    }
};

// cfgutil takes an ECID in decimal or in hexadecimal with 0x; both name the same number.
std::optional<quint64> ecidNumber(const QString &text)
{
    bool ok = false;
    const quint64 value = text.startsWith(u"0x"_s, Qt::CaseInsensitive)
            ? text.mid(2).toULongLong(&ok, 16)
            : text.toULongLong(&ok, 10);
    return ok ? std::optional(value) : std::nullopt;
}

CommandLine parse(const QStringList &arguments)
{
    CommandLine line;
    qsizetype i = 0;
    for (; i < arguments.size() && arguments.at(i).startsWith(u"-"_s); i += 2) {
        const QString &option = arguments.at(i);
        if (i + 1 == arguments.size() || (option != u"--format"_s && option != u"--ecid"_s)) {
            line.problem = u"unknown option or missing value: "_s + option;
            return line;
        }
        (option == u"--format"_s ? line.format : line.ecid) = arguments.at(i + 1);
    }
    if (i == arguments.size()) {
        line.problem = u"no command given"_s;
        return line;
    }
    line.command = arguments.at(i);
    line.operands = arguments.mid(i + 1);

    const QStringList properties{u"apps"_s, u"installedApps"_s};
    if (line.format != u"JSON"_s)
        line.problem = u"only --format JSON is simulated"_s;
    else if ((line.command == u"list"_s || line.command == u"get-icon-layout"_s)
             && !line.operands.isEmpty())
        line.problem = line.command + u" takes no arguments"_s;
    else if (line.command == u"set-icon-layout"_s && line.operands.size() != 1)
        line.problem = u"set-icon-layout takes one file path"_s;
    else if (line.command == u"get"_s
             && (line.operands.isEmpty()
                 || std::any_of(line.operands.begin(), line.operands.end(),
                                [&](const QString &p) { return !properties.contains(p); })))
        line.problem = u"get supports only the properties apps and installedApps"_s;
    else if (!line.ecid.isEmpty() && !ecidNumber(line.ecid))
        line.problem = u"invalid ECID "_s + line.ecid;
    else if (!QStringList{u"list"_s, u"get-icon-layout"_s, u"get"_s, u"set-icon-layout"_s}.contains(
                     line.command))
        line.problem = u"unknown command "_s + line.command;
    return line;
}

// The connected devices a command acts on: all of them, or the one named by --ecid.
QList<QJsonObject> targets(const QJsonObject &world, const QString &ecid)
{
    QList<QJsonObject> found;
    for (const QJsonValue &value : world.value(u"devices"_s).toArray()) {
        const QJsonObject device = value.toObject();
        if (FakeWorld::isConnected(device)
            && (ecid.isEmpty()
                || ecidNumber(device.value(u"ecid"_s).toString()) == ecidNumber(ecid)))
            found.append(device);
    }
    return found;
}

QByteArray envelope(const QString &command, const QJsonObject &output, const QStringList &ecids)
{
    const QJsonObject root{{u"Command"_s, command},
                           {u"Output"_s, output},
                           {u"Type"_s, u"CommandOutput"_s},
                           {u"Devices"_s, QJsonArray::fromStringList(ecids)}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact) + '\n';
}

// The layout arrays the phone takes: pages of bundle identifiers and folder arrays, name first.
bool isDeviceForm(const QJsonValue &value)
{
    const auto isString = [](const QJsonValue &v) { return v.isString(); };
    const auto isPage = [&](const QJsonValue &page) {
        const QJsonArray items = page.toArray();
        return page.isArray() && std::all_of(items.begin(), items.end(), isString);
    };
    const auto isItem = [&](const QJsonValue &item) {
        if (item.isString())
            return true;
        const QJsonArray folder = item.toArray();
        if (!item.isArray() || folder.size() < 2 || !folder.first().isString())
            return false;
        return std::all_of(folder.begin() + 1, folder.end(), isString)
                || std::all_of(folder.begin() + 1, folder.end(), isPage);
    };
    const QJsonArray pages = value.toArray();
    return value.isArray() && std::all_of(pages.begin(), pages.end(), [&](const QJsonValue &page) {
               const QJsonArray items = page.toArray();
               return page.isArray() && std::all_of(items.begin(), items.end(), isItem);
           });
}

int run(const QStringList &arguments)
{
    const CommandLine line = parse(arguments);
    int count = 0;
    const QJsonObject world = FakeWorld::update([&](QJsonObject &w) {
        count = FakeWorld::record(w, tool, line.journalName(), arguments);
    });
    if (!line.problem.isEmpty())
        throw FakeFailure{
                FakeWorld::usageStatus,
                u"cfgutil: error: "_s + line.problem
                        + u"\nusage: cfgutil --format JSON [--ecid ECID] "
                          u"(list | get-icon-layout | get apps | set-icon-layout FILE)\n"_s};

    const QList<QJsonObject> devices = targets(world, line.ecid);
    if (devices.isEmpty() && line.command != u"list"_s)
        throw FakeFailure{1, noDevices};
    QStringList ecids;
    for (const QJsonObject &device : devices)
        ecids.append(device.value(u"ecid"_s).toString());

    const std::optional<QJsonObject> fault = FakeWorld::fault(world, line.journalName(), count);
    if (fault)
        if (const std::optional<int> status = FakeWorld::perform(*fault, line.command, ecids))
            return *status;

    QJsonObject output;
    if (line.command == u"list"_s) {
        for (qsizetype i = 0; i < devices.size(); ++i) {
            const QJsonObject &device = devices.at(i);
            output.insert(
                    ecids.at(i),
                    QJsonObject{{u"UDID"_s, device.value(u"udid"_s)},
                                {u"ECID"_s, ecids.at(i)},
                                {u"name"_s, device.value(u"name"_s)},
                                {u"deviceType"_s, device.value(u"type"_s)},
                                {u"locationID"_s,
                                 device.value(u"locationID"_s).toInteger((i + 1) * 1048576)}});
        }
    } else if (line.command == u"get-icon-layout"_s) {
        FakeWorld::update([&](QJsonObject &w) {
            FakeWorld::editDevices(w, ecids, [&](QJsonObject &device) {
                output.insert(device.value(u"ecid"_s).toString(), FakeWorld::serveLayout(device));
            });
        });
    } else if (line.command == u"get"_s) {
        QJsonObject errors;
        for (const QJsonObject &device : devices) {
            QJsonObject properties;
            for (const QString &property : line.operands)
                properties.insert(property, device.value(u"apps"_s).toArray());
            output.insert(device.value(u"ecid"_s).toString(), properties);
            errors.insert(device.value(u"ecid"_s).toString(), QJsonObject());
        }
        output.insert(u"Errors"_s, errors);
    } else {
        QFile file(line.operands.first());
        if (!file.open(QIODevice::ReadOnly))
            throw FakeFailure{1,
                              u"cfgutil: error: The file “"_s + file.fileName()
                                      + u"” couldn’t be opened.\n"_s};
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
        const QJsonValue layout = document.isArray() ? QJsonValue(document.array()) : QJsonValue();
        if (!isDeviceForm(layout))
            throw FakeFailure{
                    1,
                    u"cfgutil: error: Cannot set value on device.\n(Domain: "
                    u"com.apple.configurator.MobileDeviceKit.amd.error Code: -402653161)\n"_s};
        const QJsonObject options = fault.value_or(QJsonObject());
        FakeWorld::update([&](QJsonObject &w) {
            FakeWorld::editDevices(w, ecids, [&](QJsonObject &device) {
                output.insert(device.value(u"ecid"_s).toString(), QJsonObject());
                if (options.value(u"ignoreWrite"_s).toBool())
                    return;
                device.insert(u"layout"_s,
                              options.contains(u"storeInstead"_s) ? options.value(u"storeInstead"_s)
                                                                  : layout);
                device.remove(u"springboard"_s);
            });
        });
    }
    FakeWorld::writeOut(envelope(line.command, output, ecids));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return FakeWorld::main(argc, argv, run);
}
