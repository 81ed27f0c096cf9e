#include "ole/OleSite.h"

#include <olectl.h>

#include <cstdlib>
#include <new>

namespace fw {

namespace {

template <class T>
HRESULT Clear(T** out) noexcept
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return S_OK;
}

} // namespace

IDispatch* AmbientFont(HFONT font) noexcept
{
    LOGFONTW lf{};
    if (!font || !GetObjectW(font, sizeof lf, &lf))
        return nullptr;
    // The size in points, in units of 1/10000 point.
    const SIZE dpi = ScreenPixelsPerInch();
    FONTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.lpstrName = lf.lfFaceName;
    desc.cySize.int64 = static_cast<LONGLONG>(std::abs(lf.lfHeight)) * 72 * 10000 / dpi.cy;
    desc.sWeight = static_cast<SHORT>(lf.lfWeight ? lf.lfWeight : FW_NORMAL);
    desc.sCharset = lf.lfCharSet;
    desc.fItalic = lf.lfItalic != 0;
    desc.fUnderline = lf.lfUnderline != 0;
    desc.fStrikethrough = lf.lfStrikeOut != 0;
    IDispatch* result = nullptr;
    if (FAILED(OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&result))))
        return nullptr;
    return result;
}

ComPtr<OleSite> OleSite::Create(OleSiteHost& host)
{
    auto* site = new OleSite(host);
    return ComPtr<OleSite>::Adopt(site);
}

std::span<const InterfaceEntry> OleSite::InterfaceMap() noexcept
{
    static const InterfaceEntry map[] = {
        InterfaceOf<OleSite, IOleClientSite>(),
        InterfaceOf<OleSite, IOleWindow, IOleInPlaceSite>(),
        InterfaceOf<OleSite, IOleInPlaceSite>(),
        InterfaceOf<OleSite, IOleInPlaceUIWindow, IOleInPlaceFrame>(),
        InterfaceOf<OleSite, IOleInPlaceFrame>(),
        InterfaceOf<OleSite, IOleControlSite>(),
        InterfaceOf<OleSite, IDispatch>(),
        InterfaceOf<OleSite, IAdviseSink>(),
    };
    return map;
}

// --- IOleClientSite -----------------------------------------------------------

// Hosted controls keep their settings themselves; there is no document to save into.
STDMETHODIMP OleSite::SaveObject() { return E_NOTIMPL; }

STDMETHODIMP OleSite::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    const HRESULT hr = Clear(moniker);
    return FAILED(hr) ? hr : E_NOTIMPL;
}

STDMETHODIMP OleSite::GetContainer(IOleContainer** container)
{
    const HRESULT hr = Clear(container);
    return FAILED(hr) ? hr : E_NOINTERFACE;
}

STDMETHODIMP OleSite::ShowObject() { return host_ ? S_OK : E_UNEXPECTED; }
STDMETHODIMP OleSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP OleSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// --- IOleWindow ---------------------------------------------------------------

STDMETHODIMP OleSite::GetWindow(HWND* hwnd)
{
    if (!hwnd)
        return E_POINTER;
    *hwnd = host_ ? host_->SiteWindow() : nullptr;
    if (!host_)
        return E_UNEXPECTED;
    return *hwnd ? S_OK : E_FAIL;
}

STDMETHODIMP OleSite::ContextSensitiveHelp(BOOL) { return S_OK; }

// --- IOleInPlaceSite ----------------------------------------------------------

STDMETHODIMP OleSite::CanInPlaceActivate()
{
    return host_ && host_->SiteWindow() ? S_OK : S_FALSE;
}

STDMETHODIMP OleSite::OnInPlaceActivate()
{
    if (!host_)
        return E_UNEXPECTED;
    host_->SiteInPlaceActivated();
    return S_OK;
}

STDMETHODIMP OleSite::OnUIActivate() { return host_ ? S_OK : E_UNEXPECTED; }

