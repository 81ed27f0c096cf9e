#include "E2eDriver.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <stdexcept>
#include <thread>

namespace e2e {

std::string BinDir()
{
    return VISTREL_E2E_BIN_DIR;
}

Process::Process(const std::string& exe, const std::string& args)
{
    std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    std::string dir = exe.substr(0, exe.find_last_of("\\/"));
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi_))
        throw std::runtime_error("cannot start " + cmd + " (error " + std::to_string(GetLastError()) + ")");
}

Process::~Process()
{
    if (Running()) {
        TerminateProcess(pi_.hProcess, 99);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

bool Process::Running() const
{
    return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Process::WaitExit(std::chrono::milliseconds timeout, DWORD* exitCode)
{
    bool ended = WaitFor([&] { return !Running(); }, timeout);
    if (ended && exitCode)
        GetExitCodeProcess(pi_.hProcess, exitCode);
    return ended;
}

long RunToEnd(const std::string& exe, const std::string& args, std::chrono::milliseconds timeout)
{
    Process p(exe, args);
    DWORD code = 0;
    return p.WaitExit(timeout, &code) ? static_cast<long>(code) : -1;
}

void Pump(std::chrono::milliseconds duration)
{
    auto end = std::chrono::steady_clock::now() + duration;
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        std::this_thread::sleep_for(10ms);
    } while (std::chrono::steady_clock::now() < end);
}

bool WaitFor(const std::function<bool()>& probe, std::chrono::milliseconds timeout)
{
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (probe())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        Pump(25ms);
    }
}

namespace {

struct EnumState {
    DWORD pid;
    const char* caption;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp)
{
    auto* s = reinterpret_cast<EnumState*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || (s->visibleOnly && !IsWindowVisible(hwnd)))
        return TRUE;
    if (s->caption && Caption(hwnd) != s->caption)
        return TRUE;
    s->found.push_back(hwnd);
    return TRUE;
}

} // namespace

