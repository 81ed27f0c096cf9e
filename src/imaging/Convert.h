// Pixel-format conversion of whole images (the colour-depth change).
#pragma once
#include "imaging/Bitmap.h"

namespace img {

// Returns the image re-encoded in `format`, with the same width and height.
//  - Same format: an identical copy (palette included).
//  - To more bits: the colours stay exactly. A palette image going to a larger
//    palette format keeps its own palette (padded with black) and indices;
//    5- and 6-bit channels widen with Expand5/Expand6.
//  - To fewer bits: each colour becomes the nearest one the target can hold;
//    palette targets use the format's fixed palette (Palettes.h) through its
//    lookup table, 15/16-bit targets drop the low bits of each channel.
// No dithering: screenshots are mostly flat areas and text, which dithering
// would speckle.
Bitmap ConvertTo(const Bitmap& source, PixelFormat format);

} // namespace img
