// An owned registry key and the value operations the program needs. Every
// operation returns the registry's own status (ERROR_SUCCESS or the error), so
// callers can raise their own fixed messages; nothing here raises for a
// registry failure.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

// One value as enumerated: name, registry type and raw data.
struct RegValue {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;

    // The data as 8-bit text: up to the first zero byte, or all of it when the
    // data carries no terminator.
    std::string Text() const;
};

struct RegKeyInfo {
    DWORD subKeys = 0;
    DWORD maxSubKeyLen = 0;
    DWORD values = 0;
    DWORD maxValueNameLen = 0;
    DWORD maxValueLen = 0;
};

class RegKey {
public:
    // RegEnumKeyA's buffer: the longest key name the program accepts (260
    // characters) plus the terminating zero.
    static constexpr DWORD kKeyNameBufferSize = 261;

    RegKey() noexcept = default;
    explicit RegKey(HKEY key) noexcept : key_(key) {}
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { Close(); }

    // RegOpenKeyA / RegCreateKeyA (which creates missing parent keys too). The
    // result is empty on failure; `status` receives the registry's result.
    static RegKey TryOpen(HKEY root, const char* path, LONG* status = nullptr);
    static RegKey TryCreate(HKEY root, const char* path, LONG* status = nullptr);

    bool IsOpen() const noexcept { return key_ != nullptr; }
    explicit operator bool() const noexcept { return IsOpen(); }
    HKEY Get() const noexcept { return key_; }

    // RegCloseKey; closing an empty key is ERROR_SUCCESS.
    LONG Close() noexcept;

    // Four raw bytes of the value, whatever its registry type, with the size
    // set to 4 for the read; any failure (missing, longer than four bytes, key
    // not open) gives `defaultValue`. Shorter data is zero-extended.
    DWORD ReadDword(const char* name, DWORD defaultValue) const noexcept;
    LONG WriteDword(const char* name, DWORD value) const noexcept;

    // REG_SZ / REG_EXPAND_SZ text (other types: ERROR_INVALID_DATATYPE), cut at
    // the first zero; data without a terminator is read safely.
    LONG ReadString(const char* name, std::string& value) const;
    // REG_SZ with its terminating zero.
    LONG WriteString(const char* name, const std::string& value) const noexcept;

    // RegQueryValueExA with a type out and no buffer: present when that succeeds.
    bool ValueExists(const char* name) const noexcept;
    LONG DeleteValue(const char* name) const noexcept;

    // RegQueryInfoKeyA: counts and longest name and data lengths.
    LONG QueryInfo(RegKeyInfo& info) const noexcept;

    // Subkey names in the registry's order (RegEnumKeyA, 261-byte buffer).
    // ERROR_NO_MORE_ITEMS ends the list; any other error stops it and is
    // returned, `names` then holding those read before it.
    LONG EnumKeyNames(std::vector<std::string>& names) const;

    // All values in the registry's order (RegEnumValueA), same rules as above.
    LONG EnumValues(std::vector<RegValue>& values) const;

    // RegDeleteKeyA of `path` under `parent`. With `withSubkeys`, its subkeys
    // (at any depth) go first; otherwise a key with subkeys is not deleted.
    // An empty path is refused (ERROR_INVALID_PARAMETER).
    static LONG DeleteKey(HKEY parent, const char* path, bool withSubkeys = false);

private:
    HKEY key_ = nullptr;
};

} // namespace fw
