// The control site against a strict mock control: the mock records every call
// it gets (an unexpected call shows up in the sequence or fails at once) and
// plays a real windowed control's part in the handshake, so the tests see
// creation, in-place activation, sizing, teardown, focus reporting and key
// routing the way a plug-in's options control will.
#include "FakePluginLibrary.h"
#include "ui/Application.h"
#include "com/Com.h"
#include "com/ComServer.h"
#include "ui/Controls.h"
#include "base/Errors.h"
#include "ui/Form.h"
#include "ole/OleContainer.h"
#include "base/Registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <commctrl.h>
#include <olectl.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using fw::ComPtr;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// {6F1D2C70-3B0B-4E8E-9A51-8D2A1C5B7E01}
constexpr CLSID kMockClsid = {0x6f1d2c70, 0x3b0b, 0x4e8e, {0x9a, 0x51, 0x8d, 0x2a, 0x1c, 0x5b, 0x7e, 0x01}};
constexpr char kMockProgId[] = "VistrelTests.MockControl";
constexpr char kMockInitFailure[] = "The mock control refuses to start";
constexpr char kMockWindowClass[] = "VistrelMockControl";
constexpr WPARAM kEatenKey = 'A';

// What all mock controls of a test share: the call log and the behaviour
// the test asks for.
struct MockWorld {
    std::vector<std::string> log;
    int alive = 0;
    int created = 0;
    DWORD miscStatus = OLEMISC_SETCLIENTSITEFIRST;
    bool uiActivate = true;          // SetActiveObject on the frame when shown
    bool reportsFocus = false;       // IOleControlSite::OnFocus from the edit
    bool misbehaves = false;         // fails deactivation and close, keeps its window
    bool failsInitNew = false;
    // Learned from the site.
    VARIANT_BOOL userMode = VARIANT_FALSE;
    bool gotAmbientFont = false;
    IOleClientSite* firstSite = nullptr; // not owned
};
MockWorld* world = nullptr;

