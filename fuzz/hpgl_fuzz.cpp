#include "core/drawing.h"
#include "formats/hpgl.h"
#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A hundred thousand curve points read fast enough under the sanitizers
    // for the search to go on; the budget itself is what is under test.
    static bool ready = (fuzzInit(), hpgl::setCurveBudget(100'000), true);
    (void)ready;
    Drawing d;
    if (hpgl::readData(reinterpret_cast<const char *>(data), size, d))
        checkLoaded(d);
    else
        checkDrawing(d);
    return 0;
}
