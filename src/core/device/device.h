#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

/// One connected iPhone as the configurator lists it, identified by its ECID.
class Device
{
public:
    Device() = default;
    Device(const QString &ecid, const QString &udid, const QString &name, const QString &type)
        : ecid(ecid)
        , udid(udid)
        , name(name)
        , type(type)
    { }

    /// Decimal digits, or "0x"/"0X" and hexadecimal digits.
    QString ecid;
    QString udid;
    /// The name the user gave the phone.
    QString name;
    /// The model as the tool reports it, e.g. "iPhone16,2".
    QString type;

    QString id() const { return ecid; }

    /// Throws VarnoletError unless ECID and UDID have a shape that is safe on a command line.
    void validate() const;

    /// The stored form: an object with the string keys "ecid", "name", "type" and "udid".
    QJsonObject toJson() const;
    /// Reads the stored form; throws PlatformError on a missing key or a value that is not a
    /// string.
    static Device fromJson(const QJsonValue &json);

    friend bool operator==(const Device &, const Device &) = default;
};
