// Feeds arbitrary bytes to the readers of the configurator's "list" and "get apps" responses:
// every device listed must be one a command line can safely name, the names reader never throws,
// and anything refused is refused with one of the documented errors; never a crash.
#include "configuratorresponse.h"
#include "platformerror.h"
#include "varnoleterror.h"

#include <cstdlib>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        for (const Device &device : ConfiguratorResponse::devices(input))
            device.validate();
    } catch (const VarnoletError &) {
    } catch (const PlatformError &) {
    }
    try {
        ConfiguratorResponse::appNames(input, u"0x1C2D3E4F50601E"_s);
        ConfiguratorResponse::appNames(input, u"5"_s);
    } catch (...) {
        std::abort();
    }
    return 0;
}
