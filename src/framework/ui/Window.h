// The base of every window of the framework. One window procedure serves all
// windows of our own class, one subclass procedure all common controls; both
// find the object through the pointer stored when the window was created and
// funnel every message through Dispatch, where an exception escaping a
// handler is caught and given to the application's default error handler.
// The pointer is removed before the object goes away, so no message reaches
// a half-destroyed window.
#pragma once
#include "gdi/Graphics.h"
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

// Place and size in pixels; for child windows in the parent's client area,
// for top-level windows on the screen.
struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Bounds&) const = default;
};

// Bounds multiplied by m/d edge by edge, so that neighbours stay flush.
Bounds ScaledBounds(const Bounds& bounds, int m, int d) noexcept;

enum class Align { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Mouse pointer shapes; the values are the ones the program's design uses.
enum Cursor : int {
    crDefault = 0,
    crNone = -1,
    crArrow = -2,
    crCross = -3,
    crIBeam = -4,
    crSizeNESW = -6,
    crSizeNS = -7,
    crSizeNWSE = -8,
    crSizeWE = -9,
    crUpArrow = -10,
    crHourGlass = -11,
    crNo = -18,
    crAppStart = -19,
    crHelp = -20,
    crHandPoint = -21,
    crSizeAll = -22,
};
HCURSOR CursorHandle(Cursor cursor) noexcept;

enum class MouseButton { mbLeft, mbRight, mbMiddle };

using ShiftState = unsigned;
enum : ShiftState {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64,
};
// Shift, Alt and Ctrl as the keyboard has them now.
ShiftState KeyboardShiftState() noexcept;

using NotifyEvent = std::function<void()>;
using MouseEvent = std::function<void(MouseButton button, ShiftState shift, int x, int y)>;
using MouseMoveEvent = std::function<void(ShiftState shift, int x, int y)>;
// Setting `key` to 0 swallows the key.
using KeyEvent = std::function<void(WORD& key, ShiftState shift)>;
using KeyPressEvent = std::function<void(char& key)>;

// Runs `event`, when set, on the key a key message carries in `wParam` and
// puts the key it chose back there. False when the event swallowed the key.
bool PassKey(const KeyEvent& event, WPARAM& wParam);
bool PassKeyPress(const KeyPressEvent& event, WPARAM& wParam);

class Form;

class Window {
public:
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const noexcept { return handle_; }
    // The framework object behind a window of this process, or null.
    static Window* FromHandle(HWND hwnd) noexcept;
    Window* Parent() const noexcept { return parent_; }
    const std::vector<Window*>& Children() const noexcept { return children_; }
    // The form this window sits on (itself for a form), or null.
    Form* ParentForm() noexcept;
    // This window as a form, or null.
    virtual Form* AsForm() noexcept { return nullptr; }

    // Geometry: child windows in the parent's client pixels.
    Bounds GetBounds() const;
    void SetBounds(const Bounds& bounds);
    int Left() const { return GetBounds().left; }
    int Top() const { return GetBounds().top; }
    int Width() const { return GetBounds().width; }
    int Height() const { return GetBounds().height; }
    void SetLeft(int left);
    void SetTop(int top);
    void SetWidth(int width);
    void SetHeight(int height);
    int ClientWidth() const;
    int ClientHeight() const;
    POINT ClientToScreen(POINT point) const;
    POINT ScreenToClient(POINT point) const;

    bool Visible() const;
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const;
    void SetEnabled(bool enabled);
    std::string Text() const;
    void SetText(const std::string& text);
    bool Focused() const;
    void SetFocus();
    void Invalidate();
    void Update();
    // Moves the window in the tab order of its siblings to position `index`.
    void SetTabOrder(int index);

    // Font: by default the parent's (shared); setting one stops following it.
    const fw::Font& Font() const noexcept { return font_; }
    void SetFont(const fw::Font& font);
    HFONT FontHandle() const noexcept;
    bool ParentFont() const noexcept { return parentFont_; }

    // Background colour: by default the parent's.
    Color GetColor() const noexcept;
    void SetColor(Color color);
    bool ParentColor() const noexcept { return parentColor_; }
    void SetParentColor(bool on);
    HBRUSH BackgroundBrush();

    Cursor GetCursor() const noexcept { return cursor_; }
    void SetCursor(Cursor cursor) { cursor_ = cursor; }

