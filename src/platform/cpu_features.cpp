// Feature flags from cpuid on x86.
#include "platform/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace glorbe {

bool cpuHasPackedInteger() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
  return (edx & bit_MMX) != 0;
#else
  return true;
#endif
}

}  // namespace glorbe