class MockControl final : public IOleObject,
                    public IOleInPlaceObject,
                    public IOleInPlaceActiveObject,
                    public IPersistStreamInit {
public:
    MockControl() : id_(++world->created) { ++world->alive; }
    ~MockControl() { --world->alive; }

    HWND window = nullptr;
    HWND edit = nullptr;
    ComPtr<IOleControlSite> controlSite;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleObject)
            *out = static_cast<IOleObject*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject)
            *out = static_cast<IOleInPlaceObject*>(this);
        else if (iid == IID_IOleInPlaceActiveObject)
            *out = static_cast<IOleInPlaceActiveObject*>(this);
        else if (iid == IID_IPersist || iid == IID_IPersistStreamInit)
            *out = static_cast<IPersistStreamInit*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG refs = --refs_;
        if (!refs)
            delete this;
        return refs;
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override
    {
        Log(site ? "SetClientSite" : "SetClientSite(NULL)");
        site_ = ComPtr<IOleClientSite>(site);
        controlSite = site_.As<IOleControlSite>();
        if (site) {
            if (!world->firstSite)
                world->firstSite = site;
            ReadAmbients();
        }
        return world->misbehaves && !site ? E_FAIL : S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite**) override { return Unexpected("GetClientSite"); }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override
    {
        Log("SetHostNames");
        return S_OK;
    }
    STDMETHODIMP Close(DWORD option) override
    {
        Log(option == OLECLOSE_NOSAVE ? "Close(NOSAVE)" : "Close");
        return world->misbehaves ? E_FAIL : S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return Unexpected("SetMoniker"); }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return Unexpected("GetMoniker"); }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return Unexpected("InitFromData"); }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return Unexpected("GetClipboardData"); }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) override
    {
        Log("DoVerb(" + std::to_string(verb) + ")");
        EXPECT_EQ(site, site_.Get());
        if (verb != OLEIVERB_SHOW && verb != OLEIVERB_INPLACEACTIVATE)
            return OLEOBJ_S_INVALIDVERB;
        return Activate(parent, *rect, verb == OLEIVERB_SHOW && world->uiActivate);
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return Unexpected("EnumVerbs"); }
    STDMETHODIMP Update() override { return Unexpected("Update"); }
    STDMETHODIMP IsUpToDate() override { return Unexpected("IsUpToDate"); }
    STDMETHODIMP GetUserClassID(CLSID*) override { return Unexpected("GetUserClassID"); }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return Unexpected("GetUserType"); }
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL*) override
    {
        EXPECT_EQ(aspect, static_cast<DWORD>(DVASPECT_CONTENT));
        Log("SetExtent");
        return S_OK;
    }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return Unexpected("GetExtent"); }
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override
    {
        Log("Advise");
        sink_ = ComPtr<IAdviseSink>(sink);
        *cookie = 7;
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD cookie) override
    {
        Log("Unadvise");
        EXPECT_EQ(cookie, 7u);
        sink_.Reset();
        return S_OK;
    }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return Unexpected("EnumAdvise"); }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override
    {
        *status = world->miscStatus;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return Unexpected("SetColorScheme"); }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* hwnd) override
    {
        *hwnd = window;
        return window ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return Unexpected("ContextSensitiveHelp"); }

    // IOleInPlaceObject
    STDMETHODIMP InPlaceDeactivate() override
    {
        Log("InPlaceDeactivate");
        if (world->misbehaves)
            return E_FAIL; // and its window stays
        Deactivate();
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return Unexpected("UIDeactivate"); }
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override
    {
        Log("SetObjectRects");
        EXPECT_TRUE(EqualRect(pos, clip));
        MoveWindow(window, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return Unexpected("ReactivateAndUndo"); }

    // IOleInPlaceActiveObject: takes one key, passes the others on.
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override
    {
        if (msg->message == WM_KEYDOWN) {
            Log("TranslateAccelerator(" + std::to_string(msg->wParam) + ")");
            if (msg->wParam == kEatenKey)
                return S_OK;
        }
        if (controlSite)
            return controlSite->TranslateAccelerator(msg, 0);
        return S_FALSE;
    }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return Unexpected("OnFrameWindowActivate"); }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return Unexpected("OnDocWindowActivate"); }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return Unexpected("ResizeBorder"); }
    STDMETHODIMP EnableModeless(BOOL) override { return Unexpected("EnableModeless"); }

    // IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID*) override { return Unexpected("GetClassID"); }
    STDMETHODIMP IsDirty() override { return Unexpected("IsDirty"); }
    STDMETHODIMP Load(LPSTREAM) override { return Unexpected("Load"); }
    STDMETHODIMP Save(LPSTREAM, BOOL) override { return Unexpected("Save"); }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return Unexpected("GetSizeMax"); }
    STDMETHODIMP InitNew() override
    {
        Log("InitNew");
        if (world->failsInitNew)
            return fw::SetComError(kMockInitFailure, E_FAIL);
        return S_OK;
    }

    // Asks to be placed somewhere else, as a control that sizes itself does.
    void RequestPosRect(const RECT& rect)
    {
        EXPECT_EQ(S_OK, inPlaceSite_->OnPosRectChange(&rect));
    }

