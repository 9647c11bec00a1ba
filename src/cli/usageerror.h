#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

/// A command line the tool cannot run: unknown command or option, a missing or malformed argument.
class UsageError : public std::exception
{
public:
    explicit UsageError(const QString &problem)
        : m_problem(problem)
        , m_utf8(problem.toUtf8())
    { }

    const QString &problem() const noexcept { return m_problem; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_problem;
    QByteArray m_utf8;
};
