#pragma once

#include <QByteArray>
#include <QVariant>

/// XML property lists as variants: a dict is a QVariantMap, an array a QVariantList, and string,
/// integer, real, true/false, date and data the matching Qt values.
class PropertyList
{
public:
    PropertyList() = delete;

    /// The XML property list of `value`, a dict's keys in sorted order. Throws VarnoletError for a
    /// value a property list cannot hold.
    static QByteArray write(const QVariant &value);
    /// The value of an XML property list. Throws VarnoletError when `data` is not one.
    static QVariant read(const QByteArray &data);
};
