// UTF-8, the text of the whole program, to and from UTF-16, the text of
// Windows' wide-character calls (paths, command lines, message boxes).
// Windows builds only (utf8_windows.cpp).
#pragma once

#include <string>

std::wstring utf8_to_wide(const std::string& text);
std::string wide_to_utf8(const std::wstring& text);
