#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

/// Runs the stand-in App Store (tests/fakes/appstore.cpp) for the life of the object.
class AppStoreStandIn
{
public:
    /// `mode` is answer, fail, garbage or slow; `answers` is the path of its answers file.
    explicit AppStoreStandIn(const QString &answers, const QString &mode = QStringLiteral("answer"))
    {
        m_process.setProgram(QStringLiteral(VARNOLET_FAKE_APPSTORE));
        m_process.setArguments({answers, m_dir.filePath(QStringLiteral("journal")), mode});
        m_process.start();
        if (!m_process.waitForReadyRead(30000))
            qFatal("the stand-in App Store did not start");
        m_url = QUrl(QString::fromUtf8(m_process.readLine().trimmed()));
    }
    ~AppStoreStandIn()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    QUrl url() const { return m_url; }

    /// Every request's target so far ("/lookup?bundleId=…&entity=software&country=us").
    QStringList requests() const
    {
        QFile journal(m_dir.filePath(QStringLiteral("journal")));
        if (!journal.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(journal.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QUrl m_url;
};
