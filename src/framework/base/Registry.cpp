#include "base/Registry.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace fw {
namespace {

// A value may change between asking for its size and reading it; a few
// attempts cover that without looping forever on a busy key.
constexpr int kReadAttempts = 4;

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

} // namespace

std::string RegValue::Text() const
{
    const auto end = std::find(data.begin(), data.end(), uint8_t{0});
    return std::string(data.begin(), end);
}

RegKey::RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept
{
    if (this != &other) {
        Close();
        key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
}

RegKey RegKey::TryOpen(HKEY root, const char* path, LONG* status)
{
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyA(root, path, &key);
    if (status)
        *status = rc;
    return RegKey(rc == ERROR_SUCCESS ? key : nullptr);
}

RegKey RegKey::TryCreate(HKEY root, const char* path, LONG* status)
{
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyA(root, path, &key);
    if (status)
        *status = rc;
    return RegKey(rc == ERROR_SUCCESS ? key : nullptr);
}

LONG RegKey::Close() noexcept
{
    HKEY key = std::exchange(key_, nullptr);
    return key ? RegCloseKey(key) : ERROR_SUCCESS;
}

DWORD RegKey::ReadDword(const char* name, DWORD defaultValue) const noexcept
{
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    const LONG rc =
        RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    return rc == ERROR_SUCCESS ? value : defaultValue;
}

LONG RegKey::WriteDword(const char* name, DWORD value) const noexcept
{
    return RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
}

LONG RegKey::ReadString(const char* name, std::string& value) const
{
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        LONG rc = RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS)
            return rc;
        if (!IsStringType(type))
            return ERROR_INVALID_DATATYPE;
        // One byte more than asked for, so that data stored without its
        // terminator still ends in one.
        std::string buffer(static_cast<size_t>(size) + 1, '\0');
        DWORD got = size;
        rc = RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                              &got);
        if (rc == ERROR_MORE_DATA)
            continue;
        if (rc != ERROR_SUCCESS)
            return rc;
        if (!IsStringType(type))
            return ERROR_INVALID_DATATYPE;
        buffer.resize(std::min<size_t>(got, size));
        buffer.resize(std::strlen(buffer.c_str()));
        value = std::move(buffer);
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

LONG RegKey::WriteString(const char* name, const std::string& value) const noexcept
{
    if (value.size() >= MAXDWORD)
        return ERROR_INVALID_PARAMETER;
    return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
}

bool RegKey::ValueExists(const char* name) const noexcept
{
    DWORD type = 0;
    return RegQueryValueExA(key_, name, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS;
}

LONG RegKey::DeleteValue(const char* name) const noexcept { return RegDeleteValueA(key_, name); }

LONG RegKey::QueryInfo(RegKeyInfo& info) const noexcept
{
    RegKeyInfo result;
    const LONG rc = RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &result.subKeys,
                                     &result.maxSubKeyLen, nullptr, &result.values,
                                     &result.maxValueNameLen, &result.maxValueLen, nullptr, nullptr);
    if (rc == ERROR_SUCCESS)
        info = result;
    return rc;
}

LONG RegKey::EnumKeyNames(std::vector<std::string>& names) const
{
    char buffer[kKeyNameBufferSize];
    for (DWORD index = 0;; ++index) {
        const LONG rc = RegEnumKeyA(key_, index, buffer, kKeyNameBufferSize);
        if (rc == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS)
            return rc;
        names.emplace_back(buffer, strnlen(buffer, kKeyNameBufferSize));
    }
}

LONG RegKey::EnumValues(std::vector<RegValue>& values) const
{
    RegKeyInfo info;
    LONG rc = QueryInfo(info);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::vector<char> name;
    std::vector<uint8_t> data;
    auto sizeBuffers = [&] {
        name.assign(static_cast<size_t>(info.maxValueNameLen) + 1, '\0');
        data.assign(static_cast<size_t>(std::max<DWORD>(info.maxValueLen, 1)), 0);
    };
    sizeBuffers();
    int attempts = 0;
    for (DWORD index = 0;;) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        DWORD dataLen = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        rc = RegEnumValueA(key_, index, name.data(), &nameLen, nullptr, &type, data.data(),
                           &dataLen);
        if (rc == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (rc == ERROR_MORE_DATA && ++attempts < kReadAttempts) {
            // A value grew since the sizes were asked for: ask again.
            rc = QueryInfo(info);
            if (rc != ERROR_SUCCESS)
                return rc;
            sizeBuffers();
            continue;
        }
        if (rc != ERROR_SUCCESS)
            return rc;
        RegValue value;
        value.name.assign(name.data(), std::min<size_t>(nameLen, name.size()));
        value.type = type;
        value.data.assign(data.begin(), data.begin() + std::min<size_t>(dataLen, data.size()));
        values.push_back(std::move(value));
        attempts = 0;
        ++index;
    }
}

LONG RegKey::DeleteKey(HKEY parent, const char* path, bool withSubkeys)
{
    // An empty path would name `parent` itself.
    if (!path || !*path)
        return ERROR_INVALID_PARAMETER;
    if (withSubkeys) {
        LONG rc = ERROR_SUCCESS;
        RegKey key = TryOpen(parent, path, &rc);
        if (!key)
            return rc;
        // Names first, deletions after: deleting while enumerating would
        // shift the indices under the enumeration.
        std::vector<std::string> children;
        rc = key.EnumKeyNames(children);
        if (rc != ERROR_SUCCESS)
            return rc;
        for (const std::string& child : children) {
            rc = DeleteKey(key.Get(), child.c_str(), true);
            if (rc != ERROR_SUCCESS)
                return rc;
        }
    }
    return RegDeleteKeyA(parent, path);
}

} // namespace fw
