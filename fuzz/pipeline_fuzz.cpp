// The unattended chain on fuzzed input: load, link, save, read back. Faults
// past the readers (linking a strange drawing, building its cutting path,
// writing it) show up here as broken invariants.
#include "core/autojoin.h"
#include "core/drawing.h"
#include "formats/baseformat.h"
#include "formats/dxf.h"
#include "formats/gcode.h"
#include "formats/hpgl.h"
#include "formats/project.h"
#include "formats/settings.h"
#include "formats/svg.h"
#include "fuzzsupport.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

// The first byte picks the reader, the rest is the file.
bool load(uint8_t format, const char *data, size_t size, Drawing &d)
{
    switch (format % 5) {
    case 0: return gcode::readData(data, size, d);
    case 1: return hpgl::readData(data, size, d);
    case 2: return svg::readData(data, size, d, size_t(4) << 20);
    case 3: return dxf::readData(data, size, d);
    default: return project::readData(data, size, d);
    }
}

size_t pointCount(const Drawing &d)
{
    size_t n = 0;
    for (const Object *o : d.objects())
        n += o->points.size();
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir *out = [] {
        fuzzInit();
        Settings::FormatOptions o = Settings::formatOptions();
        o.dxfAutoWeld = false; // has its own tests; slows the search here
        Settings::setFormatOptions(o);
        // Many legitimate clones are slow under the sanitizers, not a finding.
        svg::setUseBudget(100'000);
        hpgl::setCurveBudget(100'000);
        return new QTemporaryDir;
    }();
    if (size < 1)
        return 0;
    Drawing d;
    if (!load(data[0], reinterpret_cast<const char *>(data) + 1, size - 1, d)) {
        checkDrawing(d);
        return 0;
    }
    checkLoaded(d, data[0] % 5 == 4);
    // Linking is quadratic in the worst case; keep each run short.
    if (d.objects().size() > 2000 || pointCount(d) > 200000)
        return 0;

    autoJoin(d);
    checkDrawing(d);
    fuzzCheck(allLinked(d), "a shape is not linked to the start after auto-join");

    // The project keeps the drawing as it stands, joints included.
    const QString project = out->filePath(QStringLiteral("out.kfp"));
    fuzzCheck(BaseFormat::save(project, d), "project save failed");
    Drawing reread;
    fuzzCheck(BaseFormat::load(project, reread), "project written cannot be read");
    checkDrawing(reread);
    fuzzCheck(reread.objects().size() == d.objects().size() && pointCount(reread) == pointCount(d)
                  && reread.joints().size() == d.joints().size(),
              "project read back differs");

    if (pointCount(d) == 0)
        return 0; // an empty project: nothing to cut

    // Every other format gets the single cutting path from and to the start.
    static const char *const endings[] = {"out.tap", "out.plt", "out.svg", "out.dxf"};
    Drawing copy(d);
    const QString path = out->filePath(QLatin1String(endings[(data[0] / 5) % 4]));
    // HPGL refuses coordinates beyond a plotter's whole-number range.
    const bool saved = BaseFormat::save(path, copy);
    fuzzCheck(saved || path.endsWith(QLatin1String(".plt")), "save failed");
    checkDrawing(copy);
    fuzzCheck(!copy.objects().empty(), "cutting path without any object");
    const Object &path0 = *copy.objects().front();
    fuzzCheck(!path0.isEmpty() && path0.points.front()->pos() == copy.startPosition()
                  && path0.points.back()->pos() == copy.startPosition(),
              "cutting path does not start and end at the start position");
    if (path.endsWith(QLatin1String(".tap"))) {
        Drawing tap;
        fuzzCheck(BaseFormat::load(path, tap), "G-code written cannot be read");
        fuzzCheck(pointCount(tap) == pointCount(copy), "G-code read back has another point count");
    }
    return 0;
}
