// The timeline's CAM and LIGHT commands choose cameras and recolour lights
// by name in every scene whose name contains the addressed text.
#include <gtest/gtest.h>

#include "geometry/model_reader.h"
#include "render/scene_commands.h"
#include "scripts/scene_tables.h"

namespace glorbe {
namespace {

class SceneViewCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    resetSceneTables();
    for (const char* name : {"CITY DAY", "CITY NIGHT", "DESERT"}) {
      Scene& scene = sceneTables.scenes.emplace_back();
      initScene(scene, name);
      for (const char* camera : {"Camera01", "CAMERA02", "Camera02"}) scene.cameras.emplace_back().name = camera;
      for (const char* light : {"Omni01", "Spot01", "OMNI02"}) {
        SceneLight& l = scene.lights.emplace_back();
        l.name = light;
        l.color = {0.1f, 0.1f, 0.1f};
      }
      scene.lightCount = 3;
    }
  }
  void TearDown() override { resetSceneTables(); }
};

TEST_F(SceneViewCommands, CamChoosesTheFirstCameraWhoseUpperCaseNameMatches) {
  runSceneCam({"CITY", "CAMERA02", 2.5f}, 0, 0);
  for (size_t s = 0; s < 2; ++s) {
    EXPECT_EQ(sceneTables.scenes[s].currentCamera, 1);
    EXPECT_EQ(sceneTables.scenes[s].cameras[1].zScale, 2.5f);
    EXPECT_EQ(sceneTables.scenes[s].cameras[2].zScale, 1.0f) << "only the first match";
  }
  EXPECT_EQ(sceneTables.scenes[2].currentCamera, 0) << "DESERT is not addressed";

  runSceneCam({"NIGHT", "CAMERA01", 0.5f}, 0, 0);
  EXPECT_EQ(sceneTables.scenes[1].currentCamera, 0) << "Camera01 in upper case";
  EXPECT_EQ(sceneTables.scenes[1].cameras[0].zScale, 0.5f);

  runSceneCam({"NIGHT", "CAMERA0", 3.0f}, 0, 0);
  EXPECT_EQ(sceneTables.scenes[1].currentCamera, 0) << "names must be equal, not contain";
  runSceneCam({"", "CAMERA02", 3.0f}, 0, 0);
  EXPECT_EQ(sceneTables.scenes[1].currentCamera, 0) << "an empty scene name addresses nothing";
}

TEST_F(SceneViewCommands, LightRecoloursEveryLightWhoseNameContainsTheText) {
  runSceneLight({"DESERT", "OMNI", 0.9f, 0.8f, 0.7f, 4.0f}, 0, 0);
  const Scene& desert = sceneTables.scenes[2];
  for (size_t i : {0u, 2u}) {
    EXPECT_EQ(desert.lights[i].color[0], 0.9f);
    EXPECT_EQ(desert.lights[i].color[2], 0.7f);
    EXPECT_EQ(desert.lights[i].size, 4.0f);
  }
  EXPECT_EQ(desert.lights[1].color[0], 0.1f) << "Spot01 does not contain OMNI";
  EXPECT_EQ(sceneTables.scenes[0].lights[0].color[0], 0.1f) << "other scenes keep theirs";
}

}  // namespace
}  // namespace glorbe
