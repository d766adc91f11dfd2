// cutdeck's drawing reader and the steps a job goes through after it:
// segmenting, the order from the origin and both job files. Any record that
// is not finite, or a store beyond its capacity, is a finding.
#include "controller/drawing.h"

#include <QBuffer>
#include <QByteArray>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void check(const cutdeck::Drawing &d)
{
    if (d.count() > cutdeck::kDrawingCapacity)
        std::abort();
    for (const cutdeck::DrawingRecord &r : d.records)
        if (!std::isfinite(r.x) || !std::isfinite(r.y))
            std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    cutdeck::Drawing d;
    if (cutdeck::readHpgl(in, &d) != cutdeck::DrawingResult::Ok)
        return 0;
    check(d);
    cutdeck::DrawingOptions options;
    options.segment = true;
    options.fromOrigin = true;
    // Long moves split into many pieces: keep the fuzzer's inputs from
    // filling the store with legitimate work.
    options.maxSegment = 50;
    cutdeck::prepareDrawing(d, options);
    check(d);
    (void)cutdeck::cutFileText(d);
    (void)cutdeck::gcodeText(d);
    return 0;
}
