#pragma once

#include "platformpanels.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

/// Answers every panel at once with a prepared path and records what the model asked for.
class FakePanels : public PlatformPanels
{
public:
    /// The path an open or save panel answers with; empty stands for Cancel.
    QString openAnswer;
    QString saveAnswer;

    QStringList openTitles;
    QStringList saveTitles;
    QStringList suggestedNames;
    QStringList openedFolders;
    QStringList openedDocuments;
    QList<QUrl> openedUrls;

    void chooseFileToOpen(const QString &title, const QStringList &,
                          std::function<void(const QString &)> chosen) override
    {
        openTitles.append(title);
        if (!openAnswer.isEmpty())
            chosen(openAnswer);
    }
    void chooseFileToSave(const QString &title, const QString &suggestedName, const QStringList &,
                          std::function<void(const QString &)> chosen) override
    {
        saveTitles.append(title);
        suggestedNames.append(suggestedName);
        if (!saveAnswer.isEmpty())
            chosen(saveAnswer);
    }
    void openFolder(const QString &path) override { openedFolders.append(path); }
    void openDocument(const QString &path) override { openedDocuments.append(path); }
    void openUrl(const QUrl &url) override { openedUrls.append(url); }
};
