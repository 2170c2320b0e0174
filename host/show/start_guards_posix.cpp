// The standard streams of the show on Linux and other POSIX systems.
#include "start_guards.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

void connect_standard_streams() { std::signal(SIGPIPE, SIG_IGN); }

void guard_standard_streams()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open() returns the lowest free number: this one.
        const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened != fd && opened >= 0) close(opened);
    }
}

void write_output_now(const char* text, size_t length)
{
    pollfd out = {STDOUT_FILENO, POLLOUT, 0};
    if (poll(&out, 1, 0) != 1 || !(out.revents & POLLOUT)) return;
    // One write of a short text; a failure (closed pipe, full disk) is ignored.
    if (write(STDOUT_FILENO, text, length) < 0) return;
}

void report_exit(int) {}
