#include "base/Text.h"

#include <windows.h>

#include <climits>
#include <new>

namespace fw {
namespace {

int CheckedLength(size_t size)
{
    if (size > static_cast<size_t>(INT_MAX))
        throw std::bad_alloc();
    return static_cast<int>(size);
}

} // namespace

std::wstring AnsiToWide(std::string_view text)
{
    if (text.empty())
        return {};
    const int len = CheckedLength(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), len, nullptr, 0);
    std::wstring result(static_cast<size_t>(needed), L'\0');
    if (needed > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), len, result.data(), needed);
    return result;
}

std::string WideToAnsi(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int len = CheckedLength(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), len, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(needed), '\0');
    if (needed > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), len, result.data(), needed, nullptr, nullptr);
    return result;
}

} // namespace fw
