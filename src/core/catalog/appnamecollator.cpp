#include "appnamecollator.h"

AppNameCollator::AppNameCollator(const QLocale &locale)
    : m_collator(collationLocale(locale))
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(true);
}

QLocale AppNameCollator::collationLocale(const QLocale &locale)
{
    // For the C locale QCollator compares plain code points and ignores numeric mode, which would
    // put "App 10" before "App 2" whenever the environment sets no locale.
    if (locale.language() == QLocale::C)
        return QLocale(QLocale::English);
    return locale;
}
