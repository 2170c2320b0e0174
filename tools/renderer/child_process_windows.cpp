// The renderer's helper programs on Windows: found on PATH as .exe files,
// started with CreateProcess and one end of a pipe as their standard input
// or output. A pid_t here holds the child's process handle. The child
// inherits its three standard handles and nothing else of ours.
//
// The pipe a child reads from is a named pipe whose end of ours does
// overlapped I/O, so that a write can wait for the child with a timeout
// (anonymous pipes only block). The pipe a child writes to is an anonymous
// one read with the C runtime's read().
#include "child_process.h"

#include "utf8_windows.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cwctype>
#include <fcntl.h>
#include <io.h>
#include <string>

namespace {

// Children not yet reaped, in fixed storage: the console handler (a thread
// of its own) ends them while the main thread may be waiting for one.
// Null is a free slot; whoever empties a slot owns its handle.
constexpr int k_max_children = 4;
std::atomic<HANDLE> child_handles[k_max_children];

// Set once end_children has begun, with the thread it runs on: the process
// is on its way out, and a handle that end_children took is no longer the
// main thread's to close.
std::atomic<bool> ending{false};
std::atomic<DWORD> ending_thread{0};

// How long a terminated child has to be gone.
constexpr DWORD k_end_wait_ms = 5000;

// The buffer of a child's input pipe and the most one overlapped write
// hands it, so that a write completes whenever the child has taken that much.
constexpr DWORD k_pipe_bytes = 1 << 20;
constexpr size_t k_write_chunk = 256 * 1024;

void remember(HANDLE process)
{
    static bool at_exit_installed = false;
    if (!at_exit_installed) {
        at_exit_installed = true;
        std::atexit(end_children);
    }
    for (std::atomic<HANDLE>& slot : child_handles) {
        HANDLE empty = nullptr;
        if (slot.compare_exchange_strong(empty, process)) return;
    }
}

// Takes the child out of the table and closes its handle, unless
// end_children has taken it meanwhile.
void forget_and_close(HANDLE process)
{
    for (std::atomic<HANDLE>& slot : child_handles) {
        HANDLE expected = process;
        if (slot.compare_exchange_strong(expected, nullptr)) {
            CloseHandle(process);
            return;
        }
    }
    if (!ending) CloseHandle(process);  // never in the table (it was full)
}

// When the console handler (another thread) is ending the children, the
// process exits as soon as it is done: a child's end that this caused (a
// closed pipe, a status) is not a failure to report, so the calling thread
// waits for the exit instead, as a POSIX signal handler would never return.
void wait_for_exit_if_ending()
{
    if (ending && ending_thread != GetCurrentThreadId()) Sleep(INFINITE);
}

// Windows has no request to end that a console program must honour, and a
// helper's output is discarded when it is ended: it is terminated at once.
void stop(HANDLE process)
{
    TerminateProcess(process, 1);
    WaitForSingleObject(process, k_end_wait_ms);
}

int errno_of(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_BAD_EXE_FORMAT: return ENOEXEC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    default: return EIO;
    }
}

// True when `path` leads (through any links) to a file on a disk that is
// not a folder.
bool regular_file(const std::wstring& path)
{
    HANDLE file =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool regular = GetFileType(file) == FILE_TYPE_DISK &&
                         GetFileInformationByHandle(file, &info) &&
                         !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(file);
    return regular;
}

bool ends_with_exe(const std::wstring& name)
{
    if (name.size() < 4) return false;
    std::wstring end = name.substr(name.size() - 4);
    for (wchar_t& c : end) c = static_cast<wchar_t>(std::towlower(c));
    return end == L".exe";
}

// One argument as the C runtime of the child splits a command line:
// backslashes are doubled only where a quote follows them.
std::wstring quoted(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L'"';
}

// An inheritable copy of `handle` (a standard handle may not be inheritable);
// null when there is none.
HANDLE inheritable(HANDLE handle)
{
    HANDLE copy = nullptr;
    if (!handle || handle == INVALID_HANDLE_VALUE) return nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return nullptr;
    return copy;
}

