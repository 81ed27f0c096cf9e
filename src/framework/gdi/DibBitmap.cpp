#include "gdi/DibBitmap.h"
#include "base/Errors.h"
#include "imaging/Convert.h"
#include "imaging/Palettes.h"
#include <algorithm>
#include <cstring>

namespace fw {

namespace {

constexpr const char* kCreateBitmapFailed = "Cannot create bitmap";
constexpr const char* kBitmapTooLarge = "Bitmap is too large";
constexpr const char* kInvalidBitmapHandle = "Invalid bitmap handle";

bool IsPaletteFormat(img::PixelFormat format)
{
    return img::HasPalette(format);
}

// Clears the bits after the last pixel of every row, which the image core
// keeps zero.
void ClearRowPadding(img::Bitmap& image)
{
    if (image.Empty())
        return;
    const std::size_t usedBits =
        static_cast<std::size_t>(image.Width()) * static_cast<std::size_t>(img::BitsPerPixel(image.Format()));
    const std::size_t stride = image.Stride();
    for (int y = 0; y < image.Height(); ++y) {
        std::uint8_t* row = image.Row(y);
        std::size_t full = usedBits / 8;
        if (const unsigned rest = usedBits % 8) {
            row[full] &= static_cast<std::uint8_t>(0xFF << (8 - rest));
            ++full;
        }
        if (full < stride)
            std::memset(row + full, 0, stride - full);
    }
}

// Copies the first `widthBits` bits of a row, leaving the bits after them in
// the destination untouched.
void CopyRowBits(std::uint8_t* dest, const std::uint8_t* src, std::size_t widthBits)
{
    const std::size_t full = widthBits / 8;
    std::memcpy(dest, src, full);
    if (const unsigned rest = widthBits % 8) {
        const auto mask = static_cast<std::uint8_t>(0xFF << (8 - rest));
        dest[full] = static_cast<std::uint8_t>((dest[full] & ~mask) | (src[full] & mask));
    }
}

} // namespace

DibInfo DibInfo::For(int width, int height, img::PixelFormat format, std::span<const img::Rgb> palette,
                     bool topDown)
{
    DibInfo info;
    BITMAPINFOHEADER& h = info.header;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = topDown ? -height : height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(img::BitsPerPixel(format));
    h.biCompression = format == img::PixelFormat::pf16bit ? BI_BITFIELDS : BI_RGB;
    h.biSizeImage = static_cast<DWORD>(img::Bitmap::SizeFor(width, height, format));
    if (IsPaletteFormat(format)) {
        const int entries = img::PaletteSize(format);
        h.biClrUsed = static_cast<DWORD>(entries);
        for (int i = 0; i < entries; ++i) {
            const img::Rgb c = static_cast<std::size_t>(i) < palette.size() ? palette[i] : img::Rgb{};
            info.colors[i] = RGBQUAD{c.b, c.g, c.r, 0};
        }
    } else if (format == img::PixelFormat::pf16bit) {
        const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(info.colors, masks, sizeof masks);
    }
    return info;
}

DibBitmap::DibBitmap(int width, int height, img::PixelFormat format)
{
    Create(width, height, format, img::FixedPalette(format));
}

DibBitmap::DibBitmap(const img::Bitmap& image)
{
    Assign(image);
}

DibBitmap::DibBitmap(const DibBitmap& other)
{
    *this = other;
}

DibBitmap& DibBitmap::operator=(const DibBitmap& other)
{
    if (this == &other)
        return *this;
    Create(other.width_, other.height_, other.format_, other.palette_);
    if (bits_ && other.bits_) {
        GdiFlush();
        std::memcpy(bits_, other.bits_, Stride() * static_cast<std::size_t>(height_));
    }
    Changed();
    return *this;
}

DibBitmap::DibBitmap(DibBitmap&& other) noexcept
{
    Adopt(std::move(other));
    dc_ = std::move(other.dc_);
    originalBitmap_ = std::exchange(other.originalBitmap_, nullptr);
    canvas_ = std::move(other.canvas_);
    if (canvas_)
        canvas_->OnChange = [this] { Changed(); };
    SelectIntoCanvas();
}

DibBitmap& DibBitmap::operator=(DibBitmap&& other) noexcept
{
    if (this != &other) {
        Adopt(std::move(other));
        Changed();
    }
    return *this;
}

DibBitmap::~DibBitmap()
{
    canvas_.reset();
    if (dc_ && originalBitmap_)
        SelectObject(dc_->Get(), originalBitmap_);
}

void DibBitmap::Adopt(DibBitmap&& other) noexcept
{
    // The pixels leave the other object's DC before they join this one.
    if (other.dc_ && other.originalBitmap_)
        SelectObject(other.dc_->Get(), other.originalBitmap_);
    if (dc_ && originalBitmap_)
        SelectObject(dc_->Get(), originalBitmap_);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    format_ = other.format_;
    palette_ = std::move(other.palette_);
    other.palette_.clear();
    bitmap_ = std::move(other.bitmap_);
    bits_ = std::exchange(other.bits_, nullptr);
    SelectIntoCanvas();
}

img::PixelFormat DibBitmap::DisplayPixelFormat()
{
    WindowDC screen;
    const int bits = GetDeviceCaps(screen.Get(), BITSPIXEL) * GetDeviceCaps(screen.Get(), PLANES);
    switch (bits) {
    case 1: return img::PixelFormat::pf1bit;
    case 4: return img::PixelFormat::pf4bit;
    case 8: return img::PixelFormat::pf8bit;
    case 15: return img::PixelFormat::pf15bit;
    case 24: return img::PixelFormat::pf24bit;
    case 16: {
        // 16 bits may be 5-5-5 or 5-6-5: ask a device bitmap for its masks.
        BitmapHandle probe(CreateCompatibleBitmap(screen.Get(), 1, 1));
        DibInfo info;
        info.header.biSize = sizeof(BITMAPINFOHEADER);
        if (probe && GetDIBits(screen.Get(), probe.Get(), 0, 1, nullptr,
                               reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) &&
            info.header.biCompression == BI_BITFIELDS &&
            GetDIBits(screen.Get(), probe.Get(), 0, 1, nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                      DIB_RGB_COLORS)) {
            DWORD masks[3];
            std::memcpy(masks, info.colors, sizeof masks);
            if (masks[1] == 0x03E0)
                return img::PixelFormat::pf15bit;
        }
        return img::PixelFormat::pf16bit;
    }
    default: return img::PixelFormat::pf32bit;
    }
}

DibBitmap DibBitmap::ScreenCompatible(int width, int height)
{
    const img::PixelFormat format = DisplayPixelFormat();
    DibBitmap result(width, height, format);
    if (format == img::PixelFormat::pf8bit) {
        // A palette display: take the colours it is showing.
        WindowDC screen;
        PALETTEENTRY entries[256]{};
        if (GetSystemPaletteEntries(screen.Get(), 0, 256, entries) == 256) {
            std::vector<img::Rgb> colours(256);
            for (int i = 0; i < 256; ++i)
                colours[i] = img::Rgb{entries[i].peRed, entries[i].peGreen, entries[i].peBlue};
            result.SetPalette(colours);
        }
    }
    return result;
}

DibBitmap DibBitmap::FromBitmap(HBITMAP source)
{
    DIBSECTION section{};
    const int size = source ? GetObjectA(source, sizeof section, &section) : 0;
    if (!size)
        throw Error(kInvalidBitmapHandle);
    const BITMAP& info = section.dsBm;
    const int bits = info.bmBitsPixel * info.bmPlanes;
    img::PixelFormat format = img::PixelFormat::pf32bit;
    if (bits <= 1)
        format = img::PixelFormat::pf1bit;
    else if (bits <= 4)
        format = img::PixelFormat::pf4bit;
    else if (bits <= 8)
        format = img::PixelFormat::pf8bit;
    else if (bits <= 16)
        format = size == sizeof section && section.dsBmih.biCompression == BI_BITFIELDS &&
                         section.dsBitfields[1] != 0x03E0
                     ? img::PixelFormat::pf16bit
                     : img::PixelFormat::pf15bit;
    else if (bits <= 24)
        format = img::PixelFormat::pf24bit;

    const int width = info.bmWidth, height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    DibBitmap result(width, height, format);
    if (result.Empty())
        return result;
    // GetDIBits converts to the layout asked for and fills in the colours.
    DibInfo header = DibInfo::For(width, height, format, result.palette_);
    WindowDC screen;
    if (!GetDIBits(screen.Get(), source, 0, static_cast<UINT>(height), result.bits_,
                   reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS))
        RaiseLastOSError(kCreateBitmapFailed);
    if (IsPaletteFormat(format)) {
        std::vector<img::Rgb> colours(result.palette_.size());
        for (std::size_t i = 0; i < colours.size(); ++i)
            colours[i] = img::Rgb{header.colors[i].rgbRed, header.colors[i].rgbGreen, header.colors[i].rgbBlue};
        result.palette_ = std::move(colours);
        result.SyncColorTable();
    }
    return result;
}

void DibBitmap::Create(int width, int height, img::PixelFormat format, std::span<const img::Rgb> palette)
{
    if (width < 0 || height < 0)
        throw Error(kBitmapTooLarge);
    std::vector<img::Rgb> newPalette;
    if (IsPaletteFormat(format)) {
        newPalette.assign(palette.begin(),
                          palette.begin() + std::min<std::size_t>(palette.size(), img::PaletteSize(format)));
        newPalette.resize(img::PaletteSize(format));
    }
    BitmapHandle created;
    void* bits = nullptr;
    if (width > 0 && height > 0) {
        DibInfo info;
        try {
            info = DibInfo::For(width, height, format, newPalette);
        } catch (const std::exception&) {
            throw Error(kBitmapTooLarge);
        }
        created.Reset(CreateDIBSection(nullptr, info.Get(), DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!created || !bits)
            RaiseLastOSError(kCreateBitmapFailed);
    }
    // The old bitmap leaves the canvas's DC before it is deleted.
    if (dc_ && originalBitmap_)
        SelectObject(dc_->Get(), originalBitmap_);
    bitmap_ = std::move(created);
    bits_ = static_cast<std::uint8_t*>(bits);
    width_ = width;
    height_ = height;
    format_ = format;
    palette_ = std::move(newPalette);
    SelectIntoCanvas();
}

void DibBitmap::SelectIntoCanvas()
{
    if (!dc_ || !bitmap_)
        return;
    HGDIOBJ previous = SelectObject(dc_->Get(), bitmap_.Get());
    if (!originalBitmap_)
        originalBitmap_ = previous;
}

img::BitmapView DibBitmap::View() const
{
    return {width_, height_, format_, palette_, Bits(), Stride()};
}

std::size_t DibBitmap::Stride() const noexcept
{
    if (!bitmap_)
        return 0;
    return img::Bitmap::StrideFor(width_, format_);
}

std::uint8_t* DibBitmap::Bits()
{
    GdiFlush();
    return bits_;
}

const std::uint8_t* DibBitmap::Bits() const
{
    GdiFlush();
    return bits_;
}

void DibBitmap::SetPalette(std::span<const img::Rgb> colours)
{
    if (!IsPaletteFormat(format_))
        throw Error("Bitmap has no palette");
    const auto size = static_cast<std::size_t>(img::PaletteSize(format_));
    palette_.assign(colours.begin(), colours.begin() + std::min(colours.size(), size));
    palette_.resize(size);
    SyncColorTable();
    Changed();
}

void DibBitmap::SyncColorTable()
{
    if (!bitmap_ || palette_.empty())
        return;
    RGBQUAD table[256];
    for (std::size_t i = 0; i < palette_.size(); ++i)
        table[i] = RGBQUAD{palette_[i].b, palette_[i].g, palette_[i].r, 0};
    if (dc_) {
        SetDIBColorTable(dc_->Get(), 0, static_cast<UINT>(palette_.size()), table);
    } else {
        MemoryDC dc;
        SelectObjectGuard select(dc.Get(), bitmap_.Get());
        SetDIBColorTable(dc.Get(), 0, static_cast<UINT>(palette_.size()), table);
    }
}

void DibBitmap::Assign(const img::Bitmap& image)
{
    Create(image.Width(), image.Height(), image.Format(), image.Palette());
    if (bits_) {
        GdiFlush();
        const std::size_t stride = Stride();
        if (stride == image.Stride()) {
            std::memcpy(bits_, image.Data(), stride * static_cast<std::size_t>(height_));
        } else {
            for (int y = 0; y < height_; ++y)
                std::memcpy(bits_ + y * stride, image.Row(y), std::min(stride, image.Stride()));
        }
    }
    Changed();
}

img::Bitmap DibBitmap::ToImage() const
{
    img::Bitmap image(width_, height_, format_);
    if (IsPaletteFormat(format_))
        image.SetPalette(palette_);
    if (bits_) {
        GdiFlush();
        std::memcpy(image.Data(), bits_, std::min(image.SizeBytes(), Stride() * static_cast<std::size_t>(height_)));
        ClearRowPadding(image);
    }
    return image;
}

void DibBitmap::SetPixelFormat(img::PixelFormat format)
{
    if (format == format_)
        return;
    Assign(img::ConvertTo(ToImage(), format));
}

void DibBitmap::Resize(int width, int height)
{
    if (width == width_ && height == height_)
        return;
    DibBitmap resized(width, height, format_);
    if (!palette_.empty()) {
        resized.palette_ = palette_;
        resized.SyncColorTable();
    }
    if (bits_ && resized.bits_) {
        GdiFlush();
        const std::size_t widthBits = static_cast<std::size_t>(std::min(width, width_)) *
                                      static_cast<std::size_t>(img::BitsPerPixel(format_));
        const std::size_t oldStride = Stride(), newStride = resized.Stride();
        for (int y = 0; y < std::min(height, height_); ++y)
            CopyRowBits(resized.bits_ + y * newStride, bits_ + y * oldStride, widthBits);
    }
    Adopt(std::move(resized));
    width_ = width;
    height_ = height;
    Changed();
}

void DibBitmap::Clear()
{
    if (dc_ && originalBitmap_)
        SelectObject(dc_->Get(), originalBitmap_);
    bitmap_.Reset();
    bits_ = nullptr;
    width_ = height_ = 0;
    Changed();
}

fw::Canvas& DibBitmap::Canvas()
{
    if (!canvas_) {
        auto dc = std::make_unique<MemoryDC>();
        auto canvas = std::make_unique<fw::Canvas>(dc->Get());
        canvas->OnChange = [this] { Changed(); };
        dc_ = std::move(dc);
        originalBitmap_ = nullptr;
        SelectIntoCanvas();
        canvas_ = std::move(canvas);
    }
    return *canvas_;
}

void DibBitmap::Changed()
{
    if (OnChange)
        OnChange();
}

void DibBitmap::PaintTo(HDC dc, const RECT& dest) const
{
    if (!bits_)
        return;
    GdiFlush();
    const DibInfo info = DibInfo::For(width_, height_, format_, palette_);
    const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    if (dw != width_ || dh != height_)
        SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, dest.left, dest.top, dw, dh, 0, 0, width_, height_, bits_, info.Get(), DIB_RGB_COLORS,
                  SRCCOPY);
}

} // namespace fw
