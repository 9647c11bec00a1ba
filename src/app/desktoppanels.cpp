#include "desktoppanels.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformtheme.h>

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

bool DesktopPanels::nativeFileDialogs() const
{
    const QPlatformTheme *theme = QGuiApplicationPrivate::platformTheme();
    return theme && theme->usePlatformNativeDialog(QPlatformTheme::FileDialog);
}

QVariantMap DesktopPanels::locate(const QString &typed, const QUrl &folder) const
{
    QString path = typed.trimmed();
    if (path == u"~"_s || path.startsWith(u"~/"_s))
        path = QDir::homePath() + path.mid(1);
    const QFileInfo place(QDir(folder.toLocalFile()), path);
    const QString absolute = QDir::cleanPath(place.absoluteFilePath());
    return {{u"url"_s, QUrl::fromLocalFile(absolute)},
            {u"path"_s, QDir::toNativeSeparators(absolute)},
            {u"folder"_s, place.isDir()},
            {u"file"_s, place.isFile()},
            {u"inFolder"_s, place.absoluteDir().exists()}};
}

void DesktopPanels::accept(const QUrl &file)
{
    auto chosen = std::exchange(m_chosen, {});
    Q_EMIT settled();
    if (chosen && file.isLocalFile() && !file.toLocalFile().isEmpty())
        chosen(file.toLocalFile());
}

void DesktopPanels::cancel()
{
    m_chosen = {};
    Q_EMIT settled();
}
