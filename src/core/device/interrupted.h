#pragma once

#include "varnoleterror.h"

/// A run stopped because the program was asked to end (SIGINT, SIGTERM, SIGHUP); carries the
/// signal so that the program can end with the status the shell expects.
class Interrupted : public VarnoletError
{
public:
    Interrupted(int signal, const QString &message)
        : VarnoletError(message)
        , m_signal(signal)
    { }

    int signal() const noexcept { return m_signal; }

private:
    int m_signal;
};
