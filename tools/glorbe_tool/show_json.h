// The process-wide tables as one JSON document: materials, sprites, move
// lists, scenes with their objects, lights, cameras and particle systems,
// terrains and a summary of the timeline. `glorbe-tool show dump` prints it
// after a full loading phase, one member per table, records in table order.
#pragma once

#include <string>

namespace glorbe::tools {

std::string showTablesJson();

}  // namespace glorbe::tools
