#include "ole/OleContainer.h"

#include "ui/Application.h"
#include "com/ComBStr.h"
#include "com/ComError.h"
#include "base/Errors.h"

#include <olectl.h>

#include <algorithm>
#include <vector>

namespace fw {

namespace {

constexpr char kContainerEmpty[] = "The OLE container holds no object";
constexpr char kContainerWindowGone[] = "The OLE container's window is gone";

} // namespace

OleContainer::OleContainer(Window& parent, const Bounds& bounds)
{
    // No border and no tab stop of its own: dialog navigation goes straight
    // into the hosted control's windows.
    CreateParams params;
    params.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    params.exStyle = WS_EX_CONTROLPARENT;
    params.parent = &parent;
    params.bounds = bounds;
    CreateHandle(params);

    WatchFocus(*this);
    site_ = OleSite::Create(*this);
    form_ = ParentForm();
    if (form_)
        form_->AddMessageFilter(*this);
}

OleContainer::~OleContainer()
{
    TearDown();
    Unhook();
    if (site_)
        site_->Disconnect();
}

void OleContainer::Unhook() noexcept
{
    if (form_) {
        form_->RemoveMessageFilter(*this);
        form_ = nullptr;
    }
    UnwatchFocus(*this);
}

// --- the hosted object ----------------------------------------------------------

void OleContainer::CreateObject(const std::string& progId)
{
    DestroyObject();
    if (windowGone_ || !Handle())
        throw Error(kContainerWindowGone);

    CLSID clsid{};
    CheckedCall([&] { return CLSIDFromProgID(AnsiToWide(progId).c_str(), &clsid); });
    ComPtr<IOleObject> object;
    CheckedCall([&] { return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object.PutVoid()); });

    // From here on DestroyObject undoes whatever step was reached.
    object_ = object;
    try {
        DWORD misc = 0;
        if (object->GetMiscStatus(DVASPECT_CONTENT, &misc) == OLE_S_USEREG)
            OleRegGetMiscStatus(clsid, DVASPECT_CONTENT, &misc);
        // Most controls want their site before they initialise, so that they
        // can read the ambient properties; some want it after.
        const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
        auto setClientSite = [&] {
            CheckedCall([&] { return object->SetClientSite(site_->ClientSite()); });
            clientSiteSet_ = true;
        };
        if (siteFirst)
            setClientSite();
        if (auto persist = object.As<IPersistStreamInit>()) {
            CheckedCall([&] { return persist->InitNew(); });
        }
        if (!siteFirst)
            setClientSite();
        // Both only inform the object; one that refuses them still works.
        const std::wstring appName = AnsiToWide(App().Title());
        object->SetHostNames(appName.c_str(), nullptr);
        DWORD cookie = 0;
        if (SUCCEEDED(object->Advise(site_->AdviseSink(), &cookie)))
            adviseCookie_ = cookie;
    } catch (...) {
        DestroyObject();
        throw;
    }
}

void OleContainer::DoVerb(LONG verb)
{
    if (!object_)
        throw Error(kContainerEmpty);
    ComPtr<IOleObject> object = object_; // the verb may run code that empties the container
    RECT rc = SiteRect();
    SIZEL extent = PixelsToHimetric({rc.right - rc.left, rc.bottom - rc.top});
    object->SetExtent(DVASPECT_CONTENT, &extent); // a control of fixed size refuses; its window is stretched anyway
    CheckedCall([&] { return object->DoVerb(verb, nullptr, site_->ClientSite(), 0, Handle(), &rc); });
    // A control may come up at a size of its own choosing: it gets the site's.
    if (object_ == object && inPlaceActive_ && inPlaceObject_) {
        ComPtr<IOleInPlaceObject> inPlace = inPlaceObject_;
        rc = SiteRect();
        inPlace->SetObjectRects(&rc, &rc);
    }
}

void OleContainer::DestroyObject() noexcept
{
    TearDown();
}

