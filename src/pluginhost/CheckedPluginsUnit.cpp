#include "pluginhost/CheckedPluginsUnit.h"

#include <shlobj.h>

#include <climits>
#include <utility>

#include "common/PixwellInc.h"
#include "com/ComGuid.h"
#include "base/Errors.h"
#include "base/ReplacingFile.h"
#include "base/Text.h"
#include "portable/CheckedList.h"

namespace {

constexpr int kAppDataFolderId = 26; // CSIDL_APPDATA
// The list holds a handful of identifiers; anything this large is no list.
constexpr LONGLONG kMaxFileSize = 1 << 20;

constexpr char kCannotOpenText[] = "Cannot open file \"";
constexpr char kCannotReadText[] = "Cannot read file \"";
constexpr char kTooLargeText[] = "\": the file is too large";

class FileHandle {
public:
    explicit FileHandle(HANDLE h) noexcept : h_(h) {}
    ~FileHandle()
    {
        if (IsValid())
            CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsValid() const noexcept { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const noexcept { return h_; }

private:
    HANDLE h_;
};

[[noreturn]] void RaiseFileError(const char* what, const std::string& path, DWORD code)
{
    throw fw::Error(what + path + "\". " + fw::SystemMessage(code),
                    HRESULT_FROM_WIN32(code));
}

bool IsBlankOrControl(char c) noexcept { return static_cast<unsigned char>(c) <= ' '; }

std::string Trim(std::string_view text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlankOrControl(text[begin]))
        ++begin;
    while (end > begin && IsBlankOrControl(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string LoadFile(const std::string& path)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        RaiseFileError(kCannotOpenText, path, GetLastError());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size))
        RaiseFileError(kCannotReadText, path, GetLastError());
    if (size.QuadPart > kMaxFileSize)
        throw fw::Error(kCannotReadText + path + kTooLargeText);
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!content.empty() &&
        !ReadFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &got, nullptr))
        RaiseFileError(kCannotReadText, path, GetLastError());
    content.resize(got);
    return content;
}

// A failure leaves the old file as it was.
void ReplaceFile(const std::string& path, const std::string& content)
{
    fw::ReplacingFile file(fw::AnsiToWide(path));
    file.Write(content.data(), content.size());
    file.Commit(true);
}

} // namespace

std::optional<std::string> ShellAppDataFolder()
{
    char buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, buffer, kAppDataFolderId, FALSE))
        return std::nullopt;
    return std::string(buffer);
}

std::string CheckedPluginsPath(const AppDataFolderQuery& folder)
{
    const std::optional<std::string> appData = folder();
    if (!appData)
        throw fw::Error(kAppDataFolderError);
    std::string path = Trim(*appData);
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path + Trim(pixwell::kCheckedPluginsFileName);
}

std::vector<std::string> ReadCheckedPlugins(const AppDataFolderQuery& folder)
{
    const std::string path = CheckedPluginsPath(folder);
    if (!FileExists(path))
        return {};
    return portable::ParseCheckedLines(LoadFile(path));
}

void WriteCheckedPlugins(const std::vector<std::string>& identifiers,
                         const AppDataFolderQuery& folder)
{
    ReplaceFile(CheckedPluginsPath(folder), portable::FormatCheckedLines(identifiers));
}

bool SameTextLocale(std::string_view a, std::string_view b) noexcept
{
    if (a.size() > INT_MAX || b.size() > INT_MAX)
        return false;
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                          static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool IsPluginChecked(const std::vector<std::string>& lines, const GUID& pluginClsid)
{
    return portable::IsListed(lines, fw::GUIDToString(pluginClsid), SameTextLocale);
}
