// The editor's undo history over the picture: each step puts the picture
// back exactly as it was before one change, size, format and palette
// included, while keeping only what a drawing touched (see
// editing/ImageHistory.h).
#pragma once
#include "editing/ImageHistory.h"
#include "gdi/DibBitmap.h"

#include <cstdint>

class TUndoHistory {
public:
    // The depth, read once when the wizard is created; 0 or less keeps one step.
    void SetLimit(std::int32_t limit) { history_.SetLimit(limit); }
    std::int32_t Limit() const noexcept { return history_.Limit(); }

    // Records the picture as it is, before a change.
    void Push(const fw::DibBitmap& picture, editing::THistoryKeep keep);
    // The change recorded last is complete.
    void Settle(const fw::DibBitmap& picture);
    // Puts the newest step back into the picture; false when there is none.
    bool Undo(fw::DibBitmap& picture);

    std::size_t Count() const noexcept { return history_.Count(); }
    std::size_t MemoryBytes() const noexcept { return history_.MemoryBytes(); }
    void Clear() noexcept { history_.Clear(); }

private:
    editing::TImageHistory history_;
};
