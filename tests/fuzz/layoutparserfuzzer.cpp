// Feeds arbitrary bytes to the layout parser: every input must give a valid layout whose device
// form reads back to the same layout and bytes, or one of the documented errors; never a crash.
#include "layoutparser.h"
#include "platformerror.h"
#include "varnoleterror.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    ParsedLayout parsed;
    try {
        parsed = LayoutParser::parse(input);
    } catch (const VarnoletError &) {
        return 0;
    } catch (const PlatformError &) {
        return 0;
    }

    parsed.layout.validate();
    const QByteArray deviceForm = parsed.layout.cfgutilData();
    const ParsedLayout again = LayoutParser::parse(deviceForm);
    if (!(again.layout == parsed.layout) || again.layout.cfgutilData() != deviceForm)
        std::abort();
    if (again.layout.fingerprint() != parsed.layout.fingerprint())
        std::abort();
    return 0;
}
