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

bool parseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options, std::string& error) {
  CaptureOptions o;
  int outputs = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const char* what) -> const std::string* {
      if (i + 1 >= args.size()) {
        error = a + " needs " + what;
        return nullptr;
      }
      return &args[++i];
    };
    const std::string* v = nullptr;
    if (a == "--size") {
      if (!(v = value("a size WxH"))) return false;
      if (!parseSize(*v, o.width, o.height)) {
        error = "--size takes WIDTHxHEIGHT, each 16 to 8192, not \"" + *v + "\"";
        return false;
      }
    } else if (a == "--fps") {
      if (!(v = value("a frame rate"))) return false;
      auto n = parseInteger(*v);
      if (!n || *n < 1 || *n > 240) {
        error = "--fps takes a whole number from 1 to 240, not \"" + *v + "\"";
        return false;
      }
      o.fps = *n;
    } else if (a == "--from" || a == "--to") {
      if (!(v = value("a number of seconds"))) return false;
      double s = 0;
      if (!parseSeconds(*v, s)) {
        error = a + " takes a number of seconds (0 or more), not \"" + *v + "\"";
        return false;
      }
      (a == "--from" ? o.from : o.to) = s;
    } else if (a == "--frames" || a == "--video") {
      if (!(v = value(a == "--frames" ? "a folder" : "a file name"))) return false;
      o.output = a == "--frames" ? CaptureOutput::Frames : CaptureOutput::Video;
      o.path = *v;
      ++outputs;
    } else if (a == "--frame-at") {
      if (!(v = value("a second and a PNG file name"))) return false;
      if (!parseSeconds(*v, o.frameAt)) {
        error = "--frame-at takes a number of seconds (0 or more), not \"" + *v + "\"";
        return false;
      }
      if (i + 1 >= args.size()) {
        error = "--frame-at needs a PNG file name after the second";
        return false;
      }
      o.output = CaptureOutput::FrameAt;
      o.path = args[++i];
      ++outputs;
    } else {
      error = "unknown option \"" + a + "\"";
      return false;
    }
  }
  if (outputs != 1) {
    error = outputs == 0 ? "say where the frames go: --frames, --video or --frame-at"
                         : "give only one of --frames, --video and --frame-at";
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
