#include "InstallerProbe.h"

#include "E2eDriver.h"

#include <objbase.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace setup {
namespace {

using namespace std::chrono_literals;

constexpr auto kProgramTimeout = 120s;
constexpr char kWineTrayCaption[] = "Wine System Tray";
// An uninstaller copies itself to the temporary folder, starts the copy under
// this name and ends at once: the copy does the work.
constexpr char kUninstallerCopy[] = "Un.exe";

std::string WithoutTrailingSeparator(std::string path)
{
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return path;
}

} // namespace

std::string SetupFile()
{
    return VISTREL_SETUP_FILE;
}

long RunSetup(const std::string& args)
{
    return e2e::RunToEnd(SetupFile(), args, kProgramTimeout);
}

long RunUninstaller(const std::string& commandLine)
{
    const size_t close = commandLine.find('"', 1);
    if (commandLine.empty() || commandLine.front() != '"' || close == std::string::npos)
        return -2;
    std::string args = commandLine.substr(close + 1);
    args.erase(0, args.find_first_not_of(' '));
    const long code = e2e::RunToEnd(commandLine.substr(1, close - 1), args, kProgramTimeout);
    const bool copiesEnded =
        e2e::WaitFor([] { return e2e::ProcessIdsByName(kUninstallerCopy).empty(); }, kProgramTimeout);
    return copiesEnded ? code : -1;
}

std::string UserFolder(int csidl)
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

std::string DefaultInstallFolder()
{
    return UserFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Vistrel";
}

std::string StartMenuShortcut()
{
    return UserFolder(CSIDL_PROGRAMS) + "\\Vistrel.lnk";
}

std::optional<std::string> ReadString(HKEY root, const std::string& path, const char* name)
{
    char value[2048] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    if (RegGetValueA(root, path.c_str(), name, RRF_RT_ANY, &type, value, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::string(value);
}

std::optional<DWORD> ReadDword(HKEY root, const std::string& path, const char* name)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueA(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

bool KeyExists(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void WriteDword(HKEY root, const std::string& path, const char* name, DWORD value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

std::optional<std::string> ClassServer(const char* clsid, const char* serverKey)
{
    return ReadString(HKEY_CLASSES_ROOT, std::string("CLSID\\") + clsid + "\\" + serverKey, nullptr);
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out.flush());
}

bool AppendToFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << bytes;
    return static_cast<bool>(out.flush());
}

std::string FolderListing(const std::string& folder)
{
    std::ostringstream names;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((WithoutTrailingSeparator(folder) + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names << name << ' ';
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names.str();
}

std::optional<ShortcutInfo> ReadShortcut(const std::string& path)
{
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return std::nullopt;
    std::optional<ShortcutInfo> info;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        std::vector<wchar_t> widePath(path.size() + 1);
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath.data(), static_cast<int>(widePath.size()));
        char target[MAX_PATH] = {};
        char folder[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(widePath.data(), STGM_READ)) &&
            SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0)) &&
            SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH)))
            info = ShortcutInfo{target, folder};
        file->Release();
    }
    link->Release();
    return info;
}

bool NotificationAreaShowsIcons()
{
    HWND tray = FindWindowA(nullptr, kWineTrayCaption);
    return tray && IsWindowVisible(tray);
}

bool SamePath(const std::string& a, const std::string& b)
{
    return lstrcmpiA(WithoutTrailingSeparator(a).c_str(), WithoutTrailingSeparator(b).c_str()) == 0;
}

} // namespace setup
