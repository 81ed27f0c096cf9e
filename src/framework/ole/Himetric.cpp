#include "ole/Himetric.h"

#include <cmath>

namespace fw {

SIZE ScreenPixelsPerInch() noexcept
{
    SIZE dpi{96, 96};
    if (HDC dc = GetDC(nullptr)) {
        dpi.cx = GetDeviceCaps(dc, LOGPIXELSX);
        dpi.cy = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(nullptr, dc);
    }
    return dpi;
}

SIZEL PixelsToHimetric(SIZE pixels) noexcept
{
    const SIZE dpi = ScreenPixelsPerInch();
    return {MulDiv(pixels.cx, kHimetricPerInch, dpi.cx), MulDiv(pixels.cy, kHimetricPerInch, dpi.cy)};
}

SIZE HimetricToPixels(SIZEL himetric) noexcept
{
    const SIZE dpi = ScreenPixelsPerInch();
    return {MulDiv(himetric.cx, dpi.cx, kHimetricPerInch), MulDiv(himetric.cy, dpi.cy, kHimetricPerInch)};
}

POINTF HimetricToContainer(POINTL himetric) noexcept
{
    const SIZE dpi = ScreenPixelsPerInch();
    constexpr float perInch = static_cast<float>(kHimetricPerInch);
    return {static_cast<float>(himetric.x) * static_cast<float>(dpi.cx) / perInch,
            static_cast<float>(himetric.y) * static_cast<float>(dpi.cy) / perInch};
}

POINTL ContainerToHimetric(POINTF container) noexcept
{
    const SIZE dpi = ScreenPixelsPerInch();
    constexpr float perInch = static_cast<float>(kHimetricPerInch);
    return {std::lround(container.x * perInch / static_cast<float>(dpi.cx)),
            std::lround(container.y * perInch / static_cast<float>(dpi.cy))};
}

} // namespace fw
