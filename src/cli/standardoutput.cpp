#include "standardoutput.h"

#include "platformerror.h"

#include <QFile>

using namespace Qt::StringLiterals;

void StandardOutput::write(const QByteArray &data)
{
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly) || out.write(data) != data.size() || !out.flush())
        throw PlatformError(
                u"Could not write the result to standard output: %1."_s.arg(out.errorString()));
}
