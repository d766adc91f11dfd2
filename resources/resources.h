#pragma once

namespace kerfloom {

// Registers the compiled-in pictures and catalogues (":/Kerfloom/…"). The
// resources live in a static library, so the program and the tests call this
// once before the first picture is needed; calling it again is harmless.
void initResources();

} // namespace kerfloom
