// The standard streams of the show on Windows. The show is a GUI program, so
// that no console window opens beside it when it is started from Explorer.
// Such a program has standard streams only when its parent hands them over
// (a pipe or a file, as scripts and tests do); without them its messages
// would be lost, so they go to the console of the command prompt it was
// started from or, with none, to a log file.
#include "start_guards.h"

#include "gl_window.h"
#include "utf8_windows.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <sys/stat.h>

namespace {

// The log that standard output and error went to; empty when they went
// elsewhere.
std::wstring log_path;

// Whether standard output, a pipe, was switched to writes that never wait.
bool output_checked = false;

// The last part of the log that a failure's message box shows.
constexpr long k_log_tail_bytes = 2000;

// True when the parent handed the stream over: a pipe, a file or the null
// device (a character device that is no console).
bool stream_usable(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    if (!handle || handle == INVALID_HANDLE_VALUE) return false;
    const DWORD type = GetFileType(handle);
    DWORD mode = 0;
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE ||
           (type == FILE_TYPE_CHAR && !GetConsoleMode(handle, &mode));
}

// Points the C stream `stream` (descriptor `target`, 1 or 2) at the open
// descriptor `fd`, unbuffered so that output and error keep their order.
// msvcrt starts a GUI program without handles with its streams on no
// descriptor at all, and its freopen refuses such a stream, so the stream is
// given its descriptor directly (FILE is msvcrt's _iobuf).
void attach_stream(FILE* stream, int target, int fd)
{
    if (_dup2(fd, target) != 0) return;
    if (_fileno(stream) < 0) stream->_file = target;
    std::setvbuf(stream, nullptr, _IONBF, 0);
    SetStdHandle(target == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE,
                 reinterpret_cast<HANDLE>(_get_osfhandle(target)));
}

// Opens `path` for writing (the console or a log) and attaches the streams
// that need it; false when it cannot be opened.
bool attach_streams(const wchar_t* path, bool output, bool error, bool truncate)
{
    const int fd = _wopen(path, _O_WRONLY | _O_BINARY | (truncate ? _O_CREAT | _O_TRUNC : 0),
                          _S_IREAD | _S_IWRITE);
    if (fd < 0) return false;
    if (output) attach_stream(stdout, 1, fd);
    if (error) attach_stream(stderr, 2, fd);
    _close(fd);
    return true;
}

// krelan-demo.log beside the executable, or in the temporary folder when the
// executable's folder cannot be written (a read-only medium).
void open_log_beside_executable(bool output, bool error)
{
    wchar_t buffer[MAX_PATH + 1];
    std::wstring paths[2];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH + 1);
    if (length > 0 && length <= MAX_PATH) {
        paths[0].assign(buffer, length);
        const size_t dot = paths[0].find_last_of(L".\\/");
        if (dot != std::wstring::npos && paths[0][dot] == L'.') paths[0].erase(dot);
        paths[0] += L".log";
    }
    const DWORD temp_length = GetTempPathW(MAX_PATH + 1, buffer);
    if (temp_length > 0 && temp_length <= MAX_PATH)
        paths[1] = std::wstring(buffer, temp_length) + L"krelan-demo.log";
    for (const std::wstring& path : paths) {
        if (path.empty() || !attach_streams(path.c_str(), output, error, true)) continue;
        log_path = path;
        return;
    }
}

std::string log_tail()
{
    FILE* file = _wfopen(log_path.c_str(), L"rb");
    if (!file) return std::string();
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    const long start = size > k_log_tail_bytes ? size - k_log_tail_bytes : 0;
    std::fseek(file, start, SEEK_SET);
    std::string tail(static_cast<size_t>(size - start), '\0');
    tail.resize(std::fread(&tail[0], 1, tail.size(), file));
    std::fclose(file);
    return tail;
}

}  // namespace

void connect_standard_streams()
{
    const bool output = stream_usable(STD_OUTPUT_HANDLE);
    const bool error = stream_usable(STD_ERROR_HANDLE);
    if (output && error) return;
    // Started from a command prompt, the show writes to its console; with no
    // console at all, to the log.
    if (AttachConsole(ATTACH_PARENT_PROCESS) && attach_streams(L"CONOUT$", !output, !error, false))
        return;
    open_log_beside_executable(!output, !error);
}

void guard_standard_streams() {}

void write_output_now(const char* text, size_t length)
{
    const intptr_t os_handle = _get_osfhandle(_fileno(stdout));
    if (os_handle == -1 || os_handle == -2) return;
    HANDLE handle = reinterpret_cast<HANDLE>(os_handle);
    // A pipe is switched to writes that never wait: a reader that does not
    // read loses the line instead of stopping the show.
    if (!output_checked) {
        output_checked = true;
        DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
        if (GetFileType(handle) == FILE_TYPE_PIPE)
            SetNamedPipeHandleState(handle, &mode, nullptr, nullptr);
    }
    DWORD written = 0;
    WriteFile(handle, text, static_cast<DWORD>(length), &written, nullptr);
}

void report_exit(int status)
{
    if (status == 0 || log_path.empty()) return;
    std::fflush(stderr);
    std::fflush(stdout);
    const std::wstring message = L"krelan-demo ended with status " + std::to_wstring(status) +
                                 L".\n\n" + utf8_to_wide(log_tail()) + L"\nThe whole log: " +
                                 log_path;
    const std::wstring title = utf8_to_wide(k_window_title);
    MessageBoxW(nullptr, message.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}
