#include "displayformats.h"

#include "usertext.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// Removes every match of `token` with the separators it takes along; one space stays where the
// token stood between two other parts.
QString removeToken(const QString &format, const QRegularExpression &token)
{
    QString result;
    qsizetype last = 0;
    for (const QRegularExpressionMatch &match : token.globalMatch(format)) {
        result += format.mid(last, match.capturedStart() - last);
        if (match.capturedStart() > 0 && match.capturedEnd() < format.size())
            result += u' ';
        last = match.capturedEnd();
    }
    return result + format.mid(last);
}

// Shortens one of Qt's long formats. Quoted literal text ('de', 'г') is set aside first, so
// that only format letters are touched.
QString shorten(QString format, bool dropWeekday)
{
    static const QRegularExpression quoted(u"'[^']*'"_s);
    static const QRegularExpression weekday(u"[\\s,،]*(?<![A-Za-z])d{3,4}(?![A-Za-z])[\\s,،]*"_s);
    static const QRegularExpression zone(u"[\\s(]*(?<![A-Za-z])t+(?![A-Za-z])[)\\s]*"_s);
    static const QRegularExpression month(u"(?<![A-Za-z])MMMM(?![A-Za-z])"_s);

    QStringList literals;
    for (const QRegularExpressionMatch &match : quoted.globalMatch(format))
        literals.append(match.captured());
    for (qsizetype i = 0; i < literals.size(); ++i)
        format.replace(format.indexOf(literals.at(i)), literals.at(i).size(),
                       QChar(char16_t(0xE000 + i)));

    format = removeToken(format, zone);
    if (dropWeekday)
        format = removeToken(format, weekday).replace(month, u"MMM"_s);
    for (qsizetype i = 0; i < literals.size(); ++i)
        format.replace(QChar(char16_t(0xE000 + i)), literals.at(i));
    return format.trimmed();
}

} // namespace

QString DisplayFormats::initial(const QString &name) const
{
    return QLocale().toUpper(UserText::left(name, 1));
}

QString DisplayFormats::time(const QDateTime &moment) const
{
    const QLocale locale;
    return locale.toString(moment.toLocalTime(), timeFormat(locale));
}

QString DisplayFormats::dateTime(const QDateTime &moment) const
{
    const QLocale locale;
    return locale.toString(moment.toLocalTime(), dateTimeFormat(locale));
}

QString DisplayFormats::timeFormat(const QLocale &locale)
{
    return shorten(locale.timeFormat(QLocale::LongFormat), false);
}

QString DisplayFormats::dateTimeFormat(const QLocale &locale)
{
    return shorten(locale.dateTimeFormat(QLocale::LongFormat), true);
}
