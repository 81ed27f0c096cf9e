// The seven 16 x 16 glyphs of the editor's tool bar, drawn here as pixel
// art so that they read at a glance on a flat button.
#pragma once
#include "imaging/Bitmap.h"

// Glyph indices, in the strip's order.
enum TToolGlyph : int {
    tgMove = 0,
    tgFreeHand = 1,
    tgLine = 2,
    tgSquare = 3,
    tgText = 4,
    tgEllipse = 5,
    tgSettings = 6,
};
inline constexpr int kToolGlyphCount = 7;
inline constexpr int kToolGlyphSize = 16;
// The strip's background colour, which the tool bar shows through.
inline constexpr img::Rgb kToolGlyphTransparent{255, 0, 255};

// All glyphs side by side, 24 bits per pixel, the background in
// kToolGlyphTransparent.
img::Bitmap ToolGlyphStrip();