// The program to start: args[0] itself when it names a path, else the .exe
// of that name found on PATH (CreateProcess's own search would try the
// executable's and the current folder first); "" when there is none.
std::wstring program_path(const std::string& name)
{
    if (name.find_first_of("/\\:") != std::string::npos) return utf8_to_wide(name);
    return utf8_to_wide(find_on_path(name));
}

// Starts the child with `streams` (input, output, error) as its standard
// handles, inheriting only those; 0 or an errno.
int start_child(const std::vector<std::string>& args, HANDLE streams[3], HANDLE* process)
{
    const std::wstring program = program_path(args[0]);
    if (program.empty()) return ENOENT;
    std::wstring command;
    for (const std::string& a : args)
        command += (command.empty() ? L"" : L" ") + quoted(utf8_to_wide(a));

    HANDLE inherited[3];
    DWORD count = 0;
    for (int i = 0; i < 3; ++i)
        if (streams[i]) inherited[count++] = streams[i];
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> list_storage(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list_storage.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return errno_of(GetLastError());
    int failure = 0;
    if (count > 0 &&
        !UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                   count * sizeof(HANDLE), nullptr, nullptr))
        failure = errno_of(GetLastError());

    STARTUPINFOEXW startup = {};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = streams[0];
    startup.StartupInfo.hStdOutput = streams[1];
    startup.StartupInfo.hStdError = streams[2];
    startup.lpAttributeList = list;
    PROCESS_INFORMATION info = {};
    if (!failure && !CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, TRUE,
                                    EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                                    &startup.StartupInfo, &info))
        failure = errno_of(GetLastError());
    DeleteProcThreadAttributeList(list);
    if (failure) return failure;
    CloseHandle(info.hThread);
    *process = info.hProcess;
    return 0;
}

// A pipe that the child reads: our end (overlapped, not inheritable) and
// the child's (inheritable). False with the errno in *failure.
bool make_input_pipe(HANDLE* ours, HANDLE* childs, int* failure)
{
    static std::atomic<unsigned> serial{0};
    const std::wstring name = L"\\\\.\\pipe\\krelan-render-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(serial++) + L"-" + std::to_wstring(GetTickCount());
    // One instance, made by us: nobody else can take the name, and once the
    // child's end is open nobody else can connect.
    *ours = CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, k_pipe_bytes, k_pipe_bytes, 0,
        nullptr);
    if (*ours == INVALID_HANDLE_VALUE) {
        *failure = errno_of(GetLastError());
        return false;
    }
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    *childs = CreateFileW(name.c_str(), GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, nullptr);
    if (*childs == INVALID_HANDLE_VALUE) {
        *failure = errno_of(GetLastError());
        CloseHandle(*ours);
        return false;
    }
    return true;
}

// A pipe that the child writes: our end (not inheritable) and the child's.
bool make_output_pipe(HANDLE* ours, HANDLE* childs, int* failure)
{
    HANDLE write_end = nullptr;
    if (!CreatePipe(ours, &write_end, nullptr, 0)) {
        *failure = errno_of(GetLastError());
        return false;
    }
    *childs = inheritable(write_end);
    CloseHandle(write_end);
    if (*childs) return true;
    *failure = errno_of(GetLastError());
    CloseHandle(*ours);
    return false;
}

}  // namespace

std::string find_on_path(const std::string& name)
{
    const DWORD length = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::wstring path(length, L'\0');
    path.resize(GetEnvironmentVariableW(L"PATH", &path[0], length));
    std::wstring file = utf8_to_wide(name);
    if (!ends_with_exe(file)) file += L".exe";
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find(L';', start);
        if (end == std::wstring::npos) end = path.size();
        std::wstring dir = path.substr(start, end - start);
        start = end + 1;
        // A folder may be written in quotes; an empty entry names none.
        dir.erase(std::remove(dir.begin(), dir.end(), L'"'), dir.end());
        if (dir.empty()) continue;
        if (dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
        if (regular_file(dir + file)) return wide_to_utf8(dir + file);
    }
    return "";
}

