#include "core/drawing.h"
#include "formats/svg.h"
#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = (fuzzInit(), true);
    (void)ready;
    Drawing d;
    // A small inflate limit keeps compressed inputs within the fuzzer's memory.
    if (svg::readData(reinterpret_cast<const char *>(data), size, d, size_t(4) << 20))
        checkLoaded(d);
    else
        checkDrawing(d);
    return 0;
}
