// In-process server support: a library (DLL) that serves COM classes keeps a
// table of class factories, filled while it loads, from which its four
// exports work (InprocExports.cpp; list them in the library's .def file):
//   DllGetClassObject   the class factory of a CLSID of the table
//   DllCanUnloadNow     S_OK only when no object, factory or server lock is out
//   DllRegisterServer   the embedded type library, then every factory's
//                       registry update; E_FAIL when a step raised
//   DllUnregisterServer the type library's removal, then every factory's
//                       registry update; E_FAIL only when a step raised
// Names, help strings and the library's identity come from the library's own
// type library (TYPELIB resource 1), so a class is described once, in IDL.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <memory>
#include <string>
#include <vector>

#include "com/ClassRegistration.h"
#include "com/ComServer.h"

namespace fw {

// One COM class of the library: makes its objects and writes or removes its
// registry entries. Lives as long as the library.
class ComObjectFactory {
public:
    // `create` makes a new object per request (multi-instance); the class
    // is apartment-threaded.
    ComObjectFactory(const CLSID& clsid, CreateObjectFn create);
    virtual ~ComObjectFactory();
    ComObjectFactory(const ComObjectFactory&) = delete;
    ComObjectFactory& operator=(const ComObjectFactory&) = delete;

    const CLSID& ClassId() const noexcept { return clsid_; }
    HRESULT CreateInstance(REFIID iid, void** object) const noexcept;

    // Writes (registering) or removes (unregistering) the class's registry
    // entries; raises fw::Error. The framework's entries, under
    // HKEY_CLASSES_ROOT (HKEY_CURRENT_USER\Software\Classes where that cannot
    // be written): CLSID\{clsid} = the coclass's help string, with
    // InprocServer32 = the library's path and ThreadingModel "Apartment",
    // ProgID, TypeLib and Version; and <ProgID> with its CLSID. A library's
    // own factory overrides this to add its work around the base's.
    virtual void UpdateRegistry(bool registering);

    // From the type library: the coclass's name and help string, and the
    // ProgID "<library>.<coclass>". Raise fw::Error.
    std::string ClassName() const;
    std::string Description() const;
    std::string ProgID() const;

private:
    CLSID clsid_;
    CreateObjectFn create_;
};

// The factory of an ActiveX control: in addition to the base's entries the
// control marker, the miscellaneous status and the toolbox bitmap.
class ActiveFormFactory : public ComObjectFactory {
public:
    // OLEMISC_SIMPLEFRAME | OLEMISC_ACTSLIKELABEL
    static constexpr DWORD kDefaultMiscStatus = 0x12000;

    ActiveFormFactory(const CLSID& clsid, CreateObjectFn create, int toolboxBitmap = 1,
                      DWORD miscStatus = kDefaultMiscStatus);

    void UpdateRegistry(bool registering) override;

private:
    int toolboxBitmap_;
    DWORD miscStatus_;
};

// The library's class table and the bodies of its exports.
class InprocServer {
public:
    static InprocServer& Instance();

    void Add(std::unique_ptr<ComObjectFactory> factory);
    const ComObjectFactory* Find(const CLSID& clsid) const noexcept;

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) noexcept;
    HRESULT CanUnloadNow() const noexcept;
    HRESULT RegisterServer() noexcept;
    HRESULT UnregisterServer() noexcept;

private:
    InprocServer() = default;
    std::vector<std::unique_ptr<ComObjectFactory>> factories_;
};

// Puts a factory into the library's table while the library loads. One per
// class, at namespace scope in the library's own sources:
//   const fw::ComFactoryRegistration kOptionsClass(
//       std::make_unique<fw::ActiveFormFactory>(CLSID_X, &TX::CreateInstance));
class ComFactoryRegistration {
public:
    explicit ComFactoryRegistration(std::unique_ptr<ComObjectFactory> factory);
};

} // namespace fw