STDMETHODIMP OleSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT posRect,
                                       LPRECT clipRect, LPOLEINPLACEFRAMEINFO frameInfo)
{
    if (!frame || !doc || !posRect || !clipRect || !frameInfo)
        return E_POINTER;
    *frame = nullptr;
    // The frame is the only user-interface window: no separate document
    // window, as the protocol says when the two are the same.
    *doc = nullptr;
    if (!host_)
        return E_UNEXPECTED;
    const HWND window = host_->SiteWindow();
    *posRect = *clipRect = host_->SiteRect();
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = window ? GetAncestor(window, GA_ROOT) : nullptr;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    *frame = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP OleSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP OleSite::OnUIDeactivate(BOOL) { return S_OK; }

STDMETHODIMP OleSite::OnInPlaceDeactivate()
{
    if (host_)
        host_->SiteInPlaceDeactivated();
    return S_OK;
}

STDMETHODIMP OleSite::DiscardUndoState() { return S_OK; }
STDMETHODIMP OleSite::DeactivateAndUndo() { return S_OK; }

STDMETHODIMP OleSite::OnPosRectChange(LPCRECT posRect)
{
    if (!posRect)
        return E_POINTER;
    if (!host_)
        return E_UNEXPECTED;
    host_->SitePosRectChangeRequested();
    return S_OK;
}

// --- IOleInPlaceUIWindow ------------------------------------------------------

// The site has no tool bars to give room to.
STDMETHODIMP OleSite::GetBorder(LPRECT border)
{
    if (border)
        SetRectEmpty(border);
    return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP OleSite::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }

STDMETHODIMP OleSite::SetBorderSpace(LPCBORDERWIDTHS widths)
{
    if (!widths || (!widths->left && !widths->top && !widths->right && !widths->bottom))
        return S_OK;
    return OLE_E_INVALIDRECT;
}

STDMETHODIMP OleSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR)
{
    if (host_)
        host_->SiteActiveObject(object);
    return S_OK;
}

// --- IOleInPlaceFrame: no menus, no status bar --------------------------------

STDMETHODIMP OleSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return S_OK; }
STDMETHODIMP OleSite::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP OleSite::RemoveMenus(HMENU) { return S_OK; }
STDMETHODIMP OleSite::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP OleSite::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP OleSite::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// --- IOleControlSite ----------------------------------------------------------

STDMETHODIMP OleSite::OnControlInfoChanged() { return S_OK; }
STDMETHODIMP OleSite::LockInPlaceActive(BOOL) { return S_OK; }

STDMETHODIMP OleSite::GetExtendedControl(IDispatch** control)
{
    const HRESULT hr = Clear(control);
    return FAILED(hr) ? hr : E_NOTIMPL;
}

STDMETHODIMP OleSite::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags)
{
    if (!himetric || !container)
        return E_POINTER;
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
        *container = HimetricToContainer(*himetric);
        return S_OK;
    }
    if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
        *himetric = ContainerToHimetric(*container);
        return S_OK;
    }
    return E_INVALIDARG;
}

// A key the control does not use goes back to the host's own keyboard
// handling (dialog navigation, default and cancel buttons).
STDMETHODIMP OleSite::TranslateAccelerator(MSG*, DWORD) { return S_FALSE; }

STDMETHODIMP OleSite::OnFocus(BOOL gotFocus)
{
    if (host_)
        host_->SiteFocus(gotFocus != FALSE);
    return S_OK;
}

STDMETHODIMP OleSite::ShowPropertyFrame() { return E_NOTIMPL; }

// --- IDispatch ----------------------------------------------------------------

STDMETHODIMP OleSite::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP OleSite::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    const HRESULT hr = Clear(info);
    return FAILED(hr) ? hr : E_NOTIMPL;
}

STDMETHODIMP OleSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids)
{
    if (ids)
        for (UINT i = 0; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP OleSite::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                             UINT*)
{
    if (iid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (!(flags & DISPATCH_PROPERTYGET))
        return DISP_E_MEMBERNOTFOUND;
    if (!result)
        return E_POINTER;
    VariantInit(result);
    if (!host_)
        return E_UNEXPECTED;
    return host_->SiteAmbient(id, *result) ? S_OK : DISP_E_MEMBERNOTFOUND;
}

// --- IAdviseSink --------------------------------------------------------------

STDMETHODIMP_(void) OleSite::OnDataChange(FORMATETC*, STGMEDIUM*) {}
STDMETHODIMP_(void) OleSite::OnViewChange(DWORD, LONG) {}
STDMETHODIMP_(void) OleSite::OnRename(IMoniker*) {}
STDMETHODIMP_(void) OleSite::OnSave() {}
STDMETHODIMP_(void) OleSite::OnClose() {}

} // namespace fw
