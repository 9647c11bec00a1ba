#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

/// One Home Screen entry: an app (its bundle identifier) or a folder (a name and pages of apps).
class LayoutItem
{
public:
    static LayoutItem app(const QString &identifier);
    static LayoutItem folder(const QString &name, const QList<QStringList> &pages);

    bool isFolder() const { return m_folder; }
    /// The bundle identifier of an app; empty for a folder.
    QString identifier() const { return m_folder ? QString() : m_text; }
    /// The display name of a folder; empty for an app.
    QString name() const { return m_folder ? m_text : QString(); }
    /// The pages of a folder, each an ordered list of bundle identifiers; empty for an app.
    const QList<QStringList> &folderPages() const { return m_pages; }

    /// An app's identifier alone, or every identifier of a folder, page after page.
    QStringList identifiers() const;
    /// An app's identifier or a folder's name.
    const QString &title() const { return m_text; }

    /// The device form: a string for an app, a flat array for a one-page folder, else nested.
    QJsonValue json() const;

    /// The keyed record form used inside snapshot records.
    QJsonObject toRecord() const;
    /// Reads the record form; throws PlatformError with the decoder's description.
    static LayoutItem fromRecord(const QJsonValue &record);

    friend bool operator==(const LayoutItem &, const LayoutItem &) = default;

private:
    LayoutItem(bool folder, const QString &text, const QList<QStringList> &pages);

    bool m_folder = false;
    QString m_text;
    QList<QStringList> m_pages;
};
