#include "interruption.h"

#include <csignal>
#include <initializer_list>

namespace {

// The one thing a handler may safely do is set a flag of this type.
volatile std::sig_atomic_t firstSignal = 0;

extern "C" void remember(int signal)
{
    if (firstSignal == 0)
        firstSignal = signal;
}

} // namespace

void Interruption::install()
{
    struct sigaction action = {};
    action.sa_handler = remember;
    sigemptyset(&action.sa_mask);
    // Restarted, so that file work in progress is not cut short; the runner polls the flag.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

int Interruption::received()
{
    return firstSignal;
}
