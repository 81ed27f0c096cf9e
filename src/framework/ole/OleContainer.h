// A child window that hosts one ActiveX control in place: it creates the
// control from its ProgID, activates it when asked (never by itself on a
// click or on focus), stretches it over its whole client area (it has no
// border of its own), reports the keyboard focus entering and leaving the
// control, and gives the control the keys it wants before the form's dialog
// navigation sees them.
#pragma once
#include "com/ComPtr.h"
#include "ole/OleSite.h"
#include "ui/FocusHook.h"
#include "ui/Form.h"
#include "ui/Window.h"

#include <windows.h>
#include <ole2.h>

#include <string>

namespace fw {

class OleContainer : public Window, private OleSiteHost, private MessageFilter, private FocusWatcher {
public:
    OleContainer(Window& parent, const Bounds& bounds);
    ~OleContainer() override;

    // Destroys the object hosted before, then creates a new in-process object
    // from `progId` with this container as its client site. Raises fw::Error
    // with the system's or the object's text; the container is empty then.
    void CreateObject(const std::string& progId);
    // Executes a verb on the hosted object. OLEIVERB_SHOW and
    // OLEIVERB_INPLACEACTIVATE activate it in place over the client area.
    // Raises fw::Error when the container is empty or the object fails.
    void DoVerb(LONG verb);
    // Deactivates, closes and releases the hosted object; nothing when empty.
    // Failures of the object on the way are ignored: it goes regardless.
    void DestroyObject() noexcept;

    // The hosted object, null when empty.
    ComPtr<IUnknown> OleObject() const;
    bool Empty() const noexcept { return !object_; }
    bool InPlaceActive() const noexcept { return inPlaceActive_; }
    // Whether the keyboard focus is in the container's window or the hosted
    // control's windows, as last reported by OnEnter and OnExit.
    bool FocusInside() const noexcept { return focusInside_; }
    // The inherited OnEnter runs when the focus moves into the container or
    // the hosted control from elsewhere on the form, OnExit when it moves from
    // there to another window of the form. They run during the focus change,
    // before the window taking the focus sees it: a button clicked while the
    // focus is in the control runs OnExit before its OnClick. Moves to other
    // top-level windows (message boxes, other programs) do not count, and a
    // new object starts outside: destroying the object reports no exit.

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Resized() override;

private:
    // OleSiteHost
    HWND SiteWindow() const noexcept override;
    RECT SiteRect() const noexcept override;
    void SiteInPlaceActivated() noexcept override;
    void SiteInPlaceDeactivated() noexcept override;
    void SiteActiveObject(IOleInPlaceActiveObject* object) noexcept override;
    void SiteFocus(bool gotFocus) noexcept override;
    void SitePosRectChangeRequested() noexcept override;
    bool SiteAmbient(DISPID id, VARIANT& result) noexcept override;

    // MessageFilter: keys for the control's windows go to the active object.
    bool FilterMessage(MSG& msg) override;

    // FocusWatcher
    void FocusMoved(HWND gaining, HWND losing) noexcept override;
    void FocusMovedTo(HWND focus) noexcept;
    void SetFocusInside(bool inside) noexcept;
    bool InTree(HWND hwnd) const noexcept;
    void PlaceObject() noexcept;
    void TearDown() noexcept;
    void Unhook() noexcept;

    ComPtr<OleSite> site_;
    Form* form_ = nullptr;
    ComPtr<IOleObject> object_;
    ComPtr<IOleInPlaceObject> inPlaceObject_;
    // Given through SetActiveObject, else the object's own while it is active.
    ComPtr<IOleInPlaceActiveObject> activeObject_;
    ComPtr<IOleInPlaceActiveObject> ownActiveObject_;
    DWORD adviseCookie_ = 0;
    bool clientSiteSet_ = false;
    bool inPlaceActive_ = false;
    bool focusInside_ = false;
    bool tearingDown_ = false;
    bool placing_ = false;
    bool windowGone_ = false;
};

} // namespace fw