std::vector<HWND> TopWindows(DWORD processId, const char* caption)
{
    EnumState s{processId, caption, true, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::vector<HWND> AllTopWindows(DWORD processId, const char* caption)
{
    EnumState s{processId, caption, false, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

namespace {

// The first window `list` reports, waiting for one to appear.
HWND WaitForFirst(const std::function<std::vector<HWND>()>& list, std::chrono::milliseconds timeout)
{
    HWND found = nullptr;
    WaitFor([&] {
        const std::vector<HWND> all = list();
        found = all.empty() ? nullptr : all.front();
        return found != nullptr;
    }, timeout);
    return found;
}

} // namespace

HWND WaitForAnyTopWindow(DWORD processId, const char* caption, std::chrono::milliseconds timeout)
{
    return WaitForFirst([&] { return AllTopWindows(processId, caption); }, timeout);
}

std::string ClassName(HWND hwnd)
{
    char cls[128] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    return cls;
}

HWND WaitForWindowOfClass(DWORD processId, const char* className, std::chrono::milliseconds timeout)
{
    HWND found = nullptr;
    WaitFor([&] {
        for (HWND hwnd : TopWindows(processId))
            if (lstrcmpiA(ClassName(hwnd).c_str(), className) == 0) {
                found = hwnd;
                return true;
            }
        return false;
    }, timeout);
    return found;
}

std::vector<DWORD> ProcessIdsByName(const char* exeName)
{
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, exeName) == 0)
            ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

bool WaitProcessGone(DWORD processId, std::chrono::milliseconds timeout)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process)
        return true; // already gone
    const bool gone = WaitFor([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, timeout);
    CloseHandle(process);
    return gone;
}

HWND WaitForTopWindow(DWORD processId, const char* caption, std::chrono::milliseconds timeout)
{
    return WaitForFirst([&] { return TopWindows(processId, caption); }, timeout);
}

std::vector<HWND> MessageWindows(DWORD processId)
{
    std::vector<HWND> found;
    HWND child = nullptr;
    while ((child = FindWindowExA(HWND_MESSAGE, child, nullptr, nullptr)) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(child, &pid);
        if (pid == processId)
            found.push_back(child);
    }
    return found;
}

namespace {

struct ChildSearch {
    const char* caption;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND hwnd, LPARAM lp)
{
    auto* s = reinterpret_cast<ChildSearch*>(lp);
    if (!IsWindowVisible(hwnd) || WindowText(hwnd) != s->caption)
        return TRUE;
    if (s->className && lstrcmpiA(ClassName(hwnd).c_str(), s->className) != 0)
        return TRUE;
    s->found = hwnd;
    return FALSE;
}

} // namespace

HWND FindChild(HWND parent, const char* caption, const char* className)
{
    ChildSearch s{caption, className, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

namespace {

struct ClassSearch {
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK MatchClass(HWND hwnd, LPARAM lp)
{
    auto* s = reinterpret_cast<ClassSearch*>(lp);
    if (IsWindowVisible(hwnd) && lstrcmpiA(ClassName(hwnd).c_str(), s->className) == 0)
        s->found.push_back(hwnd);
    return TRUE;
}

// A block of memory in the process that owns a window, freed on destruction.
class RemoteMemory {
public:
    RemoteMemory(HWND owner, size_t size)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (!process_)
            throw std::runtime_error("cannot open the process of a window");
        address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!address_) {
            CloseHandle(process_);
            throw std::runtime_error("cannot allocate memory in the process of a window");
        }
    }
    ~RemoteMemory()
    {
        VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        CloseHandle(process_);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    void* Address(size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
    void Write(const void* data, size_t size, size_t offset = 0) const
    {
        WriteProcessMemory(process_, Address(offset), data, size, nullptr);
    }
    void Read(void* data, size_t size, size_t offset = 0) const
    {
        ReadProcessMemory(process_, Address(offset), data, size, nullptr);
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

} // namespace

std::vector<HWND> ChildrenOfClass(HWND parent, const char* className)
{
    ClassSearch s{className, {}};
    EnumChildWindows(parent, MatchClass, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

int ListViewCount(HWND listView)
{
    return static_cast<int>(SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0));
}

std::string ListViewItemText(HWND listView, int item, int subItem)
{
    constexpr size_t kTextSize = 512;
    RemoteMemory memory(listView, sizeof(LVITEMA) + kTextSize);
    LVITEMA request{};
    request.iSubItem = subItem;
    request.pszText = static_cast<char*>(memory.Address(sizeof(LVITEMA)));
    request.cchTextMax = kTextSize;
    memory.Write(&request, sizeof request);
    SendMessageA(listView, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(memory.Address()));
    char text[kTextSize] = {};
    memory.Read(text, kTextSize - 1, sizeof(LVITEMA));
    return text;
}

RECT ListViewItemRect(HWND listView, int item, int part)
{
    RemoteMemory memory(listView, sizeof(RECT));
    RECT rect{};
    rect.left = part;
    memory.Write(&rect, sizeof rect);
    SendMessageA(listView, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(memory.Address()));
    memory.Read(&rect, sizeof rect);
    MapWindowPoints(listView, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT ToolBarButtonRect(HWND toolBar, int index)
{
    RemoteMemory memory(toolBar, sizeof(RECT));
    RECT rect{};
    SendMessageA(toolBar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(memory.Address()));
    memory.Read(&rect, sizeof rect);
    MapWindowPoints(toolBar, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

UINT ListViewItemState(HWND listView, int item, UINT mask)
{
    return static_cast<UINT>(SendMessageA(listView, LVM_GETITEMSTATE, item, mask));
}

std::string Caption(HWND hwnd)
{
    wchar_t text[512] = {};
    InternalGetWindowText(hwnd, text, 512);
    char ansi[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, nullptr, nullptr);
    return ansi;
}

std::string WindowText(HWND hwnd)
{
    char buf[512] = {};
    // WM_GETTEXT through SendMessageTimeout: a hung target must not hang the test.
    DWORD_PTR len = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG,
                        2000, &len);
    return buf;
}

RECT ScreenRect(HWND hwnd)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

namespace {

void SendMouse(DWORD flags, int x, int y)
{
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((x * 65535LL) / (w - 1));
    in.mi.dy = static_cast<LONG>((y * 65535LL) / (h - 1));
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

} // namespace

void MoveMouse(int x, int y)
{
    SendMouse(MOUSEEVENTF_MOVE, x, y);
    Pump(20ms);
}

void MouseButton(int x, int y, bool down, int button)
{
    static const DWORD downFlags[] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_MIDDLEDOWN};
    static const DWORD upFlags[] = {MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTUP, MOUSEEVENTF_MIDDLEUP};
    SendMouse(MOUSEEVENTF_MOVE | (down ? downFlags[button] : upFlags[button]), x, y);
    Pump(30ms);
}

void Drag(POINT from, POINT to, int button, int steps)
{
    MoveMouse(from.x, from.y);
    MouseButton(from.x, from.y, true, button);
    for (int i = 1; i <= steps; ++i)
        MoveMouse(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
    MouseButton(to.x, to.y, false, button);
}

void ClickAt(int x, int y, int button)
{
    MoveMouse(x, y);
    MouseButton(x, y, true, button);
    MouseButton(x, y, false, button);
}

void Click(HWND control)
{
    // The click lands only where the control is on top: wait a moment until
    // nothing covers its centre (a window still going away, or the control's
    // own window not yet shown) and it takes input.
    POINT centre{};
    WaitFor([&] {
        const RECT r = ScreenRect(control);
        centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        const HWND hit = WindowFromPoint(centre);
        return control && (hit == control || IsChild(control, hit)) && IsWindowEnabled(control);
    }, 3s);
    ClickAt(centre.x, centre.y);
}

void KeyPress(WORD vk)
{
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    Pump(30ms);
}

void KeyChord(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> in;
    for (WORD vk : keys) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wVk = vk;
        in.push_back(down);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        INPUT up{};
        up.type = INPUT_KEYBOARD;
        up.ki.wVk = *--it;
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        in.push_back(up);
    }
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    Pump(30ms);
}

void TypeText(const std::string& text)
{
    for (char c : text) {
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = in[1].ki.wScan = static_cast<unsigned char>(c);
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    }
    Pump(50ms);
}

COLORREF ScreenPixel(int x, int y)
{
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return c;
}

std::vector<COLORREF> ScreenPixels(const RECT& rect)
{
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    std::vector<COLORREF> pixels;
    if (w <= 0 || h <= 0)
        return pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib) {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        const auto* px = static_cast<const DWORD*>(bits);
        pixels.resize(static_cast<size_t>(w) * h);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = RGB((px[i] >> 16) & 0xFF, (px[i] >> 8) & 0xFF, px[i] & 0xFF);
        SelectObject(memory, old);
        DeleteObject(dib);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

ClipboardImage ReadClipboardImage()
{
    ClipboardImage img;
    if (!OpenClipboard(nullptr))
        return img;
    if (HANDLE h = GetClipboardData(CF_DIB)) {
        auto* bi = static_cast<BITMAPINFO*>(GlobalLock(h));
        SIZE_T total = GlobalSize(h);
        if (bi && total >= sizeof(BITMAPINFOHEADER)) {
            // Let GDI decode whatever layout the DIB has into 32-bit top-down pixels.
            img.width = bi->bmiHeader.biWidth;
            img.height = bi->bmiHeader.biHeight < 0 ? -bi->bmiHeader.biHeight : bi->bmiHeader.biHeight;
            img.bitCount = bi->bmiHeader.biBitCount;
            DWORD colours = bi->bmiHeader.biClrUsed;
            if (!colours && img.bitCount <= 8)
                colours = 1u << img.bitCount;
            size_t masks = bi->bmiHeader.biCompression == BI_BITFIELDS ? 3 * sizeof(DWORD) : 0;
            const BYTE* bits = reinterpret_cast<const BYTE*>(bi) + bi->bmiHeader.biSize + masks +
                               colours * sizeof(RGBQUAD);
            HDC screen = GetDC(nullptr);
            BITMAPINFO out{};
            out.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            out.bmiHeader.biWidth = img.width;
            out.bmiHeader.biHeight = -img.height;
            out.bmiHeader.biPlanes = 1;
            out.bmiHeader.biBitCount = 32;
            out.bmiHeader.biCompression = BI_RGB;
            void* outBits = nullptr;
            HBITMAP dib = CreateDIBSection(screen, &out, DIB_RGB_COLORS, &outBits, nullptr, 0);
            if (dib && img.width > 0 && img.height > 0) {
                SetDIBits(screen, dib, 0, img.height, bits, bi, DIB_RGB_COLORS);
                GdiFlush();
                const auto* px = static_cast<const DWORD*>(outBits);
                img.pixels.resize(static_cast<size_t>(img.width) * img.height);
                for (size_t i = 0; i < img.pixels.size(); ++i) {
                    DWORD v = px[i];
                    img.pixels[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
                }
                img.valid = true;
            }
            if (dib)
                DeleteObject(dib);
            ReleaseDC(nullptr, screen);
        }
        GlobalUnlock(h);
    }
    CloseClipboard();
    return img;
}

void EmptyClipboardNow()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

COLORREF PatternWindow::PatternColour(int x, int y)
{
    // Distinct in every channel along both axes, so an off-by-one shows.
    return RGB((x * 7 + y) & 0xFF, (y * 5 + 3 * x) & 0xFF, ((x / 4) * 16 + (y / 4) * 8) & 0xFF);
}

LRESULT CALLBACK PatternWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT wr;
        GetWindowRect(hwnd, &wr);
        int w = wr.right - wr.left, h = wr.bottom - wr.top;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        std::vector<DWORD> px(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                COLORREF c = PatternColour(wr.left + x, wr.top + y);
                px[static_cast<size_t>(y) * w + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
            }
        SetDIBitsToDevice(dc, 0, 0, w, h, 0, 0, 0, h, px.data(), &bi, DIB_RGB_COLORS);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

PatternWindow::PatternWindow(RECT screenRect) : rect_(screenRect)
{
    static ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VistrelE2ePattern";
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        return RegisterClassA(&wc);
    }();
    (void)atom;
    hwnd_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "VistrelE2ePattern", "",
                            WS_POPUP | WS_VISIBLE, rect_.left, rect_.top, rect_.right - rect_.left,
                            rect_.bottom - rect_.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(hwnd_);
    // Wine hands the pixels to the X server asynchronously: wait until the
    // screen really shows the pattern, so a capture can't catch it half-drawn.
    const POINT probes[] = {{rect_.left, rect_.top},
                            {(rect_.left + rect_.right) / 2, (rect_.top + rect_.bottom) / 2},
                            {rect_.right - 1, rect_.bottom - 1}};
    WaitFor([&] {
        for (const POINT& p : probes)
            if (ScreenPixel(p.x, p.y) != PatternColour(p.x, p.y))
                return false;
        return true;
    }, 3s);
}

PatternWindow::~PatternWindow()
{
    if (hwnd_)
        DestroyWindow(hwnd_);
}

} // namespace e2e
