// ActiveForm: a form that is at the same time an in-place-activatable,
// windowed ActiveX control. The form exists from the object's creation, kept
// hidden in a parking window of its own; in-place activation moves it into
// the container's window as a WS_CHILD at the site's rectangle, deactivation
// (or Close) takes it out again, and the last Release destroys it (OnDestroy
// first), so no message reaches a half-destroyed window.
//
// A control class is written as
//   class TMyOptions : public fw::ActiveForm<TMyOptions, IMyOptions, IPixwellPluginOptions> {
//   public:
//       static const CLSID& ClassId() { return CLSID_MyOptions; }
//       TMyOptions();                     // builds the form's controls
//       // the methods of IPixwellPluginOptions, each body run through Method()
//   };
// where IMyOptions is the library's dual interface holding ActiveFormProps.idl
// and the coclass names the events dispinterface (ActiveFormEvents.idl) as
// its default source. Its factory is a fw::ActiveFormFactory with
// &TMyOptions::CreateInstance.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <type_traits>
#include <vector>

#include "com/AutoObject.h"
#include "com/ComBStr.h"
#include "ui/Form.h"

namespace fw {

// Dispatch ids of the events the form passes to its container.
enum ActiveFormEvent : DISPID {
    afeActivate = 1,
    afeClick = 2,
    afeCreate = 3,
    afeDblClick = 5,
    afeDestroy = 6,
    afeDeactivate = 7,
    afeKeyPress = 11,
    afePaint = 16,
};

// Values of the standard properties' enumerations (ActiveFormTypes.idl).
enum class AxBorderStyle : int { afbNone = 0, afbSingle = 1, afbSunken = 2, afbRaised = 3 };
enum class PrintScale : int { poNone = 0, poProportional = 1, poPrintToFit = 2 };

namespace detail {

// The hidden top-level window that holds the form while no container does.
class ParkingWindow {
public:
    ParkingWindow();
    ~ParkingWindow();
    ParkingWindow(const ParkingWindow&) = delete;
    ParkingWindow& operator=(const ParkingWindow&) = delete;
    HWND ParkingHandle() const noexcept { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

// The parameter type of a one-argument interface method (a generated
// library's own enumeration types, without naming them).
template <class M>
struct ArgumentOf;
template <class C, class A>
struct ArgumentOf<HRESULT (STDMETHODCALLTYPE C::*)(A)> {
    using type = A;
};

} // namespace detail

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

class ActiveFormBase;

// The control's single connection point, for its events dispinterface. Its
// references are the control's.
class ActiveFormEvents final : public IConnectionPoint {
public:
    explicit ActiveFormEvents(ActiveFormBase& owner) noexcept : owner_(owner) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

