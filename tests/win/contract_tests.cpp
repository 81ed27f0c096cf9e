// The plug-in contract as third parties see it: the generated declarations put
// the methods in the contract's virtual-table slots, and the type library
// describes the same interfaces, dispatch ids, parameters and identifiers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "com/Com.h"
#include "pixwell_TLB.h"

using testing::ElementsAre;

namespace {

constexpr char kTypeLibFile[] = "pixwell.tlb"; // copied beside this program by the build
// {73EC7466-84E1-4A64-949D-0CFA9B20315D}
constexpr GUID kNotifyMessagesGuid = {0x73EC7466, 0x84E1, 0x4A64, {0x94, 0x9D, 0x0C, 0xFA, 0x9B, 0x20, 0x31, 0x5D}};
// stdole2's library, where IDispatch and IUnknown must come from.
constexpr GUID kStdOleLibId = {0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// What the fakes were asked, in order, with their arguments as text.
using CallLog = std::vector<std::string>;

// IUnknown for one interface `I`, with a visible reference count.
template <class I>
class FakeBase : public I {
public:
    explicit FakeBase(CallLog& log) : log_(log) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(I)) ||
            (std::is_base_of_v<IDispatch, I> && IsEqualIID(iid, IID_IDispatch))) {
            *out = static_cast<I*>(this);
            this->AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }

    long refs = 1;

protected:
    CallLog& log_;
};

// IDispatch is provided for automation clients only; the host never calls it.
template <class I>
class FakeDispatch : public FakeBase<I> {
public:
    using FakeBase<I>::FakeBase;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        return E_NOTIMPL;
    }
};

std::string PointerText(const void* p)
{
    char buf[32];
    wsprintfA(buf, "%p", p);
    return buf;
}

class FakePlugin : public FakeDispatch<IPixwellPlugin> {
public:
    using FakeDispatch::FakeDispatch;

