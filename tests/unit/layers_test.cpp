// The engine's folders include each other one way only: every quoted include
// in src/ must be an edge that the table of docs/architecture.md allows, and
// the headers of the operating system and of the window and sound libraries
// are included in platform/ alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace glorbe {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceRoot = fs::path(GLORBE_SOURCE_DIR);

struct LayerTable {
  std::vector<std::string> order;                       // bottom to top, as the rows are written
  std::map<std::string, std::set<std::string>> allowed;  // folder -> folders it may include
};

// The rows "| `folder/` | `a/`, `b/` |" of the section "Allowed includes".
LayerTable readLayerTable() {
  std::ifstream in(kSourceRoot / "docs" / "architecture.md");
  LayerTable table;
  std::string line;
  bool inSection = false;
  const std::regex row(R"(^\|\s*`([a-z0-9_]+)/`\s*\|(.*)\|\s*$)");
  const std::regex folder(R"(`([a-z0-9_]+)/`)");
  while (std::getline(in, line)) {
    if (line.rfind("## ", 0) == 0) inSection = line == "## Allowed includes";
    std::smatch m;
    if (!inSection || !std::regex_match(line, m, row)) continue;
    const std::string from = m[1];
    const std::string targets = m[2];
    table.order.push_back(from);
    auto& set = table.allowed[from];
    for (std::sregex_iterator it(targets.begin(), targets.end(), folder), end; it != end; ++it) set.insert((*it)[1]);
  }
  return table;
}

struct Include {
  std::string file;  // relative to src/
  int line;
  std::string path;
};

std::vector<Include> includesOf(const fs::path& root, bool quoted) {
  std::vector<Include> out;
  const std::regex directive(quoted ? R"re(^\s*#\s*include\s*"([^"]+)")re" : R"re(^\s*#\s*include\s*<([^>]+)>)re");
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const std::string ext = entry.path().extension().string();
    if (ext != ".h" && ext != ".cpp") continue;
    std::ifstream in(entry.path());
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      std::smatch m;
      if (std::regex_search(line, m, directive)) {
        out.push_back({fs::relative(entry.path(), root).generic_string(), number, m[1]});
      }
    }
  }
  return out;
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.find('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

TEST(Layers, TheTableListsEveryFolderAndPointsOnlyDown) {
  const LayerTable table = readLayerTable();
  ASSERT_FALSE(table.order.empty()) << "no table under \"## Allowed includes\" in docs/architecture.md";
  std::set<std::string> below;
  for (const std::string& folder : table.order) {
    for (const std::string& target : table.allowed.at(folder)) {
      EXPECT_TRUE(below.count(target)) << folder << "/ may include " << target
                                       << "/, which is not a row above it: the layers would not be one-way";
    }
    below.insert(folder);
  }
  for (const auto& entry : fs::directory_iterator(kSourceRoot / "src")) {
    if (!entry.is_directory()) continue;
    const std::string folder = entry.path().filename().string();
    EXPECT_TRUE(table.allowed.count(folder)) << "src/" << folder << "/ has no row in the table";
  }
}

TEST(Layers, EveryIncludeFollowsTheTable) {
  const LayerTable table = readLayerTable();
  ASSERT_FALSE(table.order.empty());
  const fs::path src = kSourceRoot / "src";
  int checked = 0;
  for (const Include& inc : includesOf(src, true)) {
    const std::string from = folderOf(inc.file);
    const std::string to = folderOf(inc.path);
    const std::string where = "src/" + inc.file + ":" + std::to_string(inc.line) + " includes \"" + inc.path + "\"";
    ++checked;
    if (to.empty() || !fs::exists(src / inc.path)) {
      ADD_FAILURE() << where << ": includes name a file of src/ by its folder";
      continue;
    }
    if (from == to) continue;
    const auto row = table.allowed.find(from);
    if (row == table.allowed.end() || !row->second.count(to)) {
      ADD_FAILURE() << where << ": " << from << "/ may not include " << to << "/ (docs/architecture.md)";
    }
  }
  EXPECT_GT(checked, 100) << "the walk found the sources";
}

TEST(Layers, SystemAndLibraryHeadersStayInPlatform) {
  const std::regex platformOnly(R"(^(unistd\.h|fcntl\.h|dirent\.h|sys/.*|X11/.*|FL/.*|SDL2?/.*|SDL\.h|mpg123\.h|fontconfig/.*|cpuid\.h|pthread\.h|dlfcn\.h)$)");
  for (const Include& inc : includesOf(kSourceRoot / "src", false)) {
    if (folderOf(inc.file) == "platform") continue;
    EXPECT_FALSE(std::regex_match(inc.path, platformOnly))
        << "src/" << inc.file << ":" << inc.line << " includes <" << inc.path << ">: only platform/ talks to the system";
  }
}

}  // namespace
}  // namespace glorbe
