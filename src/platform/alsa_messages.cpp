// SDL loads libasound itself; loading the same library here (by the name SDL
// uses) reaches the instance SDL will use, without linking it.
#include "platform/alsa_messages.h"

#include <dlfcn.h>

namespace glorbe {

namespace {

using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error, const char* format,
                                  ...);

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void silenceAlsaLibraryMessages() {
  static bool done = false;
  if (done) return;
  done = true;
  // Kept loaded for the rest of the run: the handler is held by the library.
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
  if (alsa == nullptr) return;
  auto setHandler = reinterpret_cast<int (*)(AlsaErrorHandler)>(dlsym(alsa, "snd_lib_error_set_handler"));
  if (setHandler != nullptr) setHandler(ignoreAlsaError);
}

}  // namespace glorbe
