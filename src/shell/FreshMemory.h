#pragma once

#include <QtGlobal>

// Faults in the pages of a freshly allocated block about to be written, with one call instead of
// one fault per page: on this kind of machine the faults cost more than the copy into them.
// Small blocks and kernels without the call are left to fault as usual.
void PrepareForWrite(char* data, qsizetype size);