    Align GetAlign() const noexcept { return align_; }
    void SetAlign(Align align);

    // Destroys the window now (children included); the object stays, empty.
    void DestroyHandle() noexcept;

    // Display scaling: multiplies place, size, font and the control's own
    // metrics (column widths, glyphs) by m/d, its children included. A window
    // that is not scaled keeps all of that, and so do its children: pictures
    // shown one screen pixel per image pixel, text drawn at picture size.
    void ChangeScale(int m, int d);
    bool Scaled() const noexcept { return scaled_; }
    void SetScaled(bool on) noexcept { scaled_ = on; }

    MouseEvent OnMouseDown;
    MouseMoveEvent OnMouseMove;
    MouseEvent OnMouseUp;
    KeyEvent OnKeyDown;
    KeyEvent OnKeyUp;
    KeyPressEvent OnKeyPress;
    NotifyEvent OnEnter;
    NotifyEvent OnExit;

protected:
    Window() = default;

    struct CreateParams {
        const char* className = nullptr; // null: the framework's own class
        DWORD style = 0;
        DWORD exStyle = 0;
        Window* parent = nullptr;        // child windows: their parent
        HWND ownerHandle = nullptr;      // top-level windows: their owner
        Bounds bounds;
        std::string text;
    };
    // Creates the window: of our own class (the object is attached at
    // WM_NCCREATE) or a system control class (subclassed right after).
    void CreateHandle(const CreateParams& params);

    // Handles one message; the default does the common work (mouse, keys,
    // focus, cursor, colours, reflected notifications) and calls
    // DefaultHandler. Exceptions are caught by the caller.
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);

    // Notifications a common control sends to its parent come back to the
    // control's object here. Return true when handled.
    virtual bool HandleCommand(WORD /*code*/) { return false; }
    // A notification that names one of the control's items by its command
    // identifier (a tool bar's button); by default HandleCommand.
    virtual bool HandleItemCommand(WORD /*item*/, WORD code) { return HandleCommand(code); }
    virtual bool HandleNotify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    // WM_CTLCOLOR*: a brush for the background, or null for the default.
    virtual HBRUSH HandleCtlColor(HDC /*dc*/) { return nullptr; }
    // A ctl-colour answer that paints with the parent's background and the
    // font's colour (labels, check boxes).
    HBRUSH ParentBackgroundCtlColor(HDC dc);

    // Own-class windows paint here (the background is already erased).
    virtual void Paint(HDC /*dc*/, const RECT& /*area*/) {}
    // The client area changed size (after aligned children were placed).
    virtual void Resized() {}
    // A child window moved or changed size.
    virtual void ChildBoundsChanged(Window& /*child*/) {}
    void Realign();
    // Font of this window changed (the handle is already set).
    virtual void FontChanged() {}
    // Scaling of what a control measures beyond place, size and font. Runs
    // after its children were scaled and before its own size changes.
    virtual void ScaleControl(int /*m*/, int /*d*/) {}
    // Place and size by m/d; each edge is scaled, so neighbours stay flush.
    virtual void ScaleBounds(int m, int d);

    bool ownClass() const noexcept { return !subclassed_; }
    // Own-class windows that track the mouse capture it on button-down.
    bool captureMouse_ = false;

private:
    static LRESULT CALLBACK ClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR refData);
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    void Attach(HWND hwnd) noexcept;
    void Detach() noexcept;
    bool HandleMouse(UINT msg, WPARAM wParam, LPARAM lParam);
    void ApplyFont(std::shared_ptr<fw::FontHandle> handle);
    // `scaling`: windows that are not scaled keep the font they have.
    void SetFontShared(const fw::Font& font, std::shared_ptr<fw::FontHandle> handle, bool scaling = false);
    void ScaleTree(int m, int d);
    void ScaleFonts(int m, int d);

    HWND handle_ = nullptr;
    bool subclassed_ = false;
    Window* parent_ = nullptr;
    std::vector<Window*> children_;
    fw::Font font_;
    std::shared_ptr<fw::FontHandle> fontHandle_;
    bool parentFont_ = true;
    Color color_ = clBtnFace;
    bool parentColor_ = true;
    BrushHandle brush_;
    Color brushColor_ = 0;
    Cursor cursor_ = crDefault;
    Align align_ = Align::alNone;
    bool scaled_ = true;
};

} // namespace fw
