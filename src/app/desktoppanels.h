#pragma once

#include "platformpanels.h"

#include <QObject>
#include <QStringList>
#include <QUrl>
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

private:
    static QString documentsFolder();

    // One panel at a time, as with the platform's modal panels; a newer request replaces it.
    std::function<void(const QString &path)> m_chosen;
};
