// The settings store: defaults, the reading of stored numbers, the autorun
// value, and where a failing step stops.
#include "common/PixwellInc.h"
#include "settings/SettingsStore.h"
#include "base/Errors.h"
#include "base/Registry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr char kSpacedPath[] = "C:\\Program Files\\Vistrel Tools\\vistrel.exe";

struct RawValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
};

RawValue ReadRaw(const char* path, const char* name)
{
    RawValue v;
    const fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, path);
    if (!key)
        return v;
    DWORD size = 0;
    v.status = RegQueryValueExA(key.Get(), name, nullptr, &v.type, nullptr, &size);
    if (v.status != ERROR_SUCCESS)
        return v;
    v.data.resize(size);
    v.status = RegQueryValueExA(key.Get(), name, nullptr, &v.type, v.data.data(), &size);
    return v;
}

void WriteRaw(const char* name, DWORD type, const void* data, DWORD size)
{
    const fw::RegKey key = fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kGeneralKey);
    ASSERT_TRUE(key);
    ASSERT_EQ(RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
}

void WriteDword(const char* name, DWORD value) { WriteRaw(name, REG_DWORD, &value, sizeof value); }

DWORD StoredDword(const char* name)
{
    const RawValue v = ReadRaw(pixwell::kGeneralKey, name);
    EXPECT_EQ(v.status, ERROR_SUCCESS) << name;
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD)) << name;
    DWORD value = 0xDEADBEEF;
    if (v.data.size() == sizeof value)
        memcpy(&value, v.data.data(), sizeof value);
    return value;
}

template <class Fn>
std::string RaisedText(Fn&& fn)
{
    try {
        fn();
    } catch (const fw::Error& e) {
        return e.what();
    }
    return "<nothing raised>";
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kGeneralKey, true);
        ClearAutoRun();
    }
    void TearDown() override { ClearAutoRun(); }

    static void ClearAutoRun()
    {
        const fw::RegKey run = fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kAutoRunKey);
        run.DeleteValue(pixwell::kAutoRunValue);
    }

    // The system's registry, the program at a path with blanks; `readOnly`
    // keys refuse every write, `missing` ones can't be opened or created.
    TSettingsStore Store(std::vector<std::string> readOnly = {},
                         std::vector<std::string> missing = {})
    {
        TSettingsEnvironment env = TSettingsEnvironment::System();
        auto open = [readOnly, missing](const char* path, bool create) {
            for (const std::string& m : missing)
                if (m == path)
                    return fw::RegKey();
            for (const std::string& r : readOnly) {
                if (r == path) {
                    HKEY key = nullptr;
                    RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_READ, nullptr,
                                    &key, nullptr);
                    return fw::RegKey(key);
                }
            }
            return create ? fw::RegKey::TryCreate(HKEY_CURRENT_USER, path)
                          : fw::RegKey::TryOpen(HKEY_CURRENT_USER, path);
        };
        env.openKey = [open](const char* path) { return open(path, false); };
        env.createKey = [open](const char* path) { return open(path, true); };
        env.programPath = [this] {
            ++pathQueries_;
            return std::string(kSpacedPath);
        };
        return TSettingsStore(env);
    }

    int pathQueries_ = 0;
};

TEST_F(Settings, NewUserGetsDefaultsAndTheKey)
{
    const TGeneralSettings wizard = Store().LoadWizardSettings();
    EXPECT_FALSE(wizard.QuickMode);
    EXPECT_EQ(wizard.MaxHistorySteps, 10);
    EXPECT_FALSE(wizard.LeaveInClipboard);
    EXPECT_TRUE(fw::RegKey::TryOpen(HKEY_CURRENT_USER, pixwell::kGeneralKey));

    TOptionsSettings options;
    options.QuickMode = true;
    options.MaxHistorySteps = 99;
    options.StartWithWindows = true;
    Store().ReadOptionsSettings(options);
    EXPECT_FALSE(options.QuickMode);
    EXPECT_EQ(options.MaxHistorySteps, 10);
    EXPECT_FALSE(options.StartWithWindows);
}

TEST_F(Settings, OnOffValuesLookAtTheLowestByteOnly)
{
    const struct {
        DWORD stored;
        bool on;
    } cases[] = {{0, false}, {1, true}, {255, true}, {256, false}, {0x01000100, false}, {0x101, true}};
    for (const auto& c : cases) {
        WriteDword(pixwell::kQuickModeValue, c.stored);
        WriteDword(pixwell::kLeaveInClipboardValue, c.stored);
        const TGeneralSettings s = Store().LoadWizardSettings();
        EXPECT_EQ(s.QuickMode, c.on) << c.stored;
        EXPECT_EQ(s.LeaveInClipboard, c.on) << c.stored;
    }
}

TEST_F(Settings, HistoryStepsPassOnUnchanged)
{
    for (const int32_t steps : {0, -1, -500, 1000000}) {
        WriteDword(pixwell::kMaxHistoryStepsValue, static_cast<DWORD>(steps));
        EXPECT_EQ(Store().LoadWizardSettings().MaxHistorySteps, steps);
        TOptionsSettings options;
        Store().ReadOptionsGeneral(options);
        EXPECT_EQ(options.MaxHistorySteps, steps);
    }
}

