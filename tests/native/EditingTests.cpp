// The editor's pure logic: tool order, the pan rule, the rubber band's
// rectangle, byte patches in every pixel format, and the undo history's
// order, limit, trimming and whole steps.
#include "editing/BytePatch.h"
#include "editing/EditorRules.h"
#include "editing/ImageHistory.h"
#include "imaging/Convert.h"
#include "imaging/ImageError.h"
#include "TestImages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace editing;
using imgtest::kAllFormats;
using imgtest::NoiseImage;

std::string FormatName(img::PixelFormat format)
{
    return std::to_string(img::BitsPerPixel(format)) + " bit" +
           (format == img::PixelFormat::pf15bit ? " (15)" : "");
}

// Paints a filled rectangle with a colour the image can hold.
void Fill(img::Bitmap& image, TRect rect, img::Rgb colour)
{
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            image.SetPixel(x, y, colour);
}

// Gives one pixel another value.
void Toggle(img::Bitmap& image, int x, int y)
{
    if (img::HasPalette(image.Format())) {
        image.SetIndex(x, y, (image.GetIndex(x, y) + 1) % img::PaletteSize(image.Format()));
    } else {
        const img::Rgb c = image.GetPixel(x, y);
        image.SetPixel(x, y, {uint8_t(255 - c.r), uint8_t(255 - c.g), uint8_t(255 - c.b)});
    }
}

TEST(EditorRules, ToolIsTheFirstButtonDownInTheFixedOrder)
{
    EXPECT_EQ(ToolFor({}), ttNone);
    EXPECT_EQ(ToolFor({.move = true}), 0);
    EXPECT_EQ(ToolFor({.paint = true}), 1);
    EXPECT_EQ(ToolFor({.line = true}), 2);
    EXPECT_EQ(ToolFor({.square = true}), 3);
    EXPECT_EQ(ToolFor({.text = true}), 4);
    EXPECT_EQ(ToolFor({.ellipse = true}), 5);
    // Square is tested before text and ellipse, although its button sits
    // below the ellipse's.
    EXPECT_EQ(ToolFor({.square = true, .text = true, .ellipse = true}), ttSquare);
    EXPECT_EQ(ToolFor({.text = true, .ellipse = true}), ttText);
    EXPECT_EQ(ToolFor({.move = true, .ellipse = true}), ttMove);
}

TEST(EditorRules, PanReachesEachEdgeExactlyAndRefusesToGoBeyond)
{
    // A 1000-pixel picture in a 359-pixel view: positions 0 to -641.
    EXPECT_EQ(PannedPosition(-10, 10, 1000, 359), 0);
    EXPECT_EQ(PannedPosition(0, 1, 1000, 359), 0);
    EXPECT_EQ(PannedPosition(0, -641, 1000, 359), -641);
    EXPECT_EQ(PannedPosition(-641, -1, 1000, 359), -641);
    // An overshoot is refused whole, not clamped.
    EXPECT_EQ(PannedPosition(-5, 20, 1000, 359), -5);
    EXPECT_EQ(PannedPosition(-600, -50, 1000, 359), -600);
    EXPECT_EQ(PannedPosition(-300, 120, 1000, 359), -180);
    // Not larger than the view: that axis never moves.
    for (const int delta : {-200, -1, 1, 200}) {
        EXPECT_EQ(PannedPosition(129, delta, 101, 359), 129) << delta;
        EXPECT_EQ(PannedPosition(0, delta, 359, 359), 0) << delta;
    }
    // Far-away pointer positions don't overflow.
    EXPECT_EQ(PannedPosition(-5, 2147483647, 1000, 359), -5);
}

TEST(EditorRules, RubberBandKeepsTheCornersRectangleGrownByTwoAndCutToTheImage)
{
    EXPECT_EQ(NormalizedRect({10, 20}, {5, 8}), (TRect{5, 8, 10, 20}));
    EXPECT_EQ(RubberBandRect({10, 20}, {5, 8}, 100, 100), (TRect{3, 6, 12, 22}));
    EXPECT_EQ(RubberBandRect({5, 8}, {10, 20}, 100, 100), (TRect{3, 6, 12, 22}));
    EXPECT_EQ(RubberBandRect({7, 7}, {7, 7}, 100, 100), (TRect{5, 5, 9, 9}));
    EXPECT_EQ(RubberBandRect({1, 0}, {98, 99}, 100, 100), (TRect{0, 0, 100, 100}));
    EXPECT_EQ(RubberBandRect({-40, 50}, {-3, 60}, 100, 100), (TRect{}));
    EXPECT_TRUE(RubberBandRect({150, -50}, {200, -10}, 100, 100).Empty());
    EXPECT_EQ(RubberBandRect({-2147483647, 5}, {2147483647, 6}, 100, 100), (TRect{0, 3, 100, 8}));
}

// ---- Byte patches ----------------------------------------------------------------

class BytePatchFormats : public ::testing::TestWithParam<img::PixelFormat> {};

