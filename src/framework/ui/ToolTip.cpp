#include "ui/ToolTip.h"
#include "base/Errors.h"
#include "base/Module.h"
#include <commctrl.h>

namespace fw {

namespace {

constexpr const char* kCreateToolTipFailed = "Cannot create hint window";

// The size every version of the common controls accepts.
TOOLINFOA ToolInfo(HWND window, UINT_PTR id, UINT flags)
{
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.uFlags = flags;
    info.hwnd = window;
    info.uId = id;
    return info;
}

} // namespace

ToolTip::ToolTip(Window& owner)
{
    HWND top = GetAncestor(owner.Handle(), GA_ROOT);
    hwnd_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, top, nullptr,
                            ThisModule(), nullptr);
    if (!hwnd_)
        RaiseLastOSError(kCreateToolTipFailed);
}

ToolTip::~ToolTip()
{
    if (hwnd_)
        DestroyWindow(hwnd_);
}

void ToolTip::Add(Window& window, const std::string& text)
{
    // The tool-tip watches the window's mouse messages itself.
    TOOLINFOA info = ToolInfo(window.Handle(), reinterpret_cast<UINT_PTR>(window.Handle()),
                              TTF_IDISHWND | TTF_SUBCLASS);
    info.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(hwnd_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    SendMessageA(hwnd_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void ToolTip::AddPart(Window& window, UINT_PTR part, const RECT& rect, const std::string& text)
{
    TOOLINFOA info = ToolInfo(window.Handle(), part, TTF_SUBCLASS);
    info.rect = rect;
    info.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(hwnd_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    SendMessageA(hwnd_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

std::string ToolTip::Text(const Window& window) const
{
    return Lookup(window.Handle(), reinterpret_cast<UINT_PTR>(window.Handle()), TTF_IDISHWND);
}

std::string ToolTip::PartText(const Window& window, UINT_PTR part) const
{
    return Lookup(window.Handle(), part, 0);
}

void ToolTip::Pop()
{
    SendMessageA(hwnd_, TTM_POP, 0, 0);
}

std::string ToolTip::Lookup(HWND window, UINT_PTR id, UINT flags) const
{
    // Hints are short; the buffer's size bounds the copy.
    char buffer[256] = {};
    TOOLINFOA info = ToolInfo(window, id, flags);
    info.lpszText = buffer;
    SendMessageA(hwnd_, TTM_GETTEXTA, sizeof buffer - 1, reinterpret_cast<LPARAM>(&info));
    return buffer;
}

} // namespace fw
