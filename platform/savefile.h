#pragma once

// Whole-or-nothing file writes. QSaveFile keeps a small output in its buffer
// until commit(), and Qt 5's commit() renames the file over the target even
// when writing that buffer out fails (a full disk): the old file is replaced
// by an empty one. Flushing first turns that into a failure.
#include <QSaveFile>

namespace platform {

// Finishes a write started on `file`: true when every byte reached the disk
// and the file replaced its target; otherwise the target is left as it was,
// `file.errorString()` says why, and destroying `file` removes its temporary.
inline bool commitWhole(QSaveFile &file)
{
    return file.flush() && file.commit();
}

} // namespace platform
