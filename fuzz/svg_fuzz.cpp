#include "core/drawing.h"
#include "formats/svg.h"
#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A smaller clone budget: a drawing of two million legitimate copies is
    // slow under the sanitizers, not a finding.
    static bool ready = (fuzzInit(), svg::setUseBudget(100'000), true);
    (void)ready;
    Drawing d;
    // A small inflate limit keeps compressed inputs within the fuzzer's memory.
    if (svg::readData(reinterpret_cast<const char *>(data), size, d, size_t(4) << 20))
        checkLoaded(d);
    else
        checkDrawing(d);
    return 0;
}