private:
    void Log(const std::string& call) { world->log.push_back(std::to_string(id_) + ":" + call); }
    HRESULT Unexpected(const char* call)
    {
        ADD_FAILURE() << "unexpected call " << call;
        Log(call);
        return E_NOTIMPL;
    }

    void ReadAmbients()
    {
        auto ambients = site_.As<IDispatch>();
        ASSERT_TRUE(ambients);
        auto get = [&](DISPID id, VARIANT& value) {
            DISPPARAMS none{};
            return ambients->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
        };
        VARIANT value;
        VariantInit(&value);
        if (get(DISPID_AMBIENT_USERMODE, value) == S_OK && V_VT(&value) == VT_BOOL)
            world->userMode = V_BOOL(&value);
        VariantClear(&value);
        if (get(DISPID_AMBIENT_FONT, value) == S_OK && V_VT(&value) == VT_DISPATCH && V_DISPATCH(&value)) {
            ComPtr<IFontDisp> font;
            world->gotAmbientFont = SUCCEEDED(V_DISPATCH(&value)->QueryInterface(IID_IFontDisp, font.PutVoid()));
        }
        VariantClear(&value);
    }

    HRESULT Activate(HWND parent, const RECT& verbRect, bool uiActivate)
    {
        if (!inPlaceSite_) {
            EXPECT_EQ(S_OK, site_.As(IID_IOleInPlaceSite, inPlaceSite_));
            EXPECT_EQ(S_OK, inPlaceSite_->CanInPlaceActivate());
            EXPECT_EQ(S_OK, inPlaceSite_->OnInPlaceActivate());
            HWND siteWindow = nullptr;
            EXPECT_EQ(S_OK, inPlaceSite_->GetWindow(&siteWindow));
            EXPECT_EQ(siteWindow, parent);
            ComPtr<IOleInPlaceUIWindow> doc;
            RECT pos{}, clip{};
            OLEINPLACEFRAMEINFO info{};
            info.cb = sizeof info;
            EXPECT_EQ(S_OK, inPlaceSite_->GetWindowContext(frame_.Put(), doc.Put(), &pos, &clip, &info));
            EXPECT_TRUE(frame_);
            EXPECT_TRUE(EqualRect(&pos, &verbRect));
            EXPECT_EQ(info.hwndFrame, GetAncestor(parent, GA_ROOT));
            window = CreateWindowExA(WS_EX_CONTROLPARENT, kMockWindowClass, "", WS_CHILD | WS_VISIBLE, pos.left,
                                     pos.top, pos.right - pos.left, pos.bottom - pos.top, siteWindow, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
            edit = CreateWindowExA(0, WC_EDITA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 10, 10, 100,
                                   21, window, nullptr, GetModuleHandleA(nullptr), nullptr);
            SetWindowSubclass(edit, &EditProc, 1, reinterpret_cast<DWORD_PTR>(this));
        }
        if (uiActivate && !uiActive_) {
            uiActive_ = true;
            EXPECT_EQ(S_OK, inPlaceSite_->OnUIActivate());
            EXPECT_EQ(S_OK, frame_->SetActiveObject(this, L"Mock"));
        }
        return site_->ShowObject();
    }

    void Deactivate()
    {
        if (!inPlaceSite_)
            return;
        if (uiActive_) {
            frame_->SetActiveObject(nullptr, nullptr);
            inPlaceSite_->OnUIDeactivate(FALSE);
            uiActive_ = false;
        }
        DestroyWindow(window);
        window = edit = nullptr;
        inPlaceSite_->OnInPlaceDeactivate();
        frame_.Reset();
        inPlaceSite_.Reset();
    }

    // A control tells its site when its own windows take or lose the focus.
    static LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
    {
        auto* self = reinterpret_cast<MockControl*>(data);
        if (world->reportsFocus && self->controlSite && (msg == WM_SETFOCUS || msg == WM_KILLFOCUS))
            self->controlSite->OnFocus(msg == WM_SETFOCUS);
        if (msg == WM_NCDESTROY)
            RemoveWindowSubclass(hwnd, &EditProc, 1);
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }

    ULONG refs_ = 1;
    int id_;
    bool uiActive_ = false;
    ComPtr<IOleClientSite> site_;
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    ComPtr<IOleInPlaceFrame> frame_;
    ComPtr<IAdviseSink> sink_;
};

class MockFactory final : public IClassFactory {
public:
    MockControl* last = nullptr; // the newest mock, not owned

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory)
            return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        last = new MockControl;
        const HRESULT hr = last->QueryInterface(iid, out);
        last->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

