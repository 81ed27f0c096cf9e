// The program's general settings (REG_DWORD values under the per-user key)
// and its start-with-Windows value in the user's autorun key. Nothing is
// cached: every operation opens the key, does its reads or writes in a fixed
// order and closes the key again, also when a step fails. A failing step
// raises fw::Error with its fixed text and nothing after it happens.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "base/Registry.h"

inline constexpr char kGeneralKeyError[] = "Error opening general registry key";
inline constexpr char kAutoRunKeyError[] = "Error opening AutoRun registry key";
inline constexpr char kAutoRunWriteError[] = "Error write AutoRun value";

// One general setting: its value name, the default for a missing or
// unreadable value, and the text raised when writing it fails.
struct TSettingValue {
    const char* name;
    DWORD defaultValue;
    const char* writeError;
};

enum class TSetting { QuickMode, MaxHistorySteps, LeaveInClipboard };

// The declarative table of the general settings, indexed by TSetting.
const TSettingValue& SettingValue(TSetting setting) noexcept;

// What the wizard reads when it is created.
struct TGeneralSettings {
    bool QuickMode = false;
    int32_t MaxHistorySteps = 10;
    bool LeaveInClipboard = false;
};

// What the settings dialog edits.
struct TOptionsSettings {
    bool QuickMode = false;
    int32_t MaxHistorySteps = 10;
    bool StartWithWindows = false;
};

// How the store reaches the registry and the program's path; tests put in
// their own.
struct TSettingsEnvironment {
    // RegOpenKeyA / RegCreateKeyA on HKEY_CURRENT_USER; an empty key on failure.
    std::function<fw::RegKey(const char* path)> openKey;
    std::function<fw::RegKey(const char* path)> createKey;
    // The program's own file, as the autorun value stores it.
    std::function<std::string()> programPath;

    static TSettingsEnvironment System();
};

// The program's path from GetModuleFileNameA (260-byte buffer). Raises
// kAutoRunWriteError when the path doesn't fit, rather than storing a cut one.
std::string ProgramPathForAutoRun();

class TSettingsStore {
public:
    explicit TSettingsStore(TSettingsEnvironment environment = TSettingsEnvironment::System());

    // Wizard creation: QuickMode, MaxHistorySteps, LeaveInClipboard.
    TGeneralSettings LoadWizardSettings() const;
    // Wizard closing: the state of "Leave screen-shot in Clipboard".
    void StoreLeaveInClipboard(bool leave) const;

    // Settings dialog creation, in two steps: the general values, then
    // whether the autorun value exists. The dialog keeps the first step's
    // values when the second raises.
    void ReadOptionsGeneral(TOptionsSettings& settings) const;
    bool ReadStartWithWindows() const;
    // Both steps into `settings`; on an error the fields read before it are set.
    void ReadOptionsSettings(TOptionsSettings& settings) const;

    // Settings dialog OK: QuickMode, MaxHistorySteps, then the autorun value
    // set to the program's path or removed, strictly in this order.
    void SaveOptionsSettings(bool quickMode, int32_t maxHistorySteps,
                             bool startWithWindows) const;

private:
    fw::RegKey OpenGeneralKey() const;
    fw::RegKey OpenAutoRunKey() const;

    TSettingsEnvironment env_;
};
