// The setup file from the outside, on a machine (Wine prefix) of its own: a
// silent install and what it leaves, the installed program at work and
// replaced while it runs, failed installs that undo themselves, and the two
// kinds of uninstall. Each test starts with nothing installed.
#include "E2eDriver.h"
#include "InstallerProbe.h"
#include "VistrelE2e.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "common/PixwellInc.h"
#include "common/VistrelVersion.h"

using namespace e2e;
using namespace setup;

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vistrel";
constexpr char kUninstaller[] = "uninstall.exe";
constexpr char kLocalServer[] = "LocalServer32";
constexpr char kInprocServer[] = "InprocServer32";
constexpr long kSetupFailed = 2;

struct PackedPlugin {
    const char* library;
    const char* objectClsid;
    const char* optionsClsid;
    const char* pluginKey;
    const char* listedAs;
};

const std::vector<PackedPlugin>& PackedPlugins()
{
    static const std::vector<PackedPlugin> plugins{
        {"stowick.dll", pixwell::kStowickObjectClsid, pixwell::kStowickOptionsClsid, pixwell::kStowickPluginKey,
         kSaveToFilePlugin},
#ifdef VISTREL_SETUP_PACKS_POSTREL
        {"postrel.dll", pixwell::kPostrelObjectClsid, pixwell::kPostrelOptionsClsid, pixwell::kPostrelPluginKey,
         "E-mail File plugin"},
#endif
    };
    return plugins;
}

std::vector<std::string> PackedFiles()
{
    std::vector<std::string> files{pixwell::kHostFileName, pixwell::kHelpFileName};
    for (const PackedPlugin& plugin : PackedPlugins())
        files.emplace_back(plugin.library);
    return files;
}

std::string CheckedPluginsFile()
{
    return UserFolder(CSIDL_APPDATA) + "\\" + pixwell::kCheckedPluginsFileName;
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

long long FolderSizeInKb(const std::string& folder)
{
    long long bytes = 0;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            bytes += (static_cast<long long>(found.nFileSizeHigh) << 32) + found.nFileSizeLow;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return bytes / 1024;
}

// A local server's command line names its program in quotes when the path
// holds a space.
std::string CommandProgram(std::string command)
{
    if (command.size() >= 2 && command.front() == '"' && command.back() == '"')
        command = command.substr(1, command.size() - 2);
    return command;
}

// The program and its plug-ins are registered as served from `folder`.
void ExpectRegisteredIn(const std::string& folder)
{
    const std::string server = ClassServer(pixwell::kPixwellObjectClsid, kLocalServer).value_or("");
    EXPECT_TRUE(SamePath(CommandProgram(server), folder + "\\" + pixwell::kHostFileName)) << server;
    for (const PackedPlugin& plugin : PackedPlugins()) {
        const std::string library = folder + "\\" + plugin.library;
        EXPECT_TRUE(SamePath(ClassServer(plugin.objectClsid, kInprocServer).value_or(""), library)) << library;
        EXPECT_TRUE(SamePath(ClassServer(plugin.optionsClsid, kInprocServer).value_or(""), library)) << library;
        EXPECT_EQ(ReadString(HKEY_CURRENT_USER, plugin.pluginKey, nullptr).value_or(""), plugin.listedAs);
    }
}

void ExpectNothingRegistered()
{
    EXPECT_FALSE(ClassServer(pixwell::kPixwellObjectClsid, kLocalServer));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + pixwell::kPixwellLibId));
    for (const PackedPlugin& plugin : PackedPlugins()) {
        EXPECT_FALSE(ClassServer(plugin.objectClsid, kInprocServer)) << plugin.library;
        EXPECT_FALSE(ClassServer(plugin.optionsClsid, kInprocServer)) << plugin.library;
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, plugin.pluginKey)) << plugin.library;
    }
}

