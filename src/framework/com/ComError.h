// The two halves of COM error reporting. A COM method body runs inside
// ComMethod, which turns any exception into a failure status plus the
// thread's error information; the caller passes the status to OleCheck, which
// raises it again as fw::Error with the error information's description.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "base/Errors.h"

namespace fw {

// Text for failures that carry no text of their own.
inline constexpr char kOutOfMemoryText[] = "Out of memory";
inline constexpr char kUnknownExceptionText[] = "Unexpected exception";

[[noreturn]] void RaiseOleError(HRESULT hr);

// Raises a failing status as fw::Error carrying it. The text is the thread's
// COM error information when some is set (it is consumed), else the system's
// message for the status.
inline void OleCheck(HRESULT hr)
{
    if (FAILED(hr))
        RaiseOleError(hr);
}

// Makes a COM call and raises its failure (OleCheck) with the text the callee
// left, never with one an earlier call left behind on this thread.
template <class Call>
void CheckedCall(Call&& call)
{
    SetErrorInfo(0, nullptr);
    OleCheck(call());
}

// Takes the thread's current error information and returns its description;
// empty when none is set.
std::string TakeErrorInfoDescription();

// Where an error reported through ComMethod comes from: a source name (usually
// the class's ProgID) and the interface whose method failed.
struct ErrorOrigin {
    const char* source = nullptr;
    const IID* iid = nullptr;
};

// Sets the thread's error information and returns the status the method
// should return: `code` when it is a failure, E_FAIL otherwise.
HRESULT SetComError(std::string_view description, HRESULT code,
                    const ErrorOrigin& origin = {}) noexcept;

// For use inside a catch (...) block: classifies the exception in flight and
// reports it through SetComError.
HRESULT ReportCurrentException(const ErrorOrigin& origin) noexcept;

// Runs the body of a COM method. The body may return void (S_OK when it ends)
// or an HRESULT, which is passed on. No exception leaves: fw::Error gives its
// own status, std::bad_alloc E_OUTOFMEMORY, anything else E_FAIL, each with
// the thread's error information set.
template <class Fn>
HRESULT ComMethod(const ErrorOrigin& origin, Fn&& body) noexcept
{
    try {
        if constexpr (std::is_void_v<std::invoke_result_t<Fn>>) {
            std::forward<Fn>(body)();
            return S_OK;
        } else {
            return static_cast<HRESULT>(std::forward<Fn>(body)());
        }
    } catch (...) {
        return ReportCurrentException(origin);
    }
}

template <class Fn>
HRESULT ComMethod(Fn&& body) noexcept
{
    return ComMethod(ErrorOrigin{}, std::forward<Fn>(body));
}

} // namespace fw
