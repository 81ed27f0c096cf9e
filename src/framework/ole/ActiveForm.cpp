#include "ole/ActiveForm.h"
#include "ui/Dpi.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "ui/Application.h"
#include "base/Errors.h"
#include "gdi/Graphics.h"
#include "com/InprocServer.h"
#include "ole/Himetric.h"

namespace fw {
namespace {

constexpr char kParkingWindowError[] = "Cannot create the window of an ActiveX control";
constexpr char kNoFontText[] = "A font object is required";
constexpr char kFocusMessageName[] = "VistrelActiveFormFocusChanged";
// IOleControlSite::TranslateAccelerator's modifier flags (KEYMODIFIERS),
// which the toolchain's headers lack.
constexpr DWORD kKeyModShift = 0x1;
constexpr DWORD kKeyModControl = 0x2;
constexpr DWORD kKeyModAlt = 0x4;

DWORD KeyModifiers(ShiftState shift) noexcept
{
    return ((shift & ssShift) ? kKeyModShift : 0) | ((shift & ssCtrl) ? kKeyModControl : 0) |
           ((shift & ssAlt) ? kKeyModAlt : 0);
}

// Posted to a form when the keyboard focus enters or leaves it, so that the
// change is handled after it has happened, outside the focus hook.
UINT FocusMessage()
{
    static const UINT message = RegisterWindowMessageA(kFocusMessageName);
    return message;
}

bool IsInside(HWND container, HWND window) noexcept
{
    return container && window && (window == container || IsChild(container, window));
}

// The events dispinterface: the coclass's default source interface.
IID DefaultSourceOf(const CLSID& clsid) noexcept
{
    try {
        ComPtr<ITypeInfo> coclass = ModuleTypeInfo(clsid);
        TYPEATTR* attr = nullptr;
        OleCheck(coclass->GetTypeAttr(&attr));
        const UINT count = attr->cImplTypes;
        coclass->ReleaseTypeAttr(attr);
        constexpr INT kWanted = IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE;
        for (UINT i = 0; i < count; ++i) {
            INT flags = 0;
            HREFTYPE ref = 0;
            ComPtr<ITypeInfo> source;
            if (FAILED(coclass->GetImplTypeFlags(i, &flags)) || (flags & kWanted) != kWanted ||
                FAILED(coclass->GetRefTypeOfImplType(i, &ref)) ||
                FAILED(coclass->GetRefTypeInfo(ref, source.Put())) ||
                FAILED(source->GetTypeAttr(&attr)))
                continue;
            const IID iid = attr->guid;
            source->ReleaseTypeAttr(attr);
            return iid;
        }
    } catch (...) {
        // A control without type information fires no events.
    }
    return IID_NULL;
}

} // namespace

// ---- Parking window ---------------------------------------------------------------------

namespace detail {

ParkingWindow::ParkingWindow()
{
    hwnd_ = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            ThisModule(), nullptr);
    if (!hwnd_)
        RaiseLastOSError(kParkingWindowError);
}

ParkingWindow::~ParkingWindow()
{
    DestroyWindow(hwnd_);
}

} // namespace detail

// ---- Creation and lifetime ------------------------------------------------------------------

ActiveFormBase::ActiveFormBase(const CLSID& clsid)
    : Form(ChildOf{ParkingHandle()}),
      clsid_(clsid),
      progId_(ModuleProgIDOrEmpty(clsid)),
      events_(*this, DefaultSourceOf(clsid))
{
}

ActiveFormBase::~ActiveFormBase()
{
    UnwatchFocus(*this);
}

HRESULT ActiveFormBase::FinishCreation(ActiveFormBase* object, REFIID iid, void** result) noexcept
{
    const auto held = ComPtr<IUnknown>::Adopt(object->Identity());
    const HRESULT hr = object->Method(IID_IUnknown, [&] { object->Initialize(); });
    if (FAILED(hr))
        return hr;
    object->DoCreate();
    object->FireEvent(afeCreate);
    return held->QueryInterface(iid, result);
}

