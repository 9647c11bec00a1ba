// Feeds arbitrary bytes to the reader of "snapshot.json": a record that reads must write back to
// a record that reads the same; anything else is refused with the decoder's description.
#include "jsoncodec.h"
#include "platformerror.h"
#include "snapshot.h"
#include "varnoleterror.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    Snapshot snapshot;
    try {
        snapshot = Snapshot::fromJson(JsonCodec::decode(input));
    } catch (const VarnoletError &) {
        return 0;
    } catch (const PlatformError &) {
        return 0;
    }
    const Snapshot again = Snapshot::fromJson(JsonCodec::decode(JsonCodec::encode(snapshot.toJson())));
    if (!(again == snapshot))
        std::abort();
    return 0;
}