void OleContainer::TearDown() noexcept
{
    if (!object_ || tearingDown_)
        return;
    tearingDown_ = true;
    // Taken out first: whatever the object calls back on the way finds the
    // container empty.
    ComPtr<IOleObject> object = std::move(object_);
    ComPtr<IOleInPlaceObject> inPlace = std::move(inPlaceObject_);
    if (inPlaceActive_) {
        if (!inPlace)
            inPlace = object.As<IOleInPlaceObject>();
        if (inPlace)
            inPlace->InPlaceDeactivate();
    }
    inPlace.Reset();
    inPlaceActive_ = false;
    activeObject_.Reset();
    ownActiveObject_.Reset();
    if (adviseCookie_) {
        object->Unadvise(adviseCookie_);
        adviseCookie_ = 0;
    }
    object->Close(OLECLOSE_NOSAVE);
    if (clientSiteSet_) {
        object->SetClientSite(nullptr);
        clientSiteSet_ = false;
    }
    // A control that left its window behind loses it now, while its code is
    // still loaded for the window's last messages.
    if (Handle() && !windowGone_)
        while (HWND child = GetWindow(Handle(), GW_CHILD))
            if (!DestroyWindow(child))
                break;
    object.Reset();
    // The focus belonged to the control that went; its successor starts
    // with an enter of its own.
    focusInside_ = false;
    tearingDown_ = false;
}

ComPtr<IUnknown> OleContainer::OleObject() const
{
    return object_.As<IUnknown>();
}

void OleContainer::Resized()
{
    PlaceObject();
}

void OleContainer::PlaceObject() noexcept
{
    if (placing_ || tearingDown_ || !object_)
        return;
    placing_ = true;
    ComPtr<IOleObject> object = object_;
    RECT rc = SiteRect();
    SIZEL extent = PixelsToHimetric({rc.right - rc.left, rc.bottom - rc.top});
    object->SetExtent(DVASPECT_CONTENT, &extent);
    if (inPlaceActive_ && inPlaceObject_) {
        ComPtr<IOleInPlaceObject> inPlace = inPlaceObject_;
        inPlace->SetObjectRects(&rc, &rc);
    }
    placing_ = false;
}

// --- window -------------------------------------------------------------------

LRESULT OleContainer::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETFOCUS: {
        const LRESULT result = DefaultHandler(msg, wParam, lParam);
        // The site takes no keys itself: the hosted control's window does.
        if (inPlaceActive_ && !tearingDown_)
            if (HWND child = GetWindow(Handle(), GW_CHILD))
                if (IsWindowVisible(child) && IsWindowEnabled(child))
                    ::SetFocus(child);
        return result;
    }
    case WM_KILLFOCUS:
        // Enter and exit come from the focus watch, for the whole window tree.
        return DefaultHandler(msg, wParam, lParam);
    case WM_DESTROY:
        // The form is going with its windows: the control goes first, while
        // its window still exists.
        TearDown();
        windowGone_ = true;
        Unhook();
        break;
    default: break;
    }
    return Window::WndProc(msg, wParam, lParam);
}

// --- focus --------------------------------------------------------------------

// The focus hook tells of every change while it happens, so that the exit
// from a hosted control is known before the window taking the focus acts.
void OleContainer::FocusMoved(HWND gaining, HWND) noexcept
{
    FocusMovedTo(gaining);
}

bool OleContainer::InTree(HWND hwnd) const noexcept
{
    return hwnd && Handle() && (hwnd == Handle() || IsChild(Handle(), hwnd));
}

void OleContainer::FocusMovedTo(HWND focus) noexcept
{
    if (tearingDown_ || windowGone_ || !Handle() || !focus)
        return;
    // A message box or another program taking the focus is no exit, and
    // coming back from there no enter. The form's own window holds the focus
    // only in passing, while it is activated and before its controls get the
    // focus back.
    const HWND root = GetAncestor(Handle(), GA_ROOT);
    if (focus == root || GetAncestor(focus, GA_ROOT) != root)
        return;
    SetFocusInside(InTree(focus));
}