TEST_P(BytePatchFormats, CapturedRectangleComesBackWhateverWasDrawnInsideIt)
{
    const img::PixelFormat format = GetParam();
    const img::Bitmap original = NoiseImage(37, 23, format, 7);
    // Odd edges, so sub-byte formats share bytes with pixels outside.
    for (const TRect rect : {TRect{3, 2, 10, 9}, TRect{-5, 18, 41, 30}, TRect{0, 0, 37, 23}}) {
        img::Bitmap image = original;
        const TBytePatch saved = TBytePatch::Capture(TPixelLayout::Of(image), image.Data(), rect);
        Fill(image, ClippedRect(rect, 37, 23), {255, 0, 0});
        saved.Restore(TPixelLayout::Of(image), image.Data());
        EXPECT_TRUE(image == original) << FormatName(format) << " rect " << rect.left << "," << rect.top;
    }
    EXPECT_TRUE(TBytePatch::Capture(TPixelLayout::Of(original), original.Data(), {40, 0, 50, 5}).Empty());
}

TEST_P(BytePatchFormats, DifferenceKeepsOnlyTheBoundingBlockAndPutsTheImageBack)
{
    const img::PixelFormat format = GetParam();
    const img::Bitmap before = NoiseImage(64, 40, format, 3);
    const TPixelLayout layout = TPixelLayout::Of(before);
    EXPECT_TRUE(TBytePatch::Difference(layout, before.Data(), before.Data()).Empty());

    img::Bitmap after = before;
    // Two changes far apart: the block spans both.
    Toggle(after, 10, 5);
    Toggle(after, 40, 30);
    const TBytePatch patch = TBytePatch::Difference(layout, before.Data(), after.Data());
    const std::size_t bpp = static_cast<std::size_t>(img::BitsPerPixel(format));
    const std::size_t columns = (40 * bpp + bpp + 7) / 8 - 10 * bpp / 8;
    EXPECT_LE(patch.SizeBytes(), 26 * columns) << FormatName(format);
    EXPECT_GE(patch.SizeBytes(), 26u);
    patch.Restore(layout, after.Data());
    EXPECT_TRUE(after == before) << FormatName(format);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, BytePatchFormats, ::testing::ValuesIn(kAllFormats));

TEST(BytePatch, RestoreNeverWritesOutsideASmallerImage)
{
    // The patch covers bytes 120..199 of rows 30..49; the smaller image's
    // rows are 136 bytes and it has 35 of them, so its edges cut through it.
    const img::Bitmap big = NoiseImage(50, 50, img::PixelFormat::pf32bit);
    const TBytePatch patch = TBytePatch::Capture(TPixelLayout::Of(big), big.Data(), {30, 30, 50, 50});
    img::Bitmap small = NoiseImage(45, 35, img::PixelFormat::pf24bit, 9);
    ASSERT_EQ(small.Stride(), 136u);
    const img::Bitmap untouched = small;
    patch.Restore(TPixelLayout::Of(small), small.Data()); // ASan watches the edges
    for (int y = 0; y < small.Height(); ++y)
        for (std::size_t x = 0; x < small.Stride(); ++x)
            if (y < 30 || x < 120)
                ASSERT_EQ(small.Row(y)[x], untouched.Row(y)[x]) << "row " << y << ", byte " << x;
}

// ---- The history -------------------------------------------------------------------

// The editor's image, as the history sees it.
class Target : public TUndoTarget {
public:
    explicit Target(img::Bitmap start) : image(std::move(start)) {}
    TPixelLayout Layout() const override { return TPixelLayout::Of(image); }
    std::uint8_t* Pixels() override { return image.Data(); }
    void PixelsRestored() override { ++restored; }
    void Replace(const img::Bitmap& whole) override
    {
        image = whole;
        ++replaced;
    }
    img::BitmapView View() const { return img::BitmapView::Of(image); }

    img::Bitmap image;
    int restored = 0;
    int replaced = 0;
};

// One drawing as the editor makes it: recorded, drawn, settled.
void Draw(TImageHistory& history, Target& target, TRect rect, img::Rgb colour)
{
    history.Push(target.image, THistoryKeep::hkTouched);
    Fill(target.image, rect, colour);
    history.Settle(target.View());
}

TEST(ImageHistory, KeepsTheNewestStepsUpToTheLimitAndUndoesNewestFirst)
{
    Target target(NoiseImage(30, 20, img::PixelFormat::pf24bit));
    TImageHistory history(3);
    std::vector<img::Bitmap> states{target.image};
    for (int i = 0; i < 5; ++i) {
        Draw(history, target, {i * 5, 0, i * 5 + 4, 10 + i}, {uint8_t(40 * i), 0, 255});
        states.push_back(target.image);
        EXPECT_LE(history.Count(), 3u);
    }
    // The two oldest went first: three steps back reach the third state.
    for (int back = 1; back <= 3; ++back) {
        ASSERT_TRUE(history.Undo(target));
        EXPECT_TRUE(target.image == states[5 - back]) << back;
    }
    EXPECT_FALSE(history.Undo(target));
    EXPECT_TRUE(target.image == states[2]);
    EXPECT_EQ(target.replaced, 0) << "drawings are put back from their trimmed bytes";
}

