// Output files on Windows, with the same promise as on POSIX systems: each is
// written under a temporary name beside its final path, created exclusively
// (CREATE_NEW, never through a planted link), and moved over the final path
// (MoveFileEx, replacing it) only once complete. The temporary files still
// reserved are removed at exit and when the console closes or Ctrl+C or
// Ctrl+Break ends the renderer, there after the helper programs still
// running have been ended (a file a program has open cannot be removed).
#include "output_file.h"

#include "child_process.h"

#include "utf8_windows.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

namespace {

// Fixed storage, so the console handler (another thread) removes the files
// without allocating.
constexpr int k_max_temps = 16;
constexpr size_t k_max_path = 4096;
wchar_t temp_paths[k_max_temps][k_max_path];
volatile LONG temp_used[k_max_temps];
bool cleanup_installed = false;

// Names tried before an exclusive create gives up.
constexpr int k_name_tries = 100;

// The system's text for a Windows error code.
std::string reason(DWORD error)
{
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = length ? std::string(text, length) : "error " + std::to_string(error);
    LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.'))
        out.pop_back();
    return out;
}

BOOL WINAPI on_console_event(DWORD)
{
    // ffmpeg first: it may still be writing the files about to be removed.
    end_children();
    discard_outputs();
    // Ended here, with the status of an interrupted console program, as a
    // signal ends the renderer elsewhere: no exit handlers, no library's
    // clean-up (the main thread is still in the middle of its work).
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

void install_cleanup()
{
    if (cleanup_installed) return;
    cleanup_installed = true;
    std::atexit(discard_outputs);
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

bool remember(const std::wstring& path)
{
    install_cleanup();
    if (path.size() >= k_max_path) return false;
    for (int i = 0; i < k_max_temps; ++i) {
        if (temp_used[i]) continue;
        std::memcpy(temp_paths[i], path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        temp_used[i] = 1;
        return true;
    }
    return false;
}

void forget(const std::wstring& path)
{
    for (int i = 0; i < k_max_temps; ++i)
        if (temp_used[i] && path == temp_paths[i]) temp_used[i] = 0;
}

// The existing output must be a regular file: a folder or a device (NUL,
// COM1, a console) there is refused.
bool output_path_usable(const std::wstring& path, const std::string& shown, std::string* error)
{
    HANDLE file =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;  // absent (or unreachable: the create says why)
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool disk = GetFileType(file) == FILE_TYPE_DISK;
    const bool folder = disk && GetFileInformationByHandle(file, &info) &&
                        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(file);
    if (disk && !folder) return true;
    *error = "cannot write " + shown + ": it is " + (folder ? "a directory" : "a device") +
             ", not a regular file";
    return false;
}

// `prefix` + six random letters + `suffix`, created exclusively; "" with the
// failure's code in *failure.
std::wstring create_unique(const std::wstring& prefix, const std::wstring& suffix, DWORD* failure)
{
    static std::mt19937 pick{std::random_device{}()};
    const wchar_t* letters = L"abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<int> letter(0, 35);
    for (int attempt = 0; attempt < k_name_tries; ++attempt) {
        std::wstring name = prefix;
        for (int i = 0; i < 6; ++i) name += letters[letter(pick)];
        name += suffix;
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return name;
        }
        *failure = GetLastError();
        if (*failure != ERROR_FILE_EXISTS && *failure != ERROR_ALREADY_EXISTS) return L"";
    }
    return L"";
}

// ERROR_SUCCESS, or the code of the failure.
DWORD write_all(const std::wstring& path, const std::string& bytes)
{
    // The file was made by us; a link put in its place is not followed.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD failure = ERROR_SUCCESS;
    for (size_t done = 0; !failure && done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr))
            failure = GetLastError();
        else if (written == 0)
            failure = ERROR_WRITE_FAULT;
        done += written;
    }
    if (!CloseHandle(file) && !failure) failure = GetLastError();
    return failure;
}

}  // namespace

void discard_outputs()
{
    for (int i = 0; i < k_max_temps; ++i) {
        if (!temp_used[i]) continue;
        DeleteFileW(temp_paths[i]);
        temp_used[i] = 0;
    }
}

std::string reserve_output(const std::string& path, std::string* error)
{
    if (path.empty()) {
        *error = "the output path is empty";
        return "";
    }
    const std::filesystem::path out(utf8_to_wide(path));
    if (!output_path_usable(out.wstring(), path, error)) return "";
    // Short whatever the output's name; the extension kept (ffmpeg picks the
    // container by it) unless that alone is long.
    std::wstring extension = out.extension().wstring();
    if (extension.size() > 16) extension.clear();
    std::filesystem::path prefix = out;
    prefix.replace_filename(L".krelan-");
    DWORD failure = ERROR_SUCCESS;
    const std::wstring temp = create_unique(prefix.wstring(), extension, &failure);
    if (temp.empty()) {
        *error = "cannot write " + path + ": " + reason(failure);
        return "";
    }
    if (!remember(temp)) {
        DeleteFileW(temp.c_str());
        *error = "too many outputs at once";
        return "";
    }
    return wide_to_utf8(temp);
}

bool commit_output(const std::string& temp, const std::string& path, std::string* error)
{
    const std::wstring from = utf8_to_wide(temp);
    if (!MoveFileExW(from.c_str(), utf8_to_wide(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = "cannot write " + path + ": " + reason(GetLastError());
        DeleteFileW(from.c_str());
        forget(from);
        return false;
    }
    forget(from);
    return true;
}

bool write_whole_file(const std::string& path, const std::string& bytes, std::string* error)
{
    const DWORD failure = write_all(utf8_to_wide(path), bytes);
    if (failure) *error = "cannot write " + path + ": " + reason(failure);
    return failure == ERROR_SUCCESS;
}

bool commit_output_bytes(const std::string& temp, const std::string& path, const std::string& bytes,
                         std::string* error)
{
    const std::wstring wide_temp = utf8_to_wide(temp);
    const DWORD failure = write_all(wide_temp, bytes);
    if (failure) {
        *error = "cannot write " + path + ": " + reason(failure);
        DeleteFileW(wide_temp.c_str());
        forget(wide_temp);
        return false;
    }
    return commit_output(temp, path, error);
}

std::string make_scratch_file(const char* suffix, std::string* error)
{
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        *error = "cannot find the temporary folder: " + reason(GetLastError());
        return "";
    }
    DWORD failure = ERROR_SUCCESS;
    const std::wstring prefix = std::wstring(folder, length) + L"krelan-";
    const std::wstring path = create_unique(prefix, utf8_to_wide(suffix), &failure);
    if (path.empty()) {
        *error = "cannot create a temporary file in " + wide_to_utf8(std::wstring(folder, length)) +
                 ": " + reason(failure);
        return "";
    }
    if (!remember(path)) {
        DeleteFileW(path.c_str());
        *error = "too many temporary files at once";
        return "";
    }
    return wide_to_utf8(path);
}

bool track_scratch_file(const std::string& path, std::string* error)
{
    if (remember(utf8_to_wide(path))) return true;
    *error = "too many temporary files at once";
    return false;
}

void remove_scratch_file(const std::string& path)
{
    const std::wstring wide = utf8_to_wide(path);
    DeleteFileW(wide.c_str());
    forget(wide);
}