void OleContainer::SetFocusInside(bool inside) noexcept
{
    if (inside == focusInside_)
        return;
    focusInside_ = inside;
    try {
        // A copy: the handler may replace itself.
        const NotifyEvent event = inside ? OnEnter : OnExit;
        if (event)
            event();
    } catch (...) {
        App().HandleException();
    }
}

// --- keys -----------------------------------------------------------------------

bool OleContainer::FilterMessage(MSG& msg)
{
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !InTree(msg.hwnd))
        return false;
    ComPtr<IOleInPlaceActiveObject> active = activeObject_ ? activeObject_ : ownActiveObject_;
    return active && active->TranslateAccelerator(&msg) == S_OK;
}

// --- OleSiteHost ------------------------------------------------------------------

HWND OleContainer::SiteWindow() const noexcept
{
    return windowGone_ ? nullptr : Handle();
}

RECT OleContainer::SiteRect() const noexcept
{
    RECT rc{};
    if (Handle())
        GetClientRect(Handle(), &rc);
    return rc;
}

void OleContainer::SiteInPlaceActivated() noexcept
{
    if (tearingDown_ || !object_)
        return;
    inPlaceActive_ = true;
    inPlaceObject_ = object_.As<IOleInPlaceObject>();
    ownActiveObject_ = object_.As<IOleInPlaceActiveObject>();
}

void OleContainer::SiteInPlaceDeactivated() noexcept
{
    inPlaceActive_ = false;
    inPlaceObject_.Reset();
    activeObject_.Reset();
    ownActiveObject_.Reset();
}

void OleContainer::SiteActiveObject(IOleInPlaceActiveObject* object) noexcept
{
    if (object && (tearingDown_ || !object_))
        return;
    activeObject_ = ComPtr<IOleInPlaceActiveObject>(object);
}

void OleContainer::SiteFocus(bool gotFocus) noexcept
{
    if (tearingDown_ || windowGone_)
        return;
    if (!gotFocus) {
        FocusMovedTo(GetFocus());
        return;
    }
    // Believed unless the focus is plainly elsewhere on the form: a report
    // that arrives late must not turn the focus in another control into an
    // enter.
    const HWND focus = GetFocus();
    const HWND root = GetAncestor(Handle(), GA_ROOT);
    if (focus && focus != root && GetAncestor(focus, GA_ROOT) == root && !InTree(focus))
        return;
    SetFocusInside(true);
}

void OleContainer::SitePosRectChangeRequested() noexcept
{
    // The control is stretched over the site, whatever size it asks for.
    PlaceObject();
}

bool OleContainer::SiteAmbient(DISPID id, VARIANT& result) noexcept
{
    const auto boolean = [&](bool value) {
        V_VT(&result) = VT_BOOL;
        V_BOOL(&result) = value ? VARIANT_TRUE : VARIANT_FALSE;
        return true;
    };
    const auto integer = [&](LONG value) {
        V_VT(&result) = VT_I4;
        V_I4(&result) = value;
        return true;
    };
    switch (id) {
    case DISPID_AMBIENT_USERMODE:
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
    case DISPID_AMBIENT_AUTOCLIP: return boolean(true);
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_DISPLAYASDEFAULT:
    case DISPID_AMBIENT_MESSAGEREFLECT: return boolean(false);
    // The framework's colours are OLE_COLOR values already.
    case DISPID_AMBIENT_BACKCOLOR: return integer(static_cast<LONG>(GetColor()));
    case DISPID_AMBIENT_FORECOLOR: return integer(static_cast<LONG>(Font().color));
    case DISPID_AMBIENT_LOCALEID: return integer(static_cast<LONG>(GetUserDefaultLCID()));
    case DISPID_AMBIENT_FONT: {
        IDispatch* font = AmbientFont(FontHandle());
        if (!font)
            return false;
        V_VT(&result) = VT_DISPATCH;
        V_DISPATCH(&result) = font;
        return true;
    }
    default: return false;
    }
}

} // namespace fw
