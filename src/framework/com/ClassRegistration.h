// The registry keys of COM classes, written the same way for the program's
// local server and for the plug-in libraries.
#pragma once
#include <windows.h>

#include <string>

namespace fw {

// Where the user's own classes live under HKEY_CURRENT_USER.
inline constexpr char kUserClassesPrefix[] = "Software\\Classes\\";

// Writes registry keys of COM classes: to HKEY_CLASSES_ROOT when it accepts
// `probeKey`, else to the user's own classes. Raises fw::Error with the key.
class ClassesKeyWriter {
public:
    explicit ClassesKeyWriter(const std::string& probeKey);
    // Creates `path` (with missing parents) and sets its value `name` (the
    // default value when null) as REG_SZ.
    void Write(const std::string& path, const std::string& value, const char* name = nullptr) const;
    // Removes `path` with its subkeys from both places; a missing key is no
    // error.
    static void DeleteTree(const std::string& path);

private:
    HKEY root_;
    std::string prefix_;
};

} // namespace fw
