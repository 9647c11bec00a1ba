#pragma once

#include "platformpanels.h"

#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <functional>

/// The platform panels of the desktop window: file panels are the window's QML file dialogs,
/// asked for through signals and answered through accept() or cancel(); folders, documents and
/// addresses go to the system's default applications.
class DesktopPanels : public QObject, public PlatformPanels
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The window is given its panels.")
    /// Whether the platform shows file panels of its own (macOS, or a desktop platform theme
    /// such as GTK's or the XDG portal's); otherwise the window shows its own.
    Q_PROPERTY(bool nativeFileDialogs READ nativeFileDialogs CONSTANT)

public:
    explicit DesktopPanels(QObject *parent = nullptr);

    void chooseFileToOpen(const QString &title, const QStringList &nameFilters,
                          std::function<void(const QString &path)> chosen) override;
    void chooseFileToSave(const QString &title, const QString &suggestedName,
                          const QStringList &nameFilters,
                          std::function<void(const QString &path)> chosen) override;
    void openFolder(const QString &path) override;
    void openDocument(const QString &path) override;
    void openUrl(const QUrl &url) override;

    bool nativeFileDialogs() const;

    /// For the window's own file panel: the place a typed path names, relative to `folder` and
    /// with "~" for the home folder, as "url" and "path", with "folder" (an existing folder),
    /// "file" (an existing file) and "inFolder" (its parent folder exists).
    Q_INVOKABLE QVariantMap locate(const QString &typed, const QUrl &folder) const;

    /// The dialog's choice; only a local file answers the waiting request.
    Q_INVOKABLE void accept(const QUrl &file);
    /// The dialog was dismissed: the waiting request is dropped.
    Q_INVOKABLE void cancel();

Q_SIGNALS:
    /// `folder` is where the panel starts: the Applications folder when looking for the
    /// configurator, otherwise the user's documents.
    void openRequested(const QString &title, const QStringList &nameFilters, const QUrl &folder);
    /// `file` is `suggestedName` in `folder`, the user's documents folder.
    void saveRequested(const QString &title, const QUrl &folder, const QUrl &file,
                       const QStringList &nameFilters);
    /// The waiting request was answered or dropped, whoever did it: a panel still open closes.
    void settled();

private:
    static QString documentsFolder();

    // One panel at a time, as with the platform's modal panels; a newer request replaces it.
    std::function<void(const QString &path)> m_chosen;
};
