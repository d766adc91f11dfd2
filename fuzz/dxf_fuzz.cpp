#include "core/drawing.h"
#include "formats/dxf.h"
#include "formats/settings.h"
#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = [] {
        fuzzInit();
        // The weld has its own tests; here it would only slow the search.
        Settings::FormatOptions o = Settings::formatOptions();
        o.dxfAutoWeld = false;
        // Block arrays and splines reach a small budget within a fraction of
        // a second, so the search refuses blow-ups rather than timing out.
        o.dxfMaxPoints = 200000;
        Settings::setFormatOptions(o);
        return true;
    }();
    (void)ready;
    Drawing d;
    if (dxf::readData(reinterpret_cast<const char *>(data), size, d))
        checkLoaded(d);
    else
        checkDrawing(d);
    return 0;
}
