// Giving memory the program has freed back to the system, so that a
// process that frees and reloads everything (the live mode) keeps a flat
// resident size instead of holding on to its old peaks.
#pragma once

namespace glorbe {

void returnFreedMemory();

}  // namespace glorbe
