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

#include <algorithm>
#include <array>
#include <iterator>
#include <span>
#include <string>

#include "com/AutoObject.h"
#include "com/ComBStr.h"
#include "com/ComObject.h"
#include "ole/ActiveFormProps.h"
#include "ole/ConnectionPoint.h"
#include "ui/FocusHook.h"
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

} // namespace detail

// Everything of an ActiveForm that does not depend on the library's
// generated interfaces: the form and the OLE control protocol. IUnknown is
// provided by the ActiveForm template.
class ActiveFormBase : private detail::ParkingWindow,
                       private FocusWatcher,
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
    const IID& EventsIID() const noexcept { return events_.EventsIID(); }

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
    // In place, the container gives the form its size: a new display scale
    // lays the controls out again inside it instead.
    void ScaleBounds(int m, int d) override;

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

    // The interface map rows of this class's interfaces, for an `Object`
    // deriving from it.
    template <class Object>
    static auto BaseInterfaces() noexcept
    {
        return std::array{
            InterfaceOf<Object, IOleObject>(),
            InterfaceOf<Object, IOleWindow, IOleInPlaceObject>(),
            InterfaceOf<Object, IOleInPlaceObject>(),
            InterfaceOf<Object, IOleInPlaceActiveObject>(),
            InterfaceOf<Object, IOleControl>(),
            InterfaceOf<Object, IPersist, IPersistStreamInit>(),
            InterfaceOf<Object, IPersistStreamInit>(),
            InterfaceOf<Object, IViewObject, IViewObject2>(),
            InterfaceOf<Object, IViewObject2>(),
            InterfaceOf<Object, IProvideClassInfo, IProvideClassInfo2>(),
            InterfaceOf<Object, IProvideClassInfo2>(),
            InterfaceOf<Object, IConnectionPointContainer>(),
            InterfaceOf<Object, ISupportErrorInfo>(),
        };
    }
    // Clean-up on the last Release, while the object is whole: deactivation,
    // the destroy event, the window.
    void FinalRelease() noexcept;
    // The template's creation, finished: initialisation and the form's
    // OnCreate, then the object queried for `iid`. Releases `object` on
    // failure.
    static HRESULT FinishCreation(ActiveFormBase* object, REFIID iid, void** result) noexcept;

private:
    template <class, class>
    friend class ActiveFormProperties;

    // FocusWatcher
    void FocusMoved(HWND gaining, HWND losing) noexcept override;

    HRESULT InPlaceActivate(IOleClientSite* site, LPCRECT posRect);
    HRESULT UIActivate();
    void ShowInContainer(HWND parent, const RECT& pos, const RECT& clip);
    void Park() noexcept;
    void FocusChanged();
    bool FocusInside() const noexcept;
    bool TabLeavesForm(bool backward) const;
    HRESULT PassToSite(MSG& msg);
    SIZEL ExtentFromWindow() const;

    ServedObjectLock lock_;
    CLSID clsid_;
    std::string progId_;
    EventConnectionPoint events_;
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

// The control class template: IUnknown over all interfaces from one map, the
// IDispatch of the control's dual interface ControlItf (also the default
// IDispatch) with its standard properties, and of OtherItfs, from the
// library's type library.
template <class Derived, class ControlItf, class... OtherItfs>
class ActiveForm : public ComObject<Derived, ActiveFormBase, ActiveFormProperties<Derived, ControlItf>,
                                    DispatchImpl<OtherItfs>...> {
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
        return ActiveFormBase::FinishCreation(created, iid, object);
    }

    static std::span<const InterfaceEntry> InterfaceMap() noexcept
    {
        static const auto map = [] {
            const auto base = ActiveFormBase::BaseInterfaces<Derived>();
            const InterfaceEntry own[] = {
                InterfaceOf<Derived, IDispatch, ControlItf>(),
                InterfaceOf<Derived, ControlItf>(),
                InterfaceOf<Derived, OtherItfs>()...,
            };
            std::array<InterfaceEntry, base.size() + std::size(own)> all{};
            std::copy(base.begin(), base.end(), all.begin());
            std::copy(std::begin(own), std::end(own), all.begin() + base.size());
            return all;
        }();
        return map;
    }

    // The kit's clean-up hook: the control's.
    void FinalRelease() noexcept { ActiveFormBase::FinalRelease(); }

protected:
    ActiveForm() : ComObject<Derived, ActiveFormBase, ActiveFormProperties<Derived, ControlItf>,
                             DispatchImpl<OtherItfs>...>(Derived::ClassId())
    {
    }
};

} // namespace fw
