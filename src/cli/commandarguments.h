#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>

/// The arguments of one command: its positional arguments in order and its options, read with
/// QCommandLineParser; anything it cannot read is a UsageError.
class CommandArguments
{
public:
    CommandArguments(const QStringList &positionalNames, const QList<QCommandLineOption> &options);

    /// `arguments` starts with the command's name; throws UsageError.
    void parse(const QStringList &arguments);

    QString positional(qsizetype index) const { return m_parser.positionalArguments().at(index); }
    bool isSet(const QString &option) const { return m_parser.isSet(option); }
    QString value(const QString &option) const { return m_parser.value(option); }

private:
    QCommandLineParser m_parser;
    QStringList m_positionalNames;
};