void ActiveFormBase::FinalRelease() noexcept
{
    UnwatchFocus(*this);
    InPlaceDeactivate();
    FireEvent(afeDestroy);
    events_.DisconnectAll();
    clientSite_ = nullptr;
    controlSite_ = nullptr;
    adviseHolder_ = nullptr;
    viewSink_ = nullptr;
    // OnDestroy runs and the window goes while every member still lives.
    DoDestroy();
}

// ---- IOleObject -----------------------------------------------------------------------------

HRESULT ActiveFormBase::SetClientSite(IOleClientSite* site)
{
    if (!site) {
        // A container that skipped InPlaceDeactivate still gets its window back.
        InPlaceDeactivate();
        clientSite_ = nullptr;
        controlSite_ = nullptr;
        return S_OK;
    }
    clientSite_ = ComPtr<IOleClientSite>(site);
    controlSite_ = clientSite_.As<IOleControlSite>();
    return S_OK;
}

HRESULT ActiveFormBase::GetClientSite(IOleClientSite** site)
{
    if (!site)
        return E_POINTER;
    *site = ComPtr<IOleClientSite>(clientSite_).Detach();
    return S_OK;
}

HRESULT ActiveFormBase::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT ActiveFormBase::Close(DWORD)
{
    // No state to save: every option closes the same way.
    InPlaceDeactivate();
    if (adviseHolder_)
        adviseHolder_->SendOnClose();
    return S_OK;
}

HRESULT ActiveFormBase::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT ActiveFormBase::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT ActiveFormBase::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT ActiveFormBase::GetClipboardData(DWORD, IDataObject** data)
{
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

HRESULT ActiveFormBase::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT posRect)
{
    switch (verb) {
    case OLEIVERB_HIDE:
        if (inPlaceActive_) {
            UIDeactivate();
            ShowWindow(Handle(), SW_HIDE);
        }
        return S_OK;
    case OLEIVERB_OPEN:
    case OLEIVERB_PROPERTIES:
    case OLEIVERB_DISCARDUNDOSTATE:
        return E_NOTIMPL;
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
        break;
    default:
        // Other verbs of our own do not exist: a positive one runs the
        // primary verb, as OLE asks.
        if (verb < 0)
            return E_NOTIMPL;
        break;
    }
    IOleClientSite* site = activeSite ? activeSite : clientSite_.Get();
    HRESULT hr = InPlaceActivate(site, posRect);
    if (FAILED(hr))
        return hr;
    if (verb == OLEIVERB_UIACTIVATE || verb >= OLEIVERB_PRIMARY) {
        hr = UIActivate();
        if (FAILED(hr))
            return hr;
    }
    if (IOleClientSite* shown = clientSite_ ? clientSite_.Get() : activeSite)
        shown->ShowObject();
    return verb > OLEIVERB_PRIMARY ? OLEOBJ_S_INVALIDVERB : S_OK;
}

HRESULT ActiveFormBase::EnumVerbs(IEnumOLEVERB** verbs)
{
    if (!verbs)
        return E_POINTER;
    return OleRegEnumVerbs(clsid_, verbs);
}

HRESULT ActiveFormBase::Update() { return S_OK; }
HRESULT ActiveFormBase::IsUpToDate() { return S_OK; }

HRESULT ActiveFormBase::GetUserClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

HRESULT ActiveFormBase::GetUserType(DWORD form, LPOLESTR* userType)
{
    if (!userType)
        return E_POINTER;
    return OleRegGetUserType(clsid_, form, userType);
}

SIZEL ActiveFormBase::ExtentFromWindow() const
{
    const Bounds b = GetBounds();
    return PixelsToHimetric({b.width, b.height});
}

