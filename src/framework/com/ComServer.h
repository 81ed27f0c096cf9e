// Local-server support: the program serves its COM classes from its own
// process. A table describes each class; from it come the class factories
// registered with COM, the registry entries of a local server and their
// removal. A count of the objects served to clients tells when the last one is
// gone (a program that COM started then ends) and whether exiting would break
// clients.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/Module.h"
#include "portable/ServerSwitches.h"

namespace fw {

// ---- Served objects ---------------------------------------------------------

// Each object handed to clients holds one of these for its lifetime; the
// class factories' LockServer counts the same way.
class ServedObjectLock {
public:
    ServedObjectLock() noexcept;
    ~ServedObjectLock();
    ServedObjectLock(const ServedObjectLock&) = delete;
    ServedObjectLock& operator=(const ServedObjectLock&) = delete;
};

void LockServer() noexcept;
void UnlockServer() noexcept;
LONG ServedObjectCount() noexcept;
bool ServedObjectsOutstanding() noexcept;

// Called, on the releasing thread, each time the count drops to zero. An
// empty function removes the handler.
void SetLastServedObjectReleasedHandler(std::function<void()> handler);

// ---- Exit warning -------------------------------------------------------------

inline constexpr char kActiveComObjectsWarning[] =
    "There are still active COM objects in this application. One or more clients may have "
    "references to these objects, so manually closing this application may cause those client "
    "application(s) to fail.\n\nAre you sure you want to close this application?";

// Asks the Yes/No warning when clients still hold objects. True when the
// program may close: nothing is outstanding or the user answered Yes.
bool ConfirmCloseWithServedObjects(HWND owner, const char* caption);

// ---- Class table ----------------------------------------------------------------

// Makes a new object and queries it for `iid`; the object starts with the
// reference handed out.
using CreateObjectFn = HRESULT (*)(REFIID iid, void** object);

struct ComClassEntry {
    const CLSID* clsid;
    const char* className;   // "PixwellObject"
    const char* description; // registry default value of the class key
    CreateObjectFn create;
};

struct ComTypeLibEntry {
    const GUID* libId;
    const char* name; // the library's name, first part of every ProgID
    WORD majorVersion;
    WORD minorVersion;
};

// "<type library name>.<class name>".
std::string ProgIDOf(const ComTypeLibEntry& typeLib, const ComClassEntry& entry);

// A class factory for one table entry: refuses aggregation; every
// CreateInstance makes a new object (multi-instance).
HRESULT CreateClassFactory(const ComClassEntry& entry, REFIID iid, void** factory);

// ---- Class objects made available to COM ---------------------------------------

// One class object registered with CoRegisterClassObject, revoked when this
// is destroyed.
class ClassObjectRegistration {
public:
    ClassObjectRegistration() noexcept = default;
    ClassObjectRegistration(ClassObjectRegistration&& other) noexcept;
    ClassObjectRegistration& operator=(ClassObjectRegistration&& other) noexcept;
    ClassObjectRegistration(const ClassObjectRegistration&) = delete;
    ClassObjectRegistration& operator=(const ClassObjectRegistration&) = delete;
    ~ClassObjectRegistration() { Revoke(); }

    // CLSCTX_LOCAL_SERVER with REGCLS_MULTIPLEUSE, which also serves
    // creation requests from the program's own apartment. Raises fw::Error.
    static ClassObjectRegistration Register(const ComClassEntry& entry);
    void Revoke() noexcept;
    bool IsRegistered() const noexcept { return cookie_ != 0; }

private:
    DWORD cookie_ = 0;
};

std::vector<ClassObjectRegistration> RegisterClassObjects(std::span<const ComClassEntry> classes);

// ---- Registry entries -------------------------------------------------------------

// LocalServer32 command: the path, in quotes when it holds a blank.
std::string LocalServerCommand(const std::string& exePath);

// The type library embedded as TYPELIB resource 1 of `exePath`
// (LoadTypeLibEx with REGKIND_REGISTER; per user when the machine-wide
// registration is refused). Raises fw::Error.
void RegisterTypeLibrary(const std::string& exePath);
// Removal; a library that is not registered is no error.
void UnregisterTypeLibrary(const ComTypeLibEntry& typeLib);

// HKCR\CLSID\{clsid} (description, LocalServer32, ProgID, TypeLib, Version)
// and HKCR\<ProgID> (description, CLSID). Falls back to HKCU\Software\Classes
// where HKCR cannot be written. Raises fw::Error.
void RegisterLocalServerClass(const ComTypeLibEntry& typeLib, const ComClassEntry& entry,
                              const std::string& exePath);
// Removes what RegisterLocalServerClass wrote, from both places; missing
// keys are no error. Raises fw::Error for other failures.
void UnregisterLocalServerClass(const ComTypeLibEntry& typeLib, const ComClassEntry& entry);

// ---- The program as a local server ------------------------------------------------

// The program's arguments (without its own name) from the command line.
std::vector<std::string> CommandLineArguments();

class ComServer {
public:
    ComServer(ComTypeLibEntry typeLib, std::span<const ComClassEntry> classes,
              portable::ServerSwitches switches, std::string exePath = ModuleFileName());
    ~ComServer();
    ComServer(const ComServer&) = delete;
    ComServer& operator=(const ComServer&) = delete;

    const portable::ServerSwitches& Switches() const noexcept { return switches_; }

    // The registration work of start-up. Writes the registration (or removes
    // it with UNREGSERVER); a failure counts only with REGSERVER or
    // UNREGSERVER, where it is raised. Returns false when the program is to
    // end now (REGSERVER, UNREGSERVER); otherwise the class objects are made
    // available to COM and it returns true.
    bool Initialize();

    void Register() const;
    void Unregister() const;

    // When COM started the program, `shutdown` runs as soon as the last
    // served object is released; on an ordinary start nothing is installed.
    void EndWhenLastObjectReleased(std::function<void()> shutdown);

private:
    ComTypeLibEntry typeLib_;
    std::vector<ComClassEntry> classes_;
    portable::ServerSwitches switches_;
    std::string exePath_;
    std::vector<ClassObjectRegistration> registrations_;
    bool endHandlerInstalled_ = false;
};

} // namespace fw
