#include "com/ComBStr.h"

#include "base/Errors.h"

#include <climits>
#include <new>
#include <utility>

namespace fw {
namespace {

BSTR AllocBStr(std::wstring_view wide)
{
    if (wide.size() > static_cast<size_t>(UINT_MAX / sizeof(wchar_t) - 1))
        throw std::bad_alloc();
    BSTR s = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!s)
        throw std::bad_alloc();
    return s;
}

} // namespace

BStr::BStr(std::string_view ansi) : s_(AllocBStr(AnsiToWide(ansi))) {}

BStr::BStr(std::wstring_view wide) : s_(AllocBStr(wide)) {}

BStr::BStr(const BStr& other) : s_(other.s_ ? AllocBStr(other.View()) : nullptr) {}

BStr::BStr(BStr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}

BStr& BStr::operator=(const BStr& other)
{
    if (this != &other) {
        BStr copy(other);
        std::swap(s_, copy.s_);
    }
    return *this;
}

BStr& BStr::operator=(BStr&& other) noexcept
{
    if (this != &other) {
        Free();
        s_ = std::exchange(other.s_, nullptr);
    }
    return *this;
}

BStr::~BStr() { Free(); }

BStr BStr::Adopt(BSTR s) noexcept
{
    BStr result;
    result.s_ = s;
    return result;
}

BSTR BStr::Detach() noexcept { return std::exchange(s_, nullptr); }

BSTR* BStr::Put() noexcept
{
    Free();
    return &s_;
}

void BStr::Free() noexcept
{
    if (s_) {
        SysFreeString(s_);
        s_ = nullptr;
    }
}

void SetOutBStr(BSTR* out, std::string_view text)
{
    if (!out)
        throw Error(SystemMessage(static_cast<DWORD>(E_POINTER)), E_POINTER);
    *out = BStr(text).Detach();
}

} // namespace fw
