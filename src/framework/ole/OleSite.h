// The COM half of a control site: the interfaces an in-place ActiveX control
// calls on its container. It holds no state of its own beyond the reference
// count; every question goes to the window that hosts the control, through
// OleSiteHost. The site may outlive that window (a control can keep a
// reference too long): once disconnected it answers E_UNEXPECTED.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "ole/Himetric.h"

namespace fw {

// A new OLE font object (IFontDisp) describing a GDI font, for the ambient
// font property; null on failure. The caller owns the reference.
IDispatch* AmbientFont(HFONT font) noexcept;

// What a control site asks of the window hosting the control.
class OleSiteHost {
public:
    // The window the control's own window is to be a child of.
    virtual HWND SiteWindow() const noexcept = 0;
    // The control's place in that window (its whole client area).
    virtual RECT SiteRect() const noexcept = 0;
    virtual void SiteInPlaceActivated() noexcept = 0;
    virtual void SiteInPlaceDeactivated() noexcept = 0;
    // The object given to IOleInPlaceUIWindow::SetActiveObject (null clears).
    virtual void SiteActiveObject(IOleInPlaceActiveObject* object) noexcept = 0;
    // IOleControlSite::OnFocus.
    virtual void SiteFocus(bool gotFocus) noexcept = 0;
    // The control asked for another place; the host decides.
    virtual void SitePosRectChangeRequested() noexcept = 0;
    // An ambient property; false when the host has none by that id.
    virtual bool SiteAmbient(DISPID id, VARIANT& result) noexcept = 0;

protected:
    ~OleSiteHost() = default;
};

class OleSite final : public ComObject<OleSite, IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame,
                                       IOleControlSite, IDispatch, IAdviseSink> {
public:
    static ComPtr<OleSite> Create(OleSiteHost& host);
    // The host is going: from now on every call fails.
    void Disconnect() noexcept { host_ = nullptr; }

    IOleClientSite* ClientSite() noexcept { return this; }
    IAdviseSink* AdviseSink() noexcept { return this; }

    static std::span<const InterfaceEntry> InterfaceMap() noexcept;

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // IOleWindow (both IOleInPlaceSite and IOleInPlaceFrame)
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT posRect,
                                  LPRECT clipRect, LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT posRect) override;

    // IOleInPlaceUIWindow
    STDMETHODIMP GetBorder(LPRECT border) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;

    // IOleInPlaceFrame
    STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHODIMP SetMenu(HMENU shared, HOLEMENU olemenu, HWND activeObject) override;
    STDMETHODIMP RemoveMenus(HMENU shared) override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg, WORD id) override;

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override;
    STDMETHODIMP LockInPlaceActive(BOOL lock) override;
    STDMETHODIMP GetExtendedControl(IDispatch** control) override;
    STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override;
    STDMETHODIMP TranslateAccelerator(MSG* msg, DWORD modifiers) override;
    STDMETHODIMP OnFocus(BOOL gotFocus) override;
    STDMETHODIMP ShowPropertyFrame() override;

    // IDispatch: the ambient properties
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // IAdviseSink: nothing the site needs to hear
    STDMETHODIMP_(void) OnDataChange(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP_(void) OnViewChange(DWORD aspect, LONG index) override;
    STDMETHODIMP_(void) OnRename(IMoniker* moniker) override;
    STDMETHODIMP_(void) OnSave() override;
    STDMETHODIMP_(void) OnClose() override;

private:
    explicit OleSite(OleSiteHost& host) noexcept : host_(&host) {}
    ~OleSite() override = default;

    OleSiteHost* host_;
};

} // namespace fw
