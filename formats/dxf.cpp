#include "formats/dxf.h"

// Not supported yet: answer false rather than pretend to read or write.
namespace dxf {

bool read(const QString &, Drawing &)
{
    return false;
}

bool write(const QString &, const Drawing &)
{
    return false;
}

} // namespace dxf
