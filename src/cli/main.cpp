#include "commandline.h"

#include <QCoreApplication>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    // A standard stream closed by the caller would otherwise be reused by the next file opened, and
    // output meant for the terminal would land in a snapshot. Read-only /dev/null keeps the slot,
    // and writes to it still fail as they would have.
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) == -1)
            ::open("/dev/null", O_RDONLY);
    }
    // A reader that went away is a failed write, reported like any other, never a silent death.
    ::signal(SIGPIPE, SIG_IGN);

    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("varnolet-cli"));
    return CommandLine::run(QCoreApplication::arguments());
}
