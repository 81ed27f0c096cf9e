// Black-box driving of the built program for end-to-end tests: start it,
// find its windows, move and click the real mouse, type, read the screen and
// the clipboard. Everything goes through the same input path a user's does.
#pragma once
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;

// The folder holding vistrel.exe and the plug-ins of this build.
std::string BinDir();

// A started program; killed on destruction if it is still running.
class Process {
public:
    Process(const std::string& exe, const std::string& args = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    DWORD Id() const { return pi_.dwProcessId; }
    HANDLE Handle() const { return pi_.hProcess; }
    bool Running() const;
    // Waits for the end; returns the exit code, or nothing on time-out.
    bool WaitExit(std::chrono::milliseconds timeout, DWORD* exitCode = nullptr);

private:
    PROCESS_INFORMATION pi_{};
};

// Runs a program to its end and returns its exit code (or -1 on time-out).
long RunToEnd(const std::string& exe, const std::string& args,
              std::chrono::milliseconds timeout = 60s);

// Polls `probe` while pumping this thread's messages until it returns true.
bool WaitFor(const std::function<bool()>& probe, std::chrono::milliseconds timeout = 10s);

// Visible top-level windows of a process, optionally with a given caption.
std::vector<HWND> TopWindows(DWORD processId, const char* caption = nullptr);
HWND WaitForTopWindow(DWORD processId, const char* caption, std::chrono::milliseconds timeout = 10s);
// Message-only windows of a process.
std::vector<HWND> MessageWindows(DWORD processId);
// Top-level windows of a process, hidden ones included (the notification
// icon's window is one), optionally with a given caption.
std::vector<HWND> AllTopWindows(DWORD processId, const char* caption = nullptr);
HWND WaitForAnyTopWindow(DWORD processId, const char* caption, std::chrono::milliseconds timeout = 10s);
// A visible top-level window of a process with the given class ("#32768" is
// a pop-up menu, "#32770" a message box).
HWND WaitForWindowOfClass(DWORD processId, const char* className, std::chrono::milliseconds timeout = 10s);
std::string ClassName(HWND hwnd);

// Running processes whose program file is `exeName` ("vistrel.exe").
std::vector<DWORD> ProcessIdsByName(const char* exeName);
bool WaitProcessGone(DWORD processId, std::chrono::milliseconds timeout = 10s);

// A visible, enabled child control with the given caption (class optional).
HWND FindChild(HWND parent, const char* caption, const char* className = nullptr);
std::string WindowText(HWND hwnd);
// The text the system keeps for a window (a top-level window's caption),
// read without sending it a message: hidden windows of the program may not
// answer WM_GETTEXT.
std::string Caption(HWND hwnd);
RECT ScreenRect(HWND hwnd);

// Real input through SendInput.
void MoveMouse(int x, int y);
void MouseButton(int x, int y, bool down, int button = 0); // 0 left, 1 right, 2 middle
void Drag(POINT from, POINT to, int button = 0, int steps = 8);
void ClickAt(int x, int y, int button = 0);
void Click(HWND control); // clicks the centre of a control
void KeyPress(WORD vk);
// Presses the keys in order and releases them in reverse (Shift+Home...).
void KeyChord(std::initializer_list<WORD> keys);
void TypeText(const std::string& text);

// Visible descendants of a window with the given class ("Edit", "ComboBox").
std::vector<HWND> ChildrenOfClass(HWND parent, const char* className);

// A list view of another process, read through memory of that process: its
// messages carry pointers, which the system does not carry across processes.
int ListViewCount(HWND listView);
std::string ListViewItemText(HWND listView, int item, int subItem = 0);
// LVIR_BOUNDS, LVIR_ICON or LVIR_LABEL rectangle of an item, in screen coordinates.
RECT ListViewItemRect(HWND listView, int item, int part);
UINT ListViewItemState(HWND listView, int item, UINT mask);
// A tool bar button's rectangle (by index), in screen coordinates.
RECT ToolBarButtonRect(HWND toolBar, int index);

// Screen and clipboard.
COLORREF ScreenPixel(int x, int y);
// The pixels of a screen rectangle in one copy, top-down, row-major.
std::vector<COLORREF> ScreenPixels(const RECT& rect);
struct ClipboardImage {
    int width = 0, height = 0, bitCount = 0;
    std::vector<COLORREF> pixels; // top-down, row-major
    bool valid = false;
};
ClipboardImage ReadClipboardImage();
void EmptyClipboardNow();

// A topmost window painting a deterministic pattern, so that what a capture
// holds can be predicted pixel by pixel: colour = PatternColour(x, y) in
// screen coordinates.
class PatternWindow {
public:
    explicit PatternWindow(RECT screenRect);
    ~PatternWindow();
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;
    HWND Handle() const { return hwnd_; }
    static COLORREF PatternColour(int x, int y);

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND hwnd_ = nullptr;
    RECT rect_{};
};

void Pump(std::chrono::milliseconds duration);

} // namespace e2e
