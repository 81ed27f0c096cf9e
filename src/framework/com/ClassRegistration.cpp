#include "com/ClassRegistration.h"

#include "base/Errors.h"
#include "base/Registry.h"

#include <utility>

namespace fw {
namespace {

constexpr char kWriteKeyError[] = "Error registering COM class: cannot write registry key ";
constexpr char kDeleteKeyError[] = "Error unregistering COM class: cannot remove registry key ";

[[noreturn]] void RaiseKeyError(const char* what, const std::string& path, LONG rc)
{
    throw Error(what + path + " (" + SystemMessage(static_cast<DWORD>(rc)) + ")",
                HRESULT_FROM_WIN32(static_cast<DWORD>(rc)));
}

bool IsMissing(LONG rc) noexcept { return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND; }

} // namespace

ClassesKeyWriter::ClassesKeyWriter(const std::string& probeKey)
{
    LONG rc = ERROR_SUCCESS;
    const RegKey key = RegKey::TryCreate(HKEY_CLASSES_ROOT, probeKey.c_str(), &rc);
    if (key || rc != ERROR_ACCESS_DENIED) {
        root_ = HKEY_CLASSES_ROOT;
    } else {
        root_ = HKEY_CURRENT_USER;
        prefix_ = kUserClassesPrefix;
    }
}

void ClassesKeyWriter::Write(const std::string& path, const std::string& value, const char* name) const
{
    const std::string full = prefix_ + path;
    const std::string shown = (root_ == HKEY_CLASSES_ROOT ? "HKEY_CLASSES_ROOT\\" : "HKEY_CURRENT_USER\\") + full;
    LONG rc = ERROR_SUCCESS;
    const RegKey key = RegKey::TryCreate(root_, full.c_str(), &rc);
    if (!key)
        RaiseKeyError(kWriteKeyError, shown, rc);
    rc = key.WriteString(name, value);
    if (rc != ERROR_SUCCESS)
        RaiseKeyError(kWriteKeyError, shown, rc);
}

void ClassesKeyWriter::DeleteTree(const std::string& path)
{
    const std::pair<HKEY, std::string> places[] = {{HKEY_CLASSES_ROOT, path},
                                                   {HKEY_CURRENT_USER, kUserClassesPrefix + path}};
    for (const auto& [root, full] : places) {
        const LONG rc = RegKey::DeleteKey(root, full.c_str(), true);
        if (rc != ERROR_SUCCESS && !IsMissing(rc))
            RaiseKeyError(kDeleteKeyError, full, rc);
    }
}

} // namespace fw
