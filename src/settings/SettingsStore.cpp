#include "settings/SettingsStore.h"

#include <utility>

#include "common/PixwellInc.h"
#include "base/Errors.h"

namespace {

constexpr DWORD kModulePathBufferSize = 260;

const TSettingValue kSettingValues[] = {
    {pixwell::kQuickModeValue, pixwell::kQuickModeDefault, "Error write QuickMode registry value"},
    {pixwell::kMaxHistoryStepsValue, static_cast<DWORD>(pixwell::kMaxHistoryStepsDefault),
     "Error write MaxHistorySteps registry value"},
    {pixwell::kLeaveInClipboardValue, pixwell::kLeaveInClipboardDefault,
     "Error write LeaveInClipboard registry value"},
};

DWORD ReadNumber(const fw::RegKey& key, TSetting setting)
{
    const TSettingValue& value = SettingValue(setting);
    return key.ReadDword(value.name, value.defaultValue);
}

// On/off values count as on when their lowest byte is not 0.
bool ReadSwitch(const fw::RegKey& key, TSetting setting)
{
    return (ReadNumber(key, setting) & 0xFF) != 0;
}

int32_t ReadSigned(const fw::RegKey& key, TSetting setting)
{
    return static_cast<int32_t>(ReadNumber(key, setting));
}

void WriteNumber(const fw::RegKey& key, TSetting setting, DWORD number)
{
    const TSettingValue& value = SettingValue(setting);
    if (key.WriteDword(value.name, number) != ERROR_SUCCESS)
        throw fw::Error(value.writeError);
}

void WriteSwitch(const fw::RegKey& key, TSetting setting, bool on)
{
    WriteNumber(key, setting, on ? 1 : 0);
}

} // namespace

const TSettingValue& SettingValue(TSetting setting) noexcept
{
    return kSettingValues[static_cast<size_t>(setting)];
}

std::string ProgramPathForAutoRun()
{
    char buffer[kModulePathBufferSize] = {};
    const DWORD len = GetModuleFileNameA(nullptr, buffer, kModulePathBufferSize);
    // A path that filled the buffer was cut short; the system could not start
    // the program from it.
    if (len == 0 || len >= kModulePathBufferSize)
        throw fw::Error(kAutoRunWriteError);
    return std::string(buffer, len);
}

TSettingsEnvironment TSettingsEnvironment::System()
{
    return {
        [](const char* path) { return fw::RegKey::TryOpen(HKEY_CURRENT_USER, path); },
        [](const char* path) { return fw::RegKey::TryCreate(HKEY_CURRENT_USER, path); },
        &ProgramPathForAutoRun,
    };
}

TSettingsStore::TSettingsStore(TSettingsEnvironment environment) : env_(std::move(environment)) {}

fw::RegKey TSettingsStore::OpenGeneralKey() const
{
    fw::RegKey key = env_.openKey(pixwell::kGeneralKey);
    if (!key)
        key = env_.createKey(pixwell::kGeneralKey);
    if (!key)
        throw fw::Error(kGeneralKeyError);
    return key;
}

fw::RegKey TSettingsStore::OpenAutoRunKey() const
{
    fw::RegKey key = env_.openKey(pixwell::kAutoRunKey);
    if (!key)
        throw fw::Error(kAutoRunKeyError);
    return key;
}

TGeneralSettings TSettingsStore::LoadWizardSettings() const
{
    const fw::RegKey key = OpenGeneralKey();
    TGeneralSettings settings;
    settings.QuickMode = ReadSwitch(key, TSetting::QuickMode);
    settings.MaxHistorySteps = ReadSigned(key, TSetting::MaxHistorySteps);
    settings.LeaveInClipboard = ReadSwitch(key, TSetting::LeaveInClipboard);
    return settings;
}

void TSettingsStore::StoreLeaveInClipboard(bool leave) const
{
    const fw::RegKey key = OpenGeneralKey();
    WriteSwitch(key, TSetting::LeaveInClipboard, leave);
}

void TSettingsStore::ReadOptionsGeneral(TOptionsSettings& settings) const
{
    const fw::RegKey key = OpenGeneralKey();
    settings.QuickMode = ReadSwitch(key, TSetting::QuickMode);
    settings.MaxHistorySteps = ReadSigned(key, TSetting::MaxHistorySteps);
}

bool TSettingsStore::ReadStartWithWindows() const
{
    const fw::RegKey key = OpenAutoRunKey();
    return key.ValueExists(pixwell::kAutoRunValue);
}

void TSettingsStore::ReadOptionsSettings(TOptionsSettings& settings) const
{
    ReadOptionsGeneral(settings);
    settings.StartWithWindows = ReadStartWithWindows();
}

void TSettingsStore::SaveOptionsSettings(bool quickMode, int32_t maxHistorySteps,
                                         bool startWithWindows) const
{
    {
        const fw::RegKey key = OpenGeneralKey();
        WriteSwitch(key, TSetting::QuickMode, quickMode);
        WriteNumber(key, TSetting::MaxHistorySteps, static_cast<DWORD>(maxHistorySteps));
    }
    const fw::RegKey key = OpenAutoRunKey();
    if (startWithWindows) {
        if (key.WriteString(pixwell::kAutoRunValue, env_.programPath()) != ERROR_SUCCESS)
            throw fw::Error(kAutoRunWriteError);
    } else {
        // Removing a value that isn't there is fine.
        key.DeleteValue(pixwell::kAutoRunValue);
    }
}
