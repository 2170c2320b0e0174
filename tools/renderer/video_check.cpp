#include "video_check.h"

#include "child_process.h"
#include "encoder.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

// Runs `args` and returns what it wrote on standard output (at most 4 KiB)
// and its exit status; false when it could not be run.
bool run_for_output(const std::vector<std::string>& args, std::string* out, int* status)
{
    pid_t pid = -1;
    int fd = -1;
    if (spawn_piped(args, STDOUT_FILENO, &pid, &fd) != 0) return false;
    char buffer[512];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        if (out->size() < 4096) out->append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    *status = wait_exit_status(pid);
    return true;
}

}  // namespace

bool check_video(const std::string& ffprobe, const std::string& path, int64_t frames,
                 std::string* error)
{
    // Counting packets reads the container's index and demuxes the stream
    // without decoding it: quick even for a long video.
    const std::vector<std::string> args = {ffprobe,         "-v",
                                           "error",         "-select_streams",
                                           "v:0",           "-count_packets",
                                           "-show_entries", "stream=nb_read_packets",
                                           "-of",           "csv=p=0",
                                           media_path(path)};
    std::string out;
    int status = -1;
    if (!run_for_output(args, &out, &status)) {
        *error = "cannot run " + ffprobe + " to check the video";
        return false;
    }
    const std::string expected = std::to_string(frames);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    if (status != 0 || out != expected) {
        *error = "ffmpeg did not write a playable video (" +
                 (status != 0 ? std::string("ffprobe cannot read it")
                              : "it holds " + (out.empty() ? std::string("no") : out) +
                                    " frames, not " + expected) +
                 "); the disk may be full";
        return false;
    }
    return true;
}
