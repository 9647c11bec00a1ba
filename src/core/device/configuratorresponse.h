#pragma once

#include "device.h"
#include "parsedlayout.h"

#include <QByteArray>
#include <QList>
#include <QString>

/// Reads what the configurator prints with "--format JSON": its error envelope, the list of
/// connected iPhones and the display names of installed apps.
class ConfiguratorResponse
{
public:
    ConfiguratorResponse() = delete;

    /// Throws VarnoletError quoting the response when it is an error envelope; anything else,
    /// including text that is not JSON, passes.
    static void checkErrors(const QByteArray &data);

    /// The connected iPhones of a "list" response, sorted by name; other device types are left
    /// out. Throws VarnoletError, or PlatformError when the response is not JSON.
    static QList<Device> devices(const QByteArray &data);

    /// Display names by bundle identifier, found anywhere in an apps response; the part for `ecid`
    /// is preferred when the response is keyed by ECID. Never throws: unreadable gives empty.
    static AppNames appNames(const QByteArray &data, const QString &ecid);
};