// Everything a successful install into `folder` leaves: the packed files as
// built, the registrations, the shortcut and the uninstall entry.
void ExpectInstalledIn(const std::string& folder)
{
    for (const std::string& name : PackedFiles()) {
        const auto installed = FileBytes(folder + "\\" + name);
        ASSERT_TRUE(installed) << name << " is not installed in " << folder;
        EXPECT_TRUE(installed == FileBytes(BinDir() + "\\" + name)) << name << " is not the built one";
    }
    EXPECT_TRUE(FileExists(folder + "\\" + kUninstaller));
    ExpectRegisteredIn(folder);

    const std::string exe = folder + "\\" + pixwell::kHostFileName;
    const auto shortcut = ReadShortcut(StartMenuShortcut());
    ASSERT_TRUE(shortcut) << "no Start-menu shortcut at " << StartMenuShortcut();
    EXPECT_TRUE(SamePath(shortcut->target, exe)) << shortcut->target;
    EXPECT_TRUE(SamePath(shortcut->workingFolder, folder)) << shortcut->workingFolder;

    auto entry = [](const char* name) { return ReadString(HKEY_CURRENT_USER, kUninstallKey, name).value_or(""); };
    const std::string uninstaller = Quoted(folder + "\\" + kUninstaller);
    EXPECT_EQ(entry("DisplayName"), "Vistrel");
    EXPECT_EQ(entry("DisplayVersion"), VISTREL_VERSION_TEXT);
    EXPECT_EQ(entry("Publisher"), "Orvane");
    EXPECT_TRUE(SamePath(entry("DisplayIcon"), exe)) << entry("DisplayIcon");
    EXPECT_TRUE(SamePath(entry("UninstallString"), uninstaller)) << entry("UninstallString");
    EXPECT_TRUE(SamePath(entry("QuietUninstallString"), uninstaller + " /S")) << entry("QuietUninstallString");
    EXPECT_TRUE(SamePath(entry("InstallLocation"), folder)) << entry("InstallLocation");
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kUninstallKey, "NoModify"), 1u);
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kUninstallKey, "NoRepair"), 1u);
    // Rounded up file by file.
    const long long size = ReadDword(HKEY_CURRENT_USER, kUninstallKey, "EstimatedSize").value_or(0);
    const long long expected = FolderSizeInKb(folder);
    EXPECT_GE(size, expected);
    EXPECT_LE(size, expected + 8);
}

// The names the choose page of a new wizard lists, read through the real
// mouse: a capture by the icon's double-click, a drag, "Next".
std::vector<std::string> PluginsListedInAWizard(DWORD pid, HWND tray)
{
    TrayEvent(tray, WM_LBUTTONDBLCLK);
    if (!WaitForCaptureSurface(pid))
        return {"(no capture)"};
    Pump(300ms);
    Drag({100, 100}, {300, 250});
    HWND wizard = WaitForWizard(pid);
    if (!wizard)
        return {"(no wizard)"};
    Click(WaitForChild(wizard, kNextCaption));
    HWND list = WaitForChildOfClass(wizard, kListViewClass);
    if (!list)
        return {"(no plug-in page)"};
    WaitFor([&] { return ListViewCount(list) >= static_cast<int>(PackedPlugins().size()); }, 5s);
    std::vector<std::string> names;
    for (int row = 0; row < ListViewCount(list); ++row)
        names.push_back(ListViewItemText(list, row));
    return names;
}

std::vector<std::string> PluginNames()
{
    std::vector<std::string> names;
    for (const PackedPlugin& plugin : PackedPlugins())
        names.emplace_back(plugin.listedAs);
    return names;
}

class SetupTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey)) << "an installation is left from before";
        ASSERT_TRUE(ProcessIdsByName(pixwell::kHostFileName).empty()) << "a program is left running";
    }

    // What a test leaves goes, whatever it checked: the installation with
    // its settings, and programs left running.
    void TearDown() override
    {
        if (const auto quiet = ReadString(HKEY_CURRENT_USER, kUninstallKey, "QuietUninstallString"))
            RunUninstaller(*quiet + " /REMOVESETTINGS");
        for (DWORD pid : ProcessIdsByName(pixwell::kHostFileName))
            if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
                TerminateProcess(process, 99);
                WaitForSingleObject(process, 5000);
                CloseHandle(process);
            }
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Orvane");
        DeleteFileA(CheckedPluginsFile().c_str());
    }

    ComApartment com_;
};

} // namespace

TEST_F(SetupTest, SilentInstallLeavesFilesRegistrationsShortcutAndUninstallEntry)
{
    ASSERT_EQ(RunSetup("/S"), 0);
    ExpectInstalledIn(DefaultInstallFolder());
    // Starting with Windows is only on when asked for.
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, pixwell::kAutoRunKey, pixwell::kAutoRunValue));
    // A silent install of a program that was not running starts nothing.
    EXPECT_TRUE(ProcessIdsByName(pixwell::kHostFileName).empty());
}

