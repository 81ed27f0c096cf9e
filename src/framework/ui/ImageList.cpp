#include "ui/ImageList.h"
#include "base/Errors.h"
#include "gdi/Graphics.h"
#include <utility>

namespace fw {

namespace {

constexpr const char* kCreateImageListFailed = "Cannot create image list";

} // namespace

ImageList::ImageList(int width, int height) : width_(width), height_(height)
{
    list_ = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 8, 8);
    if (!list_)
        RaiseLastOSError(kCreateImageListFailed);
}

ImageList::~ImageList()
{
    if (list_)
        ImageList_Destroy(list_);
}

ImageList::ImageList(ImageList&& other) noexcept
    : list_(std::exchange(other.list_, nullptr)), width_(other.width_), height_(other.height_)
{
}

ImageList& ImageList::operator=(ImageList&& other) noexcept
{
    if (this != &other) {
        if (list_)
            ImageList_Destroy(list_);
        list_ = std::exchange(other.list_, nullptr);
        width_ = other.width_;
        height_ = other.height_;
    }
    return *this;
}

void ImageList::AddMasked(const DibBitmap& strip, Color transparent)
{
    // The list blackens the masked pixels of the bitmap it is given, and
    // the bitmap must not be selected into a device context: hand it a copy.
    DibBitmap copy(strip.ToImage());
    if (ImageList_AddMasked(list_, copy.Handle(), ColorToRGB(transparent)) < 0)
        throw Error(kCreateImageListFailed);
}

ImageList ImageList::FromStrip(const DibBitmap& strip, int count, int width, int height, Color transparent)
{
    ImageList list(width, height);
    if (strip.Width() == count * width && strip.Height() == height) {
        list.AddMasked(strip, transparent);
        return list;
    }
    DibBitmap scaled(count * width, height, strip.PixelFormat());
    if (!strip.Palette().empty())
        scaled.SetPalette(strip.Palette());
    {
        MemoryDC dc(nullptr);
        SelectObjectGuard select(dc.Get(), scaled.Handle());
        strip.PaintTo(dc.Get(), RECT{0, 0, count * width, height});
    }
    // A bitmap of its own, which the list may blacken where it is masked.
    if (ImageList_AddMasked(list.list_, scaled.Handle(), ColorToRGB(transparent)) < 0)
        throw Error(kCreateImageListFailed);
    return list;
}

int ImageList::Count() const
{
    return ImageList_GetImageCount(list_);
}

} // namespace fw
