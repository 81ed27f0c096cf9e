// Pictures kept as BITMAP resources of a module (the wizard's and the about
// box's banners).
#pragma once
#include <windows.h>

#include "gdi/DibBitmap.h"

namespace fw {

// The bitmap resource `id` of `module` (the program itself when null) as a
// 24-bit picture; an empty picture when the module has no such resource.
DibBitmap LoadResourceBitmap(HMODULE module, int id);

} // namespace fw
