#include "encoder.h"

#include "child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <unistd.h>

#ifdef _WIN32
// PATH's folders are separated by ';' and programs end in .exe.
constexpr char k_path_separator = ';';
constexpr const char* k_program_suffix = ".exe";
constexpr int k_runnable = F_OK;  // Windows has no execute permission to test
#else
constexpr char k_path_separator = ':';
constexpr const char* k_program_suffix = "";
constexpr int k_runnable = X_OK;
#endif

std::string find_on_path(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, k_path_separator);) {
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name + k_program_suffix;
        if (access(candidate.c_str(), k_runnable) == 0) return candidate;
    }
    return "";
}

namespace {

std::string rate_text(double fps)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", fps);
    return text;
}

}  // namespace

bool start_encoder(const std::string& ffmpeg, double fps, const std::string& audio,
                   const std::string& out, Encoder* encoder, std::string* error)
{
    const std::string rate = rate_text(fps);
    // One line per group of ffmpeg options.
    // clang-format off
    const std::vector<std::string> args = {
        ffmpeg, "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", "1920x1080", "-framerate", rate,
        "-i", "pipe:0", "-i", audio,
        "-map", "0:v:0", "-map", "1:a:0",
        "-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt", "yuv420p",
        "-r", rate, "-c:a", "aac", "-b:a", "192k", "-ar", "48000",
        "-map_metadata", "-1", "-fflags", "+bitexact", "-flags:v", "+bitexact",
        "-flags:a", "+bitexact", out};
    // clang-format on
#ifdef SIGPIPE
    // A closed pipe must fail the write, not end the renderer.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // ffmpeg reads the frames from its standard input.
    pid_t pid = -1;
    int frames_fd = -1;
    const int failure = spawn_piped(args, STDIN_FILENO, &pid, &frames_fd);
    if (failure != 0) {
        *error = "cannot run " + ffmpeg + ": " + std::strerror(failure);
        return false;
    }
    encoder->pid = pid;
    encoder->fd = frames_fd;
    return true;
}

bool feed_encoder(Encoder* encoder, const std::vector<unsigned char>& rgb, std::string* error)
{
    size_t done = 0;
    while (done < rgb.size()) {
        ssize_t n = write(encoder->fd, rgb.data() + done, rgb.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *error = "ffmpeg stopped reading frames";
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool finish_encoder(Encoder* encoder, std::string* error)
{
    if (encoder->fd >= 0) close(encoder->fd);
    encoder->fd = -1;
    const int status = wait_exit_status(encoder->pid);
    encoder->pid = -1;
    if (status != 0) {
        *error = "ffmpeg failed to encode the video";
        return false;
    }
    return true;
}