    bool Connected() const noexcept { return !sinks_.empty(); }
    // Calls every connected sink; their failures are theirs.
    void Fire(DISPID id, DISPPARAMS& params);
    void DisconnectAll() noexcept { sinks_.clear(); }

private:
    struct Connection {
        DWORD cookie;
        ComPtr<IDispatch> sink;
    };
    ActiveFormBase& owner_;
    std::vector<Connection> sinks_;
    DWORD nextCookie_ = 1;
};

// Everything of an ActiveForm that does not depend on the library's
// generated interfaces: the form and the OLE control protocol. IUnknown is
// provided by the ActiveForm template.
class ActiveFormBase : private detail::ParkingWindow,
                       public Form,
                       public IOleObject,
                       public IOleInPlaceObject,
                       public IOleInPlaceActiveObject,
                       public IOleControl,
                       public IPersistStreamInit,
                       public IViewObject2,
                       public IProvideClassInfo2,
                       public IConnectionPointContainer,
                       public ISupportErrorInfo {
public:
    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR containerApp, LPCOLESTR containerObject) override;
    HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** data) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG msg, IOleClientSite* activeSite, LONG index,
                                     HWND parent, LPCRECT posRect) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
    HRESULT STDMETHODCALLTYPE Update() override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* userType) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) override;

    // IOleWindow (IOleInPlaceObject, IOleInPlaceActiveObject)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enterMode) override;
    // IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT posRect, LPCRECT clipRect) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
    // IOleInPlaceActiveObject
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;

    // IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* msg) override;
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override;
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

    // IPersistStreamInit: the control keeps no state of its own.
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM stream) override;
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM stream, BOOL clearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
    HRESULT STDMETHODCALLTYPE InitNew() override;

    // IViewObject2
    HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                                   HDC targetDevice, HDC dc, LPCRECTL bounds, LPCRECTL metafileBounds,
                                   BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR), ULONG_PTR contArg) override;
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void* aspectInfo,
                                          DVTARGETDEVICE* device, HDC targetDevice,
                                          LOGPALETTE** colors) override;
    HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD freeze) override;
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device,
                                        LPSIZEL size) override;

    // IProvideClassInfo2
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    // State of the control.
    bool InPlaceActive() const noexcept { return inPlaceActive_; }
    bool UIActive() const noexcept { return uiActive_; }
    // True while the keyboard focus is on the form or one of its controls.
    bool HasFocus() const noexcept { return hasFocus_; }
    IOleClientSite* ClientSite() const noexcept { return clientSite_.Get(); }
    const IID& EventsIID() const noexcept { return eventsIid_; }

    // Fires an event of the events dispinterface to the connected sinks;
    // nothing happens when none is connected or events are frozen.
    void FireEvent(DISPID id);
    // OnKeyPress, with the key passed in and out; false when a sink set it
    // to 0 (the key is then swallowed).
    bool FireKeyPress(char& key);

    // The standard properties that have no counterpart in fw::Form: kept
    // here, read back as set.
    bool autoScroll = false;
    bool autoSize = false;
    long pixelsPerInch = 96;
    PrintScale printScale = PrintScale::poProportional;
    bool scaled = true;
    bool dropTarget = false;
    std::string helpFile;
    bool doubleBuffered = false;

    AxBorderStyle GetAxBorderStyle() const noexcept { return axBorderStyle_; }
    void SetAxBorderStyle(AxBorderStyle style);
    // The form's font as a new OLE font object, and the reverse.
    ComPtr<IFontDisp> FontObject() const;
    void SetFontObject(IFontDisp* font);

protected:
    explicit ActiveFormBase(const CLSID& clsid);
    ~ActiveFormBase() override;

    // The object's identity (its IUnknown).
    IUnknown* Identity() noexcept { return static_cast<IOleObject*>(this); }

    // Runs a COM method's body (see ComMethod) with the control's ProgID as
    // the error source.
    template <class Fn>
    HRESULT Method(REFIID iid, Fn&& body) noexcept
    {
        return ComMethod(ErrorOrigin{progId_.c_str(), &iid}, std::forward<Fn>(body));
    }

    // Runs once the object is complete, before it is handed out; an error
    // raised here makes the creation fail with it. The form's OnCreate runs
    // after it.
    virtual void Initialize() {}

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The reference count, for the ActiveForm template's IUnknown.
    ULONG AddRefObject() noexcept;
    ULONG ReleaseObject() noexcept;
    // The interfaces of this class; E_NOINTERFACE for others.
    HRESULT QueryBaseInterface(REFIID iid, void** object) noexcept;
    // The template's creation, finished: initialisation and the form's
    // OnCreate, then the object queried for `iid`. Releases `object` on
    // failure.
    static HRESULT FinishCreation(ActiveFormBase* object, REFIID iid, void** result) noexcept;