HRESULT ActiveFormBase::SetExtent(DWORD aspect, SIZEL* size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    extent_ = *size;
    extentSet_ = true;
    // In place, the container sizes the window through SetObjectRects.
    if (!inPlaceActive_ && Handle()) {
        const SIZE pixels = HimetricToPixels(*size);
        Bounds b = GetBounds();
        b.width = pixels.cx;
        b.height = pixels.cy;
        SetBounds(b);
    }
    return S_OK;
}

HRESULT ActiveFormBase::GetExtent(DWORD aspect, SIZEL* size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    *size = extentSet_ ? extent_ : ExtentFromWindow();
    return S_OK;
}

HRESULT ActiveFormBase::Advise(IAdviseSink* sink, DWORD* connection)
{
    if (!connection)
        return E_POINTER;
    *connection = 0;
    if (!adviseHolder_) {
        const HRESULT hr = CreateOleAdviseHolder(adviseHolder_.Put());
        if (FAILED(hr))
            return hr;
    }
    return adviseHolder_->Advise(sink, connection);
}

HRESULT ActiveFormBase::Unadvise(DWORD connection)
{
    if (!adviseHolder_)
        return OLE_E_NOCONNECTION;
    return adviseHolder_->Unadvise(connection);
}

HRESULT ActiveFormBase::EnumAdvise(IEnumSTATDATA** advise)
{
    if (!advise)
        return E_POINTER;
    *advise = nullptr;
    if (!adviseHolder_)
        return S_OK;
    return adviseHolder_->EnumAdvise(advise);
}

HRESULT ActiveFormBase::GetMiscStatus(DWORD aspect, DWORD* status)
{
    if (!status)
        return E_POINTER;
    // What the class registered, which the container may also read itself.
    if (FAILED(OleRegGetMiscStatus(clsid_, aspect, status)))
        *status = ActiveFormFactory::kDefaultMiscStatus;
    return S_OK;
}

HRESULT ActiveFormBase::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- In-place activation ----------------------------------------------------------------------

HRESULT ActiveFormBase::InPlaceActivate(IOleClientSite* site, LPCRECT posRect)
{
    if (inPlaceActive_) {
        ShowWindow(Handle(), SW_SHOWNA);
        return S_OK;
    }
    if (!site)
        return E_UNEXPECTED;
    ComPtr<IOleInPlaceSite> inPlaceSite;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, inPlaceSite.PutVoid())))
        return E_NOINTERFACE;
    HRESULT hr = inPlaceSite->CanInPlaceActivate();
    if (hr != S_OK)
        return FAILED(hr) ? hr : E_FAIL;
    hr = inPlaceSite->OnInPlaceActivate();
    if (FAILED(hr))
        return hr;
    HWND parent = nullptr;
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> uiWindow;
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    hr = inPlaceSite->GetWindow(&parent);
    if (SUCCEEDED(hr) && !IsWindow(parent))
        hr = E_UNEXPECTED;
    if (SUCCEEDED(hr))
        hr = inPlaceSite->GetWindowContext(frame.Put(), uiWindow.Put(), &pos, &clip, &frameInfo);
    if (FAILED(hr)) {
        inPlaceSite->OnInPlaceDeactivate();
        return hr;
    }
    if (IsRectEmpty(&pos) && posRect)
        pos = *posRect;
    if (IsRectEmpty(&clip))
        clip = pos;
    inPlaceSite_ = std::move(inPlaceSite);
    frame_ = std::move(frame);
    uiWindow_ = std::move(uiWindow);
    inPlaceActive_ = true;
    try {
        WatchFocus(*this);
    } catch (...) {
        // Without the watch only the focus notifications are missing.
    }
    ShowInContainer(parent, pos, clip);
    return S_OK;
}

void ActiveFormBase::ShowInContainer(HWND parent, const RECT& pos, const RECT& clip)
{
    SetParent(Handle(), parent);
    // The container may sit on a monitor of another DPI than the form was
    // made for; the layout follows before the container sizes it.
    ScaleForDpi(WindowDpi(Handle()));
    SetObjectRects(&pos, &clip);
    ShowWindow(Handle(), SW_SHOWNA);
}

