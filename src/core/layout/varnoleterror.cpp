#include "varnoleterror.h"

VarnoletError::VarnoletError(const QString &message)
    : m_message(message)
    , m_utf8(message.toUtf8())
{ }