private:
    friend class ActiveFormEvents;
    class FocusWatch;

    HRESULT InPlaceActivate(IOleClientSite* site, LPCRECT posRect);
    HRESULT UIActivate();
    void ShowInContainer(HWND parent, const RECT& pos, const RECT& clip);
    void Park() noexcept;
    void FocusChanged();
    bool FocusInside() const noexcept;
    bool TabLeavesForm(bool backward) const;
    HRESULT PassToSite(MSG& msg);
    SIZEL ExtentFromWindow() const;
    void FinalRelease() noexcept;

    LONG refs_ = 1;
    ServedObjectLock lock_;
    CLSID clsid_;
    std::string progId_;
    IID eventsIid_ = IID_NULL;
    ActiveFormEvents events_;
    int freezeCount_ = 0;

    ComPtr<IOleClientSite> clientSite_;
    ComPtr<IOleControlSite> controlSite_;
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    ComPtr<IOleInPlaceFrame> frame_;
    ComPtr<IOleInPlaceUIWindow> uiWindow_;
    ComPtr<IOleAdviseHolder> adviseHolder_;
    ComPtr<IAdviseSink> viewSink_;
    DWORD viewAspects_ = 0;
    DWORD viewFlags_ = 0;

    bool inPlaceActive_ = false;
    bool uiActive_ = false;
    bool hasFocus_ = false;
    HWND lastFocus_ = nullptr;
    bool extentSet_ = false;
    SIZEL extent_{};
    AxBorderStyle axBorderStyle_ = AxBorderStyle::afbNone;
};