LRESULT CALLBACK MockWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Like a composite control, it hands the focus on to its field.
    if (msg == WM_SETFOCUS)
        if (HWND field = GetWindow(hwnd, GW_CHILD))
            SetFocus(field);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class HostForm : public fw::Form {
public:
    HostForm()
    {
        SetCaption("Host");
        SetBorderStyle(fw::BorderStyle::bsDialog);
        SetClientSize(560, 330);
    }
    fw::OleContainer container{*this, {8, 8, 542, 270}};
    fw::Edit edit{*this, {8, 290, 120, 21}};
    fw::Button next{*this, {470, 290, 75, 25}, "Next"};
};

RECT ClientRect(HWND hwnd)
{
    RECT rc{};
    GetClientRect(hwnd, &rc);
    return rc;
}

// A window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND hwnd)
{
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void PostKey(HWND hwnd, WORD key)
{
    const auto scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(hwnd, WM_KEYDOWN, key, scan | 1);
    PostMessageA(hwnd, WM_KEYUP, key, scan | 1 | 0xC0000000);
}

// A real click through the system's input queue.
void ClickAt(POINT screen)
{
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT in[3]{};
    for (auto& i : in) {
        i.type = INPUT_MOUSE;
        i.mi.dx = static_cast<LONG>(screen.x * 65535LL / (w - 1));
        i.mi.dy = static_cast<LONG>(screen.y * 65535LL / (h - 1));
    }
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(3, in, sizeof(INPUT));
}

// Handles messages until `done` holds or two seconds pass.
template <class Pred>
bool PumpUntil(Pred done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done() && std::chrono::steady_clock::now() < end) {
        fw::App().ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

class OleContainerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &MockWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kMockWindowClass;
        RegisterClassA(&wc);
    }
    void SetUp() override
    {
        world = &world_;
        previous_ = fw::App().SetExceptionHandler([this](const std::string& text) { errors.push_back(text); });
        ASSERT_EQ(S_OK, CoRegisterClassObject(kMockClsid, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                              &cookie_));
        const fw::RegKey key =
            fw::RegKey::TryCreate(HKEY_CLASSES_ROOT, (std::string(kMockProgId) + "\\CLSID").c_str());
        ASSERT_TRUE(key);
        ASSERT_EQ(ERROR_SUCCESS, key.WriteString("", fw::GUIDToString(kMockClsid)));
    }
    void TearDown() override
    {
        form.reset();
        CoRevokeClassObject(cookie_);
        fw::RegKey::DeleteKey(HKEY_CLASSES_ROOT, kMockProgId, true);
        fw::App().SetExceptionHandler(std::move(previous_));
        EXPECT_EQ(world_.alive, 0) << "a mock control was never released";
        EXPECT_THAT(errors, IsEmpty());
        world = nullptr;
    }

    // A shown host form whose container hosts an active mock control.
    MockControl& HostActiveMock()
    {
        form = fw::CreateForm<HostForm>();
        form->Show();
        form->container.CreateObject(kMockProgId);
        form->container.DoVerb(OLEIVERB_SHOW);
        fw::App().ProcessMessages();
        world_.log.clear();
        return *factory.last;
    }

    fw::ComInit ole_{fw::ComInit::Kind::Ole};
    MockWorld world_;
    MockFactory factory;
    fw::FormPtr<HostForm> form;
    std::vector<std::string> errors;

private:
    DWORD cookie_ = 0;
    fw::Application::ExceptionHandler previous_;
};

// --- creation, activation, placement --------------------------------------------