void ActiveFormBase::ScaleBounds(int m, int d)
{
    // In place the size is the site's; the form lays out again once scaled.
    if (!inPlaceActive_)
        Form::ScaleBounds(m, d);
}

void ActiveFormBase::Park() noexcept
{
    if (!Handle())
        return;
    ShowWindow(Handle(), SW_HIDE);
    SetWindowRgn(Handle(), nullptr, FALSE);
    SetParent(Handle(), ParkingHandle());
}

HRESULT ActiveFormBase::UIActivate()
{
    if (!inPlaceActive_)
        return E_UNEXPECTED;
    if (uiActive_)
        return S_OK;
    uiActive_ = true;
    if (inPlaceSite_)
        inPlaceSite_->OnUIActivate();
    if (!FocusInside())
        ::SetFocus(Handle()); // passes the focus on to a control (WM_SETFOCUS)
    IOleInPlaceActiveObject* active = this;
    if (frame_)
        frame_->SetActiveObject(active, nullptr);
    if (uiWindow_)
        uiWindow_->SetActiveObject(active, nullptr);
    return S_OK;
}

HRESULT ActiveFormBase::UIDeactivate()
{
    if (!uiActive_)
        return S_OK;
    uiActive_ = false;
    if (uiWindow_)
        uiWindow_->SetActiveObject(nullptr, nullptr);
    if (frame_)
        frame_->SetActiveObject(nullptr, nullptr);
    if (inPlaceSite_)
        inPlaceSite_->OnUIDeactivate(FALSE);
    return S_OK;
}

HRESULT ActiveFormBase::InPlaceDeactivate()
{
    if (!inPlaceActive_)
        return S_OK;
    UIDeactivate();
    inPlaceActive_ = false;
    hasFocus_ = false;
    UnwatchFocus(*this);
    Park();
    frame_ = nullptr;
    uiWindow_ = nullptr;
    // The window has left the container when the site hears of it.
    if (const ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_))
        site->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT ActiveFormBase::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = inPlaceActive_ ? Handle() : nullptr;
    return *window ? S_OK : E_FAIL;
}

HRESULT ActiveFormBase::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT ActiveFormBase::SetObjectRects(LPCRECT posRect, LPCRECT clipRect)
{
    if (!posRect)
        return E_POINTER;
    if (!Handle())
        return E_UNEXPECTED;
    const RECT& pos = *posRect;
    SetWindowPos(Handle(), nullptr, pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // The part outside the clip rectangle is cut off by a window region.
    RECT visible = pos;
    if (clipRect && !IntersectRect(&visible, &pos, clipRect))
        SetRectEmpty(&visible);
    if (EqualRect(&visible, &pos)) {
        SetWindowRgn(Handle(), nullptr, TRUE);
    } else {
        OffsetRect(&visible, -pos.left, -pos.top);
        SetWindowRgn(Handle(), CreateRectRgnIndirect(&visible), TRUE);
    }
    return S_OK;
}

HRESULT ActiveFormBase::ReactivateAndUndo() { return INPLACE_E_NOTUNDOABLE; }

// ---- Keyboard and focus -----------------------------------------------------------------------

bool ActiveFormBase::FocusInside() const noexcept { return IsInside(Handle(), GetFocus()); }

bool ActiveFormBase::TabLeavesForm(bool backward) const
{
    HWND focus = GetFocus();
    if (!focus || !IsChild(Handle(), focus))
        return false;
    HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE);
    if (!first || !IsChild(Handle(), first))
        return true;
    HWND edge = backward ? first : GetNextDlgTabItem(Handle(), first, TRUE);
    return IsInside(edge, focus);
}

HRESULT ActiveFormBase::PassToSite(MSG& msg)
{
    if (!controlSite_)
        return S_FALSE;
    const DWORD modifiers = KeyModifiers(KeyboardShiftState());
    return controlSite_->TranslateAccelerator(&msg, modifiers) == S_OK ? S_OK : S_FALSE;
}

