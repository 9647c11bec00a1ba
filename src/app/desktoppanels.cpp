#include "desktoppanels.h"

#include <QDesktopServices>
#include <QDir>
#include <QStandardPaths>

#include <utility>

using namespace Qt::StringLiterals;

DesktopPanels::DesktopPanels(QObject *parent)
    : QObject(parent)
{ }

void DesktopPanels::chooseFileToOpen(const QString &title, const QStringList &nameFilters,
                                     std::function<void(const QString &path)> chosen)
{
    m_chosen = std::move(chosen);
    const bool wantsJson = nameFilters.join(u' ').contains(u"*.json"_s);
    const QString applications = u"/Applications"_s;
    const QString folder
            = !wantsJson && QDir(applications).exists() ? applications : documentsFolder();
    Q_EMIT openRequested(title, nameFilters, QUrl::fromLocalFile(folder));
}

void DesktopPanels::chooseFileToSave(const QString &title, const QString &suggestedName,
                                     const QStringList &nameFilters,
                                     std::function<void(const QString &path)> chosen)
{
    m_chosen = std::move(chosen);
    const QString folder = documentsFolder();
    Q_EMIT saveRequested(title, QUrl::fromLocalFile(folder),
                         QUrl::fromLocalFile(QDir(folder).filePath(suggestedName)), nameFilters);
}

QString DesktopPanels::documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
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
