// Scratch folders and generated files for tests.
#pragma once

#include <filesystem>
#include <string>

namespace glorbe::testing {

// A fresh empty folder under the system's temporary folder, removed with the object.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& relative) const { return (path_ / relative).string(); }
  // Writes bytes to a file below the folder, creating parent folders.
  void write(const std::string& relative, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

// Runs a body with the working directory changed, restoring it afterwards.
class WorkingDir {
 public:
  explicit WorkingDir(const std::filesystem::path& dir);
  ~WorkingDir();

 private:
  std::filesystem::path saved_;
};

}  // namespace glorbe::testing
