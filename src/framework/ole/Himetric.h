// HIMETRIC (0.01 mm), the unit of OLE object extents, against screen pixels
// at the screen's logical resolution: the one conversion both the control
// and the site use, so their extents agree.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

namespace fw {

inline constexpr int kHimetricPerInch = 2540;

// The screen's logical pixels per inch (96 when no screen DC can be had).
SIZE ScreenPixelsPerInch() noexcept;

SIZEL PixelsToHimetric(SIZE pixels) noexcept;
SIZE HimetricToPixels(SIZEL himetric) noexcept;
// Points, for IOleControlSite::TransformCoords (container units are float).
POINTF HimetricToContainer(POINTL himetric) noexcept;
POINTL ContainerToHimetric(POINTF container) noexcept;

} // namespace fw