int spawn_piped(const std::vector<std::string>& args, int child_fd, pid_t* pid, int* our_end)
{
    *our_end = -1;
    const bool to_input = child_fd == 0;
    HANDLE mine = nullptr, childs = nullptr;
    int failure = 0;
    if (!(to_input ? make_input_pipe(&mine, &childs, &failure)
                   : make_output_pipe(&mine, &childs, &failure)))
        return failure;

    HANDLE streams[3] = {to_input ? childs : inheritable(GetStdHandle(STD_INPUT_HANDLE)),
                         to_input ? inheritable(GetStdHandle(STD_OUTPUT_HANDLE)) : childs,
                         inheritable(GetStdHandle(STD_ERROR_HANDLE))};
    HANDLE process = nullptr;
    failure = start_child(args, streams, &process);
    for (HANDLE h : streams)
        if (h) CloseHandle(h);
    if (failure) {
        CloseHandle(mine);
        return failure;
    }
    *our_end = _open_osfhandle(reinterpret_cast<intptr_t>(mine),
                               (to_input ? _O_WRONLY : _O_RDONLY) | _O_BINARY);
    if (*our_end < 0) {
        CloseHandle(mine);
        stop(process);
        CloseHandle(process);
        return EMFILE;
    }
    remember(process);
    *pid = reinterpret_cast<pid_t>(process);
    return 0;
}

ChildWrite write_to_child(int fd, const void* bytes, size_t size, int stall_ms)
{
    const HANDLE pipe = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (pipe == INVALID_HANDLE_VALUE) return CHILD_WRITE_CLOSED;
    OVERLAPPED write = {};
    write.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!write.hEvent) return CHILD_WRITE_CLOSED;
    const char* data = static_cast<const char*>(bytes);
    ChildWrite result = CHILD_WRITE_DONE;
    for (size_t done = 0; done < size;) {
        const DWORD chunk = static_cast<DWORD>(std::min(size - done, k_write_chunk));
        DWORD written = 0;
        if (!WriteFile(pipe, data + done, chunk, nullptr, &write) &&
            GetLastError() != ERROR_IO_PENDING) {
            result = CHILD_WRITE_CLOSED;  // the child's end is closed
            break;
        }
        if (WaitForSingleObject(write.hEvent, static_cast<DWORD>(stall_ms)) == WAIT_TIMEOUT) {
            // The write is cancelled and waited for: the bytes stay ours.
            CancelIo(pipe);
            GetOverlappedResult(pipe, &write, &written, TRUE);
            result = CHILD_WRITE_STALLED;
            break;
        }
        if (!GetOverlappedResult(pipe, &write, &written, FALSE) || written == 0) {
            result = CHILD_WRITE_CLOSED;
            break;
        }
        done += written;
    }
    CloseHandle(write.hEvent);
    if (result != CHILD_WRITE_DONE) wait_for_exit_if_ending();
    return result;
}

int wait_exit_status(pid_t pid)
{
    HANDLE process = reinterpret_cast<HANDLE>(pid);
    DWORD code = 0;
    const bool waited = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
                        GetExitCodeProcess(process, &code);
    wait_for_exit_if_ending();
    forget_and_close(process);
    // A crash ends a program with an NTSTATUS code (0xC0000005 and the like),
    // which counts as not exiting normally.
    return waited && code < 0xC0000000u ? static_cast<int>(code) : -1;
}

void end_child(pid_t pid)
{
    HANDLE process = reinterpret_cast<HANDLE>(pid);
    stop(process);
    forget_and_close(process);
}

void end_children()
{
    ending_thread = GetCurrentThreadId();
    ending = true;
    for (std::atomic<HANDLE>& slot : child_handles) {
        const HANDLE process = slot.exchange(nullptr);
        if (process) stop(process);  // its handle goes with the process
    }
}
