#include "commandarguments.h"

#include "usageerror.h"

using namespace Qt::StringLiterals;

CommandArguments::CommandArguments(const QStringList &positionalNames,
                                   const QList<QCommandLineOption> &options)
    : m_positionalNames(positionalNames)
{
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    m_parser.addOptions(options);
}

void CommandArguments::parse(const QStringList &arguments)
{
    if (!m_parser.parse(arguments))
        throw UsageError(m_parser.errorText());
    const qsizetype given = m_parser.positionalArguments().size();
    if (given < m_positionalNames.size())
        throw UsageError(u"Missing argument: %1."_s.arg(m_positionalNames.at(given)));
    if (given > m_positionalNames.size())
        throw UsageError(u"Unexpected argument: %1."_s.arg(
                m_parser.positionalArguments().at(m_positionalNames.size())));
}