TEST_F(OleContainerTest, ControlComesUpInPlaceOnlyWhenAskedAndFillsTheSite)
{
    form = fw::CreateForm<HostForm>();
    form->Show();
    fw::OleContainer& site = form->container;
    EXPECT_TRUE(site.Empty());
    EXPECT_FALSE(site.OleObject());

    site.CreateObject(kMockProgId);
    EXPECT_THAT(world_.log, ElementsAre("1:SetClientSite", "1:InitNew", "1:SetHostNames", "1:Advise"));
    EXPECT_EQ(world_.userMode, VARIANT_TRUE);
    EXPECT_TRUE(world_.gotAmbientFont);
    ComPtr<IUnknown> identity;
    factory.last->QueryInterface(IID_IUnknown, identity.PutVoid());
    EXPECT_EQ(site.OleObject(), identity);

    // Neither the focus nor a click activates it.
    world_.log.clear();
    site.SetFocus();
    PostMessageA(site.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageA(site.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    fw::App().ProcessMessages();
    EXPECT_THAT(world_.log, IsEmpty());
    EXPECT_FALSE(site.InPlaceActive());

    site.DoVerb(OLEIVERB_SHOW);
    EXPECT_THAT(world_.log, ElementsAre("1:SetExtent", "1:DoVerb(-1)", "1:SetObjectRects"));
    EXPECT_TRUE(site.InPlaceActive());
    HWND control = factory.last->window;
    ASSERT_TRUE(IsWindow(control));
    EXPECT_EQ(GetParent(control), site.Handle());
    const RECT client = ClientRect(site.Handle());
    const RECT placed = RectInParent(control);
    EXPECT_TRUE(EqualRect(&placed, &client));
    // No border: the client area is the whole site.
    EXPECT_EQ(client.right, site.Width());
    EXPECT_EQ(client.bottom, site.Height());
}

TEST_F(OleContainerTest, ControlThatWantsItsSiteLastGetsItAfterInitialising)
{
    world_.miscStatus = 0;
    form = fw::CreateForm<HostForm>();
    form->container.CreateObject(kMockProgId);
    EXPECT_THAT(world_.log, ElementsAre("1:InitNew", "1:SetClientSite", "1:SetHostNames", "1:Advise"));
}

TEST_F(OleContainerTest, ControlIsStretchedOverTheSiteWhateverSizeItAsksFor)
{
    MockControl& mock = HostActiveMock();
    fw::OleContainer& site = form->container;
    site.SetBounds({8, 8, 300, 200});
    EXPECT_THAT(world_.log, ElementsAre("1:SetExtent", "1:SetObjectRects"));
    RECT placed = RectInParent(mock.window);
    EXPECT_EQ(placed.right - placed.left, 300);
    EXPECT_EQ(placed.bottom - placed.top, 200);

    world_.log.clear();
    mock.RequestPosRect({0, 0, 50, 40});
    EXPECT_THAT(world_.log, ElementsAre("1:SetExtent", "1:SetObjectRects"));
    placed = RectInParent(mock.window);
    EXPECT_EQ(placed.right - placed.left, 300);
}

// --- teardown -----------------------------------------------------------------

TEST_F(OleContainerTest, NewObjectReplacesTheOldOneAfterAnOrderlyTeardown)
{
    MockControl& first = HostActiveMock();
    HWND firstWindow = first.window;
    IOleClientSite* site = world_.firstSite;

    form->container.CreateObject(kMockProgId);
    EXPECT_THAT(world_.log, ElementsAre("1:InPlaceDeactivate", "1:Unadvise", "1:Close(NOSAVE)",
                                        "1:SetClientSite(NULL)", "2:SetClientSite", "2:InitNew",
                                        "2:SetHostNames", "2:Advise"));
    EXPECT_EQ(world_.alive, 1) << "the first control was not released";
    EXPECT_FALSE(IsWindow(firstWindow));
    EXPECT_FALSE(form->container.InPlaceActive());

    form->container.DestroyObject();
    EXPECT_TRUE(form->container.Empty());
    EXPECT_EQ(world_.alive, 0);
    // Every reference the controls were given came back: only the
    // container's own is left.
    site->AddRef();
    EXPECT_EQ(site->Release(), 1u);
}

TEST_F(OleContainerTest, ClosingTheFormTakesTheControlDownFirst)
{
    HostActiveMock();
    form->DoDestroy();
    EXPECT_THAT(world_.log, ElementsAre("1:InPlaceDeactivate", "1:Unadvise", "1:Close(NOSAVE)",
                                        "1:SetClientSite(NULL)"));
    EXPECT_EQ(world_.alive, 0);
}

TEST_F(OleContainerTest, MisbehavingControlGoesAnywayWithItsWindow)
{
    world_.misbehaves = true;
    MockControl& mock = HostActiveMock();
    HWND control = mock.window;
    form->container.DestroyObject();
    EXPECT_THAT(world_.log, ElementsAre("1:InPlaceDeactivate", "1:Unadvise", "1:Close(NOSAVE)",
                                        "1:SetClientSite(NULL)"));
    EXPECT_FALSE(IsWindow(control));
    EXPECT_EQ(world_.alive, 0);
    EXPECT_TRUE(form->container.Empty());
}

TEST_F(OleContainerTest, FailedCreationRaisesTheTextAndLeavesTheContainerEmpty)
{
    MockControl& previous = HostActiveMock();
    HWND previousWindow = previous.window;
    try {
        form->container.CreateObject("VistrelTests.NoSuchControl");
        FAIL() << "an unregistered ProgID was accepted";
    } catch (const fw::Error& e) {
        EXPECT_TRUE(FAILED(e.code()));
        EXPECT_STRNE(e.what(), "");
    }
    // The object hosted before went first.
    EXPECT_FALSE(IsWindow(previousWindow));
    EXPECT_TRUE(form->container.Empty());

    world_.log.clear();
    world_.failsInitNew = true;
    try {
        form->container.CreateObject(kMockProgId);
        FAIL() << "a control that failed to initialise was kept";
    } catch (const fw::Error& e) {
        EXPECT_STREQ(e.what(), kMockInitFailure);
    }
    EXPECT_THAT(world_.log, ElementsAre("2:SetClientSite", "2:InitNew", "2:Close(NOSAVE)", "2:SetClientSite(NULL)"));
    EXPECT_TRUE(form->container.Empty());
    EXPECT_THROW(form->container.DoVerb(OLEIVERB_SHOW), fw::Error);
}

// --- focus ----------------------------------------------------------------------

struct FocusEvents {
    explicit FocusEvents(HostForm& form)
    {
        form.container.OnEnter = [this] { seen.push_back("enter"); };
        form.container.OnExit = [this] { seen.push_back("exit"); };
        form.next.OnClick = [this] { seen.push_back("click"); };
    }
    std::vector<std::string> seen;
};

TEST_F(OleContainerTest, FocusEnteringAndLeavingTheControlIsReportedOnce)
{
    world_.reportsFocus = true; // the control's own reports must not double the events
    MockControl& mock = HostActiveMock();
    FocusEvents events(*form);
    form->edit.SetFocus();
    events.seen.clear();

    SetFocus(mock.edit);
    EXPECT_THAT(events.seen, ElementsAre("enter"));
    EXPECT_TRUE(form->container.FocusInside());
    SetFocus(mock.window); // moves on to its field: still inside
    EXPECT_EQ(GetFocus(), mock.edit);

    // Another top-level window taking the focus, and giving it back, is neither.
    fw::Form other;
    fw::Edit otherEdit(other, {8, 8, 100, 21});
    other.Show();
    SetFocus(otherEdit.Handle());
    SetFocus(mock.edit);
    EXPECT_THAT(events.seen, ElementsAre("enter"));

    form->edit.SetFocus();
    EXPECT_THAT(events.seen, ElementsAre("enter", "exit"));
    EXPECT_FALSE(form->container.FocusInside());
    // A late report from the control does not take the focus back.
    mock.controlSite->OnFocus(TRUE);
    EXPECT_THAT(events.seen, ElementsAre("enter", "exit"));
}

TEST_F(OleContainerTest, ClickOnAHostButtonReportsTheExitBeforeTheClick)
{
    MockControl& mock = HostActiveMock();
    FocusEvents events(*form);
    SetForegroundWindow(form->Handle());
    SetFocus(mock.edit);
    ASSERT_THAT(events.seen, ElementsAre("enter"));

    ClickAt(form->next.ClientToScreen({20, 12}));
    ASSERT_TRUE(PumpUntil([&] { return events.seen.size() >= 3; })) << "the click did not arrive";
    EXPECT_THAT(events.seen, ElementsAre("enter", "exit", "click"));
}

TEST_F(OleContainerTest, TabThatTheControlPassesOnLeavesItThroughDialogNavigation)
{
    MockControl& mock = HostActiveMock();
    FocusEvents events(*form);
    SetFocus(mock.edit);
    PostKey(mock.edit, VK_TAB);
    fw::App().ProcessMessages();
    EXPECT_THAT(world_.log, ElementsAre("1:TranslateAccelerator(9)"));
    EXPECT_EQ(GetFocus(), form->edit.Handle());
    EXPECT_THAT(events.seen, ElementsAre("enter", "exit"));
}

// --- keys -----------------------------------------------------------------------

TEST_F(OleContainerTest, ControlSeesItsKeysBeforeTheForm)
{
    MockControl& mock = HostActiveMock();
    std::vector<WORD> formKeys;
    form->SetKeyPreview(true);
    form->OnKeyDown = [&](WORD& key, fw::ShiftState) { formKeys.push_back(key); };
    SetFocus(mock.edit);

    PostKey(mock.edit, kEatenKey);
    PostKey(mock.edit, 'B');
    fw::App().ProcessMessages();
    EXPECT_THAT(world_.log, ElementsAre("1:TranslateAccelerator(65)", "1:TranslateAccelerator(66)"));
    EXPECT_THAT(formKeys, ElementsAre('B'));
    char text[16] = {};
    GetWindowTextA(mock.edit, text, sizeof text);
    EXPECT_STREQ(text, "b");

    // Keys for the host's own windows are none of the control's business.
    world_.log.clear();
    form->edit.SetFocus();
    PostKey(form->edit.Handle(), 'C');
    fw::App().ProcessMessages();
    EXPECT_THAT(world_.log, IsEmpty());
}

TEST_F(OleContainerTest, ControlThatNeverBecameUiActiveStillGetsItsKeys)
{
    world_.uiActivate = false;
    MockControl& mock = HostActiveMock();
    SetFocus(mock.edit);
    PostKey(mock.edit, kEatenKey);
    fw::App().ProcessMessages();
    EXPECT_THAT(world_.log, ElementsAre("1:TranslateAccelerator(65)"));
    char text[16] = {};
    GetWindowTextA(mock.edit, text, sizeof text);
    EXPECT_STREQ(text, "");
}

// --- a real control: the fake plug-in's options page -------------------------

// The fake plug-in library from beside the programs, registered as an
// installer would, for as long as a test uses it.
class FakePluginRegistration {
public:
    FakePluginRegistration()
        : registered_(fake_plugin::Library().Loaded() && SUCCEEDED(fake_plugin::Library().registerServer()))
    {
    }
    ~FakePluginRegistration()
    {
        if (registered_)
            fake_plugin::Library().unregisterServer();
    }
    bool Registered() const { return registered_; }

private:
    bool registered_;
};

std::string FocusText()
{
    char text[64] = {};
    GetWindowTextA(GetFocus(), text, sizeof text);
    return text;
}

TEST(FakePluginOptions, TypingAndTabWorkInsideTheHostedPage)
{
    fw::ComInit ole(fw::ComInit::Kind::Ole);
    FakePluginRegistration plugin;
    ASSERT_TRUE(plugin.Registered());
    auto form = fw::CreateForm<HostForm>();
    form->Show();
    fw::App().ProcessMessages();
    FocusEvents events(*form);
    fw::OleContainer& site = form->container;

    site.CreateObject("fakeplugin.FakeOptions");
    ASSERT_TRUE(site.OleObject());
    site.DoVerb(OLEIVERB_SHOW);
    fw::App().ProcessMessages();
    HWND page = GetWindow(site.Handle(), GW_CHILD);
    ASSERT_TRUE(page);
    const RECT placed = RectInParent(page), client = ClientRect(site.Handle());
    EXPECT_TRUE(EqualRect(&placed, &client));
    EXPECT_THAT(events.seen, IsEmpty());

    // Tab from the host's last control wraps round into the page's first field.
    form->next.SetFocus();
    PostKey(form->next.Handle(), VK_TAB);
    fw::App().ProcessMessages();
    EXPECT_THAT(events.seen, ElementsAre("enter"));
    HWND field = GetFocus();
    ASSERT_TRUE(IsChild(page, field));

    PostKey(field, 'H');
    PostKey(field, 'I');
    fw::App().ProcessMessages();
    EXPECT_EQ(FocusText(), "hi");

    // Tab goes through the page's buttons, then out to the host's next control.
    PostKey(GetFocus(), VK_TAB);
    fw::App().ProcessMessages();
    EXPECT_EQ(FocusText(), "First");
    PostKey(GetFocus(), VK_TAB);
    fw::App().ProcessMessages();
    EXPECT_EQ(FocusText(), "Second");
    EXPECT_THAT(events.seen, ElementsAre("enter"));
    PostKey(GetFocus(), VK_TAB);
    fw::App().ProcessMessages();
    EXPECT_EQ(GetFocus(), form->edit.Handle());
    EXPECT_THAT(events.seen, ElementsAre("enter", "exit"));

    site.DestroyObject();
    EXPECT_FALSE(IsWindow(page) && IsChild(site.Handle(), page));
}

} // namespace

// A page in place that is told of another display scale stays the size its
// site gives it; its controls grow inside it.
TEST(FakePluginOptions, ANewScaleInPlaceKeepsThePageInItsSiteAndScalesItsControls)
{
    fw::ComInit ole(fw::ComInit::Kind::Ole);
    FakePluginRegistration plugin;
    ASSERT_TRUE(plugin.Registered());
    auto form = fw::CreateForm<HostForm>();
    form->Show();
    fw::OleContainer& site = form->container;
    site.CreateObject("fakeplugin.FakeOptions");
    site.DoVerb(OLEIVERB_SHOW);
    fw::App().ProcessMessages();
    HWND page = GetWindow(site.Handle(), GW_CHILD);
    ASSERT_TRUE(page);
    HWND field = GetWindow(page, GW_CHILD);
    ASSERT_TRUE(field);
    const RECT before = RectInParent(field);

    const auto dispatch = site.OleObject().As<IDispatch>();
    ASSERT_TRUE(dispatch);
    constexpr DISPID kPixelsPerInch = 0xCE;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = 192;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{&value, &named, 1, 1};
    ASSERT_EQ(dispatch->Invoke(kPixelsPerInch, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr),
              S_OK);
    fw::App().ProcessMessages();

    const RECT placed = RectInParent(page), client = ClientRect(site.Handle());
    EXPECT_TRUE(EqualRect(&placed, &client)) << "the page left its site";
    const RECT after = RectInParent(field);
    EXPECT_EQ(after.left, before.left * 2);
    EXPECT_EQ(after.top, before.top * 2);

    VARIANT got;
    VariantInit(&got);
    DISPPARAMS none{};
    ASSERT_EQ(dispatch->Invoke(kPixelsPerInch, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &got, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(got.lVal, 192);

    // The scaled font handed out and back keeps its size: a scaled height
    // need not be a whole number of points.
    const auto fontHeight = [&] {
        HWND child = GetWindow(page, GW_CHILD);
        HFONT handle = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
        LOGFONTA lf{};
        GetObjectA(handle, sizeof lf, &lf);
        return lf.lfHeight;
    };
    const LONG height = fontHeight();
    constexpr DISPID kFont = DISPID_FONT;
    VARIANT font;
    VariantInit(&font);
    ASSERT_EQ(dispatch->Invoke(kFont, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &font, nullptr, nullptr), S_OK);
    ASSERT_EQ(font.vt, VT_DISPATCH);
    DISPPARAMS putFont{&font, &named, 1, 1};
    ASSERT_EQ(dispatch->Invoke(kFont, IID_NULL, 0, DISPATCH_PROPERTYPUT, &putFont, nullptr, nullptr, nullptr), S_OK);
    VariantClear(&font);
    EXPECT_EQ(fontHeight(), height);
}
