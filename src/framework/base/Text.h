// Conversions between the program's 8-bit texts (the system's ANSI code page)
// and the UTF-16 strings of wide Win32 and COM calls.
#pragma once
#include <string>
#include <string_view>

namespace fw {

// Embedded zeros are kept.
std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text);

} // namespace fw
