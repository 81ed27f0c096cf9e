// An owned DIB section: the program's picture type. Its pixels are laid out
// exactly like img::Bitmap (top-down rows, DWORD-aligned stride), so moving
// an image between the portable core and GDI is one copy of the buffer.
#pragma once
#include "gdi/Canvas.h"
#include "imaging/Bitmap.h"
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace fw {

// BITMAPINFO with room for a whole colour table or the three bit masks.
struct DibInfo {
    BITMAPINFOHEADER header{};
    RGBQUAD colors[256]{};

    // Header for an image of this size and format. 15-bit images are BI_RGB
    // 16 bpp, 16-bit ones BI_BITFIELDS 5-6-5. Negative height = top-down.
    static DibInfo For(int width, int height, img::PixelFormat format,
                       std::span<const img::Rgb> palette, bool topDown = true);
    const BITMAPINFO* Get() const noexcept { return reinterpret_cast<const BITMAPINFO*>(this); }
};

class DibBitmap {
public:
    // 0x0, 24 bits per pixel.
    DibBitmap() = default;
    // Zeroed pixels; palette formats start with the format's fixed palette.
    DibBitmap(int width, int height, img::PixelFormat format = img::PixelFormat::pf24bit);
    explicit DibBitmap(const img::Bitmap& image);
    DibBitmap(const DibBitmap& other);
    DibBitmap& operator=(const DibBitmap& other);
    DibBitmap(DibBitmap&& other) noexcept;
    DibBitmap& operator=(DibBitmap&& other) noexcept;
    ~DibBitmap();

    // The display's own pixel format (from its colour depth and, at 16 bits,
    // its channel masks).
    static img::PixelFormat DisplayPixelFormat();
    // A bitmap in the display's format, ready to receive a BitBlt from the
    // screen's DC.
    static DibBitmap ScreenCompatible(int width, int height);
    // A copy of any GDI bitmap (device-dependent or DIB section) in the
    // nearest format, palette included; the source must not be selected
    // into a DC.
    static DibBitmap FromBitmap(HBITMAP source);

    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    bool Empty() const noexcept { return !bitmap_; }
    img::PixelFormat PixelFormat() const noexcept { return format_; }
    HBITMAP Handle() const noexcept { return bitmap_.Get(); }

    // Direct pixel access; pending GDI drawing is flushed first. Null when
    // empty.
    std::size_t Stride() const noexcept;
    std::uint8_t* Bits();
    const std::uint8_t* Bits() const;
    std::uint8_t* Row(int y) { return Bits() + static_cast<std::size_t>(y) * Stride(); }

    const std::vector<img::Rgb>& Palette() const noexcept { return palette_; }
    // Replaces the colour table (palette formats only; padded with black).
    void SetPalette(std::span<const img::Rgb> colours);

    // The bridge to the portable image core.
    void Assign(const img::Bitmap& image);
    img::Bitmap ToImage() const;
    // The pixels as the image core sees them, without a copy (pending GDI
    // drawing flushed first); valid until the bitmap next changes.
    img::BitmapView View() const;

    // Converts the pixels to another format (the colour-depth change).
    void SetPixelFormat(img::PixelFormat format);
    // New size; the overlapping top-left part is kept, new pixels are zero.
    void Resize(int width, int height);
    // Releases the pixel memory: the bitmap becomes 0x0.
    void Clear();

    // A canvas drawing into the bitmap. It lives as long as the bitmap, keeps
    // its pen, brush and font across Resize/Assign, and reports each drawing
    // call through OnChange.
    fw::Canvas& Canvas();

    // Runs when the pixels or the size change through this object.
    std::function<void()> OnChange;
    void Changed();

    // Draws the whole bitmap into `dest` on `dc`, stretched to fit.
    void PaintTo(HDC dc, const RECT& dest) const;

private:
    void Create(int width, int height, img::PixelFormat format, std::span<const img::Rgb> palette);
    void Adopt(DibBitmap&& other) noexcept;
    void SelectIntoCanvas();
    void SyncColorTable();

    int width_ = 0;
    int height_ = 0;
    img::PixelFormat format_ = img::PixelFormat::pf24bit;
    std::vector<img::Rgb> palette_;
    BitmapHandle bitmap_;
    std::uint8_t* bits_ = nullptr;

    // The canvas's memory DC, created on first use.
    std::unique_ptr<MemoryDC> dc_;
    HGDIOBJ originalBitmap_ = nullptr;
    std::unique_ptr<fw::Canvas> canvas_;
};

} // namespace fw
