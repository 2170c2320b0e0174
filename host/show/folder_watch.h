// Watching folders for saved files, for krelan-demo --live: through inotify
// where the system has it, otherwise by looking at every file's time and
// size every 250 ms. Asked between frames; never blocks. No SDL, no GL.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum WatchMode {
    WATCH_INOTIFY,  // inotify, or polling where inotify cannot start
    WATCH_POLL,     // polling only
};

// Every file's modification time (ns) and size, by path.
using FolderSnapshot = std::map<std::string, std::pair<int64_t, int64_t>>;

struct FolderWatch {
    std::vector<std::string> folders;
    int inotify_fd = -1;  // -1: polling
    FolderSnapshot snapshot;
    int64_t next_poll_ms = 0;
};

// The regular files of `folders` (missing folders are skipped).
FolderSnapshot take_folder_snapshot(const std::vector<std::string>& folders);

// How often polling looks.
constexpr int64_t k_poll_interval_ms = 250;

// Starts watching `folders` (a missing one is skipped). Polling when `mode`
// asks for it or inotify cannot start.
void watch_folders(const std::vector<std::string>& folders, WatchMode mode, FolderWatch* watch);

// Whether a file in the folders was written, created, moved in, removed or
// changed since the last call (or since watching began). At most one look at
// the folders per k_poll_interval_ms when polling; `now_ms` is a monotonic
// clock's time.
bool folders_changed(FolderWatch* watch, int64_t now_ms);

// Whether the watch runs on inotify.
bool watch_uses_inotify(const FolderWatch& watch);

void stop_watching(FolderWatch* watch);
