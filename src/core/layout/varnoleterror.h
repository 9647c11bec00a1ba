#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

/// A failure the system detected itself; its text is the whole sentence shown to the user.
class VarnoletError : public std::exception
{
public:
    explicit VarnoletError(const QString &message);

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