TEST_F(Settings, ValuesLongerThanFourBytesGiveTheDefault)
{
    const char text[] = "12345";
    WriteRaw(pixwell::kMaxHistoryStepsValue, REG_SZ, text, sizeof text);
    const uint64_t wide = 1;
    WriteRaw(pixwell::kQuickModeValue, REG_QWORD, &wide, sizeof wide);
    WriteRaw(pixwell::kLeaveInClipboardValue, REG_BINARY, "\x01\x01\x01\x01\x01", 5);
    const TGeneralSettings s = Store().LoadWizardSettings();
    EXPECT_EQ(s.MaxHistorySteps, 10);
    EXPECT_FALSE(s.QuickMode);
    EXPECT_FALSE(s.LeaveInClipboard);
}

TEST_F(Settings, WritesOnOffAsZeroOrOneDwords)
{
    Store().StoreLeaveInClipboard(true);
    EXPECT_EQ(StoredDword(pixwell::kLeaveInClipboardValue), 1u);
    EXPECT_TRUE(Store().LoadWizardSettings().LeaveInClipboard);
    Store().StoreLeaveInClipboard(false);
    EXPECT_EQ(StoredDword(pixwell::kLeaveInClipboardValue), 0u);

    Store().SaveOptionsSettings(true, -3, false);
    EXPECT_EQ(StoredDword(pixwell::kQuickModeValue), 1u);
    EXPECT_EQ(StoredDword(pixwell::kMaxHistoryStepsValue), static_cast<DWORD>(-3));
    TOptionsSettings options;
    Store().ReadOptionsSettings(options);
    EXPECT_TRUE(options.QuickMode);
    EXPECT_EQ(options.MaxHistorySteps, -3);
}

TEST_F(Settings, AutoRunHoldsTheBarePathAndClearingTwiceIsFine)
{
    Store().SaveOptionsSettings(false, 10, true);
    const RawValue v = ReadRaw(pixwell::kAutoRunKey, pixwell::kAutoRunValue);
    ASSERT_EQ(v.status, ERROR_SUCCESS);
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
    // The whole path and its terminating zero, no quotes.
    EXPECT_EQ(std::string(v.data.begin(), v.data.end()), std::string(kSpacedPath) + '\0');
    EXPECT_TRUE(Store().ReadStartWithWindows());

    Store().SaveOptionsSettings(false, 10, false);
    EXPECT_FALSE(Store().ReadStartWithWindows());
    EXPECT_NO_THROW(Store().SaveOptionsSettings(false, 10, false));
    EXPECT_FALSE(Store().ReadStartWithWindows());
}

TEST_F(Settings, FailedQuickModeWriteStopsEverythingAfterIt)
{
    WriteDword(pixwell::kMaxHistoryStepsValue, 7);
    const TSettingsStore store = Store({pixwell::kGeneralKey});
    EXPECT_EQ(RaisedText([&] { store.SaveOptionsSettings(true, 20, true); }),
              "Error write QuickMode registry value");
    EXPECT_EQ(StoredDword(pixwell::kMaxHistoryStepsValue), 7u);
    EXPECT_EQ(ReadRaw(pixwell::kAutoRunKey, pixwell::kAutoRunValue).status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(pathQueries_, 0);
    EXPECT_EQ(RaisedText([&] { store.StoreLeaveInClipboard(true); }),
              "Error write LeaveInClipboard registry value");
}

TEST_F(Settings, AutoRunWriteFailureComesAfterTheGeneralValues)
{
    const TSettingsStore store = Store({pixwell::kAutoRunKey});
    EXPECT_EQ(RaisedText([&] { store.SaveOptionsSettings(true, 4, true); }),
              "Error write AutoRun value");
    EXPECT_EQ(StoredDword(pixwell::kQuickModeValue), 1u);
    EXPECT_EQ(StoredDword(pixwell::kMaxHistoryStepsValue), 4u);
}

TEST_F(Settings, MissingAutoRunKeyFailsAfterTheGeneralStep)
{
    WriteDword(pixwell::kQuickModeValue, 1);
    const TSettingsStore store = Store({}, {pixwell::kAutoRunKey});
    TOptionsSettings options;
    EXPECT_EQ(RaisedText([&] { store.ReadOptionsSettings(options); }),
              "Error opening AutoRun registry key");
    EXPECT_TRUE(options.QuickMode);
    EXPECT_EQ(options.MaxHistorySteps, 10);
    EXPECT_FALSE(options.StartWithWindows);

    EXPECT_EQ(RaisedText([&] { store.SaveOptionsSettings(false, 3, false); }),
              "Error opening AutoRun registry key");
    EXPECT_EQ(StoredDword(pixwell::kQuickModeValue), 0u);
    EXPECT_EQ(StoredDword(pixwell::kMaxHistoryStepsValue), 3u);
}

TEST_F(Settings, GeneralKeyThatCantBeOpenedOrCreated)
{
    const TSettingsStore store = Store({}, {pixwell::kGeneralKey});
    for (auto op : std::vector<std::function<void()>>{
             [&] { store.LoadWizardSettings(); },
             [&] { store.StoreLeaveInClipboard(true); },
             [&] { store.SaveOptionsSettings(true, 1, true); },
         })
        EXPECT_EQ(RaisedText(op), "Error opening general registry key");
    EXPECT_EQ(ReadRaw(pixwell::kAutoRunKey, pixwell::kAutoRunValue).status, ERROR_FILE_NOT_FOUND);
}

} // namespace
