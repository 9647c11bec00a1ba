#pragma once

/// Turns SIGINT, SIGTERM and SIGHUP into a request the device commands notice: a running tool and
/// its workers are stopped, its capture folder removed, and the program ends with 128 + signal.
class Interruption
{
public:
    Interruption() = delete;

    /// Installs the handlers; until then the signals end the program as usual.
    static void install();
    /// The first signal received since install(), or 0.
    static int received();
};
