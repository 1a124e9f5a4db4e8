#include "capture/capture_options.h"

#include <cmath>
#include <limits>

#include "scripts/number_conversion.h"

namespace glorbe::tools {

namespace {

bool parseSeconds(const std::string& text, double& out) {
  auto v = parseReal(text);
  if (!v || *v < 0 || *v > 86400) return false;
  out = static_cast<double>(*v);
  return true;
}

bool parseSize(const std::string& text, int& w, int& h) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  auto a = parseInteger(text.substr(0, x));
  auto b = parseInteger(text.substr(x + 1));
  if (!a || !b || *a < 16 || *b < 16 || *a > 8192 || *b > 8192) return false;
  w = *a;
  h = *b;
  return true;
}

}  // namespace

const cli::Command& captureCommand() {
  static const cli::Command command{
      "", "", 0, 1,
      {{"size", "WxH", "picture size, each side 16 to 8192 (default 800x600)"},
       {"fps", "N", "frames per second, 1 to 240 (default 60)"},
       {"from", "S", "start second (default the timeline's start)"},
       {"to", "S", "last second (default the timeline's end)"},
       {"frames", "DIR", "one PNG per frame: DIR/frame_000000.png ..."},
       {"video", "FILE", "a video with the music, encoded by ffmpeg"},
       {"frame-at", "S OUT.png", "only the frame at second S, rendered after all frames before it"},
       {"exact", nullptr, "with --frame-at: draw every frame before it, not only those its pixels can depend on"}},
      "Renders the show in the current folder (velk.dat, quendar.mp3) frame by frame.\n"
      "The frame counter is its clock, so the same show and options give the same pixels. One of\n"
      "--frames, --video or --frame-at says where the frames go.",
      nullptr};
  return command;
}

bool captureOptionsFrom(const cli::Invocation& call, CaptureOptions& options, std::string& error) {
  CaptureOptions o;
  if (const auto v = call.value("size"); v && !parseSize(*v, o.width, o.height)) {
    error = "--size takes WIDTHxHEIGHT, each 16 to 8192, not \"" + *v + "\"";
    return false;
  }
  if (const auto v = call.value("fps")) {
    const auto n = parseInteger(*v);
    if (!n || *n < 1 || *n > 240) {
      error = "--fps takes a whole number from 1 to 240, not \"" + *v + "\"";
      return false;
    }
    o.fps = *n;
  }
  for (const char* name : {"from", "to"}) {
    if (const auto v = call.value(name)) {
      double seconds = 0;
      if (!parseSeconds(*v, seconds)) {
        error = std::string("--") + name + " takes a number of seconds (0 or more), not \"" + *v + "\"";
        return false;
      }
      (std::string(name) == "from" ? o.from : o.to) = seconds;
    }
  }
  const int outputs = int(call.has("frames")) + int(call.has("video")) + int(call.has("frame-at"));
  if (outputs != 1) {
    error = outputs == 0 ? "say where the frames go: --frames, --video or --frame-at"
                         : "give only one of --frames, --video and --frame-at";
    return false;
  }
  if (const auto v = call.value("frames")) {
    o.output = CaptureOutput::Frames;
    o.path = *v;
  } else if (const auto v = call.value("video")) {
    o.output = CaptureOutput::Video;
    o.path = *v;
  } else {
    const std::string at = *call.value("frame-at");
    if (!parseSeconds(at, o.frameAt)) {
      error = "--frame-at takes a number of seconds (0 or more), not \"" + at + "\"";
      return false;
    }
    if (call.arguments.empty()) {
      error = "--frame-at needs a PNG file name after the second";
      return false;
    }
    o.output = CaptureOutput::FrameAt;
    o.path = call.arguments[0];
  }
  o.exact = call.has("exact");
  if (o.exact && o.output != CaptureOutput::FrameAt) {
    error = "--exact goes with --frame-at (the other outputs draw every frame anyway)";
    return false;
  }
  if (o.output != CaptureOutput::FrameAt && !call.arguments.empty()) {
    error = "unexpected argument \"" + call.arguments[0] + "\"";
    return false;
  }
  if (o.path.empty()) {
    error = "the output name is empty";
    return false;
  }
  if (o.from && o.to && *o.to < *o.from) {
    error = "--to lies before --from";
    return false;
  }
  if (o.output == CaptureOutput::FrameAt && ((o.from && o.frameAt < *o.from) || (o.to && o.frameAt > *o.to))) {
    error = "--frame-at lies outside --from .. --to";
    return false;
  }
  options = o;
  return true;
}

bool parseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options, std::string& error) {
  cli::Invocation call;
  bool help = false;
  if (!cli::parseArguments(captureCommand(), args, call, help, error)) return false;
  if (help) {
    error = "--help";
    return false;
  }
  return captureOptionsFrom(call, options, error);
}

int32_t secondsToTick(double seconds) {
  const long double t = std::nearbyintl(static_cast<long double>(seconds) * 60.0L);
  if (!(t < std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (!(t > std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(t);
}

int32_t captureTick(int32_t startTick, int64_t frame, int fps) {
  const long double offset = std::nearbyintl(static_cast<long double>(frame) * 60.0L / fps);
  return static_cast<int32_t>(startTick + static_cast<int64_t>(offset));
}

int64_t captureFrameCount(int32_t startTick, int32_t lastTick, int fps) {
  if (lastTick < startTick) return 0;
  // Frames advance by 60 / fps ticks; start near the estimate and settle exactly.
  int64_t n = static_cast<int64_t>((static_cast<int64_t>(lastTick) - startTick) * fps / 60);
  while (n > 0 && captureTick(startTick, n, fps) > lastTick) --n;
  while (captureTick(startTick, n + 1, fps) <= lastTick) ++n;
  return n + 1;
}

int64_t captureFrameAtTick(int32_t startTick, int32_t tick, int fps) {
  if (tick <= startTick) return 0;
  return captureFrameCount(startTick, tick - 1, fps);
}

}  // namespace glorbe::tools
