// The timing record of the player; see run_trace.h.
#include "core/run_trace.h"

#include <cstdio>
#include <cstdlib>

#include "platform/monotonic_clock.h"

namespace glorbe {

namespace {
std::FILE* traceFile = nullptr;
}

void openRunTrace() {
  const char* path = std::getenv("GLORBE_TRACE");
  if (path == nullptr || *path == '\0' || traceFile != nullptr) return;
  traceFile = std::fopen(path, "w");
  // Line by line, so that a player ended by a signal leaves every line behind.
  if (traceFile != nullptr) std::setvbuf(traceFile, nullptr, _IOLBF, 0);
}

void traceStartup(const char* event) {
  if (traceFile != nullptr) std::fprintf(traceFile, "startup %s %.3f\n", event, monotonicMs());
}

void traceFrame(int32_t positionMs, double askedAtMs) {
  if (traceFile == nullptr) return;
  const double now = monotonicMs();
  if (now - askedAtMs <= 2.0) std::fprintf(traceFile, "frame %.3f %d\n", (now + askedAtMs) / 2, positionMs);
}

}  // namespace glorbe
