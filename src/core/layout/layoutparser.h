#pragma once

#include "parsedlayout.h"

#include <QByteArray>
#include <QString>

#include <optional>

/// Reads a layout response (the configurator's envelope, the device form or the springboard form)
/// into a valid layout, refusing whole anything it does not understand.
class LayoutParser
{
public:
    LayoutParser() = delete;

    /// Who produced the bytes, so that an error the response reports is credited to its tool.
    enum class Source { Configurator, Reader };

    /// Parses and validates; `ecid` picks the device entry of an envelope keyed by ECID. A count
    /// beyond the iPhone's limits is refused as soon as it is met. Throws VarnoletError, or
    /// PlatformError when the bytes are not JSON at all.
    static ParsedLayout parse(const QByteArray &data, const std::optional<QString> &ecid = {},
                              Source source = Source::Configurator);
};
