#include "gdi/ResourceBitmap.h"

#include "gdi/Graphics.h"

namespace fw {

DibBitmap LoadResourceBitmap(HMODULE module, int id)
{
    if (!module)
        module = GetModuleHandleA(nullptr);
    const BitmapHandle loaded(LoadBitmapA(module, MAKEINTRESOURCEA(id)));
    if (!loaded)
        return {};
    BITMAP bm{};
    if (!GetObjectA(loaded.Get(), sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return {};

    // The resource comes as a device-dependent bitmap; its pixels are asked
    // for in the picture's own layout (top-down, 24 bits), straight into it.
    DibBitmap picture(bm.bmWidth, bm.bmHeight, img::PixelFormat::pf24bit);
    DibInfo info = DibInfo::For(bm.bmWidth, bm.bmHeight, img::PixelFormat::pf24bit, {});
    const WindowDC screen;
    if (GetDIBits(screen.Get(), loaded.Get(), 0, static_cast<UINT>(bm.bmHeight), picture.Bits(),
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) != bm.bmHeight)
        return {};
    picture.Changed();
    return picture;
}

} // namespace fw
