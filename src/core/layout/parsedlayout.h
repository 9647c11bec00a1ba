#pragma once

#include "layout.h"

#include <QHash>
#include <QString>

/// Display names by bundle identifier; they change an app's shown name and nothing else.
using AppNames = QHash<QString, QString>;

/// The result of reading a layout: the layout and whatever display names the response carried.
struct ParsedLayout
{
    Layout layout;
    AppNames names;
};
