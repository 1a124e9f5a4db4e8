// The ALSA library prints its own errors to standard error (eight lines
// when there is no sound card); the sound layer reports failures itself.
#pragma once

namespace glorbe {

// Gives ALSA an error handler that prints nothing, before SDL opens an
// output through it. Does nothing where the library is not installed.
void silenceAlsaLibraryMessages();

}  // namespace glorbe
