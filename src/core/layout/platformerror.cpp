#include "platformerror.h"

#include "varnoleterror.h"

PlatformError::PlatformError(const QString &description)
    : m_description(description)
    , m_utf8(description.toUtf8())
{ }

QString PlatformError::describe(const std::exception &error)
{
    if (const auto *ours = dynamic_cast<const VarnoletError *>(&error))
        return ours->message();
    if (const auto *platform = dynamic_cast<const PlatformError *>(&error))
        return platform->description();
    return QString::fromUtf8(error.what());
}
