#include "fuzz_support.h"

#include <GL/freeglut.h>
#include <sanitizer/lsan_interface.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <filesystem>
#include <fstream>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "common/random_source.h"
#include "display/display.h"
#include "image_codec/hwl_encoder.h"
#include "texprog/tex_text.h"
#include "platform/exit_procedures.h"
#include "platform/message_box.h"
#include "scripts/material_table.h"
#include "scripts/scene_tables.h"
#include "scripts/sprite_script.h"
#include "sequencer/sequence_script.h"
#include "sequencer/sequencer_state.h"
#include "textures/texture_generator.h"

namespace glorbe::fuzz {

namespace {

std::filesystem::path workDir;

void removeWorkDir() {
  std::error_code ec;
  std::filesystem::remove_all(workDir, ec);
}

[[noreturn]] void throwProgramEnded(int code) { throw ProgramEnded{code}; }

}  // namespace

void initialise() {
  if (!workDir.empty()) return;
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/glorbe-fuzz.XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("glorbe-fuzz: cannot make a working folder");
    std::abort();
  }
  workDir = pattern;
  std::filesystem::current_path(workDir);
  std::atexit(removeWorkDir);
  setMessageBoxUnattended(true);
  setEndProgramHandler(throwProgramEnded);
  allocateLoadBuffer();
}

std::string writeInput(const std::string& name, const uint8_t* data, size_t size) {
  initialise();
  const std::filesystem::path path(name);
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) {
    std::fprintf(stderr, "glorbe-fuzz: cannot write %s\n", name.c_str());
    std::abort();
  }
  return name;
}

std::string writeInput(const std::string& name, const std::string& bytes) {
  return writeInput(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

namespace {

void writePicture(const std::string& name, int side, int channels) {
  tools::PngImage picture{side, side, channels, {}};
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      for (int c = 0; c < channels; ++c) picture.pixels.push_back(static_cast<uint8_t>((x * 37 + y * 11 + c * 80) & 255));
  std::vector<uint8_t> file;
  std::string error;
  if (!tools::encodeHwl(picture, {}, file, error)) {
    std::fprintf(stderr, "glorbe-fuzz: %s: %s\n", name.c_str(), error.c_str());
    std::abort();
  }
  writeInput(name, file.data(), file.size());
}

}  // namespace

void writeSampleContent() {
  initialise();
  static bool written = false;
  if (written) return;
  writePicture("pictures/orb.hwl", 16, 3);
  writePicture("pictures/orbalpha.hwl", 16, 1);
  writePicture("sprites/glow.hwl", 8, 3);
  writePicture("brushes/star.hwl", 4, 3);
  TexProgram program;
  std::string error;
  if (!tools::assembleTexProgram("list 0\nnoise layer=0 cell=4 seed=7 range=256\n"
                                 "radial layer=5 falloff=0.8\nmultiply a=0 b=5 to=4 fa=1 fb=1\n",
                                 "clouds", program, error)) {
    std::fprintf(stderr, "glorbe-fuzz: %s\n", error.c_str());
    std::abort();
  }
  const std::vector<uint8_t> bytes = encodeTexProgram(program);
  writeInput("textures/clouds.tex", bytes.data(), bytes.size());
  written = true;
}

void resetEngineState() {
  initialise();
  resetArchives();
  // The buffer is kept, only its slots are freed: a fresh megabyte for every
  // input would cost more than most inputs' work, and the loaders never read
  // past the file they loaded, so earlier bytes in it are never seen.
  allocateLoadBuffer();
  std::unique_ptr<uint8_t[]> buffer = std::move(loadBuffer.buffer);
  resetLoadBuffer();
  loadBuffer.buffer = std::move(buffer);
  resetTexGenerator();
  resetMaterialTable();
  resetSpriteTables();
  resetSceneTables();
  resetRandomSource();
  resetSequencerState();
}

void openGlWindow() {
  initialise();
  static bool open = false;
  if (open) return;
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "glorbe-fuzz: this target draws textures and needs an X display (run it under xvfb-run)\n");
    std::exit(1);
  }
  // What the GL driver allocates for its context it keeps to the end; that
  // is not the engine's to free.
  __lsan_disable();
  int argc = 1;
  char name[] = "glorbe-fuzz";
  char* argv[] = {name, nullptr};
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL | GLUT_ALPHA);
  glutInitWindowSize(320, 240);
  glutCreateWindow("glorbe fuzz");
  glutHideWindow();
  // The software renderer's warning is shown once here, not for every input.
  checkCapabilities();
  __lsan_enable();
  open = true;
}

void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::fflush(stderr);
  __builtin_trap();
}

}  // namespace glorbe::fuzz
