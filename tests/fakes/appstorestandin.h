#pragma once

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

/// Runs the stand-in App Store (appstore.cpp) for the life of the object: `mode` is answer, fail,
/// garbage or slow; `answers` the path of its answers file.
class AppStoreStandIn
{
public:
    explicit AppStoreStandIn(const QString &answers, const QString &mode = QStringLiteral("answer"))
    {
        m_process.start(QStringLiteral(VARNOLET_FAKE_APPSTORE), {answers, m_journal, mode});
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
        QFile journal(m_journal); // made by the stand-in as it starts
        journal.open(QIODevice::ReadOnly);
        return QString::fromUtf8(journal.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_dir;
    const QString m_journal = m_dir.filePath(QStringLiteral("journal"));
    QProcess m_process;
    QUrl m_url;
};