HRESULT ActiveFormBase::TranslateAccelerator(LPMSG msg)
{
    if (!msg)
        return E_POINTER;
    if (!inPlaceActive_ || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST ||
        !IsInside(Handle(), msg->hwnd))
        return S_FALSE;
    try {
        if (msg->message == WM_CHAR && KeyPreview() && msg->hwnd != Handle()) {
            char key = static_cast<char>(msg->wParam);
            if (!FireKeyPress(key))
                return S_OK;
            msg->wParam = static_cast<unsigned char>(key);
        }
        // Tab off the last control (Shift+Tab off the first) leaves the
        // control: the container moves the focus on.
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0 &&
            GetKeyState(VK_MENU) >= 0 && TabLeavesForm(GetKeyState(VK_SHIFT) < 0))
            return PassToSite(*msg);
        if (IsKeyMessage(*msg))
            return S_OK;
        return PassToSite(*msg);
    } catch (...) {
        // A key handler failed: shown like any other handler's error.
        App().HandleException();
        return S_OK;
    }
}

HRESULT ActiveFormBase::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT ActiveFormBase::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT ActiveFormBase::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT ActiveFormBase::EnableModeless(BOOL) { return S_OK; }

// Told inside the focus hook: the change is handled after it has happened,
// through a posted message.
void ActiveFormBase::FocusMoved(HWND gaining, HWND losing) noexcept
{
    if (HWND hwnd = Handle(); IsInside(hwnd, gaining) || IsInside(hwnd, losing))
        PostMessageA(hwnd, FocusMessage(), 0, 0);
}

void ActiveFormBase::FocusChanged()
{
    const bool inside = inPlaceActive_ && FocusInside();
    if (inside && GetFocus() != Handle())
        lastFocus_ = GetFocus();
    if (inside == hasFocus_)
        return;
    hasFocus_ = inside;
    if (inside) {
        if (!uiActive_)
            UIActivate();
        if (controlSite_)
            controlSite_->OnFocus(TRUE);
        FireEvent(afeActivate);
    } else {
        if (controlSite_)
            controlSite_->OnFocus(FALSE);
        FireEvent(afeDeactivate);
    }
}

LRESULT ActiveFormBase::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == FocusMessage()) {
        FocusChanged();
        return 0;
    }
    switch (msg) {
    case WM_SETFOCUS: {
        // The form itself takes no keys: the focus goes on to the control
        // that had it last, or the first one.
        const LRESULT result = Form::WndProc(msg, wParam, lParam);
        HWND target = lastFocus_;
        if (!target || !IsChild(Handle(), target) || !IsWindowVisible(target) || !IsWindowEnabled(target))
            target = GetNextDlgTabItem(Handle(), nullptr, FALSE);
        if (target && IsChild(Handle(), target))
            ::SetFocus(target);
        return result;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        // A click on the form's own surface activates the control.
        if (inPlaceActive_ && !FocusInside())
            ::SetFocus(Handle());
        break;
    case WM_LBUTTONUP: {
        const LRESULT result = Form::WndProc(msg, wParam, lParam);
        FireEvent(afeClick);
        return result;
    }
    case WM_LBUTTONDBLCLK: {
        const LRESULT result = Form::WndProc(msg, wParam, lParam);
        FireEvent(afeDblClick);
        return result;
    }
    case WM_PAINT: {
        const LRESULT result = Form::WndProc(msg, wParam, lParam);
        FireEvent(afePaint);
        return result;
    }
    case WM_CHAR: {
        char key = static_cast<char>(wParam);
        if (!FireKeyPress(key))
            return 0;
        wParam = static_cast<unsigned char>(key);
        break;
    }
    default: break;
    }
    return Form::WndProc(msg, wParam, lParam);
}

// ---- Events -------------------------------------------------------------------------------------

