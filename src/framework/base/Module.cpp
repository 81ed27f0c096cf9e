#include "base/Module.h"

#include "base/Errors.h"

namespace fw {

HMODULE ThisModule() noexcept
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

std::string ModuleFileName(HMODULE module)
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD len = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (len == 0)
            RaiseLastOSError("GetModuleFileName");
        if (len < path.size()) {
            path.resize(len);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

} // namespace fw