TEST_F(SetupTest, InstalledProgramListsThePluginsAndASilentUpdateClosesAndRestartsIt)
{
    ASSERT_EQ(RunSetup("/S"), 0);
    const std::string folder = DefaultInstallFolder();
    const auto shortcut = ReadShortcut(StartMenuShortcut());
    ASSERT_TRUE(shortcut);
    // A help file unlike the packed one tells whether the update replaced it.
    ASSERT_TRUE(AppendToFile(folder + "\\" + pixwell::kHelpFileName, "an older help file"));

    Process program(shortcut->target);
    const HWND tray = WaitForAnyTopWindow(program.Id(), kTrayWindowName, 30s);
    ASSERT_NE(tray, nullptr) << "the installed program shows no notification icon";
    EXPECT_TRUE(WaitFor(NotificationAreaShowsIcons, 10s));
    EXPECT_THAT(PluginsListedInAWizard(program.Id(), tray), testing::UnorderedElementsAreArray(PluginNames()));

    // With the wizard still open.
    ASSERT_EQ(RunSetup("/S"), 0);
    DWORD code = 99;
    ASSERT_TRUE(program.WaitExit(5s, &code)) << "the update went on while the program ran";
    EXPECT_EQ(code, 0u) << "the program was not ended the orderly way";
    EXPECT_TRUE(FileBytes(folder + "\\" + pixwell::kHelpFileName) ==
                FileBytes(BinDir() + "\\" + pixwell::kHelpFileName));
    ExpectInstalledIn(folder);

    // The program it closed runs again, from the installed copy.
    std::vector<DWORD> restarted;
    WaitFor([&] { return !(restarted = ProcessIdsByName(pixwell::kHostFileName)).empty(); }, 15s);
    ASSERT_EQ(restarted.size(), 1u) << "the closed program was not started again";
    EXPECT_NE(WaitForAnyTopWindow(restarted.front(), kTrayWindowName, 30s), nullptr);
}

TEST_F(SetupTest, AFailedUpdatePutsTheEarlierInstallationBack)
{
    ASSERT_EQ(RunSetup("/S"), 0);
    const std::string folder = DefaultInstallFolder();
    const std::string exe = folder + "\\" + pixwell::kHostFileName;
    const std::string plugin = folder + "\\" + PackedPlugins().front().library;
    // Marks that tell the earlier copies from the packed ones.
    ASSERT_TRUE(AppendToFile(exe, "earlier program"));
    ASSERT_TRUE(AppendToFile(plugin, "earlier plug-in"));
    const auto earlierExe = FileBytes(exe);
    const auto earlierPlugin = FileBytes(plugin);
    const std::string listing = FolderListing(folder);
    const auto size = ReadDword(HKEY_CURRENT_USER, kUninstallKey, "EstimatedSize");
    {
        // The help file, replaced after the program and the plug-ins, is
        // held open by someone who shares it with no one.
        HANDLE held = CreateFileA((folder + "\\" + pixwell::kHelpFileName).c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_EQ(RunSetup("/S"), kSetupFailed);
        CloseHandle(held);
    }
    EXPECT_TRUE(FileBytes(exe) == earlierExe) << "the earlier program was not put back";
    EXPECT_TRUE(FileBytes(plugin) == earlierPlugin) << "the earlier plug-in was not put back";
    EXPECT_EQ(FolderListing(folder), listing);
    ExpectRegisteredIn(folder);
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kUninstallKey, "EstimatedSize"), size);
    EXPECT_TRUE(SamePath(ReadString(HKEY_CURRENT_USER, kUninstallKey, "InstallLocation").value_or(""), folder));
}

TEST_F(SetupTest, AnUpdateThatCannotCloseTheProgramChangesNothing)
{
    ASSERT_EQ(RunSetup("/S /AUTORUN"), 0);
    const std::string folder = DefaultInstallFolder();
    const std::string help = folder + "\\" + pixwell::kHelpFileName;
    ASSERT_TRUE(AppendToFile(help, "the installed help file"));
    const auto installedHelp = FileBytes(help);
    const auto autorun = ReadString(HKEY_CURRENT_USER, pixwell::kAutoRunKey, pixwell::kAutoRunValue);

    Process program(folder + "\\" + pixwell::kHostFileName);
    ASSERT_NE(WaitForAnyTopWindow(program.Id(), kTrayWindowName, 30s), nullptr);
    // While a client holds its catalogue, the program asks before it ends.
    wchar_t clsidText[40] = {};
    MultiByteToWideChar(CP_ACP, 0, pixwell::kPixwellObjectClsid, -1, clsidText, 40);
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromString(clsidText, &clsid), S_OK);
    IUnknown* catalogue = nullptr;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&catalogue)),
              S_OK);

    EXPECT_EQ(RunSetup("/S"), kSetupFailed);
    EXPECT_TRUE(program.Running());
    const HWND question = WaitForWindowOfClass(program.Id(), "#32770");
    EXPECT_NE(question, nullptr) << "the program was not asked to end";
    if (question)
        Click(FindChild(question, "&No"));
    catalogue->Release();

    EXPECT_TRUE(FileBytes(help) == installedHelp) << "a file was replaced";
    ExpectRegisteredIn(folder);
    EXPECT_TRUE(ReadShortcut(StartMenuShortcut()));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, pixwell::kAutoRunKey, pixwell::kAutoRunValue), autorun);
    EXPECT_TRUE(SamePath(ReadString(HKEY_CURRENT_USER, kUninstallKey, "InstallLocation").value_or(""), folder));
    // The program that would not close is the only one: none was started.
    EXPECT_EQ(ProcessIdsByName(pixwell::kHostFileName).size(), 1u);
}

