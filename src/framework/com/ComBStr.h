// BSTR ownership: the wide strings that cross COM, made from and read as the
// program's 8-bit texts.
#pragma once
#include "base/Text.h"

#include <windows.h>
#include <oleauto.h>
#include <string>
#include <string_view>

namespace fw {

// Owns one BSTR. A null BSTR is the empty string, as COM treats it.
class BStr {
public:
    BStr() noexcept = default;
    explicit BStr(std::string_view ansi);
    explicit BStr(std::wstring_view wide);
    explicit BStr(const char* ansi) : BStr(std::string_view(ansi ? ansi : "")) {}
    explicit BStr(const wchar_t* wide) : BStr(std::wstring_view(wide ? wide : L"")) {}
    BStr(const BStr& other);
    BStr(BStr&& other) noexcept;
    BStr& operator=(const BStr& other);
    BStr& operator=(BStr&& other) noexcept;
    ~BStr();

    // Takes over a BSTR the caller owns, e.g. one returned by a COM method.
    static BStr Adopt(BSTR s) noexcept;
    // Hands the string out, e.g. into a method's [out] BSTR*; the receiver frees it.
    [[nodiscard]] BSTR Detach() noexcept;
    // For [out] BSTR* arguments: frees what is held, then lends the slot.
    BSTR* Put() noexcept;

    BSTR Get() const noexcept { return s_; }
    UINT Length() const noexcept { return SysStringLen(s_); }
    bool Empty() const noexcept { return Length() == 0; }

    std::string ToString() const { return WideToAnsi(View()); }
    std::wstring ToWString() const { return std::wstring(View()); }
    std::wstring_view View() const noexcept { return {s_ ? s_ : L"", Length()}; }

private:
    void Free() noexcept;

    BSTR s_ = nullptr;
};

// Stores `text` as a newly allocated BSTR in an [out] parameter.
void SetOutBStr(BSTR* out, std::string_view text);

} // namespace fw
