// What the setup tests look at from the outside: running the setup file and
// an uninstaller to their end, the user's folders, registry values, file
// contents, a shortcut's target and the notification area.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace setup {

// The setup file of this build (Windows path).
std::string SetupFile();

// Runs the setup file with `args` and returns its exit code, -1 on time-out.
long RunSetup(const std::string& args);
// Runs an uninstaller's command line (a quoted program, then its switches)
// and waits until it and the copy of itself it hands the work to have ended.
long RunUninstaller(const std::string& commandLine);

// The user's folders: CSIDL_LOCAL_APPDATA, CSIDL_APPDATA, CSIDL_PROGRAMS.
std::string UserFolder(int csidl);
// Where the setup installs when told nothing else.
std::string DefaultInstallFolder();
std::string StartMenuShortcut();

std::optional<std::string> ReadString(HKEY root, const std::string& path, const char* name);
std::optional<DWORD> ReadDword(HKEY root, const std::string& path, const char* name);
bool KeyExists(HKEY root, const std::string& path);
void WriteDword(HKEY root, const std::string& path, const char* name, DWORD value);
// The program a class is served by: LocalServer32 or InprocServer32 under
// HKEY_CLASSES_ROOT\CLSID\{clsid}.
std::optional<std::string> ClassServer(const char* clsid, const char* serverKey);

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// The whole file, or nothing when it cannot be read.
std::optional<std::string> FileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool AppendToFile(const std::string& path, const std::string& bytes);
// Names of the files and folders in a folder.
std::string FolderListing(const std::string& folder);

struct ShortcutInfo {
    std::string target;
    std::string workingFolder;
};
std::optional<ShortcutInfo> ReadShortcut(const std::string& path);

// Wine shows notification icons in a window of its own when no taskbar
// hosts them, and hides it again when the last icon goes.
bool NotificationAreaShowsIcons();

// Equal paths, letter case aside.
bool SamePath(const std::string& a, const std::string& b);

} // namespace setup