TEST(ImageHistory, LimitOfOneOrLessKeepsExactlyOneStep)
{
    for (const int limit : {1, 0, -5}) {
        Target target(NoiseImage(20, 20, img::PixelFormat::pf32bit));
        TImageHistory history(limit);
        Draw(history, target, {0, 0, 5, 5}, {255, 0, 0});
        const img::Bitmap afterFirst = target.image;
        Draw(history, target, {10, 10, 15, 15}, {0, 0, 255});
        EXPECT_EQ(history.Count(), 1u) << limit;
        EXPECT_TRUE(history.Undo(target)) << limit;
        EXPECT_TRUE(target.image == afterFirst) << limit;
        EXPECT_FALSE(history.Undo(target)) << limit;
    }
}

TEST(ImageHistory, ColourDepthStepKeepsTheWholeImageFormatAndPaletteIncluded)
{
    Target target(NoiseImage(33, 17, img::PixelFormat::pf24bit));
    TImageHistory history(10);
    Draw(history, target, {2, 2, 9, 9}, {0, 255, 0});
    const img::Bitmap beforeDepth = target.image;
    history.Push(target.image, THistoryKeep::hkWhole);
    target.image = img::ConvertTo(target.image, img::PixelFormat::pf1bit);
    // A drawing on the 1-bit image, then back through all three.
    Draw(history, target, {20, 3, 30, 12}, {255, 255, 255});
    const img::Bitmap oneBit = target.image;
    Draw(history, target, {0, 0, 4, 4}, {0, 0, 0});
    EXPECT_GE(history.MemoryBytes(), beforeDepth.SizeBytes());

    ASSERT_TRUE(history.Undo(target));
    EXPECT_TRUE(target.image == oneBit);
    ASSERT_TRUE(history.Undo(target));
    ASSERT_TRUE(history.Undo(target));
    EXPECT_EQ(target.replaced, 1);
    EXPECT_TRUE(target.image == beforeDepth);
    EXPECT_EQ(target.image.Format(), img::PixelFormat::pf24bit);
}

TEST(ImageHistory, DrawingsKeepOnlyWhatTheyTouched)
{
    // Ten 200 x 200 shapes on a full HD picture at 32 bits.
    Target target(img::Bitmap(1920, 1080, img::PixelFormat::pf32bit));
    TImageHistory history(10);
    for (int i = 0; i < 10; ++i) {
        const int x = 100 + i * 150, y = 50 + i * 80;
        Draw(history, target, {x, y, x + 200, y + 200}, {255, 0, uint8_t(i)});
    }
    EXPECT_EQ(history.Count(), 10u);
    EXPECT_LE(history.MemoryBytes(), 10u * 200 * 200 * 4);
    EXPECT_GE(history.MemoryBytes(), 10u * 200 * 4);
}

TEST(ImageHistory, OpenStepIsSettledByTheNextChangeAndUndoneWholeBeforeThat)
{
    Target target(NoiseImage(40, 30, img::PixelFormat::pf8bit));
    const img::Bitmap start = target.image;
    TImageHistory history(10);

    // A gesture whose end never came is trimmed when the next one starts.
    history.Push(target.image, THistoryKeep::hkTouched);
    Fill(target.image, {1, 1, 6, 6}, {255, 255, 255});
    const std::size_t open = history.MemoryBytes();
    const img::Bitmap afterFirst = target.image;
    history.Push(target.image, THistoryKeep::hkTouched);
    EXPECT_LT(history.MemoryBytes(), open + start.SizeBytes());
    Fill(target.image, {20, 20, 30, 25}, {0, 0, 0});

    // Undone while still open: the whole image comes back.
    ASSERT_TRUE(history.Undo(target));
    EXPECT_EQ(target.replaced, 1);
    EXPECT_TRUE(target.image == afterFirst);
    ASSERT_TRUE(history.Undo(target));
    EXPECT_EQ(target.restored, 1);
    EXPECT_TRUE(target.image == start);
}

TEST(ImageHistory, ClickWithoutChangeStillCountsAsAStep)
{
    Target target(NoiseImage(10, 10, img::PixelFormat::pf16bit));
    const img::Bitmap start = target.image;
    TImageHistory history(10);
    history.Push(target.image, THistoryKeep::hkTouched);
    history.Settle(target.View());
    EXPECT_EQ(history.Count(), 1u);
    EXPECT_EQ(history.MemoryBytes(), 0u);
    EXPECT_TRUE(history.Undo(target));
    EXPECT_TRUE(target.image == start);
    EXPECT_FALSE(history.Undo(target));
}

TEST(ImageHistory, TrimmedStepRefusesAnImageOfAnotherLayout)
{
    Target target(NoiseImage(10, 10, img::PixelFormat::pf24bit));
    TImageHistory history(10);
    Draw(history, target, {0, 0, 3, 3}, {1, 2, 3});
    target.image = img::Bitmap(5, 5, img::PixelFormat::pf24bit); // changed behind the history's back
    EXPECT_THROW(history.Undo(target), img::ImageError);
    EXPECT_TRUE(history.Empty());
}

} // namespace
