// Mouse and key input for the image editor's tests: the messages a user's
// mouse and keyboard send to the picture, the tool bar and the focused
// control, through the wizard's message loop where keys are previewed.
#pragma once
#include "wizard/AfterScreenShotWindowUnit.h"
#include "ui/Application.h"

#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <vector>

namespace editor_test {

inline void SendMouse(const fw::Window& target, UINT msg, WPARAM keys, POINT at)
{
    SendMessageA(target.Handle(), msg, keys, MAKELPARAM(at.x & 0xFFFF, at.y & 0xFFFF));
}

// A press at the first point, a move to each later one, the release at the last.
inline void Drag(const fw::Window& picture, const std::vector<POINT>& path, bool right = false)
{
    const WPARAM held = right ? MK_RBUTTON : MK_LBUTTON;
    SendMouse(picture, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, held, path.front());
    for (std::size_t i = 1; i < path.size(); ++i)
        SendMouse(picture, WM_MOUSEMOVE, held, path[i]);
    SendMouse(picture, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, path.back());
}

inline void ClickAt(const fw::Window& target, POINT at)
{
    SendMouse(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMouse(target, WM_LBUTTONUP, 0, at);
}

// A click on a tool bar button as the mouse makes one.
inline void Click(const fw::ToolBar& bar, const fw::ToolButton& button)
{
    const fw::Bounds b = button.GetBounds();
    const POINT centre{b.left + b.width / 2, b.top + b.height / 2};
    SendMouse(bar, WM_MOUSEMOVE, 0, centre);
    ClickAt(bar, centre);
}

// A key pressed while `held` keys are down, through the message loop, where
// the wizard previews it before the focused control gets it.
inline void PressKey(WORD key, std::initializer_list<WORD> held = {})
{
    BYTE normal[256];
    GetKeyboardState(normal);
    BYTE pressed[256];
    std::copy(std::begin(normal), std::end(normal), pressed);
    bool alt = false;
    for (WORD h : held) {
        pressed[h] |= 0x80;
        alt = alt || h == VK_MENU;
    }
    SetKeyboardState(pressed);
    // With Alt held a key comes as a system key, its context bit set.
    const LPARAM flags = (static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16) | 1 | (alt ? 1 << 29 : 0);
    HWND focus = GetFocus();
    PostMessageA(focus, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, flags);
    PostMessageA(focus, alt ? WM_SYSKEYUP : WM_KEYUP, key, flags | 0xC0000000);
    fw::App().ProcessMessages();
    SetKeyboardState(normal);
}

// Chooses entry `index` (0 "1 bit" ... 6 "32 bit") of the colour-depth menu:
// the menu's own loop reads the keys posted before it opens.
inline void ChooseDepth(TAfterScreenShotWindow& w, int index)
{
    for (int i = 0; i <= index; ++i) {
        PostMessageA(w.Handle(), WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(w.Handle(), WM_KEYUP, VK_DOWN, 0xC0000000);
    }
    PostMessageA(w.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    Click(*w.ToolBar, *w.tbSettings);
}

} // namespace editor_test
