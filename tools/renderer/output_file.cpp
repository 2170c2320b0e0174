#include "output_file.h"

#include "child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Fixed storage so the signal handler can remove the files without allocating.
constexpr int k_max_temps = 16;
constexpr size_t k_max_path = 4096;
char temp_paths[k_max_temps][k_max_path];
volatile sig_atomic_t temp_used[k_max_temps];
bool cleanup_installed = false;

void on_signal(int signal)
{
    // ffmpeg first: it may still be writing the files about to be removed.
    end_children();
    discard_outputs();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void install_cleanup()
{
    if (cleanup_installed) return;
    cleanup_installed = true;
    std::atexit(discard_outputs);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, on_signal);
}

bool remember(const std::string& path)
{
    install_cleanup();
    if (path.size() >= k_max_path) return false;
    for (int i = 0; i < k_max_temps; ++i) {
        if (temp_used[i]) continue;
        std::memcpy(temp_paths[i], path.c_str(), path.size() + 1);
        temp_used[i] = 1;
        return true;
    }
    return false;
}

void forget(const std::string& path)
{
    for (int i = 0; i < k_max_temps; ++i)
        if (temp_used[i] && path == temp_paths[i]) temp_used[i] = 0;
}

std::string error_text(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

void discard_outputs()
{
    for (int i = 0; i < k_max_temps; ++i) {
        if (!temp_used[i]) continue;
        unlink(temp_paths[i]);
        temp_used[i] = 0;
    }
}

namespace {

// The existing output must be a regular file (or a link to one, which the
// rename then replaces): a folder, device, FIFO or socket there is refused.
bool output_path_usable(const std::string& path, std::string* error)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return true;  // absent (or unreachable: open says why)
    if (S_ISREG(st.st_mode)) return true;
    const char* kind = S_ISDIR(st.st_mode)                          ? "a directory"
                       : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device"
                       : S_ISFIFO(st.st_mode)                       ? "a FIFO"
                                                                    : "not a regular file";
    *error = "cannot write " + path + ": it is " + kind + ", not a regular file";
    return false;
}

// Hidden, unpredictable and short whatever the output's name, so a name that
// fits the filesystem still fits with the temporary name; keeps the output's
// extension (ffmpeg picks the container by it) unless that alone is long.
std::string temp_pattern(const std::string& path, size_t* suffix_length)
{
    const std::filesystem::path out(path);
    std::string extension = out.extension().string();
    if (extension.size() > 16) extension.clear();
    *suffix_length = extension.size();
    std::filesystem::path pattern = out;
    pattern.replace_filename(".krelan-XXXXXX" + extension);
    return pattern.string();
}

}  // namespace

std::string reserve_output(const std::string& path, std::string* error)
{
    if (path.empty()) {
        *error = "the output path is empty";
        return "";
    }
    if (!output_path_usable(path, error)) return "";
    size_t suffix_length = 0;
    std::string temp = temp_pattern(path, &suffix_length);
    // mkostemps creates the file exclusively (O_EXCL): a planted link or file
    // of that name makes it pick another name, never follow the link.
    int fd = mkostemps(&temp[0], static_cast<int>(suffix_length), O_CLOEXEC);
    if (fd < 0) {
        *error = error_text("cannot write", path);
        return "";
    }
    // mkostemps makes the file readable by its owner alone; an output gets
    // the permissions a plain create would give it under the umask.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    if (!remember(temp)) {
        unlink(temp.c_str());
        *error = "too many outputs at once";
        return "";
    }
    return temp;
}

bool commit_output(const std::string& temp, const std::string& path, std::string* error)
{
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        *error = error_text("cannot write", path);
        unlink(temp.c_str());
        forget(temp);
        return false;
    }
    forget(temp);
    return true;
}

namespace {

// 0, or the errno of the failure.
int write_all(const std::string& path, const std::string& bytes)
{
    // The file was made by us; a link put in its place is not followed.
    int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return errno;
    size_t done = 0;
    int failure = 0;
    while (!failure && done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            failure = n < 0 ? errno : EIO;
        else
            done += static_cast<size_t>(n);
    }
    if (close(fd) != 0 && !failure) failure = errno;
    return failure;
}

}  // namespace

bool write_whole_file(const std::string& path, const std::string& bytes, std::string* error)
{
    const int failure = write_all(path, bytes);
    if (failure) *error = "cannot write " + path + ": " + std::strerror(failure);
    return failure == 0;
}

bool commit_output_bytes(const std::string& temp, const std::string& path, const std::string& bytes,
                         std::string* error)
{
    const int failure = write_all(temp, bytes);
    if (failure) {
        *error = "cannot write " + path + ": " + std::strerror(failure);
        unlink(temp.c_str());
        forget(temp);
        return false;
    }
    return commit_output(temp, path, error);
}

std::string make_scratch_file(const char* suffix, std::string* error)
{
    const char* tmpdir = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmpdir && *tmpdir ? tmpdir : "/tmp") + "/krelan-XXXXXX" + suffix;
    std::string buffer = pattern;
    int fd = mkstemps(&buffer[0], static_cast<int>(std::strlen(suffix)));
    if (fd < 0) {
        *error = error_text("cannot create a temporary file in", pattern);
        return "";
    }
    close(fd);
    if (!remember(buffer)) {
        unlink(buffer.c_str());
        *error = "too many temporary files at once";
        return "";
    }
    return buffer;
}

bool track_scratch_file(const std::string& path, std::string* error)
{
    if (remember(path)) return true;
    *error = "too many temporary files at once";
    return false;
}

void remove_scratch_file(const std::string& path)
{
    unlink(path.c_str());
    forget(path);
}
