// Errors inside the program are exceptions carrying a fixed English text and,
// where one applies, the COM status that goes with it.
#pragma once
#include <windows.h>
#include <stdexcept>
#include <string>

namespace fw {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message, HRESULT code = E_FAIL)
        : std::runtime_error(message), code_(code) {}
    HRESULT code() const noexcept { return code_; }

private:
    HRESULT code_;
};

// The system's text for a Win32 error or HRESULT, without the trailing newline.
std::string SystemMessage(DWORD code);

// Raises the last Win32 error as an Error whose text is the system's message,
// prefixed by `context` when given ("context: message").
[[noreturn]] void RaiseLastOSError(const std::string& context = {});

} // namespace fw
