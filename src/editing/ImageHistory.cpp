#include "editing/ImageHistory.h"

#include "imaging/ImageError.h"

#include <algorithm>
#include <utility>

namespace editing {

namespace {

constexpr char kStepDoesNotFitError[] = "The undo step does not fit the picture.";

} // namespace

void TImageHistory::SetLimit(std::int32_t limit)
{
    limit_ = limit;
    DropOverflow();
}

void TImageHistory::DropOverflow() noexcept
{
    while (steps_.size() > Capacity())
        steps_.pop_back();
}

void TImageHistory::Push(img::Bitmap before, THistoryKeep keep)
{
    Settle(img::BitmapView::Of(before));
    // Room first, so a full history never holds one step more than it keeps.
    if (steps_.size() >= Capacity())
        steps_.pop_back();
    TStep step;
    step.layout = TPixelLayout::Of(before);
    step.open = keep == THistoryKeep::hkTouched;
    step.whole = std::move(before);
    steps_.push_front(std::move(step));
}

void TImageHistory::Settle(const img::BitmapView& now)
{
    if (steps_.empty() || !steps_.front().open)
        return;
    TStep& step = steps_.front();
    step.open = false;
    const img::Bitmap& before = *step.whole;
    const bool samePalette = std::equal(before.Palette().begin(), before.Palette().end(), now.palette.begin(),
                                        now.palette.end());
    if (!(step.layout == TPixelLayout::Of(now)) || !samePalette)
        return;
    step.touched = TBytePatch::Difference(step.layout, before.Data(), now.bits);
    step.whole.reset();
}

bool TImageHistory::Undo(TUndoTarget& target)
{
    if (steps_.empty())
        return false;
    TStep step = std::move(steps_.front());
    steps_.pop_front();
    if (step.whole) {
        target.Replace(*step.whole);
        return true;
    }
    if (!(target.Layout() == step.layout))
        throw img::ImageError(kStepDoesNotFitError);
    step.touched.Restore(step.layout, target.Pixels());
    target.PixelsRestored();
    return true;
}

std::size_t TImageHistory::MemoryBytes() const noexcept
{
    std::size_t bytes = 0;
    for (const TStep& step : steps_) {
        bytes += step.touched.SizeBytes();
        if (step.whole)
            bytes += step.whole->SizeBytes() + step.whole->Palette().size() * sizeof(img::Rgb);
    }
    return bytes;
}

} // namespace editing
