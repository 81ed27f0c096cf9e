#include "wizard/ToolGlyphs.h"

#include <cstddef>
#include <string_view>

namespace {

// The glyphs as pixel art, one string per row, glyphs one below the other in
// the order of TToolGlyph. Colours by letter; '.' lets the button through.
constexpr std::string_view kGlyphArt[] = {
    // move
    "................",
    ".......kk.......",
    "......kkkk......",
    ".....kkkkkk.....",
    ".......kk.......",
    "..k....kk....k..",
    ".kk....kk....kk.",
    "kkkkkkkkkkkkkkkk",
    "kkkkkkkkkkkkkkkk",
    ".kk....kk....kk.",
    "..k....kk....k..",
    ".......kk.......",
    ".....kkkkkk.....",
    "......kkkk......",
    ".......kk.......",
    "................",
    // paint
    "............kkk.",
    "...........kpppk",
    "..........kpppk.",
    ".........ksssk..",
    "........kyyok...",
    ".......kyyok....",
    "......kyyok.....",
    ".....kyyok......",
    "....kyyok.......",
    "...kyyok........",
    "..kttok.........",
    "..ktttk.........",
    ".kttkk..........",
    ".kkk............",
    ".kk.............",
    "................",
    // line
    "................",
    "................",
    ".............kk.",
    "............kk..",
    "...........kk...",
    "..........kk....",
    ".........kk.....",
    "........kk......",
    ".......kk.......",
    "......kk........",
    ".....kk.........",
    "....kk..........",
    "...kk...........",
    "..kk............",
    "................",
    "................",
    // square
    "................",
    "................",
    "................",
    ".kkkkkkkkkkkkkk.",
    ".k............k.",
    ".k............k.",
    ".k............k.",
    ".k............k.",
    ".k............k.",
    ".k............k.",
    ".k............k.",
    ".k............k.",
    ".kkkkkkkkkkkkkk.",
    "................",
    "................",
    "................",
    // text
    "................",
    "................",
    ".......kk.......",
    ".......kk.......",
    "......kkkk......",
    "......k.kk......",
    ".....kk..kk.....",
    ".....kk..kk.....",
    "....kk....kk....",
    "....kkkkkkkk....",
    "...kk......kk...",
    "...kk......kk...",
    "..kk........kk..",
    ".kkkk......kkkk.",
    "................",
    "................",
    // ellipse
    "................",
    "................",
    "................",
    ".....kkkkkk.....",
    "...kk......kk...",
    "..k..........k..",
    ".k............k.",
    ".k............k.",
    ".k............k.",
    ".k............k.",
    "..k..........k..",
    "...kk......kk...",
    ".....kkkkkk.....",
    "................",
    "................",
    "................",
    // settings
    "................",
    ".kkkkkkkkkkkkk..",
    ".krrrrrkgggggk..",
    ".krrrrrkgggggk..",
    ".krrrrrkgggggk..",
    ".krrrrrkgggggk..",
    ".krrrrrkgggggk..",
    ".kkkkkkkkkkkkk..",
    ".kbbbbbkyyyyyk..",
    ".kbbbbbkyyyyyk..",
    ".kbbbbbkyyyyyk..",
    ".kbbbbbkyyyyyk..",
    ".kbbbbbkyyyyyk..",
    ".kkkkkkkkkkkkk..",
    "................",
    "................",
};

constexpr int kGlyphRows = 16;
static_assert(std::size(kGlyphArt) == kToolGlyphCount * kGlyphRows);

img::Rgb ColourOf(char letter)
{
    switch (letter) {
    case 'k': return {0, 0, 0};       // outlines
    case 'p': return {240, 120, 150}; // the pencil's eraser
    case 's': return {170, 170, 170}; // its metal band
    case 'y': return {255, 210, 0};   // its body, lit side
    case 'o': return {200, 140, 0};   // its body, shaded side
    case 't': return {230, 190, 140}; // bare wood
    case 'r': return {220, 0, 0};
    case 'g': return {0, 160, 0};
    case 'b': return {0, 60, 220};
    default: return kToolGlyphTransparent;
    }
}

} // namespace

img::Bitmap ToolGlyphStrip()
{
    img::Bitmap strip(kToolGlyphCount * kToolGlyphSize, kToolGlyphSize, img::PixelFormat::pf24bit);
    for (int glyph = 0; glyph < kToolGlyphCount; ++glyph)
        for (int y = 0; y < kToolGlyphSize; ++y) {
            const std::string_view row = kGlyphArt[glyph * kGlyphRows + y];
            for (int x = 0; x < kToolGlyphSize; ++x)
                strip.SetPixel(glyph * kToolGlyphSize + x, y, ColourOf(row[static_cast<std::size_t>(x)]));
        }
    return strip;
}
