// The offline renderer starts like the player (windowed display of the
// chosen size, capabilities, fixed GL state, archive, loading phase) but with
// no launcher and no sound device. Its clock is the frame counter, so every
// run of the same show and options gives the same pixels; the wall clock
// only feeds the progress line.
#include "capture/offline_render.h"

#include <GL/freeglut.h>

#include <csignal>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "capture/capture_options.h"
#include "core/core.h"
#include "core/demo_clock.h"
#include "display/display_state.h"
#include "display/display.h"
#include "image_io/png_file.h"
#include "platform/disk_files.h"
#include "platform/message_box.h"
#include "platform/sound.h"
#include "sequencer/sequence_script.h"
#include "sequencer/sequencer_state.h"

namespace glorbe::tools {

namespace {

int fail(const std::string& message, int code) {
  std::fprintf(stderr, "glorbe-render: %s\n", message.c_str());
  return code;
}

void noDisplay() {}

// Lets GLUT map the window and deliver its first reshape.
void settleWindow() {
  for (int i = 0; i < 10; ++i) glutMainLoopEvent();
}

bool readFrame(int width, int height, PngImage& image) {
  image.width = width;
  image.height = height;
  image.channels = 3;
  image.pixels.resize(static_cast<size_t>(width) * height * 3);
  std::vector<uint8_t> rows(image.pixels.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  // Errors the frame left pending were reported by the caller; only the
  // read's own count here.
  while (glGetError() != GL_NO_ERROR) {
  }
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  const size_t stride = static_cast<size_t>(width) * 3;
  for (int y = 0; y < height; ++y) {
    std::copy_n(rows.data() + stride * (height - 1 - y), stride, image.pixels.data() + stride * y);
  }
  return glGetError() == GL_NO_ERROR;
}

bool ffmpegAvailable() { return std::system("ffmpeg -version >/dev/null 2>&1") == 0; }

std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class Progress {
 public:
  explicit Progress(int64_t total) : total_(total), start_(Clock::now()), last_(start_) {}
  void update(int64_t done, bool final = false) {
    const auto now = Clock::now();
    if (!final && now - last_ < std::chrono::milliseconds(250)) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? done / seconds : 0.0;
    const double left = rate > 0 ? (total_ - done) / rate : 0.0;
    std::fprintf(stderr, "\rframe %lld of %lld  %.1f frames/s  %d:%02d left   ", static_cast<long long>(done),
                 static_cast<long long>(total_), rate, static_cast<int>(left) / 60, static_cast<int>(left) % 60);
    if (final) std::fprintf(stderr, "\n");
    std::fflush(stderr);
  }

 private:
  using Clock = std::chrono::steady_clock;
  int64_t total_;
  Clock::time_point start_, last_;
};

const char* glErrorName(GLenum error) {
  switch (error) {
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW: return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW: return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    default: return "an unknown GL error";
  }
}

void warn(const std::string& text) {
  if (!text.empty()) std::fprintf(stderr, "\nglorbe-render: warning: %s\n", text.c_str());
}

}  // namespace

std::string takeGlErrors() {
  std::string errors;
  // A context can hold several error flags; each read clears one.
  for (int i = 0; i < 16; ++i) {
    const GLenum e = glGetError();
    if (e == GL_NO_ERROR) break;
    char text[64];
    std::snprintf(text, sizeof text, "%s%s (0x%04X)", errors.empty() ? "" : ", ", glErrorName(e), e);
    errors += text;
  }
  return errors;
}

std::string GlErrorWatch::check(double second) {
  const std::string errors = takeGlErrors();
  if (errors.empty() || framesWithErrors++ > 0) return {};
  char at[32];
  std::snprintf(at, sizeof at, "%.2f", second);
  return "the frame at " + std::string(at) + " s raised " + errors +
         "; its picture may be wrong (later frames with errors are only counted)";
}

namespace {

int renderShow(const cli::Invocation& call) {
  CaptureOptions options;
  std::string error;
  if (!captureOptionsFrom(call, options, error)) return cli::usageError(call, error);
  if (options.output == CaptureOutput::Video && !ffmpegAvailable()) {
    return fail("--video needs ffmpeg, which is not installed (Debian package \"ffmpeg\")", 1);
  }

  // The show comes from the archive in the current folder (or its files
  // beside it): with neither, say so rather than render an empty show.
  if (!findDiskFile(kArchiveFile) && !findDiskFile(kTimelineFile)) {
    return fail(std::string("there is no ") + kArchiveFile +
                    " here: run glorbe-render in a show's folder (the bundled show is built into show/)",
                1);
  }

  char programName[] = "glorbe-render";
  char* glutArgv[] = {programName, nullptr};
  initProcessState(1, glutArgv);
  setMessageBoxUnattended(true);
  display.settings.width = options.width;
  display.settings.height = options.height;
  display.settings.bits = 32;
  display.settings.fullscreen = false;
  setupDisplay(options.width, options.height, 32, false, kStencilDisplayMode);
  glutDisplayFunc(noDisplay);
  settleWindow();
  if (glutGet(GLUT_WINDOW_WIDTH) != options.width || glutGet(GLUT_WINDOW_HEIGHT) != options.height) {
    return fail("the screen cannot hold a " + std::to_string(options.width) + "x" + std::to_string(options.height) +
                    " window",
                1);
  }

  // The music's length without a sound device (shown by the overlay).
  soundSetOutput(SoundOutputNone);
  if (soundInit(44100, 4)) {
    SoundStream* music = soundOpenStream(kMusicFile);
    if (music != nullptr) {
      core.clock.streamLengthMs = soundGetLengthMs(music);
      soundCloseStream(music);
    } else if (options.output == CaptureOutput::Video) {
      return fail("no music: cannot read quendar.mp3", 1);
    }
    soundClose();
  }

  prepareDrawing();
  onReshape(options.width, options.height);
  runLoadingPhase();
  if (const std::string e = takeGlErrors(); !e.empty()) warn("loading the show raised " + e);
  GlErrorWatch glErrors;

  const int32_t startTick = options.from ? secondsToTick(*options.from) : sequencer.script.startTick;
  int32_t lastTick = sequencer.script.endTick;
  if (options.to) lastTick = std::min(lastTick, secondsToTick(*options.to));
  if (startTick > sequencer.script.endTick) {
    return fail("--from lies past the end of the show (" + std::to_string(sequencer.script.endTick / 60.0) + " s)", 2);
  }
  int64_t frames = captureFrameCount(startTick, lastTick, options.fps);
  int64_t wanted = -1;
  if (options.output == CaptureOutput::FrameAt) {
    const int32_t at = secondsToTick(options.frameAt);
    if (at < startTick || at > lastTick) return fail("--frame-at lies outside the rendered part of the show", 2);
    wanted = captureFrameAtTick(startTick, at, options.fps);
    frames = wanted + 1;
  }
  if (frames <= 0) return fail("nothing to render", 2);

  FILE* video = nullptr;
  if (options.output != CaptureOutput::Frames && !cli::makeOutputFolder(options.path, error)) return fail(error, 1);
  if (options.output == CaptureOutput::Frames) {
    std::error_code ec;
    std::filesystem::create_directories(options.path, ec);
    if (!std::filesystem::is_directory(options.path)) return fail("cannot make the folder " + options.path, 1);
  } else if (options.output == CaptureOutput::Video) {
    char start[32];
    std::snprintf(start, sizeof start, "%.6f", startTick / 60.0);
    const std::string command = "ffmpeg -loglevel error -y -f rawvideo -pix_fmt rgb24 -s " +
                                std::to_string(options.width) + "x" + std::to_string(options.height) + " -r " +
                                std::to_string(options.fps) + " -i - -ss " + start + " -i " + kMusicFile +
                                " -map 0:v -map 1:a -c:v libx264 -pix_fmt yuv420p -crf 18 -c:a aac -b:a 192k"
                                " -shortest " +
                                shellQuote(options.path);
    // ffmpeg that fails ends the pipe: a failed write says so, not SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    video = popen(command.c_str(), "w");
    if (video == nullptr) return fail("cannot start ffmpeg", 1);
  }

  core.clock.firstFrame = false;
  core.clock.currentTick = startTick;
  Progress progress(frames);
  PngImage image;
  // A --frame-at picture depends on the frames before it through the tables
  // (the timeline's changes, particles, soft bodies, move lists, the random
  // source), which every frame runs, and through pixels only where a frame
  // grabs the screen into a texture, where a frame does not clear and so
  // builds on the one before, or where a halo reads the depth of the frame
  // (its fade forgets within two seconds). The frames none of that reaches
  // run with every pixel cut away by the scissor box and are not shown: the
  // same state, little of the cost.
  std::vector<bool> drawn;
  if (options.output == CaptureOutput::FrameAt && !options.exact) {
    std::vector<bool> grabs(static_cast<size_t>(frames)), clears(static_cast<size_t>(frames));
    std::vector<const SequenceItem*> grabbedOnce;
    for (int64_t n = 0; n < frames; ++n) {
      const int32_t tick = captureTick(startTick, n, options.fps);
      grabs[static_cast<size_t>(n)] = momentGrabs(sequencer.script, tick, 0, 15, &grabbedOnce);
      clears[static_cast<size_t>(n)] = momentClearsColour(sequencer.script, tick, 0, 15);
    }
    drawn.assign(static_cast<size_t>(frames), false);
    const int64_t warmFrom = wanted - static_cast<int64_t>(kFrameAtWarmUpSeconds * options.fps);
    bool nextNeedsThis = false;  // the next frame is drawn and takes this one's pixels
    for (int64_t n = frames - 1; n >= 0; --n) {
      const size_t i = static_cast<size_t>(n);
      drawn[i] = n >= warmFrom || grabs[i] || nextNeedsThis;
      // A grab may read the screen before the frame clears it.
      nextNeedsThis = drawn[i] && (grabs[i] || !clears[i]);
    }
  }
  int64_t undrawn = 0;
  for (int64_t n = 0; n < frames; ++n) {
    core.clock.previousTick = core.clock.currentTick;
    core.clock.currentTick = captureTick(startTick, n, options.fps);
    const bool draw = drawn.empty() || drawn[static_cast<size_t>(n)];
    if (!draw) {
      glEnable(GL_SCISSOR_TEST);
      glScissor(0, 0, 0, 0);
      ++undrawn;
    }
    runSequence(sequencer.script, core.clock.currentTick, core.clock.previousTick, true, 0, 15);
    if (!draw) glDisable(GL_SCISSOR_TEST);
    core.clock.totalFrames += 1;
    warn(glErrors.check(core.clock.currentTick / 60.0));
    if (!draw) {
      progress.update(n + 1);
      continue;
    }
    const bool keep = options.output != CaptureOutput::FrameAt || n == wanted;
    if (keep) {
      if (!readFrame(options.width, options.height, image)) return fail("cannot read the frame back", 1);
      if (options.output == CaptureOutput::Frames) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(n));
        if (!writePng((std::filesystem::path(options.path) / name).string(), image, error)) return fail(error, 1);
      } else if (options.output == CaptureOutput::Video) {
        if (std::fwrite(image.pixels.data(), 1, image.pixels.size(), video) != image.pixels.size()) {
          pclose(video);
          return fail("ffmpeg failed and stopped taking frames: " + options.path +
                          " was not written (ffmpeg's own message is above)",
                      1);
        }
      } else if (!writePng(options.path, image, error)) {
        return fail(error, 1);
      }
    }
    glutSwapBuffers();
    progress.update(n + 1);
  }
  progress.update(frames, true);
  if (undrawn > 0) {
    std::fprintf(stderr, "glorbe-render: %lld of %lld frames run without drawing (--exact draws them all)\n",
                 static_cast<long long>(undrawn), static_cast<long long>(frames));
  }
  if (video != nullptr && pclose(video) != 0) return fail("ffmpeg failed to write " + options.path, 1);
  if (glErrors.framesWithErrors > 0) {
    std::fprintf(stderr, "glorbe-render: warning: %lld frames raised GL errors\n",
                 static_cast<long long>(glErrors.framesWithErrors));
  }
  // The window and its context go before the program ends, with what the
  // GL driver holds for them.
  glutDestroyWindow(glutGetWindow());
  glutMainLoopEvent();
  return 0;
}

}  // namespace

int runOfflineRender(int argc, char** argv) {
  cli::Command command = captureCommand();
  command.run = renderShow;
  const cli::Program program{"glorbe-render", "glorbe-render: the show rendered offline, frame by frame", {command}};
  return cli::runProgram(program, argc, argv);
}

}  // namespace glorbe::tools
