// Start-up of the player on the bundled show: the wall time from starting the
// program to its first loading screen and to its first show frame, for each
// sound output, and the loading phase with the scene reader's share of it. The player writes the moments to its timing record
// (GLORBE_TRACE); it is stopped once the first frame is drawn.
//
// Needs an X display (xvfb-run) and the built show (GLORBE_SHOW, default the
// build's show folder). Outputs that cannot open (no PulseAudio server, no
// ALSA device) are reported as skipped. bench/startup.sh runs it with a
// PulseAudio server of its own.
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double nowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

std::string showDir() {
  const char* dir = std::getenv("GLORBE_SHOW");
  return dir != nullptr ? dir : GLORBE_SHOW_DIR;
}

// The startup lines of a timing record: event -> monotonic ms.
std::map<std::string, double> readStartupEvents(const std::string& path) {
  std::map<std::string, double> events;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string kind, event;
    double time = 0;
    if (fields >> kind >> event >> time && kind == "startup") events[event] = time;
  }
  return events;
}

struct Run {
  bool ok = false;
  std::string error;
  std::map<std::string, double> events;  // relative to the moment the program was started
};

Run runPlayerOnce(int soundDriver) {
  Run run;
  const std::string trace = "/tmp/glorbe-startup-" + std::to_string(getpid()) + ".trace";
  const std::string errors = trace + ".err";
  std::remove(trace.c_str());
  const std::string launcher = "fullscreen=0 soundDriver=" + std::to_string(soundDriver);
  const double start = nowMs();
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(showDir().c_str()) != 0) _exit(127);
    setenv("GLORBE_LAUNCHER", launcher.c_str(), 1);
    setenv("GLORBE_TRACE", trace.c_str(), 1);
    if (std::freopen(errors.c_str(), "w", stderr) == nullptr) _exit(127);
    execl(GLORBE_PLAYER, GLORBE_PLAYER, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  bool exited = false;
  while (nowMs() - start < 30000) {
    run.events = readStartupEvents(trace);
    if (run.events.count("first-frame") != 0) break;
    if (waitpid(child, &status, WNOHANG) == child) {
      exited = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (!exited) {
    kill(child, SIGTERM);
    const double stopAt = nowMs();
    while (waitpid(child, &status, WNOHANG) != child) {
      if (nowMs() - stopAt > 3000) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  run.ok = run.events.count("first-frame") != 0 && run.events.count("loading-screen") != 0;
  if (!run.ok) {
    std::ifstream in(errors);
    std::getline(in, run.error);
    if (run.error.empty()) run.error = "the player drew no frame";
  }
  for (auto& [event, time] : run.events) time -= start;
  std::remove(trace.c_str());
  std::remove(errors.c_str());
  return run;
}

// Arg: the sound output (0 SDL's default, 1 none, 2 PulseAudio, 3 ALSA).
void BM_PlayerStartup(benchmark::State& state) {
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("no X display (run under xvfb-run)");
    return;
  }
  std::map<std::string, double> sums;
  int runs = 0;
  for (auto _ : state) {
    const Run run = runPlayerOnce(static_cast<int>(state.range(0)));
    if (!run.ok) {
      state.SkipWithError(run.error.c_str());
      return;
    }
    state.SetIterationTime(run.events.at("first-frame") / 1000.0);
    for (const auto& [event, time] : run.events) sums[event] += time;
    ++runs;
  }
  for (const auto& [event, sum] : sums) state.counters[event + "_ms"] = sum / runs;
  // The loading phase as a whole, the scene reader's share of it, and what
  // the phase takes without that share (as before scenes were read).
  if (sums.count("loaded") != 0 && sums.count("scenes-read") != 0) {
    const double loading = (sums["loaded"] - sums["loading-screen"]) / runs;
    const double scenes = (sums["scenes-read"] - sums["scenes-start"]) / runs;
    state.counters["loading_phase_ms"] = loading;
    state.counters["scene_reader_ms"] = scenes;
    state.counters["loading_without_scenes_ms"] = loading - scenes;
  }
}

BENCHMARK(BM_PlayerStartup)
    ->ArgName("soundDriver")
    ->Arg(1)
    ->Arg(0)
    ->Arg(2)
    ->Arg(3)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
