// The renderer's helper programs on Windows: CreateProcess with one end of an
// anonymous pipe as the child's standard input or output. A pid_t here holds
// the child's process handle. The child inherits its three standard handles
// and nothing else of ours.
#include "child_process.h"

#include "utf8_windows.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>

namespace {

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

int errno_of(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_BAD_EXE_FORMAT: return ENOEXEC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    default: return EIO;
    }
}

// An inheritable copy of `handle` (a standard handle may not be inheritable);
// nullptr when there is none.
HANDLE inheritable(HANDLE handle)
{
    HANDLE copy = nullptr;
    if (!handle || handle == INVALID_HANDLE_VALUE) return nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return nullptr;
    return copy;
}

// Starts the child with `streams` (input, output, error) as its standard
// handles, inheriting only those; 0 or an errno.
int start_child(const std::vector<std::string>& args, HANDLE streams[3], HANDLE* process)
{
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
    // With no application name, CreateProcess looks the program up as a
    // command prompt would, adding .exe.
    if (!failure &&
        !CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT,
                        nullptr, nullptr, &startup.StartupInfo, &info))
        failure = errno_of(GetLastError());
    DeleteProcThreadAttributeList(list);
    if (failure) return failure;
    CloseHandle(info.hThread);
    *process = info.hProcess;
    return 0;
}

}  // namespace

int spawn_piped(const std::vector<std::string>& args, int child_fd, pid_t* pid, int* our_end)
{
    *our_end = -1;
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, nullptr, 0)) return errno_of(GetLastError());
    const bool to_input = child_fd == 0;
    HANDLE mine = to_input ? write_end : read_end;
    HANDLE child_end = inheritable(to_input ? read_end : write_end);
    CloseHandle(to_input ? read_end : write_end);

    HANDLE streams[3] = {to_input ? child_end : inheritable(GetStdHandle(STD_INPUT_HANDLE)),
                         to_input ? inheritable(GetStdHandle(STD_OUTPUT_HANDLE)) : child_end,
                         inheritable(GetStdHandle(STD_ERROR_HANDLE))};
    HANDLE process = nullptr;
    const int failure = child_end ? start_child(args, streams, &process) : EIO;
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
        TerminateProcess(process, 1);
        CloseHandle(process);
        return EMFILE;
    }
    *pid = reinterpret_cast<pid_t>(process);
    return 0;
}

int wait_exit_status(pid_t pid)
{
    HANDLE process = reinterpret_cast<HANDLE>(pid);
    DWORD code = 0;
    const bool waited = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
                        GetExitCodeProcess(process, &code);
    CloseHandle(process);
    // A crash ends a program with an NTSTATUS code (0xC0000005 and the like),
    // which counts as not exiting normally.
    return waited && code < 0xC0000000u ? static_cast<int>(code) : -1;
}
