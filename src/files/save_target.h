#pragma once
// Where a save may write. A save writes a new file beside the target and
// renames it over the target when every byte is written: right for a
// regular file, wrong for a device or a named pipe, which the rename would
// replace by a regular file (and a write to a pipe nobody reads would wait
// for ever).
#include <QString>

// Throws FileFailure with `firstLine` (the save's own first line, the file
// name in place of %1) when the target exists and is no regular file.
void CheckSaveTarget(const QString& fileName, const QString& firstLine);
