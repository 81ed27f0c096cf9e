// The fake plug-in library (tests/fakeplugin) loaded directly, as the host's
// tests need it: its exports, and registration in this test prefix. It stays
// loaded for the whole run, so COM's loads of it are the same module and its
// object numbers keep counting.
#pragma once
#include "com/ComServer.h"

#include <windows.h>

#include <string>

namespace fake_plugin {

inline std::string DirectoryOf(const std::string& path) { return path.substr(0, path.find_last_of("\\/")); }

inline std::string FullPath(const std::string& path)
{
    char buf[MAX_PATH];
    const DWORD len = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
    return std::string(buf, len);
}

class FakePluginLibrary {
public:
    FakePluginLibrary()
    {
        std::string relative = FAKEPLUGIN_RELATIVE_DIR;
        for (char& c : relative)
            if (c == '/')
                c = '\\';
        path_ = FullPath(DirectoryOf(fw::ModuleFileName()) + "\\" + relative + "\\fakeplugin.dll");
        module_ = LoadLibraryA(path_.c_str());
        if (!module_)
            return;
        path_ = fw::ModuleFileName(module_);
        getClassObject = Export<decltype(getClassObject)>("DllGetClassObject");
        canUnloadNow = Export<decltype(canUnloadNow)>("DllCanUnloadNow");
        registerServer = Export<decltype(registerServer)>("DllRegisterServer");
        unregisterServer = Export<decltype(unregisterServer)>("DllUnregisterServer");
    }

    bool Loaded() const { return module_ && getClassObject && canUnloadNow && registerServer && unregisterServer; }
    const std::string& Path() const { return path_; }

    HRESULT(STDAPICALLTYPE* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* canUnloadNow)() = nullptr;
    HRESULT(STDAPICALLTYPE* registerServer)() = nullptr;
    HRESULT(STDAPICALLTYPE* unregisterServer)() = nullptr;

private:
    template <class F>
    F Export(const char* name)
    {
        return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
    }

    std::string path_;
    HMODULE module_ = nullptr;
};

// Kept loaded for the whole run, so COM's loads of it are the same module.
inline FakePluginLibrary& Library()
{
    static FakePluginLibrary library;
    return library;
}

} // namespace fake_plugin
