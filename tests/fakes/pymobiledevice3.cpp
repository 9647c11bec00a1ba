// Stand-in for pymobiledevice3's springboard reader, acting on the world file named by
// VARNOLET_FAKE_WORLD.

#include "fakeworld.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSysInfo>

using namespace Qt::StringLiterals;

namespace {

const QString tool = u"pymobiledevice3"_s;

// The tool's error lines: a log prefix, the message, and nothing on standard output.
QString logLine(const QString &message)
{
    return QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss"_s) + u" "_s
            + QSysInfo::machineHostName() + u" pymobiledevice3.__main__["_s
            + QString::number(QCoreApplication::applicationPid()) + u"] ERROR "_s + message
            + u"\n"_s;
}

// Empty when the command line is one the reader serves, else what is wrong with it.
QString problemWith(const QStringList &arguments)
{
    if (arguments.size() != 5
        || arguments.mid(0, 3) != QStringList{u"springboard"_s, u"state"_s, u"get"_s}
        || arguments.at(3) != u"--udid"_s)
        return u"expected: springboard state get --udid UDID"_s;
    if (qEnvironmentVariable("PYMOBILEDEVICE3_UDID") != arguments.at(4))
        return u"PYMOBILEDEVICE3_UDID does not match --udid "_s + arguments.at(4);
    return {};
}

QJsonObject appIcon(const QString &identifier, const QHash<QString, QString> &names)
{
    QJsonObject icon{{u"bundleIdentifier"_s, identifier}, {u"displayIdentifier"_s, identifier}};
    if (names.contains(identifier))
        icon.insert(u"displayName"_s, names.value(identifier));
    return icon;
}

// The app icons of identifiers[from…].
QJsonArray appIcons(const QJsonArray &identifiers, const QHash<QString, QString> &names,
                    qsizetype from = 0)
{
    QJsonArray icons;
    for (qsizetype i = from; i < identifiers.size(); ++i)
        icons.append(appIcon(identifiers.at(i).toString(), names));
    return icons;
}

// The springboard form of a device-form layout: every icon an object, folders with "iconLists".
QJsonArray springboardForm(const QJsonArray &layout, const QJsonArray &apps)
{
    QHash<QString, QString> names;
    for (const QJsonValue &app : apps)
        names.insert(app[u"bundleIdentifier"_s].toString(), app[u"displayName"_s].toString());

    QJsonArray pages;
    for (const QJsonValue &page : layout) {
        QJsonArray icons;
        for (const QJsonValue &item : page.toArray()) {
            if (!item.isArray()) {
                icons.append(appIcon(item.toString(), names));
                continue;
            }
            const QJsonArray folder = item.toArray();
            QJsonArray lists;
            if (folder.size() > 1 && folder.at(1).isArray()) {
                for (qsizetype i = 1; i < folder.size(); ++i)
                    lists.append(appIcons(folder.at(i).toArray(), names));
            } else {
                lists.append(appIcons(folder, names, 1));
            }
            icons.append(QJsonObject{{u"displayName"_s, folder.first()},
                                     {u"iconLists"_s, lists},
                                     {u"listType"_s, u"folder"_s}});
        }
        pages.append(icons);
    }
    return pages;
}

// Python's json.dumps(indent=4, sort_keys=True): non-ASCII text as \u escapes, empty lists as [].
QByteArray pythonJson(const QJsonArray &value)
{
    static const QRegularExpression emptyList(u"\\[\\n *\\]"_s);
    const QString text = QString::fromUtf8(QJsonDocument(value).toJson(QJsonDocument::Indented))
                                 .replace(emptyList, u"[]"_s);
    QByteArray out;
    for (const QChar c : text)
        out += c.unicode() < 0x80
                ? QByteArray(1, char(c.unicode()))
                : "\\u"_ba + QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
    return out;
}

int run(const QStringList &arguments)
{
    const QString problem = problemWith(arguments);
    const QString command = problem.isEmpty() ? u"springboard"_s : u"unknown"_s;
    int count = 0;
    const QJsonObject world = FakeWorld::update(
            [&](QJsonObject &w) { count = FakeWorld::record(w, tool, command, arguments); });
    if (!problem.isEmpty())
        throw FakeFailure{FakeWorld::usageStatus,
                          u"pymobiledevice3: error: "_s + problem + u"\n"_s};

    const QString udid = arguments.at(4);
    QStringList ecids;
    for (const QJsonValue &value : world.value(u"devices"_s).toArray()) {
        const QJsonObject device = value.toObject();
        if (FakeWorld::isConnected(device) && device.value(u"udid"_s).toString() == udid)
            ecids.append(device.value(u"ecid"_s).toString());
    }
    if (ecids.isEmpty()) {
        // The real tool reports a handled error on standard error and still exits with 0.
        FakeWorld::writeError(logLine(u"Device not found: "_s + udid));
        return 0;
    }

    if (const std::optional<QJsonObject> fault = FakeWorld::fault(world, command, count))
        if (const std::optional<int> status = FakeWorld::perform(*fault, command, ecids))
            return *status;

    QJsonArray pages;
    FakeWorld::update([&](QJsonObject &w) {
        FakeWorld::editDevices(w, ecids.mid(0, 1), [&](QJsonObject &device) {
            const QJsonValue given = device.value(u"springboard"_s);
            const QJsonArray layout = FakeWorld::serveLayout(device);
            pages = given.isArray() ? given.toArray()
                                    : springboardForm(layout, device.value(u"apps"_s).toArray());
        });
    });
    FakeWorld::writeOut(pythonJson(pages));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return FakeWorld::main(argc, argv, run);
}
