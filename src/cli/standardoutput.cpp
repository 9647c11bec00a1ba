#include "standardoutput.h"

#include "platformerror.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

bool writeAll(QFile &out, const QByteArray &data)
{
    return out.open(stdout, QIODevice::WriteOnly) && out.write(data) == data.size() && out.flush();
}

} // namespace

void StandardOutput::write(const QByteArray &data)
{
    QFile out;
    if (!writeAll(out, data))
        throw PlatformError(
                u"Could not write the result to standard output: %1."_s.arg(out.errorString()));
}

bool StandardOutput::tryWrite(const QByteArray &data)
{
    QFile out;
    return writeAll(out, data);
}
