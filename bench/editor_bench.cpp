// What the image editor costs on a full 4K capture, beside floors measured in
// the same run:
//  - a rubber-band move of a 200 x 200 line, rectangle and ellipse on a
//    3840 x 2160 x 32 picture and on a 400 x 300 one, beside two plain copies
//    of the shape's box and one GDI shape on a box-sized bitmap;
//  - recording a drawing (the whole picture, trimmed when the drawing ends)
//    beside one copy of the whole picture;
//  - the undo history's bytes after ten 200 x 200 shapes, and the process's
//    committed memory before, while and after an editor on a 4K picture lives.
// Run under Wine with scripts/lib/wine-run.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "BenchTiming.h"
#include "gdi/DibBitmap.h"
#include "ui/Form.h"
#include "ui/ImageControl.h"
#include "ui/ScrollBox.h"
#include "wizard/ImageEditor.h"

namespace {

constexpr int kShape = 200;
constexpr int kMovesPerRun = 200;
constexpr int kRuns = 15;

img::Bitmap Noise(int width, int height)
{
    img::Bitmap image(width, height, img::PixelFormat::pf32bit);
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < image.SizeBytes(); ++i) {
        state = state * 1664525u + 1013904223u;
        image.Data()[i] = static_cast<std::uint8_t>(state >> 24);
    }
    return image;
}

// The editor in a hidden form, as the wizard holds it.
struct EditorHost {
    explicit EditorHost(const img::Bitmap& picture)
    {
        view = std::make_unique<fw::ScrollBox>(form, fw::Bounds{0, 0, 359, 232});
        image = std::make_unique<fw::Image>(*view, fw::Bounds{0, 0, 0, 0});
        image->SetAutoSize(true);
        image->SetPicture(fw::DibBitmap(picture));
        editor = std::make_unique<TImageEditor>(*view, *image);
        editor->History().SetLimit(10);
    }
    fw::Form form;
    std::unique_ptr<fw::ScrollBox> view;
    std::unique_ptr<fw::Image> image;
    std::unique_ptr<TImageEditor> editor;
};

// Milliseconds per move of a 200 x 200 shape's rubber band, the pointer
// going back and forth between two corners.
double RubberBandMoveMs(TImageEditor& editor, editing::TTool tool)
{
    const editing::TPoint from{100, 50};
    editor.MouseDown(tool, from);
    const double ms = bench::MedianMs(kRuns, [&] {
        for (int i = 0; i < kMovesPerRun; ++i)
            editor.MouseMove(tool, {from.x + kShape - (i & 1), from.y + kShape - (i & 1)});
        GdiFlush();
    });
    editor.MouseUp(tool, {from.x + kShape, from.y + kShape});
    return ms / kMovesPerRun;
}

// The floor of a move: the box's rows copied out and back, one rectangle
// drawn by GDI on a bitmap of the box's size.
double FloorMoveMs()
{
    const int box = kShape + 4;
    const std::size_t rowBytes = static_cast<std::size_t>(box) * 4;
    std::vector<std::uint8_t> picture(static_cast<std::size_t>(3840) * 4 * (box + 60));
    std::vector<std::uint8_t> saved(rowBytes * box);
    fw::DibBitmap small(box, box, img::PixelFormat::pf32bit);
    fw::Canvas& canvas = small.Canvas();
    canvas.brush.style = fw::BrushStyle::bsClear;
    canvas.pen.color = fw::clRed;
    const double ms = bench::MedianMs(kRuns, [&] {
        for (int i = 0; i < kMovesPerRun; ++i) {
            for (int y = 0; y < box; ++y)
                std::memcpy(picture.data() + static_cast<std::size_t>(y) * 3840 * 4 + 400,
                            saved.data() + y * rowBytes, rowBytes);
            for (int y = 0; y < box; ++y)
                std::memcpy(saved.data() + y * rowBytes,
                            picture.data() + static_cast<std::size_t>(y + (i & 1)) * 3840 * 4 + 400, rowBytes);
            canvas.Rectangle(2, 2, 2 + kShape - (i & 1), 2 + kShape - (i & 1));
        }
        GdiFlush();
    });
    return ms / kMovesPerRun;
}

} // namespace

int main()
{
    const img::Bitmap big = Noise(3840, 2160);
    const img::Bitmap small = Noise(400, 300);

    std::printf("rubber-band move of a %d x %d shape, median of %d runs of %d moves\n", kShape, kShape, kRuns,
                kMovesPerRun);
    const double floor = FloorMoveMs();
    std::printf("  floor: two copies of the box and one GDI rectangle  %8.4f ms\n", floor);
    struct Tool {
        editing::TTool tool;
        const char* name;
    };
    {
        EditorHost onBig(big), onSmall(small);
        for (const Tool t : {Tool{editing::ttLine, "line"}, Tool{editing::ttSquare, "rectangle"},
                             Tool{editing::ttEllipse, "ellipse"}}) {
            const double large = RubberBandMoveMs(*onBig.editor, t.tool);
            const double little = RubberBandMoveMs(*onSmall.editor, t.tool);
            std::printf("  %-9s on 3840x2160: %8.4f ms   on 400x300: %8.4f ms   4K/small %.2f   4K/floor %.2f\n",
                        t.name, large, little, large / little, large / floor);
        }
    }

    // Recording one drawing: the whole picture at the press, trimmed at the
    // release.
    // Into a fresh block each time, as a snapshot is: touching new pages included.
    const double wholeCopy = bench::FreshCopyMs(kRuns, big.Data(), big.SizeBytes());
    const double before = bench::CommittedMegabytes();
    double during = 0, recordMs = 0;
    std::size_t historyBytes = 0;
    {
        EditorHost host(big);
        TImageEditor& editor = *host.editor;
        recordMs = bench::MedianMs(5, [&] {
            editor.PushUndo();
            editor.SettleUndo();
            editor.Undo();
        });
        for (int i = 0; i < 10; ++i) {
            const editing::TPoint from{100 + i * 300, 100 + i * 150};
            editor.MouseDown(editing::ttSquare, from);
            editor.MouseMove(editing::ttSquare, {from.x + kShape, from.y + kShape});
            editor.MouseUp(editing::ttSquare, {from.x + kShape, from.y + kShape});
        }
        historyBytes = editor.History().MemoryBytes();
        during = bench::CommittedMegabytes();
    }
    const double after = bench::CommittedMegabytes();
    std::printf("recording a drawing on 3840x2160x32 (copy, trim, undo)  %8.2f ms   floor: one copy of the picture "
                "into fresh memory %8.2f ms   ratio %.2f\n",
                recordMs, wholeCopy, recordMs / wholeCopy);
    std::printf("undo history after ten %d x %d rectangles: %.2f MB (whole copies would be %.2f MB)\n", kShape,
                kShape, static_cast<double>(historyBytes) / (1024.0 * 1024.0),
                10.0 * static_cast<double>(big.SizeBytes()) / (1024.0 * 1024.0));
    std::printf("committed memory: before the editor %.1f MB, with it and ten steps %.1f MB, after it %.1f MB\n",
                before, during, after);
    return 0;
}
