#include "ui/ImageList.h"
#include "base/Errors.h"
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

int ImageList::Count() const
{
    return ImageList_GetImageCount(list_);
}

} // namespace fw
