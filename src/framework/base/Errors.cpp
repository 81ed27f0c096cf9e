#include "base/Errors.h"

namespace fw {

std::string SystemMessage(DWORD code)
{
    char* text = nullptr;
    DWORD len = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result;
    if (len && text) {
        result.assign(text, len);
        LocalFree(text);
        while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                                   result.back() == ' ' || result.back() == '.'))
            result.pop_back();
        result += '.';
    } else {
        char buf[64];
        wsprintfA(buf, "System error %lu (0x%08lX).", code, code);
        result = buf;
    }
    return result;
}

void RaiseLastOSError(const std::string& context)
{
    DWORD code = GetLastError();
    std::string text = SystemMessage(code);
    throw Error(context.empty() ? text : context + ": " + text, HRESULT_FROM_WIN32(code));
}

} // namespace fw
