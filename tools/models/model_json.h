// The scene a model file gives, as one JSON document: what `glorbe-tool
// model dump` prints and what the tests read back. Floats are written in
// their shortest form that reads back to the same 32-bit value; NaN and the
// infinities as null. One member per part of the scene (objects with their
// meshes and tracks, cameras, lights).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "geometry/scene_records.h"

namespace glorbe::tools {

// With `atTick`, every object also gets `matrix` and `inverseMatrix`: its
// transform through its parents at that tick, pivot included, forward and
// inverse, as GL composes them on an identity modelview matrix.
std::string modelJson(const Scene& scene, std::optional<int32_t> atTick);

// One float as the dump writes it.
std::string jsonNumber(float v);

}  // namespace glorbe::tools
