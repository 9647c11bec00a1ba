// Feeds arbitrary command lines (arguments separated by NUL bytes) to varnolet-cli: every one ends
// in success, a reported failure or a usage error; never a crash. Arguments naming a path are
// dropped and the tools point nowhere, so no run reads a device file, starts a program or writes
// outside a scratch home.
#include "commandline.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void prepare()
{
    static QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("TMPDIR", QFile::encodeName(home.path()));
    QDir::setCurrent(home.path());
    // Standard input "-" reads nothing; what the commands print goes nowhere.
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool prepared = (prepare(), true);
    Q_UNUSED(prepared);

    QStringList arguments{u"varnolet-cli"_s};
    for (const QByteArray &word :
         QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0')) {
        const QString argument = QString::fromUtf8(word);
        if (!argument.contains(u'/'))
            arguments.append(argument);
    }
    // The last value of an option wins, so these hold whatever came before.
    arguments << u"--cfgutil=/nonexistent/varnolet-fuzz/cfgutil"_s << u"--no-reader"_s;
    const int status = CommandLine::run(arguments);
    if (status < 0 || status > 2)
        std::abort();
    return 0;
}
