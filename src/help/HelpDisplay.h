// Shows pages of the program's HTML help file through the system's HTML Help
// viewer, which is loaded only when first needed so that a machine without it
// still runs the program.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

class THelpDisplay {
public:
    // Only records where the help file is: a missing file must not stop start-up.
    // `commandLine` and the program's folder decide whether help calls are traced.
    THelpDisplay(std::string helpFilePath, const std::string& commandLine);
    ~THelpDisplay();
    THelpDisplay(const THelpDisplay&) = delete;
    THelpDisplay& operator=(const THelpDisplay&) = delete;

    // Opens `topic` (a page file name inside the help file). Raises fw::Error
    // when the help file or the viewer is missing.
    void ShowTopic(const std::string& topic, HWND owner = nullptr);
    // Closes every help window the program opened.
    void CloseAll();

    const std::string& HelpFilePath() const { return helpFile_; }
    bool FolderWritable() const { return folderWritable_; }
    bool Tracing() const { return tracing_; }

    static constexpr char kTraceFileName[] = "HHDebug.txt";
    static constexpr char kProbeFileName[] = "$_Temp_$.$$$";
    static constexpr char kDebugMarkerFileName[] = "debug.debug";

private:
    using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    HtmlHelpFn Viewer();
    void Trace(const std::string& line);

    std::string helpFile_;
    std::string folder_;
    bool folderWritable_ = false;
    bool tracing_ = false;
    HMODULE viewerModule_ = nullptr;
    HtmlHelpFn htmlHelp_ = nullptr;
    bool viewerLooked_ = false;
};

// The program's one help display, created by the tray window at start-up and
// used by every window's Help button or menu item. Null outside the program
// (tests), where showing a topic raises fw::Error.
THelpDisplay* ProgramHelp();
void SetProgramHelp(THelpDisplay* help);
void ShowProgramHelpTopic(const std::string& topic, HWND owner = nullptr);

// Shows a topic of the program's help file for a window's Help button (the
// wizard's, the settings dialog's); windows default to ShowProgramHelpTopic,
// tests record the topics instead.
using THelpTopicDisplay = std::function<void(const std::string& topic, HWND owner)>;

// True when the command line holds the switch "/debug" or "-debug" (any case).
bool HelpDebugSwitch(const std::string& commandLine);
