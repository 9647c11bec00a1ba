#pragma once

#include "device.h"
#include "layout.h"
#include "parsedlayout.h"

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

/// A saved layout tied to the phone it came from, the moment, the reason and its fingerprint.
class Snapshot
{
public:
    /// Record format version; always 1 when written.
    int schemaVersion = 1;
    /// Upper-case UUID string, also the name of the snapshot's folder.
    QString id;
    /// UTC, whole seconds: the record keeps no fraction.
    QDateTime date;
    Device device;
    Layout layout;
    /// `layout.fingerprint()` at save time.
    QString fingerprint;
    AppNames names;
    QString reason;
    /// The tool that read the layout, e.g. "cfgutil".
    QString reader;

    /// The record form written as "snapshot.json".
    QJsonObject toJson() const;
    /// Reads the record form; every key is required. Throws PlatformError on a missing key or a
    /// value of the wrong type.
    static Snapshot fromJson(const QJsonValue &json);

    /// "2026-12-05T11:45:55Z": ISO 8601 in UTC with whole seconds.
    static QString formatDate(const QDateTime &date);
    /// Reads an internet date-time with whole seconds ("Z" or an offset); an invalid QDateTime
    /// when the text is anything else.
    static QDateTime parseDate(const QString &text);

    friend bool operator==(const Snapshot &, const Snapshot &) = default;
};
