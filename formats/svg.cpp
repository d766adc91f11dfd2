#include "formats/svg.h"

// Not supported yet: answer false rather than pretend to read or write.
namespace svg {

bool read(const QString &, Drawing &)
{
    return false;
}

bool write(const QString &, const Drawing &)
{
    return false;
}

} // namespace svg
