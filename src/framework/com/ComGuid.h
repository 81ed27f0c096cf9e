// GUID text in the registry's form, ProgID lookup and object creation by
// class identifier.
#pragma once
#include <windows.h>
#include <string>
#include <string_view>

#include "com/ComPtr.h"

namespace fw {

inline constexpr char kInvalidGuidText[] = "'%s' is not a valid GUID value";

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
std::string GUIDToString(const GUID& guid);

// Accepts the brace form in either letter case, or a registered ProgID (its
// class identifier is taken). Anything else raises fw::Error.
GUID StringToGUID(std::string_view text);
bool TryStringToGUID(std::string_view text, GUID& result) noexcept;

// Parses only the 38-character brace form; no registry lookup.
bool ParseGuidText(std::string_view text, GUID& result) noexcept;

// The ProgID registered for a class; raises when there is none.
std::string ClassIDToProgID(const GUID& clsid);

// A new object of the class from an in-process or local server, as IUnknown;
// raises the creation failure.
ComPtr<IUnknown> CreateComObject(const GUID& clsid);

} // namespace fw
