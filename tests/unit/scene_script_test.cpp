// The scene reader's sections on hand-built scenes: keys act on the scene
// created last, objects and lights are chosen by name parts, and terrain
// lines build their scene, maps and mesh storage. Nothing here draws; the
// texture-making paths (TOON, generated terrain textures) are in the GL tests.
#include <gtest/gtest.h>

#include "archive_fixtures.h"
#include "common/random_source.h"
#include "models/chunk_writer.h"
#include "scripts/material_table.h"
#include "scripts/scene_script_readers.h"
#include "scripts/scene_tables.h"
#include "textures/texture_generator.h"

namespace glorbe {
namespace {

struct SceneScriptTest : ::testing::Test {
  testing::FreshArchiveState archive;
  testing::ScratchDir dir;
  testing::WorkingDir cwd{dir.path()};

  SceneScriptTest() {
    resetSceneTables();
    resetMaterialTable();
    resetTexGenerator();
    resetRandomSource();
    materialTable.materials.push_back({"STONE", false, 5});
    materialTable.materials.push_back({"GLASS", true, 6});
    materialTable.materials.push_back({"STONE", true, 7});  // a second of that name is never found
  }
  ~SceneScriptTest() override {
    resetSceneTables();
    resetMaterialTable();
    resetTexGenerator();
  }

  // Writes the lines with CR LF endings and reads them as a scene script.
  void parse(const std::string& name, std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\r\n";
    dir.write(name, text);
    parseSceneScript(name);
  }

  // A scene "an earlier script made", with objects and lights by these names.
  Scene& addScene(std::initializer_list<const char*> objects, std::initializer_list<const char*> lights = {}) {
    Scene& scene = sceneTables.scenes.emplace_back();
    scene.name = "EARLIER";
    for (const char* name : objects) {
      SceneObject& o = scene.objects.emplace_back();
      o.name = name;
      o.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
      o.normals.assign(3, Vec3{0, 0, 1});
      o.vertexCount = 3;
    }
    float i = 0;
    for (const char* name : lights) {
      SceneLight& light = scene.lights.emplace_back();
      light.name = name;
      light.position = Vec3{i, 2 * i, 3 * i};
      light.color = {0.1f * (i + 1), 0.5f, 0.9f};
      i += 1;
    }
    scene.lightCount = static_cast<int32_t>(scene.lights.size());
    return scene;
  }

