#include "display/engine_settings.h"

namespace glorbe {

EngineSettings engineSettings;

}  // namespace glorbe
