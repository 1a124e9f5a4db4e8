// Watching a folder tree for files that change on disk (Linux inotify), for
// the player's live mode: every file written and closed, moved in, created
// or removed anywhere below the folder is reported by its path relative to
// it. Folders made later are watched as they appear.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace glorbe {

struct FileWatch {
  int handle = -1;                         // the inotify descriptor, -1 when not watching
  std::string root;                        // the watched folder
  std::map<int, std::string> folders;      // watch descriptor -> folder relative to root ("" for root)
};

// Starts watching `folder` and every folder below it. False (with the
// system's reason in `error`) when the folder cannot be watched.
bool startFileWatch(FileWatch& watch, const std::string& folder, std::string& error);

// The files changed since the last call, relative to the root with "/"
// between folders, each once, in the order first seen. Never waits.
std::vector<std::string> takeFileChanges(FileWatch& watch);

// Stops watching; a watch that never started is left alone.
void stopFileWatch(FileWatch& watch);

}  // namespace glorbe
