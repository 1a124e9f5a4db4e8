#include "platform/memory_trim.h"

#include <malloc.h>

namespace glorbe {

void returnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace glorbe
