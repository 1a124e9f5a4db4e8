#include "test_files.h"

#include <fstream>
#include <random>

namespace glorbe::testing {

ScratchDir::ScratchDir() {
  std::random_device rd;
  for (;;) {
    path_ = std::filesystem::temp_directory_path() / ("glorbe-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void ScratchDir::write(const std::string& relative, const std::string& bytes) const {
  const auto p = path_ / relative;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

WorkingDir::WorkingDir(const std::filesystem::path& dir) : saved_(std::filesystem::current_path()) {
  std::filesystem::current_path(dir);
}

WorkingDir::~WorkingDir() { std::filesystem::current_path(saved_); }

}  // namespace glorbe::testing
