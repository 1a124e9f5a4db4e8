#include "scripts/scene_tables.h"

namespace glorbe {

SceneTables sceneTables;

void resetSceneTables() { sceneTables = SceneTables{}; }

}  // namespace glorbe