TEST_F(SetupTest, AFailedFirstInstallLeavesNothingBehind)
{
    const std::string parent = UserFolder(CSIDL_LOCAL_APPDATA) + "\\Setup test";
    const std::string folder = parent + "\\Vistrel";
    // In the way of the shortcut, the step after the registrations.
    ASSERT_TRUE(CreateDirectoryA(StartMenuShortcut().c_str(), nullptr));
    const long code = RunSetup("/S /D=" + folder);
    RemoveDirectoryA(StartMenuShortcut().c_str());
    EXPECT_EQ(code, kSetupFailed);
    EXPECT_FALSE(FolderExists(folder)) << FolderListing(folder);
    RemoveDirectoryA(parent.c_str());
    ExpectNothingRegistered();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
}

TEST_F(SetupTest, SilentUninstallClosesTheProgramAndRemovesEverythingButTheSettings)
{
    ASSERT_EQ(RunSetup("/S /AUTORUN"), 0);
    const std::string folder = DefaultInstallFolder();
    const std::string exe = folder + "\\" + pixwell::kHostFileName;
    // The value the settings dialog writes: the program's path, unquoted.
    EXPECT_TRUE(SamePath(ReadString(HKEY_CURRENT_USER, pixwell::kAutoRunKey, pixwell::kAutoRunValue).value_or(""),
                         exe));
    WriteDword(HKEY_CURRENT_USER, pixwell::kGeneralKey, pixwell::kQuickModeValue, 1);
    const std::string checked = std::string(pixwell::kStowickObjectClsid) + "\r\n";
    ASSERT_TRUE(WriteFileBytes(CheckedPluginsFile(), checked));

    Process program(exe);
    ASSERT_NE(WaitForAnyTopWindow(program.Id(), kTrayWindowName, 30s), nullptr);
    ASSERT_TRUE(WaitFor(NotificationAreaShowsIcons, 10s));

    // As the system's list of programs runs it.
    const auto quiet = ReadString(HKEY_CURRENT_USER, kUninstallKey, "QuietUninstallString");
    ASSERT_TRUE(quiet);
    EXPECT_EQ(RunUninstaller(*quiet), 0);

    DWORD code = 99;
    EXPECT_TRUE(program.WaitExit(5s, &code)) << "the uninstall went on while the program ran";
    EXPECT_EQ(code, 0u) << "the program was not ended the orderly way";
    EXPECT_TRUE(WaitFor([] { return !NotificationAreaShowsIcons(); }, 5s));
    EXPECT_FALSE(FolderExists(folder)) << FolderListing(folder);
    EXPECT_FALSE(FileExists(StartMenuShortcut()));
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, pixwell::kAutoRunKey, pixwell::kAutoRunValue));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
    // The plug-ins' keys go with their registration, or the host would list
    // plug-ins that are gone.
    ExpectNothingRegistered();

    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, pixwell::kGeneralKey, pixwell::kQuickModeValue), 1u);
    EXPECT_EQ(FileBytes(CheckedPluginsFile()).value_or(""), checked);
}

TEST_F(SetupTest, AChosenFolderIsKeptByTheNextInstallAndUninstallMayRemoveTheSettings)
{
    const std::string parent = UserFolder(CSIDL_LOCAL_APPDATA) + "\\My Tools";
    const std::string folder = parent + "\\Vistrel Test";
    ASSERT_EQ(RunSetup("/S /D=" + folder), 0);
    ExpectInstalledIn(folder);
    // An update without a folder goes where the installation is.
    ASSERT_EQ(RunSetup("/S"), 0);
    ExpectInstalledIn(folder);
    EXPECT_FALSE(FolderExists(DefaultInstallFolder()));

    WriteDword(HKEY_CURRENT_USER, pixwell::kGeneralKey, pixwell::kQuickModeValue, 1);
    ASSERT_TRUE(WriteFileBytes(CheckedPluginsFile(), std::string(pixwell::kStowickObjectClsid) + "\r\n"));

    EXPECT_EQ(RunUninstaller(Quoted(folder + "\\" + kUninstaller) + " /S /REMOVESETTINGS"), 0);
    EXPECT_FALSE(FolderExists(folder)) << FolderListing(folder);
    RemoveDirectoryA(parent.c_str());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
    ExpectNothingRegistered();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, pixwell::kGeneralKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Orvane"));
    EXPECT_FALSE(FileExists(CheckedPluginsFile()));
}
