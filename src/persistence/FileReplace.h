#pragma once

#include "shell/Result.h"

#include <QByteArray>
#include <QString>

// How far a replaced file is flushed before the replacement counts as done.
enum class Flush {
    // On the disk: the new contents survive a power loss. Costs a wait for the disk.
    ToDisk,
    // Handed to the system: the new contents survive the program being killed, and the disk
    // catches up on its own. For saves repeated after every exchange of a run that ends with
    // a ToDisk save.
    ToSystem,
};

// Replaces the file at path with bytes atomically: whoever reads it, and a program killed in
// the middle, finds the old or the new contents, never a mix. A file that exists keeps its
// permissions; one that cannot be written is left as it is.
Result ReplaceFile(const QString& path, const QByteArray& bytes, Flush flush = Flush::ToDisk);
