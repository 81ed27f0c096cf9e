// Pictures kept as BITMAP resources of a module.
#pragma once
#include <windows.h>

#include "gdi/DibBitmap.h"

// The bitmap resource `id` of `module` (the program itself when null) as a
// 24-bit picture; an empty picture when the module has no such resource.
fw::DibBitmap LoadResourceBitmap(HMODULE module, int id);
