#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

/// Why a stand-in tool stops early: its exit status and the text for standard error.
struct FakeFailure
{
    int status = 1;
    QString message;
};

/// The simulated phones, fault switches and call journal shared by the stand-in device tools.
class FakeWorld
{
public:
    FakeWorld() = delete;

    static constexpr int usageStatus = 64;
    static constexpr int worldStatus = 78;

    // Runs a tool's body on its decoded arguments and turns a FakeFailure into its exit status.
    static int main(int argc, char **argv, const std::function<int(const QStringList &)> &run);

    // Loads the world named by VARNOLET_FAKE_WORLD under its lock file, lets change() edit it
    // and saves it atomically; returns the edited world. Throws FakeFailure.
    static QJsonObject update(const std::function<void(QJsonObject &)> &change);

    // Appends one journal entry; returns how often `command` has been called, this call included.
    static int record(QJsonObject &world, const QString &tool, const QString &command,
                      const QStringList &arguments);

    // The first fault switch of `command` that applies to its count-th call, if any.
    static std::optional<QJsonObject> fault(const QJsonObject &world, const QString &command,
                                            int count);

    // Carries out a fault's effects; returns the exit status when the fault ends the command.
    static std::optional<int> perform(const QJsonObject &fault, const QString &command,
                                      const QStringList &affected);

    // A cfgutil error envelope; `overrides` may replace "Message", "Code" and "Domain".
    static QByteArray errorEnvelope(const QString &command, const QJsonObject &overrides,
                                    const QStringList &affected);

    static bool isConnected(const QJsonObject &device);

    // The device-form layout a read sees; a pending layout then takes its place on the phone.
    static QJsonArray serveLayout(QJsonObject &device);

    // Applies change() to every device whose "ecid" is among `ecids`.
    static void editDevices(QJsonObject &world, const QStringList &ecids,
                            const std::function<void(QJsonObject &)> &change);

    static void writeOut(const QByteArray &bytes);
    static void writeError(const QString &text);
};
