// Bitmaps on the clipboard.
#pragma once
#include "gdi/DibBitmap.h"
#include "imaging/Bitmap.h"
#include <optional>
#include <vector>

namespace fw {

// Empties the clipboard and puts the bitmap on it as a device-independent
// bitmap (CF_DIB), with its palette (CF_PALETTE) when it has one; the system
// offers it as CF_BITMAP too. Raises fw::Error when the clipboard cannot be
// opened or does not take the data.
void CopyBitmapToClipboard(const DibBitmap& bitmap);

// The bitmap on the clipboard (its CF_DIB form), or nothing when there is
// none. Malformed data raises fw::Error.
std::optional<img::Bitmap> BitmapFromClipboard();

// The colours of the clipboard's CF_PALETTE (empty when it has none).
std::vector<img::Rgb> PaletteFromClipboard();

// Decodes a packed DIB (BITMAPINFOHEADER or larger, colour table or masks,
// then the pixels), checking every size against `size`.
img::Bitmap DecodePackedDib(const void* data, std::size_t size);

} // namespace fw
