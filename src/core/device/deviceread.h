#pragma once

#include "layout.h"
#include "parsedlayout.h"

#include <QByteArray>
#include <QString>

/// What reading a phone gives: the parsed layout, display names, the tool's output as received
/// and the name of the tool that produced it ("cfgutil" or "pymobiledevice3").
struct DeviceRead
{
    Layout layout;
    AppNames names;
    QByteArray raw;
    QString reader;
};