  SceneObject& object(size_t i) { return sceneTables.scenes.back().objects.at(i); }
  SceneLight& light(size_t i) { return sceneTables.scenes.back().lights.at(i); }
};

// A model file: closed cubes named as given (side 1, the n-th at x = 2n), a
// dummy node, omni lights named as given (the n-th at (n, 2n, 3n) in colour
// (0.1(n + 1), 0.5, 0.9)), and a moving position track on the first cube.
std::string modelFile(std::initializer_list<const char*> meshes, std::initializer_list<const char*> lights) {
  tools::ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0x3D3D);
  float n = 0;
  for (const char* name : meshes) {
    w.cubeObject(name, 2 * n);
    n += 1;
  }
  n = 0;
  for (const char* name : lights) {
    w.begin(0x4000);
    w.name(name);
    w.begin(0x4600);
    w.vec(n, 2 * n, 3 * n);
    w.begin(0x0010);
    w.vec(0.1f * (n + 1), 0.5f, 0.9f);
    w.end();
    w.end();
    w.end();
    n += 1;
  }
  w.end();
  w.begin(0xB000);
  w.begin(0xB002);  // the first cube, moving
  w.begin(0xB010);
  w.name(*meshes.begin());
  w.u16(0);
  w.u16(0);
  w.u16(0xFFFF);
  w.end();
  w.begin(0xB020);
  w.u16(0);
  for (int i = 0; i < 8; ++i) w.u8(0);
  w.u32(2);
  for (int frame : {0, 30}) {
    w.u32(uint32_t(frame));
    w.u16(0);
    w.vec(float(frame), 0, 0);
  }
  w.end();
  w.end();
  w.begin(0xB002);  // a dummy below it
  w.begin(0xB010);
  w.name("$$$DUMMY");
  w.u16(0);
  w.u16(0);
  w.u16(0);
  w.end();
  w.begin(0xB011);
  w.name("HANDLE");
  w.end();
  w.end();
  w.end();
  w.end();
  return w.bytes;
}

// ---- models -----------------------------------------------------------------------

TEST_F(SceneScriptTest, SceneNameReadsTheModelAndEachSceneIsFinished) {
  dir.write("models/toys.3ds", modelFile({"Ball01", "RedBall", "Box"}, {"Lamp01", "Sun"}));
  parse("a.ini", {"[3DS]", "SCENENAME = MODELS\\TOYS.3DS", "AMBIENT = 0.5, 0.5, 0.5",
                  "SCENENAME = MODELS\\TOYS.3DS", "[OBJS]", "CURRENTOBJ = BALL", "SHADOW = 1",
                  "[LIGHTS]", "CURRENTLIGHT = LAMP", "SIZE = 2"});
  ASSERT_EQ(sceneTables.scenes.size(), 2u);
  const Scene& first = sceneTables.scenes[0];
  const Scene& second = sceneTables.scenes[1];
  EXPECT_EQ(first.name, "MODELS\\TOYS.3DS");
  EXPECT_FLOAT_EQ(first.ambientColour[0], 0.5f);
  ASSERT_EQ(first.objects.size(), 4u) << "three meshes and the dummy";
  EXPECT_TRUE(first.objects[0].ready) << "finished when the next scene was made";
  EXPECT_TRUE(first.objects[0].edges.empty());
  EXPECT_EQ(first.objects[3].name, "HANDLE");
  EXPECT_FALSE(first.objects[3].ready) << "dummies are never drawn";

  ASSERT_EQ(second.objects.size(), 4u);
  EXPECT_EQ(second.objects[0].edges.size(), 18u) << "shadow casters get their edge list when the script ends";
  EXPECT_EQ(second.objects[1].edges.size(), 18u);
  EXPECT_TRUE(second.objects[2].edges.empty());
  EXPECT_TRUE(second.objects[2].ready);
  EXPECT_FLOAT_EQ(second.lights[0].size, 2);
  EXPECT_FLOAT_EQ(second.lights[1].size, 1);
  EXPECT_EQ(second.objects[0].positionTrack.count, 2);
}

TEST_F(SceneScriptTest, KeysReachingAFinishedSceneBuildWhatTheyNeed) {
  dir.write("toys.3ds", modelFile({"Ball01", "Box"}, {}));
  parse("a.ini", {"[3DS]", "SCENENAME = TOYS.3DS", "[3DS]"});  // the header finishes it
  ASSERT_TRUE(object(0).ready);
  parse("b.ini", {"[OBJS]", "CURRENTOBJ = BALL", "BUMPMAP = GLASS, STONE", "CURRENTOBJ = BOX", "SHADOW = 1"});
  EXPECT_EQ(object(0).bumpVectorsA.size(), 8u) << "the bump pass writes a vector per vertex";
  EXPECT_EQ(object(0).bumpCoords.size(), 8u);
  EXPECT_NEAR(vec3Length(object(0).bumpVectorsB[1]), 1.0f, 1e-6f);
  EXPECT_TRUE(object(0).edges.empty());
  EXPECT_EQ(object(1).edges.size(), 18u) << "a late shadow caster gets its edge list";
  EXPECT_TRUE(object(1).bumpVectorsA.empty());
}

TEST_F(SceneScriptTest, TerrainModelsStandStillAndTheTerrainObjectComesLast) {
  dir.write("rocks.3ds", modelFile({"Rock01", "Rock02"}, {"Lamp"}));
  parse("t.ini", {"[LODTERRAIN]", "PARAM = FIELD, 128, 64, 0.5, 1, 1, 1, 1, 2, STONE, 10, 10, 2, 40, ROCKS.3DS"});
  ASSERT_EQ(sceneTables.terrains.size(), 1u);
  const Scene& scene = sceneTables.scenes[0];
  EXPECT_EQ(scene.name, "FIELD");
  ASSERT_EQ(scene.objects.size(), 4u) << "two rocks, the dummy, the terrain";
  EXPECT_EQ(sceneTables.terrains[0].objectIndex, 3);
  EXPECT_TRUE(scene.objects[3].terrainMesh);
  EXPECT_EQ(scene.objects[3].name, "FIELD");
  EXPECT_EQ(scene.lights.size(), 1u);
  for (size_t i = 0; i < 3; ++i) {
    const SceneObject& o = scene.objects[i];
    EXPECT_EQ(o.meshMatrix.m, identityMatrix().m);
    EXPECT_EQ(o.meshInverse.m, identityMatrix().m);
    ASSERT_EQ(o.positionTrack.count, 1) << o.name;
    EXPECT_EQ(o.positionTrack.keys[0].value.x, 0.0f);
    ASSERT_EQ(o.scaleTrack.count, 1);
    EXPECT_EQ(o.scaleTrack.keys[0].value.y, 1.0f);
    ASSERT_EQ(o.rotationTrack.count, 1);
    EXPECT_EQ(o.rotationTrack.keys[0].q.w, 1.0f);
  }
  EXPECT_EQ(scene.objects[0].vertices[7].x, 1.0f) << "the model's own coordinates are kept";
  const LodTerrain& still = sceneTables.terrains[0];
  EXPECT_EQ(std::count(still.modelMap.begin(), still.modelMap.end(), 0), 128 * 64) << "shift 40 is held to 31";

  parse("u.ini", {"[LODTERRAIN]", "PARAM = ROUGH, 64, 64, 3, 1, 1, 1, 1, 2, STONE, 10, 10, 2, 0, ROCKS.3DS"});
  ASSERT_EQ(sceneTables.terrains.size(), 2u);
  const LodTerrain& rough = sceneTables.terrains[1];
  const auto highest = std::max_element(rough.modelMap.begin(), rough.modelMap.end());
  EXPECT_GT(*highest, 0) << "a random terrain is rough somewhere";
  EXPECT_LT(*highest, 4) << "indices of the four objects, the terrain's own included";
  const auto [lowHeight, highHeight] = std::minmax_element(rough.heightMap.begin(), rough.heightMap.end());
  EXPECT_LT(*lowHeight, *highHeight);
}

// ---- selection and the OBJS section ---------------------------------------------

TEST_F(SceneScriptTest, PatternsPickObjectsByNamePartAndLastForOneScript) {
  addScene({"Ball", "Ball01", "RedBall", "Box", "$$$DUMMY"});
  parse("a.ini", {"[OBJS]", "SHADOW = 1",  // no pattern yet: nothing selected
                  "CURRENTOBJ = ball", "SHADOW = 1", "[LIGHTS]", "SIZE = 3", "[OBJS]", "SILHOUETTE = 2"});
  EXPECT_TRUE(object(0).castsShadow);
  EXPECT_TRUE(object(1).castsShadow);
  EXPECT_TRUE(object(2).castsShadow) << "names are compared in upper case";
  EXPECT_FALSE(object(3).castsShadow);
  EXPECT_EQ(object(2).silhouette, 2) << "the pattern outlives the LIGHTS section";
  EXPECT_EQ(object(3).silhouette, 0);

  parse("b.ini", {"[OBJS]", "SILHOUETTE = 5", "CURRENTOBJ = ", "SILHOUETTE = 6", "CURRENTOBJ = X", "SILHOUETTE = 7"});
  EXPECT_EQ(object(0).silhouette, 2) << "each script starts with no selection, and an empty pattern picks nothing";
  EXPECT_EQ(object(3).silhouette, 7) << "Box contains X";
}

TEST_F(SceneScriptTest, TextureMapAndBlendFuncSettleBlendingInOrder) {
  addScene({"A", "B", "C"});
  parse("s.ini", {"[OBJS]", "CURRENTOBJ = A",
                  "BLENDFUNC = DSTC, ZERO",  // ZERO is no factor: the destination stays
                  "CURRENTOBJ = B", "BLENDFUNC = ONE, ONEM", "TEXTUREMAP = GLASS", "TEXTUREMAP = STONE",
                  "CURRENTOBJ = C", "BLENDFUNC = SRCA, SRCC", "TEXTUREMAP = NOSUCH, REPLACE", "TEXTUREMAP ="});
  EXPECT_TRUE(object(0).blended);
  EXPECT_EQ(object(0).blendSrcFactor, GLenum(GL_DST_COLOR));
  EXPECT_EQ(object(0).blendDstFactor, GLenum(GL_ONE));

  EXPECT_EQ(object(1).texture, 5u) << "the first material of that name";
  EXPECT_FALSE(object(1).blended) << "the material's translucency overrides BLENDFUNC";
  EXPECT_EQ(object(1).blendSrcFactor, GLenum(GL_ONE));
  EXPECT_EQ(object(1).blendDstFactor, GLenum(GL_ONE_MINUS_SRC_ALPHA));
  EXPECT_TRUE(object(1).textureMapOn);
  EXPECT_EQ(object(1).textureEnvMode, GLenum(GL_MODULATE));

  EXPECT_FALSE(object(2).textureMapOn) << "TEXTUREMAP without values switches the texture off";
  EXPECT_EQ(object(2).textureEnvMode, GLenum(GL_REPLACE)) << "set by the unknown material's line, kept by the empty one";
  EXPECT_EQ(object(2).texture, 0u);
  EXPECT_TRUE(object(2).blended) << "an unknown material leaves BLENDFUNC's blending";
  EXPECT_EQ(object(2).blendDstFactor, GLenum(GL_SRC_COLOR));
}

TEST_F(SceneScriptTest, SurfaceFlexBumpEnvAndSilhouetteNeedTheirValues) {
  addScene({"A"});
  parse("s.ini", {"[OBJS]", "CURRENTOBJ = A",
                  "SURFACE = 1, 2, 3, 4, 5, 6, 7, 8, 9",  // nine values: ignored
                  "SURFACE = .1, .2, .3, .4, .5, .6, .7, .8, .9, .25",
                  "FLEX = 1, 2, 3, 4, 5, 6, 7",  // seven: ignored
                  "FLEX = 10, 0.5, 0.25, 2, 0.1, 0, 0, -9.8", "BUMPMAP = GLASS", "BUMPMAP = GLASS, NOSUCH",
                  "ENVMAP = STONE, LINEAR, 1, 2, 3, 4, 5",  // too short for planes
                  "ENVMAP = GLASS, LINEAR, 1, 2, 3, 4, 5, 6", "SILHOUETTE = 3", "SILHOUETTE = 4, 1"});
  const SceneObject& o = object(0);
  EXPECT_FLOAT_EQ(o.surface[0], 0.1f);
  EXPECT_FLOAT_EQ(o.surface[9], 0.25f);
  EXPECT_TRUE(o.flexOn);
  EXPECT_FLOAT_EQ(o.flexStiffness, 10);
  EXPECT_FLOAT_EQ(o.flexContact, 0.25f) << "the script's value; the set-up adds 1";
  EXPECT_FLOAT_EQ(o.flexDrag, 0.1f);
  EXPECT_FLOAT_EQ(o.flexGravity.z, -9.8f);
  EXPECT_TRUE(o.bumpMapOn);
  EXPECT_EQ(o.bumpTextureA, 6u);
  EXPECT_EQ(o.bumpTextureB, 0u) << "an unknown material leaves the field";
  EXPECT_EQ(o.bumpEnvModeB, GLenum(GL_REPLACE));
  EXPECT_TRUE(o.envMapOn);
  EXPECT_EQ(o.envTexture, 6u);
  EXPECT_EQ(o.envEnvMode, GLenum(GL_REPLACE));
  EXPECT_EQ(o.envLinear, 1);
  EXPECT_EQ(o.envPlaneS, (std::array<float, 4>{1, 2, 3, 0}));
  EXPECT_EQ(o.envPlaneT, (std::array<float, 4>{4, 5, 6, 0}));
  EXPECT_EQ(o.silhouette, 4);
  EXPECT_TRUE(o.silhouetteFlag);
}

TEST_F(SceneScriptTest, VertexFramesStopAtFiftyAndSpareTheTerrainMesh) {
  Scene& scene = addScene({"A", "GROUND"});
  scene.objects[1].terrainMesh = true;
  parse("s.ini", {"[OBJS]", "CURRENTOBJ = A", "VERTEXFX = 0", "VERTEXFX = -3", "VERTEXFX = 2"});
  ASSERT_EQ(object(0).frameVertices.size(), 2u);
  ASSERT_EQ(object(0).frameNormals.size(), 2u);
  EXPECT_EQ(object(0).frameVertices[1][1].x, 1.0f);
  EXPECT_EQ(object(0).frameNormals[1][2].z, 1.0f);

  parse("t.ini", {"[OBJS]", "CURRENTOBJ = A", "VERTEXFX = 100", "CURRENTOBJ = GROUND", "VERTEXFX = 3",
                  "FLEX = 1, 1, 1, 1, 1, 0, 0, 0"});
  EXPECT_EQ(object(0).frameVertices.size(), size_t(kMaxVertexFrames));
  EXPECT_EQ(object(0).frameNormals.size(), size_t(kMaxVertexFrames));
  EXPECT_TRUE(object(1).frameVertices.empty()) << "the terrain rebuilds its vertices every frame";
  EXPECT_FALSE(object(1).flexOn);
}

// ---- LIGHTS ---------------------------------------------------------------------

TEST_F(SceneScriptTest, PulsatePhasesCountOnAcrossLinesUntilTheNextCurrentLight) {
  addScene({}, {"Lamp01", "LAMP02", "Sun", "lamp03"});
  parse("s.ini", {"[LIGHTS]", "CURRENTLIGHT = LAMP", "PULSATE = 0.1, 2, 0.5", "TEXTUREMAP = GLASS, STONE",
                  "SIZE = 4", "CURRENTLIGHT = LAMP", "PULSATE = 0.2, 1, 0.25", "PULSATE = 0.3, 1, 0.75"});
  EXPECT_FLOAT_EQ(light(0).pulsePhase, 4) << "counter reset by CURRENTLIGHT, then 1, 2, 3 and 4, 5, 6";
  EXPECT_FLOAT_EQ(light(1).pulsePhase, 5);
  EXPECT_FLOAT_EQ(light(3).pulsePhase, 6);
  EXPECT_FLOAT_EQ(light(0).pulseRate, 0.3f);
  EXPECT_FLOAT_EQ(light(3).pulseAmount, 0.75f);
  EXPECT_EQ(light(2).pulseRate, 0.0f);
  EXPECT_EQ(light(1).flareTextureA, 6u);
  EXPECT_EQ(light(1).flareTextureB, 5u);
  EXPECT_EQ(light(1).flareEnvModeB, GLenum(GL_MODULATE));
  EXPECT_EQ(light(2).flareTextureA, 0u);
  EXPECT_FLOAT_EQ(light(3).size, 4);
  EXPECT_FLOAT_EQ(light(2).size, 1);

  parse("t.ini", {"[LIGHTS]", "CURRENTLIGHT = LAMP", "PULSATE = 1, 3, 1"});
  EXPECT_FLOAT_EQ(light(0).pulsePhase, 3);
  EXPECT_FLOAT_EQ(light(1).pulsePhase, 6);
  EXPECT_FLOAT_EQ(light(3).pulsePhase, 9);
}

TEST_F(SceneScriptTest, OnlyTheLightsInUseAreSelected) {
  Scene& scene = addScene({}, {"L1", "L2", "L3"});
  scene.lightCount = 2;
  parse("s.ini", {"[LIGHTS]", "CURRENTLIGHT = L", "SIZE = 2"});
  EXPECT_FLOAT_EQ(light(1).size, 2);
  EXPECT_FLOAT_EQ(light(2).size, 1) << "a light past the scene's count is never used";
}

// ---- 3DS ------------------------------------------------------------------------

TEST_F(SceneScriptTest, SceneKeysActOnTheSceneMadeLastEvenByAnEarlierScript) {
  parse("none.ini", {"[3DS]", "AMBIENT = 1, 1, 1", "[OBJS]", "CURRENTOBJ = A", "SHADOW = 1"});
  EXPECT_TRUE(sceneTables.scenes.empty()) << "keys before any scene refer to no scene";

  addScene({"A"});
  parse("s.ini", {"[3DS]", "AMBIENT = 0.1, 0.2, 0.3", "SHADOW = 1", "ADDSHADOW = 2", "SHADOWSTRENGTH = 0.75",
                  "FOG = 0.5, 0.6, 0.7, 0.05, 2, 40", "FOG = 1, 1, 1, 1, 1"});
  const Scene& scene = sceneTables.scenes.back();
  EXPECT_EQ(scene.ambientColour, (std::array<float, 3>{0.1f, 0.2f, 0.3f}));
  EXPECT_TRUE(scene.useAmbient);
  EXPECT_TRUE(scene.shadow);
  EXPECT_TRUE(scene.addShadow);
  EXPECT_FLOAT_EQ(scene.shadowStrength, 0.75f);
  EXPECT_TRUE(scene.fogOn);
  EXPECT_EQ(scene.fogColor, (std::array<float, 3>{0.5f, 0.6f, 0.7f}));
  EXPECT_FLOAT_EQ(scene.fogDensity, 0.05f);
  EXPECT_FLOAT_EQ(scene.fogStart, 2);
  EXPECT_FLOAT_EQ(scene.fogEnd, 40) << "five values are too few";
  EXPECT_FALSE(object(0).ready) << "a scene of an earlier script is not finished again";

  parse("t.ini", {"[3DS]", "AMBIENT = 0.9", "AMBIENT = 0.9, 0.8"});
  EXPECT_TRUE(scene.useAmbient) << "one or two values are ignored";
  EXPECT_FLOAT_EQ(scene.ambientColour[2], 0.3f);
  parse("u.ini", {"[3DS]", "AMBIENT"});
  EXPECT_FALSE(scene.useAmbient) << "no values switch the ambient term off";
  EXPECT_EQ(scene.ambientColour, (std::array<float, 3>{0, 0, 0}));
}

TEST_F(SceneScriptTest, MorphMergesTheLastScenesObjects) {
  Scene& scene = addScene({"A", "B", "C"});
  for (size_t i = 1; i < 3; ++i) {
    for (Vec3& v : scene.objects[i].vertices) v.z = float(i);
  }
  parse("s.ini", {"[3DS]", "MORPH = 6, 2, 2, 2"});
  ASSERT_EQ(sceneTables.scenes.back().objects.size(), 1u);
  EXPECT_EQ(object(0).morphCount, 6);
  ASSERT_EQ(object(0).frameVertices.size(), 3u);
  EXPECT_FLOAT_EQ(object(0).frameVertices[2][1].x, 2.0f);
  EXPECT_FLOAT_EQ(object(0).frameVertices[2][1].z, 4.0f);
}

TEST_F(SceneScriptTest, ParticleSystemsFollowMatchingLightsOrStandAlone) {
  addScene({}, {"Lamp01", "Lamp02", "Sun", "Lamp03"});
  parse("s.ini", {"[3DS]",
                  "PARSYS = LAMP, GLASS, ?, 0.25, ?, 9, 9, 9, 0, 0.1, 0, 0, -0.01, 0, 100, 30, 10, 0.2, 0.5, 0.05, 0, 1",
                  "PARSYS = COMET, STONE, ?, 0.5, 0.25, 1, 2, 3, 0, 0, 0, 0, 0, 0, 50, 20, 0, 0.1, 1, 1, 1, 0",
                  "PARSYS = SHORT, STONE, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 50, 1, 0, 0.1, 1, 1, 1, 0",
                  "PARSYS = NEGATIVE, STONE, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 50, -5, 1, 0.1, 1, 1, 1, 0",
                  "PARSYS = LONG, STONE, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 2000000000, 2147483647, 2147483647, "
                  "0.1, 1e30, -1e30, 1, 0",
                  "PARSYS = TOOFEW, STONE, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 50, 20, 0, 0.1, 1, 1, 1"});
  const std::vector<ParticleSystem>& systems = sceneTables.scenes.back().particleSystems;
  ASSERT_EQ(systems.size(), 5u) << "three lights, two free systems; short lives and short lines make none";
  EXPECT_EQ(systems[0].name, "Lamp01");
  EXPECT_EQ(systems[1].name, "Lamp02");
  EXPECT_EQ(systems[2].name, "Lamp03");
  EXPECT_EQ(systems[3].name, "COMET");
  EXPECT_EQ(systems[0].texture, 6u);
  EXPECT_TRUE(systems[0].sizeFollowsFade);
  EXPECT_FALSE(systems[3].sizeFollowsFade);
  EXPECT_EQ(systems[3].texture, 5u);
  EXPECT_EQ(systems[3].textureEnvMode, GLenum(GL_MODULATE));
  EXPECT_EQ(systems[4].name, "LONG") << "lives that would overflow are held, not refused";

  // "?" takes the light's component; the light gives the position.
  EXPECT_EQ(systems[0].color, (std::array<float, 3>{0.1f, 0.25f, 0.9f})) << "only the \"?\" components";
  EXPECT_EQ(systems[2].color, (std::array<float, 3>{0.4f, 0.25f, 0.9f}));
  EXPECT_EQ(systems[2].position.y, 6.0f) << "values 6 to 8 are not used for a light";
  EXPECT_FLOAT_EQ(systems[0].baseVelocity.y, 0.1f);
  EXPECT_FLOAT_EQ(systems[0].gravity.y, -0.01f);
  EXPECT_EQ(systems[0].particles.size(), 100u);
  EXPECT_EQ(systems[0].lifeBase, 30);
  EXPECT_EQ(systems[0].lifeRange, 10);
  EXPECT_FLOAT_EQ(systems[0].quadSize, 0.2f);
  EXPECT_FLOAT_EQ(systems[0].emitSpread, 0.5f);
  EXPECT_FALSE(systems[0].hasBox);
  EXPECT_EQ(systems[3].color, (std::array<float, 3>{1.0f, 0.5f, 0.25f})) << "without a light \"?\" counts as 1";
  EXPECT_EQ(systems[3].position.z, 3.0f);
  EXPECT_TRUE(systems[3].hasBox) << "value 21 computes the box at once";
  EXPECT_LE(systems[3].boxCorners[0].z, 2.5f);
  EXPECT_EQ(systems[4].particleCount, 1000000);
  EXPECT_EQ(systems[4].particles.size(), 1000000u);
  EXPECT_EQ(systems[4].lifeBase, 1000000);
  EXPECT_EQ(systems[4].lifeRange, 1000000);
  EXPECT_LE(systems[4].emitSpread, 1000000.0f);
  EXPECT_GE(systems[4].velocitySpread, -1000000.0f);
}

// ---- LODTERRAIN -----------------------------------------------------------------

TEST_F(SceneScriptTest, FourteenValueTerrainLineMakesAnUnmodelledTerrainScene) {
  addScene({"A"});
  parse("t.ini", {"[LODTERRAIN]", "PARAM = Hills, 64, 32, 0.5, 1, 1, 1, 1, 9, GLASS, 100, 80, 20, 3",
                  "[OBJS]", "CURRENTOBJ = HILLS", "SHADOW = 1"});
  ASSERT_EQ(sceneTables.scenes.size(), 2u);
  ASSERT_EQ(sceneTables.terrains.size(), 1u);
  const LodTerrain& t = sceneTables.terrains[0];
  EXPECT_EQ(t.name, "HILLS");
  EXPECT_EQ(t.gridWidth, 64);
  EXPECT_EQ(t.gridHeight, 32);
  EXPECT_EQ(t.lodSetting, 4) << "held to the five levels";
  EXPECT_FLOAT_EQ(t.scale.x, 100);
  EXPECT_FLOAT_EQ(t.scale.z, 20);
  EXPECT_EQ(t.sceneIndex, 1);
  EXPECT_EQ(t.objectIndex, 0);
  EXPECT_EQ(t.heightMap.size(), 64u * 32u);
  EXPECT_EQ(t.derivedMap.size(), 64u * 32u);
  ASSERT_EQ(t.modelMap.size(), 64u * 32u);
  EXPECT_EQ(std::count(t.modelMap.begin(), t.modelMap.end(), 0), 64 * 32) << "no model, nothing placed";

  const Scene& scene = sceneTables.scenes[1];
  EXPECT_EQ(scene.name, "HILLS");
  ASSERT_EQ(scene.objects.size(), 1u);
  const SceneObject& mesh = scene.objects[0];
  EXPECT_TRUE(mesh.terrainMesh);
  EXPECT_TRUE(mesh.ready) << "the scene is finished when the script ends";
  EXPECT_TRUE(mesh.castsShadow) << "OBJS keys reach the terrain scene";
  EXPECT_TRUE(mesh.edges.empty());
  EXPECT_EQ(mesh.texture, 6u);
  EXPECT_TRUE(mesh.blended) << "the material's translucency";
  EXPECT_EQ(mesh.textureEnvMode, GLenum(GL_MODULATE));
  EXPECT_EQ(mesh.vertexCount, 0);
  EXPECT_EQ(mesh.vertices.size(), size_t(kTerrainVertexCapacity));
  EXPECT_EQ(mesh.texCoords.size(), size_t(kTerrainVertexCapacity));
  EXPECT_EQ(mesh.bumpVectorsA.size(), size_t(kTerrainVertexCapacity));
  EXPECT_EQ(mesh.bumpCoords.size(), size_t(kTerrainVertexCapacity));
  ASSERT_EQ(mesh.normals.size(), size_t(kTerrainVertexCapacity));
  EXPECT_EQ(mesh.normals.back().z, 1.0f);
  EXPECT_EQ(mesh.faces.size(), size_t(kTerrainFaceCapacity));
  EXPECT_EQ(mesh.faceFlags.size(), size_t(kTerrainFaceCapacity));
  EXPECT_EQ(mesh.faceNormals.size(), size_t(kTerrainFaceCapacity));
  EXPECT_EQ(materialTable.materials.size(), 3u) << "a named material makes no new one";
}

TEST_F(SceneScriptTest, TerrainSidesMustBePowersOfTwoFromTwoTo4096) {
  parse("t.ini", {"[LODTERRAIN]", "PARAM = ONE, 1, 1, 0.5, 1, 1, 1, 1, -3, STONE, 1, 1, 1, 0",
                  "PARAM = ODD, 100, 64, 0.5, 1, 1, 1, 1, 0, STONE, 1, 1, 1, 0",
                  "PARAM = HUGE, 8192, 2, 0.5, 1, 1, 1, 1, 0, STONE, 1, 1, 1, 0",
                  "PARAM = NEGATIVE, -4, 4, 0.5, 1, 1, 1, 1, 0, STONE, 1, 1, 1, 0",
                  "PARAM = SMALL, 2, 4, 0.5, 1, 1, 1, 1, -3, STONE, 1, 1, 1, 0", "[3DS]", "LODTERRAIN = SMALL",
                  "[LODTERRAIN]", "PARAM = SHORT, 2, 4, 0.5, 1, 1, 1, 1, -3, STONE, 1, 1, 1"});
  ASSERT_EQ(sceneTables.scenes.size(), 5u) << "every line keeps its scene number; too short a line makes none";
  EXPECT_EQ(sceneTables.scenes[1].name, "ODD");
  EXPECT_TRUE(sceneTables.scenes[1].objects.empty());
  ASSERT_EQ(sceneTables.terrains.size(), 1u);
  EXPECT_EQ(sceneTables.terrains[0].name, "SMALL");
  EXPECT_EQ(sceneTables.terrains[0].sceneIndex, 4);
  EXPECT_EQ(sceneTables.terrains[0].lodSetting, 0);
  EXPECT_EQ(sceneTables.scenes[4].terrainIndex, 0) << "the 3DS key names the terrain";
  EXPECT_EQ(sceneTables.scenes[3].terrainIndex, -1);
}

TEST_F(SceneScriptTest, TerrainHeightsFromAProgramAndTheModeWord) {
  TexProgram program;
  program.lists[0].stepCount = 1;
  program.lists[0].opcodes[0] = kTexFill;
  program.lists[0].params[0] = {4, 30, 61, 92};  // layer 4 in (30, 61, 92)
  const std::vector<uint8_t> bytes = encodeTexProgram(program);
  dir.write("ground.tex", std::string(bytes.begin(), bytes.end()));
  parse("t.ini", {"[LODTERRAIN]", "PARAM = FLAT, 8, 4, GROUND.TEX, 1, 1, 1, 1, 2, STONE, 10, 10, 2, 3, REPLACE",
                  "PARAM = SECOND, 4, 4, 0.5, 1, 1, 1, 1, 2, NOSUCH, 10, 10, 2, 3, MODULATE, NONE.3DS"});
  ASSERT_EQ(sceneTables.terrains.size(), 2u);
  const LodTerrain& flat = sceneTables.terrains[0];
  EXPECT_EQ(std::count(flat.heightMap.begin(), flat.heightMap.end(), 61), 32) << "(30 + 61 + 92) / 3";
  EXPECT_EQ(texLayer(kTexOutputLayer), nullptr) << "a named material releases the workspace";
  const SceneObject& mesh = sceneTables.scenes[0].objects[0];
  EXPECT_EQ(mesh.textureEnvMode, GLenum(GL_REPLACE));
  EXPECT_EQ(mesh.texture, 5u);
  EXPECT_FALSE(mesh.blended);
  EXPECT_TRUE(mesh.ready) << "finished when the next terrain line makes a scene";

  const Scene& second = sceneTables.scenes[1];
  EXPECT_EQ(second.objects.back().texture, 0u) << "an unknown material: no texture";
  EXPECT_EQ(sceneTables.terrains[1].objectIndex, int32_t(second.objects.size()) - 1) << "after the model's objects";
}

TEST_F(SceneScriptTest, KeysWithoutValuesOrWithBadShapesAreHarmless) {
  addScene({"A"}, {"L"});
  parse("s.ini", {"PARAM = BEFORE, ANY, SECTION", "[3DS]", "SHADOW", "MORPH", "PARSYS = L", "LODTERRAIN",
                  "[OBJS]", "CURRENTOBJ", "SURFACE", "BLENDFUNC = ONE", "TOON = 1, 1", "BUMPMAP = X", "ENVMAP",
                  "VERTEXFX", "[LIGHTS]", "CURRENTLIGHT", "TEXTUREMAP = X", "PULSATE = 1, 2", "[LODTERRAIN]",
                  "PARAM = T, 4, 4", "[]", "[X", "= 1, 2", ",,,,"});
  ASSERT_EQ(sceneTables.scenes.size(), 1u);
  EXPECT_FALSE(object(0).blended);
  EXPECT_FALSE(object(0).toonOn);
  EXPECT_TRUE(sceneTables.scenes.back().particleSystems.empty());
  EXPECT_TRUE(sceneTables.terrains.empty());
}

}  // namespace
}  // namespace glorbe
