#pragma once

#include "layoutitem.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

/// One page of a layout: its items in on-screen order.
using LayoutPage = QList<LayoutItem>;

/// A whole icon layout; page 0 is the Dock, the pages after it are the Home Screen pages in order.
class Layout
{
public:
    Layout() = default;
    explicit Layout(const QList<LayoutPage> &pages)
        : pages(pages)
    { }

    QList<LayoutPage> pages;

    // The iPhone's limits, checked by validate() and by readers as soon as they meet a count.
    static constexpr qsizetype maximumPages = 101; // the Dock and 100 Home Screen pages
    static constexpr qsizetype maximumPageItems = 30;
    static constexpr qsizetype maximumFolderPages = 15;
    static constexpr qsizetype maximumFolderPageApps = 9;

    /// Every app identifier, page by page from the Dock on, folders unpacked in page order.
    QStringList identifiers() const;
    /// How often each identifier occurs: the app inventory that must survive every rearrangement.
    QHash<QString, int> inventory() const;
    int folderCount() const;
    /// The number of Home Screen pages (the Dock not counted).
    int pageCount() const;

    /// The device form: exactly the bytes handed to the configurator's set-icon-layout.
    QByteArray cfgutilData() const;
    /// SHA-256 of the device form as 64 lower-case hexadecimal digits.
    QString fingerprint() const;
    /// The fingerprint of device-form bytes already at hand, so that they are not encoded twice.
    static QString fingerprint(const QByteArray &deviceForm);

    /// Checks the iPhone's limits; throws VarnoletError at the first rule broken.
    void validate() const;
    /// The sentences of validate(), for a reader that refuses an oversized count before reading on.
    [[noreturn]] static void refusePageCount();
    [[noreturn]] static void refusePageSize();
    [[noreturn]] static void refuseFolder(const QString &name);

    /// The keyed record form used inside snapshot records.
    QJsonObject toRecord() const;
    /// Reads the record form; throws PlatformError with the decoder's description.
    static Layout fromRecord(const QJsonValue &record);

    friend bool operator==(const Layout &, const Layout &) = default;
};
