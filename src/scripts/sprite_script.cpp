// The SPRITES and MOVELISTS sections: each PARAM line appends a sprite (with
// one-key placement and colour tracks and an optional grid) or a move list
// (its picture in a colour, an optional brush image, and both displacement
// maps built in full).
#include <algorithm>

#include "common/numbers.h"
#include "scripts/material_table.h"
#include "scripts/number_conversion.h"
#include "scripts/scene_script_readers.h"
#include "scripts/script_reader.h"
#include "scripts/sprite_script.h"
#include "textures/image_decoder.h"

namespace glorbe {

SpriteTables spriteTables;

void resetSpriteTables() { spriteTables = SpriteTables{}; }

namespace {

constexpr size_t kMaxNameLength = 255;

std::string shortName(const std::string& text) { return text.substr(0, kMaxNameLength); }

void oneKeyTrack(KeyTrack& track, float x, float y, float z) {
  initTrack(track, 1);
  addKey(track, 0, 0.5f, x, y, z);
  computeTangents(track);
}

void addSprite(const std::vector<std::string>& v, int count, const std::string& source) {
  Sprite sprite;
  sprite.name = shortName(v[0]);
  if (const Material* m = findMaterial(v[1])) sprite.texture = m->texture;
  if (v[2] == "MODULATE") sprite.envMode = GL_MODULATE;
  if (v[2] == "REPLACE") sprite.envMode = GL_REPLACE;
  sprite.size = {convertFloat(v[3], source), convertFloat(v[4], source)};
  if (count >= 7) {
    const int32_t columns = convertInteger(v[5], source);
    const int32_t rows = convertInteger(v[6], source);
    // A side of zero or less means no grid; a huge one is limited.
    if (columns > 0 && rows > 0) {
      sprite.gridColumns = std::min(columns, kMaxSpriteGridSide);
      sprite.gridRows = std::min(rows, kMaxSpriteGridSide);
      const size_t vertices = size_t(sprite.gridColumns) * size_t(sprite.gridRows);
      sprite.gridColours.assign(vertices, {1.0f, 1.0f, 1.0f, 1.0f});
      sprite.gridTexCoords.assign(vertices, {0.0f, 0.0f});
    }
  }
  oneKeyTrack(sprite.placement, kSpriteCentreX, kSpriteCentreY, 0.0f);
  for (KeyTrack* colour : {&sprite.colour1, &sprite.colour2, &sprite.colour3, &sprite.colour4})
    oneKeyTrack(*colour, 1.0f, 1.0f, 1.0f);
  spriteTables.sprites.push_back(std::move(sprite));
}

// Components outside 0 … 1 are held to the byte's range.
uint8_t colourByte(const std::string& text, const std::string& source) {
  return unitToByte(convertFloat(text, source));
}

int32_t brushTypeFromKeyword(const std::string& word) {
  if (word == "SOLID") return kBrushSolid;
  if (word == "CHROMA") return kBrushChroma;
  if (word == "TRANS") return kBrushTrans;
  if (word == "ADD") return kBrushAdd;
  return kBrushSolid;
}

// The brush image as red-green-blue pixels (grey images give grey pixels);
// an image that does not decode leaves the list without a brush.
void loadBrush(MoveList& list, const std::string& fileName) {
  std::vector<uint8_t> pixels;
  ImageHeader header;
  if (decodeImage(pixels, header, fileName) != ImageStatus::decoded) return;
  const size_t count = size_t{header.width} * header.height;
  const int channels = imageChannelCount(header);
  if (channels == 0 || pixels.size() < count * (channels == 1 ? 1 : 4)) return;
  list.brush.resize(count);
  for (size_t i = 0; i < count; ++i) {
    if (channels == 1) {
      const uint32_t g = pixels[i];
      list.brush[i] = g | g << 8 | g << 16;
    } else {
      const uint8_t* p = &pixels[i * 4];  // blue, green, red, 0
      list.brush[i] = uint32_t{p[2]} | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16 | uint32_t{p[3]} << 24;
    }
  }
  list.brushWidth = header.width;
  list.brushHeight = header.height;
}

void addMoveList(const std::vector<std::string>& v, int count, const std::string& source) {
  uint8_t red = 0, green = 0, blue = 0;
  int imageIndex = 4;
  if (count >= 7) {
    red = colourByte(v[4], source);
    green = colourByte(v[5], source);
    blue = colourByte(v[6], source);
    imageIndex = 7;
  }
  const int32_t width = convertInteger(v[2], source);
  const int32_t height = convertInteger(v[3], source);
  spriteTables.moveLists.emplace_back();
  MoveList& list = spriteTables.moveLists.back();
  createMoveList(list, width, height, red, green, blue);
  if (count > imageIndex) {
    loadBrush(list, v[imageIndex]);
    list.brushType = count > imageIndex + 1 ? brushTypeFromKeyword(v[imageIndex + 1]) : kBrushSolid;
  }
  list.name = shortName(v[0]);
  if (const Material* m = findMaterial(v[1])) list.texture = m->texture;
  const int64_t all = int64_t{list.width} * list.height;
  refreshMoveListMap(list, all, 2.5f, 0.1f, true);
  refreshMoveListMap(list, all, 0.1f, 0.5f, false);
}

}  // namespace

void parseSpritesAndMoveLists(const std::string& fileName) {
  LoadedFile file;
  loadFile(file, fileName);
  enum class Section { other, sprites, moveLists } section = Section::other;
  std::string key;
  std::vector<std::string> values;
  for (;;) {
    bool isSection = false;
    const std::string line = nextLine(file, isSection);
    if (line.empty() && !isSection) break;
    if (isSection) {
      section = line == "SPRITES" ? Section::sprites : line == "MOVELISTS" ? Section::moveLists : Section::other;
      continue;
    }
    if (section == Section::other) continue;
    const int count = splitKeyLine(line, key, values);
    if (key != "PARAM") continue;
    if (section == Section::sprites && count >= 5) addSprite(values, count, fileName);
    if (section == Section::moveLists && count >= 4) addMoveList(values, count, fileName);
  }
  releaseFile(file);
}

}  // namespace glorbe
