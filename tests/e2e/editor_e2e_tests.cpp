// Drawing on a capture with the real mouse: a selection of a known pattern,
// a line and a rectangle drawn on the preview page with the tool bar's
// tools, then the picture left on the clipboard. The clipboard must hold the
// selected pixels with exactly the line's and the rectangle's pixels changed,
// as GDI draws them with a one-pixel red pen.
#include "E2eDriver.h"
#include "VistrelE2e.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/PixwellInc.h"

using namespace e2e;

namespace {

constexpr char kCloseCaption[] = "Close";
constexpr char kLeaveInClipboard[] = "Leave screen-shot in Clipboard";
constexpr char kToolBarClass[] = "ToolbarWindow32";
constexpr char kOwnWindowClass[] = "VistrelWindow";
// Tool bar buttons by index, top to bottom.
constexpr int kLineButton = 2;
constexpr int kSquareButton = 4;

// The wizard's picture: the control of the program's own class that has the
// selection's size.
HWND FindPicture(HWND wizard, int width, int height)
{
    for (HWND child : ChildrenOfClass(wizard, kOwnWindowClass)) {
        const RECT r = ScreenRect(child);
        if (r.right - r.left == width && r.bottom - r.top == height)
            return child;
    }
    return nullptr;
}

// What the selection should hold: the pattern, with the line and the
// rectangle drawn the way the editor is meant to draw them.
std::vector<COLORREF> Expected(POINT origin, int width, int height, POINT lineFrom, POINT lineTo, POINT boxFrom,
                               POINT boxTo)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = PatternWindow::PatternColour(origin.x + x, origin.y + y);
            pixels[y * width + x] = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
        }
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    MoveToEx(dc, lineFrom.x, lineFrom.y, nullptr);
    LineTo(dc, lineTo.x, lineTo.y);
    Rectangle(dc, std::min(boxFrom.x, boxTo.x), std::min(boxFrom.y, boxTo.y), std::max(boxFrom.x, boxTo.x),
              std::max(boxFrom.y, boxTo.y));
    GdiFlush();
    std::vector<COLORREF> expected(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < expected.size(); ++i)
        expected[i] = RGB(pixels[i] >> 16 & 0xFF, pixels[i] >> 8 & 0xFF, pixels[i] & 0xFF);
    SelectObject(dc, oldBrush);
    DeleteObject(SelectObject(dc, oldPen));
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return expected;
}

} // namespace

TEST(EditorE2e, LineAndRectangleDrawnWithTheMouseReachTheClipboardPixelForPixel)
{
    CheckedPluginsAside nothingChecked;
    EmptyClipboardNow();
    Process program(BinDir() + "\\" + pixwell::kHostFileName);
    const OrderlyEnd orderlyEnd(program);
    std::string why;
    ASSERT_NE(StartCaptureOnPattern(program.Id(), why), nullptr) << why;
    const POINT origin{200, 150};
    const int width = 200, height = 150;
    Drag(origin, {origin.x + width, origin.y + height});
    HWND wizard = WaitForWizard(program.Id());
    ASSERT_NE(wizard, nullptr) << "no wizard after the drag";

    HWND picture = nullptr;
    WaitFor([&] { return (picture = FindPicture(wizard, width, height)) != nullptr; }, 5s);
    ASSERT_NE(picture, nullptr) << "no picture of the selection's size";
    const std::vector<HWND> bars = ChildrenOfClass(wizard, kToolBarClass);
    ASSERT_EQ(bars.size(), 1u);
    const RECT at = ScreenRect(picture);
    const auto onScreen = [&](POINT p) { return POINT{at.left + p.x, at.top + p.y}; };
    const auto clickButton = [&](int index) {
        const RECT r = ToolBarButtonRect(bars[0], index);
        ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        Pump(200ms);
    };

    const POINT lineFrom{20, 30}, lineTo{150, 100};
    // Bottom right to top left, with the right button.
    const POINT boxFrom{180, 140}, boxTo{60, 10};
    clickButton(kLineButton);
    Drag(onScreen(lineFrom), onScreen(lineTo));
    Pump(200ms);
    clickButton(kSquareButton);
    Drag(onScreen(boxFrom), onScreen(boxTo), 1);
    Pump(200ms);

    Click(WaitForChild(wizard, kNextCaption));
    Pump(300ms);
    Click(WaitForChild(wizard, kNextCaption));
    HWND leave = WaitForChild(wizard, kLeaveInClipboard);
    ASSERT_NE(leave, nullptr) << "the report page did not show";
    if (SendMessageA(leave, BM_GETCHECK, 0, 0) != BST_CHECKED)
        Click(leave);
    ASSERT_EQ(SendMessageA(leave, BM_GETCHECK, 0, 0), BST_CHECKED);
    Click(WaitForChild(wizard, kCloseCaption));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(wizard); }, 10s)) << "the wizard did not close";

    const ClipboardImage image = ReadClipboardImage();
    ASSERT_TRUE(image.valid);
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    const std::vector<COLORREF> expected = Expected(origin, width, height, lineFrom, lineTo, boxFrom, boxTo);
    int mismatches = 0, drawn = 0;
    POINT first{-1, -1};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            drawn += expected[i] != PatternWindow::PatternColour(origin.x + x, origin.y + y);
            if (image.pixels[i] != expected[i] && mismatches++ == 0)
                first = POINT{x, y};
        }
    EXPECT_GT(drawn, 600) << "the reference drew too little";
    EXPECT_EQ(mismatches, 0) << "first differing pixel at (" << first.x << ", " << first.y << ")";
}
