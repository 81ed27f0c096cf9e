// The undo history's order and limit, and what each step keeps. Newest step
// first; when it is full the oldest goes before a new one comes. A step is
// recorded as the whole image before a change; once the change is complete
// it keeps only the bytes the change touched, which puts the image back
// exactly as well (the change left everything else as it was). A step whose
// image changes size, format or palette keeps the whole image.
#pragma once
#include "editing/BytePatch.h"
#include "imaging/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>

namespace editing {

// The image an undo puts a step back into.
class TUndoTarget {
public:
    virtual TPixelLayout Layout() const = 0;
    virtual std::uint8_t* Pixels() = 0;
    // After a trimmed step was written into Pixels().
    virtual void PixelsRestored() = 0;
    // A whole step: the image becomes `image`, size, format and palette too.
    virtual void Replace(const img::Bitmap& image) = 0;

protected:
    ~TUndoTarget() = default;
};

// What a step keeps once its change is complete.
enum class THistoryKeep {
    hkTouched, // the bytes the change touched (drawings)
    hkWhole,   // the whole image (a colour-depth change)
};

class TImageHistory {
public:
    // A limit of 0 or less keeps one step: a wizard that could not read its
    // settings starts with 0, and still offers a step back.
    explicit TImageHistory(std::int32_t limit = 0) noexcept : limit_(limit) {}

    std::int32_t Limit() const noexcept { return limit_; }
    void SetLimit(std::int32_t limit);
    // The most steps kept.
    std::size_t Capacity() const noexcept { return limit_ < 1 ? 1 : static_cast<std::size_t>(limit_); }

    // Records `before`, the image as it is ahead of a change. The step
    // before it, if still open, is settled against `before` first.
    void Push(img::Bitmap before, THistoryKeep keep);
    // The change recorded last is complete and left the image as `now`.
    void Settle(const img::BitmapView& now);
    // Puts the newest step back into `target` and forgets it; false when
    // there is none. A trimmed step must meet the image it was settled
    // against (every change is recorded first); one that doesn't raises
    // img::ImageError and is dropped.
    bool Undo(TUndoTarget& target);

    std::size_t Count() const noexcept { return steps_.size(); }
    bool Empty() const noexcept { return steps_.empty(); }
    // Pixel and palette bytes the steps hold.
    std::size_t MemoryBytes() const noexcept;
    void Clear() noexcept { steps_.clear(); }

private:
    struct TStep {
        std::optional<img::Bitmap> whole;
        TBytePatch touched;
        TPixelLayout layout;
        bool open = false;
    };
    void DropOverflow() noexcept;

    std::int32_t limit_;
    std::deque<TStep> steps_;
};

} // namespace editing
