#include "core/engine_settings.h"

namespace glorbe {

EngineSettings engineSettings;

}  // namespace glorbe