// The control class template: IUnknown over all interfaces, the IDispatch of
// the control's dual interface ControlItf (also the default IDispatch) and
// of OtherItfs from the library's type library, and the 35 standard property
// accessors of ActiveFormProps.idl, which act on the form.
template <class Derived, class ControlItf, class... OtherItfs>
class ActiveForm : public ActiveFormBase,
                   public DispatchImpl<ControlItf>,
                   public DispatchImpl<OtherItfs>... {
    using BorderStyleType = typename detail::ArgumentOf<decltype(&ControlItf::put_AxBorderStyle)>::type;
    using PrintScaleType = typename detail::ArgumentOf<decltype(&ControlItf::put_PrintScale)>::type;

public:
    // The creation function of the control's factory.
    static HRESULT CreateInstance(REFIID iid, void** object) noexcept
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        ActiveFormBase* created = nullptr;
        const HRESULT hr = ComMethod([&] { created = new Derived(); });
        if (FAILED(hr))
            return hr;
        return FinishCreation(created, iid, object);
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        IUnknown* found = nullptr;
        if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, __uuidof(ControlItf)))
            found = static_cast<ControlItf*>(this);
        else
            found = FindInterface<OtherItfs...>(this, iid);
        if (!found)
            return QueryBaseInterface(iid, object);
        found->AddRef();
        *object = found;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefObject(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseObject(); }

    // The standard properties.
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(Visible()); });
    }
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL value) override
    {
        return Put([&] { SetVisible(value != VARIANT_FALSE); });
    }
    HRESULT STDMETHODCALLTYPE get_AutoScroll(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(autoScroll); });
    }
    HRESULT STDMETHODCALLTYPE put_AutoScroll(VARIANT_BOOL value) override
    {
        return Put([&] { autoScroll = value != VARIANT_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_AutoSize(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(autoSize); });
    }
    HRESULT STDMETHODCALLTYPE put_AutoSize(VARIANT_BOOL value) override
    {
        return Put([&] { autoSize = value != VARIANT_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_AxBorderStyle(BorderStyleType* value) override
    {
        return Get(value, [&] { return static_cast<BorderStyleType>(GetAxBorderStyle()); });
    }
    HRESULT STDMETHODCALLTYPE put_AxBorderStyle(BorderStyleType value) override
    {
        return Put([&]() -> HRESULT {
            const int v = static_cast<int>(value);
            if (v < 0 || v > static_cast<int>(AxBorderStyle::afbRaised))
                return E_INVALIDARG;
            SetAxBorderStyle(static_cast<AxBorderStyle>(v));
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_Caption(BSTR* value) override
    {
        return Get(value, [&] { return BStr(Caption()).Detach(); });
    }
    HRESULT STDMETHODCALLTYPE put_Caption(BSTR value) override
    {
        return Put([&] { SetCaption(WideToAnsi(value ? value : L"")); });
    }
    HRESULT STDMETHODCALLTYPE get_Color(OLE_COLOR* value) override
    {
        return Get(value, [&] { return static_cast<OLE_COLOR>(GetColor()); });
    }
    HRESULT STDMETHODCALLTYPE put_Color(OLE_COLOR value) override
    {
        return Put([&] { SetColor(static_cast<Color>(value)); });
    }
    HRESULT STDMETHODCALLTYPE get_Font(IFontDisp** value) override
    {
        return Get(value, [&] { return FontObject().Detach(); });
    }
    HRESULT STDMETHODCALLTYPE put_Font(IFontDisp* value) override
    {
        return Put([&] { SetFontObject(value); });
    }
    HRESULT STDMETHODCALLTYPE putref_Font(IFontDisp* value) override
    {
        return Put([&] { SetFontObject(value); });
    }
    HRESULT STDMETHODCALLTYPE get_KeyPreview(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(KeyPreview()); });
    }
    HRESULT STDMETHODCALLTYPE put_KeyPreview(VARIANT_BOOL value) override
    {
        return Put([&] { SetKeyPreview(value != VARIANT_FALSE); });
    }
    HRESULT STDMETHODCALLTYPE get_PixelsPerInch(LONG* value) override
    {
        return Get(value, [&] { return static_cast<LONG>(pixelsPerInch); });
    }
    HRESULT STDMETHODCALLTYPE put_PixelsPerInch(LONG value) override
    {
        return Put([&]() -> HRESULT {
            if (value <= 0)
                return E_INVALIDARG;
            pixelsPerInch = value;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_PrintScale(PrintScaleType* value) override
    {
        return Get(value, [&] { return static_cast<PrintScaleType>(printScale); });
    }
    HRESULT STDMETHODCALLTYPE put_PrintScale(PrintScaleType value) override
    {
        return Put([&]() -> HRESULT {
            const int v = static_cast<int>(value);
            if (v < 0 || v > static_cast<int>(PrintScale::poPrintToFit))
                return E_INVALIDARG;
            printScale = static_cast<PrintScale>(v);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_Scaled(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(scaled); });
    }
    HRESULT STDMETHODCALLTYPE put_Scaled(VARIANT_BOOL value) override
    {
        return Put([&] { scaled = value != VARIANT_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_Active(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(HasFocus()); });
    }
    HRESULT STDMETHODCALLTYPE get_DropTarget(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(dropTarget); });
    }
    HRESULT STDMETHODCALLTYPE put_DropTarget(VARIANT_BOOL value) override
    {
        return Put([&] { dropTarget = value != VARIANT_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_HelpFile(BSTR* value) override
    {
        return Get(value, [&] { return BStr(helpFile).Detach(); });
    }
    HRESULT STDMETHODCALLTYPE put_HelpFile(BSTR value) override
    {
        return Put([&] { helpFile = WideToAnsi(value ? value : L""); });
    }
    HRESULT STDMETHODCALLTYPE get_DoubleBuffered(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(doubleBuffered); });
    }
    HRESULT STDMETHODCALLTYPE put_DoubleBuffered(VARIANT_BOOL value) override
    {
        return Put([&] { doubleBuffered = value != VARIANT_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_VisibleDockClientCount(LONG* value) override
    {
        // Nothing docks into an ActiveForm.
        return Get(value, [] { return LONG{0}; });
    }
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(Enabled()); });
    }
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) override
    {
        return Put([&] { SetEnabled(value != VARIANT_FALSE); });
    }
    HRESULT STDMETHODCALLTYPE get_Cursor(SHORT* value) override
    {
        return Get(value, [&] { return static_cast<SHORT>(GetCursor()); });
    }
    HRESULT STDMETHODCALLTYPE put_Cursor(SHORT value) override
    {
        return Put([&] { SetCursor(static_cast<Cursor>(value)); });
    }

protected:
    ActiveForm() : ActiveFormBase(Derived::ClassId()) {}

private:
    static VARIANT_BOOL Bool(bool on) noexcept { return on ? VARIANT_TRUE : VARIANT_FALSE; }

    template <class T, class Fn>
    HRESULT Get(T* out, Fn&& read) noexcept
    {
        if (!out)
            return E_POINTER;
        return Method(__uuidof(ControlItf), [&] { *out = read(); });
    }
    template <class Fn>
    HRESULT Put(Fn&& write) noexcept
    {
        return Method(__uuidof(ControlItf), std::forward<Fn>(write));
    }
};

#pragma GCC diagnostic pop

} // namespace fw
