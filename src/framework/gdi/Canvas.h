// A drawing surface over a device context: pen, brush and font as plain
// values that are turned into GDI objects only when a drawing call needs
// them, and the drawing operations the program's windows and editor use.
#pragma once
#include "gdi/Graphics.h"
#include <functional>
#include <string>

namespace fw {

class DibBitmap;

enum class PenStyle { psSolid, psDash, psDot, psClear };
enum class BrushStyle { bsSolid, bsClear };

struct Pen {
    Color color = clBlack;
    int width = 1;
    PenStyle style = PenStyle::psSolid;
    bool operator==(const Pen&) const = default;
};

struct Brush {
    Color color = clWhite;
    BrushStyle style = BrushStyle::bsSolid;
    bool operator==(const Brush&) const = default;
};

class Canvas {
public:
    Canvas() = default;
    explicit Canvas(HDC dc) { SetHandle(dc); }
    virtual ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Handle() const noexcept { return dc_; }
    // Binds the canvas to another DC (or none); the old DC gets its own
    // objects back.
    void SetHandle(HDC dc);

    // Drawing state; changes take effect at the next drawing call. The pen
    // always draws by plain copy.
    Pen pen;
    Brush brush;
    Font font{"MS Sans Serif", -11, 0, clBlack};

    // Runs after every drawing call (a bitmap uses it to tell its viewer).
    std::function<void()> OnChange;

    Color Pixel(int x, int y) const;
    void SetPixel(int x, int y, Color color);
    void MoveTo(int x, int y);
    // A line from the pen position to (x, y), leaving out the end pixel.
    void LineTo(int x, int y);
    void Line(int x1, int y1, int x2, int y2);
    // Outline with the pen, filled with the brush (hollow for bsClear).
    void Rectangle(int left, int top, int right, int bottom);
    void Ellipse(int left, int top, int right, int bottom);
    void FillRect(const RECT& rect);
    void FrameRect(const RECT& rect);
    // Text at its top-left corner in the font and font colour; the
    // background is the brush colour, or left alone for bsClear.
    void TextOut(int x, int y, const std::string& text);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    // The dotted focus frame, drawn by inverting pixels: drawing it twice
    // restores what was there.
    void DrawFocusRect(const RECT& rect);
    // Copies `sourceRect` of `source` into `destRect`, stretching when the
    // sizes differ.
    void CopyRect(const RECT& destRect, const Canvas& source, const RECT& sourceRect);
    void Draw(int x, int y, const DibBitmap& bitmap);
    void StretchDraw(const RECT& rect, const DibBitmap& bitmap);

protected:
    void Changed();

private:
    void RequirePen();
    void RequireBrush();
    void RequireFont();
    void RequireAll();
    void Deselect() noexcept;

    HDC dc_ = nullptr;
    PenHandle penHandle_;
    BrushHandle brushHandle_;
    FontHandle fontHandle_;
    Pen realizedPen_;
    Brush realizedBrush_;
    Font realizedFont_;
    HGDIOBJ originalPen_ = nullptr;
    HGDIOBJ originalBrush_ = nullptr;
    HGDIOBJ originalFont_ = nullptr;
};

// A canvas on a window's client area (or the screen for a null window).
class WindowCanvas : public Canvas {
public:
    explicit WindowCanvas(HWND hwnd);
    ~WindowCanvas() override;

private:
    WindowDC dc_;
};

} // namespace fw
