// The list of plug-ins checked by default, kept in "CheckedPlugins.lst" in
// the user's roaming application-data folder: one plug-in identifier per line.
// The settings dialog writes it, the wizard and the settings dialog read it.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kAppDataFolderError[] = "Error retreiviing AppData folder path";

// Answers the application-data folder, or nothing when the system can't tell.
using AppDataFolderQuery = std::function<std::optional<std::string>()>;

// The shell's per-user roaming application-data folder (CSIDL_APPDATA),
// without creating it.
std::optional<std::string> ShellAppDataFolder();

// The file's full path. Raises kAppDataFolderError when the folder is unknown.
std::string CheckedPluginsPath(const AppDataFolderQuery& folder = ShellAppDataFolder);

// The file's lines; no file gives an empty list. A file that can't be read
// raises fw::Error naming it.
std::vector<std::string> ReadCheckedPlugins(const AppDataFolderQuery& folder = ShellAppDataFolder);

// Replaces the file with `identifiers`, one per line, each ended by CR LF (no
// bytes at all for an empty list). The old file stays whole when the new one
// can't be written; the fw::Error raised then names the file.
void WriteCheckedPlugins(const std::vector<std::string>& identifiers,
                         const AppDataFolderQuery& folder = ShellAppDataFolder);

// The system's locale-aware comparison without regard to letter case.
bool SameTextLocale(std::string_view a, std::string_view b) noexcept;

// Whether the plug-in of class `pluginClsid` is in the loaded lines: its
// identifier (upper case, with braces) compared without regard to case.
bool IsPluginChecked(const std::vector<std::string>& lines, const GUID& pluginClsid);
