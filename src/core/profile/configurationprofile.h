#pragma once

#include "layout.h"

#include <QByteArray>

/// A layout as a configuration profile for device management: an unsigned XML property list, a
/// "Configuration" profile holding one Home Screen Layout payload with the Dock and the pages.
class ConfigurationProfile
{
public:
    ConfigurationProfile() = delete;

    /// The profile for `layout`, with fresh payload UUIDs.
    static QByteArray write(const Layout &layout);
    /// The layout of the profile's Home Screen Layout payload, validated. Throws VarnoletError.
    static Layout read(const QByteArray &data);
};
