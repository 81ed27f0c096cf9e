#include "FakeConfig.h"

#include <cstdio>

#include "base/Errors.h"

namespace fake {

std::string LogFilePath()
{
    const fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, kLogKey);
    std::string path;
    if (key && key.ReadString(kLogFileValue, path) == ERROR_SUCCESS && !path.empty())
        return path;
    char temp[MAX_PATH + 1] = {};
    const DWORD len = GetTempPathA(sizeof temp, temp);
    return std::string(temp, len < sizeof temp ? len : 0) + kDefaultLogName;
}

void Log(const std::string& line)
{
    HANDLE file = CreateFileA(LogFilePath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string Quote(std::string_view text)
{
    std::string result = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            result += '\\';
        result += c;
    }
    return result + "\"";
}

std::string StatusText(HRESULT hr)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(hr));
    return buf;
}

Knobs::Knobs(const std::string& pluginKeyPath)
    : key_(fw::RegKey::TryOpen(HKEY_CURRENT_USER, pluginKeyPath.c_str()))
{
}

HRESULT Knobs::Status(const char* method) const noexcept
{
    return static_cast<HRESULT>(key_.ReadDword((std::string(method) + "Status").c_str(), S_OK));
}

HRESULT Knobs::Result(const char* method) const noexcept
{
    return static_cast<HRESULT>(key_.ReadDword((std::string(method) + "Result").c_str(), S_OK));
}

std::string Knobs::Text(const char* name, const std::string& fallback) const
{
    std::string value;
    if (key_ && key_.ReadString(name, value) == ERROR_SUCCESS)
        return value;
    return fallback;
}

void Knobs::ApplyStatus(const char* method) const
{
    const HRESULT status = Status(method);
    if (FAILED(status))
        throw fw::Error(Text((std::string(method) + "ErrorText").c_str(), std::string(method) + " failed"),
                        status);
}

} // namespace fake