    HRESULT STDMETHODCALLTYPE GetPluginInfo(BSTR* name, BSTR* description, BSTR* options,
                                            BSTR* helpTopic, HRESULT* result) override
    {
        return fw::ComMethod([&] {
            log_.push_back("GetPluginInfo");
            fw::SetOutBStr(name, "SaveToFile plugin");
            fw::SetOutBStr(description, "This plugin save image to your specified file");
            fw::SetOutBStr(options, "{C0D661E2-A7D1-4B68-8057-AB09E3A4B532}");
            fw::SetOutBStr(helpTopic, "plugin_filesave.html");
            *result = S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Execute(IUnknown* stream, LONG parentWnd, HRESULT* result) override
    {
        return fw::ComMethod([&] {
            log_.push_back("Execute " + PointerText(stream) + " " + std::to_string(parentWnd));
            if (parentWnd < 0)
                throw fw::Error("Error writing plugin settings");
            *result = E_FAIL;
        });
    }
};

class FakeOptions : public FakeDispatch<IPixwellPluginOptions> {
public:
    using FakeDispatch::FakeDispatch;

    HRESULT STDMETHODCALLTYPE SetPlugin(IPixwellPlugin* plugin) override
    {
        log_.push_back("SetPlugin " + PointerText(plugin));
        plugin_ = fw::ComPtr<IPixwellPlugin>(plugin);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SaveSettings(HRESULT* result) override
    {
        log_.push_back("SaveSettings");
        *result = E_FAIL;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Notify(TNotifyMessages msg) override
    {
        log_.push_back("Notify " + std::to_string(static_cast<int>(msg)));
        return S_OK;
    }

    fw::ComPtr<IPixwellPlugin> plugin_;
};

class FakeCatalogue : public FakeBase<IPixwellObject> {
public:
    FakeCatalogue(CallLog& log, IPixwellPlugin* plugin) : FakeBase(log), plugin_(plugin) {}

    HRESULT STDMETHODCALLTYPE GetPluginList(BSTR* list) override
    {
        log_.push_back("GetPluginList");
        fw::SetOutBStr(list, "{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE},{7725CB74-418B-4D66-A48E-453CDD089DE2}");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddPlugin(BSTR fileName) override
    {
        log_.push_back("AddPlugin " + fw::WideToAnsi(fileName ? fileName : L""));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RemovePlugin(BSTR fileName) override
    {
        log_.push_back("RemovePlugin " + fw::WideToAnsi(fileName ? fileName : L""));
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetPlugin(BSTR nick, IPixwellPlugin** instance) override
    {
        log_.push_back("GetPlugin " + fw::WideToAnsi(nick ? nick : L""));
        plugin_->AddRef();
        *instance = plugin_;
        return S_OK;
    }

private:
    IPixwellPlugin* plugin_;
};

// The function in virtual-table slot `index` of interface pointer `object`.
template <class Fn, class I>
Fn Slot(I* object, int index)
{
    using AnyFn = void (*)();
    AnyFn* table = *reinterpret_cast<AnyFn**>(object);
    return reinterpret_cast<Fn>(table[index]);
}

// ---------------------------------------------------------------------------
// Virtual-table order

TEST(ContractVtable, PluginMethodsFollowIDispatchInContractOrder)
{
    CallLog log;
    FakePlugin plugin(log);
    IPixwellPlugin* p = &plugin;

    using GetPluginInfoFn = HRESULT(STDMETHODCALLTYPE*)(IPixwellPlugin*, BSTR*, BSTR*, BSTR*, BSTR*, HRESULT*);
    fw::BStr name, description, options, help;
    HRESULT result = E_UNEXPECTED;
    ASSERT_EQ(S_OK, Slot<GetPluginInfoFn>(p, 7)(p, name.Put(), description.Put(), options.Put(),
                                                 help.Put(), &result));
    EXPECT_EQ(S_OK, result);
    EXPECT_EQ("SaveToFile plugin", name.ToString());
    EXPECT_EQ("This plugin save image to your specified file", description.ToString());
    EXPECT_EQ("{C0D661E2-A7D1-4B68-8057-AB09E3A4B532}", options.ToString());
    EXPECT_EQ("plugin_filesave.html", help.ToString());

    using ExecuteFn = HRESULT(STDMETHODCALLTYPE*)(IPixwellPlugin*, IUnknown*, LONG, HRESULT*);
    CallLog streamLog;
    FakeBase<IUnknown> stream(streamLog);
    result = S_OK;
    ASSERT_EQ(S_OK, Slot<ExecuteFn>(p, 8)(p, &stream, 0x10234, &result));
    EXPECT_EQ(E_FAIL, result);

    EXPECT_THAT(log, ElementsAre("GetPluginInfo", "Execute " + PointerText(&stream) + " 66100"));
}

TEST(ContractVtable, OptionsMethodsFollowIDispatchInContractOrder)
{
    CallLog log;
    FakeOptions options(log);
    FakePlugin plugin(log);
    IPixwellPluginOptions* o = &options;

    using SetPluginFn = HRESULT(STDMETHODCALLTYPE*)(IPixwellPluginOptions*, IPixwellPlugin*);
    using SaveSettingsFn = HRESULT(STDMETHODCALLTYPE*)(IPixwellPluginOptions*, HRESULT*);
    using NotifyFn = HRESULT(STDMETHODCALLTYPE*)(IPixwellPluginOptions*, TNotifyMessages);

    ASSERT_EQ(S_OK, Slot<SetPluginFn>(o, 7)(o, &plugin));
    EXPECT_EQ(2, plugin.refs) << "the control keeps the plug-in it configures";
    HRESULT result = S_OK;
    ASSERT_EQ(S_OK, Slot<SaveSettingsFn>(o, 8)(o, &result));
    EXPECT_EQ(E_FAIL, result);
    ASSERT_EQ(S_OK, Slot<NotifyFn>(o, 9)(o, nmGetFocus));
    ASSERT_EQ(S_OK, Slot<NotifyFn>(o, 9)(o, nmLostFocus));

    EXPECT_THAT(log, ElementsAre("SetPlugin " + PointerText(static_cast<IPixwellPlugin*>(&plugin)),
                                 "SaveSettings", "Notify 1", "Notify 0"));
    EXPECT_EQ(0, nmLostFocus);
    EXPECT_EQ(1, nmGetFocus);
    EXPECT_EQ(4u, sizeof(TNotifyMessages));
}

TEST(ContractVtable, CatalogueMethodsFollowIUnknown)
{
    CallLog log;
    FakePlugin plugin(log);
    FakeCatalogue catalogue(log, &plugin);
    IPixwellObject* c = &catalogue;

    using ListFn = HRESULT(STDMETHODCALLTYPE*)(IPixwellObject*, BSTR*);
    using NameFn = HRESULT(STDMETHODCALLTYPE*)(IPixwellObject*, BSTR);
    using GetPluginFn = HRESULT(STDMETHODCALLTYPE*)(IPixwellObject*, BSTR, IPixwellPlugin**);

    fw::BStr list;
    ASSERT_EQ(S_OK, Slot<ListFn>(c, 3)(c, list.Put()));
    EXPECT_EQ("{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE},{7725CB74-418B-4D66-A48E-453CDD089DE2}",
              list.ToString());
    fw::BStr added(std::string("added.dll")), removed(std::string("removed.dll"));
    EXPECT_EQ(S_OK, Slot<NameFn>(c, 4)(c, added.Get()));
    EXPECT_EQ(S_FALSE, Slot<NameFn>(c, 5)(c, removed.Get()));
    fw::BStr nick(std::string("{04e83ea8-4c59-4f35-8720-b6b5dddb83fe}"));
    fw::ComPtr<IPixwellPlugin> instance;
    ASSERT_EQ(S_OK, Slot<GetPluginFn>(c, 6)(c, nick.Get(), instance.Put()));
    EXPECT_EQ(static_cast<IPixwellPlugin*>(&plugin), instance.Get());

    EXPECT_THAT(log, ElementsAre("GetPluginList", "AddPlugin added.dll", "RemovePlugin removed.dll",
                                 "GetPlugin {04e83ea8-4c59-4f35-8720-b6b5dddb83fe}"));
}

TEST(ContractVtable, FailureStatusCarriesTheMessageToTheHost)
{
    CallLog log;
    FakePlugin plugin(log);
    CallLog streamLog;
    FakeBase<IUnknown> stream(streamLog);
    HRESULT result = S_OK;
    const HRESULT status = plugin.Execute(&stream, -1, &result);
    EXPECT_EQ(E_FAIL, status);
    try {
        fw::OleCheck(status);
        FAIL() << "a failure status must raise on the host's side";
    } catch (const fw::Error& e) {
        EXPECT_STREQ("Error writing plugin settings", e.what());
    }
}

// ---------------------------------------------------------------------------
// Type library

std::wstring TypeLibPath()
{
    wchar_t path[MAX_PATH];
    const DWORD len = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring result(path, len);
    result.erase(result.find_last_of(L'\\') + 1);
    return result + fw::AnsiToWide(kTypeLibFile);
}

// Holds a TYPEATTR / FUNCDESC / VARDESC for the scope.
struct TypeAttr {
    TypeAttr(ITypeInfo* info) : info_(info) { fw::OleCheck(info->GetTypeAttr(&attr)); }
    ~TypeAttr() { info_->ReleaseTypeAttr(attr); }
    TYPEATTR* operator->() const { return attr; }
    ITypeInfo* info_;
    TYPEATTR* attr = nullptr;
};

std::string Doc(ITypeInfo* info, MEMBERID id, bool helpString = false)
{
    fw::BStr name, doc;
    fw::OleCheck(info->GetDocumentation(id, name.Put(), doc.Put(), nullptr, nullptr));
    return helpString ? doc.ToString() : name.ToString();
}

std::string TypeText(ITypeInfo* info, const TYPEDESC& t)
{
    switch (t.vt) {
    case VT_PTR:
        return TypeText(info, *t.lptdesc) + "*";
    case VT_BSTR:
        return "BSTR";
    case VT_HRESULT:
        return "HRESULT";
    case VT_I4:
        return "long";
    case VT_UNKNOWN:
        return "IUnknown*";
    case VT_USERDEFINED: {
        fw::ComPtr<ITypeInfo> ref;
        fw::OleCheck(info->GetRefTypeInfo(t.hreftype, ref.Put()));
        return Doc(ref.Get(), MEMBERID_NIL);
    }
    default:
        return "vt" + std::to_string(t.vt);
    }
}

std::string FlagsText(USHORT flags)
{
    std::string text;
    if (flags & PARAMFLAG_FIN)
        text += "in";
    if (flags & PARAMFLAG_FOUT)
        text += text.empty() ? "out" : ",out";
    if (flags & PARAMFLAG_FRETVAL)
        text += ",retval";
    return "[" + text + "]";
}

// One method as "HRESULT Name#memid@slot([in] type Param, ...)".
std::string MethodText(ITypeInfo* info, UINT index)
{
    FUNCDESC* f = nullptr;
    fw::OleCheck(info->GetFuncDesc(index, &f));
    BSTR names[16] = {};
    UINT count = 0;
    info->GetNames(f->memid, names, 16, &count);
    std::string text = TypeText(info, f->elemdescFunc.tdesc) + " " + fw::WideToAnsi(names[0]) + "#" +
                       std::to_string(f->memid) + "@" +
                       std::to_string(f->oVft / static_cast<int>(sizeof(void*))) + "(";
    for (SHORT i = 0; i < f->cParams; ++i) {
        const ELEMDESC& p = f->lprgelemdescParam[i];
        text += (i ? ", " : "") + FlagsText(p.paramdesc.wParamFlags) + " " + TypeText(info, p.tdesc) +
                " " + (static_cast<UINT>(i + 1) < count ? fw::WideToAnsi(names[i + 1]) : "?");
    }
    text += ")";
    if (f->callconv != CC_STDCALL || f->funckind != FUNC_PUREVIRTUAL)
        text += " (not a pure virtual stdcall method)";
    for (UINT i = 0; i < count; ++i)
        SysFreeString(names[i]);
    info->ReleaseFuncDesc(f);
    return text;
}

std::vector<std::string> Methods(ITypeInfo* info)
{
    TypeAttr attr(info);
    std::vector<std::string> result;
    for (UINT i = 0; i < attr->cFuncs; ++i)
        result.push_back(MethodText(info, i));
    return result;
}

class TypeLibrary : public testing::Test {
protected:
    void SetUp() override
    {
        fw::OleCheck(LoadTypeLibEx(TypeLibPath().c_str(), REGKIND_NONE, lib_.Put()));
    }
    fw::ComPtr<ITypeInfo> Info(const GUID& guid)
    {
        fw::ComPtr<ITypeInfo> info;
        fw::OleCheck(lib_->GetTypeInfoOfGuid(guid, info.Put()));
        return info;
    }
    // The base interface (impl type 0) and the library it comes from.
    static std::pair<GUID, GUID> Base(ITypeInfo* info)
    {
        HREFTYPE ref = 0;
        fw::OleCheck(info->GetRefTypeOfImplType(0, &ref));
        fw::ComPtr<ITypeInfo> base;
        fw::OleCheck(info->GetRefTypeInfo(ref, base.Put()));
        fw::ComPtr<ITypeLib> lib;
        UINT index = 0;
        fw::OleCheck(base->GetContainingTypeLib(lib.Put(), &index));
        TLIBATTR* libAttr = nullptr;
        fw::OleCheck(lib->GetLibAttr(&libAttr));
        const GUID libId = libAttr->guid;
        lib->ReleaseTLibAttr(libAttr);
        return {TypeAttr(base.Get())->guid, libId};
    }
    // The vtable half of a dual interface.
    static fw::ComPtr<ITypeInfo> VtableHalf(ITypeInfo* dispatch)
    {
        HREFTYPE ref = 0;
        fw::OleCheck(dispatch->GetRefTypeOfImplType(-1, &ref));
        fw::ComPtr<ITypeInfo> info;
        fw::OleCheck(dispatch->GetRefTypeInfo(ref, info.Put()));
        return info;
    }
    static DISPID DispId(ITypeInfo* info, const wchar_t* name)
    {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        MEMBERID id = DISPID_UNKNOWN;
        fw::OleCheck(info->GetIDsOfNames(names, 1, &id));
        return id;
    }

    fw::ComInit com_;
    fw::ComPtr<ITypeLib> lib_;
};

TEST_F(TypeLibrary, DescribesTheLibrary)
{
    TLIBATTR* attr = nullptr;
    fw::OleCheck(lib_->GetLibAttr(&attr));
    EXPECT_EQ(LIBID_pixwell, attr->guid);
    EXPECT_EQ("{12F5A7BC-5805-4F7A-B708-92CC3AA43EAD}", fw::GUIDToString(attr->guid));
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    lib_->ReleaseTLibAttr(attr);

    fw::BStr name, doc;
    fw::OleCheck(lib_->GetDocumentation(-1, name.Put(), doc.Put(), nullptr, nullptr));
    EXPECT_EQ("pixwell", name.ToString());
    EXPECT_EQ("Pixwell Library", doc.ToString());
}

TEST_F(TypeLibrary, PluginInterfaceIsDualWithContractMethods)
{
    fw::ComPtr<ITypeInfo> dispatch = Info(IID_IPixwellPlugin);
    {
        TypeAttr attr(dispatch.Get());
        EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
    }
    EXPECT_EQ(1, DispId(dispatch.Get(), L"GetPluginInfo"));
    EXPECT_EQ(2, DispId(dispatch.Get(), L"Execute"));

    fw::ComPtr<ITypeInfo> vtable = VtableHalf(dispatch.Get());
    {
        TypeAttr attr(vtable.Get());
        EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
        EXPECT_EQ(IID_IPixwellPlugin, attr->guid);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
        EXPECT_EQ(9 * sizeof(void*), attr->cbSizeVft);
    }
    EXPECT_EQ(std::make_pair(IID_IDispatch, kStdOleLibId), Base(vtable.Get()));
    EXPECT_THAT(Methods(vtable.Get()),
                ElementsAre("HRESULT GetPluginInfo#1@7([out] BSTR* Name, [out] BSTR* Description, "
                            "[out] BSTR* OptionsObjectName, [out] BSTR* HelpTopic, "
                            "[out,retval] HRESULT* Result)",
                            "HRESULT Execute#2@8([in] IUnknown* ImageStream, [in] long ParentWnd, "
                            "[out,retval] HRESULT* Result)"));
}

TEST_F(TypeLibrary, OptionsInterfaceIsDualWithContractMethods)
{
    fw::ComPtr<ITypeInfo> dispatch = Info(IID_IPixwellPluginOptions);
    {
        TypeAttr attr(dispatch.Get());
        EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
    }
    EXPECT_EQ(1, DispId(dispatch.Get(), L"SetPlugin"));
    EXPECT_EQ(2, DispId(dispatch.Get(), L"SaveSettings"));
    EXPECT_EQ(3, DispId(dispatch.Get(), L"Notify"));

    fw::ComPtr<ITypeInfo> vtable = VtableHalf(dispatch.Get());
    {
        TypeAttr attr(vtable.Get());
        EXPECT_EQ(IID_IPixwellPluginOptions, attr->guid);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
        EXPECT_EQ(10 * sizeof(void*), attr->cbSizeVft);
    }
    EXPECT_EQ(std::make_pair(IID_IDispatch, kStdOleLibId), Base(vtable.Get()));
    EXPECT_THAT(Methods(vtable.Get()),
                ElementsAre("HRESULT SetPlugin#1@7([in] IPixwellPlugin* Plugin)",
                            "HRESULT SaveSettings#2@8([out,retval] HRESULT* Result)",
                            "HRESULT Notify#3@9([in] TNotifyMessages Msg)"));
}

TEST_F(TypeLibrary, CatalogueInterfaceDerivesFromIUnknown)
{
    fw::ComPtr<ITypeInfo> info = Info(IID_IPixwellObject);
    {
        TypeAttr attr(info.Get());
        EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
        EXPECT_FALSE(attr->wTypeFlags & TYPEFLAG_FDUAL);
        EXPECT_FALSE(attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
        EXPECT_EQ(7 * sizeof(void*), attr->cbSizeVft);
    }
    EXPECT_EQ("IPixwellObject", Doc(info.Get(), MEMBERID_NIL));
    EXPECT_EQ("Interface for PixwellObject Object", Doc(info.Get(), MEMBERID_NIL, true));
    EXPECT_EQ(std::make_pair(IID_IUnknown, kStdOleLibId), Base(info.Get()));
    EXPECT_THAT(Methods(info.Get()),
                ElementsAre("HRESULT GetPluginList#1@3([out] BSTR* PluginList)",
                            "HRESULT AddPlugin#2@4([in] BSTR FileName)",
                            "HRESULT RemovePlugin#3@5([in] BSTR FileName)",
                            "HRESULT GetPlugin#4@6([in] BSTR PluginNick, "
                            "[out] IPixwellPlugin** PluginInstance)"));
}

TEST_F(TypeLibrary, CatalogueClassDefaultsToItsInterface)
{
    fw::ComPtr<ITypeInfo> info = Info(CLSID_PixwellObject);
    {
        TypeAttr attr(info.Get());
        EXPECT_EQ(TKIND_COCLASS, attr->typekind);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
        EXPECT_EQ(1, attr->cImplTypes);
    }
    EXPECT_EQ("PixwellObject", Doc(info.Get(), MEMBERID_NIL));
    EXPECT_EQ("PixwellObject Object", Doc(info.Get(), MEMBERID_NIL, true));
    INT flags = 0;
    fw::OleCheck(info->GetImplTypeFlags(0, &flags));
    EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
    EXPECT_EQ(IID_IPixwellObject, Base(info.Get()).first);
}

TEST_F(TypeLibrary, NotifyMessagesEnumeration)
{
    fw::ComPtr<ITypeInfo> info = Info(kNotifyMessagesGuid);
    TypeAttr attr(info.Get());
    EXPECT_EQ(TKIND_ENUM, attr->typekind);
    EXPECT_EQ(4u, attr->cbSizeInstance);
    EXPECT_EQ("TNotifyMessages", Doc(info.Get(), MEMBERID_NIL));
    std::vector<std::string> values;
    for (UINT i = 0; i < attr->cVars; ++i) {
        VARDESC* v = nullptr;
        fw::OleCheck(info->GetVarDesc(i, &v));
        ASSERT_EQ(VAR_CONST, v->varkind);
        values.push_back(Doc(info.Get(), v->memid) + "=" + std::to_string(V_I4(v->lpvarValue)));
        info->ReleaseVarDesc(v);
    }
    EXPECT_THAT(values, ElementsAre("nmLostFocus=0", "nmGetFocus=1"));
}

} // namespace