void ActiveFormBase::FireEvent(DISPID id)
{
    if (freezeCount_ > 0 || !events_.Connected())
        return;
    DISPPARAMS none{};
    events_.Fire(id, none);
}

bool ActiveFormBase::FireKeyPress(char& key)
{
    if (freezeCount_ > 0 || !events_.Connected())
        return key != 0;
    SHORT value = static_cast<unsigned char>(key);
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I2 | VT_BYREF;
    arg.piVal = &value;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    events_.Fire(afeKeyPress, params);
    key = static_cast<char>(value);
    return key != 0;
}

// ---- IOleControl ---------------------------------------------------------------------------------

HRESULT ActiveFormBase::GetControlInfo(CONTROLINFO* info)
{
    if (!info)
        return E_POINTER;
    // No mnemonics of its own: the keys reach the form through
    // TranslateAccelerator while it is active.
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

HRESULT ActiveFormBase::OnMnemonic(MSG*) { return S_OK; }
HRESULT ActiveFormBase::OnAmbientPropertyChange(DISPID) { return S_OK; }

HRESULT ActiveFormBase::FreezeEvents(BOOL freeze)
{
    if (freeze)
        ++freezeCount_;
    else if (freezeCount_ > 0)
        --freezeCount_;
    return S_OK;
}

// ---- IPersistStreamInit ----------------------------------------------------------------------------

HRESULT ActiveFormBase::GetClassID(CLSID* clsid) { return GetUserClassID(clsid); }
HRESULT ActiveFormBase::IsDirty() { return S_FALSE; }
HRESULT ActiveFormBase::Load(LPSTREAM) { return S_OK; }
HRESULT ActiveFormBase::Save(LPSTREAM, BOOL) { return S_OK; }

HRESULT ActiveFormBase::GetSizeMax(ULARGE_INTEGER* size)
{
    if (!size)
        return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

HRESULT ActiveFormBase::InitNew() { return S_OK; }

// ---- IViewObject2 ------------------------------------------------------------------------------------

HRESULT ActiveFormBase::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                             LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!dc)
        return E_INVALIDARG;
    if (!Handle())
        return OLE_E_BLANK;
    // The window paints itself, with its controls, into the container's DC.
    const SavedDCState saved(dc);
    if (bounds)
        OffsetViewportOrgEx(dc, bounds->left, bounds->top, nullptr);
    SendMessageA(Handle(), WM_PRINT, reinterpret_cast<WPARAM>(dc),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    return S_OK;
}

HRESULT ActiveFormBase::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors)
{
    if (colors)
        *colors = nullptr;
    return S_FALSE;
}

HRESULT ActiveFormBase::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
HRESULT ActiveFormBase::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT ActiveFormBase::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink)
{
    viewAspects_ = aspects;
    viewFlags_ = flags;
    viewSink_ = ComPtr<IAdviseSink>(sink);
    return S_OK;
}

HRESULT ActiveFormBase::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink)
{
    if (aspects)
        *aspects = viewAspects_;
    if (flags)
        *flags = viewFlags_;
    if (sink)
        *sink = ComPtr<IAdviseSink>(viewSink_).Detach();
    return S_OK;
}

HRESULT ActiveFormBase::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size)
{
    return GetExtent(aspect, size);
}

// ---- Class information and connection points ---------------------------------------------------------

HRESULT ActiveFormBase::GetClassInfo(ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return Method(IID_IProvideClassInfo, [&] { *info = ModuleTypeInfo(clsid_).Detach(); });
}

HRESULT ActiveFormBase::GetGUID(DWORD kind, GUID* guid)
{
    if (!guid)
        return E_POINTER;
    *guid = GUID_NULL;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID)
        return E_INVALIDARG;
    *guid = events_.EventsIID();
    return IsEqualIID(*guid, IID_NULL) ? E_FAIL : S_OK;
}

