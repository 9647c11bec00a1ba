#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

/// A failure of the platform (file system, process start, JSON decoding), carrying the platform's
/// own description, worded so that it can be shown to the user as it stands.
class PlatformError : public std::exception
{
public:
    explicit PlatformError(const QString &description);

    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_utf8.constData(); }

    /// The user-facing description of any exception: our sentence or the platform's description.
    static QString describe(const std::exception &error);

    /// "Could not ACTION PATH: Reason." from the system's own reason for a file failure.
    static PlatformError fileFailure(const QString &action, const QString &path, QString reason);

private:
    QString m_description;
    QByteArray m_utf8;
};
