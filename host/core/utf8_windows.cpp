#include "utf8_windows.h"

#include <windows.h>

#include <shellapi.h>

#include <vector>

std::wstring utf8_to_wide(const std::string& text)
{
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &wide[0], length);
    return wide;
}

std::string wide_to_utf8(const std::wstring& text)
{
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &out[0], length, nullptr, nullptr);
    return out;
}

char** utf8_arguments(int* argc)
{
    static std::vector<std::string> texts;
    static std::vector<char*> pointers;
    if (pointers.empty()) {
        int count = 0;
        wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
        for (int i = 0; wide && i < count; ++i) texts.push_back(wide_to_utf8(wide[i]));
        LocalFree(wide);
        for (std::string& text : texts) pointers.push_back(&text[0]);
        pointers.push_back(nullptr);
    }
    *argc = static_cast<int>(pointers.size()) - 1;
    return pointers.data();
}
