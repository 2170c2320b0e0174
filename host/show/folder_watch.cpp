#include "folder_watch.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#ifdef __linux__
#include <sys/inotify.h>
#endif

namespace {

// A file's modification time in ns, as finely as the system keeps it.
int64_t modified_ns(const struct stat& info)
{
#ifdef __linux__
    return int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
#else
    return int64_t(info.st_mtime) * 1000000000;
#endif
}

}  // namespace

FolderSnapshot take_folder_snapshot(const std::vector<std::string>& folders)
{
    FolderSnapshot snapshot;
    for (const std::string& folder : folders) {
        DIR* dir = opendir(folder.c_str());
        if (!dir) continue;
        while (const dirent* entry = readdir(dir)) {
            const std::string path = folder + "/" + entry->d_name;
            struct stat info;
            if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
            snapshot[path] = {modified_ns(info), int64_t(info.st_size)};
        }
        closedir(dir);
    }
    return snapshot;
}

namespace {

#ifdef __linux__
// What an editor's save does to a folder: writes a file in place and closes
// it, or writes another and moves it over the first; or removes a file.
constexpr uint32_t k_saved_events =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE | IN_ATTRIB;

bool start_inotify(FolderWatch* watch)
{
    watch->inotify_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch->inotify_fd < 0) return false;
    int watched = 0;
    for (const std::string& folder : watch->folders)
        if (inotify_add_watch(watch->inotify_fd, folder.c_str(), k_saved_events) >= 0) ++watched;
    if (watched > 0) return true;
    close(watch->inotify_fd);
    watch->inotify_fd = -1;
    return false;
}

// Drains every pending event; true if there was any.
bool drain_inotify(int fd)
{
    bool any = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            any = true;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return any;  // EAGAIN: nothing more for now
    }
}
#else
// No inotify here: the folders are polled.
bool start_inotify(FolderWatch*) { return false; }
bool drain_inotify(int) { return false; }
#endif

}  // namespace

void watch_folders(const std::vector<std::string>& folders, WatchMode mode, FolderWatch* watch)
{
    stop_watching(watch);
    watch->folders = folders;
    if (mode == WATCH_INOTIFY && start_inotify(watch)) return;
    watch->snapshot = take_folder_snapshot(folders);
}

bool folders_changed(FolderWatch* watch, int64_t now_ms)
{
    if (watch->inotify_fd >= 0) return drain_inotify(watch->inotify_fd);
    if (now_ms < watch->next_poll_ms) return false;
    watch->next_poll_ms = now_ms + k_poll_interval_ms;
    FolderSnapshot now = take_folder_snapshot(watch->folders);
    if (now == watch->snapshot) return false;
    watch->snapshot = std::move(now);
    return true;
}

bool watch_uses_inotify(const FolderWatch& watch) { return watch.inotify_fd >= 0; }

void stop_watching(FolderWatch* watch)
{
    if (watch->inotify_fd >= 0) close(watch->inotify_fd);
    *watch = FolderWatch();
}
