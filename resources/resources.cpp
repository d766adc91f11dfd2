#include "resources/resources.h"

#include <QtGlobal>

static void initKerfloomResources()
{
    Q_INIT_RESOURCE(kerfloom);
}

namespace kerfloom {

void initResources()
{
    static bool done = false;
    if (!done) {
        initKerfloomResources();
        done = true;
    }
}

} // namespace kerfloom