HRESULT ActiveFormBase::EnumConnectionPoints(IEnumConnectionPoints** points)
{
    return events_.EnumPoints(points);
}

HRESULT ActiveFormBase::FindConnectionPoint(REFIID iid, IConnectionPoint** point)
{
    return events_.FindPoint(iid, point);
}

HRESULT ActiveFormBase::InterfaceSupportsErrorInfo(REFIID iid)
{
    if (IsEqualIID(iid, IID_IUnknown))
        return S_FALSE;
    ComPtr<IUnknown> found;
    return Identity()->QueryInterface(iid, found.PutVoid()) == S_OK ? S_OK : S_FALSE;
}

// ---- Standard properties --------------------------------------------------------------------------------

void ActiveFormBase::SetAxBorderStyle(AxBorderStyle style)
{
    axBorderStyle_ = style;
    if (!Handle())
        return;
    auto styles = static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE)) & ~DWORD{WS_BORDER | WS_DLGFRAME};
    auto exStyles = static_cast<DWORD>(GetWindowLongA(Handle(), GWL_EXSTYLE)) &
                    ~DWORD{WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE};
    switch (style) {
    case AxBorderStyle::afbNone: break;
    case AxBorderStyle::afbSingle: styles |= WS_BORDER; break;
    case AxBorderStyle::afbSunken: exStyles |= WS_EX_CLIENTEDGE; break;
    case AxBorderStyle::afbRaised: exStyles |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE; break;
    }
    SetWindowLongA(Handle(), GWL_STYLE, static_cast<LONG>(styles));
    SetWindowLongA(Handle(), GWL_EXSTYLE, static_cast<LONG>(exStyles));
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ComPtr<IFontDisp> ActiveFormBase::FontObject() const
{
    const fw::Font& font = Font();
    std::wstring name = AnsiToWide(font.name);
    FONTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.lpstrName = name.data();
    desc.cySize.int64 = static_cast<LONGLONG>(font.Points(PixelsPerInch())) * 10000;
    desc.sWeight = static_cast<SHORT>((font.style & fsBold) ? FW_BOLD : FW_NORMAL);
    desc.sCharset = DEFAULT_CHARSET;
    desc.fItalic = (font.style & fsItalic) != 0;
    desc.fUnderline = (font.style & fsUnderline) != 0;
    desc.fStrikethrough = (font.style & fsStrikeOut) != 0;
    ComPtr<IFontDisp> result;
    OleCheck(OleCreateFontIndirect(&desc, IID_IFontDisp, result.PutVoid()));
    return result;
}

void ActiveFormBase::SetFontObject(IFontDisp* font)
{
    if (!font)
        throw Error(kNoFontText, E_POINTER);
    ComPtr<IFont> ole;
    OleCheck(font->QueryInterface(IID_IFont, ole.PutVoid()));
    BStr name;
    CY size{};
    BOOL bold = FALSE, italic = FALSE, underline = FALSE, strikeOut = FALSE;
    OleCheck(ole->get_Name(name.Put()));
    OleCheck(ole->get_Size(&size));
    OleCheck(ole->get_Bold(&bold));
    OleCheck(ole->get_Italic(&italic));
    OleCheck(ole->get_Underline(&underline));
    OleCheck(ole->get_Strikethrough(&strikeOut));
    fw::Font result = Font();
    result.name = name.ToString();
    // Whole points at the form's DPI. The size the Font property reported
    // for the present height keeps that height: a scaled height need not be
    // a whole number of points, and a get and put back must not grow it.
    const int points = static_cast<int>(std::lround(static_cast<double>(size.int64) / 10000.0));
    if (points != result.Points(PixelsPerInch()))
        result.height = fw::Font::HeightForPoints(points, PixelsPerInch());
    result.style = (bold ? fsBold : 0u) | (italic ? fsItalic : 0u) | (underline ? fsUnderline : 0u) |
                   (strikeOut ? fsStrikeOut : 0u);
    SetFont(result);
}

} // namespace fw
