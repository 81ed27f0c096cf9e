// The module (program or library) this code is linked into, and file paths
// of modules. Each deliverable links its own copy of the framework, so "this
// module" is the plug-in library inside a plug-in and the program inside it.
#pragma once
#include <windows.h>

#include <string>

namespace fw {

HMODULE ThisModule() noexcept;

// A module's file path as the system reports it (null: the program). Raises
// fw::Error when the system cannot tell.
std::string ModuleFileName(HMODULE module = nullptr);

} // namespace fw
