#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

/// The platform's file panels and workspace service as the model needs them; the window supplies
/// native dialogs, tests supply a stand-in that answers at once.
///
/// A panel may answer later (the window's dialogs are asynchronous), but always on the main thread.
/// When the user cancels, `chosen` is never called; the model also treats an empty path as a
/// cancel. Paths are local file paths, never URLs.
class PlatformPanels
{
public:
    virtual ~PlatformPanels() = default;

    /// An open panel for one existing file (or, for the configurator, an application bundle).
    /// `title` is the panel's message; `nameFilters` are Qt name filters ("JSON files (*.json)").
    virtual void chooseFileToOpen(const QString &title, const QStringList &nameFilters,
                                  std::function<void(const QString &path)> chosen)
            = 0;
    /// A save panel proposing `suggestedName`.
    virtual void chooseFileToSave(const QString &title, const QString &suggestedName,
                                  const QStringList &nameFilters,
                                  std::function<void(const QString &path)> chosen)
            = 0;
    /// Shows a folder in the file manager.
    virtual void openFolder(const QString &path) = 0;
    /// Opens a document with the default application for its type.
    virtual void openDocument(const QString &path) = 0;
    /// Opens an address with the system's URL handler.
    virtual void openUrl(const QUrl &url) = 0;

protected:
    PlatformPanels() = default;
    PlatformPanels(const PlatformPanels &) = default;
    PlatformPanels &operator=(const PlatformPanels &) = default;
};
