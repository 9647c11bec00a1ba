#include "platformerror.h"

#include "usertext.h"
#include "varnoleterror.h"

#include <new>

using namespace Qt::StringLiterals;

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
    // Another library's exception names a type, not a reason a user can act on.
    if (dynamic_cast<const std::bad_alloc *>(&error))
        return u"Varnolet ran out of memory."_s;
    return u"Something unexpected went wrong: "_s
            + UserText::quoted(QString::fromUtf8(error.what()));
}
