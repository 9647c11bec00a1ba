#pragma once

#include "appcategory.h"
#include "parsedlayout.h"

#include <QByteArray>
#include <QString>

/// Reads what the command line names: a layout file or "-" for standard input, and the JSON maps
/// of display names and category overrides.
class InputFiles
{
public:
    InputFiles() = delete;

    /// The whole file, or all of standard input for "-"; throws PlatformError.
    static QByteArray read(const QString &path);

    /// A JSON object of bundle identifier → display name; a malformed one is a UsageError.
    static AppNames names(const QString &path);
    /// A JSON object of bundle identifier → category title; an unknown title is a UsageError.
    static CategoryOverrides overrides(const QString &path);
};
