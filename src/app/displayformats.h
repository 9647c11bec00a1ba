#pragma once

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

/// How the window writes values in the user's locale: a tile's letter, the activity log's
/// times and the saved layouts' dates.
class DisplayFormats : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    /// The first user-perceived character of `name`, upper-cased: a flag or a family emoji whole.
    Q_INVOKABLE QString initial(const QString &name) const;
    /// The time alone, with seconds ("3:04:05 PM").
    Q_INVOKABLE QString time(const QDateTime &moment) const;
    /// An abbreviated date with the time and seconds ("Dec 5, 2026 3:04:05 PM").
    Q_INVOKABLE QString dateTime(const QDateTime &moment) const;

    /// The locale's long time format without its time zone.
    static QString timeFormat(const QLocale &locale);
    /// The locale's long date-and-time format without weekday or time zone, with short month
    /// names.
    static QString dateTimeFormat(const QLocale &locale);
};
