#include "help/HelpDisplay.h"

#include "base/Errors.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr UINT kHHDisplayTopic = 0x0000; // HH_DISPLAY_TOPIC
constexpr UINT kHHCloseAll = 0x0012;     // HH_CLOSE_ALL

std::string FolderOf(const std::string& path)
{
    auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool FileExists(const std::string& path)
{
    DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

// Creating and deleting a scratch file is the only reliable test of write
// access: attributes and ACLs do not tell about virtualised or read-only media.
bool ProbeWritable(const std::string& folder)
{
    std::string probe = folder + THelpDisplay::kProbeFileName;
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    DeleteFileA(probe.c_str());
    return true;
}

} // namespace

namespace {
THelpDisplay* programHelp = nullptr;
} // namespace

THelpDisplay* ProgramHelp()
{
    return programHelp;
}

void SetProgramHelp(THelpDisplay* help)
{
    programHelp = help;
}

void ShowProgramHelpTopic(const std::string& topic, HWND owner)
{
    if (!programHelp)
        throw fw::Error("Help is not available.");
    programHelp->ShowTopic(topic, owner);
}

bool HelpDebugSwitch(const std::string& commandLine)
{
    // Split like the C runtime does for plain switches; quoted program paths
    // with blanks must not hide or fake a switch.
    size_t i = 0;
    while (i < commandLine.size()) {
        while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t'))
            ++i;
        std::string token;
        bool quoted = false;
        while (i < commandLine.size() && (quoted || (commandLine[i] != ' ' && commandLine[i] != '\t'))) {
            if (commandLine[i] == '"')
                quoted = !quoted;
            else
                token += commandLine[i];
            ++i;
        }
        if (token.size() == 6 && (token[0] == '/' || token[0] == '-') &&
            lstrcmpiA(token.c_str() + 1, "debug") == 0)
            return true;
    }
    return false;
}

THelpDisplay::THelpDisplay(std::string helpFilePath, const std::string& commandLine)
    : helpFile_(std::move(helpFilePath)), folder_(FolderOf(helpFile_))
{
    folderWritable_ = ProbeWritable(folder_);
    std::string trace = folder_ + kTraceFileName;
    DeleteFileA(trace.c_str());
    tracing_ = folderWritable_ &&
               (HelpDebugSwitch(commandLine) || FileExists(folder_ + kDebugMarkerFileName));
    Trace("help display created for " + helpFile_);
}

THelpDisplay::~THelpDisplay()
{
    Trace("help display destroyed");
    if (viewerModule_)
        FreeLibrary(viewerModule_);
}

THelpDisplay::HtmlHelpFn THelpDisplay::Viewer()
{
    if (!viewerLooked_) {
        viewerLooked_ = true;
        viewerModule_ = LoadLibraryA("hhctrl.ocx");
        if (viewerModule_)
            htmlHelp_ = reinterpret_cast<HtmlHelpFn>(
                reinterpret_cast<void*>(GetProcAddress(viewerModule_, "HtmlHelpA")));
        Trace(htmlHelp_ ? "HTML Help viewer loaded" : "HTML Help viewer not available");
    }
    return htmlHelp_;
}

void THelpDisplay::ShowTopic(const std::string& topic, HWND owner)
{
    if (!FileExists(helpFile_)) {
        Trace("help file missing: " + helpFile_);
        throw fw::Error("The help file " + helpFile_ + " was not found.");
    }
    HtmlHelpFn htmlHelp = Viewer();
    if (!htmlHelp)
        throw fw::Error("The HTML Help viewer (hhctrl.ocx) is not installed.");
    std::string target = helpFile_ + "::/" + topic;
    HWND window = htmlHelp(owner, target.c_str(), kHHDisplayTopic, 0);
    char line[64];
    std::snprintf(line, sizeof line, " -> window %p", static_cast<void*>(window));
    Trace("HH_DISPLAY_TOPIC " + target + line);
}

void THelpDisplay::CloseAll()
{
    // Closing needs no viewer that was never opened.
    if (htmlHelp_)
        htmlHelp_(nullptr, nullptr, kHHCloseAll, 0);
    Trace("HH_CLOSE_ALL");
}

void THelpDisplay::Trace(const std::string& line)
{
    if (!tracing_)
        return;
    std::string path = folder_ + kTraceFileName;
    HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    SYSTEMTIME t;
    GetLocalTime(&t);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02u:%02u:%02u.%03u ", t.wHour, t.wMinute, t.wSecond,
                  t.wMilliseconds);
    std::string text = stamp + line + "\r\n";
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
}
