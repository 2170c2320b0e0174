// UTF-8, the text of the whole program, to and from UTF-16, the text of
// Windows' wide-character calls (paths, command lines, message boxes).
// Windows builds only (utf8_windows.cpp).
#pragma once

#include <string>

std::wstring utf8_to_wide(const std::string& text);
std::string wide_to_utf8(const std::wstring& text);

// The process's arguments in UTF-8, as argv would hold them: the C runtime's
// argv is in the ANSI code page, which cannot hold every path. Made once and
// kept for the life of the process; *argc is set to their number.
char** utf8_arguments(int* argc);
