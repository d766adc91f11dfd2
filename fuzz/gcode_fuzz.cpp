#include "core/drawing.h"
#include "formats/gcode.h"
#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = (fuzzInit(), true);
    (void)ready;
    Drawing d;
    if (gcode::readData(reinterpret_cast<const char *>(data), size, d))
        checkLoaded(d);
    else
        checkDrawing(d);
    return 0;
}
