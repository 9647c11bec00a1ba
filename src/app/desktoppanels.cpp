#include "desktoppanels.h"

#include <QDesktopServices>
#include <QDir>
#include <QStandardPaths>

#include <utility>

DesktopPanels::DesktopPanels(QObject *parent)
    : QObject(parent)
{ }

void DesktopPanels::chooseFileToOpen(const QString &title, const QStringList &nameFilters,
                                     std::function<void(const QString &path)> chosen)
{
    m_chosen = std::move(chosen);
    Q_EMIT openRequested(title, nameFilters);
}

void DesktopPanels::chooseFileToSave(const QString &title, const QString &suggestedName,
                                     const QStringList &nameFilters,
                                     std::function<void(const QString &path)> chosen)
{
    m_chosen = std::move(chosen);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    Q_EMIT saveRequested(title, QUrl::fromLocalFile(folder),
                         QUrl::fromLocalFile(QDir(folder).filePath(suggestedName)), nameFilters);
}

void DesktopPanels::openFolder(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DesktopPanels::openDocument(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DesktopPanels::openUrl(const QUrl &url)
{
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

void DesktopPanels::accept(const QUrl &file)
{
    auto chosen = std::exchange(m_chosen, {});
    if (chosen && file.isLocalFile() && !file.toLocalFile().isEmpty())
        chosen(file.toLocalFile());
}

void DesktopPanels::cancel()
{
    m_chosen = {};
}
