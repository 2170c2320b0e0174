#include "child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Children not yet reaped, in fixed storage so that a signal handler can end
// them without allocating. 0 is a free slot.
constexpr int k_max_children = 4;
volatile sig_atomic_t child_pids[k_max_children];

// How long a child has to end after SIGTERM before SIGKILL.
constexpr int k_grace_ms = 3000;

void remember(pid_t pid)
{
    static bool at_exit_installed = false;
    if (!at_exit_installed) {
        at_exit_installed = true;
        std::atexit(end_children);
    }
    for (int i = 0; i < k_max_children; ++i) {
        if (child_pids[i] != 0) continue;
        child_pids[i] = pid;
        return;
    }
}

void forget(pid_t pid)
{
    for (int i = 0; i < k_max_children; ++i)
        if (child_pids[i] == pid) child_pids[i] = 0;
}

void sleep_ms(long ms)
{
    timespec t{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

// True once the child has been reaped (or is not ours to reap).
bool reaped_within(pid_t pid, int ms)
{
    for (int waited = 0;; waited += 10) {
        const pid_t r = waitpid(pid, nullptr, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) return true;
        if (waited >= ms) return false;
        sleep_ms(10);
    }
}

// Only async-signal-safe calls: end_children runs in signal handlers.
void stop_and_reap(pid_t pid)
{
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    if (!reaped_within(pid, k_grace_ms)) {
        kill(pid, SIGKILL);
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

}  // namespace

std::string find_on_path(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return "";
}

int spawn_piped(const std::vector<std::string>& args, int child_fd, pid_t* pid, int* our_end)
{
    // A child that closes its input must fail our writes, not end the renderer.
    if (child_fd == STDIN_FILENO) std::signal(SIGPIPE, SIG_IGN);
    int fds[2];  // [0] reads, [1] writes
    if (pipe2(fds, O_CLOEXEC) != 0) return errno;
    const int child_end = child_fd == STDIN_FILENO ? fds[0] : fds[1];
    *our_end = child_fd == STDIN_FILENO ? fds[1] : fds[0];
    // dup2 clears close-on-exec on the child's copy alone.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, child_end, child_fd);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int failure = posix_spawnp(pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(child_end);
    if (failure != 0) {
        close(*our_end);
        *our_end = -1;
        return failure;
    }
    remember(*pid);
    return 0;
}

ChildWrite write_to_child(int fd, const void* bytes, size_t size, int stall_ms)
{
    // Without O_NONBLOCK a write into a full pipe waits for as long as the
    // reader takes nothing, which for a hung child is forever.
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0 && !(flags & O_NONBLOCK)) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    const char* data = static_cast<const char*>(bytes);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd ready{fd, POLLOUT, 0};
            const int r = poll(&ready, 1, stall_ms);
            if (r == 0) return CHILD_WRITE_STALLED;
            if (r < 0 && errno != EINTR) return CHILD_WRITE_CLOSED;
            continue;  // room, or the reader is gone and the write says so
        }
        return CHILD_WRITE_CLOSED;
    }
    return CHILD_WRITE_DONE;
}

int wait_exit_status(pid_t pid)
{
    int raw = 0;
    pid_t r;
    while ((r = waitpid(pid, &raw, 0)) < 0 && errno == EINTR) {
    }
    forget(pid);
    if (r < 0) return -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

void end_child(pid_t pid)
{
    stop_and_reap(pid);
    forget(pid);
}

void end_children()
{
    for (int i = 0; i < k_max_children; ++i) {
        const pid_t pid = child_pids[i];
        if (pid == 0) continue;
        stop_and_reap(pid);
        child_pids[i] = 0;
    }
}
